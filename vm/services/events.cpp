// The event system. Host threads post under the event lock and wake the VM thread;
// takes, waits and wakes happen on the VM thread only. Tables grow by one entry at a
// time and nothing is unregistered within a run. Memory comes from the memory interface
// and is taken before the lock, so that no fatal error leaves with the lock held.
#include "vm/services/events.h"

#include <string.h>

#include "platform/atomicword.h"
#include "platform/events.h"
#include "platform/vmsections.h"
#include "vm/core/exceptions.h"
#include "vm/core/heap.h"
#include "vm/core/interp.h"
#include "vm/core/thread.h"
#include "vm/core/vmassert.h"
#include "vm/services/memory.h"
#include "vm/services/vmstate.h"
#include "vm/trace/tracelog.h"

enum {
    QUEUE_TABLE_START = 30,
    THREAD_TABLE_START = 20,
    GROUP_THREAD_TABLE_START = 10,
    SEQUENCE_LIMIT = 65535,
};

// The tables are pointer blocks of words, one record address each.
struct EventTables {
    P32<mvK6EventQueue>* queues;
    int32_t queueCapacity, queueCount;
    P32<mvK6EventThread>* threads;
    int32_t threadCapacity, threadCount;
    P32<mvK6EventGroupThread>* groupThreads;
    int32_t groupThreadCapacity, groupThreadCount;
    int32_t eventTotal;
    int32_t waitingThreads;
    int32_t pending[EVENT_PENDING_SLOTS][2];
    int32_t pendingCount;
    EventCommandCallback commands[EVENT_COMMAND_SLOTS];
    int32_t processQueueId;
    int32_t keyQueueId;
    int32_t uiQueueIds[EVENT_UI_QUEUES];
    int32_t connectionQueueId;
    int32_t mediaQueueId;
    int32_t httpStatus, httpCount;
    int32_t dialogQueueIds[DIALOG_QUEUE_COUNT];
    int32_t dialogQueuesMade;
    int32_t uiQueuesMade;
};
static VMBSS EventTables Events;

// Changed under the event lock; the VM's wait for events reads it before taking the lock.
static void countEvents(int32_t delta) { atomicStore(&Events.eventTotal, Events.eventTotal + delta); }

static void* allocOrDie(int32_t bytes, const char* message) {
    void* block = mvMemory_allocPointer(bytes);
    if (block == nullptr) fatalError(message);
    return block;
}

template <typename T>
static P32<T>* allocTable(int32_t entries) {
    return (P32<T>*)mvMemory_allocPointer(entries * (int32_t)sizeof(P32<T>));
}

void mvK6Event_initialize(void) {
    Events.queues = allocTable<mvK6EventQueue>(QUEUE_TABLE_START);
    if (Events.queues == nullptr) fatalError("Could not initialize event system #1.");
    Events.threads = allocTable<mvK6EventThread>(THREAD_TABLE_START);
    if (Events.threads == nullptr) fatalError("Could not initialize event system #2.");
    Events.groupThreads = allocTable<mvK6EventGroupThread>(GROUP_THREAD_TABLE_START);
    if (Events.groupThreads == nullptr) fatalError("Could not initialize event system #3.");
    Events.queueCapacity = QUEUE_TABLE_START;
    Events.queueCount = 1;
    Events.threadCapacity = THREAD_TABLE_START;
    Events.threadCount = 0;
    Events.groupThreadCapacity = GROUP_THREAD_TABLE_START;
    Events.groupThreadCount = 0;
    Events.eventTotal = 0;
    Events.waitingThreads = 0;
}

void mvK6Event_resetForRun(void) {
    MkLockEvents();
    Events.pendingCount = 0;
    Events.keyQueueId = -1;
    Events.processQueueId = -1;
    Events.connectionQueueId = -1;
    Events.mediaQueueId = -1;
    atomicStore(&Events.dialogQueuesMade, 0);
    atomicStore(&Events.uiQueuesMade, 0);
    memset(Events.commands, 0, sizeof Events.commands);
    MkUnlockEvents();
}

// ---------------------------------------------------------------------------------
// Creating and registering

