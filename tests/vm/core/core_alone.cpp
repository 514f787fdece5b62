// Linked with the whole core and nothing above it (the trace log and the platform
// only): the link itself shows the core calls no higher layer except through its hooks.
// The run checks that the default hooks stand in for the layers that are missing.
#include <stdio.h>

#include "vm/core/hooks.h"
#include "vm/core/opcodes.h"
#include "vm/core/utf.h"
#include "vm/trace/tracelog.h"

int main() {
    int failures = 0;
    const char* text = "\xc3\xa9";  // U+00E9 in UTF-8
    if (utf2unicode(&text) != 0xE9) failures++, puts("core alone: UTF-8 decoding is wrong");
    int32_t size = -1;
    void* start = &size;
    CoreHooks.setVmHeap(&size, &start);
    if (size != 0 || start != nullptr) failures++, puts("core alone: a heap came from nowhere");
    if (CoreHooks.isStopRequested() != 0 || CoreHooks.pendingEventTotal() != 0)
        failures++, puts("core alone: events came from nowhere");
    if (OpcodeStackWords[0x60].taken != 2 || OpcodeStackWords[0x60].left != 1)
        failures++, puts("core alone: iadd's stack effect is wrong");
    char line[32];
    mvSprintf(line, sizeof line, "%d words", 42);
    printf("core alone: %s, %d failures\n", line, failures);
    return failures == 0 ? 0 : 1;
}
