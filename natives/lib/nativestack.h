// Operand-stack access for natives: arguments are popped from the top down (a receiver
// deepest), a long or double is two words with the low word lower, and the result is
// pushed after the arguments are gone.
#pragma once

#include <stdint.h>

#include "vm/core/interp.h"
#include "vm/core/records.h"

inline int32_t popInt() { return *Regs.sp--; }
inline OBJECT popObject() { return p32Ptr<Instance>(*Regs.sp--); }
inline int64_t popLong() {
    uint32_t high = (uint32_t)*Regs.sp--;
    uint32_t low = (uint32_t)*Regs.sp--;
    return (int64_t)(((uint64_t)high << 32) | low);
}
inline void pushInt(int32_t value) { *++Regs.sp = value; }
inline void pushObject(const void* object) { *++Regs.sp = p32Cell(object); }
inline void pushLong(int64_t value) {
    *++Regs.sp = (cell)(uint32_t)value;
    *++Regs.sp = (cell)(uint32_t)((uint64_t)value >> 32);
}
