// The dialog machinery on real windows: every message reaches the object's
// HandleMessage from the first, results follow the dialog-procedure
// contract, each window takes its own object, the last message lets the
// object go, and a dialog whose template cannot be had is never created.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "framework/AppModule.h"
#include "framework/IndirectDialogImpl.h"
#include "framework/UiSettings.h"
#include "tests/wine/ui/UiTestSupport.h"

namespace {

constexpr UINT kMsgPlain = WM_APP + 1;         // handled, result 0x1234
constexpr UINT kMsgUnhandled = WM_APP + 2;     // never handled
constexpr UINT kMsgDestroySelf = WM_APP + 3;   // destroys the window while handled
constexpr LRESULT kPlainResult = 0x1234;

// A small dialog that records what reaches it.
class CRecordingDlg : public CIndirectDialogImpl<CRecordingDlg> {
public:
    void BuildTemplate() {
        ++m_nBuilds;
        m_Template.BeginTemplate(L"Recording", 0, 0, 100, 50, WS_POPUP | WS_CAPTION | DS_SETFONT, 0, g_szFontFace,
                                 WORD(g_nFontSize), FW_NORMAL, FALSE, DEFAULT_CHARSET);
        m_Template.AppendControl(kClassButton, IDOK, 5, 5, 40, 12, BS_PUSHBUTTON, 0, L"OK");
        if (m_bBreakTemplate) {
            volatile size_t impossible = SIZE_MAX - 8;  // a block that cannot exist
            m_Template.AppendBytes(L"", impossible);
        }
    }

    BOOL HandleMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult,
                       DWORD dwMsgMapID) override {
        m_messages.push_back(uMsg);
        if (m_hWnd != hWnd)
            m_bWrongHandle = true;
        switch (uMsg) {
        case WM_INITDIALOG:
            m_initParam = lParam;
            lResult = m_initResult;
            return TRUE;
        case kMsgPlain:
            lResult = kPlainResult;
            return TRUE;
        case WM_CTLCOLORDLG:
            lResult = LRESULT(::GetStockObject(GRAY_BRUSH));
            return TRUE;
        case kMsgDestroySelf:
            m_events.push_back("destroy begins");
            ::DestroyWindow(hWnd);
            m_events.push_back("destroy returned");
            lResult = 7;
            return TRUE;
        case WM_NCDESTROY:
            m_events.push_back("WM_NCDESTROY");
            return FALSE;
        default:
            return FALSE;
        }
    }

    void AfterLastMessage(HWND hWnd) override {
        m_events.push_back("after last message");
        m_lastWindow = hWnd;
        m_bHandleClearedFirst = (m_hWnd == nullptr);
    }

    std::vector<UINT> m_messages;
    std::vector<std::string> m_events;
    LPARAM m_initParam = 0;
    LRESULT m_initResult = TRUE;
    HWND m_lastWindow = nullptr;
    bool m_bHandleClearedFirst = false;
    bool m_bWrongHandle = false;
    bool m_bBreakTemplate = false;
    int m_nBuilds = 0;
};

// Gives out the recording dialog's template, for windows made from it by
// hand.
class CTemplateSource : public CRecordingDlg {
public:
    const DLGTEMPLATE* Template() {
        if (!m_Template.IsTemplateBuilt())
            BuildTemplate();
        return m_Template.GetTemplatePtr();
    }
};

// The same template through a plain dialog procedure, for comparison.
std::vector<UINT> g_plainMessages;
INT_PTR CALLBACK PlainDialogProc(HWND, UINT uMsg, WPARAM, LPARAM) {
    g_plainMessages.push_back(uMsg);
    return uMsg == WM_INITDIALOG;
}

