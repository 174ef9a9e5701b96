#include "extract/Extractor.h"

#include "extract/Container.h"
#include "extract/DisplayText.h"
#include "extract/Inflate.h"
#include "extract/NameSafety.h"
#include "extract/OutputNaming.h"
#include "extract/UiLanguage.h"

// Keeps the big buffers of a step out of the recursive frame of ExtractData,
// so that the deepest nesting the path limit allows stays far inside any
// thread stack (a test measures the frames).
#define VANTO_NOINLINE __attribute__((noinline))

namespace {

const char16_t* FindLast(const char16_t* psz, char16_t ch) {
    const char16_t* found = nullptr;
    for (; *psz; ++psz) {
        if (*psz == ch)
            found = psz;
    }
    return found;
}

// Frees the decompression buffer when a file entry is done, on every path.
class CBlockHolder {
public:
    CBlockHolder(IPlatform& platform, size_t size) : m_platform(platform), m_nSize(size), m_p(platform.AllocBlock(size)) {}
    ~CBlockHolder() {
        if (m_p)
            m_platform.FreeBlock(m_p, m_nSize);
    }
    CBlockHolder(const CBlockHolder&) = delete;
    CBlockHolder& operator=(const CBlockHolder&) = delete;
    uint8_t* Get() const { return m_p; }

private:
    IPlatform& m_platform;
    size_t m_nSize;
    uint8_t* m_p;
};

// On a system where letter case matters, an entry named "CMAP\x.t" goes to the
// "cmap" folder the walker created for it, as it does on Windows.
void FoldCmapFolderCase(char16_t* name) {
    static const char16_t kCmap[] = u"cmap";
    if (StartsWithNoCase(name, kCmap) && (name[4] == u'\\' || name[4] == u'/')) {
        for (int i = 0; i < 4; ++i)
            name[i] = kCmap[i];
    }
}

}  // namespace

CExtractor::CExtractor(IPlatform& platform, const SExtractOptions& options)
    : m_platform(platform), m_options(options) {}

bool CExtractor::IsJapanese() const { return IsJapaneseLocaleName(m_options.pszLocaleName); }

bool CExtractor::OpenExtractionRoot(const char16_t* root) {
    return CopyText(m_szExtractRoot, kPathCapacity, root) && m_platform.OpenOutputRoot(m_szExtractRoot);
}

void CExtractor::CloseExtractionRoot() { m_platform.CloseOutputRoot(); }

VANTO_NOINLINE bool CExtractor::ReportProgress(const uint8_t* position) {
    m_progress.nBytesWalked = m_pFileData && position ? int32_t(position - m_pFileData) : m_progress.nBytesTotal;
    if (!m_bStopRequested && !ContinueJob(m_progress))
        m_bStopRequested = true;
    return !m_bStopRequested;
}

VANTO_NOINLINE void CExtractor::LogIf(bool show, const char16_t* format, const CLogArg* args, size_t count) {
    if (!show)
        return;
    char16_t line[kLineCapacity];
    // A line that would not fit is cut at 1022 characters; none of the
    // system's messages comes near that, their arguments being bounded paths.
    FormatText(line, kLineLimit, format, args, count);
    // Names come from untrusted files: no front end may get a character that
    // controls or reorders what it shows.
    ReplaceUnsafeToShow(line);
    OnLogLine(line);
}

bool CExtractor::ComposePathFrom(char16_t* buf, size_t nativeFrom, const char16_t* format, const CLogArg* args,
                                 size_t count) {
    const bool fits = FormatText(buf, kPathCapacity, format, args, count) == EFormatResult::Ok;
    if (StrLen16(buf) > nativeFrom)
        m_platform.ToNativeSeparators(buf + nativeFrom);
    return fits;
}

VANTO_NOINLINE CExtractor::EFolderResult CExtractor::CreateFolderChecked(const char16_t* root,
                                                                         const char16_t* relativeFolder,
                                                                         char16_t* name) {
    char16_t fitted[kPathCapacity];
    const bool safe = FitNameToSystem(name, fitted, kPathCapacity, m_platform.NameRules());
    if (safe)
        CopyText(name, kPathCapacity, fitted);
    char16_t path[kPathCapacity];
    const size_t rootLength = StrLen16(root);
    const bool fits = ComposePath(path, rootLength, u"%s\\%s%s", root, relativeFolder, name);
    // A path that does not fit is never cut and tried, nor is an unsafe name:
    // either is reported as it stands, as far as it fits.
    const EDirResult result = safe && fits ? m_platform.CreateDir(path + rootLength) : EDirResult::Failed;
    if (result == EDirResult::Created) {
        LogJa(u"フォルダを作成します (パス=%s) ...成功！", path);
        LogEn(u"CreateDirectory (path=%s) ... Success!", path);
        return EFolderResult::Created;
    }
    LogJa(u"フォルダを作成します (パス=%s) ...失敗！", path);
    LogEn(u"CreateDirectory (path=%s) ... Failed!", path);
    if (!safe || !fits)
        return EFolderResult::Refused;
    return result == EDirResult::Exists ? EFolderResult::Exists
         : result == EDirResult::Link   ? EFolderResult::Link
                                        : EFolderResult::Failed;
}

