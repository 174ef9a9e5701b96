// CAppModule: the process's application module. It knows the module instance
// that dialogs are created from, the main thread, which message loop runs on
// which thread, and holds the hand-off list through which a dialog object
// reaches its new window.
//
// One object, g_Module, for the process. Init before the first window and
// Term after the last; the main window and the dialog machinery call it.
// Every list is a fixed array, so nothing here allocates or throws.
#pragma once

#include <windows.h>

class CMessageLoop;

// One pending hand-off of a dialog object to the window being created for it.
// The record lives in the dialog object; the list links records of all
// threads, and a window takes only a record of its own thread.
struct SCreateWndData {
    void* m_pObject = nullptr;
    DWORD m_dwThreadID = 0;
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
    // Forgets every loop; pending hand-offs are dropped.
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

    // Puts a record for pObject and the calling thread at the head of the
    // hand-off list.
    void AddCreateWndData(SCreateWndData* pData, void* pObject);
    // Takes the first record of the calling thread off the list and returns
    // its object; null when there is none.
    void* ExtractCreateWndData();
    // Takes a record off the list if it is still there (its window was never
    // created). True when it was found.
    bool RemoveCreateWndData(SCreateWndData* pData);
    // Records pending for any thread (for diagnostics and tests).
    int CountCreateWndData();

private:
    struct SLoopEntry {
        DWORD dwThreadID;
        CMessageLoop* pLoop;
    };
    enum : int { kMaxLoops = 8 };

    HINSTANCE m_hInstance = nullptr;
    DWORD m_dwMainThreadID = 0;
    CRITICAL_SECTION m_csLoops;        // guards m_loops
    CRITICAL_SECTION m_csWindowCreate;  // guards the hand-off list
    SLoopEntry m_loops[kMaxLoops] = {};
    int m_nLoops = 0;
    SCreateWndData* m_pCreateWndList = nullptr;
};

extern CAppModule g_Module;
