#include "framework/AppModule.h"

CAppModule g_Module;

namespace {
// Holds a critical section for the lifetime of a scope.
class CLock {
public:
    explicit CLock(CRITICAL_SECTION& cs) : m_cs(cs) { ::EnterCriticalSection(&m_cs); }
    ~CLock() { ::LeaveCriticalSection(&m_cs); }
    CLock(const CLock&) = delete;
    CLock& operator=(const CLock&) = delete;

private:
    CRITICAL_SECTION& m_cs;
};
}  // namespace

CAppModule::CAppModule() {
    ::InitializeCriticalSection(&m_csLoops);
    ::InitializeCriticalSection(&m_csWindowCreate);
    m_hInstance = ::GetModuleHandleW(nullptr);
}

CAppModule::~CAppModule() {
    ::DeleteCriticalSection(&m_csWindowCreate);
    ::DeleteCriticalSection(&m_csLoops);
}

void CAppModule::Init(HINSTANCE hInstance) {
    m_hInstance = hInstance;
    m_dwMainThreadID = ::GetCurrentThreadId();
    CLock lock(m_csLoops);
    m_nLoops = 0;
}

void CAppModule::Term() {
    {
        CLock lock(m_csLoops);
        m_nLoops = 0;
    }
    CLock lock(m_csWindowCreate);
    m_pCreateWndList = nullptr;
}

bool CAppModule::AddMessageLoop(CMessageLoop* pLoop) {
    const DWORD thread = ::GetCurrentThreadId();
    CLock lock(m_csLoops);
    for (int i = 0; i < m_nLoops; ++i) {
        if (m_loops[i].dwThreadID == thread)
            return false;
    }
    if (m_nLoops == kMaxLoops)
        return false;
    m_loops[m_nLoops++] = SLoopEntry{thread, pLoop};
    return true;
}

bool CAppModule::RemoveMessageLoop() {
    const DWORD thread = ::GetCurrentThreadId();
    CLock lock(m_csLoops);
    for (int i = 0; i < m_nLoops; ++i) {
        if (m_loops[i].dwThreadID == thread) {
            m_loops[i] = m_loops[--m_nLoops];
            return true;
        }
    }
    return false;
}

CMessageLoop* CAppModule::GetMessageLoop(DWORD dwThreadID) {
    CLock lock(m_csLoops);
    for (int i = 0; i < m_nLoops; ++i) {
        if (m_loops[i].dwThreadID == dwThreadID)
            return m_loops[i].pLoop;
    }
    return nullptr;
}

bool CAppModule::AddCreateWndData(SCreateWndData* pData, void* pObject) {
    RemoveCreateWndData(pData);  // never linked twice, never armed twice
    const DWORD thread = ::GetCurrentThreadId();
    const HHOOK hook = ::SetWindowsHookExW(WH_CBT, &CAppModule::CreationHookProc, nullptr, thread);
    if (!hook)
        return false;
    pData->m_pObject = pObject;
    pData->m_dwThreadID = thread;
    pData->m_hHook = hook;
    pData->m_hWnd = nullptr;
    CLock lock(m_csWindowCreate);
    pData->m_pNext = m_pCreateWndList;
    m_pCreateWndList = pData;
    return true;
}

LRESULT CALLBACK CAppModule::CreationHookProc(int nCode, WPARAM wParam, LPARAM lParam) noexcept {
    if (nCode == HCBT_CREATEWND)
        g_Module.BindCreatingWindow(reinterpret_cast<HWND>(wParam));
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}

void CAppModule::BindCreatingWindow(HWND hWnd) {
    // The system's input-method windows appear unasked on a thread's first
    // top-level window, and a window without the dialog extra bytes can
    // never be the window of a dialog creation call.
    if ((::GetClassLongPtrW(hWnd, GCL_STYLE) & CS_IME) ||
        ::GetClassLongPtrW(hWnd, GCL_CBWNDEXTRA) < ULONG_PTR(DLGWINDOWEXTRA))
        return;
    const DWORD thread = ::GetCurrentThreadId();
    CLock lock(m_csWindowCreate);
    SCreateWndData* unbound = nullptr;
    // Every armed record's hook sees the same creation: bind it once.
    for (SCreateWndData* entry = m_pCreateWndList; entry; entry = entry->m_pNext) {
        if (entry->m_hWnd == hWnd)
            return;
        if (!unbound && !entry->m_hWnd && entry->m_hHook && entry->m_dwThreadID == thread)
            unbound = entry;
    }
    if (unbound)
        unbound->m_hWnd = hWnd;
}

void CAppModule::Disarm(SCreateWndData* pData) {
    if (pData->m_hHook)
        ::UnhookWindowsHookEx(pData->m_hHook);
    pData->m_hHook = nullptr;
    pData->m_hWnd = nullptr;
}

void* CAppModule::ExtractCreateWndData(HWND hWnd) {
    SCreateWndData* found = nullptr;
    {
        CLock lock(m_csWindowCreate);
        for (SCreateWndData** link = &m_pCreateWndList; *link; link = &(*link)->m_pNext) {
            if (hWnd && (*link)->m_hWnd == hWnd) {
                found = *link;
                *link = found->m_pNext;
                found->m_pNext = nullptr;
                break;
            }
        }
    }
    if (!found)
        return nullptr;
    Disarm(found);
    return found->m_pObject;
}

bool CAppModule::RemoveCreateWndData(SCreateWndData* pData) {
    bool listed = false;
    {
        CLock lock(m_csWindowCreate);
        for (SCreateWndData** link = &m_pCreateWndList; *link; link = &(*link)->m_pNext) {
            if (*link == pData) {
                *link = pData->m_pNext;
                pData->m_pNext = nullptr;
                listed = true;
                break;
            }
        }
    }
    Disarm(pData);
    return listed;
}

int CAppModule::CountCreateWndData() {
    CLock lock(m_csWindowCreate);
    int count = 0;
    for (SCreateWndData* entry = m_pCreateWndList; entry; entry = entry->m_pNext)
        ++count;
    return count;
}
