// The event system: rings of 32-bit words that host threads and natives post to and
// Java event threads read, gathered into groups that keep their posting order, the
// process events of the service commands and their pending queue.
#pragma once

#include <stdint.h>

#include "platform/vmsections.h"
#include "vm/core/records.h"

struct mvK6EventGroup;

// The records and their tables are pointer blocks of the memory interface and hold
// their links in words.
struct mvK6EventQueue {
    int32_t id;
    P32<int32_t> ring;
    int32_t writeIndex;
    int32_t readIndex;
    int32_t capacity;
    int32_t used;
    P32<int32_t> readBuffer;
    int32_t maxLength;
    int32_t owner;
    P32<mvK6EventGroup> group;
    int32_t fixedLength;
    int32_t eventCount;
};
static_assert(sizeof(mvK6EventQueue) == 48, "the queue record is twelve words");

struct mvK6EventGroup {
    int32_t priority;
    P32<P32<mvK6EventQueue>> queues;
    int32_t count;
    int32_t sequence;
    int32_t owner;
};
static_assert(sizeof(mvK6EventGroup) == 20, "the group record is five words");

struct mvK6EventThread {
    int32_t id;
    P32<mvK6EventQueue> queue;
    P32<ThreadRecord> waiter;
    int32_t rooted;
};
static_assert(sizeof(mvK6EventThread) == 16, "the single-queue thread record is four words");

struct mvK6EventGroupThread {
    int32_t id;
    P32<P32<mvK6EventGroup>> groups;
    int32_t count;
    P32<ThreadRecord> waiter;
    int32_t rooted;
};
static_assert(sizeof(mvK6EventGroupThread) == 20, "the group thread record is five words");

enum {
    EVENT_KIND_1 = 0x10000,
    EVENT_KIND_2 = 0x20000,
    EVENT_KIND_3 = 0x40000,
    EVENT_THREAD_SINGLE = 0x100,
    EVENT_THREAD_GROUP = 0x200,
    EVENT_PENDING_SLOTS = 5,
    EVENT_COMMAND_SLOTS = 10,
    EVENT_UI_QUEUES = 9,
};

// A command callback: (word 0, word 1, number of further words, those words).
typedef void (*EventCommandCallback)(int32_t kind, int32_t command, int32_t n, int32_t* words);

void mvK6Event_initialize(void);
mvK6EventQueue* mvK6Event_createQueue(int32_t ringWords, int32_t maxWords, int32_t fixed);
int32_t mvK6Event_registerQueue(mvK6EventQueue* queue);
// The tables of queues and groups become the records' own: pointer blocks of the
// memory interface (their address is kept in a word).
mvK6EventGroup* mvK6Event_createGroup(P32<mvK6EventQueue>* queues, int32_t count, int32_t priority);
int32_t mvK6Event_registerThread(mvK6EventQueue* queue, int32_t kind);
int32_t mvK6Event_registerGroupThread(P32<mvK6EventGroup>* groups, int32_t count, int32_t kind);

// 1 posted, 0 not.
int32_t mvK6Event_dispatch(const int32_t* words, int32_t n, int32_t id);
int32_t mvK6Event_post(const int32_t* words, int32_t n, int32_t id);
int32_t mvK6Event_notify(const int32_t* words, int32_t n, int32_t id);

