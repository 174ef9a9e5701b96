#include "patch/PatchFormat.h"

#include <zlib.h>

#include <cstring>

#include "extract/Container.h"

namespace {

const char kMagic[8] = {'V', 'N', 'T', 'P', 'A', 'T', 'C', 'H'};
// The fixed part before the base's name: magic, version, flags, code page,
// then the two files (size, CRC-32, SHA-256 each).
constexpr size_t kFixedSize = 8 + 4 + 4 + 4 + 2 * (8 + 4 + kSha256Size);
constexpr size_t kMaxBaseName = 255;
// An entry name holds at most this many bytes before its NUL.
constexpr size_t kMaxEntryName = kEntryHeaderSize - 1;

uint32_t Crc32(const uint8_t* data, size_t size) {
    uLong crc = crc32(0L, Z_NULL, 0);
    while (size > 0) {
        const uInt piece = uInt(size < 0x40000000u ? size : 0x40000000u);
        crc = crc32(crc, data, piece);
        data += piece;
        size -= piece;
    }
    return uint32_t(crc);
}

// --- Writing ----------------------------------------------------------------

class CWriter {
public:
    void U8(uint8_t v) { m_bytes.push_back(v); }
    void U16(uint16_t v) { Number(v, 2); }
    void U32(uint32_t v) { Number(v, 4); }
    void U64(uint64_t v) { Number(v, 8); }
    void Raw(const uint8_t* data, size_t size) { m_bytes.insert(m_bytes.end(), data, data + size); }
    void Block(const std::vector<uint8_t>& bytes) {
        U32(uint32_t(bytes.size()));
        Raw(bytes.data(), bytes.size());
    }
    void File(const SPatchFileId& id) {
        U64(uint64_t(id.nSize));
        U32(id.nCrc);
        Raw(id.digest.bytes, kSha256Size);
    }
    void Address(const SPatchAddress& address) {
        U8(uint8_t(address.name.size()));
        Raw(address.name.data(), address.name.size());
        U32(address.nOccurrence);
    }
    void Expected(const SPatchOp& op) {
        U32(op.nOldLength);
        Raw(op.oldDigest.bytes, kSha256Size);
    }
    void Container(const SPatchContainer& container);
    std::vector<uint8_t>& Bytes() { return m_bytes; }

private:
    void Number(uint64_t v, int count) {
        for (int i = 0; i < count; ++i)
            m_bytes.push_back(uint8_t(v >> (8 * i)));
    }
    std::vector<uint8_t> m_bytes;
};

void CWriter::Container(const SPatchContainer& container) {
    U32(uint32_t(container.ops.size()));
    for (const SPatchOp& op : container.ops) {
        U8(uint8_t(op.eOp));
        switch (op.eOp) {
        case EPatchOp::Replace: Address(op.address); Expected(op); Block(op.bytes); break;
        case EPatchOp::Delete: Address(op.address); Expected(op); break;
        case EPatchOp::Insert: Address(op.address); Block(op.bytes); break;
        case EPatchOp::Child: Address(op.address); Container(*op.pChild); break;
        case EPatchOp::Tail: Expected(op); Block(op.bytes); break;
        }
    }
}

// --- Reading ----------------------------------------------------------------

// Reads from a bounded input: every read checks what is left first, and the
// first failure is kept.
class CReader {
public:
    CReader(const uint8_t* data, size_t size) : m_p(data), m_left(size) {}

    bool Failed() const { return !m_error.empty(); }
    const std::string& Error() const { return m_error; }
    bool Fail(const std::string& why) {
        if (m_error.empty())
            m_error = why;
        return false;
    }
    size_t Left() const { return m_left; }

