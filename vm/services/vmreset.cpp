// Reset of the VM's variables before a run, and the VM clock.
#include "vm/services/vmreset.h"

#include <string.h>

#include "platform/clock.h"
#include "platform/vmsections.h"
#include "vm/core/exceptions.h"
#include "vm/services/keymap.h"
#include "vm/services/runhooks.h"
#include "vm/trace/tracelog.h"

static int64_t clockOrigin VMBSS;  // time of day at the last start or resume
static int64_t clockBase VMBSS;    // elapsed-time counter at the same moment
static bool clockStarted VMBSS;

int initVmSections(int mode) {
    int count = 0;
    MKT_Section_Info* records = MkSectionGetInfoR2(&count);
    return mvVmSections_reset(mode, records, count);
}

int mvVm_resetKeepingHostState(int mode) {
    KeyEntry map[KEY_STANDARD_ENTRIES];
    const KeyExtendedList* extended = nullptr;
    mvKey_getKeyMap(map, &extended);
    VmRunHooks hooks = *mvRunHooks();
    int result = initVmSections(mode);
    mvKey_setKeyMap(map, extended);
    mvVm_setRunHooks(&hooks);
    return result;
}

int mvVmSections_reset(int mode, const MKT_Section_Info* records, int count) {
    if (mode != MV_SECTIONS_FULL) {
        mvTraceLog_info("VM variable initialization.\n");
    }
    if (!records) {
        mvTraceLog_error("ERROR: the return value of MkSectionGetInfoR2() is NULL.\n");
        return -1;
    }
    if (count < 1) {
        mvTraceLog_error("ERROR: the arg of MkSectionGetInfoR2() is illegal.\n");
        return -2;
    }
    // Every record is checked before any is applied, so a bad one leaves nothing half reset.
    for (int i = 0; i < count; i++) {
        if (records[i].type < 0 || records[i].type > 10) {
            mvTraceLog_error("ERROR: MKT_Section_Info: type is illegal %d\n", records[i].type);
            return -3;
        }
    }
    for (int i = 0; i < count; i++) {
        const MKT_Section_Info* r = &records[i];
        if (mode != MV_SECTIONS_FULL && r->type != 1 && r->type != 2) {
            continue;
        }
        mvTraceLog_info("  type: %d\n", r->type);
        mvTraceLog_info("  bssAddress: 0x%p bssSize: 0x%x\n", (void*)r->bssAddress, r->bssSize);
        mvTraceLog_info("  dataAddress: 0x%p dataSize: 0x%x\n", (void*)r->dataAddress, r->dataSize);
        mvTraceLog_info("  initDataAddress: 0x%p\n", (void*)r->initDataAddress);
        if (r->bssSize != 0 && r->bssAddress) {
            memset(r->bssAddress, 0, r->bssSize);
        }
        if (r->dataSize != 0 && r->dataAddress && r->initDataAddress) {
            memcpy(r->dataAddress, r->initDataAddress, r->dataSize);
        }
    }
    return 0;
}

static int64_t joinWords(uint32_t high, uint32_t low) { return (int64_t)(((uint64_t)high << 32) | low); }

void mvVmClock_start(void) {
    uint32_t high, low;
    SysGetCurrentTimeMillis(&high, &low);
    int64_t timeOfDay = joinWords(high, low);
    SysGetElapsedTime(&high, &low);
    int64_t counter = joinWords(high, low);
    // A resume keeps the old origin when the time of day cannot be read.
    if (!clockStarted || timeOfDay != 0) {
        clockOrigin = timeOfDay;
        clockBase = counter;
        clockStarted = true;
    }
}

int64_t mvVmClock_now(void) {
    uint32_t high, low;
    SysGetElapsedTime(&high, &low);
    return joinWords(high, low);
}

int64_t mvVmClock_elapsed(void) { return mvVmClock_now() + clockOrigin - clockBase; }

void mvVmPlatformError(int code) {
    if (code < 1 || code > 32767) {
        code = 0;
    }
    mvTraceLog_error("ALERT: Platform API error: %d\n", code);
    vmExitLongjmp((int32_t)(0x80000001u + (uint32_t)code));
}
