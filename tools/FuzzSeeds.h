// The fuzzers' seed corpus: a few small custom files that reach children,
// gzip, cmap folders and the naming rules. Also the round-trip tests' files.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tools/Bytes.h"

// One entry of every problem kind, each under its own top-level name: an
// unsafe name, names that differ only in case, a gzip stream cut short, two
// members, junk after a stream, folders nested deeper than any output path
// can go, junk after a child's last entry, and a damaged last entry.
Bytes MakeProblemFile();

// Each seed's file name and bytes.
std::vector<std::pair<std::string, Bytes>> MakeFuzzSeeds();
