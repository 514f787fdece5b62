// Test support for threads and monitors: the Thread and Object natives bound as static
// natives of a class "TN" (a receiver becomes the first argument), the exception
// classes they raise, and probes of lock state for assertions made from Java code.
#pragma once

#include <string>

#include "support/vmasm.h"
#include "vm/core/monitor.h"

namespace threadtest {

using namespace vmasm;

inline void raisePending(ThreadRecord* t) {
    const char* name = t->pendingException;
    t->pendingException = nullptr;
    raiseException(name);
}

// TN.sleep(J)V
inline void nSleep() {
    int32_t high = popInt();
    uint32_t low = (uint32_t)popInt();
    if (high < 0) raiseException("java/lang/IllegalArgumentException");
    ThreadRecord* t = CurrentThread;
    if (t->isPendingInterrupt) {
        handlePendingInterrupt();
        raisePending(t);
    }
    if (high > 0 || low > 0) {
        suspendThread();
        registerAlarm(t, low, high, resumeThread);
    } else {
        Regs.timeSlice = 0;
    }
}

// TN.wait(Ljava/lang/Object;J)V
inline void nWait() {
    int32_t high = popInt();
    uint32_t low = (uint32_t)popInt();
    OBJECT o = (OBJECT)(uintptr_t)popInt();
    if (high < 0) raiseException("java/lang/IllegalArgumentException");
    monitorWait(o, low, high);
    ThreadRecord* t = CurrentThread;
    if (t != nullptr && t->pendingException != nullptr) raisePending(t);
}

// TN.notify(Ljava/lang/Object;)V, TN.notifyAll(Ljava/lang/Object;)V
inline void nNotify() { monitorNotify((OBJECT)(uintptr_t)popInt(), 0); }
inline void nNotifyAll() { monitorNotify((OBJECT)(uintptr_t)popInt(), 1); }

// TN.start(Ljava/lang/Thread;)V
inline void nStart() {
    OBJECT thread = (OBJECT)(uintptr_t)popInt();
    OBJECT target = nullptr;
    ThreadRecord* record = nullptr;
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&thread);
    makeTemporaryRoot(&target);
    makeTemporaryRoot(&record);
    record = getVMthread(&thread);
    target = (OBJECT)(uintptr_t)thread->data[THREAD_TARGET_SLOT];
    if (target == nullptr) target = thread;
    if (record->state != THREAD_JUST_BORN) raiseException("java/lang/IllegalThreadStateException");
    MethodRecord* run = lookupMethod(target->clazz, runNameAndType, nullptr);
    if (run == nullptr) raiseException("java/lang/Error");
    initThreadBehavior(record, run, target);
    startThread(record);
    resumeThread(record);
    TemporaryRootsLength = savedRoots;
}

inline ThreadRecord* recordOf(OBJECT thread) { return (ThreadRecord*)(uintptr_t)thread->data[THREAD_RECORD_SLOT]; }

// TN.interrupt(Ljava/lang/Thread;)V
inline void nInterrupt() {
    ThreadRecord* t = recordOf((OBJECT)(uintptr_t)popInt());
    if (t != nullptr && t->state != THREAD_JUST_BORN && t->state != THREAD_DEAD) interruptThread(t);
}

// TN.isAlive(Ljava/lang/Thread;)Z
inline void nIsAlive() { pushInt(isActivated(recordOf((OBJECT)(uintptr_t)popInt())) ? 1 : 0); }

// TN.yield()V
inline void nYield() {
    requestYield();
    Regs.timeSlice = 0;
}

// TN.millis()J: the VM clock
inline void nMillis() {
    int64_t now = vmCurrentTime();
    pushInt((int32_t)now);
    pushInt((int32_t)(now >> 32));
}

// TN.depth(Ljava/lang/Object;)I: how often the current thread holds the object's lock
inline void nDepth() {
    OBJECT o = (OBJECT)(uintptr_t)popInt();
    uint32_t word = o->monitor;
    ThreadRecord* t = CurrentThread;
    int32_t depth = 0;
    switch (word & LOCK_STATE_MASK) {
        case LOCK_SIMPLE:
            depth = lockOwner(word) == t ? 1 : 0;
            break;
        case LOCK_EXTENDED:
            depth = lockOwner(word) == t ? t->extendedLockDepth : 0;
            break;
        case LOCK_INFLATED:
            depth = lockMonitor(word)->owner == t ? lockMonitor(word)->depth : 0;
            break;
    }
    pushInt(depth);
}

// TN.lockState(Ljava/lang/Object;)I
inline void nLockState() { pushInt((int32_t)(((OBJECT)(uintptr_t)popInt())->monitor & LOCK_STATE_MASK)); }

// The natives class, the exception classes they raise, and a Thread subclass per name.
inline ClassSpec& addThreadSupport(Vm& vm) {
    vm.cls("java/lang/InterruptedException", "java/lang/Exception");
    vm.cls("java/lang/IllegalArgumentException", "java/lang/RuntimeException");
    vm.cls("java/lang/IllegalThreadStateException", "java/lang/IllegalArgumentException");
    ClassSpec& tn = vm.cls("TN");
    tn.nativeMethod("sleep", "(J)V", ACC_STATIC, nSleep);
    tn.nativeMethod("wait", "(Ljava/lang/Object;J)V", ACC_STATIC, nWait);
    tn.nativeMethod("notify", "(Ljava/lang/Object;)V", ACC_STATIC, nNotify);
    tn.nativeMethod("notifyAll", "(Ljava/lang/Object;)V", ACC_STATIC, nNotifyAll);
    tn.nativeMethod("start", "(Ljava/lang/Thread;)V", ACC_STATIC, nStart);
    tn.nativeMethod("interrupt", "(Ljava/lang/Thread;)V", ACC_STATIC, nInterrupt);
    tn.nativeMethod("isAlive", "(Ljava/lang/Thread;)Z", ACC_STATIC, nIsAlive);
    tn.nativeMethod("yield", "()V", ACC_STATIC, nYield);
    tn.nativeMethod("millis", "()J", ACC_STATIC, nMillis);
    tn.nativeMethod("depth", "(Ljava/lang/Object;)I", ACC_STATIC, nDepth);
    tn.nativeMethod("lockState", "(Ljava/lang/Object;)I", ACC_STATIC, nLockState);
    return tn;
}

// Code helpers for the TN natives.
inline Code& sleepMs(Code& c, int64_t ms) { return c.ldc2Long(ms).invokestatic("TN", "sleep", "(J)V"); }
inline Code& waitOn(Code& c, int64_t ms) { return c.ldc2Long(ms).invokestatic("TN", "wait", "(Ljava/lang/Object;J)V"); }
inline Code& millis(Code& c) { return c.invokestatic("TN", "millis", "()J"); }

}  // namespace threadtest
