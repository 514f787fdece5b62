// Green threads: thread records, the main thread, thread queues, the switch, the
// timer queue and interrupts. Thread queues are circular lists linked through
// nextThread; a queue word points at the last thread, whose link is the first. The
// timer queue is a plain list through nextAlarmThread in ascending wake-up time.
#include "vm/core/thread.h"

#include <setjmp.h>

#include "vm/core/classes.h"
#include "vm/core/exceptions.h"
#include "vm/core/frames.h"
#include "vm/core/heap.h"
#include "vm/core/interp.h"
#include "vm/core/monitor.h"
#include "vm/core/native.h"
#include "vm/core/romimage.h"

VMBSS ThreadRecord* MainThread;
VMBSS ThreadRecord* CurrentThread;
VMBSS P32<ThreadRecord> RunnableThreads;
VMBSS P32<ThreadRecord> TimerQueue;
VMBSS P32<ThreadRecord> AllThreads;
VMBSS bool MainMethodMissing;
VMBSS int32_t AliveThreadCount;
VMBSS MonitorRecord* FreeMonitorList;

const char InterruptedException[] = "java/lang/InterruptedException";

ThreadRecord* BuildThread(OBJECT* javaThreadCell) {
    int32_t savedRoots = TemporaryRootsLength;
    ThreadRecord* thread = (ThreadRecord*)callocObject(THREAD_RECORD_WORDS, GCT_THREAD);
    makeTemporaryRoot(&thread);
    StackChunk* chunk = (StackChunk*)callocObject(STACK_CHUNK_WORDS, GCT_EXECSTACK);
    TemporaryRootsLength = savedRoots;
    chunk->size = STACK_CHUNK_WORDS - 2;
    thread->stack = chunk;
    thread->timeslice = DEFAULT_TIME_SLICE;
    thread->javaThread = *javaThreadCell;
    (*javaThreadCell)->data[THREAD_RECORD_SLOT] = p32Cell(thread);
    thread->state = THREAD_JUST_BORN;
    thread->scheduling = 3;
    thread->nextAliveThread = AllThreads;
    AllThreads = thread;
    return thread;
}

// Runs on the main thread's first frame: replaces it with the frame of main.
static void startMainThread(FrameRecord* exceptionFrame) {
    if (exceptionFrame != nullptr) return;
    cell* stack = (cell*)(Regs.fp + 1);
    ClassRecord* mainClass = (ClassRecord*)(uintptr_t)stack[1];
    cell arguments = stack[2];
    MethodRecord* main = getSpecialMethod(mainClass, mainNameAndType);
    if (main == nullptr) {
        vmAlert("Class does not contain 'main' function");
        MainMethodMissing = true;
        stopThread();
        return;
    }
    StackChunk* chunk = CurrentThread->stack;
    Regs.fp = nullptr;
    Regs.ip = bottomFrameIp();
    Regs.sp = (cell*)&chunk->size + main->argCount;
    Regs.sp[0] = arguments;
    // a main of the class image is prepared already, and its record is read-only
    if (!(main->accessFlags & ACC_PREPARED)) main->accessFlags |= ACC_PREPARED;
    pushFrame(main);
    // The bottom frame of every thread carries a synchronisation slot, so that its
    // return ends the thread instead of popping into no frame.
    if (main->accessFlags & ACC_SYNCHRONIZED) {
        Regs.fp->syncObject = (OBJECT)mainClass;
        monitorEnter((OBJECT)mainClass);
    } else {
        Regs.fp->syncObject = bottomFrameWithoutMonitor();
    }
}

void InitializeThreading(ClassRecord* mainClass, ArrayObject* arguments) {
    int32_t savedRoots = TemporaryRootsLength;
    OBJECT javaThread = nullptr;
    makeTemporaryRoot(&arguments);
    makeTemporaryRoot(&javaThread);
    javaThread = instantiate(JavaLangThread);
    javaThread->data[THREAD_PRIORITY_SLOT] = 5;
    OBJECT name = (OBJECT)instantiateStringFromUtf("Thread-0", 8);
    javaThread->data[THREAD_NAME_SLOT] = p32Cell(name);
    makeGlobalRoot(&MainThread);
    makeGlobalRoot(&CurrentThread);
    makeGlobalRoot(&RunnableThreads);
    makeGlobalRoot(&TimerQueue);
    MainThread = nullptr;
    FreeMonitorList = nullptr;
    ThreadRecord* thread = BuildThread(&javaThread);
    thread->nextThread = nullptr;
    AliveThreadCount = 1;
    Regs.timeSlice = DEFAULT_TIME_SLICE;
    thread->state = THREAD_ACTIVE;
    CurrentThread = thread;
    MainThread = thread;
    RunnableThreads = nullptr;
    TimerQueue = nullptr;
    Regs.sp = (cell*)&thread->stack->size;
    Regs.fp = nullptr;
    Regs.ip = bottomFrameIp();
    pushFrame(RunCustomCodeMethod);
    *++Regs.sp = (cell)p32Function((const void*)&startMainThread);
    *++Regs.sp = p32Cell(mainClass);
    *++Regs.sp = p32Cell(arguments);
    TemporaryRootsLength = savedRoots;
    initializeClass(mainClass);
}

