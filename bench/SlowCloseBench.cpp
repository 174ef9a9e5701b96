// slow-close-bench FILE OUT_FOLDER THREADS DELAY_MS
// Extracts FILE into OUT_FOLDER (which must exist) with the system's own
// platform, each new file's close made DELAY_MS milliseconds slower, as an
// antivirus that scans every new file when it is closed makes it. THREADS is
// the engine's writer threads (1: every file written on the walker's thread).
// Prints "FILES files, SECONDS s" and exits 0 when the file was extracted.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "base/Utf.h"
#include "batch/BatchExtractor.h"
#include "platform/SystemPlatform.h"

namespace {

std::chrono::milliseconds g_delay{2};
std::atomic<long> g_files{0};

// The close's cost, paid where the file was written.
EWriteResult AfterClose(EWriteResult result) {
    std::this_thread::sleep_for(g_delay);
    if (result == EWriteResult::Written)
        ++g_files;
    return result;
}

class CSlowWriter final : public IFileWriter {
public:
    explicit CSlowWriter(IFileWriter* inner) : m_pInner(inner) {}
    EWriteResult WriteNewFile(const char16_t* relativePath, const uint8_t* data, size_t size) override {
        return AfterClose(m_pInner->WriteNewFile(relativePath, data, size));
    }
    IFileWriter* m_pInner;
};

// The system's platform, every file write followed by the delay.
class CSlowClosePlatform final : public IPlatform {
public:
    bool GetCurrentDir(char16_t* buf, size_t capacity) override { return m_system.GetCurrentDir(buf, capacity); }
    bool ReadWholeFile(const char16_t* path, SInputFile& file) override { return m_system.ReadWholeFile(path, file); }
    void ReleaseInputFile(SInputFile& file) override { m_system.ReleaseInputFile(file); }
    bool OpenOutputRoot(const char16_t* root) override { return m_system.OpenOutputRoot(root); }
    void CloseOutputRoot() override { m_system.CloseOutputRoot(); }
    EDirResult CreateDir(const char16_t* relativePath) override { return m_system.CreateDir(relativePath); }
    EWriteResult WriteNewFile(const char16_t* relativePath, const uint8_t* data, size_t size) override {
        return AfterClose(m_system.WriteNewFile(relativePath, data, size));
    }
    IFileWriter* OpenWriter() override {
        IFileWriter* inner = m_system.OpenWriter();
        return inner ? new CSlowWriter(inner) : nullptr;
    }
    void CloseWriter(IFileWriter* writer) override {
        if (!writer)
            return;
        auto* slow = static_cast<CSlowWriter*>(writer);
        m_system.CloseWriter(slow->m_pInner);
        delete slow;
    }
    uint8_t* AllocBlock(size_t size) override { return m_system.AllocBlock(size); }
    void FreeBlock(uint8_t* block, size_t size) override { m_system.FreeBlock(block, size); }
    void DecodeName(const uint8_t* bytes, size_t count, char16_t* out, size_t capacity) override {
        m_system.DecodeName(bytes, count, out, capacity);
    }
    bool EncodeName(const char16_t* name, uint8_t* out, size_t capacity, size_t& length) override {
        return m_system.EncodeName(name, out, capacity, length);
    }
    void ToNativeSeparators(char16_t* path) override { m_system.ToNativeSeparators(path); }
    SNameRules NameRules() const override { return m_system.NameRules(); }

private:
    CSystemPlatform m_system;
};

class CQuietHost final : public IExtractCallback {
public:
    void OnLogLine(const char16_t*) override {}
    EFolderAnswer AskFolderName(char16_t*, size_t, const char16_t*) override { return EFolderAnswer::GaveUp; }
    void PlayCompletionSound() override {}
};

int Bench(const std::u16string& file, const std::u16string& folder, int threads, int delay) {
    g_delay = std::chrono::milliseconds(delay);
    CSlowClosePlatform platform;
    CQuietHost host;
    SExtractOptions options{u"en-US"};
    options.pszExtractionFolder = folder.c_str();
    options.nWriteThreads = threads;
    CBatchExtractor engine(platform, host, options);
    const auto start = std::chrono::steady_clock::now();
    const bool extracted = engine.ExtractFile(file.c_str());
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    std::printf("%ld files, %.2f s\n", g_files.load(), seconds.count());
    return extracted ? 0 : 1;
}

int Usage() {
    std::fputs("usage: slow-close-bench FILE OUT_FOLDER THREADS DELAY_MS\n", stderr);
    return 2;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    if (argc != 5)
        return Usage();
    return Bench(reinterpret_cast<const char16_t*>(argv[1]), reinterpret_cast<const char16_t*>(argv[2]),
                 int(std::wcstol(argv[3], nullptr, 10)), int(std::wcstol(argv[4], nullptr, 10)));
}
#else
int main(int argc, char** argv) {
    if (argc != 5)
        return Usage();
    return Bench(NativeNameToUtf16String(argv[1]), NativeNameToUtf16String(argv[2]), std::atoi(argv[3]),
                 std::atoi(argv[4]));
}
#endif
