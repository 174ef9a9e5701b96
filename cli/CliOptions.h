// The command line of vanto-extract.
#pragma once

#include <string>
#include <vector>

#include "extract/ExtractCallback.h"

struct SCliOptions {
    enum class ELanguage { Default, Japanese, English };
    // What an output folder whose name is taken gets.
    enum class EExisting {
        Default,  // Ask on a terminal, Skip otherwise
        Ask,      // asked on standard input, terminal or not
        Skip,     // the file is not extracted
        Rename,   // "NAME (2)", "NAME (3)", ...
        Into,     // an existing folder is filled; files that exist are skipped
    };

    ELanguage eLanguage = ELanguage::Default;
    EJobMode eMode = EJobMode::Extract;  // -l, -t; List for -p
    std::u16string strOutputFolder;      // -C DIR; empty: the current directory
    unsigned nCodePage = 0;              // --codepage N; 0: the platform's default
    int nQuiet = 0;                      // -q: 1, -qq: 2
    bool bJson = false;                  // --json
    bool bLog = false;                   // --log: with --json, the log on standard error
    bool bStdout = false;                // -p: the content on standard output, nothing on disk
    bool bProgress = false;              // --progress: plain progress lines
    bool bManifest = false;              // --manifest: NAME.vanto.json beside each folder
    unsigned nThreads = 0;               // -T N: threads writing files; 0: one a core
    EExisting eExisting = EExisting::Default;
    std::vector<std::u16string> includes;  // --include GLOB
    std::vector<std::u16string> excludes;  // --exclude GLOB
    bool bHelp = false;
    bool bVersion = false;  // --version
    std::vector<std::u16string> files;
};

// Parses the arguments after the program name. Returns false with a message
// (English, one line) for a usage error. "--" ends the options; single-letter
// switches without a value may be bundled ("-lq").
bool ParseCliOptions(const std::vector<std::u16string>& args, SCliOptions& options, std::u16string& error);

// The help text, for standard output.
std::u16string CliUsageText();
// The short usage line for a usage error, on standard error.
const char16_t* CliUsageLine();
