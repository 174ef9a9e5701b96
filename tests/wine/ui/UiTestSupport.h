// Helpers for the dialog tests: drive a modal dialog from a thread timer the
// way a user would (keys into the focused control, the close box), read what
// the real windows report, and pump messages for modeless ones.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace uitest {

// Runs `script` once on the UI thread, from inside the modal loop, as soon as
// `*window` names a visible window. A dialog still open 10 s after the script
// ran (or never shown) is ended with code kTimedOut so a test cannot hang.
class CModalScript {
public:
    enum : INT_PTR { kTimedOut = 9999 };

    CModalScript(const HWND* window, std::function<void(HWND)> script);
    // For a dialog the test cannot name in advance: `finder` is asked on every
    // tick (null while there is none).
    CModalScript(std::function<HWND()> finder, std::function<void(HWND)> script);
    ~CModalScript();
    CModalScript(const CModalScript&) = delete;
    CModalScript& operator=(const CModalScript&) = delete;

    bool HasRun() const { return m_bRan; }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD);
    void Tick();

    std::function<HWND()> m_finder;
    std::function<void(HWND)> m_script;
    UINT_PTR m_nTimer = 0;
    DWORD m_dwStart = 0;
    bool m_bRan = false;
};

// A user's keystrokes, posted to the window with the keyboard focus.
void TypeText(const std::wstring& text);
void PressKey(UINT vk);
// A click on the caption's close box.
void ClickCloseBox(HWND dialog);

// A plain top-level "STATIC" window with an exact outer rectangle (WS_POPUP
// plus style), to own or to centre dialogs over.
HWND CreatePlainWindow(int x, int y, int width, int height, DWORD style, HWND owner = nullptr);

std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);
// The face name and height of the font a window draws with (WM_GETFONT).
std::wstring FontFace(HWND window);
LONG FontHeight(HWND window);
RECT WindowRect(HWND window);
// How wide each line of a control's text is drawn in its font, and how high
// one line of that font is.
std::vector<LONG> LineWidths(HWND control);
LONG LineHeight(HWND control);
RECT WorkAreaOf(HWND window);

// Handles every message already in this thread's queue.
void PumpMessages();

}  // namespace uitest
