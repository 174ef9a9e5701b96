// Every message exists in both languages and each run shows exactly one of
// them: the same scenario run in Japanese and in English gives the same number
// of lines, English lines in ASCII only, Japanese lines with Japanese text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "batch/PathList.h"
#include "extract/UiLanguage.h"
#include "base/Utf.h"
#include "tests/support/MemoryPlatform.h"
#include "tests/support/RecordingHost.h"
#include "tests/fixtures/ContainerWriter.h"

namespace {

using Lines = std::vector<std::u16string>;

// A drop that makes the system say nearly everything it can say.
Lines RunScenario(const char16_t* localeName, bool failWrites) {
    CContainerWriter child;
    child.AddText("in.t", "inside").AddText("cmap\\m.t", "map");
    Bytes damaged = MakeEntryHeader("broken.t", "900");
    damaged.resize(80, 'd');
    CContainerWriter file;
    file.AddText("a.t", "text")
        .AddText("a.tx", "same output name")
        .AddChild("kid.pak", child)
        .AddText("..\\up.t", "unsafe")
        .AddRaw(damaged);

    CMemoryPlatform platform;
    platform.SetCurrentDir(u"C:\\work");
    platform.bFailWrites = failWrites;
    platform.AddInputFile(u"C:\\in\\f.god", file.Data());
    platform.AddInputFile(u"C:\\in\\bad.god", Bytes(60, 'x'));
    CRecordingHost host(platform, localeName);
    host.answers = {{1, u"g"}, {2, u""}};
    CPathList drop({u"C:\\in\\f.god", u"C:\\in\\bad.god", u"C:\\" + std::u16string(200, u'p'), u"C:\\in\\f.god",
                 u"C:\\in\\f.god"});
    host.ExtractDroppedFiles(drop);
    return host.lines;
}

bool IsAscii(const std::u16string& line) {
    for (char16_t ch : line) {
        if (ch > 0x7F)
            return false;
    }
    return true;
}

TEST(Languages, EachMessageAppearsInExactlyOneLanguage) {
    for (bool failWrites : {false, true}) {
        const Lines english = RunScenario(u"en-US", failWrites);
        const Lines japanese = RunScenario(u"ja-JP", failWrites);
        ASSERT_EQ(english.size(), japanese.size());
        ASSERT_GT(english.size(), 30u);
        for (size_t i = 0; i < english.size(); ++i) {
            EXPECT_TRUE(IsAscii(english[i])) << i;
            if (english[i] == u"----------------") {
                EXPECT_EQ(japanese[i], english[i]) << "the separator is language-neutral";
            } else {
                EXPECT_FALSE(IsAscii(japanese[i])) << i;
            }
        }
    }
}

TEST(Languages, ScenarioCoversTheMessages) {
    // Guards the test above: the scenario must reach these messages.
    const Lines english = RunScenario(u"en-US", false);
    const Lines written = RunScenario(u"en-US", true);
    std::u16string all;
    for (const Lines* lines : {&english, &written}) {
        for (const std::u16string& line : *lines)
            all += line + u"\n";
    }
    for (const char16_t* fragment :
         {u"files dropped.", u"Processing 1 of 5 files", u"File path [", u"Skipped. (too long path)",
          u"This file is not extractable.", u"Aborted!", u"Finished!", u") ... Success!", u") ... Failed!",
          u"Cannot create directory. Please enter another name.", u"ExtractData(dir=", u"Extracting... filename=",
          u"has child elements.", u"Cannot create file [", u"Cannot write file [", u"Skipped unsafe name [",
          u"Damaged entry, rest of data skipped:", u"have been extracted.", u"----------------"})
        EXPECT_NE(all.find(fragment), std::u16string::npos) << Utf16ToUtf8String(fragment);
}

TEST(Languages, JapaneseOnlyForJaJpInAnyLetterCase) {
    EXPECT_TRUE(IsJapaneseLocaleName(u"ja-JP"));
    EXPECT_TRUE(IsJapaneseLocaleName(u"JA-JP"));
    EXPECT_TRUE(IsJapaneseLocaleName(u"Ja-jP"));
    for (const char16_t* other : {u"", u"ja", u"ja-JP-x", u"ja_JP", u"en-US", u"de-DE", u"jp-JA", u"ja-JP "})
        EXPECT_FALSE(IsJapaneseLocaleName(other));
}

TEST(Languages, LogAnyAppearsInBoth) {
    CMemoryPlatform platform;
    for (const char16_t* locale : {u"ja-JP", u"en-US", u""}) {
        CRecordingHost host(platform, locale);
        host.LogJa(u"ja %d", 1);
        host.LogEn(u"en %d", 2);
        host.LogAny(u"");
        ASSERT_EQ(host.lines.size(), 2u);
        EXPECT_EQ(host.lines[0], IsJapaneseLocaleName(locale) ? u"ja 1" : u"en 2");
        EXPECT_EQ(host.lines[1], u"") << "an empty format gives an empty line";
    }
}

}  // namespace
