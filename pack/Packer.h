// CPacker: builds a custom file from a folder tree, the inverse of
// extraction.
//
// With a manifest and the original file (the base), every entry whose file is
// unchanged is copied byte for byte, changed files get new payloads, missing
// ones are dropped and new files and folders are added at the end of their
// container. Without a manifest the tree becomes a new file: entries in name
// order, folders as child containers named NAME.pak.
//
// A new file's entry is named as the entries beside it are: among "*.t" text
// entries, "mymod.txt" becomes the entry "mymod.t", as long as extraction
// names that entry "mymod.txt" again (extract/OutputNaming decides). New files
// and folders the skip rule names stay out, each reported; entries the
// original had are never skipped.
//
// Whatever the folder holds that the format cannot hold, or that extraction
// would read back differently, is refused with a message naming its path;
// packing goes on to find every such item, and nothing is built then. The
// packer reads the tree only through the folder source and the names through
// the platform's code page.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "extract/Extractor.h"
#include "pack/FolderSource.h"
#include "manifest/ManifestReader.h"

enum class EPackStatus {
    Done = 0,     // the bytes are built
    Failed = 1,   // something could not be read, or the manifest does not fit the base (wins over Refused)
    Refused = 3,  // the folder holds something the format cannot hold as it is
};

enum class EPackChange {
    Changed,           // a file or child container with new content
    Added,             // a new entry
    Deleted,           // an entry whose file or folder is gone
    StoredNotGzipped,  // a new payload stored although gzip was asked (see strNote)
    Skipped,           // a new file or folder the skip rule keeps out (strNote: the pattern)
};

struct SPackChange {
    std::u16string strPath;  // relative to the folder, '/' between levels
    EPackChange eChange = EPackChange::Changed;
    std::u16string strNote;       // why, for StoredNotGzipped; the pattern, for Skipped
    std::u16string strEntryName;  // for Added: the entry's name as chosen ('\' between levels)
};

// A refusal: where (relative to the folder, "" for itself) and why.
struct SPackProblem {
    std::u16string strPath;
    std::u16string strMessage;
};

// Bytes of the result copied from the base without a file in the folder:
// entries never written, child containers never walked, unexamined tails.
struct SByteRange {
    int64_t nBegin = 0;
    int64_t nEnd = 0;
};

// How an entry of the result was placed, for the read-back check: where it
// must be written, and from what.
enum class EPlacement {
    File,    // its content is the folder's file at strPath (new, changed or unchanged)
    Folder,  // a child container made from the folder at strPath
    Copied,  // bytes of the base whose entry was never written (strPath: the manifest's, or empty)
};

struct SPlacedEntry {
    int64_t nOffset = 0;  // the header's offset in the result
    EPlacement eHow = EPlacement::File;
    std::u16string strPath;
};

struct SPackResult {
    EPackStatus eStatus = EPackStatus::Done;
    std::u16string strPath;     // for Failed and Refused: where, relative to the folder ("" for itself)
    std::u16string strMessage;  // and what
    std::vector<SPackProblem> refusals;  // every item refused, in the order they were met
    std::vector<uint8_t> bytes;
    std::vector<SPackChange> changes;
    std::vector<SByteRange> copiedRanges;
    // The paths of entries copied that were never written: whatever the
    // folder holds there is not theirs.
    std::vector<std::u16string> uncomparedPaths;
    // The new files and folders skipped: not in the result, nor compared.
    std::vector<std::u16string> skippedPaths;
    // Every entry of the result in walk order, entries inside bytes copied
    // without a file excepted.
    std::vector<SPlacedEntry> placed;
    int32_t nEntries = 0;  // entries in the result, at every level
};

// Which new files and folders stay out of the packed file: the tool's
// patterns. Only items the original did not have are asked about.
class ISkipRule {
public:
    // True, with the pattern that matched, when the new file or folder at
    // path (relative to the folder, '/' between levels) stays out.
    virtual bool Skips(const std::u16string& path, std::u16string& pattern) const = 0;

protected:
    ~ISkipRule() = default;
};

struct SPackOptions {
    int nLevel = 9;                              // deflate level, 0 to 9
    const IEntrySelection* pGzip = nullptr;      // new files whose path it selects are gzip; null: none
    const ISkipRule* pSkip = nullptr;            // new items it names stay out; null: none
    unsigned nCodePage = 932;                    // the platform's code page, for messages
    bool bJapanese = false;                      // messages in Japanese
};

