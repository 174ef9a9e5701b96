// CSystemPlatform on a real Windows file system, and the per-file job on top of
// it. Runs under Wine, once with LANG=en_US.UTF-8 (ANSI code page 1252) and once
// with LANG=ja_JP.UTF-8 (code page 932). Every test works in a fresh folder
// below the temporary folder and removes it at the end.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <future>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "platform/FolderReader.h"
#include "platform/SystemPlatform.h"
#include "tests/support/RecordingHost.h"
#include "tests/wine/WinFiles.h"
#include "tests/fixtures/ContainerWriter.h"
#include "tests/fixtures/Sha256Vectors.h"

using namespace winfiles;

namespace {

// Every byte value, line ends and a Ctrl+Z: nothing may be translated.
Bytes AllByteValues(size_t size) {
    Bytes b(size);
    for (size_t i = 0; i < size; ++i)
        b[i] = uint8_t(i * 7 + i / 256);
    return b;
}

// --- SHA-256 from CNG -------------------------------------------------------------

// The same vectors as the native test of nettle's: both systems give the
// same digests.
TEST(Win32Sha256, GivesTheDigestsOfTheStandardVectors) {
    EXPECT_EQ(Sha256VectorFailures(), std::vector<std::string>());
}

// --- WriteNewFile --------------------------------------------------------------

TEST(Win32WriteNewFile, CreatesOnlyWhatDoesNotExist) {
    CScratchFolder scratch;
    ASSERT_FALSE(scratch.Path().empty());
    ASSERT_TRUE(WriteBytes(scratch / u"old.txt", Text("keep me")));
    ASSERT_TRUE(WriteBytes(scratch / u"empty-old.txt", Bytes()));

    struct SCase {
        const char* what;
        std::u16string name;
        Bytes data;
        EWriteResult expected;
        Bytes contentAfter;  // what the path holds afterwards
    };
    const Bytes binary = AllByteValues(4096);
    const Bytes large = AllByteValues(3 * 1024 * 1024 + 17);
    const SCase cases[] = {
        {"a new file gets exactly the bytes", u"new.bin", binary, EWriteResult::Written, binary},
        {"a few megabytes in one piece", u"large.bin", large, EWriteResult::Written, large},
        {"zero bytes give an empty file", u"zero.bin", Bytes(), EWriteResult::Written, Bytes()},
        {"an existing file keeps its content", u"old.txt", Text("new content"), EWriteResult::Exists,
         Text("keep me")},
        {"an existing empty file stays empty", u"empty-old.txt", Text("x"), EWriteResult::Exists, Bytes()},
        {"a name differing only in case is the same file", u"OLD.TXT", Text("other"), EWriteResult::Exists,
         Text("keep me")},
    };
    CSystemPlatform platform;
    ASSERT_TRUE(platform.OpenOutputRoot(scratch.Path().c_str()));
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.what);
        // The engine never passes a null pointer, not even for no bytes.
        const uint8_t placeholder = 0;
        const uint8_t* data = c.data.empty() ? &placeholder : c.data.data();
        EXPECT_EQ(platform.WriteNewFile(c.name.c_str(), data, c.data.size()), c.expected);
        EXPECT_TRUE(IsFile(scratch / c.name));
        EXPECT_EQ(ReadBytes(scratch / c.name), c.contentAfter);
        EXPECT_TRUE(NotHeldOpen(scratch / c.name)) << "the handle is closed again";
    }
    EXPECT_EQ(NamesOf(TreeOf(scratch.Path())),
              (Lines{u"empty-old.txt", u"large.bin", u"new.bin", u"old.txt", u"zero.bin"}))
        << "no temporary file stays beside them";
}

TEST(Win32WriteNewFile, NothingIsCreatedWhereNoFileCanBe) {
    CScratchFolder scratch;
    ASSERT_FALSE(scratch.Path().empty());
    ASSERT_TRUE(CreateDirectoryW(W(scratch / u"folder"), nullptr));
    ASSERT_TRUE(WriteBytes(scratch / u"folder\\inside.txt", Text("inside")));
    CSystemPlatform platform;
    ASSERT_TRUE(platform.OpenOutputRoot(scratch.Path().c_str()));
    const Bytes data = Text("data");

    EXPECT_EQ(platform.WriteNewFile(u"folder", data.data(), data.size()), EWriteResult::Exists);
    EXPECT_TRUE(IsFolder(scratch / u"folder")) << "an existing folder stays a folder";

    EXPECT_EQ(platform.WriteNewFile(u"missing\\a.txt", data.data(), data.size()), EWriteResult::CannotCreate);
    EXPECT_FALSE(Exists(scratch / u"missing")) << "no parent folder is made on the way";

    // Content that cannot be read fails the write, and nothing of it stays.
    const size_t size = 1 << 20;
    void* unreadable = VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_NOACCESS);
    ASSERT_NE(unreadable, nullptr);
    EXPECT_EQ(platform.WriteNewFile(u"folder\\unreadable.bin", static_cast<const uint8_t*>(unreadable), size),
              EWriteResult::WriteFailed);
    VirtualFree(unreadable, 0, MEM_RELEASE);

    const Tree expected = {{u"folder\\", Bytes()}, {u"folder\\inside.txt", Text("inside")}};
    EXPECT_EQ(TreeOf(scratch.Path()), expected);
}

// --- Paths refused at the seam, and the folders held while they are filled ---------

