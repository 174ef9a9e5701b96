#include "patch/PatchApply.h"

#include <algorithm>
#include <map>

#include "extract/Container.h"
#include "patch/ContainerWalk.h"

namespace {

using Names = std::vector<std::vector<uint8_t>>;

class CApplier {
public:
    explicit CApplier(SApplyResult& result) : m_result(result) {}
    // The container's new bytes into out; false when the patch cannot go on.
    bool Apply(const SPatchContainer& patch, const uint8_t* data, int32_t length, std::vector<uint8_t>& out);

private:
    bool Conflict(const SPatchAddress& address, const std::string& why) {
        m_result.eStatus = EApplyStatus::Conflict;
        m_result.entry = m_names;
        m_result.entry.push_back(address.name);
        m_result.strWhy = why;
        return false;
    }
    bool Damaged(const std::string& why) {
        m_result.eStatus = EApplyStatus::Damaged;
        m_result.strWhy = why;
        return false;
    }
    void Note(const char* change, const std::vector<uint8_t>& name, bool tail = false) {
        SAppliedChange applied;
        applied.pszChange = change;
        applied.path = m_names;
        applied.path.push_back(name);
        applied.bTail = tail;
        m_result.changes.push_back(std::move(applied));
    }
    bool AsExpected(const SPatchOp& op, const uint8_t* bytes, int32_t size) const {
        return uint32_t(size) == op.nOldLength && DigestOf(bytes, size_t(size)) == op.oldDigest;
    }
    bool ApplyEntry(const SPatchOp& op, const uint8_t* entry, int32_t size, std::vector<uint8_t>& out);
    bool Insert(const SPatchOp& op, std::map<std::vector<uint8_t>, uint32_t>& counts, std::vector<uint8_t>& out);

