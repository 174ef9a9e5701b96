// Fuzz target: patches. An input starting with 0 is a patch (its trailing
// checksum is made right here, so that mutations reach the reader): it is
// read, written again (the very same bytes), and applied to the base file of
// the seeds as if made for it: whatever it says, nothing is read past an end
// and the result is a file or a clear failure. An input starting with 1 is a
// file: the patch from the base to it, written and read back, must turn the
// base into exactly that file.
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "patch/PatchApply.h"
#include "patch/PatchMaker.h"
#include "tests/fixtures/PatchSeeds.h"

namespace {

void Require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "%s\n", what);
        std::abort();
    }
}

void ReadAndApply(Bytes patchBytes, const Bytes& base) {
    if (patchBytes.size() >= 4) {
        const size_t body = patchBytes.size() - 4;
        const uint32_t crc = uint32_t(crc32(0L, patchBytes.data(), uInt(body)));
        for (int i = 0; i < 4; ++i)
            patchBytes[body + size_t(i)] = uint8_t(crc >> (8 * i));
    }
    SPatch patch;
    std::string error;
    if (!ReadPatch(patchBytes.data(), patchBytes.size(), patch, error)) {
        Require(!error.empty(), "a patch refused without a message");
        return;
    }
    Require(WritePatch(patch) == patchBytes, "a patch read and written again differs");
    SPatchFileId id;
    IdentifyFile(base.data(), base.size(), id);
    patch.base = id;  // as if made for the base: the operations are applied
    Bytes file = base;
    const SApplyResult result = ApplyPatch(patch, id, file);
    Require(result.eStatus != EApplyStatus::Done || file.size() <= size_t(kMaxPatchFileSize), "a result too large");
    Require(result.eStatus == EApplyStatus::Done || file == base, "a failed patch changed the file");
}

void MakeAndApply(const Bytes& result, const Bytes& base) {
    SPatch patch;
    Require(MakePatch(base, result, patch), "no SHA-256");
    const Bytes bytes = WritePatch(patch);
    SPatch read;
    std::string error;
    Require(ReadPatch(bytes.data(), bytes.size(), read, error), "a patch made does not read back");
    Bytes file = base;
    const SApplyResult applied = ApplyPatch(read, read.base, file);
    Require(applied.eStatus == EApplyStatus::Done && applied.bExact, "a patch made does not apply to its base");
    Require(file == result, "a patch made does not give its result");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const Bytes base = PatchBaseFile();
    if (size == 0)
        return 0;
    const Bytes rest(data + 1, data + size);
    if (data[0] == kPatchSeedPatch)
        ReadAndApply(rest, base);
    else
        MakeAndApply(rest, base);
    return 0;
}