void startThread(ThreadRecord* thread) {
    thread->state = THREAD_SUSPENDED;
    AliveThreadCount++;
}

void resumeThread(ThreadRecord* thread) {
    if (!(thread->state & THREAD_SUSPENDED)) fatalError("Attempting to resume a non-suspended thread");
    if (thread == CurrentThread) fatalError("Attempting to resume current thread");
    thread->state = THREAD_ACTIVE;
    addThreadToQueue(thread);
}

void suspendThread() {
    ThreadRecord* thread = CurrentThread;
    if (thread == nullptr) return;
    if (!(thread->state & THREAD_SUSPENDED)) {
        storeExecutionEnvironment(thread);
        Regs.timeSlice = 0;
    }
    thread->state |= THREAD_SUSPENDED;
    CurrentThread = nullptr;
}

void removePendingAlarm(ThreadRecord* thread) {
    for (P32<ThreadRecord>* link = &TimerQueue; *link != nullptr; link = &(*link)->nextAlarmThread) {
        if (*link == thread) {
            *link = thread->nextAlarmThread;
            break;
        }
    }
    thread->nextAlarmThread = nullptr;
    thread->wakeupCall = nullptr;
}

void dismantleThread(ThreadRecord* thread) {
    thread->state = THREAD_DEAD;
    for (P32<ThreadRecord>* link = &AllThreads; *link != nullptr; link = &(*link)->nextAliveThread) {
        if (*link == thread) {
            *link = thread->nextAliveThread;
            break;
        }
    }
    thread->nextAliveThread = nullptr;
    thread->stack = nullptr;
    thread->fpStore = nullptr;
    thread->spStore = nullptr;
    removePendingAlarm(thread);
}

void stopThread() {
    ThreadRecord* thread = CurrentThread;
    suspendThread();
    CurrentThread = nullptr;
    if (thread == nullptr) return;
    thread->state = THREAD_DEAD;
    AliveThreadCount--;
    // Threads joined on this one wait on its Thread object's monitor.
    OBJECT javaThread = thread->javaThread;
    if (javaThread != nullptr && (javaThread->monitor & LOCK_STATE_MASK) == LOCK_INFLATED)
        notifyWaiters(lockMonitor(javaThread->monitor), 1);
    dismantleThread(thread);
}

void storeExecutionEnvironment(ThreadRecord* thread) {
    thread->ipStore = Regs.ip;
    thread->fpStore = Regs.fp;
    thread->spStore = Regs.sp;
}

void loadExecutionEnvironment(ThreadRecord* thread) {
    Regs.ip = thread->ipStore;
    Regs.fp = thread->fpStore;
    Regs.sp = thread->spStore;
    if (Regs.fp != nullptr) {
        MethodRecord* m = Regs.fp->thisMethod;
        Regs.locals = (cell*)Regs.fp - m->frameSize;
        Regs.cp = constantPoolOf(m);
    }
}

void addToThreadQueue(P32<ThreadRecord>* queue, ThreadRecord* thread, int atEnd) {
    ThreadRecord* last = *queue;
    if (last == nullptr) {
        thread->nextThread = thread;
        *queue = thread;
        return;
    }
    thread->nextThread = last->nextThread;
    last->nextThread = thread;
    if (atEnd) *queue = thread;
}

ThreadRecord* removeQueueHead(P32<ThreadRecord>* queue) {
    ThreadRecord* last = *queue;
    if (last == nullptr) return nullptr;
    ThreadRecord* head = last->nextThread;
    if (head == last)
        *queue = nullptr;
    else
        last->nextThread = head->nextThread;
    head->nextThread = nullptr;
    return head;
}

int removeFromThreadQueue(P32<ThreadRecord>* queue, ThreadRecord* thread) {
    ThreadRecord* last = *queue;
    if (last == nullptr) return 0;
    ThreadRecord* prev = last;
    do {
        ThreadRecord* t = prev->nextThread;
        if (t == thread) {
            if (t == prev)
                *queue = nullptr;
            else {
                prev->nextThread = t->nextThread;
                if (t == last) *queue = prev;
            }
            t->nextThread = nullptr;
            return 1;
        }
        prev = t;
    } while (prev != last);
    return 0;
}

