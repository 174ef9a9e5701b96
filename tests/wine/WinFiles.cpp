#include "tests/wine/WinFiles.h"

#include <gtest/gtest.h>

namespace winfiles {

const WCHAR* W(const std::u16string& s) { return reinterpret_cast<const WCHAR*>(s.c_str()); }
std::u16string U(const WCHAR* s) { return std::u16string(reinterpret_cast<const char16_t*>(s)); }

std::u16string Num(long long value) {
    std::u16string s;
    for (char c : std::to_string(value))
        s.push_back(char16_t(c));
    return s;
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

bool Exists(const std::u16string& path) { return GetFileAttributesW(W(path)) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const std::u16string& path) {
    const DWORD attributes = GetFileAttributesW(W(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(const std::u16string& path) {
    const DWORD attributes = GetFileAttributesW(W(path));
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The bytes of a file; "<missing>" marks one that cannot be opened.
Bytes ReadBytes(const std::u16string& path) {
    const HANDLE h = CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return Text("<missing>");
    Bytes content;
    uint8_t chunk[65536];
    DWORD got = 0;
    while (ReadFile(h, chunk, sizeof chunk, &got, nullptr) && got > 0)
        content.insert(content.end(), chunk, chunk + got);
    CloseHandle(h);
    return content;
}

bool WriteBytes(const std::u16string& path, const Bytes& content) {
    const HANDLE h = CreateFileW(W(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(h, content.data(), DWORD(content.size()), &written, nullptr) && written == content.size();
    return CloseHandle(h) && ok;
}

// True when nothing else holds the file open: it opens without any sharing.
bool NotHeldOpen(const std::u16string& path) {
    const HANDLE h = CreateFileW(W(path), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}

namespace {

void CollectTree(const std::u16string& root, const std::u16string& relative, Tree& tree) {
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileW(W(root + u"\\" + relative + u"*"), &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::u16string name = U(found.cFileName);
        if (name == u"." || name == u"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            tree[relative + name + u"\\"] = Bytes();
            CollectTree(root, relative + name + u"\\", tree);
        } else {
            tree[relative + name] = ReadBytes(root + u"\\" + relative + name);
        }
    } while (FindNextFileW(find, &found));
    FindClose(find);
}

}  // namespace

Tree TreeOf(const std::u16string& root) {
    Tree tree;
    CollectTree(root, u"", tree);
    return tree;
}

Lines NamesOf(const Tree& tree) {
    Lines names;
    for (const auto& item : tree)
        names.push_back(item.first);
    return names;
}

// Removes a folder and everything in it. The \\?\ form reaches names that
// plain paths would alter (trailing blanks or dots).
void RemoveTree(const std::u16string& path) {
    const std::u16string whole = u"\\\\?\\" + path;
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileW(W(whole + u"\\*"), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::u16string name = U(found.cFileName);
            if (name == u"." || name == u"..")
                continue;
            const std::u16string child = path + u"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                if (!RemoveDirectoryW(W(u"\\\\?\\" + child)))
                    DeleteFileW(W(u"\\\\?\\" + child));
            } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesW(W(u"\\\\?\\" + child), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(W(u"\\\\?\\" + child));
            }
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(W(whole));
}

namespace {

std::u16string FromUtf8(const std::string& text) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::u16string out(size_t(size > 0 ? size : 0), u'\0');
    if (size > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), reinterpret_cast<WCHAR*>(&out[0]), size);
    return out;
}

// The Unix path Wine keeps `path` at; empty outside Wine.
std::string UnixPath(const std::u16string& path) {
    using ConvertFn = char*(CDECL*)(LPCWSTR);
    static const auto convert = reinterpret_cast<ConvertFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* unixPath = convert ? convert(W(path)) : nullptr;
    if (!unixPath)
        return std::string();
    std::string result = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    while (result.size() > 1 && result.back() == '/')
        result.pop_back();
    return result;
}

std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace

::testing::AssertionResult RunUnixScript(const std::u16string& folder, const std::string& script) {
    const std::string unixFolder = UnixPath(folder);
    if (unixFolder.empty())
        return ::testing::AssertionFailure() << "no Unix path for the folder: not running under Wine?";
    // Beside the folder, so that its content stays the script's alone.
    const std::u16string file = folder + u".sh", done = folder + u".done";
    const std::string whole = "set -e\nPATH=/usr/bin:/bin\ncd " + ShellQuoted(unixFolder) + "\n" + script +
                              "\n: > " + ShellQuoted(unixFolder + ".done") + "\n";
    if (!WriteBytes(file, Text(whole)))
        return ::testing::AssertionFailure() << "cannot write the script";
    // Wine starts a Unix program as one, from the Z: drive that maps "/".
    std::u16string commandLine = u"/bin/sh \"" + FromUtf8(UnixPath(file)) + u"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    const bool started = CreateProcessW(L"Z:\\bin\\sh", const_cast<WCHAR*>(W(commandLine)), nullptr, nullptr, FALSE,
                                        0, nullptr, nullptr, &startup, &info) != FALSE;
    if (info.hThread)
        CloseHandle(info.hThread);
    if (info.hProcess)
        CloseHandle(info.hProcess);
    bool finished = false;
    for (int waited = 0; started && !finished && waited < 10000; waited += 20) {
        finished = Exists(done);
        if (!finished)
            Sleep(20);
    }
    DeleteFileW(W(file));
    DeleteFileW(W(done));
    if (!started)
        return ::testing::AssertionFailure() << "/bin/sh did not start";
    if (!finished)
        return ::testing::AssertionFailure() << "the Unix script failed or did not end within 10 s:\n" << whole;
    return ::testing::AssertionSuccess();
}

CScratchFolder::CScratchFolder() {
    WCHAR temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH) {
        ADD_FAILURE() << "GetTempPathW failed";
        return;
    }
    std::u16string base = U(temp);
    if (!base.empty() && base.back() == u'\\')
        base.pop_back();
    static unsigned serial = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::u16string candidate = base + u"\\vanto-" + Num(GetCurrentProcessId()) + u"-" +
                                         Num((long long)GetTickCount64()) + u"-" + Num(++serial);
        if (CreateDirectoryW(W(candidate), nullptr)) {
            m_path = candidate;
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    ADD_FAILURE() << "cannot create a scratch folder below the temporary folder";
}

CScratchFolder::~CScratchFolder() {
    if (!m_path.empty()) {
        RemoveTree(m_path);
        EXPECT_FALSE(Exists(m_path)) << "scratch folder left behind";
    }
}

namespace {

// The process's current directory; empty when the system does not report it.
std::u16string CurrentDirectory() {
    WCHAR current[MAX_PATH + 1];
    const DWORD length = GetCurrentDirectoryW(MAX_PATH + 1, current);
    return length > 0 && length <= MAX_PATH ? U(current) : std::u16string();
}

}  // namespace

::testing::AssertionResult CScratchCurrentFolder::Enter(const std::u16string& relative) {
    if (Path().empty())
        return ::testing::AssertionFailure() << "no scratch folder";
    const std::u16string saved = CurrentDirectory();
    if (saved.empty())
        return ::testing::AssertionFailure() << "GetCurrentDirectoryW failed";
    const std::u16string folder = relative.empty() ? Path() : *this / relative;
    if (!relative.empty() && !CreateDirectoryW(W(folder), nullptr))
        return ::testing::AssertionFailure() << "cannot create the subfolder to enter";
    if (!SetCurrentDirectoryW(W(folder)))
        return ::testing::AssertionFailure() << "SetCurrentDirectoryW failed";
    // Only the directory the process had before the first Enter is restored.
    if (m_savedCurrent.empty())
        m_savedCurrent = saved;
    m_current = CurrentDirectory();
    if (m_current.empty())
        return ::testing::AssertionFailure() << "GetCurrentDirectoryW failed in the scratch folder";
    return ::testing::AssertionSuccess();
}

CScratchCurrentFolder::~CScratchCurrentFolder() {
    if (!m_savedCurrent.empty()) {
        EXPECT_TRUE(SetCurrentDirectoryW(W(m_savedCurrent))) << "the previous current directory is restored";
    }
}

}  // namespace winfiles
