// The start-up of a test program that links the class image, the class loader and the
// library natives, as movane-kvm's own: the hook tables reach all three.
#include "natives/lib/bindings.h"
#include "tools/imagegen/classimage.h"
#include "vm/loader/hooks.h"

static bool fillHooks() {
    installClassLoader();
    installLibraryNatives();
    LoaderHooks.classImage = &MovaneClassImage;
    return true;
}

static const bool HooksFilled = fillHooks();
