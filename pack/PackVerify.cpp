#include "pack/PackVerify.h"

#include <zlib.h>

#include <cstdlib>
#include <map>

#include "batch/BatchExtractor.h"

namespace {

// The platform with one input file, the packed bytes, in memory; everything
// else is the given platform's.
class CMemoryInput final : public IPlatform {
public:
    CMemoryInput(IPlatform& platform, const std::vector<uint8_t>& bytes) : m_platform(platform), m_bytes(bytes) {}

    bool GetCurrentDir(char16_t* buf, size_t capacity) override { return CopyText(buf, capacity, u""); }
    bool ReadWholeFile(const char16_t*, SInputFile& file) override {
        if (m_bytes.size() > size_t(INT32_MAX))
            return false;
        file.pData = const_cast<uint8_t*>(m_bytes.data());
        file.nSize = int32_t(m_bytes.size());
        return true;
    }
    void ReleaseInputFile(SInputFile& file) override { file = SInputFile(); }
    // The listing writes nothing.
    bool OpenOutputRoot(const char16_t*) override { return false; }
    void CloseOutputRoot() override {}
    EDirResult CreateDir(const char16_t*) override { return EDirResult::Failed; }
    EWriteResult WriteNewFile(const char16_t*, const uint8_t*, size_t) override { return EWriteResult::CannotCreate; }
    uint8_t* AllocBlock(size_t size) override { return m_platform.AllocBlock(size); }
    void FreeBlock(uint8_t* block, size_t size) override { m_platform.FreeBlock(block, size); }
    void DecodeName(const uint8_t* bytes, size_t count, char16_t* out, size_t capacity) override {
        m_platform.DecodeName(bytes, count, out, capacity);
    }
    bool EncodeName(const char16_t* name, uint8_t* out, size_t capacity, size_t& length) override {
        return m_platform.EncodeName(name, out, capacity, length);
    }
    void ToNativeSeparators(char16_t* path) override { m_platform.ToNativeSeparators(path); }
    SNameRules NameRules() const override { return m_platform.NameRules(); }
    [[noreturn]] void ExitProcessNow(int code) override {
        m_platform.ExitProcessNow(code);
        std::abort();  // not reached: the call through the seam does not say so
    }

private:
    IPlatform& m_platform;
    const std::vector<uint8_t>& m_bytes;
};

struct SListedFile {
    int32_t nLength = 0;
    uint32_t nCrc = 0;
    bool bSeen = false;  // the folder has it
};

// The listing's files by path, as the system compares names.
class CListingCollector final : public CBatchExtractor {
public:
    CListingCollector(IPlatform& platform, const SExtractOptions& options, const std::vector<SByteRange>& copied)
        : CBatchExtractor(platform, options), m_copied(copied), m_bIgnoresCase(platform.NameRules().bIgnoresCase) {}

    void OnLogLine(const char16_t*) override {}
    int AskFolderName(char16_t*, size_t, const char16_t*) override { return 0; }
    void PlayCompletionSound() override {}
    void OnEntryEvent(const SEntryEvent& event) override;

    std::u16string Key(const std::u16string& path) const { return FoldPath(path, m_bIgnoresCase); }

    // Whether the folder's file at path belongs to an entry never written.
    bool IsUncompared(const std::u16string& path) const {
        const std::u16string key = Key(path);
        for (const std::u16string& prefix : uncompared) {
            const bool below = key.size() == prefix.size() || key[prefix.size()] == u'/';
            if (key.compare(0, prefix.size(), prefix) == 0 && below)
                return true;
        }
        return false;
    }

    std::vector<std::u16string> uncompared;  // keys
    std::map<std::u16string, SListedFile> files;
    std::map<std::u16string, std::u16string> shownPaths;  // key to the path as listed
    std::vector<std::u16string> differences;

private:
    bool IsCopied(int32_t offset) const {
        for (const SByteRange& range : m_copied) {
            if (offset >= range.nBegin && offset < range.nEnd)
                return true;
        }
        return false;
    }
    const std::vector<SByteRange>& m_copied;
    bool m_bIgnoresCase;
};

void CListingCollector::OnEntryEvent(const SEntryEvent& event) {
    if (IsCopied(event.nOffset))
        return;
    const std::u16string path = event.pszPath;
    const std::u16string entry = u"the entry at offset " + DecimalText(event.nOffset) + u" (" + path + u")";
    if (event.eStatus == EEntryStatus::Damaged || event.nProblems != 0) {
        differences.push_back(entry + u" reads back with a problem");
        return;
    }
    if (event.eKind == EEntryKind::Child)
        return;
    if (!event.pContent || event.nContentSize < 0) {
        differences.push_back(entry + u" was not examined");
        return;
    }
    const std::u16string key = Key(path);
    if (files.count(key)) {
        differences.push_back(path + u": two entries would be written there");
        return;
    }
    files[key] = {event.nContentSize, PackCrc32(event.pContent, size_t(event.nContentSize)), false};
    shownPaths[key] = path;
}

void CompareFolder(IFolderSource& source, const std::u16string& folder, CListingCollector& listing) {
    std::vector<SFolderItem> items;
    if (source.ListFolder(folder, items) != ESourceResult::Ok) {
        listing.differences.push_back((folder.empty() ? u"." : folder) + u": cannot be read as a folder");
        return;
    }
    for (const SFolderItem& item : items) {
        const std::u16string path = folder.empty() ? item.strName : folder + u'/' + item.strName;
        if (item.eKind == EItemKind::Folder) {
            CompareFolder(source, path, listing);
            continue;
        }
        const auto found = listing.files.find(listing.Key(path));
        if (found == listing.files.end()) {
            if (!listing.IsUncompared(path))
                listing.differences.push_back(path + u": not in the packed file");
            continue;
        }
        found->second.bSeen = true;
        std::vector<uint8_t> content;
        if (source.ReadFile(path, content) != ESourceResult::Ok) {
            listing.differences.push_back(path + u": cannot be read");
            continue;
        }
        const uint32_t crc = PackCrc32(content.data(), content.size());
        if (content.size() != size_t(found->second.nLength) || crc != found->second.nCrc)
            listing.differences.push_back(path + u": the packed file gives " + DecimalText(found->second.nLength) +
                                          u" bytes with CRC-32 " + DecimalText(found->second.nCrc) +
                                          u", the folder's file has " + DecimalText(int64_t(content.size())) +
                                          u" with CRC-32 " + DecimalText(crc));
    }
}

}  // namespace

std::vector<std::u16string> VerifyPacked(IPlatform& platform, IFolderSource& source, const SPackResult& packed) {
    CMemoryInput input(platform, packed.bytes);
    SExtractOptions options;
    options.pszLocaleName = u"en-US";
    options.pszExtractionFolder = u"v";  // short: no path is judged too long for the root's sake
    options.eMode = EJobMode::List;
    options.nFatalExitCode = 1;
    CListingCollector listing(input, options, packed.copiedRanges);
    for (const std::u16string& path : packed.uncomparedPaths)
        listing.uncompared.push_back(listing.Key(path));
    if (!listing.ExtractFile(u"packed.god"))
        return {u"the packed file cannot be read back as a custom file"};
    CompareFolder(source, u"", listing);
    for (const auto& [key, file] : listing.files) {
        if (!file.bSeen)
            listing.differences.push_back(listing.shownPaths[key] + u": in the packed file but not in the folder");
    }
    return listing.differences;
}
