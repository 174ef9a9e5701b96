// The one interface through which the engine talks to whoever drives it.
//
// Each front end implements it and holds an engine object (CBatchExtractor)
// that it hands itself to:
//   CMainDlg        (ui/)    list box lines, CInputDlg, PlaySoundW
//   CCliExtractor   (cli/)   standard output, the terminal, no sound; the
//                            listing, JSON events and progress line
//   CReadBack       (pack/)  the packer's read-back check: entries only
//   CRecordingHost  (tests/) records lines, answers and sounds for assertions
//
// All calls come from the thread that runs the extraction, synchronously.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/Text.h"

// What a job does with the entries it walks.
enum class EJobMode {
    Extract,  // create the folders and write the files
    List,     // walk every entry and report it; nothing is written
    Test,     // as List, and also check every gzip stream to its end
};

// What a walked entry is.
enum class EEntryKind {
    Child,       // a child container: written as a folder
    Stored,      // written as it stands
    Gzip,        // inflated before it is written
    GzipFailed,  // begins as gzip but does not inflate: written as it stands
};

// What became of an entry.
enum class EEntryStatus {
    Written,       // written (a folder: created, or an existing one filled)
    Listed,        // walked in the List or Test mode; see nProblems
    Exists,        // the name is taken: nothing was touched
    Unsafe,        // the name would leave the output folder or name a device
    Damaged,       // the entry's size runs past its container: the rest is skipped
    TooLong,       // the output path does not fit
    CannotCreate,  // the file or folder could not be created (or a link stands there)
    CannotWrite,   // the content could not be written whole
    Filtered,      // not selected
};

// Problems an entry has, as a set of bits (kProblem...).
enum : uint32_t {
    kProblemDamaged = 1,
    kProblemUnsafe = 2,
    kProblemTooLong = 4,
    kProblemGzipFails = 8,      // Test: the stream fails or its content is over the buffer
    kProblemGzipTrailing = 16,  // Test: bytes or another member follow the stream's end
    kProblemTrailingData = 32,  // Test: bytes after a container's last entry that are no entry
};

// What became of a folder the walk tried to create.
enum class EFolderStatus {
    Created,  // made now
    Exists,   // a real folder was there already: it is filled
    Refused,  // not made: a link or a file in its place, a name or path refused, ...
};

// Paths in reports: a folder's path that fits the path capacity and a name
// that does too, so that a path too long to create is still told whole.
enum : size_t { kReportPathCapacity = 2 * kPathCapacity };

// One walked entry. The strings live for the call only.
struct SEntryEvent {
    // The entry's path inside its file, '/' between levels: the output name
    // the content chose when it is a file that was examined, else the name
    // as decoded (for trailing data, the container's own path).
    const char16_t* pszPath = u"";
    const char16_t* pszName = u"";        // the entry's name as decoded
    const char16_t* pszFolder = u"";      // the file's output folder, as created (or as it would be)
    const uint8_t* pRawName = nullptr;    // the entry's 50-byte header: its name's bytes up to their NUL,
    int32_t nRawNameLength = 0;           // then the size field at kSizeFieldOffset
    const uint8_t* pPayload = nullptr;    // nStoredSize bytes; null for a damaged entry and trailing data
    const uint8_t* pContent = nullptr;    // nContentSize bytes as written (listed); null when not examined
    int32_t nOffset = 0;                  // the header's offset in the file
    EEntryKind eKind = EEntryKind::Stored;
    int32_t nStoredSize = 0;              // payload bytes; for a damaged entry its size field
    int32_t nContentSize = -1;            // bytes as written; -1 for folders and unexamined entries
    EEntryStatus eStatus = EEntryStatus::Listed;
    uint32_t nProblems = 0;
};

// The end of a container's walk: where it stopped, and so how many of its
// bytes follow unexamined. Offsets count from the start of the file.
struct SContainerEnd {
    const uint8_t* pData = nullptr;  // the container's bytes
    int32_t nOffset = 0;             // where they begin (0: the file itself)
    int32_t nLength = 0;
    int32_t nStopOffset = 0;         // the first byte not walked; nOffset + nLength when all were
};

// How the folder-name question ended.
enum class EFolderAnswer {
    Given,   // a new name is in the buffer
    GaveUp,  // cancelled, or nobody to ask
};

// One file of a job, when it starts and when it ends.
struct SFileEvent {
    enum class EResult {
        Started,        // the job begins; nothing is known yet
        Done,           // walked to its end
        Aborted,        // stopped, or its output folder was not created
        NotExtractable, // cannot be read, or is not a custom file
        NoRoot,         // the extraction folder cannot be read or opened
        NothingSelected,  // the selection takes no entry: no folder, nothing written
    };
    const char16_t* pszPath = u"";    // as given
    const char16_t* pszFolder = u"";  // its output folder's name (the last one tried)
    int32_t nSize = -1;               // bytes, once read
    EResult eResult = EResult::Started;
};

// How far a drop is.
struct SJobProgress {
    int32_t nFileIndex = 0;             // the file being extracted, from 0
    int32_t nFileCount = 0;             // files in the drop
    const char16_t* pszPath = nullptr;  // that file's path; null between files
    int32_t nBytesWalked = 0;           // bytes of that file the walk has passed
    int32_t nBytesTotal = 0;            // that file's size; 0 until it is read
};

class IExtractCallback {
public:
    // One finished log line, already in the UI language, with every control
    // or direction-changing character shown as '?'. Valid for the call only.
    virtual void OnLogLine(const char16_t* line) = 0;

    // Asks for another output folder name. nameBuffer (capacity characters,
    // terminator included) holds the last tried name followed by '\'. Given:
    // the buffer holds the new name followed by exactly one '\'.
    virtual EFolderAnswer AskFolderName(char16_t* nameBuffer, size_t capacity, const char16_t* caption) = 0;

    // The batch run extracted at least one file.
    virtual void PlayCompletionSound() = 0;

    // Called after every entry and after every file of a drop. False asks the
    // run to stop: the entry just done stays complete, the file being
    // extracted ends "Aborted!", no further file is started and the drop ends
    // with its summary. The window serves its messages here; the others go on.
    virtual bool ContinueJob(const SJobProgress& progress) { return true; }

    // Structured reports for front ends that show more than the log (the
    // command-line tool's listing and JSON events). By default, nothing.
    virtual void OnFileEvent(const SFileEvent& event) {}
    // A folder creation below the extraction root: its path relative to the
    // root ('/' between levels) and the outcome.
    virtual void OnFolderEvent(const char16_t* relativePath, EFolderStatus status) {}
    virtual void OnEntryEvent(const SEntryEvent& event) {}
    // After a container's last entry, the file's own included, and after
    // the events of every entry inside it.
    virtual void OnContainerEnd(const SContainerEnd& end) {}

protected:
    ~IExtractCallback() = default;
};
