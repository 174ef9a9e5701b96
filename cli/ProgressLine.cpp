#include "cli/ProgressLine.h"

#include "base/Text.h"
#include "console/Console.h"
#include "extract/DisplayText.h"

namespace {

// The status line stays within an 80-column terminal: East Asian characters
// take two columns.
const size_t kColumns = 78;

size_t ColumnsOf(char16_t ch) { return ch >= 0x1100 && !(ch >= 0xD800 && ch <= 0xDFFF) ? 2 : 1; }

// The end of text that fits `columns`, with "..." in front when cut.
std::u16string FitFromEnd(const std::u16string& text, size_t columns) {
    size_t used = 0;
    size_t start = text.size();
    while (start > 0 && used + ColumnsOf(text[start - 1]) <= columns) {
        used += ColumnsOf(text[start - 1]);
        --start;
    }
    if (start == 0)
        return text;
    while (used + 3 > columns && start < text.size())
        used -= ColumnsOf(text[start++]);
    // Never begin with the second half of a surrogate pair.
    if (start < text.size() && text[start] >= 0xDC00 && text[start] <= 0xDFFF)
        ++start;
    return u"..." + text.substr(start);
}

}  // namespace

CProgressLine::CProgressLine(EStyle style, std::vector<long long> fileSizes)
    : m_eStyle(style), m_nFiles(int32_t(fileSizes.size())) {
    for (long long size : fileSizes) {
        m_sizesBefore.push_back(m_nTotal);
        m_nTotal += size > 0 ? size : 0;
    }
}

std::u16string CProgressLine::Describe(const SJobProgress& progress, const char16_t* entry) const {
    const size_t index = size_t(progress.nFileIndex);
    long long done = index < m_sizesBefore.size() ? m_sizesBefore[index] : m_nTotal;
    done += progress.nBytesWalked;
    const int percent = m_nTotal > 0 ? int(done * 100 / m_nTotal) : 0;  // sizes may change while the run reads
    const int filesDone = progress.nBytesTotal > 0 && progress.nBytesWalked >= progress.nBytesTotal
                              ? progress.nFileIndex + 1
                              : progress.nFileIndex;
    std::u16string text = std::u16string(percent < 10 ? u"  " : percent < 100 ? u" " : u"");
    for (char ch : std::to_string(percent > 100 ? 100 : percent) + "% " + std::to_string(filesDone) + "/" +
                       std::to_string(m_nFiles) + " ")
        text.push_back(char16_t(ch));
    std::u16string where = progress.pszPath ? progress.pszPath : u"";
    if (entry && *entry)
        where += std::u16string(u": ") + entry;
    text += FitFromEnd(where, kColumns - text.size());
    // Names come from untrusted files.
    for (char16_t& ch : text) {
        if (IsUnsafeToShow(ch))
            ch = u'?';
    }
    return text;
}

void CProgressLine::Update(const SJobProgress& progress, const char16_t* entry) {
    if (m_eStyle == EStyle::None)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (m_bShownOnce && now - m_last < std::chrono::milliseconds(100))
        return;
    m_bShownOnce = true;
    m_last = now;
    const std::u16string text = Describe(progress, entry);
    if (m_eStyle == EStyle::Plain) {
        ConsoleWriteError((u"progress: " + text + u"\n").c_str());
        return;
    }
    std::u16string line = u"\r" + text;
    // Blanks over what is left of a longer line before.
    size_t columns = 0;
    for (char16_t ch : text)
        columns += ColumnsOf(ch);
    if (columns < m_nDrawn)
        line.append(m_nDrawn - columns, u' ');
    m_nDrawn = columns;
    ConsoleWriteError(line.c_str());
}

void CProgressLine::Clear() {
    if (m_eStyle != EStyle::Terminal || m_nDrawn == 0)
        return;
    ConsoleWriteError((u"\r" + std::u16string(m_nDrawn, u' ') + u"\r").c_str());
    m_nDrawn = 0;
}

void CProgressLine::Finish() {
    if (m_eStyle == EStyle::Plain) {
        const std::string files = std::to_string(m_nFiles);
        ConsoleWriteError((u"progress: 100% " + std::u16string(files.begin(), files.end()) + u"/" +
                           std::u16string(files.begin(), files.end()) + u"\n")
                              .c_str());
    }
    Clear();
}
