// Reference maps of Java frames for the collector: per method a compact map of the
// reference slots at a few bytecode offsets, and a simulation of the straight-line
// bytecode from the nearest map point that gives the exact map at any instruction.
#pragma once

#include <stdint.h>

#include "vm/core/records.h"

enum {
    // One bit per local and operand-stack slot; the loader refuses methods whose frame
    // size and maximum stack together exceed this many slots.
    GC_VECTOR_SLOTS = 512,
    GC_VECTOR_BYTES = GC_VECTOR_SLOTS / 8,
    POINTER_MAP_SHORT = 0x8000,
    POINTER_MAP_COUNT_MASK = 0x7FFF,
    SHORT_MAP_OFFSET_MASK = 0x0FFF,
    SHORT_MAP_MAX_OFFSET = 4095,
    SHORT_MAP_MAX_STACK = 15,
    SHORT_MAP_MAX_SLOTS = 16,
};

// The compact map: a header (entry count, bit 15 for the short form), then two 16-bit
// words per map point in ascending offset order. Short form: offset | stack size << 12
// and the 16-bit vector. Long form: the offset and the name-table key of a byte string
// holding the stack size and then the vector, without trailing zero bytes.
struct PointerMap {
    uint16_t header;
    uint16_t entries[1];
};
// The header and n entries of two halfwords each.
constexpr uint32_t pointerMapWords(uint32_t n) {
    return (uint32_t)((offsetof(PointerMap, entries) + n * 2 * sizeof(uint16_t) + 3) / sizeof(uint32_t));
}

// Builds the compact map from the method's verifier stack maps (its StackMapTable) in
// permanent space and returns it; the caller stores it in the method.
PointerMap* rewriteStackMapsAsPointerMaps(MethodRecord* method);

// Fills vector with the reference bits of the locals and of the operand stack at ip and
// returns the number of operand-stack entries there. With nativeFlag the state before a
// final invocation is returned, so that a running native's arguments count as entries.
int getGCRegisterMask(MethodRecord* method, const uint8_t* ip, uint8_t* vector, int nativeFlag);
// The map point at or before *offset; *offset becomes its offset. Returns its stack size.
int getStackMapEntry(MethodRecord* method, uint32_t* offset, uint8_t* vector, int nativeFlag);
// Marks this (for an instance method) and each reference argument.
void setArgumentBits(MethodRecord* method, uint8_t* vector);

// Copy count bits starting at first to or from one byte per bit.
void getBits(const uint8_t* vector, int first, int count, uint8_t* out);
void setBits(uint8_t* vector, int first, int count, const uint8_t* in);

inline bool testVectorBit(const uint8_t* vector, int i) { return (vector[i >> 3] >> (i & 7)) & 1; }
inline void setVectorBit(uint8_t* vector, int i, bool on) {
    if (on)
        vector[i >> 3] |= (uint8_t)(1 << (i & 7));
    else
        vector[i >> 3] &= (uint8_t) ~(1 << (i & 7));
}