mvK6EventQueue* mvK6Event_createQueue(int32_t ringWords, int32_t maxWords, int32_t fixed) {
    mvK6EventQueue* q = (mvK6EventQueue*)allocOrDie(sizeof(mvK6EventQueue), "Could not create event queue #1.");
    q->ring = (int32_t*)allocOrDie(ringWords * (int32_t)sizeof(int32_t), "Could not create event queue #2.");
    q->readBuffer = (int32_t*)allocOrDie(maxWords * (int32_t)sizeof(int32_t), "Could not create event queue #3.");
    q->id = -1;
    q->owner = -1;
    q->capacity = ringWords;
    q->maxLength = maxWords;
    q->fixedLength = fixed;
    return q;
}

// A table one entry larger when the next registration needs it (taken before the lock);
// null when the table has room.
template <typename T>
static P32<T>* grownTable(const P32<T>* table, int32_t count, int32_t capacity, const char* message) {
    if (count < capacity) return nullptr;
    P32<T>* grown = (P32<T>*)allocOrDie((capacity + 1) * (int32_t)sizeof(P32<T>), message);
    memcpy(grown, table, (size_t)capacity * sizeof(P32<T>));
    return grown;
}

// Installs a grown table (under the lock) and frees the old one.
template <typename T>
static void installTable(P32<T>** table, int32_t* capacity, P32<T>* grown) {
    if (grown == nullptr) return;
    P32<T>* old = *table;
    *table = grown;
    (*capacity)++;
    mvMemory_freePointer(old);
}

int32_t mvK6Event_registerQueue(mvK6EventQueue* queue) {
    P32<mvK6EventQueue>* grown =
        grownTable(Events.queues, Events.queueCount, Events.queueCapacity, "Could not register event queue #1.");
    MkLockEvents();
    installTable(&Events.queues, &Events.queueCapacity, grown);
    int32_t id = Events.queueCount;
    for (int32_t i = 1; i < Events.queueCount; i++) {
        if (Events.queues[i] == nullptr) {
            id = i;
            break;
        }
    }
    queue->id = id;
    Events.queues[id] = queue;
    Events.queueCount++;
    MkUnlockEvents();
    return id;
}

mvK6EventGroup* mvK6Event_createGroup(P32<mvK6EventQueue>* queues, int32_t count, int32_t priority) {
    mvK6EventGroup* g = (mvK6EventGroup*)allocOrDie(sizeof(mvK6EventGroup), "Could not create event group #1.");
    g->priority = priority;
    g->queues = queues;
    g->count = count;
    g->owner = -1;
    for (int32_t i = 0; i < count; i++) queues[i]->group = g;
    return g;
}

static int32_t kindBits(int32_t kind) {
    return kind == EVENT_KIND_1 || kind == EVENT_KIND_2 || kind == EVENT_KIND_3 ? kind : 0;
}

template <typename T>
static int32_t firstFreeSlot(const P32<T>* table, int32_t count) {
    for (int32_t i = 0; i < count; i++) {
        if (table[i] == nullptr) return i;
    }
    return count;
}

int32_t mvK6Event_registerThread(mvK6EventQueue* queue, int32_t kind) {
    P32<mvK6EventThread>* grown =
        grownTable(Events.threads, Events.threadCount, Events.threadCapacity, "Could not register event thread #2.");
    mvK6EventThread* t = (mvK6EventThread*)allocOrDie(sizeof(mvK6EventThread), "Could not register event thread #3.");
    MkLockEvents();
    installTable(&Events.threads, &Events.threadCapacity, grown);
    int32_t slot = firstFreeSlot(Events.threads, Events.threadCount);
    if (slot == Events.threadCount) Events.threadCount++;
    t->id = kindBits(kind) | EVENT_THREAD_SINGLE | slot;
    t->queue = queue;
    queue->owner = t->id;
    Events.threads[slot] = t;
    MkUnlockEvents();
    return t->id;
}

