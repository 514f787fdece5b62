// The window system: message order, sends between threads that send to each other,
// timers, focus, the quit message, and all of it with a second process.
#include "platform/window.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// Every test process gets a runtime folder of its own, before any window exists.
struct RuntimeFolder {
    RuntimeFolder() {
        std::string dir = "/tmp/movane-window-test-" + std::to_string(getpid());
        setenv("MOVANE_RUNTIME_DIR", dir.c_str(), 1);
    }
} runtimeFolder;

thread_local std::vector<std::string>* journal = nullptr;

std::string name(UINT message, WPARAM wParam) {
    switch (message) {
        case WM_PAINT:
            return "paint";
        case WM_TIMER:
            return "timer" + std::to_string(wParam);
        case WM_SETFOCUS:
            return "setfocus";
        case WM_KILLFOCUS:
            return "killfocus";
    }
    return "m" + std::to_string(message - WM_USER);
}

LRESULT journalProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
    }
    if (journal && (message >= WM_USER || message == WM_PAINT || message == WM_TIMER)) {
        journal->push_back(name(message, wParam));
    }
    if (message == WM_CREATE || message == WM_DESTROY) return 0;
    return message >= WM_USER ? (LRESULT)(wParam * 10) : DefWindowProcW(hwnd, message, wParam, lParam);
}

void registerClass(const wchar_t* cls, WNDPROC proc) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = proc;
    wc.lpszClassName = cls;
    RegisterClassW(&wc);
}

HWND makeWindow(const wchar_t* cls = L"JournalClass", WNDPROC proc = journalProc) {
    registerClass(cls, proc);
    return CreateWindowExW(0, cls, L"", 0, 0, 0, 10, 10, 0, nullptr, nullptr, nullptr);
}

// Runs the thread's loop until WM_QUIT or limit dispatched messages; the journal.
std::vector<std::string> runLoop(size_t limit, int32_t* quitCode = nullptr) {
    std::vector<std::string> log;
    journal = &log;
    MSG msg;
    size_t dispatched = 0;
    while (dispatched < limit) {
        BOOL r = GetMessageW(&msg, 0, 0, 0);
        if (r == 0) {
            log.push_back("quit");
            if (quitCode) *quitCode = (int32_t)msg.wParam;
            break;
        }
        DispatchMessageW(&msg);
        dispatched++;
    }
    journal = nullptr;
    return log;
}

std::string join(const std::vector<std::string>& v) {
    std::string s;
    for (const std::string& x : v) s += (s.empty() ? "" : " ") + x;
    return s;
}

TEST(WindowMessages, OrderOfPostedSentPaintTimerAndQuit) {
    enum Op { POST, SEND, QUIT, INVALIDATE, TIMER };
    struct Step {
        Op op;
        UINT n;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        size_t limit;
        const char* expected;
    };
    const Case cases[] = {
        {"posted messages keep their order", {{POST, 1}, {POST, 2}, {POST, 3}, {QUIT, 0}}, 10, "m1 m2 m3 quit"},
        {"a send from the owning thread runs at once",
         {{POST, 1}, {SEND, 2}, {POST, 3}, {QUIT, 0}},
         10,
         "m2 m1 m3 quit"},
        {"the quit message waits for the posted ones", {{POST, 1}, {QUIT, 0}, {POST, 2}}, 10, "m1 m2 quit"},
        {"paint after posted messages, timers last", {{TIMER, 5}, {INVALIDATE, 0}, {POST, 1}}, 3, "m1 paint timer5"},
    };
    for (const Case& c : cases) {
        HWND w = makeWindow();
        std::vector<std::string> early;
        journal = &early;
        for (const Step& s : c.steps) {
            if (s.op == POST) PostMessageW(w, WM_USER + s.n, 0, 0);
            if (s.op == SEND) SendMessageW(w, WM_USER + s.n, 0, 0);
            if (s.op == QUIT) PostQuitMessage(0);
            if (s.op == INVALIDATE) InvalidateRect(w, nullptr, 0);
            if (s.op == TIMER) SetTimer(w, s.n, 1, nullptr);
        }
        journal = nullptr;
        usleep(5000);  // the timer is due
        std::vector<std::string> log = runLoop(c.limit);
        early.insert(early.end(), log.begin(), log.end());
        EXPECT_EQ(join(early), c.expected) << c.name;
        KillTimer(w, 5);
        DestroyWindow(w);
    }
}

