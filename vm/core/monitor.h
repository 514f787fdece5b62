// Object locks, waits and notifies. The lock word's low two bits give its state:
// 0 unlocked (the rest is the hash code), 1 simple lock (owner + 1), 2 extended lock
// (owner + 2, depth and hash kept in the owner's record), 3 inflated (MonitorRecord + 3).
#pragma once

#include "platform/vmsections.h"
#include "vm/core/records.h"

enum {
    MONITOR_OWNED = 0,       // monitorEnter: the current thread owns it
    MONITOR_STILL_HELD = 0,  // monitorExit: depth decreased
    MONITOR_RELEASED = 1,
    MONITOR_WAITING = 2,      // monitorEnter, monitorWait: queued and suspended
    MONITOR_NOT_OWNER = 3,    // monitorExit
    MONITOR_INTERRUPTED = 3,  // monitorWait: a pending InterruptedException was left
};

enum { LOCK_STATE_MASK = 3, LOCK_UNLOCKED = 0, LOCK_SIMPLE = 1, LOCK_EXTENDED = 2, LOCK_INFLATED = 3 };
enum { MONITOR_RECORD_WORDS = 5 };

inline ThreadRecord* lockOwner(uint32_t word) { return (ThreadRecord*)(uintptr_t)(word & ~(uint32_t)LOCK_STATE_MASK); }
inline MonitorRecord* lockMonitor(uint32_t word) {
    return (MonitorRecord*)(uintptr_t)(word & ~(uint32_t)LOCK_STATE_MASK);
}

// Objects of the read-only image cannot hold a lock: while one is locked its lock word
// lives in this table, which the collector treats as roots.
enum { ROM_LOCK_WORDS = 64 };
struct RomLockWord {
    OBJECT object;
    uint32_t word;
};
extern VMBSS RomLockWord RomLockWords[ROM_LOCK_WORDS];
// The object's writable lock word.
uint32_t* lockWordOf(OBJECT object);

int monitorEnter(OBJECT object);
int monitorExit(OBJECT object, const char** exceptionName);
// Raises IllegalMonitorStateException when the current thread does not own the object.
int monitorWait(OBJECT object, uint32_t timeoutLow, int32_t timeoutHigh);
// The wait of class initialisation: without limit, and interrupts do not end it.
int monitorWaitUninterruptibly(OBJECT object);
int monitorNotify(OBJECT object, int all);
MonitorRecord* getObjectMonitor(OBJECT object);
int setExtendedLock(ThreadRecord* thread, OBJECT object, int depth, uint32_t hash);
// Address of the word holding the hash code of a locked object, or null when the lock
// word itself holds it.
uint32_t* hashCodeSlot(OBJECT object);
void addMonitorWait(MonitorRecord* monitor, ThreadRecord* thread);
void releaseMonitor(MonitorRecord* monitor);
void addCondvarWait(MonitorRecord* monitor, ThreadRecord* thread);
void notifyWaiters(MonitorRecord* monitor, int all);
// Timer callback of a timed wait: back to the entry queue.
void monitorWaitAlarm(ThreadRecord* thread);
void clearObjectLock(OBJECT object);
