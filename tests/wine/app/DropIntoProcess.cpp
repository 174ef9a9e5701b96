// drop-into-process.dll: loaded into a running VantoExtractor.exe by a thread
// the program tests (or the window benchmark) start in its process
// (LoadLibraryInProcess). There it does what the shell does in the receiving
// process after a drag from Explorer: builds the drop block of the file named
// by VANTO_TEST_DROP (an environment value the program inherited from its
// starter) and posts WM_DROPFILES to the process's window that takes files. A
// drop handle only means something in the process that owns it, so it cannot
// be posted from outside.
//
// With VANTO_BENCH_WATCH set it also watches the window's thread, for an
// untimed round of the benchmark: the window property kHundredBeforeSummary
// becomes 1 when the summary line reaches the log after the caption showed
// 100%, 2 when it comes without. A caption that stands for a millisecond
// cannot be caught by looking from outside; watching every message the
// window is sent slows it down, so timed rounds go unwatched.
#include <windows.h>

#include <cwchar>

#include "tests/fixtures/ProcessDrop.h"
#include "tests/fixtures/ShellDrop.h"

namespace {

HWND g_hWndDrop = nullptr;
bool g_bHundredShown = false;

LRESULT CALLBACK WatchWindow(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_SETTEXT && call->hwnd == g_hWndDrop && call->lParam &&
        std::wcsncmp(reinterpret_cast<const WCHAR*>(call->lParam), L"100%", 4) == 0)
        g_bHundredShown = true;
    if (code == HC_ACTION && call->message == LB_ADDSTRING && ::GetParent(call->hwnd) == g_hWndDrop &&
        call->lParam && std::wcsstr(reinterpret_cast<const WCHAR*>(call->lParam), L" extracted.") &&
        !::GetPropW(g_hWndDrop, kHundredBeforeSummary))
        ::SetPropW(g_hWndDrop, kHundredBeforeSummary, reinterpret_cast<HANDLE>(g_bHundredShown ? 1 : 2));
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    WCHAR path[MAX_PATH];
    const DWORD length = ::GetEnvironmentVariableW(L"VANTO_TEST_DROP", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return FALSE;
    const HDROP drop = MakeShellDrop({path});
    const HWND window = FindFileDropWindow(::GetCurrentProcessId());
    if (window && ::GetEnvironmentVariableW(L"VANTO_BENCH_WATCH", nullptr, 0) > 0) {
        g_hWndDrop = window;
        ::SetWindowsHookExW(WH_CALLWNDPROC, WatchWindow, hInstance, ::GetWindowThreadProcessId(window, nullptr));
    }
    // The receiver releases a posted drop; one that could not be posted goes here.
    if (drop && !(window && ::PostMessageW(window, WM_DROPFILES, WPARAM(drop), 0)))
        ::GlobalFree(drop);
    return TRUE;
}
