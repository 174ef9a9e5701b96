// The container walker: entry order, positions, folders, naming, inflation and
// every refusal, checked line by line against an in-memory file system.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "extract/Inflate.h"
#include "base/Utf.h"
#include "tests/support/MemoryPlatform.h"
#include "tests/support/RecordingHost.h"
#include "tests/fixtures/ContainerWriter.h"

namespace {

using Lines = std::vector<std::u16string>;

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// The files written, in the walk's order. Writer threads create them in any
// order, so the order shows only with one writer; with more, the set does.
void ExpectWritten(const CMemoryPlatform& platform, Lines expected) {
    Lines written = platform.WrittenPaths();
    if (platform.nWritersOpened > 1) {
        std::sort(written.begin(), written.end());
        std::sort(expected.begin(), expected.end());
    }
    EXPECT_EQ(written, expected);
}

std::u16string Num(int value) {
    std::u16string s;
    for (char c : std::to_string(value))
        s.push_back(char16_t(c));
    return s;
}

class WalkerTest : public ::testing::Test {
protected:
    // Walks the container as the job would, into C:\out\f\.
    Lines Walk(const Bytes& container) {
        host.SetExtractionRoot(u"C:\\out");
        platform.AddFolder(u"C:\\out\\f");
        host.ExtractData(u"f\\", container.data(), int32_t(container.size()));
        EXPECT_EQ(platform.nLiveBlocks, 0) << "every decompression buffer is given back";
        return host.lines;
    }

    CMemoryPlatform platform{CMemoryPlatform::EStyle::Windows};
    CRecordingHost host{platform, u"en-US"};
};

TEST_F(WalkerTest, EmptyContainerLogsOnlyItsStart) {
    EXPECT_EQ(Walk(Bytes()), (Lines{u"ExtractData(dir=f\\, size=0)"}));
    EXPECT_EQ(platform.FileCount(), 0u);
}

TEST_F(WalkerTest, DepthFirstWithPositionsPerContainer) {
    CContainerWriter child;
    child.AddText("c1.t", "one").AddText("c2.t", "two!");
    CContainerWriter top;
    top.AddText("a.t", "hello").AddChild("sub.pak", child).AddText("z.tx", "last");
    const int32_t n = int32_t(top.Data().size());
    const int32_t childLength = int32_t(child.Data().size());
    ASSERT_EQ(childLength, 53 + 54);

    const Lines expected = {
        u"ExtractData(dir=f\\, size=" + Num(n) + u")",
        u"Extracting... filename=a.t position=0/" + Num(n) + u" size=55",
        u"Extracting... filename=sub.pak position=55/" + Num(n) + u" size=" + Num(50 + childLength),
        u"sub.pak has child elements.",
        u"CreateDirectory (path=C:\\out\\f\\sub) ... Success!",
        u"ExtractData(dir=f\\sub\\, size=" + Num(childLength) + u")",
        u"Extracting... filename=c1.t position=0/" + Num(childLength) + u" size=53",
        u"Extracting... filename=c2.t position=53/" + Num(childLength) + u" size=54",
        u"Extracting... filename=z.tx position=" + Num(55 + 50 + childLength) + u"/" + Num(n) + u" size=54",
    };
    EXPECT_EQ(Walk(top.Data()), expected);
    EXPECT_EQ(platform.FileContent(u"C:\\out\\f\\a.txt"), Text("hello"));
    EXPECT_EQ(platform.FileContent(u"C:\\out\\f\\sub\\c1.txt"), Text("one"));
    EXPECT_EQ(platform.FileContent(u"C:\\out\\f\\sub\\c2.txt"), Text("two!"));
    EXPECT_EQ(platform.FileContent(u"C:\\out\\f\\z.txt"), Text("last"));
    ExpectWritten(platform, {u"C:\\out\\f\\a.txt", u"C:\\out\\f\\sub\\c1.txt", u"C:\\out\\f\\sub\\c2.txt",
                             u"C:\\out\\f\\z.txt"});
}

TEST_F(WalkerTest, InvalidHeaderEndsTheContainerSilentlyAndTheParentGoesOn) {
    CContainerWriter child;
    child.AddText("in.t", "inside").AddRaw(MakeEntryHeader("bad.t", "5x")).AddRaw(Bytes(30, 'q'));
    CContainerWriter top;
    top.AddChild("c.pak", child).AddText("after.t", "parent goes on").AddRaw(Bytes(20, 0));
    const Lines lines = Walk(top.Data());
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[4], u"ExtractData(dir=f\\c\\, size=" + Num(int(child.Data().size())) + u")");
    EXPECT_EQ(lines[5], u"Extracting... filename=in.t position=0/" + Num(int(child.Data().size())) + u" size=56");
    EXPECT_EQ(lines[6], u"Extracting... filename=after.t position=" + Num(50 + int(child.Data().size())) + u"/" +
                            Num(int(top.Data().size())) + u" size=64");
    EXPECT_TRUE(platform.HasFile(u"C:\\out\\f\\c\\in.txt"));
    EXPECT_TRUE(platform.HasFile(u"C:\\out\\f\\after.txt"));
    EXPECT_EQ(platform.FileCount(), 2u);
}

