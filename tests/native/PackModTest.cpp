// vanto-pack as a modder meets it, as real processes: the original never
// replaced, leftovers skipped and named, the dry run, new entries named as
// the game names them, the original found as the user means it, folders
// extraction made and left empty, plain packing that says so, and Japanese.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/fixtures/ContainerWriter.h"
#include "tests/native/CliProcess.h"
#include "tests/native/PackFixtures.h"

namespace {

using Json = nlohmann::json;
using Setup = std::function<void(const std::string& dir)>;

bool Has(const std::string& text, const std::string& word) { return text.find(word) != std::string::npos; }

void Link(const std::string& target, const std::string& path) {
    ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0) << path;
}

// --- The original is never replaced ----------------------------------------

struct SOutputCase {
    const char* pszName;
    Setup setup;  // on the folder holding the extracted sample
    std::vector<std::string> args;
    int nStatus;
    const char* pszWord;  // of standard error; null: none expected
};

const SOutputCase kOutputCases[] = {
    {"the original by its name", [](const std::string&) {}, {"--force", "-o", "sample.god"}, 3, "never replaced"},
    {"a hard link to the original",
     [](const std::string& d) { ASSERT_EQ(link((d + "/sample.god").c_str(), (d + "/hard.god").c_str()), 0); },
     {"--force", "-o", "hard.god"}, 3, "hard.god: is the original (the same file, whatever its name)"},
    {"a symbolic link to the original", [](const std::string& d) { Link("sample.god", d + "/sym.god"); },
     {"--force", "-o", "sym.god"}, 3, "never replaced"},
    {"the manifest", [](const std::string&) {}, {"--force", "-o", "sample.vanto.json"}, 3,
     "sample.vanto.json: is the manifest (the same file"},
    {"the manifest's source while --base is a copy",
     [](const std::string& d) { ASSERT_EQ(std::system(("cp " + d + "/sample.god " + d + "/copy.god").c_str()), 0); },
     {"--force", "--base", "copy.god", "-o", "sample.god"}, 3, "never replaced"},
    {"a patch onto the original", [](const std::string&) {}, {"--force", "--patch", "sample.god"}, 3,
     "never replaced"},
    {"the default name, new", [](const std::string&) {}, {}, 0, nullptr},
    {"the default name, there", [](const std::string& d) { WriteText(d + "/sample.mod.god", "keep"); }, {}, 1,
     "use --force"},
    {"the default name, forced", [](const std::string& d) { WriteText(d + "/sample.mod.god", "old"); }, {"--force"},
     0, nullptr},
};

TEST(PackOutput, TheOriginalSurvivesForceAndTheDefaultIsANewName) {
    for (const SOutputCase& row : kOutputCases) {
        SCOPED_TRACE(row.pszName);
        const CTempFolder temp("vanto-pack-output");
        const std::string dir = temp.Path();
        ExtractSample(dir);
        const std::string original = ReadText(dir + "/sample.god");
        const std::string manifest = ReadText(dir + "/sample.vanto.json");
        WriteText(dir + "/sample/readme.txt", "A mod.\n");
        row.setup(dir);
        std::vector<std::string> args = row.args;
        args.push_back("sample");
        const SResult result = RunPack(dir, args);
        EXPECT_EQ(result.nExitCode, row.nStatus) << result.err;
        if (row.pszWord) {
            EXPECT_TRUE(Has(result.err, row.pszWord)) << result.err;
        }
        EXPECT_EQ(ReadText(dir + "/sample.god"), original);
        EXPECT_EQ(ReadText(dir + "/sample.vanto.json"), manifest);
        if (row.nStatus == 0) {
            EXPECT_TRUE(Has(result.out, "sample.mod.god: 11 entries")) << result.out;
            EXPECT_EQ(ExtractedTree(dir, "sample.mod.god"), Tree(dir + "/sample"));
        }
    }
}

// --- Only what the user made ---------------------------------------------------

struct SLeftoverCase {
    const char* pszName;
    std::vector<std::string> files;  // made in the sample's folder, each holding "x"
    std::vector<std::string> args;
    std::vector<std::string> skipped;  // the paths named "skipped"
    std::vector<std::string> added;    // and "added"
};