int32_t mvK6Event_registerGroupThread(P32<mvK6EventGroup>* groups, int32_t count, int32_t kind) {
    // bubble sort by priority: equal priorities keep their order
    for (int32_t pass = 0; pass < count; pass++) {
        for (int32_t i = 0; i + 1 < count; i++) {
            if (groups[i]->priority > groups[i + 1]->priority) {
                mvK6EventGroup* g = groups[i];
                groups[i] = groups[i + 1];
                groups[i + 1] = g;
            }
        }
    }
    P32<mvK6EventGroupThread>* grown = grownTable(Events.groupThreads, Events.groupThreadCount,
                                                  Events.groupThreadCapacity, "Could not register cevent thread #2.");
    mvK6EventGroupThread* t =
        (mvK6EventGroupThread*)allocOrDie(sizeof(mvK6EventGroupThread), "Could not register cevent thread #3.");
    MkLockEvents();
    installTable(&Events.groupThreads, &Events.groupThreadCapacity, grown);
    int32_t slot = firstFreeSlot(Events.groupThreads, Events.groupThreadCount);
    if (slot == Events.groupThreadCount) Events.groupThreadCount++;
    t->id = kindBits(kind) | EVENT_THREAD_GROUP | slot;
    t->groups = groups;
    t->count = count;
    for (int32_t g = 0; g < count; g++) {
        groups[g]->owner = t->id;
        for (int32_t q = 0; q < groups[g]->count; q++) groups[g]->queues[q]->owner = t->id;
    }
    Events.groupThreads[slot] = t;
    MkUnlockEvents();
    return t->id;
}

// ---------------------------------------------------------------------------------
// Rings

static inline int32_t ringWord(const mvK6EventQueue* q, int32_t index) { return q->ring[index % q->capacity]; }

// What every post and take leaves (under the lock): the words in use lie between the
// read and the write index, events need words, and the total counts every event.
static void assertRing(const mvK6EventQueue* q) {
#if VM_ASSERTS_ON
    VM_ASSERT(q->used >= 0 && q->used <= q->capacity);
    VM_ASSERT(q->readIndex >= 0 && q->readIndex < q->capacity && q->writeIndex >= 0 && q->writeIndex < q->capacity);
    VM_ASSERT((q->readIndex + q->used) % q->capacity == q->writeIndex);
    VM_ASSERT(q->eventCount >= 0 && (q->eventCount == 0) == (q->used == 0));
    VM_ASSERT(q->eventCount * (q->fixedLength ? q->maxLength : 2) <= q->used);
    VM_ASSERT(Events.eventTotal >= q->eventCount);
#endif
}

// Header of the next event of a variable-length queue (the queue holds events).
static inline int32_t nextHeader(const mvK6EventQueue* q) { return q->ring[q->readIndex]; }
static inline uint32_t sequenceOf(int32_t header) { return (uint32_t)header >> 16; }

// Subtracts the oldest pending sequence number of the group from every header.
static void renumberGroup(mvK6EventGroup* g) {
    uint32_t lowest = 0;
    bool found = false;
    for (int32_t i = 0; i < g->count; i++) {
        mvK6EventQueue* q = g->queues[i];
        if (q->eventCount == 0 || q->fixedLength) continue;
        uint32_t s = sequenceOf(nextHeader(q));
        if (!found || s < lowest) lowest = s;
        found = true;
    }
    if (!found) {
        g->sequence = 0;
        return;
    }
    for (int32_t i = 0; i < g->count; i++) {
        mvK6EventQueue* q = g->queues[i];
        if (q->fixedLength) continue;
        int32_t index = q->readIndex;
        for (int32_t e = 0; e < q->eventCount; e++) {
            int32_t header = q->ring[index];
            q->ring[index] = (int32_t)(((sequenceOf(header) - lowest) << 16) | (uint32_t)(header & 0xFFFF));
            index = (index + 1 + (header & 0xFF)) % q->capacity;
        }
    }
    g->sequence -= (int32_t)lowest;
}

static void writeWord(mvK6EventQueue* q, int32_t value) {
    q->ring[q->writeIndex] = value;
    q->writeIndex = (q->writeIndex + 1) % q->capacity;
}

