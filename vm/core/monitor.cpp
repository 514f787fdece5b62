// Object locks held by one thread at a time: the simple and the extended lock. A lock
// that needs a monitor record (contention, waits, a second extended lock) comes with
// the monitor records themselves; until then it ends the run with a clear message.
#include "vm/core/monitor.h"

#include "vm/core/exceptions.h"
#include "vm/core/romimage.h"
#include "vm/core/thread.h"

static inline ThreadRecord* lockOwner(uint32_t word) { return (ThreadRecord*)(uintptr_t)(word & ~(uint32_t)LOCK_STATE_MASK); }

[[noreturn]] static void inflationNotBuilt() {
    fatalError("monitorEnter: contended or nested locks need monitor records, which this VM does not have yet");
}

static bool setExtendedLock(ThreadRecord* thread, OBJECT object, int depth, uint32_t hash) {
    if (thread->extendedLockDepth != 0) return false;
    thread->extendedLockDepth = depth;
    thread->extendedLockHash = hash;
    object->monitor = (uint32_t)(uintptr_t)thread + LOCK_EXTENDED;
    return true;
}

int monitorEnter(OBJECT object) {
    ThreadRecord* t = CurrentThread;
    uint32_t word = object->monitor;
    switch (word & LOCK_STATE_MASK) {
    case LOCK_UNLOCKED:
        if (word == 0) {
            object->monitor = (uint32_t)(uintptr_t)t + LOCK_SIMPLE;
            return MONITOR_OWNED;
        }
        if (isInRomTableRange(object)) fatalError("ROMized String Object. Unable to excecute monitorEnter.");
        if (setExtendedLock(t, object, 1, word)) return MONITOR_OWNED;
        inflationNotBuilt();
    case LOCK_SIMPLE:
        if (lockOwner(word) == t && setExtendedLock(t, object, 2, 0)) return MONITOR_OWNED;
        inflationNotBuilt();
    case LOCK_EXTENDED:
        if (lockOwner(word) == t) {
            t->extendedLockDepth++;
            return MONITOR_OWNED;
        }
        inflationNotBuilt();
    default:
        inflationNotBuilt();
    }
}

int monitorExit(OBJECT object, const char** exceptionName) {
    ThreadRecord* t = CurrentThread;
    uint32_t word = object->monitor;
    uint32_t state = word & LOCK_STATE_MASK;
    if (state == LOCK_SIMPLE && lockOwner(word) == t) {
        object->monitor = 0;
        return MONITOR_RELEASED;
    }
    if (state == LOCK_EXTENDED && lockOwner(word) == t) {
        int depth = --t->extendedLockDepth;
        if (depth == 0) {
            object->monitor = t->extendedLockHash;
            return MONITOR_RELEASED;
        }
        if (depth == 1 && t->extendedLockHash == 0) {
            t->extendedLockDepth = 0;
            object->monitor = (uint32_t)(uintptr_t)t + LOCK_SIMPLE;
        }
        return MONITOR_STILL_HELD;
    }
    *exceptionName = IllegalMonitorStateException;
    return MONITOR_NOT_OWNER;
}

uint32_t* hashCodeSlot(OBJECT object) {
    uint32_t word = object->monitor;
    switch (word & LOCK_STATE_MASK) {
    case LOCK_UNLOCKED:
        return nullptr;
    case LOCK_SIMPLE: {
        ThreadRecord* owner = lockOwner(word);
        if (!setExtendedLock(owner, object, 1, 0)) inflationNotBuilt();
        return &owner->extendedLockHash;
    }
    case LOCK_EXTENDED:
        return &lockOwner(word)->extendedLockHash;
    default:
        return &((MonitorRecord*)(uintptr_t)(word & ~(uint32_t)LOCK_STATE_MASK))->hashCode;
    }
}
