// Method preparation. Runs on verified bytecode between two instructions of the
// interpreter, so it trusts operands the verifier has checked; it only guards against
// lengths that would take it outside the method's code.
//
// Fusion writes each combined instruction at the end of the group it replaces and puts
// one filler (0, or 237 and a spare byte) in front, so no offset moves while fusing.
// Compaction then drops every filler and nop and moves what counts in code offsets.
#include "vm/loader/prepare.h"

#include <stdlib.h>
#include <string.h>

#include "platform/bytes.h"
#include "vm/core/exceptions.h"
#include "vm/core/heap.h"
#include "vm/core/hooks.h"
#include "vm/core/native.h"
#include "vm/core/opcodes.h"
#include "vm/core/resolve.h"
#include "vm/core/romimage.h"
#include "vm/core/stackmap.h"

VMBSS MethodRecord* rewriteMethodHolder;
VMDATA int32_t MethodPreparationMode = -1;

enum { MAX_FUSED_LOCAL = 31, MAX_SHORT_SLOT = 255 };

static inline void writeS16(uint8_t* p, int32_t v) {
    p[0] = (uint8_t)(v >> 8);
    p[1] = (uint8_t)v;
}
static inline void writeS32(uint8_t* p, int32_t v) {
    for (int i = 0; i < 4; i++) p[i] = (uint8_t)(v >> (24 - 8 * i));
}

// ---------------------------------------------------------------------------------
// Leaders

static inline void markTarget(uint8_t* leaders, uint32_t length, int32_t target) {
    if (target >= 0 && (uint32_t)target < length) leaders[target] |= LEADER_TARGET;
}

// n is the instruction's length, which bounds the switch tables read.
static void noteBranchTargets(const uint8_t* code, uint32_t pc, int n, uint32_t length, uint8_t* leaders) {
    uint8_t op = code[pc];
    if ((op >= OP_IFEQ && op <= OP_IF_ACMPNE) || op == OP_IFNULL || op == OP_IFNONNULL) {
        markTarget(leaders, length, (int32_t)pc + beS16(code + pc + 1));
        markTarget(leaders, length, (int32_t)pc + 3);
    } else if (op == OP_GOTO) {
        markTarget(leaders, length, (int32_t)pc + beS16(code + pc + 1));
    } else if (op == OP_GOTO_W) {
        markTarget(leaders, length, (int32_t)pc + beS32(code + pc + 1));
    } else if (op == OP_TABLESWITCH) {
        uint32_t base = (pc + 4) & ~3u;
        markTarget(leaders, length, (int32_t)pc + beS32(code + base));
        int32_t count = (n - (int32_t)(base - pc) - 12) / 4;
        for (int32_t i = 0; i < count; i++) markTarget(leaders, length, (int32_t)pc + beS32(code + base + 12 + 4 * i));
    } else if (op == OP_LOOKUPSWITCH) {
        uint32_t base = (pc + 4) & ~3u;
        markTarget(leaders, length, (int32_t)pc + beS32(code + base));
        int32_t pairs = (n - (int32_t)(base - pc) - 8) / 8;
        for (int32_t i = 0; i < pairs; i++) markTarget(leaders, length, (int32_t)pc + beS32(code + base + 12 + 8 * i));
    } else if (op >= OP_IFEQ_LOCAL && op <= OP_IFLE_LOCAL) {
        // combined branches are met again when a failed field resolution stopped an
        // earlier preparation half way
        markTarget(leaders, length, (int32_t)pc + 1 + beS16(code + pc + 2));
        markTarget(leaders, length, (int32_t)pc + 4);
    } else if (op >= OP_IF_ICMPEQ_LOCALS) {
        markTarget(leaders, length, (int32_t)pc + 2 + beS16(code + pc + 3));
        markTarget(leaders, length, (int32_t)pc + 5);
    }
}

// True when the method may store into local 0, so that local 0 need not hold this.
static bool storesLocalZero(const uint8_t* code, uint32_t pc) {
    uint8_t op = code[pc];
    if (op == OP_ASTORE_0 || (op == OP_ASTORE && code[pc + 1] == 0)) return true;
    return op == OP_WIDE && code[pc + 1] == OP_ASTORE && code[pc + 2] == 0 && code[pc + 3] == 0;
}