    SApplyResult& m_result;
    Names m_names;  // the child containers entered
};

bool CApplier::ApplyEntry(const SPatchOp& op, const uint8_t* entry, int32_t size, std::vector<uint8_t>& out) {
    switch (op.eOp) {
    case EPatchOp::Replace:
    case EPatchOp::Delete:
        if (!AsExpected(op, entry, size))
            return Conflict(op.address, "it is not the entry the patch was made from (another patch changed it?)");
        if (op.eOp == EPatchOp::Replace)
            out.insert(out.end(), op.bytes.begin(), op.bytes.end());
        Note(op.eOp == EPatchOp::Replace ? "changed" : "deleted", op.address.name);
        return true;
    case EPatchOp::Child: {
        if (!IsChildEntry(entry, size))
            return Conflict(op.address, "it is no longer a child container");
        std::vector<uint8_t> payload;
        m_names.push_back(op.address.name);
        const bool applied = Apply(*op.pChild, entry + kEntryHeaderSize, size - kEntryHeaderSize, payload);
        m_names.pop_back();
        if (!applied)
            return false;
        if (!IsValidEntryHeader(payload.data(), int32_t(payload.size())))
            return Damaged("a child container would no longer be read as one");
        const int64_t newSize = int64_t(payload.size()) + kEntryHeaderSize;
        if (newSize > 999999999)
            return Damaged("a child container would be over 999,999,999 bytes");
        if (payload.size() == size_t(size - kEntryHeaderSize) &&
            std::equal(payload.begin(), payload.end(), entry + kEntryHeaderSize)) {
            out.insert(out.end(), entry, entry + size);
            return true;
        }
        // A child whose bytes change gets its header afresh, as the packer writes it.
        uint8_t header[kEntryHeaderSize];
        MakeEntryHeader(op.address.name.data(), int32_t(op.address.name.size()), int32_t(newSize), header);
        out.insert(out.end(), header, header + kEntryHeaderSize);
        out.insert(out.end(), payload.begin(), payload.end());
        return true;
    }
    default: break;
    }
    return Damaged("an operation stands at an entry that it cannot address");
}

bool CApplier::Insert(const SPatchOp& op, std::map<std::vector<uint8_t>, uint32_t>& counts, std::vector<uint8_t>& out) {
    // As many entries of its name must precede it as when it was made:
    // another patch that added one of that name is a conflict.
    uint32_t& count = counts[op.address.name];
    if (count != op.address.nOccurrence)
        return Conflict(op.address, "an entry of this name is there already (added by another patch?)");
    ++count;
    out.insert(out.end(), op.bytes.begin(), op.bytes.end());
    Note("added", op.address.name);
    return true;
}

bool CApplier::Apply(const SPatchContainer& patch, const uint8_t* data, int32_t length, std::vector<uint8_t>& out) {
    const SWalkedContainer walked = WalkContainer(data, length);
    // Each addressed operation finds its entry; no entry is addressed twice.
    std::map<std::pair<std::vector<uint8_t>, uint32_t>, const SPatchOp*> byAddress;
    const SPatchOp* tail = nullptr;
    for (const SPatchOp& op : patch.ops) {
        if (op.eOp == EPatchOp::Tail) {
            if (tail)
                return Damaged("a container's tail is changed twice");
            tail = &op;
        } else if (op.eOp != EPatchOp::Insert &&
                   !byAddress.emplace(std::make_pair(op.address.name, op.address.nOccurrence), &op).second) {
            return Damaged("an entry is addressed twice");
        }
    }
    size_t found = 0;
    std::map<std::vector<uint8_t>, uint32_t> counts;  // of the names written so far
    for (const SWalkedEntry& entry : walked.entries) {
        const auto op = byAddress.find(std::make_pair(entry.address.name, entry.address.nOccurrence));
        const size_t before = out.size();
        if (op == byAddress.end())
            out.insert(out.end(), data + entry.nOffset, data + entry.nOffset + entry.nSize);
        else if (!ApplyEntry(*op->second, data + entry.nOffset, entry.nSize, out))
            return false;
        found += op != byAddress.end();
        if (out.size() != before)
            ++counts[entry.address.name];
    }
    if (found != byAddress.size()) {
        for (const auto& [address, op] : byAddress) {
            bool there = false;
            for (const SWalkedEntry& entry : walked.entries)
                there = there || (entry.address.name == address.first && entry.address.nOccurrence == address.second);
            if (!there)
                return Conflict(op->address, "the file has no such entry (another patch deleted it?)");
        }
    }
    for (const SPatchOp& op : patch.ops) {
        if (op.eOp == EPatchOp::Insert && !Insert(op, counts, out))
            return false;
    }
    if (tail) {
        if (!AsExpected(*tail, data + walked.nStop, length - walked.nStop))
            return Conflict(SPatchAddress(), "the bytes after the container's last entry are not those the patch "
                                             "was made from");
        out.insert(out.end(), tail->bytes.begin(), tail->bytes.end());
        Note("changed", {}, true);
    } else {
        out.insert(out.end(), data + walked.nStop, data + length);
    }
    if (int64_t(out.size()) > kMaxPatchFileSize)
        return Damaged("the result would be over 2 GiB");
    // The walk of what was built takes exactly the entries placed.
    size_t placed = 0;
    for (const auto& name : counts)
        placed += name.second;
    if (WalkContainer(out.data(), int32_t(out.size())).entries.size() != placed)
        return Damaged("the entries it adds or changes would not be read back as entries");
    return true;
}

}  // namespace

SApplyResult ApplyPatch(const SPatch& patch, const SPatchFileId& original, std::vector<uint8_t>& file) {
    SApplyResult result;
    SPatchFileId id;
    IdentifyFile(file.data(), file.size(), id);
    result.bExact = id.nSize == patch.base.nSize && id.digest == patch.base.digest;
    const bool forOriginal = original.nSize == patch.base.nSize && original.digest == patch.base.digest;
    if (!result.bExact && !forOriginal) {
        result.eStatus = EApplyStatus::OtherBase;
        result.strWhy = "it was made for another file";
        return result;
    }
    std::vector<uint8_t> out;
    out.reserve(file.size());
    CApplier applier(result);
    if (!applier.Apply(patch.root, file.data(), int32_t(file.size()), out))
        return result;
    if (result.bExact) {
        SPatchFileId made;
        IdentifyFile(out.data(), out.size(), made);
        if (made.nSize != patch.result.nSize || made.digest != patch.result.digest) {
            result.eStatus = EApplyStatus::Damaged;
            result.strWhy = "it does not give the file it records (SHA-256 " + DigestText(made.digest) + ", recorded " +
                            DigestText(patch.result.digest) + ")";
            return result;
        }
    }
    file = std::move(out);
    return result;
}
