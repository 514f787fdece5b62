// GC stack maps. The verifier leaves a reference map at every branch target and after
// every unconditional transfer, so the code between the nearest map point and any
// instruction a frame can stop at is straight-line; simulating its effect on the
// reference bits gives the exact map there.
//
// Until the verifier has rewritten a loaded method's maps, its stack-map word still
// holds the loader's StackMapTable (a pointer list in the dynamic heap); the lookup
// reads that form as well, so such frames are scanned exactly too.
#include "vm/core/stackmap.h"

#include <string.h>

#include "platform/bytes.h"
#include "vm/core/exceptions.h"
#include "vm/core/gc.h"
#include "vm/core/heap.h"
#include "vm/core/inlinecache.h"
#include "vm/core/opcodes.h"
#include "vm/core/tables.h"

// Verifier type codes that stand for references: an uninitialised this, and class keys
// (uninitialised objects included).
enum { VERIFIER_INIT_OBJECT = 6, VERIFIER_FIRST_CLASS = 256 };

static inline bool isReferenceType(uint16_t type) {
    return type == VERIFIER_INIT_OBJECT || type >= VERIFIER_FIRST_CLASS;
}

static inline int vectorBytes(const MethodRecord* m) { return (m->frameSize + m->maxStack + 7) >> 3; }

void getBits(const uint8_t* vector, int first, int count, uint8_t* out) {
    for (int i = 0; i < count; i++) out[i] = testVectorBit(vector, first + i);
}

void setBits(uint8_t* vector, int first, int count, const uint8_t* in) {
    for (int i = 0; i < count; i++) setVectorBit(vector, first + i, in[i] != 0);
}

void setArgumentBits(MethodRecord* method, uint8_t* vector) {
    int slot = 0;
    if (!(method->accessFlags & ACC_STATIC)) setVectorBit(vector, slot++, true);
    int length = 0;
    const uint8_t* packed = (const uint8_t*)changeKeyToName(method->nt.k.typeKey, &length);
    if (packed == nullptr || length < 1) return;
    int count = packed[0];
    const uint8_t* p = packed + 1;
    const uint8_t* end = packed + length;
    for (int i = 0; i < count && p < end; i++) {
        uint8_t c = *p;
        if (c == 'L') {
            setVectorBit(vector, slot++, true);
            p += 3;
        } else if (c < 'A' || c > 'Z') {
            setVectorBit(vector, slot++, true);
            p += 2;
        } else if (c == 'D' || c == 'J') {
            slot += 2;
            p++;
        } else {
            slot++;
            p++;
        }
    }
}

// The loader's StackMapTable: word 0 the frame count k, words 1..k the frames, then
// the k offsets. A frame is {local count, locals, stack count, stack entries}.
struct VerifierMaps {
    uint32_t count;
    cell words[1];
};

static bool isVerifierMaps(const void* maps) {
    return checkHeapAddress(maps) == 0 && headerType(*headerOf(maps)) == GCT_POINTERLIST;
}

// Reference bits of one verifier frame: locals from bit first, the stack behind them.
static int verifierFrameBits(const uint16_t* frame, int frameSize, uint8_t* vector, int first) {
    int locals = frame[0];
    for (int i = 0; i < locals; i++) {
        if (isReferenceType(frame[1 + i])) setVectorBit(vector, first + i, true);
    }
    const uint16_t* stack = frame + 1 + locals;
    int stackSize = stack[0];
    for (int j = 0; j < stackSize; j++) {
        if (isReferenceType(stack[1 + j])) setVectorBit(vector, first + frameSize + j, true);
    }
    return stackSize;
}

static void checkVectorRoom(const MethodRecord* m) {
    if (m->frameSize + m->maxStack > GC_VECTOR_SLOTS) fatalVMError("Method frame too large for a GC map");
}

