// The fast dispatch loop. ip, sp, the locals pointer and the constant pool live in
// locals of Interpret; ip and sp are stored into Regs before every call that may read,
// change or switch the registers (SAVE_REGS) and loaded back after it (LOAD_REGS).
// The time slice is counted only at taken branches, calls, returns, switches and
// slow and floating-point instructions, so straight-line code runs without bookkeeping.
#include "vm/core/interp.h"

#include <string.h>

#include "platform/bytes.h"
#include "platform/events.h"
#include "vm/core/classes.h"
#include "vm/core/exceptions.h"
#include "vm/core/floating.h"
#include "vm/core/frames.h"
#include "vm/core/gc.h"
#include "vm/core/heap.h"
#include "vm/core/hooks.h"
#include "vm/core/inlinecache.h"
#include "vm/core/monitor.h"
#include "vm/core/native.h"
#include "vm/core/opcodes.h"
#include "vm/core/resolve.h"
#include "vm/core/romimage.h"
#include "vm/core/tables.h"
#include "vm/core/thread.h"
#include "vm/trace/tracelog.h"

VMBSS InterpRegisters Regs;
VMBSS OBJECT ReceiverCell;

void invokeMethodFromRegisters(MethodRecord* m, OBJECT receiver, int n) {
    if (m->accessFlags & ACC_NATIVE) {
        Regs.ip += n;
        invokeNativeFunction(m);
        return;
    }
    if (m->accessFlags & ACC_ABSTRACT) {
        const char* name = changeKeyToName(m->nt.k.nameKey, nullptr);
        raiseExceptionWithMessage(AbstractMethodError, name ? name : "");
    }
    ReceiverCell = receiver;
    pushFrame(m);
    Regs.fp->previousIp += n;
    if (m->accessFlags & ACC_SYNCHRONIZED) {
        // entering may inflate the lock (an allocation) or block: the frame can move
        monitorEnter(ReceiverCell);
        Regs.fp->syncObject = ReceiverCell;
    }
    ReceiverCell = nullptr;
}

// Releases the monitor of a synchronized frame that returns. The caller reads the frame
// afterwards: releasing allocates nothing, so the chunk stays where it is.
static void exitFrameMonitor(FrameRecord* frame) {
    OBJECT sync = frame->syncObject;
    if ((uintptr_t)sync <= 1) return;
    const char* name = nullptr;
    uint32_t moves = ChunkMoves;
    if (monitorExit(sync, &name) == MONITOR_NOT_OWNER) raiseException(name);
    VM_ASSERT_CHUNKS_UNMOVED(moves);
}

void prepareForInvoke(MethodRecord* m, OBJECT* receiver) {
    if (m->accessFlags & (ACC_NATIVE | ACC_ABSTRACT | ACC_PREPARED)) return;
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(receiver);
    CoreHooks.prepareMethod(m);
    TemporaryRootsLength = savedRoots;
}

// A cached virtual call whose receiver class changed: look the method up again and
// keep it with the receiver class in the entry. Registers stored.
static MethodRecord* relookupCachedVirtual(int index, OBJECT receiver) {
    InlineCacheEntry* e = &InlineCacheTable[index];
    MethodRecord* m = lookupMethodForInvoke(receiver->clazz, e->method);
    if (m == nullptr) fatalNoSuchCachedMethod(index);
    e->method = m;
    InlineCacheReceiverClasses[index] = receiver->clazz;
    prepareForInvoke(m, &receiver);
    return m;
}

// The same for a cached interface call: only a public instance method will do.
static MethodRecord* relookupCachedInterface(int index, OBJECT receiver) {
    InlineCacheEntry* e = &InlineCacheTable[index];
    MethodRecord* m = lookupMethod(receiver->clazz, e->method->nt.nameTypeKey, Regs.fp->thisMethod->ofClass);
    if (m == nullptr || (m->accessFlags & (ACC_PUBLIC | ACC_STATIC)) != ACC_PUBLIC) fatalNoSuchCachedMethod(index);
    e->method = m;
    prepareForInvoke(m, &receiver);
    return m;
}

OBJECT instantiateRegistered(ClassRecord* clazz) {
    OBJECT o = instantiate(clazz);
    if (clazz->cleanup != nullptr) {
        int32_t savedRoots = TemporaryRootsLength;
        makeTemporaryRoot(&o);
        registerCleanup(&o, clazz->cleanup);
        TemporaryRootsLength = savedRoots;
    }
    return o;
}

static bool castAllowed(OBJECT o, ClassRecord* clazz) {
    return isSubclassOf(o->clazz, clazz) || isAssignableTo(o->clazz, clazz);
}

[[noreturn]] static void illegalBytecode(int opcode) {
    mvSprintf(MessageBuffer, MESSAGE_BUFFER_SIZE, "Illegal bytecode %ld", opcode);
    fatalError(MessageBuffer);
}

// The caller stores the value into the array afterwards: a test that succeeds has found
// the element class loaded, so nothing was allocated and neither object moved.
static bool arrayStoreAllowed(ArrayObject* array, OBJECT value) {
    ClassRecord* element = asArrayClass(array->clazz)->u.elemClass;
    uint32_t moves = HeapMoves;
    bool allowed = isSubclassOf(value->clazz, element) || isAssignableTo(value->clazz, element);
    VM_ASSERT(!allowed || HeapMoves == moves);
    return allowed;
}

