// What the wait for events needs of the VM state and the event system.
#pragma once

#include <stdint.h>

#include "platform/events.h"
#include "vm/services/events.h"
#include "vm/services/vmstate.h"

inline bool eventSeam_isStopRequested() { return mvVm_isStopRequested() != 0; }
inline void eventSeam_abort() { mvVmAbort(mvVm_getVmId()); }
inline int32_t eventSeam_pendingEventTotal() { return mvK6Event_pendingTotal(); }
inline int32_t eventSeam_threadsWaitingForEvents() { return mvK6Event_waitingThreads(); }
// Every kind, under the event lock; true when a thread was woken.
inline bool eventSeam_wakeEventThreads() {
    return (mvK6Event_wakeKind1() | mvK6Event_wakeKind2() | mvK6Event_wakeKind3()) != 0;
}
// under the event lock
inline bool eventSeam_hasPendingVmEvents() { return mvK6Event_hasPendingEvents() != 0; }
inline void eventSeam_clearWake() { mvVm_clearWake(); }
// Outside the event lock; true when the kept events could be sent again.
inline bool eventSeam_resendPendingVmEvents() { return mvK6Event_resendPendingWhenReady() != 0; }
