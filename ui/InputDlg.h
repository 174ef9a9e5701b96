// CInputDlg: the modal prompt that asks for another output folder name when
// the per-file job cannot create one.
//
// The caller (the main window) sets the caption, then calls
// RunModal(owner, address of its name buffer). The buffer holds
// kNameCapacity characters with the terminator: the last tried name followed
// by "\". End codes: 1 (OK; the buffer then holds the new name followed by
// exactly one "\"), 2 (Escape or the close box; the buffer holds the name
// without its "\"), -1 when the prompt could not be shown.
#pragma once

#include <windows.h>

#include "framework/IndirectDialogImpl.h"

class CInputDlg : public CIndirectDialogImpl<CInputDlg> {
public:
    enum : int {
        kNameCapacity = 260,
        IDC_INPUT_EDIT = 1001,
    };

    void BuildTemplate();
    BOOL HandleMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult,
                       DWORD dwMsgMapID) override;

    HWND m_wndEdit = nullptr;
    // The title shown while the prompt is open; set by the caller before
    // RunModal and kept alive by it.
    const WCHAR* m_pszCaption = nullptr;
    // The caller's name buffer, from WM_INITDIALOG's lParam.
    WCHAR* m_pszName = nullptr;

private:
    void OnInitDialog(LPARAM lParam);
    void OnOK();
};
