// The About box shown modally over a real owner: its four controls as the
// windows report them, the program's icon from the module, where it opens,
// and its end codes for Enter, Escape and the close box.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/UiSettings.h"
#include "res/Resource.h"
#include "tests/wine/ui/UiTestSupport.h"
#include "ui/AboutDlg.h"

namespace {

using namespace uitest;

struct SControl {
    std::wstring className;
    int id;
    LONG styleBits;  // the low 16 bits: the control's own style
    std::wstring text;
};

struct SShown {
    std::vector<SControl> controls;
    std::vector<RECT> rects;  // in the dialog's client coordinates
    HWND focus = nullptr, okButton = nullptr;
    HICON icon = nullptr;
    SIZE iconSize = {};
    std::wstring title, fontFace;
    RECT rect = {};
    // Each line of the About text against the width of its control.
    std::vector<LONG> lineWidths;
    LONG textWidth = 0, textHeight = 0, lineHeight = 0;
};

// How wide each line of a static control's text is drawn in its font.
void MeasureLines(HWND control, SShown& s) {
    RECT client = {};
    ::GetClientRect(control, &client);
    s.textWidth = client.right;
    s.textHeight = client.bottom;
    s.lineHeight = LineHeight(control);
    s.lineWidths = LineWidths(control);
}

SShown Observe(HWND dlg) {
    SShown s;
    s.title = WindowText(dlg);
    s.fontFace = FontFace(dlg);
    s.rect = WindowRect(dlg);
    for (HWND child = ::GetWindow(dlg, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        s.controls.push_back(SControl{ClassName(child), ::GetDlgCtrlID(child),
                                      ::GetWindowLongW(child, GWL_STYLE) & 0xFFFF, WindowText(child)});
        if (s.controls.size() == 2)
            MeasureLines(child, s);
        RECT r = WindowRect(child);
        ::MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
        s.rects.push_back(r);
        if ((::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && ClassName(child) == L"Static") {
            s.icon = reinterpret_cast<HICON>(::SendMessageW(child, STM_GETICON, 0, 0));
            ICONINFO info = {};
            if (s.icon && ::GetIconInfo(s.icon, &info)) {
                BITMAP bm = {};
                ::GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
                s.iconSize = SIZE{bm.bmWidth, bm.bmHeight};
                if (info.hbmColor)
                    ::DeleteObject(info.hbmColor);
                ::DeleteObject(info.hbmMask);
            }
        }
    }
    s.focus = ::GetFocus();
    s.okButton = ::GetDlgItem(dlg, IDOK);
    return s;
}

class AboutDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_owner = CreatePlainWindow(300, 200, 500, 400, WS_VISIBLE | WS_CAPTION);
        ASSERT_NE(m_owner, nullptr);
    }
    void TearDown() override { ::DestroyWindow(m_owner); }

    INT_PTR Show(const std::function<void(HWND)>& user) {
        CAboutDlg dlg;
        CModalScript script(&dlg.m_hWnd, [&](HWND hWnd) {
            m_shown = Observe(hWnd);
            user(hWnd);
        });
        const INT_PTR code = dlg.RunModal(m_owner, 0);
        EXPECT_TRUE(script.HasRun());
        return code;
    }

    HWND m_owner = nullptr;
    SShown m_shown;
};

TEST_F(AboutDlgTest, ShowsItsFourControlsInOrder) {
    Show([](HWND) { PressKey(VK_RETURN); });
    EXPECT_EQ(m_shown.title, L"About");
    const std::vector<SControl> expected = {
        {L"Button", IDOK, BS_DEFPUSHBUTTON, L"OK"},
        {L"Static", 65535, SS_CENTER,
         L"Vanto Custom File Extractor\nRelease 4 [2018/08/07]\n\nVanto Extractor contributors"},
        {L"Static", 65535, SS_ICON, L""},
        {L"Button", 65535, BS_GROUPBOX, L""},
    };
    ASSERT_EQ(m_shown.controls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i + 1);
        EXPECT_EQ(m_shown.controls[i].className, expected[i].className);
        EXPECT_EQ(m_shown.controls[i].id, expected[i].id);
        EXPECT_EQ(m_shown.controls[i].styleBits & 0x0F, expected[i].styleBits & 0x0F);
        if (i != 2) {  // an icon control's text is the icon's name, not shown
            EXPECT_EQ(m_shown.controls[i].text, expected[i].text);
        }
    }
    // The group box frames the icon and the text; OK sits right of it.
    const RECT group = m_shown.rects[3];
    for (size_t i : {1u, 2u}) {
        EXPECT_GE(m_shown.rects[i].left, group.left);
        EXPECT_LE(m_shown.rects[i].right, group.right);
        EXPECT_GE(m_shown.rects[i].top, group.top);
    }
    EXPECT_GE(m_shown.rects[0].left, group.right);
    EXPECT_EQ(m_shown.fontFace, std::wstring(g_szFontFace));
}

