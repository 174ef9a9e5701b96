// Text helpers every layer shares: the capacities of paths and log lines,
// comparisons that ignore the case of ASCII letters, bounded copies, and the
// bridge between char16_t and Windows' wide characters.
//
// Portable and header-only; nothing here allocates or throws. Strings are
// UTF-16 and terminated.
#pragma once

#include <cstddef>

enum : size_t {
    kPathCapacity = 260,   // every path, terminator included
    kLineCapacity = 1024,  // one log line buffer
    kLineLimit = 1023,     // what the formatter may use of it: 1022 characters and the NUL
};

// '\' and '/' both separate levels in the paths the engine composes and in
// entry names, on every system.
inline bool IsSeparator(char16_t ch) { return ch == u'\\' || ch == u'/'; }

// The separators of the system's own paths, as the user gives them: on
// POSIX only '/' ('\' is a character of a name there).
inline bool IsSystemSeparator(char16_t ch) {
#ifdef _WIN32
    return IsSeparator(ch);
#else
    return ch == u'/';
#endif
}

// The separator the system's own paths are written with.
#ifdef _WIN32
constexpr char16_t kSystemSeparator = u'\\';
#else
constexpr char16_t kSystemSeparator = u'/';
#endif

// Length of a terminated UTF-16 string.
inline size_t StrLen16(const char16_t* psz) {
    size_t n = 0;
    while (psz[n])
        ++n;
    return n;
}

// 'A'-'Z' become 'a'-'z'; every other character stays as it is, as Windows
// compares names and switches for the letters our texts use.
inline char16_t FoldAscii(char16_t ch) { return ch >= u'A' && ch <= u'Z' ? char16_t(ch + 32) : ch; }

// Whole strings equal when ASCII letters are folded.
inline bool EqualsNoCase(const char16_t* a, const char16_t* b) {
    for (; *a && FoldAscii(*a) == FoldAscii(*b); ++a, ++b) {
    }
    return FoldAscii(*a) == FoldAscii(*b);
}

// The characters [begin, end) equal the terminated text when ASCII letters are folded.
inline bool EqualsNoCase(const char16_t* begin, const char16_t* end, const char16_t* text) {
    for (; begin < end && *text; ++begin, ++text) {
        if (FoldAscii(*begin) != FoldAscii(*text))
            return false;
    }
    return begin == end && *text == 0;
}

// The text begins with prefix when ASCII letters are folded. Stops at the
// first difference, so a text shorter than the prefix is never read past.
inline bool StartsWithNoCase(const char16_t* text, const char16_t* prefix) {
    for (; *prefix; ++text, ++prefix) {
        if (FoldAscii(*text) != FoldAscii(*prefix))
            return false;
    }
    return true;
}

// The first place where needle stands in haystack, ASCII letters folded; null
// when there is none, when either is null and when needle is empty.
inline const char16_t* FindNoCase(const char16_t* haystack, const char16_t* needle) {
    if (!haystack || !needle || !*needle)
        return nullptr;
    for (; *haystack; ++haystack) {
        if (StartsWithNoCase(haystack, needle))
            return haystack;
    }
    return nullptr;
}

// Copies the first `length` characters of text into out and terminates it.
// What does not fit in capacity - 1 characters is cut, never between the two
// halves of a surrogate pair. False when something was cut (or capacity is 0).
inline bool CopyText(char16_t* out, size_t capacity, const char16_t* text, size_t length) {
    if (capacity == 0)
        return false;
    size_t n = length < capacity - 1 ? length : capacity - 1;
    if (n < length && n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF)
        --n;
    for (size_t i = 0; i < n; ++i)
        out[i] = text[i];
    out[n] = 0;
    return n == length;
}

// The same for a whole terminated text.
inline bool CopyText(char16_t* out, size_t capacity, const char16_t* text) {
    return CopyText(out, capacity, text, StrLen16(text));
}

#ifdef _WIN32
// Windows' WCHAR is wchar_t, 16 bits wide like char16_t: the same code units.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "WCHAR and char16_t must have one size");
inline const wchar_t* AsWide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline wchar_t* AsWide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }
inline const char16_t* AsChar16(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }
inline char16_t* AsChar16(wchar_t* text) { return reinterpret_cast<char16_t*>(text); }
#endif
