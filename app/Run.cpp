#include "app/Run.h"

#include "app/AppModule.h"
#include "app/CommandLine.h"
#include "app/MessageLoop.h"
#include "app/UiSettings.h"
#include "platform/PlatformWin32.h"
#include "ui/MainDlg.h"

namespace {

// Copies a terminated string that is known to fit (both sides hold 256).
void CopyName(WCHAR* out, const char16_t* in) {
    size_t i = 0;
    for (; i + 1 < kStartupNameCapacity && in[i]; ++i)
        out[i] = WCHAR(in[i]);
    out[i] = 0;
}

}  // namespace

static_assert(size_t(kLocaleNameCapacity) == kStartupNameCapacity && size_t(kFontFaceCapacity) == kStartupNameCapacity,
              "the start-up options fill the process-wide buffers whole");

bool ApplyStartupOptions(const WCHAR* commandLine) {
    WCHAR systemLocale[kLocaleNameCapacity] = {};
    // When the platform has no name, the UI language is English.
    if (::GetSystemDefaultLocaleName(systemLocale, kLocaleNameCapacity) == 0)
        systemLocale[0] = 0;

    SStartupOptions options;
    ReadStartupOptions(reinterpret_cast<const char16_t*>(commandLine), reinterpret_cast<const char16_t*>(systemLocale),
                       options);
    CopyName(g_szLocaleName, options.szLocaleName);
    CopyName(g_szFontFace, options.szFontFace);
    g_nFontSize = options.nFontSize;
    return !options.bFaceRefused;
}

int Run(const WCHAR* commandLine, int nCmdShow) {
    CMessageLoop theLoop;
    g_Module.AddMessageLoop(&theLoop);

    const bool faceAccepted = ApplyStartupOptions(commandLine);

    int nRet = 0;
    CWin32Platform platform;
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
