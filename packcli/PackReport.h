// What vanto-pack tells: a line per change and a summary for people (standard
// output, or standard error beside JSON), JSON Lines events with --json
// (docs/json-events.md), problems on standard error.
#pragma once

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

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
    int nStatus = 0;
    std::u16string strMessage;  // the reason for a status other than 0
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
    // says so once and the status is at least 1, the output file being
    // written all the same.
    int Finish(const SPackSummary& summary);

private:
    using Json = nlohmann::ordered_json;
    void Write(const Json& event);
    // Keeps the reason of the first failed write on standard output.
    void Checked(bool written);

    bool m_bJson;
    bool m_bQuiet;
    std::u16string m_strOutputError;
};
