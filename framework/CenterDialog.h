// CenterDialog: places a window over a reference window, or over the work
// area of the nearest monitor, without leaving that work area.
//
// Called by dialogs when they initialise: a top-level window with no
// reference, an owned box with its owner.
#pragma once

#include <windows.h>

// hWndCenter null means the window's parent (for a child) or owner. A hidden
// or minimised reference counts as none. False, and the window stays, when
// the monitor's information cannot be had; else SetWindowPos's result.
BOOL CenterDialog(HWND hWnd, HWND hWndCenter = nullptr);
