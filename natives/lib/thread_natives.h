// Natives of java/lang/Thread and of the scheduling class PrioritySchedule. Like every
// native they take no parameters: arguments and results are on the current thread's
// operand stack, a receiver deepest.
#pragma once

void Java_java_lang_Thread_activeCount();
void Java_java_lang_Thread_currentThread();
void Java_java_lang_Thread_yield();
void Java_java_lang_Thread_sleep0();
void Java_java_lang_Thread_nativeStart();
void Java_java_lang_Thread_isAlive();
void Java_java_lang_Thread_setPriority0();
void Java_java_lang_Thread_interrupt0();

void Java_com_movane_micro_thread_PrioritySchedule_disableSwitchThread();
void Java_com_movane_micro_thread_PrioritySchedule_enableSwitchThread();
void Java_com_movane_micro_thread_PrioritySchedule_setDispatchPriority();
void Java_com_movane_micro_thread_PrioritySchedule_getDispatchPriority();
