// Java exceptions and fatal errors. A catchable failure becomes an exception object
// delivered to the innermost catch frame by a long jump; a fatal one prints its alert,
// stores exit code 127 and leaves the run through the exit jump frame.
#pragma once

#include <setjmp.h>

#include "platform/vmsections.h"
#include "vm/core/records.h"

enum { MESSAGE_BUFFER_SIZE = 512, FATAL_EXIT_CODE = 127 };

extern VMBSS CatchFrame* CurrentCatchFrame;
extern VMBSS jmp_buf* VmExitFrame;
extern VMBSS int32_t VmExitCode;
extern VMBSS const char* ExceptionBeingCreated;
extern VMBSS OBJECT ExceptionMessage;
extern VMBSS MethodRecord* CurrentNativeMethod;
// Set while an exception of a thread that blocked inside a native (an interrupted
// sleep or wait) is raised as it is switched in: its ip lies behind that invoke, as for
// an exception of a running native.
extern VMBSS int32_t ExceptionBehindInvoke;
extern VMBSS OBJECT OutOfMemoryObject;
extern VMBSS OBJECT StackOverflowObject;
extern VMBSS char MessageBuffer[MESSAGE_BUFFER_SIZE];

// Exception class names. The nine linkage errors have no class in the library, so
// raising one ends the run; they are recognised by these very pointers.
extern const char NullPointerException[];
extern const char ArrayIndexOutOfBoundsException[];
extern const char ArithmeticException[];
extern const char ArrayStoreException[];
extern const char ClassCastException[];
extern const char NegativeArraySizeException[];
extern const char IllegalMonitorStateException[];
extern const char NoClassDefFoundError[];
extern const char ClassNotFoundException[];
extern const char OutOfMemoryError[];
extern const char VirtualMachineError[];
extern const char AbstractMethodError[];
extern const char ClassCircularityError[];
extern const char ClassFormatError[];
extern const char IllegalAccessError[];
extern const char IncompatibleClassChangeError[];
extern const char InstantiationError[];
extern const char NoSuchFieldError[];
extern const char NoSuchMethodError[];
extern const char VerifyError[];

[[noreturn]] void raiseException(const char* className);
[[noreturn]] void raiseExceptionWithMessage(const char* className, const char* message);
OBJECT createException(const char* className, OBJECT message);
// Stores the object in the innermost catch frame and jumps there.
[[noreturn]] void throwObject(OBJECT exception);

[[noreturn]] void fatalError(const char* message);
[[noreturn]] void fatalVMError(const char* message);
void vmAlert(const char* message);
[[noreturn]] void vmExitLongjmp(int32_t exitCode);

// Unwinds the current thread's frames to a handler, or ends the thread.
void throwException(OBJECT* exceptionCell);
HandlerEntry* findHandler(ClassRecord* clazz, HandlerTable* table, OBJECT exception, uint32_t pc);
void printUncaughtException(OBJECT exception);
void printExceptionStackTrace(OBJECT exception);
[[noreturn]] void raiseNoSuchMemberError(ConstantPool* cp, int index);

// The trace-output hook table: slot 0 the trace printer, slot 1 the uncaught-exception printer.
typedef void (*TraceHook)(OBJECT);
extern VMDATA TraceHook TraceHooks[2];
