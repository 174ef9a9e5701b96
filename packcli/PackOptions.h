// The command line of vanto-pack.
#pragma once

#include <string>
#include <vector>

#include "rebuild/SkipPatterns.h"

struct SPackCliOptions {
    enum class ELanguage { Default, Japanese, English };

    std::u16string strOutput;                  // -o OUT; empty: beside the folder
    std::u16string strBase;                    // --base ORIGINAL
    int nLevel = 9;                            // --level N
    std::vector<std::u16string> gzipGlobs;     // --gzip GLOB
    std::vector<std::u16string> excludeGlobs;  // --exclude GLOB
    bool bDefaultExcludes = true;              // off with --no-default-excludes
    unsigned nCodePage = 0;                    // --codepage N; 0: not given
    std::u16string strPatch;                   // --patch OUT.vpatch
    std::vector<std::u16string> applyPatches;  // --apply PATCH, in order
    ELanguage eLanguage = ELanguage::Default;  // -j, -e
    bool bDryRun = false;                      // -n, --dry-run
    bool bVerify = false;
    bool bForce = false;
    bool bJson = false;
    bool bQuiet = false;  // -q
    bool bHelp = false;
    bool bVersion = false;
    std::u16string strFolder;  // empty with --apply
};

// Parses the arguments after the program name. Returns false with a message
// (English, one line) for a usage error. "--" ends the options; a long
// option's value may follow an '='.
bool ParsePackOptions(const std::vector<std::u16string>& args, SPackCliOptions& options, std::u16string& error);

// The help text, for standard output.
std::u16string PackUsageText();
// The short usage line for a usage error, on standard error.
const char16_t* PackUsageLine();

// What new files are skipped unless --no-default-excludes is given:
// DefaultExcludes (rebuild/SkipPatterns).

