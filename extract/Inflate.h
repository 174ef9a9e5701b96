// Inflation of gzip (or zlib) payloads with zlib, in one step.
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

// Inflates the first member of the stream at source into destination with one
// inflate(Z_FINISH) call, and tells what follows the member. Bytes after the
// first member are not inflated. Only what an Inflated result says was
// produced may be read from destination.
SInflateResult InflatePayload(uint8_t* destination, size_t capacity, const uint8_t* source, int32_t sourceLength);
