// What vanto-pack tells: a line per change and a summary for people (standard
// output, or standard error beside JSON), JSON Lines events with --json
// (docs/json-events.md), problems on standard error.
#pragma once

#include <cstdint>
#include <string>

#include "cmdline/ExitStatus.h"
#include "cmdline/JsonLines.h"
#include "pack/Packer.h"

struct SPackSummary {
    std::u16string strFolder;
    std::u16string strOutput;  // empty when nothing was written
    bool bManifest = false;
    int32_t nEntries = 0;
    int64_t nSize = -1;  // bytes written; -1 when none
    int32_t nChanged = 0, nAdded = 0, nDeleted = 0;
    bool bVerified = false;
    bool bIdentical = false;     // the bytes equal the original's
    std::u16string strOriginal;  // that original, for the report
    EExitStatus eStatus = EExitStatus::Done;
    std::u16string strMessage;  // the reason for a status other than Done
};

class CPackReport {
public:
    CPackReport(bool json, bool quiet) : m_bJson(json), m_bQuiet(quiet) {}

    void Change(const SPackChange& change, SPackSummary& summary);
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
    bool m_bJson;
    bool m_bQuiet;
    CToolOutput m_output;
};
