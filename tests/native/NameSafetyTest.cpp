// Names that must never be used as paths, and names that must stay usable.
#include <gtest/gtest.h>

#include "extract/NameSafety.h"
#include "platform/Utf.h"

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

}  // namespace
