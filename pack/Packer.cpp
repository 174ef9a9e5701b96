#include "pack/Packer.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "base/LetterCase.h"
#include "extract/Container.h"
#include "extract/Inflate.h"
#include "extract/NameSafety.h"
#include "extract/OutputNaming.h"

namespace {

const char16_t* UnopenableText(bool japanese) {
    return japanese ? u"Windows がそのままでは開けない名前です (末尾が点か空白、または * ? \" < > | \\ : か制御文字を"
                      u"含みます)"
                    : u"has a name Windows cannot open as it stands (it ends in a dot or a blank, or holds * ? \" < > | "
                      u"\\ : or a control character)";
}

// The largest entry a size field of nine digits can state.
constexpr int64_t kMaxEntrySize = 999999999;
// Name bytes that leave the name field its ending NUL.
constexpr size_t kMaxNameBytes = kNameFieldSize - 1;

// The extension of a path's last level: from its last '.', or "" without one.
std::u16string LeafExtension(const std::u16string& path) {
    const size_t slash = path.find_last_of(u"/\\");
    const std::u16string leaf = slash == std::u16string::npos ? path : path.substr(slash + 1);
    return NameExtension(leaf.c_str());
}

std::u16string Join(const std::u16string& folder, const std::u16string& name) {
    return folder.empty() ? name : name.empty() ? folder : folder + u'/' + name;
}


// A gzip member of the content with zlib's default header (no name, time 0),
// its system byte set to Unix wherever the tool runs: one folder packs to the
// same bytes on every system.
bool Deflate(const std::vector<uint8_t>& content, int level, std::vector<uint8_t>& out) {
    z_stream stream = {};
    if (deflateInit2(&stream, level, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    gz_header header = {};
    header.os = 3;
    if (deflateSetHeader(&stream, &header) != Z_OK) {
        deflateEnd(&stream);
        return false;
    }
    out.resize(deflateBound(&stream, uLong(content.size())));
    stream.next_in = const_cast<Bytef*>(content.data());
    stream.avail_in = uInt(content.size());
    stream.next_out = out.data();
    stream.avail_out = uInt(out.size());
    const int result = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return result == Z_STREAM_END;
}

}  // namespace

std::u16string FoldPath(const std::u16string& path, bool ignoresCase) {
    if (!ignoresCase)
        return path;
    std::u16string folded = path;
    for (char16_t& ch : folded)
        ch = FoldLetter(ch);
    return folded;
}

std::u16string DecimalText(int64_t value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

std::u16string WrittenFileName(IPlatform& platform, const std::u16string& entryName, const uint8_t* content,
                               size_t length) {
    const SNameRules rules = platform.NameRules();
    char16_t name[kPathCapacity];
    if (!FitFileName(entryName.c_str(), rules, name, kPathCapacity))
        return std::u16string();
    FinishFileName(name, kPathCapacity, entryName.c_str(), content, int32_t(std::min<size_t>(length, INT32_MAX)),
                   rules);
    return NormalizedPath(name);
}

std::u16string ChildFolderName(IPlatform& platform, const std::u16string& entryName) {
    char16_t name[kPathCapacity];
    if (!MakeChildFolderName(entryName.c_str(), platform.NameRules(), name, kPathCapacity))
        return std::u16string();
    return NormalizedPath(name);
}

// What is being built: a container's bytes, the ranges of them copied without
// a file in the folder, and the entries placed.
struct CPacker::SBuilt {
    std::vector<uint8_t> bytes;
    std::vector<SByteRange> copied;
    std::vector<SPlacedEntry> placed;
    int32_t nEntries = 0;
};

// The paths a manifest accounts for: every entry's path and the folders above
// it, and the folders of walked child containers. Compared as the system
// compares names.
class CPacker::CCoverage {
public:
    CCoverage(const SManifestContainer& root, bool ignoresCase) : m_bIgnoresCase(ignoresCase) { Add(root); }
    bool Covers(const std::u16string& path) const { return m_covered.count(FoldPath(path, m_bIgnoresCase)) != 0; }
    bool IsContainerFolder(const std::u16string& path) const {
        return m_containers.count(FoldPath(path, m_bIgnoresCase)) != 0;
    }
    bool IsCmap(const std::u16string& path) const { return FoldPath(path, true) == u"cmap"; }

private:
    void Add(const SManifestContainer& container) {
        for (const SManifestEntry& entry : container.entries) {
            if (entry.bHasPath) {
                const std::u16string path = FoldPath(entry.strPath, m_bIgnoresCase);
                for (size_t slash = path.find(u'/'); slash != std::u16string::npos; slash = path.find(u'/', slash + 1))
                    m_covered.insert(path.substr(0, slash));
                m_covered.insert(path);
            }
            if (entry.pContainer && entry.bWritten) {
                m_containers.insert(FoldPath(entry.strPath, m_bIgnoresCase));
                Add(*entry.pContainer);
            }
        }
    }
    bool m_bIgnoresCase;
    std::set<std::u16string> m_covered;
    std::set<std::u16string> m_containers;
};

CPacker::CPacker(IPlatform& platform, IFolderSource& source, const SPackOptions& options)
    : m_platform(platform), m_source(source), m_options(options), m_nCodePage(options.nCodePage) {}

// The first reason is the one reported, but a failure wins over refusals.
bool CPacker::Stop(EPackStatus status, const std::u16string& path, const std::u16string& why) {
    if (m_result.eStatus == EPackStatus::Done ||
        (status == EPackStatus::Failed && m_result.eStatus == EPackStatus::Refused)) {
        m_result.eStatus = status;
        m_result.strPath = path;
        m_result.strMessage = why;
    }
    return false;
}

bool CPacker::Refuse(const std::u16string& path, const std::u16string& why) {
    m_result.refusals.push_back({path, why});
    return Stop(EPackStatus::Refused, path, why);
}

bool CPacker::Skipped(const std::u16string& path) {
    std::u16string pattern;
    if (!m_options.pSkip || !m_options.pSkip->Skips(path, pattern))
        return false;
    m_result.changes.push_back({path, EPackChange::Skipped, pattern, u""});
    m_result.skippedPaths.push_back(path);
    return true;
}

bool CPacker::Fail(const std::u16string& path, const std::u16string& why) { return Stop(EPackStatus::Failed, path, why); }

void CPacker::Report(const std::u16string& path, EPackChange change, const std::u16string& note) {
    m_result.changes.push_back({path, change, note, u""});
}

uint8_t* CPacker::InflateBuffer() {
    // Not filled: only what an inflation says it wrote is read.
    if (!m_pInflateBuffer)
        m_pInflateBuffer.reset(new uint8_t[kDecompressionBufferSize]);
    return m_pInflateBuffer.get();
}

// Why something at path is not what the packer can read; false (Refuse or
// Fail said so) for every result but Ok and Missing.
bool CPacker::RefuseUnreadable(const std::u16string& path, ESourceResult result) {
    switch (result) {
    case ESourceResult::Ok:
    case ESourceResult::Missing: return false;
    case ESourceResult::Link:
        return Refuse(path, Text(u"is a link, or lies in a folder that is one (neither a regular file nor a folder): "
                                 u"links are never followed",
                                 u"リンクか、リンクであるフォルダの中にあります (通常のファイルでもフォルダでもありません)。"
                                 u"リンクはたどりません"));
    case ESourceResult::NotFile:
        return Refuse(path, Text(u"is neither a regular file nor a folder (a pipe, a device, ...)",
                                 u"通常のファイルでもフォルダでもありません (パイプ、デバイスなど)"));
    case ESourceResult::NotFolder: return Refuse(path, Text(u"is not a folder", u"フォルダではありません"));
    case ESourceResult::Unopenable: return Refuse(path, UnopenableText(m_options.bJapanese));
    case ESourceResult::TooLarge:
        return Refuse(path, Text(u"is too large: an entry holds at most 999,999,999 bytes with its 50-byte header",
                                 u"大きすぎます: エントリは 50 バイトのヘッダを含めて 999,999,999 バイトまでです"));
    case ESourceResult::Failed: break;
    }
    return Fail(path, Text(u"cannot be read", u"読み込めません"));
}

bool CPacker::CheckItemKind(const std::u16string& path, EItemKind kind) {
    switch (kind) {
    case EItemKind::File:
    case EItemKind::Folder: return true;
    case EItemKind::Link: return RefuseUnreadable(path, ESourceResult::Link);
    case EItemKind::Other: return RefuseUnreadable(path, ESourceResult::NotFile);
    case EItemKind::Unopenable: break;
    }
    return RefuseUnreadable(path, ESourceResult::Unopenable);
}

bool CPacker::ReadSourceFile(const std::u16string& path, std::vector<uint8_t>& content, bool& missing) {
    const ESourceResult result = m_source.ReadFile(path, content);
    missing = result == ESourceResult::Missing;
    return result == ESourceResult::Ok || RefuseUnreadable(path, result);
}

bool CPacker::ListSourceFolder(const std::u16string& path, std::vector<SFolderItem>& items, bool& missing) {
    items.clear();
    const ESourceResult result = m_source.ListFolder(path, items);
    missing = result == ESourceResult::Missing;
    return result == ESourceResult::Ok || RefuseUnreadable(path, result);
}

bool CPacker::AppendEntry(const std::u16string& path, const std::vector<uint8_t>& name,
                          const std::vector<uint8_t>& payload, EPlacement how, SBuilt& out) {
    const int64_t size = kEntryHeaderSize + int64_t(payload.size());
    if (size > kMaxEntrySize)
        return Refuse(path, Text(u"would make an entry of ", u"ヘッダを含めて ") + DecimalText(size) +
                                Text(u" bytes with its header: an entry holds at most 999,999,999",
                                     u" バイトのエントリになります: エントリは 999,999,999 バイトまでです"));
    if (name.size() > kMaxNameBytes)
        return Refuse(path, Text(u"has an entry name that fills its name field: its size cannot change",
                                 u"エントリ名が名前欄を埋めているため、サイズを変えられません"));
    if (int64_t(out.bytes.size()) + size > kMaxPackedSize)
        return Refuse(path, Text(u"does not fit: a custom file holds at most 2 GiB - 1 bytes",
                                 u"入りきりません: カスタムファイルは 2 GiB - 1 バイトまでです"));
    out.placed.push_back({int64_t(out.bytes.size()), how, path});
    uint8_t header[kEntryHeaderSize];
    MakeEntryHeader(name.data(), int32_t(name.size()), int32_t(size), header);
    out.bytes.insert(out.bytes.end(), header, header + kEntryHeaderSize);
    out.bytes.insert(out.bytes.end(), payload.begin(), payload.end());
    ++out.nEntries;
    return true;
}

bool CPacker::CheckContainer(const std::u16string& path, const SBuilt& child) {
    // After a refusal the bytes lack the refused items: they say nothing more.
    if (m_result.eStatus != EPackStatus::Done)
        return false;
    if (child.bytes.empty())
        return Refuse(path, Text(u"is empty: a container needs at least one entry",
                                 u"空です: コンテナには少なくとも 1 つのエントリが必要です"));
    if (!IsValidEntryHeader(child.bytes.data(), int32_t(std::min<size_t>(child.bytes.size(), INT32_MAX))))
        return Refuse(path, Text(u"holds only an empty file: it would be read back as that file, not as a folder",
                                 u"空のファイルしかありません: フォルダではなくそのファイルとして読み戻されます"));
    return true;
}

bool CPacker::AppendChild(const std::u16string& path, const std::vector<uint8_t>& name, SBuilt& child, SBuilt& out) {
    if (!CheckContainer(path, child))
        return false;
    const int64_t start = int64_t(out.bytes.size()) + kEntryHeaderSize;
    if (!AppendEntry(path, name, child.bytes, EPlacement::Folder, out))
        return false;
    AppendRanges(child, start, out);
    return true;
}

void CPacker::AppendRanges(const SBuilt& child, int64_t start, SBuilt& out) {
    for (const SByteRange& range : child.copied)
        out.copied.push_back({start + range.nBegin, start + range.nEnd});
    for (const SPlacedEntry& placed : child.placed)
        out.placed.push_back({start + placed.nOffset, placed.eHow, placed.strPath});
    out.nEntries += child.nEntries;
}

void CPacker::CopyBase(int64_t begin, int64_t end, bool withoutFile, SBuilt& out) {
    if (withoutFile && end > begin)
        out.copied.push_back({int64_t(out.bytes.size()), int64_t(out.bytes.size()) + end - begin});
    out.bytes.insert(out.bytes.end(), m_pBase + begin, m_pBase + end);
}

bool CPacker::MakeFilePayload(const std::u16string& path, const std::vector<uint8_t>& content, bool gzip,
                              std::vector<uint8_t>& payload) {
    std::u16string note;
    if (gzip && content.size() > kDecompressionBufferSize)
        note = u"over 16 MiB";
    else if (gzip && content.empty())
        note = u"empty";
    else if (gzip && !Deflate(content, m_options.nLevel, payload))
        return Fail(path, Text(u"cannot be compressed", u"圧縮できません"));
    else if (gzip && IsValidEntryHeader(payload.data(), int32_t(payload.size())))
        note = u"the compressed bytes would read as a container";
    if (!note.empty()) {
        gzip = false;
        Report(path, EPackChange::StoredNotGzipped, note);
    }
    if (!gzip)
        payload = content;
    return CheckReadsBack(path, payload, gzip, content);
}

bool CPacker::CheckReadsBack(const std::u16string& path, const std::vector<uint8_t>& payload, bool gzip,
                             const std::vector<uint8_t>& content) {
    const int32_t length = int32_t(payload.size());  // below kMaxSourceFileSize
    if (IsValidEntryHeader(payload.data(), length))
        return Refuse(path, Text(u"would be read back as a child container: its bytes 40 to 49 form an entry size field",
                                 u"子コンテナとして読み戻されます: 40〜49 バイト目がエントリのサイズ欄になっています"));
    if (!IsCompressedPayload(payload.data(), length))
        return true;
    const SInflateResult inflated = InflatePayload(InflateBuffer(), kDecompressionBufferSize, payload.data(), length);
    if (!gzip && inflated.Inflated())
        return Refuse(path, Text(u"would be read back inflated: it is gzip data (it begins 1F 8B 08); compress it "
                                 u"away or rename the entry to gzip it with --gzip",
                                 u"伸長されて読み戻されます: gzip データです (1F 8B 08 で始まります)。別の形式で圧縮するか、"
                                 u"--gzip で gzip にしてください"));
    if (gzip && (!inflated.Inflated() || size_t(inflated.nSize) != content.size() ||
                 !SameBytes(InflateBuffer(), content.data(), content.size())))
        return Fail(path, Text(u"does not inflate back to its content", u"伸長しても元の内容に戻りません"));
    return true;
}

bool CPacker::CheckWrittenName(const std::u16string& path, const std::u16string& entryName,
                               const std::vector<uint8_t>& content, const std::u16string& folder,
                               const std::u16string& expected) {
    const std::u16string written = WrittenFileName(m_platform, entryName, content.data(), content.size());
    if (written.empty())
        return Refuse(path, Text(u"has a name that extraction refuses", u"展開で拒否される名前です"));
    const std::u16string whole = NormalizedPath(Join(folder, written));
    if (whole == expected)
        return true;
    return Refuse(path, Text(u"would be extracted as ", u"どのエントリ名にしても ") + whole +
                            Text(u" whatever its entry is named: its name's extension does not fit its content; rename it",
                                 u" として展開されます: 拡張子が内容に合いません。名前を変えてください"));
}

bool CPacker::CheckNewName(const std::u16string& path, const std::u16string& name) {
    if (name.find_first_of(u"\\/:") != std::u16string::npos)
        return Refuse(path, Text(u"has \\, / or : in its name, which an entry name cannot hold",
                                 u"名前に \\、/ または : があり、エントリ名にできません"));
    if (IsUnsafeName(name.c_str(), true))
        return Refuse(path, Text(u"has a name extraction refuses: it names a device or climbs out of its folder",
                                 u"展開で拒否される名前です: デバイス名か、フォルダの外を指します"));
    return true;
}

bool CPacker::EncodeEntryName(const std::u16string& path, const std::u16string& entryName,
                              std::vector<uint8_t>& bytes) {
    uint8_t encoded[256];
    size_t length = 0;
    if (!m_platform.EncodeName(entryName.c_str(), encoded, sizeof encoded, length))
        return Refuse(path, Text(u"has a name that code page ", u"名前をコードページ ") + DecimalText(m_nCodePage) +
                                Text(u" cannot write", u" で書けません"));
    if (length > kMaxNameBytes)
        return Refuse(path, Text(u"has a name of ", u"名前が ") + DecimalText(int64_t(length)) +
                                Text(u" bytes in code page ", u" バイトです (コードページ ") + DecimalText(m_nCodePage) +
                                Text(u": at most 39 fit", u"): 39 バイトまでです"));
    bytes.assign(encoded, encoded + length);
    return true;
}

bool CPacker::CheckChildFolderName(const std::u16string& path, const std::u16string& name) {
    if (!name.empty() && (name.back() == u' ' || name.back() == u'.'))
        return Refuse(path, Text(u"is a folder whose name ends in a blank or a dot, which extraction drops",
                                 u"名前の末尾が空白か点のフォルダです。展開ではそれが落とされます"));
    const std::u16string back = ChildFolderName(m_platform, name + u".pak");
    if (back != name)
        return Refuse(path, Text(u"is a folder that extraction would name ", u"展開ではこのフォルダの名前が次になります: ") +
                                (back.empty() ? Text(u"nothing", u"(なし)") : back));
    return true;
}

bool CPacker::CheckNoCaseCollision(const std::u16string& folder, const std::vector<SFolderItem>& items) {
    std::set<std::u16string> seen;
    bool none = true;
    for (const SFolderItem& item : items) {
        if (!seen.insert(FoldPath(item.strName, true)).second)
            none = Refuse(Join(folder, item.strName),
                          Text(u"differs from another name in its folder only in letter case: Windows takes them as one",
                               u"同じフォルダの別の名前と大文字小文字だけが違います: Windows では同じ名前です"));
    }
    return none;
}

bool CPacker::MakeNewItem(const std::u16string& folder, const std::u16string& holding, const SFolderItem& item,
                          SNewItem& made) {
    const std::u16string path = Join(folder, Join(holding, item.strName));
    if (!CheckItemKind(path, item.eKind))
        return false;
    made.strPath = path;
    made.strFolder = folder;
    made.strExpected = Join(holding, item.strName);
    made.strFileName = item.strName;
    made.bFolder = item.eKind == EItemKind::Folder;
    if (!CheckNewName(path, item.strName))
        return false;
    if (!made.bFolder)
        return true;  // named once its content is read (NameNewFile)
    if (!CheckChildFolderName(path, item.strName))
        return false;
    std::u16string entryName = made.strExpected;
    std::replace(entryName.begin(), entryName.end(), u'/', u'\\');
    made.strEntryName = entryName + u".pak";
    return EncodeEntryName(path, made.strEntryName, made.name);
}

bool CPacker::ExtractsTo(const std::u16string& entryName, const std::vector<uint8_t>& content,
                         const std::u16string& folder, const std::u16string& expected) {
    const std::u16string written = WrittenFileName(m_platform, entryName, content.data(), content.size());
    return !written.empty() && NormalizedPath(Join(folder, written)) == expected;
}

bool CPacker::NameNewFile(const std::vector<SNameVote>& votes, SNewItem& item) {
    bool missing = false;
    if (!ReadSourceFile(item.strPath, item.content, missing))
        return missing ? Fail(item.strPath, Text(u"was there a moment ago and is gone", u"直前まであったのに消えました")) : false;
    std::u16string holding = item.strExpected.substr(0, item.strExpected.size() - item.strFileName.size());
    std::replace(holding.begin(), holding.end(), u'/', u'\\');
    const std::u16string own = holding + item.strFileName;
    const std::u16string written = LeafExtension(item.strFileName);
    const std::u16string stem = item.strFileName.substr(0, item.strFileName.size() - written.size());
    // The votes come sorted, most first; the file's own name is the last resort.
    std::u16string chosen;
    for (const SNameVote& vote : votes) {
        const std::u16string candidate = holding + stem + vote.strEntry;
        if (vote.strWritten == written && ExtractsTo(candidate, item.content, item.strFolder, item.strPath)) {
            chosen = candidate;
            break;
        }
    }
    if (chosen.empty()) {
        if (!CheckWrittenName(item.strPath, own, item.content, item.strFolder, item.strPath))
            return false;
        chosen = own;
    }
    item.strEntryName = chosen;
    return EncodeEntryName(item.strPath, chosen, item.name);
}

std::vector<CPacker::SNameVote> CPacker::CountNameVotes(const SManifestContainer& container) {
    std::vector<SNameVote> votes;
    for (const SManifestEntry& entry : container.entries) {
        const bool file = entry.eKind == EManifestKind::Stored || entry.eKind == EManifestKind::Gzip ||
                          entry.eKind == EManifestKind::GzipFailed;
        if (!file || !entry.bHasPath)
            continue;
        const std::u16string written = LeafExtension(entry.strPath);
        const std::u16string name = LeafExtension(DecodedName(entry.nameBytes));
        const auto same = [&](const SNameVote& vote) { return vote.strWritten == written && vote.strEntry == name; };
        const auto found = std::find_if(votes.begin(), votes.end(), same);
        if (found == votes.end())
            votes.push_back({written, name, 1});
        else
            ++found->nCount;
    }
    // Most first; among equals, the one met first in the container.
    std::stable_sort(votes.begin(), votes.end(),
                     [](const SNameVote& a, const SNameVote& b) { return a.nCount > b.nCount; });
    return votes;
}

bool CPacker::AddNewItem(const SNewItem& item, SBuilt& out) {
    if (item.bFolder) {
        SBuilt child;
        return BuildPlainContainer(item.strPath, child) && AppendChild(item.strPath, item.name, child, out);
    }
    std::vector<uint8_t> payload;
    const bool gzip = m_options.pGzip && m_options.pGzip->Selects(item.strPath.c_str());
    return MakeFilePayload(item.strPath, item.content, gzip, payload) &&
           AppendEntry(item.strPath, item.name, payload, EPlacement::File, out);
}

bool CPacker::AddSorted(std::vector<SNewItem>& items, const std::vector<SNameVote>& votes, bool report,
                        SBuilt& out) {
    // Files are named first: the entries go in the order of their names.
    std::vector<SNewItem> named;
    for (SNewItem& item : items) {
        if (item.bFolder || NameNewFile(votes, item))
            named.push_back(std::move(item));
        else if (!GoesOn())
            return false;
    }
    std::stable_sort(named.begin(), named.end(),
                     [](const SNewItem& a, const SNewItem& b) { return a.name < b.name; });
    for (SNewItem& item : named) {
        if (!AddNewItem(item, out)) {
            if (!GoesOn())
                return false;
            continue;
        }
        item.content = std::vector<uint8_t>();
        if (report)
            m_result.changes.push_back({item.strPath, EPackChange::Added, u"", item.strEntryName});
    }
    return true;
}

bool CPacker::BuildPlainContainer(const std::u16string& folder, SBuilt& out) {
    std::vector<SFolderItem> items;
    bool missing = false;
    if (!ListSourceFolder(folder, items, missing))
        return missing ? Fail(folder, Text(u"is not a folder", u"フォルダではありません")) : false;
    if (items.empty())
        return Refuse(folder, Text(u"is an empty folder: a container needs at least one entry",
                                   u"空のフォルダです: コンテナには少なくとも 1 つのエントリが必要です"));
    std::vector<SFolderItem> kept;
    for (SFolderItem& item : items) {
        if (!Skipped(Join(folder, item.strName)))
            kept.push_back(std::move(item));
    }
    if (kept.empty())
        return Refuse(folder, Text(u"holds nothing but skipped files: a container needs at least one entry",
                                   u"除外したファイルしかありません: コンテナには少なくとも 1 つのエントリが必要です"));
    if (!CheckNoCaseCollision(folder, kept))
        return false;
    std::vector<SNewItem> made;
    for (const SFolderItem& item : kept) {
        made.emplace_back();
        if (!MakeNewItem(folder, u"", item, made.back())) {
            made.pop_back();
            if (!GoesOn())
                return false;
        }
    }
    return AddSorted(made, {}, false, out);
}

SPackResult CPacker::PackPlain() {
    m_result = SPackResult();
    SBuilt top;
    if (BuildPlainContainer(u"", top))
        CheckContainer(u"", top);
    return Finish(top);
}

SPackResult CPacker::Finish(SBuilt& top) {
    if (m_result.eStatus == EPackStatus::Done) {
        m_result.bytes = std::move(top.bytes);
        m_result.copiedRanges = std::move(top.copied);
        m_result.placed = std::move(top.placed);
        m_result.nEntries = top.nEntries;
    }
    return std::move(m_result);
}

bool CPacker::CollectNewItems(const std::u16string& folder, const std::u16string& holding, bool madeCmap,
                              std::vector<SNewItem>& found) {
    std::vector<SFolderItem> items;
    bool missing = false;
    const std::u16string path = Join(folder, holding);
    if (!ListSourceFolder(path, items, missing))
        return missing ? Fail(path, Text(u"is not a folder", u"フォルダではありません")) : false;
    for (const SFolderItem& item : items) {
        if (!CollectNewItem(folder, holding, madeCmap, item, found) && !GoesOn())
            return false;
    }
    return true;
}

bool CPacker::CollectNewItem(const std::u16string& folder, const std::u16string& holding, bool madeCmap,
                             const SFolderItem& item, std::vector<SNewItem>& found) {
    const std::u16string itemPath = Join(Join(folder, holding), item.strName);
    // A link is refused wherever it stands, also at an entry's path.
    if (!CheckItemKind(itemPath, item.eKind))
        return false;
    // The cmap folder extraction made stays, also when none of its
    // entries was written there.
    const bool cmap = madeCmap && holding.empty() && item.eKind == EItemKind::Folder &&
                      FoldPath(item.strName, m_platform.NameRules().bIgnoresCase) == kCmapFolderName;
    if (cmap || m_pCoverage->Covers(itemPath)) {
        // A folder that only holds entries' files (cmap) may get new ones.
        return item.eKind != EItemKind::Folder || m_pCoverage->IsContainerFolder(itemPath) ||
               CollectNewItems(folder, Join(holding, item.strName), false, found);
    }
    if (Skipped(itemPath))
        return true;
    if (!holding.empty() && !m_pCoverage->IsCmap(holding))
        return Refuse(itemPath, Text(u"is new in a folder that is neither a container's folder nor cmap: "
                                     u"extraction would not make that folder for it",
                                     u"コンテナのフォルダでも cmap でもないフォルダに新しく置かれています: "
                                     u"展開ではそのフォルダは作られません"));
    if (!holding.empty() && item.eKind == EItemKind::Folder)
        return Refuse(itemPath, Text(u"is a new folder inside cmap: only files go there",
                                     u"cmap の中の新しいフォルダです: cmap にはファイルだけを置けます"));
    found.emplace_back();
    if (MakeNewItem(folder, holding, item, found.back()))
        return true;
    found.pop_back();
    return false;
}

void CPacker::CopyEntry(const SManifestEntry& entry, bool withoutFile, SBuilt& out) {
    out.placed.push_back({int64_t(out.bytes.size()), withoutFile ? EPlacement::Copied : EPlacement::File,
                          entry.bHasPath ? entry.strPath : std::u16string()});
    CopyBase(entry.nOffset, int64_t(entry.nOffset) + kEntryHeaderSize + entry.nPayloadLength, withoutFile, out);
    ++out.nEntries;
    if (withoutFile && entry.bHasPath)
        m_result.uncomparedPaths.push_back(entry.strPath);
}

// A file or folder the manifest names that is gone: its entry is dropped.
bool CPacker::DropIfMissing(const SManifestEntry& entry, bool missing) {
    if (missing)
        Report(entry.strPath, EPackChange::Deleted, u"");
    return missing;
}

bool CPacker::AddManifestFile(const SManifestEntry& entry, const std::u16string& folder, SBuilt& out) {
    if (!entry.bWritten) {
        CopyEntry(entry, true, out);
        return true;
    }
    // One buffer for every file read: its pages stay mapped from file to file.
    std::vector<uint8_t>& content = m_fileBuffer;
    bool missing = false;
    if (!ReadSourceFile(entry.strPath, content, missing))
        return DropIfMissing(entry, missing);
    const std::u16string name = DecodedName(entry.nameBytes);
    if (IsUnchanged(entry, content)) {
        // Extraction of the base wrote this content there, or the manifest
        // does not describe the base.
        const std::u16string written =
            NormalizedPath(Join(folder, WrittenFileName(m_platform, name, content.data(), content.size())));
        if (written != entry.strPath)
            return FailManifest(entry.strPath, entry.nOffset, Text(u"extraction writes it as ", u"展開では次に書かれます: ") + written);
        CopyEntry(entry, false, out);
        return true;
    }
    std::vector<uint8_t> payload;
    if (!MakeFilePayload(entry.strPath, content, entry.eKind == EManifestKind::Gzip, payload) ||
        !CheckWrittenName(entry.strPath, name, content, folder, entry.strPath) ||
        !AppendEntry(entry.strPath, entry.nameBytes, payload, EPlacement::File, out))
        return false;
    Report(entry.strPath, EPackChange::Changed, u"");
    return true;
}

bool CPacker::AddManifestChild(const SManifestEntry& entry, const std::u16string& folder, SBuilt& out) {
    // A child walked without its folder (a file stood there) wrote nothing.
    if (!entry.pContainer || !entry.bWritten) {
        CopyEntry(entry, true, out);
        return true;
    }
    const std::u16string made = NormalizedPath(Join(folder, ChildFolderName(m_platform, DecodedName(entry.nameBytes))));
    if (made != entry.strPath)
        return FailManifest(entry.strPath, entry.nOffset, Text(u"extraction makes its folder ", u"展開ではフォルダが次になります: ") + made);
    std::vector<SFolderItem> items;
    bool missing = false;
    if (!ListSourceFolder(entry.strPath, items, missing))
        return DropIfMissing(entry, missing);
    const int64_t begin = entry.nOffset;
    SBuilt child;
    // Room for the original payload: an unchanged child never grows its buffer.
    child.bytes.reserve(size_t(entry.nPayloadLength));
    if (!BuildManifestContainer(*entry.pContainer, entry.strPath, entry.strPath != folder, child))
        return false;
    const bool same = child.bytes.size() == size_t(entry.nPayloadLength) &&
                      SameBytes(child.bytes.data(), m_pBase + begin + kEntryHeaderSize, child.bytes.size());
    if (!same) {
        if (!AppendChild(entry.strPath, entry.nameBytes, child, out))
            return false;
        Report(entry.strPath, EPackChange::Changed, u"");
        return true;
    }
    out.placed.push_back({int64_t(out.bytes.size()), EPlacement::Folder, entry.strPath});
    CopyBase(begin, begin + kEntryHeaderSize, false, out);
    const int64_t start = int64_t(out.bytes.size());
    out.bytes.insert(out.bytes.end(), child.bytes.begin(), child.bytes.end());
    ++out.nEntries;
    AppendRanges(child, start, out);
    return true;
}

// Whether extraction made a cmap folder in `folder`: an entry of the
// container it walked named one, or an entry of a child that fills the same
// folder (its folder name being empty or ".").
bool CPacker::MadeCmapFolder(const SManifestContainer& container, const std::u16string& folder) {
    for (const SManifestEntry& entry : container.entries) {
        if (entry.eKind == EManifestKind::Damaged)
            continue;
        if (NameMakesCmapFolder(DecodedName(entry.nameBytes).c_str()))
            return true;
        if (entry.pContainer && entry.bWritten && entry.strPath == folder && MadeCmapFolder(*entry.pContainer, folder))
            return true;
    }
    return false;
}

bool CPacker::BuildManifestContainer(const SManifestContainer& container, const std::u16string& folder,
                                     bool collectNew, SBuilt& out) {
    for (const SManifestEntry& entry : container.entries) {
        if (!CheckBaseEntry(entry, container))
            return false;
        if (entry.eKind == EManifestKind::Damaged)
            continue;  // part of the unexamined tail, copied below
        const bool added = entry.eKind == EManifestKind::Child ? AddManifestChild(entry, folder, out)
                                                               : AddManifestFile(entry, folder, out);
        if (!added && !GoesOn())
            return false;
    }
    if (!CheckBaseStop(container))
        return false;
    std::vector<SNewItem> found;
    if (collectNew && (!CollectNewItems(folder, u"", MadeCmapFolder(container, folder), found) ||
                       !AddSorted(found, CountNameVotes(container), true, out)))
        return false;
    CopyBase(container.nStop, int64_t(container.nOffset) + container.nLength, true, out);
    return true;
}

std::u16string CPacker::DecodedName(const std::vector<uint8_t>& bytes) {
    char16_t name[kPathCapacity];
    m_platform.DecodeName(bytes.data(), bytes.size(), name, kPathCapacity);
    return name;
}

bool CPacker::FailManifest(const std::u16string& path, int64_t offset, const std::u16string& why) {
    return Fail(path, Text(u"the manifest does not describe the original file: of the entry at offset ",
                           u"マニフェストが元のファイルと合いません: オフセット ") +
                          DecimalText(offset) + Text(u", ", u" のエントリ: ") + why);
}

bool CPacker::CheckBaseEntry(const SManifestEntry& entry, const SManifestContainer& container) {
    // The reader placed every entry inside its container; a damaged one may
    // stand where no header fits.
    const int64_t left = int64_t(container.nOffset) + container.nLength - entry.nOffset;
    if (left < kEntryHeaderSize)
        return FailManifest(entry.strPath, entry.nOffset, Text(u"no header fits there", u"ヘッダが入りません"));
    const uint8_t* header = m_pBase + entry.nOffset;
    const size_t nameLength = size_t(EntryNameLength(header));
    if (nameLength != entry.nameBytes.size() || !SameBytes(header, entry.nameBytes.data(), nameLength))
        return FailManifest(entry.strPath, entry.nOffset, Text(u"the name differs", u"名前が違います"));
    int32_t size = 0;
    if (!ParseSizeField(header + kSizeFieldOffset, &size))
        return FailManifest(entry.strPath, entry.nOffset, Text(u"the size field is no size", u"サイズ欄がサイズではありません"));
    if (entry.eKind == EManifestKind::Damaged) {
        if (size >= kEntryHeaderSize && size <= left)
            return FailManifest(entry.strPath, entry.nOffset, Text(u"it is sound, not damaged", u"壊れていません"));
        return true;
    }
    if (int64_t(size) != kEntryHeaderSize + int64_t(entry.nPayloadLength))
        return FailManifest(entry.strPath, entry.nOffset, Text(u"the size differs", u"サイズが違います"));
    const uint8_t* payload = header + kEntryHeaderSize;
    const bool child = IsValidEntryHeader(payload, entry.nPayloadLength);
    const bool gzip = !child && IsCompressedPayload(payload, entry.nPayloadLength);
    const bool said = entry.eKind == EManifestKind::Child ? child
                    : entry.eKind == EManifestKind::Stored ? !child && !gzip
                                                           : gzip;
    return said || FailManifest(entry.strPath, entry.nOffset, Text(u"its payload is of another kind", u"データの種類が違います"));
}

bool CPacker::CheckBaseStop(const SManifestContainer& container) {
    int32_t size = 0;
    const bool entryThere = StepAt(m_pBase + container.nOffset, container.nLength,
                                   container.nStop - container.nOffset, &size) == EContainerStep::Entry;
    return !entryThere || FailManifest(u"", container.nStop, Text(u"the walk goes on there: an entry stands at it",
                                                                         u"そこにエントリがあり、読み進められます"));
}

bool CPacker::IsUnchanged(const SManifestEntry& entry, const std::vector<uint8_t>& content) {
    // The recorded length and checksum tell most changed files at once; an
    // unchanged one is then compared byte for byte with what extraction
    // writes for the base's entry: the payload, inflated when it inflates.
    if (content.size() != size_t(entry.nWrittenLength) ||
        ManifestCrc32(content.data(), content.size()) != entry.nWrittenCrc)
        return false;
    const uint8_t* payload = m_pBase + entry.nOffset + kEntryHeaderSize;
    const int32_t length = entry.nPayloadLength;
    if (IsCompressedPayload(payload, length)) {
        const SInflateResult inflated = InflatePayload(InflateBuffer(), kDecompressionBufferSize, payload, length);
        if (inflated.Inflated())
            return size_t(inflated.nSize) == content.size() &&
                   SameBytes(InflateBuffer(), content.data(), content.size());
    }
    return size_t(length) == content.size() && SameBytes(payload, content.data(), content.size());
}

SPackResult CPacker::PackWithManifest(const SManifest& manifest, const uint8_t* base, size_t baseSize) {
    m_result = SPackResult();
    SBuilt top;
    if (baseSize != size_t(manifest.nSourceSize)) {
        Fail(u"", Text(u"the original file is not the manifest's source", u"元のファイルがマニフェストの元ではありません"));
        return Finish(top);
    }
    m_pBase = base;
    m_nBaseSize = baseSize;
    top.bytes.reserve(baseSize);
    const CCoverage coverage(manifest.root, m_platform.NameRules().bIgnoresCase);
    m_pCoverage = &coverage;
    if (BuildManifestContainer(manifest.root, u"", true, top))
        CheckContainer(u"", top);
    m_pCoverage = nullptr;
    return Finish(top);
}
