// The host shell against a double of the host glue and a manager window in this
// process: the command line, the host state machine, keys and stylus, the back buffer.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "host/common/hosttrace.h"
#include "host/common/msgbox.h"
#include "host/common/winmsg.h"
#include "host/vm/hostglue.h"
#include "host/vm/vmshell.h"
#include "platform/gapi.h"
#include "platform/registry.h"
#include "platform/sip.h"
#include "vm/services/glue/mwe.h"

namespace {

struct RuntimeFolder {
    RuntimeFolder() {
        std::string dir = "/tmp/movane-shell-test-" + std::to_string(getpid());
        setenv("MOVANE_RUNTIME_DIR", dir.c_str(), 1);
    }
} runtimeFolder;

std::vector<std::string> glueLog, managerLog, boxLog;
int32_t boxAnswer = IDOK;

std::string join(const std::vector<std::string>& v) {
    std::string s;
    for (const std::string& x : v) s += (s.empty() ? "" : " ") + x;
    return s;
}

QmmsSuiteInfo suite(uint32_t id, const char* name, const char* vendor) {
    QmmsSuiteInfo s = {};
    s.suiteId = id;
    snprintf(s.name, sizeof s.name, "%s", name);
    snprintf(s.vendor, sizeof s.vendor, "%s", vendor);
    return s;
}
const QmmsSuiteInfo suites[] = {suite(7, "Alpha", "Us"), suite(9, "Billiards", "Motorola")};

const HostGlue fakeGlue = {
    [] { return glueLog.push_back("init"), 0; },
    [](const char* jad, const char* jar, int32_t n) {
        return glueLog.push_back(std::string("files(") + jad + "," + jar + "," + std::to_string(n) + ")"), 0;
    },
    [](const char* url) { return glueLog.push_back(std::string("path(") + url + ")"), 0; },
    [](int32_t id, int32_t midlet) {
        return glueLog.push_back("suite(" + std::to_string(id) + "," + std::to_string(midlet) + ")"), 0;
    },
    [] { glueLog.push_back("pause"); },
    [] { glueLog.push_back("resume"); },
    [] { glueLog.push_back("stop"); },
    [](int32_t kind, int32_t code, int32_t) {
        return glueLog.push_back("key(" + std::to_string(kind) + "," + std::to_string(code) + ")"), 1;
    },
    [](int32_t kind, int32_t x, int32_t y) {
        return glueLog.push_back("pen(" + std::to_string(kind) + "," + std::to_string(x) + "," + std::to_string(y) +
                                 ")"),
               1;
    },
    [](const KeyEntry* table, const KeyExtendedList*) {
        return glueLog.push_back(table == AlternateKeyMap ? "keymap(alternate)" : "keymap(default)"), 1;
    },
    [](int32_t) {},
    [] { return 1; },
    [] {},
    [] { return 1; },
    [](int32_t) { return 2; },
    [](int32_t, QmmsSuiteInfo* array, int32_t max) {
        for (int32_t i = 0; i < max && i < 2; i++) array[i] = suites[i];
        return 2;
    },
    ScreenBlit,
    [] { return 1; },
    [] { return 1; },
    ScreenClear,
};

LRESULT managerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_USER) {
        std::string name;
        for (const wchar_t* p = GetWindowMessageName(message); *p; p++) name += (char)*p;
        // the window handle of the create notice differs from run to run
        managerLog.push_back(name + (message == VM_NOTIFY_CREATE_VM_PROCESS ? "" : "(" + std::to_string(lParam) + ")"));
        return 0;
    }
    return message == WM_CREATE ? 0 : DefWindowProcW(hwnd, message, wParam, lParam);
}

void pump() {
    MSG msg;
    while (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            managerLog.push_back("quit");
            continue;
        }
        DispatchMessageW(&msg);
    }
}

// A fresh shell with its main window, a manager and the glue double.
struct Shell : ::testing::Test {
    HWND manager = 0;
    void SetUp() override {
        glueLog.clear();
        managerLog.clear();
        boxLog.clear();
        boxAnswer = IDOK;
        hostGlue = fakeGlue;
        ResetHostShell();
        WNDCLASSW wc = {};
        wc.lpfnWndProc = managerProc;
        wc.lpszClassName = L"Movane_AMS";
        RegisterClassW(&wc);
        manager = CreateWindowExW(0, L"Movane_AMS", L"", 0, 0, 0, 240, 320, 0, nullptr, nullptr, nullptr);
        WindowSetMessageBoxObserver([](HWND box, const wchar_t* caption, const wchar_t* text) {
            std::string s;
            for (const wchar_t* p = caption; *p; p++) s += (char)*p;
            s += ":";
            for (const wchar_t* p = text; *p; p++) s += (char)*p;
            boxLog.push_back(s);
            PostMessageW(box, WM_COMMAND, (WPARAM)boxAnswer, 0);
        });
        ASSERT_EQ(FindManagerWindow(), manager);
        ASSERT_EQ(CreateMainWindow(nullptr, 1), 1);
        pump();
        managerLog.clear();
    }
    void TearDown() override {
        WindowSetMessageBoxObserver(nullptr);
        SetFocus(0);
        if (IsWindow(GetMainWindow())) DestroyWindow(GetMainWindow());
        pump();
        DestroyWindow(manager);
        UnregisterClassW(L"Movane_VM", nullptr);
        UnregisterClassW(L"Movane_AMS", nullptr);
        hostGlue = hostGlueDefaults;
        ScreenFontTerm();
        ScreenSetAllocator(nullptr, nullptr);
    }
    void post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        PostMessageW(GetMainWindow(), message, wParam, lParam);
        pump();
    }
    void vm(int32_t code) {
        HostVmStateCallback(1, code, 0);
        pump();
    }
};

