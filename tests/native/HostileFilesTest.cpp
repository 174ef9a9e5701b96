// The files the round-trip checks run on. The hostile-name files: the same
// bytes for a seed and number, well-formed and small, and among the first
// 300 of seed 1 every kind of name they are there for. The round-trip
// fuzzer's recipes: names that extraction takes apart among theirs.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "extract/Container.h"
#include "tests/fixtures/HostileFiles.h"
#include "tests/fixtures/RoundTripRecipe.h"

namespace {

// Every entry name in the container, children included (gzip payloads are
// not looked into). False when an entry does not fit its container.
bool CollectNames(const uint8_t* data, int32_t length, int depth, std::set<std::string>& names, int& maxDepth) {
    maxDepth = std::max(maxDepth, depth);
    for (int32_t at = 0; at < length;) {
        int32_t size = 0;
        if (length - at < kEntryHeaderSize || !ParseSizeField(data + at + kSizeFieldOffset, &size) ||
            size < kEntryHeaderSize || size > length - at)
            return false;
        names.insert(std::string(reinterpret_cast<const char*>(data + at), size_t(EntryNameLength(data + at))));
        const uint8_t* payload = data + at + kEntryHeaderSize;
        const int32_t payloadLength = size - kEntryHeaderSize;
        if (IsValidEntryHeader(payload, payloadLength) &&
            !CollectNames(payload, payloadLength, depth + 1, names, maxDepth))
            return false;
        at += size;
    }
    return true;
}

std::string Lower(std::string text) {
    for (char& c : text)
        c = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text;
}

TEST(HostileFiles, SameBytesForSeedAndNumberOnly) {
    EXPECT_EQ(MakeHostileFile(1, 7), MakeHostileFile(1, 7));
    EXPECT_NE(MakeHostileFile(1, 7), MakeHostileFile(1, 8));
    EXPECT_NE(MakeHostileFile(1, 7), MakeHostileFile(2, 7));
}

TEST(HostileFiles, WellFormedSmallAndEveryKindOfName) {
    std::set<std::string> all;
    int deepest = 0, caseTwins = 0;
    for (unsigned index = 0; index < 300; ++index) {
        const Bytes file = MakeHostileFile(1, index);
        ASSERT_TRUE(IsValidEntryHeader(file.data(), int32_t(file.size()))) << index;
        EXPECT_LT(file.size(), 16384u) << index;
        std::set<std::string> names;
        ASSERT_TRUE(CollectNames(file.data(), int32_t(file.size()), 0, names, deepest)) << index;
        std::set<std::string> folded;
        for (const std::string& name : names)
            folded.insert(Lower(name));
        caseTwins += folded.size() < names.size();
        all.insert(names.begin(), names.end());
    }
    EXPECT_EQ(deepest, 3);
    EXPECT_GT(caseTwins, 10);
    for (const char* name : {"", ".", "..", "...", "a.", ".a", " ", ".\\", "x\\log\\.", "\\\\x.t", "cmap\\",
                             "CMAP\\", "cmap\\..\\x.t", "cmap\\CON", "CON", ".pak", "..pak", " .pak", "x\\y.pak",
                             "\x95\x5c.t"})
        EXPECT_EQ(all.count(name), 1u) << "no entry named [" << name << "]";
    // A name that fills its 40-byte field runs on into the size field's two
    // to nine digits.
    std::set<size_t> lengths;
    for (const std::string& name : all)
        lengths.insert(name.size());
    for (size_t length : {39u, 42u, 49u})
        EXPECT_EQ(lengths.count(length), 1u) << "no name of " << length << " bytes";
}

TEST(RoundTripRecipe, NamesExtractionTakesApart) {
    std::set<std::string> all;
    uint32_t state = 12345;
    int deepest = 0;
    for (int n = 0; n < 2000; ++n) {
        Bytes bytes(64);
        for (uint8_t& b : bytes)
            b = uint8_t((state = state * 1103515245u + 12345u) >> 24);
        CRecipe recipe(bytes.data(), bytes.size());
        const Bytes file = BuildRecipeFile(recipe);
        ASSERT_TRUE(CollectNames(file.data(), int32_t(file.size()), 0, all, deepest)) << n;
    }
    for (const char* name : {"", ".", "..", "cmap\\..\\", "cmap\\CON", "x\\log\\."})
        EXPECT_EQ(all.count(name), 1u) << "no entry named [" << name << "]";
    const auto anyHolds = [&](const std::string& part) {
        for (const std::string& name : all) {
            if (name.size() > part.size() && name.find(part) != std::string::npos)
                return true;
        }
        return false;
    };
    for (const char* part : {".\\", "\\.\\", "cmap\\..\\", "cmap\\CON", "\\\\"})
        EXPECT_TRUE(anyHolds(part)) << "no longer name holds [" << part << "]";
}

}  // namespace
