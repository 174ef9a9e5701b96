// vanto-extract against what can go wrong around it: another process that
// swaps folders for links during a run, the process ended at any point,
// entries that are lost, a log that cannot be written, file names that are
// not UTF-8, a current folder that is gone.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/native/CliProcess.h"
#include "tests/fixtures/ContainerWriter.h"

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string Name(const char* prefix, int i) { return prefix + std::to_string(100 + i).substr(1); }

class CliHardeningTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.empty());
        outside = NewFolder("outside");
        WriteBinary(dir + "/sample.god", MakeSampleCustomFile());
    }

    std::string NewFolder(const std::string& name) {
        const std::string path = dir + "/" + name;
        EXPECT_EQ(mkdir(path.c_str(), 0700), 0);
        return path;
    }

    CTempFolder temp{"vanto-hard"};
    const std::string dir = temp.Path();
    std::string outside;  // no run may write here
};

// Another process swaps every folder of the run for a link to a folder
// outside the root as soon as it appears, and plants links where folders are
// still to come. Nothing may land outside the root.
TEST_F(CliHardeningTest, FoldersSwappedForLinksNeverLeadOutOfTheRoot) {
    const int kFolders = 16;
    CContainerWriter file;
    std::vector<std::string> targets;  // relative to the root, parents first
    for (int i = 0; i < kFolders; ++i) {
        CContainerWriter inner, child;
        for (int k = 0; k < 60; ++k) {
            inner.AddText(Name("i", k) + ".t", "inner entry");
            child.AddText(Name("e", k) + ".t", "child entry");
        }
        child.AddChild("inner.pak", inner);
        file.AddChild(Name("c", i) + ".pak", child);
        targets.push_back("race/" + Name("c", i));
        targets.push_back("race/" + Name("c", i) + "/inner");
    }
    WriteBinary(dir + "/race.god", file.Data());

    size_t writtenInside = 0;
    for (int run = 0; run < 10; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        const std::string root = NewFolder("root" + std::to_string(run));
        const bool plant = run % 2 == 1;  // links also where folders are still to come, and at the top
        const pid_t pid = StartCli(dir, {"-e", "-C", root, "race.god"});
        std::atomic<bool> done{false};
        std::thread racer([&] {
            struct stat st;
            for (int moved = 0; !done;) {
                if (plant && lstat((root + "/race").c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
                    rename((root + "/race").c_str(), (root + "/race.moved").c_str());
                    symlink(outside.c_str(), (root + "/race").c_str());
                }
                for (const std::string& target : targets) {
                    const std::string path = root + "/" + target;
                    const std::string parent = path.substr(0, path.rfind('/'));
                    if (lstat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
                        continue;  // never reach through a link ourselves
                    if (lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
                        rename(path.c_str(), (path + ".moved" + std::to_string(moved++)).c_str());
                        symlink(outside.c_str(), path.c_str());
                    } else if (plant && errno == ENOENT) {
                        symlink(outside.c_str(), path.c_str());
                    }
                }
            }
        });
        const SResult r = WaitCli(pid);
        done = true;
        racer.join();
        EXPECT_EQ(r.nSignal, 0);
        EXPECT_TRUE(FilesBelow(outside).empty()) << FilesBelow(outside).size() << " files outside the root";
        writtenInside += FilesBelow(root).size();
    }
    EXPECT_GT(writtenInside, 0u) << "the runs wrote into the folders they held";
}

// The process ended at random points of a large extraction, by a signal it
// can catch or by SIGKILL: every file under an output name is complete.
TEST_F(CliHardeningTest, EndingTheProcessAnywhereLeavesNoPartialFile) {
    std::mt19937 random(20261208);
    CContainerWriter file;
    for (int c = 0; c < 2; ++c) {
        CContainerWriter child;
        for (int i = 0; i < 8; ++i) {
            Bytes content(1536 * 1024);
            for (uint8_t& b : content)
                b = uint8_t(random());
            child.AddRaw(MakeEntryHeader(Name("blob", i) + ".bin", std::to_string(50 + content.size())))
                .AddRaw(content);
        }
        child.AddGzip("text.t", Bytes(3u << 20, 'z'));
        file.AddChild(Name("part", c) + ".pak", child);
    }
    WriteBinary(dir + "/big.god", file.Data());

    const std::string reference = NewFolder("reference");
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(RunCli(dir, {"-e", "-C", reference, "big.god"}).nExitCode, 0);
    const auto took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    const std::vector<std::string> all = FilesBelow(reference);
    ASSERT_EQ(all.size(), 18u);
    std::map<std::string, std::string> expected;
    for (const std::string& path : all)
        expected[path] = ReadText(reference + "/" + path);

    const int signals[] = {SIGKILL, SIGINT, SIGTERM, SIGHUP};
    for (int run = 0; run < 20; ++run) {
        const int signal = signals[run % 4];
        SCOPED_TRACE("run " + std::to_string(run) + ", signal " + std::to_string(signal));
        const std::string root = NewFolder("killed" + std::to_string(run));
        const pid_t pid = StartCli(dir, {"-e", "-C", root, "big.god"});
        std::this_thread::sleep_for(std::chrono::microseconds(random() % (took.count() + 1)));
        kill(pid, signal);
        const SResult r = WaitCli(pid);
        EXPECT_TRUE(r.nSignal == signal || r.nExitCode == 0);
        for (const std::string& path : FilesBelow(root)) {
            if (Contains(path, ".vanto-extract-")) {
                // Only a kill nothing can catch leaves a temporary file, never under an output name.
                EXPECT_EQ(signal, SIGKILL) << path;
                continue;
            }
            ASSERT_EQ(expected.count(path), 1u) << path;
            EXPECT_TRUE(ReadText(root + "/" + path) == expected[path]) << path << " is not complete";
        }
    }
}

TEST_F(CliHardeningTest, ExitStatusSaysWhetherEveryEntryWasWritten) {
    const Bytes damaged = CContainerWriter().AddText("a.t", "a").AddRaw(MakeEntryHeader("b.t", "500")).Data();
    const Bytes unsafe = CContainerWriter().AddText("..\\x.t", "climbs").AddText("ok.t", "fine").Data();
    const Bytes twice = CContainerWriter().AddText("a.t", "one").AddText("a.t", "two").Data();
    WriteBinary(dir + "/damaged.god", damaged);
    WriteBinary(dir + "/unsafe.god", unsafe);
    WriteBinary(dir + "/twice.god", twice);
    struct SRow {
        std::vector<std::string> files;
        int status;
    } rows[] = {
        {{"sample.god"}, 0},
        {{"damaged.god"}, 3},
        {{"unsafe.god"}, 3},
        {{"twice.god"}, 3},
        {{"missing.god", "sample.god"}, 1},  // a file not extracted outweighs lost entries
    };
    int n = 0;
    for (const SRow& row : rows) {
        std::vector<std::string> args = {"-e", "-C", NewFolder("out" + std::to_string(n++))};
        args.insert(args.end(), row.files.begin(), row.files.end());
        const SResult r = RunCli(dir, args);
        EXPECT_EQ(r.nExitCode, row.status) << row.files.back() << "\n" << r.out;
    }
}

TEST_F(CliHardeningTest, LogThatCannotBeWrittenIsAnErrorButExtractionGoesOn) {
    const int full = open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    int unread[2];
    ASSERT_EQ(pipe(unread), 0);
    close(unread[0]);
    for (const int out : {full, unread[1]}) {
        const std::string root = NewFolder("out" + std::to_string(out));
        const SResult r = RunCli(dir, {"-e", "-C", root, "sample.god"}, {}, out);
        EXPECT_EQ(r.nExitCode, 1);
        EXPECT_TRUE(Contains(r.err, "vanto-extract: cannot write the log: ")) << r.err;
        EXPECT_TRUE(Exists(root + "/sample/textures/photo.jpg")) << "the last entry was still written";
    }
    close(full);
    close(unread[1]);
}

TEST_F(CliHardeningTest, FileNamesThatAreNotUtf8AreUsedAsTheyAre) {
    WriteBinary(dir + "/caf\xE9.god", MakeSampleCustomFile());
    const SResult r = RunCli(dir, {"-e", "caf\xE9.god"});
    EXPECT_EQ(r.nExitCode, 0) << r.out;
    EXPECT_TRUE(Exists(dir + "/caf\xE9/readme.txt"));
    EXPECT_TRUE(Contains(r.out, "File path [caf\\xE9.god]")) << r.out;
    EXPECT_TRUE(Contains(r.out, "CreateDirectory (path=" + dir + "/caf\\xE9/) ... Success!")) << r.out;
}

TEST_F(CliHardeningTest, CurrentFolderThatIsGoneHasItsOwnMessage) {
    const std::string gone = NewFolder("gone");
    const SResult r = RunCli(gone, {"-e", dir + "/sample.god"}, {}, -1, true);
    EXPECT_EQ(r.nExitCode, 1);
    const std::vector<std::string> lines = SplitLines(r.out);
    ASSERT_EQ(lines.size(), 7u) << r.out;
    EXPECT_EQ(lines[3], "Cannot use the current folder (it cannot be read, or its path is too long).");
    EXPECT_EQ(lines[4], "Aborted!");
}

}  // namespace
