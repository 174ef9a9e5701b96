#include "extract/DisplayText.h"

bool IsUnsafeToShow(char16_t ch) {
    return ch < 0x20 || (ch >= 0x7F && ch <= 0x9F) || ch == 0x061C || ch == 0x200E || ch == 0x200F ||
           (ch >= 0x202A && ch <= 0x202E) || (ch >= 0x2066 && ch <= 0x2069);
}

void ReplaceUnsafeToShow(char16_t* text) {
    for (; *text; ++text) {
        if (IsUnsafeToShow(*text))
            *text = u'?';
    }
}
