// Natives of the MIDlet life cycle, the MIDlet selector, the event threads, the process
// event handler, the application properties and the timer's wait for a VM resume; and
// the host services they ask (platform requests), as a table the host fills.
#pragma once

#include <stdint.h>

// Field slots of java.util.TimerThread, after those of java.lang.Thread: a timer thread's
// wait for a VM resume, kept by the timer natives.
enum { TIMER_THREAD_NEXT_WAITER_SLOT = 4, TIMER_THREAD_WAITS_LEFT_SLOT = 5 };

struct MidletHostServices {
    // Starts a platform request (URL in UTF-16, or none with length 0): > 0 the MIDlet
    // must exit first, 0 started, < 0 not possible.
    int32_t (*platformRequest)(const uint16_t* url, int32_t length);
};

// Takes the set entries; null gives the defaults back (no platform requests).
void midlet_setHostServices(const MidletHostServices* services);

// The VM resume handler (a callback of the run, kept in its callback table): answers
// the suspend announced to the timer threads; a waiting timer thread runs again once
// every one of its waits is answered.
void timerResumeCountDown();

void Java_javax_microedition_midlet_MIDlet_initialize();
void Java_javax_microedition_midlet_MIDlet_notifyResumeEvent();
void Java_javax_microedition_midlet_MIDlet_nativeSystemExit();
void Java_javax_microedition_midlet_MIDlet_nativeNoteExitStatus();
// The application property native: pops the key, pushes the value or null; an empty
// value is null with emptyIsNull. No memory to read the descriptors raises
// OutOfMemoryError rather than answering null.
void appPropertyNative(bool emptyIsNull);
void Java_javax_microedition_midlet_MIDlet_nativeGetAppProperty();
void Java_com_movane_midlet_AppProperties_getProperty();
void Java_javax_microedition_midlet_MIDlet_nativeNotifyAppStopped();
void Java_javax_microedition_midlet_MIDlet_nativeNotifyAppSuspended();
void Java_javax_microedition_midlet_MIDlet_nativeNotifyAppResumed();
void Java_javax_microedition_midlet_MIDlet_nativePlatformRequest();
void Java_javax_microedition_midlet_MIDlet_nativeStateCallbackToApp();
void Java_javax_microedition_midlet_MIDlet_nativeIsTrusted();
void Java_javax_microedition_midlet_MIDlet_nativePostShowNotify();
void Java_javax_microedition_midlet_MIDlet_nativePostHideNotify();
void Java_javax_microedition_midlet_MidletSelector_nativeNotifySelectorResumed();
void Java_javax_microedition_midlet_MidletSelector_nativeNotifySelectorGoesHidden();
void Java_javax_microedition_midlet_MidletSelector_nativeSetAppStart();
void Java_javax_microedition_midlet_MidletSelector_register();
void Java_com_movane_micro_event_AbstractEventThread_waitNextEvent();
void Java_com_movane_micro_event_AbstractEventThread_getNextEvent();
void Java_com_movane_micro_event_UiEventThread_initEventQueue();
void Java_com_movane_micro_event_UiEventThread_getNextEvent();
void Java_com_movane_security_DialogEventThread_initEventQueue();
void Java_com_movane_security_DialogEventThread_getNextEvent();
void Java_com_movane_micro_event_ProcessEventThread_initEventQueue();
void Java_com_movane_micro_event_ProcessEventThread_isBackwardCompatibleK6();
void Java_com_movane_micro_event_MediaEventThread_initEventQueue();
void Java_com_movane_micro_thread_NativeThreadJoinnerEventThread_initEventQueue();
void Java_com_movane_micro_event_ProcessEventHandler_nativeExecuteVmStop();
void Java_com_movane_micro_event_ProcessEventHandler_nativeExecuteVmSuspend();
void Java_com_movane_micro_event_ProcessEventHandler_nativeExecuteVmResume();
void Java_com_movane_micro_event_ProcessEventHandler_nativeSweepKeyEventQueue();
void Java_com_movane_micro_event_ProcessEventHandler_isThreadSwitchingMode();
void Java_com_movane_micro_event_ProcessEventHandler_nativeHoldTimers();
void Java_java_util_Timer_waitResume();
void Java_java_util_Timer_endResumeWait();
// The joiner queue's id, -1 until its thread made it.
int32_t midlet_joinerQueueId();
