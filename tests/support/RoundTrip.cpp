#include "tests/support/RoundTrip.h"

#include <iterator>

#include "batch/BatchExtractor.h"
#include "manifest/ManifestWriter.h"
#include "pack/PackVerify.h"
#include "pack/Packer.h"
#include "base/Utf.h"
#include "tests/support/MemoryFolderSource.h"
#include "tests/support/MemoryPlatform.h"

namespace {

const char16_t kInput[] = u"/in/x.god";
const std::u16string kFolder = u"/out/x";

// The extracted tree below kFolder, as a folder source the packer reads
// and a test may change.
CMemoryFolderSource TreeOf(const CMemoryPlatform& platform) {
    CMemoryFolderSource tree;
    const std::u16string prefix = kFolder + u"/";
    for (const std::u16string& folder : platform.FolderKeys()) {
        if (folder.compare(0, prefix.size(), prefix) == 0)
            tree.folders.insert(folder.substr(prefix.size()));
    }
    for (const auto& file : platform.FileKeys()) {
        if (file.first.compare(0, prefix.size(), prefix) == 0)
            tree.files[file.first.substr(prefix.size())] = file.second;
    }
    return tree;
}

// Extracts with the manifest's events recorded.
class CHost final : public IExtractCallback {
public:
    CHost(IPlatform& platform, const SExtractOptions& options) : engine(platform, *this, options) {}
    void OnLogLine(const char16_t*) override {}
    EFolderAnswer AskFolderName(char16_t*, size_t, const char16_t*) override { return EFolderAnswer::GaveUp; }
    void PlayCompletionSound() override {}
    void OnEntryEvent(const SEntryEvent& event) override { manifest.AddEntry(event); }
    void OnContainerEnd(const SContainerEnd& end) override { manifest.EndContainer(end); }
    CBatchExtractor engine;
    CManifestBuilder manifest;
};

// Extracts `file` into a fresh memory platform; its manifest into `manifest`.
// Extracts `file` into /out/x with its manifest. False, and why, when it is
// not extracted or the manifest does not read back.
bool Extract(CMemoryPlatform& platform, const std::vector<uint8_t>& file, SManifest& manifest, std::string& why) {
    platform.AddInputFile(kInput, file);
    CHost host(platform, SExtractOptions{u"en-US"});
    host.manifest.Begin(kInput, kInput, 932);
    if (!host.engine.ExtractFile(kInput)) {
        why = "not extracted";
        return false;
    }
    std::u16string error;
    if (!ReadManifest(host.manifest.Finish(u"x"), manifest, error)) {
        why = "manifest: " + std::string(error.begin(), error.end());
        return false;
    }
    return true;
}

// What the packer's read-back check finds wrong with the packed bytes: one
// line for the first difference, or nothing.
std::string Differences(CMemoryPlatform& platform, CMemoryFolderSource& source, const SPackResult& packed) {
    const std::vector<std::u16string> differences = VerifyPacked(platform, source, packed);
    return differences.empty() ? "" : "verify: " + Utf16ToUtf8String(differences[0].c_str());
}

}  // namespace

bool PacksBackIdentically(const std::vector<uint8_t>& file, std::string& why) {
    CMemoryPlatform extracted(CMemoryPlatform::EStyle::Posix);
    SManifest manifest;
    if (!Extract(extracted, file, manifest, why))
        return false;
    CMemoryFolderSource source = TreeOf(extracted);
    const SPackResult packed = CPacker(extracted, source, SPackOptions()).PackWithManifest(manifest, file.data(), file.size());
    if (packed.eStatus != EPackStatus::Done) {
        why = "not packed: " + Utf16ToUtf8String(packed.strMessage.c_str());
        return false;
    }
    why = packed.bytes == file ? Differences(extracted, source, packed) : "other bytes";
    return why.empty();
}

bool PacksChangesFaithfully(const std::vector<uint8_t>& file, unsigned pick, const std::vector<uint8_t>& content,
                            bool& refused, std::string& why) {
    refused = false;
    CMemoryPlatform extracted(CMemoryPlatform::EStyle::Posix);
    SManifest manifest;
    if (!Extract(extracted, file, manifest, why))
        return false;
    CMemoryFolderSource source = TreeOf(extracted);
    if (!source.files.empty()) {
        auto changed = source.files.begin();
        std::advance(changed, pick % source.files.size());
        changed->second = content;
    }
    const SPackResult packed = CPacker(extracted, source, SPackOptions()).PackWithManifest(manifest, file.data(), file.size());
    refused = packed.eStatus == EPackStatus::Refused;
    if (refused)
        return true;
    why = packed.eStatus == EPackStatus::Done ? Differences(extracted, source, packed) : "";
    if (!why.empty())
        return false;
    CMemoryPlatform again(CMemoryPlatform::EStyle::Posix);
    SManifest unused;
    if (packed.eStatus != EPackStatus::Done || !Extract(again, packed.bytes, unused, why)) {
        why = "not packed or not extracted again";
        return false;
    }
    const CMemoryFolderSource back = TreeOf(again);
    why = back.files != source.files ? "other files" : back.folders != source.folders ? "other folders" : "";
    return why.empty();
}
