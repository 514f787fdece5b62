// The state of a VM run shared by the host's threads and the VM thread: the run state
// words, the service commands that change them, the VM-side suspend, resume and stop,
// the VM callback table, the VM and application events and the reports to the host.
#pragma once

#include <stdint.h>

#include "platform/p32.h"

// The host callback of a run: (vmId, event code, parameter), on the VM thread.
typedef void (*VmEventHandler)(int32_t vmId, int32_t code, int32_t parameter);

// Host event codes.
enum {
    MV_HOST_VM_STARTED = 1,
    MV_HOST_VM_SUSPENDED = 2,
    MV_HOST_VM_RESUMED = 3,
    MV_HOST_VM_STOPPED = 4,
    MV_HOST_VM_PAINT_READY = 10,
    MV_HOST_APP_STARTED = 20,
    MV_HOST_APP_PAUSED = 21,
    MV_HOST_APP_RESUMED = 22,
    MV_HOST_APP_DESTROYED = 23,
};

// stateFlags bits.
enum {
    MV_STATE_PAUSE_REQUESTED = 0x10,
    MV_STATE_PAUSED_BY_EVENT = 0x20,
    MV_STATE_SUSPENDED_BY_HOST = 0x40,
    MV_STATE_STOPPED = 0x70,
};

// Process event types.
enum { MV_PROCESS_PAUSE = 11, MV_PROCESS_RESUME = 12, MV_PROCESS_SUSPEND = 13, MV_PROCESS_VM_EVENT = 100 };

// A record of the VM callback table; each function gets the address of its table entry
// (a word holding the record's address).
typedef void (*VmCallbackFn)(void* entry);
struct VmCallbackRecord {
    P32Fn<VmCallbackFn> started;
    P32Fn<VmCallbackFn> suspended;
    P32Fn<VmCallbackFn> resumed;
    P32Fn<VmCallbackFn> stopped;
};
static_assert(sizeof(VmCallbackRecord) == 16, "VmCallbackRecord is four words");
enum { VM_CALLBACK_SLOTS = 20 };

// The run state words: 32-bit words, 0 at the start of every run.
struct VmRunState {
    int32_t vmRunning;
    int32_t inKvm;
    int32_t vmActive;
    int32_t suspending;
    int32_t vmSuspended;
    int32_t appPaused;
    int32_t stopRequested;
    int32_t stopCommanded;
    int32_t exitRequested;
    int32_t pauseRequested;
    int32_t selectorShown;
    int32_t selectorResumed;
    int32_t resumePending;
    int32_t appStarted;
    int32_t stateFlags;
    int32_t wake;
};
extern struct VmRunState VmState;

// Host side: 0 accepted, -1 a vmId below 1 (suspend only), -2 refused.
int32_t mvVmSuspendCommand(int32_t vmId);
int32_t mvVmResumeCommand(int32_t vmId);
int32_t mvVmPauseCommand(int32_t vmId);
int32_t mvVmStopCommand(int32_t vmId);

// VM side: 0 done, -1 not possible in this state. Stop and abort end the run with
// status 1 and -11 and do not return while kvm_main runs.
int32_t mvVmSuspend(int32_t vmId);
int32_t mvVmResume(int32_t vmId);
int32_t mvVmExecuteStop(int32_t vmId);
int32_t mvVmAbort(int32_t vmId);

// 1 registered, 0 when the table is full.
int32_t mvVmCallback_registerFunction(VmCallbackRecord* record);
// VM event number to host code (1..4 and 11..14); 0 with a trace for any other.
int32_t mvVmCallback_convertEvents(int32_t event);
// The VM events.
void mvVmEvent_started(void);
// The stopped functions, then (when report is set) host report 4 with the code.
void mvVmEvent_stopped(int32_t exitCode, int32_t report);

// Application events of the MIDlet natives.
void onVmPaintReady(void);
void onAppStarted(void);
void onAppPaused(void);
void onAppResumed(void);
void onAppDestroyed(void);

// The report gate: drops codes below 1, passes the rest to the run's notify function.
void mvVm_notifyHost(int32_t code, int32_t parameter);

// Accessors.
int32_t mvVm_getVmId(void);
int32_t mvVm_isTrusted(void);
int32_t mvVm_getStateFlags(void);
void mvVm_setStateFlag(int32_t bits, int32_t on);
void mvVm_setSelectorShown(int32_t flag);
void mvVm_setSelectorResumed(int32_t flag);
void mvVm_setResumePending(int32_t flag);
void mvVm_setAppStarted(int32_t flag);
void mvVm_setAppPaused(int32_t flag);
int32_t mvVm_isStopRequested(void);
int32_t mvVm_isExitRequested(void);
int32_t mvVm_isInKvm(void);
int32_t mvVm_isSuspending(void);
void mvVm_wakeHost(void);
void mvVm_clearWake(void);
void guiTk_setHostTable(void** table);
void** guiTk_getHostTable(void);

// For the run start: the run's id, handler and trust; clears the callback table.
void mvVm_beginRun(int32_t vmId, VmEventHandler handler, int32_t trusted);
void mvVm_setRunning(int32_t running);
void mvVm_setInKvm(int32_t inKvm);
void mvVm_setVmActive(int32_t active);
// Clears the words the runner clears when kvm_main returns.
void mvVm_endKvm(void);
// Set when the run was left by a stop, an abort or a platform error: no stopped report.
int32_t mvVm_leftThroughExitFrame(void);
void mvVm_setLeftThroughExitFrame(int32_t left);
// 1 when the stop command was given in this run; cleared by the run's end.
int32_t mvVm_takeStopCommanded(void);
// The VM's own callback record, registered at every start: a per-run record filled by
// this call (a word holding a function's address cannot be a constant).
VmCallbackRecord* mvVm_ownCallbacks(void);
