// Two Movane_VM processes and a manager window here: the first announces its window,
// a second start brings the first forward and ends without a word to the manager, and
// the manager's kill ends the first.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "host/common/winmsg.h"
#include "platform/window.h"

namespace {

std::vector<MSG> received;

LRESULT managerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_USER) received.push_back({hwnd, message, wParam, lParam, 0, {0, 0}});
    return message == WM_CREATE ? 0 : DefWindowProcW(hwnd, message, wParam, lParam);
}

// Deadlines, not sleeps: the waits end as soon as the thing came, and are long enough for
// a loaded machine running two suites at once.
constexpr auto kDeadline = std::chrono::seconds(60);

// A started VM program: killed and reaped whatever way the test leaves, so that a failed
// assertion never leaves it holding the test's output open.
struct VmProgram {
    pid_t pid = -1;
    VmProgram() {
        pid = fork();
        if (pid == 0) {
            execl(MOVANE_VM_PROGRAM, MOVANE_VM_PROGRAM, (char*)nullptr);
            _exit(127);
        }
    }
    ~VmProgram() {
        if (pid <= 0) return;
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    // The exit status once it ended, or -1 when it did not end in time (it is killed).
    int exitStatus() {
        if (pid <= 0) return -2;
        int status = 0;
        auto end = std::chrono::steady_clock::now() + kDeadline;
        while (std::chrono::steady_clock::now() < end) {
            if (waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + status;
            }
            usleep(10000);
        }
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        pid = -1;
        return -1;
    }
};

// Pumps until a message of that number came or the deadline passed.
const MSG* waitFor(UINT message) {
    auto end = std::chrono::steady_clock::now() + kDeadline;
    while (std::chrono::steady_clock::now() < end) {
        MSG msg;
        while (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        for (const MSG& m : received) {
            if (m.message == message) return &m;
        }
        usleep(2000);
    }
    return nullptr;
}

struct RemovedAtEnd {
    std::string path;
    ~RemovedAtEnd() { unlink(path.c_str()); }
};

// The manager's window of the test, gone with the test however it ends.
struct ManagerWindow {
    HWND hwnd = 0;
    ManagerWindow() {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = managerProc;
        wc.lpszClassName = L"Movane_AMS";
        if (RegisterClassW(&wc) == 1)
            hwnd = CreateWindowExW(0, L"Movane_AMS", L"", 0, 0, 0, 1, 1, 0, nullptr, nullptr, nullptr);
    }
    ~ManagerWindow() {
        if (hwnd != 0) DestroyWindow(hwnd);
        UnregisterClassW(L"Movane_AMS", nullptr);
    }
};

TEST(VmInstances, ASecondStartBringsTheFirstForwardAndEnds) {
    std::string dir = "/tmp/movane-instance-test-" + std::to_string(getpid());
    setenv("MOVANE_RUNTIME_DIR", dir.c_str(), 1);
    setenv("MOVANE_REGISTRY", (dir + "-registry.reg").c_str(), 1);
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    RemovedAtEnd registry{dir + "-registry.reg"};
    ManagerWindow manager;
    ASSERT_NE(manager.hwnd, 0u);

    VmProgram first;
    const MSG* created = waitFor(VM_NOTIFY_CREATE_VM_PROCESS);
    ASSERT_NE(created, nullptr) << "the VM program announces its window";
    HWND vmWindow = created->wParam;
    EXPECT_EQ(FindWindowW(L"Movane_VM", nullptr), vmWindow);
    EXPECT_EQ(SendMessageW(vmWindow, VM_CMD_GET_STATE, 0, 0), 0) << "idle";

    received.clear();
    {
        VmProgram second;
        EXPECT_EQ(second.exitStatus(), 0) << "the second instance ends at once";
    }
    MSG msg;
    while (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    EXPECT_TRUE(received.empty()) << "the second instance posts nothing to the manager";

    PostMessageW(vmWindow, VM_CMD_KILL_VM_PROCESS, 0, 0);
    EXPECT_NE(waitFor(VM_NOTIFY_KILL_VM_PROCESS), nullptr);
    EXPECT_EQ(first.exitStatus(), 0) << "the kill ends the idle program";
}

// SIGTERM and SIGINT end an idle program (no MIDlet, its window hidden) cleanly and soon.
TEST(VmInstances, CloseSignalsEndTheIdleProgram) {
    std::string dir = "/tmp/movane-instance-test-" + std::to_string(getpid());
    setenv("MOVANE_RUNTIME_DIR", dir.c_str(), 1);
    setenv("MOVANE_REGISTRY", (dir + "-registry.reg").c_str(), 1);
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    RemovedAtEnd registry{dir + "-registry.reg"};
    ManagerWindow manager;
    ASSERT_NE(manager.hwnd, 0u);
    for (int signal : {SIGTERM, SIGINT}) {
        received.clear();
        VmProgram vm;
        ASSERT_NE(waitFor(VM_NOTIFY_CREATE_VM_PROCESS), nullptr) << "signal " << signal;
        auto sent = std::chrono::steady_clock::now();
        kill(vm.pid, signal);
        EXPECT_EQ(vm.exitStatus(), 0) << "signal " << signal;
        EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(10)) << "signal " << signal;
    }
}

}  // namespace
