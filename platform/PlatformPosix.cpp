#include "platform/PlatformPosix.h"

#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <limits.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/Utf.h"

namespace {

// File names are at most 259 UTF-16 characters, each at most 3 UTF-8 bytes
// (a surrogate pair gives 4 bytes for 2 characters).
constexpr size_t kNativePathBytes = 260 * 3 + 1;

const iconv_t kNoIconv = reinterpret_cast<iconv_t>(-1);

bool ToNativePath(const char16_t* path, char* out) { return Utf16ToUtf8(path, out, kNativePathBytes); }

// Fresh zero-filled memory from the kernel, or null.
uint8_t* MapBlock(size_t size) {
    void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : static_cast<uint8_t*>(p);
}

// The iconv name of a Windows code page ("CP932", "UTF-8" for 65001).
std::string IconvNameOfCodePage(unsigned codePage) {
    if (codePage == 65001)
        return "UTF-8";
    return "CP" + std::to_string(codePage);
}

}  // namespace

CPosixPlatform::CPosixPlatform(unsigned codePage)
    : m_iconv(iconv_open("UTF-16LE", IconvNameOfCodePage(codePage ? codePage : 932).c_str())) {}

CPosixPlatform::~CPosixPlatform() {
    if (m_pSpareBlock)
        munmap(m_pSpareBlock, m_nSpareSize);
    if (m_iconv != kNoIconv)
        iconv_close(static_cast<iconv_t>(m_iconv));
}

bool CPosixPlatform::IsCodePageSupported() const { return m_iconv != kNoIconv; }

bool CPosixPlatform::GetCurrentDir(char16_t* buf, size_t capacity) {
    if (capacity == 0)
        return false;
    if (m_bOverride) {
        size_t i = 0;
        for (; i + 1 < capacity && i < m_strFolderOverride.size(); ++i)
            buf[i] = m_strFolderOverride[i];
        buf[i] = 0;
        return i == m_strFolderOverride.size();
    }
    char native[PATH_MAX];
    if (!getcwd(native, sizeof native)) {
        buf[0] = 0;
        return false;
    }
    return Utf8ToUtf16(native, std::strlen(native), buf, capacity);
}

bool CPosixPlatform::ReadWholeFile(const char16_t* path, SInputFile& file) {
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

void CPosixPlatform::ReleaseInputFile(SInputFile& file) {
    if (file.pData)
        munmap(file.pData, size_t(file.nSize));
    if (file.hFile >= 0)
        close(int(file.hFile));
    file = SInputFile();
}

bool CPosixPlatform::CreateDir(const char16_t* path) {
    char native[kNativePathBytes];
    return ToNativePath(path, native) && mkdir(native, 0777) == 0;
}

EWriteResult CPosixPlatform::WriteNewFile(const char16_t* path, const uint8_t* data, size_t size) {
    char native[kNativePathBytes];
    if (!ToNativePath(path, native))
        return EWriteResult::CannotCreate;
    // O_EXCL: an existing file (or a symbolic link, even a dangling one) is never opened.
    const int fd = open(native, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0)
        return EWriteResult::CannotCreate;

    size_t done = 0;
    while (done < size) {
        const ssize_t put = write(fd, data + done, size - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            break;
        done += size_t(put);
    }
    bool ok = done == size;
    if (close(fd) != 0)
        ok = false;
    if (ok)
        return EWriteResult::Written;

    // Delete the partial file, but only if the name still is the file we made.
    struct stat made, now;
    const int fd2 = open(native, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd2 >= 0) {
        if (fstat(fd2, &made) == 0 && lstat(native, &now) == 0 && made.st_ino == now.st_ino &&
            made.st_dev == now.st_dev && S_ISREG(now.st_mode))
            unlink(native);
        close(fd2);
    }
    return EWriteResult::WriteFailed;
}

uint8_t* CPosixPlatform::AllocBlock(size_t size) {
    if (size == 0)
        return nullptr;
    if (m_pSpareBlock && m_nSpareSize == size) {
        uint8_t* block = m_pSpareBlock;
        m_pSpareBlock = nullptr;
        m_nSpareSize = 0;
        return block;
    }
    return MapBlock(size);
}

void CPosixPlatform::FreeBlock(uint8_t* block, size_t size) {
    if (!block)
        return;
    if (size > kMaxSpareBlock) {
        munmap(block, size);
        return;
    }
    if (m_pSpareBlock)
        munmap(m_pSpareBlock, m_nSpareSize);
    m_pSpareBlock = block;
    m_nSpareSize = size;
}

void CPosixPlatform::DecodeName(const uint8_t* bytes, size_t count, char16_t* out, size_t capacity) {
    if (capacity == 0)
        return;
    size_t pos = 0;
    iconv_t cd = static_cast<iconv_t>(m_iconv);
    if (cd == kNoIconv) {
        for (size_t i = 0; i < count && pos + 1 < capacity; ++i)
            out[pos++] = bytes[i] < 0x80 ? bytes[i] : 0xFFFD;
        out[pos] = 0;
        return;
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = reinterpret_cast<char*>(const_cast<uint8_t*>(bytes));
    size_t inLeft = count;
    while (inLeft > 0 && pos + 1 < capacity) {
        char unit[8];
        char* outPtr = unit;
        size_t outLeft = sizeof unit;
        // One character at a time, so that a bad byte costs only itself.
        size_t take = 1;
        size_t r = size_t(-1);
        for (; take <= inLeft && take <= 4; ++take) {
            char* tryIn = in;
            size_t tryLeft = take;
            outPtr = unit;
            outLeft = sizeof unit;
            r = iconv(cd, &tryIn, &tryLeft, &outPtr, &outLeft);
            if (r != size_t(-1) && tryLeft == 0)
                break;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (errno != EINVAL)  // an invalid sequence, not merely an incomplete one
                break;
        }
        const size_t produced = sizeof unit - outLeft;
        if (r == size_t(-1) || produced == 0) {
            out[pos++] = 0xFFFD;
            ++in;
            --inLeft;
            continue;
        }
        for (size_t i = 0; i + 1 < produced && pos + 1 < capacity; i += 2)
            out[pos++] = char16_t(uint8_t(unit[i]) | uint8_t(unit[i + 1]) << 8);
        in += take;
        inLeft -= take;
    }
    out[pos] = 0;
}

void CPosixPlatform::ToNativeSeparators(char16_t* path) {
    for (; *path; ++path) {
        if (*path == u'\\')
            *path = u'/';
    }
}

void CPosixPlatform::ExitProcessNow(int code) {
    std::fflush(nullptr);
    _exit(code);
}