    bool Raw(uint8_t* out, size_t size, const char* what) {
        if (Failed())
            return false;
        if (size > m_left)
            return Fail(std::string("the patch ends inside ") + what);
        if (size > 0)
            std::memcpy(out, m_p, size);
        m_p += size;
        m_left -= size;
        return true;
    }
    uint64_t Number(int count, const char* what) {
        uint8_t bytes[8] = {};
        if (!Raw(bytes, size_t(count), what))
            return 0;
        uint64_t v = 0;
        for (int i = count - 1; i >= 0; --i)
            v = v << 8 | bytes[i];
        return v;
    }
    bool Block(std::vector<uint8_t>& out, const char* what) {
        const uint64_t length = Number(4, what);
        if (Failed())
            return false;
        if (length > m_left)
            return Fail(std::string("the length of ") + what + " reaches past the end of the patch");
        out.assign(m_p, m_p + length);
        m_p += length;
        m_left -= size_t(length);
        return true;
    }
    bool File(SPatchFileId& id, const char* what) {
        const uint64_t size = Number(8, what);
        id.nCrc = uint32_t(Number(4, what));
        Raw(id.digest.bytes, kSha256Size, what);
        if (!Failed() && size > uint64_t(kMaxPatchFileSize))
            return Fail(std::string("the size of ") + what + " is over 2 GiB");
        id.nSize = int64_t(size);
        return !Failed();
    }
    bool Address(SPatchAddress& address) {
        const uint64_t length = Number(1, "an entry's name");
        if (!Failed() && length > kMaxEntryName)
            return Fail("an entry's name is longer than a name field holds");
        address.name.resize(size_t(length));
        Raw(address.name.data(), address.name.size(), "an entry's name");
        address.nOccurrence = uint32_t(Number(4, "an entry's address"));
        if (!Failed() && !address.name.empty() && std::memchr(address.name.data(), 0, address.name.size()))
            return Fail("an entry's name holds a NUL");
        return !Failed();
    }
    bool Expected(SPatchOp& op) {
        const uint64_t length = Number(4, "an expected entry");
        Raw(op.oldDigest.bytes, kSha256Size, "an expected entry");
        if (!Failed() && length > uint64_t(INT32_MAX))
            return Fail("an expected entry is over 2 GiB");
        op.nOldLength = uint32_t(length);
        return !Failed();
    }
    bool Container(SPatchContainer& container, int depth);

private:
    bool Op(SPatchOp& op, int depth);
    const uint8_t* m_p;
    size_t m_left;
    std::string m_error;
};

// Whether bytes form one whole entry named as the address says: a header
// whose size field states their length.
bool IsWholeEntry(const std::vector<uint8_t>& bytes, const SPatchAddress& address) {
    if (bytes.size() < size_t(kEntryHeaderSize) || bytes.size() > size_t(INT32_MAX))
        return false;
    int32_t size = 0;
    if (!ParseSizeField(bytes.data() + kSizeFieldOffset, &size) || size_t(size) != bytes.size())
        return false;
    const size_t nameLength = size_t(EntryNameLength(bytes.data()));
    return nameLength == address.name.size() &&
           (nameLength == 0 || std::memcmp(bytes.data(), address.name.data(), nameLength) == 0);
}

bool CReader::Op(SPatchOp& op, int depth) {
    const uint64_t kind = Number(1, "an operation");
    if (Failed())
        return false;
    op.eOp = EPatchOp(kind);
    switch (op.eOp) {
    case EPatchOp::Replace:
        if (Address(op.address) && Expected(op) && Block(op.bytes, "an entry") && !IsWholeEntry(op.bytes, op.address))
            return Fail("a replacing entry is not one whole entry of its address's name");
        break;
    case EPatchOp::Delete: Address(op.address) && Expected(op); break;
    case EPatchOp::Insert:
        if (Address(op.address) && Block(op.bytes, "an entry") && !IsWholeEntry(op.bytes, op.address))
            return Fail("an added entry is not one whole entry of its address's name");
        break;
    case EPatchOp::Child:
        if (!Address(op.address))
            return false;
        if (depth + 1 >= kMaxPatchDepth)
            return Fail("containers are nested more than " + std::to_string(kMaxPatchDepth) + " deep");
        op.pChild = std::make_unique<SPatchContainer>();
        Container(*op.pChild, depth + 1);
        break;
    case EPatchOp::Tail: Expected(op) && Block(op.bytes, "a container's tail"); break;
    default: return Fail("an operation of unknown kind " + std::to_string(kind));
    }
    return !Failed();
}

bool CReader::Container(SPatchContainer& container, int depth) {
    const uint64_t count = Number(4, "a container");
    // Every operation takes at least 5 bytes: no count may promise more.
    if (!Failed() && count > m_left / 5)
        return Fail("a container counts more operations than the patch holds");
    container.ops.resize(size_t(count));
    for (SPatchOp& op : container.ops) {
        if (!Op(op, depth))
            return false;
    }
    return !Failed();
}

}  // namespace

