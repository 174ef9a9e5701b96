// window-bench.exe: the Windows side of scripts/bench --window. Run under
// Wine, it times one extraction and prints one line of key=value figures.
//
//   window-bench --window PROGRAM DLL INPUT FOLDER [TIMEOUT_S]
//       Starts the desktop program PROGRAM (with -e) in FOLDER, waits until
//       its window is idle, has DLL (drop-into-process.dll) drop INPUT on it
//       from inside its process, and times from the drop until the log list
//       ends with the summary and its separator. Meanwhile it probes every
//       250 ms whether the window answers messages within 1 s, and samples
//       its caption for a leading "NN%". Then it closes the window.
//         window seconds=S probes=N answered=N progress_max=P|none
//                progress_100_before_summary=0|1 lines=N exit=CODE
//   window-bench --cli PROGRAM INPUT FOLDER LOG [TIMEOUT_S]
//       Runs the command-line tool PROGRAM -e INPUT in FOLDER, its output
//       going to LOG, and times it from its start to its end.
//         cli seconds=S exit=CODE
//
// Exit status 0 when the extraction ended with the expected summary (the
// window) or exit code 0 (the tool), else 1 with "... error=WHAT" printed.
// Nothing is asserted about the times: the script reports them.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "tests/fixtures/ChildProcess.h"
#include "tests/fixtures/ProcessDrop.h"

namespace {

const int kLogListId = 1000;               // the window's log list box
const DWORD kProbeIntervalMs = 250;        // one responsiveness probe per interval
const UINT kProbeTimeoutMs = 1000;         // a probe not answered within this is missed
const UINT kReadTimeoutMs = 100;           // for reading the list: never blocks for long
const DWORD kPollMs = 50;                  // how often the caption and the list are looked at
const DWORD kStartTimeoutMs = 60000;       // for the window to show, the DLL to load, the exit
const wchar_t kSummary[] = L"1 file has been extracted.";
const wchar_t kSeparator[] = L"----------------";

class CClock {
public:
    CClock() {
        ::QueryPerformanceFrequency(&m_frequency);
        ::QueryPerformanceCounter(&m_start);
    }
    double Seconds() const {
        LARGE_INTEGER now;
        ::QueryPerformanceCounter(&now);
        return double(now.QuadPart - m_start.QuadPart) / double(m_frequency.QuadPart);
    }

private:
    LARGE_INTEGER m_frequency;
    LARGE_INTEGER m_start;
};

int Fail(const char* mode, const char* what) {
    std::printf("%s error=%s\n", mode, what);
    return 1;
}

// The caption's leading percentage ("NN%..."), or -1 when it has none.
int CaptionPercent(HWND window) {
    WCHAR caption[256] = {};
    // For another process's window this reads the stored caption: no message.
    ::GetWindowTextW(window, caption, 256);
    int percent = 0, digits = 0;
    for (const WCHAR* p = caption; *p >= L'0' && *p <= L'9' && digits < 3; ++p, ++digits)
        percent = percent * 10 + (*p - L'0');
    return digits > 0 && caption[digits] == L'%' ? percent : -1;
}

// The list's line count, or -1 when the window did not answer in time.
LRESULT ListCount(HWND list) {
    DWORD_PTR count = 0;
    if (!::SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, kReadTimeoutMs, &count))
        return -1;
    return LRESULT(count);
}

// One line of the list; false when the window did not answer in time.
bool ListLine(HWND list, LRESULT index, std::wstring& line) {
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(list, LB_GETTEXTLEN, WPARAM(index), 0, SMTO_ABORTIFHUNG, kReadTimeoutMs, &length) ||
        LRESULT(length) == LB_ERR)
        return false;
    line.assign(size_t(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(list, LB_GETTEXT, WPARAM(index), reinterpret_cast<LPARAM>(&line[0]), SMTO_ABORTIFHUNG,
                               kReadTimeoutMs, &copied) ||
        LRESULT(copied) == LB_ERR)
        return false;
    line.resize(size_t(copied));
    return true;
}

// What the log list ends with: a separator after a summary (the expected one
// or another), something else, or what could not be read in time.
enum class ESummary { Unreadable, NotYet, Expected, Other };

ESummary ReadSummary(HWND list, LRESULT count) {
    if (count < 2)
        return ESummary::NotYet;
    std::wstring last, summary;
    if (!ListLine(list, count - 1, last))
        return ESummary::Unreadable;
    if (last != kSeparator)
        return ESummary::NotYet;
    if (!ListLine(list, count - 2, summary))
        return ESummary::Unreadable;
    const size_t tail = std::wcslen(L"extracted.");
    if (summary.size() < tail || summary.compare(summary.size() - tail, tail, L"extracted.") != 0)
        return ESummary::NotYet;
    return summary == kSummary ? ESummary::Expected : ESummary::Other;
}