TEST(WindowMessages, SendsFromAnotherThreadAreHandledBeforePostedOnes) {
    HWND w = makeWindow();
    std::thread other([w] {
        PostMessageW(w, WM_USER + 1, 0, 0);
        PostMessageW(w, WM_USER + 2, 0, 0);
        EXPECT_EQ(SendMessageW(w, WM_USER + 3, 4, 0), 40);
        PostMessageW(w, WM_USER + 4, 0, 0);
    });
    // the send is taken while the posted messages still wait
    std::vector<std::string> log;
    journal = &log;
    MSG msg;
    while (log.empty()) PeekMessageW(&msg, 0, 0, 0, PM_NOREMOVE);
    journal = nullptr;
    other.join();
    std::vector<std::string> rest = runLoop(3);
    log.insert(log.end(), rest.begin(), rest.end());
    EXPECT_EQ(join(log), "m3 m1 m2 m4");
    DestroyWindow(w);
}

// m7 records its wParam, counts itself and answers lParam.
std::atomic<uintptr_t> seenWParam{0};
std::atomic<int> echoes{0};
LRESULT echoProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_USER + 7) return message == WM_CREATE ? 0 : DefWindowProcW(hwnd, message, wParam, lParam);
    seenWParam = wParam;
    echoes++;
    return lParam;
}

TEST(WindowMessages, ParametersAndResultsArePointerWideInsideTheProcess) {
    HWND w = makeWindow(L"EchoClass", echoProc);
    int onTheHeap = 0;
    struct Case {
        const char* name;
        WPARAM wParam;
        LPARAM lParam;
    };
    const Case cases[] = {
        {"addresses of this process", (WPARAM)&onTheHeap, (LPARAM)&w},
        {"values above 32 bits", (WPARAM)0x123456789ABCull, (LPARAM)0x7EDCBA9876543210ll},
        {"negative and all ones", ~(WPARAM)0, (LPARAM)-5},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SendMessageW(w, WM_USER + 7, c.wParam, c.lParam), c.lParam) << c.name << ": a send of the thread";
        EXPECT_EQ(seenWParam.load(), c.wParam) << c.name;
        LRESULT fromOther = 0;
        int before = echoes;
        std::thread other([&] { fromOther = SendMessageW(w, WM_USER + 7, c.wParam, c.lParam); });
        MSG msg;
        while (echoes == before) PeekMessageW(&msg, 0, 0, 0, PM_NOREMOVE);
        other.join();
        EXPECT_EQ(fromOther, c.lParam) << c.name << ": a send from another thread";
        ASSERT_EQ(PostMessageW(w, WM_USER + 7, c.wParam, c.lParam), 1) << c.name;
        ASSERT_EQ(PeekMessageW(&msg, 0, 0, 0, PM_REMOVE), 1) << c.name;
        EXPECT_EQ(msg.wParam, c.wParam) << c.name << ": a post";
        EXPECT_EQ(msg.lParam, c.lParam) << c.name << ": a post";
    }
    DestroyWindow(w);
}