bool CExtractor::CreateFolder(const char16_t* root, const char16_t* relativeFolder, const char16_t* name) {
    char16_t folderName[kPathCapacity];
    CopyText(folderName, kPathCapacity, name);
    return CreateFolderChecked(root, relativeFolder, folderName) == EFolderResult::Created;
}

void CExtractor::ExtractData(const char16_t* relativeFolder, const uint8_t* data, int32_t length) {
    LogJa(u"データを展開します(dir=%s, サイズ=%d)", relativeFolder, length);
    LogEn(u"ExtractData(dir=%s, size=%d)", relativeFolder, length);

    // Only the child's relative folder lives in this frame: it is what the
    // recursion needs. Everything else of an entry is ExtractEntry's.
    bool cmapTried = false;
    int32_t offset = 0;
    while (offset < length) {
        char16_t childRelative[kPathCapacity];
        int32_t entrySize = 0;
        const EEntryStep step = ExtractEntry(relativeFolder, data, length, offset, cmapTried, entrySize, childRelative);
        if (step == EEntryStep::End)
            return;  // no entry stands here: the rest of the container is ignored
        if (step == EEntryStep::Child)
            ExtractData(childRelative, data + offset + kEntryHeaderSize, entrySize - kEntryHeaderSize);
        offset += entrySize;  // entrySize <= length - offset: no overflow
        // The entry (or the child's whole tree) is complete: the one place a
        // stop takes effect.
        if (m_bStopRequested || !ReportProgress(data + offset))
            return;
    }
}

VANTO_NOINLINE CExtractor::EEntryStep CExtractor::ExtractEntry(const char16_t* relativeFolder, const uint8_t* data,
                                                               int32_t length, int32_t offset, bool& cmapTried,
                                                               int32_t& entrySize, char16_t* childRelative) {
    if (length <= kEntryHeaderSize || length - offset < kEntryHeaderSize ||
        !ParseSizeField(data + offset + kSizeFieldOffset, &entrySize))
        return EEntryStep::End;

    char16_t entryName[kPathCapacity];
    m_platform.DecodeName(data + offset, size_t(EntryNameLength(data + offset)), entryName, kPathCapacity);

    // An entry shorter than its own header, or one that reaches past the end
    // of its container, is damaged: nothing after it can be trusted.
    if (entrySize < kEntryHeaderSize || entrySize > length - offset) {
        LogJa(u"データが壊れているため展開を中断しました。(ファイル名=%s 位置=%d/%d サイズ=%d)", entryName, offset, length,
              entrySize);
        LogEn(u"Damaged entry, rest of data skipped: filename=%s position=%d/%d size=%d", entryName, offset, length,
              entrySize);
        ++m_nEntryProblems;
        return EEntryStep::End;
    }

    // The "cmap" folder is attempted at most once per container, before the
    // first entry that needs it.
    if (!cmapTried && FindNoCase(entryName, u"cmap\\")) {
        CreateFolder(m_szExtractRoot, relativeFolder, u"cmap");
        cmapTried = true;
    }

    LogJa(u"展開しています... ファイル名=%s 位置=%d/%d サイズ=%d", entryName, offset, length, entrySize);
    LogEn(u"Extracting... filename=%s position=%d/%d size=%d", entryName, offset, length, entrySize);

    const uint8_t* payload = data + offset + kEntryHeaderSize;
    const int32_t payloadLength = entrySize - kEntryHeaderSize;
    if (IsValidEntryHeader(payload, payloadLength)) {
        LogJa(u"%sは子データを持っています。", entryName);
        LogEn(u"%s has child elements.", entryName);
        return PrepareChildFolder(relativeFolder, entryName, childRelative) ? EEntryStep::Child : EEntryStep::Done;
    }
    ExtractFileEntry(relativeFolder, entryName, payload, payloadLength);
    return EEntryStep::Done;
}

