// The bytecode verifier. One pass over the code, no inference: every branch target,
// every instruction after an unconditional transfer and every handler entry carries a
// frame of the method's StackMapTable, and the walk checks its types against them.
//
// Checking a type may load classes, so it may collect and even compact the heap: the
// type arrays are heap objects reached through the globals below (temporary roots),
// and the frames are reached through the method afresh after every such check. No C
// local keeps a pointer to either across a call of isTypeAssignable.
#include "vm/loader/verifier.h"

#include <setjmp.h>
#include <string.h>

#include "platform/bytes.h"
#include "vm/core/classes.h"
#include "vm/core/exceptions.h"
#include "vm/core/heap.h"
#include "vm/core/native.h"
#include "vm/core/opcodes.h"
#include "vm/core/resolve.h"
#include "vm/core/romimage.h"
#include "vm/core/stackmap.h"
#include "vm/core/tables.h"
#include "vm/core/vmassert.h"
#include "vm/loader/classloader.h"
#include "vm/trace/tracelog.h"

// The method being verified.
static VMBSS MethodRecord* vMethod;
static VMBSS ClassRecord* vClass;
static VMBSS ConstantPool* vPool;
static VMBSS const uint8_t* vCode;
static VMBSS int32_t vCodeLength;
static VMBSS int32_t vFrameSize;
static VMBSS int32_t vMaxStack;
static VMBSS int32_t vIsConstructor;
static VMBSS int32_t vNeedsInitialization;
static VMBSS const uint8_t* vReturnType;  // in the packed signature (permanent space)
// Heap objects, temporary roots while a method is verified.
static VMBSS uint16_t* vLocals;
static VMBSS uint16_t* vStack;
static VMBSS int32_t* vHandlerFrames;  // per handler the index of its entry frame, or -1
static VMBSS uint32_t* vNewObjectMap;  // a bit per code offset that holds a checked new
static VMBSS int32_t vStackSize;
// Where a failure leaves to, and what it was.
static VMBSS jmp_buf* vFailBuffer;
static VMBSS int32_t vFailReason;
static VMBSS int32_t vPc;

[[noreturn]] static void verifierFail(int reason) {
    vFailReason = reason;
    longjmp(*vFailBuffer, 1);
}

// ---------------------------------------------------------------------------------
// Types

static inline uint16_t objectType() { return JavaLangObject->key; }
static inline uint16_t arrayOfLetter(char letter) { return typeKeyOf(1, (uint8_t)letter); }
static inline bool isTwoWordType(uint16_t t) { return t == VT_LONG || t == VT_DOUBLE; }
static inline uint16_t secondWordOf(uint16_t t) { return t == VT_LONG ? VT_LONG_2 : VT_DOUBLE_2; }
static inline bool isArrayType(uint16_t t) { return isClassType(t) && typeKeyDepth(t) != 0; }

// A descriptor letter or type key as a verifier type; 'V' gives top.
static uint16_t verifierTypeOfKey(uint16_t key) {
    if (key >= VT_FIRST_CLASS) return key;
    switch (key) {
        case 'B':
        case 'C':
        case 'I':
        case 'S':
        case 'Z':
            return VT_INT;
        case 'F':
            return VT_FLOAT;
        case 'D':
            return VT_DOUBLE;
        case 'J':
            return VT_LONG;
        default:
            return VT_TOP;
    }
}

// One type of a packed signature: a letter, or a key (after an 'L' byte when its high
// byte would read as a letter).
static uint16_t nextPackedType(const uint8_t** p) {
    uint8_t c = **p;
    if (c >= 'A' && c <= 'Z' && c != 'L') {
        (*p)++;
        return c;
    }
    if (c == 'L') (*p)++;
    uint16_t key = be16(*p);
    *p += 2;
    return key;
}

static int classNameDepth(uint16_t t, char* name, int size) {
    getClassNameBuffer(changeKeyToClass(t), name, size);
    int d = 0;
    while (name[d] == '[') d++;
    return d;
}

static uint16_t elementType(uint16_t t) {
    if (t == VT_NULL) return VT_NULL;
    int d = typeKeyDepth(t);
    if (d == 0) return VT_TOP;
    if (d < TYPE_KEY_DEEP) return verifierTypeOfKey(typeKeyOf(d - 1, typeKeyBase(t)));
    // seven or more dimensions: the key of the class one dimension down, by name
    char name[MESSAGE_BUFFER_SIZE];
    classNameDepth(t, name, sizeof name);
    return verifierTypeOfKey(changeFieldSignatureToKey(name + 1, 0, (int)strlen(name + 1)));
}

static uint16_t arrayTypeOf(uint16_t t) {
    if (typeKeyDepth(t) < TYPE_KEY_DEEP - 1) return (uint16_t)(t + TYPE_KEY_ONE_DEEPER);
    return getObjectArrayClass(changeKeyToClass(t))->key;
}

static bool hasDimensions(uint16_t t, int d) {
    if (t == VT_NULL) return true;
    if (!isClassType(t)) return false;
    if (d <= TYPE_KEY_DEEP) return typeKeyDepth(t) >= d;
    if (typeKeyDepth(t) != TYPE_KEY_DEEP) return false;
    char name[MESSAGE_BUFFER_SIZE];
    return classNameDepth(t, name, sizeof name) >= d;
}

bool isTypeAssignable(uint16_t from, uint16_t to, uint16_t* merged) {
    if (merged != nullptr) *merged = to;
    if (from == to || to == VT_TOP) return true;
    if (to == VT_REFERENCE) return from == VT_NULL || from == VT_UNINIT_THIS || from >= VT_FIRST_CLASS;
    if ((from | to) & VT_UNINIT_FLAG) return false;
    if (from == VT_NULL && to >= VT_FIRST_CLASS) return true;
    if (from < VT_FIRST_CLASS || to < VT_FIRST_CLASS) return false;
    if (to == objectType()) return true;
    ClassRecord* toClass = changeKeyToClass(to);
    if (toClass == nullptr) return false;
    if (toClass == JavaLangObject) return true;
    if (!isArrayClass(toClass)) {
        if (toClass->status == CLASS_RAW) loadClassfile(toClass, 1);
        // an interface stands for any reference, as in the image's own code
        if (toClass->accessFlags & ACC_INTERFACE) {
            if (merged != nullptr) *merged = objectType();
            return true;
        }
    }
    ClassRecord* fromClass = changeKeyToClass(from);
    return fromClass != nullptr && isAssignableTo(fromClass, toClass);
}

