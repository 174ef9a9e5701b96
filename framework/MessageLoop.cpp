#include "framework/MessageLoop.h"

namespace {
// The system timer message that blinks the caret.
constexpr UINT kCaretBlinkTimer = 0x0118;
}  // namespace

int CMessageLoop::Run() {
    bool idleWanted = true;
    int idleCount = 0;
    for (;;) {
        while (idleWanted && !::PeekMessageW(&m_msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++))
                idleWanted = false;
        }
        const BOOL got = ::GetMessageW(&m_msg, nullptr, 0, 0);
        if (got == -1)
            continue;
        if (!got)
            break;
        if (!PreTranslateMessage(&m_msg)) {
            ::TranslateMessage(&m_msg);
            ::DispatchMessageW(&m_msg);
        }
        if (IsIdleMessage(&m_msg)) {
            idleWanted = true;
            idleCount = 0;
        }
    }
    return int(m_msg.wParam);
}

bool CMessageLoop::IsIdleMessage(const MSG* pMsg) {
    switch (pMsg->message) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
    case WM_PAINT:
    case kCaretBlinkTimer:
        return false;
    default:
        return true;
    }
}

BOOL CMessageLoop::PreTranslateMessage(MSG* pMsg) {
    for (int i = m_filters.GetSize() - 1; i >= 0; --i) {
        CMessageFilter* filter = m_filters[i];
        if (filter && filter->PreTranslateMessage(pMsg))
            return TRUE;
    }
    return FALSE;
}

BOOL CMessageLoop::OnIdle(int /*nIdleCount*/) {
    for (int i = 0; i < m_idleHandlers.GetSize(); ++i) {
        if (CIdleHandler* handler = m_idleHandlers[i])
            handler->OnIdle();
    }
    return FALSE;
}
