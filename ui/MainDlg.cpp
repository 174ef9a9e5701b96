#include "ui/MainDlg.h"

#include <mmsystem.h>
#include <shobjidl.h>
#include <commdlg.h>

#include "batch/PathList.h"
#include "extract/WritePool.h"
#include "framework/AppModule.h"
#include "framework/CenterDialog.h"
#include "framework/MessageLoop.h"
#include "framework/UiSettings.h"
#include "framework/WindowDpi.h"
#include "res/Resource.h"
#include "ui/AboutDlg.h"
#include "ui/ExplorerMenu.h"
#include "ui/InputDlg.h"

namespace {

// How often the queue is served during a job, and the log and caption brought
// up to date, in milliseconds; and the longest one serving may take.
constexpr DWORD kServeInterval = 20;
constexpr DWORD kRefreshInterval = 100;
constexpr DWORD kServeBudget = 50;
// How far a drop is, as done of total: each file weighs the same, and within
// a file the bytes walked count.
void ShareOfDrop(const SJobProgress& progress, uint64_t& done, uint64_t& total) {
    const uint64_t fileBytes = progress.nBytesTotal > 0 ? uint64_t(progress.nBytesTotal) : 1;
    const uint64_t files = progress.nFileCount > 0 ? uint64_t(progress.nFileCount) : 1;
    done = uint64_t(progress.nFileIndex) * fileBytes + uint64_t(progress.nBytesWalked > 0 ? progress.nBytesWalked : 0);
    total = files * fileBytes;
}

// Lines the log reserves room for when a drop begins, and their bytes.
constexpr WPARAM kReservedLines = 4096;
constexpr LPARAM kReservedBytes = 4096 * 160;

// The UI language, read on every log call, the output folder, read for every
// file, and one thread a core writing the files of a drop.
SExtractOptions EngineOptions(const char16_t* outputFolder) {
    SExtractOptions options;
    options.pszLocaleName = AsChar16(g_szLocaleName);
    options.pszExtractionFolder = outputFolder;
    options.nWriteThreads = DefaultWriteThreads();
    return options;
}

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

void AppendCommand(HMENU hMenu, UINT id, const WCHAR* text) {
    WCHAR copy[64];
    if (!CopyText(AsChar16(copy), 64, AsChar16(text)))
        return;
    MENUITEMINFOW item = {};
    item.fMask = MIIM_ID | MIIM_STRING;
    item.wID = id;
    item.dwTypeData = copy;
    AppendMenuItem(hMenu, item);
}

// Lines [first, first + count) of a list box joined into one text, each
// ended by CRLF when endLines is set (else CRLF between them), in a movable
// global block as the clipboard takes it; null when it cannot be had.
HGLOBAL JoinLines(HWND list, int first, int count, bool endLines) {
    size_t length = 1;
    for (int i = first; i < first + count; ++i) {
        const LRESULT n = ::SendMessageW(list, LB_GETTEXTLEN, WPARAM(i), 0);
        if (n == LB_ERR)
            return nullptr;
        length += size_t(n) + 2;
    }
    const HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, length * sizeof(WCHAR));
    WCHAR* text = block ? static_cast<WCHAR*>(::GlobalLock(block)) : nullptr;
    if (!text) {
        if (block)
            ::GlobalFree(block);
        return nullptr;
    }
    size_t pos = 0;
    for (int i = first; i < first + count; ++i) {
        // The lengths were asked above; the list cannot change in between.
        pos += size_t(::SendMessageW(list, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text + pos)));
        if (endLines || i + 1 < first + count) {
            text[pos++] = L'\r';
            text[pos++] = L'\n';
        }
    }
    text[pos] = 0;
    ::GlobalUnlock(block);
    return block;
}

}  // namespace

CMainDlg::CMainDlg(IPlatform& platform)
    : m_engine(platform, *this, EngineOptions(m_szOutputFolder)), m_platform(platform) {
    m_engine.SetDropItemHandler(this);
}

