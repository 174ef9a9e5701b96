// The size-field test, the entry header validity rule and entry names, as
// tables of small hex inputs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "extract/Container.h"
#include "tests/fixtures/ContainerWriter.h"

namespace {

Bytes Hex(const char* text) {
    Bytes out;
    for (const char* p = text; *p;) {
        if (*p == ' ') {
            ++p;
            continue;
        }
        out.push_back(uint8_t(std::stoi(std::string(p, 2), nullptr, 16)));
        p += 2;
    }
    return out;
}

TEST(SizeField, TableOfFields) {
    struct SRow {
        const char* field;  // ten bytes
        bool passes;
        int32_t value;
        const char* why;
    } rows[] = {
        {"35 30 00 00 00 00 00 00 00 00", true, 50, "digits 50 and NULs"},
        {"30 30 30 30 30 30 30 35 30 00", true, 50, "nine digits with leading zeros, one NUL"},
        {"39 39 39 39 39 39 39 39 39 00", true, 999999999, "the largest value"},
        {"31 00 00 00 00 00 00 00 00 00", true, 1, "one digit"},
        {"30 30 30 30 30 30 30 30 35 30", false, 0, "ten digits, no NUL"},
        {"39 39 39 39 39 39 39 39 39 39", false, 0, "ten nines would overflow"},
        {"00 00 00 00 00 00 00 00 00 00", false, 0, "no digit: value 0"},
        {"30 00 00 00 00 00 00 00 00 00", false, 0, "only a zero"},
        {"30 30 30 00 00 00 00 00 00 00", false, 0, "only zeros"},
        {"35 00 30 00 00 00 00 00 00 00", false, 0, "digit after a NUL"},
        {"31 32 00 78 00 00 00 00 00 00", false, 0, "letter after the NUL"},
        {"20 35 30 00 00 00 00 00 00 00", false, 0, "leading blank"},
        {"2B 35 30 00 00 00 00 00 00 00", false, 0, "plus sign"},
        {"2D 35 30 00 00 00 00 00 00 00", false, 0, "minus sign"},
        {"35 30 20 00 00 00 00 00 00 00", false, 0, "blank before the NUL"},
        {"35 30 00 00 00 00 00 00 00 FF", false, 0, "high byte at the end"},
        {"35 2F 00 00 00 00 00 00 00 00", false, 0, "byte below '0'"},
        {"35 3A 00 00 00 00 00 00 00 00", false, 0, "byte above '9'"},
    };
    for (const SRow& row : rows) {
        const Bytes field = Hex(row.field);
        ASSERT_EQ(field.size(), 10u) << row.why;
        int32_t value = -1;
        EXPECT_EQ(ParseSizeField(field.data(), &value), row.passes) << row.why;
        if (row.passes) {
            EXPECT_EQ(value, row.value) << row.why;
        }
    }
}

TEST(EntryHeader, ValidityNeedsFiftyOneBytes) {
    Bytes header = MakeEntryHeader("a.t", "50");
    EXPECT_FALSE(IsValidEntryHeader(header.data(), 50)) << "a header alone is never valid";
    header.push_back('x');
    EXPECT_TRUE(IsValidEntryHeader(header.data(), 51));
    EXPECT_FALSE(IsValidEntryHeader(header.data(), -1));
    EXPECT_FALSE(IsValidEntryHeader(header.data(), 0));

    // The name field is not examined.
    Bytes odd = MakeEntryHeader("", "7");
    std::fill(odd.begin(), odd.begin() + 40, 0xFF);
    odd.push_back(0);
    EXPECT_TRUE(IsValidEntryHeader(odd.data(), 51));

    Bytes zero = MakeEntryHeader("a.t", "0");
    zero.resize(200, 'x');
    EXPECT_FALSE(IsValidEntryHeader(zero.data(), 200)) << "a size field reading zero";
}

TEST(EntryHeader, CompressedPayloadMark) {
    const Bytes gz = Hex("1F 8B 08");
    EXPECT_TRUE(IsCompressedPayload(gz.data(), 3));
    EXPECT_FALSE(IsCompressedPayload(gz.data(), 2));
    const Bytes other = Hex("1F 8B 07");
    EXPECT_FALSE(IsCompressedPayload(other.data(), 3));
}

TEST(EntryHeader, NameRunsIntoTheSizeFieldWhenItFillsItsField) {
    const std::string forty(40, 'n');
    const Bytes header = MakeEntryHeader(forty, "123");
    EXPECT_EQ(EntryNameLength(header.data()), 43) << "40 name bytes and the digits 123";
    const Bytes normal = MakeEntryHeader("a.t", "123");
    EXPECT_EQ(EntryNameLength(normal.data()), 3);
    const Bytes empty = MakeEntryHeader("", "123");
    EXPECT_EQ(EntryNameLength(empty.data()), 0);
}

}  // namespace
