#include "cli/CliExtractor.h"

#include <algorithm>

#include "batch/FolderName.h"
#include "extract/EntryWords.h"
#include "cmdline/Glob.h"
#include "console/Console.h"
#include "console/ToolFiles.h"
#include "extract/DisplayText.h"
#include "base/Utf.h"

namespace {

std::u16string Number(long long n) {
    const std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
}

std::u16string Ascii(const char* text) { return std::u16string(text, text + std::char_traits<char>::length(text)); }

// "1 entry", "2 entries".
std::u16string Count(long long n, const char* one, const char* many) {
    return Number(n) + u" " + Ascii(n == 1 ? one : many);
}

std::u16string PadRight(std::u16string text, size_t width) {
    if (text.size() < width)
        text.append(width - text.size(), u' ');
    return text;
}

std::u16string PadLeft(const std::u16string& text, size_t width) {
    return text.size() < width ? std::u16string(width - text.size(), u' ') + text : text;
}

}  // namespace

// Where an entry is (or would be) written: its output folder, '/', its path.
std::u16string OutputPath(const SEntryEvent& event) {
    return std::u16string(event.pszFolder) + u"/" + event.pszPath;
}

bool LogsToErrors(const SCliOptions& options) { return options.bJson || options.bStdout; }

void MakeConsoleText(const char16_t* line, char16_t* out, size_t capacity) {
    static const char16_t kHex[] = u"0123456789ABCDEF";
    size_t pos = 0;
    for (; *line; ++line) {
        const char16_t ch = *line;
        if (IsEscapedByte(ch)) {
            if (pos + 5 > capacity)
                break;
            const unsigned byte = unsigned(ch - 0xDC00);
            out[pos++] = u'\\';
            out[pos++] = u'x';
            out[pos++] = kHex[byte >> 4];
            out[pos++] = kHex[byte & 15];
        } else {
            if (pos + 2 > capacity)
                break;
            out[pos++] = ch;
        }
    }
    if (capacity > 0)
        out[pos] = 0;
}

bool CGlobSelection::Selects(const char16_t* pathInFile) const {
    bool included = m_includes.empty();
    for (size_t i = 0; i < m_includes.size() && !included; ++i)
        included = MatchGlobPath(m_includes[i], pathInFile);
    if (!included)
        return false;
    for (const std::u16string& pattern : m_excludes) {
        if (MatchGlobPath(pattern, pathInFile))
            return false;
    }
    return true;
}

CCliExtractor::CCliExtractor(IPlatform& platform, const SExtractOptions& engineOptions, const SCliOptions& options,
                             CProgressLine& progress)
    : m_platform(platform), m_engine(platform, *this, engineOptions), m_options(options), m_progressLine(progress),
      m_json(options.eMode), m_bSharesTerminal(LogsToErrors(options) || ConsoleOutputIsTerminal()),
      m_bAsks(options.eExisting == SCliOptions::EExisting::Ask ||
              (options.eExisting == SCliOptions::EExisting::Default && ConsoleIsInteractive())) {}

void CCliExtractor::Say(const std::u16string& line) {
    if (!ShowsHumanOutput())
        return;
    // The status line makes way for lines that go to its terminal.
    if (m_bSharesTerminal)
        m_progressLine.Clear();
    std::u16string safe = line;
    ReplaceUnsafeToShow(&safe[0]);
    std::u16string shown(4 * safe.size() + 1, u'\0');
    MakeConsoleText(safe.c_str(), &shown[0], shown.size());
    shown.resize(StrLen16(shown.c_str()));
    if (LogsToErrors(m_options))
        ConsoleWriteErrorLine(shown.c_str());
    else if (!m_bLogFailed && !ConsoleWriteLine(shown.c_str()))
        ReportLogFailure();
}

void CCliExtractor::SayProblem(const std::u16string& line) {
    Say(m_options.nQuiet > 0 && !m_strFile.empty() ? m_strFile + u": " + line : line);
}

void CCliExtractor::OnLogLine(const char16_t* line) {
    // The engine has shown control and direction characters as '?' already.
    const ELogTopic topic = m_engine.LogTopic();
    const std::u16string shown = topic == ELogTopic::Step ? std::u16string(line) : OwnWording(topic, line);
    if (shown.empty())
        return;
    if (m_options.nQuiet == 0)
        Say(shown);
    else if (m_engine.IsProblemLine())
        SayProblem(shown);
}

