// Method preparation: the bytes each fusion writes and the groups it must leave alone,
// the instruction starts it keeps while fusing, compaction with its branch, handler and
// reference-map fix-ups, methods that keep their fillers, and prepared methods that
// compute what the same methods compute as loaded.
#include <gtest/gtest.h>

#include "support/vmasm.h"
#include "vm/core/stackmap.h"
#include "vm/loader/prepare.h"

namespace {

using namespace vmasm;
using Bytes = std::vector<uint8_t>;

enum : uint8_t {
    NOP = OP_NOP,
    RET = OP_RETURN,
    POP = OP_POP,
    IRET = OP_IRETURN,
};

MethodRecord* methodNamed(ClassRecord* c, const char* name) {
    for (uint32_t i = 0; c->methodTable && i < c->methodTable->length; i++) {
        MethodRecord* m = &c->methodTable->methods[i];
        const char* text = changeKeyToName(m->nt.k.nameKey, nullptr);
        if (text && strcmp(text, name) == 0) return m;
    }
    return nullptr;
}

Bytes codeOf(const MethodRecord* m) {
    const uint8_t* code = m->u.code;
    return Bytes(code, code + m->codeLength);
}

std::string hex(const Bytes& b) {
    std::string s;
    char text[8];
    for (uint8_t x : b) {
        snprintf(text, sizeof text, "%d ", x);
        s += text;
    }
    return s;
}

struct Range {
    uint16_t start, end, handler;
};

// Class T with an int, a reference and a long field and the method m given as bytes.
struct Subject {
    Vm vm;
    ClassSpec& t;
    int intField, refField, longField;
    Subject() : t(vm.cls("T")) {
        t.field("i", "I").field("o", "Ljava/lang/Object;").field("l", "J");
        intField = t.poolIndex({PoolSpec::Field, 0, "T", "i", "I"});
        refField = t.poolIndex({PoolSpec::Field, 0, "T", "o", "Ljava/lang/Object;"});
        longField = t.poolIndex({PoolSpec::Field, 0, "T", "l", "J"});
    }
    void method(const Bytes& code, bool isStatic) {
        MethodSpec& m = t.method("m", "()V", ACC_PUBLIC | (isStatic ? ACC_STATIC : 0));
        m.locals(64);
        m.code.bytes = code;
    }
};

void setHandlers(MethodRecord* m, const std::vector<Range>& ranges) {
    if (ranges.empty()) return;
    m->handlers = (HandlerTable*)callocPermanentObject(1 + 2 * (int)ranges.size());
    m->handlers->length = (uint32_t)ranges.size();
    for (size_t i = 0; i < ranges.size(); i++)
        m->handlers->handlers[i] = {ranges[i].start, ranges[i].end, ranges[i].handler, 0};
}

std::vector<Range> handlersOf(const MethodRecord* m) {
    std::vector<Range> out;
    for (uint32_t i = 0; m->handlers && i < m->handlers->length; i++) {
        const HandlerEntry& h = m->handlers->handlers[i];
        out.push_back({h.startPC, h.endPC, h.handlerPC});
    }
    return out;
}

// Fuses block by block as the rewriter does; true when the starts the fusion kept are
// those a fresh walk of the rewritten code finds.
bool fuseKeepingStarts(MethodRecord* m) {
    uint32_t length = m->codeLength;
    std::vector<uint8_t> leaders(length), fresh(length);
    if (!scanInstructions(m, leaders.data())) return false;
    uint32_t start = 0;
    while (start < length) {
        uint32_t end = start + 1;
        while (end < length && (leaders[end] & LEADER_BLOCK) != LEADER_BLOCK) end++;
        fuseBlock(m, leaders.data(), start, end);
        start = end;
    }
    if (!scanInstructions(m, fresh.data())) return false;
    for (uint32_t i = 0; i < length; i++) {
        if ((leaders[i] & LEADER_START) != (fresh[i] & LEADER_START)) return false;
    }
    return true;
}

struct Outcome {
    Bytes rewritten, compacted;
    std::vector<Range> handlers;
    bool startsKept = false;
    RunResult run;
};

Outcome prepareBytes(const Bytes& code, bool isStatic, const std::vector<Range>& ranges = {}) {
    Subject s;
    s.method(code, isStatic);
    Outcome out;
    out.run = s.vm.inside([&] {
        MethodRecord* m = methodNamed(s.vm.classRecord("T"), "m");
        setHandlers(m, ranges);
        out.startsKept = fuseKeepingStarts(m);
        out.rewritten = codeOf(m);
        compactMethod(m);
        out.compacted = codeOf(m);
        out.handlers = handlersOf(m);
    });
    return out;
}

constexpr uint8_t L(int local) { return (uint8_t)(4 * local); }

// True when stepping through code by the opcode table's lengths lands exactly on its
// end: a combined instruction that preparation writes longer or shorter than the table
// says would make the walk run off or stop short.
bool walksToTheEnd(const Bytes& code) {
    uint32_t pc = 0;
    while (pc < code.size()) {
        int n = instructionLength(code.data(), pc);
        if (n <= 0) return false;
        pc += (uint32_t)n;
    }
    return pc == code.size();
}

TEST(Prepare, FusesEachGroupIntoItsCombinedInstruction) {
    struct Case {
        const char* name;
        Bytes code, rewritten, compacted;  // compacted empty: as rewritten
    };
    const std::vector<Case> cases = {
        {"iload 31; ifeq after the group",
         {OP_ILOAD, 31, OP_IFEQ, 0, 4, RET, RET},
         {NOP, OP_IFEQ_LOCAL, L(31), 0, 4, RET, RET},
         {OP_IFEQ_LOCAL, L(31), 0, 4, RET, RET, 0}},
        {"iload 31; ifeq before the group",
         {RET, OP_ILOAD, 31, OP_IFEQ, 0xFF, 0xFD},
         {RET, NOP, OP_IFEQ_LOCAL, L(31), 0xFF, 0xFD},
         {RET, OP_IFEQ_LOCAL, L(31), 0xFF, 0xFE, 0}},
        {"iload 40; ifeq stays", {OP_ILOAD, 40, OP_IFEQ, 0, 4, RET, RET}, {OP_ILOAD, 40, OP_IFEQ, 0, 4, RET, RET}, {}},
        {"iload_1; iload_2; if_icmplt in place",
         {OP_ILOAD_1, OP_ILOAD_2, OP_IF_ICMPLT, 0, 4, RET, RET},
         {OP_IF_ICMPLT_LOCALS, L(1), L(2), 0, 4, RET, RET},
         {}},
        {"iload 3; iload 4; if_icmpne",
         {OP_ILOAD, 3, OP_ILOAD, 4, OP_IF_ICMPNE, 0, 4, RET, RET},
         {OP_FILLER, 0, OP_IF_ICMPNE_LOCALS, L(3), L(4), 0, 4, RET, RET},
         {OP_IF_ICMPNE_LOCALS, L(3), L(4), 0, 4, RET, RET, 0, 0}},
        {"iload_1; bipush -3; if_icmpeq",
         {OP_ILOAD_1, OP_BIPUSH, 0xFD, OP_IF_ICMPEQ, 0, 4, RET, RET},
         {NOP, OP_IF_ICMPEQ_CONST, L(1), 0xFD, 0, 4, RET, RET},
         {OP_IF_ICMPEQ_CONST, L(1), 0xFD, 0, 4, RET, RET, 0}},
        {"iload 2; iconst_m1; if_icmpgt",
         {OP_ILOAD, 2, OP_ICONST_M1, OP_IF_ICMPGT, 0, 4, RET, RET},
         {NOP, OP_IF_ICMPGT_CONST, L(2), 0xFF, 0, 4, RET, RET},
         {OP_IF_ICMPGT_CONST, L(2), 0xFF, 0, 4, RET, RET, 0}},
        {"iload_0; iconst_5; if_icmple",
         {OP_ILOAD_0, OP_ICONST_5, OP_IF_ICMPLE, 0, 4, RET, RET},
         {OP_IF_ICMPLE_CONST, 0, 5, 0, 4, RET, RET},
         {}},
        {"aload_1; aload_2; if_acmpne",
         {OP_ALOAD_1, OP_ALOAD_2, OP_IF_ACMPNE, 0, 4, RET, RET},
         {OP_IF_ICMPNE_LOCALS, L(1), L(2), 0, 4, RET, RET},
         {}},
        {"aload 5; iload 6; iaload",
         {OP_ALOAD, 5, OP_ILOAD, 6, OP_IALOAD, POP, RET},
         {OP_FILLER, 0, OP_IALOAD_LOCALS, L(5), L(6), POP, RET},
         {OP_IALOAD_LOCALS, L(5), L(6), POP, RET, 0, 0}},
        {"aload_1; iload_2; aaload",
         {OP_ALOAD_1, OP_ILOAD_2, OP_AALOAD, POP, RET},
         {OP_AALOAD_LOCALS, L(1), L(2), POP, RET},
         {}},
        {"iconst_0; istore 5",
         {OP_ICONST_0, OP_ISTORE, 5, RET},
         {NOP, OP_ICONST0_STORE, L(5), RET},
         {OP_ICONST0_STORE, L(5), RET, 0}},
        {"iconst_1; istore_3", {OP_ICONST_1, OP_ISTORE_3, RET}, {OP_ICONST1_STORE, L(3), RET}, {}},
        {"aconst_null; astore_2", {OP_ACONST_NULL, OP_ASTORE_2, RET}, {OP_ICONST0_STORE, L(2), RET}, {}},
        {"iload_1; ifne", {OP_ILOAD_1, OP_IFNE, 0, 4, RET, RET}, {OP_IFNE_LOCAL, L(1), 0, 4, RET, RET}, {}},
        {"iload_3; ifle", {OP_ILOAD_3, OP_IFLE, 0, 4, RET, RET}, {OP_IFLE_LOCAL, L(3), 0, 4, RET, RET}, {}},
        {"aload_2; ifnull", {OP_ALOAD_2, OP_IFNULL, 0, 4, RET, RET}, {OP_IFEQ_LOCAL, L(2), 0, 4, RET, RET}, {}},
        {"aload 7; ifnonnull",
         {OP_ALOAD, 7, OP_IFNONNULL, 0, 4, RET, RET},
         {NOP, OP_IFNE_LOCAL, L(7), 0, 4, RET, RET},
         {OP_IFNE_LOCAL, L(7), 0, 4, RET, RET, 0}},
        {"iload_3; iaload",
         {OP_ALOAD_1, OP_POP, OP_ACONST_NULL, OP_ILOAD_3, OP_IALOAD, POP, RET},
         {OP_ALOAD_1, OP_POP, OP_ACONST_NULL, OP_IALOAD_LOCAL, L(3), POP, RET},
         {}},
        {"iload 4; aaload",
         {OP_ACONST_NULL, OP_ILOAD, 4, OP_AALOAD, POP, RET},
         {OP_ACONST_NULL, NOP, OP_AALOAD_LOCAL, L(4), POP, RET},
         {OP_ACONST_NULL, OP_AALOAD_LOCAL, L(4), POP, RET, 0}},
        {"iload_2; iadd",
         {OP_ICONST_2, OP_POP, OP_ILOAD_1, OP_ILOAD_2, OP_IADD, POP, RET},
         {OP_ICONST_2, OP_POP, OP_ILOAD_1, OP_IADD_LOCAL, L(2), POP, RET},
         {}},
        {"bipush 7; iadd",
         {OP_ILOAD_1, OP_BIPUSH, 7, OP_IADD, POP, RET},
         {OP_ILOAD_1, NOP, OP_IADD_CONST, 7, POP, RET},
         {OP_ILOAD_1, OP_IADD_CONST, 7, POP, RET, 0}},
        {"iload_1; isub",
         {OP_ICONST_2, OP_POP, OP_ILOAD_2, OP_ILOAD_1, OP_ISUB, POP, RET},
         {OP_ICONST_2, OP_POP, OP_ILOAD_2, OP_ISUB_LOCAL, L(1), POP, RET},
         {}},
        {"iconst_m1; isub",
         {OP_ILOAD_1, OP_ICONST_M1, OP_ISUB, POP, RET},
         {OP_ILOAD_1, OP_ISUB_CONST, 0xFF, POP, RET},
         {}},
        // what is never fused
        {"sipush; iadd",
         {OP_ILOAD_1, OP_SIPUSH, 1, 0, OP_IADD, POP, RET},
         {OP_ILOAD_1, OP_SIPUSH, 1, 0, OP_IADD, POP, RET},
         {}},
        {"iload 32; iadd",
         {OP_ICONST_1, OP_ILOAD, 32, OP_IADD, POP, RET},
         {OP_ICONST_1, OP_ILOAD, 32, OP_IADD, POP, RET},
         {}},
        {"iconst_2; istore_1", {OP_ICONST_2, OP_ISTORE_1, RET}, {OP_ICONST_2, OP_ISTORE_1, RET}, {}},
        {"iconst_0; istore 32", {OP_ICONST_0, OP_ISTORE, 32, RET}, {OP_ICONST_0, OP_ISTORE, 32, RET}, {}},
        {"lload_1; ladd",
         {OP_LLOAD_1, OP_LLOAD_1, OP_LADD, OP_POP2, RET},
         {OP_LLOAD_1, OP_LLOAD_1, OP_LADD, OP_POP2, RET},
         {}},
        {"wide iload; ifeq",
         {OP_WIDE, OP_ILOAD, 0, 1, OP_IFEQ, 0, 4, RET, RET},
         {OP_WIDE, OP_ILOAD, 0, 1, OP_IFEQ, 0, 4, RET, RET},
         {}},
        {"aload_1; iload_2; baload",
         {OP_ALOAD_1, OP_ILOAD_2, OP_BALOAD, POP, RET},
         {OP_ALOAD_1, OP_ILOAD_2, OP_BALOAD, POP, RET},
         {}},
        {"branch target on the ifeq keeps the pair",
         {OP_ILOAD_1, OP_IFEQ, 0, 6, OP_GOTO, 0xFF, 0xFD, RET},
         {OP_ILOAD_1, OP_IFEQ, 0, 6, OP_GOTO, 0xFF, 0xFD, RET},
         {}},
        {"two branch pairs in a row",
         {OP_ILOAD_1, OP_IFEQ, 0, 7, OP_ILOAD_2, OP_IFNE, 0, 3, RET, RET},
         {OP_IFEQ_LOCAL, L(1), 0, 7, OP_IFNE_LOCAL, L(2), 0, 3, RET, RET},
         {}},
        {"a triple first, then the pairs around it",
         {OP_ICONST_0, OP_ISTORE_2, OP_ALOAD_1, OP_ILOAD_2, OP_IALOAD, OP_ILOAD_3, OP_IADD, POP, RET},
         {OP_ICONST0_STORE, L(2), OP_IALOAD_LOCALS, L(1), L(2), OP_IADD_LOCAL, L(3), POP, RET},
         {}},
        // combined branches are met again when an earlier preparation stopped half way
        {"target of a combined branch on a local",
         {OP_IFEQ_LOCAL, L(1), 0, 4, OP_ICONST_0, OP_ISTORE_2, RET},
         {OP_IFEQ_LOCAL, L(1), 0, 4, OP_ICONST_0, OP_ISTORE_2, RET},
         {}},
        {"target of a combined branch on two locals",
         {OP_IF_ICMPEQ_LOCALS, L(1), L(2), 0, 4, OP_ICONST_0, OP_ISTORE_2, RET},
         {OP_IF_ICMPEQ_LOCALS, L(1), L(2), 0, 4, OP_ICONST_0, OP_ISTORE_2, RET},
         {}},
        {"compiler nops go as well",
         {NOP, OP_ICONST_1, NOP, NOP, POP, RET},
         {NOP, OP_ICONST_1, NOP, NOP, POP, RET},
         {OP_ICONST_1, POP, RET, 0, 0, 0}},
        {"goto_w moves by the fillers between",
         {OP_GOTO_W, 0, 0, 0, 8, OP_ILOAD, 1, OP_IADD, RET, RET},
         {OP_GOTO_W, 0, 0, 0, 8, NOP, OP_IADD_LOCAL, L(1), RET, RET},
         {OP_GOTO_W, 0, 0, 0, 7, OP_IADD_LOCAL, L(1), RET, RET, 0}},
        {"backward goto over a filler",
         {OP_ILOAD, 1, OP_IADD, OP_GOTO, 0xFF, 0xFD},
         {NOP, OP_IADD_LOCAL, L(1), OP_GOTO, 0xFF, 0xFD},
         {OP_IADD_LOCAL, L(1), OP_GOTO, 0xFF, 0xFE, 0}},
    };
    for (const Case& c : cases) {
        Outcome out = prepareBytes(c.code, true);
        EXPECT_EQ(0, out.run.exitCode) << c.name << "\n" << out.run.trace;
        EXPECT_EQ(hex(c.rewritten), hex(out.rewritten)) << c.name;
        EXPECT_EQ(hex(c.compacted.empty() ? c.rewritten : c.compacted), hex(out.compacted)) << c.name;
        EXPECT_TRUE(out.startsKept) << c.name;
        EXPECT_TRUE(walksToTheEnd(out.compacted)) << c.name;
    }
}

// ldc and the reference load change places, and the starts follow them, so that no
// later window takes the constant's index for an opcode.
TEST(Prepare, ReferenceLoadAndStringConstantChangePlaces) {
    struct Case {
        const char* name;
        bool shortLoad;
    };
    for (const Case& c : {Case{"aload_1", true}, Case{"aload 9", false}}) {
        Subject s;
        // the constant's pool index is the opcode of iload_1, which a stale start would read
        while ((int)s.t.pool.size() < OP_ILOAD_1 - 1)
            s.t.poolIndex({PoolSpec::Int, (int64_t)s.t.pool.size() + 1000, "", "", ""});
        int k = s.t.poolIndex({PoolSpec::String, 0, "", "text", ""});
        ASSERT_EQ(OP_ILOAD_1, k);
        Bytes load = c.shortLoad ? Bytes{OP_ALOAD_1} : Bytes{OP_ALOAD, 9};
        Bytes code = load;
        Bytes tail = {OP_LDC, (uint8_t)k, OP_IF_ACMPEQ, 0, 7, OP_ILOAD_2, OP_IFEQ, 0, 4, RET, RET, RET};
        code.insert(code.end(), tail.begin(), tail.end());
        s.method(code, true);
        Bytes rewritten;
        bool kept = false;
        RunResult r = s.vm.inside([&] {
            MethodRecord* m = methodNamed(s.vm.classRecord("T"), "m");
            kept = fuseKeepingStarts(m);
            rewritten = codeOf(m);
        });
        Bytes expected = {OP_LDC, (uint8_t)k};
        expected.insert(expected.end(), load.begin(), load.end());
        Bytes rest = {OP_IF_ACMPEQ, 0, 7, OP_IFEQ_LOCAL, L(2), 0, 4, RET, RET, RET};
        expected.insert(expected.end(), rest.begin(), rest.end());
        EXPECT_EQ(0, r.exitCode) << c.name << r.trace;
        EXPECT_EQ(hex(expected), hex(rewritten)) << c.name;
        EXPECT_TRUE(kept) << c.name;
    }
}

TEST(Prepare, FieldLoadsOfThis) {
    struct Case {
        const char* name;
        bool isStatic;
        int field;  // 0 int, 1 reference, 2 long
        bool storesThis;
        Bytes rewritten;  // with F for the pool index bytes
    };
    enum : uint8_t { F = 0xEE };
    const std::vector<Case> cases = {
        {"int field", false, 0, false, {NOP, OP_GETFIELD_LOCAL0, 0, 0, POP, RET}},
        {"reference field", false, 1, false, {NOP, OP_GETFIELDP_LOCAL0, 0, 1, POP, RET}},
        {"long field keeps its aload_0", false, 2, false, {OP_ALOAD_0, OP_GETFIELD2_QUICK, 0, 2, POP, RET}},
        {"static method stays", true, 0, false, {OP_ALOAD_0, OP_GETFIELD, 0, F, POP, RET}},
        // a method that stores into local 0 gets the form that tests for null
        {"local 0 stored", false, 0, true, {OP_ALOAD_0, OP_GETFIELD_QUICK, 0, 0, POP, RET}},
    };
    for (const Case& c : cases) {
        Subject s;
        int index = c.field == 0 ? s.intField : c.field == 1 ? s.refField : s.longField;
        Bytes code = {OP_ALOAD_0, OP_GETFIELD, 0, (uint8_t)index, (uint8_t)(c.field == 2 ? OP_POP2 : OP_POP), RET};
        if (c.storesThis)
            code = {OP_ALOAD_0, OP_GETFIELD, 0, (uint8_t)index, POP, RET, OP_ACONST_NULL, OP_ASTORE_0, RET};
        s.method(code, c.isStatic);
        Bytes rewritten;
        RunResult r = s.vm.inside([&] {
            MethodRecord* m = methodNamed(s.vm.classRecord("T"), "m");
            rewriteMethod(m);
            rewritten = codeOf(m);
        });
        Bytes expected = c.rewritten;
        for (auto& b : expected) {
            if (b == F) b = (uint8_t)index;
        }
        if (c.field == 2) expected[4] = OP_POP2;
        if (c.storesThis) expected.insert(expected.end(), {OP_ICONST0_STORE, 0, RET});
        EXPECT_EQ(0, r.exitCode) << c.name << r.trace;
        EXPECT_EQ(hex(expected), hex(rewritten)) << c.name;
        EXPECT_TRUE(walksToTheEnd(rewritten)) << c.name;
    }
}

TEST(Prepare, HandlerRangesMoveWithTheCode) {
    struct Case {
        const char* name;
        Bytes code;
        Range range;
        Bytes compacted;
        Range moved;
    };
    const std::vector<Case> cases = {
        // 0 iload 3, 2 iload 4, 4 if_icmpge +5, 7 return, 8 handler: aload 5, iload 6, iaload, pop, return
        {"handler on the first instruction of a group",
         {OP_ILOAD, 3, OP_ILOAD, 4, OP_IF_ICMPGE, 0, 4, RET, OP_ALOAD, 5, OP_ILOAD, 6, OP_IALOAD, POP, RET},
         {0, 8, 8},
         {OP_IF_ICMPGE_LOCALS, L(3), L(4), 0, 4, RET, OP_IALOAD_LOCALS, L(5), L(6), POP, RET, 0, 0, 0, 0},
         {0, 6, 6}},
        {"range ending at the code's end",
         {OP_ICONST_0, OP_ISTORE, 5, OP_ALOAD, 5, OP_ILOAD, 6, OP_IALOAD, POP, RET},
         {3, 10, 0},
         {OP_ICONST0_STORE, L(5), OP_IALOAD_LOCALS, L(5), L(6), POP, RET, 0, 0, 0},
         {2, 7, 0}},
        // the iaload in the range and its loads before it stay apart
        {"range starting inside a group",
         {OP_ALOAD_1, OP_ILOAD_2, OP_IALOAD, POP, RET, RET},
         {2, 4, 5},
         {OP_ALOAD_1, OP_ILOAD_2, OP_IALOAD, POP, RET, RET},
         {2, 4, 5}},
        {"range ending inside a group",
         {OP_ALOAD, 1, OP_ILOAD, 2, OP_IALOAD, POP, RET, RET},
         {0, 4, 7},
         {OP_ALOAD, 1, OP_ILOAD, 2, OP_IALOAD, POP, RET, RET},
         {0, 4, 7}},
    };
    for (const Case& c : cases) {
        Outcome out = prepareBytes(c.code, true, {c.range});
        EXPECT_EQ(0, out.run.exitCode) << c.name << out.run.trace;
        EXPECT_EQ(hex(c.compacted), hex(out.compacted)) << c.name;
        ASSERT_EQ(1u, out.handlers.size()) << c.name;
        EXPECT_EQ(c.moved.start, out.handlers[0].start) << c.name;
        EXPECT_EQ(c.moved.end, out.handlers[0].end) << c.name;
        EXPECT_EQ(c.moved.handler, out.handlers[0].handler) << c.name;
    }
}

// Methods whose code must stay where it is keep their fillers; fusion still happens.
TEST(Prepare, SwitchesAndCachedSitesKeepTheFillers) {
    struct Case {
        const char* name;
        Bytes code;
    };
    const std::vector<Case> cases = {
        // 0 iload 1, 2 iadd, 3 iload_1, 4 tableswitch (pad to 8) default 12+4, low 0, high 0, one target
        {"tableswitch",
         {OP_ILOAD, 1, OP_IADD, OP_ILOAD_1, OP_TABLESWITCH, 0, 0, 0, 0, 0, 0, 20, 0, 0, 0, 0, 0, 0, 0, 0, 0,
          0,        0, 20,      RET}},
        {"lookupswitch", {OP_ILOAD, 1, OP_IADD, OP_ILOAD_1, OP_LOOKUPSWITCH, 0, 0, 0, 0, 0, 0, 12, 0, 0, 0, 0, RET}},
        {"cached invokevirtual", {OP_ILOAD, 1, OP_IADD, OP_INVOKEVIRTUAL_CACHED, 0, 0, RET}},
        {"cached invokeinterface", {OP_ILOAD, 1, OP_IADD, OP_INVOKEINTERFACE_CACHED, 0, 0, 1, 0, RET}},
        {"quick anewarray", {OP_ILOAD, 1, OP_IADD, OP_ANEWARRAY_QUICK, 0, 0, RET}},
    };
    for (const Case& c : cases) {
        Outcome out = prepareBytes(c.code, true);
        Bytes expected = c.code;
        expected[0] = NOP;
        expected[1] = OP_IADD_LOCAL;
        expected[2] = L(1);
        EXPECT_EQ(hex(expected), hex(out.rewritten)) << c.name;
        EXPECT_EQ(hex(expected), hex(out.compacted)) << c.name;
        EXPECT_TRUE(out.startsKept) << c.name;
    }
}

// Code behind a switch is walked with the switch's whole length, opcode byte included,
// so the pair after it is found and nothing inside the switch is taken for an opcode.
TEST(Prepare, SwitchLengthCountsTheOpcodeByte) {
    struct Case {
        const char* name;
        int at;  // offset of the switch: its padding depends on it
    };
    for (const Case& c : {Case{"padding 3", 0}, Case{"padding 0", 3}, Case{"padding 2", 1}}) {
        Bytes code(c.at, NOP);
        uint8_t pc = (uint8_t)c.at;
        code.push_back(OP_TABLESWITCH);
        while (code.size() % 4) code.push_back(0);
        uint8_t after = (uint8_t)(code.size() + 16);
        // default and the one target lead to what follows; the pair's bytes would be
        // misread if the walk were one byte short
        Bytes body = {0, 0, 0, (uint8_t)(after - pc), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, (uint8_t)(after - pc)};
        code.insert(code.end(), body.begin(), body.end());
        code.insert(code.end(), {OP_ICONST_1, OP_ISTORE_2, RET});
        Outcome out = prepareBytes(code, true);
        EXPECT_EQ(OP_ICONST1_STORE, out.rewritten[after]) << c.name;
        EXPECT_EQ(L(2), out.rewritten[after + 1]) << c.name;
        EXPECT_TRUE(out.startsKept) << c.name;
    }
}

TEST(Prepare, ReferenceMapOffsetsMove) {
    struct Case {
        const char* name;
        bool shortForm;
    };
    for (const Case& c : {Case{"short form", true}, Case{"long form", false}}) {
        // 0 iconst_0, 1 iload 1, 3 iadd, 4 pop, 5 iconst_0, 6 istore 3, 8 aload 1, 10 pop, 11 return;
        // a map point on the istore keeps it apart from its constant
        Subject s;
        s.method({OP_ICONST_0, OP_ILOAD, 1, OP_IADD, POP, OP_ICONST_0, OP_ISTORE, 3, OP_ALOAD, 1, POP, RET}, true);
        std::vector<uint16_t> offsets;
        uint16_t stackBits = 0;
        Bytes compacted;
        RunResult r = s.vm.inside([&] {
            MethodRecord* m = methodNamed(s.vm.classRecord("T"), "m");
            PointerMap* map = (PointerMap*)callocPermanentObject(4);
            const uint16_t points[3] = {1, 6, 11};
            map->header = (uint16_t)(3 | (c.shortForm ? POINTER_MAP_SHORT : 0));
            for (int i = 0; i < 3; i++) {
                map->entries[2 * i] = (uint16_t)(points[i] | (c.shortForm ? 1 << 12 : 0));
                map->entries[2 * i + 1] = (uint16_t)(0x40 + i);
            }
            m->stackMaps = map;
            m->accessFlags &= ~(uint32_t)ACC_PREPARED;
            prepareMethod(m);
            for (int i = 0; i < 3; i++) offsets.push_back(map->entries[2 * i]);
            stackBits = map->entries[3];
            compacted = codeOf(m);
        });
        EXPECT_EQ(0, r.exitCode) << c.name << r.trace;
        uint16_t form = c.shortForm ? 1 << 12 : 0;
        std::vector<uint16_t> expected = {(uint16_t)(1 | form), (uint16_t)(5 | form), (uint16_t)(10 | form)};
        EXPECT_EQ(hex({OP_ICONST_0, OP_IADD_LOCAL, L(1), POP, OP_ICONST_0, OP_ISTORE, 3, OP_ALOAD, 1, POP, RET, 0}),
                  hex(compacted))
            << c.name;
        EXPECT_EQ(expected, offsets) << c.name;
        EXPECT_EQ(0x41, stackBits) << c.name;
    }
}

TEST(Prepare, OncePerMethodAndNeverImageOrNativeOrUnverifiedCode) {
    struct Case {
        const char* name;
        uint32_t flags;
        int16_t status;
        bool rewritten;
        bool marked;
    };
    const std::vector<Case> cases = {
        {"loaded, verified", ACC_STATIC, CLASS_VERIFIED, true, true},
        {"loaded, initialised", ACC_STATIC, CLASS_READY, true, true},
        {"class not yet verified: marked, code as loaded", ACC_STATIC, CLASS_LINKED, false, true},
        {"already prepared", ACC_STATIC | ACC_PREPARED, CLASS_VERIFIED, false, true},
        {"abstract", ACC_ABSTRACT, CLASS_VERIFIED, false, false},
    };
    for (const Case& c : cases) {
        Subject s;
        s.t.status = c.status;
        s.method({OP_ILOAD, 1, OP_IADD, RET}, true);
        Bytes before = {OP_ILOAD, 1, OP_IADD, RET};
        Bytes after;
        uint32_t flags = 0;
        RunResult r = s.vm.inside([&] {
            MethodRecord* m = methodNamed(s.vm.classRecord("T"), "m");
            m->accessFlags = c.flags;
            prepareMethod(m);
            after = codeOf(m);
            // a second call changes nothing, even for code that now holds what it fused
            Bytes once = after;
            prepareMethod(m);
            EXPECT_EQ(hex(once), hex(codeOf(m))) << c.name;
            flags = m->accessFlags;
        });
        EXPECT_EQ(0, r.exitCode) << c.name << r.trace;
        EXPECT_EQ(c.rewritten, after != before) << c.name << ": " << hex(after);
        EXPECT_EQ(c.marked, (flags & ACC_PREPARED) != 0) << c.name;
    }
    // a class of the image: its class record lies in the image's class area
    Subject s;
    s.method({OP_ILOAD, 1, OP_IADD, RET}, true);
    Bytes after;
    RunResult r = s.vm.inside([&] {
        ClassRecord* c = s.vm.classRecord("T");
        MethodRecord* m = methodNamed(c, "m");
        m->accessFlags &= ~(uint32_t)ACC_PREPARED;
        RomImage image = *CurrentRomImage;
        image.classAreaStart = c;
        image.classAreaEnd = c + 1;
        const RomImage* saved = CurrentRomImage;
        CurrentRomImage = &image;
        prepareMethod(m);
        CurrentRomImage = saved;
        after = codeOf(m);
    });
    EXPECT_EQ(0, r.exitCode) << r.trace;
    EXPECT_EQ(hex(Bytes({OP_ILOAD, 1, OP_IADD, RET})), hex(after));
}

int pinnedBlocks() {
    int n = 0;
    for (cell* p = HeapStart; p < PermanentBoundary; p += headerSize((uint32_t)*p) + 1) {
        if (headerPins((uint32_t)*p) != 0) n++;
    }
    return n;
}

// Methods longer than the stack buffers take their leader and shift maps from the heap
// and give them back.
TEST(Prepare, LongMethodsGiveBackTheirWorkBuffers) {
    Subject s;
    Bytes code;
    for (int i = 0; i < 40; i++) code.insert(code.end(), {OP_ILOAD, 7, OP_IADD});
    code.push_back(RET);
    s.method(code, true);
    int before = -1, after = -1;
    Bytes prepared;
    RunResult r = s.vm.inside([&] {
        MethodRecord* m = methodNamed(s.vm.classRecord("T"), "m");
        m->accessFlags &= ~(uint32_t)ACC_PREPARED;
        before = pinnedBlocks();
        prepareMethod(m);
        after = pinnedBlocks();
        prepared = codeOf(m);
    });
    EXPECT_EQ(0, r.exitCode) << r.trace;
    EXPECT_EQ(before, after);
    Bytes expected;
    for (int i = 0; i < 40; i++) expected.insert(expected.end(), {OP_IADD_LOCAL, L(7)});
    expected.push_back(RET);
    expected.resize(code.size(), 0);
    EXPECT_EQ(hex(expected), hex(prepared));
}

// A getfield whose field cannot be resolved stops the preparation with the error, before
// the method is marked: the invocation that prepares it raises it.
TEST(Prepare, UnresolvableFieldRaisesFromTheInvocation) {
    Vm vm;
    ClassSpec& t = vm.cls("T");
    t.resolvedPool = false;
    t.field("r", "I", ACC_STATIC);
    MethodSpec& get = t.method("get", "()I");
    // 80 bytes: the leader map comes from the heap
    get.code.iconst(1).iload(5).op(OP_IADD).op(OP_POP);
    for (int i = 0; i < 70; i++) get.code.op(OP_NOP);
    get.code.aload(0).getfield("T", "missing", "I").op(OP_IRETURN);
    t.method("<init>", "()V").code.aload(0).invokespecial("java/lang/Object", "<init>", "()V").op(OP_RETURN);
    t.method("main", "([Ljava/lang/String;)V", ACC_PUBLIC | ACC_STATIC)
        .code.newObject("T")
        .op(OP_DUP)
        .invokespecial("T", "<init>", "()V")
        .invokevirtual("T", "get", "()I")
        .putstatic("T", "r", "I")
        .op(OP_RETURN);
    uint32_t flags = 0;
    Bytes code;
    vm.beforeStart = [&] { methodNamed(vm.classRecord("T"), "get")->accessFlags &= ~(uint32_t)ACC_PREPARED; };
    vm.afterRun = [&] {
        MethodRecord* m = methodNamed(vm.classRecord("T"), "get");
        flags = m->accessFlags;
        code = codeOf(m);
    };
    RunResult r = vm.run("T");
    EXPECT_EQ(FATAL_EXIT_CODE, r.exitCode);
    EXPECT_NE(std::string::npos, r.trace.find("NoSuchFieldError")) << r.trace;
    EXPECT_EQ(0u, flags & ACC_PREPARED);
    // what was fused before the error stays
    EXPECT_EQ(NOP, code[1]);
    EXPECT_EQ(OP_IADD_LOCAL, code[2]);
    EXPECT_EQ(L(5), code[3]);
}

// ---------------------------------------------------------------------------------
// Prepared methods compute what they compute as loaded.

struct Program {
    const char* name;
    std::function<void(ClassSpec&)> build;  // adds static int run() to T
    int32_t expected;
};

int32_t runProgram(const Program& p, bool prepare, bool* changed, std::string* trace) {
    Vm vm;
    ClassSpec& t = vm.cls("T");
    t.field("r", "I", ACC_STATIC).field("count", "I").field("next", "LT;").field("wide", "J");
    t.method("<init>", "()V").code.aload(0).invokespecial("java/lang/Object", "<init>", "()V").op(OP_RETURN);
    p.build(t);
    t.method("main", "([Ljava/lang/String;)V", ACC_PUBLIC | ACC_STATIC)
        .code.invokestatic("T", "run", "()I")
        .putstatic("T", "r", "I")
        .op(OP_RETURN);
    std::vector<Bytes> before;
    *changed = false;
    vm.beforeStart = [&] {
        ClassRecord* c = vm.classRecord("T");
        for (uint32_t i = 0; i < c->methodTable->length; i++) {
            MethodRecord* m = &c->methodTable->methods[i];
            before.push_back(codeOf(m));
            if (prepare && strcmp(changeKeyToName(m->nt.k.nameKey, nullptr), "main") != 0)
                m->accessFlags &= ~(uint32_t)ACC_PREPARED;
        }
    };
    int32_t r = 0;
    vm.afterRun = [&] {
        r = *vm.staticAddress("T", "r");
        ClassRecord* c = vm.classRecord("T");
        for (uint32_t i = 0; i < c->methodTable->length; i++) {
            if (codeOf(&c->methodTable->methods[i]) != before[i]) *changed = true;
        }
    };
    RunResult result = vm.run("T");
    *trace = result.trace;
    return result.exitCode == 0 ? r : -123456;
}

TEST(Prepare, PreparedMethodsComputeWhatTheLoadedOnesCompute) {
    const std::vector<Program> programs = {
        {"array sum with a counted loop",
         [](ClassSpec& t) {
             // static int sum(int[] a, int n) { int s = 0; for (int i = 0; i < n; i++) s += a[i]; return s; }
             t.method("sum", "([II)I", ACC_STATIC)
                 .locals(4)
                 .code.iconst(0)
                 .istore(2)
                 .iconst(0)
                 .istore(3)
                 .label("loop")
                 .iload(3)
                 .iload(1)
                 .branch(OP_IF_ICMPGE, "done")
                 .iload(2)
                 .aload(0)
                 .iload(3)
                 .op(OP_IALOAD)
                 .op(OP_IADD)
                 .istore(2)
                 .iinc(3, 1)
                 .branch(OP_GOTO, "loop")
                 .label("done")
                 .iload(2)
                 .op(OP_IRETURN);
             t.method("run", "()I", ACC_STATIC)
                 .locals(2)
                 .code.bipush(10)
                 .newarray(T_INT)
                 .astore(0)
                 .iconst(0)
                 .istore(1)
                 .label("fill")
                 .iload(1)
                 .bipush(10)
                 .branch(OP_IF_ICMPGE, "filled")
                 .aload(0)
                 .iload(1)
                 .iload(1)
                 .iload(1)
                 .op(OP_IMUL)
                 .bipush(3)
                 .op(OP_ISUB)
                 .op(OP_IASTORE)
                 .iinc(1, 1)
                 .branch(OP_GOTO, "fill")
                 .label("filled")
                 .aload(0)
                 .bipush(10)
                 .invokestatic("T", "sum", "([II)I")
                 .op(OP_IRETURN);
         },
         255},
        {"fields of this along a list",
         [](ClassSpec& t) {
             // int total() { int s = 0; T p = this; while (p != null) { s += p.count; p = p.next; } return s + (int)
             // wide; }
             t.method("total", "()I")
                 .locals(3)
                 .code.iconst(0)
                 .istore(1)
                 .aload(0)
                 .astore(2)
                 .label("loop")
                 .aload(2)
                 .branch(OP_IFNULL, "done")
                 .iload(1)
                 .aload(2)
                 .getfield("T", "count", "I")
                 .op(OP_IADD)
                 .istore(1)
                 .aload(2)
                 .getfield("T", "next", "LT;")
                 .astore(2)
                 .branch(OP_GOTO, "loop")
                 .label("done")
                 .iload(1)
                 .aload(0)
                 .getfield("T", "wide", "J")
                 .op(OP_L2I)
                 .op(OP_IADD)
                 .aload(0)
                 .getfield("T", "count", "I")
                 .op(OP_IADD)
                 .op(OP_IRETURN);
             t.method("run", "()I", ACC_STATIC)
                 .locals(2)
                 .code.newObject("T")
                 .op(OP_DUP)
                 .invokespecial("T", "<init>", "()V")
                 .astore(0)
                 .aload(0)
                 .bipush(7)
                 .putfield("T", "count", "I")
                 .aload(0)
                 .ldc2Long(100)
                 .putfield("T", "wide", "J")
                 .newObject("T")
                 .op(OP_DUP)
                 .invokespecial("T", "<init>", "()V")
                 .astore(1)
                 .aload(1)
                 .bipush(30)
                 .putfield("T", "count", "I")
                 .aload(0)
                 .aload(1)
                 .putfield("T", "next", "LT;")
                 .aload(0)
                 .invokevirtual("T", "total", "()I")
                 .op(OP_IRETURN);
         },
         144},
        {"comparisons against locals and constants",
         [](ClassSpec& t) {
             // counts for i in -3..12: i < 5, i == n, i > -2, i != 0, i <= n
             t.method("run", "()I", ACC_STATIC)
                 .locals(4)
                 .code.iconst(0)
                 .istore(1)
                 .iconst(7)
                 .istore(2)
                 .bipush(-3)
                 .istore(0)
                 .label("loop")
                 .iload(0)
                 .bipush(5)
                 .branch(OP_IF_ICMPGE, "a")
                 .iinc(1, 1)
                 .label("a")
                 .iload(0)
                 .iload(2)
                 .branch(OP_IF_ICMPNE, "b")
                 .iinc(1, 100)
                 .label("b")
                 .iload(0)
                 .iconst(-1)
                 .branch(OP_IF_ICMPLE, "c")
                 .iinc(1, 1000 % 128)
                 .label("c")
                 .iload(0)
                 .branch(OP_IFEQ, "d")
                 .iload(1)
                 .iconst(1)
                 .op(OP_IADD)
                 .istore(1)
                 .label("d")
                 .iload(0)
                 .iload(2)
                 .branch(OP_IF_ICMPGT, "e")
                 .iload(1)
                 .iconst(2)
                 .op(OP_ISUB)
                 .istore(1)
                 .label("e")
                 .iinc(0, 1)
                 .iload(0)
                 .bipush(12)
                 .branch(OP_IF_ICMPLE, "loop")
                 .iload(1)
                 .op(OP_IRETURN);
         },
         8 + 100 + 13 * 104 + 15 - 2 * 11},
        {"caught index error after compacted code",
         [](ClassSpec& t) {
             // the array and index in locals 4 and 5, so the fused load leaves a filler
             t.method("at", "([II)I", ACC_STATIC)
                 .locals(6)
                 .code.aload(0)
                 .astore(4)
                 .iload(1)
                 .istore(5)
                 .label("try")
                 .aload(4)
                 .iload(5)
                 .op(OP_IALOAD)
                 .label("end")
                 .op(OP_IRETURN)
                 .label("catch")
                 .astore(2)
                 .iconst(-1)
                 .op(OP_IRETURN);
             t.methods.back()->handler("try", "end", "catch", "java/lang/ArrayIndexOutOfBoundsException");
             t.method("run", "()I", ACC_STATIC)
                 .locals(2)
                 .code.iconst(3)
                 .newarray(T_INT)
                 .astore(0)
                 .aload(0)
                 .iconst(1)
                 .bipush(42)
                 .op(OP_IASTORE)
                 .aload(0)
                 .iconst(1)
                 .invokestatic("T", "at", "([II)I")
                 .aload(0)
                 .iconst(3)
                 .invokestatic("T", "at", "([II)I")
                 .op(OP_IADD)
                 .aload(0)
                 .iconst(-1)
                 .invokestatic("T", "at", "([II)I")
                 .op(OP_IADD)
                 .op(OP_IRETURN);
         },
         40},
        {"reference compare with a constant and null stores",
         [](ClassSpec& t) {
             t.method("same", "(Ljava/lang/Object;)I", ACC_STATIC)
                 .locals(2)
                 .code.op(OP_ACONST_NULL)
                 .astore(1)
                 .aload(0)
                 .ldcString("k")
                 .branch(OP_IF_ACMPNE, "no")
                 .iconst(1)
                 .op(OP_IRETURN)
                 .label("no")
                 .iconst(0)
                 .op(OP_IRETURN);
             t.method("run", "()I", ACC_STATIC)
                 .locals(1)
                 .code.ldcString("k")
                 .invokestatic("T", "same", "(Ljava/lang/Object;)I")
                 .ldcString("other")
                 .invokestatic("T", "same", "(Ljava/lang/Object;)I")
                 .bipush(10)
                 .op(OP_IMUL)
                 .op(OP_IADD)
                 .op(OP_IRETURN);
         },
         1},
    };
    for (const Program& p : programs) {
        bool changedLoaded = false, changedPrepared = false;
        std::string traceLoaded, tracePrepared;
        int32_t loaded = runProgram(p, false, &changedLoaded, &traceLoaded);
        int32_t prepared = runProgram(p, true, &changedPrepared, &tracePrepared);
        EXPECT_EQ(p.expected, loaded) << p.name << traceLoaded;
        EXPECT_EQ(loaded, prepared) << p.name << tracePrepared;
        EXPECT_TRUE(changedPrepared) << p.name << ": preparation changed nothing";
    }
}

}  // namespace