#define SAVE_REGS() (Regs.ip = ip, Regs.sp = sp, Regs.timeSlice = slice)
#define LOAD_REGS() (ip = Regs.ip, sp = Regs.sp, lp = Regs.locals, cp = Regs.cp, slice = Regs.timeSlice)
#define DISPATCH() goto* dispatch[*ip]
#define NEXT(n)     \
    do {            \
        ip += (n);  \
        DISPATCH(); \
    } while (0)
// The reschedule check at every place that counts, so that each dispatches on its own
// rather than all through one shared jump.
#define RESCHEDULE()                  \
    do {                              \
        if (slice-- != 0) DISPATCH(); \
        goto sliceEnded;              \
    } while (0)
#define THROW(name)           \
    do {                      \
        SAVE_REGS();          \
        raiseException(name); \
    } while (0)
#define BRANCH_IF(cond)          \
    do {                         \
        if (cond) {              \
            ip += beS16(ip + 1); \
            RESCHEDULE();        \
        }                        \
        NEXT(3);                 \
    } while (0)
// Local operands of the combined instructions are byte offsets from locals.
#define LOCAL_AT(operand) (*(cell*)((char*)lp + ((operand)&0xFC)))
// Class check of the quick static forms: ready, or initialised by this very thread.
#define NEEDS_INIT(c) ((c)->status != CLASS_READY && ((c)->initThread == nullptr || (c)->initThread != CurrentThread))
#define INVOKE(m, r, n)       \
    do {                      \
        invokeMethod = (m);   \
        invokeReceiver = (r); \
        invokeLength = (n);   \
        goto invoke;          \
    } while (0)
#define ARRAY_AT(arrayCell, indexCell, array, index)           \
    ArrayObject* array = (ArrayObject*)(uintptr_t)(arrayCell); \
    int32_t index = (indexCell);                               \
    if (array == nullptr) THROW(NullPointerException);         \
    if ((uint32_t)index >= array->length) THROW(ArrayIndexOutOfBoundsException)

