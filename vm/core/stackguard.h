// The guard that ends the run before native recursion (class lookup, linking) runs off
// the host thread's stack.
#pragma once

enum {
    // Room the native code of the VM may use below the stack position at start; the
    // x86 debug and sanitizer builds take far more per frame than the device did.
    NATIVE_STACK_SIZE = 1024 * 1024,
    // Kept free above the end of the thread's stack for the code between two checks and
    // for the fatal error's own path.
    NATIVE_STACK_RESERVE = 96 * 1024,
};

// Sets the limit from the current stack position (or from the end of the thread's
// stack when that comes first).
void initNativeStackLimit();
// Below the limit: the fatal "Native Stack Overflow" error.
void checkNativeStack();
