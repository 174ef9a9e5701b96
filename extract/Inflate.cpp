#include "extract/Inflate.h"

#include <zlib.h>

SInflateResult InflatePayload(uint8_t* destination, size_t capacity, const uint8_t* source, int32_t sourceLength) {
    SInflateResult inflated;
    if (sourceLength < 0 || capacity > 0x7FFFFFFFu)
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
        const int32_t trailing = sourceLength - int32_t(stream.total_in);
        const uint8_t* rest = source + stream.total_in;
        inflated.nTrailingBytes = trailing;
        inflated.bAnotherMember = trailing >= 2 && rest[0] == 0x1F && rest[1] == 0x8B;
        inflated.nSize = int32_t(stream.total_out);
        inflated.eResult = inflated.nSize > 0 ? EInflateResult::Inflated : EInflateResult::Empty;
    } else if (result == Z_BUF_ERROR && stream.avail_out == 0) {
        inflated.eResult = EInflateResult::TooLarge;
    }
    // The stream's state is released on every path, also after a failure.
    inflateEnd(&stream);
    return inflated;
}
