#include <dirent.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "base/Text.h"
#include "console/Console.h"
#include "platform/PlatformPosix.h"
#include "base/Utf.h"

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

namespace {

EConsolePathKind KindOf(const struct stat& st) {
    return S_ISREG(st.st_mode) ? EConsolePathKind::File : S_ISDIR(st.st_mode) ? EConsolePathKind::Folder
                                                                              : EConsolePathKind::Other;
}

}  // namespace

bool ConsoleReadFile(const std::u16string& path, std::vector<uint8_t>& bytes, long long limit) {
    char native[PATH_MAX];
    if (!Utf16ToNativeName(path.c_str(), native, sizeof native))
        return false;
    // O_NONBLOCK: a pipe put in a file's place is refused below, not waited on.
    const int fd = open(native, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size < 0x7FFFFFFF && st.st_size < limit;
    if (ok) {
        bytes.resize(size_t(st.st_size));
        size_t done = 0;
        while (ok && done < bytes.size()) {
            const ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
            ok = got > 0;
            done += ok ? size_t(got) : 0;
        }
    }
    close(fd);
    return ok;
}

SConsoleItem ConsolePathItem(const std::u16string& path) {
    SConsoleItem item;
    char native[PATH_MAX];
    struct stat st;
    if (Utf16ToNativeName(path.c_str(), native, sizeof native) && lstat(native, &st) == 0) {
        item.eKind = KindOf(st);
        item.nSize = (long long)st.st_size;
    }
    return item;
}

bool ConsoleListFolder(const std::u16string& folder, std::vector<SConsoleItem>& items) {
    char native[PATH_MAX];
    if (!Utf16ToNativeName(folder.c_str(), native, sizeof native))
        return false;
    DIR* dir = opendir(native);
    if (!dir)
        return false;
    bool ok = true;
    while (const dirent* found = readdir(dir)) {
        if (std::strcmp(found->d_name, ".") == 0 || std::strcmp(found->d_name, "..") == 0)
            continue;
        struct stat st;
        if (fstatat(dirfd(dir), found->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            ok = false;
            break;
        }
        items.push_back({NativeNameToUtf16String(found->d_name), KindOf(st), (long long)st.st_size});
    }
    closedir(dir);
    return ok;
}

bool ConsoleReplaceFile(const std::u16string& from, const std::u16string& to) {
    char nativeFrom[PATH_MAX], nativeTo[PATH_MAX];
    return Utf16ToNativeName(from.c_str(), nativeFrom, sizeof nativeFrom) &&
           Utf16ToNativeName(to.c_str(), nativeTo, sizeof nativeTo) && std::rename(nativeFrom, nativeTo) == 0;
}

bool ConsoleRemoveFile(const std::u16string& path) {
    char native[PATH_MAX];
    return Utf16ToNativeName(path.c_str(), native, sizeof native) && unlink(native) == 0;
}

int ConsoleRunTool(int argc, char** argv, ToolRun run) {
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
    RemovePartialFileOnSignals();
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(NativeNameToUtf16String(argv[i]));
    return run(args);
}
