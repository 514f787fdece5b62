// The slow path of the interpreter: float and double instructions, wide, custom code,
// and every instruction that may need constant-pool resolution. Once an entry is
// resolved the instruction is rewritten in place into its quick form (unless its
// bytecode lies in the image's read-only area), so later runs stay in the fast loop.
// Called with ip at the instruction and the registers stored; it works on the
// registers directly and leaves ip behind the instruction, or at it when the
// instruction is to run again (after a rewrite or a started class initialisation).
#include <string.h>

#include "platform/bytes.h"
#include "vm/core/classes.h"
#include "vm/core/exceptions.h"
#include "vm/core/floating.h"
#include "vm/core/frames.h"
#include "vm/core/gc.h"
#include "vm/core/heap.h"
#include "vm/core/inlinecache.h"
#include "vm/core/interp.h"
#include "vm/core/opcodes.h"
#include "vm/core/resolve.h"
#include "vm/core/romimage.h"
#include "vm/core/tables.h"
#include "vm/core/thread.h"
#include "vm/trace/tracelog.h"

static inline void writeU16(uint8_t* p, uint32_t v) {
    p[0] = (uint8_t)(v >> 8);
    p[1] = (uint8_t)v;
}

static inline bool rewritable(const uint8_t* ip) { return !isInRomCodeRange(ip); }
static inline ConstantPool* currentPool() { return (ConstantPool*)Regs.cp; }
static inline ClassRecord* currentClass() { return Regs.fp->thisMethod->ofClass; }

[[noreturn]] static void noSuchMethod(MethodRecord* m) {
    char signature[MESSAGE_BUFFER_SIZE];
    const char* name = changeKeyToName(m->nt.k.nameKey, nullptr);
    change_Key_to_MethodSignature_inBuffer(m->nt.k.typeKey, signature, sizeof signature);
    mvSprintf(MessageBuffer, MESSAGE_BUFFER_SIZE, "No such method %s.%s", name ? name : "", signature);
    raiseExceptionWithMessage(NoSuchMethodError, MessageBuffer);
}

[[noreturn]] static void illegalBytecode(int opcode) {
    mvSprintf(MessageBuffer, MESSAGE_BUFFER_SIZE, "Illegal bytecode %ld", opcode);
    fatalError(MessageBuffer);
}

// True when the class may be used now; otherwise its initialisation has been started
// and the instruction runs again afterwards.
static bool readyOrInitialize(ClassRecord* clazz) {
    if (clazz->status == CLASS_ERROR) raiseExceptionWithMessage(NoClassDefFoundError, "Expected an initialized class");
    if (classIsReady(clazz)) return true;
    initializeClass(clazz);
    return false;
}

static OBJECT receiverAt(int argCount) {
    OBJECT receiver = (OBJECT)(uintptr_t)Regs.sp[-(argCount - 1)];
    if (receiver == nullptr) raiseException(NullPointerException);
    return receiver;
}

// Prepares the method about to run (the receiver may move meanwhile) and invokes it.
static void prepareAndInvoke(MethodRecord* m, OBJECT receiver, int length) {
    prepareForInvoke(m, &receiver);
    invokeMethodFromRegisters(m, receiver, length);
}

// The field or method the instruction at ip names, resolved; a failure raises.
static FieldRecord* fieldAt(const uint8_t* ip, bool isStatic, int opcode) {
    ConstantPool* cp = currentPool();
    int index = be16(ip + 1);
    FieldRecord* f = resolveFieldReference(cp, index, isStatic, opcode, currentClass());
    if (f == nullptr) raiseNoSuchMemberError(cp, index);
    return f;
}

static MethodRecord* methodAt(const uint8_t* ip, bool isStatic) {
    ConstantPool* cp = currentPool();
    int index = be16(ip + 1);
    MethodRecord* m = resolveMethodReference(cp, index, isStatic, currentClass());
    if (m == nullptr) raiseNoSuchMemberError(cp, index);
    return m;
}

