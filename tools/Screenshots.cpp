// Shows the program's main window after a drop, then its dialogs, one by one, and saves each as it appears on the
// screen, as PNG files for the README and for review:
//   vanto-screenshots OUTDIR [ja]
// With "ja" the dialogs use the Japanese UI font and texts. Run it under Wine
// with a display (scripts/screenshots does). The windows are drawn at the
// screen's DPI; at another DPI than 96 the files' names say which, as in
// main-144dpi.png.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "framework/AppModule.h"
#include "framework/UiSettings.h"
#include "platform/SystemPlatform.h"
#include "tests/fixtures/ContainerWriter.h"
#include "tools/PngFile.h"
#include "tests/fixtures/ShellDrop.h"
#include "ui/AboutDlg.h"
#include "ui/InputDlg.h"
#include "ui/MainDlg.h"

namespace {

std::wstring g_strOutDir;
int g_nFailures = 0;

// The window's outer rectangle as the screen shows it, as 8-bit RGB rows.
bool CaptureWindow(HWND hWnd, int& width, int& height, std::vector<uint8_t>& rgb) {
    RECT r = {};
    ::GetWindowRect(hWnd, &r);
    width = r.right - r.left;
    height = r.bottom - r.top;
    if (width <= 0 || height <= 0)
        return false;
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;  // top-down
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateDIBSection(screen, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (memory && bitmap && bits) {
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        ok = ::BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY) != FALSE;
        ::GdiFlush();
        const auto* bgra = static_cast<const uint8_t*>(bits);
        rgb.resize(size_t(width) * size_t(height) * 3);
        for (size_t i = 0; i < size_t(width) * size_t(height); ++i) {
            rgb[i * 3] = bgra[i * 4 + 2];
            rgb[i * 3 + 1] = bgra[i * 4 + 1];
            rgb[i * 3 + 2] = bgra[i * 4];
        }
        ::SelectObject(memory, old);
    }
    if (bitmap)
        ::DeleteObject(bitmap);
    if (memory)
        ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return ok;
}

bool SavePng(const std::wstring& name, int width, int height, const std::vector<uint8_t>& rgb) {
    // Encoded first: a picture that cannot be had opens (and leaves) no file.
    const std::vector<uint8_t> png = EncodePngRgb(width, height, rgb);
    if (png.empty())
        return false;
    const std::wstring path = g_strOutDir + L"\\" + name;
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f)
        return false;
    const bool written = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    return std::fclose(f) == 0 && written;
}

void PumpMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// Saves the window as the screen shows it and reports the picture's size.
// Drawn with an active caption, as a user sees it: without a window manager
// Wine leaves a dialog that set its own focus while hidden looking inactive.
void SaveWindowPicture(HWND hWnd, const wchar_t* name) {
    ::SetForegroundWindow(hWnd);
    ::SendMessageW(hWnd, WM_NCACTIVATE, TRUE, 0);
    ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    PumpMessages();  // the activation arrives as messages
    ::Sleep(300);    // let the X server finish drawing
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    if (CaptureWindow(hWnd, width, height, rgb) && SavePng(name, width, height, rgb)) {
        std::wprintf(L"%ls: %dx%d\n", name, width, height);
    } else {
        std::wprintf(L"%ls: cannot capture or save\n", name);
        ++g_nFailures;
    }
}

// Saves the dialog once it is up and painted, then closes it with Escape's
// command. Called from a thread timer inside the dialog's modal loop.
struct SShot {
    const HWND* pWindow;
    const wchar_t* name;
    bool done;
};
SShot* g_pShot = nullptr;

void CALLBACK OnShotTimer(HWND, UINT, UINT_PTR id, DWORD) {
    if (!g_pShot || g_pShot->done)
        return;
    const HWND hWnd = *g_pShot->pWindow;
    if (!hWnd || !::IsWindowVisible(hWnd))
        return;
    g_pShot->done = true;
    ::KillTimer(nullptr, id);
    SaveWindowPicture(hWnd, g_pShot->name);
    ::PostMessageW(hWnd, WM_COMMAND, IDCANCEL, 0);
}

// The main window, keeping rebuild data or not, after each drop in turn,
// saved as it appears.
void ShootDrops(const wchar_t* name, const std::vector<std::vector<std::wstring>>& drops, bool keepRebuildData) {
    CSystemPlatform platform;
    CMainDlg dlg(platform);
    dlg.SetKeepRebuildData(keepRebuildData);
    if (!dlg.CreateModeless(nullptr, 0)) {
        std::wprintf(L"%ls: the main window could not be created\n", name);
        ++g_nFailures;
        return;
    }
    ::ShowWindow(dlg.m_hWnd, SW_SHOWNORMAL);
    PumpMessages();
    for (const std::vector<std::wstring>& drop : drops)
        ::SendMessageW(dlg.m_hWnd, WM_DROPFILES, WPARAM(MakeShellDrop(drop)), 0);
    SaveWindowPicture(dlg.m_hWnd, name);
    ::DestroyWindow(dlg.m_hWnd);
    PumpMessages();
}

