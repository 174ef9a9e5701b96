// The folder-name prompt shown modally over a real owner and answered the
// way a user answers it: what it shows when it opens, and what its end code
// and the caller's name buffer are after Enter, Escape, the close box,
// typing, clearing and an over-long text.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "framework/UiSettings.h"
#include "tests/wine/ui/UiTestSupport.h"
#include "ui/InputDlg.h"

namespace {

using namespace uitest;

constexpr WCHAR kCaption[] = L"Enter another folder name";
constexpr WCHAR kGuard = 0xBEEF;

// The caller's 260-character name buffer, with guard characters after it so
// that a write past its end shows.
struct SNameBuffer {
    WCHAR text[CInputDlg::kNameCapacity];
    WCHAR guard[8];

    explicit SNameBuffer(const wchar_t* initial) {
        wmemset(text, L'~', CInputDlg::kNameCapacity);
        wcscpy_s(text, initial);
        wmemset(guard, kGuard, 8);
    }
    bool GuardIntact() const {
        for (WCHAR c : guard)
            if (c != kGuard)
                return false;
        return true;
    }
};

// What the prompt showed when it opened.
struct SOpened {
    std::wstring title, editText, editClass, buttonText, buttonClass, fontFace;
    DWORD_PTR selStart = 99, selEnd = 99;
    bool focusOnEdit = false, ownerEnabled = true, editHasBorder = false;
    LONG editStyle = 0, buttonStyle = 0;
    RECT rect = {};
};

SOpened Observe(HWND dlg) {
    SOpened o;
    o.title = WindowText(dlg);
    const HWND edit = ::GetDlgItem(dlg, CInputDlg::IDC_INPUT_EDIT);
    const HWND ok = ::GetDlgItem(dlg, IDOK);
    o.editText = WindowText(edit);
    o.editClass = ClassName(edit);
    o.buttonText = WindowText(ok);
    o.buttonClass = ClassName(ok);
    o.fontFace = FontFace(dlg);
    DWORD start = 0, end = 0;
    ::SendMessageW(edit, EM_GETSEL, WPARAM(&start), LPARAM(&end));
    o.selStart = start;
    o.selEnd = end;
    o.focusOnEdit = ::GetFocus() == edit;
    o.editStyle = ::GetWindowLongW(edit, GWL_STYLE);
    // An edit control takes WS_BORDER out of its style and draws the border
    // around a smaller client area.
    RECT client = {};
    ::GetClientRect(edit, &client);
    const RECT outer = WindowRect(edit);
    o.editHasBorder = client.right < outer.right - outer.left && client.bottom < outer.bottom - outer.top;
    o.ownerEnabled = ::IsWindowEnabled(::GetParent(dlg)) != FALSE;
    o.buttonStyle = ::GetWindowLongW(ok, GWL_STYLE);
    o.rect = WindowRect(dlg);
    return o;
}

class InputDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_owner = CreatePlainWindow(120, 90, 640, 480, WS_VISIBLE | WS_CAPTION);
        ASSERT_NE(m_owner, nullptr);
    }
    void TearDown() override { ::DestroyWindow(m_owner); }

    // Shows a fresh prompt over the owner; `user` acts once it is up.
    INT_PTR Ask(SNameBuffer& name, const std::function<void(HWND)>& user) {
        CInputDlg dlg;
        dlg.m_pszCaption = kCaption;
        CModalScript script(&dlg.m_hWnd, [&](HWND hWnd) {
            m_opened = Observe(hWnd);
            user(hWnd);
        });
        const INT_PTR code = dlg.RunModal(m_owner, reinterpret_cast<LPARAM>(name.text));
        EXPECT_TRUE(script.HasRun());
        EXPECT_FALSE(m_opened.ownerEnabled) << "the owner takes no input while the prompt is open";
        EXPECT_TRUE(::IsWindowEnabled(m_owner)) << "the owner takes input again afterwards";
        return code;
    }

    HWND m_owner = nullptr;
    SOpened m_opened;
};

TEST_F(InputDlgTest, OpensWithTheLastNameCaretAtTheEndAndTheRequestAsTitle) {
    SNameBuffer name(L"hero\\");
    const INT_PTR code = Ask(name, [](HWND) { PressKey(VK_RETURN); });
    EXPECT_EQ(m_opened.title, kCaption);
    EXPECT_EQ(m_opened.editText, L"hero");
    EXPECT_TRUE(m_opened.focusOnEdit);
    EXPECT_EQ(m_opened.selStart, 4u);
    EXPECT_EQ(m_opened.selEnd, 4u);
    // Enter is OK: the unchanged name comes back with its "\".
    EXPECT_EQ(code, IDOK);
    EXPECT_STREQ(name.text, L"hero\\");
    EXPECT_TRUE(name.GuardIntact());
}

