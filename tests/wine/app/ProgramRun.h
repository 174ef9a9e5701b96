// One run of a program driven from outside by the program tests, with its
// windows found on the desktop.
#pragma once

#include <windows.h>

#include <string>

#include "tests/wine/app/ProgramPath.h"
#include "tests/fixtures/ChildProcess.h"

// One run of the program (or of another one: the command-line tool), in the
// given working folder or in this one; ended, if still running, when the
// object goes. The command-line tool gets no console, so its log goes nowhere.
class CProgramRun {
public:
    explicit CProgramRun(const std::wstring& arguments, const std::wstring& program = ProgramPath(),
                         const wchar_t* folder = nullptr) {
        m_process.Start(program, arguments, folder, DETACHED_PROCESS);
    }

    bool Started() const { return m_process.Started(); }
    DWORD StartError() const { return m_process.StartError(); }
    HANDLE Process() const { return m_process.Handle(); }

    // The program's visible window of this class (and title, unless null),
    // waited for up to timeoutMs.
    HWND WaitForWindow(const wchar_t* title, const wchar_t* className = L"#32770", DWORD timeoutMs = 30000) const {
        for (DWORD waited = 0; waited < timeoutMs && Started(); waited += 50) {
            HWND found = nullptr;
            while ((found = ::FindWindowExW(nullptr, found, className, title)) != nullptr) {
                DWORD process = 0;
                ::GetWindowThreadProcessId(found, &process);
                if (process == m_process.Id() && ::IsWindowVisible(found))
                    return found;
            }
            if (::WaitForSingleObject(Process(), 50) == WAIT_OBJECT_0)
                return nullptr;  // it ended without showing the window
        }
        return nullptr;
    }

    // The exit code, or 99 when the program is still running after 15 s.
    DWORD WaitForExit() const {
        DWORD code = 99;
        return m_process.WaitForExit(15000, code) ? code : 99;
    }

private:
    CChildProcess m_process;
};