TEST(Win32Output, RefusesClimbingTrimmedNamesAndFilesWhereFoldersGo) {
    CScratchFolder scratch;
    ASSERT_FALSE(scratch.Path().empty());
    ASSERT_TRUE(CreateDirectoryW(W(scratch / u"root"), nullptr));
    ASSERT_TRUE(CreateDirectoryW(W(scratch / u"root\\dir"), nullptr));
    ASSERT_TRUE(WriteBytes(scratch / u"root\\file", Text("a file")));
    const Tree before = TreeOf(scratch.Path());

    struct SCase {
        const char* what;
        std::u16string path;
    };
    // Windows would drop the trailing dot or blank and use another name ("dir").
    const SCase cases[] = {
        {"a .. component", u"..\\out"},
        {"a .. component further in", u"dir\\..\\..\\out"},
        {"a name ending in a dot", u"dir\\new."},
        {"a name ending in a blank", u"new "},
        {"a folder ending in a dot", u"dir.\\new"},
        {"a folder ending in a blank", u"dir \\new"},
        {"a file where a folder is expected", u"file\\new"},
    };
    CSystemPlatform platform;
    ASSERT_TRUE(platform.OpenOutputRoot((scratch / u"root").c_str()));
    const Bytes data = Text("data");
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(platform.CreateDir(c.path.c_str()), EDirResult::Failed);
        EXPECT_EQ(platform.WriteNewFile(c.path.c_str(), data.data(), data.size()), EWriteResult::CannotCreate);
    }
    platform.CloseOutputRoot();
    EXPECT_EQ(TreeOf(scratch.Path()), before) << "nothing made, inside the root or beside it";
}

// What another program's attempt gives, tried on a thread of its own.
bool OnAnotherThread(const std::function<bool()>& attempt) { return std::async(std::launch::async, attempt).get(); }

TEST(Win32Output, FoldersBeingFilledCannotBeMovedOrRemovedUntilLetGo) {
    CScratchFolder scratch;
    ASSERT_FALSE(scratch.Path().empty());
    const std::u16string a = scratch / u"a", b = scratch / u"a\\b";
    CSystemPlatform platform;
    ASSERT_TRUE(platform.OpenOutputRoot(scratch.Path().c_str()));
    ASSERT_EQ(platform.CreateDir(u"a"), EDirResult::Created);
    ASSERT_EQ(platform.CreateDir(u"a\\b"), EDirResult::Created);
    const Bytes data = Text("x");
    ASSERT_EQ(platform.WriteNewFile(u"a\\b\\x", data.data(), data.size()), EWriteResult::Written);

    // Moved away, a folder could be swapped for a link to somewhere else.
    struct SAttempt {
        const char* what;
        std::function<bool()> act;
    };
    const SAttempt attempts[] = {
        {"rename a", [&] { return MoveFileW(W(a), W(scratch / u"a2")) != FALSE; }},
        {"rename a\\b", [&] { return MoveFileW(W(b), W(scratch / u"a\\b2")) != FALSE; }},
        {"move a\\b out of a", [&] { return MoveFileW(W(b), W(scratch / u"b")) != FALSE; }},
        {"rename the root", [&] { return MoveFileW(W(scratch.Path()), W(scratch.Path() + u"2")) != FALSE; }},
        // Its file is not held: once it is deleted, a\b is empty.
        {"remove a\\b", [&] { return DeleteFileW(W(b + u"\\x")) && RemoveDirectoryW(W(b)); }},
    };
    for (const SAttempt& attempt : attempts) {
        SCOPED_TRACE(attempt.what);
        EXPECT_FALSE(OnAnotherThread(attempt.act));
    }
    EXPECT_EQ(NamesOf(TreeOf(scratch.Path())), (Lines{u"a\\", u"a\\b\\"}));

    // Once the walk has moved on, the folders it left are let go; the root
    // is held until the end.
    ASSERT_EQ(platform.CreateDir(u"c"), EDirResult::Created);
    ASSERT_EQ(platform.WriteNewFile(u"c\\y", data.data(), data.size()), EWriteResult::Written);
    EXPECT_TRUE(OnAnotherThread([&] { return RemoveDirectoryW(W(b)) != FALSE; })) << "a\\b let go";
    EXPECT_TRUE(OnAnotherThread([&] { return MoveFileW(W(a), W(scratch / u"a2")) != FALSE; })) << "a let go";
    platform.CloseOutputRoot();
}

// --- CreateDir -----------------------------------------------------------------

TEST(Win32CreateDir, CreatesOneNewFolderOnly) {
    CScratchFolder scratch;
    ASSERT_FALSE(scratch.Path().empty());
    ASSERT_TRUE(CreateDirectoryW(W(scratch / u"there"), nullptr));
    ASSERT_TRUE(WriteBytes(scratch / u"there\\keep.txt", Text("kept")));
    ASSERT_TRUE(WriteBytes(scratch / u"file", Text("a file")));

    struct SCase {
        const char* what;
        std::u16string name;
        EDirResult expected;
    };
    const SCase cases[] = {
        {"a new folder", u"new", EDirResult::Created},
        // The job asks for its output folder with a trailing separator.
        {"a new folder named with a trailing separator", u"job\\", EDirResult::Created},
        {"a folder inside a new one", u"new\\inner", EDirResult::Created},
        {"an existing folder", u"there", EDirResult::Exists},
        {"an existing folder, other case", u"THERE", EDirResult::Exists},
        {"an existing folder with a trailing separator", u"there\\", EDirResult::Exists},
        {"where a file is", u"file", EDirResult::Failed},
        {"in a missing parent", u"missing\\child", EDirResult::Failed},
    };
    CSystemPlatform platform;
    ASSERT_TRUE(platform.OpenOutputRoot(scratch.Path().c_str()));
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(platform.CreateDir(c.name.c_str()), c.expected);
    }
    const Tree expected = {
        {u"file", Text("a file")}, {u"job\\", Bytes()},          {u"new\\", Bytes()},
        {u"new\\inner\\", Bytes()}, {u"there\\", Bytes()},       {u"there\\keep.txt", Text("kept")},
    };
    EXPECT_EQ(TreeOf(scratch.Path()), expected) << "nothing else appeared, nothing existing changed";
}

