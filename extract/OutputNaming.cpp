#include "extract/OutputNaming.h"

#include <cstring>

#include "base/Text.h"
#include "extract/NameSafety.h"
#include "platform/Platform.h"

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
        while (IsSeparator(*p))
            ++p;
        const char16_t* begin = p;
        while (*p && !IsSeparator(*p))
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

const char16_t* NameExtension(const char16_t* entryName) {
    const char16_t* dot = nullptr;
    for (const char16_t* p = entryName; *p; ++p) {
        if (*p == u'.')
            dot = p;
    }
    return dot ? dot : u"";
}

bool FitFileName(const char16_t* entryName, const SNameRules& rules, char16_t* out, size_t capacity) {
    return FitNameToSystem(entryName, out, capacity, rules);
}

void FinishFileName(char16_t* fitted, size_t capacity, const char16_t* entryName, const uint8_t* content,
                    int32_t length, const SNameRules& rules) {
    // Only the content-tested name extensions (".t", ".bm", ".tx") are ever
    // replaced, and they end the fitted name as they end the entry name.
    const char16_t* nameExtension = NameExtension(entryName);
    const char16_t* extension = ChooseExtension(nameExtension, content, length);
    if (extension != nameExtension) {
        const size_t stem = StrLen16(fitted) - StrLen16(nameExtension);
        CopyText(fitted + stem, capacity - stem, extension);
    }
    if (!rules.bIgnoresCase)
        FoldCmapFolderCase(fitted);
}

bool MakeChildFolderName(const char16_t* entryName, const SNameRules& rules, char16_t* out, size_t capacity) {
    char16_t folderName[kPathCapacity];
    CopyText(folderName, kPathCapacity, entryName);
    const char16_t* dot = NameExtension(folderName);
    if (*dot)
        folderName[dot - folderName] = 0;
    const size_t length = StrLen16(folderName);
    if (length > 0 && folderName[length - 1] == u' ')
        folderName[length - 1] = 0;
    return FitNameToSystem(folderName, out, capacity, rules);
}
