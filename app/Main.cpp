// The desktop program's entry point: prepares COM, the common controls and
// the application module around Run.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "app/Run.h"
#include "framework/AppModule.h"

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR lpCmdLine, int nCmdShow) {
    // Results are not needed: the program runs the same without them.
    ::CoInitialize(nullptr);
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&icc);
    g_Module.Init(hInstance);

    const int nRet = Run(lpCmdLine, nCmdShow);

    g_Module.Term();
    ::CoUninitialize();
    return nRet;
}