TEST(Dialog, EveryMessageFromTheFirstReachesTheObject) {
    CRecordingDlg dlg;
    const HWND hWnd = dlg.CreateModeless(nullptr, 0x5A5A);
    ASSERT_NE(hWnd, nullptr);
    EXPECT_EQ(dlg.m_hWnd, hWnd);
    ::DestroyWindow(hWnd);

    CTemplateSource probe;
    g_plainMessages.clear();
    const HWND plain = ::CreateDialogIndirectParamW(g_Module.GetModuleInstance(), probe.Template(), nullptr,
                                                    &PlainDialogProc, 0);
    ASSERT_NE(plain, nullptr);
    ::DestroyWindow(plain);

    ASSERT_FALSE(g_plainMessages.empty());
    EXPECT_EQ(dlg.m_messages, g_plainMessages);
    EXPECT_EQ(dlg.m_initParam, 0x5A5A);
    EXPECT_EQ(dlg.m_messages.back(), UINT(WM_NCDESTROY));
    EXPECT_FALSE(dlg.m_bWrongHandle);
}

TEST(Dialog, ResultsFollowTheDialogProcedureContract) {
    CRecordingDlg dlg;
    const HWND hWnd = dlg.CreateModeless();
    ASSERT_NE(hWnd, nullptr);
    // Handled: the result comes back through the dialog's message result.
    EXPECT_EQ(::SendMessageW(hWnd, kMsgPlain, 0, 0), kPlainResult);
    // Not handled: the platform's default handling answers, not a stale result.
    EXPECT_EQ(::SendMessageW(hWnd, kMsgUnhandled, 0, 0), 0);
    // A WM_CTLCOLOR message: the handler's result is the return value itself.
    ::SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, 0);
    EXPECT_EQ(::SendMessageW(hWnd, WM_CTLCOLORDLG, 0, 0), LRESULT(::GetStockObject(GRAY_BRUSH)));
    EXPECT_EQ(::GetWindowLongPtrW(hWnd, DWLP_MSGRESULT), 0);
    ::DestroyWindow(hWnd);
}

TEST(Dialog, InitDialogResultDecidesTheFocus) {
    CRecordingDlg keepsFocus;
    keepsFocus.m_initResult = FALSE;  // "I set the focus myself" (here: nowhere)
    CRecordingDlg givesFocus;
    givesFocus.m_initResult = TRUE;
    HWND focusAfterTrue = nullptr;
    {
        const HWND hWnd = givesFocus.CreateModeless();
        ASSERT_NE(hWnd, nullptr);
        ::ShowWindow(hWnd, SW_SHOW);
        focusAfterTrue = ::GetFocus();
        EXPECT_EQ(focusAfterTrue, ::GetDlgItem(hWnd, IDOK));
        ::DestroyWindow(hWnd);
    }
    ::SetFocus(nullptr);
    const HWND hWnd = keepsFocus.CreateModeless();
    ASSERT_NE(hWnd, nullptr);
    EXPECT_NE(::GetFocus(), ::GetDlgItem(hWnd, IDOK));
    ::DestroyWindow(hWnd);
}

TEST(Dialog, TwoWindowsInARowEachTakeTheirOwnObject) {
    CRecordingDlg first, second;
    const HWND a = first.CreateModeless();
    const HWND b = second.CreateModeless();
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(first.m_hWnd, a);
    EXPECT_EQ(second.m_hWnd, b);
    const size_t firstCount = first.m_messages.size();
    ::SendMessageW(b, kMsgPlain, 0, 0);
    EXPECT_EQ(first.m_messages.size(), firstCount);
    EXPECT_EQ(second.m_messages.back(), kMsgPlain);
    ::SendMessageW(a, kMsgPlain, 0, 0);
    EXPECT_EQ(first.m_messages.back(), kMsgPlain);
    EXPECT_EQ(g_Module.CountCreateWndData(), 0);
    ::DestroyWindow(a);
    ::DestroyWindow(b);
}

TEST(Dialog, AnotherThreadsPendingRecordIsLeftAlone) {
    SCreateWndData foreign;
    int foreignObject = 0;
    HANDLE added = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread other([&] {
        g_Module.AddCreateWndData(&foreign, &foreignObject);
        ::SetEvent(added);
        ::WaitForSingleObject(release, 10000);
        g_Module.RemoveCreateWndData(&foreign);
    });
    ASSERT_EQ(::WaitForSingleObject(added, 10000), WAIT_OBJECT_0);

    CRecordingDlg dlg;
    const HWND hWnd = dlg.CreateModeless();
    ASSERT_NE(hWnd, nullptr);
    EXPECT_EQ(dlg.m_hWnd, hWnd);
    EXPECT_EQ(::SendMessageW(hWnd, kMsgPlain, 0, 0), kPlainResult);
    EXPECT_EQ(g_Module.CountCreateWndData(), 1);  // still the other thread's
    ::DestroyWindow(hWnd);

    ::SetEvent(release);
    other.join();
    EXPECT_EQ(g_Module.CountCreateWndData(), 0);
    ::CloseHandle(added);
    ::CloseHandle(release);
}

