// CMainDlg: the program's one top-level window. A resizable modeless dialog
// whose client area, but for an 8-pixel margin, is the message log (list box
// 1000), and which takes files dropped from the shell.
//
// It is the portable engine (CBatchExtractor) with a window on top: the list
// box is the engine's line sink, CInputDlg its folder-name prompt and
// PlaySoundW its completion sound. Run constructs it with the platform seam,
// creates it with CreateModeless and runs the thread's message loop while it
// exists; the window adds itself to that loop as message filter (the dialog
// keyboard interface) and idle handler, and leaves it when destroyed.
//
// Closing: the OK command (Enter) and the Cancel command (Escape, the close
// box, Alt+F4) destroy the window and post the quit message with 1 or 2.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "base/Text.h"
#include "batch/BatchExtractor.h"
#include "framework/IdleHandler.h"
#include "framework/IndirectDialogImpl.h"
#include "framework/MessageFilter.h"
#include "framework/UpdateUI.h"

class CMainDlg : public CIndirectDialogImpl<CMainDlg>,
                 public CUpdateUI<CMainDlg>,
                 public CMessageFilter,
                 public CIdleHandler,
                 public CBatchExtractor {
public:
    enum : int {
        IDC_LOG_LIST = 1000,
        ID_APP_ABOUT = 0xE140,  // the system menu's About item
        kMargin = 8,  // pixels between the client edge and the log
    };

    // The platform must outlive the object. The UI language is read from
    // g_szLocaleName on every log call.
    explicit CMainDlg(IPlatform& platform);
    ~CMainDlg() override;

    static const SUpdateUIMap* GetUpdateUIMap();
    void BuildTemplate();
    BOOL HandleMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult,
                       DWORD dwMsgMapID) override;

    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnIdle() override;

    // One drop: the whole batch runs here; the handle is released at the end.
    void OnDropFiles(HDROP hDrop);

    // The engine's hooks.
    void OnLogLine(const char16_t* line) override;
    int AskFolderName(char16_t* nameBuffer, size_t capacity, const char16_t* caption) override;
    void PlayCompletionSound() override;

    // The completion sound's file, "<Windows folder>\media\tada.wav". False
    // when the Windows folder is unknown or the path does not fit.
    static bool ComposeCompletionSoundPath(WCHAR* buf, size_t capacity);

    // The message log; set while the window initialises.
    HWND m_hWndList = nullptr;

private:
    BOOL OnInitDialog();
    void OnDestroy();
    void LayoutLogList();
    void CloseWithCode(int nCode);
    void SetProgramIcons();
    void AppendAboutItem();
    void ShowAboutBox();

    HICON m_hIconBig = nullptr;
    HICON m_hIconSmall = nullptr;
};
