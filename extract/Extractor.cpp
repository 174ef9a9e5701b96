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

// Frees the decompression buffer when a file entry is done, on every path.
class CBlockHolder {
public:
    // A size of 0 holds nothing.
    CBlockHolder(IPlatform& platform, size_t size)
        : m_platform(platform), m_nSize(size), m_p(size ? platform.AllocBlock(size) : nullptr) {}
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

// folder then name into out (kReportPathCapacity characters), in the form
// the path is created in: '/' between levels and no empty or "." level (a
// child container whose folder name is empty fills its parent's folder).
void ComposeSlashPath(char16_t* out, const char16_t* folder, const char16_t* name) {
    FormatTextV(out, kReportPathCapacity, u"%s%s", folder, name);
    NormalizeSlashPath(out);
}

}  // namespace


bool CExtractor::IsJapanese() const { return IsJapaneseLocaleName(m_options.pszLocaleName); }

bool CExtractor::SetExtractionRoot(const char16_t* root) { return CopyText(m_szExtractRoot, kPathCapacity, root); }

bool CExtractor::OpenExtractionRoot(const char16_t* root) {
    return SetExtractionRoot(root) && m_platform.OpenOutputRoot(m_szExtractRoot);
}

bool CExtractor::MarkSelectedEntries(const char16_t* relativeFolder, const uint8_t* data, int32_t length) {
    ReleaseMarks();
    if (!m_options.pSelection)
        return true;
    m_nMarkBytes = size_t(length) / kEntryHeaderSize / 8 + 1;
    m_pMarks = m_platform.AllocBlock(m_nMarkBytes);
    if (!m_pMarks)
        return false;
    for (size_t i = 0; i < m_nMarkBytes; ++i)
        m_pMarks[i] = 0;
    m_nMarked = 0;
    m_bPlanning = true;
    ExtractData(relativeFolder, data, length);
    m_bPlanning = false;
    return true;
}

void CExtractor::ReleaseMarks() {
    if (m_pMarks)
        m_platform.FreeBlock(m_pMarks, m_nMarkBytes);
    m_pMarks = nullptr;
    m_nMarkBytes = 0;
}

bool CExtractor::IsMarked(int32_t entryOffset) const {
    const size_t bit = size_t(entryOffset) / kEntryHeaderSize;
    return bit / 8 < m_nMarkBytes && (m_pMarks[bit / 8] >> (bit % 8) & 1) != 0;
}

void CExtractor::Mark(int32_t entryOffset) {
    const size_t bit = size_t(entryOffset) / kEntryHeaderSize;
    if (m_pMarks && bit / 8 < m_nMarkBytes) {
        m_pMarks[bit / 8] = uint8_t(m_pMarks[bit / 8] | 1u << (bit % 8));
        ++m_nMarked;
    }
}

void CExtractor::CountProblem() {
    if (!m_bPlanning)
        ++m_nEntryProblems;
}


VANTO_NOINLINE void CExtractor::StopForLackOfMemory() {
    {
        // Said also when the selection's silent first walk ran out.
        const bool planning = m_bPlanning;
        m_bPlanning = false;
        const CProblemLines problem(*this);
        LogJa(u"メモリの確保に失敗しました。プログラムを終了します。");
        LogEn(u"Failed: VirtualAlloc function.");
        m_bPlanning = planning;
    }
    m_bOutOfMemory = true;
    m_bStopRequested = true;
}

void CExtractor::ComposePathInFile(char16_t* out, const char16_t* relativeFolder, const char16_t* name) const {
    const size_t folderLength = StrLen16(relativeFolder);
    ComposeSlashPath(out, relativeFolder + (m_nFileFolderLength < folderLength ? m_nFileFolderLength : folderLength),
                     name);
}

void CExtractor::CloseExtractionRoot() { m_platform.CloseOutputRoot(); }

VANTO_NOINLINE bool CExtractor::ReportProgress(const uint8_t* position) {
    m_progress.nBytesWalked = m_pFileData && position ? int32_t(position - m_pFileData) : m_progress.nBytesTotal;
    if (!m_bStopRequested && (m_bOutOfMemory || !m_callback.ContinueJob(m_progress)))
        m_bStopRequested = true;
    return !m_bStopRequested;
}