static void staticAccess(int opcode) {
    uint8_t* ip = Regs.ip;
    FieldRecord* f = fieldAt(ip, true, opcode);
    if (!readyOrInitialize(f->ofClass)) return;
    bool two = (f->accessFlags & ACC_DOUBLE) != 0;
    if (rewritable(ip)) {
        if (opcode == OP_GETSTATIC)
            ip[0] = two                              ? OP_GETSTATIC2_QUICK
                    : (f->accessFlags & ACC_POINTER) ? OP_GETSTATICP_QUICK
                                                     : OP_GETSTATIC_QUICK;
        else
            ip[0] = two ? OP_PUTSTATIC2_QUICK : OP_PUTSTATIC_QUICK;
    }
    cell* address = f->u.staticAddress;
    cell* sp = Regs.sp;
    if (opcode == OP_GETSTATIC) {
        *++sp = address[0];
        if (two) *++sp = address[1];
    } else if (two) {
        address[1] = *sp--;
        address[0] = *sp--;
    } else {
        address[0] = *sp--;
    }
    Regs.sp = sp;
    Regs.ip = ip + 3;
}

static void fieldAccess(int opcode) {
    uint8_t* ip = Regs.ip;
    FieldRecord* f = fieldAt(ip, false, opcode);
    bool two = (f->accessFlags & ACC_DOUBLE) != 0;
    uint32_t slot = f->u.offset;
    if (rewritable(ip)) {
        if (opcode == OP_GETFIELD)
            ip[0] = two ? OP_GETFIELD2_QUICK : (f->accessFlags & ACC_POINTER) ? OP_GETFIELDP_QUICK : OP_GETFIELD_QUICK;
        else
            ip[0] = two ? OP_PUTFIELD2_QUICK : OP_PUTFIELD_QUICK;
        writeU16(ip + 1, slot);
        return;
    }
    cell* sp = Regs.sp;
    if (opcode == OP_GETFIELD) {
        OBJECT o = (OBJECT)(uintptr_t)sp[0];
        if (o == nullptr) raiseException(NullPointerException);
        sp[0] = o->data[slot];
        if (two) *++sp = o->data[slot + 1];
    } else {
        int words = two ? 2 : 1;
        OBJECT o = (OBJECT)(uintptr_t)sp[-words];
        if (o == nullptr) raiseException(NullPointerException);
        if (two) o->data[slot + 1] = *sp--;
        o->data[slot] = *sp--;
        sp--;
    }
    Regs.sp = sp;
    Regs.ip = ip + 3;
}

// Call sites in the image's read-only code cannot be rewritten to a cached form: each
// keeps the method found for its last receiver class here instead, by site address.
struct ImageSiteEntry {
    const uint8_t* site;
    ClassRecord* receiverClass;
    MethodRecord* method;
};
enum { IMAGE_SITE_ENTRIES = 512 };
VMBSS static ImageSiteEntry imageSites[IMAGE_SITE_ENTRIES];

static inline ImageSiteEntry* imageSiteEntry(const uint8_t* site) {
    uintptr_t a = (uintptr_t)site;
    return &imageSites[(a ^ (a >> 9)) & (IMAGE_SITE_ENTRIES - 1)];
}

static inline MethodRecord* cachedAtImageSite(const uint8_t* site, ClassRecord* receiverClass) {
    ImageSiteEntry* e = imageSiteEntry(site);
    return e->site == site && e->receiverClass == receiverClass ? e->method : nullptr;
}

static inline void cacheAtImageSite(const uint8_t* site, ClassRecord* receiverClass, MethodRecord* m) {
    ImageSiteEntry* e = imageSiteEntry(site);
    e->site = site;
    e->receiverClass = receiverClass;
    e->method = m;
}

static void invokeVirtual() {
    uint8_t* ip = Regs.ip;
    MethodRecord* resolved = methodAt(ip, false);
    OBJECT receiver = receiverAt(resolved->argCount);
    bool image = !rewritable(ip);
    MethodRecord* m = image ? cachedAtImageSite(ip, receiver->clazz) : nullptr;
    if (m == nullptr) {
        m = lookupMethodForInvoke(receiver->clazz, resolved);
        if (m == nullptr) noSuchMethod(resolved);
        if (image) cacheAtImageSite(ip, receiver->clazz, m);
    }
    if (!image) {
        if (!(resolved->accessFlags & (ACC_PRIVATE | ACC_FINAL)) && !(resolved->ofClass->accessFlags & ACC_FINAL)) {
            int entry = createInlineCacheEntry(m, ip);
            InlineCacheReceiverClasses[entry] = receiver->clazz;
            ip[0] = OP_INVOKEVIRTUAL_CACHED;
            writeU16(ip + 1, (uint32_t)entry);
        } else {
            ip[0] = OP_INVOKESPECIAL_QUICK;
        }
    }
    prepareAndInvoke(m, receiver, 3);
}

