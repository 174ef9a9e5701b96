// The one test that decides every language choice: the UI language is Japanese
// when the locale name equals "ja-JP", ASCII letters compared without regard
// to case; any other name, an empty one included, means English.
#pragma once

bool IsJapaneseLocaleName(const char16_t* localeName);
