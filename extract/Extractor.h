// CExtractor: the message log operations and the container walker.
//
// The engine: each front end (the window, the command-line tool, the
// packer's read-back check, the tests) implements IExtractCallback and holds
// an engine object (CBatchExtractor) made with it. Not thread-safe: one
// extraction at a time.
#pragma once

#include <cstdint>
#include <memory>

#include "base/Text.h"
#include "extract/ExtractCallback.h"
#include "extract/LogFormat.h"
#include "platform/Platform.h"

// Which entries a job takes, by their path inside the file ('/' between
// levels, output names as the content chose them). Implemented by the
// command-line tool's --include/--exclude patterns.
class IEntrySelection {
public:
    virtual bool Selects(const char16_t* pathInFile) const = 0;

protected:
    ~IEntrySelection() = default;
};

// What the per-file job does when the output folder's name is taken.
enum class EExistingFolder {
    Ask,     // AskFolderName for another name, until it is given up
    Rename,  // the first free "NAME (2)", "NAME (3)", ...
    Into,    // a real folder of that name is filled (files that exist are skipped); else Ask
};

// What the log line being reported tells, for front ends that word some of
// them their own way (LogTopic in OnLogLine). The lines stay as they are.
enum class ELogTopic {
    Step,            // anything else
    FileNotRead,     // the file cannot be read (missing, a folder, refused, too large)
    FileNotCustom,   // the file was read, but is not a custom file
    FolderQuestion,  // the output folder was not created: another name is asked for
};

// How an engine object is set up; fixed for its lifetime. The strings and the
// selection are borrowed: they must outlive the object.
struct SExtractOptions {
    // The UI language's locale name, read on every log call (see
    // IsJapaneseLocaleName), so a window may change it in place.
    const char16_t* pszLocaleName = u"";
    // The folder that receives each file's folder; null or empty means the
    // current folder, read anew for every file.
    const char16_t* pszExtractionFolder = nullptr;
    EJobMode eMode = EJobMode::Extract;
    // Null takes every entry. A child folder with no selected entry below it
    // is not created.
    const IEntrySelection* pSelection = nullptr;
    EExistingFolder eExistingFolder = EExistingFolder::Ask;
    // Threads that create, write and close the files while the walk goes
    // on; 0 or 1 writes them on the walker's thread. Whatever the number,
    // the front end gets the very same reports in the very same order.
    int nWriteThreads = 0;
};

class CExtractor {
public:
    // The platform and the front end must outlive the object.
    CExtractor(IPlatform& platform, IExtractCallback& callback, const SExtractOptions& options);
    ~CExtractor();
    CExtractor(const CExtractor&) = delete;
    CExtractor& operator=(const CExtractor&) = delete;

    // Log operations: a message is always LogJa (Japanese) then LogEn (English)
    // with the same event; exactly one of the pair appends a line.
    template <class... Args>
    void LogJa(const char16_t* format, const Args&... args) {
        const CLogArg list[] = {CLogArg(args)..., CLogArg()};
        LogIf(IsJapanese(), format, list, sizeof...(Args));
    }
    template <class... Args>
    void LogEn(const char16_t* format, const Args&... args) {
        const CLogArg list[] = {CLogArg(args)..., CLogArg()};
        LogIf(!IsJapanese(), format, list, sizeof...(Args));
    }
    template <class... Args>
    void LogAny(const char16_t* format, const Args&... args) {
        const CLogArg list[] = {CLogArg(args)..., CLogArg()};
        LogIf(true, format, list, sizeof...(Args));
    }

    // Creates root\relativeFolder+name and logs the outcome. True when created.
    bool CreateFolder(const char16_t* root, const char16_t* relativeFolder, const char16_t* name);

    // Writes the entry tree of the container data[0 .. length-1] below
    // extraction root\relativeFolder. Expects the extraction root to be open
    // and that folder to exist; data must stay valid for the whole call.
    void ExtractData(const char16_t* relativeFolder, const uint8_t* data, int32_t length);

    bool IsJapanese() const;

    // True once ContinueJob asked the run to stop; cleared when a drop begins.
    bool StopRequested() const { return m_bStopRequested; }

    // Entries not written as they should have been since the object was made:
    // damaged, refused as unsafe, or whose file or folder could not be
    // created or written.
    int32_t EntryProblemCount() const { return m_nEntryProblems; }

