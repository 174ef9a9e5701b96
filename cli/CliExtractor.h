// The command-line tool's side of the engine: the log on standard output (or
// standard error beside -p's content, and with --log beside JSON events), the
// folder-name question on the terminal, the listing of -l and -t, -p's
// content, JSON events, the progress line and the --include/--exclude
// selection; the tool's own wording of the lines the engine marks with a
// topic (why a file is not extracted, a folder that is taken). No sound.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "batch/BatchExtractor.h"
#include "cli/CliOptions.h"
#include "cli/JsonEvents.h"
#include "manifest/ManifestWriter.h"
#include "cli/ProgressLine.h"
#include "cmdline/ExitStatus.h"

// The --include and --exclude patterns: an entry is taken when it, or a
// folder above it, matches an include (or none is given) and neither it nor a
// folder above it matches an exclude. A pattern without a separator matches
// a name at any level ("*.bmp"); one with a separator, the path from the top
// ("textures/*.bmp").
class CGlobSelection final : public IEntrySelection {
public:
    CGlobSelection(const std::vector<std::u16string>& includes, const std::vector<std::u16string>& excludes)
        : m_includes(includes), m_excludes(excludes) {}
    bool Selects(const char16_t* pathInFile) const override;

private:
    std::vector<std::u16string> m_includes;
    std::vector<std::u16string> m_excludes;
};

class CCliExtractor final : public IExtractCallback {
public:
    // The platform, the options and the progress line must outlive the object.
    CCliExtractor(IPlatform& platform, const SExtractOptions& engineOptions, const SCliOptions& options,
                  CProgressLine& progress);

    // The files, as one drop on the window would be. Returns how many were
    // extracted (listed, tested).
    int32_t ExtractFiles(IDropList& files) { return m_engine.ExtractDroppedFiles(files); }
    // True when the engine stopped for lack of memory (the log said so):
    // the run ends with status 1 at once.
    bool RanOutOfMemory() const { return m_engine.RanOutOfMemory(); }

    void OnLogLine(const char16_t* line) override;
    EFolderAnswer AskFolderName(char16_t* nameBuffer, size_t capacity, const char16_t* caption) override;
    void PlayCompletionSound() override {}
    bool ContinueJob(const SJobProgress& progress) override;
    void OnFileEvent(const SFileEvent& event) override;
    void OnFolderEvent(const char16_t* relativePath, EFolderStatus status) override;
    void OnEntryEvent(const SEntryEvent& event) override;
    void OnContainerEnd(const SContainerEnd& end) override;

    // The exit status of the run, once ExtractDroppedFiles is done; also
    // reported as the last JSON event (unless standard output was closed).
    EExitStatus FinishRun(int32_t filesDone);

    // False once the log or the events could not be written. The run goes
    // on regardless; standard error has been told.
    bool LogWritten() const { return !m_bLogFailed; }
    // Called at once after standard output failed. A listing (-l, -t, -p)
    // whose reader has gone ends quietly (OutputClosed); any other failure is
    // reported on standard error, once, and the run goes on.
    void ReportLogFailure();
    // True once a listing's standard output was closed by its reader: the
    // engine was asked to stop, nothing more is said, and the run ends
    // with EExitStatus::Cut.
    bool OutputClosed() const { return m_bOutputClosed; }

private:
    // One line of the human output, where the options send it.
    void Say(const std::u16string& line);
    // A problem line: with -q and -qq led by the file.
    void SayProblem(const std::u16string& line);
    bool ShowsHumanOutput() const { return (!m_options.bJson || m_options.bLog) && !m_bOutputClosed; }
    // The line that takes the place of the engine's line with that topic;
    // empty: the line is not shown.
    std::u16string OwnWording(ELogTopic topic, const char16_t* line);
    void SayEntry(const SEntryEvent& event, uint32_t problems);
    void SayFileSummary(const SFileEvent& event);
    // Without a question: the output folder nameBuffer names is skipped, and
    // the line says why and what --existing rename would do.
    void SayFolderSkipped(const char16_t* nameBuffer);
    void SayTotals(const std::u16string& file);
    uint32_t FindCollision(const SEntryEvent& event);
    // The entry's problems as this mode counts them.
    uint32_t EntryProblems(const SEntryEvent& event);
    void CountEntry(const SEntryEvent& event, uint32_t problems);
    // -p: the entry's content on standard output.
    void WriteContent(const SEntryEvent& event);
    // Why the current file is not extracted (found once per file): the
    // engine's topic says whether it was read; the rest the tool finds.
    void FindWhyNotExtractable(ELogTopic topic);
    std::u16string WhyNotExtractableText() const;
    // Writes the current file's manifest beside its output folder, never
    // over anything. False when it could not be written.
    bool WriteManifest(const char16_t* folder);

    IPlatform& m_platform;
    CBatchExtractor m_engine;
    const SCliOptions& m_options;
    CProgressLine& m_progressLine;
    CJsonEvents m_json;
    bool m_bLogFailed = false;
    bool m_bHeaderShown = false;   // the listing's column names
    // The human output goes where the status line is (standard error, or a
    // standard output that is a terminal too).
    const bool m_bSharesTerminal;
    std::u16string m_strFile;      // the file being worked on, as given
    std::u16string m_strFolder;    // its output folder's name, as first tried
    std::u16string m_strEntry;     // the last entry walked, for the progress line
    SFileCounts m_counts;          // the current file's
    int32_t m_nRunProblems = 0;    // entries with a problem, in every mode
    int32_t m_nNothingSelected = 0;  // files of which the selection took no entry
    SWhyNotExtractable m_whyNot;   // the current file's, once found
    const bool m_bAsks;            // whether a taken output folder is asked about
    bool m_bOutputClosed = false;
    // The current file's paths with letter case folded, and whether each is
    // a folder (a folder may be filled twice; anything else collides).
    std::map<std::u16string, bool> m_paths;
    CManifestBuilder m_manifest;
    bool m_bManifestFailed = false;  // a manifest could not be written: the run ends with 1
};

// Whether the human output goes to standard error (beside --json's events or
// -p's content) rather than standard output.
bool LogsToErrors(const SCliOptions& options);
// Where an entry is (or would be) written: its output folder, '/', its path.
std::u16string OutputPath(const SEntryEvent& event);

// The text as a terminal may show it: bytes of a file name that are not
// UTF-8 (escaped bytes) are shown as \xNN, which takes up to four times the
// characters of the text.
void MakeConsoleText(const char16_t* line, char16_t* out, size_t capacity);
