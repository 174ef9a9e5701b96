// The stable words the command-line tool uses for kinds, outcomes and
// problems, in its listing and in its JSON events alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "extract/ExtractCallback.h"

// A problem only the command-line tool finds: the entry's path equals an
// earlier one's when letter case is ignored.
enum : uint32_t { kProblemCollides = 1u << 16 };

// "folder", "stored", "gzip", "gzip-failed".
const char* KindWord(EEntryKind kind);
// "written", "listed", "exists", "unsafe", "damaged", "too-long",
// "cannot-create", "cannot-write", "filtered".
const char* StatusWord(EEntryStatus status);
// The set bits of problems, in a fixed order: "damaged", "unsafe",
// "too-long", "collides", "gzip-fails", "gzip-trailing", "trailing-data".
std::vector<const char*> ProblemWords(uint32_t problems);
// Bytes as lower-case hexadecimal, two digits a byte.
std::string HexBytes(const uint8_t* bytes, size_t count);
