// Writes the fuzzers' seed corpus (tools/FuzzSeeds.h) into the folder given.
#include <cstdio>
#include <string>

#include "tests/fixtures/FuzzSeeds.h"

namespace {

bool Write(const std::string& dir, const std::string& name, const Bytes& data) {
    const std::string path = dir + "/" + name;
    FILE* out = std::fopen(path.c_str(), "wb");
    const bool ok = out && std::fwrite(data.data(), 1, data.size(), out) == data.size();
    return out && std::fclose(out) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-fuzz-seeds FOLDER\n");
        return 2;
    }
    const std::string dir = argv[1];
    for (const auto& seed : MakeFuzzSeeds()) {
        if (!Write(dir, seed.first, seed.second)) {
            std::perror(dir.c_str());
            return 1;
        }
    }
    return 0;
}
