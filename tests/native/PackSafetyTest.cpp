// vanto-pack against an attacker and a careless user, as real processes:
// links and pipes in the folder and beside it, folders swapped for links
// while it packs, names that are characters on Linux, a report that cannot
// be written, and manifests that do not describe the original.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/native/CliProcess.h"
#include "tests/native/PackFixtures.h"
#include "tests/fixtures/ContainerWriter.h"

namespace {

using Setup = std::function<void(const std::string& dir)>;

void Write(const std::string& path, const std::string& text) { WriteText(path, text); }

// vanto-pack in dir, ended after 20 s if it hangs (status 124).
SResult Pack(const std::string& dir, std::vector<std::string> args, int stdoutFd = -1) {
    args.insert(args.begin(), {"20", VANTO_PACK_BINARY});
    return RunTool("/usr/bin/timeout", dir, std::move(args), {}, stdoutFd);
}

void Replace(const std::string& dir, const std::string& from, const std::string& to) { EditManifest(dir, from, to); }

// A folder beside the sample holding files by the names of `like`'s files,
// each with a marker that must never reach a packed file.
const char kOutside[] = "OUTSIDE-THE-FOLDER";
void MakeOutside(const std::string& dir, const std::string& like) {
    ASSERT_EQ(mkdir((dir + "/outside").c_str(), 0755), 0);
    for (const std::string& name : FilesBelow(dir + "/" + like))
        Write(dir + "/outside/" + name, kOutside);
}

// Replaces the folder or file at dir/path with a link to `target`.
void LinkInstead(const std::string& dir, const std::string& path, const std::string& target) {
    ASSERT_EQ(std::system(("rm -r '" + dir + "/" + path + "'").c_str()), 0);
    ASSERT_EQ(symlink(target.c_str(), (dir + "/" + path).c_str()), 0);
}

void Fifo(const std::string& path) {
    unlink(path.c_str());
    ASSERT_EQ(mkfifo(path.c_str(), 0644), 0) << path;
}

struct SCase {
    const char* pszName;
    Setup setup;  // on the folder holding the extracted sample
    std::vector<std::string> args;
    int nStatus;
    const char* pszWord;  // of standard error
};

const SCase kCases[] = {
    {"cmap swapped for a link to another folder",
     [](const std::string& d) {
         MakeOutside(d, "sample/cmap");
         LinkInstead(d, "sample/cmap", "../outside");
     },
     {}, 3, "cmap/map01.txt: is a link"},
    {"a child container's folder swapped for a link",
     [](const std::string& d) {
         MakeOutside(d, "sample/textures");
         LinkInstead(d, "sample/textures", "../outside");
     },
     {}, 3, "textures: is a link"},
    {"a file swapped for a link", [](const std::string& d) { LinkInstead(d, "sample/notes.txt", "../sample.god"); },
     {}, 3, "notes.txt: is a link"},
    {"a pipe at the manifest",
     [](const std::string& d) { Fifo(d + "/sample.vanto.json"); }, {}, 1, "sample.vanto.json: cannot be read"},
    {"a pipe at --base", [](const std::string& d) { Fifo(d + "/base.god"); }, {"--base", "base.god"}, 1,
     "base.god: cannot be read"},
    {"a pipe at the manifest's source", [](const std::string& d) { Fifo(d + "/sample.god"); }, {}, 1,
     "give it with --base ORIGINAL"},
    {"a pipe at a file's path", [](const std::string& d) { Fifo(d + "/sample/readme.txt"); }, {}, 3,
     "readme.txt: is neither a regular file nor a folder"},
    {"a new pipe", [](const std::string& d) { Fifo(d + "/sample/new.txt"); }, {}, 3,
     "new.txt: is neither a regular file nor a folder"},
    {"a child's offset near the largest number",
     [](const std::string& d) { Replace(d, "\"offset\": 151", "\"offset\": 2147483600"); }, {}, 1,
     "runs past the end of the file"},
    {"a manifest with another entry name",
     [](const std::string& d) { Replace(d, "\"name_hex\": \"726561646d652e74\"", "\"name_hex\": \"726561646d652e75\""); },
     {}, 1, "does not describe the original file: of the entry at offset 0, the name differs"},
    {"a manifest with another entry kind",
     [](const std::string& d) { Replace(d, "\"kind\": \"gzip\"", "\"kind\": \"stored\""); }, {}, 1,
     "of the entry at offset 0, its payload is of another kind"},
    {"a manifest with another path",
     [](const std::string& d) {
         Replace(d, "\"path\": \"readme.txt\"", "\"path\": \"other.txt\"");
         ASSERT_EQ(rename((d + "/sample/readme.txt").c_str(), (d + "/sample/other.txt").c_str()), 0);
     },
     {}, 1, "of the entry at offset 0, extraction writes it as readme.txt"},
    {"a manifest whose walk stops early",
     [](const std::string& d) {
         // The last entry and the bytes before the end are left out.
         const std::string path = d + "/sample.vanto.json";
         std::string text = ReadText(path);
         const size_t last = text.rfind("   {\n    \"offset\"");
         const size_t end = text.find("\n   }", last) + 5;
         const size_t comma = text.rfind(',', last);
         ASSERT_NE(last, std::string::npos);
         text.erase(comma, end - comma);
         const size_t stop = text.find("\"stop\": 3089");
         ASSERT_NE(stop, std::string::npos);
         Write(path, text.replace(stop, 12, "\"stop\": 3037"));
     },
     {}, 1, "the walk goes on there"},
};

TEST(PackSafety, LinksPipesAndLyingManifestsAreRefusedAndNothingIsWritten) {
    for (const SCase& row : kCases) {
        SCOPED_TRACE(row.pszName);
        const CTempFolder temp("vanto-pack-safety");
        ExtractSample(temp.Path());
        row.setup(temp.Path());
        std::vector<std::string> args = {"-o", "out.god"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        args.push_back("sample");
        const SResult result = Pack(temp.Path(), args);
        EXPECT_EQ(result.nExitCode, row.nStatus) << result.err;
        EXPECT_NE(result.err.find(row.pszWord), std::string::npos) << result.err;
        EXPECT_FALSE(Exists(temp.Path() + "/out.god"));
    }
}

TEST(PackSafety, AnEditIsNeverTakenForTheOriginalByItsChecksum) {
    const CTempFolder temp("vanto-pack-safety");
    const std::string dir = temp.Path();
    ExtractSample(dir);
    // The manifest records the edited file's length and checksum: only the
    // bytes tell the edit from the original.
    Write(dir + "/sample/readme.txt", "edited");
    Replace(dir, "\"written_length\": 94,\n    \"written_crc32\": 370841084",
            "\"written_length\": 6,\n    \"written_crc32\": 3268062305");
    const SResult result = Pack(dir, {"-o", "out.god", "sample"});
    ASSERT_EQ(result.nExitCode, 0) << result.err;
    EXPECT_NE(result.out.find("changed: readme.txt"), std::string::npos) << result.out;
    ASSERT_EQ(mkdir((dir + "/check").c_str(), 0755), 0);
    ASSERT_EQ(RunCli(dir + "/check", {"-q", "../out.god"}).nExitCode, 0);
    EXPECT_EQ(ReadText(dir + "/check/out/readme.txt"), "edited");
}

TEST(PackSafety, ABackslashIsACharacterOfALinuxName) {
    const CTempFolder temp("vanto-pack-safety");
    const std::string dir = temp.Path();
    ASSERT_EQ(mkdir((dir + "/x\\y").c_str(), 0755), 0);
    Write(dir + "/x\\y/a.txt", "a");
    SResult result = Pack(dir, {"x\\y"});
    ASSERT_EQ(result.nExitCode, 0) << result.err;
    EXPECT_TRUE(Exists(dir + "/x\\y.god"));
    result = Pack(dir, {"-o", "sub\\x.god", "x\\y"});
    ASSERT_EQ(result.nExitCode, 0) << result.err;
    EXPECT_TRUE(Exists(dir + "/sub\\x.god"));
    EXPECT_FALSE(Exists(dir + "/x")) << "nothing is written below a folder x";
}

TEST(PackSafety, AReportThatCannotBeWrittenIsSaidOnceAndTheFileStays) {
    const CTempFolder temp("vanto-pack-safety");
    ExtractSample(temp.Path());
    const int full = open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    const SResult result = Pack(temp.Path(), {"-o", "out.god", "sample"}, full);
    close(full);
    EXPECT_EQ(result.nExitCode, 1);
    EXPECT_EQ(result.err, "vanto-pack: cannot write the report on standard output: No space left on device; "
                          "out.god is written\n");
    EXPECT_EQ(ReadText(temp.Path() + "/out.god"), ReadText(temp.Path() + "/sample.god"));
}

// Swaps dir/from and dir/to (a folder and a link) again and again, atomically,
// until killed.
pid_t StartSwapping(const std::string& from, const std::string& to) {
    const pid_t pid = fork();
    if (pid == 0) {
        for (;;)
            renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_EXCHANGE);
    }
    return pid;
}

// While a sub-folder is swapped for a link to a folder outside, again and
// again: a run may refuse the link or pack the real folder, never the
// outside's bytes.
TEST(PackSafety, AFolderSwappedForALinkWhilePackingNeverBringsOutsideBytes) {
    for (const bool manifest : {true, false}) {
        SCOPED_TRACE(manifest ? "with the manifest" : "plain");
        const CTempFolder temp("vanto-pack-race");
        const std::string dir = temp.Path();
        ExtractSample(dir);
        if (!manifest) {
            ASSERT_EQ(unlink((dir + "/sample.vanto.json").c_str()), 0);
        }
        MakeOutside(dir, "sample/textures");
        ASSERT_EQ(symlink((dir + "/outside").c_str(), (dir + "/swap").c_str()), 0);
        const pid_t swapper = StartSwapping(dir + "/sample/textures", dir + "/swap");
        int packed = 0, leaked = 0;
        for (int run = 0; run < 10; ++run) {
            const SResult result = Pack(dir, {"--force", "-o", "out.god", "sample"});
            EXPECT_TRUE(result.nExitCode == 0 || result.nExitCode == 3) << result.err;
            if (result.nExitCode == 0) {
                ++packed;
                leaked += ReadText(dir + "/out.god").find(kOutside) != std::string::npos;
            }
        }
        kill(swapper, SIGKILL);
        waitpid(swapper, nullptr, 0);
        EXPECT_EQ(leaked, 0) << "runs whose file holds outside bytes";
        std::printf("%s: %d of 10 runs packed, %d with outside bytes\n", manifest ? "manifest" : "plain", packed,
                    leaked);
    }
}

}  // namespace
