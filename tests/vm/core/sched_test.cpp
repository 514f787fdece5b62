// The scheduler driven directly: the order of the runnable queue, the switch rules of
// SwitchThread, the timer queue and its saturating wake-up times, and interrupts.
#include <gtest/gtest.h>

#include "platform/events.h"
#include "support/vmasm.h"
#include "vm/core/monitor.h"

using namespace vmasm;

namespace {

class Scheduler : public ::testing::Test {
protected:
    void SetUp() override { SysTimerInit(); }
    void TearDown() override { SysTimerTerm(); }
};

ThreadRecord* newThread(int priority) {
    OBJECT javaThread = instantiate(JavaLangThread);
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&javaThread);
    ThreadRecord* t = BuildThread(&javaThread);
    TemporaryRootsLength = savedRoots;
    t->scheduling = (uint32_t)priority;
    return t;
}

TEST_F(Scheduler, RunnableQueueIsOrderedByPriorityAndFirstComeAmongEquals) {
    Vm vm;
    RunResult r = vm.inside([&] {
        const int priorities[] = {3, 5, 3, 1, 5, 6, 0, 3};
        const int expected[] = {5, 1, 4, 0, 2, 7, 3, 6};  // indexes, in the order they run
        ThreadRecord* threads[8];
        for (int i = 0; i < 8; i++) {
            threads[i] = newThread(priorities[i]);
            addThreadToQueue(threads[i]);
        }
        EXPECT_EQ(threadQueueLength(RunnableThreads), 8);
        for (int i = 0; i < 8; i++)
            EXPECT_EQ(removeQueueHead(&RunnableThreads), threads[expected[i]]) << "position " << i;
        EXPECT_EQ(RunnableThreads, nullptr);
    });
    EXPECT_EQ(r.exitCode, 0) << r.trace;
}

TEST_F(Scheduler, SwitchRules) {
    struct Case {
        const char* name;
        int priority;             // of the current thread
        uint32_t flags;           // its yield request and no-switch count
        std::vector<int> queued;  // priorities of the runnable threads
        int next;                 // -1: the current thread runs on; else index into queued
        bool keptRunningFlag;
    };
    const Case cases[] = {
        {"empty queue: keeps running", 3, 0, {}, -1, true},
        {"no-switch count: keeps running", 3, 1 << SCHED_NOSWITCH_SHIFT, {3}, -1, true},
        {"priority 6 is never preempted", 6, 0, {6}, -1, true},
        {"equal priority: takes turns", 3, 0, {3}, 0, false},
        {"higher priority than the queue: switched back in", 5, 0, {3}, -1, false},
        {"yield of the highest priority gives way to a lower one", 5, SCHED_YIELD, {1}, 0, false},
        {"yield overrides the no-switch count", 3, SCHED_YIELD | (2 << SCHED_NOSWITCH_SHIFT), {3}, 0, false},
        {"lower priority than the queue: switched out", 1, 0, {2, 3}, 1, false},
    };
    for (const Case& k : cases) {
        Vm vm;
        RunResult r = vm.inside([&] {
            ThreadRecord* current = newThread(k.priority);
            current->scheduling |= k.flags;
            current->state = THREAD_ACTIVE;
            current->timeslice = 777;
            CurrentThread = current;
            std::vector<ThreadRecord*> queued;
            for (int p : k.queued) {
                queued.push_back(newThread(p));
                queued.back()->state = THREAD_ACTIVE;
                addThreadToQueue(queued.back());
            }
            Regs.timeSlice = 0;
            EXPECT_EQ(SwitchThread(), 1) << k.name;
            ThreadRecord* expected = k.next < 0 ? current : queued[k.next];
            EXPECT_EQ(CurrentThread, expected) << k.name;
            EXPECT_EQ(Regs.timeSlice, expected->timeslice) << k.name;
            EXPECT_EQ((current->scheduling & SCHED_KEPT_RUNNING) != 0, k.keptRunningFlag) << k.name;
            EXPECT_EQ(expected->scheduling & SCHED_YIELD, 0u) << k.name;
            int runnable = threadQueueLength(RunnableThreads);
            EXPECT_EQ(runnable, (int)k.queued.size() + 1 - 1)
                << k.name << ": every thread but the running one is queued";
        });
        EXPECT_EQ(r.exitCode, 0) << k.name << "\n" << r.trace;
    }
}

std::vector<ThreadRecord*> woken;
void recordWake(ThreadRecord* t) { woken.push_back(t); }