std::u16string CCliExtractor::OwnWording(ELogTopic topic, const char16_t* line) {
    if (topic == ELogTopic::FolderQuestion)
        return m_bAsks ? std::u16string(line) : u"";  // AskFolderName says why the file is skipped
    FindWhyNotExtractable(topic);
    return WhyNotExtractableText();
}

void CCliExtractor::FindWhyNotExtractable(ELogTopic topic) {
    using EReason = SWhyNotExtractable::EReason;
    if (m_whyNot.eReason != EReason::Unknown)
        return;
    if (topic == ELogTopic::FileNotCustom) {
        m_whyNot.eReason = EReason::NotCustom;
        return;
    }
    // The engine could not read it (or, listing, did not say): the tool looks.
    switch (ProbeInputFile(m_strFile, m_whyNot.strSystemText)) {
    case EReadFailure::NotFound: m_whyNot.eReason = EReason::NotFound; break;
    case EReadFailure::Folder: m_whyNot.eReason = EReason::Folder; break;
    case EReadFailure::CannotRead: m_whyNot.eReason = EReason::CannotRead; break;
    case EReadFailure::TooLarge: m_whyNot.eReason = EReason::TooLarge; break;
    case EReadFailure::None: m_whyNot.eReason = EReason::NotCustom; break;
    }
}

std::u16string CCliExtractor::WhyNotExtractableText() const {
    using EReason = SWhyNotExtractable::EReason;
    const bool ja = m_engine.IsJapanese();
    switch (m_whyNot.eReason) {
    case EReason::NotFound:
        return ja ? u"このファイルは展開できません（見つかりません）。" : u"This file is not extractable: it does not exist.";
    case EReason::Folder:
        return ja ? u"このファイルは展開できません（フォルダです）。" : u"This file is not extractable: it is a folder.";
    case EReason::CannotRead:
        return ja ? u"このファイルは展開できません（読み取れません: " + m_whyNot.strSystemText + u"）。"
                  : u"This file is not extractable: it cannot be read (" + m_whyNot.strSystemText + u").";
    case EReason::TooLarge:
        return ja ? u"このファイルは展開できません（2 GiB 以上あります）。"
                  : u"This file is not extractable: it is 2 GiB or larger.";
    case EReason::NotCustom:
    case EReason::Unknown: break;
    }
    return ja ? u"このファイルは展開できません（カスタムファイルではありません）。"
              : u"This file is not extractable: it is not a custom file.";
}

void CCliExtractor::ReportLogFailure() {
    if (m_bLogFailed || m_bOutputClosed)
        return;
    m_progressLine.Clear();
    // Nothing is written to the disk in these modes: the reader that went
    // away wanted no more, as "head" does.
    if (m_options.eMode != EJobMode::Extract && ConsoleOutputClosed()) {
        m_bOutputClosed = true;
        return;
    }
    m_bLogFailed = true;
    const std::u16string what = m_options.bStdout ? u"vanto-extract: cannot write to standard output: "
                                                  : u"vanto-extract: cannot write the log: ";
    const std::u16string then = m_options.bStdout ? u"" : u"; extracting goes on without it";
    ConsoleWriteError((what + ConsoleErrorText() + then + u"\n").c_str());
}

EFolderAnswer CCliExtractor::AskFolderName(char16_t* nameBuffer, size_t capacity, const char16_t* caption) {
    // Without a person to ask (or told not to), the question counts as
    // cancelled: the tool says what it did and what would have helped.
    if (!m_bAsks) {
        SayFolderSkipped(nameBuffer);
        return EFolderAnswer::GaveUp;
    }
    if (!ConsoleFlush())
        ReportLogFailure();
    m_progressLine.Clear();

    char16_t current[kPathCapacity];
    CopyText(current, kPathCapacity, nameBuffer);
    CutAtFirstBackslash(current);
    char16_t shown[4 * kPathCapacity];
    MakeConsoleText(current, shown, 4 * kPathCapacity);
    char16_t question[4 * kLineCapacity];
    FormatTextV(question, 4 * kLineCapacity, u"%s\n[%s]> ", caption, shown);
    ConsoleWriteError(question);

    char16_t answer[kPathCapacity];
    if (!ConsoleReadLine(answer, kPathCapacity)) {
        ConsoleWriteError(u"\n");
        return EFolderAnswer::GaveUp;
    }
    StoreFolderAnswer(nameBuffer, capacity, answer);
    return EFolderAnswer::Given;
}

