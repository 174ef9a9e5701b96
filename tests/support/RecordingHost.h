// CRecordingHost: the tests' side of the engine. Records every log line and
// every sound, and answers folder-name questions from a prepared list.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "batch/BatchExtractor.h"
#include "batch/FolderName.h"

class CRecordingHost final : public CBatchExtractor {
public:
    struct SAnswer {
        int nEndCode;          // 1: OK, anything else: cancelled
        std::u16string text;   // typed into the box when nEndCode is 1
    };

    CRecordingHost(IPlatform& platform, const char16_t* localeName)
        : CBatchExtractor(platform, SExtractOptions{localeName}) {}
    CRecordingHost(IPlatform& platform, const SExtractOptions& options) : CBatchExtractor(platform, options) {}

    void OnLogLine(const char16_t* line) override { lines.emplace_back(line); }

    int AskFolderName(char16_t* nameBuffer, size_t capacity, const char16_t* caption) override {
        questions.emplace_back(nameBuffer);
        captions.emplace_back(caption);
        if (answers.empty())
            return 2;
        const SAnswer answer = answers.front();
        answers.pop_front();
        if (answer.nEndCode == 1)
            StoreFolderAnswer(nameBuffer, capacity, answer.text.c_str());
        return answer.nEndCode;
    }

    void PlayCompletionSound() override { ++nSounds; }

    // Records every report; asks to stop at report number nStopAt (from 1).
    bool ContinueJob(const SJobProgress& progress) override {
        reports.push_back(progress);
        return int(reports.size()) != nStopAt;
    }

    // Gives the tests the root a job would use, opened as a job opens it,
    // without running a job.
    void SetExtractionRoot(const std::u16string& root) { OpenExtractionRoot(root.c_str()); }

    std::vector<std::u16string> lines;
    std::vector<std::u16string> questions;  // name buffer when asked
    std::vector<std::u16string> captions;
    std::deque<SAnswer> answers;
    int nSounds = 0;
    std::vector<SJobProgress> reports;
    int nStopAt = 0;
};
