// The start-up of a test program that links the class image, the class loader and the
// natives libraries, as movane-kvm's own: the hook tables reach them all.
#include "media/bindings.h"
#include "natives/lib/bindings.h"
#include "natives/ui/bindings.h"
#include "tools/imagegen/classimage.h"
#include "vm/loader/hooks.h"
#include "vm/services/hooks.h"

static bool fillHooks() {
    installClassLoader();
    installRuntimeServices();
    installLibraryNatives();
    installUiNatives();
    installMediaNatives();
    LoaderHooks.classImage = &MovaneClassImage;
    return true;
}

static const bool HooksFilled = fillHooks();
