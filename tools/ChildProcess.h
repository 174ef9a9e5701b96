// A program started as a child process by the tests and tools that drive the
// programs from outside; ended, if it still runs, when the object goes.
#pragma once

#include <windows.h>

#include <string>

class CChildProcess {
public:
    CChildProcess() = default;
    ~CChildProcess() {
        if (!m_bStarted)
            return;
        if (::WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT)
            ::TerminateProcess(m_info.hProcess, 99);
        ::CloseHandle(m_info.hThread);
        ::CloseHandle(m_info.hProcess);
    }
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    // Starts the program with the arguments in `folder` (null: this process's
    // current folder) and this process's environment. When `output` is given
    // (an inheritable handle), the program's standard output and error go there.
    bool Start(const std::wstring& program, const std::wstring& arguments, const wchar_t* folder, DWORD flags = 0,
               HANDLE output = nullptr) {
        std::wstring commandLine = L"\"" + program + L"\"";
        if (!arguments.empty())
            commandLine += L" " + arguments;
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        if (output) {
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdOutput = output;
            startup.hStdError = output;
        }
        m_bStarted = ::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, output != nullptr, flags, nullptr,
                                      folder, &startup, &m_info) != FALSE;
        return m_bStarted;
    }

    bool Started() const { return m_bStarted; }
    HANDLE Handle() const { return m_info.hProcess; }
    DWORD Id() const { return m_info.dwProcessId; }
    bool Ended() const { return m_bStarted && ::WaitForSingleObject(m_info.hProcess, 0) == WAIT_OBJECT_0; }
    // The exit code, once the program ended within timeoutMs.
    bool WaitForExit(DWORD timeoutMs, DWORD& code) const {
        return m_bStarted && ::WaitForSingleObject(m_info.hProcess, timeoutMs) == WAIT_OBJECT_0 &&
               ::GetExitCodeProcess(m_info.hProcess, &code);
    }

private:
    PROCESS_INFORMATION m_info = {};
    bool m_bStarted = false;
};
