// Float and double instructions on the operand stack, shared by the fast loop and the
// slow interpreter. Two-word values move as one 8-byte access, so that a double written
// whole is never read back in halves or the other way round.
#pragma once

#include <math.h>
#include <stdint.h>
#include <string.h>

#include "vm/core/opcodes.h"
#include "vm/core/records.h"

static inline float asFloat(cell c) {
    float f;
    memcpy(&f, &c, 4);
    return f;
}
static inline cell fromFloat(float f) {
    cell c;
    memcpy(&c, &f, 4);
    return c;
}
static inline double getDouble(const cell* p) {
    double d;
    memcpy(&d, p, 8);
    return d;
}
static inline void setDouble(cell* p, double d) { memcpy(p, &d, 8); }
static inline int64_t getLong(const cell* p) {
    int64_t v;
    memcpy(&v, p, 8);
    return v;
}
static inline void setLong(cell* p, int64_t v) { memcpy(p, &v, 8); }

// Copies a two-word value with one 8-byte load and store through an integer register:
// the bits pass unchanged (no x87 register, which would quiet a signalling NaN).
static inline void moveTwoWords(cell* to, const cell* from) {
    uint64_t v;
    memcpy(&v, from, 8);
    memcpy(to, &v, 8);
}
// The same for a value whose halves come from two places (low half first).
static inline void storeTwoWords(cell* to, cell low, cell high) {
    uint64_t v = (uint64_t)(uint32_t)low | (uint64_t)(uint32_t)high << 32;
    memcpy(to, &v, 8);
}

// Conversions to integers by the magnitude of the value's bits: C++ casts of values
// out of range are undefined, so only values known to fit are cast.
static inline int32_t floatToInt(float f) {
    uint32_t bits;
    memcpy(&bits, &f, 4);
    if ((bits & 0x7FFFFFFF) < 0x4F000000) return (int32_t)f;
    if (f != f) return 0;
    return (bits & 0x80000000) ? INT32_MIN : INT32_MAX;
}

static inline int64_t floatToLong(float f) {
    uint32_t bits;
    memcpy(&bits, &f, 4);
    if ((bits & 0x7FFFFFFF) < 0x5F000000) return (int64_t)f;
    if (f != f) return 0;
    return (bits & 0x80000000) ? INT64_MIN : INT64_MAX;
}

static inline uint32_t highWord(double d) {
    uint64_t bits;
    memcpy(&bits, &d, 8);
    return (uint32_t)(bits >> 32);
}

static inline int32_t doubleToInt(double d) {
    uint32_t high = highWord(d);
    if ((high & 0x7FFFFFFF) < 0x41E00000) return (int32_t)d;
    if (d != d) return 0;
    return (high & 0x80000000) ? INT32_MIN : INT32_MAX;
}

static inline int64_t doubleToLong(double d) {
    uint32_t high = highWord(d);
    if ((high & 0x7FFFFFFF) < 0x43E00000) return (int64_t)d;
    if (d != d) return 0;
    return (high & 0x80000000) ? INT64_MIN : INT64_MAX;
}

// fcmpl/dcmpl answer -1 for NaN, fcmpg/dcmpg 1.
template <typename T>
static inline cell compareFloating(T a, T b, bool nanIsGreater) {
    if (a > b) return 1;
    if (a == b) return 0;
    if (a < b) return -1;
    return nanIsGreater ? 1 : -1;
}

