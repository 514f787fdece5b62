// The host queues and the control dispatcher's state table. The VM commands are a test
// double that records what the dispatcher gives; what it sends to thread_kve is read
// back from queue 4.
#include <gtest/gtest.h>

#include <string.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "vm/services/glue/mwe.h"
#include "vm/services/glue/mwe_internal.h"

namespace {

// Made and freed around each test; no thread of the glue runs.
class QueueTest : public ::testing::Test {
protected:
    void SetUp() override { mweQueues_make(); }
    void TearDown() override { mweQueues_free(); }
};

MweEvent record(uint32_t sender, int32_t kind, uint8_t first = 0) {
    MweEvent e;
    memset(&e, 0, sizeof e);
    e.sender = sender;
    e.kind = kind;
    e.data[0] = first;
    return e;
}

using GlueQueueTest = QueueTest;

TEST_F(GlueQueueTest, SelectorsReachTheirQueues) {
    struct Case {
        int32_t selector, queue;
    };
    const Case cases[] = {{0, 0}, {1, 1}, {2, 3}, {3, 4}, {4, 2}, {5, -1}, {-1, -1}};
    for (const Case& c : cases) {
        MweEvent e = record(1, 40 + c.selector);
        mwe_postEvent(c.selector, &e);
        for (int32_t q = 0; q < MWE_QUEUE_COUNT; q++) {
            MweMsg* m = mwe_getMsg(q);
            EXPECT_EQ(q == c.queue, m != nullptr) << "selector " << c.selector << " queue " << q;
            if (m != nullptr) {
                EXPECT_EQ(40 + c.selector, m->u.event.kind) << "selector " << c.selector;
                mwe_freeMsg(m);
            }
        }
    }
}

TEST_F(GlueQueueTest, OrderTypesAndEmptyQueue) {
    EXPECT_EQ(nullptr, mwe_allocMsg(3)) << "a type above 2";
    EXPECT_EQ(nullptr, mwe_getMsg(3)) << "empty";
    mwe_postSimpleEvent(2, 7);
    mwe_postKeyCommand(1, 50, 9);
    mwe_postSimpleEvent(2, 8);
    EXPECT_EQ(3, mwe_queueLength(3));
    MweMsg* a = mwe_getMsg(3);
    MweMsg* b = mwe_getMsg(3);
    MweMsg* c = mwe_getMsg(3);
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(7, a->u.event.kind);
    EXPECT_EQ((uint32_t)MWE_MSG_KEY, b->type);
    EXPECT_EQ(50, b->u.key.keyCode);
    EXPECT_EQ(9, b->u.key.argument);
    EXPECT_EQ(8, c->u.event.kind);
    EXPECT_EQ(nullptr, mwe_getMsg(3)) << "taken in posting order, then empty";
    mwe_freeMsg(a);
    mwe_freeMsg(b);
    mwe_freeMsg(c);
    EXPECT_EQ(-1, mwe_postMsg(-1, mwe_allocMsg(0))) << "an unknown queue frees the message";
}

TEST_F(GlueQueueTest, TimersFireOnceInDeadlineOrder) {
    ASSERT_TRUE(mwe_setTimer(60, 2));
    ASSERT_TRUE(mwe_setTimer(20, 1));
    ASSERT_TRUE(mwe_setTimer(5000, 3));
    mwe_killTimer(3);
    MweMsg* first = mwe_waitMsg(3);
    MweMsg* second = mwe_waitMsg(3);
    ASSERT_TRUE(first && second);
    EXPECT_EQ((uint32_t)MWE_MSG_TIMER, first->type);
    EXPECT_EQ(1, first->u.timerId);
    EXPECT_EQ(2, second->u.timerId);
    mwe_freeMsg(first);
    mwe_freeMsg(second);
    std::this_thread::sleep_for(std::chrono::milliseconds(80));
    EXPECT_EQ(nullptr, mwe_getMsg(3)) << "one-shot; the killed timer never fires";
}

// Four posters against one reader: every message arrives once, in each poster's order.
TEST_F(GlueQueueTest, ConcurrentPostersLoseNothing) {
    enum { POSTERS = 4, EACH = 2000 };
    std::vector<std::thread> posters;
    for (int p = 0; p < POSTERS; p++) {
        posters.emplace_back([p] {
            for (int i = 0; i < EACH; i++) {
                MweEvent e = record(0, p * EACH + i);
                mwe_postEvent(3, &e);
            }
        });
    }
    int next[POSTERS] = {};
    for (int taken = 0; taken < POSTERS * EACH; taken++) {
        MweMsg* m = mwe_waitMsg(4);
        ASSERT_NE(nullptr, m);
        int p = m->u.event.kind / EACH;
        EXPECT_EQ(next[p], m->u.event.kind % EACH) << "poster " << p;
        next[p] = m->u.event.kind % EACH + 1;
        mwe_freeMsg(m);
    }
    for (std::thread& t : posters) t.join();
    EXPECT_EQ(nullptr, mwe_getMsg(4));
}

TEST_F(GlueQueueTest, ClosedQueueEndsItsReader) {
    std::atomic<int> got{-1};
    std::thread reader([&] {
        MweMsg* m = mwe_waitMsg(4);
        got = m == nullptr ? 0 : 1;
        mwe_freeMsg(m);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    mweQueues_close(4);
    reader.join();
    EXPECT_EQ(0, got.load());
}

// ---------------------------------------------------------------------------------
// The control dispatcher

std::string Calls;
std::string Reports;

int32_t suspendDouble(int32_t) { return Calls += "suspend ", 0; }
int32_t resumeDouble(int32_t) { return Calls += "resume ", 0; }
int32_t stopDouble(int32_t) { return Calls += "stop ", 0; }
int32_t pauseDouble(int32_t) { return Calls += "pause ", 0; }
void reportDouble(int32_t code) { Reports += std::to_string(code) + " "; }

class ControlTest : public QueueTest {
protected:
    void SetUp() override {
        QueueTest::SetUp();
        MweVmCommands commands = {suspendDouble, resumeDouble, stopDouble, pauseDouble};
        mwe_setVmCommands(&commands);
        memset(&MweControlState, 0, sizeof MweControlState);
        MweControlState.callback = reportDouble;
        Calls.clear();
        Reports.clear();
    }
    void TearDown() override {
        mwe_setVmCommands(nullptr);
        memset(&MweControlState, 0, sizeof MweControlState);
        QueueTest::TearDown();
    }
    // The kinds that reached thread_kve's queue, taken.
    static std::string toKve() {
        std::string out;
        while (MweMsg* m = mwe_getMsg(4)) {
            out += std::to_string(m->u.event.kind) + " ";
            mwe_freeMsg(m);
        }
        return out;
    }
};

using GlueControlTest = ControlTest;

// A step: a request kind (5: a VM event with the code; 100 + id: a timer tick).
struct Step {
    int32_t kind, code;
};
enum { TICK = 100 };

TEST_F(GlueControlTest, StateTable) {
    struct Case {
        const char* name;
        std::vector<Step> steps;
        int32_t state;
        const char* calls;
        const char* reports;
        const char* toKve;
        int32_t lastResult;
    };
    const Step launch = {1, 0}, started = {5, 1}, appStarted = {5, 20}, paint = {5, 10};
    const Step suspended = {5, 2}, resumed = {5, 3}, stopped = {5, 4}, paused = {5, 21}, destroyed = {5, 23};
    const Step pause = {2, 0}, resume = {3, 0}, stop = {4, 0}, goOn = {7, 0}, ended = {8, 0};
    const Case cases[] = {
        {"launch while idle is forwarded", {launch}, MWE_IDLE, "", "", "1 ", 1},
        {"a start", {launch, started, appStarted, paint}, MWE_RUNNING, "", "1 4 ", "1 6 ", 1},
        {"a second launch is refused", {launch, started, launch}, MWE_STARTED, "", "", "1 ", 0},
        {"pause while running", {launch, started, appStarted, pause}, MWE_PAUSING, "pause ", "1 ", "1 ", 1},
        {"pause before running is refused", {launch, started, pause}, MWE_STARTED, "", "", "1 ", 0},
        {"paused, then suspended",
         {launch, started, appStarted, pause, paused, suspended},
         MWE_SUSPENDED,
         "pause ",
         "1 2 ",
         "1 6 6 ",
         1},
        {"resume while suspended",
         {launch, started, appStarted, pause, paused, suspended, resume},
         MWE_RESUMING,
         "pause ",
         "1 2 ",
         "1 6 6 3 ",
         1},
        {"resume while running is refused", {launch, started, appStarted, resume}, MWE_RUNNING, "", "1 ", "1 ", 0},
        {"the VM goes on after the resume",
         {launch, started, appStarted, pause, paused, suspended, resume, goOn, resumed},
         MWE_RUNNING,
         "pause resume ",
         "1 2 1 ",
         "1 6 6 3 6 ",
         1},
        {"stop while running: the destroy step",
         {launch, started, appStarted, stop},
         MWE_DESTROYING,
         "suspend ",
         "1 ",
         "1 ",
         1},
        {"destroyed, stopped, ended",
         {launch, started, appStarted, stop, destroyed, stopped, ended},
         MWE_IDLE,
         "suspend ",
         "1 3 ",
         "1 ",
         2},
        {"suspended while destroying: the stop at once",
         {launch, started, appStarted, stop, paused, suspended},
         MWE_FORCED_STOP,
         "suspend stop ",
         "1 ",
         "1 6 6 4 ",
         1},
        {"stop while suspended releases the VM thread",
         {launch, started, appStarted, pause, paused, suspended, stop},
         MWE_SUSPENDED,
         "pause ",
         "1 2 ",
         "1 6 6 4 ",
         1},
        {"then the destroy step",
         {launch, started, appStarted, pause, paused, suspended, stop, goOn},
         MWE_DESTROYING,
         "pause suspend ",
         "1 2 ",
         "1 6 6 4 ",
         1},
        {"stop while pausing: the destroy step",
         {launch, started, appStarted, pause, paused, stop},
         MWE_DESTROYING,
         "pause suspend ",
         "1 ",
         "1 6 ",
         1},
        {"stop before the start is refused for now", {launch, stop}, MWE_IDLE, "", "", "1 ", 0},
        {"a stop before the start is taken once the MIDlet runs",
         {launch, stop, started, appStarted},
         MWE_DESTROYING,
         "suspend ",
         "1 ",
         "1 ",
         1},
        {"a stop during startApp is taken once the MIDlet runs",
         {launch, started, stop, appStarted},
         MWE_DESTROYING,
         "suspend ",
         "1 ",
         "1 ",
         1},
        {"a stop while resuming is taken once the VM resumed",
         {launch, started, appStarted, pause, paused, suspended, resume, stop, goOn, resumed},
         MWE_DESTROYING,
         "pause resume suspend ",
         "1 2 1 ",
         "1 6 6 3 6 ",
         1},
        {"a run that ends forgets its pending stop",
         {launch, started, stop, ended, launch, started, appStarted},
         MWE_RUNNING,
         "",
         "3 1 ",
         "1 1 ",
         1},
        {"a stop with no launch under way is not kept",
         {stop, launch, started, appStarted},
         MWE_RUNNING,
         "",
         "1 ",
         "1 ",
         1},
        {"go on in another state is refused", {launch, started, goOn}, MWE_STARTED, "", "", "1 ", 0},
        {"pause watchdog fires",
         {launch, started, appStarted, pause, {TICK + 1, 0}},
         MWE_FORCED_STOP,
         "pause stop ",
         "1 ",
         "1 4 ",
         1},
        {"disarmed pause watchdog is ignored",
         {launch, started, appStarted, pause, paused, {TICK + 1, 0}},
         MWE_PAUSING,
         "pause ",
         "1 ",
         "1 6 ",
         0},
        {"destroy watchdog fires",
         {launch, started, appStarted, stop, {TICK + 2, 0}},
         MWE_FORCED_STOP,
         "suspend stop ",
         "1 ",
         "1 4 ",
         1},
        {"a stop before the start arms the destroy watchdog",
         {launch, stop, {TICK + 2, 0}},
         MWE_FORCED_STOP,
         "stop ",
         "",
         "1 4 ",
         1},
        {"a stop during a startApp that never returns is forced in time",
         {launch, started, stop, {TICK + 2, 0}},
         MWE_FORCED_STOP,
         "stop ",
         "",
         "1 4 ",
         1},
        {"a stop during a resume that never ends is forced in time",
         {launch, started, appStarted, pause, paused, suspended, resume, stop, {TICK + 2, 0}},
         MWE_FORCED_STOP,
         "pause stop ",
         "1 2 ",
         "1 6 6 3 4 ",
         1},
        {"unarmed timer is ignored", {launch, {TICK + 2, 0}}, MWE_IDLE, "", "", "1 ", 0},
        {"unknown VM event", {launch, {5, 7}}, MWE_IDLE, "", "", "1 ", 0},
        {"kind 6 and unknown kinds do nothing", {launch, {6, 0}, {99, 0}}, MWE_IDLE, "", "", "1 ", 0},
        {"the run ends from any state", {launch, started, ended}, MWE_IDLE, "", "3 ", "1 ", 2},
    };
    for (const Case& c : cases) {
        TearDown();
        SetUp();
        int32_t result = -1;
        for (const Step& s : c.steps) {
            if (s.kind >= TICK) {
                result = mwe_handleTimer((uint16_t)(s.kind - TICK));
                continue;
            }
            MweEvent e = record(s.kind == 5 ? 3 : 1, s.kind, (uint8_t)s.code);
            result = mwe_dispatchControl(&e);
        }
        EXPECT_EQ(c.state, MweControlState.state) << c.name;
        EXPECT_EQ(c.calls, Calls) << c.name;
        EXPECT_EQ(c.reports, Reports) << c.name;
        EXPECT_EQ(c.toKve, toKve()) << c.name;
        EXPECT_EQ(c.lastResult, result) << c.name;
    }
}

TEST_F(GlueControlTest, PauseArmsItsWatchdogWithTheTimeOut) {
    struct Case {
        const char* name;
        uint32_t timeout;
        int earliestMs, latestMs;
    };
    const Case cases[] = {{"time-out 0: 2000 ms", 0, 1900, 2600}, {"time-out 150 ms", 150, 120, 700}};
    for (const Case& c : cases) {
        TearDown();
        SetUp();
        MweEvent start = record(3, 5, 20);
        MweControlState.state = MWE_STARTED;
        mwe_dispatchControl(&start);
        MweEvent pause = record(1, 2);
        memcpy(pause.data, &c.timeout, 4);
        auto at = std::chrono::steady_clock::now();
        ASSERT_EQ(1, mwe_dispatchControl(&pause)) << c.name;
        MweMsg* tick = mwe_waitMsg(3);
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - at).count();
        ASSERT_NE(nullptr, tick) << c.name;
        EXPECT_EQ(MWE_TIMER_PAUSE, tick->u.timerId) << c.name;
        EXPECT_GE(ms, c.earliestMs) << c.name;
        EXPECT_LE(ms, c.latestMs) << c.name;
        mwe_freeMsg(tick);
    }
}

}  // namespace

// ---------------------------------------------------------------------------------
// The test client's steps and the install steps, through a double of the client

static std::string ClientCalls;
static int32_t ClientState;
// data[0] of a step result is the state the client goes to; data[1] its answer
static int32_t clientOnEvent(const MweEvent* e) {
    ClientCalls += "event(" + std::to_string(e->kind) + ") ";
    ClientState = e->data[0];
    return e->data[1];
}
static int32_t clientState() { return ClientState; }
static int32_t clientTransaction(const MweEvent*) { return ClientCalls += "transaction ", 2; }
static int32_t clientFetch(const MweEvent*) { return ClientCalls += "fetch ", 3; }
static int32_t install(const MweEvent* e) { return ClientCalls += "install(" + std::to_string(e->kind) + ") ", 7; }

TEST_F(GlueControlTest, TestClientAndInstallSteps) {
    struct Case {
        const char* name;
        bool withClient;
        int32_t clientState;  // before the step
        int32_t queue;        // 3 the control thread, 4 thread_kve
        int32_t kind;
        uint8_t nextState, answer;
        const char* calls;
        int32_t result;
    };
    const Case cases[] = {
        {"a step result goes to the client in any state", true, 0, 3, 54, 5, 9, "event(54) ", 9},
        {"a transaction result in state 2", true, 2, 3, 53, 5, 1, "event(53) ", 0},
        {"a transaction result that ends the tests", true, 4, 3, 53, 8, 1, "event(53) ", 2},
        {"a transaction result in state 9 ends it too", true, 2, 3, 53, 9, 1, "event(53) ", 2},
        {"a transaction result in state 3 is refused", true, 3, 3, 53, 8, 1, "", 0},
        {"the run's end keeps the control thread for the next test", true, 5, 3, 8, 0, 0, "", 1},
        {"without a client the run's end ends it", false, 0, 3, 8, 0, 0, "", 2},
        {"without a client a step result does nothing", false, 0, 3, 54, 5, 9, "", 0},
        {"the HTTP transaction on thread_kve", true, 2, 4, 53, 0, 0, "transaction ", 2},
        {"the fetch step on thread_kve", true, 2, 4, 54, 0, 0, "fetch ", 3},
        {"an install step with the arena", true, 0, 4, 9, 0, 0, "install(9) ", 7},
        {"an install step alone", true, 0, 4, 10, 0, 0, "install(10) ", 7},
        {"no install handler", false, 0, 4, 10, 0, 0, "", 0},
        {"an unknown kind on thread_kve", true, 0, 4, 11, 0, 0, "", 0},
    };
    for (const Case& c : cases) {
        TearDown();
        SetUp();
        MweShell shell = {};
        shell.availablePhysicalMemory = [] { return 512u << 20; };
        if (c.withClient) {
            shell.testClientOnEvent = clientOnEvent;
            shell.testClientState = clientState;
            shell.testClientTransaction = clientTransaction;
            shell.testClientFetch = clientFetch;
            shell.installRequest = install;
        }
        mwe_setShell(&shell);
        ClientCalls.clear();
        ClientState = c.clientState;
        MweEvent e = record(c.queue == 3 ? 3 : 2, c.kind, c.nextState);
        e.data[1] = c.answer;
        int32_t result = c.queue == 3 ? mwe_dispatchControl(&e) : mwe_dispatchKve(&e);
        EXPECT_EQ(c.calls, ClientCalls) << c.name;
        EXPECT_EQ(c.result, result) << c.name;
        mwe_setShell(nullptr);
    }
}
