#include "extract/OutputNaming.h"

#include <cstring>

#include "base/Text.h"

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

void NormalizeSlashPath(char16_t* path) {
    size_t length = 0;
    const char16_t* p = path;
    while (*p) {
        while (*p == u'/' || *p == u'\\')
            ++p;
        const char16_t* begin = p;
        while (*p && *p != u'/' && *p != u'\\')
            ++p;
        const size_t size = size_t(p - begin);
        if (size == 0 || (size == 1 && *begin == u'.'))
            continue;
        if (length > 0)
            path[length++] = u'/';
        for (const char16_t* q = begin; q < p; ++q)
            path[length++] = *q;  // never ahead of p: the form only shrinks
    }
    path[length] = 0;
}

bool NameMakesCmapFolder(const char16_t* entryName) { return FindNoCase(entryName, u"cmap\\") != nullptr; }

void FoldCmapFolderCase(char16_t* name) {
    if (StartsWithNoCase(name, kCmapFolderName) && (name[4] == u'\\' || name[4] == u'/')) {
        for (int i = 0; i < 4; ++i)
            name[i] = kCmapFolderName[i];
    }
}