TEST_F(WalkerTest, EntryTestBoundaries) {
    // A last entry with an empty payload is an entry in a container of more than 50 bytes.
    CContainerWriter two;
    two.Add("e1", Bytes()).Add("e2", Bytes());
    ASSERT_EQ(two.Data().size(), 100u);
    const Lines lines = Walk(two.Data());
    EXPECT_EQ(lines, (Lines{u"ExtractData(dir=f\\, size=100)", u"Extracting... filename=e1 position=0/100 size=50",
                            u"Extracting... filename=e2 position=50/100 size=50"}));
    EXPECT_EQ(platform.FileContent(u"C:\\out\\f\\e1"), Bytes());
    EXPECT_TRUE(platform.HasFile(u"C:\\out\\f\\e2"));
}

TEST_F(WalkerTest, ContainerOfFiftyBytesHoldsNoEntry) {
    CContainerWriter one;
    one.Add("e1", Bytes());
    EXPECT_EQ(Walk(one.Data()), (Lines{u"ExtractData(dir=f\\, size=50)"}));
}

TEST_F(WalkerTest, NestingRule) {
    // A 50-byte payload that is itself a valid header is content, not a child.
    CContainerWriter top;
    top.Add("p50.t", MakeEntryHeader("x", "50"));
    // A payload beginning 1F 8B 08 with a valid size field at 40 is a child.
    Bytes gzLike = MakeEntryHeader("\x1F\x8B\x08", "51");
    gzLike.push_back('!');
    top.Add("gz.pak", gzLike);
    const Lines lines = Walk(top.Data());
    EXPECT_TRUE(platform.HasFile(u"C:\\out\\f\\p50.bin"));
    EXPECT_NE(std::find(lines.begin(), lines.end(), u"gz.pak has child elements."), lines.end());
    EXPECT_TRUE(platform.HasFolder(u"C:\\out\\f\\gz"));
    EXPECT_TRUE(platform.HasFile(u"C:\\out\\f\\gz\\\x1F\x8B\x08"));
}

TEST_F(WalkerTest, CmapFolderOncePerContainerBeforeItsEntry) {
    CContainerWriter child;
    child.AddText("CMAP\\c.t", "child map");
    CContainerWriter top;
    top.AddText("first.t", "x").AddText("cmap\\a.t", "map a").AddText("cmap\\b.t", "map b").AddChild("k.pak", child);
    const Lines lines = Walk(top.Data());
    const Lines expectedStart = {
        u"ExtractData(dir=f\\, size=" + Num(int(top.Data().size())) + u")",
        u"Extracting... filename=first.t position=0/" + Num(int(top.Data().size())) + u" size=51",
        u"CreateDirectory (path=C:\\out\\f\\cmap) ... Success!",
    };
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + 3), expectedStart);
    EXPECT_EQ(lines[3].substr(0, 32), u"Extracting... filename=cmap\\a.t ");
    EXPECT_EQ(lines[4].substr(0, 32), u"Extracting... filename=cmap\\b.t ") << "not attempted a second time";
    EXPECT_EQ(lines[6], u"k.pak has child elements.");
    EXPECT_EQ(lines[7], u"CreateDirectory (path=C:\\out\\f\\k) ... Success!");
    EXPECT_EQ(lines[8], u"ExtractData(dir=f\\k\\, size=" + Num(int(child.Data().size())) + u")");
    EXPECT_EQ(lines[9], u"CreateDirectory (path=C:\\out\\f\\k\\cmap) ... Success!") << "a child has its own";
    EXPECT_EQ(platform.FileContent(u"C:\\out\\f\\cmap\\a.txt"), Text("map a"));
    EXPECT_EQ(platform.FileContent(u"C:\\out\\f\\cmap\\b.txt"), Text("map b"));
    EXPECT_EQ(platform.FileContent(u"C:\\out\\f\\k\\cmap\\c.txt"), Text("child map"));
}