    // True once a decompression buffer could not be had. The walk stopped
    // at once, after its two log lines; from then on the engine reports
    // nothing more, and every run it is asked for stops at once. Whether the
    // process ends is the front end's to decide.
    bool RanOutOfMemory() const { return m_bOutOfMemory; }

    // While the front end's OnLogLine runs: whether the line tells a problem
    // (for front ends that show only those).
    bool IsProblemLine() const { return m_bProblemLines; }
    // While the front end's OnLogLine runs: what the line tells.
    ELogTopic LogTopic() const { return m_eLogTopic; }

    // Takes root as the extraction root that paths are composed from and
    // opens it as the platform's output root. False when it does not fit or
    // cannot be opened. CloseExtractionRoot lets go of it. A job does both
    // itself; a caller of ExtractData does them around it.
    bool OpenExtractionRoot(const char16_t* root);
    void CloseExtractionRoot();
    // The root of the job under way, or of the last one.
    const char16_t* ExtractionRoot() const { return m_szExtractRoot; }

protected:
    enum class EFolderResult {
        Created,  // made now
        Exists,   // a real folder is there: it may be filled
        Link,     // a link stands there: never entered
        Failed,   // not created (a file there, a missing parent, ...)
        Refused,  // not attempted: an unsafe name, or a path that does not fit
    };

    // CreateFolder with the whole outcome. name is fitted in place to what the
    // system creates (trailing dots and blanks trimmed where the system does),
    // so that the caller goes on with the name that is on disk.
    EFolderResult CreateFolderChecked(const char16_t* root, const char16_t* relativeFolder, char16_t* name);

    // Asks the front end whether to go on, telling it that the walk of the
    // current file has reached `position` (inside the file's data). False,
    // and from then on StopRequested, when it asked to stop.
    bool ReportProgress(const uint8_t* position);

    // Copies root as the root that paths are composed from, without opening
    // it (the List and Test modes judge path lengths from it). False when it
    // does not fit.
    bool SetExtractionRoot(const char16_t* root);

    // With a selection, walks the file once without writing or reporting
    // anything and marks every selected entry and every child container with
    // a selected entry below it; the real walk then takes only marked
    // entries. False when the marks' memory cannot be had.
    bool MarkSelectedEntries(const char16_t* relativeFolder, const uint8_t* data, int32_t length);
    void ReleaseMarks();

    // True in the mode that creates folders and writes files.
    bool Writes() const { return m_options.eMode == EJobMode::Extract && !m_bPlanning; }

    // Logs the two lines of a decompression buffer that cannot be had and
    // stops everything (RanOutOfMemory).
    void StopForLackOfMemory();

    // Waits for every file written on another thread, reports it, and ends
    // the writing threads. Before a job lets go of the output root.
    void EndWrites();

    // Marks the log lines logged while it lives as telling a problem, for
    // front ends that show only those (IsProblemLine in OnLogLine), and with
    // their topic (LogTopic).
    class CProblemLines {
    public:
        explicit CProblemLines(CExtractor& extractor, bool problem = true, ELogTopic topic = ELogTopic::Step)
            : m_extractor(extractor), m_bBefore(extractor.m_bProblemLines), m_eTopicBefore(extractor.m_eLogTopic) {
            extractor.m_bProblemLines = problem;
            extractor.m_eLogTopic = topic;
        }
        ~CProblemLines() {
            m_extractor.m_bProblemLines = m_bBefore;
            m_extractor.m_eLogTopic = m_eTopicBefore;
        }
        CProblemLines(const CProblemLines&) = delete;
        CProblemLines& operator=(const CProblemLines&) = delete;

    private:
        CExtractor& m_extractor;
        bool m_bBefore;
        ELogTopic m_eTopicBefore;
    };

    // Whether the last marking walk (MarkSelectedEntries) took any entry.
    bool MarkedAnyEntry() const { return m_nMarked > 0; }
    IPlatform& m_platform;
    IExtractCallback& m_callback;
    const SExtractOptions m_options;
    // The drop's progress; the batch fills in the file, the walk the bytes.
    SJobProgress m_progress;
    const uint8_t* m_pFileData = nullptr;  // the current file's data, while it is walked
    // Characters of the walk's relative folder that name the file's own
    // output folder ("NAME\"): the path inside the file follows them.
    size_t m_nFileFolderLength = 0;
    char16_t m_szFileFolder[kPathCapacity] = {};  // that folder's name, for reports
    bool m_bStopRequested = false;
    bool m_bOutOfMemory = false;

private:
    enum class EEntryStep { End, Done, Child };

