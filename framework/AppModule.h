// CAppModule: the process's application module. It knows the module instance
// that dialogs are created from, the main thread, which message loop runs on
// which thread, and holds the hand-off list through which a dialog object
// reaches its new window.
//
// One object, g_Module, for the process. Init before the first window and
// Term after the last; the program's entry point and the dialog machinery
// call it.
// Nothing here allocates or throws: the loop table is a fixed array, and the
// hand-off list links records that live in the dialog objects.
#pragma once

#include <windows.h>

class CMessageLoop;

// One pending hand-off of a dialog object to the window that one creation
// call makes for it. The record lives in the dialog object; the list links
// records of all threads. An armed record watches window creation on its
// thread and is bound to the first dialog window whose creation begins there
// after it was armed: only that window takes it, so a window made meanwhile
// by other code, or on another thread, never takes another dialog's object.
struct SCreateWndData {
    void* m_pObject = nullptr;
    DWORD m_dwThreadID = 0;
    HHOOK m_hHook = nullptr;  // watches creation on the record's thread while listed
    HWND m_hWnd = nullptr;    // the window bound to the record; null until its creation begins
    SCreateWndData* m_pNext = nullptr;
};

class CAppModule {
public:
    CAppModule();
    ~CAppModule();
    CAppModule(const CAppModule&) = delete;
    CAppModule& operator=(const CAppModule&) = delete;

    // Records the module instance and the calling thread as the main thread,
    // and starts with no loops registered.
    void Init(HINSTANCE hInstance);
    // Forgets every loop; pending hand-offs are dropped (their owners still
    // disarm them with RemoveCreateWndData).
    void Term();

    HINSTANCE GetModuleInstance() const { return m_hInstance; }
    DWORD GetMainThreadID() const { return m_dwMainThreadID; }

    // The calling thread's loop. False when the thread has one already or the
    // table is full.
    bool AddMessageLoop(CMessageLoop* pLoop);
    // True when the calling thread had a loop registered.
    bool RemoveMessageLoop();
    // The loop registered for a thread, or null.
    CMessageLoop* GetMessageLoop(DWORD dwThreadID = ::GetCurrentThreadId());

    // Arms a record for pObject right before one creation call on the
    // calling thread and puts it at the head of the hand-off list. The next
    // dialog window whose creation begins on this thread is bound to it (with
    // nested creation calls, the newest unbound record takes the window).
    // False, with nothing listed, when creation cannot be watched.
    bool AddCreateWndData(SCreateWndData* pData, void* pObject);
    // Takes the record bound to hWnd off the list, disarms it and returns its
    // object; null when no record is bound to that window.
    void* ExtractCreateWndData(HWND hWnd);
    // Takes a record off the list if it is still there (its window never got
    // its first message) and disarms it either way. True when it was listed.
    bool RemoveCreateWndData(SCreateWndData* pData);
    // Records pending for any thread (for diagnostics and tests).
    int CountCreateWndData();

private:
    struct SLoopEntry {
        DWORD dwThreadID;
        CMessageLoop* pLoop;
    };
    enum : int { kMaxLoops = 8 };

    // The armed records' creation hook: binds a window to a record.
    static LRESULT CALLBACK CreationHookProc(int nCode, WPARAM wParam, LPARAM lParam) noexcept;
    void BindCreatingWindow(HWND hWnd);
    static void Disarm(SCreateWndData* pData);

    HINSTANCE m_hInstance = nullptr;
    DWORD m_dwMainThreadID = 0;
    CRITICAL_SECTION m_csLoops;        // guards m_loops
    CRITICAL_SECTION m_csWindowCreate;  // guards the hand-off list
    SLoopEntry m_loops[kMaxLoops] = {};
    int m_nLoops = 0;
    SCreateWndData* m_pCreateWndList = nullptr;
};

extern CAppModule g_Module;
