// A container's entries as the walker takes them (extract/Container's
// StepAt), with the address each has in a patch. Shared by the maker and
// the applier of patches.
#pragma once

#include <cstdint>
#include <vector>

#include "patch/PatchFormat.h"

struct SWalkedEntry {
    int32_t nOffset = 0;  // of the header, in the container
    int32_t nSize = 0;    // header and payload
    SPatchAddress address;
};

struct SWalkedContainer {
    std::vector<SWalkedEntry> entries;
    int32_t nStop = 0;  // where the tail (bytes that form no entry) begins
};

SWalkedContainer WalkContainer(const uint8_t* data, int32_t length);

// Whether an entry's payload is a child container, as the walker decides.
bool IsChildEntry(const uint8_t* entry, int32_t size);

// The SHA-256 of some bytes, all zeros when the system gives none.
SSha256 DigestOf(const uint8_t* data, size_t size);
