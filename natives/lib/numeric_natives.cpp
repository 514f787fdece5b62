// Float and Double travel on the operand stack as their raw bits, so the conversions only
// move words; the "to bits" directions fold every NaN into the one canonical NaN. Math's
// functions are the C library's on the IEEE double; Random is the 48-bit linear
// congruential generator of Java SE, so that a seed gives Java SE's sequence.
#include "natives/lib/numeric_natives.h"

#include <math.h>
#include <string.h>

#include "natives/lib/nativestack.h"
#include "vm/core/exceptions.h"
#include "vm/core/native.h"

void Java_java_lang_Float_floatToIntBits() {
    uint32_t bits = (uint32_t)popInt();
    if ((bits & 0x7FFFFFFFu) > 0x7F800000u) bits = 0x7FC00000u;
    pushInt((int32_t)bits);
}

void Java_java_lang_Float_intBitsToFloat() {
    // the same 32 bits stay on the stack
}

void Java_java_lang_Double_doubleToLongBits() {
    uint64_t bits = (uint64_t)popLong();
    if ((bits & 0x7FFFFFFFFFFFFFFFull) > 0x7FF0000000000000ull) bits = 0x7FF8000000000000ull;
    pushLong((int64_t)bits);
}

void Java_java_lang_Double_longBitsToDouble() {
    // the same 64 bits stay on the stack
}

// A double travels as the two words of its bits.
static inline double popDouble() {
    int64_t bits = popLong();
    double d;
    memcpy(&d, &bits, sizeof d);
    return d;
}

static inline void pushDouble(double d) {
    int64_t bits;
    memcpy(&bits, &d, sizeof bits);
    pushLong(bits);
}

void Java_java_lang_Math_ceil() { pushDouble(ceil(popDouble())); }
void Java_java_lang_Math_floor() { pushDouble(floor(popDouble())); }
void Java_java_lang_Math_sqrt() { pushDouble(sqrt(popDouble())); }
void Java_java_lang_Math_sin() { pushDouble(sin(popDouble())); }
void Java_java_lang_Math_cos() { pushDouble(cos(popDouble())); }
void Java_java_lang_Math_tan() { pushDouble(tan(popDouble())); }

// The 48-bit seed lives in the object's first two int slots: the low word, then the high
// 16 bits.
enum { RANDOM_SEED_LOW_SLOT = 0, RANDOM_SEED_HIGH_SLOT = 1 };
static const uint64_t RandomMask = (1ull << 48) - 1;

static uint64_t randomSeed(OBJECT random) {
    return ((uint64_t)(uint32_t)getIntFieldByIndex(random, RANDOM_SEED_HIGH_SLOT) << 32) |
           (uint32_t)getIntFieldByIndex(random, RANDOM_SEED_LOW_SLOT);
}

static int32_t randomNextBits(OBJECT random, int bits) {
    uint64_t seed = (randomSeed(random) * 0x5DEECE66Dull + 0xB) & RandomMask;
    setIntFieldByIndex(random, RANDOM_SEED_LOW_SLOT, (int32_t)(uint32_t)seed);
    setIntFieldByIndex(random, RANDOM_SEED_HIGH_SLOT, (int32_t)(uint32_t)(seed >> 32));
    return (int32_t)(uint32_t)(seed >> (48 - bits));
}

void Java_java_util_Random_nativeInit() { popObject(); }

void Java_java_util_Random_setSeed() {
    uint64_t seed = ((uint64_t)popLong() ^ 0x5DEECE66Dull) & RandomMask;
    OBJECT random = popObject();
    setIntFieldByIndex(random, RANDOM_SEED_LOW_SLOT, (int32_t)(uint32_t)seed);
    setIntFieldByIndex(random, RANDOM_SEED_HIGH_SLOT, (int32_t)(uint32_t)(seed >> 32));
}

void Java_java_util_Random_next() {
    int32_t bits = popInt();
    OBJECT random = popObject();
    // Java SE's protected next(bits) takes 1 to 32; outside that the shift is meaningless
    if (bits < 1) bits = 1;
    if (bits > 32) bits = 32;
    pushInt(randomNextBits(random, bits));
}

void Java_java_util_Random_nextInt__() {
    OBJECT random = popObject();
    pushInt(randomNextBits(random, 32));
}

void Java_java_util_Random_nextInt__I() {
    int32_t n = popInt();
    OBJECT random = popObject();
    if (n < 1) raiseException("java/lang/IllegalArgumentException");
    if ((n & -n) == n) {
        pushInt((int32_t)(((int64_t)n * randomNextBits(random, 31)) >> 31));
        return;
    }
    int32_t b, v;
    do {
        b = randomNextBits(random, 31);
        v = b % n;
    } while ((int32_t)((uint32_t)b - (uint32_t)v + (uint32_t)(n - 1)) < 0);
    pushInt(v);
}

void Java_java_util_Random_nextLong() {
    OBJECT random = popObject();
    int64_t high = (int64_t)randomNextBits(random, 32) << 32;
    pushLong(high + (int64_t)randomNextBits(random, 32));
}