TEST_F(Shell, CommandLineForms) {
    struct Case {
        const wchar_t* line;
        const char* glue;
        const char* posted;  // the start request the shell posted to itself, or ""
    };
    const Case cases[] = {
        {L"-R 3", "", "3,0"},
        {L"-R 3_2", "", "3,2"},
        {L"-R 3_2_1", "", "0,0"},
        {L"-R  3_1", "", "0,0"},
        {L"-R", "", ""},
        {L"-r 3", "", ""},
        {L"-launch a.jad", "", ""},
        {L"-launch a.jad b.jar", "keymap(default) init files(a.jad,b.jar,0)", ""},
        {L"-launch a.jad b.jar 7", "keymap(default) init files(a.jad,b.jar,7)", ""},
        // paths with a space or a non-ASCII character come quoted and reach the glue whole
        {L"-launch \"/home/u/My Games/caf\u00e9.jad\" \"/x y/b.jar\"",
         "keymap(default) init files(/home/u/My Games/caf\xc3\xa9.jad,/x y/b.jar,0)", ""},
        {L"-launch \"a \"\"q\"\".jad\" b.jar 2", "keymap(default) init files(a \"q\".jad,b.jar,2)", ""},
        {L"-tckauto", "", ""},
        {L"-tckauto http://host/x", "init path(http://host/x) keymap(default)", ""},
        {L"", "", ""},
    };
    for (const Case& c : cases) {
        glueLog.clear();
        hostState.stopFlags = 0;
        ParseCommandLine(c.line);
        std::string posted;
        MSG msg;
        while (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) {
            if (msg.message == VM_CMD_START_MIDLET) {
                posted = std::to_string(msg.wParam & 0xFFFF) + "," + std::to_string(msg.wParam >> 16);
            } else if (msg.message != WM_QUIT) {
                DispatchMessageW(&msg);
            }
        }
        EXPECT_EQ(join(glueLog), c.glue) << (const char*)std::string(c.line, c.line + wcslen(c.line)).c_str();
        EXPECT_EQ(posted, c.posted) << std::string(c.line, c.line + wcslen(c.line));
        if (wcsncmp(c.line, L"-R ", 3) == 0 && *c.posted) {
            EXPECT_EQ(hostState.stopFlags, (uint32_t)STOP_END_PROGRAM);
        }
    }
}

// "-tckauto" whose start is refused (no test client) ends the program with the status of
// a start that could not be made, instead of leaving it waiting for ever.
TEST_F(Shell, RefusedTestRunEndsTheProgram) {
    struct Case {
        const char* name;
        int32_t startResult;
        int32_t quitStatus;  // -1: the program goes on
    } cases[] = {
        {"refused", -1, MWE_EXIT_NOT_STARTED},
        {"started", 0, -1},
    };
    static int32_t startResult;
    for (const Case& c : cases) {
        glueLog.clear();
        startResult = c.startResult;
        hostGlue.startVmByPath = [](const char* url) {
            return glueLog.push_back(std::string("path(") + url + ")"), startResult;
        };
        ParseCommandLine(L"-tckauto http://host/x");
        int32_t quit = -1;
        MSG msg;
        while (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = (int32_t)msg.wParam;
            } else {
                DispatchMessageW(&msg);
            }
        }
        EXPECT_EQ(quit, c.quitStatus) << c.name;
        ASSERT_GE(glueLog.size(), 2u) << c.name;
        EXPECT_EQ(glueLog.front(), "init") << c.name;
        EXPECT_EQ(glueLog[1], "path(http://host/x)") << c.name;
        EXPECT_EQ(IsWindowVisible(GetMainWindow()) != 0, c.quitStatus < 0) << c.name;
    }
}

// The program's arguments as one line and back: every argument comes back whole.
TEST_F(Shell, CommandLineKeepsEveryArgumentWhole) {
    const std::vector<std::vector<std::wstring>> cases = {
        {},
        {L"-R", L"3_2"},
        {L"-launch", L"/home/u/My Games/caf\u00e9.jad", L"/tmp/\u6e2c\u8a66/b.jar"},
        {L"-launch", L"", L"b.jar"},
        {L"-launch", L"tab\there", L"new\nline", L"\"", L"say \"hi\"", L"a\"b"},
        {L"back\\slash", L"trailing "},
    };
    for (const auto& args : cases) {
        std::wstring line = JoinCommandLine(args);
        std::vector<std::wstring> back;
        SplitCommandLine(line, &back);
        EXPECT_EQ(back, args) << WideToSystemText(line);
    }
    std::vector<std::wstring> out;
    SplitCommandLine(L"-launch a.jad b.jar", &out);
    EXPECT_EQ(out, (std::vector<std::wstring>{L"-launch", L"a.jad", L"b.jar"})) << "a plain line splits at spaces";
    EXPECT_EQ(JoinCommandLine({L"-R", L"3_2"}), L"-R 3_2") << "plain arguments are not quoted";
}

