// CBatchExtractor: the per-file job and the batch run over a list of paths:
// the engine object each front end holds. CMainDlg feeds it the paths of a
// drop (DragQueryFileW); the command-line tool feeds it its arguments. Runs
// synchronously.
#pragma once

#include <cstdint>

#include "extract/Extractor.h"

// The paths of one drop, read by index.
class IDropList {
public:
    virtual int32_t GetCount() = 0;
    // Length of path i in UTF-16 characters, terminator not counted.
    virtual uint32_t GetPathLength(int32_t index) = 0;
    // Copies path i into buf (capacity characters, terminator included).
    virtual void CopyPath(int32_t index, char16_t* buf, size_t capacity) = 0;

protected:
    ~IDropList() = default;
};

// The paths of a drop that the front end handles itself (the window rebuilds
// folders and applies patches), asked about each path in drop order before
// it is extracted.
class IDropItemHandler {
public:
    enum class EResult {
        NotMine,  // extracted as a custom file
        Done,     // handled, with its own log lines
        Failed,   // handled and failed (or stopped); the log says why
    };
    // progress holds the drop's counts and the path; the handler may report
    // it through ContinueJob.
    virtual EResult HandleDropItem(const char16_t* path, const SJobProgress& progress) = 0;

protected:
    ~IDropItemHandler() = default;
};

class CBatchExtractor : public CExtractor {
public:
    // The platform and the front end must outlive the object.
    CBatchExtractor(IPlatform& platform, IExtractCallback& callback, const SExtractOptions& options);

    // One custom file: read it whole, test it, create its output folder in the
    // extraction folder or the current directory (asking for another name
    // after each failure) and walk it. True when the folder was created and
    // the walk ran.
    bool ExtractFile(const char16_t* path);

    // One drop: counts, progress lines, the 200-character path limit, a job per
    // accepted path, the summary, the separator and the completion sound.
    // Returns the number of files extracted.
    int32_t ExtractDroppedFiles(IDropList& drop);
    // The handler asked about each path of a drop; null (the default): every
    // path is extracted. A drop with handled paths adds one summary line for
    // them, after the extraction's.
    void SetDropItemHandler(IDropItemHandler* handler) { m_pItemHandler = handler; }

private:
    // OnFileEvent, unless the memory ran out.
    void ReportFile(const SFileEvent& event);
    // Creates the output folder named by nameBuffer (name and '\') below the
    // extraction root, asking for another name after each failure. False
    // when the user gave up.
    bool CreateOutputFolder(char16_t* nameBuffer);
    // After the name in nameBuffer was taken (result), creates the first free
    // "NAME (2)", "NAME (3)", ... and logs it. False when none could be made.
    bool CreateRenamedFolder(char16_t* nameBuffer, EFolderResult result);
    // Walks the file's data below the output folder nameBuffer names
    // (selection marks first). False when the run was asked to stop.
    bool WalkFile(const char16_t* nameBuffer, const SInputFile& file);
    // Whether the selection takes any entry of the file, by a marking walk
    // below nameBuffer that writes and reports nothing. False too when its
    // memory could not be had (RanOutOfMemory).
    bool SelectsAnyEntry(const char16_t* nameBuffer, const SInputFile& file);
    // The state of a walk of the file below nameBuffer, and its end;
    // relativeFolder (kPathCapacity characters) gets the folder in native form.
    void EnterFile(const char16_t* nameBuffer, const SInputFile& file, char16_t* relativeFolder);
    void LeaveFile();
    // The options' extraction folder, or else the current directory, into
    // root (kPathCapacity characters). False when it cannot be read or does
    // not fit.
    bool ReadExtractionRoot(char16_t* root);

    IDropItemHandler* m_pItemHandler = nullptr;
    // Dropped paths of this many characters or more are skipped.
    const uint32_t m_nPathLimit = 200;
    // The highest number a renamed output folder gets.
    static constexpr int32_t kMaxFolderNumber = 9999;
};
