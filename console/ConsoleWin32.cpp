#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/Text.h"
#include "console/Console.h"
#include "base/Utf.h"

namespace {


bool IsConsole(DWORD which) {
    DWORD mode;
    return GetConsoleMode(GetStdHandle(which), &mode) != FALSE;
}

bool WriteTo(DWORD which, FILE* stream, const char16_t* text, bool newline) {
    if (IsConsole(which)) {
        // A console shows the characters themselves, whatever its code page.
        std::fflush(stream);
        DWORD written;
        const HANDLE h = GetStdHandle(which);
        bool ok = WriteConsoleW(h, AsWide(text), DWORD(std::char_traits<char16_t>::length(text)), &written, nullptr);
        if (newline)
            ok = WriteConsoleW(h, L"\r\n", 2, &written, nullptr) && ok;
        return ok;
    }
    const std::string bytes = Utf16ToUtf8String(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    if (newline)
        std::fputc('\n', stream);
    return !std::ferror(stream);
}

}  // namespace

bool ConsoleWriteLine(const char16_t* line) { return WriteTo(STD_OUTPUT_HANDLE, stdout, line, true); }

bool ConsoleWriteUtf8Line(const std::string& line) {
    if (IsConsole(STD_OUTPUT_HANDLE))
        return ConsoleWriteLine(Utf8ToUtf16String(line.c_str()).c_str());
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    return !std::ferror(stdout);
}

bool ConsoleWriteBytes(const uint8_t* data, size_t size) {
    static const bool binary = _setmode(_fileno(stdout), _O_BINARY) != -1;
    std::fwrite(data, 1, size, stdout);
    return binary && !std::ferror(stdout);
}

bool ConsoleOutputClosed() {
    // The C library turns the system's ERROR_BROKEN_PIPE into EPIPE, and
    // ERROR_NO_DATA (the reader of a pipe closed its end) into EINVAL, which
    // a write to a pipe gets for nothing else.
    if (errno == EPIPE)
        return true;
    return errno == EINVAL && GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_PIPE;
}

void ConsoleWriteError(const char16_t* text) {
    WriteTo(STD_ERROR_HANDLE, stderr, text, false);
    std::fflush(stderr);
}

void ConsoleWriteErrorLine(const char16_t* line) { WriteTo(STD_ERROR_HANDLE, stderr, line, true); }

bool ConsoleIsInteractive() { return IsConsole(STD_INPUT_HANDLE) && IsConsole(STD_ERROR_HANDLE); }

bool ConsoleErrorIsTerminal() { return IsConsole(STD_ERROR_HANDLE); }

bool ConsoleOutputIsTerminal() { return IsConsole(STD_OUTPUT_HANDLE); }



bool ConsoleReadLine(char16_t* buf, size_t capacity) {
    if (!IsConsole(STD_INPUT_HANDLE))
        return ReadUtf8Line(buf, capacity);
    std::u16string text;
    const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    for (;;) {
        WCHAR ch;
        DWORD got = 0;
        if (!ReadConsoleW(in, &ch, 1, &got, nullptr) || got == 0) {
            if (text.empty())
                return false;
            break;
        }
        if (ch == L'\n')
            break;
        if (ch == 0x1A && text.empty())  // Ctrl+Z: end of input
            return false;
        if (ch != L'\r')
            text.push_back(char16_t(ch));
    }
    CopyText(buf, capacity, text.c_str(), text.size());
    return true;
}

std::u16string DefaultLocaleName() {
    WCHAR name[LOCALE_NAME_MAX_LENGTH] = {};
    if (!GetSystemDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH))
        return u"";
    return std::u16string(AsChar16(name));
}

int ConsoleRunTool(int argc, wchar_t** argv, ToolRun run) {
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(AsChar16(argv[i]));
    return run(args);
}