void CCliExtractor::SayFolderSkipped(const char16_t* nameBuffer) {
    const bool ja = m_engine.IsJapanese();
    std::u16string name = nameBuffer;
    name.resize(std::min(name.size(), name.find(u'\\')));
    const std::u16string root = std::u16string(m_engine.ExtractionRoot()) + u"/";
    if (PathItemAt(root + name).eKind == EPathKind::None) {
        SayProblem(ja ? u"[" + name + u"] を作成できないため、スキップしました。"
                      : u"[" + name + u"] cannot be created: skipped.");
        return;
    }
    // The name --existing rename would take, as things stand now.
    std::u16string free = name + u" (2)";
    for (int number = 3; number <= 9999 && PathItemAt(root + free).eKind != EPathKind::None; ++number)
        free = name + u" (" + Number(number) + u")";
    SayProblem(ja ? u"[" + name + u"] は既にあるため、スキップしました。--existing rename なら [" + free + u"] に展開します。"
                  : u"[" + name + u"] exists: skipped; --existing rename extracts into [" + free + u"]");
}

bool CCliExtractor::ContinueJob(const SJobProgress& progress) {
    if (m_bOutputClosed)
        return false;
    m_progressLine.Update(progress, m_strEntry.c_str());
    return true;
}

void CCliExtractor::OnFileEvent(const SFileEvent& event) {
    if (event.eResult == SFileEvent::EResult::Started) {
        m_strFile = event.pszPath;
        m_strFolder = event.pszFolder;
        m_counts = SFileCounts();
        m_whyNot = SWhyNotExtractable();
        m_paths.clear();
        if (m_options.bManifest) {
            std::u16string absolute;
            bool isFolder = false;
            ResolveExistingPath(m_strFile, absolute, isFolder);
            m_manifest.Begin(m_strFile, absolute, m_options.nCodePage ? m_options.nCodePage : 932);
        }
        if (m_options.bJson && !m_json.FileStarted(event.pszPath))
            ReportLogFailure();
        return;
    }
    if (m_options.bManifest && event.eResult == SFileEvent::EResult::Done && !WriteManifest(event.pszFolder))
        m_bManifestFailed = true;
    if (event.eResult == SFileEvent::EResult::NotExtractable)
        FindWhyNotExtractable(ELogTopic::FileNotRead);
    if (event.eResult == SFileEvent::EResult::NothingSelected)
        ++m_nNothingSelected;
    if (m_options.bJson && !m_bOutputClosed && !m_json.FileFinished(event, m_counts, m_whyNot))
        ReportLogFailure();
    SayFileSummary(event);
    m_strFile.clear();
    m_strEntry.clear();
}

void CCliExtractor::SayFileSummary(const SFileEvent& event) {
    const bool ja = m_engine.IsJapanese();
    const std::u16string file = event.pszPath + std::u16string(u": ");
    if (event.eResult == SFileEvent::EResult::NothingSelected) {
        // A problem line, and the file's verdict.
        SayProblem(ja ? u"--include と --exclude に一致するエントリがありません。何も書き込みませんでした。"
                      : u"No entry matches --include and --exclude: nothing written.");
        return;
    }
    if (m_options.eMode == EJobMode::Extract) {
        // The full log has its own verdict lines.
        if (m_options.nQuiet != 1)
            return;
        // A folder that took another name than the file's is named.
        const std::u16string into = m_strFolder == event.pszFolder ? u""
                                  : ja ? u"（展開先 [" + std::u16string(event.pszFolder) + u"]）"
                                       : u" (into [" + std::u16string(event.pszFolder) + u"])";
        if (event.eResult != SFileEvent::EResult::Done)
            Say(file + (ja ? u"処理を中止しました。" : u"Aborted!"));
        else if (ja)
            Say(file + u"処理が終わりました。ファイル" + Number(m_counts.nWritten) + u"個とフォルダ" +
                Number(m_counts.nFolders) + u"個を書き込み、問題" + Number(m_counts.nProblems) + u"件" + into);
        else
            Say(file + u"Finished! " + Count(m_counts.nWritten, "file", "files") + u" and " +
                Count(m_counts.nFolders, "folder", "folders") + u" written, " +
                Count(m_counts.nProblems, "problem", "problems") + into);
        return;
    }
    if (event.eResult != SFileEvent::EResult::Done) {
        Say(file + WhyNotExtractableText());
        return;
    }
    if (m_options.nQuiet > 1)
        return;
    SayTotals(file);
}

