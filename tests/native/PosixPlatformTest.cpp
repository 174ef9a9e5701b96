// The POSIX seam on the real file system: exclusive creation, folders, whole
// reads, cleanup after failed writes, and code page 932 names.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/PlatformPosix.h"
#include "base/Utf.h"
#include "tests/native/CliProcess.h"
#include "tests/support/RecordingHost.h"
#include "tests/fixtures/ContainerWriter.h"

namespace {

std::u16string U16(const std::string& s) { return Utf8ToUtf16String(s.c_str()); }

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

class PosixPlatformTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.empty());
        ASSERT_TRUE(platform.OpenOutputRoot(U16(dir).c_str()));
    }
    bool HasTemporaryFile() {
        for (const std::string& name : Names(dir)) {
            if (name.rfind(".vanto-extract-", 0) == 0)
                return true;
        }
        return false;
    }

    EWriteResult Write(const std::string& relative, const Bytes& data) {
        return platform.WriteNewFile(U16(relative).c_str(), data.data(), data.size());
    }
    EDirResult MakeDir(const std::string& relative) { return platform.CreateDir(U16(relative).c_str()); }
    // Names in a folder, "." and ".." left out.
    std::vector<std::string> Names(const std::string& folder) {
        std::vector<std::string> names;
        if (DIR* d = opendir(folder.c_str())) {
            while (const dirent* e = readdir(d)) {
                if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                    names.push_back(e->d_name);
            }
            closedir(d);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    CTempFolder temp{"vanto-posix"};
    const std::string dir = temp.Path();
    CTempFolder outsideTemp{"vanto-outside"};  // where no write may land
    const std::string outside = outsideTemp.Path();
    CSystemPlatform platform;
};

// The output side, with each way a complete file gets its name.
class PosixOutputTest : public PosixPlatformTest,
                        public ::testing::WithParamInterface<EWriteMethod> {
protected:
    void SetUp() override {
        PosixPlatformTest::SetUp();
        SetWriteMethod(platform, GetParam());
    }
};
std::string WriteMethodName(const ::testing::TestParamInfo<EWriteMethod>& info) {
    static const char* const kNames[] = {"LinkDescriptor", "LinkThroughProc", "MoveNamed"};
    return kNames[int(info.param)];
}
INSTANTIATE_TEST_SUITE_P(WriteMethods, PosixOutputTest,
                         ::testing::Values(EWriteMethod::LinkDescriptor,
                                           EWriteMethod::LinkThroughProc,
                                           EWriteMethod::MoveNamed),
                         WriteMethodName);

TEST_P(PosixOutputTest, NewFilesNeverReplaceExistingOnes) {
    WriteBinary(dir + "/a.txt", {'o', 'l', 'd'});
    const Bytes data = {'n', 'e', 'w', '!'};
    EXPECT_EQ(Write("a.txt", data), EWriteResult::Exists);
    EXPECT_EQ(ReadFile(dir + "/a.txt"), (Bytes{'o', 'l', 'd'}));

    EXPECT_EQ(Write("b.bin", data), EWriteResult::Written);
    EXPECT_EQ(ReadFile(dir + "/b.bin"), data);
    EXPECT_EQ(Write("b.bin", data), EWriteResult::Exists);
    EXPECT_EQ(Write("empty", {}), EWriteResult::Written);
    EXPECT_TRUE(Exists(dir + "/empty"));
    EXPECT_TRUE(ReadFile(dir + "/empty").empty());
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"a.txt", "b.bin", "empty"})) << "no temporary file is left";
}

TEST_P(PosixOutputTest, FailedWriteLeavesNothingBehind) {
    // A file size limit makes the write fail half way, as a full disk would.
    struct sigaction ignore = {}, previous = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);

    const EWriteResult result = Write("big.bin", Bytes(10000, 'z'));

    setrlimit(RLIMIT_FSIZE, &saved);
    sigaction(SIGXFSZ, &previous, nullptr);
    EXPECT_EQ(result, EWriteResult::WriteFailed);
    EXPECT_TRUE(Names(dir).empty()) << "neither the name nor a temporary file";
}

