#include "extract/Inflate.h"

#include <zlib.h>

#if VANTO_LIBDEFLATE
#include <libdeflate.h>
#endif

namespace {

// The result for a first member that ended after consumed bytes of source
// and produced produced bytes, whichever decoder read it.
SInflateResult Finished(const uint8_t* source, int32_t sourceLength, size_t consumed, size_t produced) {
    SInflateResult inflated;
    const int32_t trailing = sourceLength - int32_t(consumed);
    const uint8_t* rest = source + consumed;
    inflated.nTrailingBytes = trailing;
    inflated.bAnotherMember = trailing >= 2 && rest[0] == 0x1F && rest[1] == 0x8B;
    inflated.nSize = int32_t(produced);
    inflated.eResult = inflated.nSize > 0 ? EInflateResult::Inflated : EInflateResult::Empty;
    return inflated;
}

bool Acceptable(size_t capacity, int32_t sourceLength) {
    return sourceLength >= 0 && capacity <= 0x7FFFFFFFu;
}

#if VANTO_LIBDEFLATE
enum : uint8_t { kGzipHeaderCrc = 0x02 };

// libdeflate (as deps/build-libdeflate builds it) refuses what zlib would
// decode differently, but it never checks a gzip header's own CRC: such
// members go to zlib. False when it did not inflate the member; zlib then
// decides, also whether the content is too large.
bool InflateWithLibdeflate(uint8_t* destination, size_t capacity, const uint8_t* source, int32_t sourceLength,
                           SInflateResult& inflated) {
    if (sourceLength < 4 || source[0] != 0x1F || source[1] != 0x8B || (source[3] & kGzipHeaderCrc))
        return false;
    libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
    if (!decompressor)
        return false;
    size_t consumed = 0;
    size_t produced = 0;
    const libdeflate_result result = libdeflate_gzip_decompress_ex(decompressor, source, size_t(sourceLength),
                                                                   destination, capacity, &consumed, &produced);
    libdeflate_free_decompressor(decompressor);
    // consumed <= sourceLength and produced <= capacity: libdeflate never
    // reads or writes past the lengths it is given.
    if (result != LIBDEFLATE_SUCCESS)
        return false;
    inflated = Finished(source, sourceLength, consumed, produced);
    return true;
}
#endif

}  // namespace

SInflateResult InflateWithZlib(uint8_t* destination, size_t capacity, const uint8_t* source, int32_t sourceLength) {
    SInflateResult inflated;
    if (!Acceptable(capacity, sourceLength))
        return inflated;
    z_stream stream = {};
    stream.next_in = const_cast<Bytef*>(source);
    stream.avail_in = static_cast<uInt>(sourceLength);
    stream.next_out = destination;
    stream.avail_out = static_cast<uInt>(capacity);

    // 15 + 32: a window of up to 32 KiB, gzip or zlib header recognised.
    if (inflateInit2(&stream, 15 + 32) != Z_OK)
        return inflated;
    // With Z_FINISH, inflate either ends the stream or fails: there is no
    // partial success to take.
    const int result = inflate(&stream, Z_FINISH);
    if (result == Z_STREAM_END) {
        // total_in <= sourceLength: zlib never reads past avail_in.
        inflated = Finished(source, sourceLength, stream.total_in, stream.total_out);
    } else if (result == Z_BUF_ERROR && stream.avail_out == 0) {
        inflated.eResult = EInflateResult::TooLarge;
    }
    // The stream's state is released on every path, also after a failure.
    inflateEnd(&stream);
    return inflated;
}

SInflateResult InflatePayload(uint8_t* destination, size_t capacity, const uint8_t* source, int32_t sourceLength) {
#if VANTO_LIBDEFLATE
    SInflateResult inflated;
    if (Acceptable(capacity, sourceLength) &&
        InflateWithLibdeflate(destination, capacity, source, sourceLength, inflated))
        return inflated;
#endif
    return InflateWithZlib(destination, capacity, source, sourceLength);
}

const char* FastInflaterName() {
#if VANTO_LIBDEFLATE
    return "libdeflate " LIBDEFLATE_VERSION_STRING;
#else
    return nullptr;
#endif
}
