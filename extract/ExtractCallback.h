// The one interface through which the engine talks to whoever drives it.
//
// Implemented by:
//   CMainDlg        (ui/)    list box lines, CInputDlg, PlaySoundW
//   CCliExtractor   (cli/)   standard output, the terminal, no sound
//   CRecordingHost  (tests/) records lines, answers and sounds for assertions
//
// All calls come from the thread that runs the extraction, synchronously.
#pragma once

#include <cstddef>
#include <cstdint>

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
    // terminator included) holds the last tried name followed by '\'. Returns
    // the prompt's end code: 1 when confirmed, the buffer then holding the new
    // name followed by exactly one '\'; anything else means the user gave up.
    virtual int AskFolderName(char16_t* nameBuffer, size_t capacity, const char16_t* caption) = 0;

    // The batch run extracted at least one file.
    virtual void PlayCompletionSound() = 0;

    // Called after every entry and after every file of a drop. False asks the
    // run to stop: the entry just done stays complete, the file being
    // extracted ends "Aborted!", no further file is started and the drop ends
    // with its summary. The window serves its messages here; the others go on.
    virtual bool ContinueJob(const SJobProgress& progress) { return true; }

protected:
    ~IExtractCallback() = default;
};
