// vanto-pack run as a real process: every refusal and failure on a crafted
// folder or manifest (with nothing written), and the round trip through
// vanto-extract --manifest with files changed, added and deleted; and the
// packer's read-back check in memory.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "pack/PackVerify.h"
#include "pack/Packer.h"
#include "base/Utf.h"
#include "tests/native/CliProcess.h"
#include "tests/native/PackFixtures.h"
#include "tests/support/MemoryFolderSource.h"
#include "tests/support/MemoryPlatform.h"
#include "tests/fixtures/ContainerWriter.h"

namespace {

using Json = nlohmann::json;
using Setup = std::function<void(const std::string& folder)>;

void Write(const std::string& path, const std::string& text) { WriteText(path, text); }

void MakeFolder(const std::string& path) { ASSERT_EQ(mkdir(path.c_str(), 0755), 0) << path; }

struct SRefusal {
    const char* pszName;
    Setup setup;           // fills the folder ("tree"): plain mode
    Setup manifestSetup;   // or edits the extracted sample in the folder holding it: manifest mode
    const char* pszWord;   // a word of the message
};

const SRefusal kRefusals[] = {
    {"content chooses another extension", [](const std::string& f) { Write(f + "/x.t", "text"); }, nullptr,
     "would be extracted as x.txt"},
    {"empty folder", [](const std::string& f) { MakeFolder(f + "/e"); }, nullptr, "empty folder"},
    {"empty top folder", [](const std::string&) {}, nullptr, "empty folder"},
    {"child of one empty file",
     [](const std::string& f) {
         MakeFolder(f + "/d");
         Write(f + "/d/e", "");
     },
     nullptr, "only an empty file"},
    {"names differing in case",
     [](const std::string& f) {
         Write(f + "/A.txt", "1");
         Write(f + "/a.txt", "2");
     },
     nullptr, "letter case"},
    {"name of 40 bytes", [](const std::string& f) { Write(f + "/" + std::string(36, 'n') + ".txt", "x"); }, nullptr,
     "at most 39 fit"},
    {"name of 20 characters, 40 bytes", [](const std::string& f) { Write(f + "/" + std::string(20 * 3, 'x'), ""); },
     nullptr, "at most 39 fit"},
    {"device name", [](const std::string& f) { Write(f + "/CON.txt", "x"); }, nullptr, "device"},
    {"dots only", [](const std::string& f) { Write(f + "/...", "x"); }, nullptr, "climbs out"},
    {"colon", [](const std::string& f) { Write(f + "/a:b.txt", "x"); }, nullptr, "\\, / or :"},
    {"backslash", [](const std::string& f) { Write(f + "/a\\b.txt", "x"); }, nullptr, "\\, / or :"},
    {"not in the code page", [](const std::string& f) { Write(f + "/\xE2\x82\xAC.txt", "x"); }, nullptr,
     "code page 932 cannot write"},
    {"folder ending in a blank",
     [](const std::string& f) {
         MakeFolder(f + "/d ");
         Write(f + "/d /x.txt", "x");
     },
     nullptr, "ends in a blank or a dot"},
    {"folder ending in a dot",
     [](const std::string& f) {
         MakeFolder(f + "/d.");
         Write(f + "/d./x.txt", "x");
     },
     nullptr, "ends in a blank or a dot"},
    {"link", [](const std::string& f) { ASSERT_EQ(symlink("/tmp", (f + "/l").c_str()), 0); }, nullptr,
     "neither a regular file nor a folder"},
    {"file that reads as a container",
     [](const std::string& f) { Write(f + "/h.bin", std::string(40, 'n') + "77" + std::string(8, '\0') + "more"); },
     nullptr, "child container"},
    {"file that is gzip", [](const std::string& f) { WriteBinary(f + "/g.bin", GzipBytes(Bytes(10, 'z'))); }, nullptr,
     "inflated"},
    {"file too large for an entry",
     [](const std::string& f) {
         Write(f + "/big.bin", "");
         ASSERT_EQ(truncate((f + "/big.bin").c_str(), 999999950), 0);  // sparse: nothing is written
     },
     nullptr, "999,999,999"},
    {"changed file whose content chooses another extension", nullptr,
     [](const std::string& d) { WriteBinary(d + "/sample/readme.txt", MakeBitmap(2, 2)); }, "as readme.bmp"},
    {"changed stored file that is gzip", nullptr,
     [](const std::string& d) { WriteBinary(d + "/sample/version", GzipBytes(Bytes(10, 'v'))); }, "inflated"},
    {"child folder emptied", nullptr,
     [](const std::string& d) {
         for (const char* name : {"logo.bmp", "icon.bmp", "photo.jpg"})
             ASSERT_EQ(unlink((d + "/sample/textures/" + name).c_str()), 0);
     },
     "is empty"},
    {"new empty folder", nullptr, [](const std::string& d) { MakeFolder(d + "/sample/new"); }, "empty folder"},
    {"new folder inside cmap", nullptr,
     [](const std::string& d) {
         MakeFolder(d + "/sample/cmap/sub");
         Write(d + "/sample/cmap/sub/x.txt", "x");
     },
     "inside cmap"},
    {"new file with a long name", nullptr,
     [](const std::string& d) { Write(d + "/sample/cmap/" + std::string(33, 'n') + ".txt", "x"); }, "at most 39 fit"},
};

TEST(PackRefusals, EachIsStatusThreeWithItsReasonAndNothingWritten) {
    for (const SRefusal& row : kRefusals) {
        SCOPED_TRACE(row.pszName);
        const CTempFolder temp("vanto-pack");
        std::string folder = temp.Path() + "/tree";
        if (row.setup) {
            MakeFolder(folder);
            row.setup(folder);
        } else {
            ExtractSample(temp.Path());
            row.manifestSetup(temp.Path());
            folder = temp.Path() + "/sample";
        }
        // Leftovers are packed too: a name of dots alone is no leftover to skip.
        const SResult result = RunPack(temp.Path(), {"--no-default-excludes", "-o", "out.god", folder});
        EXPECT_EQ(result.nExitCode, 3) << result.err;
        EXPECT_NE(result.err.find(row.pszWord), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("nothing written"), std::string::npos) << result.err;
        EXPECT_FALSE(Exists(temp.Path() + "/out.god"));
    }
}

struct SFailure {
    const char* pszName;
    Setup setup;  // on the folder holding the extracted sample
    std::vector<std::string> args;
    int nStatus;
    const char* pszWord;
};

const SFailure kFailures[] = {
    {"manifest of version 2", [](const std::string& d) { EditManifest(d, "\"v\": 1", "\"v\": 2"); }, {}, 1,
     "version"},
    {"manifest of another kind",
     [](const std::string& d) { EditManifest(d, "\"vanto-manifest\"", "\"other\""); }, {}, 1, "not a manifest"},
    {"manifest that is no JSON", [](const std::string& d) { Write(d + "/sample.vanto.json", "{"); }, {}, 1,
     "not JSON"},
    {"manifest whose entries overlap",
     [](const std::string& d) { EditManifest(d, "\"offset\": 3037", "\"offset\": 3036"); }, {}, 1, "does not follow"},
    {"base that does not match", [](const std::string& d) { Write(d + "/other.god", "other"); },
     {"--base", "other.god"}, 1, "does not match the manifest"},
    {"no base to be found",
     [](const std::string& d) {
         ASSERT_EQ(rename((d + "/sample.god").c_str(), (d + "/moved.god").c_str()), 0);
     },
     {}, 1, "--base ORIGINAL"},
    {"output exists", [](const std::string& d) { Write(d + "/out.god", "keep"); }, {}, 1, "use --force"},
    {"code page against the manifest's", [](const std::string&) {}, {"--codepage", "1252"}, 2, "differs"},
    {"base without a manifest", [](const std::string& d) { ASSERT_EQ(unlink((d + "/sample.vanto.json").c_str()), 0); },
     {"--base", "sample.god"}, 2, "--base goes with a manifest"},
    {"two folders", [](const std::string&) {}, {"sample"}, 2, "one folder at a time"},
    {"level out of range", [](const std::string&) {}, {"--level", "10"}, 2, "--level takes 0 to 9"},
};

TEST(PackFailures, EachHasItsStatusAndReasonAndLeavesTheOutputAlone) {
    for (const SFailure& row : kFailures) {
        SCOPED_TRACE(row.pszName);
        const CTempFolder temp("vanto-pack");
        ExtractSample(temp.Path());
        row.setup(temp.Path());
        const bool outputThere = Exists(temp.Path() + "/out.god");
        std::vector<std::string> args = {"-o", "out.god"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        args.push_back("sample");
        const SResult result = RunPack(temp.Path(), args);
        EXPECT_EQ(result.nExitCode, row.nStatus) << result.err;
        EXPECT_NE(result.err.find(row.pszWord), std::string::npos) << result.err;
        if (outputThere)
            EXPECT_EQ(ReadText(temp.Path() + "/out.god"), "keep");
        else
            EXPECT_FALSE(Exists(temp.Path() + "/out.god"));
    }
}

TEST(PackRoundTrip, UnchangedIsIdenticalAndEditsComeBackFromExtraction) {
    const CTempFolder temp("vanto-pack");
    ExtractSample(temp.Path());
    const std::string dir = temp.Path();

    SResult result = RunPack(dir, {"--verify", "--base", "sample.god", "-o", "same.god", "sample"});
    ASSERT_EQ(result.nExitCode, 0) << result.err;
    EXPECT_NE(result.out.find("identical to sample.god"), std::string::npos) << result.out;
    EXPECT_EQ(ReadText(dir + "/same.god"), ReadText(dir + "/sample.god"));

    Write(dir + "/sample/readme.txt", "A new read-me.\n");  // a gzip entry: compressed again
    Write(dir + "/sample/textures/new.txt", "new in a child");
    ASSERT_EQ(unlink((dir + "/sample/notes.txt").c_str()), 0);
    result = RunPack(dir, {"--verify", "--json", "-o", "edited.god", "sample"});
    ASSERT_EQ(result.nExitCode, 0) << result.err;
    const std::vector<Json> events = Events(result.out);
    ASSERT_EQ(events.size(), 5u) << result.out;
    const std::vector<std::pair<std::string, std::string>> changes = {
        {"readme.txt", "changed"}, {"textures/new.txt", "added"}, {"textures", "changed"}, {"notes.txt", "deleted"}};
    for (size_t i = 0; i < changes.size(); ++i) {
        EXPECT_EQ(events[i]["v"], 1);
        EXPECT_EQ(events[i]["event"], "entry");
        EXPECT_EQ(events[i]["path"], changes[i].first);
        EXPECT_EQ(events[i]["change"], changes[i].second);
    }
    EXPECT_EQ(events[4]["event"], "finished");
    EXPECT_EQ(events[4]["status"], 0);
    EXPECT_EQ(events[4]["verified"], true);
    EXPECT_EQ(events[4]["changed"], 2);

    const std::string check = dir + "/check";
    MakeFolder(check);
    ASSERT_EQ(RunCli(check, {"-q", "../edited.god"}).nExitCode, 0);
    EXPECT_EQ(Tree(check + "/edited"), Tree(dir + "/sample"));
    // The readme is gzip again, not stored.
    const SResult listing = RunCli(dir, {"-l", "edited.god"});
    EXPECT_NE(listing.out.find("gzip"), std::string::npos) << listing.out;
}

TEST(PackRoundTrip, EntriesNeverWrittenAreCopiedAndNotCompared) {
    const CTempFolder temp("vanto-pack");
    // The file "both" takes the name the child's folder needs: the child is
    // walked, and nothing of it is written.
    CContainerWriter child;
    child.AddText("inner.txt", "inner");
    CContainerWriter file;
    file.AddText("both", "a file").AddChild("both.pak", child).AddText("after.txt", "after");
    WriteBinary(temp.Path() + "/f.god", file.Data());
    ASSERT_EQ(RunCli(temp.Path(), {"-q", "--manifest", "f.god"}).nExitCode, 3);
    const SResult result = RunPack(temp.Path(), {"--verify", "-o", "g.god", "f"});
    ASSERT_EQ(result.nExitCode, 0) << result.err;
    EXPECT_NE(result.out.find("identical to"), std::string::npos) << result.out;
    EXPECT_EQ(ReadText(temp.Path() + "/g.god"), ReadText(temp.Path() + "/f.god"));
}

TEST(PackPlain, TheTreeComesBackFromExtraction) {
    const CTempFolder temp("vanto-pack");
    const std::string tree = temp.Path() + "/tree";
    MakeFolder(tree);
    MakeFolder(tree + "/sub");
    Write(tree + "/sub/inner.txt", "inner");
    Write(tree + "/b.bin", std::string("\x01\x02", 2));
    Write(tree + "/a.txt", std::string(2000, 'a'));
    const SResult result = RunPack(temp.Path(), {"--verify", "--gzip", "*.txt", "tree"});
    ASSERT_EQ(result.nExitCode, 0) << result.err;
    const std::string check = temp.Path() + "/check";
    MakeFolder(check);
    ASSERT_EQ(RunCli(check, {"-q", "../tree.god"}).nExitCode, 0);
    EXPECT_EQ(Tree(check + "/tree"), Tree(tree));
    const SResult listing = RunCli(temp.Path(), {"-l", "tree.god"});
    EXPECT_NE(listing.out.find("gzip               "), std::string::npos) << listing.out;

    // An existing output is replaced only with --force.
    EXPECT_EQ(RunPack(temp.Path(), {"tree"}).nExitCode, 1);
    Write(tree + "/c.txt", "more");
    ASSERT_EQ(RunPack(temp.Path(), {"--force", "tree"}).nExitCode, 0);
    EXPECT_EQ(FilesBelow(temp.Path()).size(), FilesBelow(tree).size() + 1 + FilesBelow(check).size());
}

}  // namespace

namespace {

// The packer in memory: a tree packed, then changed before the check.
struct SVerifyCase {
    const char* pszName;
    std::function<void(CMemoryFolderSource&)> change;
    const char16_t* pszWord;  // of the one difference; null: none
};

std::vector<uint8_t> Content(const char* text) { return std::vector<uint8_t>(text, text + std::strlen(text)); }

const SVerifyCase kVerifyCases[] = {
    {"unchanged", [](CMemoryFolderSource&) {}, nullptr},
    {"content changed", [](CMemoryFolderSource& s) { s.files[u"sub/b.txt"] = Content("other"); }, u"CRC-32"},
    {"file added", [](CMemoryFolderSource& s) { s.AddFile(u"c.txt", Content("c")); }, u"not in the packed file"},
    {"file removed", [](CMemoryFolderSource& s) { s.files.erase(u"a.txt"); }, u"but not in the folder"},
};

TEST(PackVerify, FindsEachDifferenceBetweenTheBytesAndTheFolder) {
    for (const SVerifyCase& row : kVerifyCases) {
        SCOPED_TRACE(row.pszName);
        CMemoryPlatform platform(CMemoryPlatform::EStyle::Posix);
        CMemoryFolderSource source;
        source.AddFile(u"a.txt", Content("a"));
        source.AddFile(u"sub/b.txt", Content("b"));
        CPacker packer(platform, source, SPackOptions());
        const SPackResult result = packer.PackPlain();
        ASSERT_EQ(result.eStatus, EPackStatus::Done) << Utf16ToUtf8String(result.strMessage.c_str());
        row.change(source);
        const std::vector<std::u16string> differences = VerifyPacked(platform, source, result);
        if (!row.pszWord) {
            EXPECT_TRUE(differences.empty());
            continue;
        }
        ASSERT_EQ(differences.size(), 1u);
        EXPECT_NE(differences[0].find(row.pszWord), std::u16string::npos) << Utf16ToUtf8String(differences[0].c_str());
    }
}

}  // namespace
