// Hand-over of the run's heap block to the heap set-up: the runner keeps its start
// record, kvm_main cuts the block, the core's heap set-up takes it (CoreHooks.setVmHeap).
#include <stdint.h>

#include "platform/vmsections.h"
#include "vm/core/exceptions.h"
#include "vm/loader/startup.h"
#include "vm/trace/tracelog.h"

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
