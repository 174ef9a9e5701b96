#include "platform/PlatformPosix.h"

#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <new>
#include <cstdio>
#include <cstring>

#include "base/Text.h"
#include "base/Utf.h"

namespace {

const iconv_t kNoIconv = reinterpret_cast<iconv_t>(-1);

bool ToNativePath(const char16_t* path, char* out) { return Utf16ToNativeName(path, out, kNativePathBytes); }

// Fresh zero-filled memory from the kernel, or null.
uint8_t* MapBlock(size_t size) {
    void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    return p == MAP_FAILED ? nullptr : static_cast<uint8_t*>(p);
}

// The iconv name of a Windows code page ("CP932", "UTF-8" for 65001).
std::string IconvNameOfCodePage(unsigned codePage) {
    if (codePage == 65001)
        return "UTF-8";
    return "CP" + std::to_string(codePage);
}

// Lead bytes of the double-byte code pages: Windows always reads such a
// byte together with the next one, whatever that is.
bool IsLeadByte(unsigned codePage, uint8_t b) {
    switch (codePage) {
    case 932:
        return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 936:
    case 949:
    case 950:
        return b >= 0x81 && b <= 0xFE;
    default:
        return false;
    }
}

bool IsDoubleByteCodePage(unsigned codePage) { return IsLeadByte(codePage, 0x81); }

// What Windows gives for a lead byte whose pair is undefined, or that ends the name.
char16_t InvalidPairChar(unsigned codePage) { return codePage == 932 ? char16_t(0x30FB) : u'?'; }

// Single bytes that code page 932 leaves undefined and Windows maps all the same.
char16_t Cp932UndefinedByte(uint8_t b) {
    switch (b) {
    case 0x80:
        return 0x0080;
    case 0xA0:
        return 0xF8F0;
    case 0xFD:
    case 0xFE:
    case 0xFF:
        return char16_t(0xF8F1 + (b - 0xFD));
    default:
        return 0xFFFD;
    }
}

// Converts exactly `count` bytes with iconv and appends the characters.
// False when they are not one complete, valid sequence (or do not fit).
bool ConvertExact(iconv_t cd, const uint8_t* bytes, size_t count, char16_t* out, size_t& pos, size_t capacity,
                  bool* incomplete) {
    char unit[8];
    char* in = reinterpret_cast<char*>(const_cast<uint8_t*>(bytes));
    size_t inLeft = count;
    char* outPtr = unit;
    size_t outLeft = sizeof unit;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    const size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    if (incomplete)
        *incomplete = r == size_t(-1) && errno == EINVAL;
    const size_t produced = sizeof unit - outLeft;
    if (r == size_t(-1) || inLeft != 0 || produced == 0 || pos + produced / 2 + 1 > capacity)
        return false;
    for (size_t i = 0; i + 1 < produced; i += 2)
        out[pos++] = char16_t(uint8_t(unit[i]) | uint8_t(unit[i + 1]) << 8);
    return true;
}

// --- The file being written under its temporary name, for the signal handler.

// One record a thread that writes files: slot 0 is the thread that opened the
// output root, the others are its writers'. The handler may run on any
// thread, so the flag is a lock-free atomic, set once the record is whole.
struct SPartialFile {
    std::atomic<int> armed;
    int folder;
    dev_t device;
    ino_t inode;
    char name[kTemporaryNameCapacity];
};
enum : int { kMaxWriters = 64 };
SPartialFile g_partialFiles[1 + kMaxWriters];

// Removes the temporary file if the name still is the file that was made.
void RemoveIfSame(int folder, const char* name, dev_t device, ino_t inode) {
    struct stat now;
    if (fstatat(folder, name, &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_dev == device && now.st_ino == inode &&
        S_ISREG(now.st_mode))
        unlinkat(folder, name, 0);
}

extern "C" void RemovePartialFileAndDie(int signal) {
    for (SPartialFile& partial : g_partialFiles) {
        if (partial.armed.load())
            RemoveIfSame(partial.folder, partial.name, partial.device, partial.inode);
    }
    // The handler was reset on entry (SA_RESETHAND): end as the signal would have.
    raise(signal);
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t put = write(fd, data + done, size - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += size_t(put);
    }
    return true;
}

// Gives the temporary file its name without replacing anything. 0 on
// success, else an errno value (EEXIST: the name is taken).
int MoveWithoutReplacing(int folder, const char* from, const char* to) {
    if (renameat2(folder, from, folder, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return errno;
    // A file system without RENAME_NOREPLACE: a hard link never replaces either.
    if (linkat(folder, from, folder, to, 0) != 0)
        return errno;
    unlinkat(folder, from, 0);
    return 0;
}

}  // namespace

// The POSIX system's own state.
struct SSystemState {
    SSystemState(unsigned codePage, CFolderChain::IOpener& opener)
        : m_nCodePage(codePage ? codePage : 932),
          m_iconv(iconv_open("UTF-16LE", IconvNameOfCodePage(m_nCodePage).c_str())),
          m_encoder(iconv_open(IconvNameOfCodePage(m_nCodePage).c_str(), "UTF-16LE")),
          m_chain(opener) {}
    ~SSystemState() {
        if (m_pSpareBlock)
            munmap(m_pSpareBlock, m_nSpareSize);
        if (m_iconv != kNoIconv)
            iconv_close(m_iconv);
        if (m_encoder != kNoIconv)
            iconv_close(m_encoder);
    }
    SSystemState(const SSystemState&) = delete;
    SSystemState& operator=(const SSystemState&) = delete;

    // The engine takes and gives back a 16 MiB decompression block for every
    // written entry. Unmapping it and mapping a fresh one each time would make
    // the kernel fault in and zero every page the inflater touches, entry
    // after entry; so the last block given back is kept and handed out again
    // for the next request of the same size.
    enum : size_t { kMaxSpareBlock = 64u << 20 };
    uint8_t* m_pSpareBlock = nullptr;
    size_t m_nSpareSize = 0;

    unsigned m_nCodePage;
    iconv_t m_iconv;    // kNoIconv when unsupported
    iconv_t m_encoder;  // the other way, for EncodeName
    CFolderChain m_chain;
    // Shared by every thread that writes.
    std::atomic<unsigned long> m_nTempSequence{0};
    std::atomic<EWriteMethod> m_eWriteMethod{EWriteMethod::LinkDescriptor};
    bool m_bSlotTaken[1 + kMaxWriters] = {};  // the writers' partial-file records, slot 0 the root's thread's
};

namespace {
// Creates the file `name` in `folder` (see WriteNewFile), recording a file
// under a temporary name in partial-file record `slot`.
EWriteResult WriteIn(SSystemState& state, int slot, int folder, const SPathComponent& name, const uint8_t* data,
                     size_t size);

int OpenFolderLevel(int parent, const SPathComponent& name) {
    char native[kNativePathBytes];
    if (!ComponentToNativeName(name, native))
        return -1;
    return openat(parent, native, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// A writer for another thread: its own descriptor of the root, its own chain.
class CPosixWriter final : public IFileWriter, private CFolderChain::IOpener {
public:
    CPosixWriter(SSystemState& state, int root, int slot) : m_state(state), m_chain(*this), m_nSlot(slot) {
        m_chain.SetRoot(root);
    }
    ~CPosixWriter() { m_chain.Close(); }
    CPosixWriter(const CPosixWriter&) = delete;
    CPosixWriter& operator=(const CPosixWriter&) = delete;
    int Slot() const { return m_nSlot; }

    EWriteResult WriteNewFile(const char16_t* relativePath, const uint8_t* data, size_t size) override {
        SPathComponent name;
        EPathSplit split;
        const int folder = int(m_chain.OpenParent(relativePath, name, split));
        return WriteIn(m_state, m_nSlot, folder, name, data, size);
    }

private:
    CFolderChain::Handle OpenFolder(CFolderChain::Handle parent, const SPathComponent& name) override {
        const int fd = OpenFolderLevel(int(parent), name);
        return fd < 0 ? CFolderChain::kNoHandle : fd;
    }
    void CloseFolder(CFolderChain::Handle folder) override { close(int(folder)); }

    SSystemState& m_state;
    CFolderChain m_chain;
    int m_nSlot;
};

// The two ways a complete file gets its name in `folder`: an unnamed file
// that is linked, or a file under a temporary name that is moved.
EWriteResult WriteUnnamed(SSystemState& state, int folder, const char* name, const uint8_t* data, size_t size);
EWriteResult WriteNamed(SSystemState& state, int slot, int folder, const char* name, const uint8_t* data,
                        size_t size);
}  // namespace

bool ComponentToNativeName(const SPathComponent& name, char* out) {
    char16_t copy[260];
    if (name.length >= 260)
        return false;
    std::memcpy(copy, name.begin, name.length * sizeof(char16_t));
    copy[name.length] = 0;
    return ToNativePath(copy, out);
}

CSystemPlatform::CSystemPlatform(unsigned codePage) : m_pState(new SSystemState(codePage, *this)) {}

// The chain lets go of its folders while the object that closes them is whole.
CSystemPlatform::~CSystemPlatform() { m_pState->m_chain.Close(); }

bool CSystemPlatform::IsCodePageSupported() const { return m_pState->m_iconv != kNoIconv; }

void RemovePartialFileOnSignals() {
    struct sigaction action = {};
    action.sa_handler = RemovePartialFileAndDie;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

bool CSystemPlatform::GetCurrentDir(char16_t* buf, size_t capacity) {
    if (capacity == 0)
        return false;
    char native[PATH_MAX];
    if (!getcwd(native, sizeof native)) {
        buf[0] = 0;
        return false;
    }
    return NativeNameToUtf16(native, std::strlen(native), buf, capacity);
}

bool CSystemPlatform::ReadWholeFile(const char16_t* path, SInputFile& file) {
    char native[kNativePathBytes];
    if (!ToNativePath(path, native))
        return false;
    // O_NONBLOCK keeps a FIFO from blocking the open; it is refused below.
    const int fd = open(native, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    file.hFile = fd;

    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size >= 0x80000000LL)
        return false;
    const size_t size = size_t(st.st_size);
    // Its own mapping, released whole when the job is done (never kept).
    file.pData = size > 0 ? MapBlock(size) : nullptr;
    if (!file.pData)
        return false;
    file.nSize = int32_t(size);

    size_t done = 0;
    while (done < size) {
        const ssize_t got = read(fd, file.pData + done, size - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;  // an error, or the file shrank: never extract zeros it did not hold
        done += size_t(got);
    }
    return true;
}

void CSystemPlatform::ReleaseInputFile(SInputFile& file) {
    if (file.pData)
        munmap(file.pData, size_t(file.nSize));
    if (file.hFile >= 0)
        close(int(file.hFile));
    file = SInputFile();
}

bool CSystemPlatform::OpenOutputRoot(const char16_t* root) {
    m_pState->m_chain.Close();
    char native[kNativePathBytes];
    if (!ToNativePath(root, native))
        return false;
    // The root is the user's own folder: a link to it is followed, once.
    const int fd = open(native, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    m_pState->m_chain.SetRoot(fd);
    return true;
}

void CSystemPlatform::CloseOutputRoot() { m_pState->m_chain.Close(); }

CFolderChain::Handle CSystemPlatform::OpenFolder(CFolderChain::Handle parent, const SPathComponent& name) {
    const int fd = OpenFolderLevel(int(parent), name);
    return fd < 0 ? CFolderChain::kNoHandle : fd;
}

IFileWriter* CSystemPlatform::OpenWriter() {
    // Only files made without a name may be written from several threads:
    // a file under a temporary name is recorded for the signal handler by
    // the one thread that blocks the signals meanwhile. The root's file
    // system is asked once per writer (an unnamed file, closed at once).
    const int root = int(m_pState->m_chain.Root());
    if (root < 0 || m_pState->m_eWriteMethod.load() == EWriteMethod::MoveNamed)
        return nullptr;
    const int probe = openat(root, ".", O_WRONLY | O_TMPFILE | O_CLOEXEC, 0666);
    if (probe < 0)
        return nullptr;
    close(probe);
    int slot = 1;
    while (slot <= kMaxWriters && m_pState->m_bSlotTaken[slot])
        ++slot;
    const int own = slot <= kMaxWriters ? fcntl(root, F_DUPFD_CLOEXEC, 0) : -1;
    if (own < 0)
        return nullptr;
    CPosixWriter* writer = new (std::nothrow) CPosixWriter(*m_pState, own, slot);
    if (!writer) {
        close(own);
        return nullptr;
    }
    m_pState->m_bSlotTaken[slot] = true;
    return writer;
}

void CSystemPlatform::CloseWriter(IFileWriter* writer) {
    CPosixWriter* own = static_cast<CPosixWriter*>(writer);
    if (!own)
        return;
    m_pState->m_bSlotTaken[own->Slot()] = false;
    delete own;
}

void CSystemPlatform::CloseFolder(CFolderChain::Handle folder) { close(int(folder)); }

EDirResult CSystemPlatform::CreateDir(const char16_t* relativePath) {
    SPathComponent name;
    CFolderChain::Handle held;
    EDirResult early;
    if (!m_pState->m_chain.OpenParentToCreate(relativePath, name, held, early))
        return early;
    const int parent = int(held);
    char native[kNativePathBytes];
    if (!ComponentToNativeName(name, native))
        return EDirResult::Failed;
    if (mkdirat(parent, native, 0777) == 0)
        return EDirResult::Created;
    struct stat st;
    if (errno != EEXIST || fstatat(parent, native, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return EDirResult::Failed;
    if (S_ISLNK(st.st_mode))
        return EDirResult::Link;
    return S_ISDIR(st.st_mode) ? EDirResult::Exists : EDirResult::Failed;
}

EWriteResult CSystemPlatform::WriteNewFile(const char16_t* relativePath, const uint8_t* data, size_t size) {
    SPathComponent name;
    EPathSplit split;
    const int folder = int(m_pState->m_chain.OpenParent(relativePath, name, split));
    return WriteIn(*m_pState, 0, folder, name, data, size);
}

EWriteResult CSystemPlatform::WriteNewFileInRoot(const char16_t* name, const uint8_t* data, size_t size) {
    const SPathComponent whole{name, StrLen16(name)};
    for (size_t i = 0; i < whole.length; ++i) {
        if (name[i] == u'/')
            return EWriteResult::CannotCreate;
    }
    const bool dots = (whole.length == 1 && name[0] == u'.') || (whole.length == 2 && name[0] == u'.' && name[1] == u'.');
    if (whole.length == 0 || dots)
        return EWriteResult::CannotCreate;
    return WriteIn(*m_pState, 0, int(m_pState->m_chain.Root()), whole, data, size);
}

// The file is made without a name (O_TMPFILE) and linked under its name once
// complete: whatever ends the process, even SIGKILL, nothing is left behind.
// Where the file system cannot make unnamed files, or the system cannot link
// them, every later write takes the named way instead.
namespace {

EWriteResult WriteIn(SSystemState& state, int slot, int folder, const SPathComponent& name, const uint8_t* data,
                     size_t size) {
    char native[kNativePathBytes];
    if (folder < 0 || !ComponentToNativeName(name, native))
        return EWriteResult::CannotCreate;
    // A name that is taken makes the link or the move fail (EEXIST): nothing
    // is ever replaced, and a duplicate entry costs its write only.
    if (state.m_eWriteMethod.load() != EWriteMethod::MoveNamed) {
        const EWriteResult result = WriteUnnamed(state, folder, native, data, size);
        if (state.m_eWriteMethod.load() != EWriteMethod::MoveNamed)
            return result;
    }
    return WriteNamed(state, slot, folder, native, data, size);
}

EWriteResult WriteUnnamed(SSystemState& state, int folder, const char* name, const uint8_t* data, size_t size) {
    const int fd = openat(folder, ".", O_WRONLY | O_TMPFILE | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)
            state.m_eWriteMethod = EWriteMethod::MoveNamed;
        return EWriteResult::CannotCreate;
    }
    if (!WriteAll(fd, data, size)) {
        close(fd);
        return EWriteResult::WriteFailed;
    }
    // linkat never replaces a name. Linking the descriptor itself needs a
    // privilege before Linux 6.10 (ENOENT without it); its /proc entry does not.
    int linked = -1;
    if (state.m_eWriteMethod == EWriteMethod::LinkDescriptor) {
        linked = linkat(fd, "", folder, name, AT_EMPTY_PATH);
        if (linked != 0 && (errno == ENOENT || errno == EPERM || errno == EINVAL))
            state.m_eWriteMethod = EWriteMethod::LinkThroughProc;
    }
    if (state.m_eWriteMethod == EWriteMethod::LinkThroughProc) {
        char own[40];
        std::snprintf(own, sizeof own, "/proc/self/fd/%d", fd);
        linked = linkat(AT_FDCWD, own, folder, name, AT_SYMLINK_FOLLOW);
        if (linked != 0 && access("/proc/self/fd", F_OK) != 0)
            state.m_eWriteMethod = EWriteMethod::MoveNamed;  // no /proc: this write is made again, named
    }
    const bool taken = linked != 0 && errno == EEXIST;
    close(fd);  // file systems with unnamed files report no write errors here
    return linked == 0 ? EWriteResult::Written : taken ? EWriteResult::Exists : EWriteResult::CannotCreate;
}

// The file is written under a temporary name and moved to its name without
// replacing anything. The signal handler and every failure remove it, but
// only while the name still is the file that was made.
EWriteResult WriteNamed(SSystemState& state, int slot, int folder, const char* name, const uint8_t* data,
                        size_t size) {
    SPartialFile& partial = g_partialFiles[slot];
    // The interrupting signals wait while the file is made and recorded, so
    // that the handler never meets a file it does not know of yet.
    sigset_t interrupting, previous;
    sigemptyset(&interrupting);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&interrupting, signal);
    pthread_sigmask(SIG_BLOCK, &interrupting, &previous);
    char temp[kTemporaryNameCapacity];
    int fd = -1;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        FormatTemporaryName(temp, sizeof temp, (unsigned long)getpid(), ++state.m_nTempSequence);
        fd = openat(folder, temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    struct stat made;
    if (fd >= 0 && fstat(fd, &made) != 0) {
        close(fd);
        unlinkat(folder, temp, 0);  // just made with O_EXCL: it is ours
        fd = -1;
    }
    if (fd >= 0) {
        partial.folder = folder;
        partial.device = made.st_dev;
        partial.inode = made.st_ino;
        std::memcpy(partial.name, temp, sizeof temp);
        partial.armed.store(1);  // the record is whole before it is armed
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (fd < 0)
        return EWriteResult::CannotCreate;

    bool written = WriteAll(fd, data, size);
    if (close(fd) != 0)
        written = false;
    const int moved = written ? MoveWithoutReplacing(folder, temp, name) : -1;
    const bool taken = moved != 0 && written && errno == EEXIST;
    if (moved != 0)
        RemoveIfSame(folder, temp, made.st_dev, made.st_ino);
    partial.armed.store(0);
    if (!written)
        return EWriteResult::WriteFailed;
    return moved == 0 ? EWriteResult::Written : taken ? EWriteResult::Exists : EWriteResult::CannotCreate;
}

}  // namespace

uint8_t* CSystemPlatform::AllocBlock(size_t size) {
    if (size == 0)
        return nullptr;
    if (m_pState->m_pSpareBlock && m_pState->m_nSpareSize == size) {
        uint8_t* block = m_pState->m_pSpareBlock;
        m_pState->m_pSpareBlock = nullptr;
        m_pState->m_nSpareSize = 0;
        return block;
    }
    return MapBlock(size);
}

void CSystemPlatform::FreeBlock(uint8_t* block, size_t size) {
    if (!block)
        return;
    if (size > SSystemState::kMaxSpareBlock) {
        munmap(block, size);
        return;
    }
    if (m_pState->m_pSpareBlock)
        munmap(m_pState->m_pSpareBlock, m_pState->m_nSpareSize);
    m_pState->m_pSpareBlock = block;
    m_pState->m_nSpareSize = size;
}

bool CSystemPlatform::EncodeName(const char16_t* name, uint8_t* out, size_t capacity, size_t& length) {
    iconv_t cd = m_pState->m_encoder;
    if (cd == kNoIconv)
        return false;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);  // a fresh shift state
    char* in = reinterpret_cast<char*>(const_cast<char16_t*>(name));
    size_t inLeft = StrLen16(name) * sizeof(char16_t);
    char* to = reinterpret_cast<char*>(out);
    size_t toLeft = capacity;
    // Every character must convert exactly: iconv fails on the first one
    // the code page does not have.
    if (iconv(cd, &in, &inLeft, &to, &toLeft) == size_t(-1) || iconv(cd, nullptr, nullptr, &to, &toLeft) == size_t(-1))
        return false;
    length = capacity - toLeft;
    return DecodesTo(*this, out, length, name);
}

void CSystemPlatform::DecodeName(const uint8_t* bytes, size_t count, char16_t* out, size_t capacity) {
    if (capacity == 0)
        return;
    size_t pos = 0;
    iconv_t cd = m_pState->m_iconv;
    const bool doubleByte = IsDoubleByteCodePage(m_pState->m_nCodePage);
    size_t i = 0;
    while (i < count && pos + 1 < capacity) {
        const uint8_t b = bytes[i];
        if (cd == kNoIconv) {
            out[pos++] = b < 0x80 ? b : 0xFFFD;
            ++i;
        } else if (doubleByte && IsLeadByte(m_pState->m_nCodePage, b)) {
            // A lead byte takes the next byte with it, whatever it is: an
            // undefined pair is one character, never a stray backslash.
            if (i + 1 >= count || !ConvertExact(cd, bytes + i, 2, out, pos, capacity, nullptr))
                out[pos++] = InvalidPairChar(m_pState->m_nCodePage);
            i += i + 1 < count ? 2 : 1;
        } else if (doubleByte) {
            if (!ConvertExact(cd, bytes + i, 1, out, pos, capacity, nullptr))
                out[pos++] = m_pState->m_nCodePage == 932 ? Cp932UndefinedByte(b) : char16_t(0xFFFD);
            ++i;
        } else {
            // One character at a time, so that a bad byte costs only itself.
            size_t take = 1;
            bool converted = false;
            for (; take <= 4 && i + take <= count; ++take) {
                bool incomplete = false;
                converted = ConvertExact(cd, bytes + i, take, out, pos, capacity, &incomplete);
                if (converted || !incomplete)
                    break;
            }
            if (converted) {
                i += take;
            } else {
                out[pos++] = 0xFFFD;
                ++i;
            }
        }
    }
    out[pos] = 0;
}

SNameRules CSystemPlatform::NameRules() const { return SNameRules{false, false, false}; }

void CSystemPlatform::ToNativeSeparators(char16_t* path) {
    for (; *path; ++path) {
        if (*path == u'\\')
            *path = u'/';
    }
}


void SetWriteMethod(CSystemPlatform& platform, EWriteMethod method) { platform.State().m_eWriteMethod = method; }
