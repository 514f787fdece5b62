// Invariant checks of the platform layer. On in test and sanitizer builds
// (MOVANE_VM_ASSERTS), compiled out of release builds. The platform runs on host threads
// where the VM's fatal exit cannot be taken: a failed check names the condition and its
// place on standard error and aborts.
#pragma once

#if defined(MOVANE_VM_ASSERTS) && MOVANE_VM_ASSERTS
[[noreturn]] void platformAssertFailed(const char* condition, const char* file, int line);
#define PLATFORM_ASSERT(condition) ((condition) ? (void)0 : platformAssertFailed(#condition, __FILE__, __LINE__))
#else
#define PLATFORM_ASSERT(condition) ((void)sizeof(!(condition)))
#endif
