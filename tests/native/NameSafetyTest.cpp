// Names that must never be used as paths, and names that must stay usable.
#include <gtest/gtest.h>

#include <string>

#include "extract/NameSafety.h"
#include "platform/Platform.h"
#include "base/Utf.h"

namespace {

struct SRow {
    const char16_t* name;
    bool unsafeOnWindows;
    bool unsafeElsewhere;
};

TEST(NameSafety, Table) {
    const SRow rows[] = {
        // Ordinary names stay usable.
        {u"a.txt", false, false},
        {u"cmap\\map01.txt", false, false},
        {u"dir/sub/file.bin", false, false},
        {u"", false, false},
        {u".", false, false},
        {u".hidden", false, false},
        {u"a..b", false, false},
        {u"..a", false, false},
        {u"a..", false, false},
        {u"\\lead\\x", false, false},
        {u"説明書.txt", false, false},
        // Climbing out.
        {u"..", true, true},
        {u"..\\..\\x.t", true, true},
        {u"a\\..\\..\\x", true, true},
        {u"../x", true, true},
        {u"a/..", true, true},
        {u"...", true, true},
        {u".. ", true, true},
        {u" ..", true, true},
        {u". .", true, true},
        {u"x\\. . .\\y", true, true},
        // Drives and streams.
        {u"C:x.txt", true, true},
        {u"a.txt:stream", true, true},
        {u":", true, true},
        // Devices, reserved on Windows only.
        {u"CON", true, false},
        {u"con.txt", true, false},
        {u"nul .txt", true, false},
        {u"NuL", true, false},
        {u"aux.", true, false},
        {u"prn  ", true, false},
        {u"conin$", true, false},
        {u"CONOUT$.log", true, false},
        {u"com1", true, false},
        {u"LPT9.bin", true, false},
        {u"com\u00B9", true, false},
        {u"lpt\u00B3.txt", true, false},
        {u"dir\\nul.txt", true, false},
        {u"dir/aux/x", true, false},
        // Near misses stay usable.
        {u"com0", false, false},
        {u"com10", false, false},
        {u"lpt", false, false},
        {u"console", false, false},
        {u"nul_file", false, false},
        {u" nul", false, false},
        {u"xcon", false, false},
        {u"com\u00B4", false, false},
    };
    for (const SRow& row : rows) {
        const std::string label = Utf16ToUtf8String(row.name);
        EXPECT_EQ(IsUnsafeName(row.name, true), row.unsafeOnWindows) << label;
        EXPECT_EQ(IsUnsafeName(row.name, false), row.unsafeElsewhere) << label;
    }
}

// Names as Windows creates them: trailing dots and blanks go from every
// component; a component made only of them would become nothing and is
// refused. Other systems keep names whole.
TEST(NameSafety, FittedToTheSystem) {
    const SNameRules windows = {true, true, true};
    const SNameRules posix = {false, false, false};
    struct SFitRow {
        const char16_t* name;
        const char16_t* onWindows;  // null: refused
        const char16_t* elsewhere;
    } rows[] = {
        {u"a.txt", u"a.txt", u"a.txt"},
        {u"end.", u"end", u"end."},
        {u"sp  ", u"sp", u"sp  "},
        {u"a. \\b .\\c.txt", u"a\\b\\c.txt", u"a. \\b .\\c.txt"},
        {u"dir/x. ", u"dir/x", u"dir/x. "},
        {u"f\\", u"f\\", u"f\\"},                // an empty component stays
        {u"\\lead", u"\\lead", u"\\lead"},
        {u"", u"", u""},
        {u".", nullptr, u"."},
        {u" ", nullptr, u" "},
        {u"a\\ .\\b", nullptr, u"a\\ .\\b"},
        {u"con.", nullptr, u"con."},
        {u"..", nullptr, nullptr},
    };
    for (const SFitRow& row : rows) {
        SCOPED_TRACE(Utf16ToUtf8String(row.name));
        char16_t out[260];
        EXPECT_EQ(FitNameToSystem(row.name, out, 260, windows), row.onWindows != nullptr);
        if (row.onWindows) {
            EXPECT_EQ(std::u16string(out), row.onWindows);
        }
        EXPECT_EQ(FitNameToSystem(row.name, out, 260, posix), row.elsewhere != nullptr);
        if (row.elsewhere) {
            EXPECT_EQ(std::u16string(out), row.elsewhere);
        }
    }
    char16_t small[4];
    EXPECT_FALSE(FitNameToSystem(u"abcd", small, 4, posix)) << "a name that does not fit is refused, not cut";
}

}  // namespace
