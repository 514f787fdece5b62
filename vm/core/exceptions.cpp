// Raising, throwing and unwinding Java exceptions; fatal errors.
#include "vm/core/exceptions.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "vm/core/classes.h"
#include "vm/core/frames.h"
#include "vm/core/heap.h"
#include "vm/core/interp.h"
#include "vm/core/monitor.h"
#include "vm/core/resolve.h"
#include "vm/core/romimage.h"
#include "vm/core/tables.h"
#include "vm/core/thread.h"
#include "vm/core/utf.h"
#include "vm/core/vmassert.h"
#include "vm/trace/tracelog.h"

VMBSS CatchFrame* CurrentCatchFrame;
VMBSS jmp_buf* VmExitFrame;
VMBSS int32_t VmExitCode;
VMBSS const char* ExceptionBeingCreated;
VMBSS OBJECT ExceptionMessage;
VMBSS MethodRecord* CurrentNativeMethod;
VMBSS int32_t ExceptionBehindInvoke;
VMBSS OBJECT OutOfMemoryObject;
VMBSS OBJECT StackOverflowObject;
VMBSS char MessageBuffer[MESSAGE_BUFFER_SIZE];

const char NullPointerException[] = "java/lang/NullPointerException";
const char ArrayIndexOutOfBoundsException[] = "java/lang/ArrayIndexOutOfBoundsException";
const char ArithmeticException[] = "java/lang/ArithmeticException";
const char ArrayStoreException[] = "java/lang/ArrayStoreException";
const char ClassCastException[] = "java/lang/ClassCastException";
const char NegativeArraySizeException[] = "java/lang/NegativeArraySizeException";
const char IllegalMonitorStateException[] = "java/lang/IllegalMonitorStateException";
const char NoClassDefFoundError[] = "java/lang/NoClassDefFoundError";
const char ClassNotFoundException[] = "java/lang/ClassNotFoundException";
const char OutOfMemoryError[] = "java/lang/OutOfMemoryError";
const char VirtualMachineError[] = "java/lang/VirtualMachineError";
const char AbstractMethodError[] = "java/lang/AbstractMethodError";
const char ClassCircularityError[] = "java/lang/ClassCircularityError";
const char ClassFormatError[] = "java/lang/ClassFormatError";
const char IllegalAccessError[] = "java/lang/IllegalAccessError";
const char IncompatibleClassChangeError[] = "java/lang/IncompatibleClassChangeError";
const char InstantiationError[] = "java/lang/InstantiationError";
const char NoSuchFieldError[] = "java/lang/NoSuchFieldError";
const char NoSuchMethodError[] = "java/lang/NoSuchMethodError";
const char VerifyError[] = "java/lang/VerifyError";

static void tracePrinter(OBJECT) {}
VMDATA TraceHook TraceHooks[2] = {tracePrinter, printUncaughtException};

static bool isFatalErrorClass(const char* name) {
    return name == AbstractMethodError || name == ClassCircularityError || name == ClassFormatError ||
           name == IllegalAccessError || name == IncompatibleClassChangeError || name == InstantiationError ||
           name == NoSuchFieldError || name == NoSuchMethodError || name == VerifyError;
}

// Appends ": <message>." or "." to the text in buffer.
static void appendMessage(char* buffer, int size, OBJECT message) {
    int used = (int)strlen(buffer);
    if (message != nullptr) {
        char text[MESSAGE_BUFFER_SIZE];
        StringInstance* s = (StringInstance*)message;
        utf16ToHostUtf8(s->value->u.sdata + s->offset, s->count, text, size - used - 3 > 0 ? size - used - 3 : 1);
        mvSprintf(buffer + used, size - used, ": %s.", text);
    } else {
        mvSprintf(buffer + used, size - used, ".");
    }
}

