// Microbenchmarks of the engine's hot paths: the entry walk on the in-memory
// platform, the output naming, the log formatter, the POSIX name decoding and
// inflation (with libdeflate first where it is built in, and zlib alone).
// They measure; they assert nothing about speed.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "batch/BatchExtractor.h"
#include "extract/Inflate.h"
#include "extract/LogFormat.h"
#include "extract/NameSafety.h"
#include "extract/OutputNaming.h"
#include "platform/SystemPlatform.h"
#include "tests/support/MemoryPlatform.h"
#include "tests/fixtures/ContainerWriter.h"

namespace {

// The engine's host with nothing behind it: lines are only counted, so the
// walk itself is what is measured.
class CSilentHost final : public IExtractCallback {
public:
    CSilentHost(IPlatform& platform, const char16_t* localeName) : engine(platform, *this, SExtractOptions{localeName}) {}
    void OnLogLine(const char16_t*) override { ++nLines; }
    EFolderAnswer AskFolderName(char16_t*, size_t, const char16_t*) override { return EFolderAnswer::GaveUp; }
    void PlayCompletionSound() override {}

    CBatchExtractor engine;
    int64_t nLines = 0;
};

Bytes TextOf(int index, size_t size) {
    std::string text = "line " + std::to_string(index) + "\r\n";
    while (text.size() < size)
        text += "the quick brown fox jumps over the lazy dog\r\n";
    text.resize(size);
    return Bytes(text.begin(), text.end());
}

// Four child containers of `perChild` text entries each, 1 KiB of content
// apiece, stored or gzip-compressed.
Bytes MakeWalkContainer(int perChild, bool compressed) {
    CContainerWriter top;
    for (int c = 0; c < 4; ++c) {
        CContainerWriter child;
        for (int i = 0; i < perChild; ++i) {
            const std::string name = "msg" + std::to_string(c * perChild + i) + ".t";
            if (compressed)
                child.AddGzip(name, TextOf(i, 1024), 6);
            else
                child.Add(name, TextOf(i, 1024));
        }
        top.AddChild("pak" + std::to_string(c) + ".pak", child);
    }
    return top.Data();
}

void WalkContainer(benchmark::State& state, bool compressed) {
    const int perChild = int(state.range(0));
    const Bytes container = MakeWalkContainer(perChild, compressed);
    int64_t lines = 0;
    for (auto _ : state) {
        // A fresh file system per walk: the platform refuses files that exist.
        state.PauseTiming();
        auto platform = std::make_unique<CMemoryPlatform>(CMemoryPlatform::EStyle::Posix);
        auto host = std::make_unique<CSilentHost>(*platform, u"en-US");
        host->engine.OpenExtractionRoot(u"/out");
        platform->AddFolder(u"/out/walk");
        state.ResumeTiming();

        host->engine.ExtractData(u"walk/", container.data(), int32_t(container.size()));

        state.PauseTiming();
        if (platform->FileCount() != size_t(4 * perChild))
            state.SkipWithError("the walk did not write every entry");
        lines += host->nLines;
        host.reset();
        platform.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * 4 * perChild);
    state.SetBytesProcessed(state.iterations() * int64_t(container.size()));
    state.counters["lines/walk"] = double(lines) / double(state.iterations());
}

void BM_WalkStored(benchmark::State& state) { WalkContainer(state, false); }
void BM_WalkGzip(benchmark::State& state) { WalkContainer(state, true); }
BENCHMARK(BM_WalkStored)->Arg(16)->Arg(128)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WalkGzip)->Arg(16)->Arg(128)->Unit(benchmark::kMicrosecond);

void ChooseExtensionOf(benchmark::State& state, const char16_t* nameExtension, const Bytes& content) {
    for (auto _ : state) {
        const char16_t* extension = ChooseExtension(nameExtension, content.data(), int32_t(content.size()));
        benchmark::DoNotOptimize(extension);
    }
}

