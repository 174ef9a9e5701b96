// The console helpers that the C library gives alike on every system.
#include "console/Console.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/Text.h"
#include "base/Utf.h"

void ConsoleBufferErrors() {
    static char buffer[64 * 1024];
    if (!ConsoleErrorIsTerminal())
        std::setvbuf(stderr, buffer, _IOFBF, sizeof buffer);
}


bool ConsoleFlush() { return std::fflush(stdout) == 0 && !std::ferror(stdout); }

std::u16string ConsoleErrorText() { return Utf8ToUtf16String(std::strerror(errno)); }

bool ReadUtf8Line(char16_t* buf, size_t capacity) {
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