const SLeftoverCase kLeftoverCases[] = {
    {"editors' and systems' leftovers",
     {"readme.txt~", ".x.swp", "cmap/map01.txt.swp", "Thumbs.db", "desktop.ini", ".DS_Store", "textures/.hidden",
      "sample.vanto.json"},
     {},
     {"readme.txt~", ".x.swp", "cmap/map01.txt.swp", "Thumbs.db", "desktop.ini", ".DS_Store", "textures/.hidden",
      "sample.vanto.json"},
     {}},
    {"a hidden folder, whole", {".git/config", ".git/refs/x"}, {}, {".git"}, {}},
    {"--exclude adds a pattern", {"notes.bak", "cmap/map03.txt"}, {"--exclude", "*.bak"}, {"notes.bak"},
     {"cmap/map03.txt"}},
    {"--exclude of an original folder leaves only new files out", {"textures/new.txt"}, {"--exclude", "textures"},
     {"textures/new.txt"}, {}},
    {"--no-default-excludes packs them", {"Thumbs.db", "notes.txt~"}, {"--no-default-excludes"}, {},
     {"Thumbs.db", "notes.txt~"}},
};

TEST(PackLeftovers, NewLeftoversAreSkippedAndNamedAndTheRestComesBack) {
    for (const SLeftoverCase& row : kLeftoverCases) {
        SCOPED_TRACE(row.pszName);
        const CTempFolder temp("vanto-pack-leftovers");
        const std::string dir = temp.Path();
        ExtractSample(dir);
        const std::vector<std::pair<std::string, std::string>> before = Tree(dir + "/sample");
        for (const std::string& file : row.files) {
            const std::string path = dir + "/sample/" + file;
            ASSERT_EQ(std::system(("mkdir -p '" + path.substr(0, path.rfind('/')) + "'").c_str()), 0);
            WriteText(path, "x");
        }
        std::vector<std::string> args = row.args;
        args.insert(args.end(), {"--verify", "--json", "-o", "out.god", "sample"});
        const SResult result = RunPack(dir, args);
        ASSERT_EQ(result.nExitCode, 0) << result.err;
        std::vector<std::string> skipped, added;
        for (const Json& event : Events(result.out)) {
            if (event["event"] == "entry" && event["change"] == "skipped")
                skipped.push_back(event["path"]);
            if (event["event"] == "entry" && event["change"] == "added")
                added.push_back(event["path"]);
        }
        std::vector<std::string> wantSkipped = row.skipped, wantAdded = row.added;
        std::sort(skipped.begin(), skipped.end());
        std::sort(wantSkipped.begin(), wantSkipped.end());
        std::sort(added.begin(), added.end());
        std::sort(wantAdded.begin(), wantAdded.end());
        EXPECT_EQ(skipped, wantSkipped) << result.out;
        EXPECT_EQ(added, wantAdded) << result.out;
        EXPECT_EQ(Events(result.out).back()["skipped"], row.skipped.size());
        // The file holds the sample and the added files, nothing skipped.
        std::vector<std::pair<std::string, std::string>> expected = before;
        for (const std::string& file : row.added)
            expected.emplace_back(file, "x");
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(ExtractedTree(dir, "out.god"), expected);
    }
}

TEST(PackLeftovers, EntriesTheOriginalHadAreNeverSkipped) {
    const CTempFolder temp("vanto-pack-leftovers");
    const std::string dir = temp.Path();
    CContainerWriter file;
    file.AddText("Thumbs.db", "game data").AddText(".hidden", "game data").AddText("x~", "game data");
    WriteBinary(dir + "/f.god", file.Data());
    ASSERT_EQ(RunCli(dir, {"-q", "--manifest", "f.god"}).nExitCode, 0);
    for (const char* name : {"Thumbs.db", ".hidden", "x~"})
        WriteText(dir + "/f/" + name, "modded");
    const SResult result = RunPack(dir, {"--verify", "-o", "out.god", "f"});
    ASSERT_EQ(result.nExitCode, 0) << result.err;
    EXPECT_FALSE(Has(result.out, "skipped")) << result.out;
    EXPECT_TRUE(Has(result.out, "3 changed")) << result.out;
    EXPECT_EQ(ExtractedTree(dir, "out.god"), Tree(dir + "/f"));
}

// --- The dry run -------------------------------------------------------------------

