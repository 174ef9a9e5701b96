// CWindow: a window handle and the few calls the dialogs make on it. Holds
// no resources: the window belongs to whoever created it.
#pragma once

#include <windows.h>

class CWindow {
public:
    explicit CWindow(HWND hWnd = nullptr) : m_hWnd(hWnd) {}

    operator HWND() const { return m_hWnd; }

    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    BOOL SetWindowText(const WCHAR* text) { return ::SetWindowTextW(m_hWnd, text); }

    HWND m_hWnd;
};
