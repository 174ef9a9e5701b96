// The shared text helpers: bounded copies and ASCII case folding.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "base/Text.h"

namespace {

TEST(CopyText, CutsAtCapacityButNeverInsideASurrogatePair) {
    struct SCase {
        const char16_t* text;
        size_t capacity;
        const char16_t* expected;
        bool whole;
    };
    const SCase cases[] = {
        {u"abc", 4, u"abc", true},
        {u"abc", 3, u"ab", false},
        {u"", 1, u"", true},
        {u"a\U0001F600", 4, u"a\U0001F600", true},
        {u"a\U0001F600", 3, u"a", false},  // the pair would need the last place
        {u"\U0001F600b", 2, u"", false},
    };
    for (const SCase& c : cases) {
        char16_t out[8];
        std::fill(std::begin(out), std::end(out), u'#');
        EXPECT_EQ(CopyText(out, c.capacity, c.text), c.whole) << c.capacity;
        EXPECT_EQ(std::u16string(out), c.expected) << c.capacity;
    }
    char16_t untouched = u'#';
    EXPECT_FALSE(CopyText(&untouched, 0, u"a"));
    EXPECT_EQ(untouched, u'#') << "no room, nothing written";
}

TEST(NoCase, FoldsAsciiLettersOnly) {
    EXPECT_TRUE(EqualsNoCase(u"JA-jp", u"ja-JP"));
    EXPECT_FALSE(EqualsNoCase(u"ja-JP-x", u"ja-JP"));
    EXPECT_FALSE(EqualsNoCase(u"\u00C4", u"\u00E4")) << "letters beyond ASCII keep their case";
    const char16_t* text = u"dir\\CMAP\\x";
    EXPECT_EQ(FindNoCase(text, u"cmap\\"), text + 4);
    EXPECT_EQ(FindNoCase(text, u"cmap\\y"), nullptr);
    EXPECT_TRUE(StartsWithNoCase(u"CMap\\x", u"cmap"));
    EXPECT_FALSE(StartsWithNoCase(u"cm", u"cmap")) << "a shorter text is not read past its end";
}

}  // namespace
