// Class natives: a Class object is the class record itself.
#include "natives/lib/class_natives.h"

#include <string.h>

#include "natives/lib/nativestack.h"
#include "vm/core/classes.h"
#include "vm/core/exceptions.h"
#include "vm/core/frames.h"
#include "vm/core/gc.h"
#include "vm/core/heap.h"
#include "vm/core/hooks.h"
#include "vm/core/native.h"
#include "vm/core/resolve.h"
#include "vm/core/romimage.h"
#include "vm/core/tables.h"
#include "vm/core/utf.h"
#include "vm/loader/classloader.h"

static const char InstantiationException[] = "java/lang/InstantiationException";
static const char IllegalAccessException[] = "java/lang/IllegalAccessException";

static inline ClassRecord* popClass() { return (ClassRecord*)popObject(); }

void Java_java_lang_Object_getClass() { *Regs.sp = p32Cell(p32Ptr<Instance>(*Regs.sp)->clazz); }

void Java_java_lang_Object_hashCode() { pushInt(objectHashCode(popObject())); }

void Java_java_lang_Class_isInterface() { pushInt((popClass()->accessFlags & ACC_INTERFACE) ? 1 : 0); }

void Java_java_lang_Class_isArray() { pushInt((popClass()->accessFlags & ACC_ARRAY_CLASS) ? 1 : 0); }

void Java_java_lang_Class_forName() {
    StringInstance* string = (StringInstance*)popObject();
    if (string == nullptr) raiseException(NullPointerException);
    // A name too long for the buffer names no class.
    // The name in the class-file form of the name table, not cut to 8 bits.
    char name[MESSAGE_BUFFER_SIZE];
    const uint16_t* chars = getStringCharsPointer(string);
    if (unicode2utfstrlen(chars, string->count) >= MESSAGE_BUFFER_SIZE) raiseException(ClassNotFoundException);
    unicode2utf(chars, string->count, name, sizeof name);
    if (strchr(name, '/') != nullptr) raiseException(ClassNotFoundException);
    replaceLetters(name, '.', '/');
    if (!verifyName(name, NAME_KIND_CLASS)) raiseException(ClassNotFoundException);
    ClassRecord* clazz = getRawClassX(name, 0, (int)strlen(name));
    if (isArrayClass(clazz)) {
        pushObject(clazz);
        return;
    }
    if (clazz->status == CLASS_ERROR) raiseException(NoClassDefFoundError);
    if (clazz->status == CLASS_RAW) {
        classNotFoundMode = 1;
        CoreHooks.loadClassfile(clazz, 1);
    }
    pushObject(clazz);
    if (!classIsReady(clazz)) initializeClass(clazz);
}

// Return from the constructor run by newInstance: the custom-code frame goes, and the
// new object it left in the caller's result slot stays.
static void newInstanceReturn(FrameRecord* exceptionFrame) {
    if (exceptionFrame == nullptr) popFrame();
}

void Java_java_lang_Class_newInstance() {
    ClassRecord* clazz = popClass();
    ClassRecord* caller = Regs.fp != nullptr ? Regs.fp->thisMethod->ofClass : nullptr;
    if (clazz->accessFlags & (ACC_INTERFACE | ACC_ABSTRACT | ACC_ARRAY_CLASS)) raiseException(InstantiationException);
    if (!classHasAccessToClass(caller, clazz)) raiseException(IllegalAccessException);
    MethodRecord* init = lookupMethod(clazz, initNameAndType, nullptr);
    if (init == nullptr || init->ofClass != clazz) raiseException(IllegalAccessException);
    if (!classHasAccessToMember(caller, init->accessFlags & ~(uint32_t)ACC_PROTECTED, clazz, clazz))
        raiseException(IllegalAccessException);
    int32_t savedRoots = TemporaryRootsLength;
    OBJECT object = nullptr;
    makeTemporaryRoot(&clazz);
    makeTemporaryRoot(&object);
    object = instantiate(clazz);
    if (clazz->cleanup != nullptr) registerCleanup(&object, clazz->cleanup);
    pushObject(object);
    pushFrame(RunCustomCodeMethod);
    pushObject((void*)&newInstanceReturn);
    pushObject(object);
    CoreHooks.prepareMethod(init);
    pushObject(object);
    pushFrame(init);
    // A class not yet initialised runs its static initialiser before the constructor.
    if (!classIsReady(clazz)) initializeClass(clazz);
    TemporaryRootsLength = savedRoots;
}

void Java_java_lang_Class_getName() {
    ClassRecord* clazz = popClass();
    char name[MESSAGE_BUFFER_SIZE];
    getClassNameBuffer(clazz, name, sizeof name);
    replaceLetters(name, '/', '.');
    pushObject(instantiateStringFromUtf(name, (int)strlen(name)));
}

void Java_java_lang_Class_isInstance() {
    OBJECT object = popObject();
    ClassRecord* clazz = popClass();
    pushInt(object != nullptr && isAssignableTo(object->clazz, clazz) ? 1 : 0);
}

void Java_java_lang_Class_isAssignableFrom() {
    ClassRecord* other = popClass();
    ClassRecord* clazz = popClass();
    if (other == nullptr) raiseException(NullPointerException);
    pushInt(isAssignableTo(other, clazz) ? 1 : 0);
}
