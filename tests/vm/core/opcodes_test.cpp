// The opcode table: where each opcode runs, and instruction lengths, variable ones included.
#include <gtest/gtest.h>

#include <set>
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
    // handed to SlowInterpret: float and double work, everything that may need
    // resolution, wide and custom code
    const std::set<int> slow = range({{11, 15}, {23, 24}, {34, 41}, {48, 49}, {56, 57}, {67, 74}, {81, 82}, {98, 99}, {102, 103},
                                      {106, 107}, {110, 111}, {114, 115}, {118, 119}, {134, 135}, {137, 144}, {149, 152},
                                      {178, 185}, {187, 189}, {192, 193}, {196, 197}, {223, 223}});
    const std::set<int> illegal = {168, 169, 186, 201, 213};
    for (int op = 0; op < 256; op++) {
        OpcodeKind expected = slow.count(op) ? OPK_SLOW : illegal.count(op) ? OPK_ILLEGAL : OPK_FAST;
        EXPECT_EQ(OpcodeTable[op].kind, expected) << op << " " << OpcodeTable[op].name;
        EXPECT_NE(OpcodeTable[op].name, nullptr) << op;
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
        {"tableswitch at 0, two targets", {OP_TABLESWITCH, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0}, 0, 24},
        {"tableswitch at 3, no padding", {0, 0, 0, OP_TABLESWITCH, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 5, 0, 0, 0, 0}, 3, 17},
        {"lookupswitch at 1, one pair", {0, OP_LOOKUPSWITCH, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 9, 0, 0, 0, 0}, 1, 19},
    };
    for (const Case& c : cases) EXPECT_EQ(instructionLength(c.code.data(), c.pc), c.length) << c.name;
}

}  // namespace
