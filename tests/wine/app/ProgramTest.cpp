// The shipped program as a user starts it: VantoExtractor.exe run as its own
// process with switches, found on the desktop by its title, read through its
// real window and list box, closed with a key, and judged by its exit code.
// The system's UI language comes from LANG (this test program runs under
// ja_JP and de_DE), so the expectations follow GetSystemDefaultLocaleName.
//
// Also the start-up options as the program applies them in this process.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "app/Run.h"
#include "app/UiSettings.h"
#include "tests/wine/app/ProgramPath.h"
#include "tests/wine/ui/UiTestSupport.h"

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

// One run of the program, ended (if still running) when the object goes.
class CProgramRun {
public:
    explicit CProgramRun(const std::wstring& arguments) {
        std::wstring commandLine = L"\"" + ProgramPath() + L"\"";
        if (!arguments.empty())
            commandLine += L" " + arguments;
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        m_bStarted = ::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                      &startup, &m_info) != FALSE;
    }
    ~CProgramRun() {
        if (!m_bStarted)
            return;
        if (::WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT)
            ::TerminateProcess(m_info.hProcess, 99);
        ::CloseHandle(m_info.hThread);
        ::CloseHandle(m_info.hProcess);
    }
    CProgramRun(const CProgramRun&) = delete;
    CProgramRun& operator=(const CProgramRun&) = delete;

    bool Started() const { return m_bStarted; }

    // The program's visible window of this class (and title, unless null),
    // waited for up to timeoutMs.
    HWND WaitForWindow(const wchar_t* title, const wchar_t* className = L"#32770", DWORD timeoutMs = 30000) const {
        for (DWORD waited = 0; waited < timeoutMs && m_bStarted; waited += 50) {
            HWND found = nullptr;
            while ((found = ::FindWindowExW(nullptr, found, className, title)) != nullptr) {
                DWORD process = 0;
                ::GetWindowThreadProcessId(found, &process);
                if (process == m_info.dwProcessId && ::IsWindowVisible(found))
                    return found;
            }
            if (::WaitForSingleObject(m_info.hProcess, 50) == WAIT_OBJECT_0)
                return nullptr;  // it ended without showing the window
        }
        return nullptr;
    }

    // The exit code, or 99 when the program is still running after 15 s.
    DWORD WaitForExit() const {
        if (::WaitForSingleObject(m_info.hProcess, 15000) != WAIT_OBJECT_0)
            return 99;
        DWORD code = 99;
        ::GetExitCodeProcess(m_info.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION m_info = {};
    bool m_bStarted = false;
};

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
    {L"-f Foo-Jazz", ELanguage::Japanese, VK_RETURN, 1},
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

// A face too long to be used is not cut: the default face is used, and the
// log says so under the instruction.
TEST(Program, TooLongFaceIsReportedAndTheDefaultUsed) {
    CProgramRun run(L"-e -s 9 -f " + std::wstring(300, L'F'));
    ASSERT_TRUE(run.Started());
    const HWND window = run.WaitForWindow(kTitleEn);
    ASSERT_NE(window, nullptr);
    const HWND list = ::GetDlgItem(window, 1000);
    EXPECT_EQ(::SendMessageW(list, LB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(ListLine(list, 0), kInstructionEn);
    EXPECT_EQ(ListLine(list, 1), L"The font name given with -f is too long; the default font is used.");
    ::PostMessageW(window, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(run.WaitForExit(), 1u);
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
    {L"-s 14 -f Foo-Jazz", ELanguage::Japanese, L"Foo-Jazz", 14},
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
