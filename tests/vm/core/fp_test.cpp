// Float and double instructions: Java's rules where they are not plain IEEE
// arithmetic (conversions to integers, comparisons with NaN, remainders), constants,
// locals and arrays of floats and doubles, and wide.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>

#include "support/vmasm.h"

using namespace vmasm;

namespace {

const char* const MAIN_SIG = "([Ljava/lang/String;)V";
const uint32_t MAIN_FLAGS = ACC_PUBLIC | ACC_STATIC;

const int32_t F_NAN = 0x7FC00000;
const int32_t F_3E10 = 0x50DF8476;  // 3.0e10f
const int32_t F_MINUS_3E10 = (int32_t)0xD0DF8476;
const int32_t F_1E19 = 0x5F0AC723;  // 1.0e19f
const int32_t F_1_5 = 0x3FC00000;
const int32_t F_MINUS_1_5 = (int32_t)0xBFC00000;
const int32_t F_0_1 = 0x3DCCCCCD;
const int32_t F_0_2 = 0x3E4CCCCD;
const int32_t F_5_5 = 0x40B00000;
const int32_t F_MINUS_5_5 = (int32_t)0xC0B00000;
const int32_t F_2 = 0x40000000;
const int32_t F_1 = 0x3F800000;
const int64_t D_NAN = 0x7FF8000000000000;
const int64_t D_1E19 = 0x43E158E460913D00;
const int64_t D_MINUS_1E19 = (int64_t)0xC3E158E460913D00;
const int64_t D_3E10 = 0x421BF08EB0000000;
const int64_t D_MINUS_3E10 = (int64_t)0xC21BF08EB0000000;
const int64_t D_0_1 = 0x3FB999999999999A;
const int64_t D_0_2 = 0x3FC999999999999A;
const int64_t D_123_9 = 0x405EF9999999999A;
const int64_t D_MIN_INT = (int64_t)0xC1E0000000000000;  // -2147483648.0
const int64_t D_5_5 = 0x4016000000000000;
const int64_t D_2 = 0x4000000000000000;

struct Case {
    const char* name;
    bool wide;  // result is a long (two words), else an int
    std::function<void(Code&)> code;
    int64_t expected;
};

// main computes one value and stores it in the static int r or the static long l.
void runCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        Vm vm;
        ClassSpec& t = vm.cls("F");
        t.field("r", "I", ACC_STATIC).field("l", "J", ACC_STATIC);
        Code& code = t.method("main", MAIN_SIG, MAIN_FLAGS).locals(400).code;
        c.code(code);
        if (c.wide)
            code.putstatic("F", "l", "J");
        else
            code.putstatic("F", "r", "I");
        code.op(OP_RETURN);
        int64_t got = 0;
        vm.afterRun = [&] {
            cell* r = vm.staticAddress("F", c.wide ? "l" : "r");
            if (c.wide)
                memcpy(&got, r, 8);
            else
                got = r[0];
        };
        RunResult result = vm.run("F");
        EXPECT_EQ(result.exitCode, 0) << c.name << "\n" << result.trace;
        EXPECT_EQ(got, c.expected) << c.name;
    }
}

std::function<void(Code&)> floats(int32_t a, uint8_t op) {
    return [=](Code& c) { c.ldcInt(a).op(op); };
}
std::function<void(Code&)> floats(int32_t a, int32_t b, uint8_t op) {
    return [=](Code& c) { c.ldcInt(a).ldcInt(b).op(op); };
}
std::function<void(Code&)> doubles(int64_t a, uint8_t op) {
    return [=](Code& c) { c.ldc2Long(a).op(op); };
}
std::function<void(Code&)> doubles(int64_t a, int64_t b, uint8_t op) {
    return [=](Code& c) { c.ldc2Long(a).ldc2Long(b).op(op); };
}