struct SDryRunCase {
    const char* pszName;
    Setup setup;
    std::vector<std::string> args;
};

const SDryRunCase kDryRunCases[] = {
    {"a change, an addition, a deletion and a skip",
     [](const std::string& d) {
         WriteText(d + "/sample/readme.txt", "changed\n");
         WriteText(d + "/sample/mymod.txt", "new\n");
         WriteText(d + "/sample/readme.txt~", "old\n");
         ASSERT_EQ(unlink((d + "/sample/version").c_str()), 0);
     },
     {}},
    {"two refusals",
     [](const std::string& d) {
         WriteText(d + "/sample/x.t", "text");
         WriteText(d + "/sample/" + std::string(40, 'n') + ".txt", "x");
     },
     {}},
    {"an output there without --force", [](const std::string& d) { WriteText(d + "/out.god", "keep"); }, {}},
    {"the original as the output", [](const std::string&) {}, {"--force", "-o", "sample.god"}},
    {"a patch", [](const std::string& d) { WriteText(d + "/sample/notes.txt", "new notes\n"); },
     {"--patch", "out.vpatch"}},
};

// Standard output and error without the summary line's own words.
std::vector<std::string> ChangeLines(const std::string& out) {
    std::vector<std::string> lines;
    for (const std::string& line : SplitLines(out)) {
        if (line.find(" entries, ") == std::string::npos && line.find("patch of ") == std::string::npos)
            lines.push_back(line);
    }
    return lines;
}

TEST(PackDryRun, ReportsWhatTheRealRunDoesAndWritesNothing) {
    for (const SDryRunCase& row : kDryRunCases) {
        SCOPED_TRACE(row.pszName);
        const CTempFolder temp("vanto-pack-dry");
        const std::string dir = temp.Path();
        ExtractSample(dir);
        row.setup(dir);
        std::vector<std::string> args = row.args;
        if (std::find(args.begin(), args.end(), "-o") == args.end() &&
            std::find(args.begin(), args.end(), "--patch") == args.end())
            args.insert(args.end(), {"-o", "out.god"});
        args.push_back("sample");
        std::vector<std::string> dryArgs = args;
        dryArgs.insert(dryArgs.begin(), "--dry-run");
        const std::vector<std::string> filesBefore = FilesBelow(dir);
        const std::string outBefore = Exists(dir + "/out.god") ? ReadText(dir + "/out.god") : "";
        const SResult dry = RunPack(dir, dryArgs);
        EXPECT_EQ(FilesBelow(dir), filesBefore) << "the dry run wrote something";
        EXPECT_EQ(Exists(dir + "/out.god") ? ReadText(dir + "/out.god") : "", outBefore);
        dryArgs.insert(dryArgs.begin(), "--json");
        const std::vector<Json> events = Events(RunPack(dir, dryArgs).out);
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.back()["dry_run"], true);
        EXPECT_EQ(events.back()["status"], dry.nExitCode);

        const SResult real = RunPack(dir, args);
        EXPECT_EQ(dry.nExitCode, real.nExitCode) << dry.err << real.err;
        EXPECT_EQ(ChangeLines(dry.out), ChangeLines(real.out));
        EXPECT_EQ(dry.err, real.err);
        if (real.nExitCode == 0) {
            EXPECT_TRUE(Has(dry.out, "(dry run: nothing written)")) << dry.out;
        }
    }
}

// --- New entries named as the game names them -----------------------------------

Bytes Music(size_t size) {
    Bytes bytes(size, 'm');
    const char tag[] = "m1_0";
    std::copy(tag, tag + 4, bytes.begin() + 1024);
    return bytes;
}

Bytes Binary() { return Bytes{0, 1, 2, 3, 'b', 'i', 'n'}; }

Bytes Text(const char* text) { return Bytes(text, text + std::strlen(text)); }

// Entries of every kind the game stores as ".t" and ".bm", and one without
// an extension.
Bytes NamingBase() {
    CContainerWriter file;
    file.AddText("t1.t", "one\n")
        .AddText("t2.t", "two\n")
        .Add("i1.bm", MakeBitmap(2, 2))
        .Add("i2.bm", MakeBitmap(3, 3))
        .Add("j1.t", MakeJfif(100))
        .Add("m1.t", Music(1100))
        .Add("b1.t", Binary())
        .AddText("version", "1\n");
    return file.Data();
}

