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

protected:
    ~IExtractCallback() = default;
};
