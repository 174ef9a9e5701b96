// vanto-extract's modes, selection, output options and folder policy, run as
// real processes on crafted files; JSON events read back with a JSON parser.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <zlib.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/native/CliProcess.h"
#include "tests/fixtures/ContainerWriter.h"
#include "tests/fixtures/FuzzSeeds.h"

namespace {

using Json = nlohmann::json;
using Words = std::set<std::string>;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

std::vector<Json> ParseLines(const std::string& out) {
    std::vector<Json> events;
    for (const std::string& line : SplitLines(out))
        events.push_back(Json::parse(line));  // throws, failing the test, on anything but JSON
    return events;
}

class CliModesTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteBinary(dir + "/sample.god", MakeSampleCustomFile());
        WriteBinary(dir + "/problems.god", MakeProblemFile());
        WriteBinary(dir + "/bad.god", Text(std::string(80, 'x')));
    }

    CTempFolder temp{"vanto-modes"};
    const std::string dir = temp.Path();
};

TEST_F(CliModesTest, ListAndTestFlagEveryProblemAndWriteNothing) {
    // The problems found below each top-level name of problems.god.
    const std::map<std::string, std::pair<Words, Words>> expected = {
        // name          -l                      -t
        {"ok.txt", {{}, {}}},
        {"..", {{"unsafe"}, {"unsafe"}}},
        {"Dup.txt", {{}, {}}},
        {"dup.txt", {{"collides"}, {"collides"}}},
        {"cut.dat", {{}, {"gzip-fails"}}},
        {"two.dat", {{}, {"gzip-trailing"}}},
        {"tail.dat", {{}, {"gzip-trailing"}}},
        {"deep", {{"too-long"}, {"too-long"}}},
        {"junk", {{}, {"trailing-data"}}},
        {"broken.txt", {{"damaged"}, {"damaged"}}},
    };
    for (const char* mode : {"-l", "-t"}) {
        SCOPED_TRACE(mode);
        const bool test = std::string(mode) == "-t";
        const SResult r = RunCli(dir, {mode, "--json", "problems.god"});
        EXPECT_EQ(r.nExitCode, 3) << r.err;
        const std::vector<Json> events = ParseLines(r.out);
        ASSERT_GE(events.size(), 3u);
        std::map<std::string, Words> found;
        std::map<std::string, std::string> kinds;
        for (const Json& event : events) {
            EXPECT_EQ(event.at("v"), 1);
            if (event.at("event") != "entry")
                continue;
            const std::string path = event.at("path");
            const std::string top = path.substr(0, path.find('/'));
            Words& words = found[top];
            for (const std::string word : event.at("problems"))
                words.insert(word);
            kinds[path] = event.at("kind").is_null() ? "-" : std::string(event.at("kind"));
        }
        for (const auto& row : expected)
            EXPECT_EQ(found[row.first], test ? row.second.second : row.second.first) << row.first;
        EXPECT_EQ(kinds["cut.dat"], "gzip-failed");
        EXPECT_EQ(kinds["two.dat"], "gzip");
        EXPECT_EQ(events.back().at("event"), "run-finished");
        EXPECT_EQ(events.back().at("status"), 3);

        // -qq: the listing's problem lines only, one per entry with a problem.
        const SResult quiet = RunCli(dir, {mode, "-qq", "problems.god"});
        EXPECT_EQ(quiet.nExitCode, 3);
        size_t problems = 0;
        for (const Json& event : events)
            problems += event.at("event") == "entry" && !event.at("problems").empty();
        EXPECT_EQ(SplitLines(quiet.out).size(), problems) << quiet.out;
    }
    EXPECT_EQ(FilesBelow(dir).size(), 3u) << "listing and testing write nothing";
}

TEST_F(CliModesTest, ExitStatuses) {
    WriteBinary(dir + "/-dash.god", MakeSampleCustomFile());
    const struct {
        std::vector<std::string> args;
        int status;
    } rows[] = {
        {{"-l", "sample.god"}, 0},
        {{"-t", "-q", "sample.god"}, 0},
        {{"-tq", "problems.god"}, 3},
        {{"-l", "sample.god", "missing.god"}, 1},
        {{"--test", "bad.god"}, 1},
        {{"-q", "problems.god"}, 3},
        {{"--json", "-q", "sample.god"}, 0},
        {{"--", "-dash.god"}, 0},
        {{"-l", "-t", "sample.god"}, 2},
        {{"--existing", "bogus", "sample.god"}, 2},
        {{"--include"}, 2},
        {{"--jsn", "sample.god"}, 2},
    };
    for (const auto& row : rows) {
        const SResult r = RunCli(dir, row.args);
        EXPECT_EQ(r.nExitCode, row.status) << row.args[0] << " " << row.args.back() << "\n" << r.err;
        if (row.status == 2) {
            EXPECT_NE(r.err.find("\nTry 'vanto-extract --help'.\n"), std::string::npos) << r.err;
        }
    }
    EXPECT_TRUE(Exists(dir + "/-dash/readme.txt")) << "after --, a name that begins with '-' is a file";
}