int threadQueueLength(ThreadRecord* queue) {
    if (queue == nullptr) return 0;
    int n = 0;
    ThreadRecord* t = queue;
    do {
        n++;
        t = t->nextThread;
    } while (t != queue);
    return n;
}

static inline int priorityOf(ThreadRecord* t) { return t->scheduling & SCHED_PRIORITY_MASK; }

void addThreadToQueue(ThreadRecord* thread) {
    ThreadRecord* last = RunnableThreads;
    if (last == nullptr) {
        addToThreadQueue(&RunnableThreads, thread, 1);
        return;
    }
    ThreadRecord* head = last->nextThread;
    int p = priorityOf(thread);
    if (p > priorityOf(head)) {
        addToThreadQueue(&RunnableThreads, thread, 0);
        return;
    }
    // behind the last thread of priority >= p
    ThreadRecord* after = head;
    while (after != last && priorityOf(after->nextThread) >= p) after = after->nextThread;
    if (after == last) {
        addToThreadQueue(&RunnableThreads, thread, 1);
        return;
    }
    thread->nextThread = after->nextThread;
    after->nextThread = thread;
}

int activeThreadCount() { return threadQueueLength(RunnableThreads) + (CurrentThread ? 1 : 0); }

bool isActivated(ThreadRecord* thread) {
    return thread != nullptr && (thread->state & (THREAD_ACTIVE | THREAD_SUSPENDED)) != 0;
}

int SwitchThread() {
    ThreadRecord* current = CurrentThread;
    if (current != nullptr) {
        if (current->pendingException != nullptr) fatalError("Bad pendingException in SwitchThread()");
        if (current->state != THREAD_ACTIVE) fatalError("Attempting to switch to an inactive thread");
        bool yielding = (current->scheduling & SCHED_YIELD) != 0;
        if (RunnableThreads == nullptr ||
            (!yielding && ((current->scheduling & SCHED_NOSWITCH_MASK) != 0 || priorityOf(current) == 6))) {
            current->scheduling |= SCHED_KEPT_RUNNING;
            Regs.timeSlice = current->timeslice;
            return 1;
        }
        storeExecutionEnvironment(current);
        CurrentThread = nullptr;
    }
    ThreadRecord* next;
    if (current != nullptr && (current->scheduling & SCHED_YIELD)) {
        next = removeQueueHead(&RunnableThreads);
        addThreadToQueue(current);
    } else {
        if (current != nullptr) addThreadToQueue(current);
        next = removeQueueHead(&RunnableThreads);
    }
    if (next == nullptr) return 0;
    next->scheduling &= ~(uint32_t)(SCHED_YIELD | SCHED_KEPT_RUNNING);
    CurrentThread = next;
    loadExecutionEnvironment(next);
    Regs.timeSlice = next->timeslice;
    if (next->pendingException != nullptr) {
        const char* name = next->pendingException;
        next->pendingException = nullptr;
        // The thread was switched out inside the native that blocked it (sleep or
        // wait), so its ip lies behind that invoke: the handlers around the call must
        // see the exception as the native's own.
        ExceptionBehindInvoke = 1;
        raiseException(name);
    }
    return 1;
}

// The wait for events takes its limit as 32 bits of milliseconds.
enum { MAX_TIMER_WAIT = 0x7FFFFFFF };

void registerAlarm(ThreadRecord* thread, uint32_t delayLow, int32_t delayHigh, AlarmCallback callback) {
    if (inTimerQueue(thread)) return;
    int64_t delay = (int64_t)(((uint64_t)(uint32_t)delayHigh << 32) | delayLow);
    int64_t now = vmCurrentTime();
    // sleep(Long.MAX_VALUE) must not wrap around into the past and wake at once.
    int64_t wake = delay > INT64_MAX - now ? INT64_MAX : now + delay;
    thread->wakeupTime[0] = (uint32_t)wake;
    thread->wakeupTime[1] = (uint32_t)((uint64_t)wake >> 32);
    thread->wakeupCall = callback;
    P32<ThreadRecord>* link = &TimerQueue;
    while (*link != nullptr && wakeupTimeOf(*link) < wake) link = &(*link)->nextAlarmThread;
    thread->nextAlarmThread = *link;
    *link = thread;
}

