// What the class loader's subsystem calls in the parts around it (the natives library,
// the VM callback table, the timer and connection natives, the random-access file
// porting layer, the toolkit's host services, the option texts, the generated class
// image, and the runtime services a run starts): one table of function pointers, filled
// by the program's start-up. Its defaults accept every call and do nothing.
#pragma once

#include <stdint.h>

#include "platform/vmsections.h"
#include "vm/core/records.h"
#include "vm/core/romimage.h"

struct VmCallbackRecord;

struct VmLoaderHooks {
    // The natives library's function for a native method of a loaded class, or null.
    NativeFunction (*lookupDynamicNative)(ClassRecord* clazz, const char* methodName, const char* signature);
    // Registers the record's callbacks with the VM; 1 when taken.
    int32_t (*mvVmCallback_registerFunction)(VmCallbackRecord* record);
    void (*timerResumeCountDown)();
    int32_t (*mvConnectionResource_init)();
    int32_t (*MkRandomAccessFileClose)(int32_t handle);
    // The toolkit's host-service table, or null.
    void** (*GuiTkGetHostServices)();
    // The porting layer's text of an option: UCS-2 units and their count, or null.
    const uint16_t* (*MkOptionGetString)(const uint16_t* key, int32_t keyLength, int32_t* answerLength);
    // The generated class image (tools/imagegen), or null: a run without it, or with a
    // memory file "/sys.jar", loads the system classes from that JAR.
    const RomImage* classImage;

    // The runtime services kvm_main starts (installRuntimeServices, vm/services/hooks.h).
    // The event system, before the main class is loaded.
    void (*mvK6Event_initialize)();
    // An exit was asked for while the start-up ran.
    int32_t (*mvVm_isExitRequested)();
    // The services' work buffer in permanent space, or null (the run ends). Default: a
    // word of permanent space.
    char* (*mvVm_allocWorkBuffer)();
    // The VM parts have started: the host hears of it, and the VM clock starts.
    void (*mvVmEvent_started)();
    void (*mvVmClock_start)();
};

extern VMHOOKS VmLoaderHooks LoaderHooks;
extern const VmLoaderHooks DefaultLoaderHooks;

// Fills the core's hooks (vm/core/hooks.h) with the class loader, the verifier, method
// preparation, the native finalizer registry and the run's heap hand-over.
void installClassLoader();