TEST_F(WalkerTest, FailedCmapFolderIsNotRetried) {
    platform.AddFolder(u"C:\\out\\f");
    platform.AddFolder(u"C:\\out\\f\\cmap");  // exists already: creation fails
    CContainerWriter top;
    top.AddText("cmap\\a.t", "a").AddText("cmap\\b.t", "b");
    const Lines lines = Walk(top.Data());
    int attempts = 0;
    for (const std::u16string& line : lines)
        attempts += line == u"CreateDirectory (path=C:\\out\\f\\cmap) ... Failed!";
    EXPECT_EQ(attempts, 1);
    EXPECT_TRUE(platform.HasFile(u"C:\\out\\f\\cmap\\b.txt"));
}

TEST_F(WalkerTest, ChildFolderNames) {
    CContainerWriter inner;
    inner.AddText("i.t", "i");
    CContainerWriter top;
    top.AddChild("data .pak", inner)   // one trailing blank goes
        .AddText("data .t", "stored")   // a file keeps its blank
        .AddChild("two  .pak", inner)   // only one blank goes, and Windows drops the other
        .AddChild("nodot", inner)       // no dot: whole name
        .AddChild("a.b.pak", inner);    // last dot only
    Walk(top.Data());
    EXPECT_TRUE(platform.HasFile(u"C:\\out\\f\\data\\i.txt"));
    EXPECT_TRUE(platform.HasFile(u"C:\\out\\f\\data .txt"));
    EXPECT_TRUE(platform.HasFile(u"C:\\out\\f\\two\\i.txt"));
    EXPECT_TRUE(platform.HasFile(u"C:\\out\\f\\nodot\\i.txt"));
    EXPECT_TRUE(platform.HasFile(u"C:\\out\\f\\a.b\\i.txt"));
}

TEST_F(WalkerTest, ChildrenWithTheSameFolderShareIt) {
    CContainerWriter first;
    first.AddText("x.t", "first x").AddText("y.t", "first y");
    CContainerWriter second;
    second.AddText("x.t", "second x").AddText("z.t", "second z");
    CContainerWriter top;
    top.AddChild("a.pak", first).AddChild("a.dat", second);
    const Lines lines = Walk(top.Data());
    EXPECT_NE(std::find(lines.begin(), lines.end(), u"CreateDirectory (path=C:\\out\\f\\a) ... Failed!"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), u"Cannot create file [C:\\out\\f\\a\\x.txt]."), lines.end());
    EXPECT_EQ(platform.FileContent(u"C:\\out\\f\\a\\x.txt"), Text("first x"));
    EXPECT_EQ(platform.FileContent(u"C:\\out\\f\\a\\z.txt"), Text("second z"));
}

TEST_F(WalkerTest, OnlyAnExtensionGivesAnEmptyChildFolderName) {
    CContainerWriter inner;
    inner.AddText("i.t", "i");
    CContainerWriter top;
    top.AddChild(".pak", inner);
    const Lines lines = Walk(top.Data());
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[3], u"CreateDirectory (path=C:\\out\\f\\) ... Failed!");
    EXPECT_EQ(lines[4], u"ExtractData(dir=f\\\\, size=51)");
    EXPECT_TRUE(platform.HasFile(u"C:\\out\\f\\i.txt"));
}

TEST_F(WalkerTest, OutputNamesFromBaseNameAndChosenExtension) {
    CContainerWriter top;
    top.AddText("a.b.t", "last dot only")
        .AddText("readme", "no extension, no test")
        .Add(".t", Bytes{0x01})
        .AddText("pic.png", "kept");
    Walk(top.Data());
    ExpectWritten(platform, {u"C:\\out\\f\\a.b.txt", u"C:\\out\\f\\readme", u"C:\\out\\f\\.bin", u"C:\\out\\f\\pic.png"});
}