// The vectorizer pairs the stores of ip and sp into one 64-bit store, which moves both
// into a vector register and funnels every dispatch through one shared jump; without
// it ip and sp stay in registers and each instruction dispatches on its own.
__attribute__((optimize("no-tree-slp-vectorize"))) void Interpret() {
    // One entry per opcode, from the opcode table: its own label, or the slow path, or
    // the illegal-bytecode end.
#define DISPATCH_OPK_FAST(name) &&op_##name
#define DISPATCH_OPK_SLOW(name) &&op_slow
#define DISPATCH_OPK_ILLEGAL(name) &&op_illegal
#define DISPATCH_ENTRY(n, NAME, name, length, format, kind, stack) DISPATCH_##kind(name),
    static const void* const dispatch[256] = {FOR_EACH_OPCODE(DISPATCH_ENTRY)};
#undef DISPATCH_ENTRY
#undef DISPATCH_OPK_ILLEGAL
#undef DISPATCH_OPK_SLOW
#undef DISPATCH_OPK_FAST
    uint8_t* ip;
    cell* sp;
    cell* lp;
    CpEntry* cp;
    int32_t slice;
    ClassRecord* initClass;
    MethodRecord* invokeMethod;
    OBJECT invokeReceiver;
    int invokeLength;
    LOAD_REGS();

    RESCHEDULE();
sliceEnded:
    SAVE_REGS();
    for (;;) {
        if (AliveThreadCount < 1) return;
        CoreHooks.timeSliceHook();
        uint64_t delay = 0;
        checkTimerQueue(&delay);
        vmWaitForEvents(delay);
        if (SwitchThread()) break;
    }
    LOAD_REGS();
    DISPATCH();

op_nop:
    NEXT(1);
op_aconst_null:
    *++sp = 0;
    NEXT(1);
op_iconst_m1:
op_iconst_0:
op_iconst_1:
op_iconst_2:
op_iconst_3:
op_iconst_4:
op_iconst_5:
    *++sp = (cell)*ip - OP_ICONST_0;
    NEXT(1);
op_lconst_0:
op_lconst_1:
    storeTwoWords(sp + 1, *ip - OP_LCONST_0, 0);
    sp += 2;
    NEXT(1);
op_bipush:
    *++sp = (int8_t)ip[1];
    NEXT(2);
op_sipush:
    *++sp = beS16(ip + 1);
    NEXT(3);
op_ldc:
    *++sp = cp[ip[1]].i;
    NEXT(2);
op_ldc_w:
    *++sp = cp[be16(ip + 1)].i;
    NEXT(3);
op_ldc2_w : {
    uint16_t index = be16(ip + 1);
    storeTwoWords(sp + 1, cp[index + 1].i, cp[index].i);
    sp += 2;
    NEXT(3);
}
op_iload:
op_aload:
    *++sp = lp[ip[1]];
    NEXT(2);
op_lload:
    moveTwoWords(sp + 1, lp + ip[1]);
    sp += 2;
    NEXT(2);
op_iload_0:
op_iload_1:
op_iload_2:
op_iload_3:
    *++sp = lp[*ip - OP_ILOAD_0];
    NEXT(1);
op_lload_0:
op_lload_1:
op_lload_2:
op_lload_3 : {
    moveTwoWords(sp + 1, lp + (*ip - OP_LLOAD_0));
    sp += 2;
    NEXT(1);
}
op_aload_0:
op_aload_1:
op_aload_2:
op_aload_3:
    *++sp = lp[*ip - OP_ALOAD_0];
    NEXT(1);
op_iaload:
op_aaload : {
    ARRAY_AT(sp[-1], sp[0], a, i);
    *--sp = a->u.cdata[i];
    NEXT(1);
}
op_laload : {
    ARRAY_AT(sp[-1], sp[0], a, i);
    moveTwoWords(sp - 1, &a->u.cdata[2 * i]);
    NEXT(1);
}
op_baload : {
    ARRAY_AT(sp[-1], sp[0], a, i);
    *--sp = a->u.bdata[i];
    NEXT(1);
}
op_caload : {
    ARRAY_AT(sp[-1], sp[0], a, i);
    *--sp = a->u.sdata[i];
    NEXT(1);
}
op_saload : {
    ARRAY_AT(sp[-1], sp[0], a, i);
    *--sp = (int16_t)a->u.sdata[i];
    NEXT(1);
}
op_istore:
op_astore:
    lp[ip[1]] = *sp--;
    NEXT(2);
op_lstore:
    moveTwoWords(lp + ip[1], sp - 1);
    sp -= 2;
    NEXT(2);
op_istore_0:
op_istore_1:
op_istore_2:
op_istore_3:
    lp[*ip - OP_ISTORE_0] = *sp--;
    NEXT(1);
op_lstore_0:
op_lstore_1:
op_lstore_2:
op_lstore_3 : {
    moveTwoWords(lp + (*ip - OP_LSTORE_0), sp - 1);
    sp -= 2;
    NEXT(1);
}
op_astore_0:
op_astore_1:
op_astore_2:
op_astore_3:
    lp[*ip - OP_ASTORE_0] = *sp--;
    NEXT(1);
op_iastore : {
    ARRAY_AT(sp[-2], sp[-1], a, i);
    a->u.cdata[i] = sp[0];
    sp -= 3;
    NEXT(1);
}
op_lastore : {
    ARRAY_AT(sp[-3], sp[-2], a, i);
    moveTwoWords(&a->u.cdata[2 * i], sp - 1);
    sp -= 4;
    NEXT(1);
}
op_aastore : {
    ARRAY_AT(sp[-2], sp[-1], a, i);
    OBJECT value = (OBJECT)(uintptr_t)sp[0];
    sp -= 3;
    if (value != nullptr) {
        SAVE_REGS();
        bool allowed = arrayStoreAllowed(a, value);
        LOAD_REGS();
        if (!allowed) {
            sp += 3;
            THROW(ArrayStoreException);
        }
    }
    a->u.odata[i] = value;
    NEXT(1);
}
op_bastore : {
    ARRAY_AT(sp[-2], sp[-1], a, i);
    a->u.bdata[i] = (int8_t)sp[0];
    sp -= 3;
    NEXT(1);
}
op_castore:
op_sastore : {
    ARRAY_AT(sp[-2], sp[-1], a, i);
    a->u.sdata[i] = (uint16_t)sp[0];
    sp -= 3;
    NEXT(1);
}
op_pop:
    sp--;
    NEXT(1);
op_pop2:
    sp -= 2;
    NEXT(1);
op_dup:
    sp[1] = sp[0];
    sp++;
    NEXT(1);
op_dup_x1 : {
    cell a = sp[0], b = sp[-1];
    sp[-1] = a;
    sp[0] = b;
    sp[1] = a;
    sp++;
    NEXT(1);
}
op_dup_x2 : {
    cell a = sp[0], b = sp[-1], c = sp[-2];
    sp[-2] = a;
    sp[-1] = c;
    sp[0] = b;
    sp[1] = a;
    sp++;
    NEXT(1);
}
op_dup2:
    moveTwoWords(sp + 1, sp - 1);
    sp += 2;
    NEXT(1);
op_dup2_x1 : {
    cell a = sp[0], b = sp[-1], c = sp[-2];
    sp[-2] = b;
    sp[-1] = a;
    sp[0] = c;
    sp[1] = b;
    sp[2] = a;
    sp += 2;
    NEXT(1);
}
op_dup2_x2 : {
    cell a = sp[0], b = sp[-1], c = sp[-2], d = sp[-3];
    sp[-3] = b;
    sp[-2] = a;
    sp[-1] = d;
    sp[0] = c;
    sp[1] = b;
    sp[2] = a;
    sp += 2;
    NEXT(1);
}
op_swap : {
    cell a = sp[0];
    sp[0] = sp[-1];
    sp[-1] = a;
    NEXT(1);
}
op_iadd:
    sp[-1] += sp[0];
    sp--;
    NEXT(1);
op_ladd:
    setLong(sp - 3, getLong(sp - 3) + getLong(sp - 1));
    sp -= 2;
    NEXT(1);
op_isub:
    sp[-1] -= sp[0];
    sp--;
    NEXT(1);
op_lsub:
    setLong(sp - 3, getLong(sp - 3) - getLong(sp - 1));
    sp -= 2;
    NEXT(1);
op_imul:
    sp[-1] *= sp[0];
    sp--;
    NEXT(1);
op_lmul:
    setLong(sp - 3, getLong(sp - 3) * getLong(sp - 1));
    sp -= 2;
    NEXT(1);
op_idiv : {
    int32_t divisor = sp[0];
    if (divisor == 0) THROW(ArithmeticException);
    if (divisor != -1)
        sp[-1] /= divisor;
    else
        sp[-1] = (int32_t)(0u - (uint32_t)sp[-1]);
    sp--;
    NEXT(1);
}
op_irem : {
    int32_t divisor = sp[0];
    if (divisor == 0) THROW(ArithmeticException);
    sp[-1] = divisor == -1 ? 0 : sp[-1] % divisor;
    sp--;
    NEXT(1);
}
op_ldiv : {
    int64_t divisor = getLong(sp - 1);
    if (divisor == 0) THROW(ArithmeticException);
    int64_t dividend = getLong(sp - 3);
    // MIN / -1 overflows: the result wraps to MIN, as for idiv
    setLong(sp - 3, divisor == -1 ? (int64_t)(0ull - (uint64_t)dividend) : dividend / divisor);
    sp -= 2;
    NEXT(1);
}
op_lrem : {
    int64_t divisor = getLong(sp - 1);
    if (divisor == 0) THROW(ArithmeticException);
    setLong(sp - 3, divisor == -1 ? 0 : getLong(sp - 3) % divisor);
    sp -= 2;
    NEXT(1);
}
op_ineg:
    sp[0] = (int32_t)(0u - (uint32_t)sp[0]);
    NEXT(1);
op_lneg:
    setLong(sp - 1, (int64_t)(0ull - (uint64_t)getLong(sp - 1)));
    NEXT(1);
op_ishl:
    sp[-1] = (int32_t)((uint32_t)sp[-1] << (sp[0] & 31));
    sp--;
    NEXT(1);
op_lshl:
    setLong(sp - 2, (int64_t)((uint64_t)getLong(sp - 2) << (sp[0] & 63)));
    sp--;
    NEXT(1);
op_ishr:
    sp[-1] >>= (sp[0] & 31);
    sp--;
    NEXT(1);
op_lshr:
    setLong(sp - 2, getLong(sp - 2) >> (sp[0] & 63));
    sp--;
    NEXT(1);
op_iushr:
    sp[-1] = (int32_t)((uint32_t)sp[-1] >> (sp[0] & 31));
    sp--;
    NEXT(1);
op_lushr:
    setLong(sp - 2, (int64_t)((uint64_t)getLong(sp - 2) >> (sp[0] & 63)));
    sp--;
    NEXT(1);
op_iand:
    sp[-1] &= sp[0];
    sp--;
    NEXT(1);
op_land:
    sp[-3] &= sp[-1];
    sp[-2] &= sp[0];
    sp -= 2;
    NEXT(1);
op_ior:
    sp[-1] |= sp[0];
    sp--;
    NEXT(1);
op_lor:
    sp[-3] |= sp[-1];
    sp[-2] |= sp[0];
    sp -= 2;
    NEXT(1);
op_ixor:
    sp[-1] ^= sp[0];
    sp--;
    NEXT(1);
op_lxor:
    sp[-3] ^= sp[-1];
    sp[-2] ^= sp[0];
    sp -= 2;
    NEXT(1);
op_iinc:
    lp[ip[1]] += (int8_t)ip[2];
    NEXT(3);
op_i2l:
    sp++;
    setLong(sp - 1, (int64_t)sp[-1]);
    NEXT(1);
op_l2i:
    sp--;
    NEXT(1);
op_i2b:
    sp[0] = (int8_t)sp[0];
    NEXT(1);
op_i2c:
    sp[0] = (uint16_t)sp[0];
    NEXT(1);
op_i2s:
    sp[0] = (int16_t)sp[0];
    NEXT(1);
op_lcmp : {
    int64_t b = getLong(sp - 1), a = getLong(sp - 3);
    sp -= 3;
    sp[0] = a < b ? -1 : (a > b ? 1 : 0);
    NEXT(1);
}
op_ifeq:
    BRANCH_IF(*sp-- == 0);
op_ifne:
    BRANCH_IF(*sp-- != 0);
op_iflt:
    BRANCH_IF(*sp-- < 0);
op_ifge:
    BRANCH_IF(*sp-- >= 0);
op_ifgt:
    BRANCH_IF(*sp-- > 0);
op_ifle:
    BRANCH_IF(*sp-- <= 0);
op_if_icmpeq:
op_if_acmpeq:
    sp -= 2;
    BRANCH_IF(sp[1] == sp[2]);
op_if_icmpne:
op_if_acmpne:
    sp -= 2;
    BRANCH_IF(sp[1] != sp[2]);
op_if_icmplt:
    sp -= 2;
    BRANCH_IF(sp[1] < sp[2]);
op_if_icmpge:
    sp -= 2;
    BRANCH_IF(sp[1] >= sp[2]);
op_if_icmpgt:
    sp -= 2;
    BRANCH_IF(sp[1] > sp[2]);
op_if_icmple:
    sp -= 2;
    BRANCH_IF(sp[1] <= sp[2]);
op_ifnull:
    BRANCH_IF(*sp-- == 0);
op_ifnonnull:
    BRANCH_IF(*sp-- != 0);
op_goto:
    ip += beS16(ip + 1);
    RESCHEDULE();
op_goto_w:
    ip += beS32(ip + 1);
    RESCHEDULE();
op_tableswitch : {
    const uint8_t* base = (const uint8_t*)(((uintptr_t)ip + 4) & ~(uintptr_t)3);
    int32_t index = *sp--;
    int32_t low = beS32(base + 4), high = beS32(base + 8);
    if (index < low || index > high)
        ip += beS32(base);
    else
        ip += beS32(base + 12 + 4 * (index - low));
    RESCHEDULE();
}
op_lookupswitch : {
    const uint8_t* base = (const uint8_t*)(((uintptr_t)ip + 4) & ~(uintptr_t)3);
    int32_t key = *sp--;
    int32_t lo = 0, hi = beS32(base + 4) - 1;
    int32_t offset = beS32(base);
    while (lo <= hi) {
        int32_t mid = lo + (hi - lo) / 2;
        int32_t match = beS32(base + 8 + 8 * mid);
        if (key == match) {
            offset = beS32(base + 12 + 8 * mid);
            break;
        }
        if (key < match)
            hi = mid - 1;
        else
            lo = mid + 1;
    }
    ip += offset;
    RESCHEDULE();
}
op_ireturn:
op_freturn:
op_areturn:
op_lreturn:
op_dreturn : {
    FrameRecord* frame = Regs.fp;
    if ((uintptr_t)frame->syncObject > BOTTOM_FRAME_MARK) {
        SAVE_REGS();
        exitFrameMonitor(frame);
    }
    bool two = (*ip & 1) != 0;
    cell* result = two ? sp - 1 : sp;
    sp = frame->previousSp;
    ip = frame->previousIp;
    FrameRecord* caller = frame->previousFp;
    Regs.fp = caller;
    MethodRecord* m = caller->thisMethod;
    lp = Regs.locals = (cell*)caller - m->frameSize;
    cp = Regs.cp = constantPoolOf(m);
    if (two) {
        moveTwoWords(sp + 1, result);
        sp += 2;
    } else {
        *++sp = *result;
    }
    RESCHEDULE();
}
op_return : {
    FrameRecord* frame = Regs.fp;
    OBJECT sync = frame->syncObject;
    if ((uintptr_t)sync > BOTTOM_FRAME_MARK) {
        SAVE_REGS();
        exitFrameMonitor(frame);
    }
    if (isBottomFrame(frame)) {
        SAVE_REGS();
        stopThread();
        LOAD_REGS();
        if (AliveThreadCount > 0) RESCHEDULE();
        return;
    }
    sp = frame->previousSp;
    ip = frame->previousIp;
    FrameRecord* caller = frame->previousFp;
    Regs.fp = caller;
    MethodRecord* m = caller->thisMethod;
    lp = Regs.locals = (cell*)caller - m->frameSize;
    cp = Regs.cp = constantPoolOf(m);
    RESCHEDULE();
}
op_arraylength : {
    ArrayObject* a = (ArrayObject*)(uintptr_t)sp[0];
    if (a == nullptr) THROW(NullPointerException);
    sp[0] = (cell)a->length;
    NEXT(1);
}
op_athrow : {
    OBJECT e = (OBJECT)(uintptr_t)sp[0];
    if (e == nullptr) THROW(NullPointerException);
    sp--;
    SAVE_REGS();
    ReceiverCell = e;
    throwException(&ReceiverCell);
    ReceiverCell = nullptr;
    LOAD_REGS();
    RESCHEDULE();
}
op_monitorenter : {
    OBJECT o = (OBJECT)(uintptr_t)sp[0];
    if (o == nullptr) THROW(NullPointerException);
    sp--;
    ip++;
    SAVE_REGS();
    monitorEnter(o);
    LOAD_REGS();
    RESCHEDULE();
}
op_monitorexit : {
    OBJECT o = (OBJECT)(uintptr_t)sp[0];
    if (o == nullptr) THROW(NullPointerException);
    sp--;
    // ip stays on the instruction until the release succeeded, so that its own
    // handler range takes the exception of a thread that does not own the lock
    SAVE_REGS();
    const char* name = nullptr;
    if (monitorExit(o, &name) == MONITOR_NOT_OWNER) raiseException(name);
    LOAD_REGS();
    ip++;
    RESCHEDULE();
}
op_breakpoint:
    mvTraceLog_print(0, "Breakpoint\n");
    NEXT(1);

op_getfield_quick:
op_getfieldp_quick : {
    OBJECT o = (OBJECT)(uintptr_t)sp[0];
    if (o == nullptr) THROW(NullPointerException);
    sp[0] = o->data[beS16(ip + 1)];
    NEXT(3);
}
op_getfield2_quick : {
    OBJECT o = (OBJECT)(uintptr_t)sp[0];
    if (o == nullptr) THROW(NullPointerException);
    moveTwoWords(sp, &o->data[beS16(ip + 1)]);
    sp++;
    NEXT(3);
}
op_putfield_quick : {
    OBJECT o = (OBJECT)(uintptr_t)sp[-1];
    if (o == nullptr) THROW(NullPointerException);
    o->data[beS16(ip + 1)] = sp[0];
    sp -= 2;
    NEXT(3);
}
op_putfield2_quick : {
    OBJECT o = (OBJECT)(uintptr_t)sp[-2];
    if (o == nullptr) THROW(NullPointerException);
    moveTwoWords(&o->data[beS16(ip + 1)], sp - 1);
    sp -= 3;
    NEXT(3);
}
op_getstatic_quick:
op_getstaticp_quick : {
    FieldRecord* f = cp[be16(ip + 1)].field;
    if (NEEDS_INIT(f->ofClass)) {
        initClass = f->ofClass;
        goto initialize;
    }
    *++sp = f->u.staticAddress[0];
    NEXT(3);
}
op_getstatic2_quick : {
    FieldRecord* f = cp[be16(ip + 1)].field;
    if (NEEDS_INIT(f->ofClass)) {
        initClass = f->ofClass;
        goto initialize;
    }
    moveTwoWords(sp + 1, f->u.staticAddress);
    sp += 2;
    NEXT(3);
}
op_putstatic_quick : {
    FieldRecord* f = cp[be16(ip + 1)].field;
    if (NEEDS_INIT(f->ofClass)) {
        initClass = f->ofClass;
        goto initialize;
    }
    f->u.staticAddress[0] = *sp--;
    NEXT(3);
}
op_putstatic2_quick : {
    FieldRecord* f = cp[be16(ip + 1)].field;
    if (NEEDS_INIT(f->ofClass)) {
        initClass = f->ofClass;
        goto initialize;
    }
    moveTwoWords(f->u.staticAddress, sp - 1);
    sp -= 2;
    NEXT(3);
}
op_invokevirtual_cached : {
    int index = be16(ip + 1);
    MethodRecord* m = InlineCacheTable[index].method;
    OBJECT r = (OBJECT)(uintptr_t)sp[-(m->argCount - 1)];
    if (r == nullptr) THROW(NullPointerException);
    ClassRecord* rc = r->clazz;
    if (rc != m->ofClass && rc != InlineCacheReceiverClasses[index]) {
        SAVE_REGS();
        m = relookupCachedVirtual(index, r);
        LOAD_REGS();
        r = (OBJECT)(uintptr_t)sp[-(m->argCount - 1)];
    }
    INVOKE(m, r, 3);
}
op_invokespecial_quick : {
    MethodRecord* m = cp[be16(ip + 1)].method;
    OBJECT r = (OBJECT)(uintptr_t)sp[-(m->argCount - 1)];
    if (r == nullptr) THROW(NullPointerException);
    INVOKE(m, r, 3);
}
op_invokestatic_quick : {
    MethodRecord* m = cp[be16(ip + 1)].method;
    if (NEEDS_INIT(m->ofClass)) {
        initClass = m->ofClass;
        goto initialize;
    }
    INVOKE(m, (OBJECT)m->ofClass, 3);
}
op_invokeinterface_cached : {
    int index = be16(ip + 1);
    MethodRecord* m = InlineCacheTable[index].method;
    int words = ip[3];
    OBJECT r = (OBJECT)(uintptr_t)sp[-(words - 1)];
    if (r == nullptr) THROW(NullPointerException);
    if (r->clazz != m->ofClass) {
        SAVE_REGS();
        m = relookupCachedInterface(index, r);
        LOAD_REGS();
        r = (OBJECT)(uintptr_t)sp[-(words - 1)];
    }
    INVOKE(m, r, 5);
}
op_new_quick : {
    ClassRecord* c = cp[be16(ip + 1)].clazz;
    if (NEEDS_INIT(c)) {
        initClass = c;
        goto initialize;
    }
    SAVE_REGS();
    OBJECT o = instantiateRegistered(c);
    LOAD_REGS();
    *++sp = p32Cell(o);
    NEXT(3);
}
op_anewarray_quick : {
    ArrayClassRecord* ac = (ArrayClassRecord*)InlineCacheTable[be16(ip + 1)].method;
    SAVE_REGS();
    ArrayObject* a = instantiateArray(ac, sp[0]);
    LOAD_REGS();
    sp[0] = p32Cell(a);
    NEXT(3);
}
op_multianewarray_quick : {
    ArrayClassRecord* ac = asArrayClass(cp[be16(ip + 1)].clazz);
    int d = ip[3];
    SAVE_REGS();
    ArrayObject* a = instantiateMultiArray(ac, sp - d + 1, d);
    LOAD_REGS();
    sp -= d;
    *++sp = p32Cell(a);
    NEXT(4);
}
op_checkcast_quick : {
    OBJECT o = (OBJECT)(uintptr_t)sp[0];
    if (o != nullptr) {
        ClassRecord* c = cp[be16(ip + 1)].clazz;
        SAVE_REGS();
        bool allowed = castAllowed(o, c);
        LOAD_REGS();
        if (!allowed) THROW(ClassCastException);
    }
    NEXT(3);
}
op_instanceof_quick : {
    OBJECT o = (OBJECT)(uintptr_t)sp[0];
    if (o != nullptr) {
        ClassRecord* c = cp[be16(ip + 1)].clazz;
        SAVE_REGS();
        bool is = castAllowed(o, c);
        LOAD_REGS();
        sp[0] = is ? 1 : 0;
    }
    NEXT(3);
}

op_iaload_local:
op_aaload_local : {
    ARRAY_AT(sp[0], LOCAL_AT(ip[1]), a, i);
    sp[0] = a->u.cdata[i];
    NEXT(2);
}
op_iaload_locals:
op_aaload_locals : {
    ARRAY_AT(LOCAL_AT(ip[1]), LOCAL_AT(ip[2]), a, i);
    *++sp = a->u.cdata[i];
    NEXT(3);
}
op_iconst0_store:
    LOCAL_AT(ip[1]) = 0;
    NEXT(2);
op_iconst1_store:
    LOCAL_AT(ip[1]) = 1;
    NEXT(2);
op_iadd_local:
    sp[0] += LOCAL_AT(ip[1]);
    NEXT(2);
op_iadd_const:
    sp[0] += (int8_t)ip[1];
    NEXT(2);
op_isub_local:
    sp[0] -= LOCAL_AT(ip[1]);
    NEXT(2);
op_isub_const:
    sp[0] -= (int8_t)ip[1];
    NEXT(2);
op_getfield_local0:
op_getfieldp_local0:
    *++sp = ((OBJECT)(uintptr_t)lp[0])->data[ip[2]];
    NEXT(3);
op_putfield_local0:
    ((OBJECT)(uintptr_t)lp[0])->data[ip[3]] = LOCAL_AT(ip[1]);
    NEXT(4);
op_filler:
    NEXT(2);

#define BRANCH_LOCAL_IF(cond)        \
    do {                             \
        int32_t a = LOCAL_AT(ip[1]); \
        if (cond) {                  \
            ip += 1 + beS16(ip + 2); \
            RESCHEDULE();            \
        }                            \
        NEXT(4);                     \
    } while (0)
op_ifeq_local:
    BRANCH_LOCAL_IF(a == 0);
op_ifne_local:
    BRANCH_LOCAL_IF(a != 0);
op_iflt_local:
    BRANCH_LOCAL_IF(a < 0);
op_ifge_local:
    BRANCH_LOCAL_IF(a >= 0);
op_ifgt_local:
    BRANCH_LOCAL_IF(a > 0);
op_ifle_local:
    BRANCH_LOCAL_IF(a <= 0);
#undef BRANCH_LOCAL_IF

#define BRANCH_PAIR_IF(second, cond) \
    do {                             \
        int32_t a = LOCAL_AT(ip[1]); \
        int32_t b = (second);        \
        if (cond) {                  \
            ip += 2 + beS16(ip + 3); \
            RESCHEDULE();            \
        }                            \
        NEXT(5);                     \
    } while (0)
op_if_icmpeq_locals:
    BRANCH_PAIR_IF(LOCAL_AT(ip[2]), a == b);
op_if_icmpne_locals:
    BRANCH_PAIR_IF(LOCAL_AT(ip[2]), a != b);
op_if_icmplt_locals:
    BRANCH_PAIR_IF(LOCAL_AT(ip[2]), a < b);
op_if_icmpge_locals:
    BRANCH_PAIR_IF(LOCAL_AT(ip[2]), a >= b);
op_if_icmpgt_locals:
    BRANCH_PAIR_IF(LOCAL_AT(ip[2]), a > b);
op_if_icmple_locals:
    BRANCH_PAIR_IF(LOCAL_AT(ip[2]), a <= b);
op_if_icmpeq_const:
    BRANCH_PAIR_IF((int8_t)ip[2], a == b);
op_if_icmpne_const:
    BRANCH_PAIR_IF((int8_t)ip[2], a != b);
op_if_icmplt_const:
    BRANCH_PAIR_IF((int8_t)ip[2], a < b);
op_if_icmpge_const:
    BRANCH_PAIR_IF((int8_t)ip[2], a >= b);
op_if_icmpgt_const:
    BRANCH_PAIR_IF((int8_t)ip[2], a > b);
op_if_icmple_const:
    BRANCH_PAIR_IF((int8_t)ip[2], a <= b);
#undef BRANCH_PAIR_IF

// Float and double work runs here, but each instruction still goes to the reschedule
// check afterwards, as when it was handed to the slow path, so time slices end where
// they always did.
#define FLOATING(opcode)                                \
    do {                                                \
        int length;                                     \
        sp = floatingStep(opcode, ip, sp, lp, &length); \
        ip += length;                                   \
        RESCHEDULE();                                   \
    } while (0)
op_fconst_0:
    FLOATING(OP_FCONST_0);
op_fconst_1:
    FLOATING(OP_FCONST_1);
op_fconst_2:
    FLOATING(OP_FCONST_2);
op_dconst_0:
    FLOATING(OP_DCONST_0);
op_dconst_1:
    FLOATING(OP_DCONST_1);
op_fload:
    FLOATING(OP_FLOAD);
op_dload:
    FLOATING(OP_DLOAD);
op_fload_0:
    FLOATING(OP_FLOAD_0);
op_fload_1:
    FLOATING(OP_FLOAD_1);
op_fload_2:
    FLOATING(OP_FLOAD_2);
op_fload_3:
    FLOATING(OP_FLOAD_3);
op_dload_0:
    FLOATING(OP_DLOAD_0);
op_dload_1:
    FLOATING(OP_DLOAD_1);
op_dload_2:
    FLOATING(OP_DLOAD_2);
op_dload_3:
    FLOATING(OP_DLOAD_3);
op_fstore:
    FLOATING(OP_FSTORE);
op_dstore:
    FLOATING(OP_DSTORE);
op_fstore_0:
    FLOATING(OP_FSTORE_0);
op_fstore_1:
    FLOATING(OP_FSTORE_1);
op_fstore_2:
    FLOATING(OP_FSTORE_2);
op_fstore_3:
    FLOATING(OP_FSTORE_3);
op_dstore_0:
    FLOATING(OP_DSTORE_0);
op_dstore_1:
    FLOATING(OP_DSTORE_1);
op_dstore_2:
    FLOATING(OP_DSTORE_2);
op_dstore_3:
    FLOATING(OP_DSTORE_3);
op_fadd:
    FLOATING(OP_FADD);
op_dadd:
    FLOATING(OP_DADD);
op_fsub:
    FLOATING(OP_FSUB);
op_dsub:
    FLOATING(OP_DSUB);
op_fmul:
    FLOATING(OP_FMUL);
op_dmul:
    FLOATING(OP_DMUL);
op_fdiv:
    FLOATING(OP_FDIV);
op_ddiv:
    FLOATING(OP_DDIV);
op_frem:
    FLOATING(OP_FREM);
op_drem:
    FLOATING(OP_DREM);
op_fneg:
    FLOATING(OP_FNEG);
op_dneg:
    FLOATING(OP_DNEG);
op_i2f:
    FLOATING(OP_I2F);
op_i2d:
    FLOATING(OP_I2D);
op_l2f:
    FLOATING(OP_L2F);
op_l2d:
    FLOATING(OP_L2D);
op_f2i:
    FLOATING(OP_F2I);
op_f2l:
    FLOATING(OP_F2L);
op_f2d:
    FLOATING(OP_F2D);
op_d2i:
    FLOATING(OP_D2I);
op_d2l:
    FLOATING(OP_D2L);
op_d2f:
    FLOATING(OP_D2F);
op_fcmpl:
    FLOATING(OP_FCMPL);
op_fcmpg:
    FLOATING(OP_FCMPG);
op_dcmpl:
    FLOATING(OP_DCMPL);
op_dcmpg:
    FLOATING(OP_DCMPG);
#undef FLOATING
op_faload : {
    ARRAY_AT(sp[-1], sp[0], a, i);
    *--sp = a->u.cdata[i];
    ip++;
    RESCHEDULE();
}
op_daload : {
    ARRAY_AT(sp[-1], sp[0], a, i);
    moveTwoWords(sp - 1, &a->u.cdata[2 * i]);
    ip++;
    RESCHEDULE();
}
op_fastore : {
    ARRAY_AT(sp[-2], sp[-1], a, i);
    a->u.cdata[i] = sp[0];
    sp -= 3;
    ip++;
    RESCHEDULE();
}
op_dastore : {
    ARRAY_AT(sp[-3], sp[-2], a, i);
    moveTwoWords(&a->u.cdata[2 * i], sp - 1);
    sp -= 4;
    ip++;
    RESCHEDULE();
}

invoke:
    // The common call, a plain Java method whose frame fits in the current chunk, is
    // pushed here as pushFrame would push it; everything else takes the general road.
    if (!(invokeMethod->accessFlags & (ACC_NATIVE | ACC_ABSTRACT | ACC_SYNCHRONIZED))) {
        MethodRecord* m = invokeMethod;
        FrameRecord* caller = Regs.fp;
        StackChunk* chunk = caller->stack;
        int a = m->argCount;
        int f = m->frameSize;
        if ((sp - chunk->data) + (f - a) + m->maxStack + SIZEOF_FRAME_WORDS < (int16_t)chunk->size) {
            cell* locals = sp - a + 1;
            FrameRecord* frame = (FrameRecord*)(locals + f);
            frame->previousFp = caller;
            frame->previousIp = ip + invokeLength;
            frame->previousSp = sp - a;
            frame->thisMethod = m;
            frame->stack = chunk;
            frame->syncObject = nullptr;
            Regs.fp = frame;
            lp = Regs.locals = locals;
            sp = (cell*)&frame->syncObject;
            ip = m->u.code;
            cp = Regs.cp = constantPoolOf(m);
            RESCHEDULE();
        }
    }
    SAVE_REGS();
    invokeMethodFromRegisters(invokeMethod, invokeReceiver, invokeLength);
    LOAD_REGS();
    RESCHEDULE();

initialize:
    // the instruction runs again once the initialiser has returned
    SAVE_REGS();
    initializeClass(initClass);
    LOAD_REGS();
    RESCHEDULE();

op_slow:
    SAVE_REGS();
    SlowInterpret(*ip);
    LOAD_REGS();
    RESCHEDULE();

op_illegal:
    SAVE_REGS();
    illegalBytecode(*ip);
}

