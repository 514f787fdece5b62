// The run state words and what changes them. Host threads give the service commands;
// everything else runs on the VM thread. Every word is written whole and read afresh
// (atomicword.h); work crosses to the VM thread only as process events and wake-ups.
#include "vm/services/vmstate.h"

#include <sched.h>
#include <string.h>

#include "platform/atomicword.h"
#include "platform/events.h"
#include "platform/vmsections.h"
#include "vm/core/exceptions.h"
#include "vm/core/frames.h"
#include "vm/core/thread.h"
#include "vm/services/events.h"
#include "vm/services/hooks.h"
#include "vm/services/runhooks.h"
#include "vm/services/vmreset.h"
#include "vm/trace/tracelog.h"

VMBSS VmRunState VmState;

struct VmRun {
    int32_t vmId;
    VmEventHandler handler;
    int32_t trusted;
    P32<VmCallbackRecord> callbacks[VM_CALLBACK_SLOTS];
    int32_t callbackCount;
    int32_t leftThroughExitFrame;
    void** guiHostTable;
    // the VM's own time when the run was suspended, to hold the sleepers' remaining time
    int64_t suspendedAt;
};
static VMBSS VmRun Run;

static inline int32_t get(const int32_t* word) { return atomicLoad(word); }
static inline void set(int32_t* word, int32_t value) { atomicStore(word, value); }

// ---------------------------------------------------------------------------------
// Reports to the host

static void notifyVmEventHandler(int32_t vmId, int32_t code, int32_t parameter) {
    if (Run.handler != nullptr) {
        if (code == MV_HOST_VM_STOPPED) {
            if (get(&VmState.stopCommanded))
                parameter = -11;
            else if (parameter > 1)
                parameter = -127;
        }
        Run.handler(vmId, code, parameter);
    }
    if (code != MV_HOST_VM_SUSPENDED) return;
    mvTraceLog_info("----- VM Busy Wait starting ...\n");
    while (get(&VmState.vmSuspended) == 1 && get(&VmState.stopRequested) == 0) sched_yield();
    mvTraceLog_info("----- VM Busy Wait done\n");
    if (get(&VmState.stopRequested) == 1) mvVmAbort(vmId);
}

void mvVm_notifyHost(int32_t code, int32_t parameter) {
    if (code < 1) return;
    notifyVmEventHandler(Run.vmId, code, parameter);
}

int32_t mvVmCallback_convertEvents(int32_t event) {
    if (event >= 1 && event <= 4) return event;
    if (event >= 11 && event <= 14) return event + 9;
    mvTraceLog_error("mvVmCallback_convertEvents : Illegal parameter.\n");
    return 0;
}

// ---------------------------------------------------------------------------------
// The VM callback table and the VM events

int32_t mvVmCallback_registerFunction(VmCallbackRecord* record) {
    if (Run.callbackCount >= VM_CALLBACK_SLOTS) return 0;
    Run.callbacks[Run.callbackCount++] = record;
    return 1;
}

enum { CALL_STARTED, CALL_SUSPENDED, CALL_RESUMED, CALL_STOPPED };

static void callCallbacks(int which) {
    for (int32_t i = 0; i < Run.callbackCount; i++) {
        VmCallbackRecord* r = Run.callbacks[i];
        VmCallbackFn fns[4] = {r->started.get(), r->suspended.get(), r->resumed.get(), r->stopped.get()};
        if (fns[which] != nullptr) fns[which](&Run.callbacks[i]);
    }
}

static void reportBetween(const char* name, int32_t code, int32_t parameter) {
    mvTraceLog_info("----- %s callback begin.\n", name);
    mvVm_notifyHost(code, parameter);
    mvTraceLog_info("----- %s callback end.\n", name);
}

void mvVmEvent_started(void) {
    reportBetween("MV_VMEVENT_VM_STARTED", MV_HOST_VM_STARTED, 0);
    callCallbacks(CALL_STARTED);
    set(&VmState.vmActive, 1);
}

static void eventSuspended(void) {
    callCallbacks(CALL_SUSPENDED);
    reportBetween("MV_VMEVENT_VM_SUSPENDED", MV_HOST_VM_SUSPENDED, 0);
}

