// The multimedia timers on one service thread. Timers wait in a list sorted by due time
// (monotonic clock); the thread takes the first that is due, runs its callback without
// the lock and, for a periodic one that was not killed meanwhile, puts it back one period
// later. A kill of the running timer from another thread waits for its callback to end.
#include "platform/mmtimer.h"

#include <errno.h>
#include <pthread.h>
#include <time.h>

namespace {

const uint32_t kPeriodMin = 1;
const uint32_t kPeriodMax = 1000000;

struct Timer {
    uint32_t id;
    bool periodic;
    uint32_t periodMs;
    uint64_t dueNs;
    TimerProc callback;
    uintptr_t user;
    Timer* next;
};

struct TimerService {
    pthread_mutex_t lock;
    pthread_cond_t wake;  // the thread: the list changed
    pthread_cond_t idle;  // killers: a callback finished
    bool started;
    pthread_t thread;
    Timer* head;
    Timer* running;  // popped, callback in progress
    bool runningKilled;
    uint32_t nextId;
    uint32_t periods[64];  // begin counts of periods 1..64; longer periods are not counted
    uint32_t longPeriods;
};

TimerService g_timers = {
    PTHREAD_MUTEX_INITIALIZER, {}, PTHREAD_COND_INITIALIZER, false, {}, nullptr, nullptr, false, 1, {}, 0};
pthread_once_t g_condOnce = PTHREAD_ONCE_INIT;

void initConds() {
    pthread_condattr_t attr;
    pthread_condattr_init(&attr);
    pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
    pthread_cond_init(&g_timers.wake, &attr);
    pthread_condattr_destroy(&attr);
}

uint64_t nowNs() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (uint64_t)t.tv_sec * 1000000000u + (uint64_t)t.tv_nsec;
}

void insertSorted(Timer* t) {
    Timer** link = &g_timers.head;
    while (*link != nullptr && (*link)->dueNs <= t->dueNs) link = &(*link)->next;
    t->next = *link;
    *link = t;
}

bool idInUse(uint32_t id) {
    if (g_timers.running != nullptr && g_timers.running->id == id) return true;
    for (Timer* t = g_timers.head; t != nullptr; t = t->next) {
        if (t->id == id) return true;
    }
    return false;
}

void* timerMain(void*) {
    TimerService& s = g_timers;
    pthread_mutex_lock(&s.lock);
    for (;;) {
        if (s.head == nullptr) {
            pthread_cond_wait(&s.wake, &s.lock);
            continue;
        }
        uint64_t now = nowNs();
        if (s.head->dueNs > now) {
            timespec at;
            at.tv_sec = (time_t)(s.head->dueNs / 1000000000u);
            at.tv_nsec = (long)(s.head->dueNs % 1000000000u);
            pthread_cond_timedwait(&s.wake, &s.lock, &at);
            continue;
        }
        Timer* t = s.head;
        s.head = t->next;
        s.running = t;
        s.runningKilled = false;
        pthread_mutex_unlock(&s.lock);
        t->callback(t->id, t->user);
        pthread_mutex_lock(&s.lock);
        s.running = nullptr;
        if (t->periodic && !s.runningKilled) {
            t->dueNs += (uint64_t)t->periodMs * 1000000u;
            // Far behind (a slow callback, a stopped process): go on from now, no burst.
            uint64_t after = nowNs();
            if (t->dueNs + (uint64_t)t->periodMs * 1000000u < after) t->dueNs = after;
            insertSorted(t);
        } else {
            delete t;
        }
        pthread_cond_broadcast(&s.idle);
    }
    return nullptr;
}

bool onTimerThread() { return g_timers.started && pthread_equal(pthread_self(), g_timers.thread); }

}  // namespace

uint32_t timeGetTime(void) { return (uint32_t)(nowNs() / 1000000u); }

uint32_t timeGetDevCaps(TimerCaps* caps, uint32_t size) {
    if (caps == nullptr || size < sizeof(TimerCaps)) return TIMERR_NOCANDO;
    caps->wPeriodMin = kPeriodMin;
    caps->wPeriodMax = kPeriodMax;
    return TIMERR_NOERROR;
}

uint32_t timeBeginPeriod(uint32_t periodMs) {
    if (periodMs < kPeriodMin || periodMs > kPeriodMax) return TIMERR_NOCANDO;
    pthread_mutex_lock(&g_timers.lock);
    if (periodMs <= 64) {
        g_timers.periods[periodMs - 1]++;
    } else {
        g_timers.longPeriods++;
    }
    pthread_mutex_unlock(&g_timers.lock);
    return TIMERR_NOERROR;
}

uint32_t timeEndPeriod(uint32_t periodMs) {
    if (periodMs < kPeriodMin || periodMs > kPeriodMax) return TIMERR_NOCANDO;
    uint32_t rc = TIMERR_NOCANDO;
    pthread_mutex_lock(&g_timers.lock);
    uint32_t* count = periodMs <= 64 ? &g_timers.periods[periodMs - 1] : &g_timers.longPeriods;
    if (*count > 0) {
        (*count)--;
        rc = TIMERR_NOERROR;
    }
    pthread_mutex_unlock(&g_timers.lock);
    return rc;
}

uint32_t timeSetEvent(uint32_t delayMs, uint32_t resolutionMs, TimerProc callback, uintptr_t user, uint32_t kind) {
    if (callback == nullptr || delayMs < kPeriodMin || delayMs > kPeriodMax) return 0;
    if ((kind & ~(uint32_t)(TIME_PERIODIC | TIME_KILL_SYNCHRONOUS)) != 0) return 0;
    pthread_once(&g_condOnce, initConds);
    TimerService& s = g_timers;
    pthread_mutex_lock(&s.lock);
    if (!s.started) {
        if (pthread_create(&s.thread, nullptr, timerMain, nullptr) != 0) {
            pthread_mutex_unlock(&s.lock);
            return 0;
        }
        pthread_detach(s.thread);
        s.started = true;
    }
    uint32_t id;
    do {
        id = s.nextId++;
    } while (id == 0 || idInUse(id));
    Timer* t = new Timer{
        id, (kind & TIME_PERIODIC) != 0, delayMs, nowNs() + (uint64_t)delayMs * 1000000u, callback, user, nullptr};
    insertSorted(t);
    pthread_cond_signal(&s.wake);
    pthread_mutex_unlock(&s.lock);
    return id;
}

uint32_t timeKillEvent(uint32_t timerId) {
    TimerService& s = g_timers;
    pthread_mutex_lock(&s.lock);
    uint32_t rc = TIMERR_NOCANDO;
    for (Timer** link = &s.head; *link != nullptr; link = &(*link)->next) {
        if ((*link)->id == timerId) {
            Timer* t = *link;
            *link = t->next;
            delete t;
            rc = TIMERR_NOERROR;
            break;
        }
    }
    if (rc != TIMERR_NOERROR && s.running != nullptr && s.running->id == timerId) {
        // Killed now or by its own callback a moment ago: either way, wait for the callback
        // to end, so the caller may free what it uses.
        if (!s.runningKilled) rc = TIMERR_NOERROR;
        s.runningKilled = true;
        if (!onTimerThread()) {
            while (s.running != nullptr && s.running->id == timerId) pthread_cond_wait(&s.idle, &s.lock);
        }
    }
    pthread_mutex_unlock(&s.lock);
    return rc;
}
