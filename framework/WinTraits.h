// CWinTraits: the style bits every control of a dialog template gets.
#pragma once

#include <windows.h>

template <DWORD t_dwStyle, DWORD t_dwExStyle = 0>
class CWinTraits {
public:
    static DWORD GetWndStyle(DWORD dwStyle) { return dwStyle | t_dwStyle; }
    static DWORD GetWndExStyle(DWORD dwExStyle) { return dwExStyle | t_dwExStyle; }
};

// Controls are visible children that clip their siblings and children.
using CControlWinTraits = CWinTraits<WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0>;