static void invokeSpecial() {
    uint8_t* ip = Regs.ip;
    MethodRecord* m = methodAt(ip, false);
    if (rewritable(ip)) ip[0] = OP_INVOKESPECIAL_QUICK;
    prepareAndInvoke(m, receiverAt(m->argCount), 3);
}

static void invokeStatic() {
    uint8_t* ip = Regs.ip;
    MethodRecord* m = methodAt(ip, true);
    if (!readyOrInitialize(m->ofClass)) return;
    if (rewritable(ip)) ip[0] = OP_INVOKESTATIC_QUICK;
    prepareAndInvoke(m, (OBJECT)m->ofClass, 3);
}

static void invokeInterface() {
    uint8_t* ip = Regs.ip;
    MethodRecord* resolved = methodAt(ip, false);
    OBJECT receiver = receiverAt(resolved->argCount);
    bool image = !rewritable(ip);
    MethodRecord* m = image ? cachedAtImageSite(ip, receiver->clazz) : nullptr;
    if (m == nullptr) {
        m = lookupMethod(receiver->clazz, resolved->nt.nameTypeKey, currentClass());
        if (m == nullptr || (m->accessFlags & (ACC_PUBLIC | ACC_STATIC)) != ACC_PUBLIC) noSuchMethod(resolved);
        if (image) cacheAtImageSite(ip, receiver->clazz, m);
    }
    if (!image) {
        int entry = createInlineCacheEntry(m, ip);
        ip[0] = OP_INVOKEINTERFACE_CACHED;
        writeU16(ip + 1, (uint32_t)entry);
    }
    prepareAndInvoke(m, receiver, 5);
}

static void newObject() {
    uint8_t* ip = Regs.ip;
    ClassRecord* clazz = resolveClassReference(currentPool(), be16(ip + 1), currentClass());
    if (clazz->status == CLASS_ERROR) raiseExceptionWithMessage(NoClassDefFoundError, "Expected an initialized class");
    if (clazz->accessFlags & (ACC_INTERFACE | ACC_ABSTRACT))
        raiseExceptionWithMessage(InstantiationError, "Cannot instantiate bad class");
    if (!readyOrInitialize(clazz)) return;
    if (rewritable(ip)) ip[0] = OP_NEW_QUICK;
    OBJECT o = instantiateRegistered(clazz);
    *++Regs.sp = p32Cell(o);
    Regs.ip = ip + 3;
}

static void newArray() {
    int type = Regs.ip[1];
    if (type < T_BOOLEAN || type > T_LONG || PrimitiveArrayClasses[type] == nullptr)
        raiseExceptionWithMessage(VerifyError, "Bad newarray type");
    ArrayObject* a = instantiateArray(PrimitiveArrayClasses[type], Regs.sp[0]);
    Regs.sp[0] = p32Cell(a);
    Regs.ip += 2;
}

static void newObjectArray() {
    uint8_t* ip = Regs.ip;
    ClassRecord* element = resolveClassReference(currentPool(), be16(ip + 1), currentClass());
    ArrayClassRecord* arrayClass = getObjectArrayClass(element);
    if (rewritable(ip)) {
        // the entry's method word carries the array class for the quick form
        int entry = createInlineCacheEntry((MethodRecord*)arrayClass, ip);
        ip[0] = OP_ANEWARRAY_QUICK;
        writeU16(ip + 1, (uint32_t)entry);
    }
    ArrayObject* a = instantiateArray(arrayClass, Regs.sp[0]);
    Regs.sp[0] = p32Cell(a);
    Regs.ip = ip + 3;
}

static void newMultiArray() {
    uint8_t* ip = Regs.ip;
    ClassRecord* clazz = resolveClassReference(currentPool(), be16(ip + 1), currentClass());
    int d = ip[3];
    if (!isArrayClass(clazz) || d < 1) raiseExceptionWithMessage(VerifyError, "Bad multianewarray");
    if (rewritable(ip)) ip[0] = OP_MULTIANEWARRAY_QUICK;
    ArrayObject* a = instantiateMultiArray(asArrayClass(clazz), Regs.sp - d + 1, d);
    Regs.sp -= d;
    *++Regs.sp = p32Cell(a);
    Regs.ip = ip + 4;
}