// ---------------------------------------------------------------------------------
// Locals and stack

static inline void push(uint16_t t) {
    if (vStackSize >= vMaxStack) verifierFail(VE_STACK_OVERFLOW);
    vStack[vStackSize++] = t;
}

static inline void pushKind(uint16_t t) {
    if (t == VT_TOP) return;
    push(t);
    if (isTwoWordType(t)) push(secondWordOf(t));
}

static inline uint16_t popType(uint16_t t) {
    if (t >= 11 && t <= 13) fatalError("Bad popStack type");
    if (vStackSize == 0) verifierFail(VE_STACK_UNDERFLOW);
    uint16_t v = vStack[--vStackSize];
    if (v != t && !isTypeAssignable(v, t, nullptr)) verifierFail(VE_STACK_BAD_TYPE);
    return v;
}

static inline void popKind(uint16_t t) {
    if (isTwoWordType(t)) popType(secondWordOf(t));
    popType(t);
}

static inline uint16_t popCategory1() {
    if (vStackSize == 0) verifierFail(VE_STACK_UNDERFLOW);
    uint16_t v = vStack[--vStackSize];
    if (v == VT_INT || v == VT_FLOAT || v == VT_NULL || v == VT_UNINIT_THIS || v >= VT_FIRST_CLASS) return v;
    verifierFail(VE_NOT_CATEGORY1);
}

static inline uint16_t popUpperWord() {
    if (vStackSize < 2) verifierFail(VE_STACK_UNDERFLOW);
    return vStack[--vStackSize];
}

static inline uint16_t popLowerWord() {
    uint16_t v = vStack[--vStackSize];
    if (v == VT_LONG_2 || v == VT_DOUBLE_2) verifierFail(VE_STACK_BAD_TYPE);
    return v;
}

static uint16_t readLocal(uint32_t i, uint16_t t) {
    if (i >= (uint32_t)vFrameSize) verifierFail(VE_LOCAL_INDEX);
    uint16_t v = vLocals[i];
    if (v != t && !isTypeAssignable(v, t, nullptr)) verifierFail(VE_LOCAL_BAD_TYPE);
    return v;
}

static void writeLocal(uint32_t i, uint16_t t) {
    if (i >= (uint32_t)vFrameSize) verifierFail(VE_LOCAL_INDEX);
    uint16_t old = vLocals[i];
    if (old == VT_LONG_2 || old == VT_DOUBLE_2) {
        if (i == 0) verifierFail(VE_LOCAL_SECOND_WORD_0);
        vLocals[i - 1] = VT_TOP;
    } else if (isTwoWordType(old)) {
        if (i + 1 >= (uint32_t)vFrameSize) verifierFail(VE_LOCAL_INDEX);
        vLocals[i + 1] = VT_TOP;
    }
    vLocals[i] = t;
}

static void loadLocal(uint32_t i, uint16_t t) {
    readLocal(i, t);
    if (isTwoWordType(t)) readLocal(i + 1, secondWordOf(t));
    pushKind(t);
}

// The second word goes first, so that a pair it overwrites is cut before the first.
static void storeLocal(uint32_t i, uint16_t t) {
    popKind(t);
    if (isTwoWordType(t)) writeLocal(i + 1, secondWordOf(t));
    writeLocal(i, t);
}

// ---------------------------------------------------------------------------------
// Stack-map frames

static inline StackMapTable* stackMaps() { return (StackMapTable*)vMethod->stackMaps; }
static inline const uint16_t* frameAt(int32_t index) { return stackMapFrame(stackMaps(), (uint32_t)index); }

// The index of the frame for offset, or -1.
static int32_t findFrame(int32_t offset) {
    StackMapTable* table = stackMaps();
    if (table == nullptr || offset < 0 || offset >= vCodeLength) return -1;
    int32_t low = 0, high = (int32_t)table->count - 1;
    while (low <= high) {
        int32_t mid = (low + high) >> 1;
        uint32_t at = stackMapOffset(table, (uint32_t)mid);
        if (at == (uint32_t)offset) return mid;
        if (at < (uint32_t)offset)
            low = mid + 1;
        else
            high = mid - 1;
    }
    return -1;
}

static bool matchStackMap(int32_t index, int flags) {
    if (index < 0) return !(flags & SM_EXIST);
    bool sawThis = false;
    int32_t locals = frameAt(index)[0];
    for (int32_t i = 0; i < locals; i++) {
        uint16_t t = frameAt(index)[1 + i];
        if (t == VT_UNINIT_THIS) sawThis = true;
        if ((flags & SM_CHECK) && vLocals[i] != t && !isTypeAssignable(vLocals[i], t, nullptr)) return false;
        if (flags & SM_COPY) vLocals[i] = t;
    }
    if (flags & SM_COPY) {
        for (int32_t i = locals; i < vFrameSize; i++) vLocals[i] = VT_TOP;
    }
    int32_t depth = frameAt(index)[1 + locals];
    if ((flags & SM_CHECK) && vStackSize != depth) return false;
    for (int32_t j = 0; j < depth; j++) {
        uint16_t t = frameAt(index)[2 + locals + j];
        if (t == VT_UNINIT_THIS) sawThis = true;
        if ((flags & SM_CHECK) && vStack[j] != t && !isTypeAssignable(vStack[j], t, nullptr)) return false;
        if (flags & SM_COPY) vStack[j] = t;
    }
    if (flags & SM_COPY) vStackSize = depth;
    if (vIsConstructor) {
        if ((flags & SM_CHECK) && vNeedsInitialization && !sawThis) return false;
        if (flags & SM_COPY) vNeedsInitialization = sawThis;
    }
    return true;
}

