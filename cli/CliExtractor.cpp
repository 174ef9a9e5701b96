#include "cli/CliExtractor.h"

#include "batch/FolderName.h"
#include "console/Console.h"
#include "platform/Utf.h"

void MakeConsoleText(const char16_t* line, char16_t* out, size_t capacity) {
    static const char16_t kHex[] = u"0123456789ABCDEF";
    size_t pos = 0;
    for (; *line; ++line) {
        const char16_t ch = *line;
        if (IsEscapedByte(ch)) {
            if (pos + 5 > capacity)
                break;
            const unsigned byte = unsigned(ch - 0xDC00);
            out[pos++] = u'\\';
            out[pos++] = u'x';
            out[pos++] = kHex[byte >> 4];
            out[pos++] = kHex[byte & 15];
        } else {
            if (pos + 2 > capacity)
                break;
            out[pos++] = ch;
        }
    }
    if (capacity > 0)
        out[pos] = 0;
}

CCliExtractor::CCliExtractor(IPlatform& platform, const SExtractOptions& options)
    : CBatchExtractor(platform, options) {}

void CCliExtractor::OnLogLine(const char16_t* line) {
    // The engine has shown control and direction characters as '?' already.
    if (m_bLogFailed)
        return;
    char16_t shown[4 * kLineCapacity];
    MakeConsoleText(line, shown, 4 * kLineCapacity);
    if (!ConsoleWriteLine(shown))
        ReportLogFailure();
}

void CCliExtractor::ReportLogFailure() {
    if (m_bLogFailed)
        return;
    m_bLogFailed = true;
    ConsoleWriteError((u"vanto-extract: cannot write the log: " + ConsoleErrorText() +
                       u"; extracting goes on without it\n")
                          .c_str());
}

int CCliExtractor::AskFolderName(char16_t* nameBuffer, size_t capacity, const char16_t* caption) {
    // Without a person to ask, the question counts as cancelled.
    if (!ConsoleIsInteractive())
        return 2;
    if (!ConsoleFlush())
        ReportLogFailure();

    char16_t current[kPathCapacity];
    CopyText(current, kPathCapacity, nameBuffer);
    CutAtFirstBackslash(current);
    char16_t shown[4 * kPathCapacity];
    MakeConsoleText(current, shown, 4 * kPathCapacity);
    char16_t question[4 * kLineCapacity];
    FormatTextV(question, 4 * kLineCapacity, u"%s\n[%s]> ", caption, shown);
    ConsoleWriteError(question);

    char16_t answer[kPathCapacity];
    if (!ConsoleReadLine(answer, kPathCapacity)) {
        ConsoleWriteError(u"\n");
        return 2;
    }
    StoreFolderAnswer(nameBuffer, capacity, answer);
    return 1;
}
