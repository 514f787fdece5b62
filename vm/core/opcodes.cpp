// The opcode table itself and the length of an instruction at a code offset.
#include "vm/core/opcodes.h"

#include "platform/bytes.h"

const OpcodeInfo OpcodeTable[256] = {
#define OPCODE_INFO(n, NAME, name, length, format, kind, stack) {#name, length, format, kind, stack},
    FOR_EACH_OPCODE(OPCODE_INFO)
#undef OPCODE_INFO
};

const StackWords OpcodeStackWords[256] = {
#define OPCODE_WORDS(n, NAME, name, length, format, kind, stack) stackWordsOf(stack),
    FOR_EACH_OPCODE(OPCODE_WORDS)
#undef OPCODE_WORDS
};

int instructionLength(const uint8_t* code, uint32_t pc) {
    const uint8_t* ip = code + pc;
    switch (*ip) {
        case OP_TABLESWITCH: {
            uint32_t base = (pc + 4) & ~3u;
            int32_t low = beS32(code + base + 4);
            int32_t high = beS32(code + base + 8);
            return (int)(base - pc) + 12 + 4 * (high - low + 1);
        }
        case OP_LOOKUPSWITCH: {
            uint32_t base = (pc + 4) & ~3u;
            int32_t pairs = beS32(code + base + 4);
            return (int)(base - pc) + 8 + 8 * pairs;
        }
        case OP_WIDE:
            return ip[1] == OP_IINC ? 6 : 4;
        default:
            return OpcodeTable[*ip].length;
    }
}