void checkTimerQueue(uint64_t* nextWakeup) {
    // nobody sleeps: no need to read the clock
    if (TimerQueue == nullptr) {
        *nextWakeup = 0;
        return;
    }
    int64_t now = vmCurrentTime();
    while (TimerQueue != nullptr) {
        ThreadRecord* head = TimerQueue;
        if (wakeupTimeOf(head) > now) break;
        TimerQueue = head->nextAlarmThread;
        AlarmCallback callback = head->wakeupCall;
        head->nextAlarmThread = nullptr;
        head->wakeupCall = nullptr;
        if (callback) callback(head);
    }
    if (TimerQueue == nullptr) {
        *nextWakeup = 0;
        return;
    }
    int64_t delay = wakeupTimeOf(TimerQueue) - now;
    *nextWakeup = delay > MAX_TIMER_WAIT ? (uint64_t)MAX_TIMER_WAIT : (uint64_t)delay;
}

ThreadRecord* getVMthread(OBJECT* javaThreadCell) {
    ThreadRecord* thread = (ThreadRecord*)(uintptr_t)(*javaThreadCell)->data[THREAD_RECORD_SLOT];
    return thread != nullptr ? thread : BuildThread(javaThreadCell);
}

// Custom code under the first frame of a thread whose run method is synchronized:
// enters the receiver's monitor before the method's first bytecode.
static void enterStartMonitor(FrameRecord* exceptionFrame) {
    if (exceptionFrame != nullptr) return;
    popFrame();
    monitorEnter(Regs.fp->syncObject);
}

// Parks the registers of the current thread, if any, where a collection updates them.
static void parkRegisters(ThreadRecord* thread, InterpRegisters* spare) {
    if (thread != nullptr)
        storeExecutionEnvironment(thread);
    else
        *spare = Regs;
}

static void unparkRegisters(ThreadRecord* thread, const InterpRegisters* spare, int32_t timeSlice) {
    CurrentThread = thread;
    if (thread != nullptr)
        loadExecutionEnvironment(thread);
    else
        Regs = *spare;
    Regs.timeSlice = timeSlice;
}

void initThreadBehavior(ThreadRecord* thread, MethodRecord* method, OBJECT object) {
    // The new thread is made current for the frame code; the current one gets its
    // registers and its place back afterwards, also when the frame cannot be had.
    InterpRegisters spare;
    int32_t timeSlice = Regs.timeSlice;
    ThreadRecord* volatile previous = CurrentThread;
    ThreadRecord* volatile target = thread;
    OBJECT volatile receiver = object;
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&target);
    makeTemporaryRoot(&receiver);
    makeTemporaryRoot(&previous);
    parkRegisters(previous, &spare);
    CurrentThread = thread;
    Regs.sp = (cell*)&thread->stack->size + method->argCount;
    Regs.fp = nullptr;
    Regs.ip = bottomFrameIp();
    if (!(method->accessFlags & (ACC_NATIVE | ACC_ABSTRACT | ACC_PREPARED)) && !isRomClassAddress(method->ofClass))
        method->accessFlags |= ACC_PREPARED;
    VM_TRY
    pushFrame(method);
    if (!(method->accessFlags & ACC_STATIC)) Regs.locals[0] = p32Cell(receiver);
    if (method->accessFlags & ACC_SYNCHRONIZED) {
        Regs.fp->syncObject = receiver;
        pushFrame(RunCustomCodeMethod);
        *++Regs.sp = (cell)p32Function((const void*)&enterStartMonitor);
    } else {
        Regs.fp->syncObject = bottomFrameWithoutMonitor();
    }
    storeExecutionEnvironment(target);
    VM_CATCH(e)
    unparkRegisters(previous, &spare, timeSlice);
    throwObject(e);
    VM_END_TRY
    unparkRegisters(previous, &spare, timeSlice);
    TemporaryRootsLength = savedRoots;
}

// A thread blocked while class initialisation waits for another thread's static
// initializer: no Java frame would see an exception raised there.
static bool waitsInClassInitialization(ThreadRecord* thread) {
    return thread->fpStore != nullptr && thread->fpStore->thisMethod == RunCustomCodeMethod;
}

void interruptThread(ThreadRecord* thread) {
    MonitorRecord* monitor = thread->monitor;
    bool waiting = monitor != nullptr && (thread->state & THREAD_CONVAR_WAIT) != 0;
    if (waiting && waitsInClassInitialization(thread)) {
        thread->isPendingInterrupt = 1;
        return;
    }
    bool sleeping = inTimerQueue(thread);
    if (sleeping) removePendingAlarm(thread);
    if (waiting) monitorWaitAlarm(thread);
    if (!sleeping && !waiting) {
        thread->isPendingInterrupt = 1;
        return;
    }
    thread->pendingException = InterruptedException;
    if (!waiting) resumeThread(thread);
}

void handlePendingInterrupt() {
    ThreadRecord* thread = CurrentThread;
    thread->pendingException = InterruptedException;
    thread->isPendingInterrupt = 0;
}

void requestYield() { CurrentThread->scheduling |= SCHED_YIELD; }