TEST_F(Shell, SplitStringEdges) {
    struct Case {
        const wchar_t* text;
        std::vector<std::wstring> items;
    };
    const Case cases[] = {
        {L"", {}}, {L"a b", {L"a", L"b"}}, {L"a  b", {L"a", L"", L"b"}}, {L"a ", {L"a"}}, {L" a", {L"", L"a"}},
    };
    for (const Case& c : cases) {
        std::vector<std::wstring> out;
        SplitString(c.text, L" \t", &out);
        EXPECT_EQ(out, c.items) << std::string(c.text, c.text + wcslen(c.text));
    }
}

// The host state machine as message sequences.
TEST_F(Shell, StateMachine) {
    struct Case {
        const char* name;
        std::function<void(Shell*)> script;
        int32_t state;
        const char* manager;
        const char* boxes;
    };
    auto start = [](Shell* s, int suite) { s->post(VM_CMD_START_MIDLET, (WPARAM)suite); };
    const Case cases[] = {
        {"a start runs the suite and reports when the MIDlet has started",
         [&](Shell* s) {
             start(s, 0);
             EXPECT_EQ(hostState.HostState, HOST_STARTING);
             s->vm(20);
         },
         HOST_RUNNING, "VM_NOTIFY_START_MIDLET(0)", ""},
        {"an unknown suite tells the manager to show its list and leaves the host idle", [&](Shell* s) { start(s, 5); },
         HOST_NONE, "VM_NOTIFY_STOP_MIDLET(4)", "Movane :not exist suiteIndex=5"},
        {"a MIDlet that ends by itself brings the manager's list back",
         [&](Shell* s) {
             start(s, 0);
             s->vm(20);
             s->vm(4);
         },
         HOST_NONE, "VM_NOTIFY_START_MIDLET(0) VM_NOTIFY_STOP_MIDLET(4)", ""},
        {"a start that fails is reported as failed",
         [&](Shell* s) {
             start(s, 0);
             s->vm(4);
         },
         HOST_NONE, "VM_NOTIFY_STOP_MIDLET(36)", "Movane :Cannot run MIDlet!"},
        {"a start the glue refuses ends at once as a failed start",
         [&](Shell* s) {
             hostGlue.startVmBySuite = [](int32_t, int32_t) { return glueLog.push_back("refused"), -1; };
             start(s, 0);
         },
         HOST_NONE, "VM_NOTIFY_STOP_MIDLET(36)", "Movane :Cannot run MIDlet!"},
        {"a MIDlet that started and ended before its first frame is no failed start",
         [&](Shell* s) {
             start(s, 0);
             HostGlueStateNotice(1);
             EXPECT_EQ(hostState.started, 1);
             HostGlueStateNotice(3);
             EXPECT_EQ(hostState.started, 0);
             s->post(VM_NOTIFY_STOP_MIDLET);
         },
         HOST_NONE, "VM_NOTIFY_STOP_MIDLET(4)", ""},
        {"the glue's paused and resumed handlers reach the window thread",
         [&](Shell* s) {
             start(s, 0);
             s->vm(20);
             HostGlueStateNotice(2);
             HostGlueMidletPaused();
             pump();
             EXPECT_EQ(hostState.HostState, HOST_PAUSED);
             EXPECT_EQ(hostState.paused, 1);
             HostGlueStateNotice(1);
             HostGlueMidletResumed();
             pump();
             EXPECT_EQ(hostState.paused, 0);
         },
         HOST_RUNNING, "VM_NOTIFY_START_MIDLET(0) VM_NOTIFY_SUSPEND_MIDLET(0) VM_NOTIFY_RESUME_MIDLET(0)", ""},
        {"a start while a MIDlet runs stops it and starts the new one unseen by the manager",
         [&](Shell* s) {
             start(s, 0);
             s->vm(20);
             start(s, 1);
             EXPECT_EQ(hostState.HostState, HOST_RUNNING);
             s->vm(4);
             EXPECT_EQ(hostState.HostState, HOST_STARTING);
             EXPECT_EQ(join(glueLog), "init suite(7,0) keymap(default) stop init suite(9,0) keymap(alternate)");
         },
         HOST_STARTING, "VM_NOTIFY_START_MIDLET(0)", ""},
        {"a kill while idle destroys the window",
         [&](Shell* s) {
             s->post(VM_CMD_KILL_VM_PROCESS);
             EXPECT_EQ(IsWindow(GetMainWindow()), 0);
         },
         HOST_NONE, "VM_NOTIFY_KILL_VM_PROCESS(0) quit", ""},
        {"a kill while running stops the MIDlet and ends the program without a stop notice",
         [&](Shell* s) {
             start(s, 0);
             s->vm(20);
             s->post(VM_CMD_KILL_VM_PROCESS);
             EXPECT_EQ(hostState.HostState, HOST_STOPPING);
             s->vm(4);
         },
         HOST_NONE, "VM_NOTIFY_START_MIDLET(0) VM_NOTIFY_KILL_VM_PROCESS(0) quit", ""},
        // a close (SIGTERM, SIGINT, the close button) takes the kill's way: nothing is
        // torn down while the VM still runs
        {"a close while idle ends the program", [&](Shell* s) { s->post(WM_CLOSE); }, HOST_NONE, "quit", ""},
        {"a close while starting stops the start; the window stays until the VM has stopped",
         [&](Shell* s) {
             start(s, 0);
             s->post(WM_CLOSE);
             EXPECT_EQ(hostState.HostState, HOST_STOPPING);
             EXPECT_NE(IsWindow(GetMainWindow()), 0);
             EXPECT_EQ(join(glueLog), "init suite(7,0) keymap(default) stop");
             s->vm(4);
         },
         HOST_NONE, "quit", ""},
        {"a close while running stops the MIDlet first and ends the program without a stop notice",
         [&](Shell* s) {
             start(s, 0);
             s->vm(20);
             s->post(WM_CLOSE);
             EXPECT_EQ(hostState.HostState, HOST_STOPPING);
             EXPECT_NE(IsWindow(GetMainWindow()), 0);
             s->vm(4);
         },
         HOST_NONE, "VM_NOTIFY_START_MIDLET(0) quit", ""},
        {"a close or a kill during a stop waits for the VM to stop",
         [&](Shell* s) {
             start(s, 0);
             s->vm(20);
             s->post(VM_CMD_STOP_MIDLET, 0, STOP_NOTIFY);
             s->post(WM_CLOSE);
             s->post(VM_CMD_KILL_VM_PROCESS);
             EXPECT_EQ(hostState.HostState, HOST_STOPPING);
             EXPECT_NE(IsWindow(GetMainWindow()), 0) << "no teardown under the running VM";
             s->vm(4);
         },
         HOST_NONE, "VM_NOTIFY_START_MIDLET(0) VM_NOTIFY_KILL_VM_PROCESS(0) VM_NOTIFY_STOP_MIDLET(0) quit", ""},
        {"a suspend during a blocking network call is ignored",
         [&](Shell* s) {
             start(s, 0);
             s->vm(20);
             hostState.suspendGate = 0;
             s->post(VM_CMD_SUSPEND_MIDLET);
         },
         HOST_RUNNING, "VM_NOTIFY_START_MIDLET(0)", ""},
        {"suspend, pause report, resume, resume report",
         [&](Shell* s) {
             start(s, 0);
             s->vm(20);
             s->post(VM_CMD_SUSPEND_MIDLET);
             EXPECT_EQ(hostState.HostState, HOST_SUSPENDING);
             s->vm(2);
             EXPECT_EQ(hostState.HostState, HOST_PAUSED);
             SendMessageW(GetMainWindow(), VM_CMD_RESUME_MIDLET, 0, 0);
             EXPECT_EQ(hostState.HostState, HOST_RESUMING);
             s->vm(3);
         },
         HOST_RUNNING, "VM_NOTIFY_START_MIDLET(0) VM_NOTIFY_SUSPEND_MIDLET(0) VM_NOTIFY_RESUME_MIDLET(0)", ""},
        {"losing the focus to another program suspends; declining the resume prompt shows the list",
         [&](Shell* s) {
             start(s, 0);
             s->vm(20);
             SetFocus(s->manager);
             pump();
             s->vm(2);
             boxAnswer = IDNO;
             SetFocus(GetMainWindow());
             pump();
             EXPECT_EQ(hostState.HostState, HOST_STOPPING);
             s->vm(4);
         },
         HOST_NONE, "VM_NOTIFY_START_MIDLET(0) VM_NOTIFY_SUSPEND_MIDLET(0) VM_NOTIFY_STOP_MIDLET(4)",
         "Movane Resume or Stop:The application Alpha is paused. Do you want to resume?"},
        {"the state is answered to the manager",
         [&](Shell* s) {
             start(s, 0);
             EXPECT_EQ(SendMessageW(GetMainWindow(), VM_CMD_GET_STATE, 0, 0), HOST_STARTING);
         },
         HOST_STARTING, "", ""},
    };
    for (const Case& c : cases) {
        TearDown();
        SetUp();
        SetFocus(GetMainWindow());
        pump();
        c.script(this);
        EXPECT_EQ(hostState.HostState, c.state) << c.name;
        EXPECT_EQ(join(managerLog), c.manager) << c.name;
        EXPECT_EQ(join(boxLog), c.boxes) << c.name;
    }
}