TEST_F(CliModesTest, SelectionTakesMatchingEntriesAndTheirFoldersOnly) {
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> files;  // written below sample/, in order
    } rows[] = {
        {{"--include", "textures"}, {"textures/icon.bmp", "textures/logo.bmp", "textures/photo.jpg"}},
        {{"--exclude", "*.BMP", "--exclude", "cmap"},
         {"notes.txt", "readme.txt", "table.bin", "textures/photo.jpg", "version", "説明書.txt"}},
        {{"--include", "*.txt", "--exclude", "[n]*"},
         {"cmap/map01.txt", "cmap/map02.txt", "readme.txt", "説明書.txt"}},
        {{"--include", "textures/*.jpg", "--include", "/version"}, {"textures/photo.jpg", "version"}},
        {{"--include", "cmap/map0?.TXT"}, {"cmap/map01.txt", "cmap/map02.txt"}},
    };
    for (const auto& row : rows) {
        CTempFolder out("vanto-select");
        std::vector<std::string> args = {"-e", "-C", out.Path(), "--json", "--log"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        args.push_back("sample.god");
        const SResult r = RunCli(dir, args);
        SCOPED_TRACE(row.args[1]);
        EXPECT_EQ(r.nExitCode, 0) << r.err;
        std::vector<std::string> expected;
        for (const std::string& file : row.files)
            expected.push_back("sample/" + file);
        EXPECT_EQ(FilesBelow(out.Path()), expected);
        // No folder without a selected entry below it; excluded entries are
        // silent in the log and "filtered" in the events.
        const auto taken = [&](const std::string& prefix) {
            return std::any_of(row.files.begin(), row.files.end(),
                               [&](const std::string& file) { return file.compare(0, prefix.size(), prefix) == 0; });
        };
        EXPECT_EQ(Exists(out.Path() + "/sample/textures"), taken("textures/"));
        EXPECT_EQ(Exists(out.Path() + "/sample/cmap"), taken("cmap/"));
        EXPECT_EQ(r.err.find("filename=version ") != std::string::npos, taken("version"));
        size_t filtered = 0;
        for (const Json& event : ParseLines(r.out))
            filtered += event.at("event") == "entry" && event.value("reason", "") == "filtered";
        EXPECT_GE(filtered, 1u);
    }
}

TEST_F(CliModesTest, ExistingOutputFolderPolicy) {
    const struct {
        std::vector<std::string> args;
        bool terminal;
        const char* answer;  // typed at the question; null: no question may come
        int status;
        const char* written;  // the folder that gets the files; "" for none
    } rows[] = {
        {{}, false, nullptr, 1, ""},
        {{"--existing", "skip"}, true, nullptr, 1, ""},
        {{"--existing", "ask"}, true, "asked\n", 0, "asked"},
        {{"--existing", "rename"}, true, nullptr, 0, "sample (2)"},
        {{"--existing=rename", "--json"}, false, nullptr, 0, "sample (2)"},
    };
    for (const auto& row : rows) {
        CTempFolder out("vanto-existing");
        WriteBinary(out.Path() + "/sample.god", MakeSampleCustomFile());
        WriteBinary(out.Path() + "/sample", Text("a file holds the name"));
        std::vector<std::string> args = row.args;
        args.insert(args.begin(), "-e");
        args.push_back("sample.god");
        int status = -1;
        if (row.terminal) {
            CTerminal term(out.Path(), args);
            if (row.answer) {
                term.WaitFor("[sample]> ");
                term.Type(row.answer);
            }
            status = term.Finish();
            EXPECT_EQ(term.WaitFor("").find("[sample]> ") != std::string::npos, row.answer != nullptr);
        } else {
            const SResult r = RunCli(out.Path(), args);
            status = r.nExitCode;
            // Events name the folder the files went to.
            const bool json = std::find(row.args.begin(), row.args.end(), "--json") != row.args.end();
            for (const Json& event : json ? ParseLines(r.out) : std::vector<Json>()) {
                if (event.at("event") == "entry") {
                    EXPECT_EQ(std::string(event.at("output")).find(std::string(row.written) + "/"), 0u);
                }
            }
        }
        EXPECT_EQ(status, row.status) << row.written;
        EXPECT_EQ(ReadText(out.Path() + "/sample"), "a file holds the name") << "nothing is overwritten";
        const size_t written = *row.written ? FilesBelow(out.Path() + "/" + row.written).size() : 0;
        EXPECT_EQ(written, *row.written ? 10u : 0u) << row.written;
        EXPECT_EQ(FilesBelow(out.Path()).size(), 2 + written);
    }
}

