// The console helpers that the C library gives alike on every system.
#include "console/Console.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/Utf.h"

bool ConsoleFlush() { return std::fflush(stdout) == 0 && !std::ferror(stdout); }

std::u16string ConsoleErrorText() { return Utf8ToUtf16String(std::strerror(errno)); }
