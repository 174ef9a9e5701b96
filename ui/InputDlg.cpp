#include "ui/InputDlg.h"

#include "base/Text.h"
#include "batch/FolderName.h"
#include "framework/CenterDialog.h"
#include "framework/UiSettings.h"

void CInputDlg::BuildTemplate() {
    m_Template.BeginTemplate(L"Input text", 0, 0, 320, 40,
                             WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS, 0,
                             g_szFontFace, WORD(g_nFontSize), FW_NORMAL, FALSE, DEFAULT_CHARSET);
    // No ES_AUTOHSCROLL: typing stops at the box's right edge.
    m_Template.AppendControl(kClassEdit, IDC_INPUT_EDIT, 5, 5, 310, 12, WS_BORDER | WS_TABSTOP, 0, nullptr);
    m_Template.AppendControl(kClassButton, IDOK, 265, 23, 50, 12, WS_TABSTOP | BS_DEFPUSHBUTTON, 0, L"OK");
}

BOOL CInputDlg::HandleMessage(HWND, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult, DWORD dwMsgMapID) {
    if (dwMsgMapID != 0)
        return FALSE;
    switch (uMsg) {
    case WM_INITDIALOG:
        OnInitDialog(lParam);
        lResult = 0;  // the focus is set here, not by the platform
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            OnOK();
            lResult = 0;
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(IDCANCEL);
            lResult = 0;
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

void CInputDlg::OnInitDialog(LPARAM lParam) {
    m_wndEdit = GetDlgItem(IDC_INPUT_EDIT);
    m_pszName = reinterpret_cast<WCHAR*>(lParam);
    if (!m_pszName) {  // nothing to edit: the question cannot be answered
        EndDialog(IDCANCEL);
        return;
    }
    // The job's trailing "\" goes, and so does anything after an earlier one.
    CutAtFirstBackslash(AsChar16(m_pszName));
    if (m_pszCaption)
        SetWindowText(m_pszCaption);
    ::SetWindowTextW(m_wndEdit, m_pszName);
    CenterDialog(m_hWnd, GetParent());
    ::SetFocus(m_wndEdit);
    const int length = ::GetWindowTextLengthW(m_wndEdit);
    ::SendMessageW(m_wndEdit, EM_SETSEL, length, length);
    ::SendMessageW(m_wndEdit, EM_SCROLLCARET, 0, 0);
}

void CInputDlg::OnOK() {
    if (!m_pszName) {
        EndDialog(IDCANCEL);
        return;
    }
    // Read the whole box (up to what a name buffer can hold); at most
    // kNameCapacity - 2 characters of it are kept, so the "\" always fits.
    WCHAR typed[kNameCapacity] = {};
    ::GetWindowTextW(m_wndEdit, typed, kNameCapacity);
    StoreFolderAnswer(AsChar16(m_pszName), kNameCapacity, AsChar16(typed));
    EndDialog(IDOK);
}
