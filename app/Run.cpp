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

bool ApplyStartupOptions(const WCHAR* commandLine, int32_t* codePage) {
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
    if (codePage)
        *codePage = options.nCodePage;
    return !options.bFaceRefused;
}

int Run(const WCHAR* commandLine, int nCmdShow) {
    CMessageLoop theLoop;
    g_Module.AddMessageLoop(&theLoop);

    int32_t codePage = 932;
    const bool faceAccepted = ApplyStartupOptions(commandLine, &codePage);

    // A code page the system cannot decode is refused: names are read in 932.
    const bool codePageValid = codePage > 0 && codePage <= 0xFFFF;
    CSystemPlatform chosen(codePageValid ? unsigned(codePage) : 932);
    CSystemPlatform standard(932);
    const bool codePageRefused = !chosen.IsCodePageSupported();
    CMainDlg dlgMain(codePageRefused ? standard : chosen);

    int nRet = 0;
    if (dlgMain.CreateModeless(nullptr, 0)) {
        // Said under the instruction, so the user knows why.
        if (!faceAccepted) {
            dlgMain.LogJa(u"-f で指定されたフォント名が長すぎるため、既定のフォントを使います。");
            dlgMain.LogEn(u"The font name given with -f is too long; the default font is used.");
        }
        if (!codePageValid || codePageRefused) {
            dlgMain.LogJa(u"コードページ %d はこのシステムで使えません。名前はコードページ 932 で読みます。", codePage);
            dlgMain.LogEn(u"Code page %d is not supported here; names are read in code page 932.", codePage);
        }
        ::ShowWindow(dlgMain, nCmdShow);
        nRet = theLoop.Run();
    }
    // Also when the window was never created: the loop object goes with Run.
    g_Module.RemoveMessageLoop();
    return nRet;
}