// What every instruction and frame leaves: a stack within its bounds on which each long
// or double is a pair of words, its second right above its first (pushes, pops, copies
// of frames and the shuffles move pairs whole).
static void assertStackShape() {
#if VM_ASSERTS_ON
    VM_ASSERT(vStackSize >= 0 && vStackSize <= vMaxStack);
    for (int32_t i = 0; i < vStackSize; i++) {
        uint16_t t = vStack[i];
        if (isTwoWordType(t)) VM_ASSERT(i + 1 < vStackSize && vStack[i + 1] == secondWordOf(t));
        if (t == VT_LONG_2) VM_ASSERT(i > 0 && vStack[i - 1] == VT_LONG);
        if (t == VT_DOUBLE_2) VM_ASSERT(i > 0 && vStack[i - 1] == VT_DOUBLE);
    }
#endif
}

static bool holdsUninitializedObject() {
    for (int32_t i = 0; i < vFrameSize; i++) {
        if (isUninitializedType(vLocals[i])) return true;
    }
    for (int32_t j = 0; j < vStackSize; j++) {
        if (isUninitializedType(vStack[j])) return true;
    }
    return false;
}

static void checkBranch(int32_t pc, int64_t target) {
    int32_t index = (target >= 0 && target < vCodeLength) ? findFrame((int32_t)target) : -1;
    if (!matchStackMap(index, SM_CHECK | SM_EXIST)) verifierFail(VE_TARGET_FRAME);
    if (target < pc && holdsUninitializedObject()) verifierFail(VE_BACK_BRANCH_UNINIT);
}

// Every instruction in a handler's range must fit the frame at its entry, with the
// caught exception as the only stack entry.
static void checkHandlers(int32_t pc) {
    HandlerTable* table = vMethod->handlers;
    if (table == nullptr) return;
    for (uint32_t i = 0; i < table->length; i++) {
        const HandlerEntry* h = &table->handlers[i];
        if (pc < h->startPC || pc >= h->endPC) continue;
        uint16_t caught = h->catchType ? vPool->entries[h->catchType].clazz->key : JavaLangThrowable->key;
        int32_t depth = vStackSize;
        uint16_t bottom = vStack[0];
        vStackSize = 1;
        vStack[0] = caught;
        bool ok = matchStackMap(vHandlerFrames[i], SM_CHECK | SM_EXIST);
        vStackSize = depth;
        vStack[0] = bottom;
        if (!ok) verifierFail(VE_TARGET_FRAME);
    }
}

static bool insideHandlerRange(int32_t pc) {
    HandlerTable* table = vMethod->handlers;
    for (uint32_t i = 0; table != nullptr && i < table->length; i++) {
        if (pc >= table->handlers[i].startPC && pc < table->handlers[i].endPC) return true;
    }
    return false;
}

