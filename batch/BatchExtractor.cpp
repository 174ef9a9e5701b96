#include "batch/BatchExtractor.h"

#include "batch/FolderName.h"
#include "extract/Container.h"
#include "extract/DisplayText.h"

namespace {

// Holds the input file for one job; gives back the block, then the handle.
class CInputFileHolder {
public:
    explicit CInputFileHolder(IPlatform& platform) : m_platform(platform) {}
    ~CInputFileHolder() { m_platform.ReleaseInputFile(m_file); }
    CInputFileHolder(const CInputFileHolder&) = delete;
    CInputFileHolder& operator=(const CInputFileHolder&) = delete;
    SInputFile& File() { return m_file; }

private:
    IPlatform& m_platform;
    SInputFile m_file;
};

}  // namespace

CBatchExtractor::CBatchExtractor(IPlatform& platform, IExtractCallback& callback, const SExtractOptions& options)
    : CExtractor(platform, callback, options) {}

void CBatchExtractor::ReportFile(const SFileEvent& event) {
    if (!m_bOutOfMemory)
        m_callback.OnFileEvent(event);
}

bool CBatchExtractor::ReadExtractionRoot(char16_t* root) {
    const char16_t* folder = m_options.pszExtractionFolder;
    if (folder && *folder)
        return CopyText(root, kPathCapacity, folder);
    return m_platform.GetCurrentDir(root, kPathCapacity);
}

bool CBatchExtractor::ExtractFile(const char16_t* path) {
    // The output folder is named after the file: its base name and a '\'.
    char16_t baseName[kPathCapacity];
    char16_t nameBuffer[kPathCapacity] = {};
    if (BaseNameOfPath(path, baseName, kPathCapacity))
        FormatTextV(nameBuffer, kPathCapacity, u"%s\\", baseName);

    // Output goes below the extraction folder, or the current directory
    // re-read for every file.
    char16_t root[kPathCapacity];
    const bool rootRead = ReadExtractionRoot(root);

    SFileEvent event;
    event.pszPath = path;
    event.pszFolder = baseName;
    ReportFile(event);

    bool extracted = false;
    m_progress.pszPath = path;
    m_progress.nBytesWalked = 0;
    m_progress.nBytesTotal = 0;
    {
        CInputFileHolder input(m_platform);
        SInputFile& file = input.File();
        event.eResult = SFileEvent::EResult::NotExtractable;
        const bool read = m_platform.ReadWholeFile(path, file);
        if (!read || !IsValidEntryHeader(file.pData, file.nSize)) {
            const CProblemLines problem(*this, true, read ? ELogTopic::FileNotCustom : ELogTopic::FileNotRead);
            LogJa(u"このファイルは展開できません。");
            LogEn(u"This file is not extractable.");
        } else if (m_options.eMode != EJobMode::Extract) {
            // Listed as it would be extracted, with the folder's own name;
            // path lengths are judged from the root when it can be read.
            event.nSize = file.nSize;
            SetExtractionRoot(rootRead ? root : u"");
            extracted = WalkFile(nameBuffer, file);
            event.eResult = SFileEvent::EResult::Done;
            if (m_options.pSelection && !MarkedAnyEntry()) {
                extracted = false;
                event.eResult = SFileEvent::EResult::NothingSelected;
            }
        } else if (m_options.pSelection && !SelectsAnyEntry(nameBuffer, file)) {
            // Nothing to write: no folder is made for it.
            event.nSize = file.nSize;
            event.eResult = m_bOutOfMemory ? SFileEvent::EResult::Aborted : SFileEvent::EResult::NothingSelected;
        } else if (!rootRead) {
            // Deleted, or a path too long for any output path: there is no
            // place to extract to, whatever name is chosen.
            const CProblemLines problem(*this);
            LogJa(u"現在のフォルダを使用できません（読み取れないか、パスが長すぎます）。");
            LogEn(u"Cannot use the current folder (it cannot be read, or its path is too long).");
            event.eResult = SFileEvent::EResult::NoRoot;
        } else if (!OpenExtractionRoot(root)) {
            const CProblemLines problem(*this);
            LogJa(u"展開先のフォルダ [%s] を開けませんでした。", root);
            LogEn(u"Cannot open the extraction folder [%s].", root);
            event.eResult = SFileEvent::EResult::NoRoot;
        } else {
            event.nSize = file.nSize;
            event.eResult = SFileEvent::EResult::Aborted;
            if (CreateOutputFolder(nameBuffer)) {
                extracted = WalkFile(nameBuffer, file);
                if (extracted)
                    event.eResult = SFileEvent::EResult::Done;
            }
            CloseExtractionRoot();
        }
    }  // block released and file closed before the verdict

    if (extracted) {
        LogJa(u"処理が終わりました。");
        LogEn(u"Finished!");
    } else {
        LogJa(u"処理を中止しました。");
        LogEn(u"Aborted!");
    }
    char16_t folder[kPathCapacity];
    CopyText(folder, kPathCapacity, nameBuffer);
    CutAtFirstBackslash(folder);
    event.pszFolder = folder;
    ReportFile(event);
    return extracted;
}

