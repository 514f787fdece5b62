// The services' hook table and its defaults.
#include "vm/services/hooks.h"

#include "vm/core/hooks.h"
#include "vm/loader/hooks.h"
#include "vm/services/events.h"
#include "vm/services/properties.h"
#include "vm/services/vmreset.h"
#include "vm/services/vmstate.h"

static const uint16_t* noPlatformProperty(const uint16_t*, int32_t, int32_t* valueLength) {
    if (valueLength != nullptr) *valueLength = 0;
    return nullptr;
}

static void noSoftkeys() {}
static void noExitStatus(int32_t) {}

constexpr VmServiceHooks DefaultServiceHooks = {noPlatformProperty, noSoftkeys, noExitStatus};

VMHOOKS VmServiceHooks ServiceHooks = DefaultServiceHooks;

static void abortRun() { mvVmAbort(mvVm_getVmId()); }

static int32_t wakeEveryKind() { return mvK6Event_wakeKind1() | mvK6Event_wakeKind2() | mvK6Event_wakeKind3(); }

void installRuntimeServices() {
    CoreHooks.isStopRequested = mvVm_isStopRequested;
    CoreHooks.abortRun = abortRun;
    CoreHooks.pendingEventTotal = mvK6Event_pendingTotal;
    CoreHooks.threadsWaitingForEvents = mvK6Event_waitingThreads;
    CoreHooks.wakeEventThreads = wakeEveryKind;
    CoreHooks.hasPendingVmEvents = mvK6Event_hasPendingEvents;
    CoreHooks.clearWake = mvVm_clearWake;
    CoreHooks.resendPendingVmEvents = mvK6Event_resendPendingWhenReady;
    LoaderHooks.mvK6Event_initialize = mvK6Event_initialize;
    LoaderHooks.mvVm_isExitRequested = mvVm_isExitRequested;
    LoaderHooks.mvVm_allocWorkBuffer = mvVm_allocWorkBuffer;
    LoaderHooks.mvVmEvent_started = mvVmEvent_started;
    LoaderHooks.mvVmClock_start = mvVmClock_start;
}
