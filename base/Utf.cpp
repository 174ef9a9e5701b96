#include "base/Utf.h"

#include <cstring>

namespace {

// Reads one code point from UTF-16; advances p.
char32_t NextCodePoint(const char16_t*& p) {
    const char16_t unit = *p++;
    if (unit >= 0xD800 && unit <= 0xDBFF && *p >= 0xDC00 && *p <= 0xDFFF) {
        const char16_t low = *p++;
        return 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(low) - 0xDC00);
    }
    if (unit >= 0xD800 && unit <= 0xDFFF)
        return 0xFFFD;
    return unit;
}

size_t EncodeUtf8(char32_t cp, char* out) {
    if (cp < 0x80) {
        out[0] = char(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = char(0xC0 | (cp >> 6));
        out[1] = char(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = char(0xE0 | (cp >> 12));
        out[1] = char(0x80 | ((cp >> 6) & 0x3F));
        out[2] = char(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = char(0xF0 | (cp >> 18));
    out[1] = char(0x80 | ((cp >> 12) & 0x3F));
    out[2] = char(0x80 | ((cp >> 6) & 0x3F));
    out[3] = char(0x80 | (cp & 0x3F));
    return 4;
}

// Decodes one code point of UTF-8 from s[0 .. left-1]; 0 bytes used means invalid.
size_t DecodeUtf8(const unsigned char* s, size_t left, char32_t* cp) {
    const unsigned char b = s[0];
    size_t need;
    char32_t value;
    char32_t min;
    if (b < 0x80) {
        *cp = b;
        return 1;
    } else if ((b & 0xE0) == 0xC0) {
        need = 2, value = b & 0x1F, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        need = 3, value = b & 0x0F, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        need = 4, value = b & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (left < need)
        return 0;
    for (size_t i = 1; i < need; ++i) {
        if ((s[i] & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (s[i] & 0x3F);
    }
    if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *cp = value;
    return need;
}

// Encodes a terminated UTF-16 string into out; escaped bytes become
// themselves when keepEscapedBytes is set, U+FFFD otherwise.
bool EncodeBounded(const char16_t* src, char* out, size_t capacity, bool keepEscapedBytes) {
    if (capacity == 0)
        return false;
    size_t pos = 0;
    const char16_t* p = src;
    while (*p) {
        char bytes[4];
        size_t n;
        if (keepEscapedBytes && IsEscapedByte(*p)) {
            bytes[0] = char(*p++ - 0xDC00);
            n = 1;
        } else {
            n = EncodeUtf8(NextCodePoint(p), bytes);
        }
        if (pos + n + 1 > capacity) {
            out[pos] = 0;
            return false;
        }
        std::memcpy(out + pos, bytes, n);
        pos += n;
    }
    out[pos] = 0;
    return true;
}

// Appends one UTF-16 code point (one or two units) to out; false when it does
// not fit with a terminator.
bool AppendUnits(char32_t cp, char16_t* out, size_t& pos, size_t capacity) {
    const size_t units = cp >= 0x10000 ? 2 : 1;
    if (pos + units + 1 > capacity)
        return false;
    if (units == 2) {
        out[pos++] = char16_t(0xD800 + ((cp - 0x10000) >> 10));
        out[pos++] = char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
        out[pos++] = char16_t(cp);
    }
    return true;
}

}  // namespace

bool Utf16ToUtf8(const char16_t* src, char* out, size_t capacity) { return EncodeBounded(src, out, capacity, false); }

bool Utf16ToNativeName(const char16_t* src, char* out, size_t capacity) { return EncodeBounded(src, out, capacity, true); }

std::string Utf16ToUtf8String(const char16_t* src) {
    std::string result;
    const char16_t* p = src;
    while (*p) {
        char bytes[4];
        result.append(bytes, EncodeUtf8(NextCodePoint(p), bytes));
    }
    return result;
}

bool Utf8ToUtf16(const char* src, size_t count, char16_t* out, size_t capacity) {
    if (capacity == 0)
        return false;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(src);
    size_t pos = 0;
    size_t i = 0;
    bool ok = true;
    while (i < count) {
        char32_t cp = 0;
        const size_t used = DecodeUtf8(s + i, count - i, &cp);
        if (used == 0) {
            ok = false;
            break;
        }
        if (!AppendUnits(cp, out, pos, capacity)) {
            ok = false;
            break;
        }
        i += used;
    }
    out[pos] = 0;
    return ok;
}

std::u16string Utf8ToUtf16String(const char* src, bool* valid) {
    std::u16string result;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(src);
    const size_t count = std::strlen(src);
    bool ok = true;
    for (size_t i = 0; i < count;) {
        char32_t cp = 0;
        size_t used = DecodeUtf8(s + i, count - i, &cp);
        if (used == 0) {
            ok = false;
            cp = 0xFFFD;
            used = 1;
        }
        if (cp >= 0x10000) {
            result.push_back(char16_t(0xD800 + ((cp - 0x10000) >> 10)));
            result.push_back(char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            result.push_back(char16_t(cp));
        }
        i += used;
    }
    if (valid)
        *valid = ok;
    return result;
}

bool NativeNameToUtf16(const char* src, size_t count, char16_t* out, size_t capacity) {
    if (capacity == 0)
        return false;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(src);
    size_t pos = 0;
    for (size_t i = 0; i < count;) {
        char32_t cp = 0;
        size_t used = DecodeUtf8(s + i, count - i, &cp);
        if (used == 0) {
            cp = 0xDC00 + s[i];  // a byte that is not UTF-8 travels escaped
            used = 1;
        }
        if (!AppendUnits(cp, out, pos, capacity)) {
            out[pos] = 0;
            return false;
        }
        i += used;
    }
    out[pos] = 0;
    return true;
}

std::u16string NativeNameToUtf16String(const char* src) {
    const size_t count = std::strlen(src);
    std::u16string result(count * 2 + 1, u'\0');
    NativeNameToUtf16(src, count, &result[0], result.size());
    result.resize(std::char_traits<char16_t>::length(result.c_str()));
    return result;
}