// The read buffer holding the next event of the thread and its length, or null and 0.
int32_t* mvK6Event_getNextEvent(int32_t threadId, int32_t* n);
void mvK6Event_peekQueue(int32_t id, int32_t* words, int32_t* n);
int32_t mvK6Event_clearQueue(int32_t id);
// The head event (room for the queue's longest) and the queue emptied, in one lock
// section: what was taken is the caller's alone. n is 0 when the queue was empty.
void mvK6Event_takeQueue(int32_t id, int32_t* words, int32_t* n);
// 1 when an event waits for the thread (0: for any thread).
int32_t mvK6Event_hasEvent(int32_t threadId);
// 1 when the current Java thread now waits, 0 when an event is already there.
int32_t mvK6Event_waitNextEvent(int32_t threadId);
// Under the event lock; 1 when a waiting thread was woken.
int32_t mvK6Event_wakeKind(int32_t kind);
int32_t mvK6Event_wakeKind1(void);
int32_t mvK6Event_wakeKind2(void);
int32_t mvK6Event_wakeKind3(void);
// Events in all queues and Java threads waiting for them: the VM's wait for events.
int32_t mvK6Event_pendingTotal(void);
int32_t mvK6Event_waitingThreads(void);

// Process events {type, parameter}: 11 through notify, the others through post; a
// failed post keeps the pair in the pending queue.
int32_t mvK6Event_postProcessEvent(int32_t type, int32_t parameter);
int32_t mvK6Event_postVmEvent(int32_t parameter);
void mvK6Event_addPendingEvent(int32_t type, int32_t parameter);
void mvK6Event_processEvent_resendPendingEvent(void);
// Resends the kept events once the process event queue exists and the VM is not
// suspending; 1 when it did.
int32_t mvK6Event_resendPendingWhenReady(void);
// Under the event lock.
int32_t mvK6Event_hasPendingEvents(void);
// Creates the process event queue and its thread; the thread id.
int32_t mvK6Event_initProcessQueue(int32_t n);
// Forgets the pending queue, the key event queue and the command callbacks.
void mvK6Event_resetForRun(void);
void mvK6Event_setCommandCallback(int32_t command, int32_t kind, EventCommandCallback callback);
EventCommandCallback mvK6Event_getCommandCallback(int32_t command, int32_t kind);
void mvK6Event_sweepKeyEvents(void);
int32_t mvK6Event_getProcessQueueId(void);
// The id of user-interface queue which (0 requests, 1 second requests, 2 MIDP events,
// 3 size changes, 4 show notices, 5 set-current, 6 keys, 7 pointer, 8 repaint), or -1.
int32_t mvK6Event_getUiQueueId(int32_t which);
int32_t* mvK6Event_getNextEventWithCommands(int32_t threadId, int32_t* n);

// Which queue of the user interface and of the dialog.
enum {
    UI_QUEUE_REQUEST,
    UI_QUEUE_SECOND_REQUEST,
    UI_QUEUE_MIDP,
    UI_QUEUE_SIZE_CHANGED,
    UI_QUEUE_SHOW_NOTIFY,
    UI_QUEUE_SET_CURRENT,
    UI_QUEUE_KEY,
    UI_QUEUE_POINTER,
    UI_QUEUE_REPAINT,
    UI_QUEUE_COUNT,
    DIALOG_QUEUE_REQUEST = 0,
    DIALOG_QUEUE_SECOND_REQUEST,
    DIALOG_QUEUE_KEY,
    DIALOG_QUEUE_POINTER,
    DIALOG_QUEUE_REPAINT,
    DIALOG_QUEUE_COUNT,
};
static_assert((int)UI_QUEUE_COUNT == (int)EVENT_UI_QUEUES, "one name per user-interface queue");

