// Writes custom files with hostile entry names (tools/HostileFiles.h) for the
// round-trip checks:
//   make-hostile-files [--seed N] [--count N] [--fuzz-seeds] FOLDER
// FOLDER/hostile-NNNN.god for N files (default 300) of seed N (default 1);
// with --fuzz-seeds also the fuzzers' seed files as FOLDER/seed-NAME, so that
// a build without the fuzzers has them too. FOLDER is made when missing;
// files of the same names are replaced.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/fixtures/FuzzSeeds.h"
#include "tests/fixtures/HostileFiles.h"

namespace {

bool Write(const std::string& path, const Bytes& data) {
    FILE* out = std::fopen(path.c_str(), "wb");
    bool ok = out && std::fwrite(data.data(), 1, data.size(), out) == data.size();
    if (out && std::fclose(out) != 0)
        ok = false;
    if (!ok)
        std::perror(path.c_str());
    return ok;
}

bool ReadNumber(const char* text, unsigned long long max, unsigned long long& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(text, &end, 10);
    return *text >= '0' && *text <= '9' && *end == 0 && errno == 0 && value <= max;
}

int Usage() {
    std::fprintf(stderr, "usage: make-hostile-files [--seed N] [--count N] [--fuzz-seeds] FOLDER\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    unsigned long long seed = 1, count = 300;
    bool fuzzSeeds = false;
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seed" && i + 1 < argc) {
            if (!ReadNumber(argv[++i], ~0ull, seed))
                return Usage();
        } else if (arg == "--count" && i + 1 < argc) {
            if (!ReadNumber(argv[++i], 99999, count))
                return Usage();
        } else if (arg == "--fuzz-seeds") {
            fuzzSeeds = true;
        } else if (folder.empty() && !arg.empty() && arg[0] != '-') {
            folder = arg;
        } else {
            return Usage();
        }
    }
    if (folder.empty())
        return Usage();
    if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
        std::perror(folder.c_str());
        return 1;
    }
    for (unsigned index = 0; index < count; ++index) {
        char name[32];
        std::snprintf(name, sizeof name, "/hostile-%04u.god", index);
        if (!Write(folder + name, MakeHostileFile(seed, index)))
            return 1;
    }
    if (fuzzSeeds) {
        for (const auto& file : MakeFuzzSeeds()) {
            if (!Write(folder + "/seed-" + file.first, file.second))
                return 1;
        }
    }
    return 0;
}