static VMBSS bool LocalZeroStored;

// Until its class is verified a method's stack-map word holds the loader's table, in
// the dynamic heap; the collector's reference maps lie in permanent space.
static inline bool isLoaderStackMapTable(const void* maps) { return checkHeapAddress(maps) == 0; }

bool scanInstructions(MethodRecord* method, uint8_t* leaders) {
    const uint8_t* code = method->u.code;
    uint32_t length = method->codeLength;
    LocalZeroStored = false;
    uint32_t pc = 0;
    while (pc < length) {
        int n = instructionLength(code, pc);
        if (n <= 0 || pc + (uint32_t)n > length) return false;
        leaders[pc] |= LEADER_START;
        noteBranchTargets(code, pc, n, length, leaders);
        if (storesLocalZero(code, pc)) LocalZeroStored = true;
        pc += (uint32_t)n;
    }
    leaders[0] |= LEADER_TARGET;
    HandlerTable* handlers = method->handlers;
    for (uint32_t i = 0; handlers != nullptr && i < handlers->length; i++) {
        HandlerEntry* h = &handlers->handlers[i];
        markTarget(leaders, length, h->handlerPC);
        // A fused group across either end of a protected range would move an
        // instruction that can throw into or out of the range.
        markTarget(leaders, length, h->startPC);
        markTarget(leaders, length, h->endPC);
    }
    // Reference maps are read from their offset on: it must stay an instruction start.
    const PointerMap* map = (const PointerMap*)method->stackMaps;
    if (map != nullptr && !isLoaderStackMapTable(map)) {
        bool shortForm = (map->header & POINTER_MAP_SHORT) != 0;
        int count = map->header & POINTER_MAP_COUNT_MASK;
        for (int i = 0; i < count; i++) {
            uint16_t word = map->entries[2 * i];
            markTarget(leaders, length, shortForm ? (word & SHORT_MAP_OFFSET_MASK) : word);
        }
    }
    return true;
}

// ---------------------------------------------------------------------------------
// Fusion

// The next instruction start after pc below end, or end.
static inline uint32_t nextStart(const uint8_t* leaders, uint32_t pc, uint32_t end) {
    do {
        pc++;
    } while (pc < end && !(leaders[pc] & LEADER_START));
    return pc;
}

static inline bool isLeader(const uint8_t* leaders, uint32_t pc) { return (leaders[pc] & LEADER_TARGET) != 0; }

// The local index of a load or store, long form (index below 32) or short form, else -1.
static int fusableLoad(const uint8_t* ip, uint8_t longForm, uint8_t shortBase) {
    if (ip[0] == longForm) return ip[1] <= MAX_FUSED_LOCAL ? ip[1] : -1;
    if (ip[0] >= shortBase && ip[0] <= shortBase + 3) return ip[0] - shortBase;
    return -1;
}
static inline int intLoad(const uint8_t* ip) { return fusableLoad(ip, OP_ILOAD, OP_ILOAD_0); }
static inline int refLoad(const uint8_t* ip) { return fusableLoad(ip, OP_ALOAD, OP_ALOAD_0); }
static inline int intStore(const uint8_t* ip) { return fusableLoad(ip, OP_ISTORE, OP_ISTORE_0); }
static inline int refStore(const uint8_t* ip) { return fusableLoad(ip, OP_ASTORE, OP_ASTORE_0); }

// bipush b or iconst_m1..iconst_5: the constant as its byte.
static bool smallConstant(const uint8_t* ip, uint8_t* value) {
    if (ip[0] == OP_BIPUSH) {
        *value = ip[1];
        return true;
    }
    if (ip[0] >= OP_ICONST_M1 && ip[0] <= OP_ICONST_5) {
        *value = (uint8_t)(int8_t)(ip[0] - OP_ICONST_0);
        return true;
    }
    return false;
}

