#include "tools/GzipCrafts.h"

#include <zlib.h>

#include <stdexcept>

Bytes GzipMember(const Bytes& content, const SGzipOptions& options) {
    z_stream stream = {};
    if (deflateInit2(&stream, options.nLevel, Z_DEFLATED, 15 + 16, 8, options.nStrategy) != Z_OK)
        throw std::runtime_error("deflateInit2");
    Bytes extra = {'V', 't', 4, 0, 'x', 'y', 'z', 'w'};
    gz_header header = {};
    header.os = 3;
    header.hcrc = options.bHeaderCrc;
    if (options.bExtra) {
        header.extra = extra.data();
        header.extra_len = uInt(extra.size());
    }
    header.name = options.name.empty() ? Z_NULL : reinterpret_cast<Bytef*>(const_cast<char*>(options.name.c_str()));
    header.comment =
        options.comment.empty() ? Z_NULL : reinterpret_cast<Bytef*>(const_cast<char*>(options.comment.c_str()));
    if (deflateSetHeader(&stream, &header) != Z_OK)
        throw std::runtime_error("deflateSetHeader");
    Bytes out(deflateBound(&stream, uLong(content.size())) + 64 + options.name.size() + options.comment.size());
    stream.next_in = const_cast<Bytef*>(content.data());
    stream.avail_in = uInt(content.size());
    stream.next_out = out.data();
    stream.avail_out = uInt(out.size());
    const int result = deflate(&stream, Z_FINISH);
    deflateEnd(&stream);
    if (result != Z_STREAM_END)
        throw std::runtime_error("deflate");
    out.resize(stream.total_out);
    return out;
}

