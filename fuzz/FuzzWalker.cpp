// Fuzz target: one input is one custom file. It is walked on a Windows-like
// and a POSIX-like in-memory file system, and run through the per-file job.
#include <cstdint>
#include <cstdlib>

#include "batch/BatchExtractor.h"
#include "tests/support/MemoryPlatform.h"

namespace {

class CFuzzHost final : public CBatchExtractor {
public:
    using CBatchExtractor::CBatchExtractor;

    void OnLogLine(const char16_t* line) override {
        // Every line is terminated within its 1022 characters.
        if (StrLen16(line) > 1022)
            std::abort();
    }
    int AskFolderName(char16_t*, size_t, const char16_t*) override { return 2; }
    void PlayCompletionSound() override {}
};

void WalkOn(CMemoryPlatform::EStyle style, const uint8_t* data, size_t size) {
    CMemoryPlatform platform(style);
    const char16_t* const input = style == CMemoryPlatform::EStyle::Windows ? u"C:\\in\\x.god" : u"/in/x.god";
    platform.AddInputFile(input, std::vector<uint8_t>(data, data + size));
    CFuzzHost host(platform, SExtractOptions{size % 2 ? u"ja-JP" : u"en-US"});
    host.ExtractFile(input);
    if (platform.nLiveBlocks != 0 || platform.nOpenInputs != 0)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0x7FFFFFFF)
        return 0;
    WalkOn(CMemoryPlatform::EStyle::Windows, data, size);
    WalkOn(CMemoryPlatform::EStyle::Posix, data, size);
    return 0;
}
