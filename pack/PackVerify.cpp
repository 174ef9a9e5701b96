#include "pack/PackVerify.h"

#include <cstring>
#include <map>
#include <set>

#include "batch/BatchExtractor.h"

namespace {

// The name the packed bytes are extracted under: their folder is "packed".
const char16_t kPackedName[] = u"packed.god";
const std::u16string kPackedFolder = u"packed";

// The system's platform with the packed bytes as its one input file and a
// model of the output folder in memory: folders and files by the path as the
// system compares names. Every file written is compared at once with the
// folder's file at that path; nothing is kept of its content.
class CVerifyTree final : public IPlatform {
public:
    CVerifyTree(IPlatform& platform, IFolderSource& source, const SPackResult& packed)
        : m_platform(platform), m_source(source), m_packed(packed),
          m_bIgnoresCase(platform.NameRules().bIgnoresCase) {
        for (const std::u16string& path : packed.uncomparedPaths)
            m_uncompared.push_back(Key(path));
        for (const std::u16string& path : packed.skippedPaths)
            m_uncompared.push_back(Key(path));
    }

    // The path as the system compares names.
    std::u16string Key(const std::u16string& path) const { return FoldPath(NormalizedPath(path), m_bIgnoresCase); }

    // Whether the folder's file at path belongs to an entry never written.
    bool IsUncompared(const std::u16string& path) const {
        const std::u16string key = Key(path);
        for (const std::u16string& prefix : m_uncompared) {
            // The path itself, or a path below it: never a longer prefix's end.
            if (key.size() < prefix.size() || key.compare(0, prefix.size(), prefix) != 0)
                continue;
            if (key.size() == prefix.size() || key[prefix.size()] == u'/')
                return true;
        }
        return false;
    }
    bool WasWritten(const std::u16string& path) const { return m_writtenFiles.count(Key(path)) != 0; }

    std::vector<std::u16string> differences;

    bool GetCurrentDir(char16_t* buf, size_t capacity) override { return CopyText(buf, capacity, u""); }
    bool ReadWholeFile(const char16_t*, SInputFile& file) override {
        if (m_packed.bytes.size() > size_t(INT32_MAX))
            return false;
        file.pData = const_cast<uint8_t*>(m_packed.bytes.data());
        file.nSize = int32_t(m_packed.bytes.size());
        return true;
    }
    void ReleaseInputFile(SInputFile& file) override { file = SInputFile(); }
    bool OpenOutputRoot(const char16_t*) override { return true; }
    void CloseOutputRoot() override {}
    EDirResult CreateDir(const char16_t* relativePath) override;
    EWriteResult WriteNewFile(const char16_t* relativePath, const uint8_t* data, size_t size) override;
    // The model is read back on one thread.
    IFileWriter* OpenWriter() override { return nullptr; }
    void CloseWriter(IFileWriter*) override {}
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

private:
    // The path below the packed file's own folder ('/' between levels), and
    // whether the path lies in that folder at all.
    bool InFolder(const char16_t* relativePath, std::u16string& path) const;
    bool HasFolder(const std::u16string& path) const { return path.empty() || m_folders.count(Key(path)) != 0; }
    bool HasParentFolder(const std::u16string& path) const {
        const size_t slash = path.rfind(u'/');
        return HasFolder(slash == std::u16string::npos ? std::u16string() : path.substr(0, slash));
    }
    void CompareWithFolder(const std::u16string& path, const uint8_t* data, size_t size);

    IPlatform& m_platform;
    IFolderSource& m_source;
    const SPackResult& m_packed;
    bool m_bIgnoresCase;
    bool m_bFolderMade = false;
    std::vector<std::u16string> m_uncompared;  // keys
    std::set<std::u16string> m_folders;        // keys
    std::set<std::u16string> m_writtenFiles;   // keys
};

bool CVerifyTree::InFolder(const char16_t* relativePath, std::u16string& path) const {
    const std::u16string whole = NormalizedPath(relativePath);
    if (whole == kPackedFolder) {
        path.clear();
        return true;
    }
    if (whole.compare(0, kPackedFolder.size() + 1, kPackedFolder + u'/') != 0)
        return false;
    path = whole.substr(kPackedFolder.size() + 1);
    return true;
}

EDirResult CVerifyTree::CreateDir(const char16_t* relativePath) {
    std::u16string path;
    if (!InFolder(relativePath, path))
        return EDirResult::Failed;
    if (path.empty()) {
        const bool made = !m_bFolderMade;
        m_bFolderMade = true;
        return made ? EDirResult::Created : EDirResult::Exists;
    }
    if (m_writtenFiles.count(Key(path)) || !HasParentFolder(path))
        return EDirResult::Failed;
    return m_folders.insert(Key(path)).second ? EDirResult::Created : EDirResult::Exists;
}

EWriteResult CVerifyTree::WriteNewFile(const char16_t* relativePath, const uint8_t* data, size_t size) {
    std::u16string path;
    if (!InFolder(relativePath, path) || path.empty() || !HasParentFolder(path))
        return EWriteResult::CannotCreate;
    if (m_folders.count(Key(path)) || !m_writtenFiles.insert(Key(path)).second)
        return EWriteResult::Exists;
    CompareWithFolder(path, data, size);
    return EWriteResult::Written;
}

void CVerifyTree::CompareWithFolder(const std::u16string& path, const uint8_t* data, size_t size) {
    std::vector<uint8_t> content;
    const ESourceResult read = m_source.ReadFile(path, content);
    if (read == ESourceResult::Missing) {
        if (!IsUncompared(path))
            differences.push_back(path + u": in the packed file but not in the folder");
        return;
    }
    if (read != ESourceResult::Ok) {
        differences.push_back(path + u": cannot be read");
        return;
    }
    if (content.size() == size && SameBytes(content.data(), data, size))
        return;
    differences.push_back(path + u": the packed file gives " + DecimalText(int64_t(size)) + u" bytes with CRC-32 " +
                          DecimalText(ManifestCrc32(data, size)) + u", the folder's file has " +
                          DecimalText(int64_t(content.size())) + u" with CRC-32 " +
                          DecimalText(ManifestCrc32(content.data(), content.size())));
}

struct SReadEntry {
    EEntryStatus eStatus = EEntryStatus::Written;
    uint32_t nProblems = 0;
    bool bChild = false;
    std::u16string strPath;  // below the packed file's folder
};

// Extracts the packed bytes onto the tree and keeps every entry's outcome.
class CReadBack final : public IExtractCallback {
public:
    CReadBack(CVerifyTree& tree, const SExtractOptions& options) : engine(tree, *this, options) {}

