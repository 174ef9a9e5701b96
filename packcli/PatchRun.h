// vanto-pack's patches: --patch writes one from the packed bytes and their
// original, --apply rebuilds a modded file from the original and patches.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cmdline/ExitStatus.h"
#include "packcli/PackOptions.h"
#include "packcli/PackReport.h"

class CSystemPlatform;
class CProtectedFiles;

// Makes the patch from base (the original file NAME) to result, checks
// that, read back, it turns base into exactly result, and writes it to
// options.strPatch (not with --dry-run). The summary gets the patch's line.
EExitStatus WritePatchFile(CSystemPlatform& platform, const SPackCliOptions& options, const std::u16string& baseName,
                           const std::vector<uint8_t>& base, const std::vector<uint8_t>& result, unsigned codePage,
                           const CProtectedFiles& protectedFiles, bool japanese, SPackSummary& summary);

// --apply: reads the patches, finds the original, applies them in order and
// writes the result.
EExitStatus ApplyPatches(const SPackCliOptions& options, CPackReport& report, SPackSummary& summary);
