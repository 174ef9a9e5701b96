#include "app/Run.h"

#include <cstring>
#include <memory>
#include <new>

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

bool ApplyStartupOptions(const WCHAR* commandLine, SStartupOptions* options) {
    WCHAR systemLocale[kLocaleNameCapacity] = {};
    // When the platform has no name, the UI language is English.
    if (::GetSystemDefaultLocaleName(systemLocale, kLocaleNameCapacity) == 0)
        systemLocale[0] = 0;

    // Too large for the stack of every caller: the paths take 64 KiB.
    std::unique_ptr<SStartupOptions> own;
    if (!options) {
        own.reset(new (std::nothrow) SStartupOptions);
        if (!own)
            return false;
        options = own.get();
    }
    ReadStartupOptions(AsChar16(commandLine), AsChar16(systemLocale), *options);
    std::memcpy(g_szLocaleName, options->szLocaleName, sizeof g_szLocaleName);
    std::memcpy(g_szFontFace, options->szFontFace, sizeof g_szFontFace);
    g_nFontSize = options->nFontSize;
    return !options->bFaceRefused;
}

namespace {

// The output folder -o named, made absolute now, so that it stays the same
// folder whatever the current folder becomes; false when it cannot be.
bool ResolveOutputFolder(const char16_t* folder, WCHAR (&absolute)[kPathCapacity]) {
    const DWORD length = ::GetFullPathNameW(AsWide(folder), kPathCapacity, absolute, nullptr);
    return length > 0 && length < kPathCapacity;
}

}  // namespace

int Run(const WCHAR* commandLine, int nCmdShow) {
    CMessageLoop theLoop;
    g_Module.AddMessageLoop(&theLoop);

    std::unique_ptr<SStartupOptions> options(new (std::nothrow) SStartupOptions);
    if (!options) {
        g_Module.RemoveMessageLoop();
        return 0;
    }
    const bool faceAccepted = ApplyStartupOptions(commandLine, options.get());
    const int32_t codePage = options->nCodePage;

    // A code page the system cannot decode is refused: names are read in 932.
    const bool codePageValid = codePage > 0 && codePage <= 0xFFFF;
    CSystemPlatform chosen(codePageValid ? unsigned(codePage) : 932);
    CSystemPlatform standard(932);
    const bool codePageRefused = !chosen.IsCodePageSupported();
    CMainDlg dlgMain(codePageRefused ? standard : chosen);
    dlgMain.SetCodePage(codePageRefused || !codePageValid ? 932 : unsigned(codePage));

    WCHAR outputFolder[kPathCapacity] = {};
    bool outputRefused = options->bOutputFolderRefused;
    if (options->szOutputFolder[0] && !ResolveOutputFolder(options->szOutputFolder, outputFolder))
        outputRefused = true;

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
        if (outputRefused) {
            dlgMain.LogJa(u"-o で出力先フォルダが指定されていないか長すぎるため、現在のフォルダに書き込みます。");
            dlgMain.LogEn(u"The folder given with -o is missing or too long; output goes to the current folder.");
        } else if (outputFolder[0]) {
            dlgMain.SetOutputFolder(AsChar16(outputFolder));
        }
        if (options->bPathsRefused) {
            dlgMain.LogJa(u"コマンドラインのパスの一部が長すぎるため、処理しません。");
            dlgMain.LogEn(u"Some paths on the command line are too long; they are not handled.");
        }
        if (options->bKeepRebuildData)
            dlgMain.SetKeepRebuildData(true);
        ::ShowWindow(dlgMain, nCmdShow);
        // Handled as a drop once the window is on the screen and serving.
        if (options->nPathCount > 0)
            dlgMain.QueueStartupDrop(options->szPaths);
        options.reset();
        nRet = theLoop.Run();
    }
    // Also when the window was never created: the loop object goes with Run.
    g_Module.RemoveMessageLoop();
    return nRet;
}
