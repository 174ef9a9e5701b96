// The patch files the rebuild jobs read, shared by vanto-pack --apply and the
// window: a patch loaded and checked, the original it expects, and its words
// for entries, files and failures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "patch/PatchApply.h"
#include "patch/PatchFormat.h"
#include "rebuild/OriginalFiles.h"

class IPlatform;

struct SLoadedPatch {
    std::u16string strPath;
    SPatch patch;
};

// Reads the patch file at path (a link followed) and checks it whole; false
// with one line: "PATH: not found", "PATH: cannot be read", "PATH: WHY".
bool LoadPatchFile(const std::u16string& path, bool japanese, SLoadedPatch& loaded, std::u16string& error);

// The original the patch records (size, CRC-32, SHA-256); who names the patch
// in messages and must outlive the result.
SExpectedFile ExpectedBaseOf(const SPatch& patch, const std::u16string& who);

// An entry's path inside its file, decoded in the platform's code page, '/'
// between levels; with tail, its last level is the bytes after the last entry.
std::u16string PatchEntryText(IPlatform& platform, const std::vector<std::vector<uint8_t>>& names, bool tail,
                              bool japanese);
// "N bytes, CRC-32 C, SHA-256 D".
std::u16string PatchFileIdText(const SPatchFileId& id, bool japanese);
// Why the patch did not apply to file: another base, a conflict, damage.
std::u16string ApplyFailureText(const SLoadedPatch& loaded, const SApplyResult& applied,
                                const std::vector<uint8_t>& file, IPlatform& platform, bool japanese);
