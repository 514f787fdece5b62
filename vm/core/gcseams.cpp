// What the collector needs of parts built elsewhere: the native finalizer registry of
// the class loader's subsystem and the inline cache of the interpreter. Until they are
// linked in, no finalizer is registered and no call site is cached.
#include "vm/core/gc.h"

__attribute__((weak)) int32_t runNativeFinalizer(OBJECT instance, ClassRecord* clazz) { return 0; }

struct InlineCacheEntry;
__attribute__((weak)) InlineCacheEntry* getInlineCacheEntry(int index) { return nullptr; }
