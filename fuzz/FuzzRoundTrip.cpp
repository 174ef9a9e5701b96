// Fuzz target: the way back. Each input is a recipe for a well-formed custom
// file (tools/RoundTripRecipe.h). It is extracted with a manifest, in memory,
// and packed again from the extracted tree: the result must be the very same
// bytes. Then one written file is changed and the file packed again: the
// result, extracted, must give exactly the changed tree.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/RoundTrip.h"
#include "tests/fixtures/RoundTripRecipe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CRecipe recipe(data, size);
    const Bytes file = BuildRecipeFile(recipe);
    std::string why;
    if (!PacksBackIdentically(file, why)) {
        std::fprintf(stderr, "unchanged tree: %s\n", why.c_str());
        std::abort();  // nothing changed: the very same bytes
    }
    Bytes content(1 + recipe.Next() % 40, uint8_t('a' + recipe.Next() % 26));
    bool refused = false;
    if (!PacksChangesFaithfully(file, recipe.Next(), content, refused, why)) {
        std::fprintf(stderr, "changed tree: %s\n", why.c_str());
        std::abort();
    }
    return 0;
}
