// Float and Double travel on the operand stack as their raw bits, so the conversions only
// move words; the "to bits" directions fold every NaN into the one canonical NaN.
#include "natives/lib/numeric_natives.h"

#include "natives/lib/nativestack.h"

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
