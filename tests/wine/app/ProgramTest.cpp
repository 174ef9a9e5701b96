// The shipped program as a user starts it: VantoExtractor.exe run as its own
// process with switches, found on the desktop by its title, read through its
// real window and list box, closed with a key, and judged by its exit code.
// The system's UI language comes from LANG (this test program runs under
// ja_JP and de_DE), so the expectations follow GetSystemDefaultLocaleName.
// The program and vanto-extract.exe are also ended from outside in the middle
// of an extraction, and what they leave on disk is examined.
//
// Also the start-up options as the program applies them in this process.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "app/Run.h"
#include "framework/UiSettings.h"
#include "tests/wine/app/ProgramPath.h"
#include "tests/wine/app/ProgramRun.h"
#include "tests/wine/ui/UiTestSupport.h"
#include "tests/wine/WinFiles.h"
#include "tests/fixtures/ContainerWriter.h"
#include "tests/fixtures/ProcessDrop.h"

namespace {

const wchar_t kTitleEn[] = L"Vanto Custom File Extractor";
const wchar_t kTitleJa[] = L"Vanto カスタムファイル展開ツール";
const wchar_t kInstructionEn[] = L"Drop Vanto custom files (*.god, *.item, *.npc, etc...) here to extract.";
const wchar_t kInstructionJa[] =
    L"Vanto カスタム系ファイル (*.god, *.item, *.npc, etc...) をドロップすると展開します。";

bool SystemIsJapanese() {
    WCHAR name[LOCALE_NAME_MAX_LENGTH] = {};
    ::GetSystemDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH);
    return ::_wcsicmp(name, L"ja-JP") == 0;
}

std::wstring ListLine(HWND list, int index) {
    const LRESULT length = ::SendMessageW(list, LB_GETTEXTLEN, index, 0);
    if (length < 0)
        return L"<none>";
    std::wstring line(size_t(length) + 1, L'\0');
    ::SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(&line[0]));
    line.resize(size_t(length));
    return line;
}