// --- ReadWholeFile and ReleaseInputFile ------------------------------------------

TEST(Win32ReadWholeFile, ReadsExactBytesAndHoldsTheFileUntilReleased) {
    CScratchFolder scratch;
    ASSERT_FALSE(scratch.Path().empty());
    CSystemPlatform platform;
    for (const size_t size : {size_t(1), size_t(51), size_t(65536 + 3), size_t(2 * 1024 * 1024 + 5)}) {
        SCOPED_TRACE(size);
        const std::u16string path = scratch / (u"in" + Num((long long)size) + u".god");
        const Bytes content = AllByteValues(size);
        ASSERT_TRUE(WriteBytes(path, content));

        SInputFile file;
        ASSERT_TRUE(platform.ReadWholeFile(path.c_str(), file));
        ASSERT_NE(file.pData, nullptr);
        ASSERT_EQ(file.nSize, int32_t(size));
        EXPECT_EQ(Bytes(file.pData, file.pData + file.nSize), content);
        EXPECT_NE(file.hFile, -1);
        EXPECT_FALSE(DeleteFileW(W(path))) << "the file is held open while its job runs";
        EXPECT_TRUE(Exists(path));

        platform.ReleaseInputFile(file);
        EXPECT_EQ(file.pData, nullptr);
        EXPECT_EQ(file.nSize, -1);
        EXPECT_EQ(file.hFile, -1);
        EXPECT_TRUE(DeleteFileW(W(path))) << "released: the handle is closed";
    }
}

TEST(Win32ReadWholeFile, AnotherReaderDoesNotPreventReading) {
    CScratchFolder scratch;
    ASSERT_FALSE(scratch.Path().empty());
    const std::u16string path = scratch / u"shared.god";
    ASSERT_TRUE(WriteBytes(path, Text("shared content")));
    const HANDLE reader = CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);

    CSystemPlatform platform;
    SInputFile file;
    EXPECT_TRUE(platform.ReadWholeFile(path.c_str(), file));
    EXPECT_EQ(file.nSize, 14);
    platform.ReleaseInputFile(file);
    CloseHandle(reader);
}

TEST(Win32ReadWholeFile, RefusesWhatCannotBeExtracted) {
    CScratchFolder scratch;
    ASSERT_FALSE(scratch.Path().empty());
    ASSERT_TRUE(CreateDirectoryW(W(scratch / u"folder.god"), nullptr));
    ASSERT_TRUE(WriteBytes(scratch / u"empty.god", Bytes()));
    ASSERT_TRUE(WriteBytes(scratch / u"locked.god", Text("locked content")));
    ASSERT_TRUE(WriteBytes(scratch / u"writer.god", Text("written by another")));
    // Holders that write and do not let others read.
    const HANDLE exclusive =
        CreateFileW(W(scratch / u"locked.god"), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const HANDLE writer = CreateFileW(W(scratch / u"writer.god"), GENERIC_WRITE, FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);

    struct SCase {
        const char* what;
        std::u16string name;
        bool opened;  // whether a handle was acquired before the refusal
    };
    const SCase cases[] = {
        {"a folder", u"folder.god", false},
        {"a missing file", u"missing.god", false},
        {"a file in a missing folder", u"nowhere\\a.god", false},
        {"held for writing, no read sharing", u"locked.god", false},
        {"held for writing, write sharing only", u"writer.god", false},
        // Zero bytes: no block to read into. The handle was opened all the same
        // and must be given back.
        {"an empty file", u"empty.god", true},
    };
    CSystemPlatform platform;
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.what);
        SInputFile file;
        EXPECT_FALSE(platform.ReadWholeFile((scratch / c.name).c_str(), file));
        EXPECT_EQ(file.pData, nullptr);
        EXPECT_EQ(file.nSize, -1);
        EXPECT_EQ(file.hFile != -1, c.opened);
        platform.ReleaseInputFile(file);
        EXPECT_EQ(file.hFile, -1);
    }
    EXPECT_TRUE(NotHeldOpen(scratch / u"empty.god")) << "the empty file's handle was closed on release";
    CloseHandle(exclusive);
    CloseHandle(writer);
    EXPECT_EQ(ReadBytes(scratch / u"locked.god"), Text("locked content"));
}

// --- CFolderReader -----------------------------------------------------------------

// root\ holds a small tree and what only the Unix side of Wine can put there:
// symbolic links to outside\ (at the top and in the middle of a path) and to
// a file in it, and names Windows cannot open. No read may reach outside\.
class Win32FolderReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(scratch.Path().empty());
        for (const char16_t* folder : {u"root", u"root\\a", u"root\\a\\b", u"outside", u"outside\\in"})
            ASSERT_TRUE(CreateDirectoryW(W(scratch / folder), nullptr));
        ASSERT_TRUE(WriteBytes(scratch / u"root\\top.txt", Text("top")));
        ASSERT_TRUE(WriteBytes(scratch / u"root\\a\\b\\deep.txt", Text("deep")));
        ASSERT_TRUE(WriteBytes(scratch / u"root\\big.bin", Bytes(64, 'x')));
        ASSERT_TRUE(WriteBytes(scratch / u"outside\\secret.txt", Text("secret")));
        ASSERT_TRUE(WriteBytes(scratch / u"outside\\in\\x.txt", Text("x")));
        ASSERT_TRUE(RunUnixScript(scratch.Path(), R"sh(
            ln -s ../outside root/up
            ln -s ../../outside root/a/up
            ln -s ../outside/secret.txt root/secret.txt
            for name in 'a*b' 'q?' 'x"y' 'l<' 'g>' 'p|' 'dot.' 'blank ' 'back\slash' 'co:lon' "$(printf 'c\001')"; do
                printf x > "root/a/$name"
            done
            mkdir 'root/dir*' 'root/dir.'
            printf x > 'root/dir*/in'
            printf x > 'root/dir./in')sh"));
    }
    // What Windows calls cannot remove is removed on the Unix side.
    void TearDown() override { EXPECT_TRUE(RunUnixScript(scratch.Path(), "rm -rf root outside")); }

    CScratchFolder scratch;
};

