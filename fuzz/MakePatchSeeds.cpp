// Writes the patch fuzzer's seeds into a folder: make-patch-seeds DIR
#include <cstdio>
#include <string>

#include "tests/fixtures/PatchSeeds.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-patch-seeds DIR\n");
        return 2;
    }
    int n = 0;
    for (const Bytes& seed : PatchFuzzSeeds()) {
        const std::string path = std::string(argv[1]) + "/patch-seed-" + std::to_string(++n);
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(seed.data(), 1, seed.size(), f) != seed.size() || std::fclose(f) != 0) {
            std::fprintf(stderr, "make-patch-seeds: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
