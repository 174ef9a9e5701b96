// The per-file job and the batch run: line sequences, prompts, counts, limits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "batch/PathList.h"
#include "tests/support/MemoryPlatform.h"
#include "tests/support/RecordingHost.h"
#include "tests/fixtures/ContainerWriter.h"

namespace {

using Lines = std::vector<std::u16string>;

// Counts the paths the batch run copies out of the drop.
class CListDrop final : public CPathList {
public:
    using CPathList::CPathList;
    void CopyPath(int32_t i, char16_t* buf, size_t capacity) override {
        ++nCopies;
        CPathList::CopyPath(i, buf, capacity);
    }
    int nCopies = 0;
};

Bytes SmallCustomFile() {
    CContainerWriter file;
    file.AddText("a.t", "hello");
    return file.Data();
}

class JobTest : public ::testing::Test {
protected:
    JobTest() { platform.SetCurrentDir(u"C:\\work"); }

    CMemoryPlatform platform{CMemoryPlatform::EStyle::Windows};
    CRecordingHost host{platform, u"en-US"};
};

TEST_F(JobTest, FolderCreatedAtOnce) {
    platform.AddInputFile(u"D:\\in\\hero.god", SmallCustomFile());
    EXPECT_TRUE(host.ExtractFile(u"D:\\in\\hero.god"));
    EXPECT_EQ(host.lines, (Lines{u"CreateDirectory (path=C:\\work\\hero\\) ... Success!",
                                 u"ExtractData(dir=hero\\, size=55)",
                                 u"Extracting... filename=a.t position=0/55 size=55", u"Finished!"}));
    EXPECT_TRUE(platform.HasFile(u"C:\\work\\hero\\a.txt")) << "below the current folder, not beside the input";
    EXPECT_EQ(platform.nOpenInputs, 0);
    EXPECT_EQ(platform.nLiveBlocks, 0);
}

TEST_F(JobTest, NotExtractable) {
    Bytes fifty = MakeEntryHeader("a.t", "50");
    Bytes fiftyOne = MakeEntryHeader("a.t", "51");
    fiftyOne.push_back('!');
    Bytes zero = MakeEntryHeader("a.t", "0");
    zero.resize(100, 'x');
    platform.AddInputFile(u"fifty.god", fifty);
    platform.AddInputFile(u"fiftyone.god", fiftyOne);
    platform.AddInputFile(u"zero.god", zero);
    platform.AddInputFile(u"empty.god", Bytes());

    for (const char16_t* path : {u"fifty.god", u"zero.god", u"empty.god", u"missing.god"}) {
        host.lines.clear();
        EXPECT_FALSE(host.ExtractFile(path));
        EXPECT_EQ(host.lines, (Lines{u"This file is not extractable.", u"Aborted!"}));
    }
    EXPECT_EQ(platform.nCreateDirCalls, 0) << "no folder for a file that is not extractable";
    host.lines.clear();
    EXPECT_TRUE(host.ExtractFile(u"fiftyone.god"));
    EXPECT_TRUE(platform.HasFile(u"C:\\work\\fiftyone\\a.txt"));
    EXPECT_EQ(platform.nOpenInputs, 0);
    EXPECT_EQ(platform.nLiveBlocks, 0);
}

TEST_F(JobTest, ShortReadIsNotExtractable) {
    platform.AddInputFile(u"short.god", SmallCustomFile());
    platform.bShortRead = true;
    EXPECT_FALSE(host.ExtractFile(u"short.god"));
    EXPECT_EQ(host.lines, (Lines{u"This file is not extractable.", u"Aborted!"}));
    EXPECT_EQ(platform.nLiveBlocks, 0);
}

TEST_F(JobTest, FileWhoseBufferCannotBeObtainedIsNotExtractable) {
    platform.AddInputFile(u"a.god", SmallCustomFile());
    platform.nBlocksBeforeFailure = 0;
    EXPECT_FALSE(host.ExtractFile(u"a.god"));
    EXPECT_EQ(host.lines, (Lines{u"This file is not extractable.", u"Aborted!"}));
    EXPECT_EQ(platform.nOpenInputs, 0);
}

TEST_F(JobTest, SecondDropAsksForANameAndUsesIt) {
    platform.AddInputFile(u"hero.god", SmallCustomFile());
    ASSERT_TRUE(host.ExtractFile(u"hero.god"));
    host.lines.clear();
    host.answers = {{1, u"hero"}, {1, u"hero two\\ignored"}};
    EXPECT_TRUE(host.ExtractFile(u"hero.god"));
    EXPECT_EQ(host.lines, (Lines{
                              u"CreateDirectory (path=C:\\work\\hero\\) ... Failed!",
                              u"Cannot create directory. Please enter another name.",
                              u"CreateDirectory (path=C:\\work\\hero\\) ... Failed!",
                              u"Cannot create directory. Please enter another name.",
                              u"CreateDirectory (path=C:\\work\\hero two\\) ... Success!",
                              u"ExtractData(dir=hero two\\, size=55)",
                              u"Extracting... filename=a.t position=0/55 size=55",
                              u"Finished!",
                          }));
    EXPECT_EQ(host.questions, (Lines{u"hero\\", u"hero\\"})) << "the prompt sees the last tried name";
    EXPECT_EQ(host.captions[0], u"Please enter another directory name to extract.");
    EXPECT_TRUE(platform.HasFile(u"C:\\work\\hero two\\a.txt"));
}

TEST_F(JobTest, CancelledPromptAborts) {
    platform.AddInputFile(u"hero.god", SmallCustomFile());
    platform.AddFolder(u"C:\\work\\hero");
    host.answers = {{2, u""}};
    EXPECT_FALSE(host.ExtractFile(u"hero.god"));
    EXPECT_EQ(host.lines, (Lines{u"CreateDirectory (path=C:\\work\\hero\\) ... Failed!",
                                 u"Cannot create directory. Please enter another name.", u"Aborted!"}));
    EXPECT_EQ(platform.nOpenInputs, 0) << "the file is closed after a cancel";
    EXPECT_EQ(platform.nLiveBlocks, 0);
}

TEST_F(JobTest, EmptyAnswerFailsAndAsksAgain) {
    platform.AddInputFile(u"C:\\x\\.god", SmallCustomFile());
    host.answers = {{1, u""}, {-1, u""}};
    EXPECT_FALSE(host.ExtractFile(u"C:\\x\\.god"));
    EXPECT_EQ(host.lines, (Lines{u"CreateDirectory (path=C:\\work\\\\) ... Failed!",
                                 u"Cannot create directory. Please enter another name.",
                                 u"CreateDirectory (path=C:\\work\\\\) ... Failed!",
                                 u"Cannot create directory. Please enter another name.", u"Aborted!"}));
    EXPECT_EQ(host.questions, (Lines{u"\\", u"\\"}));
}

TEST_F(JobTest, JapaneseCaption) {
    CRecordingHost japanese(platform, u"JA-jp");
    platform.AddInputFile(u"a.god", SmallCustomFile());
    platform.AddFolder(u"C:\\work\\a");
    EXPECT_FALSE(japanese.ExtractFile(u"a.god"));
    EXPECT_EQ(japanese.captions, (Lines{u"別の展開先フォルダ名を入力してください。"}));
    EXPECT_EQ(japanese.lines, (Lines{u"フォルダを作成します (パス=C:\\work\\a\\) ...失敗！",
                                     u"フォルダを作ることができませんでした。別の名前を入力してください。",
                                     u"処理を中止しました。"}));
}

TEST_F(JobTest, CurrentFolderThatDoesNotFitIsReportedWithoutAsking) {
    platform.AddInputFile(u"a.god", SmallCustomFile());
    platform.bCurrentDirFails = true;
    EXPECT_FALSE(host.ExtractFile(u"a.god"));
    // Its own message: no CreateDirectory line names a path never tried.
    EXPECT_EQ(host.lines, (Lines{u"Cannot use the current folder (it cannot be read, or its path is too long).",
                                 u"Aborted!"}));
    EXPECT_TRUE(host.questions.empty());
    EXPECT_EQ(platform.nCreateDirCalls, 0);
}

TEST(ExtractionFolder, ReplacesTheCurrentFolder) {
    CMemoryPlatform platform;
    platform.SetCurrentDir(u"Q:\\");
    platform.AddInputFile(u"a.god", SmallCustomFile());
    platform.AddFolder(u"Q:\\\u30BD\u30D5\u30C8\\out");
    platform.bCurrentDirFails = true;  // never asked when a folder is given
    struct SCase {
        std::u16string folder;
        Lines lines;
    };
    const std::u16string tooLong = u"Q:\\" + std::u16string(kPathCapacity - 3, u'x');
    const SCase cases[] = {
        {u"Q:\\\u30BD\u30D5\u30C8\\out",
         {u"CreateDirectory (path=Q:\\\u30BD\u30D5\u30C8\\out\\a\\) ... Success!", u"ExtractData(dir=a\\, size=55)",
          u"Extracting... filename=a.t position=0/55 size=55", u"Finished!"}},
        {tooLong, {u"Cannot use the current folder (it cannot be read, or its path is too long).", u"Aborted!"}},
    };
    for (const SCase& c : cases) {
        CRecordingHost elsewhere(platform, SExtractOptions{u"en-US", c.folder.c_str()});
        elsewhere.ExtractFile(u"a.god");
        EXPECT_EQ(elsewhere.lines, c.lines);
    }
    EXPECT_TRUE(platform.HasFile(u"Q:\\\u30BD\u30D5\u30C8\\out\\a\\a.txt"));
    EXPECT_EQ(platform.nCreateDirCalls, 1) << "a folder that does not fit is never cut and tried";
}

TEST_F(JobTest, OutputFolderThatCannotBeOpenedIsReported) {
    platform.AddInputFile(u"a.god", SmallCustomFile());
    platform.bRootFails = true;
    EXPECT_FALSE(host.ExtractFile(u"a.god"));
    EXPECT_EQ(host.lines, (Lines{u"Cannot open the extraction folder [C:\\work].", u"Aborted!"}));
    EXPECT_FALSE(platform.bRootOpen);
}

TEST_F(JobTest, PromptShowsTheNameWithoutControlOrDirectionCharacters) {
    const std::u16string name = u"evil\u202Egod\u0007x";
    platform.AddInputFile(name + u".god", SmallCustomFile());
    platform.AddFolder(u"C:\\work\\" + name);
    EXPECT_FALSE(host.ExtractFile((name + u".god").c_str()));
    EXPECT_EQ(host.questions, (Lines{u"evil?god?x\\"}));
    EXPECT_FALSE(platform.bRootOpen) << "the root is let go when the job ends";
}

TEST_F(JobTest, EntriesThatCannotBeWrittenStillFinish) {
    platform.AddInputFile(u"a.god", SmallCustomFile());
    platform.bFailWrites = true;
    EXPECT_TRUE(host.ExtractFile(u"a.god"));
    EXPECT_EQ(host.lines[3], u"Cannot write file [C:\\work\\a\\a.txt].");
    EXPECT_EQ(host.lines.back(), u"Finished!");
}

// --- The batch run -----------------------------------------------------------

class BatchTest : public JobTest {};

TEST_F(BatchTest, CountsAndPluralsInEnglish) {
    platform.AddInputFile(u"one.god", SmallCustomFile());
    CListDrop drop({u"one.god", u"missing.god", u"bad.god"});
    EXPECT_EQ(host.ExtractDroppedFiles(drop), 1);
    const Lines expected = {
        u"3 files dropped.",
        u"Processing 1 of 3 files",
        u"File path [one.god]",
        u"CreateDirectory (path=C:\\work\\one\\) ... Success!",
        u"ExtractData(dir=one\\, size=55)",
        u"Extracting... filename=a.t position=0/55 size=55",
        u"Finished!",
        u"Processing 2 of 3 files",
        u"File path [missing.god]",
        u"This file is not extractable.",
        u"Aborted!",
        u"Processing 3 of 3 files",
        u"File path [bad.god]",
        u"This file is not extractable.",
        u"Aborted!",
        u"1 file has been extracted.",
        u"----------------",
    };
    EXPECT_EQ(host.lines, expected);
    EXPECT_EQ(host.nSounds, 1);
}

TEST_F(BatchTest, SingularDropAndNothingExtracted) {
    CListDrop drop({u"missing.god"});
    EXPECT_EQ(host.ExtractDroppedFiles(drop), 0);
    EXPECT_EQ(host.lines.front(), u"1 file dropped.");
    EXPECT_EQ(host.lines[1], u"Processing 1 of 1 file");
    EXPECT_EQ(host.lines[host.lines.size() - 2], u"0 files have been extracted.");
    EXPECT_EQ(host.lines.back(), u"----------------");
    EXPECT_EQ(host.nSounds, 0) << "no sound when nothing was extracted";
}

TEST_F(BatchTest, TwoOfTwoInJapanese) {
    CRecordingHost japanese(platform, u"ja-JP");
    platform.AddInputFile(u"a.god", SmallCustomFile());
    platform.AddInputFile(u"b.god", SmallCustomFile());
    CListDrop drop({u"a.god", u"b.god"});
    EXPECT_EQ(japanese.ExtractDroppedFiles(drop), 2);
    EXPECT_EQ(japanese.lines[0], u"2個のファイルがドロップされました。");
    EXPECT_EQ(japanese.lines[1], u"2個中、1個目のファイルを処理します。");
    EXPECT_EQ(japanese.lines[2], u"ファイルパス [a.god]");
    EXPECT_EQ(japanese.lines[3], u"フォルダを作成します (パス=C:\\work\\a\\) ...成功！");
    EXPECT_EQ(japanese.lines[4], u"データを展開します(dir=a\\, サイズ=55)");
    EXPECT_EQ(japanese.lines[5], u"展開しています... ファイル名=a.t 位置=0/55 サイズ=55");
    EXPECT_EQ(japanese.lines[6], u"処理が終わりました。");
    EXPECT_EQ(japanese.lines[7], u"2個中、2個目のファイルを処理します。");
    EXPECT_EQ(japanese.lines[japanese.lines.size() - 2], u"2個中、2個のファイルを展開しました。");
    EXPECT_EQ(japanese.lines.back(), u"----------------");
    EXPECT_EQ(japanese.nSounds, 1);
}

TEST_F(BatchTest, PathLimitIs200Characters) {
    const std::u16string dir = u"C:\\" + std::u16string(190, u'd') + u"\\";  // 194 characters
    const std::u16string path199 = dir + u"a.god";
    const std::u16string path200 = dir + u"ab.god";
    ASSERT_EQ(path199.size(), 199u);
    ASSERT_EQ(path200.size(), 200u);
    platform.AddInputFile(path199, SmallCustomFile());
    platform.AddInputFile(path200, SmallCustomFile());
    CListDrop drop({path200, path199});
    EXPECT_EQ(host.ExtractDroppedFiles(drop), 1);
    EXPECT_EQ(host.lines[1], u"Processing 1 of 2 files");
    EXPECT_EQ(host.lines[2], u"Skipped. (too long path)");
    EXPECT_EQ(host.lines[3], u"Processing 2 of 2 files");
    EXPECT_EQ(host.lines[4], u"File path [" + path199 + u"]");
    EXPECT_EQ(drop.nCopies, 1) << "a skipped path is not copied";
    EXPECT_TRUE(platform.HasFile(u"C:\\work\\a\\a.txt"));
    EXPECT_FALSE(platform.HasFolder(u"C:\\work\\ab"));
}

// Reports come after every entry and every file, with the bytes walked; a
// stop keeps the entry just written, ends the file "Aborted!" and starts no
// further file.
TEST_F(BatchTest, StopAfterAReportEndsTheDropWithItsSummary) {
    CContainerWriter three;
    three.AddText("a.t", "1").AddText("b.t", "2").AddText("c.t", "3");
    platform.AddInputFile(u"C:\\in\\f.god", three.Data());
    platform.AddInputFile(u"C:\\in\\g.god", three.Data());
    const int32_t size = int32_t(three.Data().size());
    struct SCase {
        int stopAt;
        Lines tail;  // the last lines of the log
        size_t files;
    };
    const SCase cases[] = {
        {0, {u"Finished!", u"2 files have been extracted.", u"----------------"}, 6},
        {1, {u"Extracting... filename=a.t position=0/153 size=51", u"Aborted!", u"0 files have been extracted.",
             u"----------------"}, 1},
        {4, {u"Finished!", u"1 file has been extracted.", u"----------------"}, 3},  // after the first file
    };
    for (const SCase& c : cases) {
        CMemoryPlatform disk;
        disk.SetCurrentDir(u"C:\\work");
        disk.AddInputFile(u"C:\\in\\f.god", three.Data());
        disk.AddInputFile(u"C:\\in\\g.god", three.Data());
        CRecordingHost run(disk, u"en-US");
        run.nStopAt = c.stopAt;
        CPathList drop({u"C:\\in\\f.god", u"C:\\in\\g.god"});
        run.ExtractDroppedFiles(drop);
        ASSERT_GE(run.lines.size(), c.tail.size());
        EXPECT_EQ(Lines(run.lines.end() - c.tail.size(), run.lines.end()), c.tail) << c.stopAt;
        EXPECT_EQ(disk.FileCount(), c.files) << c.stopAt;
        EXPECT_EQ(run.StopRequested(), c.stopAt != 0);
    }
    // The reports of a whole drop: three entries and the file, twice.
    CRecordingHost whole(platform, u"en-US");
    CPathList drop({u"C:\\in\\f.god", u"C:\\in\\g.god"});
    whole.ExtractDroppedFiles(drop);
    std::vector<std::vector<int32_t>> seen;
    for (const SJobProgress& p : whole.reports)
        seen.push_back({p.nFileIndex, p.nFileCount, p.nBytesWalked, p.nBytesTotal});
    const std::vector<std::vector<int32_t>> expected = {
        {0, 2, 51, size}, {0, 2, 102, size}, {0, 2, size, size}, {0, 2, size, size},
        {1, 2, 51, size}, {1, 2, 102, size}, {1, 2, size, size}, {1, 2, size, size}};
    EXPECT_EQ(seen, expected);
}

TEST_F(BatchTest, EmptyDrop) {
    CListDrop drop(std::vector<std::u16string>{});
    EXPECT_EQ(host.ExtractDroppedFiles(drop), 0);
    EXPECT_EQ(host.lines, (Lines{u"0 files dropped.", u"0 files have been extracted.", u"----------------"}));
}

}  // namespace
