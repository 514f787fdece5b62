// Time of day from the real-time clock; elapsed time from the monotonic clock, so that
// changes of the device's time of day never move the VM's scheduler time.
#include "platform/clock.h"

#include <pthread.h>
#include <time.h>

namespace {

int64_t g_elapsedOrigin;  // monotonic milliseconds at the first SysTimerInit
bool g_elapsedStarted;
pthread_once_t g_elapsedOnce = PTHREAD_ONCE_INIT;

int64_t monotonicMillis() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (int64_t)t.tv_sec * 1000 + t.tv_nsec / 1000000;
}

void takeOrigin() {
    g_elapsedOrigin = monotonicMillis();
    __atomic_store_n(&g_elapsedStarted, true, __ATOMIC_RELEASE);
}

void split(int64_t v, uint32_t* high, uint32_t* low) {
    if (high) {
        *high = (uint32_t)((uint64_t)v >> 32);
    }
    if (low) {
        *low = (uint32_t)v;
    }
}

}  // namespace

void SysClockStartOnce(void) { pthread_once(&g_elapsedOnce, takeOrigin); }

int64_t SysGetCurrentTimeMillis(uint32_t* high, uint32_t* low) {
    timespec t;
    clock_gettime(CLOCK_REALTIME, &t);
    int64_t ms = (int64_t)t.tv_sec * 1000 + t.tv_nsec / 1000000;
    split(ms, high, low);
    return ms;
}

void SysGetElapsedTime(uint32_t* high, uint32_t* low) {
    int64_t ms = 0;
    if (__atomic_load_n(&g_elapsedStarted, __ATOMIC_ACQUIRE)) {
        ms = monotonicMillis() - g_elapsedOrigin;
    }
    split(ms, high, low);
}
