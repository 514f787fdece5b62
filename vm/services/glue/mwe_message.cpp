// The host message queues. Each queue is a mutex, a condition and a list appended at
// the tail; everything about the list, its head test included, happens under the
// mutex, so a message posted while the reader looks is neither lost nor taken twice.
// A launch gets its queues emptied, never freed under a poster.
// The control thread's one-shot timers live with queue 3: its reader wakes at the
// earliest deadline and turns a due timer into a type-2 message.
#include <pthread.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "platform/atomicword.h"
#include "vm/services/glue/mwe.h"
#include "vm/services/glue/mwe_internal.h"

enum { TIMER_SLOTS = 8 };

struct MweNode {
    MweNode* next;
    MweMsg* message;
};

struct MweQueue {
    pthread_mutex_t mutex;
    pthread_cond_t signalled;
    MweNode* head;
    MweNode* tail;
    int32_t length;
    int32_t closed;
};

struct MweTimer {
    uint16_t id;
    int32_t armed;
    struct timespec due;
};

static MweQueue Queues[MWE_QUEUE_COUNT];
static MweTimer Timers[TIMER_SLOTS];
static int32_t QueuesMade;

static bool made() { return atomicLoad(&QueuesMade) != 0; }

MweMsg* mwe_allocMsg(uint32_t type) {
    if (type > MWE_MSG_TIMER) return nullptr;
    // every type gets the whole record: a reader may look at the event of any message
    MweMsg* m = (MweMsg*)calloc(1, sizeof(MweMsg));
    if (m != nullptr) m->type = type;
    return m;
}

void mwe_freeMsg(MweMsg* message) { free(message); }

static struct timespec now() {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t;
}

