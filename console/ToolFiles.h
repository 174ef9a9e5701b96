// The files and folders the command-line tools name by their whole path (the
// manifest, the original, the output beside a folder), as the user gave it.
// Trees below a folder are read with CFolderReader and written through the
// platform seam instead, level by level. Implemented by ToolFilesPosix.cpp or
// ToolFilesWin32.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class EFileRead {
    Ok,
    Missing,     // nothing is there (or, following links, a link that leads nowhere)
    Unreadable,  // something is there, but no regular file, too large, or it cannot be read whole
};

// Reads a regular file whole into bytes: one open and plain reads, no
// mapping; a pipe is refused, never waited on. A link in the last component
// is followed only with followLink (the user's own link to the original,
// say). Unreadable when it is not a regular file, has limit bytes or more (at
// most 2 GiB - 1 are read), or cannot be read whole.
EFileRead ReadFileAt(const std::u16string& path, std::vector<uint8_t>& bytes, bool followLink,
                     long long limit = 0x7FFFFFFF);
// ReadFileAt without following a link; true when Ok.
inline bool ReadWholeFileAt(const std::u16string& path, std::vector<uint8_t>& bytes, long long limit = 0x7FFFFFFF) {
    return ReadFileAt(path, bytes, false, limit) == EFileRead::Ok;
}

// Which file a path leads to (links followed): device and inode on POSIX,
// volume serial number and file index on Windows. Two paths lead to one file
// when their identities are equal, whatever their text (hard links too).
struct SFileIdentity {
    uint64_t nDevice = 0;
    uint64_t nIndex = 0;
    bool operator==(const SFileIdentity& other) const { return nDevice == other.nDevice && nIndex == other.nIndex; }
};
// False when nothing is there.
bool FileIdentityAt(const std::u16string& path, SFileIdentity& identity);

// The size in bytes of a file, or -1 when it cannot be had.
long long FileSizeAt(const std::u16string& path);

// The absolute form of an existing file or folder; false when there is none.
bool ResolveExistingPath(const std::u16string& path, std::u16string& absolute, bool& isFolder);
// The absolute form of an existing folder; false when it is not one.
inline bool ResolveExistingFolder(const std::u16string& folder, std::u16string& absolute) {
    bool isFolder = false;
    return ResolveExistingPath(folder, absolute, isFolder) && isFolder;
}

// What stands at a path; a link at its end is not followed.
enum class EPathKind { None, File, Folder, Other };
struct SPathItem {
    EPathKind eKind = EPathKind::None;
    long long nSize = 0;  // bytes, for a file
};
SPathItem PathItemAt(const std::u16string& path);

// Why an input file cannot be read whole (the engine reads regular files of
// less than 2 GiB, following links), for the tools to say so.
enum class EReadFailure {
    None,        // it opens, and is a regular file of less than 2 GiB
    NotFound,    // nothing has that name (or a folder on the way is missing)
    Folder,      // a folder has that name
    CannotRead,  // the system refuses it, or it is not a regular file: see systemText
    TooLarge,    // 2 GiB or more
};
// Looks at path as the engine would read it; systemText gets the system's
// message for CannotRead.
EReadFailure ProbeInputFile(const std::u16string& path, std::u16string& systemText);

// Moves the file `from` to `to`, replacing a file there (both in one folder).
bool ReplaceFileAt(const std::u16string& from, const std::u16string& to);
bool RemoveFileAt(const std::u16string& path);
