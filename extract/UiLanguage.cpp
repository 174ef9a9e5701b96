#include "extract/UiLanguage.h"

#include "base/Text.h"

bool IsJapaneseLocaleName(const char16_t* localeName) { return EqualsNoCase(localeName, u"ja-JP"); }