static void eventResumed(void) {
    mvVmClock_start();
    callCallbacks(CALL_RESUMED);
    reportBetween("MV_VMEVENT_VM_RESUMED", MV_HOST_VM_RESUMED, 0);
}

void mvVmEvent_stopped(int32_t exitCode, int32_t report) {
    callCallbacks(CALL_STOPPED);
    if (report) reportBetween("MV_VMEVENT_VM_STOPPED", MV_HOST_VM_STOPPED, exitCode);
}

// Sleepers and timed waits keep the time they had left when the run was suspended.
static void shiftTimerQueue(int64_t delta) {
    for (ThreadRecord* t = TimerQueue; t != nullptr; t = t->nextAlarmThread) {
        int64_t wake = wakeupTimeOf(t);
        if (wake < INT64_MAX - delta) wake += delta;
        t->wakeupTime[0] = (uint32_t)wake;
        t->wakeupTime[1] = (uint32_t)((uint64_t)wake >> 32);
    }
}

static void ownSuspended(void*) {
    set(&VmState.vmSuspended, 1);
    set(&VmState.pauseRequested, 0);
    Run.suspendedAt = vmCurrentTime();
    mvRunHooks()->suspendPlatformResources();
}

static void ownResumed(void*) {
    set(&VmState.vmSuspended, 0);
    shiftTimerQueue(vmCurrentTime() - Run.suspendedAt);
    mvRunHooks()->resumePlatformResources();
}

static void ownStopped(void*) {
    // the ended run's labels and arrows must not stay on the bar
    ServiceHooks.MkSoftkeyResetLabels();
    if (!get(&VmState.inKvm)) return;
    mvRunHooks()->closeOpenFiles();
    set(&VmState.pauseRequested, 0);
    mvRunHooks()->finalizePlatformResources();
}

static VMBSS VmCallbackRecord OwnCallbacks;

VmCallbackRecord* mvVm_ownCallbacks(void) {
    OwnCallbacks.started = nullptr;
    OwnCallbacks.suspended = ownSuspended;
    OwnCallbacks.resumed = ownResumed;
    OwnCallbacks.stopped = ownStopped;
    return &OwnCallbacks;
}

// ---------------------------------------------------------------------------------
// VM side

static void checkVmId(int32_t vmId) {
    if (vmId != Run.vmId) mvTraceLog_warning("Warning: Illegal vmId.\n");
}

int32_t mvVmSuspend(int32_t vmId) {
    checkVmId(vmId);
    if (!get(&VmState.vmActive) || !get(&VmState.inKvm)) return -1;
    set(&VmState.vmActive, 0);
    set(&VmState.suspending, 1);
    eventSuspended();
    set(&VmState.suspending, 0);
    return 0;
}

int32_t mvVmResume(int32_t vmId) {
    checkVmId(vmId);
    if (get(&VmState.vmActive) || !get(&VmState.inKvm)) return -1;
    eventResumed();
    set(&VmState.vmActive, 1);
    return 0;
}

// The run ends through kvm_main's own exit, so that the classes, the heap and the
// class path are cleaned up as after any other end; the runner then skips the stopped
// report but still cleans up the run's files and resources.
static int32_t leaveRun(int32_t vmId, int32_t status) {
    checkVmId(vmId);
    if (!get(&VmState.inKvm)) return -1;
    Run.leftThroughExitFrame = 1;
    vmExitLongjmp(status);
}

int32_t mvVmExecuteStop(int32_t vmId) { return leaveRun(vmId, 1); }
int32_t mvVmAbort(int32_t vmId) { return leaveRun(vmId, -11); }

int32_t mvVm_leftThroughExitFrame(void) { return Run.leftThroughExitFrame; }
void mvVm_setLeftThroughExitFrame(int32_t left) { Run.leftThroughExitFrame = left; }

// ---------------------------------------------------------------------------------
// Service commands (host threads)

static bool acceptsCommand(int32_t vmId) {
    int32_t runId = get(&Run.vmId);
    return get(&VmState.vmRunning) == 1 && runId >= 1 && runId == vmId;
}

