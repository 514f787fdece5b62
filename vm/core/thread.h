// Green threads: the thread record, the main thread's start and end, the runnable
// queue and the switch between threads at the interpreter's reschedule points.
#pragma once

#include "vm/core/records.h"
#include "vm/core/vmsections.h"

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

extern VMBSS ThreadRecord* MainThread;
extern VMBSS ThreadRecord* CurrentThread;
extern VMBSS ThreadRecord* RunnableThreads;
extern VMBSS ThreadRecord* TimerQueue;
extern VMBSS ThreadRecord* AllThreads;
extern VMBSS int32_t AliveThreadCount;
extern VMBSS MonitorRecord* FreeMonitorList;

void InitializeThreading(ClassRecord* mainClass, ArrayObject* arguments);
ThreadRecord* BuildThread(OBJECT* javaThreadCell);
void startThread(ThreadRecord* thread);
void resumeThread(ThreadRecord* thread);
void suspendThread();
void stopThread();
void dismantleThread(ThreadRecord* thread);
int SwitchThread();
void storeExecutionEnvironment(ThreadRecord* thread);
void loadExecutionEnvironment(ThreadRecord* thread);
void addThreadToQueue(ThreadRecord* thread);
ThreadRecord* removeQueueHead(ThreadRecord** queue);
void addToThreadQueue(ThreadRecord** queue, ThreadRecord* thread, int atEnd);
int removeFromThreadQueue(ThreadRecord** queue, ThreadRecord* thread);
int threadQueueLength(ThreadRecord* queue);
int activeThreadCount();
bool isActivated(ThreadRecord* thread);
// Wakes due sleepers and writes the delay to the next wake-up, or 0.
void checkTimerQueue(uint64_t* nextWakeup);
void timeSliceHook();