TEST_F(WalkerTest, NameFillingItsFieldRunsIntoTheSizeDigits) {
    // A 40-byte name is ended by the size field's first NUL: its digits are
    // part of the name ("...x" then "55" for an entry of 55 bytes).
    const std::string forty(39, 'n');
    CContainerWriter top;
    top.AddText(forty + "x", "12345");
    const Lines lines = Walk(top.Data());
    const std::u16string name = std::u16string(39, u'n') + u"x55";
    EXPECT_EQ(lines[1], u"Extracting... filename=" + name + u" position=0/55 size=55");
    EXPECT_TRUE(platform.HasFile(u"C:\\out\\f\\" + name));
}

TEST_F(WalkerTest, SameOutputNameIsWrittenOnce) {
    CContainerWriter top;
    top.AddText("a.t", "first").AddText("a.tx", "second").AddText("A.T", "third");
    const Lines lines = Walk(top.Data());
    EXPECT_EQ(lines[3], u"Cannot create file [C:\\out\\f\\a.txt].");
    EXPECT_EQ(platform.FileContent(u"C:\\out\\f\\a.txt"), Text("first"));
    EXPECT_EQ(platform.FileContent(u"C:\\out\\f\\A.T"), Text("third"));
}

TEST_F(WalkerTest, CompressedPayloads) {
    const Bytes bitmap = MakeBitmap(5, 3);
    Bytes damaged = GzipBytes(Text("some text that compresses"));
    damaged[12] ^= 0xFF;
    damaged[13] ^= 0xFF;
    const Bytes empty = GzipBytes(Bytes());
    Bytes twoMembers = GzipBytes(Text("first member"));
    const Bytes second = GzipBytes(Text("second member"));
    twoMembers.insert(twoMembers.end(), second.begin(), second.end());

    CContainerWriter top;
    top.Add("pic.t", GzipBytes(bitmap))
        .Add("bad.t", damaged)
        .Add("nothing.t", empty)
        .Add("members.t", twoMembers)
        .Add("pic.bm", GzipBytes(bitmap))
        .Add("raw.dat", GzipBytes(Text("kept name")));
    Walk(top.Data());
    EXPECT_EQ(platform.FileContent(u"C:\\out\\f\\pic.bmp"), bitmap) << "inflated, then sniffed";
    EXPECT_EQ(platform.FileContent(u"C:\\out\\f\\bad.bin"), damaged) << "damaged stream written as stored";
    EXPECT_EQ(platform.FileContent(u"C:\\out\\f\\nothing.bin"), empty) << "empty stream written as stored";
    EXPECT_EQ(platform.FileContent(u"C:\\out\\f\\members.txt"), Text("first member")) << "first member only";
    EXPECT_EQ(platform.FileContent(u"C:\\out\\f\\pic.bmp"), bitmap);
    EXPECT_EQ(platform.FileContent(u"C:\\out\\f\\raw.dat"), Text("kept name"));
}

TEST_F(WalkerTest, ContentAboveSixteenMebibytesIsWrittenAsStored) {
    const Bytes big(kDecompressionBufferSize + 1, 'a');
    const Bytes exact(kDecompressionBufferSize, 'b');
    const Bytes bigGz = GzipBytes(big, 1);
    CContainerWriter top;
    top.Add("big.t", bigGz).Add("exact.t", GzipBytes(exact, 1));
    Walk(top.Data());
    EXPECT_EQ(platform.FileContent(u"C:\\out\\f\\big.bin"), bigGz);
    EXPECT_EQ(platform.FileContent(u"C:\\out\\f\\exact.txt").size(), kDecompressionBufferSize);
}

// --- Refusals of untrusted input -------------------------------------------

