// The message loop with real posted messages: when idle handlers run, the
// order in which filters are asked, what a consuming filter keeps from
// translation and dispatch, removal of repeated entries, the exit code; and
// the module's table of loops per thread.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "framework/AppModule.h"
#include "framework/MessageLoop.h"

namespace {

using Log = std::vector<std::string>;

std::string MessageName(UINT message) {
    switch (message) {
    case WM_MOUSEMOVE: return "WM_MOUSEMOVE";
    case WM_NCMOUSEMOVE: return "WM_NCMOUSEMOVE";
    case WM_PAINT: return "WM_PAINT";
    case 0x0118: return "caret blink";
    case WM_KEYDOWN: return "WM_KEYDOWN";
    case WM_KEYUP: return "WM_KEYUP";
    case WM_CHAR: return "WM_CHAR";
    default:
        if (message >= WM_APP)
            return "WM_APP+" + std::to_string(message - WM_APP);
        return "message " + std::to_string(message);
    }
}

// A filter and idle handler that writes what it sees into a shared log.
class CRecorder : public CMessageFilter, public CIdleHandler {
public:
    CRecorder(Log& log, std::string name, UINT consumes = 0) : m_log(log), m_name(std::move(name)), m_consumes(consumes) {}

    BOOL PreTranslateMessage(MSG* pMsg) override {
        m_log.push_back(m_name + " " + MessageName(pMsg->message));
        return m_consumes && pMsg->message == m_consumes;
    }
    BOOL OnIdle() override {
        m_log.push_back(m_name + " idle");
        if (m_hIdleEvent)
            ::SetEvent(m_hIdleEvent);
        return TRUE;  // more wanted: the loop still runs one idle phase only
    }

    HANDLE m_hIdleEvent = nullptr;

private:
    Log& m_log;
    std::string m_name;
    UINT m_consumes;
};

// A window of the loop's thread whose procedure logs what is dispatched to it.
class CTargetWindow {
public:
    explicit CTargetWindow(Log* log) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = &Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VantoLoopTestTarget";
        ::RegisterClassW(&wc);
        m_hWnd = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   wc.hInstance, nullptr);
        ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(log));
    }
    ~CTargetWindow() { ::DestroyWindow(m_hWnd); }
    HWND m_hWnd;

private:
    static LRESULT CALLBACK Proc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* log = reinterpret_cast<Log*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
        if (log && (message == WM_KEYDOWN || message == WM_CHAR || message >= WM_APP))
            log->push_back("window " + MessageName(message) +
                           (message == WM_CHAR ? std::string(" '") + char(wParam) + "'" : ""));
        return ::DefWindowProcW(hWnd, message, wParam, lParam);
    }
};