TEST_F(Shell, KeysAndStylusReachTheVm) {
    struct Case {
        const char* name;
        int32_t state;
        UINT message;
        UINT key;
        uint32_t lParam;
        const char* glue;
    };
    const uint32_t up = 1u | 1u << 30 | 1u << 31;
    const Case cases[] = {
        {"digit 5 pressed", HOST_RUNNING, WM_KEYDOWN, 53, 1, "key(0,5)"},
        {"digit 5 released after its press", HOST_RUNNING, WM_KEYUP, 53, up, "key(3,5) key(1,5)"},
        {"auto-repeat of up", HOST_RUNNING, WM_KEYDOWN, 38, 1u | 1u << 30, "key(2,17)"},
        {"a repeat count above 1 is dropped", HOST_RUNNING, WM_KEYDOWN, 38, 2, ""},
        {"star", HOST_RUNNING, WM_KEYDOWN, 119, 1, "key(0,10)"},
        {"pound", HOST_RUNNING, WM_KEYDOWN, 120, 1, "key(0,11)"},
        {"left soft key", HOST_RUNNING, WM_KEYDOWN, 112, 1, "key(0,21)"},
        {"back", HOST_RUNNING, WM_KEYDOWN, 27, 1, "key(0,23)"},
        {"clear", HOST_RUNNING, WM_KEYDOWN, 8, 1, "key(0,26)"},
        {"a key the map does not know", HOST_RUNNING, WM_KEYDOWN, 65, 1, ""},
        {"a key-up without its key-down posts only the release", HOST_RUNNING, WM_KEYUP, 50, up, "key(1,2)"},
        {"a key-up while paused is still taken", HOST_PAUSED, WM_KEYUP, 52, up, "key(1,4)"},
        {"stylus down", HOST_NONE, WM_LBUTTONDOWN, 0, 75u << 16 | 50, "pen(0,50,75)"},
        {"stylus up", HOST_PAUSED, WM_LBUTTONUP, 0, 75u << 16 | 50, "pen(2,50,75) pen(1,50,75)"},
        {"stylus move", HOST_RUNNING, WM_MOUSEMOVE, 0, 3u << 16 | 2, "pen(3,2,3)"},
    };
    for (const Case& c : cases) {
        hostState.HostState = c.state;
        glueLog.clear();
        SendMessageW(GetMainWindow(), c.message, c.key, (LPARAM)c.lParam);
        EXPECT_EQ(join(glueLog), c.glue) << c.name;
    }
    glueLog.clear();
    hostState.HostState = HOST_RUNNING;
    SendMessageW(GetMainWindow(), WM_COMMAND, 402, 0);
    EXPECT_EQ(join(glueLog), "key(0,22) key(1,22) key(3,22)") << "the second soft key's command";
}

