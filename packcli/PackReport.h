// What vanto-pack tells: a line per change and a summary for people (standard
// output, or standard error beside JSON), JSON Lines events with --json
// (docs/json-events.md), problems on standard error; in English or Japanese.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cmdline/ExitStatus.h"
#include "cmdline/JsonLines.h"
#include "pack/Packer.h"

struct SPackSummary {
    const char* pszMode = "plain";  // "manifest", "plain", "patch" or "apply"
    std::u16string strFolder;       // empty with --apply
    std::u16string strOutput;       // what was (or, with --dry-run, would be) written; empty when nothing
    std::vector<std::u16string> patches;  // --apply's, in order
    int32_t nEntries = 0;
    int64_t nSize = -1;  // bytes written (or that would be); -1 when none
    int32_t nChanged = 0, nAdded = 0, nDeleted = 0, nSkipped = 0;
    bool bVerified = false;
    bool bIdentical = false;     // the bytes equal the original's
    bool bDryRun = false;
    std::u16string strOriginal;  // that original, for the report
    std::u16string strNote;      // what the summary line adds (a patch's sizes, ...)
    EExitStatus eStatus = EExitStatus::Done;
    std::u16string strMessage;  // the reason for a status other than Done
};

class CPackReport {
public:
    CPackReport(bool json, bool quiet, bool japanese) : m_bJson(json), m_bQuiet(quiet), m_bJapanese(japanese) {}

    bool Japanese() const { return m_bJapanese; }
    // A change of the packed folder (counted in summary), or one a patch makes.
    void Change(const SPackChange& change, SPackSummary& summary);
    // A refusal: on standard error, and a "refusal" event.
    void Refusal(const std::u16string& path, const std::u16string& message);
    // A line for people only.
    void Say(const std::u16string& line);
    // "vanto-pack: MESSAGE" on standard error.
    void Problem(const std::u16string& message);
    // The summary line and the "finished" event; returns the status. When
    // standard output failed (a closed pipe, a full device), standard error
    // says so once and the status is Failed, the output file being written
    // all the same.
    EExitStatus Finish(const SPackSummary& summary);

private:
    std::u16string SummaryLine(const SPackSummary& summary) const;
    bool m_bJson;
    bool m_bQuiet;
    bool m_bJapanese;
    CToolOutput m_output;
};
