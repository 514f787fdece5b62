// The slow path of the interpreter for the instructions the fast loop hands over.
// This first version executes them over constant-pool entries that are already
// resolved, as every pool of the class image is; resolution, rewriting into the quick
// forms, the float and double instructions and wide come with the full slow
// interpreter and end the run with a clear message until then.
#include <string.h>

#include "vm/core/classes.h"
#include "vm/core/exceptions.h"
#include "vm/core/frames.h"
#include "vm/core/heap.h"
#include "vm/core/interp.h"
#include "vm/core/opcodes.h"
#include "vm/core/resolve.h"
#include "vm/core/romimage.h"
#include "vm/core/tables.h"
#include "vm/services/tracelog.h"

static inline uint16_t operandIndex() { return (uint16_t)((Regs.ip[1] << 8) | Regs.ip[2]); }
static inline ConstantPool* currentPool() { return (ConstantPool*)Regs.cp; }

[[noreturn]] static void notSupportedYet(int opcode) {
    mvSprintf(MessageBuffer, MESSAGE_BUFFER_SIZE, "SlowInterpret: %s (opcode %ld) is not supported yet",
              OpcodeTable[opcode].name, opcode);
    fatalError(MessageBuffer);
}

static void* resolvedEntry(int opcode, int index) {
    ConstantPool* cp = currentPool();
    if (!(cpTags(cp)[index] & CP_RESOLVED)) {
        mvSprintf(MessageBuffer, MESSAGE_BUFFER_SIZE,
                  "SlowInterpret: %s of unresolved constant-pool entry %ld is not supported yet",
                  OpcodeTable[opcode].name, index);
        fatalError(MessageBuffer);
    }
    return cp->entries[index].p;
}

[[noreturn]] static void noSuchMethod(MethodRecord* m) {
    char signature[MESSAGE_BUFFER_SIZE];
    const char* name = changeKeyToName(m->nt.k.nameKey, nullptr);
    change_Key_to_MethodSignature_inBuffer(m->nt.k.typeKey, signature, sizeof signature);
    mvSprintf(MessageBuffer, MESSAGE_BUFFER_SIZE, "No such method %s.%s", name ? name : "", signature);
    raiseExceptionWithMessage(NoSuchMethodError, MessageBuffer);
}

static OBJECT receiverOf(MethodRecord* m) {
    OBJECT receiver = (OBJECT)(uintptr_t)Regs.sp[-(m->argCount - 1)];
    if (receiver == nullptr) raiseException(NullPointerException);
    return receiver;
}

// True when the class may be used now; otherwise its initialisation has been started
// and the instruction runs again afterwards.
static bool ensureInitialized(ClassRecord* clazz) {
    if (clazz->status == CLASS_ERROR) raiseExceptionWithMessage(NoClassDefFoundError, "Expected an initialized class");
    if (classIsReady(clazz)) return true;
    initializeClass(clazz);
    return false;
}

