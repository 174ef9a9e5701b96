#include "extract/UiLanguage.h"

bool IsJapaneseLocaleName(const char16_t* localeName) {
    static const char16_t kJapanese[] = u"ja-jp";
    const char16_t* p = localeName;
    for (const char16_t* q = kJapanese; *q; ++p, ++q) {
        char16_t ch = *p;
        if (ch >= u'A' && ch <= u'Z')
            ch = char16_t(ch + 32);
        if (ch != *q)
            return false;
    }
    return *p == 0;
}
