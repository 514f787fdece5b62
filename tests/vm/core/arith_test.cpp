// Integer and long instructions of the fast loop, one table: each case leaves an int
// or a long that main stores in a static field, or raises the named exception.
#include <gtest/gtest.h>

#include <functional>

#include "support/vmasm.h"

using namespace vmasm;

namespace {

struct ArithCase {
    const char* name;
    std::function<void(Code&)> emit;
    bool isLong;
    int64_t expected;
    const char* exception;  // class that must be raised instead, or null
};

const int32_t MIN_INT = INT32_MIN;
const int64_t MIN_LONG = INT64_MIN;

// Emits an int array {values} in local 1 of main.
void intArray(Code& c, int type, std::vector<int32_t> values, int storeOp) {
    c.iconst((int32_t)values.size()).newarray(type).astore(1);
    for (size_t i = 0; i < values.size(); i++) c.aload(1).iconst((int32_t)i).iconst(values[i]).op((uint8_t)storeOp);
}

const ArithCase arithCases[] = {
    {"idiv MIN by -1", [](Code& c) { c.ldcInt(MIN_INT).iconst(-1).op(OP_IDIV); }, false, MIN_INT, nullptr},
    {"irem MIN by -1", [](Code& c) { c.ldcInt(MIN_INT).iconst(-1).op(OP_IREM); }, false, 0, nullptr},
    {"idiv truncates toward zero", [](Code& c) { c.iconst(-7).iconst(2).op(OP_IDIV); }, false, -3, nullptr},
    {"irem keeps the dividend's sign", [](Code& c) { c.iconst(-7).iconst(2).op(OP_IREM); }, false, -1, nullptr},
    {"idiv by zero", [](Code& c) { c.iconst(1).iconst(0).op(OP_IDIV); }, false, 0, "java/lang/ArithmeticException"},
    {"irem by zero", [](Code& c) { c.iconst(1).iconst(0).op(OP_IREM); }, false, 0, "java/lang/ArithmeticException"},
    {"ldiv MIN by -1", [](Code& c) { c.ldc2Long(MIN_LONG).ldc2Long(-1).op(OP_LDIV); }, true, MIN_LONG, nullptr},
    {"lrem MIN by -1", [](Code& c) { c.ldc2Long(MIN_LONG).ldc2Long(-1).op(OP_LREM); }, true, 0, nullptr},
    {"ldiv", [](Code& c) { c.ldc2Long(-10000000000LL).ldc2Long(3).op(OP_LDIV); }, true, -3333333333LL, nullptr},
    {"lrem", [](Code& c) { c.ldc2Long(-10000000000LL).ldc2Long(3).op(OP_LREM); }, true, -1, nullptr},
    {"ldiv by zero", [](Code& c) { c.ldc2Long(5).op(OP_LCONST_0).op(OP_LDIV); }, true, 0,
     "java/lang/ArithmeticException"},
    {"ldiv by 2^32 is not zero", [](Code& c) { c.ldc2Long(1LL << 40).ldc2Long(1LL << 32).op(OP_LDIV); }, true, 256,
     nullptr},
    {"ishl masks to 5 bits", [](Code& c) { c.iconst(1).iconst(33).op(OP_ISHL); }, false, 2, nullptr},
    {"ishr masks and keeps the sign", [](Code& c) { c.iconst(-16).iconst(34).op(OP_ISHR); }, false, -4, nullptr},
    {"iushr masks, no sign", [](Code& c) { c.iconst(-1).iconst(60).op(OP_IUSHR); }, false, 15, nullptr},
    {"lshl masks to 6 bits", [](Code& c) { c.op(OP_LCONST_1).iconst(65).op(OP_LSHL); }, true, 2, nullptr},
    {"lshl across the halves", [](Code& c) { c.op(OP_LCONST_1).iconst(40).op(OP_LSHL); }, true, 1LL << 40, nullptr},
    {"lshr keeps the sign", [](Code& c) { c.ldc2Long(-(1LL << 40)).iconst(64 + 36).op(OP_LSHR); }, true, -16, nullptr},
    {"lushr", [](Code& c) { c.ldc2Long(-1).iconst(63).op(OP_LUSHR); }, true, 1, nullptr},
    {"lcmp less", [](Code& c) { c.ldc2Long(-5).ldc2Long(1LL << 33).op(OP_LCMP); }, false, -1, nullptr},
    {"lcmp equal", [](Code& c) { c.ldc2Long(1LL << 33).ldc2Long(1LL << 33).op(OP_LCMP); }, false, 0, nullptr},
    {"lcmp greater by the low half", [](Code& c) { c.ldc2Long(0xFFFFFFFFLL).ldc2Long(1).op(OP_LCMP); }, false, 1,
     nullptr},
    {"i2b", [](Code& c) { c.iconst(0x1FF).op(OP_I2B); }, false, -1, nullptr},
    {"i2c", [](Code& c) { c.iconst(-1).op(OP_I2C); }, false, 0xFFFF, nullptr},
    {"i2s", [](Code& c) { c.iconst(0x18000).op(OP_I2S); }, false, -32768, nullptr},
    {"i2l sign-extends", [](Code& c) { c.iconst(-2).op(OP_I2L); }, true, -2, nullptr},
    {"l2i keeps the low half", [](Code& c) { c.ldc2Long(0x1234567887654321LL).op(OP_L2I); }, false, (int32_t)0x87654321,
     nullptr},
    {"iadd wraps", [](Code& c) { c.ldcInt(INT32_MAX).iconst(1).op(OP_IADD); }, false, MIN_INT, nullptr},
    {"lmul", [](Code& c) { c.ldc2Long(3000000000LL).ldc2Long(-3).op(OP_LMUL); }, true, -9000000000LL, nullptr},
    {"lsub borrows", [](Code& c) { c.ldc2Long(1LL << 32).op(OP_LCONST_1).op(OP_LSUB); }, true, 0xFFFFFFFFLL, nullptr},
    {"land lor lxor",
     [](Code& c) {
         c.ldc2Long(0xF0F0F0F0F0LL)
             .ldc2Long(0xFF00FF00FFLL)
             .op(OP_LAND)
             .ldc2Long(1LL << 36)
             .op(OP_LOR)
             .ldc2Long(0xF)
             .op(OP_LXOR);
     },
     true, ((0xF0F0F0F0F0LL & 0xFF00FF00FFLL) | (1LL << 36)) ^ 0xF, nullptr},
    {"ineg of MIN", [](Code& c) { c.ldcInt(MIN_INT).op(OP_INEG); }, false, MIN_INT, nullptr},
    {"lneg", [](Code& c) { c.ldc2Long(1LL << 35).op(OP_LNEG); }, true, -(1LL << 35), nullptr},
    {"baload sign-extends",
     [](Code& c) {
         intArray(c, T_BYTE, {0x80, 0x7F}, OP_BASTORE);
         c.aload(1).iconst(0).op(OP_BALOAD);
     },
     false, -128, nullptr},
    {"caload zero-extends",
     [](Code& c) {
         intArray(c, T_CHAR, {-1}, OP_CASTORE);
         c.aload(1).iconst(0).op(OP_CALOAD);
     },
     false, 0xFFFF, nullptr},
    {"saload sign-extends",
     [](Code& c) {
         intArray(c, T_SHORT, {0x8001}, OP_SASTORE);
         c.aload(1).iconst(0).op(OP_SALOAD);
     },
     false, -32767, nullptr},
    {"laload and lastore",
     [](Code& c) {
         c.iconst(2)
             .newarray(T_LONG)
             .astore(1)
             .aload(1)
             .iconst(1)
             .ldc2Long(-(1LL << 40))
             .op(OP_LASTORE)
             .aload(1)
             .iconst(1)
             .op(OP_LALOAD);
     },
     true, -(1LL << 40), nullptr},
    {"iaload last element",
     [](Code& c) {
         intArray(c, T_INT, {4, 5, 6}, OP_IASTORE);
         c.aload(1).iconst(2).op(OP_IALOAD);
     },
     false, 6, nullptr},
    {"iaload at length",
     [](Code& c) {
         intArray(c, T_INT, {4, 5, 6}, OP_IASTORE);
         c.aload(1).iconst(3).op(OP_IALOAD);
     },
     false, 0, "java/lang/ArrayIndexOutOfBoundsException"},
    {"iaload at -1",
     [](Code& c) {
         intArray(c, T_INT, {4}, OP_IASTORE);
         c.aload(1).iconst(-1).op(OP_IALOAD);
     },
     false, 0, "java/lang/ArrayIndexOutOfBoundsException"},
    {"bastore at length", [](Code& c) { c.iconst(2).newarray(T_BYTE).iconst(2).iconst(1).op(OP_BASTORE).iconst(0); },
     false, 0, "java/lang/ArrayIndexOutOfBoundsException"},
    {"iaload of null", [](Code& c) { c.op(OP_ACONST_NULL).iconst(0).op(OP_IALOAD); }, false, 0,
     "java/lang/NullPointerException"},
    {"arraylength", [](Code& c) { c.iconst(7).newarray(T_SHORT).op(OP_ARRAYLENGTH); }, false, 7, nullptr},
    {"arraylength of null", [](Code& c) { c.op(OP_ACONST_NULL).op(OP_ARRAYLENGTH); }, false, 0,
     "java/lang/NullPointerException"},
    {"newarray negative", [](Code& c) { c.iconst(-1).newarray(T_INT).op(OP_ARRAYLENGTH); }, false, 0,
     "java/lang/NegativeArraySizeException"},
    {"tableswitch in range",
     [](Code& c) {
         c.iconst(11)
             .tableswitch(10, "d", {"a", "b"})
             .label("a")
             .iconst(1)
             .branch(OP_GOTO, "e")
             .label("b")
             .iconst(2)
             .branch(OP_GOTO, "e")
             .label("d")
             .iconst(3)
             .label("e");
     },
     false, 2, nullptr},
    {"tableswitch default",
     [](Code& c) {
         c.iconst(12)
             .tableswitch(10, "d", {"a", "b"})
             .label("a")
             .iconst(1)
             .branch(OP_GOTO, "e")
             .label("b")
             .iconst(2)
             .branch(OP_GOTO, "e")
             .label("d")
             .iconst(3)
             .label("e");
     },
     false, 3, nullptr},
    {"lookupswitch found",
     [](Code& c) {
         c.iconst(-5)
             .lookupswitch("d", {{-100, "a"}, {-5, "b"}, {7, "a"}})
             .label("a")
             .iconst(1)
             .branch(OP_GOTO, "e")
             .label("b")
             .iconst(2)
             .branch(OP_GOTO, "e")
             .label("d")
             .iconst(3)
             .label("e");
     },
     false, 2, nullptr},
    {"lookupswitch default",
     [](Code& c) {
         c.iconst(8)
             .lookupswitch("d", {{-100, "a"}, {-5, "b"}, {7, "a"}})
             .label("a")
             .iconst(1)
             .branch(OP_GOTO, "e")
             .label("b")
             .iconst(2)
             .branch(OP_GOTO, "e")
             .label("d")
             .iconst(3)
             .label("e");
     },
     false, 3, nullptr},
    {"dup_x2 and swap",
     [](Code& c) { c.iconst(1).iconst(2).iconst(3).op(OP_DUP_X2).op(OP_POP).op(OP_SWAP).op(OP_ISUB).op(OP_IADD); },
     false, 3 + (2 - 1), nullptr},
    {"dup2_x1 of a long", [](Code& c) { c.iconst(9).ldc2Long(5).op(OP_DUP2_X1).op(OP_POP2).op(OP_POP).op(OP_L2I); },
     false, 5, nullptr},
    {"iinc negative", [](Code& c) { c.iconst(10).istore(2).iinc(2, -3).iload(2); }, false, 7, nullptr},
};

int64_t runCase(const ArithCase& k, RunResult& r) {
    Vm vm;
    ClassSpec& t = vm.cls("T");
    t.field("ri", "I", ACC_STATIC).field("rl", "J", ACC_STATIC);
    MethodSpec& main = t.method("main", "([Ljava/lang/String;)V", ACC_PUBLIC | ACC_STATIC).locals(4);
    main.code.label("start");
    k.emit(main.code);
    if (k.isLong)
        main.code.putstatic("T", "rl", "J");
    else
        main.code.putstatic("T", "ri", "I");
    main.code.op(OP_RETURN);
    if (k.exception) {
        // the handler stores a marker instead
        main.code.label("end").op(OP_POP).ldcInt(0x5EE).putstatic("T", "ri", "I").op(OP_RETURN);
        main.handler("start", "end", "end", k.exception);
    } else {
        main.code.label("end");
    }
    int64_t value = 0;
    vm.afterRun = [&] {
        bool isLong = k.isLong && !k.exception;
        cell* slot = isLong ? vm.staticAddress("T", "rl") : vm.staticAddress("T", "ri");
        value = isLong ? ((int64_t)(uint32_t)slot[0] | ((int64_t)slot[1] << 32)) : slot[0];
    };
    r = vm.run("T");
    return value;
}

TEST(Arithmetic, IntAndLongInstructions) {
    for (const ArithCase& k : arithCases) {
        RunResult r;
        int64_t value = runCase(k, r);
        EXPECT_EQ(r.exitCode, 0) << k.name << "\n" << r.trace;
        if (k.exception)
            EXPECT_EQ(value, 0x5EE) << k.name << ": expected " << k.exception;
        else
            EXPECT_EQ(value, k.expected) << k.name;
    }
}

}  // namespace
