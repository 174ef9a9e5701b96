// The platform seam on POSIX systems (Linux): file names as bytes, '/'
// folders, output created relative to folder descriptors (openat, mkdirat)
// and never through a symbolic link, entry names decoded with iconv.
#pragma once


#include "platform/FolderChain.h"
#include "platform/Platform.h"

class CPosixPlatform final : public IPlatform, private CFolderChain::IOpener {
public:
    // Entry names are decoded from this Windows code page; 0 means 932, since
    // the game is Japanese and Linux has no ANSI code page of its own.
    explicit CPosixPlatform(unsigned codePage = 0);
    ~CPosixPlatform();
    CPosixPlatform(const CPosixPlatform&) = delete;
    CPosixPlatform& operator=(const CPosixPlatform&) = delete;

    // False when iconv has no converter for the code page given.
    bool IsCodePageSupported() const;

    // SIGINT, SIGTERM and SIGHUP first remove a file being written under a
    // temporary name, then end the process as they would have. For programs
    // that write files and want no litter when interrupted.
    static void RemovePartialFileOnSignals();

    // How a complete file gets its name: an unnamed file (O_TMPFILE) linked
    // through its descriptor (AT_EMPTY_PATH, where the kernel lets users do
    // that) or through its /proc entry, or a file under a temporary name that
    // is moved. Each write takes the first way the system allows and keeps to
    // it; tests choose one to try them all.
    enum class EWriteMethod { LinkDescriptor, LinkThroughProc, MoveNamed };
    void SetWriteMethod(EWriteMethod method) { m_eWriteMethod = method; }

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
    void ToNativeSeparators(char16_t* path) override;
    SNameRules NameRules() const override { return SNameRules{false, false, false}; }
    [[noreturn]] void ExitProcessNow(int code) override;

private:
    CFolderChain::Handle OpenFolder(CFolderChain::Handle parent, const SPathComponent& name) override;
    void CloseFolder(CFolderChain::Handle folder) override;
    // Decodes one character of a double-byte code page at bytes[0..left-1]
    // into out; returns the bytes used.
    EWriteResult WriteUnnamed(int folder, const char* name, const uint8_t* data, size_t size);
    EWriteResult WriteNamed(int folder, const char* name, const uint8_t* data, size_t size);

    // The engine takes and gives back a 16 MiB decompression block for every
    // written entry. Unmapping it and mapping a fresh one each time would make
    // the kernel fault in and zero every page the inflater touches, entry
    // after entry; so the last block given back is kept and handed out again
    // for the next request of the same size.
    enum : size_t { kMaxSpareBlock = 64u << 20 };
    uint8_t* m_pSpareBlock = nullptr;
    size_t m_nSpareSize = 0;

    unsigned m_nCodePage;
    void* m_iconv;  // iconv_t, (void*)-1 when unsupported
    CFolderChain m_chain{*this};
    unsigned long m_nTempSequence = 0;
    EWriteMethod m_eWriteMethod = EWriteMethod::LinkDescriptor;
};
