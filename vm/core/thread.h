// Green threads: the thread record, the main thread's start and end, the runnable
// queue, the switch between threads at the interpreter's reschedule points, the timer
// queue behind sleeping and timed waits, and interrupts.
#pragma once

#include "platform/vmsections.h"
#include "vm/core/records.h"

enum {
    STACK_CHUNK_WORDS = 380,
    DEFAULT_TIME_SLICE = 1000,
    THREAD_RECORD_WORDS = 22,
    SCHED_PRIORITY_MASK = 7,
    SCHED_NOSWITCH_SHIFT = 3,
    SCHED_NOSWITCH_MASK = 7 << 3,
    SCHED_YIELD = 1 << 6,
    SCHED_KEPT_RUNNING = 1 << 7,
};

// Field slots of java/lang/Thread
enum { THREAD_PRIORITY_SLOT = 0, THREAD_RECORD_SLOT = 1, THREAD_TARGET_SLOT = 2, THREAD_NAME_SLOT = 3 };

extern VMBSS ThreadRecord* MainThread;
extern VMBSS ThreadRecord* CurrentThread;
extern VMBSS P32<ThreadRecord> RunnableThreads;
extern VMBSS P32<ThreadRecord> TimerQueue;
extern VMBSS P32<ThreadRecord> AllThreads;
extern VMBSS int32_t AliveThreadCount;
extern VMBSS MonitorRecord* FreeMonitorList;
// Set when the main class has no main method: the run then ends as a failure.
extern VMBSS bool MainMethodMissing;

extern const char InterruptedException[];

typedef void (*AlarmCallback)(ThreadRecord*);

void InitializeThreading(ClassRecord* mainClass, ArrayObject* arguments);
ThreadRecord* BuildThread(OBJECT* javaThreadCell);
// The record of the Thread object in the cell, built on first use.
ThreadRecord* getVMthread(OBJECT* javaThreadCell);
// Prepares a new thread's stack to start in method with object as its receiver.
void initThreadBehavior(ThreadRecord* thread, MethodRecord* method, OBJECT object);
void startThread(ThreadRecord* thread);
void resumeThread(ThreadRecord* thread);
void suspendThread();
void stopThread();
void dismantleThread(ThreadRecord* thread);
int SwitchThread();
void storeExecutionEnvironment(ThreadRecord* thread);
void loadExecutionEnvironment(ThreadRecord* thread);
void addThreadToQueue(ThreadRecord* thread);
ThreadRecord* removeQueueHead(P32<ThreadRecord>* queue);
void addToThreadQueue(P32<ThreadRecord>* queue, ThreadRecord* thread, int atEnd);
int removeFromThreadQueue(P32<ThreadRecord>* queue, ThreadRecord* thread);
int threadQueueLength(ThreadRecord* queue);
int activeThreadCount();
bool isActivated(ThreadRecord* thread);

// Puts the thread on the timer queue to be called back delay milliseconds from now;
// a thread already there keeps its time. The wake-up time saturates.
void registerAlarm(ThreadRecord* thread, uint32_t delayLow, int32_t delayHigh, AlarmCallback callback);
// Wakes due sleepers and writes the delay to the next wake-up, or 0.
void checkTimerQueue(uint64_t* nextWakeup);
void removePendingAlarm(ThreadRecord* thread);
inline bool inTimerQueue(const ThreadRecord* thread) { return thread->wakeupCall != nullptr; }
inline int64_t wakeupTimeOf(const ThreadRecord* thread) {
    return (int64_t)(((uint64_t)thread->wakeupTime[1] << 32) | thread->wakeupTime[0]);
}

void interruptThread(ThreadRecord* thread);
void handlePendingInterrupt();
void requestYield();
