// The multimedia timers: a millisecond clock and callback timers, all run by one
// timer-service thread (started with the first timer). A callback may set or kill timers,
// its own included. When timeKillEvent returns on another thread the timer's callback is
// not running and never runs again; so do not kill a timer while holding a lock that its
// callback takes.
#pragma once

#include <stdint.h>

enum : uint32_t {
    TIMERR_NOERROR = 0,
    TIMERR_NOCANDO = 97,
};

// timeSetEvent kinds.
enum : uint32_t {
    TIME_ONESHOT = 0x0000,
    TIME_PERIODIC = 0x0001,
    TIME_CALLBACK_FUNCTION = 0x0000,
    TIME_KILL_SYNCHRONOUS = 0x0100,  // accepted; every kill is synchronous here
};

struct TimerCaps {
    uint32_t wPeriodMin;
    uint32_t wPeriodMax;
};

// timer id, the user word given to timeSetEvent.
typedef void (*TimerProc)(uint32_t timerId, uintptr_t user);

// Milliseconds on a monotonic clock, wrapping at 2^32.
uint32_t timeGetTime(void);
// size is sizeof(TimerCaps); TIMERR_NOCANDO for a null record or a wrong size.
uint32_t timeGetDevCaps(TimerCaps* caps, uint32_t size);
// Periods inside the caps' range; every begin needs its end (an unmatched end, or a
// period out of range, is TIMERR_NOCANDO).
uint32_t timeBeginPeriod(uint32_t periodMs);
uint32_t timeEndPeriod(uint32_t periodMs);
// A timer due delayMs from now (periodic: every delayMs after that); the resolution is
// accepted and not needed. Its id (never 0), or 0 when refused (no callback, a delay
// outside the caps' range, an unknown kind, no thread).
uint32_t timeSetEvent(uint32_t delayMs, uint32_t resolutionMs, TimerProc callback, uintptr_t user, uint32_t kind);
// TIMERR_NOCANDO for an unknown (or already finished one-shot) id.
uint32_t timeKillEvent(uint32_t timerId);
