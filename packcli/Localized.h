// vanto-pack's texts come in English and Japanese (-e, -j): each is written
// as the pair, and the run's language picks one.
#pragma once

#include <string>

inline std::u16string Localized(bool japanese, const char16_t* english, const char16_t* japaneseText) {
    return japanese ? japaneseText : english;
}