int RunWindow(const std::wstring& program, const std::wstring& dll, const std::wstring& input,
              const std::wstring& folder, double timeoutSeconds) {
    const char* mode = "window";
    // drop-into-process.dll reads the file to drop from the program's
    // environment, inherited from this one.
    if (!::SetEnvironmentVariableW(L"VANTO_TEST_DROP", input.c_str()))
        return Fail(mode, "environment");
    CChildProcess process;
    if (!process.Start(program, L"-e", folder.c_str()))
        return Fail(mode, "start");
    ::WaitForInputIdle(process.Handle(), kStartTimeoutMs);
    HWND window = nullptr;
    for (DWORD waited = 0; !window && waited < kStartTimeoutMs && !process.Ended(); waited += 50) {
        window = FindFileDropWindow(process.Id());
        if (!window)
            ::Sleep(50);
    }
    const HWND list = window ? ::GetDlgItem(window, kLogListId) : nullptr;
    if (!list)
        return Fail(mode, "no-window");
    DWORD_PTR idle = 0;
    if (!::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kStartTimeoutMs, &idle))
        return Fail(mode, "window-not-answering");

    const CClock clock;
    if (!LoadLibraryInProcess(process.Handle(), dll, kStartTimeoutMs))
        return Fail(mode, "drop");

    int probes = 0, answered = 0, progressMax = -1;
    bool hundredBeforeSummary = false;
    ESummary summary = ESummary::NotYet;
    LRESULT lines = 0, checkedCount = -1;
    double seconds = 0, nextProbe = 0;
    for (;;) {
        if (clock.Seconds() >= nextProbe) {
            nextProbe = clock.Seconds() + kProbeIntervalMs / 1000.0;
            ++probes;
            DWORD_PTR result = 0;
            if (::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kProbeTimeoutMs, &result))
                ++answered;
        }
        // The caption before the list: a 100% seen here was shown before the
        // summary that this round may find.
        const int percent = CaptionPercent(window);
        if (percent > progressMax)
            progressMax = percent;
        if (percent == 100)
            hundredBeforeSummary = true;
        const LRESULT count = ListCount(list);
        if (count >= 0 && count != checkedCount) {
            const double seen = clock.Seconds();
            summary = ReadSummary(list, count);
            if (summary == ESummary::Expected || summary == ESummary::Other) {
                seconds = seen;
                lines = count;
                // What the drop DLL saw inside the window, where no caption is missed.
                const HANDLE order = ::GetPropW(window, kHundredBeforeSummary);
                if (order)
                    hundredBeforeSummary = order == reinterpret_cast<HANDLE>(1);
                if (hundredBeforeSummary && progressMax < 100)
                    progressMax = 100;
                break;
            }
            if (summary == ESummary::NotYet)
                checkedCount = count;
        }
        if (process.Ended())
            return Fail(mode, "program-ended");
        if (clock.Seconds() > timeoutSeconds)
            return Fail(mode, "timeout");
        ::Sleep(kPollMs);
    }

    // The caption may still change while the window closes; it is not sampled.
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    DWORD code = 0;
    if (!process.WaitForExit(kStartTimeoutMs, code))
        return Fail(mode, "no-exit");
    char progress[16] = "none";
    if (progressMax >= 0)
        std::snprintf(progress, sizeof progress, "%d", progressMax);
    std::printf("window seconds=%.3f probes=%d answered=%d progress_max=%s progress_100_before_summary=%d lines=%ld "
                "exit=%lu\n",
                seconds, probes, answered, progress, hundredBeforeSummary ? 1 : 0, long(lines),
                static_cast<unsigned long>(code));
    if (summary != ESummary::Expected)
        return Fail(mode, "unexpected-summary");
    return 0;
}

int RunCli(const std::wstring& program, const std::wstring& input, const std::wstring& folder,
           const std::wstring& logPath, double timeoutSeconds) {
    const char* mode = "cli";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    const HANDLE log = ::CreateFileW(logPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE)
        return Fail(mode, "log");
    DWORD code = 0;
    bool ended = false;
    double seconds = 0;
    {
        CChildProcess process;
        const CClock clock;
        if (!process.Start(program, L"-e \"" + input + L"\"", folder.c_str(), 0, log)) {
            ::CloseHandle(log);
            return Fail(mode, "start");
        }
        ended = process.WaitForExit(DWORD(timeoutSeconds * 1000), code);
        seconds = clock.Seconds();
    }
    ::CloseHandle(log);
    if (!ended)
        return Fail(mode, "timeout");
    std::printf("cli seconds=%.3f exit=%lu\n", seconds, static_cast<unsigned long>(code));
    return code == 0 ? 0 : 1;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: window-bench --window PROGRAM DLL INPUT FOLDER [TIMEOUT_S]\n"
                 "       window-bench --cli PROGRAM INPUT FOLDER LOG [TIMEOUT_S]\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return Usage();
    const std::wstring mode = argv[1];
    const int needed = 6;  // the mode's arguments and the program's name
    if (argc != needed && argc != needed + 1)
        return Usage();
    const double timeoutSeconds = argc > needed ? std::wcstod(argv[needed], nullptr) : 3600.0;
    if (!(timeoutSeconds > 0))
        return Usage();
    if (mode == L"--window")
        return RunWindow(argv[2], argv[3], argv[4], argv[5], timeoutSeconds);
    if (mode == L"--cli")
        return RunCli(argv[2], argv[3], argv[4], argv[5], timeoutSeconds);
    return Usage();
}