// Writes the fused bytes at the end of [start, end) with a filler in front and leaves
// exactly the filler and the fused opcode as instruction starts.
static void writeFused(uint8_t* code, uint8_t* leaders, uint32_t start, uint32_t end, const uint8_t* fused,
                       uint32_t n) {
    uint32_t at = end - n;
    memmove(code + at, fused, n);
    if (at - start == 1) {
        code[start] = OP_NOP;
    } else if (at - start == 2) {
        code[start] = OP_FILLER;
        code[start + 1] = 0;
    }
    for (uint32_t i = start + 1; i < end; i++) leaders[i] &= (uint8_t)~LEADER_START;
    leaders[at] |= LEADER_START;
}

// The triple at x, y, z ending at end; returns true when it was fused.
static bool fuseTriple(uint8_t* code, uint8_t* leaders, uint32_t x, uint32_t y, uint32_t z, uint32_t end) {
    uint8_t fused[5];
    uint8_t op = code[z];
    int a = intLoad(code + x);
    if (a >= 0 && op >= OP_IF_ICMPEQ && op <= OP_IF_ICMPLE) {
        int b = intLoad(code + y);
        uint8_t c;
        if (b >= 0) {
            fused[0] = (uint8_t)(OP_IF_ICMPEQ_LOCALS + (op - OP_IF_ICMPEQ));
            fused[2] = (uint8_t)(4 * b);
        } else if (smallConstant(code + y, &c)) {
            fused[0] = (uint8_t)(OP_IF_ICMPEQ_CONST + (op - OP_IF_ICMPEQ));
            fused[2] = c;
        } else {
            return false;
        }
        fused[1] = (uint8_t)(4 * a);
        fused[3] = code[z + 1];
        fused[4] = code[z + 2];
        writeFused(code, leaders, x, end, fused, 5);
        return true;
    }
    a = refLoad(code + x);
    if (a < 0) return false;
    if (op == OP_IF_ACMPEQ || op == OP_IF_ACMPNE) {
        int b = refLoad(code + y);
        if (b >= 0) {
            fused[0] = op == OP_IF_ACMPEQ ? OP_IF_ICMPEQ_LOCALS : OP_IF_ICMPNE_LOCALS;
            fused[1] = (uint8_t)(4 * a);
            fused[2] = (uint8_t)(4 * b);
            fused[3] = code[z + 1];
            fused[4] = code[z + 2];
            writeFused(code, leaders, x, end, fused, 5);
            return true;
        }
        if (code[y] == OP_LDC) {
            // ldc first, then the same aload; the starts move with them
            uint8_t load[2] = {code[x], code[x + 1]};
            uint32_t loadLength = y - x;
            code[x] = OP_LDC;
            code[x + 1] = code[y + 1];
            memcpy(code + x + 2, load, loadLength);
            leaders[y] &= (uint8_t)~LEADER_START;
            leaders[x + 2] |= LEADER_START;
        }
        return false;
    }
    if (op == OP_IALOAD || op == OP_AALOAD) {
        int b = intLoad(code + y);
        if (b < 0) return false;
        fused[0] = op == OP_IALOAD ? OP_IALOAD_LOCALS : OP_AALOAD_LOCALS;
        fused[1] = (uint8_t)(4 * a);
        fused[2] = (uint8_t)(4 * b);
        writeFused(code, leaders, x, end, fused, 3);
        return true;
    }
    return false;
}

// aload_0, getfield: resolved now, so the pair runs without the slow path.
static bool fuseFieldLoad(MethodRecord* method, uint8_t* code, uint8_t* leaders, uint32_t x, uint32_t y) {
    if (method->accessFlags & ACC_STATIC) return false;
    ClassRecord* clazz = method->ofClass;
    int index = be16(code + y + 1);
    FieldRecord* field = resolveFieldReference(clazz->constPool, index, false, OP_GETFIELD, clazz);
    if (field == nullptr) raiseNoSuchMemberError(clazz->constPool, index);
    uint32_t slot = field->u.offset;
    bool reference = (field->accessFlags & ACC_POINTER) != 0;
    bool twoWords = (field->accessFlags & ACC_DOUBLE) != 0;
    // The one-byte forms read local 0 without a null test: only while it holds this.
    if (!twoWords && slot <= MAX_SHORT_SLOT && !LocalZeroStored) {
        uint8_t fused[3] = {(uint8_t)(reference ? OP_GETFIELDP_LOCAL0 : OP_GETFIELD_LOCAL0), 0, (uint8_t)slot};
        writeFused(code, leaders, x, y + 3, fused, 3);
        return true;
    }
    if (slot > 0x7FFF) return false;  // the quick forms read a signed slot
    code[y] = twoWords ? OP_GETFIELD2_QUICK : reference ? OP_GETFIELDP_QUICK : OP_GETFIELD_QUICK;
    writeS16(code + y + 1, (int32_t)slot);
    return true;
}