// The most bytes a custom file may have.
constexpr int64_t kMaxPackedSize = INT32_MAX;

class CPacker {
public:
    // The platform encodes new names (its code page) and tells the system's
    // name rules; both it and the source must outlive the object.
    CPacker(IPlatform& platform, IFolderSource& source, const SPackOptions& options);

    // The folder tree alone.
    SPackResult PackPlain();
    // The folder against its manifest and the original file's bytes, which
    // must be the manifest's source (checked by the caller).
    SPackResult PackWithManifest(const SManifest& manifest, const uint8_t* base, size_t baseSize);

private:
    struct SBuilt;
    class CCoverage;
    // A file or folder not in the manifest (or any, without one), ready to
    // become an entry.
    struct SNewItem {
        std::vector<uint8_t> name;  // the entry name's bytes
        std::u16string strEntryName;
        std::u16string strPath;      // relative to the packed folder
        std::u16string strFolder;    // its container's folder
        std::u16string strExpected;  // relative to that folder: what extraction must write
        std::u16string strFileName;  // its own name
        std::vector<uint8_t> content;  // a file's, read before it is named
        bool bFolder = false;
    };
    // How the entries of a container name the files extraction wrote for
    // them: a name extension, the written one, and how many entries do so.
    struct SNameVote {
        std::u16string strWritten;
        std::u16string strEntry;
        int nCount = 0;
    };

