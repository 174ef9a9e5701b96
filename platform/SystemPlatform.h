// CSystemPlatform: the platform seam on the system the program is built for.
//
// Declared once for every system; PlatformPosix.cpp (Linux) or
// PlatformWin32.cpp (Windows) implements it, and the build compiles the one
// that fits. What a system has beyond the seam is declared in its own header
// (PlatformPosix.h). This header stays free of windows.h so that portable
// front ends can construct the platform.
#pragma once

#include <memory>

#include "platform/FolderChain.h"
#include "platform/Platform.h"

// The system's own state (handles, converters, spare memory), defined beside
// its operations.
struct SSystemState;

class CSystemPlatform final : public IPlatform, private CFolderChain::IOpener {
public:
    // Entry names are decoded from this Windows code page; 0 means 932, the
    // code page the game writes its names in on every system.
    explicit CSystemPlatform(unsigned codePage = 0);
    ~CSystemPlatform();
    CSystemPlatform(const CSystemPlatform&) = delete;
    CSystemPlatform& operator=(const CSystemPlatform&) = delete;

    // False when the system cannot decode the code page given.
    bool IsCodePageSupported() const;

    // For the system's own extras.
    SSystemState& State() { return *m_pState; }

    // WriteNewFile for a file the user named, in the output root: the name is
    // taken whole (on POSIX a '\' is a character of it, not a separator);
    // one with a separator of the system, or "." or "..", cannot be created.
    EWriteResult WriteNewFileInRoot(const char16_t* name, const uint8_t* data, size_t size);

    bool GetCurrentDir(char16_t* buf, size_t capacity) override;
    bool ReadWholeFile(const char16_t* path, SInputFile& file) override;
    void ReleaseInputFile(SInputFile& file) override;
    bool OpenOutputRoot(const char16_t* root) override;
    void CloseOutputRoot() override;
    EDirResult CreateDir(const char16_t* relativePath) override;
    EWriteResult WriteNewFile(const char16_t* relativePath, const uint8_t* data, size_t size) override;
    IFileWriter* OpenWriter() override;
    void CloseWriter(IFileWriter* writer) override;
    uint8_t* AllocBlock(size_t size) override;
    void FreeBlock(uint8_t* block, size_t size) override;
    void DecodeName(const uint8_t* bytes, size_t count, char16_t* out, size_t capacity) override;
    bool EncodeName(const char16_t* name, uint8_t* out, size_t capacity, size_t& length) override;
    void ToNativeSeparators(char16_t* path) override;
    SNameRules NameRules() const override;

private:

    // The folder chain opens and closes the levels below the output root
    // through these.
    CFolderChain::Handle OpenFolder(CFolderChain::Handle parent, const SPathComponent& name) override;
    void CloseFolder(CFolderChain::Handle folder) override;

    std::unique_ptr<SSystemState> m_pState;
};