// After the walk: each uninitialised object named by a frame must come from a new
// that the walk has met.
static bool checkNewObjectsInStackMaps() {
    StackMapTable* table = stackMaps();
    if (table == nullptr) return true;
    for (uint32_t f = 0; f < table->count; f++) {
        const uint16_t* frame = stackMapFrame(table, f);
        int32_t locals = frame[0];
        int32_t entries = locals + 1 + frame[1 + locals];
        for (int32_t i = 1; i <= entries; i++) {
            if (i == locals + 1) continue;  // the stack count
            uint16_t t = frame[i];
            if (t < VT_FIRST_CLASS || !isUninitializedType(t)) continue;
            uint32_t p = uninitializedOffset(t);
            if (p >= (uint32_t)vCodeLength || vNewObjectMap == nullptr || !(vNewObjectMap[p >> 5] & (1u << (p & 31))))
                return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------------------------
// Code and constant pool

static inline int32_t u2At(int32_t p) { return be16(vCode + p); }
static inline int32_t s2At(int32_t p) { return beS16(vCode + p); }
static inline int32_t s4At(int32_t p) { return beS32(vCode + p); }

static inline int poolTag(uint32_t index) {
    if (index >= vPool->entries[0].u) verifierFail(VE_POOL_INDEX);
    return cpTags(vPool)[index] & CP_TAG_MASK;
}

static ClassRecord* classEntry(uint32_t index) {
    if (poolTag(index) != CONSTANT_Class) verifierFail(VE_BAD_CLASS_ENTRY);
    return vPool->entries[index].clazz;
}

// A member reference: its class and its name-and-type key.
static ClassRecord* memberEntry(uint32_t index, uint32_t* nameTypeKey) {
    uint32_t entry = vPool->entries[index].u;
    if (cpTags(vPool)[index] & CP_RESOLVED) {
        // entries are resolved only by running code; seen from a record, the key is its own
        if ((cpTags(vPool)[index] & CP_TAG_MASK) == CONSTANT_Fieldref) {
            FieldRecord* f = vPool->entries[index].field;
            *nameTypeKey = f->nameKey | (uint32_t)f->typeKey << 16;
            return f->ofClass;
        }
        MethodRecord* m = vPool->entries[index].method;
        *nameTypeKey = m->nt.nameTypeKey;
        return m->ofClass;
    }
    *nameTypeKey = vPool->entries[entry >> 16].u;
    return vPool->entries[entry & 0xFFFF].clazz;
}

static bool isInSuperclassChain(ClassRecord* clazz) {
    for (ClassRecord* c = vClass; c != nullptr; c = c->superClass) {
        if (c == clazz) return true;
    }
    return false;
}

static bool classDeclaresField(ClassRecord* clazz, uint32_t key) {
    FieldTable* table = clazz->fieldTable;
    for (uint32_t i = 0; table != nullptr && i < table->length; i++) {
        FieldRecord* f = &table->fields[i];
        if ((f->nameKey | (uint32_t)f->typeKey << 16) == key) return true;
    }
    return false;
}

// A protected member of a superclass in another package is reached only through
// objects of the current class.
static bool isProtectedMemberAccess(ClassRecord* memberClass, uint32_t key, bool invocation) {
    if (!isInSuperclassChain(memberClass)) return false;
    uint32_t access = 0;
    ClassRecord* owner = nullptr;
    if (!invocation) {
        for (ClassRecord* c = memberClass; c != nullptr && owner == nullptr; c = c->superClass) {
            FieldTable* table = c->fieldTable;
            for (uint32_t i = 0; table != nullptr && i < table->length; i++) {
                FieldRecord* f = &table->fields[i];
                if ((f->nameKey | (uint32_t)f->typeKey << 16) == key) {
                    access = f->accessFlags;
                    owner = c;
                    break;
                }
            }
        }
    }
    for (ClassRecord* c = memberClass; c != nullptr && owner == nullptr; c = c->superClass) {
        MethodTable* table = c->methodTable;
        for (uint32_t i = 0; table != nullptr && i < table->length; i++) {
            if (table->methods[i].nt.nameTypeKey == key) {
                access = table->methods[i].accessFlags;
                owner = c;
                break;
            }
        }
    }
    return owner != nullptr && (access & ACC_PROTECTED) && owner->packageName != vClass->packageName;
}

// The length of the instruction at pc, which must be allowed and lie within the code.
static int32_t instructionSize(int32_t pc) {
    uint8_t op = vCode[pc];
    if (op == OP_JSR || op == OP_RET || op == OP_XXXUNUSEDXXX || op > OP_GOTO_W) verifierFail(VE_BAD_OPCODE);
    int64_t size;
    switch (OpcodeTable[op].format) {
        case OPF_TABLESWITCH: {
            int32_t base = (pc + 4) & ~3;
            if (base + 12 > vCodeLength) verifierFail(VE_CODE_OVERRUN);
            int64_t low = s4At(base + 4), high = s4At(base + 8);
            if (high < low) verifierFail(VE_BAD_OPCODE);
            size = base - pc + 12 + 4 * (high - low + 1);
            break;
        }
        case OPF_LOOKUPSWITCH: {
            int32_t base = (pc + 4) & ~3;
            if (base + 8 > vCodeLength) verifierFail(VE_CODE_OVERRUN);
            int64_t pairs = s4At(base + 4);
            if (pairs < 0) verifierFail(VE_BAD_OPCODE);
            size = base - pc + 8 + 8 * pairs;
            break;
        }
        case OPF_WIDE: {
            if (pc + 1 >= vCodeLength) verifierFail(VE_CODE_OVERRUN);
            uint8_t widened = vCode[pc + 1];
            bool allowed = (widened >= OP_ILOAD && widened <= OP_ALOAD) ||
                           (widened >= OP_ISTORE && widened <= OP_ASTORE) || widened == OP_IINC;
            if (!allowed) verifierFail(VE_BAD_OPCODE);
            size = widened == OP_IINC ? 6 : 4;
            break;
        }
        default:
            size = OpcodeTable[op].length;
            break;
    }
    if (pc + size > vCodeLength) verifierFail(VE_CODE_OVERRUN);
    return (int32_t)size;
}

// ---------------------------------------------------------------------------------
// Instructions

static void verifyLdc(uint32_t index) {
    switch (poolTag(index)) {
        case CONSTANT_String:
            push(JavaLangString->key);
            break;
        case CONSTANT_Integer:
            push(VT_INT);
            break;
        case CONSTANT_Float:
            push(VT_FLOAT);
            break;
        default:
            verifierFail(VE_BAD_LDC);
    }
}

static void verifyFieldAccess(uint8_t op, uint32_t index) {
    if (poolTag(index) != CONSTANT_Fieldref) verifierFail(VE_FIELD_ENTRY);
    uint32_t key;
    ClassRecord* fieldClass = memberEntry(index, &key);
    uint16_t type = verifierTypeOfKey((uint16_t)(key >> 16));
    switch (op) {
        case OP_GETSTATIC:
            pushKind(type);
            break;
        case OP_PUTSTATIC:
            popKind(type);
            break;
        case OP_GETFIELD:
            popType(isProtectedMemberAccess(fieldClass, key, false) ? vClass->key : fieldClass->key);
            pushKind(type);
            break;
        default:  // putfield
            popKind(type);
            if (vStackSize > 0 && vStack[vStackSize - 1] == VT_UNINIT_THIS) {
                // a constructor may set its own fields before it calls super()
                if (fieldClass != vClass || !classDeclaresField(vClass, key)) verifierFail(VE_PUTFIELD_UNINIT);
                vStackSize--;
            } else {
                popType(isProtectedMemberAccess(fieldClass, key, false) ? vClass->key : fieldClass->key);
            }
            break;
    }
}

static void initializeObject(int32_t pc, ClassRecord* methodClass) {
    uint16_t receiver = popCategory1();
    uint16_t initialized;
    if (receiver >= VT_FIRST_CLASS && isUninitializedType(receiver)) {
        uint32_t p = uninitializedOffset(receiver);
        if (p + 3 > (uint32_t)vCodeLength || vCode[p] != OP_NEW) verifierFail(VE_INIT_NOT_NEW);
        if (classEntry((uint32_t)u2At((int32_t)p + 1)) != methodClass) verifierFail(VE_BAD_INIT_CALL);
        initialized = methodClass->key;
    } else if (receiver == VT_UNINIT_THIS) {
        if (methodClass != vClass && methodClass != vClass->superClass) verifierFail(VE_BAD_INIT_CALL);
        if (!vNeedsInitialization || insideHandlerRange(pc)) verifierFail(VE_BAD_INIT_CALL);
        vNeedsInitialization = 0;
        initialized = vClass->key;
    } else {
        verifierFail(VE_INIT_RECEIVER);
    }
    for (int32_t i = 0; i < vFrameSize; i++) {
        if (vLocals[i] == receiver) vLocals[i] = initialized;
    }
    for (int32_t j = 0; j < vStackSize; j++) {
        if (vStack[j] == receiver) vStack[j] = initialized;
    }
}

static void verifyInvoke(uint8_t op, int32_t pc) {
    uint32_t index = (uint32_t)u2At(pc + 1);
    int tag = poolTag(index);
    if (tag != CONSTANT_Methodref && tag != CONSTANT_InterfaceMethodref) verifierFail(VE_INVOKE_FIELD);
    uint32_t key;
    ClassRecord* methodClass = memberEntry(index, &key);
    const uint8_t* p = (const uint8_t*)changeKeyToName((uint16_t)(key >> 16), nullptr);
    // a packed signature has at most 255 parameters of two words each
    uint16_t arguments[512];
    int32_t words = 0;
    for (int n = *p++; n > 0; n--) {
        uint16_t t = verifierTypeOfKey(nextPackedType(&p));
        arguments[words++] = t;
        if (isTwoWordType(t)) arguments[words++] = secondWordOf(t);
    }
    for (int32_t w = words - 1; w >= 0; w--) {
        if (vStackSize == 0) verifierFail(VE_ARGS_MISSING);
        uint16_t v = vStack[--vStackSize];
        if (v != arguments[w] && !isTypeAssignable(v, arguments[w], nullptr)) verifierFail(VE_ARGS_BAD_TYPE);
    }
    uint16_t nameKey = (uint16_t)key;
    bool isInit = nameKey == (uint16_t)initNameAndType;
    if (changeKeyToName(nameKey, nullptr)[0] == '<' && (!isInit || op != OP_INVOKESPECIAL))
        verifierFail(VE_SPECIAL_METHOD);
    if (isInit) {
        initializeObject(pc, methodClass);
    } else if (op == OP_INVOKEINTERFACE) {
        popType(methodClass->key);
    } else if (op == OP_INVOKESPECIAL) {
        if (!isInSuperclassChain(methodClass)) verifierFail(VE_INVOKESPECIAL_CLASS);
        // The receiver must be of this class: else a class could run a superclass's
        // implementation on any object, past the object's own override.
        popType(vClass->key);
    } else if (op != OP_INVOKESTATIC) {
        popType(isProtectedMemberAccess(methodClass, key, true) ? vClass->key : methodClass->key);
    }
    pushKind(verifierTypeOfKey(nextPackedType(&p)));
    if (op == OP_INVOKEINTERFACE) {
        if (vCode[pc + 3] != words + 1) verifierFail(VE_INVOKEINTERFACE_COUNT);
        if (vCode[pc + 4] != 0) verifierFail(VE_INVOKEINTERFACE_ZERO);
    }
}

static void verifyReturn(uint16_t value) {
    const uint8_t* p = vReturnType;
    uint16_t type = nextPackedType(&p);
    if (type == 'V') verifierFail(VE_RETURN_FROM_VOID);
    if (!isTypeAssignable(value, verifierTypeOfKey(type), nullptr)) verifierFail(VE_RETURN_TYPE);
}

static void verifyNew(int32_t pc) {
    if (isArrayClass(classEntry((uint32_t)u2At(pc + 1)))) verifierFail(VE_BAD_CLASS_ENTRY);
    if (vNewObjectMap == nullptr) vNewObjectMap = (uint32_t*)callocObject((vCodeLength + 31) / 32, GCT_NOPOINTERS);
    vNewObjectMap[pc >> 5] |= 1u << (pc & 31);
    push(uninitializedType((uint32_t)pc));
}

static void verifyArrayStore() {
    uint16_t value = popType(VT_TOP);
    popType(VT_INT);
    uint16_t array = popType(VT_TOP);
    if (!isTypeAssignable(value, objectType(), nullptr) || !isTypeAssignable(array, arrayTypeOf(objectType()), nullptr))
        verifierFail(VE_AASTORE_ARRAY);
    // a null array has no element type; the store itself raises
    if (array == VT_NULL) return;
    uint16_t element = elementType(array);
    if ((isArrayType(value) || isArrayType(element)) && !isTypeAssignable(value, element, nullptr))
        verifierFail(VE_AASTORE_ARRAY);
}

static void verifyTableSwitch(int32_t pc) {
    popType(VT_INT);
    int32_t base = (pc + 4) & ~3;
    checkBranch(pc, (int64_t)pc + s4At(base));
    int64_t targets = (int64_t)s4At(base + 8) - s4At(base + 4) + 1;
    for (int64_t k = 0; k < targets; k++) checkBranch(pc, (int64_t)pc + s4At(base + 12 + 4 * (int32_t)k));
}

static void verifyLookupSwitch(int32_t pc) {
    popType(VT_INT);
    int32_t base = (pc + 4) & ~3;
    checkBranch(pc, (int64_t)pc + s4At(base));
    int32_t pairs = s4At(base + 4);
    for (int32_t k = 0; k < pairs; k++) {
        int32_t at = base + 8 + 8 * k;
        if (k > 0 && s4At(at) <= s4At(at - 8)) verifierFail(VE_LOOKUPSWITCH_ORDER);
        checkBranch(pc, (int64_t)pc + s4At(at + 4));
    }
}

static void verifyMultiANewArray(int32_t pc) {
    uint16_t type = classEntry((uint32_t)u2At(pc + 1))->key;
    int dimensions = vCode[pc + 3];
    if (dimensions == 0 || !hasDimensions(type, dimensions)) verifierFail(VE_MULTIANEWARRAY);
    for (int d = 0; d < dimensions; d++) popType(VT_INT);
    push(type);
}

// The local instructions, with the index they name (wide gives two bytes).
static void verifyLocalInstruction(uint8_t op, uint32_t index) {
    switch (op) {
        case OP_ILOAD:
            loadLocal(index, VT_INT);
            break;
        case OP_LLOAD:
            loadLocal(index, VT_LONG);
            break;
        case OP_FLOAD:
            loadLocal(index, VT_FLOAT);
            break;
        case OP_DLOAD:
            loadLocal(index, VT_DOUBLE);
            break;
        case OP_ALOAD:
            push(readLocal(index, VT_REFERENCE));
            break;
        case OP_ISTORE:
            storeLocal(index, VT_INT);
            break;
        case OP_LSTORE:
            storeLocal(index, VT_LONG);
            break;
        case OP_FSTORE:
            storeLocal(index, VT_FLOAT);
            break;
        case OP_DSTORE:
            storeLocal(index, VT_DOUBLE);
            break;
        case OP_ASTORE:
            writeLocal(index, popType(VT_REFERENCE));
            break;
        default:  // iinc
            readLocal(index, VT_INT);
            writeLocal(index, VT_INT);
            break;
    }
}

// The type of one letter of an opcode's stack effect (see vm/core/opcodes.h).
static uint16_t effectType(char letter, int32_t pc) {
    switch (letter) {
        case 'I':
            return VT_INT;
        case 'F':
            return VT_FLOAT;
        case 'J':
            return VT_LONG;
        case 'D':
            return VT_DOUBLE;
        case 'A':
            return objectType();
        case 'R':
            return VT_REFERENCE;
        case 'N':
            return VT_NULL;
        case 'C':
            return classEntry((uint32_t)u2At(pc + 1))->key;
        default:
            fatalError("Bad stack effect");
    }
}

// Takes the values the effect names, the top one first, and leaves its results.
static void applyStackEffect(const char* effect, int32_t pc) {
    const char* arrow = strchr(effect, '>');
    for (const char* p = arrow; p > effect;) {
        char letter = *--p;
        if (p > effect && p[-1] == '[') {
            popType(arrayOfLetter(letter));
            p--;
        } else {
            popKind(effectType(letter, pc));
        }
    }
    for (const char* p = arrow + 1; *p; p++) pushKind(effectType(*p, pc));
}

static bool isPrimitiveArray(uint16_t array, uint8_t op, uint8_t byteOp, uint8_t charOp, uint8_t shortOp) {
    return array == VT_NULL || (op == byteOp && (array == arrayOfLetter('B') || array == arrayOfLetter('Z'))) ||
           (op == charOp && array == arrayOfLetter('C')) || (op == shortOp && array == arrayOfLetter('S'));
}

// Applies one instruction; answers whether it can fall through to the next. The opcode
// table's stack effect does the work of most; the cases below add what it cannot say:
// locals, constants, branches, returns, members and the checks on the values taken.
static bool verifyInstruction(int32_t pc) {
    uint8_t op = vCode[pc];
    // the VM's own instructions come from the rewriter, after verification
    if (op > OP_JSR_W) verifierFail(VE_BAD_OPCODE);
    const char* effect = OpcodeTable[op].stack;
    bool byTable = effect[0] != '*' && effect[0] != '!';
    if (byTable) applyStackEffect(effect, pc);
    switch (op) {
        case OP_LDC:
            verifyLdc(vCode[pc + 1]);
            break;
        case OP_LDC_W:
            verifyLdc((uint32_t)u2At(pc + 1));
            break;
        case OP_LDC2_W: {
            int tag = poolTag((uint32_t)u2At(pc + 1));
            if (tag == CONSTANT_Long)
                pushKind(VT_LONG);
            else if (tag == CONSTANT_Double)
                pushKind(VT_DOUBLE);
            else
                verifierFail(VE_BAD_LDC);
            break;
        }
        case OP_ILOAD:
        case OP_LLOAD:
        case OP_FLOAD:
        case OP_DLOAD:
        case OP_ALOAD:
        case OP_ISTORE:
        case OP_LSTORE:
        case OP_FSTORE:
        case OP_DSTORE:
        case OP_ASTORE:
        case OP_IINC:
            verifyLocalInstruction(op, vCode[pc + 1]);
            break;
        case OP_WIDE:
            verifyLocalInstruction(vCode[pc + 1], (uint32_t)u2At(pc + 2));
            break;
        case OP_ILOAD_0:
        case OP_ILOAD_1:
        case OP_ILOAD_2:
        case OP_ILOAD_3:
            verifyLocalInstruction(OP_ILOAD, op - OP_ILOAD_0);
            break;
        case OP_LLOAD_0:
        case OP_LLOAD_1:
        case OP_LLOAD_2:
        case OP_LLOAD_3:
            verifyLocalInstruction(OP_LLOAD, op - OP_LLOAD_0);
            break;
        case OP_FLOAD_0:
        case OP_FLOAD_1:
        case OP_FLOAD_2:
        case OP_FLOAD_3:
            verifyLocalInstruction(OP_FLOAD, op - OP_FLOAD_0);
            break;
        case OP_DLOAD_0:
        case OP_DLOAD_1:
        case OP_DLOAD_2:
        case OP_DLOAD_3:
            verifyLocalInstruction(OP_DLOAD, op - OP_DLOAD_0);
            break;
        case OP_ALOAD_0:
        case OP_ALOAD_1:
        case OP_ALOAD_2:
        case OP_ALOAD_3:
            verifyLocalInstruction(OP_ALOAD, op - OP_ALOAD_0);
            break;
        case OP_ISTORE_0:
        case OP_ISTORE_1:
        case OP_ISTORE_2:
        case OP_ISTORE_3:
            verifyLocalInstruction(OP_ISTORE, op - OP_ISTORE_0);
            break;
        case OP_LSTORE_0:
        case OP_LSTORE_1:
        case OP_LSTORE_2:
        case OP_LSTORE_3:
            verifyLocalInstruction(OP_LSTORE, op - OP_LSTORE_0);
            break;
        case OP_FSTORE_0:
        case OP_FSTORE_1:
        case OP_FSTORE_2:
        case OP_FSTORE_3:
            verifyLocalInstruction(OP_FSTORE, op - OP_FSTORE_0);
            break;
        case OP_DSTORE_0:
        case OP_DSTORE_1:
        case OP_DSTORE_2:
        case OP_DSTORE_3:
            verifyLocalInstruction(OP_DSTORE, op - OP_DSTORE_0);
            break;
        case OP_ASTORE_0:
        case OP_ASTORE_1:
        case OP_ASTORE_2:
        case OP_ASTORE_3:
            verifyLocalInstruction(OP_ASTORE, op - OP_ASTORE_0);
            break;

        case OP_AALOAD: {
            popType(VT_INT);
            uint16_t array = popType(objectType());
            if (!isTypeAssignable(array, arrayTypeOf(objectType()), nullptr)) verifierFail(VE_AALOAD_ARRAY);
            push(elementType(array));
            break;
        }
        case OP_BALOAD:
        case OP_CALOAD:
        case OP_SALOAD: {
            popType(VT_INT);
            uint16_t array = popType(objectType());
            if (!isPrimitiveArray(array, op, OP_BALOAD, OP_CALOAD, OP_SALOAD)) verifierFail(VE_BALOAD_ARRAY);
            push(VT_INT);
            break;
        }
        case OP_AASTORE:
            verifyArrayStore();
            break;
        case OP_BASTORE:
        case OP_CASTORE:
        case OP_SASTORE: {
            popType(VT_INT);
            popType(VT_INT);
            uint16_t array = popType(VT_TOP);
            if (!isPrimitiveArray(array, op, OP_BASTORE, OP_CASTORE, OP_SASTORE)) verifierFail(VE_BASTORE_ARRAY);
            break;
        }

        case OP_POP:
            popCategory1();
            break;
        case OP_POP2:
            popUpperWord();
            popLowerWord();
            break;
        case OP_DUP: {
            uint16_t v1 = popCategory1();
            push(v1);
            push(v1);
            break;
        }
        case OP_DUP_X1: {
            uint16_t v1 = popCategory1(), v2 = popCategory1();
            push(v1);
            push(v2);
            push(v1);
            break;
        }
        case OP_DUP_X2: {
            uint16_t v1 = popCategory1(), v2 = popUpperWord(), v3 = popLowerWord();
            push(v1);
            push(v3);
            push(v2);
            push(v1);
            break;
        }
        case OP_DUP2: {
            uint16_t v1 = popUpperWord(), v2 = popLowerWord();
            push(v2);
            push(v1);
            push(v2);
            push(v1);
            break;
        }
        case OP_DUP2_X1: {
            uint16_t v1 = popUpperWord(), v2 = popLowerWord(), v3 = popCategory1();
            push(v2);
            push(v1);
            push(v3);
            push(v2);
            push(v1);
            break;
        }
        case OP_DUP2_X2: {
            uint16_t v1 = popUpperWord(), v2 = popLowerWord(), v3 = popUpperWord(), v4 = popLowerWord();
            push(v2);
            push(v1);
            push(v4);
            push(v3);
            push(v2);
            push(v1);
            break;
        }
        case OP_SWAP: {
            uint16_t v1 = popCategory1(), v2 = popCategory1();
            push(v1);
            push(v2);
            break;
        }

        case OP_IFEQ:
        case OP_IFNE:
        case OP_IFLT:
        case OP_IFGE:
        case OP_IFGT:
        case OP_IFLE:
        case OP_IF_ICMPEQ:
        case OP_IF_ICMPNE:
        case OP_IF_ICMPLT:
        case OP_IF_ICMPGE:
        case OP_IF_ICMPGT:
        case OP_IF_ICMPLE:
        case OP_IF_ACMPEQ:
        case OP_IF_ACMPNE:
        case OP_IFNULL:
        case OP_IFNONNULL:
            checkBranch(pc, (int64_t)pc + s2At(pc + 1));
            break;
        case OP_GOTO:
            checkBranch(pc, (int64_t)pc + s2At(pc + 1));
            return false;
        case OP_GOTO_W:
            checkBranch(pc, (int64_t)pc + s4At(pc + 1));
            return false;
        case OP_TABLESWITCH:
            verifyTableSwitch(pc);
            return false;
        case OP_LOOKUPSWITCH:
            verifyLookupSwitch(pc);
            return false;

        case OP_IRETURN:
            verifyReturn(VT_INT);
            return false;
        case OP_LRETURN:
            verifyReturn(VT_LONG);
            return false;
        case OP_FRETURN:
            verifyReturn(VT_FLOAT);
            return false;
        case OP_DRETURN:
            verifyReturn(VT_DOUBLE);
            return false;
        case OP_ARETURN:
            verifyReturn(popType(objectType()));
            return false;
        case OP_RETURN: {
            const uint8_t* p = vReturnType;
            if (nextPackedType(&p) != 'V') verifierFail(VE_RETURN_NOT_VOID);
            if (vNeedsInitialization) verifierFail(VE_RETURN_UNINIT);
            return false;
        }

        case OP_GETSTATIC:
        case OP_PUTSTATIC:
        case OP_GETFIELD:
        case OP_PUTFIELD:
            verifyFieldAccess(op, (uint32_t)u2At(pc + 1));
            break;
        case OP_INVOKEVIRTUAL:
        case OP_INVOKESPECIAL:
        case OP_INVOKESTATIC:
        case OP_INVOKEINTERFACE:
            verifyInvoke(op, pc);
            break;

        case OP_NEW:
            verifyNew(pc);
            break;
        case OP_NEWARRAY: {
            popType(VT_INT);
            int code = vCode[pc + 1];
            if (code < T_BOOLEAN || code > T_LONG) verifierFail(VE_BAD_OPCODE);
            push(arrayOfLetter(typeCodeToSignatureLetter(code)));
            break;
        }
        case OP_ANEWARRAY:
            popType(VT_INT);
            push(arrayTypeOf(classEntry((uint32_t)u2At(pc + 1))->key));
            break;
        case OP_ARRAYLENGTH: {
            uint16_t array = popType(objectType());
            if (array != VT_NULL && !isArrayType(array)) verifierFail(VE_ARRAYLENGTH);
            push(VT_INT);
            break;
        }
        case OP_ATHROW:
            popType(JavaLangThrowable->key);
            return false;
        case OP_INSTANCEOF:
            // the class must be there, though the result is an int
            classEntry((uint32_t)u2At(pc + 1));
            break;
        case OP_MULTIANEWARRAY:
            verifyMultiANewArray(pc);
            break;
        default:
            // jsr, ret and the unused number have no effect the verifier accepts
            if (!byTable) verifierFail(VE_BAD_OPCODE);
    }
    return true;
}

// ---------------------------------------------------------------------------------
// Methods

static void initLocalsFromSignature() {
    uint32_t slot = 0;
    vIsConstructor = vMethod->nt.k.nameKey == (uint16_t)initNameAndType;
    if (!(vMethod->accessFlags & ACC_STATIC)) {
        if (vIsConstructor && vClass != JavaLangObject) {
            vLocals[0] = VT_UNINIT_THIS;
            vNeedsInitialization = 1;
        } else {
            vLocals[0] = vClass->key;
        }
        slot = 1;
    }
    const uint8_t* p = (const uint8_t*)changeKeyToName(vMethod->nt.k.typeKey, nullptr);
    for (int n = *p++; n > 0; n--) {
        uint16_t t = verifierTypeOfKey(nextPackedType(&p));
        if (slot + (isTwoWordType(t) ? 2 : 1) > (uint32_t)vFrameSize) verifierFail(VE_LOCAL_INDEX);
        vLocals[slot++] = t;
        if (isTwoWordType(t)) vLocals[slot++] = secondWordOf(t);
    }
    vReturnType = p;
}

static void verifyMethodCode() {
    if (!(vMethod->accessFlags & ACC_STATIC) && vClass != JavaLangObject && vClass->superClass != nullptr) {
        MethodRecord* overridden = lookupMethod(vClass->superClass, vMethod->nt.nameTypeKey, vClass);
        if (overridden != nullptr && (overridden->accessFlags & ACC_FINAL)) verifierFail(VE_FINAL_OVERRIDE);
    }
    HandlerTable* handlers = vMethod->handlers;
    for (uint32_t i = 0; handlers != nullptr && i < handlers->length; i++) {
        const HandlerEntry* h = &handlers->handlers[i];
        if (h->catchType != 0) {
            ClassRecord* caught = classEntry(h->catchType);
            if (!isAssignableTo(caught, JavaLangThrowable)) verifierFail(VE_CATCH_NOT_THROWABLE);
        }
        vHandlerFrames[i] = findFrame(h->handlerPC);
    }
    initLocalsFromSignature();

    uint32_t mapCount = stackMaps() != nullptr ? stackMaps()->count : 0;
    uint32_t nextMap = 0;
    bool fallsThrough = true;
    int32_t pc = 0;
    while (pc < vCodeLength) {
        vPc = pc;
        int32_t frame = -1;
        if (nextMap < mapCount) {
            uint32_t offset = stackMapOffset(stackMaps(), nextMap);
            if (offset < (uint32_t)pc) verifierFail(VE_FRAME_OFFSET);
            if (offset == (uint32_t)pc) frame = (int32_t)nextMap++;
        }
        if (frame >= 0) {
            if (!matchStackMap(frame, fallsThrough ? SM_CHECK | SM_COPY : SM_COPY | SM_EXIST))
                verifierFail(VE_FRAME_MISMATCH);
        } else if (!fallsThrough) {
            verifierFail(VE_FRAME_MISMATCH);
        }
        checkHandlers(pc);
        int32_t size = instructionSize(pc);
        fallsThrough = verifyInstruction(pc);
        assertStackShape();
        if (size > 1 && handlers != nullptr) {
            for (uint32_t i = 0; i < handlers->length; i++) {
                const HandlerEntry* h = &handlers->handlers[i];
                if ((h->startPC > pc && h->startPC < pc + size) || (h->endPC > pc && h->endPC < pc + size))
                    verifierFail(VE_HANDLER_INSIDE);
            }
        }
        pc += size;
    }
    if (pc != vCodeLength) verifierFail(VE_CODE_OVERRUN);
    if (nextMap != mapCount) verifierFail(VE_FRAME_OFFSET);
    if (fallsThrough) verifierFail(VE_FALLS_OFF_END);
}

int verifyMethod(MethodRecord* method) {
    int32_t savedRoots = TemporaryRootsLength;
    vMethod = method;
    vClass = method->ofClass;
    vPool = vClass->constPool;
    vCode = method->u.code;
    vCodeLength = method->codeLength;
    vFrameSize = method->frameSize;
    vMaxStack = method->maxStack;
    vStackSize = 0;
    vNeedsInitialization = 0;
    vIsConstructor = 0;
    vLocals = nullptr;
    vStack = nullptr;
    vHandlerFrames = nullptr;
    vNewObjectMap = nullptr;
    makeTemporaryRoot(&vLocals);
    makeTemporaryRoot(&vStack);
    makeTemporaryRoot(&vHandlerFrames);
    makeTemporaryRoot(&vNewObjectMap);
    vLocals = (uint16_t*)callocObject((vFrameSize + 1) / 2, GCT_NOPOINTERS);
    // a handler's entry state holds one entry even where the code needs none
    vStack = (uint16_t*)callocObject((vMaxStack + 2) / 2, GCT_NOPOINTERS);
    if (method->handlers != nullptr)
        vHandlerFrames = (int32_t*)callocObject((int32_t)method->handlers->length, GCT_NOPOINTERS);
    jmp_buf failBuffer;
    vFailBuffer = &failBuffer;
    vFailReason = 0;
    vPc = 0;
    if (setjmp(failBuffer) == 0) {
        verifyMethodCode();
        if (!checkNewObjectsInStackMaps()) vFailReason = VE_NEW_WITHOUT_NEW;
    }
    vFailBuffer = nullptr;
    vLocals = nullptr;
    vStack = nullptr;
    vHandlerFrames = nullptr;
    vNewObjectMap = nullptr;
    TemporaryRootsLength = savedRoots;
    return vFailReason;
}

static void traceFailure(MethodRecord* method, int reason) {
    char className[MESSAGE_BUFFER_SIZE];
    char signature[MESSAGE_BUFFER_SIZE];
    getClassNameBuffer(method->ofClass, className, sizeof className);
    change_Key_to_MethodSignature_inBuffer(method->nt.k.typeKey, signature, sizeof signature);
    mvTraceLog_warning("[verifyClass] %s.%s%s: error %d at offset %d\n", className,
                       changeKeyToName(method->nt.k.nameKey, nullptr), signature, reason, vPc);
}

// Every verified method's maps become the collector's; a failed class keeps none.
static void finishMaps(MethodTable* table, bool passed) {
    uint32_t count = table != nullptr ? table->length : 0;
    for (uint32_t i = 0; i < count; i++) {
        MethodRecord* m = &table->methods[i];
        if ((m->accessFlags & ACC_NATIVE) || m->stackMaps == nullptr) continue;
        m->stackMaps = passed ? rewriteStackMapsAsPointerMaps(m) : nullptr;
    }
}

void verifyClass(ClassRecord* clazz) {
    MethodTable* table = clazz->methodTable;
    uint32_t count = table != nullptr ? table->length : 0;
    int reason = 0;
    for (uint32_t i = 0; i < count && reason == 0; i++) {
        MethodRecord* m = &table->methods[i];
        if ((m->accessFlags & (ACC_NATIVE | ACC_ABSTRACT)) || m == RunCustomCodeMethod) continue;
        reason = verifyMethod(m);
        if (reason != 0) traceFailure(m, reason);
    }
    // The collector reads the maps of verified code only; a class that failed never runs.
    ClassRecord* volatile verified = clazz;
    volatile bool passed = reason == 0;
    VM_TRY
    // the method table is re-read: nothing but volatiles lives across the jump
    finishMaps(verified->methodTable, passed);
    VM_CATCH(e)
    // half of its maps rewritten, the class cannot be verified again
    verified->status = CLASS_ERROR;
    throwObject(e);
    VM_END_TRY
    if (passed) {
        clazz->status = CLASS_VERIFIED;
        return;
    }
    clazz->status = CLASS_ERROR;
    char name[MESSAGE_BUFFER_SIZE];
    getClassNameBuffer(clazz, name, sizeof name);
    raiseExceptionWithMessage(VerifyError, name);
}
