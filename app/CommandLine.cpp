#include "app/CommandLine.h"

#include "base/Text.h"
#include "extract/UiLanguage.h"

namespace {

// The characters iswspace accepts in the wide C runtime.
bool IsWhiteSpace(char16_t ch) {
    return (ch >= 0x0009 && ch <= 0x000D) || ch == 0x0020 || ch == 0x0085 || ch == 0x00A0 || ch == 0x1680 ||
           (ch >= 0x2000 && ch <= 0x200A) || ch == 0x2028 || ch == 0x2029 || ch == 0x202F || ch == 0x205F ||
           ch == 0x3000;
}

// The zero of every block of ten decimal digits (general category Nd) in the
// BMP; each block runs from its zero to its nine without gaps.
const char16_t kDigitZeros[] = {
    0x0030, 0x0660, 0x06F0, 0x07C0, 0x0966, 0x09E6, 0x0A66, 0x0AE6, 0x0B66, 0x0BE6, 0x0C66, 0x0CE6, 0x0D66,
    0x0DE6, 0x0E50, 0x0ED0, 0x0F20, 0x1040, 0x1090, 0x17E0, 0x1810, 0x1946, 0x19D0, 0x1A80, 0x1A90, 0x1B50,
    0x1BB0, 0x1C40, 0x1C50, 0xA620, 0xA8D0, 0xA900, 0xA9D0, 0xA9F0, 0xAA50, 0xABF0, 0xFF10,
};

// The value of a decimal digit of any script, or -1 for any other character.
int DigitValue(char16_t ch) {
    for (char16_t zero : kDigitZeros) {
        if (ch >= zero && ch - zero < 10)
            return ch - zero;
    }
    return -1;
}

// Copies `text` with its terminator into `target`; when it does not fit,
// `target` is left empty and the copy fails. A name is never cut short.
bool CopyName(char16_t (&target)[kStartupNameCapacity], const char16_t* text) {
    if (CopyText(target, kStartupNameCapacity, text))
        return true;
    target[0] = 0;
    return false;
}

}  // namespace

const char16_t* FindSwitch(const char16_t* commandLine, const char16_t* switchText) {
    return FindNoCase(commandLine, switchText);
}

int32_t ReadFontSize(const char16_t* text) {
    if (!text)
        return 0;
    // The spaces after "-s " are white space as well, so one loop skips both.
    while (IsWhiteSpace(*text))
        ++text;
    const bool negative = *text == u'-';
    if (*text == u'-' || *text == u'+')
        ++text;
    // The magnitude stops growing at the limit of its sign, so that any number
    // of further digits saturates instead of overflowing.
    const int64_t limit = negative ? -int64_t(INT32_MIN) : int64_t(INT32_MAX);
    int64_t magnitude = 0;
    for (int digit = DigitValue(*text); digit >= 0; digit = DigitValue(*++text)) {
        magnitude = magnitude * 10 + digit;
        if (magnitude > limit)
            magnitude = limit;
    }
    return int32_t(negative ? -magnitude : magnitude);
}

void ReadStartupOptions(const char16_t* commandLine, const char16_t* systemLocaleName, SStartupOptions& options) {
    if (!commandLine)
        commandLine = u"";

    // The switches are found anywhere in the line, even inside a face name.
    if (FindSwitch(commandLine, u"-j"))
        CopyName(options.szLocaleName, u"ja-JP");
    else if (FindSwitch(commandLine, u"-e"))
        CopyName(options.szLocaleName, u"en-US");
    else
        CopyName(options.szLocaleName, systemLocaleName ? systemLocaleName : u"");
    const bool japanese = IsJapaneseLocaleName(options.szLocaleName);

    const char16_t* sizeSwitch = FindSwitch(commandLine, u"-s ");
    options.nFontSize = sizeSwitch ? ReadFontSize(sizeSwitch + 3) : 9;
    const char16_t* codePageSwitch = FindSwitch(commandLine, u"-cp ");
    options.nCodePage = codePageSwitch ? ReadFontSize(codePageSwitch + 4) : 932;

    // The face runs to the end of the line: other switches, quotes and
    // trailing blanks belong to it. A face too long for the buffer is refused
    // as a whole rather than shown cut short.
    options.bFaceRefused = false;
    const char16_t* faceSwitch = FindSwitch(commandLine, u"-f ");
    if (faceSwitch) {
        const char16_t* face = faceSwitch + 3;
        while (*face == u' ')
            ++face;
        if (CopyName(options.szFontFace, face))
            return;
        options.bFaceRefused = true;
    }
    CopyName(options.szFontFace, japanese ? u"Meiryo UI" : u"MS Shell Dlg");
}
