#include "tests/wine/ui/UiTestSupport.h"

#include <algorithm>
#include <map>

namespace uitest {
namespace {
std::map<UINT_PTR, CModalScript*>& ActiveScripts() {
    static std::map<UINT_PTR, CModalScript*> scripts;
    return scripts;
}
constexpr DWORD kDialogTimeoutMs = 10000;
}  // namespace

CModalScript::CModalScript(const HWND* window, std::function<void(HWND)> script)
    : CModalScript([window] { return *window; }, std::move(script)) {}

CModalScript::CModalScript(std::function<HWND()> finder, std::function<void(HWND)> script)
    : m_finder(std::move(finder)), m_script(std::move(script)), m_dwStart(::GetTickCount()) {
    m_nTimer = ::SetTimer(nullptr, 0, 10, &CModalScript::OnTimer);
    ActiveScripts()[m_nTimer] = this;
}

CModalScript::~CModalScript() {
    ::KillTimer(nullptr, m_nTimer);
    ActiveScripts().erase(m_nTimer);
}

void CALLBACK CModalScript::OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
    auto found = ActiveScripts().find(id);
    if (found != ActiveScripts().end())
        found->second->Tick();
}

void CModalScript::Tick() {
    const HWND window = m_finder();
    const bool shown = window && ::IsWindow(window) && ::IsWindowVisible(window);
    if (!m_bRan && shown) {
        m_bRan = true;
        m_dwStart = ::GetTickCount();
        m_script(window);
        return;
    }
    if (::GetTickCount() - m_dwStart > kDialogTimeoutMs && window && ::IsWindow(window))
        ::EndDialog(window, kTimedOut);
}

void TypeText(const std::wstring& text) {
    const HWND focus = ::GetFocus();
    for (wchar_t c : text)
        ::PostMessageW(focus, WM_CHAR, c, 1);
}

void PressKey(UINT vk) {
    const HWND focus = ::GetFocus();
    const LPARAM scan = LPARAM(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
    ::PostMessageW(focus, WM_KEYDOWN, vk, scan | 1);
    ::PostMessageW(focus, WM_KEYUP, vk, scan | 1 | (LPARAM(3) << 30));
}

void ClickCloseBox(HWND dialog) { ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }

HWND CreatePlainWindow(int x, int y, int width, int height, DWORD style, HWND owner) {
    return ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | style, x, y, width, height, owner, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
}

std::wstring WindowText(HWND window) {
    wchar_t text[1024] = {};
    ::GetWindowTextW(window, text, 1024);
    return text;
}

std::wstring ClassName(HWND window) {
    wchar_t name[256] = {};
    ::GetClassNameW(window, name, 256);
    return name;
}

namespace {
LOGFONTW FontOf(HWND window) {
    LOGFONTW font = {};
    const HFONT handle = reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0));
    if (handle)
        ::GetObjectW(handle, sizeof font, &font);
    return font;
}
}  // namespace

std::wstring FontFace(HWND window) { return FontOf(window).lfFaceName; }
LONG FontHeight(HWND window) { return FontOf(window).lfHeight; }

RECT WindowRect(HWND window) {
    RECT r = {};
    ::GetWindowRect(window, &r);
    return r;
}

namespace {
// Runs `measure` with the control's font selected into its device context.
template <class TMeasure>
void WithControlFont(HWND control, TMeasure measure) {
    const HDC dc = ::GetDC(control);
    const HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
    measure(dc);
    ::SelectObject(dc, old);
    ::ReleaseDC(control, dc);
}
}  // namespace

std::vector<LONG> LineWidths(HWND control) {
    const std::wstring text = WindowText(control);
    std::vector<LONG> widths;
    WithControlFont(control, [&](HDC dc) {
        for (size_t start = 0;;) {
            const size_t end = std::min(text.find(L'\n', start), text.size());
            SIZE size = {};
            ::GetTextExtentPoint32W(dc, text.c_str() + start, int(end - start), &size);
            widths.push_back(size.cx);
            if (end == text.size())
                break;
            start = end + 1;
        }
    });
    return widths;
}

LONG LineHeight(HWND control) {
    TEXTMETRICW metrics = {};
    WithControlFont(control, [&](HDC dc) { ::GetTextMetricsW(dc, &metrics); });
    return metrics.tmHeight;
}

RECT WorkAreaOf(HWND window) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
    return info.rcWork;
}

void PumpMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

}  // namespace uitest