TEST(FloatingPoint, ConversionsToIntegers) {
    runCases({
        {"f2i NaN", false, floats(F_NAN, OP_F2I), 0},
        {"f2i 3e10 saturates", false, floats(F_3E10, OP_F2I), INT32_MAX},
        {"f2i -3e10 saturates", false, floats(F_MINUS_3E10, OP_F2I), INT32_MIN},
        {"f2i 1.5 truncates", false, floats(F_1_5, OP_F2I), 1},
        {"f2i -1.5 truncates toward zero", false, floats(F_MINUS_1_5, OP_F2I), -1},
        {"f2i 2^31 exactly", false, floats(0x4F000000, OP_F2I), INT32_MAX},
        {"f2i -2^31 exactly", false, floats((int32_t)0xCF000000, OP_F2I), INT32_MIN},
        {"f2i +infinity", false, floats(0x7F800000, OP_F2I), INT32_MAX},
        {"f2l NaN", true, floats(F_NAN, OP_F2L), 0},
        {"f2l 1e19 saturates", true, floats(F_1E19, OP_F2L), INT64_MAX},
        {"f2l -infinity", true, floats((int32_t)0xFF800000, OP_F2L), INT64_MIN},
        {"f2l 3e10 fits", true, floats(F_3E10, OP_F2L), 30000001024LL},
        {"d2i NaN", false, doubles(D_NAN, OP_D2I), 0},
        {"d2i 3e10 saturates", false, doubles(D_3E10, OP_D2I), INT32_MAX},
        {"d2i -3e10 saturates", false, doubles(D_MINUS_3E10, OP_D2I), INT32_MIN},
        {"d2i -2^31 exactly", false, doubles(D_MIN_INT, OP_D2I), INT32_MIN},
        {"d2i 123.9 truncates", false, doubles(D_123_9, OP_D2I), 123},
        {"d2l 1e19 saturates", true, doubles(D_1E19, OP_D2L), INT64_MAX},
        {"d2l -1e19 saturates", true, doubles(D_MINUS_1E19, OP_D2L), INT64_MIN},
        {"d2l NaN", true, doubles(D_NAN, OP_D2L), 0},
        {"d2l 3e10 fits", true, doubles(D_3E10, OP_D2L), 30000000000LL},
    });
}

TEST(FloatingPoint, ComparisonsWithNaN) {
    runCases({
        {"fcmpl NaN", false, floats(F_NAN, F_1, OP_FCMPL), -1},
        {"fcmpg NaN", false, floats(F_NAN, F_1, OP_FCMPG), 1},
        {"fcmpl NaN on the right", false, floats(F_1, F_NAN, OP_FCMPL), -1},
        {"fcmpg NaN on the right", false, floats(F_1, F_NAN, OP_FCMPG), 1},
        {"fcmpl less", false, floats(F_1, F_2, OP_FCMPL), -1},
        {"fcmpg less", false, floats(F_1, F_2, OP_FCMPG), -1},
        {"fcmpl greater", false, floats(F_2, F_1, OP_FCMPL), 1},
        {"fcmpg 0.0 and -0.0 are equal", false, floats(0, (int32_t)0x80000000, OP_FCMPG), 0},
        {"dcmpl NaN", false, doubles(D_NAN, D_2, OP_DCMPL), -1},
        {"dcmpg NaN", false, doubles(D_NAN, D_2, OP_DCMPG), 1},
        {"dcmpl greater", false, doubles(D_5_5, D_2, OP_DCMPL), 1},
        {"dcmpg less", false, doubles(D_2, D_5_5, OP_DCMPG), -1},
        {"dcmpl equal", false, doubles(D_2, D_2, OP_DCMPL), 0},
    });
}

TEST(FloatingPoint, Arithmetic) {
    runCases({
        {"0.1 + 0.2 as doubles", true, doubles(D_0_1, D_0_2, OP_DADD), 0x3FD3333333333334},
        {"0.1f + 0.2f", false, floats(F_0_1, F_0_2, OP_FADD), 0x3E99999A},
        {"frem 5.5 % 2", false, floats(F_5_5, F_2, OP_FREM), 0x3FC00000},
        {"frem -5.5 % 2 keeps the dividend's sign", false, floats(F_MINUS_5_5, F_2, OP_FREM), (int32_t)0xBFC00000},
        // NaN's bits are the platform's: compare the result with itself
        {"frem by zero is NaN", false, [](Code& c) { c.ldcInt(F_5_5).ldcInt(0).op(OP_FREM).op(OP_DUP).op(OP_FCMPG); },
         1},
        {"drem by zero is NaN", false,
         [](Code& c) { c.ldc2Long(D_5_5).ldc2Long(0).op(OP_DREM).op(OP_DUP2).op(OP_DCMPL); }, -1},
        {"drem 5.5 % 2", true, doubles(D_5_5, D_2, OP_DREM), 0x3FF8000000000000},
        {"fsub", false, floats(F_5_5, F_2, OP_FSUB), 0x40600000},
        {"fmul", false, floats(F_5_5, F_2, OP_FMUL), 0x41300000},
        {"fdiv by zero", false, floats(F_1, 0, OP_FDIV), 0x7F800000},
        {"dsub", true, doubles(D_5_5, D_2, OP_DSUB), 0x400C000000000000},
        {"dmul", true, doubles(D_5_5, D_2, OP_DMUL), 0x4026000000000000},
        {"ddiv", true, doubles(D_5_5, D_2, OP_DDIV), 0x4006000000000000},
        {"fneg of 0 is -0", false, floats(0, OP_FNEG), (int32_t)0x80000000},
        {"dneg", true, doubles(D_2, OP_DNEG), (int64_t)0xC000000000000000},
    });
}

