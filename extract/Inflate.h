// Inflation of gzip (or zlib) payloads with zlib, in one step.
#pragma once

#include <cstddef>
#include <cstdint>

enum : size_t { kDecompressionBufferSize = 16u * 1024u * 1024u };

// What a stream holds besides its first member's content, for checking it.
struct SInflateCheck {
    bool bTooLarge = false;       // the content does not fit `capacity`
    int32_t nTrailingBytes = 0;   // bytes after the first member's end
    bool bAnotherMember = false;  // those bytes begin another gzip member
};

// Inflates the first member of the stream at source into destination with one
// inflate(Z_FINISH) call. Returns the number of bytes produced, or 0 when the
// stream is damaged, cut short, or does not fit `capacity` (content larger than
// the buffer is not inflated at all). Bytes after the first member are ignored.
// With `check`, also tells what follows the member and why it failed.
int32_t InflatePayload(uint8_t* destination, size_t capacity, const uint8_t* source, int32_t sourceLength,
                       SInflateCheck* check = nullptr);
