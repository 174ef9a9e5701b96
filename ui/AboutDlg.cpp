#include "ui/AboutDlg.h"

#include "framework/CenterDialog.h"
#include "framework/UiSettings.h"
#include "res/Resource.h"

const WCHAR CAboutDlg::kAboutText[] =
    L"Vanto Custom File Extractor\n"
    L"Release 4 [2018/08/07]\n"
    L"\n"
    L"Vanto Extractor contributors";

namespace {
constexpr WORD kNoId = 0xFFFF;  // controls nobody looks up
}

void CAboutDlg::BuildTemplate() {
    m_Template.BeginTemplate(L"About", 0, 0, 187, 102,
                             WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS, 0,
                             g_szFontFace, WORD(g_nFontSize), FW_NORMAL, FALSE, DEFAULT_CHARSET);
    m_Template.AppendControl(kClassButton, IDOK, 130, 81, 50, 14, WS_TABSTOP | BS_DEFPUSHBUTTON, 0, L"OK");
    // The text spans the group box's inside (centred under the icon as
    // before) so that the program's name stays on one line and all four
    // lines show; 78 units clipped the last line in every UI font.
    m_Template.AppendControl(kClassStatic, kNoId, 10, 57, 108, 32, WS_GROUP | SS_CENTER, 0, kAboutText);
    m_Template.AppendControl(kClassStatic, kNoId, 55, 26, 16, 18, SS_ICON, 0, MAKEINTRESOURCEW(IDI_PROGRAM));
    m_Template.AppendControl(kClassButton, kNoId, 7, 7, 115, 88, BS_GROUPBOX, 0, L"");
}

BOOL CAboutDlg::HandleMessage(HWND, UINT uMsg, WPARAM wParam, LPARAM, LRESULT& lResult, DWORD dwMsgMapID) {
    if (dwMsgMapID != 0)
        return FALSE;
    if (uMsg == WM_INITDIALOG) {
        CenterDialog(m_hWnd, GetParent());
        lResult = TRUE;  // the platform focuses the default button
        return TRUE;
    }
    if (uMsg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(LOWORD(wParam));
        lResult = 0;
        return TRUE;
    }
    return FALSE;
}
