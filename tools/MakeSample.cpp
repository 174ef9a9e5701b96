// Writes the project's sample custom file: make-sample OUTPUT
#include <cstdio>

#include "tests/fixtures/ContainerWriter.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-sample OUTPUT\n");
        return 2;
    }
    const Bytes data = MakeSampleCustomFile();
    FILE* out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(data.data(), 1, data.size(), out) != data.size() || std::fclose(out) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
