// vanto-extract as a user runs it: real processes, real folders, a real
// terminal for the folder-name question.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "extract/Inflate.h"
#include "tests/native/CliProcess.h"
#include "tests/fixtures/ContainerWriter.h"

namespace {

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.empty());
        const Bytes sample = MakeSampleCustomFile();
        std::ofstream(dir + "/sample.god", std::ios::binary)
            .write(reinterpret_cast<const char*>(sample.data()), std::streamsize(sample.size()));
        std::ofstream(dir + "/bad.god") << "not a custom file at all, but long enough to be tested for one";
    }

    CTempFolder temp{"vanto-cli"};
    const std::string dir = temp.Path();
};

TEST_F(CliTest, ExtractsTheSampleAndPrintsTheLog) {
    const SResult r = RunCli(dir, {"-e", "sample.god"});
    EXPECT_EQ(r.nExitCode, 0) << r.err;
    const std::vector<std::string> lines = SplitLines(r.out);
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0], "1 file dropped.");
    EXPECT_EQ(lines[1], "Processing 1 of 1 file");
    EXPECT_EQ(lines[2], "File path [sample.god]");
    EXPECT_EQ(lines[3], "CreateDirectory (path=" + dir + "/sample/) ... Success!");
    EXPECT_EQ(lines[4], "ExtractData(dir=sample/, size=3089)");
    EXPECT_EQ(lines[lines.size() - 3], "Finished!");
    EXPECT_EQ(lines[lines.size() - 2], "1 file has been extracted.");
    EXPECT_EQ(lines.back(), "----------------");
    EXPECT_NE(r.out.find("Extracting... filename=説明書.t position="), std::string::npos);
    for (const char* file : {"readme.txt", "table.bin", "notes.txt", "version", "説明書.txt", "cmap/map01.txt",
                             "cmap/map02.txt", "textures/logo.bmp", "textures/icon.bmp", "textures/photo.jpg"})
        EXPECT_TRUE(Exists(dir + "/sample/" + file)) << file;
    EXPECT_EQ(ReadText(dir + "/sample/readme.txt").substr(0, 24), "Vanto custom file sample");
    EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST_F(CliTest, ExitStatusCountsFilesNotExtracted) {
    const SResult r = RunCli(dir, {"-e", "sample.god", "bad.god", "missing.god"});
    EXPECT_EQ(r.nExitCode, 1);
    EXPECT_NE(r.out.find("3 files dropped."), std::string::npos);
    EXPECT_NE(r.out.find("1 file has been extracted."), std::string::npos);

    // Without a terminal, an existing output folder skips the file: nothing is reused.
    const std::string before = ReadText(dir + "/sample/readme.txt");
    const SResult again = RunCli(dir, {"-e", "sample.god"});
    EXPECT_EQ(again.nExitCode, 1);
    const std::vector<std::string> lines = SplitLines(again.out);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[3], "CreateDirectory (path=" + dir + "/sample/) ... Failed!");
    EXPECT_EQ(lines[4], "[sample] exists: skipped; --existing rename extracts into [sample (2)]");
    EXPECT_EQ(lines[5], "Aborted!");
    EXPECT_EQ(ReadText(dir + "/sample/readme.txt"), before);
}

TEST_F(CliTest, UsageErrors) {
    struct SRow {
        std::vector<std::string> args;
        const char* message;
    } rows[] = {
        {{}, "no file given"},
        {{"-x", "sample.god"}, "unknown option: -x"},
        {{"--codepage"}, "needs a value"},
        {{"--codepage", "abc", "sample.god"}, "not a code page number"},
        {{"--codepage", "1", "sample.god"}, "code page not supported"},
        {{"-C", "sample.god", "sample.god"}, "not a folder: sample.god"},
        {{"-C", "sample.god/new", "sample.god"}, "not a folder: sample.god"},
        {{"-p", "-l", "sample.god"}, "-p cannot be combined with -l or -t"},
        {{"-p", "--json", "sample.god"}, "-p and --json both write to standard output"},
        {{"-p", "-C", "out", "sample.god"}, "-p writes to standard output"},
        {{"--log", "sample.god"}, "--log goes with --json"},
        {{"--manifest", "-p", "sample.god"}, "--manifest goes with extraction into folders"},
    };
    for (const SRow& row : rows) {
        const SResult r = RunCli(dir, row.args);
        EXPECT_EQ(r.nExitCode, 2) << row.message;
        EXPECT_NE(r.err.find(row.message), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("Usage: vanto-extract"), std::string::npos);
        EXPECT_TRUE(r.out.empty());
    }
    EXPECT_FALSE(Exists(dir + "/sample")) << "a usage error extracts nothing";
}

TEST_F(CliTest, HelpAndVersionGoToStandardOutput) {
    struct SRow {
        std::vector<std::string> args;
        const char* firstLine;
    } rows[] = {
        {{"--help"}, "Usage: vanto-extract [-l|-t|-p] [options] FILE..."},
        {{"-e", "-h", "sample.god"}, "Usage: vanto-extract [-l|-t|-p] [options] FILE..."},
        {{"--version"}, "vanto-extract " VANTO_VERSION},
        {{"-j", "--version", "sample.god"}, "vanto-extract " VANTO_VERSION},
    };
    for (const SRow& row : rows) {
        const SResult r = RunCli(dir, row.args);
        EXPECT_EQ(r.nExitCode, 0) << row.firstLine;
        EXPECT_EQ(SplitLines(r.out).at(0), row.firstLine);
        EXPECT_TRUE(r.err.empty()) << r.err;
    }
    EXPECT_FALSE(Exists(dir + "/sample")) << "help and version extract nothing";
    // The zlib that the tool runs with, as this process loads the same one,
    // and libdeflate where the build inflates with it first.
    const char* fast = FastInflaterName();
    EXPECT_EQ(RunCli(dir, {"--version"}).out, "vanto-extract " VANTO_VERSION "\nzlib " + std::string(zlibVersion()) +
                                                  "\n" + (fast ? std::string(fast) + "\n" : std::string()));
}