void CBatchExtractor::EnterFile(const char16_t* nameBuffer, const SInputFile& file, char16_t* relativeFolder) {
    // The walk sees the folder in native form; the prompt keeps '\'.
    CopyText(relativeFolder, kPathCapacity, nameBuffer);
    m_platform.ToNativeSeparators(relativeFolder);
    m_nFileFolderLength = StrLen16(relativeFolder);
    CopyText(m_szFileFolder, kPathCapacity, nameBuffer);
    CutAtFirstBackslash(m_szFileFolder);
    m_pFileData = file.pData;
    m_progress.nBytesTotal = file.nSize;
}

void CBatchExtractor::LeaveFile() {
    ReleaseMarks();
    m_pFileData = nullptr;
    m_nFileFolderLength = 0;
}

bool CBatchExtractor::SelectsAnyEntry(const char16_t* nameBuffer, const SInputFile& file) {
    char16_t relativeFolder[kPathCapacity];
    EnterFile(nameBuffer, file, relativeFolder);
    const bool marked = MarkSelectedEntries(relativeFolder, file.pData, file.nSize);
    if (!marked)
        StopForLackOfMemory();
    LeaveFile();
    return marked && MarkedAnyEntry();
}

bool CBatchExtractor::WalkFile(const char16_t* nameBuffer, const SInputFile& file) {
    char16_t relativeFolder[kPathCapacity];
    EnterFile(nameBuffer, file, relativeFolder);
    if (!MarkSelectedEntries(relativeFolder, file.pData, file.nSize))
        StopForLackOfMemory();
    if (!m_bOutOfMemory)
        ExtractData(relativeFolder, file.pData, file.nSize);
    LeaveFile();
    // A stop ends the file as a cancelled prompt does.
    return !m_bStopRequested;
}

bool CBatchExtractor::CreateOutputFolder(char16_t* nameBuffer) {
    EFolderResult result = CreateFolderChecked(ExtractionRoot(), u"", nameBuffer);
    if (result == EFolderResult::Created)
        return true;
    if (m_options.eExistingFolder == EExistingFolder::Rename)
        return CreateRenamedFolder(nameBuffer, result);
    // Filled as a child container's folder that exists is; never a link.
    if (m_options.eExistingFolder == EExistingFolder::Into && result == EFolderResult::Exists)
        return true;
    for (;;) {
        {
            const CProblemLines problem(*this, true, ELogTopic::FolderQuestion);
            LogJa(u"フォルダを作ることができませんでした。別の名前を入力してください。");
            LogEn(u"Cannot create directory. Please enter another name.");
        }
        const char16_t* caption = IsJapanese() ? u"別の展開先フォルダ名を入力してください。"
                                               : u"Please enter another directory name to extract.";
        // The name comes from a file name: nothing in it may reorder or
        // control what the prompt shows.
        ReplaceUnsafeToShow(nameBuffer);
        if (m_callback.AskFolderName(nameBuffer, kPathCapacity, caption) != EFolderAnswer::Given)
            return false;
        if (CreateFolderChecked(ExtractionRoot(), u"", nameBuffer) == EFolderResult::Created)
            return true;
    }
}

