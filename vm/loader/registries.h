// Small VM-wide registries filled while a run starts and read while it runs: internal and
// system packages, the URL checker class, connection schemes, platform resources, open
// random-access files and native finalizers; and the start-up registrations of the
// VM's own parts.
#pragma once

#include <stdint.h>

#include "platform/vmsections.h"
#include "vm/core/records.h"

enum {
    INTERNAL_PACKAGE_SLOTS = 10,
    SYSTEM_PACKAGE_SLOTS = 5,
    SCHEME_TABLE_SIZE = 20,
};

void initInternalPackages();
void registerInternalPackages(const char* const* prefixes);
// Ends the run ("Cannot use class in Movane internal package") for an internal name.
void checkInternalPackage(const char* className);

void initSystemPackages();
// A sixth list ends the VM start with exit code -1.
void registerSystemPackages(const char* const* prefixes);
// 1 when name is a system class that jarName may not hold; "/sys.jar" holds none.
int32_t isSystemClass(const char* name, const char* jarName);

int32_t mvURLChecker_registerClassName(const char* className);
const char* mvURLChecker_getClassName();
void mvURLChecker_reset();

int32_t mvGenericConnection_register(const char* scheme, const char* className);
const char* mvGenericConnection_getClassName(const char* scheme);
int32_t mvGenericConnection_unregister(const char* scheme);
void mvGenericConnection_reset();

// Owned by the registering part; must outlive the run and lie in low memory (a global
// of the program, or lowAlloc).
typedef void (*PlatformResourceFn)(struct PlatformResource* record);
struct PlatformResource {
    P32<PlatformResource> next;
    P32Fn<PlatformResourceFn> suspend;
    P32Fn<PlatformResourceFn> resume;
    P32Fn<PlatformResourceFn> finalize;
};
static_assert(sizeof(PlatformResource) == 16, "PlatformResource is four words");

int32_t registerPlatformResource(PlatformResource* record);
void mvPlatformResourceSuspend();
void mvPlatformResourceResume();
void mvPlatformResourceFinalize();

int32_t registerOpenFile(int32_t handle);
void unregisterOpenFile(int32_t handle);
void closeAllOpenFiles();

struct NativeFinalizerRecord;
typedef int32_t (*NativeFinalizerFn)(OBJECT instance, NativeFinalizerRecord* record);
// Owned by the registering part, in low memory as above.
struct NativeFinalizerRecord {
    P32<NativeFinalizerRecord> next;
    P32<ClassRecord> clazz;
    P32Fn<NativeFinalizerFn> finalizer;
};
static_assert(sizeof(NativeFinalizerRecord) == 12, "NativeFinalizerRecord is three words");

int32_t registerNativeFinalizer(NativeFinalizerRecord* record);
int32_t runNativeFinalizer(OBJECT instance, ClassRecord* clazz);

int32_t mvParts_Initializer();

int32_t guiTk_hostImageWidth(void* surface);
int32_t guiTk_hostImageHeight(void* surface);