// The volume keys step the wave-out volume through five levels and are passed on like
// any other key (the key map does not know them, so the VM hears nothing).
TEST_F(Shell, VolumeKeys) {
    struct Case {
        const char* name;
        uint32_t before;
        UINT key;
        uint32_t after;
    };
    const Case cases[] = {
        {"up at full stays full", 0xFFFFFFFFu, 117, 0xFFFFFFFFu},
        {"down from full", 0xFFFFFFFFu, 118, 0xCCCCCCCCu},
        {"down at silence stays silent", 0, 118, 0},
        {"up from silence", 0, 117, 0x33333333u},
        {"just below half a step rounds down", 0x7FFF, 117, 0x99999999u},
        {"half a step rounds up", 0x8000, 117, 0xCCCCCCCCu},
        {"only the low channel counts", 0xFFFF0000u, 117, 0x33333333u},
    };
    static uint32_t volume;
    SetWaveOutVolumeAccess([] { return volume; }, [](uint32_t v) { volume = v; });
    hostState.HostState = HOST_RUNNING;
    for (const Case& c : cases) {
        volume = c.before;
        glueLog.clear();
        SendMessageW(GetMainWindow(), WM_KEYDOWN, c.key, 1);
        SendMessageW(GetMainWindow(), WM_KEYUP, c.key, 1u | 1u << 30 | 1u << 31);
        EXPECT_EQ(volume, c.after) << c.name;
        EXPECT_EQ(join(glueLog), "") << c.name;
    }
    SetWaveOutVolumeAccess(nullptr, nullptr);
    EXPECT_EQ(GetWaveOutVolume(), 0xFFFFFFFFu) << "the shell's own volume starts full";
}