// Thread B's window, on receiving m1, sends m2 to the window of thread A, which is
// itself waiting in its send to B.
HWND windowA = 0;
LRESULT nestedProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER + 1) return SendMessageW(windowA, WM_USER + 2, wParam + 1, 0) + 1000;
    if (message == WM_USER + 2) return (LRESULT)wParam * 10;
    return message == WM_CREATE ? 0 : DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST(WindowMessages, ASendIntoAThreadThatIsItselfSendingIsAnswered) {
    windowA = makeWindow(L"NestedClass", nestedProc);
    // plain mutex and condition: the race detector knows them
    std::mutex m;
    std::condition_variable made;
    HWND wb = 0;
    bool stop = false;
    std::thread b([&] {
        HWND w = CreateWindowExW(0, L"NestedClass", L"", 0, 0, 0, 1, 1, 0, nullptr, nullptr, nullptr);
        {
            // signalled under the mutex: the race detector reports a signal outside it
            std::lock_guard<std::mutex> g(m);
            wb = w;
            made.notify_all();
        }
        MSG msg;
        for (;;) {
            {
                std::lock_guard<std::mutex> g(m);
                if (stop) break;
            }
            if (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            usleep(1000);
        }
        DestroyWindow(w);
    });
    {
        std::unique_lock<std::mutex> g(m);
        made.wait(g, [&] { return wb != 0; });
    }
    EXPECT_EQ(SendMessageW(wb, WM_USER + 1, 4, 0), 50 + 1000) << "A answered B's send while waiting";
    {
        std::lock_guard<std::mutex> g(m);
        stop = true;
    }
    b.join();
    DestroyWindow(windowA);
}

std::atomic<int> ticks{0};
std::vector<uint64_t> tickTimes;
uint64_t msNow() {
    return (uint64_t)std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
void countingTimer(HWND hwnd, UINT, uint32_t id, DWORD) {
    ticks++;
    tickTimes.push_back(msNow());
}
void selfKillingTimer(HWND hwnd, UINT, uint32_t id, DWORD) {
    ticks++;
    KillTimer(hwnd, id);
}

// Runs the loop for ms milliseconds.
void pumpFor(uint32_t ms) {
    HWND stopper = makeWindow();
    PostMessageW(stopper, WM_NULL, 0, 0);
    uint64_t end = msNow() + ms;
    MSG msg;
    while (msNow() < end) {
        if (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&msg);
        } else {
            usleep(500);
        }
    }
    DestroyWindow(stopper);
}

TEST(WindowTimers, PeriodAndKillFromInsideTheHandler) {
    struct Case {
        const char* name;
        TIMERPROC proc;
        uint32_t period;
        int minTicks, maxTicks;
    };
    const Case cases[] = {
        {"a 20 ms timer ticks repeatedly, never faster than its period", countingTimer, 20, 4, 11},
        {"a timer killed in its own handler ticks once", selfKillingTimer, 5, 1, 1},
    };
    for (const Case& c : cases) {
        HWND w = makeWindow();
        ticks = 0;
        tickTimes.clear();
        uint64_t start = msNow();
        ASSERT_EQ(SetTimer(w, 1, c.period, c.proc), 1u) << c.name;
        // the timer message carries the procedure in its lParam, as a whole pointer
        MSG msg;
        bool seen = false;
        for (uint64_t deadline = msNow() + 5000; !seen && msNow() < deadline;) {
            if (PeekMessageW(&msg, 0, 0, 0, PM_NOREMOVE) == 0) {
                usleep(500);
            } else if (msg.message == WM_TIMER) {
                seen = true;
            } else if (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) {
                DispatchMessageW(&msg);
            }
        }
        ASSERT_TRUE(seen) << c.name;
        EXPECT_EQ(msg.lParam, (LPARAM)c.proc) << c.name;
        pumpFor(210);
        EXPECT_GE(ticks.load(), c.minTicks) << c.name;
        EXPECT_LE(ticks.load(), c.maxTicks) << c.name;
        uint64_t last = start;
        for (uint64_t t : tickTimes) {
            EXPECT_GE(t - last + 1, c.period) << c.name;
            last = t;
        }
        KillTimer(w, 1);
        DestroyWindow(w);
    }
}

TEST(WindowTimers, AKilledTimerSendsNothingAndADestroyedWindowTakesItsTimersAlong) {
    HWND w = makeWindow();
    ticks = 0;
    SetTimer(w, 1, 1, countingTimer);
    SetTimer(w, 2, 1, countingTimer);
    EXPECT_EQ(KillTimer(w, 1), 1);
    EXPECT_EQ(KillTimer(w, 1), 0) << "killed twice";
    DestroyWindow(w);
    pumpFor(30);
    EXPECT_EQ(ticks.load(), 0);
}

std::vector<std::string> focusLog;
LRESULT focusProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETFOCUS || message == WM_KILLFOCUS) {
        focusLog.push_back(std::to_string(hwnd) + (message == WM_SETFOCUS ? " set from " : " kill to ") +
                           std::to_string(wParam));
    }
    return message == WM_CREATE ? 0 : DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST(WindowFocus, MovesSendKillThenSetWithTheOtherWindow) {
    HWND a = makeWindow(L"FocusClass", focusProc);
    HWND b = CreateWindowExW(0, L"FocusClass", L"", 0, 0, 0, 1, 1, 0, nullptr, nullptr, nullptr);
    auto s = [](HWND h) { return std::to_string(h); };
    struct Case {
        const char* name;
        HWND target;
        std::vector<std::string> expected;
        HWND focusAfter;
    };
    const Case cases[] = {
        {"first focus", a, {s(a) + " set from 0"}, a},
        {"again on the same window: nothing", a, {}, a},
        {"to another window", b, {s(a) + " kill to " + s(b), s(b) + " set from " + s(a)}, b},
        {"to nobody", 0, {s(b) + " kill to 0"}, 0},
    };
    for (const Case& c : cases) {
        focusLog.clear();
        SetFocus(c.target);
        EXPECT_EQ(focusLog, c.expected) << c.name;
        EXPECT_EQ(GetFocus(), c.focusAfter) << c.name;
    }
    SetFocus(a);
    DestroyWindow(a);
    EXPECT_EQ(GetFocus(), 0u) << "the focus window was destroyed";
    DestroyWindow(b);
}