// Items as "name kind [size]", sorted.
Lines Described(const std::vector<SFolderItem>& items) {
    const char16_t* kinds[] = {u"file", u"folder", u"link", u"other", u"unopenable"};
    Lines lines;
    for (const SFolderItem& item : items)
        lines.push_back(item.strName + u" " + kinds[int(item.eKind)] +
                        (item.eKind == EItemKind::File ? u" " + Num(item.nSize) : u""));
    std::sort(lines.begin(), lines.end());
    return lines;
}

TEST_F(Win32FolderReaderTest, OpensTheRootAsTheUserNamesIt) {
    struct SCase {
        std::u16string root;
        ESourceResult expected;
        Lines items;  // the root's listing once it is open
    };
    const SCase cases[] = {
        {u"root\\a\\b", ESourceResult::Ok, {u"deep.txt file 4"}},
        {u"root\\up\\in", ESourceResult::Ok, {u"x.txt file 1"}},  // a link above the root is the user's
        {u"root\\up", ESourceResult::Link, {}},
        {u"root\\a\\up\\", ESourceResult::Link, {}},
        {u"root\\top.txt", ESourceResult::NotFolder, {}},
        {u"root\\missing", ESourceResult::Missing, {}},
        {u"root\\dir*", ESourceResult::Unopenable, {}},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(std::string(c.root.begin(), c.root.end()));
        CFolderReader reader;
        EXPECT_EQ(reader.OpenRoot(scratch / c.root), c.expected);
        std::vector<SFolderItem> items;
        EXPECT_EQ(reader.ListFolder(u"", items), c.items.empty() ? ESourceResult::Failed : ESourceResult::Ok);
        EXPECT_EQ(Described(items), c.items);
    }
}

TEST_F(Win32FolderReaderTest, ListsFoldersAndTellsLinksAndUnopenableNames) {
    struct SCase {
        std::u16string path;
        ESourceResult expected;
        Lines items;
    };
    const SCase cases[] = {
        // Wine shows a link to a file as that file: ReadFile tells it.
        {u"", ESourceResult::Ok,
         {u"a folder", u"big.bin file 64", u"dir* unopenable", u"dir. unopenable", u"secret.txt file 6",
          u"top.txt file 3", u"up link"}},
        {u"a", ESourceResult::Ok,
         {u"a*b unopenable", u"b folder", u"back\\slash unopenable", u"blank  unopenable", u"c\x01 unopenable",
          u"co:lon unopenable", u"dot. unopenable", u"g> unopenable", u"l< unopenable", u"p| unopenable",
          u"q? unopenable", u"up link", u"x\"y unopenable"}},
        {u"a/b/", ESourceResult::Ok, {u"deep.txt file 4"}},
        {u"up", ESourceResult::Link, {}},
        {u"up/in", ESourceResult::Link, {}},
        {u"a/up/in", ESourceResult::Link, {}},
        {u"secret.txt", ESourceResult::Link, {}},
        {u"top.txt", ESourceResult::NotFolder, {}},
        {u"missing", ESourceResult::Missing, {}},
        {u"a/missing/deeper", ESourceResult::Missing, {}},
        {u"dir*", ESourceResult::Unopenable, {}},
        {u"dir.", ESourceResult::Unopenable, {}},
        {u"..", ESourceResult::Failed, {}},
        {u"a/../a", ESourceResult::Failed, {}},
    };
    CFolderReader reader;
    ASSERT_EQ(reader.OpenRoot(scratch / u"root"), ESourceResult::Ok);
    for (const SCase& c : cases) {
        SCOPED_TRACE(std::string(c.path.begin(), c.path.end()));
        std::vector<SFolderItem> items;
        EXPECT_EQ(reader.ListFolder(c.path, items), c.expected);
        EXPECT_EQ(Described(items), c.items);
    }
}

