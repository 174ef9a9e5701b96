// A tool's options, spelled once: the table drives both the parser and the
// options' part of --help.
#pragma once

#include <functional>
#include <string>
#include <vector>

enum : int { kHelpOnly = -1 };  // a row that --help shows and the parser never matches

struct SOptionRow {
    // The names, ", " between them: "-l, --list". A short name is '-' and one
    // letter; a long one "--" and a word.
    const char16_t* pszNames;
    // The value's word in --help ("DIR") for an option that takes one; null
    // for a switch.
    const char16_t* pszValue;
    // What the tool's setter is handed; kHelpOnly rows are not matched.
    int nId;
    // --help's text, '\n' before each further line; null: not shown.
    const char16_t* pszHelp;
    // A heading shown, after an empty line, before the row ("Options:").
    const char16_t* pszHeading = nullptr;
};

// Takes one option: its row's id, the name as given ("-q", "--include") and
// its value (empty for a switch). False, with error set, refuses it.
using OptionSetter =
    std::function<bool(int id, const std::u16string& name, const std::u16string& value, std::u16string& error)>;
// Takes one operand; false, with error set, refuses it.
using OperandTaker = std::function<bool(const std::u16string& operand, std::u16string& error)>;

// Reads a command line in order. Operands (every argument after "--" too, and
// "-" alone) go to take, options to set. Short switches combine ("-lq"); an
// option that takes a value takes the next argument, and a long one also
// "--name=value". False, with error set, for an unknown option ("unknown
// option: ARG"), a missing value ("option NAME needs a value") or a refusal.
bool ParseOptions(const std::vector<std::u16string>& args, const std::vector<SOptionRow>& table,
                  const OptionSetter& set, const OperandTaker& take, std::u16string& error);

// The rows for --help: a heading after an empty line, then each shown row
// as "  NAMES VALUE", its text from the 21st column (on a line of its own
// when the names reach that far), further lines indented alike. Each line
// ends with '\n'.
std::u16string OptionsHelp(const std::vector<SOptionRow>& table);

// A decimal number of at most five digits from min to max into value.
bool ParseDecimal(const std::u16string& text, unsigned min, unsigned max, unsigned& value);
