#include "framework/DialogImplBase.h"

CDialogImplBase::~CDialogImplBase() {
    EndHandOff();
    if (m_hWnd && ::IsWindow(m_hWnd) &&
        ::GetWindowLongPtrW(m_hWnd, DWLP_USER) == reinterpret_cast<LONG_PTR>(this))
        ::SetWindowLongPtrW(m_hWnd, DWLP_USER, 0);
}

DLGPROC CDialogImplBase::DialogProcedure() { return &CDialogImplBase::DialogProc; }

void CDialogImplBase::AfterLastMessage(HWND) {}

bool CDialogImplBase::ReturnsResultDirectly(UINT uMsg) {
    switch (uMsg) {
    case WM_INITDIALOG:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return true;
    default:
        return false;
    }
}

INT_PTR CALLBACK CDialogImplBase::StartDialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) noexcept {
    auto* self = static_cast<CDialogImplBase*>(g_Module.ExtractCreateWndData(hWnd));
    if (!self)  // a window created with this procedure by someone else
        return FALSE;
    self->m_hWnd = hWnd;
    ::SetWindowLongPtrW(hWnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    ::SetWindowLongPtrW(hWnd, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(self->DialogProcedure()));
    return self->RouteMessage(hWnd, uMsg, wParam, lParam);
}

INT_PTR CALLBACK CDialogImplBase::DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) noexcept {
    auto* self = reinterpret_cast<CDialogImplBase*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
    if (!self)
        return FALSE;
    return self->RouteMessage(hWnd, uMsg, wParam, lParam);
}

INT_PTR CDialogImplBase::RouteMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    MSG msg = {};
    msg.hwnd = hWnd;
    msg.message = uMsg;
    msg.wParam = wParam;
    msg.lParam = lParam;
    const MSG* outer = m_pCurrentMsg;
    m_pCurrentMsg = &msg;
    LRESULT result = 0;
    const BOOL handled = HandleMessage(hWnd, uMsg, wParam, lParam, result, 0);
    m_pCurrentMsg = outer;

    INT_PTR ret = FALSE;
    if (handled) {
        if (ReturnsResultDirectly(uMsg)) {
            ret = result;
        } else {
            if (!(m_dwState & kStateLastMessageSeen))
                ::SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, result);
            ret = TRUE;
        }
    } else if (uMsg == WM_NCDESTROY) {
        m_dwState |= kStateLastMessageSeen;
    }
    // Only once the outermost message returns: a nested one may still use
    // the handle.
    if ((m_dwState & kStateLastMessageSeen) && !outer) {
        const HWND gone = m_hWnd;
        m_hWnd = nullptr;
        m_dwState &= ~DWORD(kStateLastMessageSeen);
        ::SetWindowLongPtrW(gone, DWLP_USER, 0);
        AfterLastMessage(gone);
    }
    return ret;
}