void interpretEntry() {
    for (;;) {
        CurrentNativeMethod = nullptr;
        CollectionSuppressed = 0;
        jmp_buf buffer;
        CatchFrame frame;
        pushCatchFrame(&frame, &buffer);
        if (setjmp(buffer) == 0) {
            ReceiverCell = nullptr;
            int32_t savedRoots = TemporaryRootsLength;
            makeTemporaryRoot(&ReceiverCell);
            Interpret();
            TemporaryRootsLength = savedRoots;
            popCatchFrame(&frame);
            return;
        }
        popCatchFrame(&frame);
        OBJECT exception = frame.throwable;
        int32_t savedRoots = TemporaryRootsLength;
        makeTemporaryRoot(&exception);
        CollectionSuppressed = 0;
        throwException(&exception);
        TemporaryRootsLength = savedRoots;
    }
}

void vmWaitForEvents(uint64_t delay) {
    if (CoreHooks.isStopRequested()) CoreHooks.abortRun();
    bool forever = false;
    if (CurrentThread != nullptr || RunnableThreads != nullptr)
        delay = 0;
    else if (delay == 0)
        forever = true;
    if (CoreHooks.pendingEventTotal() < 1 && delay == 0 && !forever) return;
    MkLockEvents();
    bool sleep;
    if (CoreHooks.threadsWaitingForEvents() > 0) {
        sleep = CoreHooks.pendingEventTotal() < 1 || !CoreHooks.wakeEventThreads();
    } else {
        sleep = CoreHooks.pendingEventTotal() < 1;
    }
    bool pendingVmEvents = sleep && CoreHooks.hasPendingVmEvents();
    if (sleep && !pendingVmEvents) CoreHooks.clearWake();
    MkUnlockEvents();
    if (!sleep) return;
    // process events kept back (the queue was full, or the VM was suspending) go out now
    // rather than keeping the wake-up event set for nothing
    if (pendingVmEvents && CoreHooks.resendPendingVmEvents()) return;
    // a stop given after the first check set the wake-up event that was just reset
    if (CoreHooks.isStopRequested()) CoreHooks.abortRun();
    uint32_t timeout = forever ? 0x7FFFFFFFu : (uint32_t)delay;
    if (timeout == 0) return;
    if (MkEventWait(timeout) == 0) {
        MkLockEvents();
        CoreHooks.wakeEventThreads();
        MkUnlockEvents();
    }
}
