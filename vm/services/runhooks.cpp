// The run's table of loader services, with defaults that do the least.
#include "vm/services/runhooks.h"

#include "platform/vmsections.h"

static int32_t noKvmMain(int, char**) { return -1; }
static int32_t noMemoryFile(const char*, const uint8_t*, int32_t (*)(uint8_t*, int32_t, int32_t), int32_t) {
    return -1;
}
static void noUnregister(const char*, int32_t) {}
static void nothing(void) {}

static const VmRunHooks DefaultRunHooks = {noKvmMain, noMemoryFile, noUnregister, nothing, nothing,
                                           nothing,   nothing,      nothing,      nothing};

// Kept across the run reset by the run start, like the key map the host installs.
static VMBSS VmRunHooks RunHooks;
static VMBSS int32_t RunHooksSet;

const VmRunHooks* mvRunHooks(void) { return RunHooksSet ? &RunHooks : &DefaultRunHooks; }

template <typename Fn>
static void take(Fn* slot, Fn given, Fn fallback) {
    *slot = given != nullptr ? given : fallback;
}

void mvVm_setRunHooks(const VmRunHooks* hooks) {
    RunHooksSet = hooks != nullptr;
    if (hooks == nullptr) return;
    const VmRunHooks& d = DefaultRunHooks;
    take(&RunHooks.kvmMain, hooks->kvmMain, d.kvmMain);
    take(&RunHooks.registerMemoryFile, hooks->registerMemoryFile, d.registerMemoryFile);
    take(&RunHooks.unregisterMemoryFile, hooks->unregisterMemoryFile, d.unregisterMemoryFile);
    take(&RunHooks.resetRegistries, hooks->resetRegistries, d.resetRegistries);
    take(&RunHooks.initNativeStackLimit, hooks->initNativeStackLimit, d.initNativeStackLimit);
    take(&RunHooks.suspendPlatformResources, hooks->suspendPlatformResources, d.suspendPlatformResources);
    take(&RunHooks.resumePlatformResources, hooks->resumePlatformResources, d.resumePlatformResources);
    take(&RunHooks.finalizePlatformResources, hooks->finalizePlatformResources, d.finalizePlatformResources);
    take(&RunHooks.closeOpenFiles, hooks->closeOpenFiles, d.closeOpenFiles);
}