CMainDlg::~CMainDlg() {
    if (m_pTaskbar)
        m_pTaskbar->Release();
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

BOOL CMainDlg::HandleMessage(HWND, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult, DWORD dwMsgMapID) {
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
        // One job at a time, and none under the About box.
        if (m_bJobRunning || m_bAboutOpen)
            ::DragFinish(reinterpret_cast<HDROP>(wParam));
        else
            OnDropFiles(reinterpret_cast<HDROP>(wParam));
        lResult = 0;
        return TRUE;
    case WM_STARTUP_DROP:
        if (!m_bJobRunning && !m_bAboutOpen)
            RunStartupDrop();
        lResult = 0;
        return TRUE;
    case WM_CLOSE:
        if (!m_bJobRunning)
            return FALSE;  // the platform turns it into the Cancel command
        RequestClose(IDCANCEL);
        lResult = 0;
        return TRUE;
    case WM_QUERYENDSESSION:
        // The session may end: a drop stops after its current entry.
        if (m_bJobRunning)
            RequestClose(IDCANCEL);
        lResult = TRUE;
        return TRUE;
    case WM_SIZE:
        LayoutLogList();
        lResult = 0;
        return TRUE;
    case WM_DPICHANGED: {
        // The system's rectangle for the new DPI; the margin follows the DPI
        // even when the size stays.
        const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
        ::SetWindowPos(m_hWnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                       suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
        LayoutLogList();
        // Not handled: the dialog manager still gives the log its font for
        // the new DPI (the size and placement it leaves to this window).
        return FALSE;
    }
    case WM_COMMAND:
        // Only the id counts, whatever the notification code or sender.
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            RequestClose(LOWORD(wParam));
            lResult = 0;
            return TRUE;
        }
        return FALSE;
    case WM_SYSCOMMAND:
        if (LOWORD(wParam) == ID_LOG_COPY) {
            CopyLogToClipboard(0, int(::SendMessageW(m_hWndList, LB_GETCOUNT, 0, 0)), true);
            lResult = 0;
            return TRUE;
        }
        if (LOWORD(wParam) == ID_LOG_SAVE) {
            if (!m_bJobRunning)  // the save dialog would hold the drop up
                AskAndSaveLog();
            lResult = 0;
            return TRUE;
        }
        if (LOWORD(wParam) == ID_KEEP_REBUILD_DATA) {
            SetKeepRebuildData(!m_bKeepRebuildData);
            lResult = 0;
            return TRUE;
        }
        if (LOWORD(wParam) == ID_EXPLORER_ADD || LOWORD(wParam) == ID_EXPLORER_REMOVE) {
            ChangeExplorerMenu(LOWORD(wParam) == ID_EXPLORER_ADD);
            lResult = 0;
            return TRUE;
        }
        if (LOWORD(wParam) == ID_APP_ABOUT) {
            // A modal box would hold the drop up until it closed.
            if (!m_bJobRunning)
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
    KeepDialogLayoutOnDpiChange(m_hWnd);

    if (CMessageLoop* pLoop = g_Module.GetMessageLoop()) {
        pLoop->AddMessageFilter(this);
        pLoop->AddIdleHandler(this);
    }
    UIAddChildWindowContainer(m_hWnd);

    m_hWndList = GetDlgItem(IDC_LOG_LIST);
    AppendSystemMenuItems();
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

void CMainDlg::AppendSystemMenuItems() {
    const HMENU hMenu = ::GetSystemMenu(m_hWnd, FALSE);
    MENUITEMINFOW separator = {};
    separator.fMask = MIIM_TYPE;
    separator.fType = MFT_SEPARATOR;
    AppendMenuItem(hMenu, separator);

    const bool japanese = IsJapanese();
    // The About item stays the menu's last.
    AppendCommand(hMenu, ID_LOG_COPY, japanese ? L"ログをコピー" : L"Copy log");
    AppendCommand(hMenu, ID_LOG_SAVE, japanese ? L"ログを保存..." : L"Save log...");
    AppendCommand(hMenu, ID_KEEP_REBUILD_DATA, japanese ? L"再構築用データを残す" : L"Keep rebuild data");
    ::CheckMenuItem(hMenu, ID_KEEP_REBUILD_DATA, MF_BYCOMMAND | (m_bKeepRebuildData ? MF_CHECKED : MF_UNCHECKED));
    AppendCommand(hMenu, ID_EXPLORER_ADD, japanese ? L"エクスプローラーのメニューに追加" : L"Add to Explorer's menu");
    AppendCommand(hMenu, ID_EXPLORER_REMOVE,
                  japanese ? L"エクスプローラーのメニューから削除" : L"Remove from Explorer's menu");
    AppendCommand(hMenu, ID_APP_ABOUT, japanese ? L"バージョン情報(&A)" : L"&About Vanto Extractor");
}

bool CMainDlg::CopyLogToClipboard(int first, int count, bool endLines) {
    const HGLOBAL text = JoinLines(m_hWndList, first, count, endLines);
    if (!text)
        return false;
    if (!::OpenClipboard(m_hWnd)) {
        ::GlobalFree(text);
        return false;
    }
    ::EmptyClipboard();
    const bool taken = ::SetClipboardData(CF_UNICODETEXT, text) != nullptr;
    ::CloseClipboard();
    if (!taken)  // the clipboard owns the block only once it took it
        ::GlobalFree(text);
    return taken;
}

bool CMainDlg::SaveLogToFile(const WCHAR* path) {
    const HGLOBAL block = JoinLines(m_hWndList, 0, int(::SendMessageW(m_hWndList, LB_GETCOUNT, 0, 0)), true);
    if (!block)
        return false;
    const WCHAR* text = static_cast<const WCHAR*>(::GlobalLock(block));
    const int length = text ? int(::wcslen(text)) : 0;
    const int bytes = length > 0 ? ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr) : 0;
    char* utf8 = bytes > 0 ? static_cast<char*>(::HeapAlloc(::GetProcessHeap(), 0, size_t(bytes))) : nullptr;
    if (utf8)
        ::WideCharToMultiByte(CP_UTF8, 0, text, length, utf8, bytes, nullptr, nullptr);
    ::GlobalUnlock(block);
    ::GlobalFree(block);
    if (!utf8 && length > 0)
        return false;

    bool written = false;
    const HANDLE file = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD done = 0;
        written = (bytes == 0 || (::WriteFile(file, utf8, DWORD(bytes), &done, nullptr) && done == DWORD(bytes))) &&
                  ::FlushFileBuffers(file);
        ::CloseHandle(file);
        if (!written)  // no log cut short under the name the user chose
            ::DeleteFileW(path);
    }
    if (utf8)
        ::HeapFree(::GetProcessHeap(), 0, utf8);
    return written;
}

void CMainDlg::AskAndSaveLog() {
    WCHAR path[kPathCapacity] = L"VantoExtractor-log.txt";
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = m_hWnd;
    ofn.lpstrFilter = IsJapanese() ? L"テキスト (*.txt)\0*.txt\0すべてのファイル (*.*)\0*.*\0"
                                   : L"Text (*.txt)\0*.txt\0All files (*.*)\0*.*\0";
    ofn.lpstrFile = path;
    ofn.nMaxFile = kPathCapacity;
    ofn.lpstrDefExt = L"txt";
    // The current folder is where drops go: the dialog must not move it.
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_EXPLORER;
    if (!::GetSaveFileNameW(&ofn))
        return;
    if (!SaveLogToFile(path)) {
        LogJa(u"ログを保存できませんでした: [%s]", AsChar16(path));
        LogEn(u"Cannot save the log to [%s].", AsChar16(path));
    }
}

void CMainDlg::ShowAboutBox() {
    CAboutDlg dlg;
    m_bAboutOpen = true;
    dlg.RunModal();  // owned by the active window, this one when it has the focus
    m_bAboutOpen = false;
}

void CMainDlg::LayoutLogList() {
    // Size changes come before the log exists, while the window is created.
    if (!m_hWndList)
        return;
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    const int margin = ScaleToWindowDpi(m_hWnd, kMargin);
    const int left = rc.left + margin;
    const int top = rc.top + margin;
    // Below two margins the computed size is negative; the platform takes it
    // as empty, and the next larger size restores the margins.
    ::SetWindowPos(m_hWndList, nullptr, left, top, (rc.right - margin) - left, (rc.bottom - margin) - top,
                   SWP_NOZORDER);
}

void CMainDlg::CloseWithCode(int nCode) {
    ::DestroyWindow(m_hWnd);
    ::PostQuitMessage(nCode);
}

BOOL CMainDlg::PreTranslateMessage(MSG* pMsg) {
    if (m_hWnd == nullptr)
        return FALSE;
    // Ctrl+C in the log copies the selected line.
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == 'C' && pMsg->hwnd == m_hWndList &&
        ::GetKeyState(VK_CONTROL) < 0) {
        const LRESULT selected = ::SendMessageW(m_hWndList, LB_GETCURSEL, 0, 0);
        if (selected != LB_ERR)
            CopyLogToClipboard(int(selected), 1, false);
        return TRUE;
    }
    // Escape becomes the Cancel command, Enter the OK command.
    return ::IsDialogMessageW(m_hWnd, pMsg);
}

