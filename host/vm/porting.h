// The porting layer's small system services: the two memory blocks a VM run lives in,
// the multimedia system properties, platform requests and the push-registry entries that only trace.
#pragma once

#include <stdint.h>

#include "platform/p32.h"

struct VmMemoryRecord {
    P32<void> heap;
    uint32_t heapSize;
    P32<void> arena;
    uint32_t arenaSize;
};
static_assert(sizeof(VmMemoryRecord) == 16, "four words");

enum : uint32_t { DEFAULT_JAVA_HEAP = 1945600, VM_ARENA_SIZE = 2097152 };

// 1 when both blocks were had (low memory: the VM keeps addresses in words); 0 with the
// record zeroed otherwise.
int32_t SysAllocVmMemory(VmMemoryRecord* record);
// Test seam: the allocator of the two blocks and its release (null restores lowAlloc and
// lowFree).
void SysSetVmMemoryAllocator(void* (*alloc)(uint32_t size), void (*release)(void* block));
const char* SysGetProperty(const char* name);
// 1 handed on, 2 opening a web address failed, 0 neither kind.
int32_t SysPlatformRequest(const char* request);
// Test seam: what opens a web address or places a call (null: the desktop's opener and
// no phone). Returns 0 on success.
void SysSetPlatformOpener(int32_t (*openUrl)(const char* url), int32_t (*dial)(const char* number));
int32_t kjava_push_startConn(int32_t suite, int32_t midlet, const char* protocol, int32_t port, const char* filter);
int32_t kjava_push_isAvailable(const char* protocol, int32_t port);