// The words of a user-interface event: its kind first, then the kind's own words. The
// display's event thread reads them by names of its own for the same numbers; a library
// test holds the two sides together.
enum {
    UI_EVENT_KEY = 0,      // kind, action, key index, argument
    UI_EVENT_POINTER = 1,  // kind, action, x, y, fourth
    UI_EVENT_REQUEST = 2,  // kind, target, a, type, b, c, d, e, f, callback
    UI_EVENT_MIDP = 3,     // kind, type, four parameters
    UI_EVENT_REPAINT = 4,  // the kind alone, as are set-current, show and hide
    UI_EVENT_SET_CURRENT = 5,
    UI_EVENT_SIZE_CHANGED = 6,  // kind, width, height
    UI_EVENT_SHOW = 7,
    UI_EVENT_HIDE = 8,
};
enum { UI_EVENT_WORD_KIND = 0 };
enum { KEY_EVENT_ACTION = 1, KEY_EVENT_INDEX = 2, KEY_EVENT_ARGUMENT = 3, KEY_EVENT_WORDS = 4 };
enum { POINTER_EVENT_ACTION = 1, POINTER_EVENT_X = 2, POINTER_EVENT_Y = 3, POINTER_EVENT_FOURTH = 4 };
enum { POINTER_EVENT_WORDS = 5 };
enum {
    REQUEST_EVENT_TARGET = 1,
    REQUEST_EVENT_A = 2,
    REQUEST_EVENT_TYPE = 3,
    REQUEST_EVENT_B = 4,
    REQUEST_EVENT_C = 5,
    REQUEST_EVENT_D = 6,
    REQUEST_EVENT_E = 7,
    REQUEST_EVENT_F = 8,
    REQUEST_EVENT_CALLBACK = 9,
    REQUEST_EVENT_WORDS = 10,
};
enum { MIDP_EVENT_TYPE = 1, MIDP_EVENT_PARAMS = 2, MIDP_EVENT_WORDS = 6 };  // the parameters: four words
enum { SIZE_EVENT_WIDTH = 1, SIZE_EVENT_HEIGHT = 2, SIZE_EVENT_WORDS = 3 };
// A key or pointer event's action. A typed key completes a press and a tapped pointer
// comes with the release; the display's thread passes both by.
enum {
    KEY_ACTION_PRESSED = 0,
    KEY_ACTION_RELEASED = 1,
    KEY_ACTION_REPEATED = 2,
    KEY_ACTION_TYPED = 3,
    POINTER_ACTION_PRESSED = 0,
    POINTER_ACTION_RELEASED = 1,
    POINTER_ACTION_TAPPED = 2,
    POINTER_ACTION_DRAGGED = 3,
    INPUT_EVENT_ACTIONS = 4,
};
// The id of dialog queue which, or -1 until the dialog's thread has made them.
int32_t mvK6Event_getDialogQueueId(int32_t which);

// The user-interface, dialog, connection and media queues; each answers its thread id.
int32_t mvK6Event_initUiQueues(void);
int32_t mvK6Event_initDialogQueues(void);
int32_t mvConnEvent_initQueue(void);
int32_t mvConnEvent_maxSize(void);
int32_t mvMediaEvent_initQueue(int32_t n);
int32_t AmNotifyHttpEvent(int32_t handle, int32_t p1, int32_t p2);
int32_t mvMediaEvent_post(const int32_t* words);

// The media layer lies above these services: what they ask of it goes through this table,
// which the media natives' install function fills. The defaults do the least.
struct MediaEventHooks {
    // Calls and clears the media registry's stored callback of set A (1) or B (other).
    int32_t (*fireCallback)(int32_t selector);
    // Registers the media layer's VM life-cycle callbacks once per run: 0, or -1 when the
    // VM's callback table is full.
    int32_t (*registerVmCallbacks)(void);
    // Sounds one tone note; the tone player's answer.
    int32_t (*tonePlayNote)(int32_t note, int32_t duration, int32_t volume);
};
extern VMHOOKS MediaEventHooks MediaEvents;
extern const MediaEventHooks DefaultMediaEventHooks;
// The stored media callback of the selector's set, called once and cleared; 0.
int32_t mvMediaEvent_fireCallback(int32_t selector);
// One tone note, with the media VM callbacks registered first (-1 when they cannot be).
int32_t mvMediaEvent_playSingleTone(int32_t note, int32_t duration, int32_t volume);
// The test agent's last HTTP event status and byte count.
int32_t mvConnEvent_lastHttpStatus(void);
int32_t mvConnEvent_lastHttpCount(void);
