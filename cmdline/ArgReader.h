// What the command lines of vanto-extract and vanto-pack share: splitting the
// arguments, decimal values, and the --version text.
#pragma once

#include <functional>
#include <string>
#include <vector>

// Reads a command line in order: each operand (every argument after "--"
// too) goes to onOperand, each option that takes a value ("--name=value", or
// the name and the next argument) to onValue, and every other switch whole
// to onSwitch, for the tool to read (it may bundle letters: "-lq").
// takesValue tells the options that take a value by their name. A handler
// returns false, with error set, to stop; ReadArgs then returns false, as it
// does for an option without its value.
bool ReadArgs(const std::vector<std::u16string>& args, bool (*takesValue)(const std::u16string& name),
              const std::function<bool(const std::u16string& operand)>& onOperand,
              const std::function<bool(const std::u16string& name, const std::u16string& value)>& onValue,
              const std::function<bool(const std::u16string& option)>& onSwitch, std::u16string& error);

// A decimal number of at most five digits from min to max into value.
bool ParseDecimal(const std::u16string& text, unsigned min, unsigned max, unsigned& value);

// "PROGRAM VERSION" and, on a line of its own, the zlib the program runs with
// (a shared library may be newer than the one it was built with).
std::u16string VersionText(const char* program);
