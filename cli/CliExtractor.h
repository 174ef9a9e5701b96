// The command-line tool's side of the engine: log lines on standard output,
// the folder-name question on the terminal, no sound.
#pragma once

#include "batch/BatchExtractor.h"

class CCliExtractor final : public CBatchExtractor {
public:
    CCliExtractor(IPlatform& platform, const SExtractOptions& options);

    void OnLogLine(const char16_t* line) override;
    int AskFolderName(char16_t* nameBuffer, size_t capacity, const char16_t* caption) override;
    void PlayCompletionSound() override {}

    // False once a log line could not be written. The extraction goes on
    // regardless; standard error has been told.
    bool LogWritten() const { return !m_bLogFailed; }
    // Reports a failed log on standard error, once.
    void ReportLogFailure();

private:
    bool m_bLogFailed = false;
};

// The text as a terminal may show it: bytes of a file name that are not
// UTF-8 (escaped bytes) are shown as \xNN, which takes up to four times the
// characters of the text.
void MakeConsoleText(const char16_t* line, char16_t* out, size_t capacity);