BOOL CMainDlg::OnIdle() {
    UIUpdateChildWindows();
    return FALSE;
}

void CMainDlg::OnDropFiles(HDROP hDrop) {
    CDropFileList drop(hDrop);
    RunDrop(drop);
    ::DragFinish(hDrop);
    if (m_nCloseCode != 0)
        CloseWithCode(m_nCloseCode);
}

void CMainDlg::QueueStartupDrop(const char16_t* paths) {
    m_startupPaths.clear();
    for (const char16_t* path = paths; *path; path += StrLen16(path) + 1)
        m_startupPaths.emplace_back(path);
    if (!m_startupPaths.empty())
        ::PostMessageW(m_hWnd, WM_STARTUP_DROP, 0, 0);
}

void CMainDlg::RunStartupDrop() {
    CPathList drop(std::move(m_startupPaths));
    m_startupPaths.clear();
    RunDrop(drop);
    if (m_nCloseCode != 0)
        CloseWithCode(m_nCloseCode);
}

void CMainDlg::RunDrop(IDropList& drop) {
    BeginJob();
    m_engine.ExtractDroppedFiles(drop);
    // The one fatal failure: no memory for a decompression buffer. The log
    // has said so; nothing more is done.
    if (m_engine.RanOutOfMemory())
        ::ExitProcess(0);
    EndJob();
}

