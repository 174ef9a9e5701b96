// CAboutDlg: the modal About box, opened from the main window's system menu.
// Shows the program's icon (IDI_PROGRAM of the module), its name, release
// and credit. End codes: 1 (OK or Enter), 2 (Escape or the close box), -1
// when it could not be shown.
#pragma once

#include <windows.h>

#include "framework/IndirectDialogImpl.h"

class CAboutDlg : public CIndirectDialogImpl<CAboutDlg> {
public:
    // The text of the box, the same in every UI language.
    static const WCHAR kAboutText[];

    void BuildTemplate();
    BOOL HandleMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult,
                       DWORD dwMsgMapID) override;
};