static bool before(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

// The mutexes and conditions are made once and kept: a host thread may post at any
// moment, also while one launch's queues are emptied for the next.
static void makeOnce() {
    pthread_condattr_t attr;
    pthread_condattr_init(&attr);
    pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
    for (MweQueue& q : Queues) {
        pthread_mutex_init(&q.mutex, nullptr);
        pthread_cond_init(&q.signalled, &attr);
    }
    pthread_condattr_destroy(&attr);
}

// Under the queue's mutex.
static void drain(MweQueue& q) {
    for (MweNode* n = q.head; n != nullptr;) {
        MweNode* next = n->next;
        mwe_freeMsg(n->message);
        free(n);
        n = next;
    }
    q.head = q.tail = nullptr;
    q.length = 0;
}

void mweQueues_make(void) {
    static pthread_once_t once = PTHREAD_ONCE_INIT;
    pthread_once(&once, makeOnce);
    for (MweQueue& q : Queues) {
        pthread_mutex_lock(&q.mutex);
        drain(q);
        q.closed = 0;
        if (&q == &Queues[MWE_QUEUE_CONTROL]) memset(Timers, 0, sizeof Timers);
        pthread_mutex_unlock(&q.mutex);
    }
    atomicStore(&QueuesMade, 1);
}

void mweQueues_free(void) {
    if (!made()) return;
    for (MweQueue& q : Queues) {
        pthread_mutex_lock(&q.mutex);
        drain(q);
        if (&q == &Queues[MWE_QUEUE_CONTROL]) memset(Timers, 0, sizeof Timers);
        pthread_mutex_unlock(&q.mutex);
    }
}

void mweQueues_close(int32_t queue) {
    MweQueue& q = Queues[queue];
    pthread_mutex_lock(&q.mutex);
    q.closed = 1;
    pthread_cond_broadcast(&q.signalled);
    pthread_mutex_unlock(&q.mutex);
}

int32_t mwe_postMsg(int32_t queue, MweMsg* message) {
    if (queue < 0 || queue >= MWE_QUEUE_COUNT || !made() || message == nullptr) {
        mwe_freeMsg(message);
        return queue;
    }
    MweNode* node = (MweNode*)malloc(sizeof(MweNode));
    if (node == nullptr) {
        mwe_freeMsg(message);
        return queue;
    }
    node->next = nullptr;
    node->message = message;
    MweQueue& q = Queues[queue];
    pthread_mutex_lock(&q.mutex);
    if (q.tail != nullptr) {
        q.tail->next = node;
    } else {
        q.head = node;
    }
    q.tail = node;
    q.length++;
    pthread_cond_broadcast(&q.signalled);
    pthread_mutex_unlock(&q.mutex);
    return queue;
}

// Under the queue's mutex.
static MweMsg* takeHead(MweQueue& q) {
    MweNode* node = q.head;
    if (node == nullptr) return nullptr;
    q.head = node->next;
    if (q.head == nullptr) q.tail = nullptr;
    q.length--;
    MweMsg* m = node->message;
    free(node);
    return m;
}

// Under queue 3's mutex: the earliest armed timer, or null.
static MweTimer* earliestTimer() {
    MweTimer* best = nullptr;
    for (MweTimer& t : Timers) {
        if (t.armed && (best == nullptr || before(t.due, best->due))) best = &t;
    }
    return best;
}

// Under queue 3's mutex: a due timer becomes a tick message (every timer is one-shot).
static MweMsg* takeDueTimer(const struct timespec& at) {
    MweTimer* t = earliestTimer();
    if (t == nullptr || before(at, t->due)) return nullptr;
    t->armed = 0;
    MweMsg* tick = mwe_allocMsg(MWE_MSG_TIMER);
    if (tick != nullptr) tick->u.timerId = t->id;
    return tick;
}

MweMsg* mwe_getMsg(int32_t queue) {
    if (queue < 0 || queue >= MWE_QUEUE_COUNT || !made()) return nullptr;
    MweQueue& q = Queues[queue];
    pthread_mutex_lock(&q.mutex);
    MweMsg* m = takeHead(q);
    if (m == nullptr && queue == MWE_QUEUE_CONTROL) m = takeDueTimer(now());
    pthread_mutex_unlock(&q.mutex);
    return m;
}

MweMsg* mwe_waitMsg(int32_t queue) {
    if (queue < 0 || queue >= MWE_QUEUE_COUNT || !made()) return nullptr;
    MweQueue& q = Queues[queue];
    pthread_mutex_lock(&q.mutex);
    MweMsg* m = nullptr;
    for (;;) {
        m = takeHead(q);
        if (m != nullptr || q.closed) break;
        if (queue == MWE_QUEUE_CONTROL) {
            m = takeDueTimer(now());
            if (m != nullptr) break;
            if (MweTimer* t = earliestTimer()) {
                pthread_cond_timedwait(&q.signalled, &q.mutex, &t->due);
                continue;
            }
        }
        pthread_cond_wait(&q.signalled, &q.mutex);
    }
    pthread_mutex_unlock(&q.mutex);
    return m;
}

int32_t mwe_queueLength(int32_t queue) {
    if (queue < 0 || queue >= MWE_QUEUE_COUNT || !made()) return 0;
    MweQueue& q = Queues[queue];
    pthread_mutex_lock(&q.mutex);
    int32_t n = q.length;
    pthread_mutex_unlock(&q.mutex);
    return n;
}

static const int32_t QueueOfSelector[] = {0, 1, 3, 4, 2};

void mwe_postEvent(int32_t selector, const MweEvent* record) {
    if (selector < 0 || selector > 4 || record == nullptr) return;
    MweMsg* m = mwe_allocMsg(MWE_MSG_EVENT);
    if (m == nullptr) return;
    memcpy(&m->u.event, record, sizeof(MweEvent));
    mwe_postMsg(QueueOfSelector[selector], m);
}

void mwe_postSimpleEvent(int32_t selector, int32_t kind) {
    MweEvent record;
    memset(&record, 0, sizeof record);
    record.kind = kind;
    mwe_postEvent(selector, &record);
}

void mwe_postKeyCommand(int32_t action, int32_t keyCode, int16_t argument) {
    MweMsg* m = mwe_allocMsg(MWE_MSG_KEY);
    if (m == nullptr) return;
    m->u.key.action = action;
    m->u.key.keyCode = keyCode;
    m->u.key.argument = argument;
    mwe_postMsg(MWE_QUEUE_CONTROL, m);
}

int32_t mwe_setTimer(uint32_t elapseMs, uint16_t timerId) {
    if (!made()) return 0;
    MweQueue& q = Queues[MWE_QUEUE_CONTROL];
    pthread_mutex_lock(&q.mutex);
    MweTimer* slot = nullptr;
    for (MweTimer& t : Timers) {
        if (t.armed && t.id == timerId) slot = &t;
    }
    for (MweTimer& t : Timers) {
        if (slot == nullptr && !t.armed) slot = &t;
    }
    if (slot != nullptr) {
        struct timespec due = now();
        due.tv_sec += elapseMs / 1000;
        due.tv_nsec += (long)(elapseMs % 1000) * 1000000L;
        if (due.tv_nsec >= 1000000000L) {
            due.tv_sec++;
            due.tv_nsec -= 1000000000L;
        }
        slot->id = timerId;
        slot->due = due;
        slot->armed = 1;
        pthread_cond_broadcast(&q.signalled);
    }
    pthread_mutex_unlock(&q.mutex);
    return slot != nullptr;
}

void mwe_killTimer(uint16_t timerId) {
    if (!made()) return;
    MweQueue& q = Queues[MWE_QUEUE_CONTROL];
    pthread_mutex_lock(&q.mutex);
    for (MweTimer& t : Timers) {
        if (t.id == timerId) t.armed = 0;
    }
    pthread_mutex_unlock(&q.mutex);
}