// Under the lock. 1 when posted.
static int32_t putEvent(mvK6EventQueue* q, const int32_t* words, int32_t n) {
    if (words == nullptr || n < 1 || n > q->maxLength) return 0;
    int32_t need = q->fixedLength ? n : n + 1;
    if (q->capacity - q->used < need) return 0;
    if (!q->fixedLength) {
        int32_t header = n;
        mvK6EventGroup* g = q->group;
        if (g != nullptr) {
            if (g->sequence >= SEQUENCE_LIMIT) renumberGroup(g);
            header |= g->sequence << 16;
            g->sequence++;
        }
        writeWord(q, header);
    }
    for (int32_t i = 0; i < n; i++) writeWord(q, words[i]);
    q->used += need;
    q->eventCount++;
    countEvents(1);
    assertRing(q);
    return 1;
}

int32_t mvK6Event_dispatch(const int32_t* words, int32_t n, int32_t id) {
    if (!mvVm_isInKvm()) return 0;
    MkLockEvents();
    if (id < 1 || id >= Events.queueCount) {
        MkUnlockEvents();
        mvTraceLog_warning("WARNING: eventQueueId is illegal.\n");
        return 0;
    }
    mvK6EventQueue* q = Events.queues[id];
    int32_t posted = q != nullptr ? putEvent(q, words, n) : 0;
    mvVm_wakeHost();
    MkUnlockEvents();
    return posted;
}

int32_t mvK6Event_post(const int32_t* words, int32_t n, int32_t id) { return mvK6Event_dispatch(words, n, id); }

int32_t mvK6Event_notify(const int32_t* words, int32_t n, int32_t id) {
    if (mvVm_isSuspending()) {
        mvTraceLog_warning("WARNING: Can't notify this event while the JVM is suspended\n");
        for (int32_t i = 0; words != nullptr && i < n; i++) mvTraceLog_warning(" %d ", words[i]);
        mvTraceLog_warning("\n");
        return 0;
    }
    return mvK6Event_dispatch(words, n, id);
}

// ---------------------------------------------------------------------------------
// Taking

static mvK6EventThread* singleThread(int32_t id) {
    int32_t slot = id & 0xFF;
    if ((id & 0xFF00) != EVENT_THREAD_SINGLE || slot >= Events.threadCount) return nullptr;
    return Events.threads[slot];
}

static mvK6EventGroupThread* groupThread(int32_t id) {
    int32_t slot = id & 0xFF;
    if ((id & 0xFF00) != EVENT_THREAD_GROUP || slot >= Events.groupThreadCount) return nullptr;
    return Events.groupThreads[slot];
}

// The queue of the group whose next event is the oldest, or null.
static mvK6EventQueue* oldestInGroup(const mvK6EventGroup* g) {
    mvK6EventQueue* best = nullptr;
    for (int32_t i = 0; i < g->count; i++) {
        mvK6EventQueue* q = g->queues[i];
        if (q->eventCount == 0) continue;
        if (best == nullptr || sequenceOf(nextHeader(q)) < sequenceOf(nextHeader(best))) best = q;
    }
    return best;
}

static mvK6EventQueue* chooseQueue(int32_t threadId) {
    if (mvK6EventThread* t = singleThread(threadId)) return t->queue->eventCount > 0 ? t->queue : nullptr;
    if (mvK6EventGroupThread* t = groupThread(threadId)) {
        for (int32_t g = 0; g < t->count; g++) {
            if (mvK6EventQueue* q = oldestInGroup(t->groups[g])) return q;
        }
    }
    return nullptr;
}

static int32_t readWord(mvK6EventQueue* q) {
    int32_t value = q->ring[q->readIndex];
    q->readIndex = (q->readIndex + 1) % q->capacity;
    return value;
}

int32_t* mvK6Event_getNextEvent(int32_t threadId, int32_t* n) {
    MkLockEvents();
    mvK6EventQueue* q = chooseQueue(threadId);
    if (q == nullptr) {
        MkUnlockEvents();
        *n = 0;
        return nullptr;
    }
    int32_t length = q->fixedLength ? q->maxLength : (readWord(q) & 0xFF);
    for (int32_t i = 0; i < length; i++) q->readBuffer[i] = readWord(q);
    q->used -= q->fixedLength ? length : length + 1;
    q->eventCount--;
    countEvents(-1);
    assertRing(q);
    MkUnlockEvents();
    *n = length;
    return q->readBuffer;
}