void PostKeyDown(HWND hWnd, UINT vk) {
    ::PostMessageW(hWnd, WM_KEYDOWN, vk, (LPARAM(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16) | 1);
}

TEST(MessageLoop, IdleHandlersRunOnceAfterEveryMessageButMovesPaintsAndCaretBlinks) {
    Log log;
    CRecorder recorder(log, "r");
    recorder.m_hIdleEvent = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    CTargetWindow sync(nullptr);  // the loop thread's window for sent messages
    CMessageLoop loop;
    loop.AddMessageFilter(&recorder);
    loop.AddIdleHandler(&recorder);

    const DWORD loopThread = ::GetCurrentThreadId();
    bool idleTimedOut = false;
    std::thread user([&] {
        // Messages one at a time, each posted when the loop has gone back to
        // waiting: after an idle-arming message, when its idle phase ran;
        // after any other, once two sent messages went through the loop's
        // waiting calls.
        const struct {
            UINT message;
            bool armsIdle;
        } script[] = {
            {WM_APP + 1, true},      {WM_MOUSEMOVE, false}, {WM_NCMOUSEMOVE, false}, {WM_PAINT, false},
            {0x0118, false},         {WM_APP + 2, true},    {WM_PAINT, false},       {WM_APP + 3, true},
        };
        idleTimedOut |= ::WaitForSingleObject(recorder.m_hIdleEvent, 10000) != WAIT_OBJECT_0;
        for (const auto& step : script) {
            ::PostThreadMessageW(loopThread, step.message, 0, 0);
            if (step.armsIdle) {
                idleTimedOut |= ::WaitForSingleObject(recorder.m_hIdleEvent, 10000) != WAIT_OBJECT_0;
            } else {
                ::SendMessageW(sync.m_hWnd, WM_NULL, 0, 0);
                ::SendMessageW(sync.m_hWnd, WM_NULL, 0, 0);
            }
        }
        ::PostThreadMessageW(loopThread, WM_QUIT, 5, 0);
    });
    const int code = loop.Run();
    user.join();

    EXPECT_FALSE(idleTimedOut);
    EXPECT_EQ(code, 5);
    const Log expected = {
        "r idle",
        "r WM_APP+1",       "r idle",
        "r WM_MOUSEMOVE",   "r WM_NCMOUSEMOVE", "r WM_PAINT", "r caret blink",
        "r WM_APP+2",       "r idle",
        "r WM_PAINT",
        "r WM_APP+3",       "r idle",
    };
    EXPECT_EQ(log, expected);
    ::CloseHandle(recorder.m_hIdleEvent);
}

TEST(MessageLoop, LaterFiltersAreAskedFirstAndAConsumedMessageGoesNoFurther) {
    Log log;
    CRecorder first(log, "first");
    CRecorder second(log, "second", WM_KEYDOWN);  // consumes key presses...
    CTargetWindow target(&log);
    CMessageLoop loop;
    loop.AddMessageFilter(&first);
    loop.AddMessageFilter(nullptr);  // empty entries are skipped
    loop.AddMessageFilter(&second);

    ::PostMessageW(target.m_hWnd, WM_APP + 7, 0, 0);
    PostKeyDown(target.m_hWnd, 'B');
    ::PostQuitMessage(0);
    EXPECT_EQ(loop.Run(), 0);
    Log expected = {
        "second WM_APP+7", "first WM_APP+7", "window WM_APP+7",
        "second WM_KEYDOWN",  // ...so no one else sees it, and no WM_CHAR is made
    };
    EXPECT_EQ(log, expected);

    // Without the consuming filter the key press is translated and dispatched.
    log.clear();
    loop.RemoveMessageFilter(&second);
    PostKeyDown(target.m_hWnd, 'B');
    ::PostQuitMessage(0);
    loop.Run();
    expected = {"first WM_KEYDOWN", "window WM_KEYDOWN", "first WM_CHAR", "window WM_CHAR 'b'"};
    EXPECT_EQ(log, expected);
}

TEST(MessageLoop, RemovingARepeatedEntryTakesOutOnlyTheFirst) {
    Log log;
    CRecorder a(log, "a"), b(log, "b");
    CMessageLoop loop;
    loop.AddMessageFilter(&a);
    loop.AddMessageFilter(&b);
    loop.AddMessageFilter(&a);
    loop.AddIdleHandler(&a);
    loop.AddIdleHandler(&b);
    loop.AddIdleHandler(&a);
    EXPECT_TRUE(loop.RemoveMessageFilter(&a));
    EXPECT_TRUE(loop.RemoveIdleHandler(&a));
    CRecorder never(log, "never");
    EXPECT_FALSE(loop.RemoveMessageFilter(&never));
    EXPECT_FALSE(loop.RemoveIdleHandler(&never));

    // Filters now [b, a], asked from the last; idle handlers [b, a], run from
    // the first. The first idle phase comes before the message.
    ::PostThreadMessageW(::GetCurrentThreadId(), WM_APP + 1, 0, 0);
    ::PostQuitMessage(0);
    loop.Run();
    const Log expected = {"a WM_APP+1", "b WM_APP+1"};
    EXPECT_EQ(log, expected);
    log.clear();
    EXPECT_FALSE(loop.OnIdle(0));
    const Log idle = {"b idle", "a idle"};
    EXPECT_EQ(log, idle);
}

TEST(MessageLoop, ExitCodeIsTheQuitMessagesValue) {
    for (int code : {0, 1, 2, -5, 0x7FFFFFFF}) {
        SCOPED_TRACE(code);
        CMessageLoop loop;
        ::PostQuitMessage(code);
        EXPECT_EQ(loop.Run(), code);
    }
}

TEST(MessageLoop, HandlerListsAreBounded) {
    Log log;
    CRecorder r(log, "r");
    CMessageLoop loop;
    int added = 0;
    while (loop.AddMessageFilter(&r) && added < 1000)
        ++added;
    EXPECT_EQ(added, 16);
    EXPECT_FALSE(loop.AddMessageFilter(&r));
    EXPECT_TRUE(loop.RemoveMessageFilter(&r));
    EXPECT_TRUE(loop.AddMessageFilter(&r));
}

TEST(AppModule, KnowsEachThreadsLoop) {
    CMessageLoop mine, theirs;
    EXPECT_EQ(g_Module.GetMainThreadID(), ::GetCurrentThreadId());
    EXPECT_EQ(g_Module.GetMessageLoop(), nullptr);
    ASSERT_TRUE(g_Module.AddMessageLoop(&mine));
    EXPECT_FALSE(g_Module.AddMessageLoop(&theirs));  // one loop per thread
    EXPECT_EQ(g_Module.GetMessageLoop(), &mine);

    DWORD otherThread = 0;
    HANDLE registered = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    bool otherRemoved = false;
    std::thread other([&] {
        otherThread = ::GetCurrentThreadId();
        g_Module.AddMessageLoop(&theirs);
        ::SetEvent(registered);
        ::WaitForSingleObject(done, 10000);
        otherRemoved = g_Module.RemoveMessageLoop();
    });
    ASSERT_EQ(::WaitForSingleObject(registered, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(g_Module.GetMessageLoop(otherThread), &theirs);
    EXPECT_EQ(g_Module.GetMessageLoop(), &mine);
    ::SetEvent(done);
    other.join();
    EXPECT_TRUE(otherRemoved);
    EXPECT_EQ(g_Module.GetMessageLoop(otherThread), nullptr);

    EXPECT_TRUE(g_Module.RemoveMessageLoop());
    EXPECT_FALSE(g_Module.RemoveMessageLoop());
    EXPECT_EQ(g_Module.GetMessageLoop(), nullptr);
    ::CloseHandle(registered);
    ::CloseHandle(done);
}

}  // namespace
