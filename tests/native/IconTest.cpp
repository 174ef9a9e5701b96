// The program's icon: the committed res/VantoExtractor.ico is exactly what
// make-icon draws, and it is a well-formed 32-bit icon with 48, 32 and 16
// pixel images. The file is read here with a reader of its own.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t Le16(const Bytes& b, size_t at) {
    return uint32_t(b.at(at)) | uint32_t(b.at(at + 1)) << 8;
}

uint32_t Le32(const Bytes& b, size_t at) {
    return Le16(b, at) | Le16(b, at + 2) << 16;
}

// Runs make-icon with the given output path; returns its exit status.
int RunMakeIcon(const std::string& output) {
    const pid_t pid = fork();
    if (pid == 0) {
        execl(VANTO_MAKE_ICON_BINARY, VANTO_MAKE_ICON_BINARY, output.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// One image of the icon as stored: its directory entry and its DIB.
struct SEntry {
    uint32_t nWidth, nHeight, nColorCount, nReserved, nPlanes, nBitCount, nBytes, nOffset;
};

class IconFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        icon = ReadBytes(VANTO_ICON_FILE);
        ASSERT_GE(icon.size(), 6u) << VANTO_ICON_FILE;
        ASSERT_EQ(Le16(icon, 0), 0u) << "reserved";
        ASSERT_EQ(Le16(icon, 2), 1u) << "type: icon";
        const uint32_t count = Le16(icon, 4);
        ASSERT_GE(icon.size(), 6 + 16 * size_t(count));
        for (uint32_t i = 0; i < count; ++i) {
            const size_t at = 6 + 16 * size_t(i);
            entries.push_back({icon[at], icon[at + 1], icon[at + 2], icon[at + 3], Le16(icon, at + 4),
                               Le16(icon, at + 6), Le32(icon, at + 8), Le32(icon, at + 12)});
        }
    }

    // Alpha of pixel (x, y), y counted from the top, of the entry's colour rows.
    uint8_t Alpha(const SEntry& e, uint32_t x, uint32_t y) const {
        const size_t row = e.nHeight - 1 - y;  // rows are stored bottom-up
        return icon.at(e.nOffset + 40 + (row * e.nWidth + x) * 4 + 3);
    }

    // The AND mask bit of pixel (x, y), y counted from the top.
    bool MaskBit(const SEntry& e, uint32_t x, uint32_t y) const {
        const size_t stride = (e.nWidth + 31) / 32 * 4;
        const size_t maskStart = e.nOffset + 40 + size_t(e.nWidth) * e.nHeight * 4;
        const size_t row = e.nHeight - 1 - y;
        return (icon.at(maskStart + row * stride + x / 8) >> (7 - x % 8)) & 1;
    }

    Bytes icon;
    std::vector<SEntry> entries;
};

TEST(IconTest, CommittedIconIsWhatTheGeneratorDraws) {
    char dir[] = "/tmp/vanto-icon-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string output = std::string(dir) + "/icon.ico";
    ASSERT_EQ(RunMakeIcon(output), 0);
    const Bytes generated = ReadBytes(output);
    std::remove(output.c_str());
    rmdir(dir);
    const Bytes committed = ReadBytes(VANTO_ICON_FILE);
    ASSERT_FALSE(committed.empty()) << VANTO_ICON_FILE;
    EXPECT_EQ(generated.size(), committed.size());
    EXPECT_TRUE(generated == committed) << "res/VantoExtractor.ico is stale: regenerate it with make-icon";
}

TEST_F(IconFileTest, DirectoryListsThree32BitImagesLargestFirst) {
    ASSERT_EQ(entries.size(), 3u);
    const uint32_t sizes[] = {48, 32, 16};
    for (size_t i = 0; i < entries.size(); ++i) {
        const SEntry& e = entries[i];
        EXPECT_EQ(e.nWidth, sizes[i]) << i;
        EXPECT_EQ(e.nHeight, sizes[i]) << i;
        EXPECT_EQ(e.nColorCount, 0u) << i;
        EXPECT_EQ(e.nReserved, 0u) << i;
        EXPECT_EQ(e.nPlanes, 1u) << i;
        EXPECT_EQ(e.nBitCount, 32u) << i;
    }
}

TEST_F(IconFileTest, ImagesFollowTheDirectoryAndFillTheFile) {
    ASSERT_EQ(entries.size(), 3u);
    // Each image: a 40-byte header, 4 bytes a pixel, one mask bit a pixel in
    // rows padded to 4 bytes. The images sit back to back after the directory.
    size_t expectedOffset = 6 + 16 * entries.size();
    for (const SEntry& e : entries) {
        const size_t maskStride = (e.nWidth + 31) / 32 * 4;
        EXPECT_EQ(e.nOffset, expectedOffset);
        EXPECT_EQ(e.nBytes, 40 + size_t(e.nWidth) * e.nHeight * 4 + maskStride * e.nHeight);
        expectedOffset = size_t(e.nOffset) + e.nBytes;
    }
    EXPECT_EQ(expectedOffset, icon.size());
}

TEST_F(IconFileTest, EachImageIsA32BitDibOfDoubleHeight) {
    ASSERT_EQ(entries.size(), 3u);
    for (const SEntry& e : entries) {
        ASSERT_LE(size_t(e.nOffset) + 40, icon.size());
        const size_t at = e.nOffset;
        EXPECT_EQ(Le32(icon, at), 40u) << "biSize";
        EXPECT_EQ(Le32(icon, at + 4), e.nWidth) << "biWidth";
        EXPECT_EQ(Le32(icon, at + 8), 2 * e.nHeight) << "biHeight: colour rows and mask rows";
        EXPECT_EQ(Le16(icon, at + 12), 1u) << "biPlanes";
        EXPECT_EQ(Le16(icon, at + 14), 32u) << "biBitCount";
        EXPECT_EQ(Le32(icon, at + 16), 0u) << "biCompression: BI_RGB";
        const uint32_t sizeImage = Le32(icon, at + 20);
        EXPECT_TRUE(sizeImage == 0 || sizeImage == e.nBytes - 40) << "biSizeImage " << sizeImage;
        EXPECT_EQ(Le32(icon, at + 32), 0u) << "biClrUsed: no palette";
        // A PNG-compressed image would start with its signature, not a header.
        EXPECT_NE(icon[at], 0x89);
    }
}

TEST_F(IconFileTest, AndMaskIsSetExactlyWhereAlphaIsZero) {
    ASSERT_EQ(entries.size(), 3u);
    for (const SEntry& e : entries) {
        ASSERT_LE(size_t(e.nOffset) + e.nBytes, icon.size());
        int mismatches = 0;
        for (uint32_t y = 0; y < e.nHeight; ++y)
            for (uint32_t x = 0; x < e.nWidth; ++x)
                if (MaskBit(e, x, y) != (Alpha(e, x, y) == 0))
                    ++mismatches;
        EXPECT_EQ(mismatches, 0) << e.nWidth << "x" << e.nHeight;
        // The padding bits beyond the image's width stay clear.
        const size_t stride = (e.nWidth + 31) / 32 * 4;
        const size_t maskStart = e.nOffset + 40 + size_t(e.nWidth) * e.nHeight * 4;
        for (uint32_t row = 0; row < e.nHeight; ++row)
            for (size_t bit = e.nWidth; bit < stride * 8; ++bit)
                EXPECT_EQ((icon[maskStart + row * stride + bit / 8] >> (7 - bit % 8)) & 1, 0)
                    << e.nWidth << " row " << row << " bit " << bit;
    }
}

TEST_F(IconFileTest, EachImageIsADrawingWithClearCorners) {
    ASSERT_EQ(entries.size(), 3u);
    for (const SEntry& e : entries) {
        ASSERT_LE(size_t(e.nOffset) + e.nBytes, icon.size());
        const uint32_t n = e.nWidth;
        size_t opaque = 0, clear = 0;
        for (uint32_t y = 0; y < n; ++y) {
            for (uint32_t x = 0; x < n; ++x) {
                opaque += Alpha(e, x, y) == 255;
                clear += Alpha(e, x, y) == 0;
            }
        }
        // Mostly drawn, yet not a filled square: transparency around it.
        EXPECT_GT(opaque, size_t(n) * n / 3) << n;
        EXPECT_GT(clear, size_t(n) * n / 20) << n;
        EXPECT_EQ(Alpha(e, 0, 0), 0) << n << ": top left";
        EXPECT_EQ(Alpha(e, n - 1, 0), 0) << n << ": top right";
        EXPECT_EQ(Alpha(e, 0, n - 1), 0) << n << ": bottom left";
        EXPECT_EQ(Alpha(e, n - 1, n - 1), 0) << n << ": bottom right";
        // The middle of the icon is drawn.
        EXPECT_GT(Alpha(e, n / 2, n / 2), 0) << n << ": centre";
    }
}

}  // namespace