namespace {

// Deflate's bit order: fields from their lowest bit, Huffman codes from
// their highest.
class CBits {
public:
    CBits& Field(uint32_t value, int count) {
        for (int i = 0; i < count; ++i)
            Bit((value >> i) & 1);
        return *this;
    }
    CBits& Code(uint32_t code, int length) {
        for (int i = length - 1; i >= 0; --i)
            Bit((code >> i) & 1);
        return *this;
    }
    Bytes Finish() {
        if (m_nUsed)
            m_bytes.push_back(m_nByte);
        m_nUsed = 0;
        m_nByte = 0;
        return m_bytes;
    }

private:
    void Bit(uint32_t bit) {
        m_nByte = uint8_t(m_nByte | (bit << m_nUsed));
        if (++m_nUsed == 8) {
            m_bytes.push_back(m_nByte);
            m_nUsed = 0;
            m_nByte = 0;
        }
    }
    Bytes m_bytes;
    uint8_t m_nByte = 0;
    int m_nUsed = 0;
};

// The canonical codes of a set of code lengths.
std::vector<uint32_t> CanonicalCodes(const std::vector<int>& lengths) {
    int count[16] = {};
    for (int length : lengths)
        count[length]++;
    count[0] = 0;
    uint32_t next[16] = {};
    uint32_t code = 0;
    for (int length = 1; length < 16; ++length) {
        code = (code + uint32_t(count[length - 1])) << 1;
        next[length] = code;
    }
    std::vector<uint32_t> codes(lengths.size());
    for (size_t symbol = 0; symbol < lengths.size(); ++symbol)
        if (lengths[symbol])
            codes[symbol] = next[lengths[symbol]]++;
    return codes;
}

// The code-length code of every dynamic block here: symbols 0 to 14 of four
// bits, 15 and 17 (a run of 3 to 10 zeros) of five; complete.
const std::vector<int>& LengthCodeLengths() {
    static const std::vector<int> lengths = {4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 5, 0, 5, 0};
    return lengths;
}

struct SDynamicCodes {
    std::vector<int> literals;   // HLIT lengths, 257 to 288 of them
    std::vector<int> distances;  // HDIST lengths, 1 to 32
    std::vector<int> lengthCode = LengthCodeLengths();
    int nOverrun = 0;  // zeros the last run writes past the last length
};

// A dynamic block's header: every length written as itself, but for a last
// run of zeros when nOverrun asks for one.
void DynamicHeader(CBits& bits, bool last, const SDynamicCodes& codes) {
    static const int order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    bits.Field(last, 1).Field(2, 2);
    bits.Field(uint32_t(codes.literals.size() - 257), 5).Field(uint32_t(codes.distances.size() - 1), 5).Field(15, 4);
    for (int symbol : order)
        bits.Field(uint32_t(codes.lengthCode[size_t(symbol)]), 3);
    const std::vector<uint32_t> lengthCodes = CanonicalCodes(codes.lengthCode);
    std::vector<int> all = codes.literals;
    all.insert(all.end(), codes.distances.begin(), codes.distances.end());
    const size_t runFrom = codes.nOverrun ? all.size() - 1 : all.size();
    for (size_t i = 0; i < runFrom; ++i) {
        const size_t length = size_t(all[i]);
        bits.Code(lengthCodes[length], codes.lengthCode[length]);
    }
    if (codes.nOverrun)  // symbol 17: 3 + count zeros
        bits.Code(lengthCodes[17], codes.lengthCode[17]).Field(uint32_t(1 + codes.nOverrun - 3), 3);
}

void Symbol(CBits& bits, const std::vector<int>& lengths, size_t symbol) {
    bits.Code(CanonicalCodes(lengths)[symbol], lengths[symbol]);
}

// A gzip member around raw deflate data, its trailer telling content.
Bytes Member(const Bytes& deflate, const Bytes& content, uint8_t flags = 0, const Bytes& fields = {}) {
    Bytes out = {0x1F, 0x8B, 8, flags, 0, 0, 0, 0, 0, 3};
    out.insert(out.end(), fields.begin(), fields.end());
    out.insert(out.end(), deflate.begin(), deflate.end());
    PutLe32(out, uint32_t(crc32(0, content.data(), uInt(content.size()))));
    PutLe32(out, uint32_t(content.size()));
    return out;
}

// Literals 'a' (1 bit), end of block and length 3 (2 bits each).
std::vector<int> SmallLiterals(size_t count = 258) {
    std::vector<int> lengths(count, 0);
    lengths['a'] = 1;
    lengths[256] = 2;
    lengths[257] = 2;
    return lengths;
}

// "a", then a match of 3 at distance 1 ("aaaa"), coded with distances
// whose lengths are given; the match's distance code is the one given.
Bytes MatchWith(const std::vector<int>& distances, uint32_t distanceCode, int distanceBits) {
    CBits bits;
    SDynamicCodes codes;
    codes.literals = SmallLiterals();
    codes.distances = distances;
    DynamicHeader(bits, true, codes);
    Symbol(bits, codes.literals, 'a');
    Symbol(bits, codes.literals, 257);
    bits.Code(distanceCode, distanceBits);
    Symbol(bits, codes.literals, 256);
    return Member(bits.Finish(), Bytes(4, 'a'));
}

// "a" alone, with the codes given.
Bytes LiteralWith(const SDynamicCodes& codes) {
    CBits bits;
    DynamicHeader(bits, true, codes);
    Symbol(bits, codes.literals, 'a');
    Symbol(bits, codes.literals, 256);
    return Member(bits.Finish(), Bytes{'a'});
}

// After a stored block of storedBefore 'a's, a fixed-code block of "a" and
// a match of the length and distance symbols given (with zero extra bits:
// distanceExtra of them); the trailer tells what a decoder makes that reads
// the symbols as the next ones in their tables (length 286 as 258, distance
// 30 as 24577).
Bytes FixedMatch(uint32_t lengthSymbol, size_t matchLength, uint32_t distanceSymbol, int distanceExtra,
                 size_t storedBefore) {
    Bytes deflate;
    Bytes content(storedBefore, 'a');
    if (storedBefore) {
        deflate.push_back(0);  // not last, stored, then the byte's end
        PutLe16(deflate, uint32_t(storedBefore));
        PutLe16(deflate, uint32_t(~storedBefore & 0xFFFF));
        deflate.insert(deflate.end(), content.begin(), content.end());
    }
    CBits bits;
    bits.Field(1, 1).Field(1, 2).Code(0x30 + 'a', 8);
    if (lengthSymbol >= 280)
        bits.Code(0xC0 + lengthSymbol - 280, 8);
    else
        bits.Code(lengthSymbol - 256, 7);
    bits.Code(distanceSymbol, 5).Field(0, distanceExtra).Code(0, 7);
    const Bytes block = bits.Finish();
    deflate.insert(deflate.end(), block.begin(), block.end());
    content.insert(content.end(), 1 + matchLength, 'a');
    return Member(deflate, content);
}

}  // namespace

