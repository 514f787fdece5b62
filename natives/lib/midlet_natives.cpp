// MIDlet, selector, event-thread, process-event and timer natives.
#include "natives/lib/midlet_natives.h"

#include "natives/lib/nativestack.h"
#include "platform/vmsections.h"
#include "vm/core/exceptions.h"
#include "vm/core/heap.h"
#include "vm/core/native.h"
#include "vm/core/thread.h"
#include "vm/services/amservice.h"
#include "vm/services/events.h"
#include "vm/services/hooks.h"
#include "vm/services/memory.h"
#include "vm/services/vmstart.h"
#include "vm/services/vmstate.h"

enum { PROPERTY_STEP = 1024, JOINER_RING_FACTOR = 15, TIMER_PASS = -1 };
static_assert(TIMER_THREAD_NEXT_WAITER_SLOT == THREAD_NAME_SLOT + 1, "TimerThread's fields follow Thread's");

static void timerHoldWithdrawn();

static int32_t noPlatformRequest(const uint16_t*, int32_t) { return -1; }

struct MidletNativeState {
    int32_t resumedBefore;    // the first resume of the run reports the start
    int32_t selectorResumed;  // the selector's first resume of the run
    int32_t joinerQueueId;
    // Timer threads waiting for a VM resume: a chain of their Thread objects, linked and
    // counted in the objects' own fields (see below). Only the head is a root.
    OBJECT timerWaiters;
    int32_t timerRooted;
    // Suspends announced to the timer threads whose resume or refusal is still to come:
    // a timer thread waits only while this is above 0, so that a resume follows.
    int32_t timerHolds;
    MidletHostServices host;
    int32_t hostSet;
};
static VMBSS MidletNativeState State;

void midlet_setHostServices(const MidletHostServices* services) {
    State.hostSet = services != nullptr;
    if (services != nullptr) State.host = *services;
}

static int32_t platformRequest(const uint16_t* url, int32_t length) {
    if (State.hostSet && State.host.platformRequest != nullptr) return State.host.platformRequest(url, length);
    return noPlatformRequest(url, length);
}

int32_t midlet_joinerQueueId() { return State.joinerQueueId > 0 ? State.joinerQueueId : -1; }

// ---------------------------------------------------------------------------------
// MIDlet

void Java_javax_microedition_midlet_MIDlet_initialize() { onVmPaintReady(); }

void Java_javax_microedition_midlet_MIDlet_notifyResumeEvent() {
    if (popInt() == 0) mvVm_setAppStarted(1);
    mvK6Event_postVmEvent(100);
}

void Java_javax_microedition_midlet_MIDlet_nativeSystemExit() { vmExitLongjmp(popInt()); }
void Java_javax_microedition_midlet_MIDlet_nativeNoteExitStatus() { ServiceHooks.noteExitStatus(popInt()); }

// The display shows and hides its current displayable with the MIDlet's pause and resume.
void Java_javax_microedition_midlet_MIDlet_nativePostShowNotify() { AmPostShowNotify(1); }
void Java_javax_microedition_midlet_MIDlet_nativePostHideNotify() { AmPostShowNotify(0); }

// The property named by the String on the stack as a new String, null when the suite
// has none (or, with emptyIsNull, an empty one). The buffer grows by PROPERTY_STEP until
// the value fits: a value is never cut.
void appPropertyNative(bool emptyIsNull) {
    StringInstance* key = (StringInstance*)popObject();
    if (key == nullptr) {
        tryRaiseException(NullPointerException);
        return;
    }
    if (lockStringChars(key) == nullptr) throwPendingException();
    int32_t length = -1;
    char* buffer = nullptr;
    for (int32_t size = PROPERTY_STEP;; size += PROPERTY_STEP) {
        buffer = (char*)mvMemory_allocPointer(size);
        if (buffer == nullptr) {
            unlockStringChars(key);
            raiseException(OutOfMemoryError);
        }
        // the key is pinned: its characters stay where they are across the allocation
        length = mvApp_getAppProperty(getStringCharsPointer(key), getStringLength(key), buffer, size);
        if (length < size) break;
        mvMemory_freePointer(buffer);
    }
    bool present = length > 0 || (length == 0 && !emptyIsNull);
    StringInstance* value = present ? tryInstantiateString(buffer, length) : nullptr;
    unlockStringChars(key);
    mvMemory_freePointer(buffer);
    // no memory to read the descriptors is not an absent property
    if (length == -2) raiseException(OutOfMemoryError);
    if (present && value == nullptr) return;  // the creation's exception is on its way
    pushObject(value);
}

