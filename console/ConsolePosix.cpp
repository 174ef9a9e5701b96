#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/Text.h"
#include "base/Utf.h"
#include "console/Console.h"
#include "platform/PlatformPosix.h"

bool ConsoleWriteLine(const char16_t* line) { return ConsoleWriteUtf8Line(Utf16ToUtf8String(line)); }

bool ConsoleWriteUtf8Line(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    return !std::ferror(stdout);
}

bool ConsoleWriteBytes(const uint8_t* data, size_t size) {
    std::fwrite(data, 1, size, stdout);
    return !std::ferror(stdout);
}

bool ConsoleOutputClosed() { return errno == EPIPE; }

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


int ConsoleRunTool(int argc, char** argv, ToolRun run) {
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
    RemovePartialFileOnSignals();
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(NativeNameToUtf16String(argv[i]));
    const int status = run(args);
    if (status == kClosedOutputStatus) {
        // Ended as the signal ends the tools it is compared with: a parent
        // that waits sees SIGPIPE, a shell reports 141.
        std::fflush(stderr);
        signal(SIGPIPE, SIG_DFL);
        raise(SIGPIPE);
    }
    return status;
}