TEST_F(InputDlgTest, ControlsAreTheTemplatesInTheUiFont) {
    SNameBuffer name(L"x\\");
    Ask(name, [](HWND) { PressKey(VK_ESCAPE); });
    EXPECT_EQ(m_opened.editClass, L"Edit");
    EXPECT_EQ(m_opened.buttonClass, L"Button");
    EXPECT_EQ(m_opened.buttonText, L"OK");
    const LONG editStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_TABSTOP;
    EXPECT_EQ(m_opened.editStyle & editStyle, editStyle);
    EXPECT_TRUE(m_opened.editHasBorder);
    EXPECT_EQ(m_opened.editStyle & ES_AUTOHSCROLL, 0);
    EXPECT_EQ(m_opened.editStyle & ES_MULTILINE, 0);
    EXPECT_EQ(m_opened.buttonStyle & 0x0F, BS_DEFPUSHBUTTON);
    EXPECT_EQ(m_opened.fontFace, std::wstring(g_szFontFace));
}

TEST_F(InputDlgTest, IsCentredOverItsOwner) {
    SNameBuffer name(L"x\\");
    Ask(name, [](HWND) { PressKey(VK_ESCAPE); });
    const RECT owner = WindowRect(m_owner);
    const RECT r = m_opened.rect;
    EXPECT_EQ(r.left, (owner.left + owner.right) / 2 - (r.right - r.left) / 2);
    EXPECT_EQ(r.top, (owner.top + owner.bottom) / 2 - (r.bottom - r.top) / 2);
}

TEST_F(InputDlgTest, EscapeAndTheCloseBoxCancelWithTheNameCut) {
    SNameBuffer escaped(L"a\\b\\c\\");
    EXPECT_EQ(Ask(escaped, [](HWND) { PressKey(VK_ESCAPE); }), IDCANCEL);
    EXPECT_EQ(m_opened.editText, L"a");
    EXPECT_STREQ(escaped.text, L"a");

    SNameBuffer closed(L"pack\\");
    EXPECT_EQ(Ask(closed, [](HWND hWnd) { ClickCloseBox(hWnd); }), IDCANCEL);
    EXPECT_STREQ(closed.text, L"pack");
    EXPECT_TRUE(closed.GuardIntact());
}

TEST_F(InputDlgTest, TypedBackslashKeepsOnlyWhatPrecedesIt) {
    SNameBuffer name(L"hero\\");
    const INT_PTR code = Ask(name, [](HWND) {
        TypeText(L"2\\sub\\dir");
        PressKey(VK_RETURN);
    });
    EXPECT_EQ(code, IDOK);
    EXPECT_STREQ(name.text, L"hero2\\");
}

TEST_F(InputDlgTest, ReplacedNameAndEmptyAnswer) {
    SNameBuffer replaced(L"hero\\");
    EXPECT_EQ(Ask(replaced,
                  [](HWND) {
                      ::SendMessageW(::GetFocus(), EM_SETSEL, 0, -1);
                      TypeText(L"\x52c7\x8005 (2)");  // a Japanese name
                      PressKey(VK_RETURN);
                  }),
              IDOK);
    EXPECT_STREQ(replaced.text, L"\x52c7\x8005 (2)\\");

    SNameBuffer empty(L"hero\\");
    EXPECT_EQ(Ask(empty,
                  [](HWND) {
                      for (int i = 0; i < 4; ++i)
                          TypeText(L"\b");
                      PressKey(VK_RETURN);
                  }),
              IDOK);
    EXPECT_STREQ(empty.text, L"\\");
}

TEST_F(InputDlgTest, OverLongTextKeepsRoomForTheBackslash) {
    for (size_t length : {257u, 258u, 259u, 400u}) {
        SCOPED_TRACE(length);
        SNameBuffer name(L"hero\\");
        const std::wstring longText(length, L'n');
        EXPECT_EQ(Ask(name,
                      [&](HWND hWnd) {
                          ::SetWindowTextW(::GetDlgItem(hWnd, CInputDlg::IDC_INPUT_EDIT), longText.c_str());
                          ::PostMessageW(::GetDlgItem(hWnd, IDOK), BM_CLICK, 0, 0);
                      }),
                  IDOK);
        const size_t kept = length < 258 ? length : 258;
        EXPECT_EQ(std::wstring(name.text), std::wstring(kept, L'n') + L"\\");
        EXPECT_TRUE(name.GuardIntact());
    }
}

TEST_F(InputDlgTest, EachShowingBuildsItsTemplateWithTheCurrentFont) {
    WCHAR oldFace[kFontFaceCapacity];
    wcscpy_s(oldFace, g_szFontFace);
    for (const wchar_t* face : {L"Tahoma", L"Courier New"}) {
        SCOPED_TRACE(std::wstring(face).size());
        wcscpy_s(g_szFontFace, face);
        SNameBuffer name(L"x\\");
        Ask(name, [](HWND) { PressKey(VK_ESCAPE); });
        EXPECT_EQ(m_opened.fontFace, face);
    }
    wcscpy_s(g_szFontFace, oldFace);
}

}  // namespace
