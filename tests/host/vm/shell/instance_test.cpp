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

pid_t startVm() {
    pid_t pid = fork();
    if (pid == 0) {
        execl(MOVANE_VM_PROGRAM, MOVANE_VM_PROGRAM, (char*)nullptr);
        _exit(127);
    }
    return pid;
}

// Pumps until a message of that number came, or five seconds passed.
const MSG* waitFor(UINT message) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
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

int exitStatus(pid_t pid) {
    int status = 0;
    for (int i = 0; i < 500; i++) {
        if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + status;
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

TEST(VmInstances, ASecondStartBringsTheFirstForwardAndEnds) {
    std::string dir = "/tmp/movane-instance-test-" + std::to_string(getpid());
    setenv("MOVANE_RUNTIME_DIR", dir.c_str(), 1);
    setenv("MOVANE_REGISTRY", (dir + "-registry.reg").c_str(), 1);
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = managerProc;
    wc.lpszClassName = L"Movane_AMS";
    ASSERT_EQ(RegisterClassW(&wc), 1);
    HWND manager = CreateWindowExW(0, L"Movane_AMS", L"", 0, 0, 0, 1, 1, 0, nullptr, nullptr, nullptr);

    pid_t first = startVm();
    const MSG* created = waitFor(VM_NOTIFY_CREATE_VM_PROCESS);
    ASSERT_NE(created, nullptr) << "the VM program announces its window";
    HWND vmWindow = created->wParam;
    EXPECT_EQ(FindWindowW(L"Movane_VM", nullptr), vmWindow);
    EXPECT_EQ(SendMessageW(vmWindow, VM_CMD_GET_STATE, 0, 0), 0) << "idle";

    received.clear();
    pid_t second = startVm();
    EXPECT_EQ(exitStatus(second), 0) << "the second instance ends at once";
    MSG msg;
    while (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    EXPECT_TRUE(received.empty()) << "the second instance posts nothing to the manager";

    PostMessageW(vmWindow, VM_CMD_KILL_VM_PROCESS, 0, 0);
    EXPECT_NE(waitFor(VM_NOTIFY_KILL_VM_PROCESS), nullptr);
    EXPECT_EQ(exitStatus(first), 0) << "the kill ends the idle program";
    DestroyWindow(manager);
    unlink((dir + "-registry.reg").c_str());
}

}  // namespace
