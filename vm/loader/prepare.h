// Method preparation: before a loaded method first runs, frequent groups of two or
// three instructions are fused into the combined opcodes, and the fillers the fusion
// leaves are squeezed out with branches, handler ranges and reference maps moved along.
#pragma once

#include <stdint.h>

#include "platform/vmsections.h"
#include "vm/core/records.h"

enum {
    LEADER_START = 1,   // an instruction starts here
    LEADER_TARGET = 2,  // with LEADER_START: a block leader no fused group may cross
    LEADER_BLOCK = LEADER_START | LEADER_TARGET,
    // Work buffers of methods up to this many code bytes live on the stack.
    PREPARE_STACK_BUFFER_BYTES = 64,
};

// The method whose getfield references are being resolved.
extern VMBSS MethodRecord* rewriteMethodHolder;
// 1: methods are rewritten; 0: they are only marked prepared and run as loaded (to
// compare the two); -1: not decided yet, MOVANE_PREPARE=0 in the environment turns it off.
extern VMDATA int32_t MethodPreparationMode;

// Fuses, then compacts, once per method; methods of the class image, of classes not
// yet verified, native and abstract methods are left as they are. Raises what the
// resolution of an aload_0/getfield pair raises, before the method is marked.
void prepareMethod(MethodRecord* method);
void rewriteMethod(MethodRecord* method);
void compactMethod(MethodRecord* method);

// The steps, for tests. leaders has one byte per code byte, zero on entry.
// Returns false when the code does not walk cleanly to its end.
bool scanInstructions(MethodRecord* method, uint8_t* leaders);
void fuseBlock(MethodRecord* method, uint8_t* leaders, uint32_t start, uint32_t end);
// Fills one shift per code byte; false when the method must keep its fillers.
bool computeShiftMap(MethodRecord* method, int16_t* shift, int32_t* total);
