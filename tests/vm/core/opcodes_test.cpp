// The opcode table: where each opcode runs, lengths that agree with the operand formats
// and with the instructions each quick form replaces in place, and instruction lengths,
// variable ones included.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "vm/core/opcodes.h"

namespace {

std::set<int> range(std::initializer_list<std::pair<int, int>> spans) {
    std::set<int> s;
    for (auto& sp : spans)
        for (int i = sp.first; i <= sp.second; i++) s.insert(i);
    return s;
}

TEST(OpcodeTable, EveryOpcodeRunsWhereItBelongs) {
    // handed to SlowInterpret: everything that may need resolution, wide and custom code;
    // float and double work runs in the loop
    const std::set<int> slow = range({{178, 185}, {187, 189}, {192, 193}, {196, 197}, {223, 223}});
    const std::set<int> illegal = {168, 169, 186, 201, 213};
    for (int op = 0; op < 256; op++) {
        OpcodeKind expected = slow.count(op) ? OPK_SLOW : illegal.count(op) ? OPK_ILLEGAL : OPK_FAST;
        EXPECT_EQ(OpcodeTable[op].kind, expected) << op << " " << OpcodeTable[op].name;
        EXPECT_NE(OpcodeTable[op].name, nullptr) << op;
    }
}

// Bytes each operand format takes behind the opcode; -1 for the variable ones.
int operandBytes(OperandFormat f) {
    switch (f) {
        case OPF_NONE:
            return 0;
        case OPF_S8:
        case OPF_CP8:
        case OPF_LOCAL:
        case OPF_NEWARRAY:
        case OPF_LOCAL4:
        case OPF_SPARE:
            return 1;
        case OPF_S16:
        case OPF_CP16:
        case OPF_IINC:
        case OPF_BRANCH16:
        case OPF_SLOT16:
        case OPF_IC16:
        case OPF_LOCAL4_LOCAL4:
        case OPF_ZERO_SLOT8:
            return 2;
        case OPF_MULTIANEWARRAY:
        case OPF_LOCAL4_ZERO_SLOT8:
        case OPF_LOCAL4_BRANCH16:
            return 3;
        case OPF_BRANCH32:
        case OPF_INVOKEINTERFACE:
        case OPF_IC_INTERFACE:
        case OPF_LOCAL4_LOCAL4_BRANCH16:
        case OPF_LOCAL4_S8_BRANCH16:
            return 4;
        case OPF_TABLESWITCH:
        case OPF_LOOKUPSWITCH:
        case OPF_WIDE:
            return -1;
    }
    return -2;
}

TEST(OpcodeTable, LengthsAgreeWithOperandFormatsAndNamesAreUnique) {
    std::set<std::string> names;
    for (int op = 0; op < 256; op++) {
        const OpcodeInfo& info = OpcodeTable[op];
        int operands = operandBytes(info.format);
        ASSERT_NE(operands, -2) << op << " " << info.name;
        EXPECT_EQ(info.length, operands < 0 ? 0 : 1 + operands) << op << " " << info.name;
        EXPECT_TRUE(names.insert(info.name).second) << op << " " << info.name << " named twice";
    }
}

// The slow interpreter rewrites an instruction into its quick form in place: each quick
// form must take exactly the bytes of the instruction it replaces, and run in the loop.
TEST(OpcodeTable, QuickFormsFitTheInstructionTheyReplace) {
    struct Case {
        Opcode original;
        std::vector<Opcode> quick;
    };
    const std::vector<Case> cases = {
        {OP_GETFIELD, {OP_GETFIELD_QUICK, OP_GETFIELDP_QUICK, OP_GETFIELD2_QUICK}},
        {OP_PUTFIELD, {OP_PUTFIELD_QUICK, OP_PUTFIELD2_QUICK}},
        {OP_GETSTATIC, {OP_GETSTATIC_QUICK, OP_GETSTATICP_QUICK, OP_GETSTATIC2_QUICK}},
        {OP_PUTSTATIC, {OP_PUTSTATIC_QUICK, OP_PUTSTATIC2_QUICK}},
        {OP_INVOKEVIRTUAL, {OP_INVOKEVIRTUAL_CACHED, OP_INVOKESPECIAL_QUICK}},
        {OP_INVOKESPECIAL, {OP_INVOKESPECIAL_QUICK}},
        {OP_INVOKESTATIC, {OP_INVOKESTATIC_QUICK}},
        {OP_INVOKEINTERFACE, {OP_INVOKEINTERFACE_CACHED}},
        {OP_NEW, {OP_NEW_QUICK}},
        {OP_ANEWARRAY, {OP_ANEWARRAY_QUICK}},
        {OP_MULTIANEWARRAY, {OP_MULTIANEWARRAY_QUICK}},
        {OP_CHECKCAST, {OP_CHECKCAST_QUICK}},
        {OP_INSTANCEOF, {OP_INSTANCEOF_QUICK}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(OpcodeTable[c.original].kind, OPK_SLOW) << OpcodeTable[c.original].name;
        for (Opcode q : c.quick) {
            EXPECT_EQ(OpcodeTable[q].length, OpcodeTable[c.original].length)
                << OpcodeTable[q].name << " for " << OpcodeTable[c.original].name;
            EXPECT_EQ(OpcodeTable[q].kind, OPK_FAST) << OpcodeTable[q].name;
        }
    }
}

TEST(OpcodeTable, InstructionLengths) {
    struct Case {
        const char* name;
        std::vector<uint8_t> code;
        uint32_t pc;
        int length;
    };
    const std::vector<Case> cases = {
        {"iadd", {OP_IADD}, 0, 1},
        {"sipush", {OP_SIPUSH, 0, 1}, 0, 3},
        {"invokeinterface", {OP_INVOKEINTERFACE, 0, 1, 1, 0}, 0, 5},
        {"invokeinterface_cached", {OP_INVOKEINTERFACE_CACHED, 0, 1, 1, 0}, 0, 5},
        {"multianewarray_quick", {OP_MULTIANEWARRAY_QUICK, 0, 1, 2}, 0, 4},
        {"putfield_local0", {OP_PUTFIELD_LOCAL0, 4, 0, 1}, 0, 4},
        {"if_icmplt_const", {OP_IF_ICMPLT_CONST, 4, 0, 0, 7}, 0, 5},
        {"goto_w", {OP_GOTO_W, 0, 0, 0, 5}, 0, 5},
        {"wide iload", {OP_WIDE, OP_ILOAD, 1, 0}, 0, 4},
        {"wide iinc", {OP_WIDE, OP_IINC, 1, 0, 0, 5}, 0, 6},
        // padding to the next multiple of 4 after the opcode, then default, low, high, offsets
        {"tableswitch at 0, two targets",
         {OP_TABLESWITCH, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0},
         0,
         24},
        {"tableswitch at 3, no padding",
         {0, 0, 0, OP_TABLESWITCH, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 5, 0, 0, 0, 0},
         3,
         17},
        {"lookupswitch at 1, one pair",
         {0, OP_LOOKUPSWITCH, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 9, 0, 0, 0, 0},
         1,
         19},
    };
    for (const Case& c : cases) EXPECT_EQ(instructionLength(c.code.data(), c.pc), c.length) << c.name;
}

}  // namespace

// Each effect is "*" or an optional '!', the letters taken, '>' and the letters left.
TEST(OpcodeTable, StackEffectsAreWellFormed) {
    const std::string letters = "IFJDARNCW";
    for (int op = 0; op < 256; op++) {
        std::string e = OpcodeTable[op].stack;
        if (e == "*") continue;
        size_t from = e[0] == '!' ? 1 : 0;
        EXPECT_EQ(e.find('>'), e.rfind('>')) << OpcodeTable[op].name << " \"" << e << "\"";
        ASSERT_NE(e.find('>'), std::string::npos) << OpcodeTable[op].name << " \"" << e << "\"";
        for (size_t i = from; i < e.size(); i++) {
            if (e[i] == '>') continue;
            if (e[i] == '[') {
                ASSERT_LT(i + 1, e.size()) << OpcodeTable[op].name;
                EXPECT_NE(std::string("ZBCSIJFD").find(e[++i]), std::string::npos) << OpcodeTable[op].name;
                continue;
            }
            EXPECT_NE(letters.find(e[i]), std::string::npos) << OpcodeTable[op].name << " \"" << e << "\"";
        }
    }
}

// The words an effect takes and leaves, and a quick form leaves the stack as the
// instruction it replaces does.
TEST(OpcodeTable, StackWordsOfEffects) {
    struct Case {
        const char* effect;
        int taken, left, references;
    };
    const Case cases[] = {
        {">", 0, 0, 0},     {">N", 0, 1, 1},  {"JI>J", 3, 2, 0}, {"[JIJ>", 4, 0, 0},
        {"!AI>A", 2, 1, 1}, {"A>C", 1, 1, 1}, {"I>D", 1, 2, 0},  {"RR>", 2, 0, 0},
    };
    for (const Case& c : cases) {
        StackWords w = stackWordsOf(c.effect);
        EXPECT_TRUE(w.byTable) << c.effect;
        EXPECT_EQ(w.taken, c.taken) << c.effect;
        EXPECT_EQ(w.left, c.left) << c.effect;
        EXPECT_EQ(w.references, c.references) << c.effect;
    }
    EXPECT_FALSE(stackWordsOf("*").byTable);
    const std::pair<Opcode, Opcode> quick[] = {
        {OP_NEW, OP_NEW_QUICK},
        {OP_ANEWARRAY, OP_ANEWARRAY_QUICK},
        {OP_CHECKCAST, OP_CHECKCAST_QUICK},
        {OP_INSTANCEOF, OP_INSTANCEOF_QUICK},
    };
    for (const auto& q : quick) {
        const StackWords& a = OpcodeStackWords[q.first];
        const StackWords& b = OpcodeStackWords[q.second];
        EXPECT_EQ(a.taken, b.taken) << OpcodeTable[q.second].name;
        EXPECT_EQ(a.left, b.left) << OpcodeTable[q.second].name;
        EXPECT_EQ(a.references, b.references) << OpcodeTable[q.second].name;
    }
}
