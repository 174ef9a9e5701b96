// The main window, in this process: a real CMainDlg created from its template,
// driven with real messages (drops built as the shell builds them, keys,
// system commands, size changes) and read back from the real list box, the
// real system menu and the files on disk.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "framework/AppModule.h"
#include "framework/MessageLoop.h"
#include "framework/UiSettings.h"
#include "platform/SystemPlatform.h"
#include "base/Utf.h"
#include "tests/wine/ui/UiTestSupport.h"
#include "tests/wine/WinFiles.h"
#include "tests/fixtures/ContainerWriter.h"
#include "tests/fixtures/ShellDrop.h"
#include "ui/InputDlg.h"
#include "ui/MainDlg.h"

using namespace winfiles;

namespace {

const char16_t kInstructionEn[] = u"Drop Vanto custom files (*.god, *.item, *.npc, etc...) here to extract.";
const char16_t kInstructionJa[] = u"Vanto カスタム系ファイル (*.god, *.item, *.npc, etc...) をドロップすると展開します。";

Lines ListLines(HWND list);

// Counts the completion sound instead of playing it; keeps the captions a drop
// shows and what the log held when the window went.
class CTestMainDlg : public CMainDlg {
public:
    using CMainDlg::CMainDlg;
    void PlayCompletionSound() override { ++nSounds; }
    bool ContinueJob(const SJobProgress& progress) override {
        const bool goOn = CMainDlg::ContinueJob(progress);
        const std::wstring title = uitest::WindowText(m_hWnd);
        if (titles.empty() || titles.back() != title)
            titles.push_back(title);
        return goOn;
    }
    BOOL HandleMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult,
                       DWORD dwMsgMapID) override {
        if (uMsg == WM_DESTROY)
            linesWhenDestroyed = ListLines(m_hWndList);
        return CMainDlg::HandleMessage(hWnd, uMsg, wParam, lParam, lResult, dwMsgMapID);
    }
    int nSounds = 0;
    std::vector<std::wstring> titles;
    Lines linesWhenDestroyed;
};

HDROP MakeDrop(const std::vector<std::u16string>& paths) {
    std::vector<std::wstring> wide;
    for (const auto& path : paths)
        wide.emplace_back(path.begin(), path.end());
    return MakeShellDrop(wide);
}

Lines ListLines(HWND list) {
    Lines lines;
    const LRESULT count = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::u16string line(size_t(::SendMessageW(list, LB_GETTEXTLEN, i, 0)), u'\0');
        ::SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&line[0]));
        lines.push_back(line);
    }
    return lines;
}

// The text and id of a menu's items from `first` on; a separator reads "-".
struct SMenuItem {
    std::u16string text;
    UINT id;
    bool operator==(const SMenuItem& o) const { return text == o.text && id == o.id; }
};

std::vector<SMenuItem> LastMenuItems(HMENU menu, int count) {
    std::vector<SMenuItem> items;
    const int total = ::GetMenuItemCount(menu);
    for (int i = total - count; i < total; ++i) {
        WCHAR text[128] = {};
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 128;
        if (i < 0 || !::GetMenuItemInfoW(menu, UINT(i), TRUE, &info)) {
            items.push_back({u"<none>", 0});
            continue;
        }
        items.push_back({(info.fType & MFT_SEPARATOR) ? u"-" : U(text), info.wID});
    }
    return items;
}

void SetUiLanguage(const WCHAR* localeName) {
    ::wcscpy(g_szLocaleName, localeName);
    ::wcscpy(g_szFontFace, L"MS Shell Dlg");
    g_nFontSize = 9;
}

// Takes a pending quit message off the queue; its code, or -1 when none.
int TakeQuitCode() {
    MSG msg;
    int code = -1;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            code = int(msg.wParam);
        else
            ::DispatchMessageW(&msg);
    }
    return code;
}

// One main window with this thread's message loop registered, as Run has it,
// and a scratch folder: in\ holds the dropped files, out\ is the current
// directory and so the extraction root.
class MainDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetUiLanguage(L"en-US");
        ASSERT_TRUE(scratch.Enter(u"out"));
        ASSERT_TRUE(::CreateDirectoryW(W(scratch / u"in"), nullptr));
        root = scratch.Current();
        ASSERT_TRUE(g_Module.AddMessageLoop(&loop));
    }

    void TearDown() override {
        if (dlg.m_hWnd)
            ::DestroyWindow(dlg.m_hWnd);
        TakeQuitCode();
        g_Module.RemoveMessageLoop();
    }

    // Creates and shows the window as Run does.
    void Open() {
        ASSERT_NE(dlg.CreateModeless(nullptr, 0), nullptr);
        ::ShowWindow(dlg.m_hWnd, SW_SHOWNORMAL);
        ::SetForegroundWindow(dlg.m_hWnd);
        uitest::PumpMessages();
    }

    HWND List() const { return ::GetDlgItem(dlg.m_hWnd, CMainDlg::IDC_LOG_LIST); }
    // The log without its first line, the instruction.
    Lines LinesAfterInstruction() const {
        Lines lines = ListLines(List());
        if (!lines.empty())
            lines.erase(lines.begin());
        return lines;
    }

    void Drop(const std::vector<std::u16string>& paths) {
        const LRESULT result = ::SendMessageW(dlg.m_hWnd, WM_DROPFILES, WPARAM(MakeDrop(paths)), 0);
        EXPECT_EQ(result, 0);
    }

    // A custom file in in\ with one stored text and one gzip text.
    std::u16string WriteCustomFile(const std::u16string& name) {
        CContainerWriter writer;
        writer.AddText("readme.t", "stored text\r\n").AddGzip("notes.t", Text("inflated text\r\n"));
        fileData = writer.Data();
        const std::u16string path = scratch / (u"in\\" + name);
        EXPECT_TRUE(WriteBytes(path, fileData));
        return path;
    }

    // What one extracted file adds to the log: its folder, the walk, the verdict.
    Lines ExtractionLines(const std::u16string& folder) const {
        const std::u16string n = Num((long long)fileData.size());
        const long long first = 50 + 13;  // "stored text\r\n"
        return {u"CreateDirectory (path=" + root + u"\\" + folder + u"\\) ... Success!",
                u"ExtractData(dir=" + folder + u"\\, size=" + n + u")",
                u"Extracting... filename=readme.t position=0/" + n + u" size=" + Num(first),
                u"Extracting... filename=notes.t position=" + Num(first) + u"/" + n + u" size=" +
                    Num((long long)fileData.size() - first),
                u"Finished!"};
    }

    // The files of the custom file extracted into each of these folders.
    static Tree ExtractedTree(std::initializer_list<std::u16string> folders) {
        Tree tree;
        for (const std::u16string& folder : folders) {
            tree[folder + u"\\"] = Bytes();
            tree[folder + u"\\readme.txt"] = Text("stored text\r\n");
            tree[folder + u"\\notes.txt"] = Text("inflated text\r\n");
        }
        return tree;
    }

    static Lines Concat(std::initializer_list<Lines> parts) {
        Lines all;
        for (const Lines& part : parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    }

    CScratchCurrentFolder scratch;
    std::u16string root;
    Bytes fileData;
    CMessageLoop loop;
    CSystemPlatform platform;
    CTestMainDlg dlg{platform};
};

