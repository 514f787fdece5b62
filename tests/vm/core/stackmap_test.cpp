// GC stack maps: the short and long compact forms, the lookup of a map point, and the
// straight-line simulation from hand-made frames to an instruction, as tables of
// (method, ip) -> live reference bits; and the errors of an inconsistent method.
#include <gtest/gtest.h>

#include "gcmaps.h"
#include "support/vmasm.h"
#include "vm/core/gc.h"
#include "vm/core/inlinecache.h"
#include "vm/core/stackmap.h"

using namespace vmasm;

namespace {

// "locals|stack", one character a slot, '1' for a reference.
std::string bitsText(MethodRecord* m, const uint8_t* vector, int stack) {
    std::string s;
    for (int i = 0; i < m->frameSize; i++) s += testVectorBit(vector, i) ? '1' : '0';
    s += '|';
    for (int j = 0; j < stack; j++) s += testVectorBit(vector, m->frameSize + j) ? '1' : '0';
    return s;
}

struct Lookup {
    int offset;
    int nativeFlag;
    int expectOffset;
    std::string expectBits;
};

struct FormCase {
    const char* name;
    int locals, maxStack, codeLength;
    std::vector<gcmaps::MapPoint> points;
    bool expectShort;
    std::vector<Lookup> lookups;
};

TEST(StackMaps, CompactFormsAndLookup) {
    const std::string sixteen = "IIIIIIIIIIIIIIIA";
    std::vector<FormCase> cases = {
        {"small maps take the short form",
         3,
         4,
         12,
         {{"", "A-I", "", 0}, {"", "AAI", "AI", 5}},
         true,
         {{7, 0, 5, "110|10"}, {5, 0, 5, "110|10"}, {4, 0, 0, "100|"}}},
        {"an offset of 4096 forces the long form",
         2,
         2,
         4100,
         {{"", "AI", "", 0}, {"", "IA", "A", 4096}},
         false,
         {{4096, 0, 4096, "01|1"}, {4095, 0, 0, "10|"}}},
        {"sixteen stack entries force the long form",
         1,
         16,
         8,
         {{"", "A", sixteen, 2}},
         false,
         {{3, 0, 2, "1|0000000000000001"}}},
        {"frame and stack beyond 16 slots force the long form",
         10,
         7,
         8,
         {{"", "AIIIIIIIIA", "IIIIIIA", 1}},
         false,
         {{1, 0, 1, "1000000001|0000001"}}},
        {"a running native's frame takes the point before its own",
         2,
         2,
         12,
         {{"", "AI", "", 0}, {"", "IA", "A", 6}},
         true,
         {{6, 1, 0, "10|"}, {6, 0, 6, "01|1"}, {7, 1, 6, "01|1"}}},
        {"a long and an uninitialised this", 4, 2, 8, {{"", "UJA", "", 0}}, true, {{0, 0, 0, "1001|"}}},
    };
    for (FormCase& c : cases) {
        Vm vm;
        ClassSpec& k = vm.cls("M");
        MethodSpec& m = k.method("f", "(Ljava/lang/Object;)V", ACC_STATIC).locals(c.locals).stack(c.maxStack);
        for (int i = 0; i < c.codeLength - 1; i++) m.code.op(OP_NOP);
        m.code.op(OP_RETURN);
        bool isShort = false;
        std::vector<std::string> got;
        std::vector<int> gotOffsets;
        RunResult r = vm.inside([&] {
            MethodRecord* method = gcmaps::attach(vm, "M", m, c.points);
            isShort = (((PointerMap*)method->stackMaps)->header & POINTER_MAP_SHORT) != 0;
            for (const Lookup& l : c.lookups) {
                uint8_t vector[GC_VECTOR_BYTES];
                uint32_t offset = (uint32_t)l.offset;
                int stack = getStackMapEntry(method, &offset, vector, l.nativeFlag);
                got.push_back(bitsText(method, vector, stack));
                gotOffsets.push_back((int)offset);
            }
        });
        ASSERT_EQ(r.exitCode, 0) << c.name << "\n" << r.trace;
        EXPECT_EQ(isShort, c.expectShort) << c.name;
        for (size_t i = 0; i < c.lookups.size(); i++) {
            EXPECT_EQ(got[i], c.lookups[i].expectBits) << c.name << ", lookup at " << c.lookups[i].offset;
            EXPECT_EQ(gotOffsets[i], c.lookups[i].expectOffset) << c.name << ", lookup at " << c.lookups[i].offset;
        }
    }
}

TEST(StackMaps, LongFormDropsTrailingZeroBytes) {
    Vm vm;
    ClassSpec& k = vm.cls("M");
    MethodSpec& m = k.method("f", "()V", ACC_STATIC).locals(40).stack(2);
    for (int i = 0; i < 4100; i++) m.code.op(OP_NOP);
    m.code.op(OP_RETURN);
    int length = 0;
    std::string bits;
    RunResult r = vm.inside([&] {
        MethodRecord* method = gcmaps::attach(vm, "M", m, {{"", "A", "", 4096}});
        PointerMap* map = (PointerMap*)method->stackMaps;
        changeKeyToName(map->entries[1], &length);
        uint8_t vector[GC_VECTOR_BYTES];
        memset(vector, 0xFF, sizeof vector);
        uint32_t offset = 4097;
        int stack = getStackMapEntry(method, &offset, vector, 0);
        bits = bitsText(method, vector, stack);
    });
    ASSERT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_EQ(length, 2) << "stack size and one vector byte";
    EXPECT_EQ(bits, "1" + std::string(39, '0') + "|") << "dropped bytes read back as zeros";
}

// One method per case, built by its own code; the map points, the ip label and the
// native flag give the expected bits.
struct SimCase {
    const char* name;
    std::function<void(ClassSpec&, MethodSpec&)> build;
    std::vector<gcmaps::MapPoint> points;
    const char* at;
    int nativeFlag;
    std::string expect;
};

TEST(StackMaps, StraightLineSimulation) {
    const char* sig = "(Ljava/lang/Object;IJ)V";  // locals: A I J J, then two more
    std::vector<SimCase> cases = {
        {"no maps: arguments only",
         [](ClassSpec&, MethodSpec& m) { m.code.label("at").op(OP_RETURN); },
         {},
         "at",
         0,
         "100000|"},
        {"dup_x1 copies the reference under the int",
         [](ClassSpec&, MethodSpec& m) { m.code.iload(1).aload(0).op(OP_DUP_X1).label("at").op(OP_RETURN); },
         {},
         "at",
         0,
         "100000|101"},
        {"swap",
         [](ClassSpec&, MethodSpec& m) { m.code.aload(0).iload(1).op(OP_SWAP).label("at").op(OP_RETURN); },
         {},
         "at",
         0,
         "100000|01"},
        {"dup2_x2",
         [](ClassSpec&, MethodSpec& m) {
             m.code.iconst(1).aload(0).aload(0).iconst(2).op(OP_DUP2_X2).label("at").op(OP_RETURN);
         },
         {},
         "at",
         0,
         "100000|100110"},
        {"stores copy the bit into the local",
         [](ClassSpec&, MethodSpec& m) { m.code.aload(0).astore(4).iconst(0).istore(0).label("at").op(OP_RETURN); },
         {},
         "at",
         0,
         "000010|"},
        {"long arithmetic pushes two plain words",
         [](ClassSpec&, MethodSpec& m) {
             m.code.aload(0).lload(2).op(OP_LCONST_1).op(OP_LADD).label("at").op(OP_RETURN);
         },
         {},
         "at",
         0,
         "100000|100"},
        {"field reads take the field's type",
         [](ClassSpec&, MethodSpec& m) {
             m.code.aload(0)
                 .getfield("Node", "next", "Ljava/lang/Object;")
                 .aload(0)
                 .getfield("Node", "value", "I")
                 .label("at")
                 .op(OP_RETURN);
         },
         {},
         "at",
         0,
         "100000|10"},
        {"invocations push their result",
         [](ClassSpec& c, MethodSpec& m) {
             m.code.aload(0)
                 .invokestatic("Sim", "id", "(Ljava/lang/Object;)Ljava/lang/Object;")
                 .iconst(1)
                 .invokestatic("Sim", "wide", "(I)J")
                 .aload(0)
                 .iload(1)
                 .invokestatic("Sim", "take", "(Ljava/lang/Object;I)V")
                 .label("at")
                 .op(OP_RETURN);
         },
         {},
         "at",
         0,
         "100000|100"},
        {"a running native's arguments count",
         [](ClassSpec& c, MethodSpec& m) {
             m.code.iconst(3)
                 .aload(0)
                 .iload(1)
                 .invokestatic("Sim", "take", "(Ljava/lang/Object;I)V")
                 .label("at")
                 .op(OP_RETURN);
         },
         {},
         "at",
         1,
         "100000|010"},
        {"allocations push references, their lengths do not",
         [](ClassSpec&, MethodSpec& m) {
             m.code.newObject("Node")
                 .iconst(2)
                 .newarray(T_INT)
                 .op(OP_DUP)
                 .op(OP_ARRAYLENGTH)
                 .iconst(1)
                 .anewarray("Node")
                 .label("at")
                 .op(OP_RETURN);
         },
         {},
         "at",
         0,
         "100000|1101"},
        {"ldc of a string and of an int",
         [](ClassSpec&, MethodSpec& m) { m.code.ldcString("x").ldcInt(100000).label("at").op(OP_RETURN); },
         {},
         "at",
         0,
         "100000|10"},
        {"wide loads and stores",
         [](ClassSpec&, MethodSpec& m) {
             m.code.op(OP_WIDE)
                 .op(OP_ALOAD)
                 .u2(0)
                 .op(OP_WIDE)
                 .op(OP_ASTORE)
                 .u2(5)
                 .op(OP_WIDE)
                 .op(OP_ILOAD)
                 .u2(1)
                 .label("at")
                 .op(OP_RETURN);
         },
         {},
         "at",
         0,
         "100001|0"},
        {"array loads",
         [](ClassSpec&, MethodSpec& m) {
             m.code.aload(0).iconst(0).op(OP_AALOAD).aload(0).iconst(0).op(OP_LALOAD).label("at").op(OP_RETURN);
         },
         {},
         "at",
         0,
         "100000|100"},
        {"quickened and combined forms",
         [](ClassSpec&, MethodSpec& m) {
             m.code.aload(0)
                 .op(OP_GETFIELDP_QUICK)
                 .u2(0)
                 .op(OP_AALOAD_LOCALS)
                 .u1(0)
                 .u1(4)
                 .op(OP_IALOAD_LOCALS)
                 .u1(0)
                 .u1(4)
                 .op(OP_GETFIELD_LOCAL0)
                 .u1(0)
                 .u1(1)
                 .op(OP_ICONST0_STORE)
                 .u1(0)
                 .op(OP_IFEQ_LOCAL)
                 .u1(4)
                 .u2(3)
                 .label("at")
                 .op(OP_RETURN);
         },
         {},
         "at",
         0,
         "000000|1100"},
        {"simulation starts at the nearest map point",
         [](ClassSpec&, MethodSpec& m) {
             m.code.iconst(0).istore(1).label("point").op(OP_DUP).op(OP_POP).aload(4).label("at").op(OP_RETURN);
         },
         {{"point", "IAI--A", "A"}},
         "at",
         0,
         "010001|11"},
    };
    for (SimCase& c : cases) {
        Vm vm;
        vm.cls("Node").field("next", "Ljava/lang/Object;").field("value", "I");
        ClassSpec& k = vm.cls("Sim");
        k.method("id", "(Ljava/lang/Object;)Ljava/lang/Object;", ACC_STATIC).code.aload(0).op(OP_ARETURN);
        k.method("wide", "(I)J", ACC_STATIC).code.op(OP_LCONST_0).op(OP_LRETURN);
        k.method("take", "(Ljava/lang/Object;I)V", ACC_STATIC).code.op(OP_RETURN);
        MethodSpec& m = k.method("sim", sig, ACC_STATIC).locals(6).stack(8);
        c.build(k, m);
        std::string got;
        RunResult r = vm.inside([&] {
            MethodRecord* method = gcmaps::findMethod(vm.classRecord("Sim"), "sim", sig);
            if (!c.points.empty()) gcmaps::attach(vm, "Sim", m, c.points);
            uint8_t vector[GC_VECTOR_BYTES];
            int stack = getGCRegisterMask(method, method->u.code + m.code.labelAt(c.at), vector, c.nativeFlag);
            got = bitsText(method, vector, stack);
        });
        ASSERT_EQ(r.exitCode, 0) << c.name << "\n" << r.trace;
        EXPECT_EQ(got, c.expect) << c.name;
    }
}

TEST(StackMaps, CachedCallsTakeTheCachedMethodsSignature) {
    Vm vm;
    ClassSpec& k = vm.cls("C");
    k.method("get", "(I)Ljava/lang/Object;").code.op(OP_ACONST_NULL).op(OP_ARETURN);
    k.method("pair", "()J").code.op(OP_LCONST_0).op(OP_LRETURN);
    MethodSpec& m = k.method("f", "(LC;)V", ACC_STATIC).stack(6);
    m.code.aload(0)
        .iconst(1)
        .op(OP_INVOKEVIRTUAL_CACHED)
        .u2(0)
        .aload(0)
        .op(OP_INVOKEINTERFACE_CACHED)
        .u2(1)
        .u1(1)
        .u1(0)
        .label("at")
        .op(OP_RETURN);
    std::string got;
    RunResult r = vm.inside([&] {
        InitializeInlineCaching();
        MethodRecord* method = gcmaps::findMethod(vm.classRecord("C"), "f", "(LC;)V");
        createInlineCacheEntry(gcmaps::findMethod(vm.classRecord("C"), "get", "(I)Ljava/lang/Object;"),
                               method->u.code + 2);
        createInlineCacheEntry(gcmaps::findMethod(vm.classRecord("C"), "pair", "()J"), method->u.code + 6);
        uint8_t vector[GC_VECTOR_BYTES];
        got = bitsText(method, vector, getGCRegisterMask(method, method->u.code + m.code.labelAt("at"), vector, 0));
        FinalizeInlineCaching();
    });
    ASSERT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_EQ(got, "1|100");
}

TEST(StackMaps, VerifierTablesAreReadLikeCompactMaps) {
    Vm vm;
    ClassSpec& k = vm.cls("M");
    MethodSpec& m = k.method("f", "(Ljava/lang/Object;I)V", ACC_STATIC).locals(3).stack(2);
    m.code.iconst(0).istore(1).label("p").aload(0).label("at").op(OP_RETURN);
    std::string fromTable, fromCompact;
    RunResult r = vm.inside([&] {
        MethodRecord* method = gcmaps::attach(vm, "M", m, {{"p", "AIA", ""}}, false);
        uint8_t vector[GC_VECTOR_BYTES];
        const uint8_t* ip = method->u.code + m.code.labelAt("at");
        fromTable = bitsText(method, vector, getGCRegisterMask(method, ip, vector, 0));
        method->stackMaps = rewriteStackMapsAsPointerMaps(method);
        fromCompact = bitsText(method, vector, getGCRegisterMask(method, ip, vector, 0));
    });
    ASSERT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_EQ(fromTable, "101|1");
    EXPECT_EQ(fromCompact, fromTable);
}

TEST(StackMaps, InconsistentMethodsStopTheRun) {
    struct Case {
        const char* name;
        std::function<void(MethodSpec&)> build;
        int atOffset;
        const char* message;
    };
    std::vector<Case> cases = {
        {"a jump on the straight-line path",
         [](MethodSpec& m) { m.code.branch(OP_GOTO, "t").label("t").op(OP_NOP).op(OP_RETURN); }, 3,
         "Unexpected bytecode"},
        {"an ip inside an instruction", [](MethodSpec& m) { m.code.sipush(300).op(OP_RETURN); }, 1,
         "Strange value of thisIP"},
        {"more pops than entries", [](MethodSpec& m) { m.code.op(OP_POP).op(OP_RETURN); }, 1, "Illegal stack size"},
        {"an unresolved field", [](MethodSpec& m) { m.code.aload(0).getfield("Node", "value", "I").op(OP_RETURN); }, 4,
         "Expected a resolved field"},
        {"an unresolved method", [](MethodSpec& m) { m.code.invokestatic("Un", "f", "()V").op(OP_RETURN); }, 3,
         "Expected a resolved method"},
    };
    for (Case& c : cases) {
        Vm vm;
        vm.cls("Node").field("value", "I");
        ClassSpec& k = vm.cls("Un");
        k.resolvedPool = false;
        k.method("f", "()V", ACC_STATIC).code.op(OP_RETURN);
        MethodSpec& m = k.method("g", "(Ljava/lang/Object;)V", ACC_STATIC).stack(4);
        c.build(m);
        RunResult r = vm.inside([&] {
            MethodRecord* method = gcmaps::findMethod(vm.classRecord("Un"), "g", "(Ljava/lang/Object;)V");
            uint8_t vector[GC_VECTOR_BYTES];
            getGCRegisterMask(method, method->u.code + c.atOffset, vector, 0);
        });
        EXPECT_EQ(r.exitCode, FATAL_EXIT_CODE) << c.name;
        EXPECT_NE(r.trace.find(c.message), std::string::npos) << c.name << "\n" << r.trace;
    }
}

}  // namespace
