// Lock words and monitor records driven directly: the lock states and depths of
// nested entries, hash codes kept across locking, contention, the not-owner errors,
// and objects of the read-only image, whose lock word is never written.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include "support/vmasm.h"
#include "vm/core/monitor.h"

using namespace vmasm;

namespace {

// Live threads are roots through the list of all threads; the caller keeps the
// record in a registered root when a collection may move it.
ThreadRecord* newActiveThread() {
    OBJECT javaThread = instantiate(JavaLangThread);
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&javaThread);
    ThreadRecord* t = BuildThread(&javaThread);
    TemporaryRootsLength = savedRoots;
    t->state = THREAD_ACTIVE;
    return t;
}

// How often the lock's owner holds it, whoever is current.
int holderDepth(OBJECT o) {
    uint32_t word = o->monitor;
    switch (word & LOCK_STATE_MASK) {
        case LOCK_SIMPLE:
            return 1;
        case LOCK_EXTENDED:
            return lockOwner(word)->extendedLockDepth;
        case LOCK_INFLATED:
            return lockMonitor(word)->depth;
    }
    return 0;
}

struct Step {
    char op;     // 'E' monitorEnter, 'X' monitorExit, 'H' identity hash
    int object;  // 0 or 1
    int thread;  // 0 or 1: made current for the step
    int result;  // of E and X
    int state;   // lock state of the object afterwards
    int depth;   // the owner's depth afterwards
};

TEST(Monitor, LockStatesAndDepthsOfNestedEntries) {
    struct Case {
        const char* name;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"enter and leave without hash code", {{'E', 0, 0, 0, 1, 1}, {'X', 0, 0, 1, 0, 0}}},
        {"three entries, then leave one by one",
         {{'E', 0, 0, 0, 1, 1},
          {'E', 0, 0, 0, 2, 2},
          {'E', 0, 0, 0, 2, 3},
          {'X', 0, 0, 0, 2, 2},
          {'X', 0, 0, 0, 1, 1},
          {'X', 0, 0, 1, 0, 0}}},
        {"enter an object with a hash code",
         {{'H', 0, 0, 0, 0, 0},
          {'E', 0, 0, 0, 2, 1},
          {'E', 0, 0, 0, 2, 2},
          {'X', 0, 0, 0, 2, 1},
          {'X', 0, 0, 1, 0, 0}}},
        {"a second nested lock of the same thread inflates",
         {{'E', 0, 0, 0, 1, 1},
          {'E', 0, 0, 0, 2, 2},
          {'E', 1, 0, 0, 1, 1},
          {'E', 1, 0, 0, 3, 2},
          {'X', 1, 0, 0, 3, 1},
          {'X', 1, 0, 1, 0, 0},
          {'X', 0, 0, 0, 1, 1},
          {'X', 0, 0, 1, 0, 0}}},
        {"hash code taken while simply locked", {{'E', 0, 0, 0, 1, 1}, {'H', 0, 0, 0, 2, 1}, {'X', 0, 0, 1, 0, 0}}},
        {"hash code taken while the owner's extended slot is busy",
         {{'E', 1, 0, 0, 1, 1},
          {'E', 1, 0, 0, 2, 2},
          {'E', 0, 0, 0, 1, 1},
          {'H', 0, 0, 0, 3, 1},
          {'X', 0, 0, 1, 0, 0},
          {'X', 1, 0, 0, 1, 1},
          {'X', 1, 0, 1, 0, 0}}},
        {"contention: the waiter owns the lock once it is released",
         {{'E', 0, 0, 0, 1, 1}, {'E', 0, 1, 2, 3, 1}, {'X', 0, 0, 1, 3, 1}, {'X', 0, 1, 1, 0, 0}}},
        {"contention on a nested lock keeps the owner's depth",
         {{'E', 0, 0, 0, 1, 1},
          {'E', 0, 0, 0, 2, 2},
          {'E', 0, 1, 2, 3, 2},
          {'X', 0, 0, 0, 3, 1},
          {'X', 0, 0, 1, 3, 1},
          {'E', 0, 1, 0, 3, 2},
          {'X', 0, 1, 0, 3, 1},
          {'X', 0, 1, 1, 0, 0}}},
    };
    for (const Case& k : cases) {
        Vm vm;
        std::string failures;
        RunResult r = vm.inside([&] {
            OBJECT objects[2] = {nullptr, nullptr};
            ThreadRecord* threads[2] = {nullptr, nullptr};
            for (int i = 0; i < 2; i++) {
                makeTemporaryRoot(&objects[i]);
                makeTemporaryRoot(&threads[i]);
            }
            for (int i = 0; i < 2; i++) {
                objects[i] = instantiate(JavaLangObject);
                threads[i] = newActiveThread();
            }
            int32_t hashes[2] = {0, 0};
            for (size_t i = 0; i < k.steps.size(); i++) {
                const Step& s = k.steps[i];
                OBJECT o = objects[s.object];
                CurrentThread = threads[s.thread];
                int result = 0;
                const char* name = nullptr;
                if (s.op == 'E') result = monitorEnter(o);
                if (s.op == 'X') result = monitorExit(o, &name);
                if (s.op == 'H') hashes[s.object] = objectHashCode(o);
                std::string at = "step " + std::to_string(i) + ": ";
                if (result != s.result) failures += at + "result " + std::to_string(result) + "\n";
                if ((int)(o->monitor & LOCK_STATE_MASK) != s.state)
                    failures += at + "state " + std::to_string(o->monitor & 3) + "\n";
                if (holderDepth(o) != s.depth) failures += at + "depth " + std::to_string(holderDepth(o)) + "\n";
            }
            for (int i = 0; i < 2; i++) {
                if (hashes[i] != 0 && objectHashCode(objects[i]) != hashes[i]) failures += "hash code changed\n";
                if (hashes[i] == 0 && objects[i]->monitor != 0) failures += "lock word not 0 at the end\n";
            }
        });
        EXPECT_EQ(r.exitCode, 0) << k.name << "\n" << r.trace;
        EXPECT_EQ(failures, "") << k.name;
    }
}

