// Calls a native on an operand stack of its own, inside a run: push the arguments, call,
// read the result from the top.
#pragma once

#include "vm/core/interp.h"

struct NativeCall {
    cell stack[16] = {};
    NativeCall() { Regs.sp = stack; }
    NativeCall& arg(cell v) {
        *++Regs.sp = v;
        return *this;
    }
    NativeCall& arg(const void* object) { return arg((cell)(uintptr_t)object); }
    cell call(void (*native)()) {
        native();
        return *Regs.sp;
    }
};