int32_t mvVmSuspendCommand(int32_t vmId) {
    if (vmId < 1) return -1;
    if (!acceptsCommand(vmId)) return -2;
    if (get(&VmState.vmSuspended) == 1) {
        mvK6Event_postProcessEvent(MV_PROCESS_RESUME, 0);
        set(&VmState.vmSuspended, 0);
    }
    set(&VmState.appPaused, 0);
    mvK6Event_postProcessEvent(MV_PROCESS_VM_EVENT, 7);
    atomicOr(&VmState.stateFlags, MV_STATE_SUSPENDED_BY_HOST);
    mvK6Event_postProcessEvent(MV_PROCESS_SUSPEND, 0);
    return 0;
}

int32_t mvVmResumeCommand(int32_t vmId) {
    if (!acceptsCommand(vmId) || get(&VmState.vmSuspended) != 1) return -2;
    atomicAnd(&VmState.stateFlags, ~(MV_STATE_PAUSE_REQUESTED | MV_STATE_PAUSED_BY_EVENT));
    if (get(&VmState.vmSuspended) == 1) {
        mvK6Event_postProcessEvent(MV_PROCESS_RESUME, 0);
        set(&VmState.vmSuspended, 0);
    }
    if (get(&VmState.appPaused) == 1) {
        set(&VmState.appPaused, 0);
        mvK6Event_postProcessEvent(MV_PROCESS_VM_EVENT, 100);
    } else if (get(&VmState.resumePending)) {
        mvK6Event_postProcessEvent(MV_PROCESS_VM_EVENT, 100);
    }
    return 0;
}

static int32_t pauseApp(void) {
    if (get(&VmState.appPaused) == 1 || get(&VmState.pauseRequested)) return -2;
    set(&VmState.pauseRequested, 1);
    atomicOr(&VmState.stateFlags, MV_STATE_PAUSE_REQUESTED);
    mvK6Event_postProcessEvent(MV_PROCESS_VM_EVENT, 103);
    return 0;
}

static int32_t pauseProcess(void) {
    if (get(&VmState.vmSuspended) == 1 || get(&VmState.pauseRequested)) return -2;
    set(&VmState.pauseRequested, 1);
    if (get(&VmState.selectorResumed)) set(&VmState.resumePending, 1);
    atomicOr(&VmState.stateFlags, MV_STATE_PAUSED_BY_EVENT);
    mvK6Event_postProcessEvent(MV_PROCESS_PAUSE, 0);
    return 0;
}

int32_t mvVmPauseCommand(int32_t vmId) {
    if (!acceptsCommand(vmId)) return -2;
    if (get(&VmState.appStarted) && get(&VmState.selectorShown) != 1) return pauseApp();
    return pauseProcess();
}

int32_t mvVmStopCommand(int32_t vmId) {
    if (!acceptsCommand(vmId)) return -2;
    set(&VmState.vmRunning, 0);
    set(&VmState.stopCommanded, 1);
    set(&VmState.vmSuspended, 0);
    atomicOr(&VmState.stateFlags, MV_STATE_STOPPED);
    set(&VmState.appPaused, 0);
    set(&VmState.stopRequested, 1);
    mvVm_wakeHost();
    return 0;
}

// ---------------------------------------------------------------------------------
// Application events

void onVmPaintReady(void) {
    mvTraceLog_info("----- VM MK_VMEVENT_VMPAINTREADY callback begin.\n");
    mvVm_notifyHost(MV_HOST_VM_PAINT_READY, 0);
    mvTraceLog_info("----- VM MK_VMEVENT_VMPAINTREADY callback end.\n");
}

void onAppStarted(void) {
    mvTraceLog_info("----- APP MK_VMEVENT_APPSTARTED callback begin.\n");
    mvVm_notifyHost(MV_HOST_APP_STARTED, 0);
    mvTraceLog_info("----- APP MK_VMEVENT_APPSTARTED callback end.\n");
}