// Every entry of the manifest, depth first.
void ForEachEntry(const Json& container, const std::function<void(const Json&)>& visit) {
    for (const Json& entry : container.at("entries")) {
        visit(entry);
        if (entry.contains("container"))
            ForEachEntry(entry.at("container"), visit);
    }
}

TEST_F(CliModesTest, ManifestRecordsWhatWasWrittenAndReplacesNothing) {
    WriteBinary(dir + "/sample (2).vanto.json", Text("not ours"));
    ASSERT_EQ(RunCli(dir, {"--manifest", "-q", "sample.god"}).nExitCode, 0);
    ASSERT_EQ(RunCli(dir, {"--manifest", "-q", "problems.god"}).nExitCode, 3);
    // The second sample goes to "sample (2)", whose manifest name is taken.
    const SResult taken = RunCli(dir, {"--manifest", "--existing", "rename", "sample.god"});
    EXPECT_EQ(taken.nExitCode, 1);
    EXPECT_NE(taken.out.find("Cannot write the manifest [sample (2).vanto.json]."), std::string::npos) << taken.out;
    EXPECT_EQ(ReadText(dir + "/sample (2).vanto.json"), "not ours");

    for (const char* name : {"sample", "problems"}) {
        SCOPED_TRACE(name);
        const Json manifest = Json::parse(ReadText(dir + "/" + name + ".vanto.json"));
        EXPECT_EQ(manifest.at("v"), 1);
        EXPECT_EQ(manifest.at("folder"), name);
        const std::string source = ReadText(dir + "/" + name + ".god");
        EXPECT_EQ(manifest.at("source").at("size"), source.size());
        EXPECT_EQ(manifest.at("source").at("crc32"), crc32(0, reinterpret_cast<const Bytef*>(source.data()), uInt(source.size())));
        size_t written = 0;
        ForEachEntry(manifest.at("root"), [&](const Json& entry) {
            const size_t offset = entry.at("offset");
            EXPECT_EQ(entry.at("name_hex").get<std::string>().size() % 2, 0u);
            if (entry.at("kind") == "damaged" || entry.at("kind") == "child" || !entry.at("written"))
                return;
            // What was written is on disk, and the payload is where it says.
            const std::string file = ReadText(dir + "/" + name + "/" + entry.at("path").get<std::string>());
            EXPECT_EQ(entry.at("written_length"), file.size());
            EXPECT_EQ(entry.at("written_crc32"), crc32(0, reinterpret_cast<const Bytef*>(file.data()), uInt(file.size())));
            const std::string payload = source.substr(offset + 50, entry.at("payload_length"));
            EXPECT_EQ(entry.at("payload_crc32"), crc32(0, reinterpret_cast<const Bytef*>(payload.data()), uInt(payload.size())));
            ++written;
        });
        EXPECT_EQ(written, FilesBelow(dir + "/" + name).size());
    }
    // The damaged last entry of problems.god: the walk stopped there.
    const Json problems = Json::parse(ReadText(dir + "/problems.vanto.json")).at("root");
    EXPECT_EQ(problems.at("entries").back().at("kind"), "damaged");
    EXPECT_EQ(problems.at("stop"), problems.at("entries").back().at("offset"));
    EXPECT_EQ(problems.at("unexamined"), 50 + 9);
    ForEachEntry(problems, [](const Json& entry) {
        if (entry.at("path") == "junk") {
            EXPECT_EQ(entry.at("container").at("unexamined"), 10) << "the bytes after its last entry";
        }
    });
    EXPECT_EQ(RunCli(dir, {"--manifest", "-l", "sample.god"}).nExitCode, 2);
}

TEST_F(CliModesTest, ProgressShowsOnlyWhereAsked) {
    // A terminal gets one status line, redrawn with '\r' and cleared at the end.
    CTerminal term(dir, {"-e", "sample.god"});
    term.Finish();
    const std::string shown = term.WaitFor("");
    EXPECT_NE(shown.find("% 0/1 sample.god"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("\n  "), std::string::npos) << "never a line of its own";
    EXPECT_NE(shown.find("     \r"), std::string::npos) << "cleared";
    CTerminal quiet(dir, {"-q", "--existing", "rename", "sample.god"});
    EXPECT_EQ(quiet.Finish("problems"), 0);
    EXPECT_EQ(quiet.WaitFor("").find('%'), std::string::npos) << "-q shows no progress";

    // Pipes get nothing, unless --progress asks for plain lines.
    const SResult piped = RunCli(dir, {"-l", "sample.god"});
    EXPECT_EQ(piped.err.find("%"), std::string::npos) << piped.err;
    const SResult plain = RunCli(dir, {"-l", "--progress", "sample.god"});
    EXPECT_NE(plain.err.find("% 0/1 sample.god"), std::string::npos) << plain.err;
    EXPECT_NE(plain.err.find("progress: 100% 1/1\n"), std::string::npos) << plain.err;
    EXPECT_EQ(plain.err.find('\r'), std::string::npos);
}

}  // namespace
