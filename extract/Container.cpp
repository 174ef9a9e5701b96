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

EContainerStep StepAt(const uint8_t* data, int32_t length, int32_t offset, int32_t* entrySize) {
    int32_t size = 0;
    if (length <= kEntryHeaderSize || length - offset < kEntryHeaderSize ||
        !ParseSizeField(data + offset + kSizeFieldOffset, &size))
        return EContainerStep::End;
    *entrySize = size;
    return size < kEntryHeaderSize || size > length - offset ? EContainerStep::Damaged : EContainerStep::Entry;
}

void MakeEntryHeader(const uint8_t* name, int32_t nameLength, int32_t entrySize, uint8_t* header) {
    for (int i = 0; i < kEntryHeaderSize; ++i)
        header[i] = 0;
    for (int32_t i = 0; i < nameLength && i < kNameFieldSize - 1; ++i)
        header[i] = name[i];
    char digits[12];
    int count = 0;
    for (int32_t value = entrySize; value > 0 && count < 9; value /= 10)
        digits[count++] = char('0' + value % 10);
    for (int i = 0; i < count; ++i)
        header[kSizeFieldOffset + i] = uint8_t(digits[count - 1 - i]);
}