// The project's sample file dropped on the main window, as a user would:
// C:\Vanto\custom\hero.god extracted into the current folder, a new one for
// each language so that no folder is there before (scripts/screenshots
// empties C:\Vanto before each DPI).
void ShootMainWindow(const wchar_t* name, const wchar_t* outFolder) {
    const std::wstring input = L"C:\\Vanto\\custom\\hero.god";
    const Bytes sample = MakeSampleCustomFile();
    ::CreateDirectoryW(L"C:\\Vanto", nullptr);
    ::CreateDirectoryW(L"C:\\Vanto\\custom", nullptr);
    ::CreateDirectoryW(outFolder, nullptr);
    FILE* f = _wfopen(input.c_str(), L"wb");
    const bool written = f && std::fwrite(sample.data(), 1, sample.size(), f) == sample.size();
    if (f)
        std::fclose(f);
    if (!written || !::SetCurrentDirectoryW(outFolder)) {
        std::wprintf(L"%ls: cannot prepare the sample file\n", name);
        ++g_nFailures;
        return;
    }

    ShootDrops(name, {{input}}, false);
}

// The sample file (left in C:\\Vanto\\custom by ShootMainWindow) extracted
// with rebuild data kept, then its folder dropped back: the log of the
// extraction, the manifest and the rebuilt file identical to the original.
void ShootRebuild(const wchar_t* name, const wchar_t* outFolder) {
    const std::wstring input = L"C:\\Vanto\\custom\\hero.god";
    ::CreateDirectoryW(outFolder, nullptr);
    if (!::SetCurrentDirectoryW(outFolder)) {
        std::wprintf(L"%ls: cannot enter the output folder\n", name);
        ++g_nFailures;
        return;
    }
    ShootDrops(name, {{input}, {std::wstring(outFolder) + L"\\hero"}}, true);
}

template <class TDialog>
void Shoot(TDialog& dlg, const wchar_t* name, LPARAM initParam) {
    SShot shot = {&dlg.m_hWnd, name, false};
    g_pShot = &shot;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 300, &OnShotTimer);
    if (dlg.RunModal(nullptr, initParam) == -1) {
        std::wprintf(L"%ls: the dialog could not be shown\n", name);
        ++g_nFailures;
    }
    ::KillTimer(nullptr, timer);
    g_pShot = nullptr;
}

// The file name for a picture: the base name, and the DPI unless it is 96.
std::wstring PictureName(const std::wstring& base) {
    const HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return base + (dpi == USER_DEFAULT_SCREEN_DPI ? L"" : L"-" + std::to_wstring(dpi) + L"dpi") + L".png";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fwprintf(stderr, L"usage: vanto-screenshots OUTDIR [ja]\n");
        return 2;
    }
    g_strOutDir = argv[1];
    const bool japanese = argc > 2 && std::wstring(argv[2]) == L"ja";
    wcscpy_s(g_szFontFace, japanese ? L"Meiryo UI" : L"MS Shell Dlg");
    g_nFontSize = 9;
    wcscpy_s(g_szLocaleName, japanese ? L"ja-JP" : L"en-US");
    g_Module.Init(::GetModuleHandleW(nullptr));

    const std::wstring language = japanese ? L"-ja" : L"";
    ShootMainWindow(PictureName(L"main" + language).c_str(),
                    japanese ? L"C:\\Vanto\\展開先" : L"C:\\Vanto\\extracted");

    ShootRebuild(PictureName(L"rebuild" + language).c_str(),
                 japanese ? L"C:\\Vanto\\再構築" : L"C:\\Vanto\\rebuild");

    WCHAR name[CInputDlg::kNameCapacity] = L"hero\\";
    CInputDlg prompt;
    prompt.m_pszCaption = japanese ? L"別の展開先フォルダ名を入力してください。"
                                   : L"Please enter another directory name to extract.";
    Shoot(prompt, PictureName(L"prompt" + language).c_str(), reinterpret_cast<LPARAM>(name));

    CAboutDlg about;
    Shoot(about, PictureName(L"about" + language).c_str(), 0);

    g_Module.Term();
    return g_nFailures ? 1 : 0;
}