    void LogIf(bool show, const char16_t* format, const CLogArg* args, size_t count);
    // One entry of a container at `offset`: logs it and writes it, or, for a
    // child container, creates its folder and forms childRelative for the
    // caller to walk. Kept out of ExtractData so that the recursion carries
    // only the child's relative folder.
    EEntryStep ExtractEntry(const char16_t* relativeFolder, const uint8_t* data, int32_t length, int32_t offset,
                            bool& cmapTried, int32_t& entrySize, char16_t* childRelative);
    bool PrepareChildFolder(const char16_t* relativeFolder, SEntryEvent& event, char16_t* childRelative);
    void ExtractFileEntry(const char16_t* relativeFolder, SEntryEvent& event, const uint8_t* payload,
                          int32_t payloadLength);
    void LogUnsafeName(SEntryEvent& event);
    void ReportContainerEnd(const uint8_t* data, int32_t length, int32_t stop);
    void ReportTrailingData(const char16_t* relativeFolder, const uint8_t* data, int32_t length, int32_t offset);
    void CountProblem();
    void ReportEntry(const SEntryEvent& event);
    // relativeFolder's part inside the file, then name, with '/' separators.
    void ComposePathInFile(char16_t* out, const char16_t* relativeFolder, const char16_t* name) const;

    // Selection marks: one bit per entry, indexed by its header's offset / 50
    // (headers never overlap, so no two entries share a bit).
    bool IsMarked(int32_t entryOffset) const;
    void Mark(int32_t entryOffset);
    bool IsTaken(int32_t entryOffset) const { return !m_pMarks || m_bPlanning || IsMarked(entryOffset); }

    // The reports to the front end. While a file written on another thread
    // is not done, every report after it is held back, its texts copied;
    // each is made once the writes before it are (ExtractorWrites.cpp).
    void ReportLine(const char16_t* line);
    void ReportFolder(const char16_t* path, EFolderStatus status);
    void ReportEnd(const SContainerEnd& end);
    bool HoldsReports() const;
    // Writes the file's content at path (relative part from rootLength) on
    // a worker thread when there are some, else here; either way its report
    // comes in its place. content lives in the decompression buffer when
    // inflated is set (it is copied then).
    void WriteOrSubmit(const char16_t* path, size_t rootLength, SEntryEvent& event, const uint8_t* content,
                       bool inflated);
    // The outcome of a write: the failure line, the count, the entry's status.
    void FinishWrite(const char16_t* path, SEntryEvent& event, EWriteResult result);
    // Makes the reports whose writes are done (waiting for each with wait).
    void ReportDoneWrites(bool wait);
    // Before something is created at path (relative to the root), waits for
    // a write pending there, so that the first of them gets the name.
    void WaitForPendingPath(const char16_t* relativePath);

    struct SWrites;
    std::unique_ptr<SWrites> m_pWrites;
    bool m_bReporting = false;  // a held report is being made: it goes straight to the front end
    int m_nDepth = 0;           // ExtractData calls under way

    int32_t m_nEntryProblems = 0;
    char16_t m_szExtractRoot[kPathCapacity] = {};
    bool m_bPlanning = false;  // the marking walk of MarkSelectedEntries
    bool m_bProblemLines = false;
    ELogTopic m_eLogTopic = ELogTopic::Step;
    uint8_t* m_pMarks = nullptr;
    size_t m_nMarkBytes = 0;
    int32_t m_nMarked = 0;

    // Formats a path into a kPathCapacity buffer and turns every '\' from
    // character `nativeFrom` on into the native separator (the extraction root
    // is taken as the system gave it). False when it does not fit; buf then
    // holds as much as fits.
    template <class... Args>
    bool ComposePath(char16_t* buf, size_t nativeFrom, const char16_t* format, const Args&... args) {
        const CLogArg list[] = {CLogArg(args)..., CLogArg()};
        return ComposePathFrom(buf, nativeFrom, format, list, sizeof...(Args));
    }
    bool ComposePathFrom(char16_t* buf, size_t nativeFrom, const char16_t* format, const CLogArg* args,
                         size_t count);
};
