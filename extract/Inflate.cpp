#include "extract/Inflate.h"

#include <zlib.h>

int32_t InflatePayload(uint8_t* destination, size_t capacity, const uint8_t* source, int32_t sourceLength,
                       SInflateCheck* check) {
    if (sourceLength < 0 || capacity > 0x7FFFFFFFu)
        return 0;
    z_stream stream = {};
    stream.next_in = const_cast<Bytef*>(source);
    stream.avail_in = static_cast<uInt>(sourceLength);
    stream.next_out = destination;
    stream.avail_out = static_cast<uInt>(capacity);

    // 15 + 32: a window of up to 32 KiB, gzip or zlib header recognised.
    if (inflateInit2(&stream, 15 + 32) != Z_OK)
        return 0;
    const int result = inflate(&stream, Z_FINISH);
    const uLong produced = stream.total_out;
    if (check) {
        check->bTooLarge = result == Z_BUF_ERROR && stream.avail_out == 0;
        if (result == Z_STREAM_END) {
            // total_in <= sourceLength: zlib never reads past avail_in.
            const int32_t trailing = sourceLength - int32_t(stream.total_in);
            const uint8_t* rest = source + stream.total_in;
            check->nTrailingBytes = trailing;
            check->bAnotherMember = trailing >= 2 && rest[0] == 0x1F && rest[1] == 0x8B;
        }
    }
    // The stream's state is released on every path, also after a failure.
    inflateEnd(&stream);
    if (result != Z_STREAM_END && result != Z_OK)
        return 0;
    return static_cast<int32_t>(produced);
}
