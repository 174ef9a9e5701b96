#include "ui/MainDlg.h"

#include <mmsystem.h>

#include "framework/AppModule.h"
#include "framework/CenterDialog.h"
#include "framework/MessageLoop.h"
#include "framework/UiSettings.h"
#include "res/Resource.h"
#include "ui/AboutDlg.h"
#include "ui/InputDlg.h"

namespace {

const char16_t* LocaleNameForEngine() { return AsChar16(g_szLocaleName); }

// The paths of one shell drop, read with DragQueryFileW.
class CDropFileList final : public IDropList {
public:
    explicit CDropFileList(HDROP hDrop) : m_hDrop(hDrop) {}

    int32_t GetCount() override { return int32_t(::DragQueryFileW(m_hDrop, 0xFFFFFFFF, nullptr, 0)); }
    uint32_t GetPathLength(int32_t index) override { return ::DragQueryFileW(m_hDrop, UINT(index), nullptr, 0); }
    void CopyPath(int32_t index, char16_t* buf, size_t capacity) override {
        if (capacity == 0)
            return;
        buf[0] = 0;  // a path that cannot be read is an empty one
        ::DragQueryFileW(m_hDrop, UINT(index), AsWide(buf), UINT(capacity));
    }

private:
    HDROP m_hDrop;
};

// The program's icon at the system size the two metrics give; a new handle.
HICON LoadProgramIcon(int metricX, int metricY) {
    return static_cast<HICON>(::LoadImageW(g_Module.GetModuleInstance(), MAKEINTRESOURCEW(IDI_PROGRAM),
                                           IMAGE_ICON, ::GetSystemMetrics(metricX), ::GetSystemMetrics(metricY),
                                           LR_DEFAULTCOLOR));
}

void AppendMenuItem(HMENU hMenu, MENUITEMINFOW& item) {
    item.cbSize = sizeof(MENUITEMINFOW);
    ::InsertMenuItemW(hMenu, UINT(-1), TRUE, &item);
}

}  // namespace

CMainDlg::CMainDlg(IPlatform& platform) : CBatchExtractor(platform, SExtractOptions{LocaleNameForEngine()}) {}

CMainDlg::~CMainDlg() {
    // The icons are ours (not shared); the window that showed them is gone.
    if (m_hIconBig)
        ::DestroyIcon(m_hIconBig);
    if (m_hIconSmall)
        ::DestroyIcon(m_hIconSmall);
}

const SUpdateUIMap* CMainDlg::GetUpdateUIMap() {
    static const SUpdateUIMap kMap[] = {{kMapEnd, 0}};
    return kMap;
}

void CMainDlg::BuildTemplate() {
    m_Template.BeginTemplate(L"Vanto Custom File Extractor", 0, 0, 400, 250,
                             WS_OVERLAPPEDWINDOW | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS, WS_EX_ACCEPTFILES,
                             g_szFontFace, WORD(g_nFontSize), FW_NORMAL, FALSE, DEFAULT_CHARSET);
    // Unsorted, so lines stay in the order they were written.
    m_Template.AppendControl(kClassListBox, IDC_LOG_LIST, 5, 5, 390, 240, WS_BORDER | WS_VSCROLL | LBS_NOTIFY, 0,
                             nullptr);
}

BOOL CMainDlg::HandleMessage(HWND, UINT uMsg, WPARAM wParam, LPARAM, LRESULT& lResult, DWORD dwMsgMapID) {
    if (dwMsgMapID != 0)
        return FALSE;
    switch (uMsg) {
    case WM_INITDIALOG:
        lResult = OnInitDialog();
        return TRUE;
    case WM_DESTROY:
        OnDestroy();
        lResult = 0;
        return TRUE;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        lResult = 0;
        return TRUE;
    case WM_SIZE:
        LayoutLogList();
        lResult = 0;
        return TRUE;
    case WM_COMMAND:
        // Only the id counts, whatever the notification code or sender.
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            CloseWithCode(LOWORD(wParam));
            lResult = 0;
            return TRUE;
        }
        return FALSE;
    case WM_SYSCOMMAND:
        if (LOWORD(wParam) == ID_APP_ABOUT) {
            ShowAboutBox();
            lResult = 0;
            return TRUE;
        }
        return FALSE;  // move, size, close, ...: the platform's own handling
    default:
        return FALSE;
    }
}

BOOL CMainDlg::OnInitDialog() {
    CenterDialog(m_hWnd, nullptr);
    SetProgramIcons();

    if (CMessageLoop* pLoop = g_Module.GetMessageLoop()) {
        pLoop->AddMessageFilter(this);
        pLoop->AddIdleHandler(this);
    }
    UIAddChildWindowContainer(m_hWnd);

    m_hWndList = GetDlgItem(IDC_LOG_LIST);
    AppendAboutItem();
    if (IsJapanese())
        SetWindowText(L"Vanto カスタムファイル展開ツール");

    LogJa(u"Vanto カスタム系ファイル (*.god, *.item, *.npc, etc...) をドロップすると展開します。");
    LogEn(u"Drop Vanto custom files (*.god, *.item, *.npc, etc...) here to extract.");
    return TRUE;  // the platform gives the focus to the first control
}

