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

bool IsWordSeparator(char16_t ch) { return ch == u' ' || ch == u'\t'; }

// One word of the command line: [begin, end) in the line, quotes included.
struct SWord {
    const char16_t* pBegin = nullptr;
    const char16_t* pEnd = nullptr;
    bool bQuoted = false;
};

// The word at *cursor, after separators; false at the end of the line. The
// cursor moves past the word.
bool ReadWord(const char16_t*& cursor, SWord& word) {
    while (IsWordSeparator(*cursor))
        ++cursor;
    if (*cursor == 0)
        return false;
    word.pBegin = cursor;
    word.bQuoted = false;
    bool inQuotes = false;
    for (; *cursor != 0 && (inQuotes || !IsWordSeparator(*cursor)); ++cursor) {
        if (*cursor == u'"') {
            inQuotes = !inQuotes;
            word.bQuoted = true;
        }
    }
    word.pEnd = cursor;
    return true;
}

// The word's text without its quotes, terminated, into out; false (out
// empty) when it does not fit.
bool CopyWord(const SWord& word, char16_t* out, size_t capacity) {
    size_t length = 0;
    for (const char16_t* p = word.pBegin; p != word.pEnd; ++p) {
        if (*p == u'"')
            continue;
        if (length + 1 >= capacity) {
            if (capacity > 0)
                out[0] = 0;
            return false;
        }
        out[length++] = *p;
    }
    if (capacity == 0)
        return false;
    out[length] = 0;
    return true;
}

// Whether the word is, whole and unquoted, the switch `name` (ASCII letters
// without regard to case).
bool IsSwitch(const SWord& word, const char16_t* name) {
    return !word.bQuoted && EqualsNoCase(word.pBegin, word.pEnd, name);
}

// The number in the word after a switch, as ReadFontSize reads it.
int32_t ReadNumberWord(const SWord& word) {
    char16_t text[64];
    // A longer word is cut: its digits saturate long before 63 characters.
    size_t length = 0;
    for (const char16_t* p = word.pBegin; p != word.pEnd && length + 1 < 64; ++p) {
        if (*p != u'"')
            text[length++] = *p;
    }
    text[length] = 0;
    return ReadFontSize(text);
}

}  // namespace

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

    bool japanese = false, english = false, sizeSeen = false, codePageSeen = false, outputSeen = false;
    const char16_t* face = nullptr;
    options.nFontSize = 9;
    options.nCodePage = 932;
    options.szOutputFolder[0] = 0;
    options.bOutputFolderRefused = false;
    options.bKeepRebuildData = false;
    options.nPathCount = 0;
    options.bPathsRefused = false;
    size_t pathsUsed = 0;

    const char16_t* cursor = commandLine;
    SWord word;
    while (ReadWord(cursor, word)) {
        if (IsSwitch(word, u"-j")) {
            japanese = true;
        } else if (IsSwitch(word, u"-e")) {
            english = true;
        } else if (IsSwitch(word, u"-m")) {
            options.bKeepRebuildData = true;
        } else if (IsSwitch(word, u"-s") || IsSwitch(word, u"-cp") || IsSwitch(word, u"-o")) {
            const bool size = IsSwitch(word, u"-s"), codePage = IsSwitch(word, u"-cp");
            SWord value;
            const bool hasValue = ReadWord(cursor, value);
            if (size && !sizeSeen) {
                sizeSeen = true;
                options.nFontSize = hasValue ? ReadNumberWord(value) : 0;
            } else if (codePage && !codePageSeen) {
                codePageSeen = true;
                options.nCodePage = hasValue ? ReadNumberWord(value) : 0;
            } else if (!size && !codePage && !outputSeen) {
                outputSeen = true;
                options.bOutputFolderRefused =
                    !hasValue || !CopyWord(value, options.szOutputFolder, kPathCapacity) ||
                    options.szOutputFolder[0] == 0;
            }
        } else if (IsSwitch(word, u"-f")) {
            // The face runs to the end of the line: other switches, quotes
            // and trailing blanks belong to it. A bare -f at the end names none.
            if (*word.pEnd != 0) {
                face = word.pEnd;
                while (*face == u' ')
                    ++face;
            }
            break;
        } else {
            // A path, whatever it holds; the list keeps a terminator for its end.
            if (!CopyWord(word, options.szPaths + pathsUsed, kStartupPathsCapacity - 1 - pathsUsed)) {
                options.bPathsRefused = true;
                continue;
            }
            // An empty word ("") names nothing.
            const size_t length = StrLen16(options.szPaths + pathsUsed);
            if (length == 0)
                continue;
            pathsUsed += length + 1;
            ++options.nPathCount;
        }
    }
    options.szPaths[pathsUsed] = 0;

    if (japanese)
        CopyName(options.szLocaleName, u"ja-JP");
    else if (english)
        CopyName(options.szLocaleName, u"en-US");
    else
        CopyName(options.szLocaleName, systemLocaleName ? systemLocaleName : u"");

    // A face too long for the buffer is refused as a whole rather than shown
    // cut short.
    options.bFaceRefused = false;
    if (face) {
        if (CopyName(options.szFontFace, face))
            return;
        options.bFaceRefused = true;
    }
    CopyName(options.szFontFace, IsJapaneseLocaleName(options.szLocaleName) ? u"Meiryo UI" : u"MS Shell Dlg");
}

const char16_t* NextStartupPath(const char16_t* path) { return *path ? path + StrLen16(path) + 1 : path; }
