// Native stack guard.
#include "vm/core/stackguard.h"

#include <stdint.h>

#include "platform/stack.h"
#include "platform/vmsections.h"
#include "vm/core/exceptions.h"
#include "vm/trace/tracelog.h"

static VMBSS uintptr_t NativeStackLimit;

static uintptr_t stackPosition() { return (uintptr_t)__builtin_frame_address(0); }

void initNativeStackLimit() {
    uintptr_t position = stackPosition();
    uintptr_t limit = position > NATIVE_STACK_SIZE ? position - NATIVE_STACK_SIZE : 0;
    // a thread with less stack than that (a small stack limit) ends earlier
    uintptr_t lowest = SysStackLowest();
    if (lowest != 0 && lowest + NATIVE_STACK_RESERVE > limit) limit = lowest + NATIVE_STACK_RESERVE;
    NativeStackLimit = limit;
}

void checkNativeStack() {
    if (NativeStackLimit != 0 && stackPosition() < NativeStackLimit) {
        mvSprintf(MessageBuffer, MESSAGE_BUFFER_SIZE, "Native Stack Overflow. Stack Size:%d\n", NATIVE_STACK_SIZE);
        fatalVMError(MessageBuffer);
    }
}
