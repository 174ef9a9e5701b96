// Output naming: every row of the extension decision and its boundaries.
#include <gtest/gtest.h>

#include <string>

#include "extract/OutputNaming.h"
#include "tests/fixtures/ContainerWriter.h"

namespace {

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// "BM" and a recorded size, padded to `length` bytes of text-like filler.
Bytes BitmapHead(uint32_t recorded, size_t length) {
    Bytes b = {'B', 'M', uint8_t(recorded), uint8_t(recorded >> 8), uint8_t(recorded >> 16), uint8_t(recorded >> 24)};
    b.resize(length, 'a');
    return b;
}

Bytes WithAt(size_t length, size_t at, const std::string& mark) {
    Bytes b(length, 'a');
    for (size_t i = 0; i < mark.size() && at + i < length; ++i)
        b[at + i] = uint8_t(mark[i]);
    return b;
}

std::u16string Choose(const char16_t* nameExtension, const Bytes& content) {
    return ChooseExtension(nameExtension, content.data(), int32_t(content.size()));
}

TEST(OutputNaming, DotT) {
    const Bytes escapeAt5 = [] { Bytes b = Text("abcdefgh"); b[5] = 0x1B; return b; }();
    const Bytes nulAt40 = [] { Bytes b(64, 'a'); b[40] = 0; return b; }();
    const Bytes nulAt31 = [] { Bytes b(64, 'a'); b[31] = 0; return b; }();
    struct SRow {
        Bytes content;
        const char16_t* expected;
        const char* why;
    } rows[] = {
        {MakeBitmap(4, 4), u".bmp", "a real bitmap"},
        {BitmapHead(6, 6), u".bmp", "BM and size 6 in 6 bytes"},
        {BitmapHead(5, 5), u".bin", "5 bytes are not tested as a bitmap; 05 00 00 is binary"},
        {BitmapHead(0x61616161, 5), u".txt", "5 bytes are not tested as a bitmap; BMaaa is text"},
        {BitmapHead(0x61616161, 6), u".txt", "recorded size differs from the length"},
        {BitmapHead(7, 6), u".bin", "recorded size differs, size bytes are control bytes"},
        {WithAt(11, 6, "JFIF"), u".jpg", "JFIF at 6 in 11 bytes"},
        {WithAt(10, 6, "JFIF"), u".txt", "10 bytes are not a JPEG"},
        {MakeJfif(100), u".jpg", "JFIF-shaped bytes"},
        {WithAt(1028, 1024, "m1_0"), u".vum", "m1_0 at 1024 in 1028 bytes"},
        {WithAt(1027, 1024, "m1_"), u".txt", "1027 bytes are not music"},
        {Bytes(), u".txt", "empty content"},
        {nulAt40, u".txt", "control byte at offset 40 is past the first 32"},
        {nulAt31, u".bin", "NUL at offset 31"},
        {escapeAt5, u".bin", "escape among the first 32"},
        {Text("tab\tcr\rlf\n"), u".txt", "tab, CR and LF are text"},
        {Bytes(40, 0x80), u".txt", "high bytes are text"},
        {Bytes{0x7F, 0xFF, ' '}, u".txt", "DEL and 0xFF are text"},
        {GzipBytes(Text("hello")), u".bin", "gzip bytes: 0x1F is a control byte"},
    };
    for (const SRow& row : rows)
        EXPECT_EQ(Choose(u".t", row.content), row.expected) << row.why;
}

TEST(OutputNaming, DotBmAndDotTx) {
    EXPECT_EQ(Choose(u".bm", MakeBitmap(3, 3)), u".bmp");
    EXPECT_EQ(Choose(u".bm", BitmapHead(9, 8)), u".bm");
    EXPECT_EQ(Choose(u".bm", WithAt(11, 6, "JFIF")), u".bm") << ".bm is only tested as a bitmap";
    EXPECT_EQ(Choose(u".bm", Bytes{0, 1, 2}), u".bm");

    EXPECT_EQ(Choose(u".tx", Text("notes")), u".txt");
    EXPECT_EQ(Choose(u".tx", Bytes{'a', 0, 'b'}), u".tx") << "binary .tx keeps its extension";
    EXPECT_EQ(Choose(u".tx", MakeBitmap(3, 3)), u".tx") << ".tx is never tested as a bitmap";
    EXPECT_EQ(Choose(u".tx", Bytes()), u".txt");
}

TEST(OutputNaming, OtherExtensionsAreKeptInExactCase) {
    const Bytes bitmap = MakeBitmap(2, 2);
    for (const char16_t* ext : {u".T", u".TX", u".BM", u".txt", u".tx ", u".png", u"", u".", u".t.t"})
        EXPECT_EQ(Choose(ext, bitmap), std::u16string(ext));
}

TEST(OutputNaming, BinaryTestLooksAtTheFirst32BytesOnly) {
    Bytes b(33, 'a');
    b[32] = 0x01;
    EXPECT_FALSE(IsBinaryData(b.data(), 33));
    b[31] = 0x01;
    EXPECT_TRUE(IsBinaryData(b.data(), 33));
    EXPECT_FALSE(IsBinaryData(b.data(), 0));
    EXPECT_FALSE(IsBinaryData(b.data(), -5));
    for (uint8_t control = 0; control < 0x20; ++control) {
        const Bytes one{control};
        const bool text = control == 0x09 || control == 0x0A || control == 0x0D;
        EXPECT_EQ(IsBinaryData(one.data(), 1), !text) << int(control);
    }
}

}  // namespace
