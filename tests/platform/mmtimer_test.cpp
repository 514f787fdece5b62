#include "platform/mmtimer.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <time.h>

namespace {

// A counter the timer callbacks bump, with a wait that has a deadline.
struct Probe {
    pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t changed = PTHREAD_COND_INITIALIZER;
    int calls = 0;
    uint32_t lastId = 0;
    int killAt = 0;  // the callback kills its own timer on this call
    uint32_t killResult = 0xFFFF;
    bool hold = false;  // the callback waits until released
    bool inside = false;

    int get() {
        pthread_mutex_lock(&lock);
        int n = calls;
        pthread_mutex_unlock(&lock);
        return n;
    }
    // Waits until pred holds or timeoutMs passes; whether it held.
    template <typename P>
    bool waitUntil(P pred, uint32_t timeoutMs) {
        timespec at;
        clock_gettime(CLOCK_REALTIME, &at);
        at.tv_sec += timeoutMs / 1000 + 1;
        pthread_mutex_lock(&lock);
        bool ok = pred();
        while (!ok && pthread_cond_timedwait(&changed, &lock, &at) == 0) ok = pred();
        pthread_mutex_unlock(&lock);
        return ok;
    }
    void release() {
        pthread_mutex_lock(&lock);
        hold = false;
        pthread_cond_broadcast(&changed);
        pthread_mutex_unlock(&lock);
    }
};

void probeProc(uint32_t id, uintptr_t user) {
    Probe* p = (Probe*)user;
    pthread_mutex_lock(&p->lock);
    p->inside = true;
    pthread_cond_broadcast(&p->changed);
    while (p->hold) pthread_cond_wait(&p->changed, &p->lock);
    p->calls++;
    p->lastId = id;
    bool kill = p->calls == p->killAt;
    p->inside = false;
    pthread_cond_broadcast(&p->changed);
    pthread_mutex_unlock(&p->lock);
    if (kill) {
        uint32_t rc = timeKillEvent(id);
        pthread_mutex_lock(&p->lock);
        p->killResult = rc;
        pthread_cond_broadcast(&p->changed);
        pthread_mutex_unlock(&p->lock);
    }
}

// A one-shot timer some time after now: when it has fired, any timer due before it had
// its chance to run (one service thread, due order).
void barrier(uint32_t ms) {
    Probe b;
    ASSERT_NE(0u, timeSetEvent(ms, 1, probeProc, (uintptr_t)&b, TIME_ONESHOT));
    ASSERT_TRUE(b.waitUntil([&] { return b.calls == 1; }, 5000));
}

TEST(MmTimer, CapsAndPeriods) {
    TimerCaps caps = {0, 0};
    ASSERT_EQ(TIMERR_NOERROR, timeGetDevCaps(&caps, sizeof caps));
    EXPECT_EQ(1u, caps.wPeriodMin);
    EXPECT_GE(caps.wPeriodMax, 1000u);
    EXPECT_EQ(TIMERR_NOCANDO, timeGetDevCaps(nullptr, sizeof caps));
    EXPECT_EQ(TIMERR_NOCANDO, timeGetDevCaps(&caps, 4));
    const struct {
        const char* name;
        uint32_t (*call)(uint32_t);
        uint32_t period;
        uint32_t result;
    } steps[] = {
        {"begin 5", timeBeginPeriod, 5, TIMERR_NOERROR},
        {"begin 5 again", timeBeginPeriod, 5, TIMERR_NOERROR},
        {"end 5", timeEndPeriod, 5, TIMERR_NOERROR},
        {"end 5, second", timeEndPeriod, 5, TIMERR_NOERROR},
        {"end 5, unmatched", timeEndPeriod, 5, TIMERR_NOCANDO},
        {"begin 0", timeBeginPeriod, 0, TIMERR_NOCANDO},
        {"begin above max", timeBeginPeriod, caps.wPeriodMax + 1, TIMERR_NOCANDO},
        {"begin 500", timeBeginPeriod, 500, TIMERR_NOERROR},
        {"end 500", timeEndPeriod, 500, TIMERR_NOERROR},
        {"end 2, never begun", timeEndPeriod, 2, TIMERR_NOCANDO},
    };
    for (const auto& s : steps) EXPECT_EQ(s.result, s.call(s.period)) << s.name;
}

TEST(MmTimer, RefusesBadTimers) {
    Probe p;
    const struct {
        const char* name;
        uint32_t delay;
        TimerProc proc;
        uint32_t kind;
    } cases[] = {
        {"no callback", 5, nullptr, TIME_PERIODIC},
        {"delay 0", 0, probeProc, TIME_ONESHOT},
        {"delay above max", 2000000, probeProc, TIME_ONESHOT},
        {"unknown kind", 5, probeProc, 0x10},
    };
    for (const auto& c : cases) EXPECT_EQ(0u, timeSetEvent(c.delay, 1, c.proc, (uintptr_t)&p, c.kind)) << c.name;
    EXPECT_EQ(TIMERR_NOCANDO, timeKillEvent(0));
    EXPECT_EQ(TIMERR_NOCANDO, timeKillEvent(0xFFFFFFF0u));
    barrier(10);
    EXPECT_EQ(0, p.get()) << "no refused timer ran";
}

TEST(MmTimer, OneShotFiresOnceAfterItsDelay) {
    Probe p;
    uint32_t t0 = timeGetTime();
    uint32_t id = timeSetEvent(30, 1, probeProc, (uintptr_t)&p, TIME_ONESHOT);
    ASSERT_NE(0u, id);
    ASSERT_TRUE(p.waitUntil([&] { return p.calls == 1; }, 5000));
    EXPECT_GE(timeGetTime() - t0, 29u) << "not before its delay";
    EXPECT_EQ(id, p.lastId);
    barrier(40);
    EXPECT_EQ(1, p.get()) << "a one-shot fires once";
    EXPECT_EQ(TIMERR_NOCANDO, timeKillEvent(id)) << "finished one-shot is gone";
}

TEST(MmTimer, PeriodicRunsUntilKilled) {
    Probe p;
    uint32_t t0 = timeGetTime();
    uint32_t id = timeSetEvent(5, 5, probeProc, (uintptr_t)&p, TIME_PERIODIC);
    ASSERT_NE(0u, id);
    ASSERT_TRUE(p.waitUntil([&] { return p.calls >= 6; }, 5000));
    EXPECT_GE(timeGetTime() - t0, 29u) << "six periods of 5 ms";
    ASSERT_EQ(TIMERR_NOERROR, timeKillEvent(id));
    int atKill = p.get();
    barrier(30);
    EXPECT_EQ(atKill, p.get()) << "no call after the kill returned";
    EXPECT_EQ(TIMERR_NOCANDO, timeKillEvent(id)) << "killed twice";
}

TEST(MmTimer, KillFromOwnCallback) {
    Probe p;
    p.killAt = 3;
    uint32_t id = timeSetEvent(2, 2, probeProc, (uintptr_t)&p, TIME_PERIODIC);
    ASSERT_NE(0u, id);
    ASSERT_TRUE(p.waitUntil([&] { return p.killResult != 0xFFFF; }, 5000)) << "the kill returned (no deadlock)";
    EXPECT_EQ(TIMERR_NOERROR, p.killResult);
    barrier(20);
    EXPECT_EQ(3, p.get()) << "stopped at the call that killed it";
}

struct Killer {
    uint32_t id;
    uint32_t result;
    Probe* probe;
    int callsAtReturn;
    bool insideAtReturn;
};

// Lets the held callback go on and kills its timer at once, most often while the
// callback is still finishing.
void* killMain(void* arg) {
    Killer* k = (Killer*)arg;
    k->probe->release();
    k->result = timeKillEvent(k->id);
    pthread_mutex_lock(&k->probe->lock);
    k->callsAtReturn = k->probe->calls;
    k->insideAtReturn = k->probe->inside;
    pthread_mutex_unlock(&k->probe->lock);
    return nullptr;
}

// A kill from another thread while the callback runs waits for it to finish; after the
// kill returns the callback never runs again. The period is long, so whether the kill
// lands inside the first call or just after it, that call is the only one.
TEST(MmTimer, KillFromAnotherThreadWaitsForTheCallback) {
    Probe p;
    p.hold = true;
    uint32_t id = timeSetEvent(150, 1, probeProc, (uintptr_t)&p, TIME_PERIODIC);
    ASSERT_NE(0u, id);
    ASSERT_TRUE(p.waitUntil([&] { return p.inside; }, 5000)) << "the callback started";
    Killer k = {id, 0xFFFF, &p, -1, true};
    pthread_t killer;
    ASSERT_EQ(0, pthread_create(&killer, nullptr, killMain, &k));
    pthread_join(killer, nullptr);
    EXPECT_EQ(TIMERR_NOERROR, k.result);
    EXPECT_FALSE(k.insideAtReturn) << "kill returned while the callback still ran";
    EXPECT_EQ(1, k.callsAtReturn) << "the held call finished before the kill returned";
    barrier(200);
    EXPECT_EQ(1, p.get()) << "never again after the kill";
}

// Many timers set and killed from several threads at once, some killing themselves.
void* churnMain(void*) {
    for (int i = 0; i < 40; i++) {
        Probe p;
        p.killAt = 2;
        uint32_t a = timeSetEvent(1, 1, probeProc, (uintptr_t)&p, TIME_PERIODIC);
        Probe q;
        uint32_t b = timeSetEvent(1 + i % 3, 1, probeProc, (uintptr_t)&q, TIME_PERIODIC);
        p.waitUntil([&] { return p.killResult != 0xFFFF; }, 5000);
        timeKillEvent(b);
        timeKillEvent(a);  // already killed by itself, or killed now: either way it stays dead
    }
    return nullptr;
}

TEST(MmTimer, ManyThreadsSetAndKill) {
    pthread_t threads[4];
    for (pthread_t& t : threads) ASSERT_EQ(0, pthread_create(&t, nullptr, churnMain, nullptr));
    for (pthread_t& t : threads) pthread_join(t, nullptr);
    barrier(5);
}

int64_t monoMs() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (int64_t)t.tv_sec * 1000 + t.tv_nsec / 1000000;
}

// Each reading is bracketed by the system's monotonic clock, so the bounds hold however
// long the thread is held up between two reads.
TEST(MmTimer, TimeGetTimeIsMonotonicMilliseconds) {
    int64_t before0 = monoMs();
    uint32_t a = timeGetTime();
    int64_t after0 = monoMs();
    barrier(25);
    int64_t before1 = monoMs();
    uint32_t b = timeGetTime();
    int64_t after1 = monoMs();
    EXPECT_GE(b - a, 24u);
    EXPECT_GE((int64_t)(b - a), before1 - after0 - 1);
    EXPECT_LE((int64_t)(b - a), after1 - before0 + 1);
}

}  // namespace
