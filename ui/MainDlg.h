// CMainDlg: the program's one top-level window. A resizable modeless dialog
// whose client area, but for a margin (8 pixels at 96 DPI, scaled to the
// window's DPI), is the message log (list box 1000), and which takes files
// dropped from the shell. When the system moves it to a monitor of another
// DPI, it takes the size the system suggests and lays the log out again.
//
// It is the front end of the portable engine (CBatchExtractor), which it
// holds: the list box is the engine's line sink, CInputDlg its folder-name
// prompt and PlaySoundW its completion sound. When the engine runs out of
// memory for a decompression buffer, the process ends at once with exit
// code 0, after the log's two lines. Run constructs it with the platform seam,
// creates it with CreateModeless and runs the thread's message loop while it
// exists; the window adds itself to that loop as message filter (the dialog
// keyboard interface) and idle handler, and leaves it when destroyed.
//
// Closing: the OK command (Enter) and the Cancel command (Escape, the close
// box, Alt+F4, WM_CLOSE) destroy the window and post the quit message with 1
// or 2.
//
// One job at a time. A drop runs on this thread, and between entries the
// window serves its messages (ContinueJob), so it repaints, moves and answers
// other processes all through a long drop. Meanwhile:
//   - a drop is refused: its handle is released and nothing else happens, as
//     it is while the About box is open;
//   - a close request (OK, Cancel, WM_CLOSE, the session ending) closes an
//     open prompt and stops the drop after the entry being written; the drop
//     ends with its summary, then the window closes with that request's code;
//   - the log is filled without being redrawn, and brought up to date at most
//     every 100 ms; the caption (and the taskbar button, where the system has
//     one) shows how far the drop is.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

struct ITaskbarList3;

#include "base/Text.h"
#include "batch/BatchExtractor.h"
#include "framework/IdleHandler.h"
#include "framework/IndirectDialogImpl.h"
#include "framework/MessageFilter.h"
#include "framework/UpdateUI.h"
#include "manifest/ManifestWriter.h"
#include "rebuild/DropJobs.h"
#include "ui/InputDlg.h"