struct SNamingCase {
    const char* pszFile;
    Bytes content;
    const char* pszEntry;  // the entry name chosen; null: refused
};

const SNamingCase kNamingCases[] = {
    {"mymod.txt", Text("a text file\n"), "mymod.t"},
    {"new.bmp", MakeBitmap(4, 4), "new.bm"},
    {"new.jpg", MakeJfif(200), "new.t"},
    {"new.vum", Music(1200), "new.t"},
    {"new.bin", Binary(), "new.t"},
    {"README", Text("no extension\n"), "README"},
    {"own.dat", Text("an extension nobody has\n"), "own.dat"},
    {"x.t", Text("text"), nullptr},
};

TEST(PackNaming, NewFilesAreNamedAsTheEntriesBesideThemAndExtractBack) {
    for (const SNamingCase& row : kNamingCases) {
        SCOPED_TRACE(row.pszFile);
        const CTempFolder temp("vanto-pack-naming");
        const std::string dir = temp.Path();
        WriteBinary(dir + "/n.god", NamingBase());
        ASSERT_EQ(RunCli(dir, {"-q", "--manifest", "n.god"}).nExitCode, 0);
        WriteBinary(dir + "/n/" + row.pszFile, row.content);
        const SResult result = RunPack(dir, {"--json", "--verify", "-o", "out.god", "n"});
        if (!row.pszEntry) {
            EXPECT_EQ(result.nExitCode, 3) << result.err;
            EXPECT_TRUE(Has(result.err, "would be extracted as x.txt whatever its entry is named")) << result.err;
            continue;
        }
        ASSERT_EQ(result.nExitCode, 0) << result.err;
        const std::vector<Json> events = Events(result.out);
        ASSERT_EQ(events.size(), 2u) << result.out;
        EXPECT_EQ(events[0]["path"], row.pszFile);
        EXPECT_EQ(events[0]["name"], row.pszEntry);
        // The text report names the entry when it is not the file's name.
        const SResult text = RunPack(dir, {"--dry-run", "-o", "out2.god", "n"});
        const std::string line = std::string("added: ") + row.pszFile;
        EXPECT_TRUE(Has(text.out, row.pszFile == std::string(row.pszEntry) ? line + "\n"
                                                                            : line + " (as entry " + row.pszEntry + ")"))
            << text.out;
        EXPECT_EQ(ExtractedTree(dir, "out.god"), Tree(dir + "/n"));
    }
}

// --- The original found as the user means it ----------------------------------

struct SBaseCase {
    const char* pszName;
    Setup setup;
    std::vector<std::string> args;
    int nStatus;
    const char* pszWord;
};

const SBaseCase kBaseCases[] = {
    {"--base is a symbolic link", [](const std::string& d) { Link(d + "/sample.god", d + "/link.god"); },
     {"--base", "link.god"}, 0, nullptr},
    {"--base is a link that leads nowhere", [](const std::string& d) { Link(d + "/gone.god", d + "/link.god"); },
     {"--base", "link.god"}, 1, "link.god: not found"},
    {"--base is not there", [](const std::string&) {}, {"--base", "gone.god"}, 1, "gone.god: not found"},
    {"--base is a folder", [](const std::string& d) { ASSERT_EQ(mkdir((d + "/dir.god").c_str(), 0755), 0); },
     {"--base", "dir.god"}, 1, "dir.god: cannot be read"},
    {"--base is another file", [](const std::string& d) { WriteText(d + "/other.god", "other"); },
     {"--base", "other.god"}, 1,
     "other.god: does not match the manifest: 5 bytes, CRC-32 3646436640 found, 3089 bytes, CRC-32 "},
    {"the source is gone, named once",
     [](const std::string& d) { ASSERT_EQ(unlink((d + "/sample.god").c_str()), 0); }, {}, 1,
     "sample.god: not found; give it with --base ORIGINAL"},
};