bool CMainDlg::SetOutputFolder(const char16_t* folder) {
    return CopyText(m_szOutputFolder, kPathCapacity, folder ? folder : u"");
}

void CMainDlg::SetKeepRebuildData(bool keep) {
    m_bKeepRebuildData = keep;
    if (m_hWnd)
        ::CheckMenuItem(::GetSystemMenu(m_hWnd, FALSE), ID_KEEP_REBUILD_DATA,
                        MF_BYCOMMAND | (keep ? MF_CHECKED : MF_UNCHECKED));
}

void CMainDlg::OnFileEvent(const SFileEvent& event) {
    if (!m_bKeepRebuildData)
        return;
    if (event.eResult == SFileEvent::EResult::Started) {
        // The source's absolute path, as vanto-extract records it.
        WCHAR absolute[kPathCapacity];
        const DWORD length = ::GetFullPathNameW(AsWide(event.pszPath), kPathCapacity, absolute, nullptr);
        const bool known = length > 0 && length < kPathCapacity &&
                           ::GetFileAttributesW(absolute) != INVALID_FILE_ATTRIBUTES;
        m_manifest.Begin(event.pszPath, known ? std::u16string(AsChar16(absolute), length) : std::u16string(),
                         m_nCodePage);
        return;
    }
    if (event.eResult == SFileEvent::EResult::Done)
        WriteRebuildData(event.pszFolder);
}

void CMainDlg::OnEntryEvent(const SEntryEvent& event) {
    if (m_bKeepRebuildData)
        m_manifest.AddEntry(event);
}

void CMainDlg::OnContainerEnd(const SContainerEnd& end) {
    if (m_bKeepRebuildData)
        m_manifest.EndContainer(end);
}

void CMainDlg::WriteRebuildData(const char16_t* folder) {
    char16_t name[kPathCapacity] = {};
    if (WriteManifestBeside(m_platform, m_engine.ExtractionRoot(), folder, m_manifest.Finish(folder), name)) {
        LogJa(u"再構築用データ [%s] を書き込みました。", name);
        LogEn(u"Rebuild data written [%s].", name);
    } else {
        LogJa(u"再構築用データ [%s] を書き込めませんでした。", name);
        LogEn(u"Cannot write the rebuild data [%s].", name);
    }
}

