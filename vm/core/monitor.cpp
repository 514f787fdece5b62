// Object locks, waits and notifies. An object's lock stays in its lock word while one
// thread holds it: a simple lock for a single entry, an extended lock (depth and hash
// code in the owner's thread record, one per thread) for nesting or an object with a
// hash code. Contention, waits and a second extended lock inflate the word into a
// MonitorRecord with an entry queue and a condition queue; a record whose object is
// fully released with nobody queued goes back to the free list.
//
// Objects of the read-only class image (shared literal strings and their char array)
// are never written: while one is locked its lock word lives in a table of its own.
#include "vm/core/monitor.h"

#include "vm/core/exceptions.h"
#include "vm/core/heap.h"
#include "vm/core/romimage.h"
#include "vm/core/thread.h"

VMBSS RomLockWord RomLockWords[ROM_LOCK_WORDS];

uint32_t* lockWordOf(OBJECT object) {
    if (!isInRomTableRange(object)) return &object->monitor;
    RomLockWord* free = nullptr;
    for (int i = 0; i < ROM_LOCK_WORDS; i++) {
        RomLockWord* w = &RomLockWords[i];
        if (w->object == object) return &w->word;
        if (free == nullptr && w->word == 0) free = w;
    }
    // a slot whose object holds no lock serves another; nothing is locked by then
    if (free == nullptr) fatalError("ROMized String Object. Unable to excecute monitorEnter.");
    free->object = object;
    return &free->word;
}

int setExtendedLock(ThreadRecord* thread, OBJECT object, int depth, uint32_t hash) {
    if (thread->extendedLockDepth != 0) return 0;
    thread->extendedLockDepth = depth;
    thread->extendedLockHash = hash;
    *lockWordOf(object) = p32Word(thread) + LOCK_EXTENDED;
    return 1;
}

MonitorRecord* getObjectMonitor(OBJECT object) {
    uint32_t word = *lockWordOf(object);
    if ((word & LOCK_STATE_MASK) == LOCK_INFLATED) return lockMonitor(word);
    MonitorRecord* monitor = FreeMonitorList;
    if (monitor != nullptr) {
        FreeMonitorList = (MonitorRecord*)monitor->owner;
        monitor->owner = nullptr;
        monitor->hashCode = 0;
        monitor->depth = 0;
    } else {
        int32_t savedRoots = TemporaryRootsLength;
        makeTemporaryRoot(&object);
        monitor = (MonitorRecord*)callocObject(MONITOR_RECORD_WORDS, GCT_MONITOR);
        TemporaryRootsLength = savedRoots;
        word = *lockWordOf(object);
    }
    ThreadRecord* owner = lockOwner(word);
    switch (word & LOCK_STATE_MASK) {
        case LOCK_UNLOCKED:
            monitor->hashCode = word;
            break;
        case LOCK_SIMPLE:
            monitor->owner = owner;
            monitor->depth = 1;
            break;
        case LOCK_EXTENDED:
            monitor->owner = owner;
            monitor->depth = owner->extendedLockDepth;
            monitor->hashCode = owner->extendedLockHash;
            owner->extendedLockDepth = 0;
            owner->extendedLockHash = 0;
            break;
    }
    *lockWordOf(object) = p32Word(monitor) + LOCK_INFLATED;
    return monitor;
}

int monitorEnter(OBJECT object) {
    ThreadRecord* t = CurrentThread;
    uint32_t word = *lockWordOf(object);
    MonitorRecord* monitor;
    switch (word & LOCK_STATE_MASK) {
        case LOCK_UNLOCKED:
            if (word == 0) {
                *lockWordOf(object) = p32Word(t) + LOCK_SIMPLE;
                return MONITOR_OWNED;
            }
            if (setExtendedLock(t, object, 1, word)) return MONITOR_OWNED;
            monitor = getObjectMonitor(object);
            break;
        case LOCK_SIMPLE:
            if (lockOwner(word) == t && setExtendedLock(t, object, 2, 0)) return MONITOR_OWNED;
            monitor = getObjectMonitor(object);
            break;
        case LOCK_EXTENDED:
            if (lockOwner(word) == t) {
                t->extendedLockDepth++;
                return MONITOR_OWNED;
            }
            monitor = getObjectMonitor(object);
            break;
        default:
            monitor = lockMonitor(word);
            break;
    }
    t = CurrentThread;  // inflation may have collected and moved the thread record
    if (monitor->owner == nullptr) {
        monitor->owner = t;
        monitor->depth = 1;
        return MONITOR_OWNED;
    }
    if (monitor->owner == t) {
        monitor->depth++;
        return MONITOR_OWNED;
    }
    t->monitorDepth = 1;
    addMonitorWait(monitor, t);
    suspendThread();
    return MONITOR_WAITING;
}

int monitorExit(OBJECT object, const char** exceptionName) {
    ThreadRecord* t = CurrentThread;
    uint32_t word = *lockWordOf(object);
    uint32_t state = word & LOCK_STATE_MASK;
    if (state == LOCK_SIMPLE && lockOwner(word) == t) {
        *lockWordOf(object) = 0;
        return MONITOR_RELEASED;
    }
    if (state == LOCK_EXTENDED && lockOwner(word) == t) {
        int depth = --t->extendedLockDepth;
        if (depth == 0) {
            *lockWordOf(object) = t->extendedLockHash;
            return MONITOR_RELEASED;
        }
        if (depth == 1 && t->extendedLockHash == 0) {
            t->extendedLockDepth = 0;
            *lockWordOf(object) = p32Word(t) + LOCK_SIMPLE;
        }
        return MONITOR_STILL_HELD;
    }
    if (state == LOCK_INFLATED) {
        MonitorRecord* monitor = lockMonitor(word);
        if (monitor->owner == t) {
            if (--monitor->depth > 0) return MONITOR_STILL_HELD;
            releaseMonitor(monitor);
            if (monitor->owner == nullptr && monitor->monitorWaitQ == nullptr && monitor->condvarWaitQ == nullptr) {
                *lockWordOf(object) = monitor->hashCode;
                monitor->owner = (ThreadRecord*)FreeMonitorList;
                FreeMonitorList = monitor;
            }
            return MONITOR_RELEASED;
        }
    }
    *exceptionName = IllegalMonitorStateException;
    return MONITOR_NOT_OWNER;
}