// Every level below the root is opened without following links, so nothing
// reaches the folder outside, whatever stands in the way.
TEST_P(PosixOutputTest, OutputNeverGoesThroughALink) {
    ASSERT_EQ(symlink(outside.c_str(), (dir + "/lnk").c_str()), 0);
    ASSERT_EQ(symlink((outside + "/target").c_str(), (dir + "/file-link").c_str()), 0);
    WriteBinary(dir + "/plain", {'p'});
    const Bytes data = {'d'};
    struct SRow {
        const char* path;
        EDirResult dir;        // CreateDir
        EWriteResult write;    // WriteNewFile on the same path, after CreateDir: a taken name is Exists
    } rows[] = {
        {"lnk", EDirResult::Link, EWriteResult::Exists},
        {"lnk/sub", EDirResult::Failed, EWriteResult::CannotCreate},
        {"file-link", EDirResult::Link, EWriteResult::Exists},
        {"plain", EDirResult::Failed, EWriteResult::Exists},
        {"plain/x", EDirResult::Failed, EWriteResult::CannotCreate},
        {"missing/x", EDirResult::Failed, EWriteResult::CannotCreate},
        {"../escape", EDirResult::Failed, EWriteResult::CannotCreate},
        {"real/../../escape", EDirResult::Failed, EWriteResult::CannotCreate},
        {"real", EDirResult::Created, EWriteResult::Exists},
        {"real/", EDirResult::Exists, EWriteResult::Exists},
        {"real//./trail/", EDirResult::Created, EWriteResult::Exists},
        {"", EDirResult::Exists, EWriteResult::CannotCreate},
        {"real/f.txt", EDirResult::Created, EWriteResult::Exists},  // a folder now
        {"real/g.txt", EDirResult::Created, EWriteResult::Exists},
    };
    for (const SRow& row : rows) {
        EXPECT_EQ(MakeDir(row.path), row.dir) << row.path;
        EXPECT_EQ(Write(row.path, data), row.write) << row.path;
    }
    EXPECT_EQ(Write("real/trail/h.txt", data), EWriteResult::Written);
    EXPECT_TRUE(Names(outside).empty());
}

// A folder swapped for a link while it is being filled: the files still go
// into the real folder, wherever it was moved within the root, and once the
// walk has left it, the link is refused.
TEST_P(PosixOutputTest, FolderSwappedForALinkIsNotFollowed) {
    const Bytes data = {'d'};
    ASSERT_EQ(MakeDir("sub"), EDirResult::Created);
    ASSERT_EQ(Write("sub/a", data), EWriteResult::Written);
    ASSERT_EQ(rename((dir + "/sub").c_str(), (dir + "/moved").c_str()), 0);
    ASSERT_EQ(symlink(outside.c_str(), (dir + "/sub").c_str()), 0);
    EXPECT_EQ(Write("sub/b", data), EWriteResult::Written);
    EXPECT_EQ(Write("other", data), EWriteResult::Written);
    EXPECT_EQ(Write("sub/c", data), EWriteResult::CannotCreate);
    EXPECT_EQ(Names(dir + "/moved"), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(Names(outside).empty());
}

// With named temporary files, SIGINT, SIGTERM and SIGHUP take away the file
// being written before the signal ends the process.
TEST_F(PosixPlatformTest, SignalsRemoveANamedTemporaryFile) {
    const size_t size = 512u << 20;  // zero pages: long to write, nothing to fill
    void* zeros = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(zeros, MAP_FAILED);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const pid_t pid = fork();
        if (pid == 0) {
            CSystemPlatform writer;
            SetWriteMethod(writer, EWriteMethod::MoveNamed);
            writer.OpenOutputRoot(U16(dir).c_str());
            RemovePartialFileOnSignals();
            writer.WriteNewFile(u"big.bin", static_cast<const uint8_t*>(zeros), size);
            _exit(0);
        }
        bool seen = false;
        for (int i = 0; i < 10000 && !(seen = HasTemporaryFile()); ++i)
            usleep(500);
        kill(pid, signal);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(seen) << "the write ended before it could be interrupted";
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << std::hex << status;
        EXPECT_TRUE(Names(dir).empty()) << "signal " << signal;
    }
    munmap(zeros, size);
}