static bool fusePair(MethodRecord* method, uint8_t* code, uint8_t* leaders, uint32_t x, uint32_t y, uint32_t end) {
    uint8_t fused[4];
    uint8_t op = code[y];
    uint8_t first = code[x];
    uint8_t c;
    int a;
    if ((first == OP_ICONST_0 || first == OP_ICONST_1) && (a = intStore(code + y)) >= 0) {
        fused[0] = first == OP_ICONST_0 ? OP_ICONST0_STORE : OP_ICONST1_STORE;
        fused[1] = (uint8_t)(4 * a);
        writeFused(code, leaders, x, end, fused, 2);
        return true;
    }
    if (first == OP_ACONST_NULL && (a = refStore(code + y)) >= 0) {
        fused[0] = OP_ICONST0_STORE;
        fused[1] = (uint8_t)(4 * a);
        writeFused(code, leaders, x, end, fused, 2);
        return true;
    }
    if ((a = intLoad(code + x)) >= 0) {
        if (op >= OP_IFEQ && op <= OP_IFLE) {
            fused[0] = (uint8_t)(OP_IFEQ_LOCAL + (op - OP_IFEQ));
            fused[1] = (uint8_t)(4 * a);
            fused[2] = code[y + 1];
            fused[3] = code[y + 2];
            writeFused(code, leaders, x, end, fused, 4);
            return true;
        }
        switch (op) {
            case OP_IALOAD:
                fused[0] = OP_IALOAD_LOCAL;
                break;
            case OP_AALOAD:
                fused[0] = OP_AALOAD_LOCAL;
                break;
            case OP_IADD:
                fused[0] = OP_IADD_LOCAL;
                break;
            case OP_ISUB:
                fused[0] = OP_ISUB_LOCAL;
                break;
            default:
                return false;
        }
        fused[1] = (uint8_t)(4 * a);
        writeFused(code, leaders, x, end, fused, 2);
        return true;
    }
    if (smallConstant(code + x, &c)) {
        if (op != OP_IADD && op != OP_ISUB) return false;
        fused[0] = op == OP_IADD ? OP_IADD_CONST : OP_ISUB_CONST;
        fused[1] = c;
        writeFused(code, leaders, x, end, fused, 2);
        return true;
    }
    if ((a = refLoad(code + x)) >= 0) {
        if (op == OP_IFNULL || op == OP_IFNONNULL) {
            fused[0] = op == OP_IFNULL ? OP_IFEQ_LOCAL : OP_IFNE_LOCAL;
            fused[1] = (uint8_t)(4 * a);
            fused[2] = code[y + 1];
            fused[3] = code[y + 2];
            writeFused(code, leaders, x, end, fused, 4);
            return true;
        }
        if (first == OP_ALOAD_0 && op == OP_GETFIELD) return fuseFieldLoad(method, code, leaders, x, y);
    }
    return false;
}

static void fuseTriples(uint8_t* code, uint8_t* leaders, uint32_t start, uint32_t end) {
    uint32_t x = start;
    while (x < end) {
        uint32_t y = nextStart(leaders, x, end);
        if (y >= end) return;
        uint32_t z = nextStart(leaders, y, end);
        if (z >= end) return;
        uint32_t after = nextStart(leaders, z, end);
        if (!isLeader(leaders, y) && !isLeader(leaders, z) && fuseTriple(code, leaders, x, y, z, after)) {
            x = after;
        } else {
            // the window moves by one instruction: read the starts again, a swap moved them
            x = nextStart(leaders, x, end);
        }
    }
}

