// Letter case as Windows compares file names: ASCII, Latin-1, Latin
// Extended-A, Greek, Cyrillic and fullwidth Latin letters, one to one.
// Header-only; nothing here allocates.
#pragma once

#include "base/Text.h"

namespace letter_case {

// Letters with a one-to-one upper and lower case beyond ASCII: a range either
// moves by `delta` as a whole or, with `pairs`, holds upper/lower pairs side by side.
struct SFoldRange {
    char16_t first;
    char16_t last;
    int delta;
    bool pairs;
};

// Left out: U+00D7, U+0130/0131 (dotted and dotless I), U+0138, U+0149, the long
// s U+017F and the final sigma U+03C2, whose cases do not pair one to one.
constexpr SFoldRange kFoldRanges[] = {
    {0x00C0, 0x00D6, 32, false}, {0x00D8, 0x00DE, 32, false},                              // Latin-1
    {0x0100, 0x012F, 1, true},   {0x0132, 0x0137, 1, true},   {0x0139, 0x0148, 1, true},   // Latin
    {0x014A, 0x0177, 1, true},   {0x0178, 0x0178, -121, false}, {0x0179, 0x017E, 1, true}, // Extended-A
    {0x0386, 0x0386, 38, false}, {0x0388, 0x038A, 37, false}, {0x038C, 0x038C, 64, false}, // Greek
    {0x038E, 0x038F, 63, false}, {0x0391, 0x03A1, 32, false}, {0x03A3, 0x03AB, 32, false},
    {0x0400, 0x040F, 80, false}, {0x0410, 0x042F, 32, false}, {0x0460, 0x0481, 1, true},   // Cyrillic
    {0x048A, 0x04BF, 1, true},   {0x04C0, 0x04C0, 15, false}, {0x04C1, 0x04CE, 1, true},
    {0x04D0, 0x04FF, 1, true},   {0xFF21, 0xFF3A, 32, false},                              // fullwidth
};

}  // namespace letter_case

// The lower case of a letter, as names compare on Windows (the letters listed
// above); anything else as it is.
inline char16_t FoldLetter(char16_t ch) {
    if (ch < 0xC0)
        return FoldAscii(ch);
    for (const letter_case::SFoldRange& range : letter_case::kFoldRanges) {
        if (ch < range.first || ch > range.last)
            continue;
        if (range.pairs)
            return (ch - range.first) % 2 == 0 ? char16_t(ch + 1) : ch;
        return char16_t(ch + range.delta);
    }
    return ch;
}
