#include "cli/CliExtractor.h"

#include "batch/FolderName.h"
#include "platform/Console.h"

CCliExtractor::CCliExtractor(IPlatform& platform, const char16_t* localeName)
    : CBatchExtractor(platform, localeName) {
    // Running out of memory ends the process before every file is extracted;
    // a script must not read that as success.
    m_nFatalExitCode = 1;
}

void CCliExtractor::OnLogLine(const char16_t* line) {
    // Entry names come from untrusted files: control characters in them must
    // not reach a terminal as escape sequences. They are shown as '?'.
    char16_t shown[kLineCapacity];
    size_t i = 0;
    for (; line[i] && i + 1 < kLineCapacity; ++i) {
        const char16_t ch = line[i];
        shown[i] = ch < 0x20 || (ch >= 0x7F && ch <= 0x9F) ? u'?' : ch;
    }
    shown[i] = 0;
    ConsoleWriteLine(shown);
}

int CCliExtractor::AskFolderName(char16_t* nameBuffer, size_t capacity, const char16_t* caption) {
    // Without a person to ask, the question counts as cancelled.
    if (!ConsoleIsInteractive())
        return 2;
    ConsoleFlush();

    char16_t current[kPathCapacity];
    FormatTextV(current, kPathCapacity, u"%s", nameBuffer);
    CutAtFirstBackslash(current);
    char16_t question[kLineCapacity];
    FormatTextV(question, kLineCapacity, u"%s\n[%s]> ", caption, current);
    ConsoleWriteError(question);

    char16_t answer[kPathCapacity];
    if (!ConsoleReadLine(answer, kPathCapacity)) {
        ConsoleWriteError(u"\n");
        return 2;
    }
    StoreFolderAnswer(nameBuffer, capacity, answer);
    return 1;
}