VANTO_NOINLINE void CExtractor::LogIf(bool show, const char16_t* format, const CLogArg* args, size_t count) {
    // The List and Test modes report through entry events only; after the
    // memory ran out, nothing is reported at all.
    if (!show || m_options.eMode != EJobMode::Extract || m_bPlanning || m_bOutOfMemory)
        return;
    char16_t line[kLineCapacity];
    // A line that would not fit is cut at 1022 characters; none of the
    // system's messages comes near that, their arguments being bounded paths.
    FormatText(line, kLineLimit, format, args, count);
    // Names come from untrusted files: no front end may get a character that
    // controls or reorders what it shows.
    ReplaceUnsafeToShow(line);
    ReportLine(line);
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
    if (safe && fits)
        WaitForPendingPath(path + rootLength);
    const EDirResult result = safe && fits ? m_platform.CreateDir(path + rootLength) : EDirResult::Failed;
    char16_t reported[kReportPathCapacity];
    ComposeSlashPath(reported, relativeFolder, name);
    ReportFolder(reported, result == EDirResult::Created                 ? EFolderStatus::Created
                           : result == EDirResult::Exists && safe && fits ? EFolderStatus::Exists
                                                                          : EFolderStatus::Refused);
    if (result == EDirResult::Created) {
        LogJa(u"フォルダを作成します (パス=%s) ...成功！", path);
        LogEn(u"CreateDirectory (path=%s) ... Success!", path);
        return EFolderResult::Created;
    }
    const EFolderResult outcome = !safe || !fits              ? EFolderResult::Refused
                                : result == EDirResult::Exists ? EFolderResult::Exists
                                : result == EDirResult::Link   ? EFolderResult::Link
                                                               : EFolderResult::Failed;
    // A folder refused or a link in its place: nothing goes below it.
    const CProblemLines problem(*this, outcome == EFolderResult::Refused || outcome == EFolderResult::Link);
    LogJa(u"フォルダを作成します (パス=%s) ...失敗！", path);
    LogEn(u"CreateDirectory (path=%s) ... Failed!", path);
    return outcome;
}

bool CExtractor::CreateFolder(const char16_t* root, const char16_t* relativeFolder, const char16_t* name) {
    char16_t folderName[kPathCapacity];
    CopyText(folderName, kPathCapacity, name);
    return CreateFolderChecked(root, relativeFolder, folderName) == EFolderResult::Created;
}

void CExtractor::ExtractData(const char16_t* relativeFolder, const uint8_t* data, int32_t length) {
    ++m_nDepth;
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
            break;  // no entry stands here: the rest of the container is ignored
        if (step == EEntryStep::Child) {
            const int32_t markedBefore = m_nMarked;
            ExtractData(childRelative, data + offset + kEntryHeaderSize, entrySize - kEntryHeaderSize);
            // A child container is taken when an entry below it is.
            if (m_bPlanning && m_nMarked != markedBefore)
                Mark(int32_t(data + offset - m_pFileData));
        }
        offset += entrySize;  // entrySize <= length - offset: no overflow
        // The entry (or the child's whole tree) is complete: the one place a
        // stop takes effect.
        if (m_bOutOfMemory || (!m_bPlanning && (m_bStopRequested || !ReportProgress(data + offset))))
            break;
        if (m_pWrites)
            ReportDoneWrites(false);
    }
    ReportContainerEnd(data, length, offset);
    // The outermost walk ends with every write done and reported.
    if (--m_nDepth == 0)
        EndWrites();
}

VANTO_NOINLINE void CExtractor::ReportContainerEnd(const uint8_t* data, int32_t length, int32_t stop) {
    if (m_bPlanning || m_bOutOfMemory)
        return;
    SContainerEnd end;
    end.pData = data;
    end.nOffset = m_pFileData ? int32_t(data - m_pFileData) : 0;
    end.nLength = length;
    end.nStopOffset = end.nOffset + stop;
    ReportEnd(end);
}