TEST(FloatingPoint, ConversionsBetweenFormats) {
    runCases({
        {"i2f rounds 2^24 + 1", false, [](Code& c) { c.ldcInt(16777217).op(OP_I2F); }, 0x4B800000},
        {"i2d", true, [](Code& c) { c.iconst(-3).op(OP_I2D); }, (int64_t)0xC008000000000000},
        {"l2f", false, [](Code& c) { c.ldc2Long(1LL << 40).op(OP_L2F); }, 0x53800000},
        {"l2d rounds 2^53 + 1", true, [](Code& c) { c.ldc2Long((1LL << 53) + 1).op(OP_L2D); }, 0x4340000000000000},
        {"f2d", true, floats(F_0_1, OP_F2D), 0x3FB99999A0000000},
        {"d2f", false, doubles(D_0_1, OP_D2F), F_0_1},
        {"d2f overflows to infinity", false, doubles(0x7FE0000000000000, OP_D2F), 0x7F800000},
    });
}

TEST(FloatingPoint, ConstantsLocalsAndArrays) {
    runCases({
        {"fconst_0", false, [](Code& c) { c.op(OP_FCONST_0); }, 0},
        {"fconst_1", false, [](Code& c) { c.op(OP_FCONST_1); }, F_1},
        {"fconst_2", false, [](Code& c) { c.op(OP_FCONST_2); }, F_2},
        {"dconst_0", true, [](Code& c) { c.op(OP_DCONST_0); }, 0},
        {"dconst_1", true, [](Code& c) { c.op(OP_DCONST_1); }, 0x3FF0000000000000},
        {"fstore_n and fload_n", false,
         [](Code& c) {
             c.op(OP_FCONST_2)
                 .op(OP_FSTORE_3)
                 .op(OP_FCONST_1)
                 .op(OP_FSTORE_0)
                 .op(OP_FLOAD_3)
                 .op(OP_FLOAD_0)
                 .op(OP_FSUB);
         },
         F_1},
        {"fstore and fload", false, [](Code& c) { c.ldcInt(F_5_5).op(OP_FSTORE).u1(9).op(OP_FLOAD).u1(9); }, F_5_5},
        {"dstore_n and dload_n", true,
         [](Code& c) {
             c.ldc2Long(D_5_5)
                 .op(OP_DSTORE_1)
                 .op(OP_DCONST_1)
                 .op(OP_DSTORE_3)
                 .op(OP_DLOAD_1)
                 .op(OP_DLOAD_3)
                 .op(OP_DSUB);
         },
         0x4012000000000000},
        {"dstore and dload", true, [](Code& c) { c.ldc2Long(D_0_1).op(OP_DSTORE).u1(7).op(OP_DLOAD).u1(7); }, D_0_1},
        {"fastore and faload", false,
         [](Code& c) {
             c.iconst(3)
                 .newarray(T_FLOAT)
                 .astore(5)
                 .aload(5)
                 .iconst(2)
                 .ldcInt(F_5_5)
                 .op(OP_FASTORE)
                 .aload(5)
                 .iconst(2)
                 .op(OP_FALOAD);
         },
         F_5_5},
        {"dastore and daload", true,
         [](Code& c) {
             c.iconst(3)
                 .newarray(T_DOUBLE)
                 .astore(5)
                 .aload(5)
                 .iconst(1)
                 .ldc2Long(D_0_2)
                 .op(OP_DASTORE)
                 .aload(5)
                 .iconst(1)
                 .op(OP_DALOAD);
         },
         D_0_2},
        {"wide istore and iload of local 300", false,
         [](Code& c) { c.sipush(1234).op(OP_WIDE).op(OP_ISTORE).u2(300).op(OP_WIDE).op(OP_ILOAD).u2(300); }, 1234},
        {"wide iinc by -1000", false,
         [](Code& c) {
             c.iconst(5)
                 .op(OP_WIDE)
                 .op(OP_ISTORE)
                 .u2(299)
                 .op(OP_WIDE)
                 .op(OP_IINC)
                 .u2(299)
                 .u2((uint16_t)-1000)
                 .op(OP_WIDE)
                 .op(OP_ILOAD)
                 .u2(299);
         },
         -995},
        {"wide lstore and lload", true,
         [](Code& c) { c.ldc2Long(0x123456789A).op(OP_WIDE).op(OP_LSTORE).u2(260).op(OP_WIDE).op(OP_LLOAD).u2(260); },
         0x123456789A},
        {"wide dstore and dload", true,
         [](Code& c) { c.ldc2Long(D_0_1).op(OP_WIDE).op(OP_DSTORE).u2(270).op(OP_WIDE).op(OP_DLOAD).u2(270); }, D_0_1},
        {"wide fstore and fload", false,
         [](Code& c) { c.ldcInt(F_0_2).op(OP_WIDE).op(OP_FSTORE).u2(280).op(OP_WIDE).op(OP_FLOAD).u2(280); }, F_0_2},
        {"wide astore and aload", false,
         [](Code& c) {
             c.iconst(4).newarray(T_INT).op(OP_WIDE).op(OP_ASTORE).u2(290).op(OP_WIDE).op(OP_ALOAD).u2(290).op(
                 OP_ARRAYLENGTH);
         },
         4},
    });
}

