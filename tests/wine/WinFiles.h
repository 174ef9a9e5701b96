// The file system as the Wine tests see it: kernel32 directly, with UTF-16
// strings, so that the tests never go through the code under test. Shared by
// the platform tests and the main window's drop tests.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/fixtures/Bytes.h"

namespace winfiles {

using Lines = std::vector<std::u16string>;

const WCHAR* W(const std::u16string& s);
std::u16string U(const WCHAR* s);
std::u16string Num(long long value);
Bytes Text(const std::string& s);

bool Exists(const std::u16string& path);
bool IsFolder(const std::u16string& path);
bool IsFile(const std::u16string& path);
// The bytes of a file; "<missing>" marks one that cannot be opened.
Bytes ReadBytes(const std::u16string& path);
bool WriteBytes(const std::u16string& path, const Bytes& content);
// True when nothing else holds the file open: it opens without any sharing.
bool NotHeldOpen(const std::u16string& path);

// Every folder (key ends in '\') and file below root, relative to it, with the
// file's bytes. Compared whole, it shows anything written, changed or missing.
using Tree = std::map<std::u16string, Bytes>;
Tree TreeOf(const std::u16string& root);
Lines NamesOf(const Tree& tree);

// Removes a folder and everything in it; links are removed, never entered.
void RemoveTree(const std::u16string& path);

// What only the Unix side of Wine can make: symbolic links (Wine 8's
// CreateSymbolicLinkW makes nothing and reports success; junctions are
// refused) and names with * ? " < > |. Runs the POSIX shell script in the
// Unix folder of `folder` and waits up to 10 s for it to end. Wine gives no
// exit status for a Unix program: the script stops at its first failing
// command, and a file it makes last tells that it got through.
::testing::AssertionResult RunUnixScript(const std::u16string& folder, const std::string& script);

// A fresh, empty folder below GetTempPathW with a name no other run uses;
// removed with its content when the object goes.
class CScratchFolder {
public:
    CScratchFolder();
    ~CScratchFolder();
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;

    const std::u16string& Path() const { return m_path; }
    std::u16string operator/(const std::u16string& relative) const { return m_path + u"\\" + relative; }

private:
    std::u16string m_path;
};

// A scratch folder that the process's current directory can be moved into.
// The directory it replaces comes back when the object goes, before the
// folder is removed: Windows removes no folder that is a current directory.
class CScratchCurrentFolder : public CScratchFolder {
public:
    CScratchCurrentFolder() = default;
    ~CScratchCurrentFolder();

    // Makes the scratch folder, or the new subfolder `relative` created in it,
    // the current directory; says what failed otherwise.
    ::testing::AssertionResult Enter(const std::u16string& relative = u"");
    // The current directory after Enter, as the system reports it.
    const std::u16string& Current() const { return m_current; }

private:
    std::u16string m_savedCurrent;
    std::u16string m_current;
};

}  // namespace winfiles
