// Object locks. The lock word's low two bits give its state: 0 unlocked (the rest is
// the hash code), 1 simple lock (owner + 1), 2 extended lock (owner + 2), 3 inflated
// (MonitorRecord + 3).
#pragma once

#include "vm/core/records.h"

enum {
    MONITOR_OWNED = 0,       // monitorEnter: the current thread owns it
    MONITOR_STILL_HELD = 0,  // monitorExit: depth decreased
    MONITOR_RELEASED = 1,
    MONITOR_WAITING = 2,     // monitorEnter: queued and suspended
    MONITOR_NOT_OWNER = 3,
};

enum { LOCK_STATE_MASK = 3, LOCK_UNLOCKED = 0, LOCK_SIMPLE = 1, LOCK_EXTENDED = 2, LOCK_INFLATED = 3 };

int monitorEnter(OBJECT object);
int monitorExit(OBJECT object, const char** exceptionName);
// Address of the word holding the hash code of a locked object, or null when the lock
// word itself holds it.
uint32_t* hashCodeSlot(OBJECT object);