TEST_F(CliTest, ControlCharactersInNamesNeverReachTheTerminal) {
    CContainerWriter file;
    file.AddText("\x1b]0;owned\x07\x1b[2J.t", "escape sequences in a name");
    const Bytes data = file.Data();
    std::ofstream(dir + "/esc.god", std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    const SResult r = RunCli(dir, {"-e", "esc.god"});
    EXPECT_EQ(r.nExitCode, 0);
    EXPECT_EQ(r.out.find('\x1b'), std::string::npos);
    EXPECT_EQ(r.out.find('\x07'), std::string::npos);
    EXPECT_NE(r.out.find("Extracting... filename=?]0;owned??[2J.t position=0/"), std::string::npos) << r.out;
    EXPECT_TRUE(Exists(dir + "/esc/\x1b]0;owned\x07\x1b[2J.txt")) << "the file keeps its real name";
}

TEST_F(CliTest, OutputFolderOption) {
    ASSERT_EQ(mkdir((dir + "/out").c_str(), 0700), 0);
    const SResult r = RunCli(dir, {"-e", "-C", "out", "sample.god"});
    EXPECT_EQ(r.nExitCode, 0) << r.err;
    EXPECT_TRUE(Exists(dir + "/out/sample/readme.txt"));
    EXPECT_FALSE(Exists(dir + "/sample"));
    EXPECT_NE(r.out.find("File path [sample.god]"), std::string::npos) << "the file is still read from the current folder";
}

TEST_F(CliTest, LanguageFromSwitchesAndLocale) {
    struct SRow {
        std::vector<std::string> args;
        Env env;
        const char* firstLine;
    } rows[] = {
        {{"-j"}, {}, "1個のファイルがドロップされました。"},
        {{"-e"}, {{"LANG", "ja_JP.UTF-8"}}, "1 file dropped."},
        {{}, {{"LANG", "ja_JP.UTF-8"}}, "1個のファイルがドロップされました。"},
        {{}, {{"LANG", "de_DE.UTF-8"}}, "1 file dropped."},
        {{}, {{"LC_ALL", "C"}, {"LANG", "ja_JP.UTF-8"}}, "1 file dropped."},
        {{}, {{"LC_MESSAGES", "ja_JP.eucJP"}, {"LANG", "en_US.UTF-8"}}, "1個のファイルがドロップされました。"},
        {{}, {{"LC_ALL", "ja_JP"}}, "1個のファイルがドロップされました。"},
        {{}, {}, "1 file dropped."},
    };
    for (const SRow& row : rows) {
        std::vector<std::string> args = row.args;
        args.push_back("missing.god");
        const SResult r = RunCli(dir, args, row.env);
        EXPECT_EQ(r.nExitCode, 1);
        EXPECT_EQ(SplitLines(r.out).at(0), row.firstLine);
    }
}

TEST_F(CliTest, CodePageOption) {
    const SResult r = RunCli(dir, {"-e", "--codepage", "1252", "sample.god"});
    EXPECT_EQ(r.nExitCode, 0);
    // 90 E0 96 BE 8F 91 in Windows-1252: 0x90 and 0x8F are undefined there.
    EXPECT_TRUE(Exists(dir + "/sample/\uFFFD\u00E0\u2013\u00BE\uFFFD\u2018.txt")) << r.out;
    EXPECT_FALSE(Exists(dir + "/sample/説明書.txt"));
}

// --- The folder-name question on a terminal ----------------------------------

TEST_F(CliTest, TerminalIsAskedForAnotherName) {
    ASSERT_EQ(RunCli(dir, {"-e", "sample.god"}).nExitCode, 0);
    CTerminal term(dir, {"-e", "sample.god"});
    const std::string shown = term.WaitFor("[sample]> ");
    EXPECT_NE(shown.find("Please enter another directory name to extract."), std::string::npos) << shown;
    term.Type("\n");  // an empty name fails again and asks again
    const std::string second = term.WaitFor("[]> ");
    ASSERT_NE(second.find("[]> "), std::string::npos) << second;
    term.Type("second try\\dropped part\n");
    EXPECT_EQ(term.Finish(), 0);
    EXPECT_TRUE(Exists(dir + "/second try/readme.txt")) << "only what precedes the backslash is the name";
}

TEST_F(CliTest, EndOfInputAtTheQuestionCancels) {
    ASSERT_EQ(RunCli(dir, {"-j", "sample.god"}).nExitCode, 0);
    CTerminal term(dir, {"-j", "sample.god"});
    const std::string shown = term.WaitFor("[sample]> ");
    EXPECT_NE(shown.find("別の展開先フォルダ名を入力してください。"), std::string::npos) << shown;
    term.Type("\x04");  // Ctrl+D
    const std::string all = term.WaitFor("処理を中止しました。");
    EXPECT_NE(all.find("処理を中止しました。"), std::string::npos) << all;
    EXPECT_EQ(term.Finish(), 1);
}

}  // namespace
