// The custom-file container format.
//
// A container is a run of entries placed back to back, with no magic, count,
// index or trailer. Each entry is a 50-byte header followed by its payload:
//
//   offset 0   40 bytes  name field: legacy code page text, ended by a NUL
//   offset 40  10 bytes  size field: 1 to 9 ASCII digits, then NULs to the end
//   offset 50            payload: entry size - 50 bytes
//
// The entry size counts the header too. A payload that itself begins with a
// valid entry header is a child container; one that begins 1F 8B 08 is gzip.
#pragma once

#include <cstdint>

enum {
    kEntryHeaderSize = 50,
    kNameFieldSize = 40,
    kSizeFieldOffset = 40,
    kSizeFieldSize = 10,
};

// The size-field test on the ten bytes at `field`: digits, then at least one
// NUL, nothing else, and a value above zero. On success stores the value.
bool ParseSizeField(const uint8_t* field, int32_t* entrySize);

// The entry header validity rule: at least 51 bytes (a header and one more),
// and a size field that passes the size-field test. Reads no byte beyond the
// first 50. Used on a whole file and, as the nesting rule, on a payload.
bool IsValidEntryHeader(const uint8_t* bytes, int32_t length);

// A payload is compressed when it has at least 3 bytes and begins 1F 8B 08.
bool IsCompressedPayload(const uint8_t* payload, int32_t length);

// Number of name bytes of the header at `entry`: up to the first NUL among its
// 50 bytes (a name that fills its field runs on into the size field's digits).
int32_t EntryNameLength(const uint8_t* entry);

// What the walker finds at `offset` (0 <= offset <= length) of a container of
// `length` bytes: an entry that fits (entrySize set), a damaged one (its size
// is below a header or reaches past the container: the walk stops there), or
// the end (no header fits there, or its size field is no size). The walk
// goes from entry to entry and stops at the first Damaged or End.
enum class EContainerStep { Entry, Damaged, End };
EContainerStep StepAt(const uint8_t* data, int32_t length, int32_t offset, int32_t* entrySize);

// The 50 header bytes of an entry as the packer writes them: the name, NULs
// to the size field, the entry size (header included) in decimal digits,
// NULs. nameLength is at most 39 and entrySize at most 999,999,999.
void MakeEntryHeader(const uint8_t* name, int32_t nameLength, int32_t entrySize, uint8_t* header);
