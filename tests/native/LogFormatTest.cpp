// The bounded formatter: conversions, limits and argument checks.
#include <gtest/gtest.h>

#include <string>

#include "extract/LogFormat.h"

namespace {

struct SCase {
    const char16_t* format;
    std::u16string expected;
    EFormatResult result;
};

TEST(LogFormat, ConvertsStringsAndIntegers) {
    char16_t out[64];
    EXPECT_EQ(FormatTextV(out, 64, u"dir=%s, size=%d", u"a\\b\\", 123), EFormatResult::Ok);
    EXPECT_EQ(std::u16string(out), u"dir=a\\b\\, size=123");
    EXPECT_EQ(FormatTextV(out, 64, u"%d|%d|%d", 0, -7, 2147483647), EFormatResult::Ok);
    EXPECT_EQ(std::u16string(out), u"0|-7|2147483647");
    EXPECT_EQ(FormatTextV(out, 64, u"%d", int32_t(-2147483647 - 1)), EFormatResult::Ok);
    EXPECT_EQ(std::u16string(out), u"-2147483648");
    EXPECT_EQ(FormatTextV(out, 64, u"展開 %s", u"説明書"), EFormatResult::Ok);
    EXPECT_EQ(std::u16string(out), u"展開 説明書");
    EXPECT_EQ(FormatTextV(out, 64, u""), EFormatResult::Ok);
    EXPECT_EQ(std::u16string(out), u"");
    EXPECT_EQ(FormatTextV(out, 64, u"[%s]", static_cast<const char16_t*>(nullptr)), EFormatResult::Ok);
    EXPECT_EQ(std::u16string(out), u"[(null)]");
}

TEST(LogFormat, RefusesWhatTheFormatDoesNotAskFor) {
    const CLogArg str(u"x");
    const CLogArg num(int32_t(5));
    struct SRow {
        const char16_t* format;
        std::vector<CLogArg> args;
        std::u16string textBefore;  // what was written up to the fault
    } rows[] = {
        {u"a%xb", {str}, u"a"},          // unknown conversion
        {u"a%", {}, u"a"},                // lone percent at the end
        {u"a%%b", {}, u"a"},              // no escape either: only two conversions exist
        {u"n=%d", {str}, u"n="},          // string given for %d
        {u"s=%s", {num}, u"s="},          // integer given for %s
        {u"%s and %s", {str}, u"x and "}, // too few arguments
        {u"%s", {str, num}, u"x"},        // too many arguments
        {u"%ls", {str}, u""},             // C library spellings are not accepted
    };
    for (const SRow& row : rows) {
        char16_t out[32];
        EXPECT_EQ(FormatText(out, 32, row.format, row.args.data(), row.args.size()), EFormatResult::BadFormat)
            << static_cast<int>(&row - rows);
        EXPECT_EQ(std::u16string(out), row.textBefore);
    }
}

TEST(LogFormat, NeverWritesPastTheCapacity) {
    char16_t out[8];
    for (char16_t& ch : out)
        ch = u'#';
    EXPECT_EQ(FormatTextV(out, 5, u"%s", u"abcdefgh"), EFormatResult::Truncated);
    EXPECT_EQ(std::u16string(out), u"abcd");
    EXPECT_EQ(out[5], u'#');

    // Exactly capacity - 1 characters still fit.
    EXPECT_EQ(FormatTextV(out, 5, u"ab%d", 12), EFormatResult::Ok);
    EXPECT_EQ(std::u16string(out), u"ab12");
    EXPECT_EQ(FormatTextV(out, 5, u"ab%d", 123), EFormatResult::Truncated);
    EXPECT_EQ(std::u16string(out), u"ab12");

    // A cut never leaves half a surrogate pair.
    EXPECT_EQ(FormatTextV(out, 4, u"ab%s", u"\U0001F600"), EFormatResult::Truncated);
    EXPECT_EQ(std::u16string(out), u"ab");

    // Capacity 1 holds only the terminator; 0 writes nothing at all.
    out[0] = u'#';
    EXPECT_EQ(FormatTextV(out, 1, u"a"), EFormatResult::Truncated);
    EXPECT_EQ(out[0], 0);
    out[0] = u'#';
    EXPECT_EQ(FormatTextV(out, 0, u"a"), EFormatResult::Truncated);
    EXPECT_EQ(out[0], u'#');
}

TEST(LogFormat, LineLimitIs1022Characters) {
    const std::u16string long1200(1200, u'x');
    char16_t line[1024];
    line[1023] = u'#';
    EXPECT_EQ(FormatTextV(line, 1023, u"%s", long1200.c_str()), EFormatResult::Truncated);
    EXPECT_EQ(std::u16string(line).size(), 1022u);
    EXPECT_EQ(line[1023], u'#');
}

}  // namespace