TEST(Monitor, ContendedEntryQueuesAndSuspendsTheThread) {
    Vm vm;
    RunResult r = vm.inside([&] {
        OBJECT o = nullptr;
        ThreadRecord *owner = nullptr, *waiter = nullptr;
        makeTemporaryRoot(&o);
        makeTemporaryRoot(&owner);
        makeTemporaryRoot(&waiter);
        o = instantiate(JavaLangObject);
        owner = newActiveThread();
        waiter = newActiveThread();
        CurrentThread = owner;
        monitorEnter(o);
        CurrentThread = waiter;
        EXPECT_EQ(monitorEnter(o), MONITOR_WAITING);
        EXPECT_EQ(CurrentThread, nullptr);
        EXPECT_TRUE(waiter->state & THREAD_SUSPENDED);
        EXPECT_TRUE(waiter->state & THREAD_MONITOR_WAIT);
        MonitorRecord* m = lockMonitor(o->monitor);
        EXPECT_EQ(m->monitorWaitQ, waiter);
        EXPECT_EQ(waiter->monitor, m);
        CurrentThread = owner;
        const char* name = nullptr;
        EXPECT_EQ(monitorExit(o, &name), MONITOR_RELEASED);
        EXPECT_EQ(m->owner, waiter);
        EXPECT_EQ(waiter->state, THREAD_ACTIVE);
        EXPECT_EQ(waiter->monitor, nullptr);
        EXPECT_EQ(RunnableThreads, waiter) << "the new owner is runnable";
    });
    EXPECT_EQ(r.exitCode, 0) << r.trace;
}

TEST(Monitor, NotOwnerErrors) {
    enum Op { Exit, Wait, Notify, NotifyAll };
    struct Case {
        const char* name;
        Op op;
        int otherEntries;  // entries by another thread first: 0 unlocked, 1 simple, 2 extended, 3 inflated (contended)
    };
    const Case cases[] = {
        {"exit of an unlocked object", Exit, 0},
        {"exit of another thread's simple lock", Exit, 1},
        {"exit of another thread's extended lock", Exit, 2},
        {"exit of another thread's inflated lock", Exit, 3},
        {"wait on an unlocked object", Wait, 0},
        {"wait on another thread's simple lock", Wait, 1},
        {"wait on another thread's inflated lock", Wait, 3},
        {"notify of an unlocked object", Notify, 0},
        {"notify of another thread's extended lock", Notify, 2},
        {"notifyAll of another thread's inflated lock", NotifyAll, 3},
    };
    for (const Case& k : cases) {
        Vm vm;
        std::string raised = "nothing";
        int result = -1;
        const char* name = nullptr;
        RunResult r = vm.inside([&] {
            OBJECT o = nullptr;
            ThreadRecord *other = nullptr, *me = nullptr;
            makeTemporaryRoot(&o);
            makeTemporaryRoot(&other);
            makeTemporaryRoot(&me);
            o = instantiate(JavaLangObject);
            other = newActiveThread();
            me = newActiveThread();
            CurrentThread = other;
            for (int i = 0; i < k.otherEntries && i < 2; i++) monitorEnter(o);
            if (k.otherEntries == 3) {
                monitorEnter(o);
                CurrentThread = newActiveThread();
                monitorEnter(o);  // a third thread waits: inflated
            }
            CurrentThread = me;
            VM_TRY
            if (k.op == Exit) result = monitorExit(o, &name);
            if (k.op == Wait) result = monitorWait(o, 0, 0);
            if (k.op == Notify) result = monitorNotify(o, 0);
            if (k.op == NotifyAll) result = monitorNotify(o, 1);
            VM_CATCH(e)
            char buffer[MESSAGE_BUFFER_SIZE];
            getClassNameBuffer(e->clazz, buffer, sizeof buffer);
            raised = buffer;
            VM_END_TRY
        });
        EXPECT_EQ(r.exitCode, 0) << k.name << "\n" << r.trace;
        if (k.op == Exit) {
            EXPECT_EQ(result, MONITOR_NOT_OWNER) << k.name;
            EXPECT_STREQ(name, "java/lang/IllegalMonitorStateException") << k.name;
            EXPECT_EQ(raised, "nothing") << k.name << ": monitorExit only reports it";
        } else {
            EXPECT_EQ(raised, "java/lang/IllegalMonitorStateException") << k.name;
        }
    }
}

