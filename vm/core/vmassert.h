// Invariant checks of the VM core. On in test and sanitizer builds (MOVANE_VM_ASSERTS),
// compiled out of release builds; a failed check ends the run with a fatal error that
// names the condition and its place.
#pragma once

#include <stdint.h>

#if defined(MOVANE_VM_ASSERTS) && MOVANE_VM_ASSERTS
#define VM_ASSERTS_ON 1
[[noreturn]] void vmAssertFailed(const char* condition, const char* file, int line);
#define VM_ASSERT(condition) ((condition) ? (void)0 : vmAssertFailed(#condition, __FILE__, __LINE__))
#else
#define VM_ASSERTS_ON 0
#define VM_ASSERT(condition) ((void)sizeof(!(condition)))
#endif
