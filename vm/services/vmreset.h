// Start-of-run state of the VM: the reset of its variables (the "vmdata" and "vmbss"
// sections), the VM clock, and the exit of a run after a platform error. (The hand-over
// of the run's heap block lies below, with kvm_main: vm/loader/startup.h.)
#pragma once

#include <stdint.h>

#include "platform/p32.h"
#include "platform/sections.h"

// Modes of initVmSections.
enum {
    MV_SECTIONS_FULL = 0,     // every record; before every start request
    MV_SECTIONS_PER_RUN = 1,  // records of types 1 and 2; at the start of a run
};

// Restores "vmdata" from the initial-data copy and clears "vmbss". 0 on success, -1 when
// there are no section records, -2 for a count below 1, -3 for a type outside 0..10.
int initVmSections(int mode);
// The same over the given records (initVmSections passes the platform's).
int mvVmSections_reset(int mode, const MKT_Section_Info* records, int count);
// initVmSections for a start: what the host installed before it (the key map and the
// loader's run hooks) lives in the reset sections too, and is kept across the reset.
int mvVm_resetKeepingHostState(int mode);

// The VM clock, in milliseconds. start records the time of day and the elapsed-time
// counter (always at the first call of a run, afterwards only when the time of day
// is not 0); elapsed is the Java time of day; now is the counter alone.
void mvVmClock_start(void);
int64_t mvVmClock_elapsed(void);
int64_t mvVmClock_now(void);

// Ends the run with exit status 0x80000001 + code (codes outside 1..32767 count as 0).
[[noreturn]] void mvVmPlatformError(int code);
