// MIDlet suites from Java sources started through mvVmStartMIDP with a start record:
// their output, their end report through the EventHandler, the same on a second and a
// third run in one process; suspend, resume and stop from host threads.
#include <gtest/gtest.h>
#include <valgrind/valgrind.h>

#include <stdlib.h>

#include <atomic>
#include <thread>

#include "midlet_fixture.h"
#include "natives/lib/midlet_natives.h"
#include "vm/loader/classpath.h"
#include "vm/services/events.h"
#include "vm/services/keymap.h"
#include "vm/services/runhooks.h"

using namespace midlettest;

namespace {

const std::string Header =
    "Manifest-Version: 1.0\nMIDlet-Name: Suite\nMIDlet-Vendor: Movane\nMIDlet-Version: 1.0\n"
    "MicroEdition-Configuration: CLDC-1.1\nMicroEdition-Profile: MIDP-2.0\n";

std::string manifestWith(const std::string& midlets) { return Header + midlets; }

TEST(MidletSuites, RunAsTheSystemRunsThem) {
    struct Case {
        const char* name;
        std::string manifest;
        std::string jad;
        const char* output;
        const char* events;
        int32_t result;
    };
    const Case cases[] = {
        {"one MIDlet", manifestWith("MIDlet-1: Hello, /h.png, suites.Hello\n"), "",
         "Hello constructed\nHello startApp\nHello thread\n", "1 10 20 23 4(0)", 0},
        // a suite of several MIDlets waits in the selector for the user's choice: the
        // headless MIDlet tests drive it (midlet.selector_*)
        {"startApp refuses", manifestWith("MIDlet-1: R,,suites.Refuser\n"), "",
         "Refuser startApp\nRefuser destroyApp true\n", "1 10 23 4(0)", 0},
        {"startApp throws", manifestWith("MIDlet-1: C,,suites.Crasher\n"), "",
         "Crasher startApp\nCrasher destroyApp true\n", "1 10 23 4(0)", 0},
        {"notifyDestroyed in startApp", manifestWith("MIDlet-1: D,,suites.Destroyer\n"), "", "Destroyer startApp\n",
         "1 10 23 4(0)", 0},
        {"application properties",
         manifestWith("MIDlet-1: P,,suites.Properties\nOnly-Manifest: from the manifest\nBoth: manifest\n"
                      "Continued: one\n  two\nGreeting: \xE3\x81\x93\n"),
         "MIDlet-Name: Suite\r\nMIDlet-Vendor: Movane\r\nMIDlet-Version: 1.0\r\nMIDlet-Jar-URL: s.jar\r\n"
         "MIDlet-Jar-Size: 1\r\nOnly-Jad: from the JAD\r\nBoth: jad\r\nLong: " +
             std::string(5000, 'x') + "\r\n",
         "MIDlet-Name=Suite\nMIDlet-Version=1.0\nOnly-Manifest=from the manifest\nOnly-Jad=from the JAD\nBoth=jad\n"
         "Continued=one two\nGreeting=\xE3\x81\x93\nMissing=null\nLong length=5000\nnull key: NullPointerException\n",
         "1 10 23 4(0)", 0},
        {"no manifest: the selector finds no MIDlet", "", "", "", "1 10 23 4(0)", 0},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> jar = suiteJar(c.manifest);
        for (int run = 1; run <= 3; run++) {
            Host host;
            RunOutcome r = runSuite(host, jar, c.jad);
            EXPECT_EQ(c.result, r.result) << c.name << " run " << run;
            EXPECT_EQ(c.output, r.output) << c.name << " run " << run;
            EXPECT_EQ(c.events, host.codes()) << c.name << " run " << run;
        }
    }
}

// The suite read through the start record's callbacks instead of from memory.
const std::vector<uint8_t>* CallbackJar;
const std::string* CallbackJad;
int32_t readFrom(const uint8_t* data, int32_t size, uint8_t* buffer, int32_t offset, int32_t count) {
    if (offset < 0 || offset > size || count < 0) return -1;
    int32_t n = std::min(count, size - offset);
    n = std::min(n, 700);  // short reads: every reader must ask again
    memcpy(buffer, data + offset, (size_t)n);
    return n;
}
int32_t readJar(uint8_t* buffer, int32_t offset, int32_t count) {
    return readFrom(CallbackJar->data(), (int32_t)CallbackJar->size(), buffer, offset, count);
}
int32_t readJad(uint8_t* buffer, int32_t offset, int32_t count) {
    return readFrom((const uint8_t*)CallbackJad->data(), (int32_t)CallbackJad->size(), buffer, offset, count);
}

TEST(MidletSuites, SuiteReadThroughCallbacks) {
    std::vector<uint8_t> jar =
        suiteJar(manifestWith("MIDlet-1: P,,suites.Properties\nOnly-Manifest: m\nBoth: manifest\n"));
    std::string jad = "MIDlet-Name: Suite\nMIDlet-Vendor: Movane\nMIDlet-Version: 1.0\nOnly-Jad: j\nBoth: jad\n";
    CallbackJar = &jar;
    CallbackJad = &jad;
    SysTimerInit();
    mvVm_setRunHooks(&LoaderRunHooks);
    MKT_MIDP_Application app = {};
    app.jarSize = (int32_t)jar.size();
    app.jarRead = readJar;
    app.jadSize = (int32_t)jad.size();
    app.jadRead = readJad;
    Host host;
    Host::current = &host;
    StdoutCapture capture;
    int32_t result = mvVmStartMIDP(1, RUN_HEAP, runHeap(), &app, Host::handler, 0, nullptr, nullptr);
    std::string output = capture.finish();
    Host::current = nullptr;
    EXPECT_EQ(0, result);
    EXPECT_EQ(
        "MIDlet-Name=Suite\nMIDlet-Version=1.0\nOnly-Manifest=m\nOnly-Jad=j\nBoth=jad\nContinued=null\n"
        "Greeting=null\nMissing=null\nLong length=-1\nnull key: NullPointerException\n",
        output);
    EXPECT_EQ("1 10 23 4(0)", host.codes());
}

TEST(MidletSuites, TheHostsKeyMapSurvivesTheRunReset) {
    std::vector<uint8_t> jar = suiteJar(manifestWith("MIDlet-1: D,,suites.Destroyer\n"));
    KeyEntry saved[KEY_STANDARD_ENTRIES];
    const KeyExtendedList* savedList = nullptr;
    mvKey_getKeyMap(saved, &savedList);
    KeyEntry map[KEY_STANDARD_ENTRIES];
    memcpy(map, saved, sizeof map);
    map[3] = {777, "FIRE", 4};
    mvKey_setKeyMap(map, nullptr);
    for (int run = 1; run <= 2; run++) {
        Host host;
        EXPECT_EQ(0, runSuite(host, jar, "").result);
        EXPECT_EQ(777, mvKey_getKeyCode(3)) << "run " << run;
        EXPECT_EQ(3, mvKey_getKeyIndex(777)) << "run " << run;
    }
    mvKey_setKeyMap(saved, savedList);
}

TEST(MidletSuites, StartRecordRefusals) {
    // the JAR's and the heap block's addresses go into words: low blocks
    LowBlock jar(suiteJar(manifestWith("MIDlet-1: Hello,,suites.Hello\n")));
    LowBlock heap(4096);
    struct Case {
        const char* name;
        int32_t vmId, heapSize;
        std::function<void(MKT_MIDP_Application&)> edit;
        int32_t result;
    };
    const Case cases[] = {
        {"vmId 0", 0, 4096, [](MKT_MIDP_Application&) {}, -1},
        {"no JAR", 1, 4096, [](MKT_MIDP_Application& a) { a.jarAddr = nullptr; }, -1},
        {"JAD address without size", 1, 4096, [](MKT_MIDP_Application& a) { a.jadAddr = (const uint8_t*)"x"; }, -1},
        {"class name of length 0", 1, 4096, [](MKT_MIDP_Application& a) { a.className = "x"; }, -1},
        {"class name as long as the heap", 1, 8,
         [](MKT_MIDP_Application& a) {
             a.className = "abcdefgh";
             a.classNameLen = 8;
         },
         -10},
        {"heap of 1024 bytes without a class name", 1, 1024, [](MKT_MIDP_Application&) {}, -10},
    };
    // 28 VM parameters leave no room in kvm_main's 32 arguments
    std::vector<const char*> params(28, "-x");
    std::vector<int32_t> lengths(28, 2);
    for (const Case& c : cases) {
        MKT_MIDP_Application app = {};
        app.jarSize = jar.size();
        app.jarAddr = jar.data();
        c.edit(app);
        mvVm_setRunHooks(&LoaderRunHooks);
        EXPECT_EQ(c.result, mvVmStartMIDP(c.vmId, c.heapSize, heap.data(), &app, nullptr, 0, nullptr, nullptr))
            << c.name;
    }
    MKT_MIDP_Application app = {};
    app.jarSize = jar.size();
    app.jarAddr = jar.data();
    app.className = "suites.Hello";
    app.classNameLen = 12;
    EXPECT_EQ(-1, mvVmStartMIDP(1, 4096, heap.data(), &app, nullptr, 28, params.data(), lengths.data()))
        << "28 VM parameters";
    EXPECT_EQ(0, VmState.vmRunning) << "the refused run is over";
}

TEST(MidletSuites, ClassNameFromTheDescriptor) {
    struct Case {
        const char* name;
        std::string manifest;
        std::string jad;
        const char* chosen;
    };
    const Case cases[] = {
        {"MIDlet-1 only", manifestWith("MIDlet-1: A, icon, a.Main\n"), "", "a.Main"},
        {"MIDlet-2 in the manifest", manifestWith("MIDlet-1: A,,a.Main\nMIDlet-2: B,,b.Main\n"), "",
         "javax.microedition.midlet.MidletSelector"},
        {"MIDlet-2 in the JAD only", manifestWith("MIDlet-1: A,,a.Main\n"), "MIDlet-2: B,,b.Main\n",
         "javax.microedition.midlet.MidletSelector"},
        {"the JAD's MIDlet-1 wins", manifestWith("MIDlet-1: A,,a.Main\n"), "MIDlet-1: J,,j.Main\n", "j.Main"},
        {"no manifest", "", "", "javax.microedition.midlet.MidletSelector"},
        {"broken JAD", manifestWith("MIDlet-1: A,,a.Main\n"), "no colon\n", "javax.microedition.midlet.MidletSelector"},
    };
    for (const Case& c : cases) {
        // the JAR, the JAD and the memory behind the name (the descriptors' environment)
        // are kept in words: low blocks
        LowBlock jar(suiteJar(c.manifest)), jad(c.jad), memory(128 * 1024);
        MKT_MIDP_Application app = {};
        app.jarSize = jar.size();
        app.jarAddr = jar.data();
        if (!c.jad.empty()) {
            app.jadSize = jad.size();
            app.jadAddr = jad.data();
        }
        char* name = (char*)memory.data();
        int32_t length = mvVm_chooseClassName(&app, name, memory.size() - CLASS_NAME_AREA);
        EXPECT_EQ(c.chosen, std::string(name)) << c.name;
        EXPECT_EQ((int32_t)strlen(c.chosen), length) << c.name;
    }
}

// ---------------------------------------------------------------------------------
// Host threads

TEST(MidletThreads, StopWhileThreadsSleepAndWait) {
    std::vector<uint8_t> jar = suiteJar(manifestWith("MIDlet-1: S,,suites.Sleeper\n"));
    for (int run = 1; run <= 3; run++) {
        Host host;
        std::thread stopper;
        std::atomic<int32_t> stale{0}, stop{1};
        host.onEvent = [&](int32_t code) {
            if (code != MV_HOST_APP_STARTED) return;
            stopper = std::thread([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                stale = mvVmStopCommand(2);
                stop = mvVmStopCommand(1);
            });
        };
        RunOutcome r = runSuite(host, jar, "");
        if (stopper.joinable()) stopper.join();
        EXPECT_EQ(-2, stale.load()) << "a command for another vmId is refused";
        EXPECT_EQ(0, stop.load());
        EXPECT_EQ(-11, r.result) << "run " << run;
        EXPECT_EQ("Sleeper started\n", r.output) << "run " << run;
        EXPECT_EQ("1 10 20", host.codes()) << "the stop leaves without a stopped report";
        EXPECT_EQ(-2, mvVmStopCommand(1)) << "no run";
        EXPECT_EQ(-1, mvVmSuspendCommand(0));
        EXPECT_EQ(0, VmState.inKvm) << "cleaned up after the stop";
        int32_t mode = 0, size = 0;
        EXPECT_NE(0, statMemoryFile("/app.jar", &mode, &size)) << "\"/app.jar\" is gone after the stop";
    }
}

TEST(MidletThreads, SuspendAndResumeWhileBusy) {
    std::vector<uint8_t> jar = suiteJar(manifestWith("MIDlet-1: S,,suites.Suspended\n"));
    for (int run = 1; run <= 2; run++) {
        Host host;
        std::atomic<int32_t> results[5] = {{9}, {9}, {9}, {9}, {9}};
        RunOutcome r = runCommanded(host, jar, [&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            results[0] = mvVmResumeCommand(1);  // not suspended yet
            results[1] = mvVmSuspendCommand(1);
            if (!host.waitFor(MV_HOST_VM_SUSPENDED)) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(3000));
            results[2] = mvVmResumeCommand(7);
            results[3] = mvVmSuspendCommand(7);
            results[4] = mvVmResumeCommand(1);
        });
        EXPECT_EQ(-2, results[0].load()) << "resume before a suspend";
        EXPECT_EQ(0, results[1].load());
        EXPECT_EQ(-2, results[2].load()) << "stale vmId";
        EXPECT_EQ(-2, results[3].load()) << "stale vmId";
        EXPECT_EQ(0, results[4].load());
        EXPECT_EQ(0, r.result);
        EXPECT_EQ("startApp 1\npauseApp\nstartApp 2\nnap over, paused false\n", r.output) << "run " << run;
        EXPECT_EQ("1 10 20 21 2 3 22 23 4(0)", host.codes()) << "run " << run;
        // the nap of 2.5 s began before the suspension of 3 s: what was left of it is
        // still slept after the resume (not timed under the race detector, whose
        // slowdown delays the suspension itself)
        auto afterResume = host.timeOf(MV_HOST_APP_DESTROYED) - host.timeOf(MV_HOST_VM_RESUMED);
        if (!RUNNING_ON_VALGRIND) {
            EXPECT_GT(std::chrono::duration_cast<std::chrono::milliseconds>(afterResume).count(), 1000)
                << "run " << run;
        }
    }
}

