// The Runtime.exit hook and the UTF-16 to byte-text helper of the library natives.
#include "vm/core/exithook.h"

#include <string.h>

#include "platform/vmsections.h"
#include "vm/core/hooks.h"
#include "vm/core/utf.h"

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
        char* block = (char*)CoreHooks.mvMemory_allocPointer(limit + 1);
        if (block == nullptr) return nullptr;
        block[0] = 0;
        if (count == 0) return block;
        uint32_t reached = 0, errors = 0;
        int result = convertUnicodeToBytes(units, 0, count, (uint8_t*)block, 0, limit, &reached, &errors, 0);
        if (result >= 0 && (int32_t)reached <= limit) {
            block[reached] = 0;
            return block;
        }
        CoreHooks.mvMemory_freePointer(block);
        limit += count;
    }
    return nullptr;
}
