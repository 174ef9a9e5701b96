// CFolderReader: the reading side of the system seam. Lists and reads a
// folder tree the way extraction writes one: every level below the root is
// opened relative to a handle of its parent and never through a link (a
// symbolic link, a junction or another reparse point that names another
// place), and each file is checked to be a regular file by its handle after
// it is opened. Another process that swaps a folder or a file for a link
// while the tree is read cannot make the reader take anything from outside.
// The levels being read are held open (on Windows without delete sharing, so
// that they cannot be renamed or removed meanwhile).
//
// Declared once; FolderReaderPosix.cpp or FolderReaderWin32.cpp implements
// it, and the build compiles the one that fits. Not thread-safe.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum class EItemKind {
    File,        // a regular file
    Folder,      // a real folder (not a link)
    Link,        // a symbolic link, a junction, ...: never followed
    Other,       // a pipe, a device, a socket: nothing a file can hold
    Unopenable,  // a name the system lists but cannot open as it stands
                 // (Windows: it ends in a dot or a blank, or holds * ? " < > |,
                 // \ or : or a control character; Wine lists such Unix names)
};

struct SFolderItem {
    std::u16string strName;
    EItemKind eKind = EItemKind::File;
    int64_t nSize = 0;  // bytes, for a file
};

enum class ESourceResult {
    Ok,
    Missing,     // nothing stands at the path (or a level above it)
    Link,        // a link stands at the path or a level above it
    NotFile,     // ReadFile: something that is no regular file stands there
    NotFolder,   // ListFolder: something that is no folder stands there
    Unopenable,  // a name the system cannot open as it stands
    TooLarge,    // ReadFile: a file of `limit` bytes or more; not read
    Failed,      // it is there but cannot be read
};

class CFolderReader {
public:
    CFolderReader();
    ~CFolderReader();
    CFolderReader(const CFolderReader&) = delete;
    CFolderReader& operator=(const CFolderReader&) = delete;

    // Opens the folder that relative paths start from, closing any open
    // before. The path is the system's own (a '\' is a character of a POSIX
    // name); a link in its last component is refused (Link), links above it
    // are the user's and followed.
    ESourceResult OpenRoot(const std::u16string& root);
    // Lets go of the root and every level held below it.
    void Close();

    // Paths are relative to the root, with '/' between levels ("" is the root
    // itself); a ".." level is refused (Failed).

    // The folder's items without "." and "..", in no particular order. A link
    // among them is listed as Link, never looked through; where the system
    // shows a link to a file as that file (Wine does, for a Unix symbolic
    // link), it is listed as File and ReadFile says Link.
    ESourceResult ListFolder(const std::u16string& path, std::vector<SFolderItem>& items);
    // The regular file's whole content. Opening never blocks (a pipe is
    // refused as NotFile); a file that shrinks while it is read fails.
    ESourceResult ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes, int64_t limit);

private:
    struct SState;
    std::unique_ptr<SState> m_pState;
};