void onAppDestroyed(void) {
    set(&VmState.appStarted, 0);
    mvTraceLog_info("----- APP MK_VMEVENT_APPDESTROYED callback begin.\n");
    mvVm_notifyHost(MV_HOST_APP_DESTROYED, 0);
    mvTraceLog_info("----- APP MK_VMEVENT_APPDESTROYED callback end.\n");
}

void onAppPaused(void) {
    if (get(&VmState.vmRunning) != 1) return;
    set(&VmState.appPaused, 1);
    if (!get(&VmState.inKvm)) return;
    mvTraceLog_info("----- APP MK_VMEVENT_APPPAUSED callback begin.\n");
    mvVm_notifyHost(MV_HOST_APP_PAUSED, 0);
    mvTraceLog_info("----- APP MK_VMEVENT_APPPAUSED callback end.\n");
    if (get(&VmState.selectorResumed)) set(&VmState.resumePending, 1);
    atomicOr(&VmState.stateFlags, MV_STATE_PAUSED_BY_EVENT);
    mvK6Event_postProcessEvent(MV_PROCESS_PAUSE, 0);
}

void onAppResumed(void) {
    set(&VmState.appPaused, 0);
    if (!get(&VmState.inKvm)) return;
    mvTraceLog_info("----- APP MK_VMEVENT_APPRESUMED callback begin.\n");
    mvVm_notifyHost(MV_HOST_APP_RESUMED, 0);
    mvTraceLog_info("----- APP MK_VMEVENT_APPRESUMED callback end.\n");
}

// ---------------------------------------------------------------------------------
// Accessors

int32_t mvVm_getVmId(void) { return Run.vmId; }
int32_t mvVm_isTrusted(void) { return Run.trusted; }
int32_t mvVm_getStateFlags(void) { return get(&VmState.stateFlags); }
void mvVm_setStateFlag(int32_t bits, int32_t on) {
    if (on == 1)
        atomicOr(&VmState.stateFlags, bits);
    else
        atomicAnd(&VmState.stateFlags, ~bits);
}
void mvVm_setSelectorShown(int32_t flag) { set(&VmState.selectorShown, flag); }
void mvVm_setSelectorResumed(int32_t flag) { set(&VmState.selectorResumed, flag); }
void mvVm_setResumePending(int32_t flag) { set(&VmState.resumePending, flag); }
void mvVm_setAppStarted(int32_t flag) { set(&VmState.appStarted, flag); }
void mvVm_setAppPaused(int32_t flag) { set(&VmState.appPaused, flag); }
int32_t mvVm_isStopRequested(void) { return get(&VmState.stopRequested); }
int32_t mvVm_isExitRequested(void) { return get(&VmState.exitRequested); }
int32_t mvVm_isInKvm(void) { return get(&VmState.inKvm); }
int32_t mvVm_isSuspending(void) { return get(&VmState.suspending); }

void mvVm_wakeHost(void) {
    set(&VmState.wake, 1);
    SysWakeEventSet();
}

void mvVm_clearWake(void) {
    set(&VmState.wake, 0);
    SysWakeEventReset();
}

void guiTk_setHostTable(void** table) { Run.guiHostTable = table; }
void** guiTk_getHostTable(void) { return Run.guiHostTable; }

void mvVm_beginRun(int32_t vmId, VmEventHandler handler, int32_t trusted) {
    set(&Run.vmId, vmId);
    Run.handler = handler;
    Run.trusted = trusted;
    Run.callbackCount = 0;
    Run.leftThroughExitFrame = 0;
}

void mvVm_setRunning(int32_t running) { set(&VmState.vmRunning, running); }
void mvVm_setInKvm(int32_t inKvm) { set(&VmState.inKvm, inKvm); }
void mvVm_setVmActive(int32_t active) { set(&VmState.vmActive, active); }

void mvVm_endKvm(void) {
    set(&VmState.inKvm, 0);
    set(&VmState.suspending, 0);
    set(&VmState.exitRequested, 0);
    set(&VmState.stopRequested, 0);
}

int32_t mvVm_takeStopCommanded(void) {
    int32_t commanded = get(&VmState.stopCommanded);
    set(&VmState.stopCommanded, 0);
    return commanded;
}
