// What the collector needs of the class loader's subsystem: its native finalizer
// registry. A weak stand-in for the core's own tests, which link no loader: there no
// finalizer is registered.
#include "vm/core/gc.h"

__attribute__((weak)) int32_t runNativeFinalizer(OBJECT instance, ClassRecord* clazz) { return 0; }
