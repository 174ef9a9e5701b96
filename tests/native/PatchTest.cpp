// The patch module in memory: patches made, written, read and applied for
// every kind of change, patches applied in order and their conflicts, and
// hostile patches, each refused with its reason.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "patch/PatchApply.h"
#include "patch/PatchMaker.h"
#include "tests/fixtures/ContainerWriter.h"
#include "tests/fixtures/PatchSeeds.h"

namespace {

SPatch Made(const Bytes& base, const Bytes& result) {
    SPatch patch;
    patch.strBaseName = "base.god";
    EXPECT_TRUE(MakePatch(base, result, patch));
    return patch;
}

// The patch through its bytes: written and read back.
SPatch Reread(const SPatch& patch) {
    const Bytes bytes = WritePatch(patch);
    SPatch read;
    std::string error;
    EXPECT_TRUE(ReadPatch(bytes.data(), bytes.size(), read, error)) << error;
    return read;
}

std::string OpsText(const SPatchContainer& container) {
    std::string text;
    for (const SPatchOp& op : container.ops) {
        const std::string name(op.address.name.begin(), op.address.name.end());
        switch (op.eOp) {
        case EPatchOp::Replace: text += "replace " + name + ";"; break;
        case EPatchOp::Delete: text += "delete " + name + ";"; break;
        case EPatchOp::Insert: text += "insert " + name + ";"; break;
        case EPatchOp::Child: text += "child " + name + " {" + OpsText(*op.pChild) + "};"; break;
        case EPatchOp::Tail: text += "tail;"; break;
        }
    }
    return text;
}

// PatchEditedFiles() in order, with the operations each patch holds.
const char* const kEditOps[] = {
    "replace readme.t;",
    "child tex.pak {replace a.t;insert c.t;};",
    "delete version;insert mymod.t;",
    "tail;",
    "replace tex.pak;",
};

TEST(PatchMake, EveryKindOfChangeIsOneOperationAndAppliesBackExactly) {
    const Bytes base = PatchBaseFile();
    const std::vector<Bytes> edits = PatchEditedFiles();
    ASSERT_EQ(edits.size(), std::size(kEditOps));
    for (size_t i = 0; i < edits.size(); ++i) {
        SCOPED_TRACE(kEditOps[i]);
        const SPatch patch = Reread(Made(base, edits[i]));
        EXPECT_EQ(OpsText(patch.root), kEditOps[i]);
        EXPECT_EQ(patch.strBaseName, "base.god");
        EXPECT_EQ(patch.base.nSize, int64_t(base.size()));
        EXPECT_EQ(patch.result.nSize, int64_t(edits[i].size()));
        Bytes file = base;
        const SApplyResult applied = ApplyPatch(patch, patch.base, file);
        ASSERT_EQ(applied.eStatus, EApplyStatus::Done) << applied.strWhy;
        EXPECT_TRUE(applied.bExact);
        EXPECT_EQ(file, edits[i]);
    }
}

TEST(PatchMake, AnUnchangedFileMakesAnEmptyPatch) {
    const Bytes base = PatchBaseFile();
    EXPECT_TRUE(Made(base, base).root.ops.empty());
}

struct SStackCase {
    const char* pszName;
    size_t first, second;          // edits of the base, applied in order
    EApplyStatus eStatus;          // of the second
    const char* pszEntry;          // the entry of a conflict
};

// Edits of PatchEditedFiles(): 0 readme, 1 inside tex.pak, 2 version gone
// and mymod.t added, 3 the tail, 4 tex.pak become a file; then 5 another
// mymod.t added, 6 version changed.
const SStackCase kStackCases[] = {
    {"different entries", 0, 1, EApplyStatus::Done, nullptr},
    {"different entries, other order", 1, 0, EApplyStatus::Done, nullptr},
    {"the tail after entries", 2, 3, EApplyStatus::Done, nullptr},
    {"one entry twice", 0, 0, EApplyStatus::Conflict, "readme.t"},
    {"a child changed, then replaced", 1, 4, EApplyStatus::Conflict, "tex.pak"},
    {"a child replaced, then changed inside", 4, 1, EApplyStatus::Conflict, "tex.pak"},
    {"one name added twice", 2, 5, EApplyStatus::Conflict, "mymod.t"},
    {"deleted, then changed", 2, 6, EApplyStatus::Conflict, "version"},
    {"changed, then deleted", 6, 2, EApplyStatus::Conflict, "version"},
};

std::vector<Bytes> StackEdits() {
    std::vector<Bytes> edits = PatchEditedFiles();
    const Bytes base = PatchBaseFile();
    Bytes added = base;
    const Bytes mymod = CContainerWriter().AddText("mymod.t", "other").Data();
    added.insert(added.end(), mymod.begin(), mymod.end());
    edits.push_back(added);
    // The last entry, "version" holding "1", is 51 bytes.
    Bytes changed(base.begin(), base.end() - 51);
    const Bytes version = CContainerWriter().AddText("version", "2").Data();
    changed.insert(changed.end(), version.begin(), version.end());
    edits.push_back(changed);
    return edits;
}

TEST(PatchStack, PatchesOfOneOriginalApplyInOrderUnlessTheyTouchOneEntry) {
    const Bytes base = PatchBaseFile();
    const std::vector<Bytes> edits = StackEdits();
    for (const SStackCase& row : kStackCases) {
        SCOPED_TRACE(row.pszName);
        const SPatch first = Reread(Made(base, edits[row.first]));
        const SPatch second = Reread(Made(base, edits[row.second]));
        Bytes file = base;
        ASSERT_EQ(ApplyPatch(first, first.base, file).eStatus, EApplyStatus::Done);
        const Bytes between = file;
        const SApplyResult applied = ApplyPatch(second, first.base, file);
        EXPECT_EQ(applied.eStatus, row.eStatus) << applied.strWhy;
        EXPECT_FALSE(applied.bExact);
        if (row.eStatus != EApplyStatus::Done) {
            EXPECT_EQ(file, between) << "a refused patch changed the file";
            ASSERT_FALSE(applied.entry.empty());
            EXPECT_EQ(std::string(applied.entry.back().begin(), applied.entry.back().end()), row.pszEntry);
            continue;
        }
        // Both changes are in, whichever came first: the second patch again
        // onto the first's result gives what the first gives onto the second's.
        Bytes other = base;
        ASSERT_EQ(ApplyPatch(second, second.base, other).eStatus, EApplyStatus::Done);
        ASSERT_EQ(ApplyPatch(first, second.base, other).eStatus, EApplyStatus::Done);
        if (row.first != 3 && row.second != 3) {
            EXPECT_EQ(file, other);
        }
        EXPECT_NE(file, edits[row.first]);
        EXPECT_NE(file, edits[row.second]);
    }
}

TEST(PatchStack, APatchForAnotherFileIsRefused) {
    const std::vector<Bytes> edits = PatchEditedFiles();
    const SPatch patch = Made(PatchBaseFile(), edits[0]);
    Bytes file = edits[1];
    SPatchFileId other;
    IdentifyFile(file.data(), file.size(), other);
    const SApplyResult applied = ApplyPatch(patch, other, file);
    EXPECT_EQ(applied.eStatus, EApplyStatus::OtherBase);
    EXPECT_EQ(file, edits[1]);
}

// --- Hostile patches -----------------------------------------------------------

void FixCrc(Bytes& bytes) {
    const size_t body = bytes.size() - 4;
    const uint32_t crc = uint32_t(crc32(0L, bytes.data(), uInt(body)));
    for (int i = 0; i < 4; ++i)
        bytes[body + size_t(i)] = uint8_t(crc >> (8 * i));
}

// Where the root's operation count stands in a patch whose base is "base.god".
constexpr size_t kRootCount = 8 + 4 + 4 + 4 + 2 * 44 + 2 + 8;

struct SHostileCase {
    const char* pszName;
    std::function<void(SPatch&)> model;  // a patch made wrong through the model
    std::function<void(Bytes&)> bytes;   // or its bytes changed (the checksum then made right)
    const char* pszWord;                 // of ReadPatch's message, or of ApplyPatch's
};

SPatchOp Op(EPatchOp kind, const char* name, Bytes bytes = {}) {
    SPatchOp op;
    op.eOp = kind;
    op.address.name.assign(name, name + std::strlen(name));
    op.bytes = std::move(bytes);
    return op;
}

Bytes Entry(const char* name, const char* text) { return CContainerWriter().AddText(name, text).Data(); }

const SHostileCase kHostileCases[] = {
    {"an unknown operation", nullptr, [](Bytes& b) { b[kRootCount + 4] = 9; }, "unknown kind 9"},
    {"a count beyond the patch", nullptr, [](Bytes& b) { b[kRootCount + 3] = 0x7F; }, "more operations than"},
    {"a block length beyond the patch", nullptr, [](Bytes& b) { b[kRootCount + 4 + 1 + 13 + 36 + 3] = 0x7F; },
     "past the end of the patch"},
    {"a version 2", nullptr, [](Bytes& b) { b[8] = 2; }, "version 2"},
    {"flags set", nullptr, [](Bytes& b) { b[12] = 1; }, "flags are set"},
    {"a base over 2 GiB", nullptr, [](Bytes& b) { b[27] = 1; }, "over 2 GiB"},
    {"a name longer than a name field", [](SPatch& p) { p.root.ops[0].address.name.assign(60, 'n'); }, nullptr,
     "longer than a name field"},
    {"a name with a NUL", [](SPatch& p) { p.root.ops[0].address.name[1] = 0; }, nullptr, "holds a NUL"},
    {"an entry whose size field lies", [](SPatch& p) { p.root.ops[0].bytes.push_back('x'); }, nullptr,
     "not one whole entry"},
    {"an entry of another name", [](SPatch& p) { p.root.ops[0].bytes[0] = 'X'; }, nullptr, "not one whole entry"},
    {"containers nested too deep",
     [](SPatch& p) {
         SPatchContainer inner;
         for (int depth = 0; depth < 70; ++depth) {
             SPatchContainer outer;
             outer.ops.push_back(Op(EPatchOp::Child, "c.pak"));
             outer.ops.back().pChild = std::make_unique<SPatchContainer>(std::move(inner));
             inner = std::move(outer);
         }
         p.root = std::move(inner);
     },
     nullptr, "nested more than 64 deep"},
    {"a base name with a folder", [](SPatch& p) { p.strBaseName = "../base.god"; }, nullptr, "holds a folder"},
    {"an entry addressed twice",
     [](SPatch& p) {
         p.root.ops.clear();
         p.root.ops.push_back(Op(EPatchOp::Delete, "version"));
         p.root.ops.push_back(Op(EPatchOp::Delete, "version"));
     },
     nullptr, "addressed twice"},
    {"an entry the file lacks",
     [](SPatch& p) {
         p.root.ops.clear();
         p.root.ops.push_back(Op(EPatchOp::Delete, "nope"));
     },
     nullptr, "no such entry"},
    {"a tail that reads as an entry",
     [](SPatch& p) {
         p.root.ops.clear();
         p.root.ops.push_back(Op(EPatchOp::Tail, "", Entry("sneaked", "in")));
         const Bytes base = PatchBaseFile();
         p.root.ops.back().nOldLength = 0;
         Sha256Of(base.data(), 0, p.root.ops.back().oldDigest);
     },
     nullptr, "would not be read back as entries"},
    {"a child that is a file",
     [](SPatch& p) {
         p.root.ops.clear();
         p.root.ops.push_back(Op(EPatchOp::Child, "version"));
         p.root.ops.back().pChild = std::make_unique<SPatchContainer>();
     },
     nullptr, "no longer a child container"},
};

TEST(PatchHostile, EachIsRefusedWithItsReasonAndTheFileIsLeftAlone) {
    const Bytes base = PatchBaseFile();
    const Bytes edit = PatchEditedFiles()[0];
    for (const SHostileCase& row : kHostileCases) {
        SCOPED_TRACE(row.pszName);
        SPatch patch = Made(base, edit);
        if (row.model)
            row.model(patch);
        Bytes bytes = WritePatch(patch);
        if (row.bytes) {
            row.bytes(bytes);
            FixCrc(bytes);
        }
        SPatch read;
        std::string error;
        if (ReadPatch(bytes.data(), bytes.size(), read, error)) {
            Bytes file = base;
            const SApplyResult applied = ApplyPatch(read, read.base, file);
            EXPECT_NE(applied.eStatus, EApplyStatus::Done);
            error = applied.strWhy;
            EXPECT_EQ(file, base);
        }
        EXPECT_NE(error.find(row.pszWord), std::string::npos) << error;
    }
}

TEST(PatchHostile, EveryCutAndEveryChangedByteIsTold) {
    const Bytes bytes = WritePatch(Made(PatchBaseFile(), PatchEditedFiles()[1]));
    for (size_t length = 0; length < bytes.size(); ++length) {
        SPatch read;
        std::string error;
        EXPECT_FALSE(ReadPatch(bytes.data(), length, read, error)) << length;
        EXPECT_FALSE(error.empty());
    }
    for (size_t at = 0; at < bytes.size(); ++at) {
        Bytes changed = bytes;
        changed[at] ^= 0x20;
        SPatch read;
        std::string error;
        EXPECT_FALSE(ReadPatch(changed.data(), changed.size(), read, error)) << at;
    }
}

}  // namespace
