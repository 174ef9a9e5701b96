// CMessageMap: the one operation through which a window object sees its
// window's messages. Implemented by every dialog class; called by the dialog
// machinery (CDialogImplBase).
#pragma once

#include <windows.h>

class CMessageMap {
public:
    virtual ~CMessageMap() = default;

    // True when the message was handled; lResult is then its result. Map id
    // 0 is the window's own map; no other map is ever handled.
    virtual BOOL HandleMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult,
                               DWORD dwMsgMapID) = 0;
};
