#include <windows.h>

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

void ConsoleWriteError(const char16_t* text) {
    WriteTo(STD_ERROR_HANDLE, stderr, text, false);
    std::fflush(stderr);
}

void ConsoleWriteErrorLine(const char16_t* line) { WriteTo(STD_ERROR_HANDLE, stderr, line, true); }

bool ConsoleIsInteractive() { return IsConsole(STD_INPUT_HANDLE) && IsConsole(STD_ERROR_HANDLE); }

bool ConsoleErrorIsTerminal() { return IsConsole(STD_ERROR_HANDLE); }

bool ConsoleOutputIsTerminal() { return IsConsole(STD_OUTPUT_HANDLE); }

bool ConsoleReadFile(const std::u16string& path, std::vector<uint8_t>& bytes, long long limit) {
    const HANDLE h = CreateFileW(AsWide(path.c_str()), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    bool ok = GetFileInformationByHandle(h, &info) &&
              !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
              info.nFileSizeHigh == 0 && info.nFileSizeLow < 0x7FFFFFFF && info.nFileSizeLow < limit;
    if (ok) {
        bytes.resize(info.nFileSizeLow);
        DWORD done = 0;
        while (ok && done < info.nFileSizeLow) {
            DWORD got = 0;
            ok = ReadFile(h, bytes.data() + done, info.nFileSizeLow - done, &got, nullptr) && got > 0;
            done += got;
        }
    }
    CloseHandle(h);
    return ok;
}

long long ConsoleFileSize(const std::u16string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(AsWide(path.c_str()), GetFileExInfoStandard, &data))
        return -1;
    return (long long)data.nFileSizeHigh << 32 | data.nFileSizeLow;
}

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

bool ResolveExistingPath(const std::u16string& folder, std::u16string& absolute, bool& isFolder) {
    const DWORD need = GetFullPathNameW(AsWide(folder.c_str()), 0, nullptr, nullptr);
    if (need == 0)
        return false;
    std::vector<WCHAR> full(need);
    const DWORD got = GetFullPathNameW(AsWide(folder.c_str()), need, full.data(), nullptr);
    if (got == 0 || got >= need)
        return false;
    const DWORD attributes = GetFileAttributesW(full.data());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // The extraction root never ends in a separator: paths append "\name".
    std::u16string path(AsChar16(full.data()), got);
    while (path.size() > 3 && path.back() == u'\\')
        path.pop_back();
    absolute = path;
    return true;
}

namespace {

EConsolePathKind KindOf(DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return EConsolePathKind::Other;
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? EConsolePathKind::Folder : EConsolePathKind::File;
}

}  // namespace

SConsoleItem ConsolePathItem(const std::u16string& path) {
    SConsoleItem item;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExW(AsWide(path.c_str()), GetFileExInfoStandard, &data)) {
        item.eKind = KindOf(data.dwFileAttributes);
        item.nSize = (long long)(uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow);
    }
    return item;
}

bool ConsoleListFolder(const std::u16string& folder, std::vector<SConsoleItem>& items) {
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileExW(AsWide((folder + u"\\*").c_str()), FindExInfoBasic, &found,
                                         FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    do {
        const std::u16string name = AsChar16(found.cFileName);
        if (name == u"." || name == u"..")
            continue;
        items.push_back({name, KindOf(found.dwFileAttributes),
                         (long long)(uint64_t(found.nFileSizeHigh) << 32 | found.nFileSizeLow)});
    } while (FindNextFileW(find, &found));
    const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
    FindClose(find);
    return complete;
}

bool ConsoleReplaceFile(const std::u16string& from, const std::u16string& to) {
    return MoveFileExW(AsWide(from.c_str()), AsWide(to.c_str()), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool ConsoleRemoveFile(const std::u16string& path) { return DeleteFileW(AsWide(path.c_str())) != FALSE; }

int ConsoleRunTool(int argc, wchar_t** argv, ToolRun run) {
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(AsChar16(argv[i]));
    return run(args);
}
