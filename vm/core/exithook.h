// What Runtime.exit does, decided by the VM start: a hook that may refuse the exit; and
// the conversion of a Java string's UTF-16 units to a NUL-terminated byte text for the
// natives that hand keys to the host.
#pragma once

#include <stdint.h>

typedef void (*RuntimeExitHook)(int32_t exitCode);

// Null removes the hook.
void setRuntimeExitHook(RuntimeExitHook hook);
// 0 when no hook is set; otherwise calls it with the code and answers 1.
int32_t callRuntimeExitHook(int32_t exitCode);

// The text in a block of CoreHooks.mvMemory_allocPointer (free it with its
// mvMemory_freePointer), or null when no block could be had or the units do not convert into three bytes each.
char* convertUnicodeString(const uint16_t* units, int32_t count);