TEST_F(WalkerTest, UnsafeNamesAreSkippedAndTheWalkGoesOn) {
    CContainerWriter inner;
    inner.AddText("x.t", "inner");
    CContainerWriter top;
    top.AddText("..\\..\\evil.t", "climb")  // 55 bytes
        .AddChild("..\\up.pak", inner)         // 105
        .AddText("c:evil.t", "drive")         // 55
        .AddText("nul.t", "device")           // 56
        .AddText("ok.t", "fine");             // 54
    ASSERT_EQ(top.Data().size(), 325u);
    const Lines expected = {
        u"ExtractData(dir=f\\, size=325)",
        u"Extracting... filename=..\\..\\evil.t position=0/325 size=55",
        u"Skipped unsafe name [..\\..\\evil.t].",
        u"Extracting... filename=..\\up.pak position=55/325 size=105",
        u"..\\up.pak has child elements.",
        u"Skipped unsafe name [..\\up.pak].",
        u"Extracting... filename=c:evil.t position=160/325 size=55",
        u"Skipped unsafe name [c:evil.t].",
        u"Extracting... filename=nul.t position=215/325 size=56",
        u"Skipped unsafe name [nul.t].",
        u"Extracting... filename=ok.t position=271/325 size=54",
    };
    EXPECT_EQ(Walk(top.Data()), expected);
    EXPECT_EQ(platform.FileCount(), 1u);
    EXPECT_TRUE(platform.HasFile(u"C:\\out\\f\\ok.txt"));
    EXPECT_EQ(platform.nCreateDirCalls, 0) << "no folder was attempted for the unsafe child";
}

// A fresh in-memory system of one style, with its root open and the
// output folder f in place, walked once.
struct SWalkedSystem {
    explicit SWalkedSystem(CMemoryPlatform::EStyle style = CMemoryPlatform::EStyle::Windows)
        : windows(style == CMemoryPlatform::EStyle::Windows), platform(style), host(platform, u"en-US") {
        host.SetExtractionRoot(windows ? u"C:\\out" : u"/out");
        platform.AddFolder(windows ? u"C:\\out\\f" : u"/out/f");
    }
    void Walk(const CContainerWriter& top) {
        host.ExtractData(windows ? u"f\\" : u"f/", top.Data().data(), int32_t(top.Data().size()));
    }

    bool windows;
    CMemoryPlatform platform;
    CRecordingHost host;
};

// Names as each system creates them, so that the log names what is on disk:
// on Windows every component loses its trailing dots and blanks, and one made
// only of them is refused; elsewhere names stay as they are, and "CMAP\" in
// any letter case still goes to the "cmap" folder the walker made.
TEST(WalkerNames, FittedToTheSystem) {
    using E = CMemoryPlatform::EStyle;
    struct SRow {
        E style;
        const char* entry;
        bool child;               // a child container holding "i.t", or a text entry
        const char16_t* written;  // the first path written, exactly; null: none
    } rows[] = {
        {E::Windows, "sp  .pak", true, u"C:\\out\\f\\sp\\i.txt"},
        {E::Windows, "end.", false, u"C:\\out\\f\\end"},
        {E::Windows, " \\x.t", false, nullptr},
        {E::Windows, ".\\x.t", false, nullptr},
        {E::Windows, "x\\  .pak", true, nullptr},
        {E::Windows, "CMAP\\x.t", false, u"C:\\out\\f\\CMAP\\x.txt"},
        {E::Posix, "sp  .pak", true, u"/out/f/sp /i.txt"},
        {E::Posix, "end.", false, u"/out/f/end."},
        {E::Posix, "CMAP\\x.t", false, u"/out/f/cmap/x.txt"},
        {E::Posix, "xcmap\\x.t", false, nullptr},
    };
    CContainerWriter inner;
    inner.AddText("i.t", "i");
    for (const SRow& row : rows) {
        SCOPED_TRACE(row.entry);
        SWalkedSystem system(row.style);
        CContainerWriter top;
        if (row.child)
            top.AddChild(row.entry, inner);
        else
            top.AddText(row.entry, "x");
        system.Walk(top);
        const CMemoryPlatform& platform = system.platform;
        const CRecordingHost& host = system.host;
        if (row.written) {
            ASSERT_EQ(platform.WrittenPaths().size(), 1u);
            EXPECT_EQ(platform.WrittenPaths()[0], row.written);
            EXPECT_EQ(host.EntryProblemCount(), 0);
        } else {
            EXPECT_EQ(platform.FileCount(), 0u);
            EXPECT_EQ(host.EntryProblemCount(), 1);
        }
    }
}