TEST_F(Win32FolderReaderTest, ReadsRegularFilesOnlyAndNeverThroughALink) {
    struct SCase {
        std::u16string path;
        int64_t limit;
        ESourceResult expected;
        Bytes content;
    };
    const SCase cases[] = {
        {u"top.txt", 100, ESourceResult::Ok, Text("top")},
        {u"a/b/deep.txt", 100, ESourceResult::Ok, Text("deep")},
        {u"big.bin", 65, ESourceResult::Ok, Bytes(64, 'x')},
        {u"big.bin", 64, ESourceResult::TooLarge, {}},
        {u"missing.txt", 100, ESourceResult::Missing, {}},
        {u"missing/x.txt", 100, ESourceResult::Missing, {}},
        {u"secret.txt", 100, ESourceResult::Link, {}},
        {u"up", 100, ESourceResult::Link, {}},
        {u"up/secret.txt", 100, ESourceResult::Link, {}},
        {u"a/up/in/x.txt", 100, ESourceResult::Link, {}},
        {u"a", 100, ESourceResult::NotFile, {}},
        {u"", 100, ESourceResult::NotFile, {}},
        {u"../outside/secret.txt", 100, ESourceResult::Failed, {}},
        {u"a/../top.txt", 100, ESourceResult::Failed, {}},
        {u"a/a*b", 100, ESourceResult::Unopenable, {}},
        {u"a/q?", 100, ESourceResult::Unopenable, {}},
        {u"a/x\"y", 100, ESourceResult::Unopenable, {}},
        {u"a/l<", 100, ESourceResult::Unopenable, {}},
        {u"a/g>", 100, ESourceResult::Unopenable, {}},
        {u"a/p|", 100, ESourceResult::Unopenable, {}},
        {u"a/dot.", 100, ESourceResult::Unopenable, {}},
        {u"a/blank ", 100, ESourceResult::Unopenable, {}},
        {u"a/back\\slash", 100, ESourceResult::Unopenable, {}},
        {u"dir*/in", 100, ESourceResult::Unopenable, {}},
        {u"dir./in", 100, ESourceResult::Unopenable, {}},
    };
    CFolderReader reader;
    ASSERT_EQ(reader.OpenRoot(scratch / u"root"), ESourceResult::Ok);
    for (const SCase& c : cases) {
        SCOPED_TRACE(std::string(c.path.begin(), c.path.end()));
        Bytes bytes = Text("left over");
        EXPECT_EQ(reader.ReadFile(c.path, bytes, c.limit), c.expected);
        EXPECT_EQ(bytes, c.content);
    }
}

TEST_F(Win32FolderReaderTest, FoldersBeingReadCannotBeMovedUntilLetGo) {
    CFolderReader reader;
    ASSERT_EQ(reader.OpenRoot(scratch / u"root"), ESourceResult::Ok);
    Bytes bytes;
    ASSERT_EQ(reader.ReadFile(u"a/b/deep.txt", bytes, 100), ESourceResult::Ok);
    const std::u16string root = scratch / u"root";
    struct SAttempt {
        const char* what;
        std::u16string from, to;
    };
    const SAttempt attempts[] = {
        {"rename the root", root, root + u"2"},
        {"rename a", root + u"\\a", root + u"\\a2"},
        {"move a\\b out of a", root + u"\\a\\b", root + u"\\b"},
    };
    for (const SAttempt& attempt : attempts) {
        SCOPED_TRACE(attempt.what);
        EXPECT_FALSE(OnAnotherThread([&] { return MoveFileW(W(attempt.from), W(attempt.to)) != FALSE; }));
    }
    reader.Close();
    EXPECT_TRUE(MoveFileW(W(root + u"\\a\\b"), W(root + u"\\b"))) << "let go";
}

// --- GetCurrentDir ---------------------------------------------------------------

TEST(Win32GetCurrentDir, ReportsTheCurrentDirectoryOrAsMuchAsFits) {
    CScratchCurrentFolder scratch;
    ASSERT_TRUE(scratch.Enter());
    CSystemPlatform platform;

    char16_t buf[kPathCapacity];
    ASSERT_TRUE(platform.GetCurrentDir(buf, kPathCapacity));
    EXPECT_EQ(std::u16string(buf), scratch.Path());

    const size_t length = scratch.Path().size();
    struct SCase {
        size_t capacity;
        bool fits;
    };
    for (const SCase c : {SCase{length + 1, true}, SCase{length, false}, SCase{4, false}, SCase{1, false}}) {
        SCOPED_TRACE(c.capacity);
        std::fill(std::begin(buf), std::end(buf), char16_t(0xAAAA));
        EXPECT_EQ(platform.GetCurrentDir(buf, c.capacity), c.fits);
        EXPECT_EQ(std::u16string(buf), scratch.Path().substr(0, c.capacity - 1)) << "cut and terminated";
        EXPECT_EQ(buf[c.capacity], char16_t(0xAAAA)) << "nothing written past the capacity";
    }
}

// --- DecodeName ----------------------------------------------------------------

struct SDecodeCase {
    const char* bytes;
    std::u16string expected;
};

void ExpectDecodes(CSystemPlatform& platform, const std::vector<SDecodeCase>& cases) {
    for (const SDecodeCase& c : cases) {
        SCOPED_TRACE(c.bytes);
        char16_t out[kPathCapacity];
        std::fill(std::begin(out), std::end(out), char16_t(0xAAAA));
        platform.DecodeName(reinterpret_cast<const uint8_t*>(c.bytes), std::strlen(c.bytes), out, kPathCapacity);
        EXPECT_EQ(std::u16string(out), c.expected);
    }
}

// Shift-JIS: a second byte 0x5C belongs to its character and is no folder separator.
const std::vector<SDecodeCase> kCodePage932 = {
    {"\x83\x5C\x83\x74\x83\x67", u"\u30BD\u30D5\u30C8"},         // ソフト
    {"\x95\x5C\x8E\xA6", u"\u8868\u793A"},                       // 表示
    {"\x83\x5C\x83\x74\x83\x67.t", u"\u30BD\u30D5\u30C8.t"},
    {"\x90\xE0\x96\xBE\x8F\x91.t", u"\u8AAC\u660E\u66F8.t"},     // 説明書.t
    {"\x83\x5C\\a.t", u"\u30BD\\a.t"},                           // a 0x5C of its own separates
    {"cmap\\map01.t", u"cmap\\map01.t"},
    {"\xB1\xB2", u"\uFF71\uFF72"},                               // half-width katakana
    {"", u""},
};

const std::vector<SDecodeCase> kCodePage1252 = {
    {"\xE9", u"\u00E9"},
    {"caf\xE9.t", u"caf\u00E9.t"},
    {"\x80", u"\u20AC"},
    // Here 0x5C is a backslash: the same bytes name a folder and a file.
    {"\x83\x5C\x83\x74\x83\x67", u"\u0192\\\u0192t\u0192g"},
    {"cmap\\map01.t", u"cmap\\map01.t"},
};