// Executes the float or double instruction opcode at ip, other than the array accesses,
// on sp and the locals lp; returns the new sp and sets *length to the instruction's
// length. Returns nullptr for any other opcode. Called with a constant opcode it folds
// to that instruction's own code.
__attribute__((always_inline)) static inline cell* floatingStep(int opcode, const uint8_t* ip, cell* sp, cell* lp,
                                                                int* length) {
    *length = 1;
    switch (opcode) {
        case OP_FCONST_0:
            *++sp = 0;
            break;
        case OP_FCONST_1:
            *++sp = 0x3F800000;
            break;
        case OP_FCONST_2:
            *++sp = 0x40000000;
            break;
        case OP_DCONST_0:
            storeTwoWords(sp + 1, 0, 0);
            sp += 2;
            break;
        case OP_DCONST_1:
            storeTwoWords(sp + 1, 0, 0x3FF00000);
            sp += 2;
            break;
        case OP_FLOAD:
            *++sp = lp[ip[1]];
            *length = 2;
            break;
        case OP_DLOAD:
            moveTwoWords(sp + 1, lp + ip[1]);
            sp += 2;
            *length = 2;
            break;
        case OP_FLOAD_0:
        case OP_FLOAD_1:
        case OP_FLOAD_2:
        case OP_FLOAD_3:
            *++sp = lp[opcode - OP_FLOAD_0];
            break;
        case OP_DLOAD_0:
        case OP_DLOAD_1:
        case OP_DLOAD_2:
        case OP_DLOAD_3:
            moveTwoWords(sp + 1, lp + (opcode - OP_DLOAD_0));
            sp += 2;
            break;
        case OP_FSTORE:
            lp[ip[1]] = *sp--;
            *length = 2;
            break;
        case OP_DSTORE:
            moveTwoWords(lp + ip[1], sp - 1);
            sp -= 2;
            *length = 2;
            break;
        case OP_FSTORE_0:
        case OP_FSTORE_1:
        case OP_FSTORE_2:
        case OP_FSTORE_3:
            lp[opcode - OP_FSTORE_0] = *sp--;
            break;
        case OP_DSTORE_0:
        case OP_DSTORE_1:
        case OP_DSTORE_2:
        case OP_DSTORE_3:
            moveTwoWords(lp + (opcode - OP_DSTORE_0), sp - 1);
            sp -= 2;
            break;
        case OP_FADD:
            sp[-1] = fromFloat(asFloat(sp[-1]) + asFloat(sp[0]));
            sp--;
            break;
        case OP_FSUB:
            sp[-1] = fromFloat(asFloat(sp[-1]) - asFloat(sp[0]));
            sp--;
            break;
        case OP_FMUL:
            sp[-1] = fromFloat(asFloat(sp[-1]) * asFloat(sp[0]));
            sp--;
            break;
        case OP_FDIV:
            sp[-1] = fromFloat(asFloat(sp[-1]) / asFloat(sp[0]));
            sp--;
            break;
        case OP_FREM:
            sp[-1] = fromFloat((float)fmod((double)asFloat(sp[-1]), (double)asFloat(sp[0])));
            sp--;
            break;
        case OP_FNEG:
            sp[0] = fromFloat(asFloat(sp[0]) * -1.0f);
            break;
        case OP_DADD:
            setDouble(sp - 3, getDouble(sp - 3) + getDouble(sp - 1));
            sp -= 2;
            break;
        case OP_DSUB:
            setDouble(sp - 3, getDouble(sp - 3) - getDouble(sp - 1));
            sp -= 2;
            break;
        case OP_DMUL:
            setDouble(sp - 3, getDouble(sp - 3) * getDouble(sp - 1));
            sp -= 2;
            break;
        case OP_DDIV:
            setDouble(sp - 3, getDouble(sp - 3) / getDouble(sp - 1));
            sp -= 2;
            break;
        case OP_DREM:
            setDouble(sp - 3, fmod(getDouble(sp - 3), getDouble(sp - 1)));
            sp -= 2;
            break;
        case OP_DNEG:
            setDouble(sp - 1, getDouble(sp - 1) * -1.0);
            break;
        case OP_I2F:
            sp[0] = fromFloat((float)sp[0]);
            break;
        case OP_I2D:
            setDouble(sp, (double)sp[0]);
            sp++;
            break;
        case OP_L2F:
            sp[-1] = fromFloat((float)getLong(sp - 1));
            sp--;
            break;
        case OP_L2D:
            setDouble(sp - 1, (double)getLong(sp - 1));
            break;
        case OP_F2I:
            sp[0] = floatToInt(asFloat(sp[0]));
            break;
        case OP_F2L:
            setLong(sp, floatToLong(asFloat(sp[0])));
            sp++;
            break;
        case OP_F2D:
            setDouble(sp, (double)asFloat(sp[0]));
            sp++;
            break;
        case OP_D2I:
            sp[-1] = doubleToInt(getDouble(sp - 1));
            sp--;
            break;
        case OP_D2L:
            setLong(sp - 1, doubleToLong(getDouble(sp - 1)));
            break;
        case OP_D2F:
            sp[-1] = fromFloat((float)getDouble(sp - 1));
            sp--;
            break;
        case OP_FCMPL:
        case OP_FCMPG:
            sp[-1] = compareFloating(asFloat(sp[-1]), asFloat(sp[0]), opcode == OP_FCMPG);
            sp--;
            break;
        case OP_DCMPL:
        case OP_DCMPG:
            sp[-3] = compareFloating(getDouble(sp - 3), getDouble(sp - 1), opcode == OP_DCMPG);
            sp -= 3;
            break;
        default:
            return nullptr;
    }
    return sp;
}