// Opens the window's system menu as Alt+Space does and chooses its last item
// with the keyboard, as a user would: the program's own last item must open its About box,
// owned by the window. Closes the box with Escape again. The menu's texts are
// checked in-process (MainDlgTest): another process's menus cannot be read.
void ExpectAboutFromSystemMenu(const CProgramRun& run, HWND window) {
    ::PostMessageW(window, WM_SYSCOMMAND, SC_KEYMENU, L' ');
    ASSERT_NE(run.WaitForWindow(nullptr, L"#32768"), nullptr) << "the system menu did not open";
    // End selects the menu's last item and Enter chooses it. (The mnemonic
    // would not do: Wine's own system menu has an "About Wine" item with A.)
    ::PostMessageW(window, WM_KEYDOWN, VK_END, 0x014F0001);
    ::PostMessageW(window, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    const HWND about = run.WaitForWindow(L"About");
    ASSERT_NE(about, nullptr) << "no About box";
    EXPECT_EQ(::GetWindow(about, GW_OWNER), window);
    ::PostMessageW(::GetDlgItem(about, IDOK), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    for (int i = 0; i < 600 && ::IsWindow(about); ++i)
        ::Sleep(50);
    EXPECT_FALSE(::IsWindow(about)) << "the About box did not close";
}

enum class ELanguage { System, Japanese, English };

struct SProgramCase {
    const wchar_t* arguments;
    ELanguage language;
    UINT closeKey;
    DWORD exitCode;
};

const SProgramCase kProgramCases[] = {
    {L"", ELanguage::System, VK_ESCAPE, 2},
    {L"", ELanguage::System, VK_RETURN, 1},
    {L"-e", ELanguage::English, VK_ESCAPE, 2},
    {L"-j", ELanguage::Japanese, VK_RETURN, 1},
    {L"-J", ELanguage::Japanese, VK_ESCAPE, 2},
    {L"-e -j", ELanguage::Japanese, VK_ESCAPE, 2},
    {L"-f Foo-Jazz", ELanguage::System, VK_RETURN, 1},
    {L"-s 12 -f Meiryo UI", ELanguage::System, VK_ESCAPE, 2},
};

TEST(Program, StartsInItsLanguageAndExitsWithTheClosingCommand) {
    for (const SProgramCase& c : kProgramCases) {
        SCOPED_TRACE(testing::Message() << "arguments \"" << std::string(c.arguments, c.arguments + std::wcslen(c.arguments))
                                        << "\", key " << c.closeKey);
        const bool japanese = c.language == ELanguage::Japanese ||
                              (c.language == ELanguage::System && SystemIsJapanese());
        CProgramRun run(c.arguments);
        ASSERT_TRUE(run.Started()) << "cannot start " << ::GetLastError();
        const HWND window = run.WaitForWindow(japanese ? kTitleJa : kTitleEn);
        ASSERT_NE(window, nullptr) << "no window with the expected title";
        EXPECT_EQ(uitest::WindowText(window), japanese ? kTitleJa : kTitleEn);

        const HWND list = ::GetDlgItem(window, 1000);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(::SendMessageW(list, LB_GETCOUNT, 0, 0), 1);
        EXPECT_EQ(ListLine(list, 0), japanese ? kInstructionJa : kInstructionEn);
        ExpectAboutFromSystemMenu(run, window);

        // The key as the keyboard delivers it to the control with the focus.
        const LPARAM scan = LPARAM(::MapVirtualKeyW(c.closeKey, MAPVK_VK_TO_VSC)) << 16;
        ::PostMessageW(list, WM_KEYDOWN, c.closeKey, scan | 1);
        EXPECT_EQ(run.WaitForExit(), c.exitCode);
    }
}

// The font size reaches the window: dialog units grow with the font.
TEST(Program, FontSizeSwitchScalesTheWindow) {
    LONG widths[2] = {};
    const wchar_t* arguments[2] = {L"-e", L"-e -s 18"};
    for (int i = 0; i < 2; ++i) {
        CProgramRun run(arguments[i]);
        ASSERT_TRUE(run.Started());
        const HWND window = run.WaitForWindow(kTitleEn);
        ASSERT_NE(window, nullptr);
        const RECT rect = uitest::WindowRect(window);
        widths[i] = rect.right - rect.left;
        ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        EXPECT_EQ(run.WaitForExit(), 2u);
    }
    EXPECT_GT(widths[1] * 10, widths[0] * 15) << "9 pt: " << widths[0] << " px, 18 pt: " << widths[1] << " px";
}

// A face too long to be used is not cut, and a code page the system lacks is
// not used: the defaults are, and the log says so under the instruction.
TEST(Program, RefusedSwitchesAreReportedAndTheDefaultsUsed) {
    struct SCase {
        std::wstring commandLine;
        const wchar_t* line;
    };
    const SCase cases[] = {
        {L"-e -s 9 -f " + std::wstring(300, L'F'), L"The font name given with -f is too long; the default font is used."},
        {L"-e -cp 12345", L"Code page 12345 is not supported here; names are read in code page 932."},
    };
    for (const SCase& c : cases) {
        CProgramRun run(c.commandLine);
        ASSERT_TRUE(run.Started());
        const HWND window = run.WaitForWindow(kTitleEn);
        ASSERT_NE(window, nullptr);
        const HWND list = ::GetDlgItem(window, 1000);
        EXPECT_EQ(::SendMessageW(list, LB_GETCOUNT, 0, 0), 2);
        EXPECT_EQ(ListLine(list, 0), kInstructionEn);
        EXPECT_EQ(ListLine(list, 1), c.line);
        ::PostMessageW(window, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(run.WaitForExit(), 1u);
    }
}

// --- Ended from the task manager in the middle of a drop -------------------------

// A file in the folder of `file`.
std::wstring InFolderOf(const std::wstring& file, const wchar_t* name) {
    return file.substr(0, file.rfind(L'\\') + 1) + name;
}

// Loads drop-into-process.dll (beside this test program) into the running
// program, which then drops the file named by VANTO_TEST_DROP onto its window.
bool DropInsideTheProgram(HANDLE process) {
    WCHAR self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    return LoadLibraryInProcess(process, InFolderOf(self, L"drop-into-process.dll"), 30000);
}

// Stored and distinct: every sixteenth entry 4 MB, the others 64 KB.
Bytes EntryPayload(int index) {
    Bytes payload(index % 16 == 0 ? size_t(4) << 20 : size_t(64) << 10);
    for (size_t k = 0; k < payload.size(); ++k)
        payload[k] = uint8_t(k * 7 + k / 4093 + size_t(index));
    return payload;
}

struct SKillCase {
    bool window;    // VantoExtractor.exe given a drop, or vanto-extract.exe given the file
    DWORD delayMs;  // after the output folder appeared
};

// Ended at many points of its run, as the task manager ends a program: no
// file under an output name is partial, and no temporary file is left. Wine
// ends a process between two system calls, so no single write is cut short:
// a file would be partial when the end came after its creation and before
// its write, which many entries, and many ends, make likely. How far each run
// got does not matter, so nothing depends on the machine's speed.
TEST(Program, EndedDuringADropLeavesOnlyCompleteFilesAndNoTemporaryOnes) {
    if (SystemIsJapanese())
        GTEST_SKIP() << "nothing here depends on the locale: it runs under the German one only";
    std::vector<SKillCase> cases = {{true, 0}, {true, 20}, {true, 50}};
    for (DWORD delay = 0; delay < 96; delay += 4)
        cases.push_back({false, delay});

    winfiles::CScratchFolder scratch;
    ASSERT_FALSE(scratch.Path().empty());
    std::map<std::u16string, Bytes> entries;  // by output name
    CContainerWriter writer;
    for (int i = 0; i < 128; ++i) {
        const Bytes payload = EntryPayload(i);
        writer.Add("entry" + std::to_string(i) + ".bin", payload);
        entries[u"big\\entry" + winfiles::Num(i) + u".bin"] = payload;
    }
    const std::u16string input = scratch / u"big.god";
    ASSERT_TRUE(winfiles::WriteBytes(input, writer.Data()));
    ASSERT_TRUE(::SetEnvironmentVariableW(L"VANTO_TEST_DROP", winfiles::W(input)));

    int run = 0;
    for (const SKillCase& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.window ? "VantoExtractor.exe" : "vanto-extract.exe") << ", ended "
                                        << c.delayMs << " ms after its folder appeared");
        const std::u16string out = scratch / (u"out" + winfiles::Num(++run));
        ASSERT_TRUE(::CreateDirectoryW(winfiles::W(out), nullptr));
        const std::wstring folder(out.begin(), out.end());
        const std::wstring arguments = c.window ? L"-e" : L"-e \"" + std::wstring(input.begin(), input.end()) + L"\"";
        CProgramRun program(arguments, c.window ? ProgramPath() : InFolderOf(ProgramPath(), L"vanto-extract.exe"),
                            folder.c_str());
        ASSERT_TRUE(program.Started()) << "CreateProcess failed with error " << program.StartError();
        if (c.window) {
            ASSERT_NE(program.WaitForWindow(kTitleEn), nullptr);
            ASSERT_TRUE(DropInsideTheProgram(program.Process()));
        }
        // A bound against a program that never starts writing, not a speed requirement.
        for (int i = 0; i < 3000 && !winfiles::IsFolder(out + u"\\big"); ++i)
            ::WaitForSingleObject(program.Process(), 10);
        ASSERT_TRUE(winfiles::IsFolder(out + u"\\big")) << "the extraction did not start";
        ::Sleep(c.delayMs);
        ::TerminateProcess(program.Process(), 99);
        ASSERT_EQ(::WaitForSingleObject(program.Process(), 15000), WAIT_OBJECT_0);

        for (const auto& item : winfiles::TreeOf(out)) {
            const std::string name(item.first.begin(), item.first.end());
            if (item.first == u"big\\")
                continue;
            const auto entry = entries.find(item.first);
            ASSERT_NE(entry, entries.end()) << "left behind: " << name;
            EXPECT_TRUE(item.second == entry->second) << name << " has " << item.second.size() << " bytes";
        }
        winfiles::RemoveTree(out);
    }
    ::SetEnvironmentVariableW(L"VANTO_TEST_DROP", nullptr);
}

// --- The start-up options as Run applies them in this process --------------------

struct SStartupCase {
    const wchar_t* commandLine;
    ELanguage language;
    const wchar_t* face;  // null: the default face of the language
    int size;
};

const SStartupCase kStartupCases[] = {
    {L"", ELanguage::System, nullptr, 9},
    {L"-e", ELanguage::English, L"MS Shell Dlg", 9},
    {L"-j", ELanguage::Japanese, L"Meiryo UI", 9},
    {L"-s 14 -f Foo-Jazz", ELanguage::System, L"Foo-Jazz", 14},
    {L"-s １２", ELanguage::System, nullptr, 12},
};

TEST(StartupOptions, FollowTheSystemLocaleAndTheSwitches) {
    WCHAR systemLocale[LOCALE_NAME_MAX_LENGTH] = {};
    ASSERT_GT(::GetSystemDefaultLocaleName(systemLocale, LOCALE_NAME_MAX_LENGTH), 0);
    for (const SStartupCase& c : kStartupCases) {
        EXPECT_TRUE(ApplyStartupOptions(c.commandLine));
        const bool japanese = c.language == ELanguage::Japanese ||
                              (c.language == ELanguage::System && SystemIsJapanese());
        const std::wstring locale = c.language == ELanguage::System    ? std::wstring(systemLocale)
                                    : c.language == ELanguage::English ? L"en-US"
                                                                       : L"ja-JP";
        EXPECT_EQ(std::wstring(g_szLocaleName), locale);
        EXPECT_EQ(std::wstring(g_szFontFace), c.face ? c.face : (japanese ? L"Meiryo UI" : L"MS Shell Dlg"));
        EXPECT_EQ(g_nFontSize, c.size);
    }
    EXPECT_FALSE(ApplyStartupOptions((L"-j -f " + std::wstring(256, L'x')).c_str()));
    EXPECT_EQ(std::wstring(g_szFontFace), L"Meiryo UI");
}

}  // namespace