// The screen is kept on while a MIDlet runs in front, only with BackLightAlways at 1.
TEST_F(Shell, BackLightFollowsTheSetting) {
    struct Case {
        const char* name;
        uint32_t setting;
        int32_t heldWhileRunning;
    };
    const Case cases[] = {{"BackLightAlways 1", 1, 1}, {"BackLightAlways 0", 0, 0}};
    // a registry of the test's own
    std::string previous = RegistryGetFile();
    std::string file = "/tmp/movane-shell-test-" + std::to_string(getpid()) + ".reg";
    RegistrySetFile(file.c_str());
    for (const Case& c : cases) {
        TearDown();
        SetUp();
        RegistrySetDword(HKEY_CURRENT_USER, "Software\\Movane", "BackLightAlways", c.setting);
        SetFocus(GetMainWindow());
        pump();
        post(VM_CMD_START_MIDLET, 0);
        vm(20);
        EXPECT_EQ(BackLightHeld(), c.heldWhileRunning) << c.name;
        post(VM_CMD_SUSPEND_MIDLET);
        EXPECT_EQ(BackLightHeld(), 0) << c.name << ": released on suspend";
        vm(2);
        SendMessageW(GetMainWindow(), VM_CMD_RESUME_MIDLET, 0, 0);
        vm(3);
        EXPECT_EQ(BackLightHeld(), c.heldWhileRunning) << c.name << ": held again on resume";
        vm(4);
        EXPECT_EQ(BackLightHeld(), 0) << c.name << ": released at the end";
    }
    RegistrySetFile(previous.c_str());
    unlink(file.c_str());
}

TEST_F(Shell, GameKeyStates) {
    ResetKeyStateDefault();
    hostState.HostState = HOST_RUNNING;
    const uint32_t up = 1u | 1u << 30 | 1u << 31;
    HWND main = GetMainWindow();
    // 5 pressed and released between two reads: FIRE once
    SendMessageW(main, WM_KEYDOWN, 53, 1);
    SendMessageW(main, WM_KEYUP, 53, (LPARAM)up);
    EXPECT_EQ(GetGameKeyStates(), 0x100u);
    EXPECT_EQ(GetGameKeyStates(), 0u);
    // 2 held with auto-repeat: UP at every read until released
    SendMessageW(main, WM_KEYDOWN, 50, 1);
    SendMessageW(main, WM_KEYDOWN, 50, 1 | 1 << 30);
    EXPECT_EQ(GetGameKeyStates(), 0x2u);
    EXPECT_EQ(GetGameKeyStates(), 0x2u);
    SendMessageW(main, WM_KEYUP, 50, (LPARAM)up);
    EXPECT_EQ(GetGameKeyStates(), 0u);
    // the arrows and select, and game A to D on 1, 3, 7, 9
    const struct {
        UINT key;
        uint32_t bit;
    } keys[] = {{37, 0x4},   {38, 0x2},   {39, 0x20},  {40, 0x40},  {13, 0x100},
                {49, 0x200}, {51, 0x400}, {55, 0x800}, {57, 0x1000}};
    for (const auto& k : keys) {
        SendMessageW(main, WM_KEYDOWN, k.key, 1);
        EXPECT_EQ(GetGameKeyStates(), k.bit) << k.key;
        SendMessageW(main, WM_KEYUP, k.key, (LPARAM)up);
        GetGameKeyStates();
    }
}

TEST_F(Shell, KeyMapByNameAndVendor) {
    struct Case {
        const char* name;
        const char* vendor;
        const KeyEntry* map;
    };
    const Case cases[] = {
        {"Billiards", "Motorola", AlternateKeyMap},
        {"Billiards", "Other", DefaultKeyMap},
        {"6 in 1 Capone Casino", "Superscape", AlternateKeyMap},
        {"\xE9\x9B\x85\xE8\x96\x87-\xE6\x80\xAA\xE5\x85\xBD\xE9\x98\xBF"
         "D\xE5\xA1\x94",
         "\xE9\x9B\x85\xE8\x96\x87\xE9\x80\x9A\xE4\xBF\xA1", AlternateKeyMap},
        {"Alpha", "Us", DefaultKeyMap},
    };
    for (const Case& c : cases) {
        QmmsSuiteInfo s = suite(1, c.name, c.vendor);
        EXPECT_EQ(SelectKeyMap(&s), c.map) << c.name << " / " << c.vendor;
    }
    EXPECT_EQ(AlternateKeyMap[21].code, -7);
    EXPECT_EQ(DefaultKeyMap[21].code, -6);
}

