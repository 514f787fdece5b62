// The core's hook table and the defaults it starts with.
#include "vm/core/hooks.h"

#include <string.h>

#include "vm/core/classes.h"
#include "vm/core/exceptions.h"
#include "vm/core/frames.h"
#include "vm/core/heap.h"
#include "vm/trace/tracelog.h"

static void noLoadClassfile(ClassRecord* clazz, int) {
    char name[MESSAGE_BUFFER_SIZE];
    getClassNameBuffer(clazz, name, sizeof name);
    mvSprintf(MessageBuffer, MESSAGE_BUFFER_SIZE, "No class loader installed to load %s", name);
    fatalError(MessageBuffer);
}

// An array of a loaded element class (or of arrays) takes its access from the element.
static void completeArrayClass(ArrayClassRecord* clazz) {
    if (clazz->flags & 1) {
        ClassRecord* element = clazz->u.elemClass;
        if (element->status >= CLASS_LOADED || isArrayClass(element)) {
            clazz->accessFlags = (uint16_t)(0x1410 | (element->accessFlags & ACC_PUBLIC));
            clazz->flags = 0;
        }
    }
}

static void takeAsVerified(ClassRecord* clazz) {
    if (clazz->status < CLASS_VERIFIED) clazz->status = CLASS_VERIFIED;
}

static void runAsLoaded(MethodRecord*) {}

static int32_t noNativeFinalizer(OBJECT, ClassRecord*) { return 0; }

// Largest block a pinned allocation may ask for.
static const int32_t PINNED_BLOCK_LIMIT = 0x2000000;

static void* allocPinnedHeapBlock(int32_t size) {
    if (size < 1 || size > PINNED_BLOCK_LIMIT || memoryIsGarbageCollecting()) return nullptr;
    int32_t words = (size + (int32_t)sizeof(cell) - 1) / (int32_t)sizeof(cell);
    cell* block = mallocHeapObject(words, GCT_NOPOINTERS);
    if (block == nullptr) return nullptr;
    memset(block, 0, (size_t)words * sizeof(cell));
    lockObjectMemory(block);
    return block;
}

static void freePinnedHeapBlock(void* block) {
    if (block != nullptr) unlockObjectMemory(block);
}

static void noTimeSliceHook() {}

static void noHeapBlock(int32_t* size, void** start) {
    *size = 0;
    *start = nullptr;
}

static int32_t none() { return 0; }
static void nothing() {}

constexpr VmCoreHooks DefaultCoreHooks = {
    noLoadClassfile,
    completeArrayClass,
    takeAsVerified,
    runAsLoaded,
    noNativeFinalizer,
    allocPinnedHeapBlock,
    freePinnedHeapBlock,
    noTimeSliceHook,
    noHeapBlock,
    none,
    nothing,
    none,
    none,
    none,
    none,
    nothing,
    none,
};

VMHOOKS VmCoreHooks CoreHooks = DefaultCoreHooks;