// --- What the window shows when it opens ---------------------------------------

TEST_F(MainDlgTest, EnglishWindowAsCreated) {
    Open();
    const HWND hWnd = dlg.m_hWnd;
    EXPECT_EQ(uitest::ClassName(hWnd), L"#32770");
    EXPECT_EQ(uitest::WindowText(hWnd), L"Vanto Custom File Extractor");
    const LONG style = ::GetWindowLongW(hWnd, GWL_STYLE);
    EXPECT_EQ(style & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
    EXPECT_TRUE(::GetWindowLongW(hWnd, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);

    const HWND list = List();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(dlg.m_hWndList, list);
    EXPECT_EQ(uitest::ClassName(list), L"ListBox");
    // The list box shows its scroll bar only when needed and draws its own
    // border; the template carries the full style (see MainTemplateBytes).
    const LONG listStyle = ::GetWindowLongW(list, GWL_STYLE);
    EXPECT_EQ(listStyle & LBS_NOTIFY, LBS_NOTIFY);
    EXPECT_EQ(listStyle & (LBS_SORT | WS_HSCROLL | LBS_NOINTEGRALHEIGHT), 0);
    EXPECT_EQ(ListLines(list), Lines{kInstructionEn});
    EXPECT_EQ(::SendMessageW(list, LB_GETCURSEL, 0, 0), 0);

    const std::vector<SMenuItem> expected = {{u"-", 0},
                                             {u"Copy log", CMainDlg::ID_LOG_COPY},
                                             {u"Save log...", CMainDlg::ID_LOG_SAVE},
                                             {u"Keep rebuild data", CMainDlg::ID_KEEP_REBUILD_DATA},
                                             {u"Add to Explorer's menu", CMainDlg::ID_EXPLORER_ADD},
                                             {u"Remove from Explorer's menu", CMainDlg::ID_EXPLORER_REMOVE},
                                             {u"&About Vanto Extractor", CMainDlg::ID_APP_ABOUT}};
    EXPECT_EQ(LastMenuItems(::GetSystemMenu(hWnd, FALSE), 7), expected);

    // Centred on the work area (within the rounding of an odd difference).
    const RECT window = uitest::WindowRect(hWnd);
    const RECT work = uitest::WorkAreaOf(hWnd);
    EXPECT_LE(std::abs((window.left + window.right) - (work.left + work.right)), 1);
    EXPECT_LE(std::abs((window.top + window.bottom) - (work.top + work.bottom)), 1);
}

TEST_F(MainDlgTest, JapaneseWindowAsCreated) {
    SetUiLanguage(L"JA-jp");
    Open();
    EXPECT_EQ(uitest::WindowText(dlg.m_hWnd), L"Vanto カスタムファイル展開ツール");
    EXPECT_EQ(ListLines(List()), Lines{kInstructionJa});
    const std::vector<SMenuItem> expected = {{u"-", 0},
                                             {u"ログをコピー", CMainDlg::ID_LOG_COPY},
                                             {u"ログを保存...", CMainDlg::ID_LOG_SAVE},
                                             {u"再構築用データを残す", CMainDlg::ID_KEEP_REBUILD_DATA},
                                             {u"エクスプローラーのメニューに追加", CMainDlg::ID_EXPLORER_ADD},
                                             {u"エクスプローラーのメニューから削除", CMainDlg::ID_EXPLORER_REMOVE},
                                             {u"バージョン情報(&A)", CMainDlg::ID_APP_ABOUT}};
    EXPECT_EQ(LastMenuItems(::GetSystemMenu(dlg.m_hWnd, FALSE), 7), expected);
}

TEST_F(MainDlgTest, WindowCarriesTheProgramIconInBothSizes) {
    Open();
    const struct {
        WPARAM which;
        int metric;
    } kIcons[] = {{ICON_BIG, SM_CXICON}, {ICON_SMALL, SM_CXSMICON}};
    for (const auto& icon : kIcons) {
        const HICON handle = reinterpret_cast<HICON>(::SendMessageW(dlg.m_hWnd, WM_GETICON, icon.which, 0));
        ASSERT_NE(handle, nullptr) << "icon " << icon.which;
        ICONINFO info = {};
        ASSERT_TRUE(::GetIconInfo(handle, &info));
        BITMAP bitmap = {};
        ::GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, ::GetSystemMetrics(icon.metric)) << "icon " << icon.which;
        if (info.hbmColor)
            ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);
    }
}