void Java_javax_microedition_midlet_MIDlet_nativeGetAppProperty() { appPropertyNative(false); }
void Java_com_movane_midlet_AppProperties_getProperty() { appPropertyNative(false); }

void Java_javax_microedition_midlet_MIDlet_nativeNotifyAppStopped() {
    popInt();
    onAppDestroyed();
    State.resumedBefore = 0;
}

void Java_javax_microedition_midlet_MIDlet_nativeNotifyAppSuspended() {
    popInt();
    popInt();
    onAppPaused();
}

void Java_javax_microedition_midlet_MIDlet_nativeNotifyAppResumed() {
    popInt();
    if (!State.resumedBefore) {
        State.resumedBefore = 1;
        onAppStarted();
    } else {
        onAppResumed();
    }
}

void Java_javax_microedition_midlet_MIDlet_nativePlatformRequest() {
    StringInstance* url = (StringInstance*)popObject();
    if (lockStringChars(url) == nullptr) throwPendingException();
    int32_t length = getStringLength(url);
    int32_t result = platformRequest(length > 0 ? getStringCharsPointer(url) : nullptr, length);
    unlockStringChars(url);
    pushInt(result);
}

void Java_javax_microedition_midlet_MIDlet_nativeStateCallbackToApp() {
    int32_t on = popInt();
    int32_t bits = popInt();
    mvVm_setStateFlag(bits, on);
}

void Java_javax_microedition_midlet_MIDlet_nativeIsTrusted() { pushInt(mvVm_isTrusted() == 1); }

// ---------------------------------------------------------------------------------
// The selector

void Java_javax_microedition_midlet_MidletSelector_nativeNotifySelectorResumed() {
    if (!State.selectorResumed) {
        mvVm_setSelectorResumed(1);
        State.selectorResumed = 1;
    } else {
        mvVm_setResumePending(0);
    }
    mvVm_setSelectorShown(1);
}

void Java_javax_microedition_midlet_MidletSelector_nativeNotifySelectorGoesHidden() { mvVm_setSelectorShown(0); }
void Java_javax_microedition_midlet_MidletSelector_nativeSetAppStart() { mvVm_setAppStarted(1); }
void Java_javax_microedition_midlet_MidletSelector_register() {}

// ---------------------------------------------------------------------------------
// Event threads

void Java_com_movane_micro_event_AbstractEventThread_waitNextEvent() {
    int32_t thread = popInt();
    popObject();
    // a wait leaves false on the stack for the time the thread is parked
    if (mvK6Event_waitNextEvent(thread) == 0) pushInt(1);
}

static void getNextEvent(int32_t* (*take)(int32_t, int32_t*)) {
    ArrayObject* out = (ArrayObject*)popObject();
    int32_t thread = popInt();
    popObject();
    if (out == nullptr) raiseException(NullPointerException);
    int32_t n = 0;
    int32_t* words = take(thread, &n);
    // an array shorter than the event receives what fits; the length tells the rest
    int32_t copy = n < getIntArrayLength(out) ? n : getIntArrayLength(out);
    for (int32_t i = 0; i < copy; i++) setIntArrayElement(out, i, words[i]);
    pushInt(n);
}

void Java_com_movane_micro_event_AbstractEventThread_getNextEvent() { getNextEvent(mvK6Event_getNextEvent); }
void Java_com_movane_micro_event_UiEventThread_getNextEvent() { getNextEvent(mvK6Event_getNextEventWithCommands); }
void Java_com_movane_security_DialogEventThread_getNextEvent() { getNextEvent(mvK6Event_getNextEventWithCommands); }

