// drop-into-process.dll: loaded into a running VantoExtractor.exe by a thread
// the program tests (or the window benchmark) start in its process
// (LoadLibraryInProcess). There it does what the shell does in the receiving
// process after a drag from Explorer: builds the drop block of the file named
// by VANTO_TEST_DROP (an environment value the program inherited from its
// starter) and posts WM_DROPFILES to the process's window that takes files. A
// drop handle only means something in the process that owns it, so it cannot
// be posted from outside.
#include <windows.h>

#include "tools/ProcessDrop.h"
#include "tools/ShellDrop.h"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    WCHAR path[MAX_PATH];
    const DWORD length = ::GetEnvironmentVariableW(L"VANTO_TEST_DROP", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return FALSE;
    const HDROP drop = MakeShellDrop({path});
    const HWND window = FindFileDropWindow(::GetCurrentProcessId());
    // The receiver releases a posted drop; one that could not be posted goes here.
    if (drop && !(window && ::PostMessageW(window, WM_DROPFILES, WPARAM(drop), 0)))
        ::GlobalFree(drop);
    return TRUE;
}
