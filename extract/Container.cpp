#include "extract/Container.h"

bool ParseSizeField(const uint8_t* field, int32_t* entrySize) {
    bool seenNul = false;
    int32_t value = 0;
    for (int i = 0; i < kSizeFieldSize; ++i) {
        const uint8_t b = field[i];
        if (b == 0) {
            seenNul = true;
        } else if (b >= '0' && b <= '9' && !seenNul) {
            // A digit in the last byte leaves no room for the NUL; stopping
            // here also keeps the value within nine digits.
            if (i == kSizeFieldSize - 1)
                return false;
            value = value * 10 + (b - '0');
        } else {
            return false;
        }
    }
    if (!seenNul || value == 0)
        return false;
    *entrySize = value;
    return true;
}

bool IsValidEntryHeader(const uint8_t* bytes, int32_t length) {
    if (length <= kEntryHeaderSize)
        return false;
    int32_t size = 0;
    return ParseSizeField(bytes + kSizeFieldOffset, &size);
}

bool IsCompressedPayload(const uint8_t* payload, int32_t length) {
    return length >= 3 && payload[0] == 0x1F && payload[1] == 0x8B && payload[2] == 0x08;
}

int32_t EntryNameLength(const uint8_t* entry) {
    int32_t n = 0;
    while (n < kEntryHeaderSize && entry[n] != 0)
        ++n;
    return n;
}
