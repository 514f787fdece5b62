// The class loader's services for a VM run, as the run start takes them.
#include "vm/services/runhooks.h"

#include "vm/loader/classpath.h"
#include "vm/loader/registries.h"
#include "vm/loader/startup.h"

static void resetRegistries() {
    initSystemPackages();
    mvGenericConnection_reset();
    mvURLChecker_reset();
    initInternalPackages();
}

static int32_t kvmMain(int argc, char** argv) { return kvm_main(argc, argv); }
static void nativeStackLimit() { initNativeStackLimit(); }

const VmRunHooks LoaderRunHooks = {
    kvmMain,           registerMemoryFile,        unregisterMemoryFile,     resetRegistries,
    nativeStackLimit,  mvPlatformResourceSuspend, mvPlatformResourceResume, mvPlatformResourceFinalize,
    closeAllOpenFiles,
};
