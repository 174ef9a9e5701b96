// UTF-8 <-> UTF-16 conversion into bounded buffers (POSIX file names, the
// command-line tool's arguments and output).
#pragma once

#include <cstddef>
#include <string>

// Converts a terminated UTF-16 string. A lone surrogate becomes U+FFFD.
// False when the result (with its terminator) does not fit capacity; out then
// holds as much as fits, terminated at a character boundary.
bool Utf16ToUtf8(const char16_t* src, char* out, size_t capacity);
std::string Utf16ToUtf8String(const char16_t* src);

// Converts count bytes of UTF-8. False when the input is not valid UTF-8 or the
// result does not fit; out is always terminated when capacity > 0.
bool Utf8ToUtf16(const char* src, size_t count, char16_t* out, size_t capacity);
std::u16string Utf8ToUtf16String(const char* src, bool* valid = nullptr);

// POSIX file names are bytes, usually but not always UTF-8. They travel
// through the engine as UTF-16 without loss: a byte that is not part of valid
// UTF-8 becomes the lone surrogate U+DC80..U+DCFF (an escaped byte), which
// turns back into that byte on the way out.
inline bool IsEscapedByte(char16_t ch) { return ch >= 0xDC80 && ch <= 0xDCFF; }

// Converts count bytes of a file name. False when the result does not fit;
// out is always terminated when capacity > 0.
bool NativeNameToUtf16(const char* src, size_t count, char16_t* out, size_t capacity);
std::u16string NativeNameToUtf16String(const char* src);

// Converts back to the exact bytes. False when the result does not fit.
bool Utf16ToNativeName(const char16_t* src, char* out, size_t capacity);
