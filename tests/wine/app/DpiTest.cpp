// The windows at the display DPI Wine was started with: the wine.dpi.* tests
// start this program at 96, 144 and 192 DPI and name the DPI in
// VANTO_TEST_DPI. The program as its own process, and the main window, the
// prompt and the About box in this one, are measured against their sizes at
// 96 DPI, their log margin and every text against its control. Wine never
// moves a window to another DPI, so WM_DPICHANGED is sent by hand.
//
// This test program declares no DPI awareness, which Wine takes as awareness
// of the system's DPI: its windows are drawn at that DPI, as the program's.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "framework/UiSettings.h"
#include "framework/WindowDpi.h"
#include "platform/SystemPlatform.h"
#include "tests/wine/app/ProgramRun.h"
#include "tests/wine/ui/UiTestSupport.h"
#include "ui/AboutDlg.h"
#include "ui/InputDlg.h"
#include "ui/MainDlg.h"

namespace {

// The DPI this test program was started at, checked against the screen's.
UINT StartedDpi() {
    WCHAR value[8] = {};
    ::GetEnvironmentVariableW(L"VANTO_TEST_DPI", value, 8);
    const HDC screen = ::GetDC(nullptr);
    const int screenDpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    const UINT dpi = UINT(std::wcstoul(value, nullptr, 10));
    EXPECT_EQ(screenDpi, int(dpi)) << "VANTO_TEST_DPI names the DPI Wine was started at";
    return dpi;
}

int At(UINT dpi, int pixelsAt96) { return ::MulDiv(pixelsAt96, int(dpi), 96); }

// Dialog units follow the font's average character size in whole pixels,
// which does not grow exactly with the DPI (10 pixels wide at 144 DPI, where
// 7 * 1.5 would be 10.5): a size is right within a sixteenth.
void ExpectScaledSize(const RECT& client, SIZE at96, UINT dpi) {
    EXPECT_NEAR(client.right, At(dpi, at96.cx), At(dpi, at96.cx) / 16);
    EXPECT_NEAR(client.bottom, At(dpi, at96.cy), At(dpi, at96.cy) / 16);
}

// The log keeps the margin on three sides; the bottom holds whole lines.
void ExpectLogMargin(HWND window, int margin) {
    const HWND list = ::GetDlgItem(window, CMainDlg::IDC_LOG_LIST);
    RECT client, r = uitest::WindowRect(list);
    ::GetClientRect(window, &client);
    ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, margin);
    EXPECT_EQ(r.top, margin);
    EXPECT_EQ(r.right, client.right - margin);
    EXPECT_LE(r.bottom, client.bottom - margin);
    EXPECT_GT(r.bottom, client.bottom - margin - ::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
}

// Every line of each static's and button's text, in the control's font,
// against the control's client area.
void ExpectTextsFit(HWND dialog) {
    for (HWND control = ::GetWindow(dialog, GW_CHILD); control; control = ::GetWindow(control, GW_HWNDNEXT)) {
        const std::wstring text = uitest::WindowText(control), kind = uitest::ClassName(control);
        const bool icon = (::GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
        if (text.empty() || (kind != L"Button" && (kind != L"Static" || icon)))
            continue;
        SCOPED_TRACE(text);
        RECT client;
        ::GetClientRect(control, &client);
        const std::vector<LONG> widths = uitest::LineWidths(control);
        for (LONG width : widths)
            EXPECT_LE(width, client.right);
        EXPECT_LE(LONG(widths.size()) * uitest::LineHeight(control), client.bottom);
    }
}

TEST(Dpi, ProgramIsLaidOutAtTheDpi) {
    const UINT dpi = StartedDpi();
    CProgramRun run(L"-e");
    const HWND window = run.WaitForWindow(L"Vanto Custom File Extractor");
    ASSERT_NE(window, nullptr);
    // It shows the window before laying it out; a message answered means
    // that it has done both and waits in its loop.
    ASSERT_TRUE(::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, nullptr));
    // Its DPI shows in its layout only: for another process's window Wine 8
    // reports 96 DPI and per-monitor awareness whatever the process declared
    // (the manifest's settings are checked in ResourceTest).
    RECT client;
    ::GetClientRect(window, &client);
    ExpectScaledSize(client, {700, 438}, dpi);
    ExpectLogMargin(window, At(dpi, 8));
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.WaitForExit(), 2u);
}

