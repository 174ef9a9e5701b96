// A growable byte buffer and the fixed-width appends that the file writers
// (custom files, the icon, PNG pictures, the benchmark's zip) build their
// headers with.
#pragma once

#include <cstdint>
#include <vector>

using Bytes = std::vector<uint8_t>;

inline void PutLe16(Bytes& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

inline void PutLe32(Bytes& out, uint32_t v) {
    PutLe16(out, v & 0xFFFF);
    PutLe16(out, v >> 16);
}

inline void PutBe32(Bytes& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(v >> shift));
}