TEST(MidletThreads, PauseTwiceThenStopWhileSuspended) {
    std::vector<uint8_t> jar = suiteJar(manifestWith("MIDlet-1: S,,suites.Suspended\n"));
    Host host;
    std::atomic<int32_t> results[5] = {{9}, {9}, {9}, {9}, {9}};
    RunOutcome r = runCommanded(host, jar, [&] {
        if (!host.waitFor(MV_HOST_APP_STARTED)) return;
        results[0] = mvVmPauseCommand(1);
        results[1] = mvVmPauseCommand(1);  // the first is still being carried out
        if (!host.waitFor(MV_HOST_APP_PAUSED)) return;
        results[2] = mvVmSuspendCommand(1);
        if (!host.waitFor(MV_HOST_VM_SUSPENDED)) return;
        results[3] = mvVmPauseCommand(1);  // the suspension answered the first pause
        results[4] = mvVmStopCommand(1);
    });
    EXPECT_EQ(0, results[0].load());
    EXPECT_EQ(-2, results[1].load());
    EXPECT_EQ(0, results[2].load());
    EXPECT_EQ(0, results[3].load());
    EXPECT_EQ(0, results[4].load());
    EXPECT_EQ(-11, r.result);
    EXPECT_EQ("startApp 1\npauseApp\n", r.output);
    EXPECT_EQ("1 10 20 21 2", host.codes()) << "the stop ends the busy wait; no stopped report";
}

