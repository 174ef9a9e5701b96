// Inflation of gzip (or zlib) payloads, in one step. zlib decides every
// verdict; where the build has libdeflate, it inflates first, and its result
// is taken only where it is the one zlib gives.
#pragma once

#include <cstddef>
#include <cstdint>

enum : size_t { kDecompressionBufferSize = 16u * 1024u * 1024u };

enum class EInflateResult {
    Inflated,  // the first member inflated to nSize bytes (one or more)
    Empty,     // it inflated to nothing: the payload is taken as stored
    TooLarge,  // its content does not fit the buffer: not inflated at all
    Damaged,   // the stream is damaged or cut short
};

struct SInflateResult {
    EInflateResult eResult = EInflateResult::Damaged;
    int32_t nSize = 0;            // bytes produced, for Inflated
    int32_t nTrailingBytes = 0;   // bytes after the first member's end (Inflated, Empty)
    bool bAnotherMember = false;  // those bytes begin another gzip member
    bool Inflated() const { return eResult == EInflateResult::Inflated; }
};

// Inflates the first member of the stream at source into destination, and
// tells what follows the member. Bytes after the first member are not
// inflated. Only what an Inflated result says was produced may be read from
// destination. The result, and those bytes, are always InflateWithZlib's.
SInflateResult InflatePayload(uint8_t* destination, size_t capacity, const uint8_t* source, int32_t sourceLength);

// The same with zlib alone, in one inflate(Z_FINISH) call: the reference.
SInflateResult InflateWithZlib(uint8_t* destination, size_t capacity, const uint8_t* source, int32_t sourceLength);

// "libdeflate 1.14" where InflatePayload tries libdeflate first, else null.
const char* FastInflaterName();