std::vector<std::pair<std::string, Bytes>> MakeGzipCrafts() {
    std::vector<std::pair<std::string, Bytes>> crafts;
    auto add = [&](const char* name, const Bytes& stream) { crafts.emplace_back(name, stream); };

    // The distance code holds one code of one bit: zlib takes "0" only.
    std::vector<int> oneDistance(1, 1);
    add("one-distance-code-0", MatchWith(oneDistance, 0, 1));
    add("one-distance-code-1", MatchWith(oneDistance, 1, 1));
    // No distance code at all: zlib takes it while no match comes.
    SDynamicCodes noDistances;
    noDistances.literals = SmallLiterals();
    noDistances.distances = {0};
    add("no-distance-code-literal", LiteralWith(noDistances));
    add("no-distance-code-match", MatchWith({0}, 0, 0));
    // The literal/length code holds only the end of block, of one bit.
    for (uint32_t code : {0u, 1u}) {
        SDynamicCodes onlyEnd;
        onlyEnd.literals.assign(257, 0);
        onlyEnd.literals[256] = 1;
        onlyEnd.distances = {0};
        CBits bits;
        DynamicHeader(bits, true, onlyEnd);
        bits.Code(code, 1);
        add(code ? "only-end-code-1" : "only-end-code-0", Member(bits.Finish(), Bytes()));
    }
    // The code-length code holds one code of one bit.
    {
        SDynamicCodes oneLength;
        oneLength.literals = SmallLiterals();
        oneLength.distances = {1, 1};
        oneLength.lengthCode.assign(19, 0);
        oneLength.lengthCode[2] = 1;
        CBits bits;
        DynamicHeader(bits, true, oneLength);
        add("one-length-code", Member(bits.Finish(), Bytes{'a'}));
    }
    // 287 literal/length and 31 distance lengths, the extra ones unused.
    SDynamicCodes manyLiterals;
    manyLiterals.literals = SmallLiterals(287);
    manyLiterals.literals[257] = 0;
    manyLiterals.literals[286] = 2;
    manyLiterals.distances = {1, 1};
    add("literal-lengths-287", LiteralWith(manyLiterals));
    SDynamicCodes manyDistances;
    manyDistances.literals = SmallLiterals();
    manyDistances.distances.assign(31, 0);
    manyDistances.distances[0] = 1;
    manyDistances.distances[30] = 1;
    add("distance-lengths-31", LiteralWith(manyDistances));
    // The last run of zero lengths goes past the last length.
    SDynamicCodes overrun;
    overrun.literals = SmallLiterals();
    overrun.distances = {1, 1, 0};
    overrun.nOverrun = 2;
    add("length-run-past-the-end", LiteralWith(overrun));
    overrun.nOverrun = 0;
    add("length-run-to-the-end", LiteralWith(overrun));
    // Fixed codes: symbols zlib refuses (length 286 as 258, distance 30 as
    // 24577, as a lenient decoder reads them), a sound match, and one that
    // reaches before the start.
    add("fixed-length-286", FixedMatch(286, 258, 0, 0, 0));
    add("fixed-distance-30", FixedMatch(257, 3, 30, 13, 24577));
    add("fixed-match", FixedMatch(257, 3, 0, 0, 0));
    add("fixed-too-far-back", FixedMatch(257, 3, 1, 0, 0));
    // A stored block.
    {
        Bytes deflate = {1};
        PutLe16(deflate, 5);
        PutLe16(deflate, 0xFFFA);
        const Bytes content = {'h', 'e', 'l', 'l', 'o'};
        deflate.insert(deflate.end(), content.begin(), content.end());
        add("stored", Member(deflate, content));
    }
    // The header's own CRC, right and wrong; extra field, name and comment.
    SGzipOptions withCrc;
    withCrc.bHeaderCrc = true;
    withCrc.bExtra = true;
    withCrc.name = "hero.t";
    withCrc.comment = "Vanto";
    const Bytes text = {'V', 'a', 'n', 't', 'o', ' ', 'V', 'a', 'n', 't', 'o', '\n'};
    Bytes headerCrc = GzipMember(text, withCrc);
    add("header-crc", headerCrc);
    const size_t crcAt = 10 + 2 + 8 + withCrc.name.size() + 1 + withCrc.comment.size() + 1;
    headerCrc[crcAt] ^= 0x01;
    add("header-crc-wrong", headerCrc);
    SGzipOptions named;
    named.bExtra = true;
    named.name = "hero.t";
    named.comment = "Vanto";
    add("extra-name-comment", GzipMember(text, named));
    return crafts;
}