std::string commandsSeen;
void recordCommand(int32_t kind, int32_t command, int32_t n, int32_t* words) {
    commandsSeen += std::to_string(kind) + "," + std::to_string(command) + "," + std::to_string(n) + ":" +
                    std::to_string(words[0]) + ";";
}

TEST(MidletThreads, UiThreadWaitsOnItsGroups) {
    std::vector<uint8_t> jar = suiteJar(manifestWith("MIDlet-1: U,,suites.UiWaiter\n"));
    Host host;
    std::thread poster;
    commandsSeen.clear();
    host.onEvent = [&](int32_t code) {
        if (code != MV_HOST_APP_STARTED) return;
        mvK6Event_setCommandCallback(2, 1, recordCommand);
        poster = std::thread([] {
            // one event into each group in turn, each taken before the next arrives
            const struct {
                int32_t queue;
                std::vector<int32_t> words;
            } posts[] = {{8, {5}}, {6, {7, 2, 3, 4}}, {0, {0, 9, 99}}, {2, {1, 2, 7, 8}}};
            for (const auto& p : posts) {
                // the thread has taken the one before: it waits on all four groups again
                while (mvK6Event_pendingTotal() != 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                mvK6Event_post(p.words.data(), (int32_t)p.words.size(), mvK6Event_getUiQueueId(p.queue));
            }
        });
    };
    RunOutcome r = runSuite(host, jar, "");
    poster.join();
    EXPECT_EQ(0, r.result);
    EXPECT_EQ("event 5\nevent 7 2 3 4\nevent 0 9 99\nevent 1 2 7 8\n", r.output);
    EXPECT_EQ("1,2,2:7;", commandsSeen) << "only the request with a registered command reaches the callback";
}

TEST(MidletThreads, HundredThousandEventsFromFourHostThreads) {
    std::vector<uint8_t> jar = suiteJar(manifestWith("MIDlet-1: S,,suites.Stress\n"));
    Host host;
    std::vector<std::thread> posters;
    host.onEvent = [&](int32_t code) {
        if (code != MV_HOST_APP_STARTED) return;
        for (int32_t p = 0; p < 4; p++) {
            posters.emplace_back([p] {
                for (int32_t seq = 0; seq < 25000; seq++) {
                    int32_t words[5] = {p, seq, 0, 0, 0};
                    // a full queue refuses: the poster tries again once the VM has taken some
                    if (p < 2) {
                        while (!mvK6Event_post(words, 2, midlet_joinerQueueId())) std::this_thread::yield();
                    } else {
                        while (mvMediaEvent_post(words) != 0) std::this_thread::yield();
                    }
                }
            });
        }
    };
    RunOutcome r = runSuite(host, jar, "");
    for (std::thread& t : posters) t.join();
    EXPECT_EQ(0, r.result);
    EXPECT_EQ("events 100000 faults 0\n", r.output);
    EXPECT_EQ("1 10 20 23 4(0)", host.codes());
}

}  // namespace