TEST_F(PosixPlatformTest, WholeFileReads) {
    const std::string path = dir + "/in.god";
    const Bytes data = MakeSampleCustomFile();
    WriteBinary(path, data);
    SInputFile file;
    ASSERT_TRUE(platform.ReadWholeFile(U16(path).c_str(), file));
    EXPECT_EQ(file.nSize, int32_t(data.size()));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), file.pData));
    platform.ReleaseInputFile(file);
    EXPECT_EQ(file.pData, nullptr);
    EXPECT_EQ(file.hFile, -1);

    for (const std::string& bad : {dir, dir + "/missing.god"}) {
        SInputFile none;
        EXPECT_FALSE(platform.ReadWholeFile(U16(bad).c_str(), none)) << bad;
        platform.ReleaseInputFile(none);
    }
    // A FIFO is refused at once instead of blocking on its open.
    const std::string fifo = dir + "/pipe.god";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    SInputFile pipe;
    EXPECT_FALSE(platform.ReadWholeFile(U16(fifo).c_str(), pipe));
    platform.ReleaseInputFile(pipe);
}

TEST_F(PosixPlatformTest, FilesOfTwoGibibytesAreRefusedBeforeAnyAllocation) {
    // Sparse files: no disk space is used.
    for (const off_t size : {off_t(0x80000000LL), off_t(0x100000040LL)}) {
        const std::string path = dir + "/huge.god";
        const int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, size), 0);
        close(fd);
        SInputFile file;
        EXPECT_FALSE(platform.ReadWholeFile(U16(path).c_str(), file)) << size;
        EXPECT_EQ(file.pData, nullptr);
        platform.ReleaseInputFile(file);
    }
}

// A block given back is handed out again, with what it held (a fresh mapping
// would be all zeros); whole-file buffers and very large blocks are not kept.
TEST_F(PosixPlatformTest, GivenBackBlocksAreReusedButInputBuffersAreNot) {
    auto mark = [](uint8_t* p, size_t n) {
        p[0] = 0xA5;
        p[n / 2] = 0x5A;
        p[n - 1] = 0xC3;
    };
    auto marked = [](const uint8_t* p, size_t n) { return p[0] == 0xA5 && p[n / 2] == 0x5A && p[n - 1] == 0xC3; };
    auto zero = [](const uint8_t* p, size_t n) { return p[0] == 0 && p[n / 2] == 0 && p[n - 1] == 0; };
    // The block a request for n bytes gets, checked for zeros and freed again.
    auto nextBlockIsZero = [&](size_t n) {
        uint8_t* block = platform.AllocBlock(n);
        const bool isZero = block && zero(block, n);
        platform.FreeBlock(block, n);
        return isZero;
    };

    const size_t size = 16u << 20;
    uint8_t* first = platform.AllocBlock(size);
    ASSERT_NE(first, nullptr);
    mark(first, size);
    platform.FreeBlock(first, size);
    uint8_t* again = platform.AllocBlock(size);
    ASSERT_EQ(again, first);
    EXPECT_TRUE(marked(again, size));
    // While it is lent out, a second request gets a block of its own.
    uint8_t* other = platform.AllocBlock(size);
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other, again);
    EXPECT_TRUE(zero(other, size));
    platform.FreeBlock(other, size);
    platform.FreeBlock(again, size);

    const size_t huge = 80u << 20;
    uint8_t* big = platform.AllocBlock(huge);
    ASSERT_NE(big, nullptr);
    mark(big, huge);
    platform.FreeBlock(big, huge);
    EXPECT_TRUE(nextBlockIsZero(huge));

    const std::string path = dir + "/input.god";
    WriteBinary(path, Bytes(4096, 0));
    SInputFile input;
    ASSERT_TRUE(platform.ReadWholeFile(U16(path).c_str(), input));
    mark(input.pData, 4096);
    platform.ReleaseInputFile(input);
    EXPECT_TRUE(nextBlockIsZero(4096));
}