void mvK6Event_peekQueue(int32_t id, int32_t* words, int32_t* n) {
    // a bad id never reads outside the table: it is refused instead of ending the run
    MkLockEvents();
    mvK6EventQueue* q = id >= 1 && id < Events.queueCount ? Events.queues[id] : nullptr;
    *n = 0;
    if (q != nullptr && q->eventCount > 0) {
        int32_t index = q->readIndex;
        int32_t length = q->maxLength;
        if (!q->fixedLength) length = ringWord(q, index++) & 0xFF;
        for (int32_t i = 0; i < length; i++) words[i] = ringWord(q, index + i);
        *n = length;
    }
    MkUnlockEvents();
    if (id < 0 || id >= Events.queueCount) mvTraceLog_warning("WARNING: eventQueueId is illegal.\n");
}

// Under the event lock.
static void emptyQueue(mvK6EventQueue* q) {
    q->readIndex = q->writeIndex = q->used = 0;
    countEvents(-q->eventCount);
    q->eventCount = 0;
    assertRing(q);
}

int32_t mvK6Event_clearQueue(int32_t id) {
    MkLockEvents();
    mvK6EventQueue* q = id >= 1 && id < Events.queueCount ? Events.queues[id] : nullptr;
    if (q != nullptr) emptyQueue(q);
    MkUnlockEvents();
    return q != nullptr;
}

void mvK6Event_takeQueue(int32_t id, int32_t* words, int32_t* n) {
    MkLockEvents();
    mvK6EventQueue* q = id >= 1 && id < Events.queueCount ? Events.queues[id] : nullptr;
    *n = 0;
    if (q != nullptr && q->eventCount > 0) {
        int32_t index = q->readIndex;
        int32_t length = q->maxLength;
        if (!q->fixedLength) length = ringWord(q, index++) & 0xFF;
        for (int32_t i = 0; i < length; i++) words[i] = ringWord(q, index + i);
        *n = length;
        emptyQueue(q);
    }
    MkUnlockEvents();
}

static bool groupThreadHasEvent(const mvK6EventGroupThread* t) {
    for (int32_t g = 0; g < t->count; g++) {
        for (int32_t q = 0; q < t->groups[g]->count; q++) {
            if (t->groups[g]->queues[q]->eventCount > 0) return true;
        }
    }
    return false;
}

// Under the lock.
static int32_t hasEvent(int32_t threadId) {
    if (threadId == 0) return atomicLoad(&Events.eventTotal) > 0;
    if (mvK6EventThread* t = singleThread(threadId)) return t->queue->eventCount > 0;
    if (mvK6EventGroupThread* t = groupThread(threadId)) return groupThreadHasEvent(t);
    return 0;
}

int32_t mvK6Event_hasEvent(int32_t threadId) {
    MkLockEvents();
    int32_t result = hasEvent(threadId);
    MkUnlockEvents();
    return result;
}

// ---------------------------------------------------------------------------------
// Waiting and waking

int32_t mvK6Event_waitNextEvent(int32_t threadId) {
    MkLockEvents();
    if (hasEvent(threadId)) {
        MkUnlockEvents();
        return 0;
    }
    P32<ThreadRecord>* waiter = nullptr;
    int32_t* rooted = nullptr;
    if (mvK6EventThread* t = singleThread(threadId)) {
        waiter = &t->waiter;
        rooted = &t->rooted;
    } else if (mvK6EventGroupThread* g = groupThread(threadId)) {
        waiter = &g->waiter;
        rooted = &g->rooted;
    }
    if (waiter == nullptr) {
        MkUnlockEvents();
        return 0;
    }
    if (!*rooted) {
        makeGlobalRoot(waiter);
        *rooted = 1;
    }
    *waiter = CurrentThread;
    Events.waitingThreads++;
    *++Regs.sp = 0;
    suspendThread();
    MkUnlockEvents();
    return 1;
}

static void wakeWaiter(P32<ThreadRecord>* waiter) {
    ThreadRecord* thread = *waiter;
    *thread->spStore = 0;
    *waiter = nullptr;
    Events.waitingThreads--;
    resumeThread(thread);
}

