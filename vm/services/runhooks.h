// What a VM run needs of the class loader (kvm_main, the named memory files, the
// registries of packages, schemes and platform resources, the open files): a table
// the program's start-up fills. Missing entries do the least.
#pragma once

#include <stdint.h>

struct VmRunHooks {
    int32_t (*kvmMain)(int argc, char** argv);
    int32_t (*registerMemoryFile)(const char* name, const uint8_t* data, int32_t (*read)(uint8_t*, int32_t, int32_t),
                                  int32_t size);
    void (*unregisterMemoryFile)(const char* name, int32_t handle);
    // forgets the system packages, the connection schemes and the URL checker, and
    // registers the internal packages again
    void (*resetRegistries)(void);
    void (*initNativeStackLimit)(void);
    void (*suspendPlatformResources)(void);
    void (*resumePlatformResources)(void);
    void (*finalizePlatformResources)(void);
    void (*closeOpenFiles)(void);
};

// The table in force; every entry is set.
const VmRunHooks* mvRunHooks(void);
// Takes the set entries of hooks; null gives the defaults back.
void mvVm_setRunHooks(const VmRunHooks* hooks);

// kvm_main and the loader's registries as a VM run takes them.
extern const VmRunHooks LoaderRunHooks;
