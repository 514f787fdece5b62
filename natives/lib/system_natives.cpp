// System natives: identity hash codes, array copies, the clock and system properties.
#include "natives/lib/system_natives.h"

#include <string.h>

#include "natives/lib/nativestack.h"
#include "vm/core/classes.h"
#include "vm/core/exceptions.h"
#include "vm/core/exithook.h"
#include "vm/core/heap.h"
#include "vm/core/hooks.h"
#include "vm/core/native.h"
#include "vm/services/properties.h"
#include "vm/services/vmreset.h"

void Java_java_lang_System_identityHashCode() {
    OBJECT object = popObject();
    pushInt(object == nullptr ? 0 : objectHashCode(object));
}

enum { ARRAY_KIND_PRIMITIVE = GCT_ARRAY };

void Java_java_lang_System_arraycopy() {
    int32_t length = popInt();
    int32_t dstPos = popInt();
    ArrayObject* dst = (ArrayObject*)popObject();
    int32_t srcPos = popInt();
    ArrayObject* src = (ArrayObject*)popObject();
    if (src == nullptr || dst == nullptr) raiseException(NullPointerException);
    if (!isArrayClass(src->clazz) || !isArrayClass(dst->clazz)) raiseException(ArrayStoreException);
    ArrayClassRecord* srcClass = asArrayClass(src->clazz);
    ArrayClassRecord* dstClass = asArrayClass(dst->clazz);
    bool primitive = srcClass->gcType == ARRAY_KIND_PRIMITIVE;
    if (srcClass->gcType != dstClass->gcType || (primitive && srcClass->u.primType != dstClass->u.primType))
        raiseException(ArrayStoreException);
    if (length < 0 || srcPos < 0 || dstPos < 0 ||
        (length > 0 &&
         ((int32_t)((uint32_t)srcPos + (uint32_t)length) < 0 || (int32_t)((uint32_t)dstPos + (uint32_t)length) < 0)) ||
        (int64_t)srcPos + length > (int64_t)src->length || (int64_t)dstPos + length > (int64_t)dst->length)
        raiseException(ArrayIndexOutOfBoundsException);
    if (primitive) {
        uint32_t size = srcClass->itemSize;
        memmove((char*)&dst->u + (size_t)dstPos * size, (char*)&src->u + (size_t)srcPos * size, (size_t)length * size);
        return;
    }
    // The type tests may load a class, which may move both arrays.
    ClassRecord* dstElement = dstClass->u.elemClass;
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&src);
    makeTemporaryRoot(&dst);
    if (isAssignableTo(srcClass->u.elemClass, dstElement)) {
        memmove(&dst->u.odata[dstPos], &src->u.odata[srcPos], (size_t)length * 4);
        TemporaryRootsLength = savedRoots;
        return;
    }
    // Element by element: the elements before one that does not fit are copied.
    for (int32_t i = 0; i < length; i++) {
        OBJECT element = src->u.odata[srcPos + i];
        if (element != nullptr && !isAssignableTo(element->clazz, dstElement)) raiseException(ArrayStoreException);
        dst->u.odata[dstPos + i] = src->u.odata[srcPos + i];
    }
    TemporaryRootsLength = savedRoots;
}

void Java_java_lang_System_currentTimeMillis() { pushLong(mvVmClock_elapsed()); }

// Objects of permanent space (interned strings and their characters) never move and
// carry no header to count pins in.
static bool movable(const void* object) {
    return (uintptr_t)object >= (uintptr_t)HeapStart && (uintptr_t)object < (uintptr_t)PermanentBoundary;
}
static void pin(void* object) {
    if (movable(object)) lockObjectMemory(object);
}
static void unpin(void* object) {
    if (movable(object)) unlockObjectMemory(object);
}

void Java_java_lang_System_getProperty0() {
    StringInstance* key = (StringInstance*)popObject();
    if (key == nullptr) raiseException(NullPointerException);
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&key);
    // The characters stay in place while the text is made from them.
    pin(key);
    pin(key->value);
    char* text = convertUnicodeString(getStringCharsPointer(key), key->count);
    unpin(key->value);
    unpin(key);
    if (text == nullptr) throwObject(OutOfMemoryObject);
    StringInstance* value = nullptr;
    makeTemporaryRoot(&value);
    const char* found = mvProperty_getUtf8(text);
    CoreHooks.mvMemory_freePointer(text);
    if (found != nullptr) value = instantiateStringFromUtf(found, (int)strlen(found));
    TemporaryRootsLength = savedRoots;
    pushObject(value);
}