void CMainDlg::BeginJob() {
    m_bJobRunning = true;
    m_nCloseCode = 0;
    // The queue is served after the first entry already.
    m_dwLastRefreshed = ::GetTickCount();
    m_dwLastServed = m_dwLastRefreshed - kServeInterval;
    ::GetWindowTextW(m_hWnd, m_szTitle, int(sizeof m_szTitle / sizeof m_szTitle[0]));
    ::SendMessageW(m_hWndList, LB_INITSTORAGE, kReservedLines, kReservedBytes);
    SetLogRedraw(false);
    // The taskbar button's progress where the system offers it; without it,
    // as under Wine, only the caption shows progress.
    if (!m_pTaskbar &&
        SUCCEEDED(::CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                     reinterpret_cast<void**>(&m_pTaskbar))) &&
        FAILED(m_pTaskbar->HrInit())) {
        m_pTaskbar->Release();
        m_pTaskbar = nullptr;
    }
    if (m_pTaskbar)
        m_pTaskbar->SetProgressState(m_hWnd, TBPF_NORMAL);
}

void CMainDlg::EndJob() {
    m_bJobRunning = false;
    SetLogRedraw(true);
    RefreshLog();
    ::SetWindowTextW(m_hWnd, m_szTitle);
    if (m_pTaskbar)
        m_pTaskbar->SetProgressState(m_hWnd, TBPF_NOPROGRESS);
}

void CMainDlg::RequestClose(int nCode) {
    if (!m_bJobRunning) {
        CloseWithCode(nCode);
        return;
    }
    if (m_nCloseCode == 0)
        m_nCloseCode = nCode;
    // The prompt's answer no longer matters: the drop ends.
    if (m_pPrompt && m_pPrompt->m_hWnd)
        m_pPrompt->EndDialog(IDCANCEL);
}

bool CMainDlg::ContinueJob(const SJobProgress& progress) {
    const DWORD now = ::GetTickCount();
    if (now - m_dwLastServed >= kServeInterval) {
        ServeMessages();
        m_dwLastServed = ::GetTickCount();
    }
    const bool complete = progress.nFileIndex + 1 == progress.nFileCount && progress.nBytesWalked == progress.nBytesTotal;
    if (now - m_dwLastRefreshed >= kRefreshInterval || complete) {
        SetLogRedraw(true);
        RefreshLog();
        ::UpdateWindow(m_hWndList);
        SetLogRedraw(false);
        ShowProgress(progress);
        m_dwLastRefreshed = now;
    }
    return m_nCloseCode == 0;
}