TEST(WindowMessages, QuitCarriesItsCodeAndMessagesToDeadWindowsFail) {
    HWND w = makeWindow();
    PostQuitMessage(7);
    int32_t code = -1;
    EXPECT_EQ(join(runLoop(5, &code)), "quit");
    EXPECT_EQ(code, 7);
    DestroyWindow(w);
    EXPECT_EQ(PostMessageW(w, WM_USER, 0, 0), 0);
    EXPECT_EQ(SendMessageW(w, WM_USER + 1, 3, 0), 0);
    EXPECT_EQ(IsWindow(w), 0);
}

TEST(WindowMessages, HandlesKeepTheLowestBitClearAndCarryTheProcessSlot) {
    HWND w = makeWindow();
    EXPECT_EQ(w & 1u, 0u);
    EXPECT_EQ(w >> 16, WindowProcessSlot());
    EXPECT_EQ(FindWindowW(L"JournalClass", nullptr), w);
    EXPECT_EQ(SetForegroundWindow(w | 1u), 1) << "the lowest bit is ignored";
    EXPECT_EQ(GetActiveWindow(), w);
    DestroyWindow(w);
}

TEST(WindowMessageBox, AnswersWithTheChosenButtonWhileServingMessages) {
    struct Case {
        const char* name;
        UINT type;
        UINT key;  // 0: a WM_COMMAND with the answer instead
        int32_t command;
        int32_t expected;
    };
    const Case cases[] = {
        {"Return takes Yes", MB_YESNO, 13, 0, IDYES},
        {"Escape takes No", MB_YESNO, 27, 0, IDNO},
        {"Return takes OK", MB_OK, 13, 0, IDOK},
        {"a command chooses", MB_YESNO, 0, IDNO, IDNO},
    };
    static const Case* current;
    static HWND seenBox;
    HWND owner = makeWindow();
    for (const Case& c : cases) {
        current = &c;
        seenBox = 0;
        WindowSetMessageBoxObserver([](HWND box, const wchar_t* caption, const wchar_t* text) {
            seenBox = box;
            EXPECT_EQ(FindWindowW(L"Dialog", L"Title"), box);
            EXPECT_EQ(std::wstring(text), L"Body");
            if (current->key) {
                EXPECT_EQ(GetFocus(), box);
                WindowPostKey(current->key, 1, 0);
                WindowPostKey(current->key, 0, 0);
            } else {
                PostMessageW(box, WM_COMMAND, (WPARAM)current->command, 0);
            }
        });
        SetFocus(owner);
        EXPECT_EQ(MessageBoxW(owner, L"Body", L"Title", c.type | MB_ICONQUESTION), c.expected) << c.name;
        EXPECT_NE(seenBox, 0u) << c.name;
        EXPECT_EQ(IsWindow(seenBox), 0) << c.name;
        EXPECT_EQ(GetFocus(), owner) << c.name << ": the focus comes back";
    }
    WindowSetMessageBoxObserver(nullptr);
    DestroyWindow(owner);
}

