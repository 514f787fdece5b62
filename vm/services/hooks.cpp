// The services' hook table and its defaults.
#include "vm/services/hooks.h"

static const uint16_t* noPlatformProperty(const uint16_t*, int32_t, int32_t* valueLength) {
    if (valueLength != nullptr) *valueLength = 0;
    return nullptr;
}

static void noSoftkeys() {}

constexpr VmServiceHooks DefaultServiceHooks = {noPlatformProperty, noSoftkeys};

VMHOOKS VmServiceHooks ServiceHooks = DefaultServiceHooks;
