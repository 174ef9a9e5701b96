// The start-up options: which switches count where, what the size and face
// texts turn into, and what happens to names that do not fit.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "app/CommandLine.h"
#include "base/Utf.h"

namespace {

std::u16string Repeat(char16_t ch, size_t count) { return std::u16string(count, ch); }

struct SSizeRow {
    const char16_t* text;
    int32_t size;
};

TEST(FontSize, Table) {
    const SSizeRow rows[] = {
        {u"12", 12},
        {u"", 0},
        {nullptr, 0},
        {u"12 34", 12},
        {u"12pt", 12},
        {u"abc", 0},
        {u"000000000000012", 12},
        // White space before the sign, as iswspace knows it.
        {u"     14", 14},
        {u"\t+7", 7},
        {u"\u3000-7", -7},
        {u"\u00A0 \u2003\u0085\u202F\n5", 5},
        {u"\t\n\v\f\r \u0085\u00A0\u1680\u2000\u200A\u2028\u2029\u202F\u205F\u3000 6", 6},
        {u"\u200B5", 0},  // a zero-width space is no white space
        {u"\u00085", 0},
        {u"\u000E5", 0},
        {u"\u00845", 0},
        {u"\u1FFF5", 0},
        {u"\u20275", 0},
        {u"\u180E5", 0},
        // One sign, right before the digits.
        {u"+5", 5},
        {u"-3", -3},
        {u"-0", 0},
        {u"- 5", 0},
        {u"+-5", 0},
        {u"--5", 0},
        {u"5-", 5},
        // Decimal digits of other scripts, also mixed within one number.
        {u"\u0661\u0662", 12},  // Arabic-Indic
        {u"\u06F3\u06F9", 39},  // Extended Arabic-Indic
        {u"\u0969\u0966", 30},  // Devanagari
        {u"\u0E52\u0E55", 25},  // Thai
        {u"\uFF11\uFF12", 12},  // fullwidth
        {u"\uFF10\uFF19", 9},  // fullwidth zero and nine
        {u"\u1946\u194F", 9},  // Limbu, a block not aligned to 16
        {u"\u1C59\u1C50", 90},  // Ol Chiki
        {u"\uABF4\uABF9", 49},  // Meetei Mayek, the last block before fullwidth
        {u"1\uFF12", 12},
        {u"\uFF11\u0662\u0E53", 123},
        // Characters next to a block, or digit-like without being Nd, stop the number.
        {u"1\u00B2", 1},  // superscript two
        {u"\u00B2", 0},
        {u"\u2460", 0},  // circled digit one
        {u"\u19D1\u19DA", 1},  // New Tai Lue Tham digit one
        {u"5\u066A", 5},  // right after the Arabic-Indic nine
        {u"\u0965", 0},  // right before the Devanagari zero
        {u"/5", 0},
        {u"5:", 5},
        // The signed 32-bit limits, and beyond them.
        {u"2147483647", INT32_MAX},
        {u"2147483648", INT32_MAX},
        {u"-2147483647", -INT32_MAX},
        {u"-2147483648", INT32_MIN},
        {u"-2147483649", INT32_MIN},
        {u"99999999999", INT32_MAX},
        {u"-99999999999", INT32_MIN},
        {u"184467440737095516160000", INT32_MAX},
        {u"-184467440737095516160000", INT32_MIN},
    };
    for (const SSizeRow& row : rows) {
        EXPECT_EQ(ReadFontSize(row.text), row.size) << (row.text ? Utf16ToUtf8String(row.text) : "(null)");
    }
}

// Every block of decimal digits in the BMP, from its nine over its zero to its
// one: "901" in each script.
struct SScriptRow {
    const char16_t* text;
    const char* script;
};

TEST(FontSize, EveryDigitBlockReadsFromZeroToNine) {
    const SScriptRow rows[] = {
        {u"901", "ASCII"},
        {u"\u0669\u0660\u0661", "Arabic-Indic"},
        {u"\u06F9\u06F0\u06F1", "Extended Arabic-Indic"},
        {u"\u07C9\u07C0\u07C1", "NKo"},
        {u"\u096F\u0966\u0967", "Devanagari"},
        {u"\u09EF\u09E6\u09E7", "Bengali"},
        {u"\u0A6F\u0A66\u0A67", "Gurmukhi"},
        {u"\u0AEF\u0AE6\u0AE7", "Gujarati"},
        {u"\u0B6F\u0B66\u0B67", "Oriya"},
        {u"\u0BEF\u0BE6\u0BE7", "Tamil"},
        {u"\u0C6F\u0C66\u0C67", "Telugu"},
        {u"\u0CEF\u0CE6\u0CE7", "Kannada"},
        {u"\u0D6F\u0D66\u0D67", "Malayalam"},
        {u"\u0DEF\u0DE6\u0DE7", "Sinhala Lith"},
        {u"\u0E59\u0E50\u0E51", "Thai"},
        {u"\u0ED9\u0ED0\u0ED1", "Lao"},
        {u"\u0F29\u0F20\u0F21", "Tibetan"},
        {u"\u1049\u1040\u1041", "Myanmar"},
        {u"\u1099\u1090\u1091", "Myanmar Shan"},
        {u"\u17E9\u17E0\u17E1", "Khmer"},
        {u"\u1819\u1810\u1811", "Mongolian"},
        {u"\u194F\u1946\u1947", "Limbu"},
        {u"\u19D9\u19D0\u19D1", "New Tai Lue"},
        {u"\u1A89\u1A80\u1A81", "Tai Tham Hora"},
        {u"\u1A99\u1A90\u1A91", "Tai Tham Tham"},
        {u"\u1B59\u1B50\u1B51", "Balinese"},
        {u"\u1BB9\u1BB0\u1BB1", "Sundanese"},
        {u"\u1C49\u1C40\u1C41", "Lepcha"},
        {u"\u1C59\u1C50\u1C51", "Ol Chiki"},
        {u"\uA629\uA620\uA621", "Vai"},
        {u"\uA8D9\uA8D0\uA8D1", "Saurashtra"},
        {u"\uA909\uA900\uA901", "Kayah Li"},
        {u"\uA9D9\uA9D0\uA9D1", "Javanese"},
        {u"\uA9F9\uA9F0\uA9F1", "Myanmar Tai Laing"},
        {u"\uAA59\uAA50\uAA51", "Cham"},
        {u"\uABF9\uABF0\uABF1", "Meetei Mayek"},
        {u"\uFF19\uFF10\uFF11", "Fullwidth"},
    };
    for (const SScriptRow& row : rows)
        EXPECT_EQ(ReadFontSize(row.text), 901) << row.script;
}

struct SStartupRow {
    const char16_t* commandLine;
    const char16_t* systemLocale;
    const char16_t* locale;
    const char16_t* face;
    int32_t size;
    bool faceRefused;
};

TEST(CommandLine, Table) {
    const std::u16string face255 = Repeat(u'a', 255);
    const std::u16string face256 = Repeat(u'b', 256);
    const std::u16string switch255 = u"-f " + face255;
    const std::u16string switch256 = u"-f " + face256;
    const std::u16string spaced255 = u"-f " + Repeat(u' ', 300) + face255;
    const std::u16string locale255 = Repeat(u'x', 255);
    const std::u16string locale256 = Repeat(u'x', 256);
    const char16_t* const kMeiryo = u"Meiryo UI";
    const char16_t* const kShell = u"MS Shell Dlg";

    const SStartupRow rows[] = {
        // No arguments: the system's locale and its default face.
        {u"", u"ja-JP", u"ja-JP", kMeiryo, 9, false},
        {nullptr, u"ja-JP", u"ja-JP", kMeiryo, 9, false},
        {u"", u"JA-jp", u"JA-jp", kMeiryo, 9, false},
        {u"", u"de-DE", u"de-DE", kShell, 9, false},
        {u"", nullptr, u"", kShell, 9, false},
        {u"", locale255.c_str(), locale255.c_str(), kShell, 9, false},
        {u"", locale256.c_str(), u"", kShell, 9, false},
        // Language switches: -j wins over -e wherever they stand.
        {u"-e", u"ja-JP", u"en-US", kShell, 9, false},
        {u"-E", u"ja-JP", u"en-US", kShell, 9, false},
        {u"-j", u"de-DE", u"ja-JP", kMeiryo, 9, false},
        {u"-J", u"de-DE", u"ja-JP", kMeiryo, 9, false},
        {u"-j -e", u"en-US", u"ja-JP", kMeiryo, 9, false},
        {u"-e -j", u"en-US", u"ja-JP", kMeiryo, 9, false},
        {u"-j", locale256.c_str(), u"ja-JP", kMeiryo, 9, false},
        // ... but only as words of their own, never inside a path or the face.
        {u"-f Foo-Jazz", u"en-US", u"en-US", u"Foo-Jazz", 9, false},
        {u"-f Some-else", u"ja-JP", u"ja-JP", u"Some-else", 9, false},
        {u"-e -f Arial -j", u"en-US", u"en-US", u"Arial -j", 9, false},
        {u"Foo-Jazz", u"en-US", u"en-US", kShell, 9, false},
        {u"\"-j\"", u"en-US", u"en-US", kShell, 9, false},
        // Size: only "-s " with its space; the rest as ReadFontSize reads it.
        {u"-s12", u"ja-JP", u"ja-JP", kMeiryo, 9, false},
        {u"-s 12", u"ja-JP", u"ja-JP", kMeiryo, 12, false},
        {u"-S 10", u"ja-JP", u"ja-JP", kMeiryo, 10, false},
        {u"-s    14", u"ja-JP", u"ja-JP", kMeiryo, 14, false},
        {u"-s abc", u"ja-JP", u"ja-JP", kMeiryo, 0, false},
        {u"-s 12pt", u"ja-JP", u"ja-JP", kMeiryo, 12, false},
        {u"-s \uFF11\uFF12", u"ja-JP", u"ja-JP", kMeiryo, 12, false},
        {u"-s -3", u"ja-JP", u"ja-JP", kMeiryo, -3, false},
        {u"-s +5", u"ja-JP", u"ja-JP", kMeiryo, 5, false},
        {u"-s 0", u"ja-JP", u"ja-JP", kMeiryo, 0, false},
        {u"-s 99999999999", u"ja-JP", u"ja-JP", kMeiryo, INT32_MAX, false},
        {u"-s -99999999999", u"ja-JP", u"ja-JP", kMeiryo, INT32_MIN, false},
        {u"-s -2147483648", u"ja-JP", u"ja-JP", kMeiryo, INT32_MIN, false},
        {u"-s 8 -s 20", u"ja-JP", u"ja-JP", kMeiryo, 8, false},
        {u"x-s 11", u"ja-JP", u"ja-JP", kMeiryo, 9, false},
        {u"-s", u"ja-JP", u"ja-JP", kMeiryo, 0, false},
        {u"-s \"14\"", u"ja-JP", u"ja-JP", kMeiryo, 14, false},
        // Face: the rest of the line after leading spaces, whatever it holds.
        {u"-f Arial", u"ja-JP", u"ja-JP", u"Arial", 9, false},
        {u"-F Arial", u"ja-JP", u"ja-JP", u"Arial", 9, false},
        {u"-f \"Arial\"", u"en-US", u"en-US", u"\"Arial\"", 9, false},
        {u"-f    ", u"en-US", u"en-US", u"", 9, false},
        {u"-f ", u"ja-JP", u"ja-JP", u"", 9, false},
        {u"-f", u"ja-JP", u"ja-JP", kMeiryo, 9, false},
        {u"-fArial", u"en-US", u"en-US", kShell, 9, false},
        {u"-f Arial  ", u"en-US", u"en-US", u"Arial  ", 9, false},
        {u"-f \tArial", u"en-US", u"en-US", u"\tArial", 9, false},
        {u"-f A -f B", u"en-US", u"en-US", u"A -f B", 9, false},
        {u"-f Meiryo UI -s 12", u"en-US", u"en-US", u"Meiryo UI -s 12", 9, false},
        {u"-s 12 -f Meiryo UI", u"en-US", u"en-US", u"Meiryo UI", 12, false},
        // A face that fits is taken whole; one that does not is refused whole.
        {switch255.c_str(), u"en-US", u"en-US", face255.c_str(), 9, false},
        {spaced255.c_str(), u"en-US", u"en-US", face255.c_str(), 9, false},
        {switch256.c_str(), u"en-US", u"en-US", kShell, 9, true},
        {switch256.c_str(), u"ja-JP", u"ja-JP", kMeiryo, 9, true},
    };
    for (const SStartupRow& row : rows) {
        SCOPED_TRACE(row.commandLine ? Utf16ToUtf8String(row.commandLine) : "(null)");
        SStartupOptions options;
        ReadStartupOptions(row.commandLine, row.systemLocale, options);
        EXPECT_EQ(std::u16string(options.szLocaleName), row.locale);
        EXPECT_EQ(std::u16string(options.szFontFace), row.face);
        EXPECT_EQ(options.nFontSize, row.size);
        EXPECT_EQ(options.bFaceRefused, row.faceRefused);
    }
}

// The code page for entry names: 932 unless "-cp " gives a number, read as
// the font size is; the switch goes before -f, which takes the rest.
TEST(CommandLine, CodePageSwitch) {
    struct SRow {
        const char16_t* commandLine;
        int32_t codePage;
        const char16_t* face;
    };
    const SRow rows[] = {
        {u"", 932, u"MS Shell Dlg"},
        {u"-cp 1252", 1252, u"MS Shell Dlg"},
        {u"-CP   65001 -e", 65001, u"MS Shell Dlg"},
        {u"-cp x", 0, u"MS Shell Dlg"},
        {u"-cp1252", 932, u"MS Shell Dlg"},
        {u"-cp 1252 -cp 949", 1252, u"MS Shell Dlg"},
        {u"-cp 949 -f Gulim", 949, u"Gulim"},
        {u"-f Arial -cp 1252", 932, u"Arial -cp 1252"},
    };
    for (const SRow& row : rows) {
        SStartupOptions options;
        ReadStartupOptions(row.commandLine, u"en-US", options);
        EXPECT_EQ(options.nCodePage, row.codePage) << Utf16ToUtf8String(row.commandLine);
        EXPECT_EQ(std::u16string(options.szFontFace), row.face) << Utf16ToUtf8String(row.commandLine);
    }
}

// The paths Explorer passes (a drop on the icon, "Send to", "Open with"),
// quoted or not, beside the switches: each path read whole, none of its
// letters taken as a switch, the switches where they stand.
TEST(CommandLine, PathsBesideSwitches) {
    struct SRow {
        const char16_t* commandLine;
        const char16_t* paths;  // joined by '|'
        const char16_t* locale;
        bool keep;              // -m
        const char16_t* output;  // -o
        bool outputRefused;
        int32_t size;
    };
    const SRow rows[] = {
        {u"", u"", u"de-DE", false, u"", false, 9},
        {u"C:\\a.god", u"C:\\a.god", u"de-DE", false, u"", false, 9},
        {u"C:\\my-mods\\hero.god", u"C:\\my-mods\\hero.god", u"de-DE", false, u"", false, 9},
        {u"D:\\x-jp\\a.god", u"D:\\x-jp\\a.god", u"de-DE", false, u"", false, 9},
        {u"\"C:\\my -e files\\a b.god\"", u"C:\\my -e files\\a b.god", u"de-DE", false, u"", false, 9},
        {u"\"C:\\ゲーム データ\\勇者 -j.god\" C:\\x.npc", u"C:\\ゲーム データ\\勇者 -j.god|C:\\x.npc", u"de-DE", false,
         u"", false, 9},
        {u"-m C:\\-s\\a.item", u"C:\\-s\\a.item", u"de-DE", true, u"", false, 9},
        {u"C:\\a.god -e \"D:\\b c.god\"", u"C:\\a.god|D:\\b c.god", u"en-US", false, u"", false, 9},
        {u"\"-j\" -M", u"-j", u"de-DE", true, u"", false, 9},
        {u"C:\\a\" \"b.god", u"C:\\a b.god", u"de-DE", false, u"", false, 9},
        {u"\"D:\\\" x", u"D:\\|x", u"de-DE", false, u"", false, 9},
        {u"\t a.god\t\tb.god ", u"a.god|b.god", u"de-DE", false, u"", false, 9},
        {u"\"\"", u"", u"de-DE", false, u"", false, 9},
        // -o takes the next word, quoted or not; the first one counts.
        {u"-o D:\\out a.god", u"a.god", u"de-DE", false, u"D:\\out", false, 9},
        {u"-O \"D:\\my out\" -o E:\\ a.god", u"a.god", u"de-DE", false, u"D:\\my out", false, 9},
        {u"a.god -o", u"a.god", u"de-DE", false, u"", true, 9},
        {u"-o \"\"", u"", u"de-DE", false, u"", true, 9},
        // A value is never a path, even when it looks like one.
        {u"-s 12 -cp 932 b.god", u"b.god", u"de-DE", false, u"", false, 12},
        // -f still takes the rest of the line: no path after it.
        {u"a.god -f Meiryo UI b.god", u"a.god", u"de-DE", false, u"", false, 9},
    };
    for (const SRow& row : rows) {
        SCOPED_TRACE(Utf16ToUtf8String(row.commandLine));
        SStartupOptions options;
        ReadStartupOptions(row.commandLine, u"de-DE", options);
        std::u16string joined;
        int32_t count = 0;
        for (const char16_t* path = options.szPaths; *path; path = NextStartupPath(path), ++count)
            joined += (joined.empty() && count == 0 ? u"" : u"|") + std::u16string(path);
        EXPECT_EQ(Utf16ToUtf8String(joined.c_str()), Utf16ToUtf8String(row.paths));
        EXPECT_EQ(options.nPathCount, count);
        EXPECT_EQ(std::u16string(options.szLocaleName), row.locale);
        EXPECT_EQ(options.bKeepRebuildData, row.keep);
        EXPECT_EQ(Utf16ToUtf8String(options.szOutputFolder), Utf16ToUtf8String(row.output));
        EXPECT_EQ(options.bOutputFolderRefused, row.outputRefused);
        EXPECT_EQ(options.nFontSize, row.size);
        EXPECT_FALSE(options.bPathsRefused);
    }
}

// An output folder too long for a path is refused whole; paths beyond the
// list's room are left out and said to be.
TEST(CommandLine, WhatDoesNotFitIsRefused) {
    SStartupOptions options;
    const std::u16string longFolder = u"-o " + Repeat(u'd', kPathCapacity) + u" a.god";
    ReadStartupOptions(longFolder.c_str(), u"en-US", options);
    EXPECT_TRUE(options.bOutputFolderRefused);
    EXPECT_EQ(std::u16string(options.szOutputFolder), u"");
    EXPECT_EQ(options.nPathCount, 1);

    const std::u16string many = Repeat(u'p', kStartupPathsCapacity / 2) + u" " +
                                Repeat(u'q', kStartupPathsCapacity / 2) + u" short.god";
    ReadStartupOptions(many.c_str(), u"en-US", options);
    EXPECT_TRUE(options.bPathsRefused);
    EXPECT_EQ(options.nPathCount, 2);
    EXPECT_EQ(std::u16string(NextStartupPath(options.szPaths)), u"short.god");
}

// Every field is written on each call, so a reused options record keeps
// nothing from the call before.
TEST(CommandLine, ReusedOptionsKeepNothingFromBefore) {
    const std::u16string longFace = u"-j -s 30 -f " + Repeat(u'b', 256);
    SStartupOptions options;
    ReadStartupOptions(longFace.c_str(), u"de-DE", options);
    ASSERT_TRUE(options.bFaceRefused);
    ASSERT_EQ(options.nFontSize, 30);

    ReadStartupOptions(u"", Repeat(u'x', 256).c_str(), options);
    EXPECT_EQ(std::u16string(options.szLocaleName), u"");
    EXPECT_EQ(std::u16string(options.szFontFace), u"MS Shell Dlg");
    EXPECT_EQ(options.nFontSize, 9);
    EXPECT_FALSE(options.bFaceRefused);
}

}  // namespace
