// Natives of java/lang/Thread and PrioritySchedule over the green threads of the VM
// core. The scheduling-word natives change only their own bits.
#include "natives/lib/thread_natives.h"

#include "vm/core/exceptions.h"
#include "vm/core/heap.h"
#include "vm/core/interp.h"
#include "vm/core/resolve.h"
#include "vm/core/romimage.h"
#include "vm/core/thread.h"
#include "vm/trace/tracelog.h"

static inline OBJECT popObject() { return p32Ptr<Instance>(*Regs.sp--); }
static inline void pushWord(cell value) { *++Regs.sp = value; }

static inline ThreadRecord* recordOf(OBJECT javaThread) {
    return p32Ptr<ThreadRecord>(javaThread->data[THREAD_RECORD_SLOT]);
}

[[noreturn]] static void raisePendingException(ThreadRecord* thread) {
    const char* name = thread->pendingException;
    thread->pendingException = nullptr;
    raiseException(name);
}

void Java_java_lang_Thread_activeCount() { pushWord(activeThreadCount()); }

void Java_java_lang_Thread_currentThread() { pushWord(p32Cell(CurrentThread->javaThread)); }

void Java_java_lang_Thread_yield() {
    requestYield();
    Regs.timeSlice = 0;
}

void Java_java_lang_Thread_sleep0() {
    int32_t high = *Regs.sp--;
    uint32_t low = (uint32_t)*Regs.sp--;
    if (high < 0) raiseException("java/lang/IllegalArgumentException");
    ThreadRecord* thread = CurrentThread;
    if (thread->isPendingInterrupt) {
        handlePendingInterrupt();
        if (thread->pendingException != nullptr) raisePendingException(thread);
        return;
    }
    if (high > 0 || low > 0) {
        suspendThread();
        registerAlarm(thread, low, high, resumeThread);
    } else {
        Regs.timeSlice = 0;
    }
}

void Java_java_lang_Thread_nativeStart() {
    OBJECT javaThread = popObject();
    OBJECT target = nullptr;
    ThreadRecord* thread = nullptr;
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&javaThread);
    makeTemporaryRoot(&target);
    makeTemporaryRoot(&thread);
    thread = getVMthread(&javaThread);
    target = p32Ptr<Instance>(javaThread->data[THREAD_TARGET_SLOT]);
    if (target == nullptr) target = javaThread;
    if (thread->state != THREAD_JUST_BORN) raiseException("java/lang/IllegalThreadStateException");
    MethodRecord* run = lookupMethod(target->clazz, runNameAndType, nullptr);
    if (run == nullptr) raiseException("java/lang/Error");
    initThreadBehavior(thread, run, target);
    startThread(thread);
    resumeThread(thread);
    TemporaryRootsLength = savedRoots;
}

void Java_java_lang_Thread_isAlive() {
    OBJECT javaThread = popObject();
    pushWord(isActivated(recordOf(javaThread)) ? 1 : 0);
}

void Java_java_lang_Thread_setPriority0() {
    int32_t priority = *Regs.sp--;
    OBJECT javaThread = popObject();
    if (priority < 1) priority = 1;
    if (priority > 10) priority = 10;
    javaThread->data[THREAD_PRIORITY_SLOT] = priority;
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&javaThread);
    getVMthread(&javaThread)->timeslice = priority * DEFAULT_TIME_SLICE;
    TemporaryRootsLength = savedRoots;
}

void Java_java_lang_Thread_interrupt0() {
    ThreadRecord* thread = recordOf(popObject());
    // A thread never started has no record yet and is new.
    if (thread == nullptr || thread->state == THREAD_JUST_BORN || thread->state == THREAD_DEAD) return;
    interruptThread(thread);
}

static inline int noSwitchCount(uint32_t scheduling) {
    return (int)((scheduling & SCHED_NOSWITCH_MASK) >> SCHED_NOSWITCH_SHIFT);
}

static inline void setNoSwitchCount(ThreadRecord* thread, int count) {
    thread->scheduling =
        (thread->scheduling & ~(uint32_t)SCHED_NOSWITCH_MASK) | ((uint32_t)count << SCHED_NOSWITCH_SHIFT);
}

void Java_com_movane_micro_thread_PrioritySchedule_disableSwitchThread() {
    ThreadRecord* thread = CurrentThread;
    int count = noSwitchCount(thread->scheduling) + 1;
    if (count > 7) {
        mvTraceLog_warning("Warning!! [scheduler] disableSwitchThread(): lock count over.\n");
        return;
    }
    setNoSwitchCount(thread, count);
}

void Java_com_movane_micro_thread_PrioritySchedule_enableSwitchThread() {
    ThreadRecord* thread = CurrentThread;
    int count = noSwitchCount(thread->scheduling) - 1;
    if (count < 0)
        mvTraceLog_warning("[scheduler] Warning!! enableSwitchThread(): lock count < 0.\n");
    else
        setNoSwitchCount(thread, count);
    // A switch refused while the count was up happens now.
    if (thread->scheduling & SCHED_KEPT_RUNNING) Regs.timeSlice = 0;
}

void Java_com_movane_micro_thread_PrioritySchedule_setDispatchPriority() {
    int32_t priority = *Regs.sp--;
    if (priority < 0 || priority > 6) {
        mvTraceLog_warning("[scheduler] Warning!! setDispatchPriority() : illegal argument %d.\n", priority);
        return;
    }
    ThreadRecord* thread = CurrentThread;
    thread->scheduling = (thread->scheduling & ~(uint32_t)SCHED_PRIORITY_MASK) | (uint32_t)priority;
}

void Java_com_movane_micro_thread_PrioritySchedule_getDispatchPriority() {
    pushWord((cell)(CurrentThread->scheduling & SCHED_PRIORITY_MASK));
}