static void fusePairs(MethodRecord* method, uint8_t* code, uint8_t* leaders, uint32_t start, uint32_t end) {
    uint32_t x = start;
    while (x < end) {
        uint32_t y = nextStart(leaders, x, end);
        if (y >= end) return;
        uint32_t after = nextStart(leaders, y, end);
        if (!isLeader(leaders, y) && fusePair(method, code, leaders, x, y, after))
            x = after;
        else
            x = y;
    }
}

void fuseBlock(MethodRecord* method, uint8_t* leaders, uint32_t start, uint32_t end) {
    fuseTriples(method->u.code, leaders, start, end);
    fusePairs(method, method->u.code, leaders, start, end);
}

// A work buffer: on the stack for short methods, else a pinned heap block.
static uint8_t* workBuffer(uint8_t* local, int32_t bytes) {
    if (bytes <= PREPARE_STACK_BUFFER_BYTES) {
        memset(local, 0, (size_t)bytes);
        return local;
    }
    return (uint8_t*)CoreHooks.mvMemory_allocPointer(bytes);
}

static void freeWorkBuffer(uint8_t* buffer, uint8_t* local) {
    if (buffer != local) CoreHooks.mvMemory_freePointer(buffer);
}

void rewriteMethod(MethodRecord* method) {
    uint32_t length = method->codeLength;
    if (length == 0) return;
    uint8_t local[PREPARE_STACK_BUFFER_BYTES];
    uint8_t* volatile leaders = workBuffer(local, (int32_t)length);
    if (leaders == nullptr) return;
    MethodRecord* volatile target = method;
    rewriteMethodHolder = method;
    VM_TRY
    if (scanInstructions(target, leaders)) {
        uint32_t start = 0;
        while (start < length) {
            uint32_t end = start + 1;
            while (end < length && (leaders[end] & LEADER_BLOCK) != LEADER_BLOCK) end++;
            fuseBlock(target, leaders, start, end);
            start = end;
        }
    }
    VM_CATCH(e)
    rewriteMethodHolder = nullptr;
    freeWorkBuffer(leaders, local);
    throwObject(e);
    VM_END_TRY
    rewriteMethodHolder = nullptr;
    freeWorkBuffer(leaders, local);
}

// ---------------------------------------------------------------------------------
// Compaction

static inline bool fixedInPlace(uint8_t op) {
    // switch padding follows the address; cached sites are known to the cache by ip
    return op == OP_TABLESWITCH || op == OP_LOOKUPSWITCH || op == OP_INVOKEVIRTUAL_CACHED ||
           op == OP_INVOKEINTERFACE_CACHED || op == OP_ANEWARRAY_QUICK;
}

bool computeShiftMap(MethodRecord* method, int16_t* shift, int32_t* total) {
    const uint8_t* code = method->u.code;
    uint32_t length = method->codeLength;
    int32_t running = 0;
    uint32_t pc = 0;
    while (pc < length) {
        uint8_t op = code[pc];
        if (fixedInPlace(op)) return false;
        int n = instructionLength(code, pc);
        if (n <= 0 || pc + (uint32_t)n > length) return false;
        for (int i = 0; i < n; i++) shift[pc + i] = (int16_t)running;
        if (op == OP_NOP)
            running -= 1;
        else if (op == OP_FILLER)
            running -= 2;
        if (running < -32768) return false;
        pc += (uint32_t)n;
    }
    *total = running;
    return true;
}

static inline int32_t moved(const int16_t* shift, uint32_t length, int32_t total, int32_t offset) {
    if (offset == (int32_t)length) return offset + total;
    return offset + shift[offset];
}

static void relocateBranches(uint8_t* code, uint32_t length, const int16_t* shift) {
    uint32_t pc = 0;
    while (pc < length) {
        uint8_t op = code[pc];
        int n = instructionLength(code, pc);
        uint32_t at = 0, base = pc;
        if ((op >= OP_IFEQ && op <= OP_GOTO) || op == OP_IFNULL || op == OP_IFNONNULL) {
            at = pc + 1;
        } else if (op >= OP_IFEQ_LOCAL && op <= OP_IFLE_LOCAL) {
            at = pc + 2;
            base = pc + 1;
        } else if (op >= OP_IF_ICMPEQ_LOCALS) {
            at = pc + 3;
            base = pc + 2;
        } else if (op == OP_GOTO_W) {
            int32_t offset = beS32(code + pc + 1);
            int32_t target = (int32_t)pc + offset;
            if (target >= 0 && (uint32_t)target < length) {
                int32_t changed = offset + shift[target] - shift[pc];
                if (changed != offset) writeS32(code + pc + 1, changed);
            }
        }
        if (at != 0) {
            int32_t offset = beS16(code + at);
            int32_t target = (int32_t)base + offset;
            if (target >= 0 && (uint32_t)target < length) {
                int32_t changed = offset + shift[target] - shift[base];
                if (changed != offset) writeS16(code + at, changed);
            }
        }
        pc += (uint32_t)n;
    }
}

