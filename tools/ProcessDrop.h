// Getting a drop into a running program from outside, as the program tests
// and the window benchmark do: a thread started in the program's process
// loads a DLL (LoadLibraryW), whose start-up finds the process's window that
// takes files and posts it a drop built there (tests/wine/app/DropIntoProcess.cpp).
// A drop handle only means something in the process that owns it.
#pragma once

#include <windows.h>

#include <string>

// The window property through which the drop DLL reports whether the caption
// showed 100% before the summary line reached the log (1) or not (2).
constexpr const WCHAR* kHundredBeforeSummary = L"VantoBench.HundredBeforeSummary";

namespace process_drop {

struct SSearch {
    DWORD processId;
    HWND found;
};

inline BOOL CALLBACK MatchFileDropWindow(HWND hWnd, LPARAM param) {
    auto* search = reinterpret_cast<SSearch*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(hWnd, &process);
    if (process != search->processId || !(::GetWindowLongW(hWnd, GWL_EXSTYLE) & WS_EX_ACCEPTFILES))
        return TRUE;
    search->found = hWnd;
    return FALSE;
}

}  // namespace process_drop

// The top-level window of the process that takes dropped files
// (WS_EX_ACCEPTFILES), or null.
inline HWND FindFileDropWindow(DWORD processId) {
    process_drop::SSearch search = {processId, nullptr};
    ::EnumWindows(process_drop::MatchFileDropWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Loads the DLL at `dll` into `process` with a thread of that process; true
// once the thread has ended within timeoutMs (LoadLibraryW ran).
inline bool LoadLibraryInProcess(HANDLE process, const std::wstring& dll, DWORD timeoutMs) {
    const SIZE_T bytes = (dll.size() + 1) * sizeof(WCHAR);
    void* remote = ::VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    // kernel32 lies at the same address in every process of a session.
    const auto load = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW")));
    const HANDLE thread = remote && ::WriteProcessMemory(process, remote, dll.c_str(), bytes, nullptr)
                              ? ::CreateRemoteThread(process, nullptr, 0, load, remote, 0, nullptr)
                              : nullptr;
    const bool loaded = thread && ::WaitForSingleObject(thread, timeoutMs) == WAIT_OBJECT_0;
    if (thread)
        ::CloseHandle(thread);
    return loaded;
}
