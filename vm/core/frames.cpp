// Frames, class initialisation and native invocation. Class initialisation runs as
// native work on the Java stack: a frame of the custom-code method whose operand
// stack holds runClinit, the class and a state, so a static initialiser is an
// ordinary Java frame pushed above it and a thread switch may happen at any point.
#include "vm/core/frames.h"

#include <stdarg.h>
#include <string.h>

#include "platform/clock.h"
#include "vm/core/classes.h"
#include "vm/core/exceptions.h"
#include "vm/core/heap.h"
#include "vm/core/hooks.h"
#include "vm/core/interp.h"
#include "vm/core/monitor.h"
#include "vm/core/native.h"
#include "vm/core/romimage.h"
#include "vm/core/tables.h"
#include "vm/core/thread.h"
#include "vm/core/utf.h"
#include "vm/core/vmassert.h"
#include "vm/trace/tracelog.h"

void pushFrame(MethodRecord* method) {
    int a = method->argCount;
    int f = method->frameSize;
    int needed = (f - a) + method->maxStack + SIZEOF_FRAME_WORDS;
    StackChunk* chunk = Regs.fp ? Regs.fp->stack : CurrentThread->stack;
    cell* sp = Regs.sp;
    cell* locals;
    if ((sp - chunk->data) + needed < (int16_t)chunk->size) {
        locals = sp - a + 1;
    } else {
        int total = needed + a;
        if (chunk->next != nullptr && (int16_t)chunk->next->size < total) chunk->next = nullptr;
        StackChunk* next = chunk->next;
        if (next == nullptr) {
            int words = total > MIN_STACK_CHUNK_DATA ? total : MIN_STACK_CHUNK_DATA;
            int32_t savedRoots = TemporaryRootsLength;
            makeTemporaryRoot(&chunk);
            next = (StackChunk*)mallocHeapObject(words + 2, GCT_EXECSTACK);
            TemporaryRootsLength = savedRoots;
            if (next == nullptr) throwObject(StackOverflowObject);
            // a collection may have moved the chunk holding the arguments
            sp = Regs.sp;
            VM_ASSERT(sp >= chunk->data - 1 && sp < chunk->data + (int16_t)chunk->size);
            next->next = nullptr;
            next->size = words;
            chunk->next = next;
        }
        memcpy(next->data, sp - a + 1, (size_t)a * 4);
        if (Regs.fp == nullptr) CurrentThread->stack = next;
        chunk = next;
        locals = next->data;
    }
    FrameRecord* frame = (FrameRecord*)(locals + f);
    frame->previousFp = Regs.fp;
    frame->previousIp = Regs.ip;
    frame->previousSp = sp - a;
    frame->thisMethod = method;
    frame->stack = chunk;
    frame->syncObject = nullptr;
    Regs.fp = frame;
    Regs.locals = locals;
    Regs.sp = (cell*)&frame->syncObject;
    Regs.ip = method->u.code;
    Regs.cp = constantPoolOf(method);
}

void popFrame() {
    FrameRecord* frame = Regs.fp;
    Regs.sp = frame->previousSp;
    Regs.ip = frame->previousIp;
    Regs.fp = frame->previousFp;
    MethodRecord* m = Regs.fp->thisMethod;
    Regs.locals = (cell*)Regs.fp - m->frameSize;
    Regs.cp = constantPoolOf(m);
}

MethodRecord* getSpecialMethod(ClassRecord* clazz, uint32_t nameTypeKey) {
    MethodTable* table = clazz->methodTable;
    if (table == nullptr) return nullptr;
    for (uint32_t i = 0; i < table->length; i++) {
        MethodRecord* m = &table->methods[i];
        if (m->nt.nameTypeKey == nameTypeKey && (m->accessFlags & ACC_STATIC)) return m;
    }
    return nullptr;
}

bool classIsReady(ClassRecord* clazz) {
    return clazz->status == CLASS_READY || (clazz->initThread != nullptr && clazz->initThread == CurrentThread);
}

void initializeClass(ClassRecord* clazz) {
    if (clazz->status == CLASS_ERROR) raiseException(NoClassDefFoundError);
    if (clazz->status == CLASS_READY) return;
    if (clazz->status < CLASS_VERIFIED) CoreHooks.verifyClass(clazz);
    ClassRecord* super = clazz->superClass;
    if ((super == nullptr || super->status == CLASS_READY) && getSpecialMethod(clazz, clinitNameAndType) == nullptr) {
        clazz->status = CLASS_READY;
        return;
    }
    ClassRecord* volatile target = clazz;
    VM_TRY
    pushFrame(RunCustomCodeMethod);
    *++Regs.sp = (cell)p32Function((const void*)&runClinit);
    *++Regs.sp = p32Cell(target);
    *++Regs.sp = 1;
    VM_CATCH(e)
    target->status = CLASS_ERROR;
    throwObject(e);
    VM_END_TRY
}

