// Catch frames, protected calls and the by-name field lookups of the native interface.
#include "vm/core/native.h"

#include <string.h>

#include "vm/core/classes.h"
#include "vm/core/exceptions.h"
#include "vm/core/resolve.h"
#include "vm/core/romimage.h"
#include "vm/core/tables.h"
#include "vm/core/thread.h"
#include "vm/trace/tracelog.h"

void pushCatchFrame(CatchFrame* frame, jmp_buf* buffer) {
    frame->jumpBuffer = buffer;
    frame->throwable = nullptr;
    frame->tempRootCount = TemporaryRootsLength;
    frame->previous = CurrentCatchFrame;
    CurrentCatchFrame = frame;
}

void popCatchFrame(CatchFrame* frame) {
    CurrentCatchFrame = frame->previous;
    TemporaryRootsLength = frame->tempRootCount;
}

// An exception that reached a protected call goes on in the current Java thread.
static void throwIntoJavaThread(OBJECT exception) {
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&exception);
    throwException(&exception);
    TemporaryRootsLength = savedRoots;
}

void tryRaiseException(const char* className) {
    VM_TRY
    raiseException(className);
    VM_CATCH(e)
    throwIntoJavaThread(e);
    VM_END_TRY
}

void tryRaiseExceptionWithMessage(const char* className, const char* message) {
    VM_TRY
    raiseExceptionWithMessage(className, message);
    VM_CATCH(e)
    throwIntoJavaThread(e);
    VM_END_TRY
}

ClassRecord* tryGetClass(const char* className) {
    ClassRecord* volatile result = nullptr;
    VM_TRY
    result = getClass(className);
    VM_CATCH(e)
    (void)e;
    result = nullptr;
    VM_END_TRY
    return result;
}

static ArrayObject* tryNewArray(int type, const void* source, int32_t length, size_t bytes) {
    ArrayObject* volatile result = nullptr;
    VM_TRY
    result = instantiateArray(PrimitiveArrayClasses[type], length);
    VM_CATCH(e)
    throwIntoJavaThread(e);
    return nullptr;
    VM_END_TRY
    if (result != nullptr && source != nullptr) memcpy(result->u.bdata, source, bytes);
    return result;
}

ArrayObject* tryNewByteArray(const void* source, int32_t length) {
    return tryNewArray(T_BYTE, source, length, (size_t)(length > 0 ? length : 0));
}

ArrayObject* tryNewIntArray(const void* source, int32_t count) {
    return tryNewArray(T_INT, source, count, (size_t)(count > 0 ? count : 0) * 4);
}

StringInstance* tryInstantiateString(const char* text, int32_t length) {
    StringInstance* volatile result = nullptr;
    VM_TRY
    result = instantiateStringFromUtf(text, length);
    VM_CATCH(e)
    (void)e;
    fatalOutOfMemoryError();
    VM_END_TRY
    return result;
}

StringInstance* tryInstantiateStringFromUnicode(const uint16_t* chars, int32_t length) {
    StringInstance* volatile result = nullptr;
    VM_TRY
    result = instantiateStringFromUnicode(chars, length);
    VM_CATCH(e)
    (void)e;
    fatalOutOfMemoryError();
    VM_END_TRY
    return result;
}

void throwOutOfMemoryObject() { throwIntoJavaThread(OutOfMemoryObject); }
void fatalOutOfMemoryError() { fatalError("OutOfMemoryError"); }
void nativeFatalError(const char* message) { fatalError(message); }
void nativeLongjmpExit(int32_t code) { vmExitLongjmp(code); }

static FieldRecord* findFieldByName(ClassRecord* clazz, const char* name, const char* signature) {
    uint32_t key = getNameAndTypeKey(name, signature);
    for (ClassRecord* c = clazz; c != nullptr; c = c->superClass) {
        FieldTable* table = c->fieldTable;
        if (table == nullptr) continue;
        for (uint32_t i = 0; i < table->length; i++) {
            FieldRecord* f = &table->fields[i];
            if ((f->nameKey | ((uint32_t)f->typeKey << 16)) == key) return f;
        }
    }
    return nullptr;
}

int getFieldIndex(const char* name, const char* signature, ClassRecord* clazz) {
    if (memoryIsGarbageCollecting()) fatalError("getFieldIndex failed. GC is running. ");
    FieldRecord* f = findFieldByName(clazz, name, signature);
    if (f == nullptr || (f->accessFlags & ACC_STATIC)) {
        mvSprintf(MessageBuffer, MESSAGE_BUFFER_SIZE, "Could not get field. name %s type %s\n", name, signature);
        fatalError(MessageBuffer);
    }
    return (int)f->u.offset;
}

FieldRecord* getStaticFieldAddress(const char* name, const char* signature, ClassRecord* clazz) {
    FieldRecord* f = findFieldByName(clazz, name, signature);
    if (f == nullptr || !(f->accessFlags & ACC_STATIC)) {
        mvSprintf(MessageBuffer, MESSAGE_BUFFER_SIZE, "Could not get Static field. name %s type %s\n", name, signature);
        fatalError(MessageBuffer);
    }
    return f;
}

static void setPendingException(const char* className) {
    if (CurrentThread != nullptr) CurrentThread->pendingException = className;
}

StringInstance* lockStringChars(StringInstance* string) {
    if (string == nullptr) {
        setPendingException(NullPointerException);
        return nullptr;
    }
    if (lockObjectMemory(string) != 0) {
        setPendingException(OutOfMemoryError);
        return nullptr;
    }
    if (string->value != nullptr && lockObjectMemory(string->value) != 0) {
        unlockObjectMemory(string);
        setPendingException(OutOfMemoryError);
        return nullptr;
    }
    return string;
}

void unlockStringChars(StringInstance* string) {
    if (string == nullptr) return;
    if (string->value != nullptr) unlockObjectMemory(string->value);
    unlockObjectMemory(string);
}

void throwPendingException() {
    const char* name = nullptr;
    if (CurrentThread != nullptr) {
        name = CurrentThread->pendingException;
        CurrentThread->pendingException = nullptr;
    }
    if (name == nullptr || name == OutOfMemoryError || strcmp(name, OutOfMemoryError) == 0) {
        // no allocation: the preallocated object serves when memory is what ran out
        throwObject(OutOfMemoryObject);
    }
    raiseException(name);
}

void setIntFieldByName(OBJECT object, const char* name, const char* signature, int32_t value) {
    setIntFieldByIndex(object, getFieldIndex(name, signature, object->clazz), value);
}

void setObjectFieldByName(OBJECT object, const char* name, const char* signature, void* value) {
    setObjectFieldByIndex(object, getFieldIndex(name, signature, object->clazz), value);
}

int32_t getStaticIntFieldByName(const char* className, const char* name, const char* signature) {
    ClassRecord* clazz = getClass(className);
    return getStaticFieldAddress(name, signature, clazz)->u.staticAddress[0];
}
