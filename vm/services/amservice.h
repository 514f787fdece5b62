// The service interface: the flat Am functions through which the host glue, the host
// shell and host threads reach the VM's commands, memory and event queues.
#pragma once

#include <stdint.h>

#include "vm/services/descriptor.h"
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
// A movable block through its handle; -1 when none could be had.
MemHandle AmMemAllocHandle(int32_t size);
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

// The descriptor interface for host code: each forwards to the Qams function of the same
// name. The JAD and manifest view is their merge (the JAD's values win); a trimmed copy
// is the value's range without its blanks.
QamsEnv* AmEnvInitialize(int32_t memorySize, void* memory, int32_t* error);
int32_t AmEnvFinalize(QamsEnv* env);
QamsDescriptor* AmJadOpen(QamsEnv* env, int32_t size, const uint8_t* text, QamsReadFn read, int32_t* error);
QamsDescriptor* AmManifestOpen(QamsEnv* env, QamsJar* jar, int32_t* error);
int32_t AmJadClose(QamsEnv* env, QamsDescriptor* descriptor);
QamsJar* AmJarOpen(QamsEnv* env, int32_t size, const uint8_t* memory, QamsReadFn read, int32_t* error);
int32_t AmJarClose(QamsEnv* env, QamsJar* jar);
int32_t AmDescriptorCheckProfiles(QamsEnv* env, QamsDescriptor* d);
int32_t AmDescriptorCheckRequired(QamsEnv* env, QamsDescriptor* d);
int32_t AmDescriptorVerifyMatch(QamsEnv* env, QamsDescriptor* jad, QamsDescriptor* manifest, int32_t strict);
QamsDescriptor* AmDescriptorCopyValue(QamsEnv* env, QamsDescriptor* jad, QamsDescriptor* manifest, int32_t* error);
int32_t AmJarGetAttributeEntrySize(QamsEnv* env, QamsDescriptor* d, QamsJar* jar);
int32_t AmJarReadAttributeEntry(QamsEnv* env, QamsDescriptor* d, QamsJar* jar, uint8_t* buffer, int32_t bufferSize);
int32_t AmJarGetEntrySize(QamsEnv* env, QamsJar* jar, const char* name, int32_t nameLength);
int32_t AmJarReadEntry(QamsEnv* env, QamsJar* jar, const char* name, int32_t nameLength, uint8_t* buffer,
                       int32_t bufferSize);
int32_t AmDescriptorGetVersion(QamsEnv* env, QamsDescriptor* d, int32_t* major, int32_t* minor, int32_t* micro);
int32_t AmParseInt(const char* text, int32_t length, int32_t* error);
int32_t AmFindSeparator(const char* text, int32_t start, int32_t end, const char* pattern, int32_t patternLength);
const char* AmCopyTrimmed(const char* text, int32_t length, int32_t* outLength, int32_t* error);
const char* AmGetListElement(const char* text, int32_t length, int32_t n, int32_t* outLength, int32_t* error);
int32_t AmCountListElements(const char* text, int32_t length);
const char* AmDescriptorGetValueByIndex(QamsEnv* env, QamsDescriptor* d, int32_t index, int32_t* length,
                                        int32_t* error);
const char* AmDescriptorGetValueByKey(QamsEnv* env, QamsDescriptor* d, const char* key, int32_t keyLength,
                                      int32_t* length, int32_t* error);
const char* AmGetSupportedVersion(int32_t which, int32_t* length, int32_t* error);