void CMainDlg::ServeMessages() {
    const DWORD start = ::GetTickCount();
    MSG msg;
    while (::GetTickCount() - start < kServeBudget && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {  // the loop ends after the drop, with this code
            RequestClose(int(msg.wParam));
            break;
        }
        CMessageLoop* pLoop = g_Module.GetMessageLoop();
        if (pLoop ? pLoop->PreTranslateMessage(&msg) : ::IsDialogMessageW(m_hWnd, &msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

void CMainDlg::SetLogRedraw(bool bRedraw) { ::SendMessageW(m_hWndList, WM_SETREDRAW, bRedraw, 0); }

void CMainDlg::RefreshLog() {
    // Select the newest line so that it scrolls into view, then show it all.
    const LRESULT count = ::SendMessageW(m_hWndList, LB_GETCOUNT, 0, 0);
    ::SendMessageW(m_hWndList, LB_SETCURSEL, WPARAM(count - 1), 0);
    ::InvalidateRect(m_hWndList, nullptr, TRUE);
}

bool CMainDlg::ComposeProgressTitle(const SJobProgress& progress, WCHAR* buf, size_t capacity) const {
    uint64_t done = 0, total = 1;
    ShareOfDrop(progress, done, total);
    const int32_t percent = int32_t(done * 100 / total);
    // The file's own name, without its folder.
    const char16_t* name = progress.pszPath ? progress.pszPath : u"";
    for (const char16_t* p = name; *p; ++p) {
        if (*p == u'\\' || *p == u'/')
            name = p + 1;
    }
    const EFormatResult result =
        IsJapanese() ? FormatTextV(AsChar16(buf), capacity, u"%d%s – %s（%d個中%d個目）– %s", percent, u"%", name,
                                   progress.nFileCount, progress.nFileIndex + 1, AsChar16(m_szTitle))
                     : FormatTextV(AsChar16(buf), capacity, u"%d%s – %s (%d of %d) – %s", percent, u"%", name,
                                   progress.nFileIndex + 1, progress.nFileCount, AsChar16(m_szTitle));
    return result == EFormatResult::Ok;
}

void CMainDlg::ShowProgress(const SJobProgress& progress) {
    WCHAR title[kPathCapacity + 64];
    if (!progress.pszPath || !ComposeProgressTitle(progress, title, sizeof title / sizeof title[0]))
        return;
    ::SetWindowTextW(m_hWnd, title);
    if (m_pTaskbar) {
        uint64_t done = 0, total = 1;
        ShareOfDrop(progress, done, total);
        m_pTaskbar->SetProgressValue(m_hWnd, done, total);
    }
}

void CMainDlg::OnLogLine(const char16_t* line) {
    // Add at the end; outside a job, select the newest line at once so that
    // it scrolls into view (a job does that when it refreshes the log).
    ::SendMessageW(m_hWndList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
    if (!m_bJobRunning)
        RefreshLog();
}

EFolderAnswer CMainDlg::AskFolderName(char16_t* nameBuffer, size_t capacity, const char16_t* caption) {
    // The prompt writes up to its own capacity into the buffer.
    if (capacity < size_t(CInputDlg::kNameCapacity))
        return EFolderAnswer::GaveUp;
    CInputDlg dlg;
    dlg.m_pszCaption = AsWide(caption);
    // The log shows what led to the question before it is asked.
    if (m_bJobRunning) {
        SetLogRedraw(true);
        RefreshLog();
    }
    m_pPrompt = &dlg;
    const int code = m_nCloseCode != 0 ? IDCANCEL : int(dlg.RunModal(m_hWnd, reinterpret_cast<LPARAM>(nameBuffer)));
    m_pPrompt = nullptr;
    if (m_bJobRunning)
        SetLogRedraw(false);
    return code == IDOK ? EFolderAnswer::Given : EFolderAnswer::GaveUp;
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

IDropItemHandler::EResult CMainDlg::HandleDropItem(const char16_t* path, const SJobProgress& progress) {
    if (!IsDropJob(path))
        return EResult::NotMine;
    SDropJobOptions options;
    char16_t current[kPathCapacity];
    if (m_szOutputFolder[0])
        options.strOutputFolder = m_szOutputFolder;
    else if (m_platform.GetCurrentDir(current, kPathCapacity))
        options.strOutputFolder = current;
    options.bJapanese = IsJapanese();
    options.nCodePage = m_nCodePage;
    // The item counts as one unit not yet done, so that every step does not
    // count as the drop's end (which brings the log up to date at once).
    m_itemProgress = progress;
    m_itemProgress.nBytesWalked = 0;
    m_itemProgress.nBytesTotal = 1;
    const EDropJob result = DoDropJob(path, options, *this);
    if (result == EDropJob::Stopped) {
        LogJa(u"中止しました。何も書き込んでいません。");
        LogEn(u"Stopped; nothing was written.");
    }
    return result == EDropJob::NotMine ? EResult::NotMine : result == EDropJob::Done ? EResult::Done : EResult::Failed;
}

void CMainDlg::Say(const std::u16string& line) { LogAny(u"%s", line.c_str()); }

bool CMainDlg::GoOn() { return ContinueJob(m_itemProgress); }

void CMainDlg::ChangeExplorerMenu(bool add) {
    WCHAR program[kPathCapacity];
    const DWORD length = ::GetModuleFileNameW(nullptr, program, kPathCapacity);
    const bool known = length > 0 && length < kPathCapacity;
    if (add && known && AddExplorerMenu(program, IsJapanese())) {
        LogJa(u"エクスプローラーのメニュー（このユーザーのみ）に「ここに展開」「ここにパッチを適用」「ゲームファイルに再構築」を追加しました。");
        LogEn(u"Added to Explorer's menu for this user: Extract here, Apply patch here, Rebuild game file.");
    } else if (add) {
        LogJa(u"エクスプローラーのメニューに追加できませんでした。");
        LogEn(u"Cannot add to Explorer's menu.");
    } else if (RemoveExplorerMenu()) {
        LogJa(u"エクスプローラーのメニューから削除しました。");
        LogEn(u"Removed from Explorer's menu.");
    } else {
        LogJa(u"エクスプローラーのメニューから削除できませんでした。");
        LogEn(u"Cannot remove from Explorer's menu.");
    }
}