// Two-word values move as they are: a signalling NaN (which an x87 load would quiet)
// and a value whose halves differ keep every bit through locals, arrays, the stack and
// static fields.
TEST(FloatingPoint, TwoWordMovesKeepEveryBit) {
    const int64_t D_SNAN = 0x7FF0000000000001;
    const int64_t HALVES = 0x0123456789ABCDEF;
    std::vector<Case> cases;
    std::deque<std::string> names;  // the cases' names, kept in place
    for (int64_t v : {D_SNAN, HALVES}) {
        const char* suffix = v == D_SNAN ? " (signalling NaN)" : " (mixed halves)";
        auto named = [&](const char* what) { return names.emplace_back(std::string(what) + suffix).c_str(); };
        cases.push_back(
            {named("dstore_2 and dload_2"), true, [v](Code& c) { c.ldc2Long(v).op(OP_DSTORE_2).op(OP_DLOAD_2); }, v});
        cases.push_back({named("dstore and dload"), true,
                         [v](Code& c) { c.ldc2Long(v).op(OP_DSTORE).u1(11).op(OP_DLOAD).u1(11); }, v});
        cases.push_back(
            {named("lstore_1 and lload_1"), true, [v](Code& c) { c.ldc2Long(v).op(OP_LSTORE_1).op(OP_LLOAD_1); }, v});
        cases.push_back({named("dastore and daload"), true,
                         [v](Code& c) {
                             c.iconst(2).newarray(T_DOUBLE).astore(5).aload(5).iconst(1).ldc2Long(v).op(OP_DASTORE);
                             c.aload(5).iconst(1).op(OP_DALOAD);
                         },
                         v});
        cases.push_back({named("lastore and laload"), true,
                         [v](Code& c) {
                             c.iconst(2).newarray(T_LONG).astore(5).aload(5).iconst(0).ldc2Long(v).op(OP_LASTORE);
                             c.aload(5).iconst(0).op(OP_LALOAD);
                         },
                         v});
        cases.push_back({named("dup2 and pop2"), true, [v](Code& c) { c.ldc2Long(v).op(OP_DUP2).op(OP_POP2); }, v});
        cases.push_back({named("putstatic and getstatic"), true,
                         [v](Code& c) { c.ldc2Long(v).putstatic("F", "l", "J").getstatic("F", "l", "J"); }, v});
    }
    runCases(cases);
}

TEST(FloatingPoint, FloatArrayAccessChecksNullAndBounds) {
    struct ArrayCase {
        const char* name;
        std::function<void(Code&)> code;
        const char* exception;
    };
    const std::vector<ArrayCase> cases = {
        {"faload of null", [](Code& c) { c.op(OP_ACONST_NULL).iconst(0).op(OP_FALOAD).op(OP_POP); },
         "java/lang/NullPointerException"},
        {"daload at the length", [](Code& c) { c.iconst(2).newarray(T_DOUBLE).iconst(2).op(OP_DALOAD).op(OP_POP2); },
         "java/lang/ArrayIndexOutOfBoundsException"},
        {"fastore at -1", [](Code& c) { c.iconst(2).newarray(T_FLOAT).iconst(-1).op(OP_FCONST_1).op(OP_FASTORE); },
         "java/lang/ArrayIndexOutOfBoundsException"},
        {"dastore into null", [](Code& c) { c.op(OP_ACONST_NULL).iconst(0).op(OP_DCONST_1).op(OP_DASTORE); },
         "java/lang/NullPointerException"},
    };
    for (const ArrayCase& c : cases) {
        Vm vm;
        ClassSpec& t = vm.cls("F");
        t.field("r", "I", ACC_STATIC);
        MethodSpec& m = t.method("main", MAIN_SIG, MAIN_FLAGS).locals(2);
        m.code.label("start");
        c.code(m.code);
        m.code.label("end")
            .iconst(1)
            .putstatic("F", "r", "I")
            .op(OP_RETURN)
            .label("caught")
            .op(OP_POP)
            .iconst(7)
            .putstatic("F", "r", "I")
            .op(OP_RETURN);
        m.handler("start", "end", "caught", c.exception);
        int32_t r = 0;
        vm.afterRun = [&] { r = *vm.staticAddress("F", "r"); };
        RunResult result = vm.run("F");
        EXPECT_EQ(result.exitCode, 0) << c.name << "\n" << result.trace;
        EXPECT_EQ(r, 7) << c.name;
    }
}

}  // namespace
