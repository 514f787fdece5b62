// Manual-reset wake-up event and binary semaphores on pthread mutexes and condition
// variables. The primitives are made once for the process and never destroyed, so a
// host thread that sets the event while the VM thread tears the timing services down
// never touches a dead object; "created" only says whether the event exists for callers.
#include "platform/events.h"

#include <errno.h>
#include <pthread.h>
#include <time.h>

#include "platform/clock.h"

namespace {

struct Gate {
    pthread_mutex_t mutex;
    pthread_cond_t cond;
    bool created;
    int count;  // semaphores: free slots (0 or 1); the event: 1 when signalled
};

Gate g_wake = {PTHREAD_MUTEX_INITIALIZER, {}, false, 0};
Gate g_semaphores[2] = {{PTHREAD_MUTEX_INITIALIZER, {}, false, 0}, {PTHREAD_MUTEX_INITIALIZER, {}, false, 0}};
pthread_once_t g_condOnce = PTHREAD_ONCE_INIT;

void initConds() {
    pthread_condattr_t attr;
    pthread_condattr_init(&attr);
    pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
    pthread_cond_init(&g_wake.cond, &attr);
    pthread_cond_init(&g_semaphores[0].cond, &attr);
    pthread_cond_init(&g_semaphores[1].cond, &attr);
    pthread_condattr_destroy(&attr);
}

void ensureConds() { pthread_once(&g_condOnce, initConds); }

Gate* semaphore(int32_t which) { return which == 1 || which == 2 ? &g_semaphores[which - 1] : nullptr; }

timespec deadlineAfter(uint32_t ms) {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    int64_t ns = (int64_t)now.tv_nsec + (int64_t)(ms % 1000) * 1000000;
    timespec at;
    at.tv_sec = now.tv_sec + (time_t)(ms / 1000) + (time_t)(ns / 1000000000);
    at.tv_nsec = (long)(ns % 1000000000);
    return at;
}

// Waits under g_wake.mutex until the event is signalled or the time runs out.
// Returns 0 when signalled, -1 on time-out; consume resets the event on success.
int32_t waitWakeLocked(uint32_t timeoutMs, bool consume) {
    timespec at = deadlineAfter(timeoutMs);
    while (g_wake.created && g_wake.count == 0) {
        int rc = pthread_cond_timedwait(&g_wake.cond, &g_wake.mutex, &at);
        if (rc == ETIMEDOUT) {
            break;
        }
    }
    if (!g_wake.created) {
        return 0;  // torn down while waiting: as if it never existed
    }
    if (g_wake.count == 0) {
        return -1;
    }
    if (consume) {
        g_wake.count = 0;
    }
    return 0;
}

}  // namespace

void SysTimerInit(void) {
    ensureConds();
    SysClockStartOnce();
    pthread_mutex_lock(&g_wake.mutex);
    if (!g_wake.created) {
        g_wake.created = true;
        g_wake.count = 0;
    }
    pthread_mutex_unlock(&g_wake.mutex);
    for (Gate& s : g_semaphores) {
        pthread_mutex_lock(&s.mutex);
        if (!s.created) {
            s.created = true;
            s.count = 1;
        }
        pthread_mutex_unlock(&s.mutex);
    }
}

void SysTimerTerm(void) {
    ensureConds();
    for (Gate& s : g_semaphores) {
        pthread_mutex_lock(&s.mutex);
        s.created = false;
        s.count = 0;
        pthread_cond_broadcast(&s.cond);  // waiters return as if never set up
        pthread_mutex_unlock(&s.mutex);
    }
    pthread_mutex_lock(&g_wake.mutex);
    g_wake.created = false;
    g_wake.count = 0;
    pthread_cond_broadcast(&g_wake.cond);
    pthread_mutex_unlock(&g_wake.mutex);
}

// Wait and consume under one lock, so a set that lands between them is not lost.
static int32_t waitWake(uint32_t timeoutMs, bool consume) {
    ensureConds();
    pthread_mutex_lock(&g_wake.mutex);
    int32_t rc = g_wake.created ? waitWakeLocked(timeoutMs, consume) : 0;
    pthread_mutex_unlock(&g_wake.mutex);
    return rc;
}

int32_t SysWaitWakeEvent(uint32_t timeoutMs) { return waitWake(timeoutMs, false); }

void SysWakeEventSet(void) {
    ensureConds();
    pthread_mutex_lock(&g_wake.mutex);
    if (g_wake.created) {
        g_wake.count = 1;
        pthread_cond_broadcast(&g_wake.cond);
    }
    pthread_mutex_unlock(&g_wake.mutex);
}

void SysWakeEventReset(void) {
    pthread_mutex_lock(&g_wake.mutex);
    if (g_wake.created) {
        g_wake.count = 0;
    }
    pthread_mutex_unlock(&g_wake.mutex);
}

int32_t MkEventWait(uint32_t timeoutMs) { return waitWake(timeoutMs, true); }

void MkEventSignal(void) { SysWakeEventSet(); }

void MkEventReset(void) { SysWakeEventReset(); }

void SysSemaphoreWait(int32_t which) {
    Gate* s = semaphore(which);
    if (!s) {
        return;
    }
    ensureConds();
    pthread_mutex_lock(&s->mutex);
    while (s->created && s->count == 0) {
        pthread_cond_wait(&s->cond, &s->mutex);
    }
    if (s->created) {
        s->count = 0;
    }
    pthread_mutex_unlock(&s->mutex);
}

void SysSemaphoreRelease(int32_t which) {
    Gate* s = semaphore(which);
    if (!s) {
        return;
    }
    ensureConds();
    pthread_mutex_lock(&s->mutex);
    if (s->created && s->count == 0) {  // the maximum count is 1
        s->count = 1;
        pthread_cond_signal(&s->cond);
    }
    pthread_mutex_unlock(&s->mutex);
}

void MkLockEvents(void) { SysSemaphoreWait(1); }

void MkUnlockEvents(void) { SysSemaphoreRelease(1); }
