#include "tools/RoundTripRecipe.h"

#include <string>

#include "tools/ContainerWriter.h"

namespace {

std::string Name(CRecipe& recipe, int index) {
    static const char* const kExtensions[] = {".t", ".bm", ".tx", ".txt", ".bin", "", ".", " "};
    static const char kLetters[] = "abcXYZ_-. ~";
    // What extraction takes apart in a name: dots, separators, cmap folders
    // (also before names it refuses), blanks, nothing at all.
    static const char* const kParts[] = {
        "", ".", "..", "...", ".\\", "\\", "\\\\", "\\.", "\\.\\", "cmap\\", "CMAP\\", "x\\", "x\\.\\", "x\\log\\.",
        "cmap\\..\\", "cmap\\CON", "cmap\\.\\", " ", "a.", ".a"};
    const size_t kPartCount = sizeof kParts / sizeof kParts[0];
    std::string name(1, char('a' + index % 26));
    for (unsigned n = recipe.Next() % 6; n > 0; --n)
        name.push_back(kLetters[recipe.Next() % (sizeof kLetters - 1)]);
    name += std::to_string(index) + kExtensions[recipe.Next() % 8];
    const unsigned odd = recipe.Next();
    if (odd % 3 != 1)
        return name;
    // One name in three in place of such a part, after, before or between two.
    const std::string part = kParts[(odd / 3) % kPartCount];
    switch (recipe.Next() % 4) {
    case 0: name = part; break;
    case 1: name = part + name; break;
    case 2: name += part; break;
    default: name = part + name + kParts[recipe.Next() % kPartCount];
    }
    return name.substr(0, 40);
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

Bytes BuildRecipeFile(CRecipe& recipe) {
    int index = 0;
    return Build(recipe, 0, index).Data();
}
