// Hand-over of the run's heap block to the heap set-up, and the end of a run after a
// platform error.
#include <stdint.h>

#include "vm/core/exceptions.h"
#include "vm/core/vmsections.h"
#include "vm/services/tracelog.h"
#include "vm/services/vmreset.h"

static KvmStartRecord* keptStartRecord VMBSS;

void mvVm_keepStartRecord(KvmStartRecord* record) { keptStartRecord = record; }

KvmStartRecord* mvVm_getStartRecord(void) { return keptStartRecord; }

void* setVmHeap(int32_t* size, void** start) {
    if (!keptStartRecord) {
        fatalError("No heap block for the run");
    }
    void* heapStart = keptStartRecord->heapStart;
    int32_t heapSize = keptStartRecord->heapSize & ~3;
    if (((uintptr_t)heapStart & 3) != 0) {
        mvTraceLog_error("Heap address is 0x%p\n", heapStart);
        fatalError("Heap address is not four-byte aligned");
    }
    if (size) {
        *size = heapSize;
    }
    if (start) {
        *start = heapStart;
    }
    mvTraceLog_info("VM heap 0x%p 0x%x\n", heapStart, (uint32_t)heapSize);
    return heapStart;
}

void mvVmPlatformError(int code) {
    if (code < 1 || code > 32767) {
        code = 0;
    }
    mvTraceLog_error("ALERT: Platform API error: %d\n", code);
    vmExitLongjmp((int32_t)(0x80000001u + (uint32_t)code));
}