// The shell's boxes show the UI-language library's texts, filled in by the shell.
TEST_F(Shell, BoxesShowTheUiLanguageLibrarysTexts) {
    std::string program = "/tmp/movane-shell-test-" + std::to_string(getpid()) + "-Movane_VM";
    FILE* f = fopen((program + ".0407.mui").c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs("MOVANE-MUI 1\n3002\tSuite %d fehlt (%s)\n1211\t%s pausiert. Fortsetzen?\n", f);
    fclose(f);
    const char* saved = getenv("LC_ALL");
    std::string savedText = saved ? saved : "";
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    ResourceSetProgramPath(program.c_str());
    ResourceModuleRecord record = {};
    ASSERT_EQ(LoadMuiResourceLibrary(&record, nullptr), 1);

    SetFocus(GetMainWindow());
    pump();
    post(VM_CMD_START_MIDLET, 5);
    post(VM_CMD_START_MIDLET, 0);
    vm(20);
    SetFocus(manager);
    pump();
    vm(2);
    boxAnswer = IDNO;
    SetFocus(GetMainWindow());
    pump();
    vm(4);
    EXPECT_EQ(join(boxLog), "Movane :Suite 5 fehlt () Movane Resume or Stop:Alpha pausiert. Fortsetzen?");

    FreeMuiResourceLibrary(&record);
    ResourceSetProgramPath(nullptr);
    if (saved) {
        setenv("LC_ALL", savedText.c_str(), 1);
    } else {
        unsetenv("LC_ALL");
    }
    unlink((program + ".0407.mui").c_str());
}

TEST_F(Shell, BackBufferThatCannotBeHadFailsTheStartCleanly) {
    ScreenSetAllocator([](uint32_t) -> void* { return nullptr; }, [](void*) {});
    SetFocus(GetMainWindow());
    pump();
    post(VM_CMD_START_MIDLET, 0);
    EXPECT_EQ(ScreenFontInit(), 0);
    EXPECT_EQ(ScreenGetSurface(), nullptr) << "no screen with a null buffer";
    EXPECT_EQ(ScreenGetVideoProperty(), nullptr);
    // the run ends before it started: the manager hears of a failed start
    vm(4);
    EXPECT_EQ(join(boxLog), "Movane :Out of memory Movane :Cannot run MIDlet!");
    EXPECT_EQ(join(managerLog), "VM_NOTIFY_STOP_MIDLET(36)");
    EXPECT_EQ(hostState.HostState, HOST_NONE);
}

TEST_F(Shell, BackBufferLayoutAndCopy) {
    ScreenSetDeviceSize(240, 320, 16);
    ASSERT_EQ(ScreenFontInit(), 1);
    MkSurface* s = ScreenGetSurface();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->width, 240);
    EXPECT_EQ(s->height, 320);
    EXPECT_EQ(s->writable, 1u);
    EXPECT_EQ(s->pixels[240 * 336 - 1], 0xFFFF) << "the band below the screen is white too";
    EXPECT_EQ(ScreenGetVideoProperty()->softkeyCount, 2);
    hostState.fullScreenPolicy = 2;
    DisplaySetFullScreenMode(1);
    EXPECT_EQ(ScreenGetVideoProperty()->softkeyCount, 0);
    // a copy into a device context of a window at (0, 0) over a 240 x 320 image
    std::vector<uint16_t> image(240 * 320, 0);
    WindowSetScreen(image.data(), 240, 320);
    for (int i = 0; i < 240 * 320; i++) s->pixels[i] = (uint16_t)(i * 7);
    MoveWindow(GetMainWindow(), 0, 0, 240, 320, 0);
    hostState.started = 1;
    HDC dc = GetDC(GetMainWindow());
    ScreenBlit(dc, 1);
    ReleaseDC(GetMainWindow(), dc);
    EXPECT_EQ(memcmp(image.data(), s->pixels, image.size() * 2), 0);
    EXPECT_EQ(ScreenIsActive(), 0) << "a copy clears the frame-ready flag";
    // nothing is copied before the MIDlet has started
    hostState.started = 0;
    s->pixels[0] = 0x1234;
    ScreenBlit(nullptr, 2);
    EXPECT_NE(image[0], 0x1234);
    WindowSetScreen(nullptr, 0, 0);
    ScreenSetDeviceSize(240, 320, 0);
}

// Ways 2 and 3 copy the visible rows of the back buffer straight into the display's
// frame memory between a begin and an end draw; way 3 then invalidates the children.
std::vector<std::string> painted;
LRESULT childProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        painted.push_back("child");
        return 0;
    }
    return message == WM_CREATE ? 0 : DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST_F(Shell, StraightWaysCopyIntoTheFrameMemory) {
    ScreenSetDeviceSize(240, 320, 16);
    ASSERT_EQ(ScreenFontInit(), 1);
    MkSurface* s = ScreenGetSurface();
    ASSERT_NE(s, nullptr);
    for (int i = 0; i < 240 * 336; i++) s->pixels[i] = (uint16_t)(i * 7 + 1);
    std::vector<uint16_t> image(240 * 320, 0);
    WindowSetScreen(image.data(), 240, 320);
    ScreenDisplayInit();
    GapiDisplayInfo info = {};
    ASSERT_EQ(ScreenDisplayInfo(&info), 1);
    EXPECT_EQ(info.raw, 1) << "the screen image is the raw frame";
    EXPECT_EQ(info.frame, (uint8_t*)image.data());
    WNDCLASSW wc = {};
    wc.lpfnWndProc = childProc;
    wc.lpszClassName = L"ChildClass";
    RegisterClassW(&wc);
    HWND child = CreateWindowExW(0, L"ChildClass", L"", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, GetMainWindow(), nullptr,
                                 nullptr, nullptr);
    pump();
    hostState.started = 1;

    for (int32_t mode : {2, 3}) {
        std::fill(image.begin(), image.end(), 0);
        painted.clear();
        WindowTakeScreenChanged();
        ScreenSetActive(1);
        ScreenBlit(nullptr, mode);
        EXPECT_EQ(memcmp(image.data(), s->pixels, image.size() * 2), 0) << "way " << mode << ": rows unchanged";
        EXPECT_EQ(ScreenIsActive(), 0) << "way " << mode << " clears the frame-ready flag";
        EXPECT_EQ(WindowTakeScreenChanged(), 1) << "way " << mode << ": the end draw marks the frame";
        EXPECT_EQ(GapiEndDraw(), 0) << "way " << mode << " ended its draw";
        pump();
        EXPECT_EQ(join(painted), mode == 3 ? "child" : "") << "way " << mode;
    }
    // the rows above the window's visible top are skipped, top x width x 2 bytes
    std::fill(image.begin(), image.end(), 0);
    ScreenCopy(nullptr, 2, 10, 20);
    for (int y = 0; y < 320; y++) {
        bool copied = y >= 10 && y < 20;
        EXPECT_EQ(image[y * 240 + 5], copied ? s->pixels[y * 240 + 5] : 0) << "row " << y;
    }
    // a frame whose rows are not the back buffer's rows is not written
    std::vector<uint16_t> narrow(200 * 320, 0);
    WindowSetScreen(narrow.data(), 200, 320);
    ScreenBlit(nullptr, 2);
    EXPECT_EQ(std::count(narrow.begin(), narrow.end(), 0), (long)narrow.size());
    EXPECT_EQ(GapiEndDraw(), 0);
    WindowSetScreen(nullptr, 0, 0);
    ScreenBlit(nullptr, 2);  // no frame: nothing, and nothing held
    EXPECT_EQ(GapiEndDraw(), 0);
    DestroyWindow(child);
    UnregisterClassW(L"ChildClass", nullptr);
    ScreenSetDeviceSize(240, 320, 0);
}