// Every entry that is not written as it should be counts once; a link where
// a child's folder goes is reported "Failed!" and never entered, while a real
// folder there is filled.
TEST(WalkerProblems, EveryLostEntryCountsOnce) {
    CContainerWriter two;
    two.AddText("x.t", "x").AddText("y.t", "y");
    struct SRow {
        const char* what;
        CContainerWriter top;
        const char16_t* link;    // made a link before the walk, or null
        const char16_t* folder;  // made a folder before the walk, or null
        bool failWrites;
        int problems;
        size_t files;
    } rows[] = {
        {"all fine", CContainerWriter().AddText("a.t", "a").AddChild("sub.pak", two), nullptr, nullptr, false, 0, 3},
        {"damaged", CContainerWriter().AddText("a.t", "a").AddRaw(MakeEntryHeader("b.t", "500")), nullptr, nullptr,
         false, 1, 1},
        {"unsafe", CContainerWriter().AddText("..\\a.t", "a").AddText("b.t", "b"), nullptr, nullptr, false, 1, 1},
        {"same name twice", CContainerWriter().AddText("a.t", "a").AddText("a.t", "b"), nullptr, nullptr, false, 1, 1},
        {"writes fail", CContainerWriter().AddText("a.t", "a").AddText("b.t", "b"), nullptr, nullptr, true, 2, 0},
        {"link at a child", CContainerWriter().AddChild("sub.pak", two), u"C:\\out\\f\\sub", nullptr, false, 1, 0},
        {"folder at a child", CContainerWriter().AddChild("sub.pak", two), nullptr, u"C:\\out\\f\\sub", false, 0, 2},
    };
    for (const SRow& row : rows) {
        SCOPED_TRACE(row.what);
        SWalkedSystem system;
        CMemoryPlatform& platform = system.platform;
        const CRecordingHost& host = system.host;
        if (row.link)
            platform.AddLink(row.link);
        if (row.folder)
            platform.AddFolder(row.folder);
        platform.bFailWrites = row.failWrites;
        system.Walk(row.top);
        EXPECT_EQ(host.EntryProblemCount(), row.problems);
        EXPECT_EQ(platform.FileCount(), row.files);
        const bool entered = std::any_of(host.lines.begin(), host.lines.end(), [](const std::u16string& line) {
            return line.rfind(u"ExtractData(dir=f\\sub\\", 0) == 0;
        });
        if (row.link || row.folder) {
            EXPECT_NE(std::find(host.lines.begin(), host.lines.end(),
                                u"CreateDirectory (path=C:\\out\\f\\sub) ... Failed!"),
                      host.lines.end());
            EXPECT_EQ(entered, row.folder != nullptr);
        }
    }
}

TEST_F(WalkerTest, UnsafeNameIsRefusedBeforeItsPayloadIsInflated) {
    CContainerWriter top;
    top.AddGzip("..\\x.t", Text("compressed"));
    Walk(top.Data());
    EXPECT_EQ(platform.nBlocksTaken, 0) << "no decompression buffer for a refused entry";
    EXPECT_EQ(host.lines.back(), u"Skipped unsafe name [..\\x.t].");
}

TEST_F(WalkerTest, DeviceNamesAreUsableWhereTheSystemHasNone) {
    CMemoryPlatform posix(CMemoryPlatform::EStyle::Posix);
    CRecordingHost posixHost(posix, u"en-US");
    posixHost.SetExtractionRoot(u"/out");
    posix.AddFolder(u"/out/f");
    CContainerWriter top;
    top.AddText("nul.t", "device name").AddText("sub\\x.t", "nested");
    posix.AddFolder(u"/out/f/sub");
    posixHost.ExtractData(u"f/", top.Data().data(), int32_t(top.Data().size()));
    EXPECT_EQ(posix.FileContent(u"/out/f/nul.txt"), Text("device name"));
    EXPECT_TRUE(posix.HasFile(u"/out/f/sub/x.txt")) << "backslashes become '/' in paths";
}

