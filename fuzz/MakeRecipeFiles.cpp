// Turns round-trip fuzzer inputs into the custom files they describe, for
// tests/check-round-trip: make-recipe-files FOLDER RECIPE...
// Each RECIPE becomes FOLDER/NAME.god, NAME its file name.
#include <cstdio>
#include <string>

#include "tests/fixtures/RoundTripRecipe.h"

namespace {

bool Read(const char* path, Bytes& data) {
    FILE* in = std::fopen(path, "rb");
    if (!in)
        return false;
    uint8_t buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0)
        data.insert(data.end(), buffer, buffer + n);
    const bool ok = !std::ferror(in);
    std::fclose(in);
    return ok;
}

bool Write(const std::string& path, const Bytes& data) {
    FILE* out = std::fopen(path.c_str(), "wb");
    bool ok = out && std::fwrite(data.data(), 1, data.size(), out) == data.size();
    if (out && std::fclose(out) != 0)
        ok = false;
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make-recipe-files FOLDER RECIPE...\n");
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        Bytes recipeBytes;
        if (!Read(argv[i], recipeBytes)) {
            std::perror(argv[i]);
            return 1;
        }
        CRecipe recipe(recipeBytes.data(), recipeBytes.size());
        const std::string path = argv[i];
        const std::string out = std::string(argv[1]) + "/" + path.substr(path.find_last_of('/') + 1) + ".god";
        if (!Write(out, BuildRecipeFile(recipe))) {
            std::perror(out.c_str());
            return 1;
        }
    }
    return 0;
}
