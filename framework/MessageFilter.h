// A window's say over messages before they are translated and dispatched.
// Implemented by top-level windows (a dialog keyboard interface); called by
// CMessageLoop for every message it takes from the queue.
#pragma once

#include <windows.h>

class CMessageFilter {
public:
    // True when the message was consumed: it is then neither translated nor
    // dispatched, and no earlier-added filter sees it.
    virtual BOOL PreTranslateMessage(MSG* pMsg) = 0;

protected:
    ~CMessageFilter() = default;
};
