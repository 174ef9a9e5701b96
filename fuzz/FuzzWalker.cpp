// Fuzz target: one input is one custom file. It is walked on a Windows-like
// and a POSIX-like in-memory file system, and run through the per-file job:
// extracted, extracted with a selection, listed and tested.
#include <cstdint>
#include <cstdlib>

#include "batch/BatchExtractor.h"
#include "tests/support/MemoryPlatform.h"

namespace {

// Takes every entry whose path has an even length: some of each kind.
class CEvenPaths final : public IEntrySelection {
public:
    bool Selects(const char16_t* path) const override { return StrLen16(path) % 2 == 0; }
};

class CFuzzHost final : public IExtractCallback {
public:
    CFuzzHost(IPlatform& platform, const SExtractOptions& options, size_t size)
        : engine(platform, *this, options), m_nSize(size) {}

    void OnEntryEvent(const SEntryEvent& event) override {
        // Every report lies inside the file and its texts fit their buffers.
        if (event.nOffset < 0 || size_t(event.nOffset) >= m_nSize ||
            StrLen16(event.pszPath) >= kReportPathCapacity || event.nRawNameLength > 50)
            std::abort();
    }

    void OnLogLine(const char16_t* line) override {
        // Every line is terminated within its 1022 characters.
        if (StrLen16(line) > 1022)
            std::abort();
    }
    EFolderAnswer AskFolderName(char16_t*, size_t, const char16_t*) override { return EFolderAnswer::GaveUp; }
    void PlayCompletionSound() override {}

    CBatchExtractor engine;

private:
    size_t m_nSize;
};

void WalkOn(CMemoryPlatform::EStyle style, const uint8_t* data, size_t size, EJobMode mode,
            const IEntrySelection* selection) {
    CMemoryPlatform platform(style);
    const char16_t* const input = style == CMemoryPlatform::EStyle::Windows ? u"C:\\in\\x.god" : u"/in/x.god";
    platform.AddInputFile(input, std::vector<uint8_t>(data, data + size));
    SExtractOptions options{size % 2 ? u"ja-JP" : u"en-US"};
    options.eMode = mode;
    options.pSelection = selection;
    CFuzzHost host(platform, options, size);
    host.engine.ExtractFile(input);
    if (platform.nLiveBlocks != 0 || platform.nOpenInputs != 0)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0x7FFFFFFF)
        return 0;
    const CEvenPaths even;
    WalkOn(CMemoryPlatform::EStyle::Windows, data, size, EJobMode::Extract, nullptr);
    WalkOn(CMemoryPlatform::EStyle::Posix, data, size, EJobMode::Extract, nullptr);
    WalkOn(CMemoryPlatform::EStyle::Posix, data, size, EJobMode::Extract, &even);
    WalkOn(CMemoryPlatform::EStyle::Windows, data, size, size % 2 ? EJobMode::List : EJobMode::Test, &even);
    return 0;
}
