// Java frames on a thread's chain of stack chunks, class initialisation run on the
// Java stack under the custom-code method, native invocation, and the core's
// small bounded formatter.
#pragma once

#include <stdint.h>

#include "platform/vmsections.h"
#include "vm/core/records.h"

enum { MIN_STACK_CHUNK_DATA = 126 };

// Native work on the Java stack: called with null when its custom-code frame is
// resumed, with the frame when an exception passes through it.
typedef void (*CustomCodeFunction)(FrameRecord* exceptionFrame);

void pushFrame(MethodRecord* method);
void popFrame();
void initializeClass(ClassRecord* clazz);
void runClinit(FrameRecord* exceptionFrame);
MethodRecord* getSpecialMethod(ClassRecord* clazz, uint32_t nameTypeKey);
void invokeNativeFunction(MethodRecord* method);
[[noreturn]] void fatalNativeMethodNotFound(MethodRecord* method);
int vmSprintf(char* buffer, int size, const char* format, ...);
int64_t vmCurrentTime();
void allocateHeapBlock(int32_t* size, void** start);

// Ready to run code of the class: initialised, or being initialised by this thread.
bool classIsReady(ClassRecord* clazz);