// Under the lock.
int32_t mvK6Event_wakeKind(int32_t kind) {
    int32_t woken = 0;
    for (int32_t i = 0; i < Events.threadCount; i++) {
        mvK6EventThread* t = Events.threads[i];
        if (t == nullptr || (t->id & 0x70000) != kind || t->waiter == nullptr || t->queue->eventCount == 0) continue;
        wakeWaiter(&t->waiter);
        woken = 1;
    }
    for (int32_t i = 0; i < Events.groupThreadCount; i++) {
        mvK6EventGroupThread* t = Events.groupThreads[i];
        if (t == nullptr || (t->id & 0x70000) != kind || t->waiter == nullptr || !groupThreadHasEvent(t)) continue;
        wakeWaiter(&t->waiter);
        woken = 1;
    }
    return woken;
}

int32_t mvK6Event_wakeKind1(void) { return mvK6Event_wakeKind(EVENT_KIND_1); }
int32_t mvK6Event_wakeKind2(void) { return mvK6Event_wakeKind(EVENT_KIND_2); }
int32_t mvK6Event_wakeKind3(void) { return mvK6Event_wakeKind(EVENT_KIND_3); }

int32_t mvK6Event_pendingTotal(void) { return atomicLoad(&Events.eventTotal); }
int32_t mvK6Event_waitingThreads(void) { return Events.waitingThreads; }

// ---------------------------------------------------------------------------------
// Process events and the pending queue

int32_t mvK6Event_getProcessQueueId(void) { return Events.processQueueId; }

int32_t mvK6Event_postProcessEvent(int32_t type, int32_t parameter) {
    int32_t words[2] = {type, parameter};
    int32_t posted = type == MV_PROCESS_PAUSE ? mvK6Event_notify(words, 2, Events.processQueueId)
                                              : mvK6Event_post(words, 2, Events.processQueueId);
    if (!posted) mvK6Event_addPendingEvent(type, parameter);
    return posted;
}

int32_t mvK6Event_postVmEvent(int32_t parameter) { return mvK6Event_postProcessEvent(MV_PROCESS_VM_EVENT, parameter); }

void mvK6Event_addPendingEvent(int32_t type, int32_t parameter) {
    MkLockEvents();
    bool kept = Events.pendingCount < EVENT_PENDING_SLOTS;
    if (kept) {
        Events.pending[Events.pendingCount][0] = type;
        Events.pending[Events.pendingCount][1] = parameter;
        Events.pendingCount++;
    }
    mvVm_wakeHost();
    MkUnlockEvents();
    if (!kept) mvTraceLog_error("pendingEventQueue is full\n");
}

void mvK6Event_processEvent_resendPendingEvent(void) {
    MkLockEvents();
    int32_t count = Events.pendingCount;
    int32_t pairs[EVENT_PENDING_SLOTS][2];
    memcpy(pairs, Events.pending, sizeof pairs);
    Events.pendingCount = 0;
    MkUnlockEvents();
    for (int32_t i = 0; i < count; i++) mvK6Event_postProcessEvent(pairs[i][0], pairs[i][1]);
    MkLockEvents();
    bool failed = Events.pendingCount != 0;
    Events.pendingCount = 0;
    MkUnlockEvents();
    if (failed) mvTraceLog_error("mvK6Event_processEvent_resendPendingEvent is failed.\n");
}

int32_t mvK6Event_resendPendingWhenReady(void) {
    if (Events.processQueueId < 1 || mvVm_isSuspending()) return 0;
    mvK6Event_processEvent_resendPendingEvent();
    return 1;
}

// The wait for events asks this under the event lock.
int32_t mvK6Event_hasPendingEvents(void) { return Events.pendingCount > 0; }

int32_t mvK6Event_initProcessQueue(int32_t n) {
    mvK6EventQueue* q = mvK6Event_createQueue(4 * n, n, 1);
    int32_t thread = mvK6Event_registerThread(q, EVENT_KIND_1);
    Events.processQueueId = mvK6Event_registerQueue(q);
    mvK6Event_processEvent_resendPendingEvent();
    return thread;
}

