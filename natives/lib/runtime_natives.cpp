// Runtime, Throwable, WeakReference and Long.toString natives.
#include "natives/lib/runtime_natives.h"

#include "natives/lib/nativestack.h"
#include "vm/core/classes.h"
#include "vm/core/exceptions.h"
#include "vm/core/exithook.h"
#include "vm/core/heap.h"

void Java_java_lang_Runtime_exitInternal() {
    int32_t status = popInt();
    popObject();
    if (callRuntimeExitHook(status) != 0) return;
    vmExitLongjmp(status);
}

void Java_java_lang_Runtime_freeMemory() {
    popObject();
    pushLong((int64_t)(uint32_t)memoryFree());
}

void Java_java_lang_Runtime_totalMemory() {
    popObject();
    pushLong((int64_t)(uint32_t)getHeapSize());
}

void Java_java_lang_Runtime_gc() {
    popObject();
    garbageCollect(0);
}

void Java_java_lang_Throwable_printStackTrace0() {
    popObject();
    printExceptionStackTrace(popObject());
}

// Natives whose arguments go unread leave as many words as their method takes.
static void dropArguments() { Regs.sp -= CurrentNativeMethod->argCount; }

void Java_java_lang_Throwable_nativeSysLogPrint() { dropArguments(); }

void Java_java_lang_Throwable_nativeIsSysLog() {
    dropArguments();
    pushInt(0);
}

void Java_java_lang_ref_WeakReference_initializeWeakReference() {
    OBJECT reference = popObject();
    uint32_t* header = headerOf(reference);
    *header = (*header & ~(uint32_t)HEADER_TYPE_MASK) | ((uint32_t)GCT_WEAKREFERENCE << HEADER_TYPE_SHIFT);
}

static const char Digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";

void Java_java_lang_Long_toString() {
    int32_t radix = popInt();
    int64_t value = popLong();
    if (radix < 2 || radix > 36) radix = 10;
    char buffer[65];
    int at = (int)sizeof buffer;
    bool negative = value < 0;
    // Worked on as a negative number, so that the smallest long needs no special case.
    if (!negative) value = -value;
    while (value <= -radix) {
        buffer[--at] = Digits[-(value % radix)];
        value /= radix;
    }
    buffer[--at] = Digits[-value];
    if (negative) buffer[--at] = '-';
    pushObject(instantiateStringFromUtf(buffer + at, (int)sizeof buffer - at));
}
