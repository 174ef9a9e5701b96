// What vanto-extract tells about each outcome, run as real processes: a gzip
// payload that does not inflate, a file that is not extracted and why, a
// listing whose reader goes away, an output folder that exists, a selection
// that takes nothing, entries on standard output, -C into a missing folder,
// --json without the log, and the listing's totals.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/fixtures/ContainerWriter.h"
#include "tests/native/CliProcess.h"

namespace {

using Json = nlohmann::json;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::vector<Json> Events(const std::string& out, const char* name) {
    std::vector<Json> events;
    for (const std::string& line : SplitLines(out)) {
        Json event = Json::parse(line);
        if (event.at("event") == name)
            events.push_back(event);
    }
    return events;
}

// A gzip payload with one byte of its deflate data flipped.
Bytes DamagedGzip() {
    Bytes gzip = GzipBytes(Bytes(400, 'a'));
    gzip[gzip.size() / 2] ^= 0x55;
    return gzip;
}

// Enough entries that the listing, the log and the content each outgrow a
// pipe's buffer.
Bytes ManyEntries(int count) {
    CContainerWriter file;
    for (int i = 0; i < count; ++i)
        file.AddText("entry" + std::to_string(10000 + i) + ".t", std::string(40, 'x'));
    return file.Data();
}

class CliOutcomesTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteBinary(dir + "/sample.god", MakeSampleCustomFile());
        CContainerWriter flipped;
        flipped.AddText("first.t", "fine").Add("data.t", DamagedGzip());
        WriteBinary(dir + "/flip.god", flipped.Data());
    }

    CTempFolder temp{"vanto-outcomes"};
    const std::string dir = temp.Path();
};

TEST_F(CliOutcomesTest, GzipPayloadThatDoesNotInflateIsAProblem) {
    const struct {
        std::vector<std::string> args;
        int status;
        const char* line;  // on standard output; "" for none
    } rows[] = {
        {{"-q", "flip.god"}, 3, "flip.god: Gzip data does not inflate: written as stored [flip/data.bin]."},
        {{"-qq", "flip.god"}, 3, "flip.god: Gzip data does not inflate: written as stored [flip/data.bin]."},
        {{"flip.god"}, 3, "Gzip data does not inflate: written as stored [flip/data.bin]."},
        {{"-q", "--json", "flip.god"}, 3, ""},
        {{"-q", "sample.god"}, 0, ""},
    };
    for (const auto& row : rows) {
        CTempFolder out("vanto-flip");
        std::vector<std::string> args = {"-e", "-C", out.Path()};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const SResult r = RunCli(dir, args);
        SCOPED_TRACE(row.args[0]);
        EXPECT_EQ(r.nExitCode, row.status) << r.out << r.err;
        if (*row.line) {
            EXPECT_TRUE(Contains(r.out, std::string(row.line) + "\n")) << r.out;
        } else {
            EXPECT_FALSE(Contains(r.out, "does not inflate")) << r.out;
        }
        if (row.status == 0)
            continue;
        // Written as ever: the stored bytes, under the name content gives them.
        const Bytes stored = DamagedGzip();
        EXPECT_EQ(ReadText(out.Path() + "/flip/data.bin"), std::string(stored.begin(), stored.end()));
        EXPECT_EQ(ReadText(out.Path() + "/flip/first.txt"), "fine");
        if (Contains(r.out, "\"event\"")) {
            const Json entry = Events(r.out, "entry").back();
            EXPECT_EQ(entry.at("status"), "written");
            EXPECT_EQ(entry.at("output"), "flip/data.bin");
            EXPECT_EQ(entry.at("kind"), "gzip-failed");
            EXPECT_EQ(entry.at("problems"), Json::array({"gzip-fails"}));
            EXPECT_EQ(Events(r.out, "file-finished").at(0).at("problems"), 1);
        }
    }
}

