// The platform seam: everything the extraction engine needs from the system.
//
// Implemented by:
//   CSystemPlatform (platform/SystemPlatform.h)   the program and the CLI: PlatformWin32.cpp
//                                                 on Windows, PlatformPosix.cpp on Linux
//   CMemoryPlatform (tests/support)               unit tests and the fuzzer; nothing touches disk
//
// Strings are UTF-16 (char16_t) on every platform. Paths handed to the seam are
// composed by the engine with '\' separators and then passed through
// ToNativeSeparators, so a POSIX implementation sees '/' only.
#pragma once

#include <cstddef>
#include <cstdint>

// The whole content of one input file, held for one per-file job.
struct SInputFile {
    uint8_t* pData = nullptr;  // exactly nSize bytes, or null
    int32_t nSize = -1;        // bytes read; -1 when nothing was read
    intptr_t hFile = -1;       // implementation's open handle, -1 when none
};

enum class EDirResult {
    Created,  // the folder was made now
    Exists,   // a real folder stands there already: it may be filled
    Link,     // a symbolic link, junction or other link stands there: never entered
    Failed,   // nothing was made: a file stands there, a level above is missing or refused, ...
};

enum class EWriteResult {
    Written,       // created and every byte written
    Exists,        // the name is taken: nothing was touched
    CannotCreate,  // the file could not be created: nothing was touched
    WriteFailed,   // the content could not be written whole: nothing is left behind
};

// Writes new files for one thread other than the one that opened the output
// root (see IPlatform::OpenWriter): WriteNewFile's contract, from that thread.
class IFileWriter {
public:
    virtual EWriteResult WriteNewFile(const char16_t* relativePath, const uint8_t* data, size_t size) = 0;

protected:
    ~IFileWriter() = default;
};

// How the system treats the names the engine creates.
struct SNameRules {
    bool bReservesDeviceNames;  // CON, LPT1, ... name devices in every folder
    bool bTrimsNameEnds;        // trailing dots and blanks are dropped from a created name
    bool bIgnoresCase;          // names that differ only in letter case are one name
};

class IPlatform {
public:
    // Current working directory into buf (capacity in characters, terminator
    // included). Returns false when it cannot be read or does not fit; buf then
    // holds as much as fits (possibly empty), always terminated.
    virtual bool GetCurrentDir(char16_t* buf, size_t capacity) = 0;

    // Opens the file for reading and reads it whole into a fresh block of exactly
    // its size. Returns false when it cannot be opened, is not a regular file, is
    // 2 GiB or larger, the block cannot be obtained, or the read fails or comes
    // back short. Whatever was acquired is recorded in `file` either way and must
    // be given back with ReleaseInputFile.
    virtual bool ReadWholeFile(const char16_t* path, SInputFile& file) = 0;

    // Frees the block first, then closes the file. Safe on an empty SInputFile.
    virtual void ReleaseInputFile(SInputFile& file) = 0;

    // The output side. Output paths are relative to the output root, which a
    // job opens once. Every level below the root is opened relative to a
    // handle of its parent and never through a link (a symbolic link, a
    // junction or another reparse point that names another place),
    // so another process that swaps a folder for a link cannot redirect a write
    // out of the root. In a relative path, '\' and '/' separate components;
    // empty and "." components are skipped; a ".." component is refused.

    // Opens the folder that relative paths start from, closing any open before.
    // False when it cannot be opened.
    virtual bool OpenOutputRoot(const char16_t* root) = 0;
    // Lets go of the root and of every folder held below it.
    virtual void CloseOutputRoot() = 0;

    // Creates the folder the relative path names. An empty path names the root.
    virtual EDirResult CreateDir(const char16_t* relativePath) = 0;

    // Creates the file only when its name is free. The content is written to a
    // file without a name, or under a temporary name in the same folder that no
    // entry can produce, which then gets its name without replacing anything:
    // a file under an output name is always complete, whatever ends the process.
    virtual EWriteResult WriteNewFile(const char16_t* relativePath, const uint8_t* data, size_t size) = 0;

    // A writer for another thread: it holds the output root and the folders
    // it writes into on its own (never a handle of another thread's), so that
    // several threads write at once while this one creates folders. Had
    // while the root is open; given back with CloseWriter before
    // CloseOutputRoot. Null when none can be had, or when writing from
    // several threads would not be safe here: the caller writes itself.
    virtual IFileWriter* OpenWriter() = 0;
    virtual void CloseWriter(IFileWriter* writer) = 0;

    // Committed read-write memory, or null. Released with FreeBlock. Its
    // contents are unspecified: a platform may hand out again a block that
    // was given back (the engine only reads what it has written).
    virtual uint8_t* AllocBlock(size_t size) = 0;
    virtual void FreeBlock(uint8_t* block, size_t size) = 0;

    // Decodes an entry name (bytes of the legacy code page) into out, terminated,
    // as Windows decodes it in that code page. The result is cut to capacity - 1
    // characters (names are at most 49 bytes, far below any capacity the engine
    // uses).
    virtual void DecodeName(const uint8_t* bytes, size_t count, char16_t* out, size_t capacity) = 0;

    // The inverse of DecodeName, for names the engine's callers write into a
    // container: the name's bytes in the legacy code page into out (capacity
    // bytes), their count into length. False when a character has no exact
    // encoding there, the bytes do not fit, or they would not decode back to
    // the very same name.
    virtual bool EncodeName(const char16_t* name, uint8_t* out, size_t capacity, size_t& length) = 0;

    // Rewrites '\' in place into this system's folder separator.
    virtual void ToNativeSeparators(char16_t* path) = 0;

    virtual SNameRules NameRules() const = 0;

protected:
    ~IPlatform() = default;
};

// True when `count` bytes (at most 255) decode to exactly `name`: the check
// that ends every EncodeName.
inline bool DecodesTo(IPlatform& platform, const uint8_t* bytes, size_t count, const char16_t* name) {
    char16_t back[512];
    if (count > 255)
        return false;
    platform.DecodeName(bytes, count, back, 512);
    size_t i = 0;
    while (name[i] && back[i] == name[i])
        ++i;
    return name[i] == 0 && back[i] == 0;
}