void mvK6Event_setCommandCallback(int32_t command, int32_t kind, EventCommandCallback callback) {
    if (command >= 0 && command <= 4 && (kind == 0 || kind == 1)) Events.commands[command * 2 + kind] = callback;
}

EventCommandCallback mvK6Event_getCommandCallback(int32_t command, int32_t kind) {
    if (command < 0 || command > 4 || (kind != 0 && kind != 1)) return nullptr;
    return Events.commands[command * 2 + kind];
}

// Host threads post keys and requests while the VM thread may make the queues: the
// made flag is published after the ids.
int32_t mvK6Event_getUiQueueId(int32_t which) {
    if (which < 0 || which >= EVENT_UI_QUEUES || !atomicLoad(&Events.uiQueuesMade)) return -1;
    int32_t id = atomicLoad(&Events.uiQueueIds[which]);
    return id > 0 ? id : -1;
}

// The next event of the thread; before it is handed out, a request {kind 0 or 1, command
// 0..4, ...} goes to the command callback registered for it.
int32_t* mvK6Event_getNextEventWithCommands(int32_t threadId, int32_t* n) {
    int32_t* words = mvK6Event_getNextEvent(threadId, n);
    if (words == nullptr || *n < 2) return words;
    EventCommandCallback callback = mvK6Event_getCommandCallback(words[1], words[0]);
    if (callback != nullptr) callback(words[0], words[1], *n - 2, words + 2);
    return words;
}

void mvK6Event_sweepKeyEvents(void) {
    if (Events.keyQueueId > 0) mvK6Event_clearQueue(Events.keyQueueId);
}

// ---------------------------------------------------------------------------------
// The user-interface, dialog, connection and media queues

struct QueueSpec {
    int32_t ringWords, maxWords, group;
};

// Creates the queues and their groups, one group thread of kind 2 over them, then
// registers the queues; ids[i] receives queue i's id.
static int32_t initQueueSet(const QueueSpec* specs, int32_t queueCount, const int32_t* priorities, int32_t groupCount,
                            int32_t* ids, const char* groupsMessage) {
    P32<mvK6EventQueue>* queues = (P32<mvK6EventQueue>*)allocOrDie(queueCount * (int32_t)sizeof(P32<mvK6EventQueue>),
                                                                   "Could not create ui event queue.");
    P32<mvK6EventGroup>* groups =
        (P32<mvK6EventGroup>*)allocOrDie(groupCount * (int32_t)sizeof(P32<mvK6EventGroup>), groupsMessage);
    for (int32_t i = 0; i < queueCount; i++)
        queues[i] = mvK6Event_createQueue(specs[i].ringWords, specs[i].maxWords, 0);
    for (int32_t g = 0, first = 0; g < groupCount; g++) {
        int32_t count = 0;
        while (first + count < queueCount && specs[first + count].group == g) count++;
        P32<mvK6EventQueue>* members = (P32<mvK6EventQueue>*)allocOrDie(count * (int32_t)sizeof(P32<mvK6EventQueue>),
                                                                        "Could not create ui event queue.");
        memcpy(members, queues + first, (size_t)count * sizeof(P32<mvK6EventQueue>));
        groups[g] = mvK6Event_createGroup(members, count, priorities[g]);
        first += count;
    }
    int32_t thread = mvK6Event_registerGroupThread(groups, groupCount, EVENT_KIND_2);
    for (int32_t i = 0; i < queueCount; i++) ids[i] = mvK6Event_registerQueue(queues[i]);
    mvMemory_freePointer(queues);
    return thread;
}

// Requests, second requests, MIDP events, size changes, show notices, set-current,
// keys, pointer, repaint.
static const QueueSpec UiQueues[] = {{220, 10, 0}, {11, 10, 0}, {140, 6, 1}, {4, 3, 1}, {4, 1, 1},
                                     {2, 1, 1},    {50, 4, 2},  {60, 5, 2},  {2, 1, 3}};