// --- Closing: what reaches the message loop, and its exit code ------------------

struct SCloseCase {
    const char* what;
    bool toList;  // posted to the list box (where the keyboard focus is) or to the window
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    int exitCode;  // -1: the window stays open
};

const SCloseCase kCloseCases[] = {
    {"Escape", true, WM_KEYDOWN, VK_ESCAPE, 0x00010001, 2},
    {"Enter", true, WM_KEYDOWN, VK_RETURN, 0x001C0001, 1},
    {"Alt+F4", true, WM_SYSKEYDOWN, VK_F4, 0x203E0001, 2},
    {"close box", false, WM_SYSCOMMAND, SC_CLOSE, 0, 2},
    {"OK with a notification code", false, WM_COMMAND, MAKEWPARAM(IDOK, 0x1234), 0, 1},
    {"Cancel with a notification code", false, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0xFFFF), 0, 2},
    {"another command", false, WM_COMMAND, MAKEWPARAM(3, 0), 0, -1},
};

TEST_F(MainDlgTest, ClosesThroughOkAndCancelOnly) {
    for (const SCloseCase& c : kCloseCases) {
        SCOPED_TRACE(c.what);
        Open();
        const HWND hWnd = dlg.m_hWnd;
        ::PostMessageW(c.toList ? List() : hWnd, c.message, c.wParam, c.lParam);
        if (c.exitCode < 0)
            ::PostQuitMessage(77);  // ends the loop when the window does not
        // A window that ignores the message would hold the loop for ever.
        const UINT_PTR guard = ::SetTimer(nullptr, 0, 5000, [](HWND, UINT, UINT_PTR, DWORD) { ::PostQuitMessage(-99); });
        const int code = loop.Run();
        ::KillTimer(nullptr, guard);
        if (c.exitCode < 0) {
            EXPECT_EQ(code, 77);
            EXPECT_TRUE(::IsWindow(hWnd));
            ::DestroyWindow(hWnd);
            TakeQuitCode();
        } else {
            EXPECT_EQ(code, c.exitCode) << "-99: the window did not close";
            EXPECT_FALSE(::IsWindow(hWnd));
            if (::IsWindow(hWnd))
                ::DestroyWindow(hWnd);
        }
        EXPECT_EQ(dlg.m_hWnd, nullptr);
        // The window left the loop: its filter no longer sees messages.
        MSG escape = {List(), WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
        EXPECT_FALSE(loop.PreTranslateMessage(&escape));
    }
}

// --- Drops ------------------------------------------------------------------------

TEST_F(MainDlgTest, OneFileIsExtractedAndTheDropReleased) {
    Open();
    const std::u16string path = WriteCustomFile(u"hero.god");
    const HDROP drop = MakeDrop({path});
    ::SendMessageW(dlg.m_hWnd, WM_DROPFILES, WPARAM(drop), 0);

    EXPECT_EQ(LinesAfterInstruction(),
              Concat({{u"1 file dropped.", u"Processing 1 of 1 file", u"File path [" + path + u"]"},
                      ExtractionLines(u"hero"),
                      {u"1 file has been extracted.", u"----------------"}}));
    EXPECT_EQ(TreeOf(root), ExtractedTree({u"hero"}));
    EXPECT_EQ(dlg.nSounds, 1);
    const LRESULT count = ::SendMessageW(List(), LB_GETCOUNT, 0, 0);
    EXPECT_EQ(::SendMessageW(List(), LB_GETCURSEL, 0, 0), count - 1) << "the newest line is selected";
    EXPECT_EQ(::GlobalFlags(drop), UINT(GMEM_INVALID_HANDLE)) << "the drop handle is released";
}

TEST_F(MainDlgTest, SeveralFilesWithOneNotExtractable) {
    Open();
    const std::u16string first = WriteCustomFile(u"a.god");
    const std::u16string bad = scratch / u"in\\bad.item";
    ASSERT_TRUE(WriteBytes(bad, Bytes(60, 'x')));
    const std::u16string last = WriteCustomFile(u"c.npc");
    Drop({first, bad, last});

    EXPECT_EQ(LinesAfterInstruction(),
              Concat({{u"3 files dropped.", u"Processing 1 of 3 files", u"File path [" + first + u"]"},
                      ExtractionLines(u"a"),
                      {u"Processing 2 of 3 files", u"File path [" + bad + u"]", u"This file is not extractable.",
                       u"Aborted!", u"Processing 3 of 3 files", u"File path [" + last + u"]"},
                      ExtractionLines(u"c"),
                      {u"2 files have been extracted.", u"----------------"}}));
    EXPECT_EQ(TreeOf(root), ExtractedTree({u"a", u"c"}));
    EXPECT_EQ(dlg.nSounds, 1);
}

TEST_F(MainDlgTest, NothingExtractedMeansNoSoundAndNoFolder) {
    Open();
    const std::u16string bad = scratch / u"in\\short.god";
    ASSERT_TRUE(WriteBytes(bad, Bytes(51, '9')));  // long enough, but its size field is not a size
    Drop({bad});
    EXPECT_EQ(LinesAfterInstruction(),
              (Lines{u"1 file dropped.", u"Processing 1 of 1 file", u"File path [" + bad + u"]",
                     u"This file is not extractable.", u"Aborted!", u"0 files have been extracted.",
                     u"----------------"}));
    EXPECT_TRUE(TreeOf(root).empty());
    EXPECT_EQ(dlg.nSounds, 0);
}

TEST_F(MainDlgTest, PathOf199CharactersIsTakenAndOf200Skipped) {
    Open();
    const std::u16string folder = scratch / u"in\\";
    ASSERT_LT(folder.size() + 5, 199u);
    // Names padded so that the whole paths are 199 and 200 characters long.
    const std::u16string base199(199 - folder.size() - 4, u'p');
    const std::u16string path199 = WriteCustomFile(base199 + u".god");
    const std::u16string path200 = WriteCustomFile(base199 + u"q.god");
    ASSERT_EQ(path199.size(), 199u);
    ASSERT_EQ(path200.size(), 200u);
    Drop({path199, path200});

    EXPECT_EQ(LinesAfterInstruction(),
              Concat({{u"2 files dropped.", u"Processing 1 of 2 files", u"File path [" + path199 + u"]"},
                      ExtractionLines(base199),
                      {u"Processing 2 of 2 files", u"Skipped. (too long path)", u"1 file has been extracted.",
                       u"----------------"}}));
    EXPECT_EQ(TreeOf(root), ExtractedTree({base199}));
}

TEST_F(MainDlgTest, JapaneseDropReport) {
    SetUiLanguage(L"ja-JP");
    Open();
    const std::u16string path = WriteCustomFile(u"hero.god");
    const std::u16string tooLong = u"C:\\" + std::u16string(197, u'x');
    Drop({path, tooLong});
    const Lines lines = LinesAfterInstruction();
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0], u"2個のファイルがドロップされました。");
    EXPECT_EQ(lines[1], u"2個中、1個目のファイルを処理します。");
    EXPECT_EQ(lines[2], u"ファイルパス [" + path + u"]");
    EXPECT_EQ(lines[lines.size() - 4], u"2個中、2個目のファイルを処理します。");
    EXPECT_EQ(lines[lines.size() - 3], u"パスが長すぎるため処理をスキップしました。");
    EXPECT_EQ(lines[lines.size() - 2], u"2個中、1個のファイルを展開しました。");
    EXPECT_EQ(lines.back(), u"----------------");
}

