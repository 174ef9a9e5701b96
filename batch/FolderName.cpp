#include "batch/FolderName.h"

#include "base/Text.h"

void CutAtFirstBackslash(char16_t* text) {
    for (; *text; ++text) {
        if (*text == u'\\') {
            *text = 0;
            return;
        }
    }
}

void StoreFolderAnswer(char16_t* nameBuffer, size_t capacity, const char16_t* answer) {
    if (capacity < 2) {
        if (capacity == 1)
            nameBuffer[0] = 0;
        return;
    }
    size_t n = 0;
    while (n < capacity - 2 && answer[n] != 0 && answer[n] != u'\\') {
        nameBuffer[n] = answer[n];
        ++n;
    }
    nameBuffer[n++] = u'\\';
    nameBuffer[n] = 0;
}

bool BaseNameOfPath(const char16_t* path, char16_t* out, size_t capacity) {
    const char16_t* component = path;
    if (path[0] != 0 && path[1] == u':')
        component = path + 2;
    const char16_t* lastDot = nullptr;
    for (const char16_t* p = component; *p; ++p) {
        if (*p == u'\\' || *p == u'/') {
            component = p + 1;
            lastDot = nullptr;
        } else if (*p == u'.') {
            lastDot = p;
        }
    }
    const char16_t* end = component;
    while (*end)
        ++end;
    if (lastDot)
        end = lastDot;
    return CopyText(out, capacity, component, size_t(end - component));
}