// The listing's last line: the entries shown, their bytes and problems.
void CCliExtractor::SayTotals(const std::u16string& file) {
    const int32_t shown = m_counts.nEntries - m_counts.nFiltered;
    const bool test = m_options.eMode == EJobMode::Test;
    if (m_engine.IsJapanese())
        Say(file + u"エントリ" + Number(shown) + (test ? u"個を検査、格納" : u"個、格納") +
            Number(m_counts.nStoredBytes) + u"バイト、内容" + Number(m_counts.nContentBytes) + u"バイト、問題" +
            Number(m_counts.nProblems) + u"件");
    else
        Say(file + Count(shown, "entry", "entries") + (test ? u" tested, " : u", ") +
            Count(m_counts.nStoredBytes, "byte", "bytes") + u" stored, " +
            Count(m_counts.nContentBytes, "byte", "bytes") + u" of content, " +
            Count(m_counts.nProblems, "problem", "problems"));
}

void CCliExtractor::OnFolderEvent(const char16_t* relativePath, EFolderStatus status) {
    if (m_options.bJson && !m_json.Folder(m_strFile.c_str(), relativePath, status))
        ReportLogFailure();
}

uint32_t CCliExtractor::FindCollision(const SEntryEvent& event) {
    if (event.eStatus == EEntryStatus::Damaged || event.eStatus == EEntryStatus::Unsafe ||
        (event.nProblems & kProblemTrailingData))
        return 0;
    std::u16string key = event.pszPath;
    for (char16_t& ch : key)
        ch = FoldLetter(ch);
    const bool folder = event.eKind == EEntryKind::Child;
    const auto found = m_paths.find(key);
    if (found == m_paths.end()) {
        m_paths.emplace(std::move(key), folder);
        return 0;
    }
    // Two child containers of one name fill one folder; anything else
    // would take a name already taken.
    return found->second && folder ? 0u : uint32_t(kProblemCollides);
}

uint32_t CCliExtractor::EntryProblems(const SEntryEvent& event) {
    if (event.eStatus == EEntryStatus::Filtered)
        return event.nProblems;
    if (m_options.eMode != EJobMode::Extract && !m_options.bStdout)
        return event.nProblems | FindCollision(event);
    // Extraction and -p give out a payload that does not inflate as it
    // stands: written, but not as the file meant it. -p puts nothing on the
    // disk: a path's length is none of its business.
    uint32_t problems = m_options.bStdout ? event.nProblems & ~uint32_t(kProblemTooLong) : event.nProblems;
    const bool givenOut = event.eStatus == EEntryStatus::Written || event.eStatus == EEntryStatus::Listed;
    if (event.eKind == EEntryKind::GzipFailed && givenOut)
        problems |= kProblemGzipFails;
    return problems;
}

void CCliExtractor::CountEntry(const SEntryEvent& event, uint32_t problems) {
    if (event.eStatus == EEntryStatus::Written)
        ++(event.eKind == EEntryKind::Child ? m_counts.nFolders : m_counts.nWritten);
    else if (event.eStatus != EEntryStatus::Listed)
        ++m_counts.nSkipped;
    if (event.eKind != EEntryKind::Child && event.nContentSize >= 0) {
        m_counts.nStoredBytes += event.nStoredSize;
        m_counts.nContentBytes += event.nContentSize;
    }
    if (problems != 0 || (event.eStatus != EEntryStatus::Written && event.eStatus != EEntryStatus::Listed)) {
        ++m_counts.nProblems;
        ++m_nRunProblems;
    }
}