enum {
    CLINIT_ENTER = 1,
    CLINIT_CHECK = 2,
    CLINIT_SUPER = 3,
    CLINIT_RUN = 4,
    CLINIT_FINISH = 5,
    CLINIT_DONE = 6,
};

static void releaseClassMonitor(ClassRecord* clazz) {
    const char* name = nullptr;
    monitorExit((OBJECT)clazz, &name);
}

// The words of the initializer's frame: frame + 1 is the function, then the class and
// the state. Read through the frame register each time, since entering a monitor or
// allocating may move the chunk.
static inline cell* clinitWords() { return (cell*)(Regs.fp + 1); }

void runClinit(FrameRecord* exceptionFrame) {
    if (exceptionFrame != nullptr) {
        int32_t frameRoots = TemporaryRootsLength;
        makeTemporaryInteriorRoot(&exceptionFrame, exceptionFrame->stack);
        cell* stack = (cell*)(exceptionFrame + 1);
        ClassRecord* clazz = (ClassRecord*)(uintptr_t)stack[1];
        int state = stack[2];
        if (state != CLINIT_ENTER && state != CLINIT_RUN && state != CLINIT_FINISH)
            fatalError("Static class initializer failed");
        clazz->status = CLASS_ERROR;
        clazz->initThread = nullptr;
        OBJECT exception = (OBJECT)(uintptr_t)stack[0];
        if (!isAssignableTo(exception->clazz, JavaLangError)) {
            char text[MESSAGE_BUFFER_SIZE];
            int n = mvSprintf(text, sizeof text, "Static initializer: ");
            getClassNameBuffer(exception->clazz, text + n, (int)sizeof text - n);
            OBJECT message = (OBJECT)(uintptr_t)exception->data[0];
            if (message != nullptr) {
                int used = (int)strlen(text);
                if ((int)sizeof text - used < 3) fatalError("Exception name buffer overflow");
                strcpy(text + used, ": ");
                used += 2;
                // the text becomes a String again: the class-file form keeps every character
                StringInstance* s = (StringInstance*)message;
                unicode2utf(s->value->u.sdata + s->offset, s->count, text + used, (int)sizeof text - used);
            }
            int32_t savedRoots = TemporaryRootsLength;
            OBJECT string = (OBJECT)instantiateStringFromUtf(text, (int)strlen(text));
            makeTemporaryRoot(&string);
            OBJECT error = instantiate(JavaLangError);
            error->data[0] = p32Cell(string);
            stack = (cell*)(exceptionFrame + 1);
            stack[0] = p32Cell(error);
            TemporaryRootsLength = savedRoots;
        }
        TemporaryRootsLength = frameRoots;
        // Threads waiting for this initializer learn of the failure.
        uint32_t word = clazz->monitor;
        if ((word & LOCK_STATE_MASK) == LOCK_INFLATED) {
            ThreadRecord* owner = lockMonitor(word)->owner;
            if (owner == nullptr || owner == CurrentThread) {
                monitorEnter((OBJECT)clazz);
                monitorNotify((OBJECT)clazz, 1);
                releaseClassMonitor(clazz);
            }
        }
        return;
    }
    cell* stack = clinitWords();
    ClassRecord* clazz = (ClassRecord*)(uintptr_t)stack[1];
    int state = stack[2];
    if (state < CLINIT_ENTER || state > CLINIT_DONE) fatalError("Static class initializer failed");
    bool held = state == CLINIT_CHECK || state == CLINIT_DONE;
    switch (state) {
        case CLINIT_ENTER:
            if ((clazz->monitor & LOCK_STATE_MASK) != 0 || clazz->initThread != nullptr) {
                if (monitorEnter((OBJECT)clazz) == MONITOR_WAITING) {
                    clinitWords()[2] = CLINIT_CHECK;
                    return;
                }
                held = true;
            }
            [[fallthrough]];
        case CLINIT_CHECK:
            if (clazz->initThread != nullptr && clazz->initThread != CurrentThread) {
                clinitWords()[2] = CLINIT_CHECK;
                monitorWaitUninterruptibly((OBJECT)clazz);
                return;
            }
            if (clazz->initThread == CurrentThread || clazz->status == CLASS_READY) {
                if (held) releaseClassMonitor(clazz);
                popFrame();
                return;
            }
            if (clazz->status == CLASS_ERROR) {
                if (held) releaseClassMonitor(clazz);
                popFrame();
                raiseException(NoClassDefFoundError);
            }
            clazz->initThread = CurrentThread;
            if (held) releaseClassMonitor(clazz);
            held = false;
            [[fallthrough]];
        case CLINIT_SUPER:
            if (!(clazz->accessFlags & ACC_INTERFACE) && clazz->superClass != nullptr &&
                clazz->superClass->status != CLASS_READY) {
                clinitWords()[2] = CLINIT_RUN;
                initializeClass(clazz->superClass);
                return;
            }
            [[fallthrough]];
        case CLINIT_RUN: {
            MethodRecord* clinit = getSpecialMethod(clazz, clinitNameAndType);
            if (clinit != nullptr) {
                clinitWords()[2] = CLINIT_FINISH;
                pushFrame(clinit);
                return;
            }
        }
            [[fallthrough]];
        case CLINIT_FINISH:
            if ((clazz->monitor & LOCK_STATE_MASK) != 0) {
                if (monitorEnter((OBJECT)clazz) == MONITOR_WAITING) {
                    clinitWords()[2] = CLINIT_DONE;
                    return;
                }
                held = true;
            }
            [[fallthrough]];
        case CLINIT_DONE:
            clazz->initThread = nullptr;
            clazz->status = CLASS_READY;
            if (held) {
                monitorNotify((OBJECT)clazz, 1);
                releaseClassMonitor(clazz);
            }
            popFrame();
            return;
    }
}