TEST_F(PosixPlatformTest, CurrentFolder) {
    char16_t buf[260];
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_TRUE(platform.GetCurrentDir(buf, 260));
    EXPECT_EQ(std::u16string(buf), U16(cwd));
    char16_t tiny[5];
    EXPECT_FALSE(platform.GetCurrentDir(tiny, 5));
    EXPECT_EQ(std::u16string(tiny), U16(cwd).substr(0, 4));
}

TEST(PosixNames, CodePage932ByDefault) {
    CSystemPlatform platform;
    ASSERT_TRUE(platform.IsCodePageSupported());
    struct SRow {
        Bytes bytes;
        std::u16string expected;
    } rows[] = {
        {{0x83, 0x5C, 0x83, 0x74, 0x83, 0x67}, u"ソフト"},  // second bytes 0x5C are not backslashes
        {{0x95, 0x5C, 0x8E, 0xA6, '.', 't'}, u"表示.t"},
        {{0x90, 0xE0, 0x96, 0xBE, 0x8F, 0x91}, u"説明書"},
        {{'a', '\\', 'b'}, u"a\\b"},
        {{0xB1, 0xB2}, u"ｱｲ"},  // half-width katakana
        // As Windows decodes them: a lead byte takes the next byte along, and
        // an undefined pair (or a lead byte at the end) is one U+30FB; the
        // bytes the code page leaves undefined have fixed characters.
        {{'x', 0x83}, u"x\u30FB"},
        {{0x41, 0x85, 0x5C, 0x62, '.', 't'}, u"A\u30FBb.t"},  // 0x5C is no backslash here
        {{0x81, 0x20, 0x81, 0x7F, 'z'}, u"\u30FB\u30FBz"},
        {{0x80, 0xA0, 0xFD, 0xFE, 0xFF, 'y'}, u"\u0080\uF8F0\uF8F1\uF8F2\uF8F3y"},
        {{}, u""},
    };
    for (const SRow& row : rows) {
        char16_t out[260];
        platform.DecodeName(row.bytes.data(), row.bytes.size(), out, 260);
        EXPECT_EQ(std::u16string(out), row.expected);
    }
    char16_t small[3];
    const Bytes long_ = {'a', 'b', 'c', 'd'};
    platform.DecodeName(long_.data(), long_.size(), small, 3);
    EXPECT_EQ(std::u16string(small), u"ab");
}

// File names are bytes: whatever they hold comes back unchanged, and only
// bytes that are not UTF-8 travel escaped.
TEST(PosixNames, FileNamesTravelWithoutLoss) {
    struct SRow {
        std::string bytes;
        std::u16string text;
    } rows[] = {
        {"plain.god", u"plain.god"},
        {"\xE8\xAA\xAC.god", u"説.god"},
        {"caf\xE9", u"caf\xDCE9"},
        {"\xED\xB2\x80", u"\xDCED\xDCB2\xDC80"},  // an encoded surrogate is not UTF-8
        {"\xF0\x9F\x98\x80\xFF", u"\U0001F600\xDCFF"},
    };
    for (const SRow& row : rows) {
        EXPECT_EQ(NativeNameToUtf16String(row.bytes.c_str()), row.text);
        char back[64];
        ASSERT_TRUE(Utf16ToNativeName(row.text.c_str(), back, sizeof back));
        EXPECT_EQ(std::string(back), row.bytes);
    }
}

