// Output naming: every row of the extension decision and its boundaries.
#include <gtest/gtest.h>

#include <string>

#include "extract/OutputNaming.h"
#include "base/Utf.h"
#include "pack/PackVerify.h"
#include "pack/Packer.h"
#include "tests/fixtures/ContainerWriter.h"
#include "tests/support/MemoryFolderSource.h"
#include "tests/support/MemoryPlatform.h"
#include "tests/support/RecordingHost.h"

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

// Every naming rule through both directions: extraction writes the entry
// at its path, the packer's promise (WrittenFileName, ChildFolderName) names
// the same path, and a tree holding a file or folder there packs into a file
// that extracts back to it.
struct SNamingRow {
    const char* pszEntry;
    Bytes content;           // empty with bChild: a child container holding one text file
    bool bChild;
    CMemoryPlatform::EStyle eStyle;
    const char16_t* pszPath;  // where extraction puts it below the file's folder
};

const CMemoryPlatform::EStyle kPosix = CMemoryPlatform::EStyle::Posix;
const CMemoryPlatform::EStyle kWindows = CMemoryPlatform::EStyle::Windows;

TEST(OutputNaming, EveryRuleHoldsBothWays) {
    const SNamingRow rows[] = {
        {"a.t", Text("text"), false, kPosix, u"a.txt"},
        {"a.t", MakeBitmap(2, 2), false, kPosix, u"a.bmp"},
        {"a.t", MakeJfif(40), false, kPosix, u"a.jpg"},
        {"a.t", WithAt(1028, 1024, "m1_0"), false, kPosix, u"a.vum"},
        {"a.t", Bytes{1, 2, 3}, false, kPosix, u"a.bin"},
        {"a.bm", MakeBitmap(2, 2), false, kPosix, u"a.bmp"},
        {"a.bm", Text("no bitmap"), false, kPosix, u"a.bm"},
        {"a.tx", Text("text"), false, kPosix, u"a.txt"},
        {"a.tx", Bytes{0, 1}, false, kPosix, u"a.tx"},
        {"readme", Text("no extension"), false, kPosix, u"readme"},
        {"cmap\\m.t", Text("map"), false, kPosix, u"cmap/m.txt"},
        {"CMAP\\m.t", Text("map"), false, kPosix, u"cmap/m.txt"},
        {"CMAP\\m.t", Text("map"), false, kWindows, u"CMAP/m.txt"},
        {"x\\.\\y.bin", Text("dot level"), false, kPosix, u"x/y.bin"},
        {"trail. ", Text("trimmed"), false, kWindows, u"trail"},
        {"sub.pak", Bytes(), true, kPosix, u"sub"},
        {"sub .pak", Bytes(), true, kPosix, u"sub"},
        {"a.b.pak", Bytes(), true, kPosix, u"a.b"},
    };
    for (const SNamingRow& row : rows) {
        SCOPED_TRACE(row.pszEntry);
        CMemoryPlatform platform(row.eStyle);
        const std::u16string root = row.eStyle == kWindows ? u"C:\\out" : u"/out";
        CContainerWriter file;
        CContainerWriter child;
        child.AddText("in.txt", "inner");
        if (std::string(row.pszEntry).find("x\\") == 0)
            file.AddChild("x.pak", child);  // the folder the entry's first level names
        if (row.bChild)
            file.AddChild(row.pszEntry, child);
        else
            file.Add(row.pszEntry, row.content);
        const std::u16string input = root + (row.eStyle == kWindows ? u"\\f.god" : u"/f.god");
        platform.AddInputFile(input, file.Data());
        CRecordingHost host(platform, u"en-US");
        ASSERT_TRUE(host.ExtractFile(input.c_str()));
        const std::u16string sep = row.eStyle == kWindows ? u"\\" : u"/";
        std::u16string onDisk = root + sep + u"f" + sep + row.pszPath;
        for (char16_t& ch : onDisk)
            ch = ch == u'/' ? sep[0] : ch;
        EXPECT_TRUE(row.bChild ? platform.HasFolder(onDisk) : platform.HasFile(onDisk)) << "extraction";

        const std::u16string entry(row.pszEntry, row.pszEntry + std::string(row.pszEntry).size());
        const std::u16string promised = row.bChild ? ChildFolderName(platform, entry)
                                                   : WrittenFileName(platform, entry, row.content.data(),
                                                                     row.content.size());
        EXPECT_EQ(promised, row.pszPath) << "the packer's promise";

        // The way back: the tree of that one file or folder, packed plainly,
        // is read back at the same path.
        CMemoryFolderSource tree;
        if (row.bChild)
            tree.AddFile(std::u16string(row.pszPath) + u"/in.txt", Text("inner"));
        else
            tree.AddFile(row.pszPath, row.content);
        const SPackResult packed = CPacker(platform, tree, SPackOptions()).PackPlain();
        ASSERT_EQ(packed.eStatus, EPackStatus::Done) << Utf16ToUtf8String(packed.strMessage.c_str());
        EXPECT_TRUE(VerifyPacked(platform, tree, packed).empty()) << "packed back";
    }
}

}  // namespace