// While one of our dialogs is being created (its record pending, its first
// message still to come), a hook of the thread makes another dialog with the
// shared start procedure: by hand, with no record of its own, or as one of
// ours through its own creation call. Each window may take only the record
// of the call that created it.
struct SIntrusion {
    const char* name;
    int hookType;  // WH_CBT: at the window's HCBT_CREATEWND; WH_CALLWNDPROC: at its WM_CREATE
    bool ours;     // made through CreateModeless rather than by hand
};

void PrintTo(const SIntrusion& row, std::ostream* os) { *os << row.name; }

class CIntrusionTest : public ::testing::TestWithParam<SIntrusion> {
protected:
    void SetUp() override {
        ASSERT_NE(m_source.Template(), nullptr);
        s_pActive = this;
        const bool cbt = GetParam().hookType == WH_CBT;
        m_hHook = ::SetWindowsHookExW(GetParam().hookType, cbt ? &CbtProc : &CallWndProc, nullptr,
                                      ::GetCurrentThreadId());
        ASSERT_NE(m_hHook, nullptr);
    }
    void TearDown() override {
        ::UnhookWindowsHookEx(m_hHook);
        s_pActive = nullptr;
        if (m_hIntruder)
            ::DestroyWindow(m_hIntruder);
    }

    // Once, inside the creation of the first window the hook sees.
    void Intrude() {
        if (m_bIntruded)
            return;
        m_bIntruded = true;
        m_hIntruder = GetParam().ours ? m_intruder.CreateModeless()
                                      : ::CreateDialogIndirectParamW(g_Module.GetModuleInstance(),
                                                                     m_source.Template(), nullptr,
                                                                     &CDialogImplBase::StartDialogProc, 0);
    }
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_CREATEWND && s_pActive)
            s_pActive->Intrude();
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static LRESULT CALLBACK CallWndProc(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HC_ACTION && reinterpret_cast<const CWPSTRUCT*>(lParam)->message == WM_CREATE && s_pActive)
            s_pActive->Intrude();
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static CIntrusionTest* s_pActive;
    HHOOK m_hHook = nullptr;
    CTemplateSource m_source;
    CRecordingDlg m_intruder;
    HWND m_hIntruder = nullptr;
    bool m_bIntruded = false;
};
CIntrusionTest* CIntrusionTest::s_pActive = nullptr;

TEST_P(CIntrusionTest, EachWindowTakesOnlyTheRecordOfItsOwnCreation) {
    CRecordingDlg dlg;
    const HWND hWnd = dlg.CreateModeless(nullptr, 0x77);
    ASSERT_NE(hWnd, nullptr);
    ASSERT_NE(m_hIntruder, nullptr);
    EXPECT_EQ(dlg.m_hWnd, hWnd);
    EXPECT_EQ(dlg.m_initParam, 0x77);
    EXPECT_EQ(::SendMessageW(hWnd, kMsgPlain, 0, 0), kPlainResult);
    EXPECT_FALSE(dlg.m_bWrongHandle);
    if (GetParam().ours) {
        EXPECT_EQ(m_intruder.m_hWnd, m_hIntruder);
        EXPECT_EQ(::SendMessageW(m_hIntruder, kMsgPlain, 0, 0), kPlainResult);
    } else {  // nobody's window: the platform's defaults answer
        EXPECT_EQ(::GetWindowLongPtrW(m_hIntruder, DWLP_USER), 0);
        EXPECT_EQ(::SendMessageW(m_hIntruder, kMsgPlain, 0, 0), 0);
    }
    EXPECT_EQ(g_Module.CountCreateWndData(), 0);
    ::DestroyWindow(hWnd);
}

