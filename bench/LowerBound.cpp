// bench-lower-bound FILE OUTDIR: the least work an extraction of FILE must do,
// written only for the benchmark. One read of the whole file, the walk over
// the container format, one inflate per compressed payload into one reused
// buffer, and create-write-close per file. No log, no name decoding, no name
// checks; of the naming rules only what the benchmark corpus needs to come
// out as the same tree as vanto-extract's (".t" sniffed as bitmap, JPEG or
// text, ".tx" as text, every other name kept).
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

enum : size_t {
    kHeaderSize = 50,
    kSizeFieldOffset = 40,
    kSizeFieldSize = 10,
    kBufferSize = 16u * 1024u * 1024u,  // the extractor's decompression buffer
};

// The size field: 1 to 9 digits, then NULs to the end, a value above zero.
bool ParseSize(const uint8_t* field, size_t* size) {
    size_t value = 0, i = 0;
    for (; i < kSizeFieldSize - 1 && field[i] >= '0' && field[i] <= '9'; ++i)
        value = value * 10 + size_t(field[i] - '0');
    if (i == 0 || value == 0)
        return false;
    for (; i < kSizeFieldSize; ++i) {
        if (field[i] != 0)
            return false;
    }
    *size = value;
    return true;
}

bool IsHeader(const uint8_t* p, size_t length) {
    size_t size;
    return length > kHeaderSize && ParseSize(p + kSizeFieldOffset, &size);
}

bool EndsWith(const std::string& s, const char* suffix) {
    const size_t n = std::strlen(suffix);
    return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

class CLowerBound {
public:
    // Buffers are left uninitialised: zero-filling them is work the
    // extractor does not do either (its blocks come from fresh mappings).
    CLowerBound() : m_buffer(new uint8_t[kBufferSize]) {
        if (inflateInit2(&m_stream, 15 + 32) != Z_OK)
            std::abort();
    }
    ~CLowerBound() { inflateEnd(&m_stream); }

    // Walks data[0 .. length-1] into folder (which ends with '/').
    bool Walk(const uint8_t* data, size_t length, std::string& folder);

private:
    bool WriteEntry(const std::string& folder, std::string name, const uint8_t* payload, size_t length);
    size_t Inflate(const uint8_t* source, size_t length);
    static bool WriteNew(const std::string& path, const uint8_t* data, size_t size);

    std::unique_ptr<uint8_t[]> m_buffer;
    z_stream m_stream = {};
};

bool CLowerBound::Walk(const uint8_t* data, size_t length, std::string& folder) {
    size_t offset = 0;
    while (length - offset >= kHeaderSize) {
        const uint8_t* entry = data + offset;
        size_t size = 0;
        if (!ParseSize(entry + kSizeFieldOffset, &size) || size < kHeaderSize || size > length - offset)
            return true;  // the extractor stops at the same point
        const std::string name(reinterpret_cast<const char*>(entry), strnlen(reinterpret_cast<const char*>(entry), 40));
        const uint8_t* payload = entry + kHeaderSize;
        const size_t payloadLength = size - kHeaderSize;
        if (IsHeader(payload, payloadLength)) {
            const size_t mark = folder.size();
            folder += name.substr(0, name.rfind('.'));
            if (mkdir(folder.c_str(), 0777) != 0)
                return false;
            folder += '/';
            const bool ok = Walk(payload, payloadLength, folder);
            folder.resize(mark);
            if (!ok)
                return false;
        } else if (!WriteEntry(folder, name, payload, payloadLength)) {
            return false;
        }
        offset += size;
    }
    return true;
}

bool CLowerBound::WriteEntry(const std::string& folder, std::string name, const uint8_t* payload, size_t length) {
    const uint8_t* content = payload;
    size_t contentLength = length;
    if (length >= 3 && payload[0] == 0x1F && payload[1] == 0x8B && payload[2] == 8) {
        const size_t inflated = Inflate(payload, length);
        if (inflated > 0) {
            content = m_buffer.get();
            contentLength = inflated;
        }
    }
    if (EndsWith(name, ".t")) {
        name.resize(name.size() - 2);
        if (contentLength > 5 && content[0] == 'B' && content[1] == 'M')
            name += ".bmp";
        else if (contentLength > 10 && std::memcmp(content + 6, "JFIF", 4) == 0)
            name += ".jpg";
        else
            name += ".txt";
    } else if (EndsWith(name, ".tx")) {
        name += 't';
    }
    return WriteNew(folder + name, content, contentLength);
}

size_t CLowerBound::Inflate(const uint8_t* source, size_t length) {
    // One stream for the whole run: a reset costs less than init and end.
    if (inflateReset(&m_stream) != Z_OK)
        return 0;
    m_stream.next_in = const_cast<Bytef*>(source);
    m_stream.avail_in = uInt(length);
    m_stream.next_out = m_buffer.get();
    m_stream.avail_out = uInt(kBufferSize);
    const int result = inflate(&m_stream, Z_FINISH);
    return result == Z_STREAM_END ? size_t(m_stream.total_out) : 0;
}

bool CLowerBound::WriteNew(const std::string& path, const uint8_t* data, size_t size) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        std::perror(path.c_str());
        return false;
    }
    size_t done = 0;
    while (done < size) {
        const ssize_t put = write(fd, data + done, size - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            break;
        done += size_t(put);
    }
    const bool closed = close(fd) == 0;
    if (done != size || !closed) {
        std::perror(path.c_str());
        return false;
    }
    return true;
}

struct SInput {
    std::unique_ptr<uint8_t[]> data;
    size_t size = 0;
};

bool ReadWhole(const char* path, SInput& input) {
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0)
            close(fd);
        return false;
    }
    input.size = size_t(st.st_size);
    input.data.reset(new uint8_t[input.size + 1]);
    size_t done = 0;
    while (done < input.size) {
        const ssize_t got = read(fd, input.data.get() + done, input.size - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += size_t(got);
    }
    close(fd);
    return done == input.size;
}

// The folder the extractor makes for a file: its base name without the extension.
std::string FolderNameOf(const char* path) {
    std::string base = path;
    const size_t slash = base.rfind('/');
    if (slash != std::string::npos)
        base.erase(0, slash + 1);
    const size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0)
        base.resize(dot);
    return base;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench-lower-bound FILE OUTDIR\n");
        return 2;
    }
    SInput input;
    if (!ReadWhole(argv[1], input) || !IsHeader(input.data.get(), input.size)) {
        std::fprintf(stderr, "bench-lower-bound: cannot read %s as a custom file\n", argv[1]);
        return 1;
    }
    std::string folder = std::string(argv[2]) + "/" + FolderNameOf(argv[1]);
    if (mkdir(folder.c_str(), 0777) != 0) {
        std::perror(folder.c_str());
        return 1;
    }
    folder += '/';
    CLowerBound extractor;
    return extractor.Walk(input.data.get(), input.size, folder) ? 0 : 1;
}
