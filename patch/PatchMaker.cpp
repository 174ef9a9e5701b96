#include "patch/PatchMaker.h"

#include <cstring>

#include "extract/Container.h"
#include "patch/ContainerWalk.h"

namespace {

bool SameBytes(const uint8_t* a, int32_t aSize, const uint8_t* b, int32_t bSize) {
    return aSize == bSize && (aSize == 0 || std::memcmp(a, b, size_t(aSize)) == 0);
}

void Expect(const uint8_t* data, int32_t size, SPatchOp& op) {
    op.nOldLength = uint32_t(size);
    op.oldDigest = DigestOf(data, size_t(size));
}

void Diff(const uint8_t* base, int32_t baseLength, const uint8_t* result, int32_t resultLength, int depth,
          SPatchContainer& out);

// A pair of entries of one name that differ.
void DiffPair(const uint8_t* base, const SWalkedEntry& b, const uint8_t* result, const SWalkedEntry& r, int depth,
              SPatchContainer& out) {
    const uint8_t* oldEntry = base + b.nOffset;
    const uint8_t* newEntry = result + r.nOffset;
    SPatchOp op;
    op.address = b.address;
    uint8_t header[kEntryHeaderSize];
    MakeEntryHeader(newEntry, int32_t(r.address.name.size()), r.nSize, header);
    const bool oldPayloadSame = SameBytes(oldEntry + kEntryHeaderSize, b.nSize - kEntryHeaderSize,
                                          newEntry + kEntryHeaderSize, r.nSize - kEntryHeaderSize);
    // The applier writes a changed child's header afresh, as the packer does.
    const bool child = depth + 1 < kMaxPatchDepth && IsChildEntry(oldEntry, b.nSize) &&
                       IsChildEntry(newEntry, r.nSize) && !oldPayloadSame &&
                       r.address.name.size() < size_t(kNameFieldSize) &&
                       std::memcmp(header, newEntry, kEntryHeaderSize) == 0;
    if (child) {
        op.eOp = EPatchOp::Child;
        op.pChild = std::make_unique<SPatchContainer>();
        Diff(oldEntry + kEntryHeaderSize, b.nSize - kEntryHeaderSize, newEntry + kEntryHeaderSize,
             r.nSize - kEntryHeaderSize, depth + 1, *op.pChild);
    } else {
        op.eOp = EPatchOp::Replace;
        Expect(oldEntry, b.nSize, op);
        op.bytes.assign(newEntry, newEntry + r.nSize);
    }
    out.ops.push_back(std::move(op));
}

void Diff(const uint8_t* base, int32_t baseLength, const uint8_t* result, int32_t resultLength, int depth,
          SPatchContainer& out) {
    const SWalkedContainer b = WalkContainer(base, baseLength);
    const SWalkedContainer r = WalkContainer(result, resultLength);
    size_t j = 0;
    for (const SWalkedEntry& old : b.entries) {
        if (j < r.entries.size() && r.entries[j].address.name == old.address.name) {
            const SWalkedEntry& now = r.entries[j++];
            if (!SameBytes(base + old.nOffset, old.nSize, result + now.nOffset, now.nSize))
                DiffPair(base, old, result, now, depth, out);
            continue;
        }
        SPatchOp op;
        op.eOp = EPatchOp::Delete;
        op.address = old.address;
        Expect(base + old.nOffset, old.nSize, op);
        out.ops.push_back(std::move(op));
    }
    for (; j < r.entries.size(); ++j) {
        SPatchOp op;
        op.eOp = EPatchOp::Insert;
        op.address = r.entries[j].address;
        op.bytes.assign(result + r.entries[j].nOffset, result + r.entries[j].nOffset + r.entries[j].nSize);
        out.ops.push_back(std::move(op));
    }
    if (!SameBytes(base + b.nStop, baseLength - b.nStop, result + r.nStop, resultLength - r.nStop)) {
        SPatchOp op;
        op.eOp = EPatchOp::Tail;
        Expect(base + b.nStop, baseLength - b.nStop, op);
        op.bytes.assign(result + r.nStop, result + resultLength);
        out.ops.push_back(std::move(op));
    }
}

}  // namespace

bool MakePatch(const std::vector<uint8_t>& base, const std::vector<uint8_t>& result, SPatch& patch) {
    patch.root = SPatchContainer();
    if (!IdentifyFile(base.data(), base.size(), patch.base) || !IdentifyFile(result.data(), result.size(), patch.result))
        return false;
    Diff(base.data(), int32_t(base.size()), result.data(), int32_t(result.size()), 0, patch.root);
    return true;
}
