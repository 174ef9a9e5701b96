// Fuzz target: the way back. Each input is a recipe for a well-formed custom
// file (children, gzip and stored payloads, names that are refused or
// renamed on the way out). It is extracted with a manifest, in memory, and
// packed again from the extracted tree: the result must be the very same
// bytes. Then one written file is changed and the file packed again: the
// result, extracted, must give exactly the changed tree.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/RoundTrip.h"
#include "tools/ContainerWriter.h"

namespace {

// Reads the recipe's bytes; zeros once it is used up.
class CRecipe {
public:
    CRecipe(const uint8_t* data, size_t size) : m_p(data), m_n(size) {}
    unsigned Next() { return m_i < m_n ? m_p[m_i++] : 0; }

private:
    const uint8_t* m_p;
    size_t m_n;
    size_t m_i = 0;
};

std::string Name(CRecipe& recipe, int index) {
    static const char* const kExtensions[] = {".t", ".bm", ".tx", ".txt", ".bin", "", ".", " "};
    static const char kLetters[] = "abcXYZ_-. ~";
    std::string name(1, char('a' + index % 26));
    for (unsigned n = recipe.Next() % 6; n > 0; --n)
        name.push_back(kLetters[recipe.Next() % (sizeof kLetters - 1)]);
    return name + std::to_string(index) + kExtensions[recipe.Next() % 8];
}

Bytes Content(CRecipe& recipe) {
    Bytes content;
    for (unsigned n = recipe.Next() % 48; n > 0; --n)
        content.push_back(uint8_t(recipe.Next() % 4 == 0 ? recipe.Next() : 'a' + recipe.Next() % 26));
    return content;
}

// A stored payload: never empty, since a file of one empty entry is no
// custom file at all.
Bytes Payload(CRecipe& recipe) {
    const Bytes content = Content(recipe);
    return content.empty() ? Bytes{'x'} : content;
}

CContainerWriter Build(CRecipe& recipe, int depth, int& index) {
    CContainerWriter container;
    for (unsigned n = 1 + recipe.Next() % 4; n > 0; --n) {
        const std::string name = Name(recipe, index++);
        switch (recipe.Next() % 5) {
        case 0: container.AddGzip(name, Content(recipe)); break;
        case 1: container.Add("cmap\\" + name, Payload(recipe)); break;
        case 2:
            if (depth < 3) {
                container.AddChild(name, Build(recipe, depth + 1, index));
                break;
            }
            [[fallthrough]];
        default: container.Add(name, Payload(recipe));
        }
    }
    return container;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CRecipe recipe(data, size);
    int index = 0;
    const Bytes file = Build(recipe, 0, index).Data();
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