TEST_F(Scheduler, TimerQueue) {
    Vm vm;
    RunResult r = vm.inside([&] {
        uint64_t next = 1;
        checkTimerQueue(&next);
        EXPECT_EQ(next, 0u) << "an empty queue writes 0";

        // Equal wake-up times wake in the reverse order of registration.
        ThreadRecord* a = newThread(3);
        ThreadRecord* b = newThread(3);
        for (;;) {
            int64_t before = vmCurrentTime();
            registerAlarm(a, 30, 0, recordWake);
            registerAlarm(b, 30, 0, recordWake);
            if (vmCurrentTime() == before) break;
            removePendingAlarm(a);
            removePendingAlarm(b);
        }
        EXPECT_EQ(TimerQueue, b);
        EXPECT_EQ(wakeupTimeOf(a), wakeupTimeOf(b));

        // A second registration changes nothing, not even the time.
        int64_t wake = wakeupTimeOf(a);
        registerAlarm(a, 5000, 0, resumeThread);
        EXPECT_EQ(wakeupTimeOf(a), wake);
        EXPECT_EQ(a->wakeupCall, recordWake);

        // Long.MAX_VALUE saturates instead of wrapping into the past, and the wait
        // limit stays within 32 bits of milliseconds.
        ThreadRecord* forever = newThread(3);
        registerAlarm(forever, 0xFFFFFFFFu, 0x7FFFFFFF, recordWake);
        EXPECT_EQ(wakeupTimeOf(forever), INT64_MAX);
        ThreadRecord* far = newThread(3);
        registerAlarm(far, 0, 1, recordWake);  // 2^32 ms
        woken.clear();
        checkTimerQueue(&next);
        EXPECT_TRUE(woken.empty());
        EXPECT_GT(next, 0u);
        EXPECT_LE(next, 30u);
        while (woken.size() < 2) checkTimerQueue(&next);
        EXPECT_EQ(woken[0], b);
        EXPECT_EQ(woken[1], a);
        EXPECT_FALSE(inTimerQueue(a));
        EXPECT_EQ(a->nextAlarmThread, nullptr);
        EXPECT_EQ(TimerQueue, far);
        EXPECT_EQ(next, 0x7FFFFFFFu);
        removePendingAlarm(far);
        EXPECT_EQ(TimerQueue, forever);
        checkTimerQueue(&next);
        EXPECT_EQ(next, 0x7FFFFFFFu);
        EXPECT_EQ(woken.size(), 2u);
    });
    EXPECT_EQ(r.exitCode, 0) << r.trace;
}

TEST_F(Scheduler, Interrupts) {
    enum Situation { Running, Sleeping, Waiting, TimedWaiting, WaitingForMonitor };
    struct Case {
        const char* name;
        Situation situation;
        bool flagSet;
        bool pendingException;
        bool runnable;      // queued to run after the interrupt
        bool onEntryQueue;  // of the monitor
    };
    const Case cases[] = {
        {"neither sleeping nor waiting: only the flag", Running, true, false, false, false},
        {"blocked on monitor entry: only the flag", WaitingForMonitor, true, false, false, true},
        {"sleeping: off the timer queue and resumed", Sleeping, false, true, true, false},
        {"waiting: to the entry queue, and owner of the free monitor", Waiting, false, true, true, false},
        {"timed wait: off the timer queue too", TimedWaiting, false, true, true, false},
    };
    for (const Case& k : cases) {
        Vm vm;
        RunResult r = vm.inside([&] {
            OBJECT lock = nullptr;
            ThreadRecord *me = nullptr, *target = nullptr;
            makeTemporaryRoot(&lock);
            makeTemporaryRoot(&me);
            makeTemporaryRoot(&target);
            lock = instantiate(JavaLangObject);
            me = newThread(3);
            target = newThread(3);
            me->state = target->state = THREAD_ACTIVE;
            CurrentThread = target;
            switch (k.situation) {
                case Running:
                    CurrentThread = me;
                    break;
                case Sleeping:
                    suspendThread();
                    registerAlarm(target, 10000, 0, resumeThread);
                    break;
                case Waiting:
                case TimedWaiting:
                    monitorEnter(lock);
                    EXPECT_EQ(monitorWait(lock, k.situation == TimedWaiting ? 10000 : 0, 0), MONITOR_WAITING) << k.name;
                    break;
                case WaitingForMonitor:
                    CurrentThread = me;
                    monitorEnter(lock);
                    CurrentThread = target;
                    monitorEnter(lock);
                    break;
            }
            CurrentThread = me;
            interruptThread(target);
            EXPECT_EQ(target->isPendingInterrupt != 0, k.flagSet) << k.name;
            EXPECT_EQ(target->pendingException != nullptr, k.pendingException) << k.name;
            if (k.pendingException) {
                EXPECT_STREQ(target->pendingException, "java/lang/InterruptedException") << k.name;
            }
            EXPECT_FALSE(inTimerQueue(target)) << k.name;
            EXPECT_EQ(RunnableThreads == target, k.runnable) << k.name;
            if (k.situation == Waiting || k.situation == TimedWaiting) {
                MonitorRecord* m = lockMonitor(lock->monitor);
                EXPECT_EQ(m->owner, target) << k.name;
                EXPECT_EQ(m->depth, 1) << k.name;
                EXPECT_EQ(m->condvarWaitQ, nullptr) << k.name;
            }
            if (k.onEntryQueue) {
                EXPECT_EQ(lockMonitor(lock->monitor)->monitorWaitQ, target) << k.name;
            }
            // A pending interrupt turns the next wait into an InterruptedException at once.
            if (k.flagSet && k.situation == Running) {
                CurrentThread = target;
                monitorEnter(lock);
                EXPECT_EQ(monitorWait(lock, 0, 0), MONITOR_INTERRUPTED) << k.name;
                EXPECT_EQ(CurrentThread, target) << k.name;
                EXPECT_EQ(target->isPendingInterrupt, 0) << k.name;
                EXPECT_STREQ(target->pendingException, "java/lang/InterruptedException") << k.name;
            }
        });
        EXPECT_EQ(r.exitCode, 0) << k.name << "\n" << r.trace;
    }
}

}  // namespace
