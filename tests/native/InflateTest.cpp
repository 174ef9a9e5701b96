// Inflation: streams from the real gzip program, damaged, empty and oversized
// ones; and every verdict, bytes and counts equal to zlib's alone, also for
// the streams where libdeflate and zlib judge differently.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "extract/Inflate.h"
#include "tests/fixtures/ContainerWriter.h"
#include "tests/fixtures/GzipCrafts.h"

namespace {

// Compresses data with the system's gzip program, as the game's tools would.
Bytes RealGzip(const Bytes& data, const char* flags = "-9n") {
    char inputPath[] = "/tmp/vanto-gzip-XXXXXX";
    const int fd = mkstemp(inputPath);
    EXPECT_GE(fd, 0);
    FILE* in = fdopen(fd, "wb");
    if (!data.empty())
        std::fwrite(data.data(), 1, data.size(), in);
    std::fclose(in);
    const std::string command = std::string("gzip -c ") + flags + " " + inputPath;
    FILE* pipe = popen(command.c_str(), "r");
    EXPECT_NE(pipe, nullptr);
    Bytes out;
    char buf[65536];
    size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, pipe)) > 0)
        out.insert(out.end(), buf, buf + got);
    EXPECT_EQ(pclose(pipe), 0);
    std::remove(inputPath);
    return out;
}

class InflateTest : public ::testing::Test {
protected:
    // The bytes produced, or 0 when the payload is to be taken as stored.
    int32_t Inflate(const Bytes& stream) {
        const SInflateResult inflated = InflatePayload(buffer.data(), buffer.size(), stream.data(), int32_t(stream.size()));
        return inflated.Inflated() ? inflated.nSize : 0;
    }
    Bytes buffer = Bytes(kDecompressionBufferSize);
};

TEST_F(InflateTest, StreamFromTheGzipProgram) {
    Bytes text;
    for (int i = 0; i < 5000; ++i)
        text.push_back(uint8_t("Vanto custom data\n"[i % 18]));
    const Bytes gz = RealGzip(text);
    ASSERT_EQ(gz[0], 0x1F);
    ASSERT_EQ(gz[2], 0x08);
    ASSERT_EQ(Inflate(gz), int32_t(text.size()));
    EXPECT_TRUE(std::equal(text.begin(), text.end(), buffer.begin()));

    // With the original name stored in the header (gzip's default).
    const Bytes named = RealGzip(text, "-1");
    EXPECT_EQ(Inflate(named), int32_t(text.size()));
}

TEST_F(InflateTest, DamagedCutAndEmptyStreamsGiveZero) {
    const Bytes text(3000, 'q');
    Bytes gz = RealGzip(text);
    Bytes cut(gz.begin(), gz.begin() + gz.size() / 2);
    EXPECT_EQ(Inflate(cut), 0) << "cut short";
    Bytes damaged = gz;
    damaged[10] ^= 0x55;
    damaged[11] ^= 0x55;
    EXPECT_EQ(Inflate(damaged), 0) << "damaged deflate data";
    Bytes badCrc = gz;
    badCrc[gz.size() - 6] ^= 0xFF;
    EXPECT_EQ(Inflate(badCrc), 0) << "trailer does not match";
    EXPECT_EQ(Inflate(RealGzip(Bytes())), 0) << "inflates to nothing";
    EXPECT_EQ(Inflate(Bytes{0x1F, 0x8B, 0x08}), 0) << "magic only";
}

TEST_F(InflateTest, OnlyTheFirstMemberCounts) {
    Bytes two = RealGzip(Bytes(100, 'a'));
    const Bytes second = RealGzip(Bytes(50, 'b'));
    two.insert(two.end(), second.begin(), second.end());
    two.insert(two.end(), {'j', 'u', 'n', 'k'});
    EXPECT_EQ(Inflate(two), 100);
}

