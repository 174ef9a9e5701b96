// CenterDialog on real top-level windows: over a reference, clamped into the
// work area of the reference's monitor, with hidden, minimised and missing
// references, and for windows larger than the work area.
#include <windows.h>

#include <gtest/gtest.h>

#include "framework/CenterDialog.h"
#include "tests/wine/ui/UiTestSupport.h"

namespace {

// A plain top-level window with an exact outer rectangle.
class CPlainWindow {
public:
    CPlainWindow(RECT r, DWORD style, HWND owner = nullptr)
        : m_hWnd(uitest::CreatePlainWindow(r.left, r.top, r.right - r.left, r.bottom - r.top, style, owner)) {}
    ~CPlainWindow() { ::DestroyWindow(m_hWnd); }
    HWND m_hWnd;
};

RECT Rect(LONG left, LONG top, LONG right, LONG bottom) { return RECT{left, top, right, bottom}; }

::testing::AssertionResult RectIs(HWND hWnd, LONG left, LONG top, LONG width, LONG height) {
    const RECT r = uitest::WindowRect(hWnd);
    if (r.left == left && r.top == top && r.right - r.left == width && r.bottom - r.top == height)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "window at " << r.left << "," << r.top << " size "
                                         << r.right - r.left << "x" << r.bottom - r.top << ", expected " << left
                                         << "," << top << " size " << width << "x" << height;
}

class CenterDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        CPlainWindow probe(Rect(0, 0, 10, 10), 0);
        m_work = uitest::WorkAreaOf(probe.m_hWnd);
        ASSERT_GT(m_work.right - m_work.left, 600);
        ASSERT_GT(m_work.bottom - m_work.top, 500);
    }
    RECT m_work = {};
};

TEST_F(CenterDialogTest, CentredOverAVisibleReference) {
    const LONG x = m_work.left + 100, y = m_work.top + 100;
    CPlainWindow reference(Rect(x, y, x + 400, y + 301), WS_VISIBLE);
    CPlainWindow dialog(Rect(0, 0, 201, 101), 0);
    ASSERT_TRUE(CenterDialog(dialog.m_hWnd, reference.m_hWnd));
    // Centre (x + 200, y + 150); half sizes 100 and 50, divisions truncated.
    EXPECT_TRUE(RectIs(dialog.m_hWnd, x + 100, y + 100, 201, 101));
}

TEST_F(CenterDialogTest, ReferenceNearTheRightAndBottomEdgesKeepsTheDialogInTheWorkArea) {
    // The reference hangs over the bottom-right corner of the work area.
    CPlainWindow reference(Rect(m_work.right - 150, m_work.bottom - 100, m_work.right + 50, m_work.bottom + 60),
                           WS_VISIBLE);
    CPlainWindow dialog(Rect(0, 0, 300, 200), 0);
    ASSERT_TRUE(CenterDialog(dialog.m_hWnd, reference.m_hWnd));
    EXPECT_TRUE(RectIs(dialog.m_hWnd, m_work.right - 300, m_work.bottom - 200, 300, 200));
}

TEST_F(CenterDialogTest, ReferenceNearTheLeftAndTopEdgesKeepsTheDialogInTheWorkArea) {
    CPlainWindow reference(Rect(m_work.left - 60, m_work.top - 40, m_work.left + 100, m_work.top + 60), WS_VISIBLE);
    CPlainWindow dialog(Rect(0, 0, 300, 200), 0);
    ASSERT_TRUE(CenterDialog(dialog.m_hWnd, reference.m_hWnd));
    EXPECT_TRUE(RectIs(dialog.m_hWnd, m_work.left, m_work.top, 300, 200));
}

TEST_F(CenterDialogTest, HiddenOrMinimisedReferenceIsIgnored) {
    const LONG width = 240, height = 120;
    const LONG left = (m_work.left + m_work.right) / 2 - width / 2;
    const LONG top = (m_work.top + m_work.bottom) / 2 - height / 2;

    CPlainWindow hidden(Rect(m_work.left + 10, m_work.top + 10, m_work.left + 110, m_work.top + 60), 0);
    CPlainWindow dialog(Rect(0, 0, width, height), 0);
    ASSERT_TRUE(CenterDialog(dialog.m_hWnd, hidden.m_hWnd));
    EXPECT_TRUE(RectIs(dialog.m_hWnd, left, top, width, height));

    CPlainWindow minimised(Rect(m_work.left + 10, m_work.top + 10, m_work.left + 110, m_work.top + 60),
                           WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    ::ShowWindow(minimised.m_hWnd, SW_MINIMIZE);
    ASSERT_TRUE(::IsIconic(minimised.m_hWnd));
    ::SetWindowPos(dialog.m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(CenterDialog(dialog.m_hWnd, minimised.m_hWnd));
    EXPECT_TRUE(RectIs(dialog.m_hWnd, left, top, width, height));
}

TEST_F(CenterDialogTest, WithoutAReferenceTheOwnerOrTheWorkAreaIsTaken) {
    // A window with neither parent nor owner: the work area's centre.
    CPlainWindow lone(Rect(5, 5, 305, 205), 0);
    ASSERT_TRUE(CenterDialog(lone.m_hWnd));
    EXPECT_TRUE(RectIs(lone.m_hWnd, (m_work.left + m_work.right) / 2 - 150, (m_work.top + m_work.bottom) / 2 - 100,
                       300, 200));

    // An owned pop-up: its owner.
    CPlainWindow owner(Rect(m_work.left + 20, m_work.top + 30, m_work.left + 420, m_work.top + 330), WS_VISIBLE);
    CPlainWindow owned(Rect(0, 0, 100, 50), 0, owner.m_hWnd);
    ASSERT_TRUE(CenterDialog(owned.m_hWnd));
    EXPECT_TRUE(RectIs(owned.m_hWnd, m_work.left + 170, m_work.top + 155, 100, 50));
}

TEST_F(CenterDialogTest, LargerThanTheWorkAreaAlignsToItsLeftAndTop) {
    const LONG width = m_work.right - m_work.left + 300;
    const LONG height = m_work.bottom - m_work.top + 200;
    CPlainWindow reference(Rect(m_work.left + 100, m_work.top + 100, m_work.left + 200, m_work.top + 200),
                           WS_VISIBLE);
    CPlainWindow huge(Rect(0, 0, width, height), 0);
    ASSERT_EQ(uitest::WindowRect(huge.m_hWnd).right, width);
    ASSERT_TRUE(CenterDialog(huge.m_hWnd, reference.m_hWnd));
    EXPECT_TRUE(RectIs(huge.m_hWnd, m_work.left, m_work.top, width, height));
}

}  // namespace
