// CMemoryPlatform: the platform seam in memory, for unit tests and the fuzzer.
//
// It models the file system the engine runs on (Windows: '\' and '/' both
// separate, names compared without regard to ASCII case; POSIX: only '/'
// separates) and aborts the process when the engine hands it a path that
// leaves the extraction root, names a device, or (Windows) has a component
// the system would trim: such a path must never reach a real system. Those
// checks are its own, independent of the engine's name-safety code.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "base/Text.h"
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
    // A folder, or a symbolic link, that exists before the engine runs (full paths).
    void AddFolder(const std::u16string& path);
    void AddLink(const std::u16string& path);

    bool HasFolder(const std::u16string& path) const;
    bool HasFile(const std::u16string& path) const;
    // Content of a written file; empty when absent.
    std::vector<uint8_t> FileContent(const std::u16string& path) const;
    size_t FileCount() const { return m_files.size(); }
    // Every folder and file by its key: the path's components after a '/'
    // each, as the system resolves them (upper-case on the Windows style).
    const std::set<std::u16string>& FolderKeys() const { return m_folders; }
    const std::map<std::u16string, std::vector<uint8_t>>& FileKeys() const { return m_files; }
    // Every file written, by the open root followed by the relative path the
    // engine gave, in order.
    const std::vector<std::u16string>& WrittenPaths() const { return m_written; }

    // Fault injection.
    int nBlocksBeforeFailure = -1;  // AllocBlock fails once this many succeeded; -1 never
    bool bFailWrites = false;       // files are created, then the write fails
    bool bCurrentDirFails = false;  // GetCurrentDir reports a folder that does not fit
    bool bRootFails = false;        // OpenOutputRoot fails
    bool bShortRead = false;        // ReadWholeFile's read comes back short
    bool bNoWriters = false;        // OpenWriter has none to give: the engine writes itself
    bool bJitterWriters = false;    // writers wait a pseudo-random while before each write: races show

    // Bookkeeping for leak checks.
    int nLiveBlocks = 0;
    int nBlocksTaken = 0;
    int nOpenInputs = 0;
    int nCreateDirCalls = 0;
    int nWritersOpened = 0;
    bool bRootOpen = false;

    // The folder set with SetCurrentDir (or one too long, see bCurrentDirFails).
    bool GetCurrentDir(char16_t* buf, size_t capacity) override {
        const std::u16string dir = bCurrentDirFails ? m_strCurrentDir + std::u16string(capacity, u'x') : m_strCurrentDir;
        return CopyText(buf, capacity, dir.c_str(), dir.size());
    }
    // Only the files added with AddInputFile; counts what is open.
    bool ReadWholeFile(const char16_t* path, SInputFile& file) override;
    void ReleaseInputFile(SInputFile& file) override {
        if (file.pData)
            FreeBlock(file.pData, size_t(file.nSize));
        if (file.hFile != -1)
            --nOpenInputs;
        file = SInputFile();
    }

    // The output side refuses what a real system would not do safely: an
    // escaping path aborts the process, a link is never followed.
    bool OpenOutputRoot(const char16_t* root) override;
    void CloseOutputRoot() override;
    EDirResult CreateDir(const char16_t* relativePath) override;
    EWriteResult WriteNewFile(const char16_t* relativePath, const uint8_t* data, size_t size) override;
    // Writers share the one model under a lock; none when bNoWriters is set.
    IFileWriter* OpenWriter() override;
    void CloseWriter(IFileWriter* writer) override;

    // Heap blocks, counted for leak checks and failing on request
    // (nBlocksBeforeFailure); one freed block is kept for reuse.
    uint8_t* AllocBlock(size_t size) override;
    void FreeBlock(uint8_t* block, size_t size) override;

    // Each name byte as the character of that value (Latin-1, close enough to
    // code page 1252 for tests); separators and rules of the chosen style.
    void DecodeName(const uint8_t* bytes, size_t count, char16_t* out, size_t capacity) override {
        size_t i = 0;
        for (; i < count && i + 1 < capacity; ++i)
            out[i] = bytes[i];
        out[i] = 0;
    }
    bool EncodeName(const char16_t* name, uint8_t* out, size_t capacity, size_t& length) override {
        for (length = 0; name[length]; ++length) {
            if (name[length] > 0xFF || length >= capacity)
                return false;
            out[length] = uint8_t(name[length]);
        }
        return true;
    }
    void ToNativeSeparators(char16_t* path) override;
    SNameRules NameRules() const override {
        const bool windows = m_eStyle == EStyle::Windows;
        return SNameRules{windows, windows, windows};
    }

private:
    // The path's components as the system resolves them (the lookup key);
    // `relative` paths are checked against the escapes the engine must avoid.
    std::u16string Key(const char16_t* path, bool relative) const;
    std::u16string ParentKey(const std::u16string& key) const;
    // A key below the open root; false when no root is open or a level above
    // is not a real folder.
    bool ReachableKey(const char16_t* relativePath, std::u16string& key) const;

    EStyle m_eStyle;
    std::u16string m_strCurrentDir;
    std::u16string m_strRootKey;
    std::u16string m_strOpenRootKey;
    std::u16string m_strOpenRoot;
    std::set<std::u16string> m_folders;
    std::set<std::u16string> m_links;
    std::map<std::u16string, std::vector<uint8_t>> m_files;
    std::map<std::u16string, std::vector<uint8_t>> m_inputs;
    std::vector<std::u16string> m_written;
    // Guards the model against writers on other threads.
    mutable std::recursive_mutex m_mutex;
    int m_nWriters = 0;
    // One freed big block, kept for the next request of any instance.
    static uint8_t* s_pSpare;
    static size_t s_nSpareSize;
};
