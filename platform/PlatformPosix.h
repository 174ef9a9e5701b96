// The platform seam on POSIX systems (Linux): UTF-8 file names, '/' folders,
// exclusive creation with O_CREAT|O_EXCL, entry names decoded with iconv.
#pragma once

#include <string>

#include "platform/Platform.h"

class CPosixPlatform final : public IPlatform {
public:
    // Entry names are decoded from this Windows code page; 0 means 932, since
    // the game is Japanese and Linux has no ANSI code page of its own.
    explicit CPosixPlatform(unsigned codePage = 0);
    ~CPosixPlatform();
    CPosixPlatform(const CPosixPlatform&) = delete;
    CPosixPlatform& operator=(const CPosixPlatform&) = delete;

    // False when iconv has no converter for the code page given.
    bool IsCodePageSupported() const;

    // Makes GetCurrentDir answer with this folder instead of the real one.
    void SetExtractionFolder(const char16_t* folder) { m_strFolderOverride = folder; m_bOverride = true; }

    bool GetCurrentDir(char16_t* buf, size_t capacity) override;
    bool ReadWholeFile(const char16_t* path, SInputFile& file) override;
    void ReleaseInputFile(SInputFile& file) override;
    bool CreateDir(const char16_t* path) override;
    EWriteResult WriteNewFile(const char16_t* path, const uint8_t* data, size_t size) override;
    uint8_t* AllocBlock(size_t size) override;
    void FreeBlock(uint8_t* block, size_t size) override;
    void DecodeName(const uint8_t* bytes, size_t count, char16_t* out, size_t capacity) override;
    void ToNativeSeparators(char16_t* path) override;
    bool ReservesDeviceNames() const override { return false; }
    [[noreturn]] void ExitProcessNow(int code) override;

private:
    // The engine takes and gives back a 16 MiB decompression block for every
    // written entry. Unmapping it and mapping a fresh one each time would make
    // the kernel fault in and zero every page the inflater touches, entry
    // after entry; so the last block given back is kept and handed out again
    // for the next request of the same size.
    enum : size_t { kMaxSpareBlock = 64u << 20 };
    uint8_t* m_pSpareBlock = nullptr;
    size_t m_nSpareSize = 0;

    void* m_iconv;  // iconv_t, (void*)-1 when unsupported
    std::u16string m_strFolderOverride;
    bool m_bOverride = false;
};