TEST(WindowInput, HotKeysGoToTheirWindowOtherKeysToTheFocus) {
    HWND hot = makeWindow();
    HWND focused = CreateWindowExW(0, L"JournalClass", L"", 0, 0, 0, 1, 1, 0, nullptr, nullptr, nullptr);
    SetFocus(focused);
    ASSERT_EQ(RegisterHotKey(hot, 9, MOD_KEYUP, 112), 1);
    EXPECT_EQ(RegisterHotKey(focused, 3, 0, 112), 0) << "a key has one hot key";
    WindowPostKey(112, 1, 0);
    WindowPostKey(112, 0, 0);
    WindowPostKey(50, 1, 0);
    WindowPostKey(50, 1, 1);
    WindowPostKey(50, 0, 0);
    struct Expect {
        HWND hwnd;
        UINT message;
        WPARAM wParam;
        uint32_t lParam;
    };
    const Expect expected[] = {
        {hot, WM_HOTKEY, 9, 112u << 16 | 0},
        {hot, WM_HOTKEY, 9, 112u << 16 | MOD_KEYUP},
        {focused, WM_KEYDOWN, 50, 1},
        {focused, WM_KEYDOWN, 50, 1 | 1u << 30},
        {focused, WM_KEYUP, 50, 1 | 1u << 30 | 1u << 31},
    };
    for (const Expect& e : expected) {
        MSG msg;
        ASSERT_EQ(PeekMessageW(&msg, 0, 0, 0, PM_REMOVE), 1);
        EXPECT_EQ(msg.hwnd, e.hwnd);
        EXPECT_EQ(msg.message, e.message);
        EXPECT_EQ(msg.wParam, e.wParam);
        EXPECT_EQ((uint32_t)msg.lParam, e.lParam) << std::hex << msg.message;
    }
    DestroyWindow(hot);
    DestroyWindow(focused);
}

// ---- two processes ----

LRESULT hostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (journal && message >= WM_USER) journal->push_back(name(message, wParam) + "(" + std::to_string(wParam) + ")");
    if (message == WM_USER + 4) return (LRESULT)wParam + 1;
    return message == WM_CREATE ? 0 : DefWindowProcW(hwnd, message, wParam, lParam);
}

struct Peer {
    pid_t pid = -1;
    HWND window = 0;
    void start() {
        pid = fork();
        if (pid == 0) {
            execl(MOVANE_WINDOW_PEER, MOVANE_WINDOW_PEER, (char*)nullptr);
            _exit(127);
        }
        // a loaded machine, and the race detector, can take long to start a process and
        // to ask for its class: a deadline, not a number of tries
        for (uint64_t deadline = msNow() + 90000; window == 0 && msNow() < deadline;) {
            window = FindWindowW(L"PeerClass", nullptr);
            if (window == 0) usleep(10000);
        }
    }
    int wait() {
        int status = 0;
        waitpid(pid, &status, 0);
        pid = -1;
        return status;
    }
    // a failed test leaves no process behind to hold the test's output open
    ~Peer() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            wait();
        }
    }
};