TEST_F(AboutDlgTest, EveryLineOfTheTextFitsItsControl) {
    WCHAR oldFace[kFontFaceCapacity];
    wcscpy_s(oldFace, g_szFontFace);
    for (const wchar_t* face : {L"MS Shell Dlg", L"Tahoma", L"Meiryo UI"}) {
        SCOPED_TRACE(std::wstring(face).size());
        wcscpy_s(g_szFontFace, face);
        Show([](HWND) { PressKey(VK_ESCAPE); });
        ASSERT_EQ(m_shown.lineWidths.size(), 4u);
        for (LONG width : m_shown.lineWidths)
            EXPECT_LE(width, m_shown.textWidth);
        EXPECT_LE(4 * m_shown.lineHeight, m_shown.textHeight);
    }
    wcscpy_s(g_szFontFace, oldFace);
}

TEST_F(AboutDlgTest, ShowsTheProgramsIcon) {
    Show([](HWND) { PressKey(VK_ESCAPE); });
    ASSERT_NE(m_shown.icon, nullptr);
    EXPECT_EQ(m_shown.iconSize.cx, ::GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(m_shown.iconSize.cy, ::GetSystemMetrics(SM_CYICON));
    // The module's icon 128 itself (icons loaded by name are shared).
    EXPECT_EQ(m_shown.icon, ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_PROGRAM)));
}

TEST_F(AboutDlgTest, OpensCentredOverItsOwnerWithTheFocusOnOk) {
    Show([](HWND) { PressKey(VK_RETURN); });
    EXPECT_EQ(m_shown.focus, m_shown.okButton);
    const RECT owner = WindowRect(m_owner);
    const RECT r = m_shown.rect;
    EXPECT_EQ(r.left, (owner.left + owner.right) / 2 - (r.right - r.left) / 2);
    EXPECT_EQ(r.top, (owner.top + owner.bottom) / 2 - (r.bottom - r.top) / 2);
}

TEST_F(AboutDlgTest, EnterEscapeAndTheCloseBoxEndIt) {
    EXPECT_EQ(Show([](HWND) { PressKey(VK_RETURN); }), IDOK);
    EXPECT_EQ(Show([](HWND) { PressKey(VK_ESCAPE); }), IDCANCEL);
    EXPECT_EQ(Show([](HWND hWnd) { ClickCloseBox(hWnd); }), IDCANCEL);
    EXPECT_EQ(WindowText(m_owner), L"owner");
    EXPECT_TRUE(::IsWindowEnabled(m_owner));
}

TEST_F(AboutDlgTest, LargerFontScalesTheWholeBox) {
    const int oldSize = g_nFontSize;
    Show([](HWND) { PressKey(VK_ESCAPE); });
    const RECT small = m_shown.rect;
    g_nFontSize = 18;
    Show([](HWND) { PressKey(VK_ESCAPE); });
    g_nFontSize = oldSize;
    const RECT large = m_shown.rect;
    EXPECT_GT(large.right - large.left, (small.right - small.left) * 3 / 2);
    EXPECT_GT(large.bottom - large.top, (small.bottom - small.top) * 3 / 2);
}

}  // namespace