PointerMap* rewriteStackMapsAsPointerMaps(MethodRecord* method) {
    checkVectorRoom(method);
    VerifierMaps* table = (VerifierMaps*)method->stackMaps;
    if (table == nullptr) return nullptr;
    int n = (int)table->count;
    int frameSize = method->frameSize;
    bool shortForm = true;
    for (int i = 0; i < n && shortForm; i++) {
        const uint16_t* frame = (const uint16_t*)(uintptr_t)table->words[i];
        uint32_t offset = (uint32_t)table->words[n + i];
        int stackSize = frame[1 + frame[0]];
        if (stackSize > SHORT_MAP_MAX_STACK || offset > SHORT_MAP_MAX_OFFSET ||
            frameSize + stackSize > SHORT_MAP_MAX_SLOTS)
            shortForm = false;
    }
    PointerMap* map = (PointerMap*)callocPermanentObject(pointerMapWords(n));
    map->header = (uint16_t)(n | (shortForm ? POINTER_MAP_SHORT : 0));
    for (int i = 0; i < n; i++) {
        // Interning below may collect and move the table; it is reached through the method.
        table = (VerifierMaps*)method->stackMaps;
        const uint16_t* frame = (const uint16_t*)(uintptr_t)table->words[i];
        uint32_t offset = (uint32_t)table->words[n + i];
        uint8_t work[1 + GC_VECTOR_BYTES + 1];
        memset(work, 0, sizeof work);
        int stackSize = verifierFrameBits(frame, frameSize, work, 8);
        if (shortForm) {
            map->entries[2 * i] = (uint16_t)(offset | (uint32_t)stackSize << 12);
            map->entries[2 * i + 1] = (uint16_t)(work[1] | work[2] << 8);
        } else {
            work[0] = (uint8_t)stackSize;
            int length = 1 + ((frameSize + stackSize + 7) >> 3);
            while (length > 1 && work[length - 1] == 0) length--;
            map->entries[2 * i] = (uint16_t)offset;
            map->entries[2 * i + 1] = changeNameToKey((const char*)work, length);
        }
    }
    return map;
}

// Index of the map point to use for offset, or -1 when none lies at or before it.
static int choosePoint(uint32_t offset, int n, uint32_t (*pointOffset)(const void*, int), const void* maps,
                       int nativeFlag) {
    int low = 0, high = n - 1, found = -1;
    while (low <= high) {
        int mid = (low + high) >> 1;
        if (pointOffset(maps, mid) <= offset) {
            found = mid;
            low = mid + 1;
        } else {
            high = mid - 1;
        }
    }
    // A running native's frame stops behind its invoke; when a map point lies exactly
    // there, the walk must start before the invoke to see the arguments.
    if (nativeFlag && found > 0 && pointOffset(maps, found) == offset) found--;
    return found;
}

static uint32_t compactOffset(const void* maps, int i) {
    const PointerMap* map = (const PointerMap*)maps;
    uint16_t word = map->entries[2 * i];
    return (map->header & POINTER_MAP_SHORT) ? (uint32_t)(word & SHORT_MAP_OFFSET_MASK) : word;
}

static uint32_t verifierOffset(const void* maps, int i) {
    const VerifierMaps* table = (const VerifierMaps*)maps;
    return (uint32_t)table->words[table->count + i];
}

int getStackMapEntry(MethodRecord* method, uint32_t* offset, uint8_t* vector, int nativeFlag) {
    checkVectorRoom(method);
    memset(vector, 0, (size_t)vectorBytes(method));
    const void* maps = method->stackMaps;
    if (maps != nullptr) {
        maps = gcCurrentAddress(maps);
        if (isVerifierMaps(maps)) {
            const VerifierMaps* table = (const VerifierMaps*)maps;
            int i = choosePoint(*offset, (int)table->count, verifierOffset, table, nativeFlag);
            if (i >= 0) {
                *offset = verifierOffset(table, i);
                const uint16_t* frame = (const uint16_t*)gcCurrentAddress((const void*)(uintptr_t)table->words[i]);
                return verifierFrameBits(frame, method->frameSize, vector, 0);
            }
        } else {
            const PointerMap* map = (const PointerMap*)maps;
            int i = choosePoint(*offset, map->header & POINTER_MAP_COUNT_MASK, compactOffset, map, nativeFlag);
            if (i >= 0) {
                uint16_t word0 = map->entries[2 * i];
                uint16_t word1 = map->entries[2 * i + 1];
                *offset = compactOffset(map, i);
                if (map->header & POINTER_MAP_SHORT) {
                    vector[0] = (uint8_t)word1;
                    vector[1] = (uint8_t)(word1 >> 8);
                    return word0 >> 12;
                }
                int length = 0;
                const uint8_t* bytes = (const uint8_t*)changeKeyToName(word1, &length);
                if (bytes == nullptr || length < 1) fatalVMError("Bad GC stack map");
                int copy = length - 1 < GC_VECTOR_BYTES ? length - 1 : GC_VECTOR_BYTES;
                memcpy(vector, bytes + 1, (size_t)copy);
                return bytes[0];
            }
        }
    }
    setArgumentBits(method, vector);
    *offset = 0;
    return 0;
}

// The simulation's state: the vector and the index of the next free stack bit.
struct MapWalk {
    uint8_t* vector;
    int frameSize;
    int top;
};

static inline void push(MapWalk* w, bool reference) {
    if (w->top >= GC_VECTOR_SLOTS) fatalVMError("Illegal stack size");
    setVectorBit(w->vector, w->top, reference);
    w->top++;
}

