// Fuzz target: one input is one custom file. It is walked on a Windows-like
// and a POSIX-like in-memory file system, and run through the per-file job:
// extracted, extracted with a selection, listed and tested. One extraction is
// made again with four writer threads that wait at random before each write:
// its log, events and tree must be those of the one-thread run.
#include <cstdint>
#include <cstdlib>
#include <string>

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
        record += u"event " + std::u16string(event.pszPath) + u' ' + char16_t(u'0' + int(event.eStatus)) +
                  char16_t(u'0' + int(event.nProblems % 10)) + u'\n';
    }

    void OnLogLine(const char16_t* line) override {
        // Every line is terminated within its 1022 characters.
        if (StrLen16(line) > 1022)
            std::abort();
        record += line;
        record += u'\n';
    }
    EFolderAnswer AskFolderName(char16_t*, size_t, const char16_t*) override { return EFolderAnswer::GaveUp; }
    void PlayCompletionSound() override {}

    CBatchExtractor engine;
    std::u16string record;  // every line and event, in order

private:
    size_t m_nSize;
};

// What one run left: its record, then every folder and file with its bytes.
std::u16string WalkOn(CMemoryPlatform::EStyle style, const uint8_t* data, size_t size, EJobMode mode,
                      const IEntrySelection* selection, int threads = 1) {
    CMemoryPlatform platform(style);
    platform.bJitterWriters = threads > 1;
    const char16_t* const input = style == CMemoryPlatform::EStyle::Windows ? u"C:\\in\\x.god" : u"/in/x.god";
    platform.AddInputFile(input, std::vector<uint8_t>(data, data + size));
    SExtractOptions options{size % 2 ? u"ja-JP" : u"en-US"};
    options.eMode = mode;
    options.pSelection = selection;
    options.nWriteThreads = threads;
    CFuzzHost host(platform, options, size);
    host.engine.ExtractFile(input);
    if (platform.nLiveBlocks != 0 || platform.nOpenInputs != 0)
        std::abort();
    std::u16string left = host.record;
    for (const std::u16string& folder : platform.FolderKeys())
        left += u"folder " + folder + u'\n';
    for (const auto& [path, bytes] : platform.FileKeys())
        left += u"file " + path + u' ' + std::u16string(bytes.begin(), bytes.end()) + u'\n';
    return left;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0x7FFFFFFF)
        return 0;
    const CEvenPaths even;
    WalkOn(CMemoryPlatform::EStyle::Windows, data, size, EJobMode::Extract, nullptr);
    const std::u16string oneThread = WalkOn(CMemoryPlatform::EStyle::Posix, data, size, EJobMode::Extract, nullptr);
    if (WalkOn(CMemoryPlatform::EStyle::Posix, data, size, EJobMode::Extract, nullptr, 4) != oneThread)
        std::abort();
    WalkOn(CMemoryPlatform::EStyle::Posix, data, size, EJobMode::Extract, &even);
    WalkOn(CMemoryPlatform::EStyle::Windows, data, size, size % 2 ? EJobMode::List : EJobMode::Test, &even);
    return 0;
}