OBJECT createException(const char* className, OBJECT message) {
    char text[MESSAGE_BUFFER_SIZE];
    if (isFatalErrorClass(className)) {
        mvSprintf(text, sizeof text, "%s", className);
        appendMessage(text, sizeof text, message);
        fatalError(text);
    }
    if (ExceptionBeingCreated != nullptr) {
        if (className == NoClassDefFoundError || className == ClassNotFoundException ||
            strcmp(className, NoClassDefFoundError) == 0 || strcmp(className, ClassNotFoundException) == 0) {
            mvSprintf(text, sizeof text, "%s", ExceptionBeingCreated);
        } else {
            mvSprintf(text, sizeof text, "%s while loading exception class %s", className, ExceptionBeingCreated);
            ExceptionMessage = message;
        }
        appendMessage(text, sizeof text, ExceptionMessage);
        fatalError(text);
    }
    int32_t savedRoots = TemporaryRootsLength;
    ExceptionBeingCreated = className;
    ExceptionMessage = message;
    makeTemporaryRoot(&ExceptionMessage);
    ClassRecord* clazz = getClass(className);
    OBJECT exception = instantiate(clazz);
    ExceptionBeingCreated = nullptr;
    ExceptionMessage = nullptr;
    TemporaryRootsLength = savedRoots;
    return exception;
}

void raiseException(const char* className) { throwObject(createException(className, nullptr)); }

void raiseExceptionWithMessage(const char* className, const char* message) {
    OBJECT string = (OBJECT)instantiateStringFromUtf(message, (int)strlen(message));
    if (string == nullptr) raiseException(className);
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&string);
    OBJECT exception = createException(className, string);
    exception->data[0] = p32Cell(string);
    TemporaryRootsLength = savedRoots;
    throwObject(exception);
}

void throwObject(OBJECT exception) {
    if (exception == nullptr) fatalError("THROW called with NULL");
    if (CurrentCatchFrame == nullptr) fatalError("THROW called without a catch frame");
    CurrentCatchFrame->throwable = exception;
    longjmp(*(jmp_buf*)CurrentCatchFrame->jumpBuffer, 1);
}

void vmAlert(const char* message) { mvTraceLog_print(0, "ALERT: %s\n", message); }

void fatalError(const char* message) {
    vmAlert(message);
    VmExitCode = FATAL_EXIT_CODE;
    if (VmExitFrame == nullptr) {
        // Outside a run there is no exit point to return to.
        fprintf(stderr, "ALERT: %s\n", message);
        abort();
    }
    longjmp(*VmExitFrame, 1);
}

void fatalVMError(const char* message) { fatalError(message); }

void vmAssertFailed(const char* condition, const char* file, int line) {
    const char* base = strrchr(file, '/');
    char text[MESSAGE_BUFFER_SIZE];
    snprintf(text, sizeof text, "VM_ASSERT failed: %s (%s:%d)", condition, base ? base + 1 : file, line);
    fatalError(text);
}

void vmExitLongjmp(int32_t exitCode) {
    VmExitCode = exitCode;
    if (VmExitFrame == nullptr) abort();
    longjmp(*VmExitFrame, 1);
}

static void stringText(OBJECT message, char* buffer, int size) {
    StringInstance* s = (StringInstance*)message;
    utf16ToHostUtf8(s->value->u.sdata + s->offset, s->count, buffer, size);
}

void printUncaughtException(OBJECT exception) {
    char name[MESSAGE_BUFFER_SIZE];
    getClassNameBuffer(exception->clazz, name, sizeof name);
    mvTraceLog_print(0, "Uncaught exception %s", name);
    OBJECT message = (OBJECT)(uintptr_t)exception->data[0];
    if (message != nullptr) {
        char text[MESSAGE_BUFFER_SIZE];
        stringText(message, text, sizeof text);
        mvTraceLog_print(0, ": %s", text);
    }
    mvTraceLog_print(0, ".\n");
}

void printExceptionStackTrace(OBJECT) { mvTraceLog_print(0, "Stack trace data not available\n"); }

HandlerEntry* findHandler(ClassRecord* clazz, HandlerTable* table, OBJECT exception, uint32_t pc) {
    for (uint32_t i = 0; i < table->length; i++) {
        HandlerEntry* h = &table->handlers[i];
        if (pc < h->startPC || pc >= h->endPC) continue;
        if (h->catchType == 0) return h;
        ClassRecord* catchClass = resolveClassReference(clazz->constPool, h->catchType, clazz);
        if (isAssignableTo(exception->clazz, catchClass)) return h;
    }
    return nullptr;
}

