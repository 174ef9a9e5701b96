// Writes the benchmark corpus: make-bench-corpus [--quick | --files N] OUTPUT.god OUTPUT.zip
// (--files: the full corpus's mix with N files instead of about 20,000).
// The zip's members sit under the folder the extractor makes for OUTPUT.god
// (its base name without the extension), so both extract to the same tree.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/Corpus.h"

namespace {

std::string FolderNameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0)
        base.resize(dot);
    return base;
}

bool WriteFile(const std::string& path, const Bytes& data) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    const bool written = std::fwrite(data.data(), 1, data.size(), out) == data.size();
    return std::fclose(out) == 0 && written;
}

int Usage() {
    std::fprintf(stderr, "usage: make-bench-corpus [--quick | --files N] OUTPUT.god OUTPUT.zip\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    int arg = 1;
    SCorpusShape shape = SCorpusShape::Full();
    if (argc > 1 && std::strcmp(argv[1], "--quick") == 0) {
        shape = SCorpusShape::Quick();
        ++arg;
    } else if (argc > 2 && std::strcmp(argv[1], "--files") == 0) {
        char* end = nullptr;
        const long files = std::strtol(argv[2], &end, 10);
        if (*end || files < 10 || files > 99999)
            return Usage();
        shape = SCorpusShape::Sized(int(files));
        arg += 2;
    }
    if (argc - arg != 2)
        return Usage();
    const std::string godPath = argv[arg];
    const std::string zipPath = argv[arg + 1];

    CZipWriter zip;
    if (!zip.Open(zipPath)) {
        std::perror(zipPath.c_str());
        return 1;
    }
    CCorpusBuilder builder(shape, FolderNameOf(godPath), zip);
    Bytes customFile;
    if (!builder.Build(customFile))
        return 1;
    if (!zip.Finish()) {
        std::fprintf(stderr, "make-bench-corpus: cannot write %s\n", zipPath.c_str());
        return 1;
    }
    if (!WriteFile(godPath, customFile)) {
        std::perror(godPath.c_str());
        return 1;
    }

    const SCorpusStats& stats = builder.Stats();
    std::printf("%s: %d files (%d gzip), %d containers, %.1f MB on disk, %.1f MB extracted\n", godPath.c_str(),
                stats.nFiles, stats.nCompressed, stats.nContainers, double(customFile.size()) / 1e6,
                double(stats.nContentBytes) / 1e6);
    return 0;
}
