// vanto-pack --patch and --apply as real processes: a patch of each kind of
// edit gives back the file vanto-pack writes, byte for byte; patches apply in
// order or are refused at a conflict naming the entry; a wrong original, a
// damaged patch or an output that is an input are refused with nothing
// written.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/native/CliProcess.h"
#include "tests/native/PackFixtures.h"

namespace {

using Setup = std::function<void(const std::string& dir)>;

bool Has(const std::string& text, const std::string& word) { return text.find(word) != std::string::npos; }

long long SizeOf(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? (long long)st.st_size : -1;
}

struct SEditCase {
    const char* pszName;
    Setup edit;  // on the extracted sample, dir/sample
    const char* pszChange;  // a line --apply prints
};

const SEditCase kEditCases[] = {
    {"a gzip file changed", [](const std::string& d) { WriteText(d + "/sample/readme.txt", "New text.\n"); },
     "changed: readme.t"},
    {"a file in a child changed", [](const std::string& d) {
         WriteText(d + "/sample/textures/photo.jpg", std::string("\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01mod", 14));
     },
     "changed: textures.pak/photo.t"},
    {"a file added", [](const std::string& d) { WriteText(d + "/sample/mymod.txt", "mine\n"); }, "added: mymod.t"},
    {"a file deleted", [](const std::string& d) { ASSERT_EQ(unlink((d + "/sample/version").c_str()), 0); },
     "deleted: version"},
    {"a folder added",
     [](const std::string& d) {
         ASSERT_EQ(mkdir((d + "/sample/extra").c_str(), 0755), 0);
         WriteText(d + "/sample/extra/a.txt", "a");
     },
     "added: extra.pak"},
};

TEST(PatchProcess, EachEditsPatchRebuildsThePackedFileByteForByte) {
    for (const SEditCase& row : kEditCases) {
        SCOPED_TRACE(row.pszName);
        const CTempFolder temp("vanto-patch");
        const std::string dir = temp.Path();
        ExtractSample(dir);
        row.edit(dir);
        SResult result = RunPack(dir, {"--patch", "mod.vpatch", "sample"});
        ASSERT_EQ(result.nExitCode, 0) << result.err;
        EXPECT_TRUE(Has(result.out, "mod.vpatch: patch of ")) << result.out;
        ASSERT_EQ(RunPack(dir, {"-o", "packed.god", "sample"}).nExitCode, 0);
        EXPECT_LT(SizeOf(dir + "/mod.vpatch"), 4096);

        // Elsewhere, with only the original and the patch.
        const std::string user = dir + "/user";
        ASSERT_EQ(mkdir(user.c_str(), 0755), 0);
        ASSERT_EQ(std::system(("cp " + dir + "/sample.god " + dir + "/mod.vpatch " + user).c_str()), 0);
        result = RunPack(user, {"--apply", "mod.vpatch"});
        ASSERT_EQ(result.nExitCode, 0) << result.err;
        EXPECT_TRUE(Has(result.out, row.pszChange)) << result.out;
        EXPECT_TRUE(Has(result.out, "the result is the file it records (SHA-256)")) << result.out;
        EXPECT_EQ(ReadText(user + "/sample.mod.god"), ReadText(dir + "/packed.god"));
        EXPECT_EQ(ReadText(user + "/sample.god"), ReadText(dir + "/sample.god"));
    }
}

// Two mods of one original, each as a patch: "a" changes readme.txt, "b"
// adds mymod.txt, "c" changes readme.txt too.
void MakeMods(const std::string& dir) {
    ExtractSample(dir);
    const std::string readme = ReadText(dir + "/sample/readme.txt");
    WriteText(dir + "/sample/readme.txt", "Mod a.\n");
    ASSERT_EQ(RunPack(dir, {"--patch", "a.vpatch", "sample"}).nExitCode, 0);
    WriteText(dir + "/sample/readme.txt", readme);
    WriteText(dir + "/sample/mymod.txt", "Mod b.\n");
    ASSERT_EQ(RunPack(dir, {"--patch", "b.vpatch", "sample"}).nExitCode, 0);
    ASSERT_EQ(unlink((dir + "/sample/mymod.txt").c_str()), 0);
    WriteText(dir + "/sample/readme.txt", "Mod c.\n");
    ASSERT_EQ(RunPack(dir, {"--patch", "c.vpatch", "sample"}).nExitCode, 0);
    WriteText(dir + "/sample/readme.txt", readme);
}

struct SApplyCase {
    const char* pszName;
    Setup setup;  // after MakeMods
    std::vector<std::string> args;
    int nStatus;
    const char* pszWord;  // of standard output and error
};

const SApplyCase kApplyCases[] = {
    {"two patches of different entries", [](const std::string&) {}, {"--apply", "a.vpatch", "--apply", "b.vpatch"}, 0,
     "b.vpatch: applied after the patches before it; every entry it changes was as it expects"},
    {"two patches of one entry", [](const std::string&) {}, {"--apply", "a.vpatch", "--apply", "c.vpatch"}, 1,
     "c.vpatch: conflict at the entry readme.t: it is not the entry the patch was made from"},
    {"an original of other bytes", [](const std::string& d) { WriteText(d + "/other.god", "other"); },
     {"--apply", "a.vpatch", "--base", "other.god"}, 1, "other.god: does not match the patch a.vpatch: 5 bytes"},
    {"a patch onto a file of another patch", [](const std::string& d) {
         ASSERT_EQ(RunPack(d, {"--apply", "a.vpatch", "-o", "modded.god"}).nExitCode, 0);
     },
     {"--apply", "b.vpatch", "--base", "modded.god"}, 1, "does not match the patch b.vpatch"},
    {"no original at hand", [](const std::string& d) { ASSERT_EQ(unlink((d + "/sample.god").c_str()), 0); },
     {"--apply", "a.vpatch"}, 1, "sample.god: not found; give it with --base ORIGINAL"},
    {"a patch cut short",
     [](const std::string& d) { ASSERT_EQ(truncate((d + "/a.vpatch").c_str(), SizeOf(d + "/a.vpatch") - 1), 0); },
     {"--apply", "a.vpatch"}, 1, "a.vpatch: the patch is damaged"},
    {"not a patch", [](const std::string&) {}, {"--apply", "sample.god"}, 1, "sample.god: not a vanto-pack patch"},
    {"no patch there", [](const std::string&) {}, {"--apply", "gone.vpatch"}, 1, "gone.vpatch: not found"},
    {"the original as the output", [](const std::string&) {}, {"--apply", "a.vpatch", "--force", "-o", "sample.god"},
     3, "never replaced"},
    {"the patch as the output", [](const std::string&) {}, {"--apply", "a.vpatch", "--force", "-o", "a.vpatch"}, 3,
     "a.vpatch: is a patch being applied (the same file"},
    {"a dry run", [](const std::string&) {}, {"--apply", "a.vpatch", "--dry-run"}, 0, "(dry run: nothing written)"},
    {"with a folder", [](const std::string&) {}, {"--apply", "a.vpatch", "sample"}, 2, "--apply takes no folder"},
};

TEST(PatchProcess, ApplyingIsRefusedWithItsReasonAndNothingWritten) {
    for (const SApplyCase& row : kApplyCases) {
        SCOPED_TRACE(row.pszName);
        const CTempFolder temp("vanto-patch-apply");
        const std::string dir = temp.Path();
        MakeMods(dir);
        row.setup(dir);
        const std::vector<std::string> before = FilesBelow(dir);
        const std::string original = Exists(dir + "/sample.god") ? ReadText(dir + "/sample.god") : "";
        const SResult result = RunPack(dir, row.args);
        EXPECT_EQ(result.nExitCode, row.nStatus) << result.out << result.err;
        EXPECT_TRUE(Has(result.out + result.err, row.pszWord)) << result.out << result.err;
        if (row.nStatus != 0 || Has(row.pszWord, "dry run")) {
            EXPECT_EQ(FilesBelow(dir), before);
        }
        EXPECT_EQ(Exists(dir + "/sample.god") ? ReadText(dir + "/sample.god") : "", original);
    }
}

TEST(PatchProcess, TwoModsInOrderGiveBothChanges) {
    const CTempFolder temp("vanto-patch-apply");
    const std::string dir = temp.Path();
    MakeMods(dir);
    const SResult result = RunPack(dir, {"--json", "--apply", "a.vpatch", "--apply", "b.vpatch", "-o", "both.god"});
    ASSERT_EQ(result.nExitCode, 0) << result.err;
    const std::vector<nlohmann::json> events = Events(result.out);
    ASSERT_EQ(events.size(), 3u) << result.out;
    EXPECT_EQ(events[0]["change"], "changed");
    EXPECT_EQ(events[1]["change"], "added");
    EXPECT_EQ(events[2]["mode"], "apply");
    EXPECT_EQ(events[2]["patches"], nlohmann::json::array({"a.vpatch", "b.vpatch"}));
    WriteText(dir + "/sample/readme.txt", "Mod a.\n");
    WriteText(dir + "/sample/mymod.txt", "Mod b.\n");
    EXPECT_EQ(ExtractedTree(dir, "both.god"), Tree(dir + "/sample"));
}

}  // namespace
