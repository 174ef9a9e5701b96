#include "tools/PngFile.h"

#include <zlib.h>

#include "tests/fixtures/Bytes.h"

namespace {

void PutChunk(Bytes& png, const char* type, const Bytes& data) {
    PutBe32(png, uint32_t(data.size()));
    const size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    PutBe32(png, uint32_t(crc32(0, png.data() + start, uInt(png.size() - start))));
}

}  // namespace

std::vector<uint8_t> EncodePngRgb(int width, int height, const std::vector<uint8_t>& rgb) {
    if (width <= 0 || height <= 0 || rgb.size() != size_t(width) * size_t(height) * 3)
        return {};
    const size_t rowBytes = size_t(width) * 3;
    Bytes raw;
    raw.reserve((rowBytes + 1) * size_t(height));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // filter: none
        raw.insert(raw.end(), rgb.begin() + long(y * rowBytes), rgb.begin() + long((y + 1) * rowBytes));
    }
    uLongf packedSize = compressBound(uLong(raw.size()));
    Bytes packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), uLong(raw.size()), 9) != Z_OK)
        return {};
    packed.resize(packedSize);

    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    Bytes header;
    PutBe32(header, uint32_t(width));
    PutBe32(header, uint32_t(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, no interlace
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", {});
    return png;
}
