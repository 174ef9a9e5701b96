#include "tools/ContainerWriter.h"

#include <zlib.h>

#include <cstring>
#include <stdexcept>

Bytes MakeEntryHeader(const std::string& name, const std::string& sizeField) {
    if (name.size() > 40 || sizeField.size() > 10)
        throw std::invalid_argument("entry header field too long");
    Bytes header(50, 0);
    std::memcpy(header.data(), name.data(), name.size());
    std::memcpy(header.data() + 40, sizeField.data(), sizeField.size());
    return header;
}

Bytes GzipBytes(const Bytes& data, int level) {
    z_stream stream = {};
    if (deflateInit2(&stream, level, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    Bytes out(deflateBound(&stream, uLong(data.size())) + 32);
    stream.next_in = const_cast<Bytef*>(data.data());
    stream.avail_in = uInt(data.size());
    stream.next_out = out.data();
    stream.avail_out = uInt(out.size());
    const int result = deflate(&stream, Z_FINISH);
    deflateEnd(&stream);
    if (result != Z_STREAM_END)
        throw std::runtime_error("deflate");
    out.resize(stream.total_out);
    return out;
}

Bytes MakeBitmap(int width, int height) {
    const uint32_t rowBytes = (uint32_t(width) * 3 + 3) & ~3u;
    const uint32_t size = 54 + rowBytes * uint32_t(height);
    Bytes b(size, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + i] = uint8_t(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, size);
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(width));
    put32(22, uint32_t(height));
    b[26] = 1;
    b[28] = 24;
    put32(34, rowBytes * uint32_t(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* px = &b[54 + size_t(y) * rowBytes + size_t(x) * 3];
            px[0] = uint8_t(x * 255 / (width > 1 ? width - 1 : 1));
            px[1] = uint8_t(y * 255 / (height > 1 ? height - 1 : 1));
            px[2] = uint8_t((x ^ y) & 0xFF);
        }
    }
    return b;
}

Bytes MakeJfif(size_t size) {
    static const uint8_t kHead[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00, 0x01, 0x01};
    Bytes b(kHead, kHead + sizeof kHead);
    for (size_t i = b.size(); i + 2 < size; ++i)
        b.push_back(uint8_t(i * 37));
    b.push_back(0xFF);
    b.push_back(0xD9);
    return b;
}

CContainerWriter& CContainerWriter::Add(const std::string& name, const Bytes& payload) {
    const size_t entrySize = 50 + payload.size();
    if (entrySize > 999999999)
        throw std::invalid_argument("entry too large");
    const Bytes header = MakeEntryHeader(name, std::to_string(entrySize));
    m_bytes.insert(m_bytes.end(), header.begin(), header.end());
    m_bytes.insert(m_bytes.end(), payload.begin(), payload.end());
    return *this;
}

CContainerWriter& CContainerWriter::AddText(const std::string& name, const std::string& text) {
    return Add(name, Bytes(text.begin(), text.end()));
}

CContainerWriter& CContainerWriter::AddGzip(const std::string& name, const Bytes& content, int level) {
    return Add(name, GzipBytes(content, level));
}

CContainerWriter& CContainerWriter::AddChild(const std::string& name, const CContainerWriter& child) {
    return Add(name, child.Data());
}

CContainerWriter& CContainerWriter::AddRaw(const Bytes& bytes) {
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    return *this;
}

Bytes MakeSampleCustomFile() {
    const std::string readme =
        "Vanto custom file sample\r\n"
        "This text was stored gzip-compressed and is written as readme.txt.\r\n";

    CContainerWriter textures;
    textures.AddGzip("logo.t", MakeBitmap(32, 16))  // inflated, sniffed as a bitmap
        .Add("icon.bm", MakeBitmap(8, 8))
        .Add("photo.t", MakeJfif(600));

    Bytes binary;
    for (int i = 0; i < 256; ++i)
        binary.push_back(uint8_t(i));

    CContainerWriter file;
    file.AddGzip("readme.t", Bytes(readme.begin(), readme.end()))
        .AddChild("textures.pak", textures)
        .Add("table.t", binary)                             // control bytes: .bin
        .AddText("notes.tx", "plain notes\n")               // text: .txt
        .AddText("cmap\\map01.t", "map 01 layout\n")        // needs the cmap folder
        .AddText("cmap\\map02.t", "map 02 layout\n")
        .AddText("\x90\xe0\x96\xbe\x8f\x91.t", "setsumeisho\n")  // "説明書.t" in code page 932
        .AddText("version", "4\n");                          // no extension: kept as is
    return file.Data();
}

CContainerWriter NestInChildren(CContainerWriter inner, int levels, const std::function<std::string(int)>& name) {
    for (int depth = 0; depth < levels; ++depth) {
        CContainerWriter outer;
        outer.AddChild(name(depth), inner);
        inner = outer;
    }
    return inner;
}
