// SHA-256 of a block of bytes, from the system's own cryptography: nettle on
// Linux (Sha256Nettle.cpp), CNG (bcrypt.dll) on Windows (Sha256Win32.cpp).
// Both give the digests of FIPS 180-4; the tests check them on the same
// vectors. Hand-written hashing has no place here.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kSha256Size = 32;

struct SSha256 {
    uint8_t bytes[kSha256Size] = {};
    bool operator==(const SSha256& other) const;
    bool operator!=(const SSha256& other) const { return !(*this == other); }
};

// The digest of data[0 .. size). False only when the system cannot compute
// one (Windows without the algorithm); digest is then all zeros.
bool Sha256Of(const uint8_t* data, size_t size, SSha256& digest);
