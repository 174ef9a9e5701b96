#include "bench/ZipWriter.h"

#include <zlib.h>

namespace {

enum : size_t {
    kGzipHeaderSize = 10,  // zlib writes no name, comment or extra field
    kGzipTrailerSize = 8,  // CRC-32, then the length modulo 2^32
};

// Every member gets the same time stamp (2024-01-01 00:00) so that the
// archive is the same on every machine.
const uint16_t kDosTime = 0;
const uint16_t kDosDate = ((2024 - 1980) << 9) | (1 << 5) | 1;

// "Made by" Unix (3), zip 2.0: unzip and bsdtar then take the permissions
// from the upper half of the external attributes.
const uint16_t kVersionMadeBy = (3 << 8) | 20;
const uint16_t kVersionNeeded = 20;
const uint32_t kFileAttributes = 0100644u << 16;
const uint32_t kFolderAttributes = (040755u << 16) | 0x10;

uint32_t Read32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

}  // namespace

CZipWriter::~CZipWriter() {
    if (m_pFile)
        std::fclose(m_pFile);
}

bool CZipWriter::Open(const std::string& path) {
    m_pFile = std::fopen(path.c_str(), "wb");
    return m_pFile != nullptr;
}

void CZipWriter::Put(const uint8_t* data, size_t length) {
    if (!m_pFile || m_bFailed)
        return;
    if (length > 0 && std::fwrite(data, 1, length, m_pFile) != length)
        m_bFailed = true;
    m_nOffset += length;
}

void CZipWriter::Put(const Bytes& bytes) { Put(bytes.data(), bytes.size()); }

void CZipWriter::AddMember(SMember member, const uint8_t* data, size_t length) {
    member.localHeaderOffset = m_nOffset;
    Bytes header;
    PutLe32(header, 0x04034b50);
    PutLe16(header, kVersionNeeded);
    PutLe16(header, 0);  // flags: sizes and CRC are known up front
    PutLe16(header, member.method);
    PutLe16(header, kDosTime);
    PutLe16(header, kDosDate);
    PutLe32(header, member.crc);
    PutLe32(header, member.compressedSize);
    PutLe32(header, member.size);
    PutLe16(header, uint32_t(member.name.size()));
    PutLe16(header, 0);  // no extra field
    header.insert(header.end(), member.name.begin(), member.name.end());
    Put(header);
    Put(data, length);
    m_members.push_back(member);
}

void CZipWriter::AddFolder(const std::string& name) {
    AddMember({name, 0, 0, 0, 0, kFolderAttributes, 0}, nullptr, 0);
}

void CZipWriter::AddStored(const std::string& name, const Bytes& content) {
    const uint32_t crc = uint32_t(crc32(0L, content.data(), uInt(content.size())));
    const uint32_t size = uint32_t(content.size());
    AddMember({name, 0, crc, size, size, kFileAttributes, 0}, content.data(), content.size());
}

void CZipWriter::AddFromGzip(const std::string& name, const Bytes& gzip) {
    // Only the plain header zlib writes is understood; anything else would
    // make the member's data wrong, so it fails the archive instead.
    if (gzip.size() < kGzipHeaderSize + kGzipTrailerSize || gzip[0] != 0x1F || gzip[1] != 0x8B || gzip[2] != 8 ||
        gzip[3] != 0) {
        m_bFailed = true;
        return;
    }
    const uint8_t* trailer = gzip.data() + gzip.size() - kGzipTrailerSize;
    const size_t deflatedLength = gzip.size() - kGzipHeaderSize - kGzipTrailerSize;
    AddMember({name, 8, Read32(trailer), uint32_t(deflatedLength), Read32(trailer + 4), kFileAttributes, 0},
              gzip.data() + kGzipHeaderSize, deflatedLength);
}

bool CZipWriter::Finish() {
    const uint64_t directoryOffset = m_nOffset;
    for (const SMember& m : m_members) {
        Bytes record;
        PutLe32(record, 0x02014b50);
        PutLe16(record, kVersionMadeBy);
        PutLe16(record, kVersionNeeded);
        PutLe16(record, 0);
        PutLe16(record, m.method);
        PutLe16(record, kDosTime);
        PutLe16(record, kDosDate);
        PutLe32(record, m.crc);
        PutLe32(record, m.compressedSize);
        PutLe32(record, m.size);
        PutLe16(record, uint32_t(m.name.size()));
        PutLe16(record, 0);  // extra field
        PutLe16(record, 0);  // comment
        PutLe16(record, 0);  // disk number
        PutLe16(record, 0);  // internal attributes
        PutLe32(record, m.externalAttributes);
        PutLe32(record, uint32_t(m.localHeaderOffset));
        record.insert(record.end(), m.name.begin(), m.name.end());
        Put(record);
    }
    const uint64_t directorySize = m_nOffset - directoryOffset;
    // Every offset and count must fit the classic fields (no zip64).
    if (m_members.size() >= 0xFFFF || m_nOffset >= 0xFFFFFFFFu)
        m_bFailed = true;

    Bytes end;
    PutLe32(end, 0x06054b50);
    PutLe16(end, 0);
    PutLe16(end, 0);
    PutLe16(end, uint32_t(m_members.size()));
    PutLe16(end, uint32_t(m_members.size()));
    PutLe32(end, uint32_t(directorySize));
    PutLe32(end, uint32_t(directoryOffset));
    PutLe16(end, 0);  // no comment
    Put(end);

    if (!m_pFile)
        return false;
    const bool closed = std::fclose(m_pFile) == 0;
    m_pFile = nullptr;
    return closed && !m_bFailed;
}
