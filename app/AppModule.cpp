#include "app/AppModule.h"

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

void CAppModule::AddCreateWndData(SCreateWndData* pData, void* pObject) {
    pData->m_pObject = pObject;
    pData->m_dwThreadID = ::GetCurrentThreadId();
    CLock lock(m_csWindowCreate);
    pData->m_pNext = m_pCreateWndList;
    m_pCreateWndList = pData;
}

void* CAppModule::ExtractCreateWndData() {
    const DWORD thread = ::GetCurrentThreadId();
    CLock lock(m_csWindowCreate);
    for (SCreateWndData** link = &m_pCreateWndList; *link; link = &(*link)->m_pNext) {
        SCreateWndData* entry = *link;
        if (entry->m_dwThreadID == thread) {
            *link = entry->m_pNext;
            entry->m_pNext = nullptr;
            return entry->m_pObject;
        }
    }
    return nullptr;
}

bool CAppModule::RemoveCreateWndData(SCreateWndData* pData) {
    CLock lock(m_csWindowCreate);
    for (SCreateWndData** link = &m_pCreateWndList; *link; link = &(*link)->m_pNext) {
        if (*link == pData) {
            *link = pData->m_pNext;
            pData->m_pNext = nullptr;
            return true;
        }
    }
    return false;
}

int CAppModule::CountCreateWndData() {
    CLock lock(m_csWindowCreate);
    int count = 0;
    for (SCreateWndData* entry = m_pCreateWndList; entry; entry = entry->m_pNext)
        ++count;
    return count;
}