// A stream of content (zlib, level 1, no name) with its last cut bytes left off.
Bytes Large(size_t content, size_t cut = 0) {
    Bytes stream = GzipBytes(Bytes(content, 'x'), 1);
    stream.resize(stream.size() - cut);
    return stream;
}

Bytes Joined(Bytes first, const Bytes& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

struct SVerdictRow {
    const char* pszName;
    Bytes stream;
    EInflateResult eResult;
    int32_t nSize;
    int32_t nTrailingBytes;
    bool bAnotherMember;
};

std::string Describe(const SInflateResult& r) {
    return "result " + std::to_string(int(r.eResult)) + ", size " + std::to_string(r.nSize) + ", trailing " +
           std::to_string(r.nTrailingBytes) + (r.bAnotherMember ? ", another member" : "");
}

// Each row's verdict, and the same from zlib alone, bytes included. The
// crafted rows are where libdeflate as Debian ships it decides otherwise
// than zlib: it takes "one-distance-code-1", "only-end-code-1",
// "literal-lengths-287", "distance-lengths-31", "length-run-past-the-end",
// "fixed-length-286", "fixed-distance-30" and "header-crc-wrong", which zlib
// refuses.
TEST_F(InflateTest, EveryVerdictIsZlibs) {
    std::map<std::string, Bytes> craft;
    for (const auto& named : MakeGzipCrafts())
        craft[named.first] = named.second;
    const Bytes text = RealGzip(Bytes(3000, 'q'));
    const Bytes second = RealGzip(Bytes(50, 'b'));
    Bytes badCrc = text;
    badCrc[text.size() - 6] ^= 0xFF;
    Bytes badLength = text;
    badLength[text.size() - 2] ^= 0x01;
    Bytes reservedFlag = text;
    reservedFlag[3] |= 0x20;
    const Bytes junk = {'j', 'u', 'n', 'k'};
    const int32_t full = int32_t(kDecompressionBufferSize);
    const int32_t secondSize = int32_t(second.size());
    const std::vector<SVerdictRow> rows = {
        {"one-distance-code-0", craft["one-distance-code-0"], EInflateResult::Inflated, 4, 0, false},
        {"one-distance-code-1", craft["one-distance-code-1"], EInflateResult::Damaged, 0, 0, false},
        {"no-distance-code-literal", craft["no-distance-code-literal"], EInflateResult::Inflated, 1, 0, false},
        {"no-distance-code-match", craft["no-distance-code-match"], EInflateResult::Damaged, 0, 0, false},
        {"only-end-code-0", craft["only-end-code-0"], EInflateResult::Empty, 0, 0, false},
        {"only-end-code-1", craft["only-end-code-1"], EInflateResult::Damaged, 0, 0, false},
        {"one-length-code", craft["one-length-code"], EInflateResult::Damaged, 0, 0, false},
        {"literal-lengths-287", craft["literal-lengths-287"], EInflateResult::Damaged, 0, 0, false},
        {"distance-lengths-31", craft["distance-lengths-31"], EInflateResult::Damaged, 0, 0, false},
        {"length-run-past-the-end", craft["length-run-past-the-end"], EInflateResult::Damaged, 0, 0, false},
        {"length-run-to-the-end", craft["length-run-to-the-end"], EInflateResult::Inflated, 1, 0, false},
        {"fixed-length-286", craft["fixed-length-286"], EInflateResult::Damaged, 0, 0, false},
        {"fixed-distance-30", craft["fixed-distance-30"], EInflateResult::Damaged, 0, 0, false},
        {"fixed-match", craft["fixed-match"], EInflateResult::Inflated, 4, 0, false},
        {"fixed-too-far-back", craft["fixed-too-far-back"], EInflateResult::Damaged, 0, 0, false},
        {"stored", craft["stored"], EInflateResult::Inflated, 5, 0, false},
        {"header-crc", craft["header-crc"], EInflateResult::Inflated, 12, 0, false},
        {"header-crc-wrong", craft["header-crc-wrong"], EInflateResult::Damaged, 0, 0, false},
        {"header-crc and junk", Joined(craft["header-crc"], junk), EInflateResult::Inflated, 12, 4, false},
        {"extra-name-comment and junk", Joined(craft["extra-name-comment"], junk), EInflateResult::Inflated, 12, 4,
         false},
        {"extra-name-comment and a member", Joined(craft["extra-name-comment"], second), EInflateResult::Inflated, 12,
         secondSize, true},
        {"reserved flag", reservedFlag, EInflateResult::Damaged, 0, 0, false},
        {"sound", text, EInflateResult::Inflated, 3000, 0, false},
        {"cut in the data", Bytes(text.begin(), text.begin() + 15), EInflateResult::Damaged, 0, 0, false},
        {"cut in the trailer", Bytes(text.begin(), text.end() - 3), EInflateResult::Damaged, 0, 0, false},
        {"cut in the header", Bytes(text.begin(), text.begin() + 5), EInflateResult::Damaged, 0, 0, false},
        {"trailer CRC wrong", badCrc, EInflateResult::Damaged, 0, 0, false},
        {"trailer length wrong", badLength, EInflateResult::Damaged, 0, 0, false},
        {"junk after", Joined(text, junk), EInflateResult::Inflated, 3000, 4, false},
        {"one byte after", Joined(text, {0x1F}), EInflateResult::Inflated, 3000, 1, false},
        {"a second member", Joined(text, second), EInflateResult::Inflated, 3000, secondSize, true},
        {"empty content", RealGzip(Bytes()), EInflateResult::Empty, 0, 0, false},
        {"empty content and a member", Joined(RealGzip(Bytes()), second), EInflateResult::Empty, 0, secondSize, true},
        {"zlib wrapper", Bytes{0x78, 0x9C, 0x4B, 0x04, 0x00, 0x00, 0x62, 0x00, 0x62}, EInflateResult::Inflated, 1, 0,
         false},
        {"nothing", Bytes(), EInflateResult::Damaged, 0, 0, false},
        {"16 MiB", Large(kDecompressionBufferSize), EInflateResult::Inflated, full, 0, false},
        {"16 MiB + 1", Large(kDecompressionBufferSize + 1), EInflateResult::TooLarge, 0, 0, false},
        {"16 MiB cut in the trailer", Large(kDecompressionBufferSize, 3), EInflateResult::TooLarge, 0, 0, false},
        {"16 MiB - 1 cut in the trailer", Large(kDecompressionBufferSize - 1, 3), EInflateResult::Damaged, 0, 0,
         false},
    };
    Bytes reference(kDecompressionBufferSize);
    for (const SVerdictRow& row : rows) {
        SCOPED_TRACE(row.pszName);
        ASSERT_FALSE(row.stream.empty() && std::strcmp(row.pszName, "nothing") != 0) << "no such craft";
        const int32_t length = int32_t(row.stream.size());
        const SInflateResult got = InflatePayload(buffer.data(), buffer.size(), row.stream.data(), length);
        const SInflateResult zlib = InflateWithZlib(reference.data(), reference.size(), row.stream.data(), length);
        EXPECT_EQ(Describe(got), Describe(zlib)) << "differs from zlib alone";
        EXPECT_EQ(got.eResult, row.eResult);
        EXPECT_EQ(got.nSize, row.nSize);
        EXPECT_EQ(got.nTrailingBytes, row.nTrailingBytes);
        EXPECT_EQ(got.bAnotherMember, row.bAnotherMember);
        if (got.Inflated() && zlib.Inflated() && got.nSize == zlib.nSize) {
            EXPECT_EQ(std::memcmp(buffer.data(), reference.data(), size_t(got.nSize)), 0) << "other bytes";
        }
    }
    EXPECT_EQ(craft.size(), 19u) << "a crafted stream without its row";
}

}  // namespace