void CMainDlg::OnDestroy() {
    if (CMessageLoop* pLoop = g_Module.GetMessageLoop()) {
        pLoop->RemoveMessageFilter(this);
        pLoop->RemoveIdleHandler(this);
    }
}

void CMainDlg::SetProgramIcons() {
    // A window created again from this object gets fresh icons.
    if (m_hIconBig)
        ::DestroyIcon(m_hIconBig);
    if (m_hIconSmall)
        ::DestroyIcon(m_hIconSmall);
    m_hIconBig = LoadProgramIcon(SM_CXICON, SM_CYICON);
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIconBig));
    m_hIconSmall = LoadProgramIcon(SM_CXSMICON, SM_CYSMICON);
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIconSmall));
}

void CMainDlg::AppendAboutItem() {
    const HMENU hMenu = ::GetSystemMenu(m_hWnd, FALSE);
    MENUITEMINFOW separator = {};
    separator.fMask = MIIM_TYPE;
    separator.fType = MFT_SEPARATOR;
    AppendMenuItem(hMenu, separator);

    WCHAR japanese[] = L"バージョン情報(&A)";
    WCHAR english[] = L"&About Vanto Extractor";
    MENUITEMINFOW about = {};
    about.fMask = MIIM_ID | MIIM_STRING;
    about.wID = ID_APP_ABOUT;
    about.dwTypeData = IsJapanese() ? japanese : english;
    AppendMenuItem(hMenu, about);
}

void CMainDlg::ShowAboutBox() {
    CAboutDlg dlg;
    dlg.RunModal();  // owned by the active window, this one when it has the focus
}

void CMainDlg::LayoutLogList() {
    // Size changes come before the log exists, while the window is created.
    if (!m_hWndList)
        return;
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    const int left = rc.left + kMargin;
    const int top = rc.top + kMargin;
    // Below 16 pixels the computed size is negative; the platform takes it as
    // empty, and the next larger size restores the margins.
    ::SetWindowPos(m_hWndList, nullptr, left, top, (rc.right - kMargin) - left, (rc.bottom - kMargin) - top,
                   SWP_NOZORDER);
}

void CMainDlg::CloseWithCode(int nCode) {
    ::DestroyWindow(m_hWnd);
    ::PostQuitMessage(nCode);
}

BOOL CMainDlg::PreTranslateMessage(MSG* pMsg) {
    // Escape becomes the Cancel command, Enter the OK command.
    return m_hWnd != nullptr && ::IsDialogMessageW(m_hWnd, pMsg);
}

BOOL CMainDlg::OnIdle() {
    UIUpdateChildWindows();
    return FALSE;
}

void CMainDlg::OnDropFiles(HDROP hDrop) {
    CDropFileList drop(hDrop);
    ExtractDroppedFiles(drop);
    ::DragFinish(hDrop);
}

void CMainDlg::OnLogLine(const char16_t* line) {
    // Add at the end, then select the newest line so that it scrolls into view.
    ::SendMessageW(m_hWndList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
    const LRESULT count = ::SendMessageW(m_hWndList, LB_GETCOUNT, 0, 0);
    ::SendMessageW(m_hWndList, LB_SETCURSEL, WPARAM(count - 1), 0);
}

int CMainDlg::AskFolderName(char16_t* nameBuffer, size_t capacity, const char16_t* caption) {
    // The prompt writes up to its own capacity into the buffer.
    if (capacity < size_t(CInputDlg::kNameCapacity))
        return -1;
    CInputDlg dlg;
    dlg.m_pszCaption = AsWide(caption);
    return int(dlg.RunModal(m_hWnd, reinterpret_cast<LPARAM>(nameBuffer)));
}

bool CMainDlg::ComposeCompletionSoundPath(WCHAR* buf, size_t capacity) {
    WCHAR windowsFolder[kPathCapacity];
    const UINT length = ::GetWindowsDirectoryW(windowsFolder, kPathCapacity);
    if (length == 0 || length >= kPathCapacity)
        return false;
    return FormatTextV(AsChar16(buf), capacity, u"%s\\media\\%s",
                       AsChar16(windowsFolder), u"tada.wav") == EFormatResult::Ok;
}

void CMainDlg::PlayCompletionSound() {
    WCHAR soundPath[kPathCapacity];
    if (ComposeCompletionSoundPath(soundPath, kPathCapacity))
        ::PlaySoundW(soundPath, nullptr, SND_ASYNC);
}