void throwException(OBJECT* exceptionCell) {
    int adjustment = CurrentNativeMethod || ExceptionBehindInvoke ? 1 : 0;
    ExceptionBehindInvoke = 0;
    if (CurrentThread == nullptr) {
        OBJECT e = *exceptionCell;
        OBJECT message = (OBJECT)(uintptr_t)e->data[0];
        char text[MESSAGE_BUFFER_SIZE];
        if (message)
            stringText(message, text, sizeof text);
        else
            getClassNameBuffer(e->clazz, text, sizeof text);
        fatalError(text);
    }
    FrameRecord* fp = Regs.fp;
    uint8_t* ip = Regs.ip;
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(exceptionCell);
    // fp points into a stack chunk: an interior root moves it with its chunk, which
    // changes as the walk crosses into older chunks.
    int32_t fpRoot = TemporaryRootsLength;
    makeTemporaryInteriorRoot(&fp, fp != nullptr ? fp->stack : nullptr);
    for (;;) {
        interiorRootAt(fpRoot)->object = fp != nullptr ? (cell*)fp->stack : nullptr;
        if (fp == nullptr) {
            TemporaryRootsLength = savedRoots;
            TraceHooks[1](*exceptionCell);
            CollectionSuppressed = 1;
            stopThread();
            CollectionSuppressed = 0;
            if (AliveThreadCount < 1 && AllThreads == nullptr) vmExitLongjmp(FATAL_EXIT_CODE);
            CurrentNativeMethod = nullptr;
            return;
        }
        MethodRecord* method = fp->thisMethod;
    searchHandlers:
        if (method->handlers != nullptr) {
            uint32_t pc = (uint32_t)(ip - method->u.code - adjustment) & 0xFFFF;
            HandlerEntry* h = findHandler(method->ofClass, method->handlers, *exceptionCell, pc);
            if (h != nullptr) {
                Regs.fp = fp;
                Regs.ip = method->u.code + h->handlerPC;
                Regs.locals = (cell*)fp - method->frameSize;
                Regs.cp = constantPoolOf(method);
                Regs.sp = (cell*)&fp->syncObject;
                *++Regs.sp = p32Cell(*exceptionCell);
                CurrentNativeMethod = nullptr;
                TemporaryRootsLength = savedRoots;
                return;
            }
        }
        if (method == RunCustomCodeMethod && *(cell*)(fp + 1) != 0) {
            CustomCodeFunction fn = (CustomCodeFunction)(uintptr_t) * (cell*)(fp + 1);
            *(cell*)(fp + 1) = p32Cell(*exceptionCell);
            fn(fp);
            // fn may allocate: the frame is read again where the root moved it
            *exceptionCell = (OBJECT)(uintptr_t) * (cell*)(fp + 1);
        }
        if ((uintptr_t)fp->syncObject > BOTTOM_FRAME_MARK) {
            OBJECT sync = fp->syncObject;
            fp->syncObject = nullptr;
            const char* exceptionName = nullptr;
            if (monitorExit(sync, &exceptionName) == MONITOR_NOT_OWNER) {
                Regs.fp = fp;
                Regs.ip = ip;
                Regs.locals = (cell*)fp - method->frameSize;
                Regs.cp = constantPoolOf(method);
                Regs.sp = (cell*)&fp->syncObject;
                CollectionSuppressed = 1;
                *exceptionCell = instantiate(getClass(exceptionName));
                CollectionSuppressed = 0;
                goto searchHandlers;
            }
        }
        adjustment = method == RunCustomCodeMethod ? 0 : 1;
        ip = fp->previousIp;
        fp = fp->previousFp;
    }
}

void raiseNoSuchMemberError(ConstantPool* cp, int index) {
    uint8_t tag = cpTags(cp)[index] & CP_TAG_MASK;
    uint32_t entry = cp->entries[index].u;
    uint32_t nameType = cp->entries[entry >> 16].u;
    int length = 0;
    const char* name = changeKeyToName((uint16_t)nameType, &length);
    char signature[MESSAGE_BUFFER_SIZE];
    uint16_t typeKey = (uint16_t)(nameType >> 16);
    if (tag == CONSTANT_Fieldref)
        change_Key_to_FieldSignature_inBuffer(typeKey, signature, sizeof signature);
    else
        change_Key_to_MethodSignature_inBuffer(typeKey, signature, sizeof signature);
    mvSprintf(MessageBuffer, MESSAGE_BUFFER_SIZE,
              tag == CONSTANT_Fieldref ? "No such field %s.%s" : "No such method %s.%s", name ? name : "", signature);
    raiseExceptionWithMessage(tag == CONSTANT_Fieldref ? NoSuchFieldError : NoSuchMethodError, MessageBuffer);
}