// The display opens with the focus and the resume, and closes with their loss; the
// game-input mode opens with the focus only.
TEST_F(Shell, DisplayAndGameInputFollowTheFocus) {
    hostGlue.openDisplay = [] { return ScreenDisplayOpen(); };
    hostGlue.closeDisplay = [] {
        ScreenDisplayClose();
        return 1;
    };
    struct Step {
        const char* name;
        std::function<void(Shell*)> action;
        int32_t open, gameInput;
    };
    const Step steps[] = {
        {"before the start, the focus opens nothing",
         [](Shell*) {
             SetFocus(GetMainWindow());
             pump();
         },
         0, 0},
        {"a start brings the window forward and away",
         [](Shell* s) {
             SetFocus(s->manager);
             s->post(VM_CMD_START_MIDLET, 0);
         },
         1, 1},
        {"the MIDlet runs", [](Shell* s) { s->vm(20); }, 1, 1},
        {"a suspend with the focus", [](Shell* s) { s->post(VM_CMD_SUSPEND_MIDLET); }, 0, 0},
        {"the pause", [](Shell* s) { s->vm(2); }, 0, 0},
        {"the resume",
         [](Shell* s) {
             SendMessageW(GetMainWindow(), VM_CMD_RESUME_MIDLET, 0, 0);
             s->vm(3);
         },
         1, 0},
        {"the focus lost to another program",
         [](Shell* s) {
             SetFocus(s->manager);
             pump();
         },
         0, 0},
    };
    for (const Step& step : steps) {
        step.action(this);
        EXPECT_EQ(GapiIsDisplayOpen(), step.open) << step.name;
        EXPECT_EQ(GameInputOpenCount(), step.gameInput) << step.name;
    }
}

// When the input panel goes down the window is drawn again; while it stays down nothing
// is redrawn for a setting change.
std::vector<std::string> mainPaints;
LRESULT spyProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) mainPaints.push_back("paint");
    return MainWndProc(hwnd, message, wParam, lParam);
}

TEST_F(Shell, InputPanelGoingDownRedrawsTheWindow) {
    SipShowIM(SIPF_OFF);
    pump();
    SetWindowProc(GetMainWindow(), spyProc);
    struct Step {
        const char* name;
        std::function<void()> action;
        int32_t up, ready;
        const char* paints;
    };
    const Step steps[] = {
        {"the panel comes up", [] { SipShowIM(SIPF_ON); }, 1, 0, ""},
        {"another setting change while it is up", [] { PostMessageW(GetMainWindow(), WM_SETTINGCHANGE, 0, 0); }, 1, 0,
         ""},
        {"the panel goes down", [] { SipShowIM(SIPF_OFF); }, 0, 1, "paint"},
        {"another setting change while it is down", [] { PostMessageW(GetMainWindow(), WM_SETTINGCHANGE, 0, 0); }, 0, 0,
         ""},
    };
    for (const Step& step : steps) {
        ScreenSetActive(0);
        ValidateRect(GetMainWindow(), nullptr);
        mainPaints.clear();
        step.action();
        pump();
        EXPECT_EQ(hostState.inputPanelUp, step.up) << step.name;
        EXPECT_EQ(ScreenIsActive(), step.ready) << step.name;
        EXPECT_EQ(join(mainPaints), step.paints) << step.name;
    }
    SetWindowProc(GetMainWindow(), MainWndProc);
}

}  // namespace