class CMainDlg : public CIndirectDialogImpl<CMainDlg>,
                 public CUpdateUI<CMainDlg>,
                 public CMessageFilter,
                 public CIdleHandler,
                 public IExtractCallback,
                 public IDropItemHandler,
                 public IJobReport {
public:
    enum : int {
        IDC_LOG_LIST = 1000,
        ID_APP_ABOUT = 0xE140,  // the system menu's About item
        ID_LOG_COPY = 0xE150,   // its "Copy log" item: every line to the clipboard
        ID_LOG_SAVE = 0xE160,   // its "Save log..." item: every line to a UTF-8 file
        ID_KEEP_REBUILD_DATA = 0xE170,  // its "Keep rebuild data" check item (-m)
        ID_EXPLORER_ADD = 0xE180,       // "Add to Explorer's menu" (ui/ExplorerMenu)
        ID_EXPLORER_REMOVE = 0xE190,    // "Remove from Explorer's menu"
        // Posted by QueueStartupDrop: the paths given at start-up are handled.
        WM_STARTUP_DROP = WM_APP + 1,
        kMargin = 8,  // pixels between the client edge and the log at 96 DPI
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
    // The paths given at start-up (each terminated, an empty one ends the
    // list), handled as one drop once the window serves its queue.
    void QueueStartupDrop(const char16_t* paths);

    // The folder that receives the output (-o), absolute; empty or null for
    // the current folder. False (nothing changes) when it does not fit.
    bool SetOutputFolder(const char16_t* folder);
    // Each extraction also writes its manifest beside its folder, as
    // vanto-extract --manifest does (-m, the system menu's check item).
    void SetKeepRebuildData(bool keep);
    bool KeepsRebuildData() const { return m_bKeepRebuildData; }
    // The code page entry names are read in, written into manifests.
    void SetCodePage(unsigned codePage) { m_nCodePage = codePage; }

    // The message log's operations, as the engine has them.
    template <class... Args>
    void LogJa(const char16_t* format, const Args&... args) {
        m_engine.LogJa(format, args...);
    }
    template <class... Args>
    void LogEn(const char16_t* format, const Args&... args) {
        m_engine.LogEn(format, args...);
    }
    template <class... Args>
    void LogAny(const char16_t* format, const Args&... args) {
        m_engine.LogAny(format, args...);
    }
    bool IsJapanese() const { return m_engine.IsJapanese(); }

    // The engine's hooks.
    void OnLogLine(const char16_t* line) override;
    EFolderAnswer AskFolderName(char16_t* nameBuffer, size_t capacity, const char16_t* caption) override;
    void PlayCompletionSound() override;
    bool ContinueJob(const SJobProgress& progress) override;
    void OnFileEvent(const SFileEvent& event) override;
    void OnEntryEvent(const SEntryEvent& event) override;
    void OnContainerEnd(const SContainerEnd& end) override;

    // A dropped folder is rebuilt, a dropped .vpatch applied, into the
    // output folder (rebuild/DropJobs), with the drop's log and progress.
    EResult HandleDropItem(const char16_t* path, const SJobProgress& progress) override;
    void Say(const std::u16string& line) override;
    bool GoOn() override;

    // The completion sound's file, "<Windows folder>\media\tada.wav". False
    // when the Windows folder is unknown or the path does not fit.
    static bool ComposeCompletionSoundPath(WCHAR* buf, size_t capacity);

    // The log's lines [first, first + count) into the clipboard as text,
    // each ended by CRLF when endLines is set. False when it was not taken.
    bool CopyLogToClipboard(int first, int count, bool endLines);
    // Every line, ended by CRLF, into the file at path as UTF-8; the file is
    // made anew. False when it could not be written whole (nothing is left).
    bool SaveLogToFile(const WCHAR* path);

    // The message log; set while the window initialises.
    HWND m_hWndList = nullptr;

private:
    BOOL OnInitDialog();
    void OnDestroy();
    void LayoutLogList();
    void CloseWithCode(int nCode);
    void SetProgramIcons();
    void AppendSystemMenuItems();
    void ShowAboutBox();
    void AskAndSaveLog();
    // Adds or removes Explorer's verbs for the current user, and says so.
    void ChangeExplorerMenu(bool add);
    // Runs one drop, from the shell or from the start-up paths.
    void RunDrop(IDropList& drop);
    void RunStartupDrop();
    // The current file's manifest beside its output folder, and its log line.
    void WriteRebuildData(const char16_t* folder);

    // The job's frame: the log kept from redrawing, the title saved, the
    // taskbar button asked for; and all of it undone.
    void BeginJob();
    void EndJob();
    // A close request: outside a job the window closes at once; during one
    // the drop is stopped first and the window closes when it has ended.
    void RequestClose(int nCode);
    // Dispatches what is waiting in the queue, for at most a few milliseconds.
    void ServeMessages();
    void SetLogRedraw(bool bRedraw);
    void RefreshLog();
    void ShowProgress(const SJobProgress& progress);
    // The caption while a drop is extracted: "42% – hero.god (2 of 5) – " and
    // the window's title, or its Japanese form. False when it does not fit.
    bool ComposeProgressTitle(const SJobProgress& progress, WCHAR* buf, size_t capacity) const;

    // Read by the engine for every file: filled before the first drop.
    char16_t m_szOutputFolder[kPathCapacity] = {};
    CBatchExtractor m_engine;
    IPlatform& m_platform;
    bool m_bKeepRebuildData = false;
    unsigned m_nCodePage = 932;
    CManifestBuilder m_manifest;
    std::vector<std::u16string> m_startupPaths;
    SJobProgress m_itemProgress;  // the drop's progress while a folder or patch is handled
    HICON m_hIconBig = nullptr;
    HICON m_hIconSmall = nullptr;

    bool m_bJobRunning = false;
    bool m_bAboutOpen = false;
    int m_nCloseCode = 0;               // a close request during the job; 0 when none
    CInputDlg* m_pPrompt = nullptr;     // the open folder-name prompt
    DWORD m_dwLastServed = 0;           // when the queue was last served (GetTickCount)
    DWORD m_dwLastRefreshed = 0;        // when the log and caption were last brought up to date
    WCHAR m_szTitle[128] = {};          // the title to restore after the job
    ITaskbarList3* m_pTaskbar = nullptr;
};
