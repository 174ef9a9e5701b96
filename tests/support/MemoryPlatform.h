// CMemoryPlatform: the platform seam in memory, for unit tests and the fuzzer.
//
// It models the file system the engine runs on (Windows: '\' and '/' both
// separate, names compared without regard to ASCII case, trailing dots and
// blanks trimmed; POSIX: only '/' separates) and aborts the process when the
// engine hands it a path that leaves the extraction root or names a device:
// such a path must never reach a real system.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/Platform.h"

class CMemoryPlatform final : public IPlatform {
public:
    enum class EStyle { Windows, Posix };

    explicit CMemoryPlatform(EStyle style = EStyle::Windows);
    CMemoryPlatform(const CMemoryPlatform&) = delete;
    CMemoryPlatform& operator=(const CMemoryPlatform&) = delete;

    // The folder GetCurrentDir reports; it exists from the start.
    void SetCurrentDir(const std::u16string& dir);
    // A file ReadWholeFile can open, by the exact path the job is given.
    void AddInputFile(const std::u16string& path, const std::vector<uint8_t>& content);

    bool HasFolder(const std::u16string& path) const;
    bool HasFile(const std::u16string& path) const;
    // Content of a written file; empty when absent.
    std::vector<uint8_t> FileContent(const std::u16string& path) const;
    size_t FileCount() const { return m_files.size(); }
    // Every file written, by its path as the engine gave it, in order.
    const std::vector<std::u16string>& WrittenPaths() const { return m_written; }

    // Fault injection.
    int nBlocksBeforeFailure = -1;  // AllocBlock fails once this many succeeded; -1 never
    bool bFailWrites = false;       // files are created, then the write fails
    bool bCurrentDirFails = false;  // GetCurrentDir reports a folder that does not fit
    bool bShortRead = false;        // ReadWholeFile's read comes back short

    // Bookkeeping for leak checks.
    int nLiveBlocks = 0;
    int nOpenInputs = 0;
    int nCreateDirCalls = 0;

    bool GetCurrentDir(char16_t* buf, size_t capacity) override;
    bool ReadWholeFile(const char16_t* path, SInputFile& file) override;
    void ReleaseInputFile(SInputFile& file) override;
    bool CreateDir(const char16_t* path) override;
    EWriteResult WriteNewFile(const char16_t* path, const uint8_t* data, size_t size) override;
    uint8_t* AllocBlock(size_t size) override;
    void FreeBlock(uint8_t* block, size_t size) override;
    void DecodeName(const uint8_t* bytes, size_t count, char16_t* out, size_t capacity) override;
    void ToNativeSeparators(char16_t* path) override;
    bool ReservesDeviceNames() const override { return m_eStyle == EStyle::Windows; }
    [[noreturn]] void ExitProcessNow(int code) override;

private:
    // The path's components as the system resolves them (the lookup key).
    std::u16string Key(const char16_t* path) const;
    std::u16string ParentKey(const std::u16string& key) const;

    EStyle m_eStyle;
    std::u16string m_strCurrentDir;
    std::u16string m_strRootKey;
    std::set<std::u16string> m_folders;
    std::map<std::u16string, std::vector<uint8_t>> m_files;
    std::map<std::u16string, std::vector<uint8_t>> m_inputs;
    std::vector<std::u16string> m_written;
    // One freed big block, kept for the next request of any instance.
    static uint8_t* s_pSpare;
    static size_t s_nSpareSize;
};