static inline void pushWords(MapWalk* w, int words, bool reference) {
    for (int i = 0; i < words; i++) push(w, reference);
}

static inline void pop(MapWalk* w, int words) {
    w->top -= words;
    if (w->top < w->frameSize) fatalVMError("Illegal stack size");
}

// Moves the top `in` stack bits into the order given by `pattern` (indices into them,
// 0 the deepest), growing the stack by the pattern's extra length.
static void shuffle(MapWalk* w, int in, const char* pattern) {
    uint8_t bits[4];
    pop(w, in);
    getBits(w->vector, w->top, in, bits);
    for (const char* p = pattern; *p; p++) push(w, bits[*p - '0'] != 0);
}

static inline void store(MapWalk* w, int local, int words) {
    pop(w, words);
    for (int i = 0; i < words; i++) setVectorBit(w->vector, local + i, testVectorBit(w->vector, w->top + i));
}

static inline void pushResult(MapWalk* w, const MethodRecord* callee) {
    uint32_t kind = callee->accessFlags & (ACC_DOUBLE | ACC_POINTER);
    if (kind == (ACC_DOUBLE | ACC_POINTER)) return;
    if (kind == ACC_DOUBLE)
        pushWords(w, 2, false);
    else
        push(w, kind == ACC_POINTER);
}

static FieldRecord* resolvedField(ConstantPool* cp, int index) {
    if (!(cpTags(cp)[index] & CP_RESOLVED)) fatalVMError("Expected a resolved field");
    return cp->entries[index].field;
}

static MethodRecord* resolvedMethod(ConstantPool* cp, int index) {
    if (!(cpTags(cp)[index] & CP_RESOLVED)) fatalVMError("Expected a resolved method");
    return cp->entries[index].method;
}

static MethodRecord* cachedMethod(int index) {
    MethodRecord* m = InlineCacheTable != nullptr ? getInlineCacheEntry(index)->method : nullptr;
    if (m == nullptr) fatalVMError("Expected a resolved method");
    return m;
}

static inline bool isInvocation(uint8_t op) {
    return (op >= OP_INVOKEVIRTUAL && op <= OP_INVOKEINTERFACE) ||
           (op >= OP_INVOKEVIRTUAL_CACHED && op <= OP_INVOKEINTERFACE_CACHED);
}

static inline void fieldValue(MapWalk* w, const FieldRecord* f) {
    pushWords(w, (f->accessFlags & ACC_DOUBLE) ? 2 : 1, (f->accessFlags & ACC_POINTER) != 0);
}

static inline int fieldWords(const FieldRecord* f) { return (f->accessFlags & ACC_DOUBLE) ? 2 : 1; }

// Effect of one load or store of the wide-capable kind on local n.
static void localAccess(MapWalk* w, uint8_t op, int n) {
    switch (op) {
        case OP_ILOAD:
        case OP_FLOAD:
            push(w, false);
            break;
        case OP_LLOAD:
        case OP_DLOAD:
            pushWords(w, 2, false);
            break;
        case OP_ALOAD:
            push(w, true);
            break;
        case OP_ISTORE:
        case OP_FSTORE:
        case OP_ASTORE:
            store(w, n, 1);
            break;
        case OP_LSTORE:
        case OP_DSTORE:
            store(w, n, 2);
            break;
        case OP_IINC:
            break;
        default:
            fatalVMError("Unexpected bytecode");
    }
}

