// Applying patches: an original custom file, and the patches in the order
// given, into the modded file, in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "patch/PatchFormat.h"

enum class EApplyStatus {
    Done,
    OtherBase,  // the patch was made for another file (neither the file at hand nor the run's original)
    Conflict,   // an entry the patch changes is not as it expects (strEntry names it)
    Damaged,    // the patch does not give the result it records, or would make a file that does not walk
};

// What a patch did, one line a change, for the report.
struct SAppliedChange {
    const char* pszChange = "changed";  // "changed", "added", "deleted"
    // The entry's names from the top, raw bytes each; the last one empty
    // for a container's tail.
    std::vector<std::vector<uint8_t>> path;
    bool bTail = false;
};

struct SApplyResult {
    EApplyStatus eStatus = EApplyStatus::Done;
    std::vector<std::vector<uint8_t>> entry;  // for Conflict: the entry's names from the top
    std::string strWhy;                       // what is wrong (English)
    bool bExact = false;                      // the file was the patch's base: the result is the recorded one
    std::vector<SAppliedChange> changes;
};

// Applies one patch to `file` (replaced by the result on success). The file
// must be the patch's base, or `original` must be (then the patch was made
// for the file the run began with, and another patch was applied before it:
// every entry it changes must still be as it was there). With the patch's
// own base, the result must be the one the patch records (SHA-256).
// On failure file is left as it was.
SApplyResult ApplyPatch(const SPatch& patch, const SPatchFileId& original, std::vector<uint8_t>& file);
