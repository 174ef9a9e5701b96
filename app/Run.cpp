#include "app/Run.h"

#include <cstring>

#include "app/CommandLine.h"
#include "base/Text.h"
#include "framework/AppModule.h"
#include "framework/MessageLoop.h"
#include "framework/UiSettings.h"
#include "platform/SystemPlatform.h"
#include "ui/MainDlg.h"

// The start-up options fill the process-wide buffers whole, terminator included.
static_assert(sizeof(g_szLocaleName) == sizeof(SStartupOptions::szLocaleName) &&
                  sizeof(g_szFontFace) == sizeof(SStartupOptions::szFontFace),
              "the option buffers and the process-wide buffers must match");

bool ApplyStartupOptions(const WCHAR* commandLine) {
    WCHAR systemLocale[kLocaleNameCapacity] = {};
    // When the platform has no name, the UI language is English.
    if (::GetSystemDefaultLocaleName(systemLocale, kLocaleNameCapacity) == 0)
        systemLocale[0] = 0;

    SStartupOptions options;
    ReadStartupOptions(AsChar16(commandLine), AsChar16(systemLocale),
                       options);
    std::memcpy(g_szLocaleName, options.szLocaleName, sizeof g_szLocaleName);
    std::memcpy(g_szFontFace, options.szFontFace, sizeof g_szFontFace);
    g_nFontSize = options.nFontSize;
    return !options.bFaceRefused;
}

int Run(const WCHAR* commandLine, int nCmdShow) {
    CMessageLoop theLoop;
    g_Module.AddMessageLoop(&theLoop);

    const bool faceAccepted = ApplyStartupOptions(commandLine);

    int nRet = 0;
    CSystemPlatform platform;
    CMainDlg dlgMain(platform);
    if (dlgMain.CreateModeless(nullptr, 0)) {
        if (!faceAccepted) {  // said under the instruction, so the user knows why
            dlgMain.LogJa(u"-f で指定されたフォント名が長すぎるため、既定のフォントを使います。");
            dlgMain.LogEn(u"The font name given with -f is too long; the default font is used.");
        }
        ::ShowWindow(dlgMain, nCmdShow);
        nRet = theLoop.Run();
    }
    // Also when the window was never created: the loop object goes with Run.
    g_Module.RemoveMessageLoop();
    return nRet;
}
