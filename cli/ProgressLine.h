// The progress of a run on standard error: one status line redrawn in place
// on a terminal, or plain lines for programs that wrap the tool. At most ten
// updates a second, so that it never slows the run down.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "extract/ExtractCallback.h"

class CProgressLine {
public:
    enum class EStyle {
        None,      // nothing is shown
        Terminal,  // one line, redrawn in place and cleared at the end
        Plain,     // "progress: ..." lines
    };

    // fileSizes: the size of every file of the run in order (-1 when unknown).
    CProgressLine(EStyle style, std::vector<long long> fileSizes);

    // The run has reached `progress`; entry is the last entry walked ("" for
    // none). Shown when a tenth of a second has passed since the last time.
    void Update(const SJobProgress& progress, const char16_t* entry);
    // Takes the status line off the terminal before other output goes there;
    // the next update draws it again.
    void Clear();
    // The end of the run: a last plain line, or the status line cleared.
    void Finish();

    // The text of one update: percent of the input bytes walked, files done
    // of files given, the file and its current entry.
    std::u16string Describe(const SJobProgress& progress, const char16_t* entry) const;

private:
    EStyle m_eStyle;
    std::vector<long long> m_sizesBefore;  // bytes of the files before each one
    long long m_nTotal = 0;
    int32_t m_nFiles = 0;
    size_t m_nDrawn = 0;  // characters of the status line on the terminal
    std::chrono::steady_clock::time_point m_last;
    bool m_bShownOnce = false;
};