std::string EnvironmentValue(const char* name) {
    char value[256] = {};
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

// Guards the two branches below: run with LANG=en_US.UTF-8 and ja_JP.UTF-8,
// Wine gives this process code page 1252 or 932 and the matching system
// locale. Had LANG no effect, one of the branches would be skipped in both runs.
TEST(Win32Environment, AnsiCodePageFollowsLang) {
    const std::string lang = EnvironmentValue("LANG");
    struct SRow {
        const char* langPrefix;
        UINT codePage;
        std::u16string localeName;
    };
    const SRow rows[] = {{"ja_JP", 932, u"ja-JP"}, {"en_US", 1252, u"en-US"}};
    const SRow* row = nullptr;
    for (const SRow& r : rows) {
        if (lang.compare(0, std::strlen(r.langPrefix), r.langPrefix) == 0)
            row = &r;
    }
    ASSERT_NE(row, nullptr) << "LANG=\"" << lang << "\": run these tests with LANG=en_US.UTF-8 or ja_JP.UTF-8";
    EXPECT_EQ(GetACP(), row->codePage);
    WCHAR locale[LOCALE_NAME_MAX_LENGTH] = {};
    ASSERT_GT(GetSystemDefaultLocaleName(locale, LOCALE_NAME_MAX_LENGTH), 0);
    EXPECT_EQ(U(locale), row->localeName);
}

// The game writes its names in code page 932 on every system: so are they
// read, whatever the system's ANSI code page (932 or 1252 in these runs).
TEST(Win32DecodeName, CodePage932ByDefaultOnEverySystem) {
    CSystemPlatform platform;
    ASSERT_TRUE(platform.IsCodePageSupported());
    ExpectDecodes(platform, kCodePage932);
}

TEST(Win32DecodeName, ChosenCodePageOverridesTheSystemOne) {
    CSystemPlatform japanese(932);
    CSystemPlatform western(1252);
    CSystemPlatform utf8(CP_UTF8);
    ASSERT_TRUE(japanese.IsCodePageSupported());
    ASSERT_TRUE(western.IsCodePageSupported());
    ASSERT_TRUE(utf8.IsCodePageSupported());
    ExpectDecodes(japanese, kCodePage932);
    ExpectDecodes(western, kCodePage1252);
    ExpectDecodes(utf8, {{"\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88.t", u"\u30BD\u30D5\u30C8.t"}, {"plain", u"plain"}});
}

// Code pages that MultiByteToWideChar refuses with MB_PRECOMPOSED: every
// name came out empty. (Wine has none of 50220-50229, 57002-57011, 54936.)
TEST(Win32DecodeName, CodePagesThatTakeNoFlags) {
    struct SCase {
        unsigned codePage;
        SDecodeCase decoded;
    };
    const SCase cases[] = {
        {65000, {"+ML0w1TDI-.t", u"\u30BD\u30D5\u30C8.t"}},  // UTF-7
        {42, {"A\xE9.t", u"\uF041\uF0E9\uF02E\uF074"}},       // symbol: every byte from 0x20 up lands at U+F000
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.codePage);
        CSystemPlatform platform(c.codePage);
        ExpectDecodes(platform, {c.decoded});
    }
}

TEST(Win32DecodeName, UnknownCodePageIsReported) {
    EXPECT_TRUE(CSystemPlatform(0).IsCodePageSupported());
    EXPECT_FALSE(CSystemPlatform(12345).IsCodePageSupported());
    EXPECT_FALSE(CSystemPlatform(1).IsCodePageSupported());
}

TEST(Win32DecodeName, OnlyCountBytesAreRead) {
    CSystemPlatform platform(932);
    const uint8_t bytes[] = {'a', 'b', 'c', 0x83, 0x5C};
    char16_t out[kPathCapacity];
    platform.DecodeName(bytes, 3, out, kPathCapacity);
    EXPECT_EQ(std::u16string(out), u"abc");
}

// The seam promises a name cut to capacity - 1 characters, although
// MultiByteToWideChar itself fails on a buffer that is too small.
TEST(Win32DecodeName, NameLongerThanTheBufferIsCut) {
    CSystemPlatform platform(932);
    const uint8_t ascii[] = {'a', 'b', 'c', 'd', 'e', 'f'};
    char16_t out[4];
    platform.DecodeName(ascii, sizeof ascii, out, 4);
    EXPECT_EQ(std::u16string(out), u"abc");
    const uint8_t soft[] = {0x83, 0x5C, 0x83, 0x74, 0x83, 0x67};
    platform.DecodeName(soft, sizeof soft, out, 3);
    EXPECT_EQ(std::u16string(out), u"\u30BD\u30D5");
}

// --- The per-file job on the real file system ------------------------------------