bool CBatchExtractor::CreateRenamedFolder(char16_t* nameBuffer, EFolderResult result) {
    char16_t taken[kPathCapacity];
    CopyText(taken, kPathCapacity, nameBuffer);
    CutAtFirstBackslash(taken);
    // Only a name that something holds is worth numbering: a folder, a link
    // or a file. The numbers end where a name is refused (too long, unsafe)
    // or where creating fails for another reason than the name.
    for (int32_t number = 2; number <= kMaxFolderNumber; ++number) {
        if (result == EFolderResult::Refused)
            break;
        char16_t candidate[kPathCapacity];
        if (FormatTextV(candidate, kPathCapacity, u"%s (%d)\\", taken, number) != EFormatResult::Ok)
            break;
        result = CreateFolderChecked(ExtractionRoot(), u"", candidate);
        if (result == EFolderResult::Created) {
            CutAtFirstBackslash(candidate);
            LogJa(u"フォルダ [%s] は使えないため、[%s] に展開します。", taken, candidate);
            LogEn(u"The folder [%s] is taken: extracting into [%s] instead.", taken, candidate);
            FormatTextV(nameBuffer, kPathCapacity, u"%s\\", candidate);
            return true;
        }
        if (result == EFolderResult::Failed && number > 2)
            break;
    }
    const CProblemLines problem(*this);
    LogJa(u"フォルダを作ることができませんでした。別の名前を入力してください。");
    LogEn(u"Cannot create directory. Please enter another name.");
    return false;
}

int32_t CBatchExtractor::ExtractDroppedFiles(IDropList& drop) {
    const int32_t count = drop.GetCount();
    const char16_t* plural = count == 1 ? u"" : u"s";
    LogJa(u"%d個のファイルがドロップされました。", count);
    LogEn(u"%d file%s dropped.", count, plural);

    m_bStopRequested = false;
    m_progress = SJobProgress();
    m_progress.nFileCount = count;
    int32_t extracted = 0;
    int32_t handled = 0, handledDone = 0;
    for (int32_t i = 0; i < count && !m_bStopRequested; ++i) {
        m_progress.nFileIndex = i;
        LogJa(u"%d個中、%d個目のファイルを処理します。", count, i + 1);
        LogEn(u"Processing %d of %d file%s", i + 1, count, plural);

        char16_t path[kPathCapacity];  // lives until the file's last report
        if (drop.GetPathLength(i) < m_nPathLimit) {
            drop.CopyPath(i, path, kPathCapacity);
            LogJa(u"ファイルパス [%s]", path);
            LogEn(u"File path [%s]", path);
            m_progress.pszPath = path;
            m_progress.nBytesWalked = 0;
            m_progress.nBytesTotal = 0;
            const IDropItemHandler::EResult result = m_pItemHandler ? m_pItemHandler->HandleDropItem(path, m_progress)
                                                                    : IDropItemHandler::EResult::NotMine;
            if (result != IDropItemHandler::EResult::NotMine) {
                ++handled;
                handledDone += result == IDropItemHandler::EResult::Done ? 1 : 0;
            } else if (ExtractFile(path)) {
                ++extracted;
            }
        } else {
            const CProblemLines problem(*this);
            LogJa(u"パスが長すぎるため処理をスキップしました。");
            LogEn(u"Skipped. (too long path)");
        }
        // The file is done, whatever became of it.
        ReportProgress(nullptr);
        m_progress.pszPath = nullptr;
    }

    LogJa(u"%d個中、%d個のファイルを展開しました。", count, extracted);
    LogEn(u"%d file%s extracted.", extracted, extracted == 1 ? u" has been" : u"s have been");
    if (handled > 0) {
        LogJa(u"%d個中、%d個のフォルダとパッチを処理しました。", handled, handledDone);
        LogEn(u"%d of %d folders and patches done.", handledDone, handled);
    }
    LogAny(u"----------------");

    if (extracted + handledDone >= 1 && !m_bOutOfMemory)
        m_callback.PlayCompletionSound();
    return extracted;
}
