// What the tests of vanto-pack share: the sample extracted with its manifest
// as a modder starts, and edits of the folder and the manifest.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/native/CliProcess.h"

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
