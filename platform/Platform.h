// The platform seam: everything the extraction engine needs from the system.
//
// Implemented by:
//   CWin32Platform  (platform/PlatformWin32.cpp)  the Windows program and the Windows CLI
//   CPosixPlatform  (platform/PlatformPosix.cpp)  the Linux CLI and the native tests
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

enum class EWriteResult {
    Written,       // created and every byte written
    CannotCreate,  // exists already, or could not be created: nothing was touched
    WriteFailed,   // created but not fully written: the partial file has been deleted
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

    // Creates one folder; false when it exists or cannot be created.
    virtual bool CreateDir(const char16_t* path) = 0;

    // Creates the file only when it does not exist yet, writes all bytes, closes it.
    virtual EWriteResult WriteNewFile(const char16_t* path, const uint8_t* data, size_t size) = 0;

    // Committed read-write memory, or null. Released with FreeBlock. Its
    // contents are unspecified: a platform may hand out again a block that
    // was given back (the engine only reads what it has written).
    virtual uint8_t* AllocBlock(size_t size) = 0;
    virtual void FreeBlock(uint8_t* block, size_t size) = 0;

    // Decodes an entry name (bytes of the legacy code page) into out, terminated.
    // The result is cut to capacity - 1 characters (names are at most 49 bytes,
    // far below any capacity the engine uses).
    virtual void DecodeName(const uint8_t* bytes, size_t count, char16_t* out, size_t capacity) = 0;

    // Rewrites '\' in place into this system's folder separator.
    virtual void ToNativeSeparators(char16_t* path) = 0;

    // True where device names such as CON or LPT1 are reserved in every folder.
    virtual bool ReservesDeviceNames() const = 0;

    // Ends the process at once with the given code, after flushing standard streams.
    [[noreturn]] virtual void ExitProcessNow(int code) = 0;

protected:
    ~IPlatform() = default;
};