void CExtractor::LogUnsafeName(const char16_t* entryName) {
    LogJa(u"安全でない名前のため [%s] をスキップしました。", entryName);
    LogEn(u"Skipped unsafe name [%s].", entryName);
    ++m_nEntryProblems;
}

// Creates the child's folder and forms its relative folder. False when the
// child must not be walked: an unsafe folder name, a link where its folder
// goes, or a path that does not fit (which also bounds the nesting depth).
bool CExtractor::PrepareChildFolder(const char16_t* relativeFolder, const char16_t* entryName,
                                    char16_t* childRelative) {
    // The folder is named after the entry without its last extension and
    // without one trailing blank.
    char16_t folderName[kPathCapacity];
    CopyText(folderName, kPathCapacity, entryName);
    if (const char16_t* dot = FindLast(folderName, u'.'))
        folderName[dot - folderName] = 0;
    const size_t folderLength = StrLen16(folderName);
    if (folderLength > 0 && folderName[folderLength - 1] == u' ')
        folderName[folderLength - 1] = 0;

    char16_t fitted[kPathCapacity];
    if (!FitNameToSystem(folderName, fitted, kPathCapacity, m_platform.NameRules())) {
        LogUnsafeName(entryName);
        return false;
    }
    // A folder that exists already is reported "Failed!" and filled all the
    // same; a link is never entered.
    const EFolderResult result = CreateFolderChecked(m_szExtractRoot, relativeFolder, fitted);
    if (result == EFolderResult::Link || result == EFolderResult::Refused) {
        ++m_nEntryProblems;
        return false;
    }
    if (!ComposePath(childRelative, 0, u"%s%s\\", relativeFolder, fitted)) {
        ++m_nEntryProblems;
        return false;
    }
    return true;
}

VANTO_NOINLINE void CExtractor::ExtractFileEntry(const char16_t* relativeFolder, const char16_t* entryName,
                                                 const uint8_t* payload, int32_t payloadLength) {
    const SNameRules rules = m_platform.NameRules();
    // Whether the name is safe does not depend on the extension the content
    // will choose (".t" and a ".bmp" put in its place end the name alike), so
    // an unsafe entry is refused before its payload is inflated, and the name
    // fitted to the system here only gets its extension replaced.
    char16_t outputName[kPathCapacity];
    if (!FitNameToSystem(entryName, outputName, kPathCapacity, rules)) {
        LogUnsafeName(entryName);
        return;
    }

    CBlockHolder buffer(m_platform, kDecompressionBufferSize);
    if (!buffer.Get()) {
        LogJa(u"メモリの確保に失敗しました。プログラムを終了します。");
        LogEn(u"Failed: VirtualAlloc function.");
        m_platform.ExitProcessNow(m_options.nFatalExitCode);
    }

    const uint8_t* content = payload;
    int32_t contentLength = payloadLength;
    if (IsCompressedPayload(payload, payloadLength)) {
        // A stream that fails, or inflates to nothing, is written as stored.
        const int32_t inflated = InflatePayload(buffer.Get(), kDecompressionBufferSize, payload, payloadLength);
        if (inflated != 0) {
            content = buffer.Get();
            contentLength = inflated;
        }
    }

    // Only the content-tested name extensions (".t", ".bm", ".tx") are ever
    // replaced, and they end the fitted name as they end the entry name.
    const char16_t* dot = FindLast(entryName, u'.');
    const char16_t* nameExtension = dot ? dot : u"";
    const char16_t* extension = ChooseExtension(nameExtension, content, contentLength);
    if (extension != nameExtension) {
        const size_t stem = StrLen16(outputName) - StrLen16(nameExtension);
        CopyText(outputName + stem, kPathCapacity - stem, extension);
    }
    if (!rules.bIgnoresCase)
        FoldCmapFolderCase(outputName);

    char16_t path[kPathCapacity];
    const size_t rootLength = StrLen16(m_szExtractRoot);
    const bool fits = ComposePath(path, rootLength, u"%s\\%s%s", m_szExtractRoot, relativeFolder, outputName);
    const EWriteResult result =
        fits ? m_platform.WriteNewFile(path + rootLength, content, size_t(contentLength)) : EWriteResult::CannotCreate;
    if (result == EWriteResult::CannotCreate) {
        LogJa(u"ファイル [%s] を作成できませんでした。", path);
        LogEn(u"Cannot create file [%s].", path);
        ++m_nEntryProblems;
    } else if (result == EWriteResult::WriteFailed) {
        LogJa(u"ファイル [%s] に書き込めませんでした。", path);
        LogEn(u"Cannot write file [%s].", path);
        ++m_nEntryProblems;
    }
}