TEST(WindowProcesses, FindPostSendAndCopyDataAcrossTwoProcesses) {
    HWND mine = makeWindow(L"HostClass", hostProc);
    Peer peer;
    peer.start();
    ASSERT_NE(peer.window, 0u) << "the peer's window is found through its class socket";
    EXPECT_NE(peer.window >> 16, mine >> 16) << "the two processes have different slots";
    EXPECT_EQ(FindWindowW(L"PeerClass", L"Peer"), peer.window);
    EXPECT_EQ(FindWindowW(L"PeerClass", L"Other title"), 0u);
    EXPECT_EQ(FindWindowW(L"NoSuchClass", nullptr), 0u);

    struct Case {
        const char* name;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        LRESULT expected;
    };
    const Case sends[] = {
        {"a plain send", WM_USER + 1, 21, 0, 42},
        // the peer sends m4 back to this thread while this thread waits for its answer
        {"a send answered by a send back", WM_USER + 2, mine, 0, 1000 + (LRESULT)mine + 1},
        // the peer answers lParam - 1: the words are sign-extended on arrival both ways
        {"a negative lParam and answer", WM_USER + 5, 0, -7, -8},
        {"an lParam of 32 set bits arrives as -1", WM_USER + 5, 0, (LPARAM)0xFFFFFFFFu, -2},
        {"the largest wParam", WM_USER + 1, 0xFFFFFFFFu, 0, (LRESULT)(int32_t)0xFFFFFFFEu},
        // the wire has 32-bit words: a wider value is refused, not cut
        {"a wParam wider than a word", WM_USER + 1, ((WPARAM)1 << 32) | 21, 0, 0},
        {"an lParam wider than a word", WM_USER + 5, 0, (LPARAM)1 << 40, 0},
        {"an lParam below the words", WM_USER + 5, 0, (LPARAM)INT32_MIN - 1, 0},
    };
    for (const Case& c : sends)
        EXPECT_EQ(SendMessageW(peer.window, c.message, c.wParam, c.lParam), c.expected) << c.name;
    EXPECT_EQ(PostMessageW(peer.window, WM_USER + 3, mine, (LPARAM)1 << 33), 0)
        << "a post that does not fit is refused";
    EXPECT_EQ(PostMessageW(peer.window, WM_USER + 3, ((WPARAM)1 << 32) | mine, 13), 0)
        << "a post that does not fit is refused";

    const char bytes[] = "copied across";
    COPYDATASTRUCT cds = {5, sizeof bytes, (void*)bytes};
    EXPECT_EQ(SendMessageW(peer.window, WM_COPYDATA, mine, (LPARAM)&cds), 5 * 1000 + (LRESULT)sizeof bytes);

    // posts keep their order across the processes; the peer echoes each back as a post
    std::vector<std::string> log;
    for (UINT n = 10; n < 13; n++) PostMessageW(peer.window, WM_USER + 3, mine, (LPARAM)n);
    std::vector<std::string> echoed = runLoop(3);
    EXPECT_EQ(join(echoed), "m10(10) m11(11) m12(12)");

    PostMessageW(peer.window, WM_CLOSE, 0, 0);
    int status = peer.wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    DestroyWindow(mine);
}

TEST(WindowProcesses, ADeadProcessLeavesNoStaleClass) {
    Peer peer;
    peer.start();
    ASSERT_NE(peer.window, 0u);
    kill(peer.pid, SIGKILL);
    peer.wait();
    std::string socketPath = std::string(WindowRuntimeDir()) + "/PeerClass.sock";
    struct stat st;
    EXPECT_EQ(stat(socketPath.c_str(), &st), 0) << "the dead process left its socket";
    EXPECT_EQ(FindWindowW(L"PeerClass", nullptr), 0u);
    EXPECT_EQ(PostMessageW(peer.window, WM_USER, 0, 0), 0) << "its windows are gone";
    // the next registration of the class takes it over
    HWND w = makeWindow(L"PeerClass", hostProc);
    EXPECT_EQ(FindWindowW(L"PeerClass", nullptr), w);
    EXPECT_EQ(stat(socketPath.c_str(), &st), 0);
    DestroyWindow(w);
}

}  // namespace
