// The command-line tool's side of the engine: log lines on standard output,
// the folder-name question on the terminal, no sound.
#pragma once

#include "batch/BatchExtractor.h"

class CCliExtractor final : public CBatchExtractor {
public:
    CCliExtractor(IPlatform& platform, const char16_t* localeName);

    void OnLogLine(const char16_t* line) override;
    int AskFolderName(char16_t* nameBuffer, size_t capacity, const char16_t* caption) override;
    void PlayCompletionSound() override {}
};