INSTANTIATE_TEST_SUITE_P(Dialog, CIntrusionTest,
                         ::testing::Values(SIntrusion{"ByHandFromCbtHook", WH_CBT, false},
                                           SIntrusion{"ByHandFromCreateMessage", WH_CALLWNDPROC, false},
                                           SIntrusion{"OursFromCbtHook", WH_CBT, true},
                                           SIntrusion{"OursFromCreateMessage", WH_CALLWNDPROC, true}),
                         [](const ::testing::TestParamInfo<SIntrusion>& row) { return row.param.name; });

TEST(Dialog, FailedCreationLeavesNoRecordBehind) {
    CRecordingDlg failed;
    // A parent that is no window: the platform refuses before any message.
    const HWND bogus = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x7FFF0F00));
    ASSERT_FALSE(::IsWindow(bogus));
    EXPECT_EQ(failed.CreateModeless(bogus), nullptr);
    EXPECT_TRUE(failed.m_messages.empty());
    EXPECT_EQ(g_Module.CountCreateWndData(), 0);

    CRecordingDlg next;
    const HWND hWnd = next.CreateModeless();
    ASSERT_NE(hWnd, nullptr);
    EXPECT_EQ(::SendMessageW(hWnd, kMsgPlain, 0, 0), kPlainResult);
    EXPECT_TRUE(failed.m_messages.empty());
    ::DestroyWindow(hWnd);
}

TEST(Dialog, LastMessageLetsTheObjectGoAfterTheOutermostHandlerReturns) {
    CRecordingDlg dlg;
    const HWND hWnd = dlg.CreateModeless();
    ASSERT_NE(hWnd, nullptr);
    EXPECT_EQ(::SendMessageW(hWnd, kMsgDestroySelf, 0, 0), 0);  // the window was gone: no message result
    EXPECT_FALSE(::IsWindow(hWnd));
    const std::vector<std::string> expected = {"destroy begins", "WM_NCDESTROY", "destroy returned",
                                               "after last message"};
    EXPECT_EQ(dlg.m_events, expected);
    EXPECT_EQ(dlg.m_lastWindow, hWnd);
    EXPECT_TRUE(dlg.m_bHandleClearedFirst);
    EXPECT_EQ(dlg.m_hWnd, nullptr);

    // The object can be shown again, from the template it already has.
    const HWND again = dlg.CreateModeless();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(dlg.m_nBuilds, 1);
    ::DestroyWindow(again);
}

TEST(Dialog, TemplateThatCannotBeHadIsNeverShown) {
    CRecordingDlg modeless;
    modeless.m_bBreakTemplate = true;
    ::SetLastError(0);
    EXPECT_EQ(modeless.CreateModeless(), nullptr);
    EXPECT_EQ(::GetLastError(), DWORD(ERROR_OUTOFMEMORY));
    EXPECT_TRUE(modeless.m_messages.empty());
    // Built again on the next attempt, never reused half-made.
    EXPECT_EQ(modeless.CreateModeless(), nullptr);
    EXPECT_EQ(modeless.m_nBuilds, 2);

    CRecordingDlg modal;
    modal.m_bBreakTemplate = true;
    EXPECT_EQ(modal.RunModal(nullptr, 0), -1);
    EXPECT_TRUE(modal.m_messages.empty());
    EXPECT_EQ(g_Module.CountCreateWndData(), 0);
}

TEST(Dialog, ObjectGoneBeforeItsWindowIsNoLongerReached) {
    HWND hWnd = nullptr;
    {
        CRecordingDlg dlg;
        hWnd = dlg.CreateModeless();
        ASSERT_NE(hWnd, nullptr);
    }
    // The window still exists; its messages go to the platform's defaults.
    EXPECT_EQ(::SendMessageW(hWnd, kMsgPlain, 0, 0), 0);
    ::DestroyWindow(hWnd);
}

TEST(Dialog, ModalDialogEndsWithItsCode) {
    CRecordingDlg dlg;
    uitest::CModalScript script(&dlg.m_hWnd, [](HWND hWnd) { ::EndDialog(hWnd, 42); });
    // The template has no WS_VISIBLE; the platform shows a modal dialog itself.
    EXPECT_EQ(dlg.RunModal(nullptr, 0), 42);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
}

}  // namespace
