// The DPI a window is drawn at, and lengths given in pixels at 96 DPI scaled
// to it, for layouts measured in pixels rather than dialog units.
//
// GetDpiForWindow is looked up at run time: it is new in Windows 10 1607 and
// may be missing under Wine. Without it, the DPI of the window's device
// context stands in: the system's, at which the dialog manager made the
// window's font and so its dialog units.
#pragma once

#include <windows.h>

inline UINT GetWindowDpi(HWND hWnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow) {
        const UINT dpi = getDpiForWindow(hWnd);
        if (dpi != 0)  // 0: not a window
            return dpi;
    }
    int dpi = 0;
    if (const HDC dc = ::GetDC(hWnd)) {
        dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
        ::ReleaseDC(hWnd, dc);
    }
    return dpi > 0 ? UINT(dpi) : USER_DEFAULT_SCREEN_DPI;
}

// pixelsAt96 at the window's DPI, rounded to the nearest pixel: unchanged at 96.
inline int ScaleToWindowDpi(HWND hWnd, int pixelsAt96) {
    return ::MulDiv(pixelsAt96, int(GetWindowDpi(hWnd)), USER_DEFAULT_SCREEN_DPI);
}

// Leaves the size and the placement of a dialog's controls to the dialog on
// a DPI change, while the dialog manager still gives the controls the font
// for the new DPI (Windows 10 1703 and later; elsewhere nothing changes).
inline void KeepDialogLayoutOnDpiChange(HWND hDlg) {
    enum : int { kDisableResize = 2, kDisableControlRelayout = 4 };
    using SetBehaviourFn = BOOL(WINAPI*)(HWND, int, int);
    static const auto setBehaviour = reinterpret_cast<SetBehaviourFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "SetDialogDpiChangeBehavior")));
    if (setBehaviour)
        setBehaviour(hDlg, kDisableResize | kDisableControlRelayout, kDisableResize | kDisableControlRelayout);
}