void Java_com_movane_micro_event_UiEventThread_initEventQueue() {
    popInt();
    popObject();
    pushInt(mvK6Event_initUiQueues());
}

void Java_com_movane_security_DialogEventThread_initEventQueue() {
    popInt();
    popObject();
    pushInt(mvK6Event_initDialogQueues());
}

void Java_com_movane_micro_event_ProcessEventThread_initEventQueue() {
    int32_t n = popInt();
    popObject();
    pushInt(mvK6Event_initProcessQueue(n));
}

void Java_com_movane_micro_event_ProcessEventThread_isBackwardCompatibleK6() { pushInt(0); }

void Java_com_movane_micro_event_MediaEventThread_initEventQueue() {
    int32_t n = popInt();
    popObject();
    pushInt(mvMediaEvent_initQueue(n));
}

void Java_com_movane_micro_thread_NativeThreadJoinnerEventThread_initEventQueue() {
    int32_t n = popInt();
    popObject();
    mvK6EventQueue* queue = mvK6Event_createQueue(n * JOINER_RING_FACTOR, n, 1);
    int32_t thread = mvK6Event_registerThread(queue, EVENT_KIND_1);
    State.joinerQueueId = mvK6Event_registerQueue(queue);
    pushInt(thread);
}

// ---------------------------------------------------------------------------------
// The process event handler

void Java_com_movane_micro_event_ProcessEventHandler_nativeExecuteVmStop() { mvVmExecuteStop(mvVm_getVmId()); }
// A refused suspend has no resume to come: it takes back its announcement to the timers.
void Java_com_movane_micro_event_ProcessEventHandler_nativeExecuteVmSuspend() {
    if (mvVmSuspend(mvVm_getVmId()) != 0) timerHoldWithdrawn();
}
void Java_com_movane_micro_event_ProcessEventHandler_nativeExecuteVmResume() { mvVmResume(mvVm_getVmId()); }
void Java_com_movane_micro_event_ProcessEventHandler_nativeSweepKeyEventQueue() { mvK6Event_sweepKeyEvents(); }
void Java_com_movane_micro_event_ProcessEventHandler_isThreadSwitchingMode() { pushInt(1); }

// ---------------------------------------------------------------------------------
// The timer's wait for a resume
//
// The process event handler announces each VM suspend (nativeHoldTimers) before it asks
// the timer threads to park and carries it out; the VM resume that answers it
// (timerResumeCountDown) or its refusal (nativeExecuteVmSuspend) ends the announcement.
// waitResume parks the calling thread only while an announcement is in force, so a
// timer thread that comes to park after the resume, or for a refused suspend, goes on
// at once instead of waiting for a resume that will never come.

// Every waiter is kept, however many there are, in its own Thread object (a
// java.util.TimerThread, whose fields the natives own): the next waiter of the chain, and
// its outstanding resumes, or TIMER_PASS for a thread let go before it came to wait. A
// thread is in the chain exactly while that count is not 0. The state lives in the heap,
// so the collector moves it with the objects and one root holds the whole chain; a
// thread record is taken from its object only when the thread is resumed.

static void rootTimerWaiters() {
    if (State.timerRooted) return;
    makeGlobalRoot(&State.timerWaiters);
    State.timerRooted = 1;
}

static int32_t timerWaitsLeft(OBJECT waiter) { return getIntFieldByIndex(waiter, TIMER_THREAD_WAITS_LEFT_SLOT); }
static OBJECT nextTimerWaiter(OBJECT waiter) { return getObjectFieldByIndex(waiter, TIMER_THREAD_NEXT_WAITER_SLOT); }

