// The command line of vanto-extract.
#pragma once

#include <string>
#include <vector>

struct SCliOptions {
    enum class ELanguage { Default, Japanese, English };

    ELanguage eLanguage = ELanguage::Default;
    std::u16string strOutputFolder;  // -C DIR; empty: the current directory
    unsigned nCodePage = 0;          // --codepage N; 0: the platform's default
    bool bHelp = false;
    bool bVersion = false;  // --version
    std::vector<std::u16string> files;
};

// Parses the arguments after the program name. Returns false with a message
// (English, one line) for a usage error. "--" ends the options.
bool ParseCliOptions(const std::vector<std::u16string>& args, SCliOptions& options, std::u16string& error);

// The usage text, for standard error on a usage error and standard output for -h.
const char16_t* CliUsageText();
