// The texts of vanto-pack and of the window's rebuild jobs come in English and
// Japanese: each is written as the pair, and the run's language picks one.
#pragma once

#include <string>

inline std::u16string Localized(bool japanese, const char16_t* english, const char16_t* japaneseText) {
    return japanese ? japaneseText : english;
}