VANTO_NOINLINE CExtractor::EEntryStep CExtractor::ExtractEntry(const char16_t* relativeFolder, const uint8_t* data,
                                                               int32_t length, int32_t offset, bool& cmapTried,
                                                               int32_t& entrySize, char16_t* childRelative) {
    if (length <= kEntryHeaderSize || length - offset < kEntryHeaderSize ||
        !ParseSizeField(data + offset + kSizeFieldOffset, &entrySize)) {
        if (m_options.eMode == EJobMode::Test && offset < length)
            ReportTrailingData(relativeFolder, data, length, offset);
        return EEntryStep::End;
    }

    const uint8_t* header = data + offset;
    char16_t entryName[kPathCapacity];
    m_platform.DecodeName(header, size_t(EntryNameLength(header)), entryName, kPathCapacity);
    char16_t pathInFile[kReportPathCapacity];
    ComposePathInFile(pathInFile, relativeFolder, entryName);
    SEntryEvent event;
    event.pszPath = pathInFile;
    event.pszName = entryName;
    event.pszFolder = m_szFileFolder;
    event.pRawName = header;
    event.nRawNameLength = EntryNameLength(header);
    event.nOffset = m_pFileData ? int32_t(header - m_pFileData) : offset;

    // An entry shorter than its own header, or one that reaches past the end
    // of its container, is damaged: nothing after it can be trusted.
    if (entrySize < kEntryHeaderSize || entrySize > length - offset) {
        const CProblemLines problem(*this);
        LogJa(u"データが壊れているため展開を中断しました。(ファイル名=%s 位置=%d/%d サイズ=%d)", entryName, offset, length,
              entrySize);
        LogEn(u"Damaged entry, rest of data skipped: filename=%s position=%d/%d size=%d", entryName, offset, length,
              entrySize);
        CountProblem();
        event.nStoredSize = entrySize;
        event.eStatus = EEntryStatus::Damaged;
        event.nProblems = kProblemDamaged;
        ReportEntry(event);
        return EEntryStep::End;
    }

    const uint8_t* payload = header + kEntryHeaderSize;
    const int32_t payloadLength = entrySize - kEntryHeaderSize;
    const bool child = IsValidEntryHeader(payload, payloadLength);
    event.eKind = child ? EEntryKind::Child : IsCompressedPayload(payload, payloadLength) ? EEntryKind::Gzip
                                                                                         : EEntryKind::Stored;
    event.nStoredSize = payloadLength;
    event.pPayload = payload;
    event.eStatus = Writes() ? EEntryStatus::Written : EEntryStatus::Listed;
    // An entry that is not selected leaves no trace but its event.
    if (!IsTaken(event.nOffset)) {
        event.eStatus = EEntryStatus::Filtered;
        ReportEntry(event);
        return EEntryStep::Done;
    }

    // The "cmap" folder is attempted at most once per container, before the
    // first entry that needs it.
    if (!cmapTried && NameMakesCmapFolder(entryName)) {
        if (Writes())
            CreateFolder(m_szExtractRoot, relativeFolder, kCmapFolderName);
        cmapTried = true;
    }

    LogJa(u"展開しています... ファイル名=%s 位置=%d/%d サイズ=%d", entryName, offset, length, entrySize);
    LogEn(u"Extracting... filename=%s position=%d/%d size=%d", entryName, offset, length, entrySize);

    if (child) {
        LogJa(u"%sは子データを持っています。", entryName);
        LogEn(u"%s has child elements.", entryName);
        return PrepareChildFolder(relativeFolder, event, childRelative) ? EEntryStep::Child : EEntryStep::Done;
    }
    ExtractFileEntry(relativeFolder, event, payload, payloadLength);
    return EEntryStep::Done;
}

// The Test mode reports bytes after a container's last entry that form no
// entry: the walk passes over them without a word in the other modes.
void CExtractor::ReportTrailingData(const char16_t* relativeFolder, const uint8_t* data, int32_t length,
                                    int32_t offset) {
    char16_t pathInFile[kReportPathCapacity];
    ComposePathInFile(pathInFile, relativeFolder, u"");
    SEntryEvent event;
    event.pszPath = pathInFile;
    event.pszFolder = m_szFileFolder;
    event.nOffset = m_pFileData ? int32_t(data + offset - m_pFileData) : offset;
    event.nStoredSize = length - offset;
    event.nProblems = kProblemTrailingData;
    ReportEntry(event);
}

void CExtractor::LogUnsafeName(SEntryEvent& event) {
    // The marking walk takes an unsafe entry by its name, so that a selected
    // one is reported rather than silently left out.
    if (m_bPlanning) {
        if (m_options.pSelection->Selects(event.pszPath))
            Mark(event.nOffset);
        return;
    }
    const CProblemLines problem(*this);
    LogJa(u"安全でない名前のため [%s] をスキップしました。", event.pszName);
    LogEn(u"Skipped unsafe name [%s].", event.pszName);
    CountProblem();
    event.eStatus = EEntryStatus::Unsafe;
    event.nProblems |= kProblemUnsafe;
    ReportEntry(event);
}