void addMonitorWait(MonitorRecord* monitor, ThreadRecord* thread) {
    addToThreadQueue(&monitor->monitorWaitQ, thread, 1);
    thread->monitor = monitor;
    thread->state |= THREAD_MONITOR_WAIT;
    if (monitor->owner == nullptr) releaseMonitor(monitor);
}

void releaseMonitor(MonitorRecord* monitor) {
    ThreadRecord* next = removeQueueHead(&monitor->monitorWaitQ);
    if (next == nullptr) {
        monitor->owner = nullptr;
        monitor->depth = 0;
        return;
    }
    monitor->owner = next;
    monitor->depth = next->monitorDepth;
    next->monitor = nullptr;
    next->monitorDepth = 0;
    next->state &= ~THREAD_MONITOR_WAIT;
    resumeThread(next);
}

void addCondvarWait(MonitorRecord* monitor, ThreadRecord* thread) {
    if (monitor->owner != thread) fatalError("Bad call to addCondvarWait()");
    addToThreadQueue(&monitor->condvarWaitQ, thread, 1);
    thread->monitor = monitor;
    thread->state |= THREAD_CONVAR_WAIT;
    thread->monitorDepth = monitor->depth;
    releaseMonitor(monitor);
}

static int waitOnMonitor(OBJECT object, int64_t timeout, bool interruptible) {
    if ((*lockWordOf(object) & LOCK_STATE_MASK) == LOCK_UNLOCKED) raiseException(IllegalMonitorStateException);
    MonitorRecord* monitor = getObjectMonitor(object);
    ThreadRecord* t = CurrentThread;
    if (monitor->owner != t) raiseException(IllegalMonitorStateException);
    if (interruptible && t->isPendingInterrupt) {
        handlePendingInterrupt();
        return MONITOR_INTERRUPTED;
    }
    if (timeout > 0) registerAlarm(t, (uint32_t)timeout, (int32_t)(timeout >> 32), monitorWaitAlarm);
    addCondvarWait(monitor, t);
    suspendThread();
    return MONITOR_WAITING;
}

int monitorWait(OBJECT object, uint32_t timeoutLow, int32_t timeoutHigh) {
    return waitOnMonitor(object, (int64_t)(((uint64_t)(uint32_t)timeoutHigh << 32) | timeoutLow), true);
}

int monitorWaitUninterruptibly(OBJECT object) { return waitOnMonitor(object, 0, false); }

void monitorWaitAlarm(ThreadRecord* thread) {
    MonitorRecord* monitor = thread->monitor;
    if (monitor == nullptr) return;
    if (!removeFromThreadQueue(&monitor->condvarWaitQ, thread)) fatalError("Thread not on condvar queue");
    thread->state &= ~THREAD_CONVAR_WAIT;
    addMonitorWait(monitor, thread);
}

void notifyWaiters(MonitorRecord* monitor, int all) {
    ThreadRecord* waiter;
    while ((waiter = removeQueueHead(&monitor->condvarWaitQ)) != nullptr) {
        removePendingAlarm(waiter);
        waiter->state &= ~THREAD_CONVAR_WAIT;
        addMonitorWait(monitor, waiter);
        if (!all) break;
    }
}

int monitorNotify(OBJECT object, int all) {
    ThreadRecord* t = CurrentThread;
    uint32_t word = *lockWordOf(object);
    switch (word & LOCK_STATE_MASK) {
        case LOCK_SIMPLE:
        case LOCK_EXTENDED:
            // Nobody can wait on a lock that never inflated.
            if (lockOwner(word) == t) return 0;
            break;
        case LOCK_INFLATED:
            if (lockMonitor(word)->owner == t) {
                notifyWaiters(lockMonitor(word), all);
                return 0;
            }
            break;
    }
    raiseException(IllegalMonitorStateException);
}

uint32_t* hashCodeSlot(OBJECT object) {
    uint32_t word = *lockWordOf(object);
    switch (word & LOCK_STATE_MASK) {
        case LOCK_UNLOCKED:
            return nullptr;
        case LOCK_SIMPLE: {
            ThreadRecord* owner = lockOwner(word);
            if (setExtendedLock(owner, object, 1, 0)) return &owner->extendedLockHash;
            return &getObjectMonitor(object)->hashCode;
        }
        case LOCK_EXTENDED:
            return &lockOwner(word)->extendedLockHash;
        default:
            return &lockMonitor(word)->hashCode;
    }
}

void clearObjectLock(OBJECT object) {
    uint32_t word = *lockWordOf(object);
    switch (word & LOCK_STATE_MASK) {
        case LOCK_SIMPLE:
            *lockWordOf(object) = 0;
            break;
        case LOCK_EXTENDED:
            *lockWordOf(object) = lockOwner(word)->extendedLockHash;
            lockOwner(word)->extendedLockDepth = 0;
            break;
        case LOCK_INFLATED:
            *lockWordOf(object) = lockMonitor(word)->hashCode;
            break;
    }
}