// A visible dialog of this thread that `owner` owns (the prompt, the About box).
HWND FindOwnedDialog(HWND owner) {
    struct SSearch {
        HWND owner;
        HWND found;
    } search = {owner, nullptr};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hWnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<SSearch*>(param);
            if (::GetWindow(hWnd, GW_OWNER) == s->owner && ::IsWindowVisible(hWnd) &&
                uitest::ClassName(hWnd) == L"#32770") {
                s->found = hWnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST_F(MainDlgTest, SecondDropOfTheSameFileAnsweredWithANewName) {
    Open();
    const std::u16string path = WriteCustomFile(u"hero.god");
    Drop({path});
    const size_t firstRunLines = ListLines(List()).size();

    bool ownerDisabled = false;
    std::wstring title;
    HWND owner = nullptr;
    uitest::CModalScript script([&] { return FindOwnedDialog(dlg.m_hWnd); },
                                [&](HWND prompt) {
                                    title = uitest::WindowText(prompt);
                                    owner = ::GetWindow(prompt, GW_OWNER);
                                    ownerDisabled = !::IsWindowEnabled(dlg.m_hWnd);
                                    uitest::TypeText(L"2");
                                    uitest::PressKey(VK_RETURN);
                                });
    Drop({path});
    ASSERT_TRUE(script.HasRun()) << "the prompt was not shown";
    EXPECT_EQ(title, L"Please enter another directory name to extract.");
    EXPECT_EQ(owner, dlg.m_hWnd);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(::IsWindowEnabled(dlg.m_hWnd));

    Lines secondRun = ListLines(List());
    secondRun.erase(secondRun.begin(), secondRun.begin() + firstRunLines);
    EXPECT_EQ(secondRun, Concat({{u"1 file dropped.", u"Processing 1 of 1 file", u"File path [" + path + u"]",
                                  u"CreateDirectory (path=" + root + u"\\hero\\) ... Failed!",
                                  u"Cannot create directory. Please enter another name."},
                                 ExtractionLines(u"hero2"),
                                 {u"1 file has been extracted.", u"----------------"}}));
    EXPECT_EQ(TreeOf(root), ExtractedTree({u"hero", u"hero2"}));
    EXPECT_EQ(dlg.nSounds, 2);
}

TEST_F(MainDlgTest, SecondDropOfTheSameFileCancelledAtThePrompt) {
    SetUiLanguage(L"ja-JP");
    Open();
    const std::u16string path = WriteCustomFile(u"hero.god");
    Drop({path});
    const Tree before = TreeOf(root);
    const size_t firstRunLines = ListLines(List()).size();

    std::wstring title;
    uitest::CModalScript script([&] { return FindOwnedDialog(dlg.m_hWnd); },
                                [&](HWND prompt) {
                                    title = uitest::WindowText(prompt);
                                    uitest::PressKey(VK_ESCAPE);
                                });
    Drop({path});
    ASSERT_TRUE(script.HasRun()) << "the prompt was not shown";
    EXPECT_EQ(title, L"別の展開先フォルダ名を入力してください。");
    Lines secondRun = ListLines(List());
    secondRun.erase(secondRun.begin(), secondRun.begin() + firstRunLines);
    EXPECT_EQ(secondRun, (Lines{u"1個のファイルがドロップされました。", u"1個中、1個目のファイルを処理します。",
                                u"ファイルパス [" + path + u"]",
                                u"フォルダを作成します (パス=" + root + u"\\hero\\) ...失敗！",
                                u"フォルダを作ることができませんでした。別の名前を入力してください。",
                                u"処理を中止しました。", u"1個中、0個のファイルを展開しました。",
                                u"----------------"}));
    EXPECT_EQ(TreeOf(root), before) << "nothing written, nothing changed";
    EXPECT_EQ(dlg.nSounds, 1) << "only the first drop played it";
}

// Names are read in code page 932 whatever the system's code page (these tests
// run under Japanese and German systems), or in the code page chosen.
TEST_F(MainDlgTest, EntryNamesAreReadInCodePage932OrTheOneChosen) {
    struct SCase {
        unsigned codePage;  // 0: the default
        const char* name;   // the entry name's bytes
        std::u16string shown;
    };
    const SCase cases[] = {
        {0, "\x90\xE0\x96\xBE\x8F\x91.t", u"\u8AAC\u660E\u66F8.t"},
        {65001, "\xE8\xAA\xAC\xE6\x98\x8E\xE6\x9B\xB8.t", u"\u8AAC\u660E\u66F8.t"},
        {1252, "caf\xE9.t", u"caf\u00E9.t"},
    };
    for (const SCase& c : cases) {
        CSystemPlatform chosen(c.codePage);
        CTestMainDlg window(chosen);
        ASSERT_NE(window.CreateModeless(nullptr, 0), nullptr);
        CContainerWriter writer;
        writer.Add(c.name, Text("text\r\n"));
        const std::u16string folder = u"cp" + Num((long long)c.codePage);
        const std::u16string path = scratch / (u"in\\" + folder + u".god");
        ASSERT_TRUE(WriteBytes(path, writer.Data()));
        ::SendMessageW(window.m_hWnd, WM_DROPFILES, WPARAM(MakeDrop({path})), 0);
        const Lines lines = ListLines(window.m_hWndList);
        EXPECT_NE(std::find(lines.begin(), lines.end(), u"Extracting... filename=" + c.shown + u" position=0/56 size=56"),
                  lines.end())
            << c.codePage;
        EXPECT_EQ(TreeOf(root).count(folder + u"\\" + c.shown + u"xt"), 1u) << c.codePage;
        ::DestroyWindow(window.m_hWnd);
    }
}

// --- One job at a time -----------------------------------------------------------

// A close request waiting when a drop begins is served after the first entry:
// that entry stays written, the file ends "Aborted!", the drop ends with its
// summary, then the window closes with the request's code.
TEST_F(MainDlgTest, CloseRequestDuringADropStopsItAfterTheCurrentEntry) {
    struct SCase {
        UINT message;
        WPARAM wParam;
        int code;
    };
    const SCase cases[] = {{WM_CLOSE, 0, 2}, {WM_COMMAND, IDOK, 1}, {WM_COMMAND, IDCANCEL, 2}};
    for (const SCase& c : cases) {
        Open();
        const std::u16string name = u"stop" + Num((long long)c.message) + u"-" + Num((long long)c.wParam);
        const std::u16string path = WriteCustomFile(name + u".god");
        const std::u16string n = Num((long long)fileData.size());
        ASSERT_TRUE(::PostMessageW(dlg.m_hWnd, c.message, c.wParam, 0));
        Drop({path});
        EXPECT_EQ(TakeQuitCode(), c.code);
        EXPECT_EQ(dlg.m_hWnd, nullptr) << "the window closed after the drop";
        EXPECT_EQ(dlg.linesWhenDestroyed,
                  (Lines{kInstructionEn, u"1 file dropped.", u"Processing 1 of 1 file", u"File path [" + path + u"]",
                         u"CreateDirectory (path=" + root + u"\\" + name + u"\\) ... Success!",
                         u"ExtractData(dir=" + name + u"\\, size=" + n + u")",
                         u"Extracting... filename=readme.t position=0/" + n + u" size=63", u"Aborted!",
                         u"0 files have been extracted.", u"----------------"}));
        const Tree tree = TreeOf(root);
        EXPECT_EQ(tree.count(name + u"\\readme.txt"), 1u);
        EXPECT_EQ(tree.count(name + u"\\notes.txt"), 0u) << "nothing after the entry being written";
    }
}

// A close request during a folder's rebuild stops it before anything is
// written: no file in the output folder, the drop ends with its summary and
// the window closes with the request's code.
TEST_F(MainDlgTest, CloseRequestDuringAFolderRebuildWritesNothing) {
    struct SCase {
        UINT message;
        WPARAM wParam;
        int code;
    };
    const SCase cases[] = {{WM_CLOSE, 0, 2}, {WM_COMMAND, IDOK, 1}};
    for (const SCase& c : cases) {
        Open();
        const std::u16string folder = scratch / (u"in\\mod" + Num((long long)c.message));
        ASSERT_TRUE(::CreateDirectoryW(W(folder), nullptr));
        for (int i = 0; i < 20; ++i)
            ASSERT_TRUE(WriteBytes(folder + u"\\file" + Num(i) + u".txt", Text("text " + std::to_string(i))));
        ASSERT_TRUE(::PostMessageW(dlg.m_hWnd, c.message, c.wParam, 0));
        Drop({folder});
        EXPECT_EQ(TakeQuitCode(), c.code);
        EXPECT_EQ(dlg.m_hWnd, nullptr);
        const Lines& lines = dlg.linesWhenDestroyed;
        EXPECT_NE(std::find(lines.begin(), lines.end(), u"Stopped; nothing was written."), lines.end());
        EXPECT_NE(std::find(lines.begin(), lines.end(), u"0 of 1 folders and patches done."), lines.end());
        EXPECT_TRUE(TreeOf(root).empty());
    }
}

// The prompt's own loop serves the window: a WM_CLOSE posted meanwhile closes
// the prompt, ends the drop and then the window; a second drop is refused.
TEST_F(MainDlgTest, RequestsWhileThePromptIsOpen) {
    Open();
    const std::u16string path = WriteCustomFile(u"hero.god");
    const std::u16string other = WriteCustomFile(u"other.god");
    Drop({path});
    const Tree before = TreeOf(root);
    const Lines firstRun = ListLines(List());
    const Lines secondRun = {u"1 file dropped.", u"Processing 1 of 1 file", u"File path [" + path + u"]",
                             u"CreateDirectory (path=" + root + u"\\hero\\) ... Failed!",
                             u"Cannot create directory. Please enter another name.", u"Aborted!",
                             u"0 files have been extracted.", u"----------------"};

    // A second drop while the prompt is open: released, nothing else.
    const HDROP second = MakeDrop({other});
    bool stillAsking = false;
    uitest::CModalScript refuse([&] { return FindOwnedDialog(dlg.m_hWnd); },
                                [&](HWND prompt) {
                                    ::PostMessageW(dlg.m_hWnd, WM_DROPFILES, WPARAM(second), 0);
                                    uitest::PumpMessages();
                                    stillAsking = ::IsWindowVisible(prompt) && !::IsWindowEnabled(dlg.m_hWnd);
                                    uitest::PressKey(VK_ESCAPE);
                                });
    Drop({path});
    ASSERT_TRUE(refuse.HasRun());
    EXPECT_TRUE(stillAsking);
    EXPECT_EQ(::GlobalFlags(second), UINT(GMEM_INVALID_HANDLE)) << "the refused drop is released";
    EXPECT_EQ(ListLines(List()), Concat({firstRun, secondRun}));
    EXPECT_EQ(TreeOf(root), before) << "the refused drop extracted nothing";

    // WM_CLOSE while the prompt is open.
    uitest::CModalScript close([&] { return FindOwnedDialog(dlg.m_hWnd); },
                               [&](HWND) { ::PostMessageW(dlg.m_hWnd, WM_CLOSE, 0, 0); });
    Drop({path});
    ASSERT_TRUE(close.HasRun());
    EXPECT_EQ(TakeQuitCode(), 2);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(dlg.linesWhenDestroyed, Concat({firstRun, secondRun, secondRun}));
    EXPECT_EQ(TreeOf(root), before);
}

TEST_F(MainDlgTest, DropWhileTheAboutBoxIsOpenIsRefused) {
    Open();
    const std::u16string path = WriteCustomFile(u"hero.god");
    const Lines lines = ListLines(List());
    const HDROP drop = MakeDrop({path});
    bool mainDisabled = false;
    uitest::CModalScript script([&] { return FindOwnedDialog(dlg.m_hWnd); },
                                [&](HWND) {
                                    ::PostMessageW(dlg.m_hWnd, WM_DROPFILES, WPARAM(drop), 0);
                                    uitest::PumpMessages();
                                    mainDisabled = !::IsWindowEnabled(dlg.m_hWnd);
                                    uitest::PressKey(VK_ESCAPE);
                                });
    ::SendMessageW(dlg.m_hWnd, WM_SYSCOMMAND, CMainDlg::ID_APP_ABOUT, 0);
    ASSERT_TRUE(script.HasRun());
    EXPECT_TRUE(mainDisabled) << "the window stays disabled under the About box";
    EXPECT_EQ(::GlobalFlags(drop), UINT(GMEM_INVALID_HANDLE));
    EXPECT_EQ(ListLines(List()), lines);
    EXPECT_TRUE(TreeOf(root).empty());
}

// The caption shows how far the drop is, in the UI language, and the title
// comes back when it ends.
TEST_F(MainDlgTest, CaptionShowsProgressAndTheTitleReturns) {
    struct SCase {
        const WCHAR* locale;
        std::wstring last;
        std::wstring title;
    };
    const SCase cases[] = {
        {L"en-US", L"100% \u2013 en.god (2 of 2) \u2013 Vanto Custom File Extractor", L"Vanto Custom File Extractor"},
        {L"ja-JP", L"100% \u2013 ja.god\uFF082\u500B\u4E2D2\u500B\u76EE\uFF09\u2013 Vanto \u30AB\u30B9\u30BF\u30E0"
                   L"\u30D5\u30A1\u30A4\u30EB\u5C55\u958B\u30C4\u30FC\u30EB",
         L"Vanto \u30AB\u30B9\u30BF\u30E0\u30D5\u30A1\u30A4\u30EB\u5C55\u958B\u30C4\u30FC\u30EB"},
    };
    for (const SCase& c : cases) {
        SetUiLanguage(c.locale);
        Open();
        const std::u16string lang(c.locale, c.locale + 2);
        const std::u16string first = WriteCustomFile(u"first-" + lang + u".god");
        const std::u16string last = WriteCustomFile(lang + u".god");
        dlg.titles.clear();
        Drop({first, last});
        ASSERT_FALSE(dlg.titles.empty());
        EXPECT_EQ(dlg.titles.back(), c.last);
        EXPECT_EQ(uitest::WindowText(dlg.m_hWnd), c.title);
        ::DestroyWindow(dlg.m_hWnd);
        TakeQuitCode();
    }
}

// A file name with characters that would reorder or control what is shown
// (U+202E makes "a\u202Ekcap.god" read as a name ending in ".pack"): the log
// and the folder-name prompt show each of them as '?'. The folder on disk
// keeps the name as it is.
TEST_F(MainDlgTest, ControlAndDirectionCharactersOfANameAreShownAsQuestionMarks) {
    Open();
    const std::u16string name = u"a\u202Ekcap\u2067b\u200Fc\u061Cd\u0085e";
    const std::u16string shown = u"a?kcap?b?c?d?e";
    const std::u16string path = WriteCustomFile(name + u".god");
    ASSERT_TRUE(::CreateDirectoryW(W(root + u"\\" + name), nullptr));
    const Tree before = TreeOf(root);

    std::wstring prompted;
    uitest::CModalScript script([&] { return FindOwnedDialog(dlg.m_hWnd); },
                                [&](HWND prompt) {
                                    prompted = uitest::WindowText(::GetDlgItem(prompt, CInputDlg::IDC_INPUT_EDIT));
                                    uitest::ClickCloseBox(prompt);
                                });
    Drop({path});
    ASSERT_TRUE(script.HasRun()) << "the prompt was not shown";
    EXPECT_EQ(prompted, std::wstring(shown.begin(), shown.end()));
    std::u16string shownPath = path;
    shownPath.replace(shownPath.size() - name.size() - 4, name.size(), shown);
    EXPECT_EQ(LinesAfterInstruction(),
              (Lines{u"1 file dropped.", u"Processing 1 of 1 file", u"File path [" + shownPath + u"]",
                     u"CreateDirectory (path=" + root + u"\\" + shown + u"\\) ... Failed!",
                     u"Cannot create directory. Please enter another name.", u"Aborted!",
                     u"0 files have been extracted.", u"----------------"}));
    EXPECT_EQ(TreeOf(root), before);
}

// --- Layout -------------------------------------------------------------------------

// The list box's rectangle in client coordinates.
RECT ListInClient(HWND dialog, HWND list) {
    RECT rc = uitest::WindowRect(list);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

TEST_F(MainDlgTest, LogKeepsAnEightPixelMarginThroughEverySizeChange) {
    Open();
    const HWND hWnd = dlg.m_hWnd;
    const LRESULT itemHeight = ::SendMessageW(List(), LB_GETITEMHEIGHT, 0, 0);
    ASSERT_GT(itemHeight, 0);

    const struct {
        const char* what;
        std::function<void()> change;
        bool minimised;
    } kSteps[] = {
        {"resized to 500x400", [&] { ::SetWindowPos(hWnd, nullptr, 10, 10, 500, 400, SWP_NOZORDER); }, false},
        {"resized to 313x207", [&] { ::SetWindowPos(hWnd, nullptr, 30, 20, 313, 207, SWP_NOZORDER); }, false},
        {"maximised", [&] { ::ShowWindow(hWnd, SW_MAXIMIZE); }, false},
        {"restored", [&] { ::ShowWindow(hWnd, SW_RESTORE); }, false},
        {"minimised", [&] { ::ShowWindow(hWnd, SW_MINIMIZE); }, true},
        {"restored after minimising", [&] { ::ShowWindow(hWnd, SW_RESTORE); }, false},
    };
    for (const auto& step : kSteps) {
        SCOPED_TRACE(step.what);
        step.change();
        uitest::PumpMessages();
        if (step.minimised) {
            EXPECT_TRUE(::IsIconic(hWnd));
            continue;
        }
        RECT client;
        ::GetClientRect(hWnd, &client);
        const RECT list = ListInClient(hWnd, List());
        EXPECT_EQ(list.left, 8);
        EXPECT_EQ(list.top, 8);
        EXPECT_EQ(list.right, client.right - 8);
        // Whole lines only: the platform may shorten the box by less than one.
        EXPECT_LE(list.bottom, client.bottom - 8);
        EXPECT_GT(list.bottom, client.bottom - 8 - itemHeight);
    }
    EXPECT_TRUE(::IsZoomed(hWnd) == FALSE);
}

// --- The system menu -------------------------------------------------------------

TEST_F(MainDlgTest, AboutItemOpensTheAboutBoxOwnedByTheWindow) {
    Open();
    std::wstring title;
    HWND owner = nullptr;
    uitest::CModalScript script([&] { return FindOwnedDialog(dlg.m_hWnd); },
                                [&](HWND about) {
                                    title = uitest::WindowText(about);
                                    owner = ::GetWindow(about, GW_OWNER);
                                    uitest::PressKey(VK_ESCAPE);
                                });
    EXPECT_EQ(::SendMessageW(dlg.m_hWnd, WM_SYSCOMMAND, CMainDlg::ID_APP_ABOUT, 0), 0);
    ASSERT_TRUE(script.HasRun()) << "no About box";
    EXPECT_EQ(title, L"About");
    EXPECT_EQ(owner, dlg.m_hWnd);
    EXPECT_TRUE(::IsWindow(dlg.m_hWnd));
}

std::u16string ClipboardText() {
    std::u16string text;
    if (!::OpenClipboard(nullptr))
        return u"<no clipboard>";
    if (const HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* p = static_cast<const char16_t*>(::GlobalLock(data))) {
            text = p;
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return text;
}

// The log leaves the window: every line to the clipboard or to a UTF-8 file
// with CRLF line ends, and Ctrl+C in the log copies the selected line.
TEST_F(MainDlgTest, LogIsCopiedAndSaved) {
    Open();
    Drop({WriteCustomFile(u"hero.god")});
    const Lines lines = ListLines(List());
    std::u16string all;
    for (const std::u16string& line : lines)
        all += line + u"\r\n";

    ::SendMessageW(dlg.m_hWnd, WM_SYSCOMMAND, CMainDlg::ID_LOG_COPY, 0);
    EXPECT_EQ(ClipboardText(), all);

    ::SendMessageW(List(), LB_SETCURSEL, 2, 0);
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    ::SetKeyboardState(keys);
    MSG ctrlC = {List(), WM_KEYDOWN, 'C', 0, 0, {}};
    EXPECT_TRUE(dlg.PreTranslateMessage(&ctrlC));
    keys[VK_CONTROL] = 0;
    ::SetKeyboardState(keys);
    EXPECT_EQ(ClipboardText(), lines[2]);

    const std::u16string saved = scratch / u"in\\log.txt";
    uitest::CModalScript script([&] { return FindOwnedDialog(dlg.m_hWnd); },
                                [&](HWND dialog) {
                                    // The name box: a combo box in the Explorer style, an edit before.
                                    for (int id : {0x47C, 0x480})
                                        ::SetDlgItemTextW(dialog, id, W(saved));
                                    ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
                                });
    ::SendMessageW(dlg.m_hWnd, WM_SYSCOMMAND, CMainDlg::ID_LOG_SAVE, 0);
    ASSERT_TRUE(script.HasRun()) << "no save dialog";
    std::string utf8;
    for (const std::u16string& line : lines)
        utf8 += Utf16ToUtf8String(line.c_str()) + "\r\n";
    EXPECT_EQ(ReadBytes(saved), Bytes(utf8.begin(), utf8.end()));
    EXPECT_EQ(scratch.Current(), root) << "the save dialog left the current folder where it was";
    EXPECT_EQ(ListLines(List()), lines) << "nothing logged";
}

TEST_F(MainDlgTest, OtherSystemCommandsKeepTheirDefaultBehaviour) {
    Open();
    const HWND hWnd = dlg.m_hWnd;
    ::SendMessageW(hWnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    EXPECT_TRUE(::IsZoomed(hWnd));
    ::SendMessageW(hWnd, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(::IsZoomed(hWnd));
    ::SendMessageW(hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(::IsIconic(hWnd));
    ::SendMessageW(hWnd, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(::IsIconic(hWnd));
    // Close posts the Cancel command, which the queue delivers.
    ::SendMessageW(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(TakeQuitCode(), 2);
    EXPECT_FALSE(::IsWindow(hWnd));
}

// --- Pieces of the window's own -----------------------------------------------------

TEST(MainDlgSound, CompletionSoundIsTadaInTheWindowsMediaFolder) {
    WCHAR windows[MAX_PATH];
    ASSERT_GT(::GetWindowsDirectoryW(windows, MAX_PATH), 0u);
    WCHAR path[MAX_PATH];
    ASSERT_TRUE(CMainDlg::ComposeCompletionSoundPath(path, MAX_PATH));
    EXPECT_EQ(U(path), U(windows) + u"\\media\\tada.wav");
    // A buffer one character too small is refused, not cut.
    EXPECT_FALSE(CMainDlg::ComposeCompletionSoundPath(path, ::wcslen(path)));
}

// The system menu's "Keep rebuild data" item turns the manifest on and off:
// checked, a drop also writes hero.vanto.json beside its folder and says so;
// unchecked again, the drop writes what it always wrote.
TEST_F(MainDlgTest, KeepRebuildDataItemAddsTheManifestToADrop) {
    struct SCase {
        int clicks;
        bool keep;
    };
    for (const SCase& c : {SCase{1, true}, SCase{2, false}}) {
        SCOPED_TRACE(c.clicks);
        dlg.SetKeepRebuildData(false);  // as a new window starts
        Open();
        const std::u16string path = WriteCustomFile(u"hero.god");
        for (int i = 0; i < c.clicks; ++i)
            ::SendMessageW(dlg.m_hWnd, WM_SYSCOMMAND, CMainDlg::ID_KEEP_REBUILD_DATA, 0);
        const UINT state = ::GetMenuState(::GetSystemMenu(dlg.m_hWnd, FALSE), CMainDlg::ID_KEEP_REBUILD_DATA, MF_BYCOMMAND);
        EXPECT_EQ((state & MF_CHECKED) != 0, c.keep);
        Drop({path});
        Tree tree = TreeOf(root);
        const Lines lines = ListLines(List());
        const bool said = std::find(lines.begin(), lines.end(), u"Rebuild data written [hero.vanto.json].") != lines.end();
        EXPECT_EQ(said, c.keep);
        EXPECT_EQ(tree.erase(u"hero.vanto.json"), c.keep ? 1u : 0u);
        EXPECT_EQ(tree, ExtractedTree({u"hero"}));
        ::DestroyWindow(dlg.m_hWnd);
        TakeQuitCode();
        RemoveTree(root + u"\\hero");
        ::DeleteFileW(W(root + u"\\hero.vanto.json"));
    }
}

// A window registered with the update base gets its controls enabled and
// disabled from the table, once per change, when idle.
class CUpdateTarget : public CUpdateUI<CUpdateTarget> {
public:
    static const SUpdateUIMap* GetUpdateUIMap() {
        static const SUpdateUIMap kMap[] = {{1001, UPDUI_CHILDWINDOW}, {1002, 0}, {kMapEnd, 0}};
        return kMap;
    }
};

TEST(MainDlgUpdateUI, TableEntriesFollowUIEnableWhenIdle) {
    const HWND parent = uitest::CreatePlainWindow(0, 0, 200, 100, 0);
    const HWND child = ::CreateWindowExW(0, L"BUTTON", L"x", WS_CHILD, 0, 0, 10, 10, parent, HMENU(1001), nullptr, nullptr);
    const HWND other = ::CreateWindowExW(0, L"BUTTON", L"y", WS_CHILD, 0, 0, 10, 10, parent, HMENU(1002), nullptr, nullptr);
    CUpdateTarget target;
    ASSERT_TRUE(target.UIAddChildWindowContainer(parent));
    EXPECT_TRUE(target.UIEnable(1001, false));
    EXPECT_FALSE(target.UIEnable(1002, false)) << "not a child-window entry";
    EXPECT_FALSE(target.UIEnable(1003, false)) << "not in the table";
    EXPECT_TRUE(::IsWindowEnabled(child)) << "nothing changes before the update";
    target.UIUpdateChildWindows();
    EXPECT_FALSE(::IsWindowEnabled(child));
    EXPECT_TRUE(::IsWindowEnabled(other));
    ::EnableWindow(child, TRUE);  // a change made elsewhere is not undone without a new request
    target.UIUpdateChildWindows();
    EXPECT_TRUE(::IsWindowEnabled(child));
    ::DestroyWindow(parent);
}

}  // namespace
