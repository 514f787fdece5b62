// Calls a native on an operand stack of its own, inside a run: push the arguments, call,
// read the result from the top. The stack lies in the low window: a native that parks
// the registers (a collection, a thread switch) stores the stack pointer in a word.
#pragma once

#include "platform/lowmem.h"
#include "platform/p32.h"
#include "vm/core/interp.h"

struct NativeCall {
    enum { WORDS = 16 };
    cell* stack;
    cell* saved;
    NativeCall() : stack((cell*)lowCalloc(WORDS, sizeof(cell))), saved(Regs.sp) { Regs.sp = stack; }
    ~NativeCall() {
        Regs.sp = saved;
        lowFree(stack);
    }
    NativeCall(const NativeCall&) = delete;
    NativeCall& operator=(const NativeCall&) = delete;
    NativeCall& arg(cell v) {
        *++Regs.sp = v;
        return *this;
    }
    NativeCall& arg(const void* object) { return arg(p32Cell(object)); }
    cell call(void (*native)()) {
        native();
        return *Regs.sp;
    }
};
