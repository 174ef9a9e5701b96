// CRecordingHost: the tests' front end of the engine. Records every log line
// and every sound, answers folder-name questions from a prepared list, and
// holds the engine object, whose operations it offers under their names.
#pragma once

#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#include "batch/BatchExtractor.h"
#include "batch/FolderName.h"

// The tests' options: unless a test names its threads, the engine writes on
// the threads VANTO_TEST_THREADS names, so that the whole suite runs both ways.
inline SExtractOptions TestOptions(SExtractOptions options) {
    const char* threads = std::getenv("VANTO_TEST_THREADS");
    if (threads && options.nWriteThreads == 0)
        options.nWriteThreads = std::atoi(threads);
    return options;
}

class CRecordingHost final : public IExtractCallback {
public:
    struct SAnswer {
        int nEndCode;          // 1: OK, anything else: cancelled
        std::u16string text;   // typed into the box when nEndCode is 1
    };

    CRecordingHost(IPlatform& platform, const char16_t* localeName)
        : engine(platform, *this, TestOptions(SExtractOptions{localeName})) {}
    CRecordingHost(IPlatform& platform, const SExtractOptions& options)
        : engine(platform, *this, TestOptions(options)) {}

    void OnLogLine(const char16_t* line) override { lines.emplace_back(line); }

    EFolderAnswer AskFolderName(char16_t* nameBuffer, size_t capacity, const char16_t* caption) override {
        questions.emplace_back(nameBuffer);
        captions.emplace_back(caption);
        if (answers.empty())
            return EFolderAnswer::GaveUp;
        const SAnswer answer = answers.front();
        answers.pop_front();
        if (answer.nEndCode != 1)
            return EFolderAnswer::GaveUp;
        StoreFolderAnswer(nameBuffer, capacity, answer.text.c_str());
        return EFolderAnswer::Given;
    }

    void PlayCompletionSound() override { ++nSounds; }

    // Every report but the lines, as text, in the order made.
    void OnEntryEvent(const SEntryEvent& event) override {
        events.push_back(u"entry " + std::u16string(event.pszPath) + u" " + Number(int(event.eStatus)) + u" " +
                         Number(int(event.nProblems)) + u" " + Number(int(event.eKind)) + u" " +
                         Number(event.nContentSize));
    }
    void OnFolderEvent(const char16_t* relativePath, EFolderStatus status) override {
        events.push_back(u"folder " + std::u16string(relativePath) + u" " + Number(int(status)));
    }
    void OnContainerEnd(const SContainerEnd& end) override {
        events.push_back(u"end " + Number(end.nOffset) + u" " + Number(end.nStopOffset));
    }
    void OnFileEvent(const SFileEvent& event) override {
        events.push_back(u"file " + std::u16string(event.pszFolder) + u" " + Number(int(event.eResult)));
    }

    // Records every report; asks to stop at report number nStopAt (from 1).
    bool ContinueJob(const SJobProgress& progress) override {
        reports.push_back(progress);
        return int(reports.size()) != nStopAt;
    }

    // The engine's operations.
    bool ExtractFile(const char16_t* path) { return engine.ExtractFile(path); }
    int32_t ExtractDroppedFiles(IDropList& drop) { return engine.ExtractDroppedFiles(drop); }
    void ExtractData(const char16_t* relativeFolder, const uint8_t* data, int32_t length) {
        engine.ExtractData(relativeFolder, data, length);
    }
    bool CreateFolder(const char16_t* root, const char16_t* relativeFolder, const char16_t* name) {
        return engine.CreateFolder(root, relativeFolder, name);
    }
    template <class... Args>
    void LogJa(const char16_t* format, const Args&... args) {
        engine.LogJa(format, args...);
    }
    template <class... Args>
    void LogEn(const char16_t* format, const Args&... args) {
        engine.LogEn(format, args...);
    }
    template <class... Args>
    void LogAny(const char16_t* format, const Args&... args) {
        engine.LogAny(format, args...);
    }
    int32_t EntryProblemCount() const { return engine.EntryProblemCount(); }
    bool StopRequested() const { return engine.StopRequested(); }

    // Gives the tests the root a job would use, opened as a job opens it,
    // without running a job.
    void SetExtractionRoot(const std::u16string& root) { engine.OpenExtractionRoot(root.c_str()); }

    CBatchExtractor engine;
    std::vector<std::u16string> lines;
    std::vector<std::u16string> events;
    std::vector<std::u16string> questions;  // name buffer when asked
    std::vector<std::u16string> captions;
    std::deque<SAnswer> answers;
    int nSounds = 0;
    std::vector<SJobProgress> reports;
    int nStopAt = 0;

private:
    static std::u16string Number(long long n) {
        const std::string digits = std::to_string(n);
        return std::u16string(digits.begin(), digits.end());
    }
};