void BM_ChooseExtensionText(benchmark::State& state) { ChooseExtensionOf(state, u".t", TextOf(1, 4096)); }
void BM_ChooseExtensionBitmap(benchmark::State& state) { ChooseExtensionOf(state, u".t", MakeBitmap(32, 32)); }
void BM_ChooseExtensionJpeg(benchmark::State& state) { ChooseExtensionOf(state, u".t", MakeJfif(4096)); }
void BM_ChooseExtensionOwn(benchmark::State& state) { ChooseExtensionOf(state, u".dat", TextOf(1, 4096)); }
BENCHMARK(BM_ChooseExtensionText);
BENCHMARK(BM_ChooseExtensionBitmap);
BENCHMARK(BM_ChooseExtensionJpeg);
BENCHMARK(BM_ChooseExtensionOwn);

void BM_IsUnsafeName(benchmark::State& state) {
    const bool devices = state.range(0) != 0;
    for (auto _ : state) {
        bool unsafe = IsUnsafeName(u"event07/anim/msg01234.txt", devices);
        benchmark::DoNotOptimize(unsafe);
    }
}
BENCHMARK(BM_IsUnsafeName)->Arg(0)->Arg(1);

void FormatLine(benchmark::State& state, const char16_t* format) {
    char16_t line[1024];
    for (auto _ : state) {
        const EFormatResult result = FormatTextV(line, 1023, format, u"msg01234.t", int32_t(123456), int32_t(4194304),
                                                 int32_t(1074));
        benchmark::DoNotOptimize(result);
        benchmark::DoNotOptimize(line);
    }
}

void BM_FormatEnglishLine(benchmark::State& state) {
    FormatLine(state, u"Extracting... filename=%s position=%d/%d size=%d");
}
void BM_FormatJapaneseLine(benchmark::State& state) {
    FormatLine(state, u"展開しています... ファイル名=%s 位置=%d/%d サイズ=%d");
}
BENCHMARK(BM_FormatEnglishLine);
BENCHMARK(BM_FormatJapaneseLine);

void BM_FormatPath(benchmark::State& state) {
    char16_t path[260];
    for (auto _ : state) {
        const EFormatResult result = FormatTextV(path, 260, u"%s\\%s%s%s", u"/home/user/bench/out", u"corpus/chara00/",
                                                 u"msg01234", u".txt");
        benchmark::DoNotOptimize(result);
        benchmark::DoNotOptimize(path);
    }
}
BENCHMARK(BM_FormatPath);

// Entry names are decoded once per entry with iconv (code page 932).
void BM_DecodePosixName(benchmark::State& state) {
    CSystemPlatform platform;
    static const uint8_t kAscii[] = "chara00/msg01234.t";
    static const uint8_t kJapanese[] = "\x90\xe0\x96\xbe\x8f\x91\x30\x31.t";  // "説明書01.t" in code page 932
    const uint8_t* name = state.range(0) ? kJapanese : kAscii;
    const size_t length = state.range(0) ? sizeof kJapanese - 1 : sizeof kAscii - 1;
    char16_t out[260];
    for (auto _ : state) {
        platform.DecodeName(name, length, out, 260);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_DecodePosixName)->Arg(0)->Arg(1);

// One gzip member (zlib, level 6) of 64 KiB of text (0) or of a 256 x 256
// bitmap (1), inflated as extraction does and by zlib alone.
void InflateMember(benchmark::State& state, bool zlibAlone) {
    const Bytes content = state.range(0) ? MakeBitmap(256, 256) : TextOf(0, 65536);
    const Bytes member = GzipBytes(content, 6);
    Bytes buffer(kDecompressionBufferSize);
    for (auto _ : state) {
        const int32_t length = int32_t(member.size());
        const SInflateResult inflated = zlibAlone ? InflateWithZlib(buffer.data(), buffer.size(), member.data(), length)
                                                  : InflatePayload(buffer.data(), buffer.size(), member.data(), length);
        if (inflated.nSize != int32_t(content.size()))
            state.SkipWithError("the member did not inflate");
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(content.size()));
}
void BM_InflatePayload(benchmark::State& state) { InflateMember(state, false); }
void BM_InflateWithZlib(benchmark::State& state) { InflateMember(state, true); }
BENCHMARK(BM_InflatePayload)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_InflateWithZlib)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