// The job runs with the current directory set to scratch\out and the custom
// file at scratch\in\test.god; log lines are English.
class Win32JobTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(scratch.Enter(u"out"));
        ASSERT_TRUE(CreateDirectoryW(W(scratch / u"in"), nullptr));
        root = scratch.Current();
        input = scratch / u"in\\test.god";
    }

    struct SEntry {
        std::string name;      // bytes of the legacy code page
        Bytes payload;
        std::u16string shown;  // the name in the log
    };

    // The custom file: a child container, a compressed text, a Japanese name
    // whose second byte is 0x5C, two device names and a name that climbs out.
    void WriteCustomFile() {
        child = {{"inner.t", Text("inside the child\r\n"), u"inner.t"}};
        CContainerWriter childWriter;
        for (const SEntry& e : child)
            childWriter.Add(e.name, e.payload);
        childData = childWriter.Data();

        top = {
            {"sub.pak", childData, u"sub.pak"},
            {"readme.t", GzipBytes(Text(kReadme)), u"readme.t"},
            {"\x83\x5C\x83\x74\x83\x67.t", Text("soft\r\n"), JapaneseNameAsDecoded()},
            {"nul.t", Text("to the null device"), u"nul.t"},
            {"con .t", Text("to the console"), u"con .t"},
            {"..\\evil.t", Text("climbs out"), u"..\\evil.t"},
            {"last.t", Text("after the refusals\n"), u"last.t"},
        };
        CContainerWriter writer;
        for (const SEntry& e : top)
            writer.Add(e.name, e.payload);
        fileData = writer.Data();
        ASSERT_TRUE(WriteBytes(input, fileData));
    }

    // 83 5C 83 74 83 67 in this process's ANSI code page.
    static std::u16string JapaneseNameAsDecoded() {
        return GetACP() == 932 ? u"\u30BD\u30D5\u30C8.t" : u"\u0192\\\u0192t\u0192g.t";
    }

    Lines ExpectedFirstRunLines() const {
        const std::u16string n = Num((long long)fileData.size());
        const std::u16string c = Num((long long)childData.size());
        Lines lines = {u"CreateDirectory (path=" + root + u"\\test\\) ... Success!",
                       u"ExtractData(dir=test\\, size=" + n + u")"};
        long long position = 0;
        for (const SEntry& e : top) {
            const long long size = 50 + (long long)e.payload.size();
            lines.push_back(u"Extracting... filename=" + e.shown + u" position=" + Num(position) + u"/" + n +
                            u" size=" + Num(size));
            position += size;
            if (e.name == "sub.pak") {
                lines.push_back(u"sub.pak has child elements.");
                lines.push_back(u"CreateDirectory (path=" + root + u"\\test\\sub) ... Success!");
                lines.push_back(u"ExtractData(dir=test\\sub\\, size=" + c + u")");
                lines.push_back(u"Extracting... filename=inner.t position=0/" + c + u" size=" +
                                Num(50 + (long long)child[0].payload.size()));
            } else if (e.name == "nul.t" || e.name == "con .t" || e.name == "..\\evil.t") {
                lines.push_back(u"Skipped unsafe name [" + e.shown + u"].");
            } else if (e.name[0] == '\x83' && GetACP() == 1252) {
                // Read as code page 1252 the name is a folder U+0192 and a file in
                // it; that folder does not exist, so the file cannot be created.
                lines.push_back(u"Cannot create file [" + root + u"\\test\\\u0192\\\u0192t\u0192g.txt].");
            }
        }
        lines.push_back(u"Finished!");
        return lines;
    }

    Tree ExpectedTreeAfterFirstRun() const {
        Tree tree = {
            {u"in\\", Bytes()},
            {u"in\\test.god", fileData},
            {u"out\\", Bytes()},
            {u"out\\test\\", Bytes()},
            {u"out\\test\\sub\\", Bytes()},
            {u"out\\test\\sub\\inner.txt", Text("inside the child\r\n")},
            {u"out\\test\\readme.txt", Text(kReadme)},
            {u"out\\test\\last.txt", Text("after the refusals\n")},
        };
        if (GetACP() == 932)
            tree[u"out\\test\\\u30BD\u30D5\u30C8.txt"] = Text("soft\r\n");  // one file, not split at 0x5C
        return tree;
    }

    static constexpr const char* kReadme = "stored gzip-compressed, written inflated\r\n";

    CScratchCurrentFolder scratch;
    CSystemPlatform platform{::GetACP()};  // the system's ANSI code page, chosen
    CRecordingHost host{platform, u"en-US"};
    std::u16string root;   // the current directory as the system reports it
    std::u16string input;  // the custom file
    std::vector<SEntry> child, top;
    Bytes childData, fileData;
};

TEST_F(Win32JobTest, FirstRunWritesTheTreeAndRefusesUnsafeNames) {
    ASSERT_TRUE(GetACP() == 932 || GetACP() == 1252) << "expectations exist for code pages 932 and 1252 only";
    ASSERT_NO_FATAL_FAILURE(WriteCustomFile());
    EXPECT_TRUE(host.ExtractFile(input.c_str()));
    EXPECT_EQ(host.lines, ExpectedFirstRunLines());
    const Tree tree = TreeOf(scratch.Path());
    // Names first, for a readable message; then names and bytes together.
    EXPECT_EQ(NamesOf(tree), NamesOf(ExpectedTreeAfterFirstRun())) << "nothing written outside scratch\\out\\test";
    EXPECT_EQ(tree, ExpectedTreeAfterFirstRun());
    EXPECT_FALSE(Exists(scratch / u"out\\evil.txt"));
    EXPECT_FALSE(Exists(scratch / u"evil.txt"));
    EXPECT_TRUE(NotHeldOpen(input)) << "the custom file is closed after the job";
    EXPECT_TRUE(host.questions.empty());
}