void SlowInterpret(int opcode) {
    cell* sp = Regs.sp;
    switch (opcode) {
    case OP_GETSTATIC:
    case OP_PUTSTATIC: {
        FieldRecord* f = (FieldRecord*)resolvedEntry(opcode, operandIndex());
        if (!ensureInitialized(f->ofClass)) return;
        cell* address = f->u.staticAddress;
        bool two = (f->accessFlags & ACC_DOUBLE) != 0;
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
        Regs.ip += 3;
        return;
    }
    case OP_GETFIELD:
    case OP_PUTFIELD: {
        FieldRecord* f = (FieldRecord*)resolvedEntry(opcode, operandIndex());
        bool two = (f->accessFlags & ACC_DOUBLE) != 0;
        uint32_t slot = f->u.offset;
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
        Regs.ip += 3;
        return;
    }
    case OP_INVOKEVIRTUAL: {
        MethodRecord* resolved = (MethodRecord*)resolvedEntry(opcode, operandIndex());
        OBJECT receiver = receiverOf(resolved);
        MethodRecord* m = lookupMethodForInvoke(receiver->clazz, resolved);
        if (m == nullptr) noSuchMethod(resolved);
        invokeMethodFromRegisters(m, receiver, 3);
        return;
    }
    case OP_INVOKESPECIAL: {
        MethodRecord* m = (MethodRecord*)resolvedEntry(opcode, operandIndex());
        invokeMethodFromRegisters(m, receiverOf(m), 3);
        return;
    }
    case OP_INVOKESTATIC: {
        MethodRecord* m = (MethodRecord*)resolvedEntry(opcode, operandIndex());
        if (!ensureInitialized(m->ofClass)) return;
        invokeMethodFromRegisters(m, (OBJECT)m->ofClass, 3);
        return;
    }
    case OP_INVOKEINTERFACE: {
        MethodRecord* resolved = (MethodRecord*)resolvedEntry(opcode, operandIndex());
        OBJECT receiver = receiverOf(resolved);
        MethodRecord* m = lookupMethod(receiver->clazz, resolved->nt.nameTypeKey, Regs.fp->thisMethod->ofClass);
        if (m == nullptr || (m->accessFlags & (ACC_PUBLIC | ACC_STATIC)) != ACC_PUBLIC) noSuchMethod(resolved);
        invokeMethodFromRegisters(m, receiver, 5);
        return;
    }
    case OP_NEW: {
        ClassRecord* clazz = resolveClassReference(currentPool(), operandIndex(), Regs.fp->thisMethod->ofClass);
        if (clazz->status == CLASS_ERROR) raiseExceptionWithMessage(NoClassDefFoundError, "Expected an initialized class");
        if (clazz->accessFlags & (ACC_INTERFACE | ACC_ABSTRACT))
            raiseExceptionWithMessage(InstantiationError, "Cannot instantiate bad class");
        if (!ensureInitialized(clazz)) return;
        if (clazz->cleanup != nullptr) notSupportedYet(opcode);
        OBJECT o = instantiate(clazz);
        *++Regs.sp = (cell)(uintptr_t)o;
        Regs.ip += 3;
        return;
    }
    case OP_NEWARRAY: {
        int type = Regs.ip[1];
        if (type < T_BOOLEAN || type > T_LONG) notSupportedYet(opcode);
        ArrayObject* a = instantiateArray(PrimitiveArrayClasses[type], Regs.sp[0]);
        Regs.sp[0] = (cell)(uintptr_t)a;
        Regs.ip += 2;
        return;
    }
    case OP_ANEWARRAY: {
        ClassRecord* element = resolveClassReference(currentPool(), operandIndex(), Regs.fp->thisMethod->ofClass);
        ArrayObject* a = instantiateArray(getObjectArrayClass(element), Regs.sp[0]);
        Regs.sp[0] = (cell)(uintptr_t)a;
        Regs.ip += 3;
        return;
    }
    case OP_MULTIANEWARRAY: {
        ClassRecord* clazz = resolveClassReference(currentPool(), operandIndex(), Regs.fp->thisMethod->ofClass);
        int d = Regs.ip[3];
        ArrayObject* a = instantiateMultiArray(asArrayClass(clazz), Regs.sp - d + 1, d);
        Regs.sp -= d;
        *++Regs.sp = (cell)(uintptr_t)a;
        Regs.ip += 4;
        return;
    }
    case OP_CHECKCAST:
    case OP_INSTANCEOF: {
        ClassRecord* clazz = resolveClassReference(currentPool(), operandIndex(), Regs.fp->thisMethod->ofClass);
        OBJECT o = (OBJECT)(uintptr_t)Regs.sp[0];
        bool is = o != nullptr && (isSubclassOf(o->clazz, clazz) || isAssignableTo(o->clazz, clazz));
        if (opcode == OP_CHECKCAST) {
            if (o != nullptr && !is) raiseException(ClassCastException);
        } else {
            Regs.sp[0] = is ? 1 : 0;
        }
        Regs.ip += 3;
        return;
    }
    case OP_CUSTOM_CODE: {
        cell* first = (cell*)(Regs.fp + 1);
        if (*first == 0) {
            popFrame();
            return;
        }
        ((CustomCodeFunction)(uintptr_t)*first)(nullptr);
        return;
    }
    default:
        if (OpcodeTable[opcode].kind == OPK_SLOW) notSupportedYet(opcode);
        mvSprintf(MessageBuffer, MESSAGE_BUFFER_SIZE, "Illegal bytecode %ld", opcode);
        fatalError(MessageBuffer);
    }
}