TEST_F(WalkerTest, DamagedEntrySizesEndTheContainer) {
    CContainerWriter child;
    child.AddText("fine.t", "fine").AddRaw(MakeEntryHeader("short.t", "49")).AddRaw(Bytes(20, 'x'));
    Bytes tooLong = MakeEntryHeader("cmap\\long.t", "500");
    tooLong.resize(120, 'y');
    CContainerWriter top;
    top.AddChild("c.pak", child).AddText("next.t", "parent goes on").AddRaw(tooLong);
    ASSERT_EQ(child.Data().size(), 124u);
    ASSERT_EQ(top.Data().size(), 358u);
    const Lines expected = {
        u"ExtractData(dir=f\\, size=358)",
        u"Extracting... filename=c.pak position=0/358 size=174",
        u"c.pak has child elements.",
        u"CreateDirectory (path=C:\\out\\f\\c) ... Success!",
        u"ExtractData(dir=f\\c\\, size=124)",
        u"Extracting... filename=fine.t position=0/124 size=54",
        u"Damaged entry, rest of data skipped: filename=short.t position=54/124 size=49",
        u"Extracting... filename=next.t position=174/358 size=64",
        // Stands in place of the entry's own line, before any cmap folder.
        u"Damaged entry, rest of data skipped: filename=cmap\\long.t position=238/358 size=500",
    };
    EXPECT_EQ(Walk(top.Data()), expected);
    EXPECT_EQ(platform.FileCount(), 2u);
    EXPECT_FALSE(platform.HasFolder(u"C:\\out\\f\\cmap"));
}

TEST_F(WalkerTest, LargestSizeFieldNeverReadsPastTheContainer) {
    Bytes header = MakeEntryHeader("huge.t", "999999999");
    header.resize(60, 'z');
    EXPECT_EQ(Walk(header), (Lines{u"ExtractData(dir=f\\, size=60)",
                                   u"Damaged entry, rest of data skipped: filename=huge.t position=0/60 size=999999999"}));
}

TEST_F(WalkerTest, FailedWriteIsReportedAndLeavesNoFile) {
    platform.bFailWrites = true;
    CContainerWriter top;
    top.AddText("a.t", "x").AddText("b.t", "y");
    const Lines lines = Walk(top.Data());
    EXPECT_EQ(lines[2], u"Cannot write file [C:\\out\\f\\a.txt].");
    EXPECT_EQ(lines[4], u"Cannot write file [C:\\out\\f\\b.txt].");
    EXPECT_EQ(platform.FileCount(), 0u);
}

TEST_F(WalkerTest, PathsThatDoNotFitAreRefusedNotCut) {
    // Root (6) + "\f\" (3) + name: 259 characters fit, 260 do not.
    CMemoryPlatform longRoot(CMemoryPlatform::EStyle::Windows);
    CRecordingHost longHost(longRoot, u"en-US");
    const std::u16string folder(210, u'd');
    longRoot.AddFolder(u"C:\\out\\f");
    longRoot.AddFolder((u"C:\\out\\f\\" + folder).c_str());
    longHost.SetExtractionRoot(u"C:\\out");
    const std::u16string rel = u"f\\" + folder + u"\\";  // 213 characters
    // Output path: root 6, '\\' 1, folder 213, base, ".txt" 4.
    const std::string fits(35, 'n');
    const std::string tooLong(36, 'm');
    CContainerWriter top;
    top.AddText(fits + ".t", "fits").AddText(tooLong + ".t", "does not fit");
    longHost.ExtractData(rel.c_str(), top.Data().data(), int32_t(top.Data().size()));
    const std::u16string fitsPath = u"C:\\out\\" + rel + std::u16string(fits.begin(), fits.end()) + u".txt";
    ASSERT_EQ(fitsPath.size(), 259u);
    EXPECT_TRUE(longRoot.HasFile(fitsPath));
    const std::u16string cut = (u"C:\\out\\" + rel + std::u16string(tooLong.begin(), tooLong.end()) + u".txt").substr(0, 259);
    EXPECT_EQ(longHost.lines.back(), u"Cannot create file [" + cut + u"].");
    EXPECT_EQ(longRoot.FileCount(), 1u);
}