TEST(Dpi, WindowsGrowWithTheDpiAndCutNoText) {
    const UINT dpi = StartedDpi();
    ::wcscpy(g_szLocaleName, L"en-US");
    ::wcscpy(g_szFontFace, L"MS Shell Dlg");
    g_nFontSize = 9;
    CSystemPlatform platform;
    CMainDlg mainDlg(platform);
    CInputDlg prompt;
    WCHAR name[CInputDlg::kNameCapacity] = L"hero\\";
    CAboutDlg about;
    // Each window created from its template, and its client area at 96 DPI
    // (in Tahoma, Wine's MS Shell Dlg).
    const struct {
        const char* name;
        HWND window;
        SIZE at96;
    } kWindows[] = {
        {"main window", mainDlg.CreateModeless(nullptr, 0), {700, 438}},
        {"prompt", prompt.CreateModeless(nullptr, reinterpret_cast<LPARAM>(name)), {560, 70}},
        {"About box", about.CreateModeless(nullptr, 0), {327, 179}},
    };
    for (const auto& shown : kWindows) {
        SCOPED_TRACE(shown.name);
        ASSERT_NE(shown.window, nullptr);
        ::ShowWindow(shown.window, SW_SHOWNORMAL);
        uitest::PumpMessages();
        EXPECT_EQ(GetWindowDpi(shown.window), dpi);
        RECT client;
        ::GetClientRect(shown.window, &client);
        ExpectScaledSize(client, shown.at96, dpi);
        ExpectTextsFit(shown.window);
    }
    ExpectLogMargin(mainDlg.m_hWnd, At(dpi, 8));
    for (const auto& shown : kWindows)
        ::DestroyWindow(shown.window);
}

TEST(Dpi, MainWindowTakesTheSuggestedRectangleOfADpiChange) {
    const UINT dpi = StartedDpi();
    CSystemPlatform platform;
    CMainDlg dlg(platform);
    ASSERT_NE(dlg.CreateModeless(nullptr, 0), nullptr);
    ::ShowWindow(dlg.m_hWnd, SW_SHOWNORMAL);
    const RECT before = uitest::WindowRect(dlg.m_hWnd);
    const LONG width = before.right - before.left, height = before.bottom - before.top;
    const struct {
        const char* what;
        RECT suggested;
    } kChanges[] = {
        {"moved and grown by half", {40, 30, 40 + width * 3 / 2, 30 + height * 3 / 2}},
        {"moved, same size", {10, 20, 10 + width * 3 / 2, 20 + height * 3 / 2}},
        {"shrunk to two thirds", {50, 60, 50 + width * 2 / 3, 60 + height * 2 / 3}},
    };
    for (const auto& change : kChanges) {
        SCOPED_TRACE(change.what);
        // The log out of place: only the message can put it back when the
        // size stays.
        ::SetWindowPos(dlg.m_hWndList, nullptr, 0, 0, 10, 10, SWP_NOZORDER);
        EXPECT_EQ(::SendMessageW(dlg.m_hWnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                                 reinterpret_cast<LPARAM>(&change.suggested)),
                  0);
        const RECT r = uitest::WindowRect(dlg.m_hWnd);
        EXPECT_EQ(r.left, change.suggested.left);
        EXPECT_EQ(r.top, change.suggested.top);
        EXPECT_EQ(r.right, change.suggested.right);
        EXPECT_EQ(r.bottom, change.suggested.bottom);
        ExpectLogMargin(dlg.m_hWnd, At(dpi, 8));
    }
    ::DestroyWindow(dlg.m_hWnd);
}

}  // namespace