// Names as Windows keeps them: trailing dots and blanks leave every component
// of an output name, in the log as on disk, and a component of nothing else
// is refused.
TEST_F(Win32JobTest, TrailingDotsAndBlanksLeaveEveryComponentOfAnOutputName) {
    const Bytes inner = CContainerWriter().AddText("in.t", "inside\r\n").Data();
    const std::u16string c = Num((long long)inner.size());
    const std::u16string innerLine = u"Extracting... filename=in.t position=0/" + c + u" size=" + Num(50 + 8);
    struct SRow {
        std::string name;
        Bytes payload;
        Lines lines;  // after the entry's own "Extracting..." line
        Tree files;   // what it adds below the output folder
    };
    const SRow rows[] = {
        {"sp  .pak", inner,
         {u"sp  .pak has child elements.", u"CreateDirectory (path=" + root + u"\\test\\sp) ... Success!",
          u"ExtractData(dir=test\\sp\\, size=" + c + u")", innerLine},
         {{u"sp\\", Bytes()}, {u"sp\\in.txt", Text("inside\r\n")}}},
        {"sp \\deep.t", Text("deep\r\n"), {}, {{u"sp\\deep.txt", Text("deep\r\n")}}},
        {"end.", Text("the end"), {}, {{u"end", Text("the end")}}},
        {" .\\dot.t", Text("dot"), {u"Skipped unsafe name [ .\\dot.t]."}, {}},
        {". .pak", inner, {u". .pak has child elements.", u"Skipped unsafe name [. .pak]."}, {}},
    };
    CContainerWriter writer;
    for (const SRow& row : rows)
        writer.Add(row.name, row.payload);
    const Bytes data = writer.Data();
    ASSERT_TRUE(WriteBytes(input, data));

    const std::u16string n = Num((long long)data.size());
    Lines lines = {u"CreateDirectory (path=" + root + u"\\test\\) ... Success!", u"ExtractData(dir=test\\, size=" + n + u")"};
    Tree tree = {{u"in\\", Bytes()}, {u"in\\test.god", data}, {u"out\\", Bytes()}, {u"out\\test\\", Bytes()}};
    long long position = 0;
    for (const SRow& row : rows) {
        const long long size = 50 + (long long)row.payload.size();
        lines.push_back(u"Extracting... filename=" + std::u16string(row.name.begin(), row.name.end()) + u" position=" +
                        Num(position) + u"/" + n + u" size=" + Num(size));
        lines.insert(lines.end(), row.lines.begin(), row.lines.end());
        for (const auto& file : row.files)
            tree[u"out\\test\\" + file.first] = file.second;
        position += size;
    }
    lines.push_back(u"Finished!");

    EXPECT_TRUE(host.ExtractFile(input.c_str()));
    EXPECT_EQ(host.lines, lines);
    EXPECT_EQ(TreeOf(scratch.Path()), tree);
}

TEST_F(Win32JobTest, ExtractionFolderIsUsedInsteadOfTheCurrentDirectory) {
    ASSERT_NO_FATAL_FAILURE(WriteCustomFile());
    ASSERT_TRUE(CreateDirectoryW(W(scratch / u"elsewhere"), nullptr));
    root = scratch / u"elsewhere";
    CRecordingHost elsewhere(platform, SExtractOptions{u"en-US", root.c_str()});
    EXPECT_TRUE(elsewhere.ExtractFile(input.c_str()));
    EXPECT_EQ(elsewhere.lines, ExpectedFirstRunLines());

    Tree expected;
    for (const auto& item : ExpectedTreeAfterFirstRun()) {
        const std::u16string& name = item.first;
        expected[name.compare(0, 4, u"out\\") == 0 && name != u"out\\" ? u"elsewhere\\" + name.substr(4) : name] =
            item.second;
    }
    expected[u"elsewhere\\"] = Bytes();
    EXPECT_EQ(NamesOf(TreeOf(scratch.Path())), NamesOf(expected)) << "nothing below the current directory";
    EXPECT_EQ(TreeOf(scratch.Path()), expected);
}

TEST_F(Win32JobTest, SecondRunCancelledLeavesTheFirstUntouched) {
    ASSERT_NO_FATAL_FAILURE(WriteCustomFile());
    ASSERT_TRUE(host.ExtractFile(input.c_str()));
    const Tree before = TreeOf(scratch.Path());
    ASSERT_EQ(before, ExpectedTreeAfterFirstRun());

    host.lines.clear();
    host.answers.clear();  // the folder question is answered with cancel
    EXPECT_FALSE(host.ExtractFile(input.c_str()));
    EXPECT_EQ(host.lines, (Lines{u"CreateDirectory (path=" + root + u"\\test\\) ... Failed!",
                                 u"Cannot create directory. Please enter another name.", u"Aborted!"}));
    EXPECT_EQ(host.questions, (Lines{u"test\\"}));
    EXPECT_EQ(host.captions, (Lines{u"Please enter another directory name to extract."}));
    EXPECT_EQ(TreeOf(scratch.Path()), before) << "the first run's files are byte for byte as they were";
    EXPECT_TRUE(NotHeldOpen(input)) << "the custom file is closed after a cancel";
}

TEST_F(Win32JobTest, SecondRunUnderAnotherNameWritesTheSameFiles) {
    ASSERT_NO_FATAL_FAILURE(WriteCustomFile());
    ASSERT_TRUE(host.ExtractFile(input.c_str()));
    host.lines.clear();
    host.answers = {{1, u"again"}};
    EXPECT_TRUE(host.ExtractFile(input.c_str()));
    ASSERT_GE(host.lines.size(), 4u);
    EXPECT_EQ(host.lines[0], u"CreateDirectory (path=" + root + u"\\test\\) ... Failed!");
    EXPECT_EQ(host.lines[2], u"CreateDirectory (path=" + root + u"\\again\\) ... Success!");
    EXPECT_EQ(host.lines.back(), u"Finished!");

    Tree expected = ExpectedTreeAfterFirstRun();
    const Tree first = expected;
    for (const auto& item : first) {
        const std::u16string& name = item.first;
        if (name.compare(0, 9, u"out\\test\\") == 0)
            expected[u"out\\again\\" + name.substr(9)] = item.second;
    }
    EXPECT_EQ(TreeOf(scratch.Path()), expected);
}

}  // namespace
