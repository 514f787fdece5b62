// What the collector needs of the class loader's subsystem: its native finalizer
// registry. Until that is linked in, no finalizer is registered.
#include "vm/core/gc.h"

__attribute__((weak)) int32_t runNativeFinalizer(OBJECT instance, ClassRecord* clazz) { return 0; }