// Takes the waiter out of the chain; previous is the waiter before it, null at the head.
static void unchainTimerWaiter(OBJECT waiter, OBJECT previous) {
    OBJECT next = nextTimerWaiter(waiter);
    if (previous == nullptr) {
        State.timerWaiters = next;
    } else {
        setObjectFieldByIndex(previous, TIMER_THREAD_NEXT_WAITER_SLOT, next);
    }
    setObjectFieldByIndex(waiter, TIMER_THREAD_NEXT_WAITER_SLOT, nullptr);
    setIntFieldByIndex(waiter, TIMER_THREAD_WAITS_LEFT_SLOT, 0);
}

static OBJECT timerWaiterBefore(OBJECT waiter) {
    OBJECT previous = nullptr;
    for (OBJECT w = State.timerWaiters; w != waiter; w = nextTimerWaiter(w)) previous = w;
    return previous;
}

// Sets the count of a thread, putting it in the chain first when it is not there.
static void holdTimerWaiter(OBJECT waiter, int32_t left) {
    if (timerWaitsLeft(waiter) == 0) {
        setObjectFieldByIndex(waiter, TIMER_THREAD_NEXT_WAITER_SLOT, State.timerWaiters);
        State.timerWaiters = waiter;
    }
    setIntFieldByIndex(waiter, TIMER_THREAD_WAITS_LEFT_SLOT, left);
}

// Ends the waiter's wait, or its pass; previous as for unchainTimerWaiter.
static void letTimerGo(OBJECT waiter, OBJECT previous) {
    bool waiting = timerWaitsLeft(waiter) > 0;
    unchainTimerWaiter(waiter, previous);
    ThreadRecord* thread = p32Ptr<ThreadRecord>(waiter->data[THREAD_RECORD_SLOT]);
    if (waiting && thread != nullptr && (thread->state & THREAD_SUSPENDED)) resumeThread(thread);
}

// No announcement is left: every waiter goes on and every pass is void.
static void timerHoldsEnded() {
    while (State.timerWaiters != nullptr) letTimerGo(State.timerWaiters, nullptr);
}

void Java_com_movane_micro_event_ProcessEventHandler_nativeHoldTimers() { State.timerHolds++; }

static void timerHoldWithdrawn() {
    if (State.timerHolds == 0) return;
    if (--State.timerHolds == 0) timerHoldsEnded();
}

// Called by a timer's own thread only: the caller's Thread object is a TimerThread.
void Java_java_util_Timer_waitResume() {
    popObject();
    if (State.timerHolds == 0) return;  // no suspend to wait out
    rootTimerWaiters();
    OBJECT self = CurrentThread->javaThread;
    int32_t left = timerWaitsLeft(self);
    if (left == TIMER_PASS) {
        // let go before it came to wait
        unchainTimerWaiter(self, timerWaiterBefore(self));
        return;
    }
    holdTimerWaiter(self, left + 1);
    suspendThread();
}

void Java_java_util_Timer_endResumeWait() {
    OBJECT javaThread = popObject();
    if (javaThread == nullptr) return;
    ThreadRecord* thread = p32Ptr<ThreadRecord>(javaThread->data[THREAD_RECORD_SLOT]);
    if (thread == nullptr || State.timerHolds == 0) return;  // it will not wait
    if (thread == CurrentThread) return;                     // it is not waiting now
    rootTimerWaiters();
    if (timerWaitsLeft(javaThread) > 0) {
        letTimerGo(javaThread, timerWaiterBefore(javaThread));
    } else {
        // on its way to wait: its next wait under this announcement returns at once
        holdTimerWaiter(javaThread, TIMER_PASS);
    }
}

void timerResumeCountDown() {
    if (State.timerHolds > 0) State.timerHolds--;
    OBJECT previous = nullptr;
    OBJECT waiter = State.timerWaiters;
    while (waiter != nullptr) {
        OBJECT next = nextTimerWaiter(waiter);
        int32_t left = timerWaitsLeft(waiter);
        if (left > 1) {
            setIntFieldByIndex(waiter, TIMER_THREAD_WAITS_LEFT_SLOT, left - 1);
        } else if (left == 1) {
            letTimerGo(waiter, previous);
            waiter = next;
            continue;
        }
        previous = waiter;
        waiter = next;
    }
    if (State.timerHolds == 0) timerHoldsEnded();
}
