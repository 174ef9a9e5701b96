#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "base/Text.h"
#include "console/Console.h"
#include "platform/Utf.h"

bool ConsoleWriteLine(const char16_t* line) { return ConsoleWriteUtf8Line(Utf16ToUtf8String(line)); }

bool ConsoleWriteUtf8Line(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    return !std::ferror(stdout);
}

void ConsoleWriteError(const char16_t* text) {
    const std::string bytes = Utf16ToUtf8String(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    std::fflush(stderr);
}

void ConsoleWriteErrorLine(const char16_t* line) {
    const std::string bytes = Utf16ToUtf8String(line);
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    std::fputc('\n', stderr);
}

bool ConsoleIsInteractive() { return isatty(STDIN_FILENO) && isatty(STDERR_FILENO); }

bool ConsoleErrorIsTerminal() { return isatty(STDERR_FILENO); }

bool ConsoleOutputIsTerminal() { return isatty(STDOUT_FILENO); }

long long ConsoleFileSize(const std::u16string& path) {
    char native[PATH_MAX];
    struct stat st;
    if (!Utf16ToNativeName(path.c_str(), native, sizeof native) || stat(native, &st) != 0)
        return -1;
    return (long long)st.st_size;
}

bool ConsoleReadLine(char16_t* buf, size_t capacity) { return ReadUtf8Line(buf, capacity); }

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

bool ResolveExistingPath(const std::u16string& path, std::u16string& absolute, bool& isFolder) {
    char resolved[PATH_MAX];
    struct stat st;
    char native[PATH_MAX];
    if (!Utf16ToNativeName(path.c_str(), native, sizeof native) || !realpath(native, resolved) ||
        stat(resolved, &st) != 0)
        return false;
    isFolder = S_ISDIR(st.st_mode);
    absolute = NativeNameToUtf16String(resolved);
    return true;
}
