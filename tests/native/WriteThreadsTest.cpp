// Files written on worker threads: whatever the number of threads, a drop
// gives the very same log, reports, files and problems as on one thread,
// also with name clashes, damage, refused names, failed writes and a prompt.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "batch/PathList.h"
#include "tests/fixtures/ContainerWriter.h"
#include "tests/support/MemoryPlatform.h"
#include "tests/support/RecordingHost.h"

namespace {

// Many entries of every kind, with what makes the order matter: two entries
// of one name (the first gets it), a file where a child's folder then goes,
// files below a folder that is never made, case twins, a damaged end.
Bytes BusyFile(int count) {
    CContainerWriter child;
    for (int i = 0; i < 40; ++i)
        child.AddGzip("in" + std::to_string(i % 30) + ".t", Bytes(200 + i, uint8_t('a' + i % 26)));
    CContainerWriter file;
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        switch (i % 9) {
        case 0: file.AddGzip("g" + n + ".t", Bytes(300 + i, uint8_t('a' + i % 26))); break;
        case 1: file.AddText("same.txt", "clash " + n); break;
        case 2: file.AddText("SAME.txt", "twin " + n); break;
        case 3: file.AddText("sub" + n, "a file first"); break;
        case 4: file.AddChild("sub" + std::to_string(i - 1) + ".pak", child); break;
        case 5: file.AddText("nowhere\\x" + n + ".txt", "no folder"); break;
        case 6: file.AddText("cmap\\m" + n + ".t", "map"); break;
        case 7: file.AddText("..\\up" + n, "unsafe"); break;
        default: file.Add("b" + n + ".bm", MakeBitmap(3, 3)); break;
        }
    }
    Bytes bytes = file.Data();
    Bytes damaged = CContainerWriter().AddText("last.t", "cut").Data();
    damaged.resize(damaged.size() - 2);  // its size runs past the end
    bytes.insert(bytes.end(), damaged.begin(), damaged.end());
    return bytes;
}

struct SRun {
    std::vector<std::u16string> lines, events, questions;
    std::vector<std::u16string> files;  // path and content, every file
    int32_t nExtracted = 0;
    int32_t nProblems = 0;
    int nSounds = 0;
    int nWriters = 0;
};

// Two files in one drop; the first one's folder exists, and the prompt is
// answered with another name.
SRun Drop(CMemoryPlatform::EStyle style, int threads, bool failWrites) {
    CMemoryPlatform platform(style);
    const bool windows = style == CMemoryPlatform::EStyle::Windows;
    const std::u16string root = windows ? u"C:\\out" : u"/out";
    const std::u16string sep = windows ? u"\\" : u"/";
    platform.AddInputFile(root + sep + u"a.god", BusyFile(200));
    platform.AddInputFile(root + sep + u"b.god", BusyFile(90));
    platform.AddFolder(root + sep + u"a");
    platform.bFailWrites = failWrites;
    platform.bJitterWriters = true;
    SExtractOptions options{u"en-US"};
    options.nWriteThreads = threads;
    CRecordingHost host(platform, options);
    host.answers.push_back({1, u"a2"});
    CPathList drop({root + sep + u"a.god", root + sep + u"b.god"});
    SRun run;
    run.nExtracted = host.ExtractDroppedFiles(drop);
    run.lines = host.lines;
    run.events = host.events;
    run.questions = host.questions;
    run.nProblems = host.EntryProblemCount();
    run.nSounds = host.nSounds;
    for (const auto& [path, content] : platform.FileKeys())
        run.files.push_back(path + u"=" + std::u16string(content.begin(), content.end()));
    run.nWriters = platform.nWritersOpened;
    return run;
}

TEST(WriteThreads, EveryThreadCountGivesWhatOneThreadGives) {
    for (const auto style : {CMemoryPlatform::EStyle::Windows, CMemoryPlatform::EStyle::Posix}) {
        for (const bool failWrites : {false, true}) {
            const SRun one = Drop(style, 1, failWrites);
            ASSERT_EQ(one.nWriters, 0);
            ASSERT_EQ(one.nExtracted, 2);
            ASSERT_GT(one.nProblems, 50) << "clashes, refusals and damage";
            for (const int threads : {2, 8}) {
                SCOPED_TRACE(std::to_string(threads) + (failWrites ? " threads, writes failing" : " threads"));
                const SRun many = Drop(style, threads, failWrites);
                EXPECT_EQ(many.nWriters, 2 * threads) << "the writes went to the threads, a file at a time";
                EXPECT_EQ(many.lines, one.lines);
                EXPECT_EQ(many.events, one.events);
                EXPECT_EQ(many.questions, one.questions);
                EXPECT_EQ(many.files, one.files);
                EXPECT_EQ(many.nProblems, one.nProblems);
                EXPECT_EQ(many.nExtracted, one.nExtracted);
                EXPECT_EQ(many.nSounds, one.nSounds);
            }
        }
    }
}

}  // namespace
