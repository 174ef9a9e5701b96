#include "extract/OutputNaming.h"

#include <cstring>

namespace {

bool Equals(const char16_t* a, const char16_t* b) {
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

// "BM" and a little-endian size equal to the content length.
bool IsBitmap(const uint8_t* c, int32_t length) {
    if (length <= 5 || c[0] != 'B' || c[1] != 'M')
        return false;
    const uint32_t recorded = uint32_t(c[2]) | uint32_t(c[3]) << 8 | uint32_t(c[4]) << 16 | uint32_t(c[5]) << 24;
    return recorded == uint32_t(length);
}

bool IsJpeg(const uint8_t* c, int32_t length) {
    return length > 10 && std::memcmp(c + 6, "JFIF", 4) == 0;
}

bool IsMusic(const uint8_t* c, int32_t length) {
    return length > 1027 && std::memcmp(c + 1024, "m1_0", 4) == 0;
}

}  // namespace

bool IsBinaryData(const uint8_t* content, int32_t length) {
    const int32_t k = length < 32 ? length : 32;
    for (int32_t i = 0; i < k; ++i) {
        const uint8_t b = content[i];
        if (b < 0x20 && b != 0x09 && b != 0x0A && b != 0x0D)
            return true;
    }
    return false;
}

const char16_t* ChooseExtension(const char16_t* nameExtension, const uint8_t* content, int32_t length) {
    if (Equals(nameExtension, u".t")) {
        if (IsBitmap(content, length))
            return u".bmp";
        if (IsJpeg(content, length))
            return u".jpg";
        if (IsMusic(content, length))
            return u".vum";
        return IsBinaryData(content, length) ? u".bin" : u".txt";
    }
    if (Equals(nameExtension, u".bm"))
        return IsBitmap(content, length) ? u".bmp" : nameExtension;
    if (Equals(nameExtension, u".tx"))
        return IsBinaryData(content, length) ? nameExtension : u".txt";
    return nameExtension;
}

bool ExtensionDependsOnContent(const char16_t* nameExtension) {
    return Equals(nameExtension, u".t") || Equals(nameExtension, u".bm") || Equals(nameExtension, u".tx");
}
