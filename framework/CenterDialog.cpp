#include "framework/CenterDialog.h"

BOOL CenterDialog(HWND hWnd, HWND hWndCenter) {
    const LONG style = ::GetWindowLongW(hWnd, GWL_STYLE);
    if (!hWndCenter)
        hWndCenter = (style & WS_CHILD) ? ::GetParent(hWnd) : ::GetWindow(hWnd, GW_OWNER);

    RECT window = {};
    ::GetWindowRect(hWnd, &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;

    if (hWndCenter) {
        const LONG centerStyle = ::GetWindowLongW(hWndCenter, GWL_STYLE);
        if (!(centerStyle & WS_VISIBLE) || (centerStyle & WS_MINIMIZE))
            hWndCenter = nullptr;
    }

    HMONITOR monitor = ::MonitorFromWindow(hWndCenter ? hWndCenter : hWnd, MONITOR_DEFAULTTONEAREST);
    if (!monitor)
        return FALSE;
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (!::GetMonitorInfoW(monitor, &info))
        return FALSE;
    const RECT area = info.rcWork;
    RECT center = area;
    if (hWndCenter)
        ::GetWindowRect(hWndCenter, &center);

    int left = (center.left + center.right) / 2 - width / 2;
    int top = (center.top + center.bottom) / 2 - height / 2;
    if (left + width > area.right)
        left = area.right - width;
    if (left < area.left)
        left = area.left;
    if (top + height > area.bottom)
        top = area.bottom - height;
    if (top < area.top)
        top = area.top;

    return ::SetWindowPos(hWnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
