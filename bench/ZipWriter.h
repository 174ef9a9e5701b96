// A minimal .zip writer for the benchmark corpus: local headers, data, central
// directory, end record. No zip64: the corpus stays below 65,535 entries and
// 4 GiB, and Finish refuses anything larger.
//
// The corpus zip is written here rather than with Debian's `zip` program so
// that its deflated members carry exactly the deflate streams of the custom
// file's gzip payloads (same level, same bits): unzip and bsdtar then inflate
// the very same data the extractors do, and no extra package is needed.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/fixtures/ContainerWriter.h"

class CZipWriter {
public:
    CZipWriter() = default;
    ~CZipWriter();
    CZipWriter(const CZipWriter&) = delete;
    CZipWriter& operator=(const CZipWriter&) = delete;

    // Starts the archive at path; false when it cannot be created.
    bool Open(const std::string& path);

    // A folder member; name ends with '/'.
    void AddFolder(const std::string& name);
    // A member stored as is.
    void AddStored(const std::string& name, const Bytes& content);
    // A deflated member from a gzip member of the content: its raw deflate
    // stream, CRC-32 and length are taken over unchanged.
    void AddFromGzip(const std::string& name, const Bytes& gzip);

    // Writes the central directory and closes the file. False on any write
    // error before or now, or when the archive would need zip64.
    bool Finish();

private:
    struct SMember {
        std::string name;
        uint16_t method;
        uint32_t crc;
        uint32_t compressedSize;
        uint32_t size;
        uint32_t externalAttributes;
        uint64_t localHeaderOffset;
    };

    void AddMember(SMember member, const uint8_t* data, size_t length);
    void Put(const Bytes& bytes);
    void Put(const uint8_t* data, size_t length);

    FILE* m_pFile = nullptr;
    uint64_t m_nOffset = 0;
    bool m_bFailed = false;
    std::vector<SMember> m_members;
};
