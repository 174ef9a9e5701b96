#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "base/Text.h"
#include "console/Console.h"
#include "platform/Utf.h"

bool ConsoleWriteLine(const char16_t* line) {
    const std::string text = Utf16ToUtf8String(line);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    return !std::ferror(stdout);
}

void ConsoleWriteError(const char16_t* text) {
    const std::string bytes = Utf16ToUtf8String(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    std::fflush(stderr);
}

bool ConsoleIsInteractive() { return isatty(STDIN_FILENO) && isatty(STDERR_FILENO); }

bool ConsoleReadLine(char16_t* buf, size_t capacity) {
    std::string bytes;
    int ch;
    while ((ch = std::getchar()) != EOF && ch != '\n')
        bytes.push_back(char(ch));
    if (ch == EOF && bytes.empty())
        return false;
    if (!bytes.empty() && bytes.back() == '\r')
        bytes.pop_back();
    const std::u16string text = Utf8ToUtf16String(bytes.c_str());
    CopyText(buf, capacity, text.c_str(), text.size());
    return true;
}

std::u16string DefaultLocaleName() {
    const char* value = nullptr;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        value = std::getenv(name);
        if (value && *value)
            break;
        value = nullptr;
    }
    if (!value)
        return u"";
    if (std::strncmp(value, "ja_JP", 5) == 0)
        return u"ja-JP";
    // "de_DE.UTF-8@euro" is named de-DE, as Windows would.
    std::u16string name;
    for (const char* p = value; *p && *p != '.' && *p != '@'; ++p)
        name.push_back(*p == '_' ? u'-' : char16_t(static_cast<unsigned char>(*p)));
    return name;
}

bool ResolveExistingFolder(const std::u16string& folder, std::u16string& absolute) {
    char resolved[PATH_MAX];
    struct stat st;
    char native[PATH_MAX];
    if (!Utf16ToNativeName(folder.c_str(), native, sizeof native) || !realpath(native, resolved) ||
        stat(resolved, &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    absolute = NativeNameToUtf16String(resolved);
    return true;
}