TEST_F(CliOutcomesTest, EachReasonAFileIsNotExtractedIsNamed) {
    WriteBinary(dir + "/bad.god", Bytes(80, 'x'));
    ASSERT_EQ(mkdir((dir + "/folder.god").c_str(), 0700), 0);
    ASSERT_EQ(symlink("loop2.god", (dir + "/loop1.god").c_str()), 0);
    ASSERT_EQ(symlink("loop1.god", (dir + "/loop2.god").c_str()), 0);
    WriteBinary(dir + "/huge.god", Bytes(60, 'x'));
    ASSERT_EQ(truncate((dir + "/huge.god").c_str(), 0x80000000LL), 0);  // sparse
    const struct {
        const char* file;
        const char* text;    // after "This file is not extractable: "
        const char* reason;  // file-finished's
        const char* error;   // the system's message, or ""
    } rows[] = {
        {"missing.god", "it does not exist.", "not-found", ""},
        {"folder.god", "it is a folder.", "folder", ""},
        {"loop1.god", "it cannot be read (Too many levels of symbolic links).", "cannot-read",
         "Too many levels of symbolic links"},
        {"huge.god", "it is 2 GiB or larger.", "too-large", ""},
        {"bad.god", "it is not a custom file.", "not-custom", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        const std::string line = std::string(row.file) + ": This file is not extractable: " + row.text;
        for (const char* mode : {"-q", "-lq"}) {
            const SResult r = RunCli(dir, {"-e", mode, row.file});
            EXPECT_EQ(r.nExitCode, 1) << mode;
            EXPECT_EQ(SplitLines(r.out).at(0), line) << mode;
        }
        const SResult json = RunCli(dir, {"-e", "--json", row.file});
        const Json finished = Events(json.out, "file-finished").at(0);
        EXPECT_EQ(finished.at("result"), "not-extractable");
        EXPECT_EQ(finished.at("reason"), row.reason);
        EXPECT_EQ(finished.value("error", ""), row.error);
    }
}

TEST_F(CliOutcomesTest, ListingWhoseReaderGoesAwayEndsAtOnceAndQuietly) {
    WriteBinary(dir + "/many.god", ManyEntries(3000));
    const struct {
        const char* args;
        const char* reader;
        int status;
        const char* error;  // on standard error; "" for nothing
    } rows[] = {
        {"-l many.god", "head -1", 141, ""},
        {"-t many.god many.god", "head -1", 141, ""},
        {"--json -l many.god", "head -1", 141, ""},
        {"-p -qq many.god sample.god many.god", "head -c 10", 141, ""},
        // Extraction goes on, and says why the status is 1.
        {"-C out many.god", "head -1", 1,
         "vanto-extract: cannot write the log: Broken pipe; extracting goes on without it\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args);
        const SResult r = RunTool("/bin/bash", dir,
                                  {"-c", std::string("mkdir -p out; \"$0\" ") + row.args + " | " + row.reader +
                                             "; exit ${PIPESTATUS[0]}",
                                   VANTO_EXTRACT_BINARY});
        EXPECT_EQ(r.nExitCode, row.status);
        EXPECT_EQ(SplitLines(r.out).size(), 1u) << r.out;
        EXPECT_EQ(r.err, row.error);
    }
    EXPECT_EQ(FilesBelow(dir + "/out").size(), 3000u);
}

TEST_F(CliOutcomesTest, ExistingOutputFolder) {
    const struct {
        std::vector<std::string> args;
        std::function<void(const std::string&)> before;  // in the extraction folder
        int status;
        const char* line;  // on standard output
        size_t files;      // below sample/
    } rows[] = {
        {{}, [](const std::string&) {}, 1, "sample.god: [sample] exists: skipped; --existing rename extracts into [sample (2)]", 1},
        {{},
         [](const std::string& root) { ASSERT_EQ(mkdir((root + "/sample (2)").c_str(), 0700), 0); },
         1, "sample.god: [sample] exists: skipped; --existing rename extracts into [sample (3)]", 1},
        {{"--existing", "into"}, [](const std::string&) {}, 3,
         "sample.god: Cannot create file [<root>/sample/readme.txt].", 10},
    };
    for (const auto& row : rows) {
        CTempFolder out("vanto-taken");
        ASSERT_EQ(mkdir((out.Path() + "/sample").c_str(), 0700), 0);
        WriteBinary(out.Path() + "/sample/readme.txt", Bytes{'m', 'i', 'n', 'e'});
        row.before(out.Path());
        std::vector<std::string> args = {"-e", "-q", "-C", out.Path(), "sample.god"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const SResult r = RunCli(dir, args);
        SCOPED_TRACE(row.line);
        EXPECT_EQ(r.nExitCode, row.status);
        std::string line = row.line;
        if (line.find("<root>") != std::string::npos)
            line.replace(line.find("<root>"), 6, out.Path());
        EXPECT_EQ(SplitLines(r.out).at(0), line) << r.out;
        EXPECT_EQ(ReadText(out.Path() + "/sample/readme.txt"), "mine") << "nothing is replaced";
        EXPECT_EQ(FilesBelow(out.Path() + "/sample").size(), row.files);
        EXPECT_FALSE(Exists(out.Path() + "/sample (3)"));
    }
    // A file in the folder's place is never filled.
    CTempFolder out("vanto-taken");
    WriteBinary(out.Path() + "/sample", Bytes{'f'});
    const SResult r = RunCli(dir, {"-e", "-q", "--existing", "into", "-C", out.Path(), "sample.god"});
    EXPECT_EQ(r.nExitCode, 1);
    EXPECT_TRUE(Contains(r.out, "[sample] exists: skipped")) << r.out;
}

TEST_F(CliOutcomesTest, SelectionThatTakesNothingWritesNothing) {
    const char* kLine = "sample.god: No entry matches --include and --exclude: nothing written.";
    const struct {
        std::vector<std::string> args;
        const char* out;  // standard output's first line
    } rows[] = {
        {{"-q"}, kLine},
        {{"-qq"}, kLine},
        {{"-l", "-q"}, kLine},
        {{"-t", "-qq"}, kLine},
        {{"-p", "-q"}, ""},
        {{"--json"}, "{"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> args = {"-e", "--include", "nomatch*", "--exclude", "*.txt"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        args.push_back("sample.god");
        const SResult r = RunCli(dir, args);
        SCOPED_TRACE(row.args[0]);
        EXPECT_EQ(r.nExitCode, 3);
        EXPECT_EQ(SplitLines(r.out).empty() ? "" : SplitLines(r.out).at(0).substr(0, std::string(row.out).size()),
                  row.out);
        EXPECT_FALSE(Exists(dir + "/sample")) << "no folder";
        if (row.args[0] == "-p") {
            EXPECT_EQ(r.err, std::string(kLine) + "\n");
        }
        if (row.args[0] == "--json") {
            EXPECT_EQ(Events(r.out, "file-finished").at(0).at("result"), "nothing-selected");
            EXPECT_EQ(Events(r.out, "run-finished").at(0).at("status"), 3);
        }
    }
    EXPECT_EQ(RunCli(dir, {"-q", "sample.god"}).nExitCode, 0) << "nothing was left in the way";
}

TEST_F(CliOutcomesTest, EntriesOnStandardOutputAreTheBytesExtractionWrites) {
    ASSERT_EQ(RunCli(dir, {"-q", "sample.god", "flip.god"}).nExitCode, 3);
    const auto file = [&](const std::string& path) { return ReadText(dir + "/" + path); };
    const struct {
        std::vector<std::string> args;
        int status;
        std::string bytes;
    } rows[] = {
        {{"--include", "readme.txt", "sample.god"}, 0, file("sample/readme.txt")},
        {{"--include", "*.bmp", "sample.god"}, 0, file("sample/textures/logo.bmp") + file("sample/textures/icon.bmp")},
        {{"--include", "table.bin", "--include", "version", "sample.god", "flip.god"}, 3,
         file("sample/table.bin") + file("sample/version")},
        {{"flip.god"}, 3, file("flip/first.txt") + file("flip/data.bin")},
    };
    for (const auto& row : rows) {
        CTempFolder cwd("vanto-stdout");
        std::vector<std::string> args = {"-e", "-p"};
        for (const std::string& arg : row.args)
            args.push_back(arg.find(".god") != std::string::npos ? dir + "/" + arg : arg);
        const SResult r = RunCli(cwd.Path(), args);
        SCOPED_TRACE(row.args[0]);
        EXPECT_EQ(r.nExitCode, row.status) << r.err;
        EXPECT_EQ(r.out, row.bytes);
        EXPECT_TRUE(Contains(r.err, "kind            stored    content  path\n")) << "the listing goes to standard error";
        EXPECT_TRUE(FilesBelow(cwd.Path()).empty()) << "nothing goes to the disk";
    }
}

TEST_F(CliOutcomesTest, OutputFolderIsMadeWhenMissingButNeverThroughALink) {
    ASSERT_EQ(mkdir((dir + "/outside").c_str(), 0700), 0);
    ASSERT_EQ(symlink("outside/gone", (dir + "/dangling").c_str()), 0);
    const struct {
        std::vector<std::string> args;
        int status;
        const char* error;  // the start of standard error
        const char* made;   // the folder that holds sample/, "" for none
    } rows[] = {
        {{"-C", "new/deeper/out"}, 0, "", "new/deeper/out"},
        {{"-C", "./fresh//out/"}, 0, "", "fresh/out"},
        {{"-C", "dangling/new"}, 1, "vanto-extract: -C dangling/new: a link stands at dangling;", ""},
        {{"-C", "dangling"}, 1, "vanto-extract: -C dangling: a link stands at dangling;", ""},
        {{"-C", "sample.god/x"}, 2, "vanto-extract: not a folder: sample.god\n", ""},
        {{"-C", "gone/../out"}, 1, "vanto-extract: -C gone/../out: '..' in the folders to be made;", ""},
        {{"-l", "-C", "listed/out"}, 0, "", ""},
    };
    for (const auto& row : rows) {
        std::vector<std::string> args = {"-q"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        args.push_back("sample.god");
        const SResult r = RunCli(dir, args);
        SCOPED_TRACE(row.args.back());
        EXPECT_EQ(r.nExitCode, row.status) << r.err;
        EXPECT_EQ(r.err.substr(0, std::string(row.error).size()), row.error);
        if (*row.made) {
            EXPECT_EQ(FilesBelow(dir + "/" + row.made + "/sample").size(), 10u);
        }
    }
    EXPECT_FALSE(Exists(dir + "/listed")) << "listing makes no folder";
    EXPECT_FALSE(Exists(dir + "/gone")) << "nothing made before a refusal";
    EXPECT_TRUE(FilesBelow(dir + "/outside").empty()) << "nothing through the link";
}

TEST_F(CliOutcomesTest, JsonAloneLeavesStandardErrorEmpty) {
    const struct {
        std::vector<std::string> args;
        const char* error;  // in standard error; "" for nothing at all
    } rows[] = {
        {{"--json", "sample.god"}, ""},
        {{"--json", "-t", "sample.god", "flip.god"}, ""},
        {{"--json", "--log", "sample.god"}, "CreateDirectory (path="},
        {{"--json", "--log", "-q", "flip.god"}, "flip.god: Gzip data does not inflate"},
    };
    for (const auto& row : rows) {
        CTempFolder out("vanto-json");
        std::vector<std::string> args = {"-e", "-C", out.Path()};
        args.insert(args.end(), row.args.begin(), row.args.end());
        for (std::string& arg : args)
            arg = arg.find(".god") != std::string::npos ? dir + "/" + arg : arg;
        const SResult r = RunCli(dir, args);
        SCOPED_TRACE(row.args[1]);
        if (*row.error) {
            EXPECT_TRUE(Contains(r.err, row.error)) << r.err;
        } else {
            EXPECT_EQ(r.err, "");
        }
        EXPECT_FALSE(Events(r.out, "run-finished").empty());
    }
}

TEST_F(CliOutcomesTest, ListingEndsWithTheFilesTotals) {
    const struct {
        std::vector<std::string> args;
        const char* totals;  // the last line
    } rows[] = {
        {{"-l"}, "sample.god: 11 entries, 2539 bytes stored, 2840 bytes of content, 0 problems"},
        {{"-t", "-q"}, "sample.god: 11 entries tested, 2539 bytes stored, 2840 bytes of content, 0 problems"},
        {{"-l", "--include", "readme.txt"}, "sample.god: 1 entry, 101 bytes stored, 94 bytes of content, 0 problems"},
        {{"-j", "-l", "--include", "readme.txt"}, "sample.god: エントリ1個、格納101バイト、内容94バイト、問題0件"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> args = row.args;
        args.push_back("sample.god");
        const SResult r = RunCli(dir, args);
        SCOPED_TRACE(row.totals);
        EXPECT_EQ(r.nExitCode, 0);
        EXPECT_EQ(SplitLines(r.out).back(), row.totals);
        // The events carry the same numbers: the sums over the listed files.
        args.push_back("--json");
        const std::string events = RunCli(dir, args).out;
        const Json finished = Events(events, "file-finished").at(0);
        long long stored = 0, content = 0;
        for (const Json& entry : Events(events, "entry")) {
            if (entry.at("kind") != "folder" && entry.at("status") != "skipped") {
                stored += entry.at("stored").get<long long>();
                content += entry.at("size").get<long long>();
            }
        }
        EXPECT_EQ(finished.at("stored"), stored);
        EXPECT_EQ(finished.at("content"), content);
        EXPECT_TRUE(Contains(row.totals, std::to_string(stored))) << stored;
    }
}

}  // namespace