void invokeNativeFunction(MethodRecord* method) {
    if (method->u.native == nullptr) fatalNativeMethodNotFound(method);
    CurrentNativeMethod = method;
    method->u.native();
    CurrentNativeMethod = nullptr;
}

void fatalNativeMethodNotFound(MethodRecord* method) {
    Regs.sp -= method->argCount;
    char className[MESSAGE_BUFFER_SIZE];
    getClassNameBuffer(method->ofClass, className, sizeof className);
    const char* name = changeKeyToName(method->nt.k.nameKey, nullptr);
    mvSprintf(MessageBuffer, MESSAGE_BUFFER_SIZE, "Native method '%s::%s' not found", className, name ? name : "");
    fatalError(MessageBuffer);
}

int64_t vmCurrentTime() {
    uint32_t high, low;
    SysGetElapsedTime(&high, &low);
    return (int64_t)((uint64_t)high << 32 | low);
}

void allocateHeapBlock(int32_t* size, void** start) { CoreHooks.setVmHeap(size, start); }

// Writes one character, or ends the run when it would not fit before the terminator.
static void sprintfPut(char** to, char* last, char c) {
    if (*to >= last) fatalError("Sprintf buffer overflow");
    *(*to)++ = c;
}

static void sprintfNumber(char** to, char* last, uint32_t value, int base, bool negative) {
    char digits[12];
    int n = 0;
    do {
        digits[n++] = "0123456789abcdef"[value % base];
        value /= base;
    } while (value != 0);
    if (negative) sprintfPut(to, last, '-');
    while (n > 0) sprintfPut(to, last, digits[--n]);
}

int vmSprintf(char* buffer, int size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    char* to = buffer;
    char* last = buffer + size - 1;
    for (const char* p = format; *p; p++) {
        if (*p != '%') {
            sprintfPut(&to, last, *p);
            continue;
        }
        p++;
        if (*p == 'l') p++;
        switch (*p) {
            case 'c':
                sprintfPut(&to, last, (char)va_arg(args, int));
                break;
            case 'd': {
                int32_t v = va_arg(args, int32_t);
                sprintfNumber(&to, last, v < 0 ? 0u - (uint32_t)v : (uint32_t)v, 10, v < 0);
                break;
            }
            case 'x':
                sprintfNumber(&to, last, va_arg(args, uint32_t), 16, false);
                break;
            case 's':
                for (const char* s = va_arg(args, const char*); *s; s++) sprintfPut(&to, last, *s);
                break;
            default:
                va_end(args);
                fatalError("Illegal operand in sprintf");
        }
    }
    va_end(args);
    *to = 0;
    return (int)(to - buffer);
}