TEST(Monitor, NotifyOfALockThatNeverInflatedDoesNothing) {
    for (int entries = 1; entries <= 2; entries++) {
        Vm vm;
        RunResult r = vm.inside([&] {
            OBJECT o = instantiate(JavaLangObject);
            makeTemporaryRoot(&o);
            CurrentThread = newActiveThread();
            for (int i = 0; i < entries; i++) monitorEnter(o);
            uint32_t before = o->monitor;
            EXPECT_EQ(monitorNotify(o, 0), 0) << entries;
            EXPECT_EQ(monitorNotify(o, 1), 0) << entries;
            EXPECT_EQ(o->monitor, before) << entries;
        });
        EXPECT_EQ(r.exitCode, 0) << entries << "\n" << r.trace;
    }
}

// A string of the read-only image on a page that faults on any write.
// Strings on a page that cannot be written, standing for the read-only class image:
// any store into one of them ends the test process.
struct ReadOnlyStrings {
    void* page = nullptr;
    OBJECT objects[ROM_LOCK_WORDS + 1] = {};
    void make() {
        page = mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        cell* words = (cell*)page;
        for (int i = 0; i <= ROM_LOCK_WORDS; i++, words += 7) {
            words[0] = (cell)(6u << HEADER_SIZE_SHIFT);
            objects[i] = (OBJECT)(words + 1);
            objects[i]->clazz = JavaLangString;
            objects[i]->monitor = 0;
        }
        mprotect(page, 4096, PROT_READ);
        RomImage* image = const_cast<RomImage*>(CurrentRomImage);
        image->stringAreaStart = page;
        image->stringAreaEnd = (char*)page + 4096;
    }
    ~ReadOnlyStrings() {
        if (page) munmap(page, 4096);
    }
};

TEST(Monitor, ReadOnlyObjectsLockWithoutBeingWritten) {
    ReadOnlyStrings rom;
    int32_t first = 0, locked = 0, after = 0;
    int entered = -1, nested = -1, inner = -1, outer = -1, depthFull = 0;
    Vm vm;
    RunResult r = vm.inside([&] {
        rom.make();
        OBJECT o = rom.objects[0];
        CurrentThread = newActiveThread();
        first = objectHashCode(o);
        entered = monitorEnter(o);
        nested = monitorEnter(o);
        locked = objectHashCode(o);
        monitorNotify(o, 1);  // owned: no exception
        const char* name = nullptr;
        inner = monitorExit(o, &name);
        outer = monitorExit(o, &name);
        after = objectHashCode(o);
        // every slot of the table held at once, then one object more
        for (int i = 0; i < ROM_LOCK_WORDS; i++) monitorEnter(rom.objects[i]);
        depthFull = 1;
        monitorEnter(rom.objects[ROM_LOCK_WORDS]);
    });
    EXPECT_NE(first, 0);
    EXPECT_EQ(first, locked) << "the identity hash of a read-only object must not change while it is locked";
    EXPECT_EQ(first, after);
    EXPECT_EQ(entered, MONITOR_OWNED);
    EXPECT_EQ(nested, MONITOR_OWNED);
    EXPECT_EQ(inner, MONITOR_STILL_HELD);
    EXPECT_EQ(outer, MONITOR_RELEASED);
    EXPECT_EQ(depthFull, 1) << "as many read-only objects as the table holds lock at once";
    EXPECT_EQ(r.exitCode, 127);
    EXPECT_NE(r.trace.find("ALERT: ROMized String Object. Unable to excecute monitorEnter.\n"), std::string::npos)
        << r.trace;
}

}  // namespace