static void relocateHandlers(HandlerTable* handlers, uint32_t length, const int16_t* shift, int32_t total) {
    for (uint32_t i = 0; handlers != nullptr && i < handlers->length; i++) {
        HandlerEntry* h = &handlers->handlers[i];
        if (h->startPC <= length) h->startPC = (uint16_t)moved(shift, length, total, h->startPC);
        if (h->endPC <= length) h->endPC = (uint16_t)moved(shift, length, total, h->endPC);
        if (h->handlerPC < length) h->handlerPC = (uint16_t)moved(shift, length, total, h->handlerPC);
    }
}

static void relocateReferenceMaps(PointerMap* map, uint32_t length, const int16_t* shift) {
    int count = map->header & POINTER_MAP_COUNT_MASK;
    bool shortForm = (map->header & POINTER_MAP_SHORT) != 0;
    for (int i = 0; i < count; i++) {
        uint16_t word = map->entries[2 * i];
        uint32_t offset = shortForm ? (word & SHORT_MAP_OFFSET_MASK) : word;
        if (offset >= length) continue;
        uint32_t now = offset + shift[offset];
        map->entries[2 * i] = shortForm ? (uint16_t)((word & ~SHORT_MAP_OFFSET_MASK) | now) : (uint16_t)now;
    }
}

void compactMethod(MethodRecord* method) {
    uint32_t length = method->codeLength;
    if (length == 0) return;
    // The loader's own stack-map table (a method of a class not verified yet) keeps
    // offsets this step does not know how to move.
    void* maps = method->stackMaps;
    if (maps != nullptr && isLoaderStackMapTable(maps)) return;
    int16_t local[PREPARE_STACK_BUFFER_BYTES];
    int16_t* shift = (int16_t*)workBuffer((uint8_t*)local, (int32_t)(2 * length));
    if (shift == nullptr) return;
    int32_t total = 0;
    if (computeShiftMap(method, shift, &total) && total < 0) {
        uint8_t* code = method->u.code;
        relocateBranches(code, length, shift);
        relocateHandlers(method->handlers, length, shift, total);
        if (maps != nullptr) relocateReferenceMaps((PointerMap*)maps, length, shift);
        for (uint32_t i = 0; i < length; i++) {
            if (shift[i] != 0) code[i + shift[i]] = code[i];
        }
        memset(code + length + total, 0, (size_t)-total);
    }
    freeWorkBuffer((uint8_t*)shift, (uint8_t*)local);
}

// ---------------------------------------------------------------------------------

static bool preparationEnabled() {
    if (MethodPreparationMode < 0) {
        const char* setting = getenv("MOVANE_PREPARE");
        MethodPreparationMode = setting != nullptr && strcmp(setting, "0") == 0 ? 0 : 1;
    }
    return MethodPreparationMode != 0;
}

void prepareMethod(MethodRecord* method) {
    if (method->accessFlags & (ACC_NATIVE | ACC_ABSTRACT | ACC_PREPARED)) return;
    ClassRecord* clazz = method->ofClass;
    if (isRomClassAddress(clazz)) return;
    // A method that first runs before its class is verified (a constructor called by
    // Class.newInstance) keeps its code: it may still be running when it is called
    // again, and the verifier reads the code and maps as loaded.
    if (clazz->status >= CLASS_VERIFIED && !isInRomCodeRange(method->u.code) && preparationEnabled()) {
        rewriteMethod(method);
        compactMethod(method);
    }
    method->accessFlags |= ACC_PREPARED;
}
