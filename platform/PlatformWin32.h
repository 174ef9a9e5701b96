// The platform seam on Windows: kernel32 files and virtual memory, output
// created relative to folder handles (ntdll's NtCreateFile) and never through
// a symbolic link or junction, names decoded with MultiByteToWideChar. This header itself
// stays free of windows.h so that portable front ends can construct the
// platform.
#pragma once


#include "platform/FolderChain.h"
#include "platform/Platform.h"

class CWin32Platform final : public IPlatform, private CFolderChain::IOpener {
public:
    // codePage 0 is the system's ANSI code page (CP_ACP).
    explicit CWin32Platform(unsigned codePage = 0) : m_nCodePage(codePage) {}
    ~CWin32Platform();
    CWin32Platform(const CWin32Platform&) = delete;
    CWin32Platform& operator=(const CWin32Platform&) = delete;

    bool IsCodePageSupported() const;

    bool GetCurrentDir(char16_t* buf, size_t capacity) override;
    bool ReadWholeFile(const char16_t* path, SInputFile& file) override;
    void ReleaseInputFile(SInputFile& file) override;
    bool OpenOutputRoot(const char16_t* root) override;
    void CloseOutputRoot() override;
    EDirResult CreateDir(const char16_t* relativePath) override;
    EWriteResult WriteNewFile(const char16_t* relativePath, const uint8_t* data, size_t size) override;
    uint8_t* AllocBlock(size_t size) override;
    void FreeBlock(uint8_t* block, size_t size) override;
    void DecodeName(const uint8_t* bytes, size_t count, char16_t* out, size_t capacity) override;
    void ToNativeSeparators(char16_t*) override {}
    SNameRules NameRules() const override { return SNameRules{true, true, true}; }
    [[noreturn]] void ExitProcessNow(int code) override;

private:
    CFolderChain::Handle OpenFolder(CFolderChain::Handle parent, const SPathComponent& name) override;
    void CloseFolder(CFolderChain::Handle folder) override;

    unsigned m_nCodePage;
    CFolderChain m_chain{*this};
    unsigned long m_nTempSequence = 0;
    // Whether the root's volume keeps several links to one file; asked once per root.
    enum class EHardLinks { Unknown, Kept, Refused };
    EHardLinks m_eHardLinks = EHardLinks::Unknown;
};