    // Each returns false when packing stops (Refuse or Fail said why).
    bool BuildPlainContainer(const std::u16string& folder, SBuilt& out);
    // collectNew: whether new files and folders of `folder` join this
    // container (not when a child with an empty folder name shares its
    // parent's folder: they join the parent).
    bool BuildManifestContainer(const SManifestContainer& container, const std::u16string& folder, bool collectNew,
                                SBuilt& out);
    bool AddManifestFile(const SManifestEntry& entry, const std::u16string& folder, SBuilt& out);
    bool AddManifestChild(const SManifestEntry& entry, const std::u16string& folder, SBuilt& out);
    // madeCmap: extraction made the container's cmap folder (MadeCmapFolder).
    bool CollectNewItems(const std::u16string& folder, const std::u16string& holding, bool madeCmap,
                         std::vector<SNewItem>& found);
    bool CollectNewItem(const std::u16string& folder, const std::u16string& holding, bool madeCmap,
                        const SFolderItem& item, std::vector<SNewItem>& found);
    bool MadeCmapFolder(const SManifestContainer& container, const std::u16string& folder);
    bool MakeNewItem(const std::u16string& folder, const std::u16string& holding, const SFolderItem& item,
                     SNewItem& made);
    bool AddSorted(std::vector<SNewItem>& items, const std::vector<SNameVote>& votes, bool report, SBuilt& out);
    bool AddNewItem(const SNewItem& item, SBuilt& out);
    // Reads a new file and names its entry: the first of the names the
    // votes suggest, then its own name, that extraction turns back into it.
    bool NameNewFile(const std::vector<SNameVote>& votes, SNewItem& item);
    bool ExtractsTo(const std::u16string& entryName, const std::vector<uint8_t>& content, const std::u16string& folder,
                    const std::u16string& expected);
    std::vector<SNameVote> CountNameVotes(const SManifestContainer& container);
    // Whether the skip rule keeps the new item at path out (reported).
    bool Skipped(const std::u16string& path);
    // After a refusal, packing goes on to find the others; after a failure,
    // it stops.
    bool GoesOn() const { return m_result.eStatus != EPackStatus::Failed; }
    // The text in the language of the messages.
    const char16_t* Text(const char16_t* english, const char16_t* japanese) const {
        return m_options.bJapanese ? japanese : english;
    }
    bool MakeFilePayload(const std::u16string& path, const std::vector<uint8_t>& content, bool gzip,
                         std::vector<uint8_t>& payload);
    bool CheckReadsBack(const std::u16string& path, const std::vector<uint8_t>& payload, bool gzip,
                        const std::vector<uint8_t>& content);
    // Refuses the file at path unless extraction writes its content, as the
    // entry of that name in `folder`, at `expected`.
    bool CheckWrittenName(const std::u16string& path, const std::u16string& entryName,
                          const std::vector<uint8_t>& content, const std::u16string& folder,
                          const std::u16string& expected);
    // The manifest's word checked against the base: each entry's header
    // (name, size, kind) and where each container's walk stops.
    bool CheckBaseEntry(const SManifestEntry& entry, const SManifestContainer& container);
    bool CheckBaseStop(const SManifestContainer& container);
    bool FailManifest(const std::u16string& path, int64_t offset, const std::u16string& why);
    // Whether the file holds exactly what extraction writes for the base's entry.
    bool IsUnchanged(const SManifestEntry& entry, const std::vector<uint8_t>& content);
    std::u16string DecodedName(const std::vector<uint8_t>& bytes);
    // A new item's own name: no separator, nothing extraction refuses.
    bool CheckNewName(const std::u16string& path, const std::u16string& name);
    bool EncodeEntryName(const std::u16string& path, const std::u16string& entryName, std::vector<uint8_t>& bytes);
    bool CheckChildFolderName(const std::u16string& path, const std::u16string& name);
    bool CheckNoCaseCollision(const std::u16string& folder, const std::vector<SFolderItem>& items);
    bool CheckContainer(const std::u16string& path, const SBuilt& child);
    bool AppendEntry(const std::u16string& path, const std::vector<uint8_t>& name, const std::vector<uint8_t>& payload,
                     EPlacement how, SBuilt& out);
    bool AppendChild(const std::u16string& path, const std::vector<uint8_t>& name, SBuilt& child, SBuilt& out);
    // The child's copied ranges and placed entries, from `start` in out.
    void AppendRanges(const SBuilt& child, int64_t start, SBuilt& out);
    void CopyBase(int64_t begin, int64_t end, bool withoutFile, SBuilt& out);
    void CopyEntry(const SManifestEntry& entry, bool withoutFile, SBuilt& out);
    bool DropIfMissing(const SManifestEntry& entry, bool missing);
    bool CheckItemKind(const std::u16string& path, EItemKind kind);
    bool RefuseUnreadable(const std::u16string& path, ESourceResult result);
    bool ReadSourceFile(const std::u16string& path, std::vector<uint8_t>& content, bool& missing);
    bool ListSourceFolder(const std::u16string& path, std::vector<SFolderItem>& items, bool& missing);
    bool Stop(EPackStatus status, const std::u16string& path, const std::u16string& why);
    bool Refuse(const std::u16string& path, const std::u16string& why);
    bool Fail(const std::u16string& path, const std::u16string& why);
    void Report(const std::u16string& path, EPackChange change, const std::u16string& note);
    SPackResult Finish(SBuilt& top);
    uint8_t* InflateBuffer();

    IPlatform& m_platform;
    IFolderSource& m_source;
    SPackOptions m_options;
    unsigned m_nCodePage = 0;
    const uint8_t* m_pBase = nullptr;
    size_t m_nBaseSize = 0;
    const CCoverage* m_pCoverage = nullptr;
    std::unique_ptr<uint8_t[]> m_pInflateBuffer;
    std::vector<uint8_t> m_fileBuffer;  // the file AddManifestFile reads, reused
    SPackResult m_result;
};

// Whether count bytes at a and b are the same; no byte is read when count is
// 0 (an empty vector's data may be null).
inline bool SameBytes(const uint8_t* a, const uint8_t* b, size_t count) {
    return count == 0 || std::memcmp(a, b, count) == 0;
}

// The number in decimal digits, for messages.
std::u16string DecimalText(int64_t value);

// The path as the system compares names: letters folded when it ignores case.
std::u16string FoldPath(const std::u16string& path, bool ignoresCase);

// The output name extraction gives a file entry of this name and content,
// relative to its container's folder with '/' between levels; empty when the
// name would be refused.
std::u16string WrittenFileName(IPlatform& platform, const std::u16string& entryName, const uint8_t* content,
                               size_t length);

// The folder name extraction gives a child container entry of this name
// (without its last extension and one trailing blank, fitted to the system);
// empty when the name would be refused.
std::u16string ChildFolderName(IPlatform& platform, const std::u16string& entryName);
