// The folder-name buffer: base names of dropped paths and stored answers.
#include <gtest/gtest.h>

#include <string>

#include "batch/FolderName.h"

namespace {

std::u16string Base(const char16_t* path) {
    char16_t out[260];
    EXPECT_TRUE(BaseNameOfPath(path, out, 260));
    return out;
}

TEST(FolderName, BaseNameOfDroppedPath) {
    EXPECT_EQ(Base(u"C:\\games\\vanto\\hero.god"), u"hero");
    EXPECT_EQ(Base(u"C:\\x\\archive.tar.god"), u"archive.tar");
    EXPECT_EQ(Base(u"C:\\x\\noext"), u"noext");
    EXPECT_EQ(Base(u"C:\\x\\.god"), u"");
    EXPECT_EQ(Base(u"/home/u/a.item"), u"a");
    EXPECT_EQ(Base(u"D:file.npc"), u"file");
    EXPECT_EQ(Base(u"dir.d\\file"), u"file") << "a dot in a folder is not an extension";
    EXPECT_EQ(Base(u"..\\..\\evil.god"), u"evil");
    EXPECT_EQ(Base(u"rel.god"), u"rel");

    char16_t small[4];
    EXPECT_FALSE(BaseNameOfPath(u"C:\\abcd.god", small, 4));
    EXPECT_TRUE(BaseNameOfPath(u"C:\\abc.god", small, 4));
}

TEST(FolderName, AnswerIsCutAtFirstBackslashAndGetsOneAppended) {
    char16_t buf[260];
    StoreFolderAnswer(buf, 260, u"new name");
    EXPECT_EQ(std::u16string(buf), u"new name\\");
    StoreFolderAnswer(buf, 260, u"a\\b\\c");
    EXPECT_EQ(std::u16string(buf), u"a\\");
    StoreFolderAnswer(buf, 260, u"");
    EXPECT_EQ(std::u16string(buf), u"\\");
}

TEST(FolderName, LongAnswerLeavesRoomForTheBackslash) {
    char16_t buf[260];
    const std::u16string typed(300, u'n');
    StoreFolderAnswer(buf, 260, typed.c_str());
    const std::u16string stored(buf);
    EXPECT_EQ(stored.size(), 259u);
    EXPECT_EQ(stored.substr(0, 258), std::u16string(258, u'n'));
    EXPECT_EQ(stored.back(), u'\\');
}

TEST(FolderName, CutAtFirstBackslash) {
    char16_t text[] = u"name\\rest\\";
    CutAtFirstBackslash(text);
    EXPECT_EQ(std::u16string(text), u"name");
    char16_t none[] = u"plain";
    CutAtFirstBackslash(none);
    EXPECT_EQ(std::u16string(none), u"plain");
}

}  // namespace