TEST(PosixNames, OtherCodePages) {
    CSystemPlatform western(1252);
    ASSERT_TRUE(western.IsCodePageSupported());
    const Bytes bytes = {0xE9, 0x80};
    char16_t out[16];
    western.DecodeName(bytes.data(), bytes.size(), out, 16);
    EXPECT_EQ(std::u16string(out), u"é€");
    // Other double-byte pages: an undefined pair is one '?', never a separator.
    CSystemPlatform chinese(936);
    const Bytes pair = {0x81, 0x2F, 'x'};
    chinese.DecodeName(pair.data(), pair.size(), out, 16);
    EXPECT_EQ(std::u16string(out), u"?x");
    CSystemPlatform utf8(65001);
    const Bytes text = {0xE8, 0xAA, 0xAC};
    utf8.DecodeName(text.data(), text.size(), out, 16);
    EXPECT_EQ(std::u16string(out), u"説");
    EXPECT_FALSE(CSystemPlatform(1).IsCodePageSupported());
}

TEST(PosixNames, EncodingIsExactOrRefused) {
    const struct {
        unsigned codePage;
        const char16_t* name;
        Bytes bytes;  // empty: refused
    } rows[] = {
        {932, u"readme.t", {'r', 'e', 'a', 'd', 'm', 'e', '.', 't'}},
        {932, u"説明書.t", {0x90, 0xE0, 0x96, 0xBE, 0x8F, 0x91, '.', 't'}},
        {932, u"\uFF71", {0xB1}},      // halfwidth katakana: one byte
        {932, u"caf\u00E9", {}},       // no e-acute in 932, and never a best fit "e"
        {1252, u"caf\u00E9\u20AC", {'c', 'a', 'f', 0xE9, 0x80}},
        {1252, u"\u8AAC", {}},
        {932, u"0123456789012345678901234567890123456789x", {}},  // over the 40 bytes given
    };
    for (const auto& row : rows) {
        CSystemPlatform platform(row.codePage);
        uint8_t out[40];
        size_t length = 0;
        const bool encoded = platform.EncodeName(row.name, out, sizeof out, length);
        EXPECT_EQ(encoded, !row.bytes.empty()) << row.codePage;
        if (encoded) {
            EXPECT_EQ(Bytes(out, out + length), row.bytes);
        }
    }
}

TEST_F(PosixPlatformTest, WholeJobOnDisk) {
    const std::string input = dir + "/sample.god";
    WriteBinary(input, MakeSampleCustomFile());
    const std::u16string folder = U16(dir);
    CRecordingHost host(platform, SExtractOptions{u"en-US", folder.c_str()});
    ASSERT_TRUE(host.ExtractFile(U16(input).c_str()));
    EXPECT_EQ(host.lines.front(), U16("CreateDirectory (path=" + dir + "/sample/) ... Success!"));
    EXPECT_EQ(ReadFile(dir + "/sample/notes.txt"), (Bytes{'p', 'l', 'a', 'i', 'n', ' ', 'n', 'o', 't', 'e', 's', '\n'}));
    EXPECT_EQ(ReadFile(dir + "/sample/cmap/map01.txt").size(), 14u);
    EXPECT_EQ(ReadFile(dir + "/sample/説明書.txt"), (Bytes{'s', 'e', 't', 's', 'u', 'm', 'e', 'i', 's', 'h', 'o', '\n'}));
    EXPECT_EQ(ReadFile(dir + "/sample/textures/logo.bmp"), MakeBitmap(32, 16));
    EXPECT_TRUE(Exists(dir + "/sample/textures/photo.jpg"));
    EXPECT_TRUE(Exists(dir + "/sample/version"));
    const std::u16string childLine = U16("CreateDirectory (path=" + dir + "/sample/textures) ... Success!");
    EXPECT_NE(std::find(host.lines.begin(), host.lines.end(), childLine), host.lines.end());
    EXPECT_NE(std::find(host.lines.begin(), host.lines.end(), u"ExtractData(dir=sample/textures/, size=2278)"),
              host.lines.end());
}

}  // namespace
