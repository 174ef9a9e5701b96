// What the tests of vanto-pack share: the sample extracted with its manifest
// as a modder starts, and edits of the folder and the manifest.
#pragma once

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "tests/native/CliProcess.h"

// vanto-pack in cwd, with the environment given (the locale cleared).
inline SResult RunPack(const std::string& cwd, std::vector<std::string> args, const Env& env = {}) {
    return RunTool(VANTO_PACK_BINARY, cwd, std::move(args), env);
}

inline void WriteText(const std::string& path, const std::string& text) {
    WriteBinary(path, std::vector<uint8_t>(text.begin(), text.end()));
}

// The sample extracted with its manifest into dir: dir/sample/ and
// dir/sample.vanto.json, beside a copy of the sample, dir/sample.god.
inline void ExtractSample(const std::string& dir) {
    ASSERT_EQ(std::system(("cp '" VANTO_SAMPLE_FILE "' '" + dir + "/sample.god'").c_str()), 0);
    ASSERT_EQ(RunCli(dir, {"-q", "--manifest", "sample.god"}).nExitCode, 0);
}

// The manifest's text with one piece replaced.
inline void EditManifest(const std::string& dir, const std::string& from, const std::string& to) {
    const std::string path = dir + "/sample.vanto.json";
    std::string text = ReadText(path);
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    WriteText(path, text.replace(at, from.size(), to));
}

// Every file below root with its content, by relative path.
inline std::vector<std::pair<std::string, std::string>> Tree(const std::string& root) {
    std::vector<std::pair<std::string, std::string>> tree;
    for (const std::string& path : FilesBelow(root))
        tree.emplace_back(path, ReadText(root + "/" + path));
    return tree;
}

// The tree vanto-extract writes for dir/file, in a fresh folder dir/check-N.
inline std::vector<std::pair<std::string, std::string>> ExtractedTree(const std::string& dir,
                                                                      const std::string& file) {
    static int count = 0;
    const std::string check = dir + "/check-" + std::to_string(++count);
    EXPECT_EQ(mkdir(check.c_str(), 0755), 0);
    EXPECT_EQ(RunCli(check, {"-q", "../" + file}).nExitCode, 0);
    const std::string name = file.substr(0, file.rfind('.'));
    return Tree(check + "/" + name);
}

// The JSON Lines of a tool's standard output.
inline std::vector<nlohmann::json> Events(const std::string& out) {
    std::vector<nlohmann::json> events;
    for (const std::string& line : SplitLines(out))
        events.push_back(nlohmann::json::parse(line));
    return events;
}
