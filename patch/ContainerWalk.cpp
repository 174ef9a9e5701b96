#include "patch/ContainerWalk.h"

#include <map>

#include "extract/Container.h"

SWalkedContainer WalkContainer(const uint8_t* data, int32_t length) {
    SWalkedContainer walked;
    std::map<std::vector<uint8_t>, uint32_t> seen;
    int32_t offset = 0;
    int32_t size = 0;
    while (offset < length && StepAt(data, length, offset, &size) == EContainerStep::Entry) {
        SWalkedEntry entry;
        entry.nOffset = offset;
        entry.nSize = size;
        entry.address.name.assign(data + offset, data + offset + EntryNameLength(data + offset));
        entry.address.nOccurrence = seen[entry.address.name]++;
        walked.entries.push_back(std::move(entry));
        offset += size;  // size <= length - offset
    }
    walked.nStop = offset;
    return walked;
}

bool IsChildEntry(const uint8_t* entry, int32_t size) {
    return IsValidEntryHeader(entry + kEntryHeaderSize, size - kEntryHeaderSize);
}

SSha256 DigestOf(const uint8_t* data, size_t size) {
    SSha256 digest;
    Sha256Of(data, size, digest);
    return digest;
}
