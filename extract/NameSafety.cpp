#include "extract/NameSafety.h"

#include "base/Text.h"
#include "platform/Platform.h"

#include <cstddef>

namespace {

// A component of dots and blanks only, with two dots or more.
bool ClimbsUp(const char16_t* begin, const char16_t* end) {
    size_t dots = 0;
    for (const char16_t* p = begin; p < end; ++p) {
        if (*p == u'.')
            ++dots;
        else if (*p != u' ')
            return false;
    }
    return dots >= 2;
}

bool IsDeviceDigit(char16_t ch) {
    return (ch >= u'1' && ch <= u'9') || ch == u'\u00B9' || ch == u'\u00B2' || ch == u'\u00B3';
}

// Windows treats "nul", "NUL.txt" and "nul .txt" alike: the device name is the
// text before the first dot, trailing blanks ignored.
bool NamesDevice(const char16_t* begin, const char16_t* end) {
    const char16_t* stemEnd = begin;
    while (stemEnd < end && *stemEnd != u'.')
        ++stemEnd;
    while (stemEnd > begin && stemEnd[-1] == u' ')
        --stemEnd;

    static const char16_t* const kPlainDevices[] = {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"};
    for (const char16_t* device : kPlainDevices) {
        if (EqualsNoCase(begin, stemEnd, device))
            return true;
    }
    if (stemEnd - begin == 4 && IsDeviceDigit(begin[3]))
        return EqualsNoCase(begin, begin + 3, u"COM") || EqualsNoCase(begin, begin + 3, u"LPT");
    return false;
}

}  // namespace

bool IsUnsafeName(const char16_t* name, bool reservesDeviceNames) {
    const char16_t* componentBegin = name;
    for (const char16_t* p = name;; ++p) {
        if (*p == u':')
            return true;
        if (*p == 0 || IsSeparator(*p)) {
            if (ClimbsUp(componentBegin, p))
                return true;
            if (reservesDeviceNames && NamesDevice(componentBegin, p))
                return true;
            if (*p == 0)
                return false;
            componentBegin = p + 1;
        }
    }
}

bool FitNameToSystem(const char16_t* name, char16_t* out, size_t capacity, const SNameRules& rules) {
    if (capacity == 0 || IsUnsafeName(name, rules.bReservesDeviceNames))
        return false;
    size_t pos = 0;
    const char16_t* p = name;
    for (;;) {
        const char16_t* begin = p;
        while (*p && !IsSeparator(*p))
            ++p;
        const char16_t* end = p;
        if (rules.bTrimsNameEnds) {
            while (end > begin && (end[-1] == u'.' || end[-1] == u' '))
                --end;
            if (end == begin && p != begin)
                return false;  // dots and blanks only: the system would make it nothing
        }
        for (const char16_t* q = begin; q < end; ++q) {
            if (pos + 1 >= capacity)
                return false;
            out[pos++] = *q;
        }
        if (*p == 0)
            break;
        if (pos + 1 >= capacity)
            return false;
        out[pos++] = *p++;
    }
    out[pos] = 0;
    return true;
}
