// Weak stand-ins for what class lookup needs of the class-file loader and the verifier,
// for the core's own tests, which link no loader: there a class that is not in the class
// image cannot be loaded, and every class given to the VM is already verified. Programs
// link the loader's definitions (a CTest case checks movane-kvm does).
#include "vm/core/classes.h"
#include "vm/core/exceptions.h"
#include "vm/core/frames.h"

__attribute__((weak)) void loadClassfile(ClassRecord* clazz, int fatalOnError) {
    char name[MESSAGE_BUFFER_SIZE];
    getClassNameBuffer(clazz, name, sizeof name);
    raiseExceptionWithMessage(NoClassDefFoundError, name);
}

__attribute__((weak)) void loadArrayClass(ArrayClassRecord* clazz) {
    if (clazz->flags & 1) {
        ClassRecord* element = clazz->u.elemClass;
        if (element->status >= CLASS_LOADED || isArrayClass(element)) {
            clazz->accessFlags = (uint16_t)(0x1410 | (element->accessFlags & ACC_PUBLIC));
            clazz->flags = 0;
        }
    }
}

__attribute__((weak)) void verifyClass(ClassRecord* clazz) {
    if (clazz->status < CLASS_VERIFIED) clazz->status = CLASS_VERIFIED;
}

// The VM start's hook at the end of every time slice; empty.
__attribute__((weak)) void timeSliceHook() {}

// Method preparation comes with the class loader; without it methods run as loaded.
__attribute__((weak)) void prepareMethod(MethodRecord* method) {}