TEST_F(WalkerTest, ChildWhoseFolderDoesNotFitIsNotWalked) {
    CContainerWriter inner;
    inner.AddText("x.t", "x");
    CContainerWriter top;
    const std::string name(39, 'c');
    top.AddChild(name, inner);  // no dot: the folder name is all 39 characters
    host.SetExtractionRoot(u"C:\\out");
    const std::u16string rel = u"f\\" + std::u16string(210, u'r') + u"\\";  // 213 characters
    host.ExtractData(rel.c_str(), top.Data().data(), int32_t(top.Data().size()));
    // 6 + 1 + 213 + 39 = 259 still fits: the folder is attempted (and fails,
    // its parent missing) and the child is walked; its file's path does not fit.
    ASSERT_EQ(host.lines.size(), 7u);
    EXPECT_EQ(host.lines[3].substr(0, 22), u"CreateDirectory (path=");
    EXPECT_EQ(host.lines[4].substr(0, 16), u"ExtractData(dir=");
    EXPECT_EQ(host.lines[6].substr(0, 20), u"Cannot create file [");

    CRecordingHost deeper(platform, u"en-US");
    deeper.SetExtractionRoot(u"C:\\out");
    const std::u16string rel2 = u"f\\" + std::u16string(211, u'r') + u"\\";  // one more: 260
    deeper.ExtractData(rel2.c_str(), top.Data().data(), int32_t(top.Data().size()));
    ASSERT_EQ(deeper.lines.size(), 4u) << "refused and not walked";
    const std::u16string cut = (u"C:\\out\\" + rel2 + std::u16string(name.begin(), name.end())).substr(0, 259);
    EXPECT_EQ(deeper.lines[3], u"CreateDirectory (path=" + cut + u") ... Failed!");
}

TEST_F(WalkerTest, DeepNestingIsBoundedByThePathLimit) {
    // 2,000 levels of children named "a": the walk must stop at the path limit
    // long before the stack could run out.
    CContainerWriter leaf;
    leaf.AddText("leaf.t", "deepest");
    const Lines lines = Walk(NestInChildren(leaf, 2000, [](int) { return std::string("a"); }).Data());
    int walked = 0;
    for (const std::u16string& line : lines)
        walked += line.rfind(u"ExtractData(", 0) == 0;
    // Root "C:\out" and "\f\" leave 250 characters: 125 levels of "a\".
    EXPECT_EQ(walked, 1 + 125);
    EXPECT_EQ(platform.FileCount(), 0u);
}

TEST(WalkerFatal, NoDecompressionBufferEndsTheProcessWithCodeZero) {
    // The lines go to standard error here so that the death test can see
    // them; the host ends the process as the window does when the engine
    // ran out of memory.
    class CStderrHost final : public IExtractCallback {
    public:
        CStderrHost(IPlatform& platform, const char16_t* locale) : engine(platform, *this, SExtractOptions{locale}) {}
        void OnLogLine(const char16_t* line) override { std::fprintf(stderr, "%s\n", Utf16ToUtf8String(line).c_str()); }
        EFolderAnswer AskFolderName(char16_t*, size_t, const char16_t*) override { return EFolderAnswer::GaveUp; }
        void PlayCompletionSound() override {}
        CBatchExtractor engine;
    };
    auto walk = [](const char16_t* locale) {
        CMemoryPlatform platform;
        platform.nBlocksBeforeFailure = 1;  // the first file entry works, the second does not
        CStderrHost host(platform, locale);
        platform.AddFolder(u"C:\\out\\f");
        host.engine.OpenExtractionRoot(u"C:\\out");
        CContainerWriter top;
        top.AddText("a.t", "a").AddText("b.t", "b").AddText("c.t", "c");
        host.engine.ExtractData(u"f\\", top.Data().data(), int32_t(top.Data().size()));
        if (host.engine.RanOutOfMemory() && !platform.HasFile(u"C:\\out\\f\\c.txt")) {
            std::fflush(nullptr);
            std::_Exit(0);
        }
        std::fprintf(stderr, "returned\n");
        std::exit(3);
    };
    EXPECT_EXIT(walk(u"en-US"), ::testing::ExitedWithCode(0), "b.t position=[^\n]*\nFailed: VirtualAlloc function.\n$");
    EXPECT_EXIT(walk(u"ja-JP"), ::testing::ExitedWithCode(0), "メモリの確保に失敗しました。プログラムを終了します。\n$");
}

}  // namespace