void CCliExtractor::OnEntryEvent(const SEntryEvent& event) {
    ++m_counts.nEntries;
    m_strEntry = event.pszPath;
    if (m_options.bManifest)
        m_manifest.AddEntry(event);
    const uint32_t problems = EntryProblems(event);
    if (event.eStatus == EEntryStatus::Filtered) {
        ++m_counts.nFiltered;
    } else {
        const int32_t problemsBefore = m_counts.nProblems;
        CountEntry(event, problems);
        const bool problem = m_counts.nProblems != problemsBefore;
        // The listing: every entry, or with -q and -qq the ones with a problem.
        if (m_options.eMode != EJobMode::Extract && (m_options.nQuiet == 0 || problem))
            SayEntry(event, problems);
        if (m_options.eMode == EJobMode::Extract && (problems & kProblemGzipFails))
            SayProblem(m_engine.IsJapanese()
                           ? u"gzip データを伸長できないため、そのまま書き込みました [" + OutputPath(event) + u"]。"
                           : u"Gzip data does not inflate: written as stored [" + OutputPath(event) + u"].");
        if (m_options.bStdout)
            WriteContent(event);
    }
    if (m_options.bJson && !m_bOutputClosed && !m_json.Entry(m_strFile.c_str(), event, problems))
        ReportLogFailure();
}

void CCliExtractor::WriteContent(const SEntryEvent& event) {
    if (event.eStatus != EEntryStatus::Listed || event.eKind == EEntryKind::Child || !event.pContent ||
        m_bOutputClosed || m_bLogFailed)
        return;
    if (!ConsoleWriteBytes(event.pContent, size_t(event.nContentSize)))
        ReportLogFailure();
}

void CCliExtractor::OnContainerEnd(const SContainerEnd& end) {
    if (m_options.bManifest)
        m_manifest.EndContainer(end);
}

bool CCliExtractor::WriteManifest(const char16_t* folder) {
    const bool ja = m_engine.IsJapanese();
    char16_t name[kPathCapacity] = {};
    const bool written =
        WriteManifestBeside(m_platform, m_engine.ExtractionRoot(), folder, m_manifest.Finish(folder), name);
    if (written && m_options.nQuiet == 0)
        Say((ja ? u"マニフェスト [" : u"Manifest written [") + std::u16string(name) + (ja ? u"] を書き込みました。" : u"]."));
    if (!written)
        SayProblem((ja ? u"マニフェスト [" : u"Cannot write the manifest [") + std::u16string(name) +
                   (ja ? u"] を書き込めませんでした。" : u"]."));
    return written;
}

void CCliExtractor::SayEntry(const SEntryEvent& event, uint32_t problems) {
    if (!m_bHeaderShown && m_options.nQuiet == 0) {
        m_bHeaderShown = true;
        Say(PadRight(u"kind", 11) + PadLeft(u"stored", 11) + PadLeft(u"content", 11) + u"  path");
    }
    // Damaged entries and trailing data have no kind of their own.
    const bool kindless = event.eStatus == EEntryStatus::Damaged || (event.nProblems & kProblemTrailingData);
    const bool folder = (event.eKind == EEntryKind::Child && !kindless) || (event.nProblems & kProblemTrailingData);
    std::u16string line = PadRight(kindless ? u"-" : Ascii(KindWord(event.eKind)), 11);
    line += PadLeft(Number(event.nStoredSize), 11);
    line += PadLeft(event.nContentSize >= 0 ? Number(event.nContentSize) : u"-", 11);
    line += u"  " + OutputPath(event);
    if (folder && *event.pszPath)
        line += u"/";
    const std::vector<const char*> words = ProblemWords(problems);
    for (size_t i = 0; i < words.size(); ++i)
        line += (i == 0 ? u"  [" : u", ") + Ascii(words[i]) + (i + 1 == words.size() ? u"]" : u"");
    Say(line);
}

EExitStatus CCliExtractor::FinishRun(int32_t filesDone) {
    if (m_bOutputClosed)
        return EExitStatus::Cut;
    const int32_t files = int32_t(m_options.files.size());
    EExitStatus status = EExitStatus::Done;
    // A file of which nothing was selected was read whole: a problem, not a failure.
    if (!LogWritten() || filesDone + m_nNothingSelected != files || m_bManifestFailed)
        status = EExitStatus::Failed;
    else if (m_nRunProblems > 0 || m_nNothingSelected > 0)
        status = EExitStatus::Problem;
    if (m_options.bJson && !m_json.RunFinished(files, filesDone, int(status))) {
        ReportLogFailure();
        status = EExitStatus::Failed;
    }
    return status;
}
