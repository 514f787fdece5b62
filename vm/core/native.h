// The native interface: catch frames through which Java exceptions cross native code,
// protected calls built on them, and the field, array and string accessors natives use.
#pragma once

#include <setjmp.h>

#include "vm/core/heap.h"
#include "vm/core/records.h"

// Opens a catch frame in the caller's own stack frame. Locals changed inside the
// protected part and read after an exception arrived must be volatile.
#define VM_TRY                                       \
    {                                                \
        jmp_buf vmTryBuffer_;                        \
        CatchFrame vmTryFrame_;                      \
        pushCatchFrame(&vmTryFrame_, &vmTryBuffer_); \
        if (setjmp(vmTryBuffer_) == 0) {
#define VM_CATCH(e)                  \
    popCatchFrame(&vmTryFrame_);     \
    }                                \
    else {                           \
        popCatchFrame(&vmTryFrame_); \
        OBJECT e = vmTryFrame_.throwable;
#define VM_END_TRY \
    }              \
    }

void pushCatchFrame(CatchFrame* frame, jmp_buf* buffer);
// Restores the chain head and the temporary-root count the frame saved.
void popCatchFrame(CatchFrame* frame);

void tryRaiseException(const char* className);
void tryRaiseExceptionWithMessage(const char* className, const char* message);
ClassRecord* tryGetClass(const char* className);
ArrayObject* tryNewByteArray(const void* source, int32_t length);
ArrayObject* tryNewIntArray(const void* source, int32_t count);
// The form of callers that only want a zeroed array.
inline ArrayObject* tryNewIntArray(int32_t count) { return tryNewIntArray(nullptr, count); }
StringInstance* tryInstantiateString(const char* text, int32_t length);
StringInstance* tryInstantiateStringFromUnicode(const uint16_t* chars, int32_t length);

void throwOutOfMemoryObject();
// Raises the exception a failed callee left in the current thread's pending slot
// (the preallocated OutOfMemoryError when the slot is empty) to the innermost catch
// frame; from a native that is the interpreter, which goes on at the handler.
[[noreturn]] void throwPendingException();
[[noreturn]] void fatalOutOfMemoryError();
[[noreturn]] void nativeFatalError(const char* message);
[[noreturn]] void nativeLongjmpExit(int32_t code);

int getFieldIndex(const char* name, const char* signature, ClassRecord* clazz);
FieldRecord* getStaticFieldAddress(const char* name, const char* signature, ClassRecord* clazz);
// Pins the string and its character array; answers the string, or 0 for null or a
// full pin count, with the exception left pending for throwPendingException.
StringInstance* lockStringChars(StringInstance* string);
void unlockStringChars(StringInstance* string);

inline cell getFieldSlot(OBJECT object, int index) { return object->data[index]; }
inline int32_t getIntFieldByIndex(OBJECT object, int index) { return object->data[index]; }
inline void setIntFieldByIndex(OBJECT object, int index, int32_t value) { object->data[index] = value; }
inline OBJECT getObjectFieldByIndex(OBJECT object, int index) { return p32Ptr<Instance>(object->data[index]); }
inline void setObjectFieldByIndex(OBJECT object, int index, void* value) { object->data[index] = p32Cell(value); }
void setIntFieldByName(OBJECT object, const char* name, const char* signature, int32_t value);
void setObjectFieldByName(OBJECT object, const char* name, const char* signature, void* value);
int32_t getStaticIntFieldByName(const char* className, const char* name, const char* signature);

inline int32_t getArrayLength(const ArrayObject* array) { return (int32_t)array->length; }
inline int32_t getByteArrayLength(const ArrayObject* array) { return (int32_t)array->length; }
inline int32_t getShortArrayLength(const ArrayObject* array) { return (int32_t)array->length; }
inline int32_t getIntArrayLength(const ArrayObject* array) { return (int32_t)array->length; }
inline int8_t* getByteArrayData(ArrayObject* array) { return array->u.bdata; }
inline uint16_t* getShortArrayData(ArrayObject* array) { return array->u.sdata; }
inline cell* getIntArrayData(ArrayObject* array) { return array->u.cdata; }
inline OBJECT getObjectArrayElement(ArrayObject* array, int i) { return array->u.odata[i]; }
inline void setObjectArrayElement(ArrayObject* array, int i, void* value) { array->u.odata[i] = (OBJECT)value; }
inline int32_t getIntArrayElement(ArrayObject* array, int i) { return array->u.cdata[i]; }
inline void setIntArrayElement(ArrayObject* array, int i, int32_t value) { array->u.cdata[i] = value; }
// The slot-first forms of the by-index accessors some callers use.
inline cell getFieldSlot(int index, OBJECT object) { return object->data[index]; }
inline int32_t getIntFieldByIndex(int index, OBJECT object) { return object->data[index]; }
inline void setIntFieldByIndex(int index, OBJECT object, int32_t value) { object->data[index] = value; }
inline OBJECT getObjectFieldByIndex(int index, OBJECT object) { return p32Ptr<Instance>(object->data[index]); }
inline void setObjectFieldByIndex(int index, OBJECT object, void* value) { object->data[index] = p32Cell(value); }

inline int32_t getStringLength(StringInstance* string) { return string->count; }
inline uint16_t* getStringCharsPointer(StringInstance* string) { return string->value->u.sdata + string->offset; }
