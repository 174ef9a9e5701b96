// The output vanto-pack names by path, written complete or not at all (the
// original and the files never replaced: rebuild/OriginalFiles).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "cmdline/ExitStatus.h"
#include "rebuild/OriginalFiles.h"

class CSystemPlatform;

// Whether output may be written: Done; Problem when it is a file the run
// reads; Failed when it exists and force is not given, is no file, or its
// folder is not there. error says why.
EExitStatus CheckOutput(const std::u16string& output, bool force, const CProtectedFiles& protectedFiles,
                        bool japanese, std::u16string& error);

// Writes the bytes as output without replacing anything, or with force under
// a free temporary name that then replaces it. CheckOutput first.
bool WriteOutput(CSystemPlatform& platform, const std::u16string& output, const std::vector<uint8_t>& bytes,
                 bool force, bool japanese, std::u16string& error);