std::vector<uint8_t> WritePatch(const SPatch& patch) {
    CWriter writer;
    writer.Raw(reinterpret_cast<const uint8_t*>(kMagic), sizeof kMagic);
    writer.U32(kPatchVersion);
    writer.U32(0);  // flags: none in version 1
    writer.U32(patch.nCodePage);
    writer.File(patch.base);
    writer.File(patch.result);
    const size_t nameLength = patch.strBaseName.size() < kMaxBaseName ? patch.strBaseName.size() : kMaxBaseName;
    writer.U16(uint16_t(nameLength));
    writer.Raw(reinterpret_cast<const uint8_t*>(patch.strBaseName.data()), nameLength);
    writer.Container(patch.root);
    writer.U32(Crc32(writer.Bytes().data(), writer.Bytes().size()));
    return std::move(writer.Bytes());
}

bool ReadPatch(const uint8_t* data, size_t size, SPatch& patch, std::string& error) {
    patch = SPatch();
    if (size < kFixedSize + 2 + 4 || std::memcmp(data, kMagic, sizeof kMagic) != 0) {
        error = "not a vanto-pack patch";
        return false;
    }
    // The checksum first: damage is told as damage, not as some odd field.
    const size_t body = size - 4;
    const uint32_t stored = uint32_t(data[body]) | uint32_t(data[body + 1]) << 8 | uint32_t(data[body + 2]) << 16 |
                            uint32_t(data[body + 3]) << 24;
    if (Crc32(data, body) != stored) {
        error = "the patch is damaged: its checksum does not match (cut short, or changed)";
        return false;
    }
    CReader reader(data + sizeof kMagic, body - sizeof kMagic);
    const uint32_t version = uint32_t(reader.Number(4, "the header"));
    if (version != kPatchVersion) {
        error = "a patch of version " + std::to_string(version) + ": this vanto-pack reads version " +
                std::to_string(kPatchVersion);
        return false;
    }
    if (reader.Number(4, "the header") != 0) {
        error = "the patch uses features this vanto-pack does not know (its flags are set)";
        return false;
    }
    patch.nCodePage = unsigned(reader.Number(4, "the header"));
    reader.File(patch.base, "the original file");
    reader.File(patch.result, "the result");
    const uint64_t nameLength = reader.Number(2, "the original's name");
    if (!reader.Failed() && nameLength > kMaxBaseName)
        reader.Fail("the original's name is longer than 255 bytes");
    patch.strBaseName.resize(size_t(nameLength));
    reader.Raw(reinterpret_cast<uint8_t*>(&patch.strBaseName[0]), patch.strBaseName.size(), "the original's name");
    reader.Container(patch.root, 0);
    if (!reader.Failed() && reader.Left() != 0)
        reader.Fail("the patch goes on after its last operation");
    if (!reader.Failed() && (patch.strBaseName.find('/') != std::string::npos ||
                             patch.strBaseName.find('\\') != std::string::npos))
        reader.Fail("the original's name holds a folder");
    error = reader.Error();
    return !reader.Failed();
}

bool IdentifyFile(const uint8_t* data, size_t size, SPatchFileId& id) {
    id.nSize = int64_t(size);
    id.nCrc = Crc32(data, size);
    return Sha256Of(data, size, id.digest);
}

std::string DigestText(const SSha256& digest) {
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (uint8_t b : digest.bytes) {
        text += kHex[b >> 4];
        text += kHex[b & 15];
    }
    return text;
}
