// The glob that selects entries by their path inside a container.
#include <gtest/gtest.h>

#include <string>

#include "cmdline/Glob.h"

namespace {

struct SGlobCase {
    const char16_t* pattern;
    const char16_t* path;
    bool expected;
};

TEST(Glob, MatchesLikeTheShell) {
    const std::u16string manyA(200, u'a');
    std::u16string deepA;
    for (int i = 0; i < 100; ++i)
        deepA += u"a/";
    const SGlobCase cases[] = {
        {u"a/b.txt", u"a/b.txt", true}, {u"a/b.txt", u"a/b.txz", false},
        {u"a/b", u"a/b/c", false}, {u"a/b/c", u"a/b", false}, {u"sub/", u"sub", true},
        {u"README.TXT", u"readme.txt", true}, {u"\u00C9.txt", u"\u00E9.txt", true},
        {u"\u0414", u"\u0434", true}, {u"\uFF21", u"\uFF41", true}, {u"\u0141", u"\u0142", true},
        {u"\u03A3", u"\u03C3", true}, {u"\u0178", u"\u00FF", true}, {u"\u00D7", u"\u00F7", false},
        {u"*.txt", u"a.txt", true}, {u"*.txt", u"x/a.txt", false}, {u"a*", u"a", true},
        {u"*b*c", u"abxbc", true}, {u"a*/b", u"ax/b", true}, {u"a*b", u"a/b", false},
        {u"?.txt", u"a.txt", true}, {u"a?b", u"a/b", false}, {u"??", u"a", false},
        {u"[a-c]x", u"Bx", true}, {u"[A-C]x", u"dx", false}, {u"[\u00C0-\u00DE]", u"\u00E9", true},
        {u"[!a-c]x", u"dx", true}, {u"[!a-c]x", u"bx", false}, {u"[^a]", u"a", false},
        {u"[]]", u"]", true}, {u"[]a]", u"a", true}, {u"[!]]", u"]", false}, {u"[a-]", u"-", true},
        {u"[*]", u"*", true}, {u"[*]", u"x", false}, {u"[ab", u"[ab", true}, {u"[ab", u"a", false},
        {u"a[!b]c", u"a/c", false},
        {u"**/x.txt", u"x.txt", true}, {u"**/x.txt", u"a/b/x.txt", true},
        {u"**/x.txt", u"a/b/y.txt", false}, {u"**/a/b", u"a/a/b", true},
        {u"a/**", u"a/b/c", true}, {u"a/**", u"a", true}, {u"a/**", u"ab/c", false},
        {u"a/**/b", u"a/b", true}, {u"a/**/b", u"a/x/y/b", true}, {u"a/**/b", u"a/x/y/c", false},
        {u"**", u"a/b/c", true}, {u"a**b", u"axyb", true}, {u"a**b", u"ax/yb", false},
        {u"a\\b\\*.txt", u"a/b/c.txt", true}, {u"a\\**", u"a/b/c", true},
        {u"\u753B\u50CF/?\u666F.png", u"\u753B\u50CF/\u80CC\u666F.png", true},
        {u"*a*a*a*a*a*a*a*a*b", manyA.c_str(), false},
        {u"**/**/**/**/**/**/**/b", deepA.c_str(), false},
    };
    for (const SGlobCase& c : cases)
        EXPECT_EQ(MatchGlob(c.pattern, c.path), c.expected) << "row " << &c - cases;
}

TEST(Glob, ParentFolderSelectsItsEntries) {
    const std::u16string longName(1100, u'a');
    const std::u16string underX = u"x/" + longName;
    const SGlobCase cases[] = {
        {u"sub", u"sub/a.txt", true}, {u"sub", u"subway/a.txt", false},
        {u"sub/a.txt", u"sub/a.txt", true}, {u"sub/b", u"sub/a.txt", false},
        {u"*.txt", u"x/a.txt", false}, {u"*.txt", u"a.txt/inner", true},
        {u"a/*", u"a/b/c", true}, {u"*", longName.c_str(), false}, {u"x", underX.c_str(), true},
    };
    for (const SGlobCase& c : cases)
        EXPECT_EQ(MatchGlobOrParent(c.pattern, c.path), c.expected) << "row " << &c - cases;
}

}  // namespace