// Creates the child's folder and forms its relative folder. False when the
// child must not be walked: an unsafe folder name, a link where its folder
// goes, or a path that does not fit (which also bounds the nesting depth).
bool CExtractor::PrepareChildFolder(const char16_t* relativeFolder, SEntryEvent& event, char16_t* childRelative) {
    char16_t fitted[kPathCapacity];
    if (!MakeChildFolderName(event.pszName, m_platform.NameRules(), fitted, kPathCapacity)) {
        LogUnsafeName(event);
        return false;
    }
    char16_t pathInFile[kReportPathCapacity];
    ComposePathInFile(pathInFile, relativeFolder, fitted);
    event.pszPath = pathInFile;
    const bool childFits = ComposePath(childRelative, 0, u"%s%s\\", relativeFolder, fitted);
    if (!Writes()) {
        // Whether the folder's whole path would fit below the extraction root.
        char16_t path[kPathCapacity];
        const size_t rootLength = StrLen16(m_szExtractRoot);
        if (!childFits || !ComposePath(path, rootLength, u"%s\\%s%s", m_szExtractRoot, relativeFolder, fitted))
            event.nProblems |= kProblemTooLong;
        ReportEntry(event);
        return childFits;
    }
    // A folder that exists already is reported "Failed!" and filled all the
    // same; a link is never entered.
    const EFolderResult result = CreateFolderChecked(m_szExtractRoot, relativeFolder, fitted);
    const bool walked = result != EFolderResult::Link && result != EFolderResult::Refused && childFits;
    if (!walked)
        CountProblem();
    event.eStatus = result == EFolderResult::Refused || !childFits ? EEntryStatus::TooLong
                  : result == EFolderResult::Link || result == EFolderResult::Failed ? EEntryStatus::CannotCreate
                                                                                      : EEntryStatus::Written;
    if (event.eStatus == EEntryStatus::TooLong)
        event.nProblems |= kProblemTooLong;
    ReportEntry(event);
    return walked;
}

VANTO_NOINLINE void CExtractor::ExtractFileEntry(const char16_t* relativeFolder, SEntryEvent& event,
                                                 const uint8_t* payload, int32_t payloadLength) {
    const SNameRules rules = m_platform.NameRules();
    // Whether the name is safe does not depend on the extension the content
    // will choose (".t" and a ".bmp" put in its place end the name alike), so
    // an unsafe entry is refused before its payload is inflated, and the name
    // fitted to the system here only gets its extension replaced.
    char16_t outputName[kPathCapacity];
    if (!FitFileName(event.pszName, rules, outputName, kPathCapacity)) {
        LogUnsafeName(event);
        return;
    }
    const char16_t* nameExtension = NameExtension(event.pszName);
    // The marking walk inflates only where the name depends on the content.
    const bool compressed = IsCompressedPayload(payload, payloadLength);
    const bool inflates = compressed && (!m_bPlanning || ExtensionDependsOnContent(nameExtension));

    const size_t bufferSize = m_bPlanning && !inflates ? 0 : size_t(kDecompressionBufferSize);
    CBlockHolder buffer(m_platform, bufferSize);
    if (bufferSize && !buffer.Get()) {
        StopForLackOfMemory();
        return;
    }

    const uint8_t* content = payload;
    int32_t contentLength = payloadLength;
    SInflateResult inflated;
    if (inflates) {
        // A stream that fails, or inflates to nothing, is written as stored.
        inflated = InflatePayload(buffer.Get(), kDecompressionBufferSize, payload, payloadLength);
        event.eKind = inflated.Inflated() ? EEntryKind::Gzip : EEntryKind::GzipFailed;
        if (inflated.Inflated()) {
            content = buffer.Get();
            contentLength = inflated.nSize;
        }
    }

    FinishFileName(outputName, kPathCapacity, event.pszName, content, contentLength, rules);

    char16_t pathInFile[kReportPathCapacity];
    ComposePathInFile(pathInFile, relativeFolder, outputName);
    event.pszPath = pathInFile;
    event.nContentSize = contentLength;
    event.pContent = content;
    if (m_bPlanning) {
        if (m_options.pSelection->Selects(pathInFile))
            Mark(event.nOffset);
        return;
    }

    char16_t path[kPathCapacity];
    const size_t rootLength = StrLen16(m_szExtractRoot);
    const bool fits = ComposePath(path, rootLength, u"%s\\%s%s", m_szExtractRoot, relativeFolder, outputName);
    if (!fits)
        event.nProblems |= kProblemTooLong;
    if (m_options.eMode != EJobMode::Extract) {
        if (event.eKind == EEntryKind::GzipFailed && m_options.eMode == EJobMode::Test)
            event.nProblems |= kProblemGzipFails;
        if (m_options.eMode == EJobMode::Test && inflated.nTrailingBytes > 0)
            event.nProblems |= kProblemGzipTrailing;
        ReportEntry(event);
        return;
    }
    WriteOrSubmit(path, rootLength, event, content, content != payload);
}

// Writes the content to path (composed below the root; a path that does not
// fit is never tried, and is reported as far as it fits).
