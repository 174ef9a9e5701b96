// Inflation: streams from the real gzip program, damaged, empty and oversized ones.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "extract/Inflate.h"
#include "tests/fixtures/ContainerWriter.h"

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

TEST_F(InflateTest, ContentAboveTheBufferIsNotInflated) {
    const Bytes exact(kDecompressionBufferSize, 'x');
    EXPECT_EQ(Inflate(RealGzip(exact, "-1n")), int32_t(kDecompressionBufferSize));
    const Bytes above(kDecompressionBufferSize + 1, 'x');
    EXPECT_EQ(Inflate(RealGzip(above, "-1n")), 0);
}

}  // namespace
