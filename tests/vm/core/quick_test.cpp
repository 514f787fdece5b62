// Quickened and combined opcodes: every instruction the slow interpreter rewrites gives
// the same results before and after its rewrite (and in read-only code, where it is
// never rewritten); every combined instruction gives the results of the standard
// sequence it stands for.
#include <gtest/gtest.h>

#include <functional>

#include "support/vmasm.h"

using namespace vmasm;

namespace {

const char* const MAIN_SIG = "([Ljava/lang/String;)V";
const uint32_t MAIN_FLAGS = ACC_PUBLIC | ACC_STATIC;

// The opcode at the probed site, read by a native at the end of main (before the run's
// end puts cached call sites back).
int probeOffset;
int probedOpcode;
void nativeProbe() { probedOpcode = Regs.fp->thisMethod->u.code[probeOffset]; }

// Makes the whole heap count as the image's read-only bytecode for this run.
RomImage readOnlyImage;
void treatAllCodeAsReadOnly() {
    readOnlyImage = *CurrentRomImage;
    readOnlyImage.codeAreaStart = HeapStart;
    readOnlyImage.codeAreaEnd = (char*)HeapStart + HeapSize;
    CurrentRomImage = &readOnlyImage;
}

// P: fields, statics, methods of each kind; Q extends P and overrides virt; I is
// implemented by P. main (in P) runs body three times with the turn in local 2 and
// sums the int each turn leaves into the static acc.
void addClasses(Vm& vm, const std::function<void(Code&)>& body) {
    ClassSpec& iface = vm.cls("I", "java/lang/Object", ACC_PUBLIC | ACC_INTERFACE | ACC_ABSTRACT);
    iface.method("ifn", "(I)I", ACC_PUBLIC | ACC_ABSTRACT);
    ClassSpec& p = vm.cls("P");
    p.implements("I");
    p.field("i", "I").field("arr", "[I").field("j", "J");
    p.field("si", "I", ACC_STATIC)
        .field("sarr", "[I", ACC_STATIC)
        .field("sj", "J", ACC_STATIC)
        .field("acc", "I", ACC_STATIC);
    p.method("<init>", "()V").code.aload(0).invokespecial("java/lang/Object", "<init>", "()V").op(OP_RETURN);
    p.method("virt", "(I)I").code.iload(1).iconst(1).op(OP_IADD).op(OP_IRETURN);
    p.method("fin", "(I)I", ACC_PUBLIC | ACC_FINAL).code.iload(1).iconst(2).op(OP_IADD).op(OP_IRETURN);
    p.method("priv", "(I)I", ACC_PRIVATE).code.iload(1).iconst(3).op(OP_IADD).op(OP_IRETURN);
    p.method("st", "(I)I", ACC_PUBLIC | ACC_STATIC).code.iload(0).iconst(4).op(OP_IADD).op(OP_IRETURN);
    p.method("ifn", "(I)I").code.iload(1).iconst(5).op(OP_IADD).op(OP_IRETURN);
    p.nativeMethod("probe", "()V", ACC_STATIC, nativeProbe);
    MethodSpec& main = p.method("main", MAIN_SIG, MAIN_FLAGS).locals(4);
    Code& c = main.code;
    c.newObject("P").op(OP_DUP).invokespecial("P", "<init>", "()V").astore(1);
    c.aload(1).iconst(3).putfield("P", "i", "I");
    c.aload(1).iconst(4).newarray(T_INT).putfield("P", "arr", "[I");
    c.aload(1).ldc2Long(0x100000007LL).putfield("P", "j", "J");
    c.iconst(5).newarray(T_INT).putstatic("P", "sarr", "[I");
    c.iconst(0).istore(2).label("loop");
    body(c);
    c.getstatic("P", "acc", "I").op(OP_IADD).putstatic("P", "acc", "I");
    c.iinc(2, 1).iload(2).iconst(3).branch(OP_IF_ICMPLT, "loop");
    c.invokestatic("P", "probe", "()V").op(OP_RETURN);
    ClassSpec& q = vm.cls("Q", "P");
    q.method("<init>", "()V").code.aload(0).invokespecial("P", "<init>", "()V").op(OP_RETURN);
    q.method("virt", "(I)I").code.iload(1).bipush(10).op(OP_IADD).op(OP_IRETURN);
}

TEST(QuickOpcodes, SameResultsBeforeAndAfterRewriteAndInReadOnlyCode) {
    struct Case {
        const char* name;
        std::function<void(Code&)> body;  // marks the instruction under test with "site"
        uint8_t quick;
        int32_t expected;  // sum over the turns 0, 1, 2
    };
    const std::vector<Case> cases = {
        {"getfield int", [](Code& c) { c.aload(1).label("site").getfield("P", "i", "I"); }, OP_GETFIELD_QUICK, 9},
        {"getfield reference", [](Code& c) { c.aload(1).label("site").getfield("P", "arr", "[I").op(OP_ARRAYLENGTH); },
         OP_GETFIELDP_QUICK, 12},
        {"getfield long", [](Code& c) { c.aload(1).label("site").getfield("P", "j", "J").op(OP_L2I); },
         OP_GETFIELD2_QUICK, 21},
        {"putfield int",
         [](Code& c) { c.aload(1).iload(2).label("site").putfield("P", "i", "I").aload(1).getfield("P", "i", "I"); },
         OP_PUTFIELD_QUICK, 3},
        {"putfield long",
         [](Code& c) {
             c.aload(1).iload(2).op(OP_I2L).iconst(40).op(OP_LSHL).label("site").putfield("P", "j", "J");
             c.aload(1).getfield("P", "j", "J").bipush(40).op(OP_LUSHR).op(OP_L2I);
         },
         OP_PUTFIELD2_QUICK, 3},
        {"getstatic int", [](Code& c) { c.label("site").getstatic("P", "si", "I").iload(2).op(OP_IADD); },
         OP_GETSTATIC_QUICK, 3},
        {"getstatic reference", [](Code& c) { c.label("site").getstatic("P", "sarr", "[I").op(OP_ARRAYLENGTH); },
         OP_GETSTATICP_QUICK, 15},
        {"getstatic long", [](Code& c) { c.label("site").getstatic("P", "sj", "J").op(OP_L2I).iload(2).op(OP_IADD); },
         OP_GETSTATIC2_QUICK, 3},
        {"putstatic int", [](Code& c) { c.iload(2).label("site").putstatic("P", "si", "I").getstatic("P", "si", "I"); },
         OP_PUTSTATIC_QUICK, 3},
        {"putstatic long",
         [](Code& c) {
             c.iload(2).op(OP_I2L).iconst(33).op(OP_LSHL).label("site").putstatic("P", "sj", "J");
             c.getstatic("P", "sj", "J").bipush(33).op(OP_LSHR).op(OP_L2I);
         },
         OP_PUTSTATIC2_QUICK, 3},
        {"invokevirtual through the inline cache",
         [](Code& c) { c.aload(1).iload(2).label("site").invokevirtual("P", "virt", "(I)I"); }, OP_INVOKEVIRTUAL_CACHED,
         6},
        {"invokevirtual of a final method",
         [](Code& c) { c.aload(1).iload(2).label("site").invokevirtual("P", "fin", "(I)I"); }, OP_INVOKESPECIAL_QUICK,
         9},
        {"invokespecial of a private method",
         [](Code& c) { c.aload(1).iload(2).label("site").invokespecial("P", "priv", "(I)I"); }, OP_INVOKESPECIAL_QUICK,
         12},
        {"invokestatic", [](Code& c) { c.iload(2).label("site").invokestatic("P", "st", "(I)I"); },
         OP_INVOKESTATIC_QUICK, 15},
        {"invokeinterface through the inline cache",
         [](Code& c) { c.aload(1).iload(2).label("site").invokeinterface("I", "ifn", "(I)I", 2); },
         OP_INVOKEINTERFACE_CACHED, 18},
        {"new",
         [](Code& c) {
             c.label("site")
                 .newObject("Q")
                 .op(OP_DUP)
                 .invokespecial("Q", "<init>", "()V")
                 .iload(2)
                 .invokevirtual("P", "virt", "(I)I");
         },
         OP_NEW_QUICK, 33},
        {"anewarray", [](Code& c) { c.iload(2).label("site").anewarray("java/lang/String").op(OP_ARRAYLENGTH); },
         OP_ANEWARRAY_QUICK, 3},
        {"multianewarray",
         [](Code& c) {
             c.iconst(2).iload(2).label("site").multianewarray("[[I", 2).iconst(1).op(OP_AALOAD).op(OP_ARRAYLENGTH);
         },
         OP_MULTIANEWARRAY_QUICK, 3},
        {"checkcast",
         [](Code& c) { c.aload(1).label("site").checkcast("I").iload(2).invokeinterface("I", "ifn", "(I)I", 2); },
         OP_CHECKCAST_QUICK, 18},
        {"instanceof",
         [](Code& c) {
             c.aload(1)
                 .label("site")
                 .instanceOf("Q")
                 .newObject("Q")
                 .op(OP_DUP)
                 .invokespecial("Q", "<init>", "()V")
                 .instanceOf("I")
                 .op(OP_IADD);
         },
         OP_INSTANCEOF_QUICK, 3},
    };
    for (const Case& c : cases) {
        for (bool readOnly : {false, true}) {
            Vm vm;
            int siteOffset = -1;
            int original = -1;
            addClasses(vm, [&](Code& code) {
                c.body(code);
                siteOffset = code.labelAt("site");
                original = code.bytes[siteOffset];
            });
            if (readOnly) vm.beforeStart = treatAllCodeAsReadOnly;
            int32_t acc = 0;
            vm.afterRun = [&] { acc = *vm.staticAddress("P", "acc"); };
            probeOffset = siteOffset;
            probedOpcode = -1;
            RunResult r = vm.run("P");
            std::string name = std::string(c.name) + (readOnly ? " (read-only code)" : "");
            EXPECT_EQ(r.exitCode, 0) << name << "\n" << r.trace;
            EXPECT_EQ(acc, c.expected) << name;
            EXPECT_EQ(probedOpcode, readOnly ? original : (int)c.quick) << name;
        }
    }
}

// Locals of the combined-opcode runs: 0 an object of C2 (int fields f0..f5 = 0, 11,
// .., 55, then arr = int[5]), 1 int[] {10, 20, 30}, 2 the index 2, 3 -1, 4 0, 5 5,
// 6 5, 7 int[2][4], 8 3 (the length of local 1), 9 77, 10 null.
void addCombinedClasses(Vm& vm, const std::function<void(Code&)>& snippet) {
    ClassSpec& c2 = vm.cls("C2");
    for (int i = 0; i < 6; i++) c2.field("f" + std::to_string(i), "I");
    c2.field("arr", "[I");
    c2.method("<init>", "()V").code.aload(0).invokespecial("java/lang/Object", "<init>", "()V").op(OP_RETURN);
    ClassSpec& t = vm.cls("T");
    t.field("r", "I", ACC_STATIC);
    MethodSpec& main = t.method("main", MAIN_SIG, MAIN_FLAGS).locals(11);
    Code& c = main.code;
    c.newObject("C2").op(OP_DUP).invokespecial("C2", "<init>", "()V").astore(0);
    for (int i = 1; i < 6; i++) c.aload(0).bipush((int8_t)(11 * i)).putfield("C2", "f" + std::to_string(i), "I");
    c.aload(0).iconst(5).newarray(T_INT).putfield("C2", "arr", "[I");
    c.iconst(3).newarray(T_INT).astore(1);
    for (int i = 0; i < 3; i++) c.aload(1).iconst(i).bipush((int8_t)(10 * (i + 1))).op(OP_IASTORE);
    c.iconst(2).istore(2).iconst(-1).istore(3).iconst(0).istore(4).iconst(5).istore(5).iconst(5).istore(6);
    c.iconst(2).iconst(4).multianewarray("[[I", 2).astore(7);
    c.iconst(3).istore(8).bipush(77).istore(9).op(OP_ACONST_NULL).astore(10);
    c.label("start");
    snippet(c);
    c.label("end").putstatic("T", "r", "I").op(OP_RETURN);
    c.label("bounds").op(OP_POP).bipush(-100).putstatic("T", "r", "I").op(OP_RETURN);
    c.label("null").op(OP_POP).bipush(-99).putstatic("T", "r", "I").op(OP_RETURN);
    main.handler("start", "end", "bounds", "java/lang/ArrayIndexOutOfBoundsException");
    main.handler("start", "end", "null", "java/lang/NullPointerException");
}

const uint8_t L1 = 4, L2 = 8, L3 = 12, L4 = 16, L5 = 20, L6 = 24, L7 = 28, L8 = 32, L9 = 36, L10 = 40;

typedef std::function<void(Code&)> Snippet;

Snippet bytes(std::vector<uint8_t> b) {
    return [b](Code& c) {
        for (uint8_t x : b) c.u1(x);
    };
}
Snippet then(Snippet a, Snippet b) {
    return [a, b](Code& c) {
        a(c);
        b(c);
    };
}
// A combined branch to "taken" pushes 1, else 0; its off16 (7) reaches the iconst_1.
Snippet combinedBranch(std::vector<uint8_t> head) {
    return [head](Code& c) {
        for (uint8_t x : head) c.u1(x);
        c.u2(7).iconst(0).branch(OP_GOTO, "joined").iconst(1).label("joined");
    };
}
Snippet standardBranch(Snippet loads, uint8_t opcode) {
    return [loads, opcode](Code& c) {
        loads(c);
        c.branch(opcode, "taken").iconst(0).branch(OP_GOTO, "joined").label("taken").iconst(1).label("joined");
    };
}
Snippet loads(std::vector<int> locals) {
    return [locals](Code& c) {
        for (int l : locals) c.iload(l);
    };
}
Snippet localAndConst(int local, int8_t k) {
    return [=](Code& c) { c.iload(local).bipush(k); };
}

TEST(CombinedOpcodes, SameResultsAsTheStandardSequences) {
    struct Case {
        const char* name;
        Snippet combined;
        Snippet standard;
        int32_t expected;
    };
    const std::vector<Case> cases = {
        {"224 int element at local index", then([](Code& c) { c.aload(1); }, bytes({224, L2})),
         [](Code& c) { c.aload(1).iload(2).op(OP_IALOAD); }, 30},
        {"224 index equal to the length", then([](Code& c) { c.aload(1); }, bytes({224, L8})),
         [](Code& c) { c.aload(1).iload(8).op(OP_IALOAD); }, -100},
        {"224 null array", then([](Code& c) { c.aload(10); }, bytes({224, L2})),
         [](Code& c) { c.aload(10).iload(2).op(OP_IALOAD); }, -99},
        {"225 reference element",
         then([](Code& c) { c.aload(7); }, then(bytes({225, L4}), [](Code& c) { c.op(OP_ARRAYLENGTH); })),
         [](Code& c) { c.aload(7).iload(4).op(OP_AALOAD).op(OP_ARRAYLENGTH); }, 4},
        {"226 int element of locals", bytes({226, L1, L2}), [](Code& c) { c.aload(1).iload(2).op(OP_IALOAD); }, 30},
        {"226 negative index", bytes({226, L1, L3}), [](Code& c) { c.aload(1).iload(3).op(OP_IALOAD); }, -100},
        {"227 reference element of locals", then(bytes({227, L7, L4}), [](Code& c) { c.op(OP_ARRAYLENGTH); }),
         [](Code& c) { c.aload(7).iload(4).op(OP_AALOAD).op(OP_ARRAYLENGTH); }, 4},
        {"227 null array", then(bytes({227, L10, L4}), [](Code& c) { c.op(OP_ARRAYLENGTH); }),
         [](Code& c) { c.aload(10).iload(4).op(OP_AALOAD).op(OP_ARRAYLENGTH); }, -99},
        {"228 local = 0", then(bytes({228, L9}), [](Code& c) { c.iload(9); }),
         [](Code& c) { c.iconst(0).istore(9).iload(9); }, 0},
        {"229 local = 1", then(bytes({229, L9}), [](Code& c) { c.iload(9); }),
         [](Code& c) { c.iconst(1).istore(9).iload(9); }, 1},
        {"230 add local", then([](Code& c) { c.iconst(7); }, bytes({230, L5})),
         [](Code& c) { c.iconst(7).iload(5).op(OP_IADD); }, 12},
        {"231 add constant", then([](Code& c) { c.iconst(7); }, bytes({231, 0xFE})),
         [](Code& c) { c.iconst(7).bipush(-2).op(OP_IADD); }, 5},
        {"232 subtract local", then([](Code& c) { c.iconst(7); }, bytes({232, L5})),
         [](Code& c) { c.iconst(7).iload(5).op(OP_ISUB); }, 2},
        {"233 subtract constant", then([](Code& c) { c.iconst(7); }, bytes({233, 0xFE})),
         [](Code& c) { c.iconst(7).bipush(-2).op(OP_ISUB); }, 9},
        {"234 field of local 0", bytes({234, 0, 3}), [](Code& c) { c.aload(0).getfield("C2", "f3", "I"); }, 33},
        {"235 reference field of local 0", then(bytes({235, 0, 6}), [](Code& c) { c.op(OP_ARRAYLENGTH); }),
         [](Code& c) { c.aload(0).getfield("C2", "arr", "[I").op(OP_ARRAYLENGTH); }, 5},
        {"236 slot byte 5 whatever the second operand holds",
         then(bytes({236, L5, 0x77, 5}), [](Code& c) { c.aload(0).getfield("C2", "f5", "I"); }),
         [](Code& c) { c.aload(0).iload(5).putfield("C2", "f5", "I").aload(0).getfield("C2", "f5", "I"); }, 5},
        {"237 filler", then([](Code& c) { c.iconst(4); }, bytes({237, 0xAB})), [](Code& c) { c.iconst(4).op(OP_NOP); },
         4},
        {"238 local zero", combinedBranch({238, L4}), standardBranch(loads({4}), OP_IFEQ), 1},
        {"238 null local", combinedBranch({238, L10}),
         [](Code& c) {
             c.aload(10)
                 .branch(OP_IFNULL, "taken")
                 .iconst(0)
                 .branch(OP_GOTO, "joined")
                 .label("taken")
                 .iconst(1)
                 .label("joined");
         },
         1},
        {"239 local not zero", combinedBranch({239, L4}), standardBranch(loads({4}), OP_IFNE), 0},
        {"240 local below zero", combinedBranch({240, L3}), standardBranch(loads({3}), OP_IFLT), 1},
        {"241 local at least zero", combinedBranch({241, L3}), standardBranch(loads({3}), OP_IFGE), 0},
        {"242 local above zero", combinedBranch({242, L5}), standardBranch(loads({5}), OP_IFGT), 1},
        {"243 local at most zero", combinedBranch({243, L4}), standardBranch(loads({4}), OP_IFLE), 1},
        {"244 locals equal", combinedBranch({244, L5, L6}), standardBranch(loads({5, 6}), OP_IF_ICMPEQ), 1},
        {"245 locals differ", combinedBranch({245, L5, L6}), standardBranch(loads({5, 6}), OP_IF_ICMPNE), 0},
        {"246 local below local", combinedBranch({246, L3, L5}), standardBranch(loads({3, 5}), OP_IF_ICMPLT), 1},
        {"247 local at least local", combinedBranch({247, L3, L5}), standardBranch(loads({3, 5}), OP_IF_ICMPGE), 0},
        {"248 local above local", combinedBranch({248, L5, L3}), standardBranch(loads({5, 3}), OP_IF_ICMPGT), 1},
        {"249 local at most local", combinedBranch({249, L3, L4}), standardBranch(loads({3, 4}), OP_IF_ICMPLE), 1},
        {"250 c = -1 compares against -1, not 255", combinedBranch({250, L3, 0xFF}),
         standardBranch(localAndConst(3, -1), OP_IF_ICMPEQ), 1},
        {"251 local differs from constant", combinedBranch({251, L5, 5}),
         standardBranch(localAndConst(5, 5), OP_IF_ICMPNE), 0},
        {"252 local -1 below constant 0", combinedBranch({252, L3, 0}),
         standardBranch(localAndConst(3, 0), OP_IF_ICMPLT), 1},
        {"253 local at least constant", combinedBranch({253, L4, 0}), standardBranch(localAndConst(4, 0), OP_IF_ICMPGE),
         1},
        {"254 local above constant", combinedBranch({254, L5, 4}), standardBranch(localAndConst(5, 4), OP_IF_ICMPGT),
         1},
        {"255 local at most constant", combinedBranch({255, L5, 4}), standardBranch(localAndConst(5, 4), OP_IF_ICMPLE),
         0},
    };
    for (const Case& c : cases) {
        for (bool combined : {true, false}) {
            Vm vm;
            addCombinedClasses(vm, combined ? c.combined : c.standard);
            int32_t r = 0;
            vm.afterRun = [&] { r = *vm.staticAddress("T", "r"); };
            RunResult result = vm.run("T");
            std::string name = std::string(c.name) + (combined ? "" : " (standard sequence)");
            EXPECT_EQ(result.exitCode, 0) << name << "\n" << result.trace;
            EXPECT_EQ(r, c.expected) << name;
        }
    }
}

}  // namespace
