// drop-into-process.dll: loaded into a running VantoExtractor.exe by a thread
// the program tests start in its process (LoadLibraryW). There it does what
// the shell does in the receiving process after a drag from Explorer: builds
// the drop block of the file named by VANTO_TEST_DROP (an environment value
// the program inherited from the test) and posts WM_DROPFILES to the
// process's window that takes files. A drop handle only means something in
// the process that owns it, so it cannot be posted from the test itself.
#include <windows.h>

#include "tools/ShellDrop.h"

namespace {

BOOL CALLBACK PostDropToFileWindow(HWND hWnd, LPARAM drop) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(hWnd, &process);
    if (process != ::GetCurrentProcessId() || !(::GetWindowLongW(hWnd, GWL_EXSTYLE) & WS_EX_ACCEPTFILES))
        return TRUE;
    ::PostMessageW(hWnd, WM_DROPFILES, WPARAM(drop), 0);
    return FALSE;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    WCHAR path[MAX_PATH];
    const DWORD length = ::GetEnvironmentVariableW(L"VANTO_TEST_DROP", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return FALSE;
    const HDROP drop = MakeShellDrop({path});
    // EnumWindows reports FALSE once the callback stopped it: the drop was posted.
    if (drop && ::EnumWindows(PostDropToFileWindow, LPARAM(drop)))
        ::GlobalFree(drop);
    return TRUE;
}