static void typeTest(int opcode) {
    uint8_t* ip = Regs.ip;
    ClassRecord* clazz = resolveClassReference(currentPool(), be16(ip + 1), currentClass());
    if (rewritable(ip)) ip[0] = opcode == OP_CHECKCAST ? OP_CHECKCAST_QUICK : OP_INSTANCEOF_QUICK;
    OBJECT o = (OBJECT)(uintptr_t)Regs.sp[0];
    bool is = o != nullptr && (isSubclassOf(o->clazz, clazz) || isAssignableTo(o->clazz, clazz));
    if (opcode == OP_CHECKCAST) {
        if (o != nullptr && !is) raiseException(ClassCastException);
    } else {
        Regs.sp[0] = is ? 1 : 0;
    }
    Regs.ip = ip + 3;
}

static void wide() {
    uint8_t* ip = Regs.ip;
    cell* sp = Regs.sp;
    cell* lp = Regs.locals;
    int index = be16(ip + 2);
    switch (ip[1]) {
        case OP_ILOAD:
        case OP_FLOAD:
        case OP_ALOAD:
            *++sp = lp[index];
            break;
        case OP_LLOAD:
        case OP_DLOAD:
            sp[1] = lp[index];
            sp[2] = lp[index + 1];
            sp += 2;
            break;
        case OP_ISTORE:
        case OP_FSTORE:
        case OP_ASTORE:
            lp[index] = *sp--;
            break;
        case OP_LSTORE:
        case OP_DSTORE:
            lp[index] = sp[-1];
            lp[index + 1] = sp[0];
            sp -= 2;
            break;
        case OP_IINC:
            lp[index] += beS16(ip + 4);
            Regs.ip = ip + 6;
            return;
        default:
            raiseExceptionWithMessage(VerifyError, "Illegal WIDE bytecode extension");
    }
    Regs.sp = sp;
    Regs.ip = ip + 4;
}

static void customCode() {
    cell* first = (cell*)(Regs.fp + 1);
    if (*first == 0) {
        popFrame();
        return;
    }
    ((CustomCodeFunction)(uintptr_t)*first)(nullptr);
}

// Float and double instructions; false for any other opcode.
static bool floating(int opcode) {
    cell* sp = Regs.sp;
    uint8_t* ip = Regs.ip;
    switch (opcode) {
        case OP_FALOAD:
        case OP_DALOAD:
        case OP_FASTORE:
        case OP_DASTORE: {
            bool store = opcode == OP_FASTORE || opcode == OP_DASTORE;
            bool two = opcode == OP_DALOAD || opcode == OP_DASTORE;
            int valueWords = store ? (two ? 2 : 1) : 0;
            ArrayObject* a = (ArrayObject*)(uintptr_t)sp[-1 - valueWords];
            int32_t index = sp[-valueWords];
            if (a == nullptr) raiseException(NullPointerException);
            if ((uint32_t)index >= a->length) raiseException(ArrayIndexOutOfBoundsException);
            cell* element = &a->u.cdata[two ? 2 * index : index];
            if (!store && two) {
                moveTwoWords(sp - 1, element);
            } else if (!store) {
                *--sp = element[0];
            } else {
                if (two)
                    moveTwoWords(element, sp - 1);
                else
                    element[0] = sp[0];
                sp -= 2 + valueWords;
            }
            Regs.sp = sp;
            Regs.ip = ip + 1;
            return true;
        }
        default: {
            int length;
            sp = floatingStep(opcode, ip, sp, Regs.locals, &length);
            if (sp == nullptr) return false;
            Regs.sp = sp;
            Regs.ip = ip + length;
            return true;
        }
    }
}

void SlowInterpret(int opcode) {
    switch (opcode) {
        case OP_GETSTATIC:
        case OP_PUTSTATIC:
            staticAccess(opcode);
            return;
        case OP_GETFIELD:
        case OP_PUTFIELD:
            fieldAccess(opcode);
            return;
        case OP_INVOKEVIRTUAL:
            invokeVirtual();
            return;
        case OP_INVOKESPECIAL:
            invokeSpecial();
            return;
        case OP_INVOKESTATIC:
            invokeStatic();
            return;
        case OP_INVOKEINTERFACE:
            invokeInterface();
            return;
        case OP_NEW:
            newObject();
            return;
        case OP_NEWARRAY:
            newArray();
            return;
        case OP_ANEWARRAY:
            newObjectArray();
            return;
        case OP_MULTIANEWARRAY:
            newMultiArray();
            return;
        case OP_CHECKCAST:
        case OP_INSTANCEOF:
            typeTest(opcode);
            return;
        case OP_WIDE:
            wide();
            return;
        case OP_CUSTOM_CODE:
            customCode();
            return;
        default:
            if (floating(opcode)) return;
            illegalBytecode(opcode);
    }
}