static const int32_t UiPriorities[] = {0, 1, 2, 3};
enum { UI_KEY_QUEUE = 6 };
static const QueueSpec DialogQueues[] = {{220, 10, 0}, {11, 10, 0}, {50, 4, 1}, {60, 5, 1}, {2, 1, 2}};
static const int32_t DialogPriorities[] = {0, 1, 2};
static const QueueSpec ConnectionQueues[] = {{45, 4, 0}};
static const int32_t ConnectionPriorities[] = {0};

int32_t mvK6Event_initUiQueues(void) {
    int32_t ids[EVENT_UI_QUEUES];
    int32_t thread = initQueueSet(UiQueues, EVENT_UI_QUEUES, UiPriorities, 4, ids, "Could not create ui event queue.");
    for (int32_t i = 0; i < EVENT_UI_QUEUES; i++) atomicStore(&Events.uiQueueIds[i], ids[i]);
    Events.keyQueueId = ids[UI_KEY_QUEUE];
    atomicStore(&Events.uiQueuesMade, 1);
    return thread;
}

int32_t mvK6Event_initDialogQueues(void) {
    int32_t ids[DIALOG_QUEUE_COUNT];
    int32_t thread = initQueueSet(DialogQueues, 5, DialogPriorities, 3, ids, "Could not create ui event queues.");
    memcpy(Events.dialogQueueIds, ids, sizeof ids);
    atomicStore(&Events.dialogQueuesMade, 1);
    return thread;
}

// Host threads read these while the VM thread may make the queues: the made flag is
// published after the ids.
int32_t mvK6Event_getDialogQueueId(int32_t which) {
    if (which < 0 || which >= DIALOG_QUEUE_COUNT || !atomicLoad(&Events.dialogQueuesMade)) return -1;
    return Events.dialogQueueIds[which];
}

int32_t mvConnEvent_initQueue(void) {
    return initQueueSet(ConnectionQueues, 1, ConnectionPriorities, 1, &Events.connectionQueueId,
                        "Could not create ui event queue.");
}

int32_t mvConnEvent_maxSize(void) { return 6; }

int32_t mvMediaEvent_initQueue(int32_t n) {
    mvK6EventQueue* q = mvK6Event_createQueue((6 * n) % 65536, 5, 0);
    int32_t thread = mvK6Event_registerThread(q, EVENT_KIND_2);
    Events.mediaQueueId = mvK6Event_registerQueue(q);
    return thread;
}

enum { CONNECTION_KIND_HTTP = 6 };

int32_t AmNotifyHttpEvent(int32_t handle, int32_t p1, int32_t p2) {
    if (handle == 0) {
        atomicStore(&Events.httpStatus, p1);
        atomicStore(&Events.httpCount, p2);
        return 1;
    }
    if (Events.connectionQueueId < 1) {
        mvTraceLog_error("----- connection event: no init queue.\n");
        return 0;
    }
    int32_t words[4] = {CONNECTION_KIND_HTTP, handle, p1, p2};
    return mvK6Event_post(words, 4, Events.connectionQueueId);
}

int32_t mvConnEvent_lastHttpStatus(void) { return atomicLoad(&Events.httpStatus); }
int32_t mvConnEvent_lastHttpCount(void) { return atomicLoad(&Events.httpCount); }

int32_t mvMediaEvent_post(const int32_t* words) {
    if (Events.mediaQueueId < 1) return 0;
    return mvK6Event_post(words, 5, Events.mediaQueueId) ? 0 : -1;
}

namespace {
int32_t noMediaCallback(int32_t) { return 0; }
int32_t noMediaRegistration(void) { return 0; }
int32_t noTonePlayer(int32_t, int32_t, int32_t) { return -1; }
}  // namespace

constexpr MediaEventHooks DefaultMediaEventHooks = {noMediaCallback, noMediaRegistration, noTonePlayer};
VMHOOKS MediaEventHooks MediaEvents = DefaultMediaEventHooks;

int32_t mvMediaEvent_fireCallback(int32_t selector) {
    MediaEvents.fireCallback(selector);
    return 0;
}

int32_t mvMediaEvent_playSingleTone(int32_t note, int32_t duration, int32_t volume) {
    if (MediaEvents.registerVmCallbacks() != 0) return -1;
    return MediaEvents.tonePlayNote(note, duration, volume);
}
