// What every tool's entry point does around its run: the arguments as UTF-16
// (console/), the run guarded against exceptions, and usage errors.
#pragma once

#include <string>
#include <vector>

#include "cmdline/ExitStatus.h"

using ToolMain = EExitStatus (*)(const std::vector<std::u16string>& args);

// Runs the tool. What escapes it (no memory, mostly: the JSON library and
// the standard containers throw) ends the run with status 1 and
// "TOOL: what" on standard error.
int RunGuarded(const char16_t* tool, ToolMain run, const std::vector<std::u16string>& args);

// A usage error: "TOOL: message", the usage line and "Try 'TOOL --help'."
// on standard error, before anything is done. Returns EExitStatus::Usage.
EExitStatus UsageError(const char16_t* tool, const std::u16string& message, const char16_t* usageLine);

// "PROGRAM VERSION" and, on a line of its own, the zlib the program runs with
// (a shared library may be newer than the one it was built with).
std::u16string VersionText(const char* program);
