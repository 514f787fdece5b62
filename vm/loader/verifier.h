// The bytecode verifier: a one-pass type check of every method of a loaded class
// against the frames of its StackMap attribute, run before the class is first
// initialised. A verified method's frames become the collector's reference maps.
#pragma once

#include <stdint.h>

#include "vm/core/records.h"

// Verifier types (16 bits): small codes for the primitive kinds, class keys from 256
// up, and uninitialised objects tagged with bit 12 and the offset of their new.
enum {
    VT_TOP = 0,
    VT_INT = 1,
    VT_FLOAT = 2,
    VT_DOUBLE = 3,
    VT_LONG = 4,
    VT_NULL = 5,
    VT_UNINIT_THIS = 6,
    VT_LONG_2 = 9,
    VT_DOUBLE_2 = 10,
    VT_REFERENCE = 14,  // any reference; only ever expected, never held
    VT_FIRST_CLASS = 256,
    VT_UNINIT_FLAG = 0x1000,
};

// Why a method failed; internal, reported only in the trace.
enum {
    VE_STACK_OVERFLOW = 1,
    VE_STACK_UNDERFLOW = 2,
    VE_NOT_CATEGORY1 = 3,
    VE_STACK_BAD_TYPE = 4,
    VE_LOCAL_INDEX = 5,
    VE_LOCAL_BAD_TYPE = 6,
    VE_LOCAL_SECOND_WORD_0 = 7,
    VE_TARGET_FRAME = 8,
    VE_BACK_BRANCH_UNINIT = 9,
    VE_FRAME_MISMATCH = 10,
    VE_BAD_CLASS_ENTRY = 11,
    VE_CATCH_NOT_THROWABLE = 12,
    VE_LOOKUPSWITCH_ORDER = 13,
    VE_BAD_LDC = 14,
    VE_BALOAD_ARRAY = 15,
    VE_AALOAD_ARRAY = 16,
    VE_BASTORE_ARRAY = 17,
    VE_AASTORE_ARRAY = 18,
    VE_INVOKE_FIELD = 20,
    VE_ARGS_MISSING = 21,
    VE_ARGS_BAD_TYPE = 22,
    VE_SPECIAL_METHOD = 23,
    VE_INIT_NOT_NEW = 24,
    VE_INIT_RECEIVER = 25,
    VE_BAD_OPCODE = 26,
    VE_ARRAYLENGTH = 27,
    VE_MULTIANEWARRAY = 28,
    VE_RETURN_FROM_VOID = 29,
    VE_RETURN_TYPE = 30,
    VE_RETURN_NOT_VOID = 31,
    VE_RETURN_UNINIT = 32,
    VE_FRAME_OFFSET = 33,
    VE_FALLS_OFF_END = 34,
    VE_INVOKEINTERFACE_ZERO = 35,
    VE_INVOKEINTERFACE_COUNT = 36,
    VE_INVOKESPECIAL_CLASS = 37,
    VE_BAD_INIT_CALL = 38,
    VE_FIELD_ENTRY = 39,
    VE_FINAL_OVERRIDE = 40,
    VE_CODE_OVERRUN = 41,
    VE_NEW_WITHOUT_NEW = 42,
    VE_HANDLER_INSIDE = 43,
    VE_PUTFIELD_UNINIT = 44,
    VE_POOL_INDEX = 120,
};

// Flags of matchStackMap.
enum {
    SM_CHECK = 1,
    SM_COPY = 2,
    SM_EXIST = 4,
};

// Verifies every method with bytecode; the class becomes CLASS_VERIFIED, or
// CLASS_ERROR with java/lang/VerifyError raised (its message the class name).
void verifyClass(ClassRecord* clazz);
// 0 or the reason code of the first failure.
int verifyMethod(MethodRecord* method);
// Whether a value of type from may stand where to is expected; *merged gets the type
// it stands as (java/lang/Object for an interface).
bool isTypeAssignable(uint16_t from, uint16_t to, uint16_t* merged);

// The verifier type of an uninitialised object made by the new at offset.
inline uint16_t uninitializedType(uint32_t offset) {
    return (uint16_t)(((offset & 0x7000) << 1) | VT_UNINIT_FLAG | (offset & 0x0FFF));
}
inline uint32_t uninitializedOffset(uint16_t type) { return ((uint32_t)(type >> 1) & 0x7000) | (type & 0x0FFF); }
inline bool isUninitializedType(uint16_t type) { return (type & VT_UNINIT_FLAG) != 0; }
inline bool isClassType(uint16_t type) { return type >= VT_FIRST_CLASS && !(type & VT_UNINIT_FLAG); }