// Most instructions take and leave words as the opcode table says; the rest depend on
// a constant, a local, a resolved member or the words already on the stack.
static void simulate(MapWalk* w, MethodRecord* m, const uint8_t* ip) {
    uint8_t op = ip[0];
    // the walk follows straight-line code: a jump or a return on it means that the maps
    // and the code disagree
    if (op == OP_GOTO || op == OP_GOTO_W || (op >= OP_IRETURN && op <= OP_RETURN)) fatalVMError("Unexpected bytecode");
    StackWords effect = OpcodeStackWords[op];
    if (effect.byTable) {
        pop(w, effect.taken);
        for (int i = 0; i < effect.left; i++) push(w, (effect.references >> i) & 1);
        return;
    }
    ConstantPool* cp = m->ofClass->constPool;
    switch (op) {
        case OP_LDC:
            push(w, (cpTags(cp)[ip[1]] & CP_TAG_MASK) == CONSTANT_String);
            break;
        case OP_LDC_W:
            push(w, (cpTags(cp)[be16(ip + 1)] & CP_TAG_MASK) == CONSTANT_String);
            break;
        case OP_ISTORE:
        case OP_LSTORE:
        case OP_FSTORE:
        case OP_DSTORE:
        case OP_ASTORE:
        case OP_IINC:
            localAccess(w, op, ip[1]);
            break;
        case OP_WIDE:
            localAccess(w, ip[1], be16(ip + 2));
            break;
        case OP_ISTORE_0:
        case OP_ISTORE_1:
        case OP_ISTORE_2:
        case OP_ISTORE_3:
            store(w, op - OP_ISTORE_0, 1);
            break;
        case OP_FSTORE_0:
        case OP_FSTORE_1:
        case OP_FSTORE_2:
        case OP_FSTORE_3:
            store(w, op - OP_FSTORE_0, 1);
            break;
        case OP_ASTORE_0:
        case OP_ASTORE_1:
        case OP_ASTORE_2:
        case OP_ASTORE_3:
            store(w, op - OP_ASTORE_0, 1);
            break;
        case OP_LSTORE_0:
        case OP_LSTORE_1:
        case OP_LSTORE_2:
        case OP_LSTORE_3:
            store(w, op - OP_LSTORE_0, 2);
            break;
        case OP_DSTORE_0:
        case OP_DSTORE_1:
        case OP_DSTORE_2:
        case OP_DSTORE_3:
            store(w, op - OP_DSTORE_0, 2);
            break;
        case OP_ICONST0_STORE:
        case OP_ICONST1_STORE:
            setVectorBit(w->vector, (ip[1] & 0xFC) >> 2, false);
            break;
        case OP_POP:
            pop(w, 1);
            break;
        case OP_POP2:
            pop(w, 2);
            break;
        case OP_DUP:
            shuffle(w, 1, "00");
            break;
        case OP_DUP_X1:
            shuffle(w, 2, "101");
            break;
        case OP_DUP_X2:
            shuffle(w, 3, "2012");
            break;
        case OP_DUP2:
            shuffle(w, 2, "0101");
            break;
        case OP_DUP2_X1:
            shuffle(w, 3, "12012");
            break;
        case OP_DUP2_X2:
            shuffle(w, 4, "230123");
            break;
        case OP_SWAP:
            shuffle(w, 2, "10");
            break;
        case OP_GETSTATIC:
            fieldValue(w, resolvedField(cp, be16(ip + 1)));
            break;
        case OP_PUTSTATIC:
            pop(w, fieldWords(resolvedField(cp, be16(ip + 1))));
            break;
        case OP_GETFIELD: {
            FieldRecord* f = resolvedField(cp, be16(ip + 1));
            pop(w, 1);
            fieldValue(w, f);
            break;
        }
        case OP_PUTFIELD:
            pop(w, fieldWords(resolvedField(cp, be16(ip + 1))) + 1);
            break;
        case OP_INVOKEVIRTUAL:
        case OP_INVOKESPECIAL:
        case OP_INVOKESTATIC:
        case OP_INVOKEINTERFACE:
        case OP_INVOKESPECIAL_QUICK:
        case OP_INVOKESTATIC_QUICK: {
            MethodRecord* callee = resolvedMethod(cp, be16(ip + 1));
            pop(w, callee->argCount);
            pushResult(w, callee);
            break;
        }
        case OP_INVOKEVIRTUAL_CACHED:
        case OP_INVOKEINTERFACE_CACHED: {
            MethodRecord* callee = cachedMethod(be16(ip + 1));
            pop(w, callee->argCount);
            pushResult(w, callee);
            break;
        }
        case OP_MULTIANEWARRAY:
        case OP_MULTIANEWARRAY_QUICK:
            pop(w, ip[3]);
            push(w, true);
            break;
        default:
            fatalVMError("Unexpected bytecode");
    }
}

int getGCRegisterMask(MethodRecord* method, const uint8_t* ip, uint8_t* vector, int nativeFlag) {
    const uint8_t* code = method->u.code;
    uint32_t target = (uint32_t)(ip - code);
    uint32_t pc = target;
    int stackSize = getStackMapEntry(method, &pc, vector, nativeFlag);
    MapWalk w = {vector, method->frameSize, method->frameSize + stackSize};
    uint8_t before[GC_VECTOR_BYTES];
    int topBefore = 0;
    bool lastWasInvocation = false;
    int bytes = vectorBytes(method);
    while (pc < target) {
        uint8_t op = code[pc];
        lastWasInvocation = nativeFlag && isInvocation(op);
        if (lastWasInvocation) {
            memcpy(before, vector, (size_t)bytes);
            topBefore = w.top;
        }
        simulate(&w, method, code + pc);
        pc += (uint32_t)instructionLength(code, pc);
    }
    if (pc != target) fatalVMError("Strange value of thisIP");
    if (lastWasInvocation) {
        memcpy(vector, before, (size_t)bytes);
        w.top = topBefore;
    }
    return w.top - method->frameSize;
}
