// Fuzz target: one input is one gzip stream (seeds: make-gzip-seeds).
// InflatePayload must give exactly what zlib alone gives: the verdict, the
// counts and the bytes. Each input is tried as it is, then with its header's
// CRC and its trailer made to fit what its deflate data decodes to (by zlib,
// and by libdeflate where the build has it), so that changes inside the data
// are judged past the checksums too.
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "extract/Inflate.h"

#if VANTO_LIBDEFLATE
#include <libdeflate.h>
#endif

namespace {

// Fix-ups decode at most this much: enough for several deflate blocks.
enum : size_t { kFixCapacity = 1u << 20 };

uint8_t* Buffer(int which) {
    static std::vector<uint8_t> buffers[3] = {std::vector<uint8_t>(kDecompressionBufferSize),
                                              std::vector<uint8_t>(kDecompressionBufferSize),
                                              std::vector<uint8_t>(kFixCapacity)};
    return buffers[which].data();
}

void Compare(const uint8_t* data, size_t size) {
    const int32_t length = int32_t(size);
    const SInflateResult got = InflatePayload(Buffer(0), kDecompressionBufferSize, data, length);
    const SInflateResult zlib = InflateWithZlib(Buffer(1), kDecompressionBufferSize, data, length);
    if (got.eResult != zlib.eResult || got.nSize != zlib.nSize || got.nTrailingBytes != zlib.nTrailingBytes ||
        got.bAnotherMember != zlib.bAnotherMember)
        std::abort();
    if (got.Inflated() && std::memcmp(Buffer(0), Buffer(1), size_t(got.nSize)) != 0)
        std::abort();
}

// The length of a gzip header at data, 0 when it is none or is cut.
size_t HeaderLength(const uint8_t* data, size_t size) {
    if (size < 10 || data[0] != 0x1F || data[1] != 0x8B || data[2] != 8)
        return 0;
    const uint8_t flags = data[3];
    size_t at = 10;
    if (flags & 0x04) {
        if (size < at + 2)
            return 0;
        at += 2 + size_t(data[at] | data[at + 1] << 8);
    }
    for (uint8_t text : {uint8_t(0x08), uint8_t(0x10)}) {
        if (!(flags & text))
            continue;
        while (at < size && data[at] != 0)
            ++at;
        ++at;
    }
    if (flags & 0x02)
        at += 2;
    return at <= size ? at : 0;
}

// The stream with its header's CRC (when it has one) and its trailer made to
// fit content, the first consumed bytes of the deflate data.
std::vector<uint8_t> Fitted(const uint8_t* data, size_t size, size_t header, size_t consumed, size_t produced) {
    std::vector<uint8_t> fitted(data, data + header + consumed);
    if (data[3] & 0x02) {
        const uLong crc = crc32(0, data, uInt(header - 2));
        fitted[header - 2] = uint8_t(crc);
        fitted[header - 1] = uint8_t(crc >> 8);
    }
    const uLong crc = crc32(0, Buffer(2), uInt(produced));
    for (uint32_t value : {uint32_t(crc), uint32_t(produced)})
        for (int i = 0; i < 4; ++i)
            fitted.push_back(uint8_t(value >> (8 * i)));
    // What followed the old trailer stays: junk or another member.
    if (header + consumed + 8 < size)
        fitted.insert(fitted.end(), data + header + consumed + 8, data + size);
    return fitted;
}

void CompareFittedByZlib(const uint8_t* data, size_t size, size_t header) {
    z_stream stream = {};
    if (inflateInit2(&stream, -15) != Z_OK)
        std::abort();
    stream.next_in = const_cast<Bytef*>(data + header);
    stream.avail_in = uInt(size - header);
    stream.next_out = Buffer(2);
    stream.avail_out = uInt(kFixCapacity);
    const int result = inflate(&stream, Z_FINISH);
    const size_t consumed = stream.total_in;
    const size_t produced = stream.total_out;
    inflateEnd(&stream);
    if (result == Z_STREAM_END) {
        const std::vector<uint8_t> fitted = Fitted(data, size, header, consumed, produced);
        Compare(fitted.data(), fitted.size());
    }
}

#if VANTO_LIBDEFLATE
void CompareFittedByLibdeflate(const uint8_t* data, size_t size, size_t header) {
    static libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
    size_t consumed = 0;
    size_t produced = 0;
    if (libdeflate_deflate_decompress_ex(decompressor, data + header, size - header, Buffer(2), kFixCapacity,
                                         &consumed, &produced) == LIBDEFLATE_SUCCESS) {
        const std::vector<uint8_t> fitted = Fitted(data, size, header, consumed, produced);
        Compare(fitted.data(), fitted.size());
    }
}
#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0x7FFFFFF)
        return 0;
    Compare(data, size);
    const size_t header = HeaderLength(data, size);
    if (header == 0)
        return 0;
    CompareFittedByZlib(data, size, header);
#if VANTO_LIBDEFLATE
    CompareFittedByLibdeflate(data, size, header);
#endif
    return 0;
}
