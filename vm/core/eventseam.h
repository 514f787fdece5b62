// What the wait for events needs of the VM state and the event system, which come
// later. Until then no stop can be requested, no event is ever pending and no Java
// thread waits for events; each function names the one that will replace it.
#pragma once

#include <stdint.h>

#include "platform/events.h"

// mvVm_isStopRequested
inline bool eventSeam_isStopRequested() { return false; }
// mvVmAbort (mvVm_getVmId ())
inline void eventSeam_abort() {}
// the event system's count of pending events
inline int32_t eventSeam_pendingEventTotal() { return 0; }
// the number of Java threads waiting for events
inline int32_t eventSeam_threadsWaitingForEvents() { return 0; }
// mvK6Event_wakeKind1, 2, 3, tried in that order
inline bool eventSeam_wakeEventThreads() { return false; }
// mvK6Event_hasPendingEvents
inline bool eventSeam_hasPendingVmEvents() { return false; }
// mvVm_clearWake: clears the wake flag and resets the VM wake-up event
inline void eventSeam_clearWake() { SysWakeEventReset(); }
