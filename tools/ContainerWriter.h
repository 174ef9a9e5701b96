// A small writer of custom-file containers, for the sample file, the tests,
// the fuzzer's seeds and the benchmark corpus. The product itself only reads.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/Bytes.h"

// A 50-byte entry header: the name's bytes NUL-padded to 40 (a 40-byte name
// fills the field), then sizeField's bytes NUL-padded to 10. sizeField is
// written as given, so tests can build damaged fields.
Bytes MakeEntryHeader(const std::string& name, const std::string& sizeField);

// gzip member of data (zlib, the given level).
Bytes GzipBytes(const Bytes& data, int level = 9);

// A valid 24-bit bitmap file whose header records its own length.
Bytes MakeBitmap(int width, int height);
// JPEG/JFIF-shaped bytes: SOI, APP0 with "JFIF" at offset 6, some payload.
Bytes MakeJfif(size_t size);

class CContainerWriter {
public:
    // One entry with a correct size field; the name is at most 40 bytes.
    CContainerWriter& Add(const std::string& name, const Bytes& payload);
    CContainerWriter& AddText(const std::string& name, const std::string& text);
    CContainerWriter& AddGzip(const std::string& name, const Bytes& content, int level = 9);
    CContainerWriter& AddChild(const std::string& name, const CContainerWriter& child);
    // Bytes as they are (a damaged header, trailing garbage).
    CContainerWriter& AddRaw(const Bytes& bytes);

    const Bytes& Data() const { return m_bytes; }

private:
    Bytes m_bytes;
};

// `levels` child containers, each holding the next, around `inner`; the
// level at depth d from the inside (0: the one holding inner) is named name(d).
CContainerWriter NestInChildren(CContainerWriter inner, int levels, const std::function<std::string(int)>& name);

// The project's sample custom file: a child container, gzip payloads, a
// bitmap, a JPEG, text, binary content, a cmap\ entry and a Japanese name.
Bytes MakeSampleCustomFile();
