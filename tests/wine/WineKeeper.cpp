// Keeps a Wine prefix's desktop and services alive for a whole test run.
//
// Wine ends the desktop process (explorer) and the services when the last
// program using them exits; the next program that opens a window then waits
// about ten seconds for them to come back. wine-env starts this program once
// per run and ends it with the wineserver, so every test program finds them
// running. It attaches to the desktop and sleeps until it is killed.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    ::GetDesktopWindow();
    HWND keeper = ::CreateWindowExW(0, L"STATIC", L"wine-keeper", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0)
        ::DispatchMessageW(&msg);
    ::DestroyWindow(keeper);
    return 0;
}