TEST(PackBase, TheOriginalIsFoundAsTheUserMeansItAndEachFailureSaysWhich) {
    for (const SBaseCase& row : kBaseCases) {
        SCOPED_TRACE(row.pszName);
        const CTempFolder temp("vanto-pack-base");
        const std::string dir = temp.Path();
        ExtractSample(dir);
        WriteText(dir + "/sample/notes.txt", "modded\n");
        row.setup(dir);
        std::vector<std::string> args = row.args;
        args.insert(args.end(), {"-o", "out.god", "sample"});
        const SResult result = RunPack(dir, args);
        EXPECT_EQ(result.nExitCode, row.nStatus) << result.err;
        if (row.pszWord) {
            EXPECT_TRUE(Has(result.err, row.pszWord)) << result.err;
            // One path, said once.
            EXPECT_EQ(result.err.find(row.pszWord), result.err.rfind(row.pszWord)) << result.err;
            EXPECT_FALSE(Exists(dir + "/out.god"));
        } else {
            EXPECT_EQ(ExtractedTree(dir, "out.god"), Tree(dir + "/sample"));
        }
    }
}

// --- Folders extraction made stay ---------------------------------------------------

TEST(PackCmap, AFolderWhoseOnlyEntriesWereRefusedComesBackByteForByte) {
    const CTempFolder temp("vanto-pack-cmap");
    const std::string dir = temp.Path();
    CContainerWriter child;
    child.AddText("cmap\\..\\..\\escape.t", "refused").AddText("cmap\\..\\..\\..\\far.t", "refused too");
    CContainerWriter file;
    file.AddText("readme.t", "read me\n").AddChild("stage.pak", child).AddText("cmap\\..\\..\\up.t", "refused");
    WriteBinary(dir + "/c.god", file.Data());
    ASSERT_EQ(RunCli(dir, {"-q", "--manifest", "c.god"}).nExitCode, 3);
    ASSERT_TRUE(FilesBelow(dir + "/c/cmap").empty());
    ASSERT_TRUE(FilesBelow(dir + "/c/stage/cmap").empty());
    const SResult result = RunPack(dir, {"--verify", "-o", "back.god", "c"});
    ASSERT_EQ(result.nExitCode, 0) << result.err;
    EXPECT_TRUE(Has(result.out, "identical to")) << result.out;
    EXPECT_EQ(ReadText(dir + "/back.god"), ReadText(dir + "/c.god"));
}

// --- Plain packing says so; the report's language ---------------------------------

struct SLanguageCase {
    const char* pszName;
    Env env;
    std::vector<std::string> args;
    const char* pszWord;
};

const SLanguageCase kLanguageCases[] = {
    {"English by default", {}, {}, "changed: notes.txt"},
    {"Japanese from the locale", {{"LANG", "ja_JP.UTF-8"}}, {}, "変更: notes.txt"},
    {"-j", {}, {"-j"}, "変更: notes.txt"},
    {"-e over a Japanese locale", {{"LC_ALL", "ja_JP.UTF-8"}}, {"-e"}, "changed: notes.txt"},
    {"-j refusal", {}, {"-j", "--base", "gone.god"}, "gone.god: 見つかりません"},
};

TEST(PackLanguage, TheReportIsInTheLanguageAskedOrTheLocales) {
    for (const SLanguageCase& row : kLanguageCases) {
        SCOPED_TRACE(row.pszName);
        const CTempFolder temp("vanto-pack-language");
        const std::string dir = temp.Path();
        ExtractSample(dir);
        WriteText(dir + "/sample/notes.txt", "modded\n");
        std::vector<std::string> args = row.args;
        args.insert(args.end(), {"-o", "out.god", "sample"});
        const SResult result = RunPack(dir, args, row.env);
        EXPECT_TRUE(Has(result.out + result.err, row.pszWord)) << result.out << result.err;
    }
}

TEST(PackPlain, SaysHowTheNewFileIsMade) {
    const CTempFolder temp("vanto-pack-plain");
    const std::string dir = temp.Path();
    ASSERT_EQ(mkdir((dir + "/tree").c_str(), 0755), 0);
    WriteText(dir + "/tree/a.txt", "a");
    const SResult result = RunPack(dir, {"tree"});
    ASSERT_EQ(result.nExitCode, 0) << result.err;
    EXPECT_TRUE(Has(result.out, "no manifest (FOLDER.vanto.json): a new file is built from the tree alone")) << result.out;
    EXPECT_TRUE(Has(result.out, "tree.god: 1 entries")) << result.out;
}

}  // namespace
