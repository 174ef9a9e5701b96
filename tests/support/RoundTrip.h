// The way back, in memory: a custom file extracted with a manifest, its tree
// changed or not, packed again and extracted again. For the round-trip tests
// and the fuzzer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Extracts `file` with a manifest onto a memory file system and packs the
// extracted tree against the manifest and the file. True when the result is
// the very same bytes; else false, and why.
bool PacksBackIdentically(const std::vector<uint8_t>& file, std::string& why);

// As above, but with the written file number `pick` (modulo their count)
// given `content` first: true when the packed file, extracted, gives exactly
// the changed tree, or when packing refused the change (the content would be
// named otherwise on the way out) and refused is set.
bool PacksChangesFaithfully(const std::vector<uint8_t>& file, unsigned pick, const std::vector<uint8_t>& content,
                            bool& refused, std::string& why);
