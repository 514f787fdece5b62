// The Runtime.exit hook and the UTF-16 to byte-text helper of the library natives.
#include "vm/core/exithook.h"

#include <string.h>

#include "vm/core/heap.h"
#include "vm/core/utf.h"
#include "vm/core/vmsections.h"

static VMBSS RuntimeExitHook ExitHook;

void setRuntimeExitHook(RuntimeExitHook hook) { ExitHook = hook; }

int32_t callRuntimeExitHook(int32_t exitCode) {
    if (ExitHook == nullptr) return 0;
    ExitHook(exitCode);
    return 1;
}

char* convertUnicodeString(const uint16_t* units, int32_t count) {
    int32_t limit = 2 * count;
    // Most texts fit twice their units; the second attempt allows three bytes each.
    for (int attempt = 0; attempt < 2; attempt++) {
        char* block = (char*)mvMemory_allocPointer(limit + 1);
        if (block == nullptr) return nullptr;
        block[0] = 0;
        if (count == 0) return block;
        uint32_t reached = 0, errors = 0;
        int result = convertUnicodeToBytes(units, 0, count, (uint8_t*)block, 0, limit, &reached, &errors, 0);
        if (result >= 0 && (int32_t)reached <= limit) {
            block[reached] = 0;
            return block;
        }
        mvMemory_freePointer(block);
        limit += count;
    }
    return nullptr;
}

// Until the memory interface with its handles lands: a pinned block of the Java heap,
// which the collector frees once it is unpinned and no longer referenced.
__attribute__((weak)) void* mvMemory_allocPointer(int32_t size) {
    if (size < 1 || size > 0x2000000 || memoryIsGarbageCollecting()) return nullptr;
    int32_t words = (size + 3) / 4;
    cell* block = mallocHeapObject(words, GCT_NOPOINTERS);
    if (block == nullptr) return nullptr;
    memset(block, 0, (size_t)words * 4);
    lockObjectMemory(block);
    return block;
}

__attribute__((weak)) void mvMemory_freePointer(void* block) {
    if (block != nullptr) unlockObjectMemory(block);
}
