// The loader's hook table, its defaults, and the fill of the core's hooks.
#include "vm/loader/hooks.h"

#include "vm/core/heap.h"
#include "vm/core/hooks.h"
#include "vm/loader/classloader.h"
#include "vm/loader/prepare.h"
#include "vm/loader/registries.h"
#include "vm/loader/startup.h"
#include "vm/loader/verifier.h"

static NativeFunction noDynamicNative(ClassRecord*, const char*, const char*) { return nullptr; }
static int32_t acceptVmCallback(VmCallbackRecord*) { return 1; }
static void noTimerResume() {}
static int32_t noConnectionResource() { return 0; }
static int32_t noRandomAccessFileClose(int32_t) { return -1; }
static void** noHostServices() { return nullptr; }

static const uint16_t* noOptionText(const uint16_t*, int32_t, int32_t* answerLength) {
    if (answerLength != nullptr) *answerLength = 0;
    return nullptr;
}

static void nothing() {}
static int32_t none() { return 0; }
static char* permanentWord() { return (char*)callocPermanentObject(1); }

constexpr VmLoaderHooks DefaultLoaderHooks = {
    noDynamicNative,
    acceptVmCallback,
    noTimerResume,
    noConnectionResource,
    noRandomAccessFileClose,
    noHostServices,
    noOptionText,
    nullptr,
    nothing,
    none,
    permanentWord,
    nothing,
    nothing,
};

VMHOOKS VmLoaderHooks LoaderHooks = DefaultLoaderHooks;

static void handOverHeap(int32_t* size, void** start) { setVmHeap(size, start); }

void installClassLoader() {
    CoreHooks.loadClassfile = loadClassfile;
    CoreHooks.loadArrayClass = loadArrayClass;
    CoreHooks.verifyClass = verifyClass;
    CoreHooks.prepareMethod = prepareMethod;
    CoreHooks.runNativeFinalizer = runNativeFinalizer;
    CoreHooks.setVmHeap = handOverHeap;
}
