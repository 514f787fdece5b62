// The service interface: the flat Am functions through which the host glue, the host
// shell and host threads reach the VM's commands, memory and event queues.
#pragma once

#include <stdint.h>

#include "vm/services/keymap.h"
#include "vm/services/memory.h"
#include "vm/services/vmstart.h"

int32_t AmMovaneInitialize(void);
int32_t AmVmStartMIDP(int32_t vmId, int32_t heapSize, void* heapAddr, const MKT_MIDP_Application* app,
                      VmEventHandler handler, int32_t paramCount, const char* const* params, const int32_t* paramLens);
int32_t AmVmSuspend(int32_t vmId);
int32_t AmVmResume(int32_t vmId);
int32_t AmVmStop(int32_t vmId);
int32_t AmVmPause(int32_t vmId);

// Serialised among all callers of the service interface, whatever their thread.
void* AmMemAllocPointer(int32_t size);
void AmMemFreePointer(void* pointer);
int32_t AmMemFreeHandle(MemHandle handle);
void* AmMemLockHandle(MemHandle handle);
int32_t AmMemUnlockHandle(MemHandle handle);

// Events into the VM: nonzero when posted.
int32_t AmPostKeyEvent(int32_t action, int32_t keyCode, int32_t argument);
int32_t AmPostPointerEvent(int32_t action, int32_t x, int32_t y, int32_t fourth);
int32_t AmPostMidpEvent(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e);
int32_t AmPostRepaintEvent(void);
int32_t AmFlushRepaintEvents(void);
int32_t AmPostSetCurrentEvent(void);
int32_t AmPostSizeChangedEvent(int32_t width, int32_t height);
int32_t AmPostShowNotify(int32_t shown);

// A request's completion block, seven words {f, target, type, b, c, d, e}.
typedef void (*AmRequestCallback)(int32_t* block);
int32_t AmPostRequest(int32_t target, int32_t a, int32_t type, int32_t b, int32_t c, int32_t d, int32_t e, int32_t f,
                      AmRequestCallback callback);
int32_t AmPostRepaintRequest(void);
enum { AM_REQUEST_SYNC = 0x10000, AM_REQUEST_REPAINT = 0x10002 };

void AmObtainEventQueue(int32_t value);
void AmReleaseEventQueue(void);
int32_t AmSetKeyMap(const KeyEntry* table, const KeyExtendedList* extended);

typedef int32_t (*AmInputHook)(int32_t* record, int32_t n);
int32_t AmSetInputHook(int32_t type, int32_t action, AmInputHook hook);
AmInputHook AmGetInputHook(int32_t type, int32_t action);