    void OnLogLine(const char16_t*) override {}
    EFolderAnswer AskFolderName(char16_t*, size_t, const char16_t*) override { return EFolderAnswer::GaveUp; }
    void PlayCompletionSound() override {}
    void OnEntryEvent(const SEntryEvent& event) override {
        entries[event.nOffset] = {event.eStatus, event.nProblems, event.eKind == EEntryKind::Child, event.pszPath};
    }

    CBatchExtractor engine;
    std::map<int64_t, SReadEntry> entries;  // by offset
};

bool IsCopied(const SPackResult& packed, int64_t offset) {
    for (const SByteRange& range : packed.copiedRanges) {
        if (offset >= range.nBegin && offset < range.nEnd)
            return true;
    }
    return false;
}

// The walk and every placed entry's outcome.
void CompareEntries(const SPackResult& packed, const CVerifyTree& tree, const CReadBack& back,
                    std::vector<std::u16string>& differences) {
    std::set<int64_t> placed;
    for (const SPlacedEntry& entry : packed.placed) {
        placed.insert(entry.nOffset);
        const std::u16string where = u"the entry at offset " + DecimalText(entry.nOffset) + u" (" + entry.strPath + u")";
        const auto found = back.entries.find(entry.nOffset);
        if (found == back.entries.end()) {
            differences.push_back(where + u" is not read back");
            continue;
        }
        const SReadEntry& read = found->second;
        if (entry.eHow == EPlacement::Copied)
            continue;  // as the base had it
        if (read.bChild != (entry.eHow == EPlacement::Folder))
            differences.push_back(where + (read.bChild ? u" reads back as a folder" : u" reads back as a file"));
        else if (tree.Key(read.strPath) != tree.Key(entry.strPath))
            differences.push_back(where + u" reads back as " + read.strPath);
        else if (read.eStatus != EEntryStatus::Written || read.nProblems != 0)
            differences.push_back(where + u" is not written as it should be (a name taken, refused or damaged)");
    }
    for (const auto& [offset, read] : back.entries) {
        if (!placed.count(offset) && !IsCopied(packed, offset))
            differences.push_back(u"the entry at offset " + DecimalText(offset) + u" (" + read.strPath +
                                  u") is read back, but was never placed there");
    }
}

// Every file of the folder must have been written by the extraction.
void CompareFolder(IFolderSource& source, const std::u16string& folder, const CVerifyTree& tree,
                   std::vector<std::u16string>& differences) {
    std::vector<SFolderItem> items;
    if (source.ListFolder(folder, items) != ESourceResult::Ok) {
        differences.push_back((folder.empty() ? u"." : folder) + u": cannot be read as a folder");
        return;
    }
    for (const SFolderItem& item : items) {
        const std::u16string path = folder.empty() ? item.strName : folder + u'/' + item.strName;
        if (item.eKind == EItemKind::Folder)
            CompareFolder(source, path, tree, differences);
        else if (!tree.WasWritten(path) && !tree.IsUncompared(path))
            differences.push_back(path + u": not in the packed file");
    }
}

}  // namespace

std::vector<std::u16string> VerifyPacked(IPlatform& platform, IFolderSource& source, const SPackResult& packed) {
    CVerifyTree tree(platform, source, packed);
    SExtractOptions options;
    options.pszLocaleName = u"en-US";
    options.pszExtractionFolder = u"v";  // short: no path is judged too long for the root's sake
    options.eExistingFolder = EExistingFolder::Rename;
    CReadBack back(tree, options);
    if (!back.engine.ExtractFile(kPackedName))
        return {back.engine.RanOutOfMemory() ? u"no memory to read the packed file back"
                                             : u"the packed file cannot be read back as a custom file"};
    std::vector<std::u16string> differences = std::move(tree.differences);
    CompareEntries(packed, tree, back, differences);
    CompareFolder(source, u"", tree, differences);
    return differences;
}
