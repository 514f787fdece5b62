// The VM wake-up event and the event system's lock, on pthreads. The wake-up event is
// a manual-reset event that host threads set when they post work for the VM thread;
// the lock is a count-1 semaphore. Both exist between SysTimerInit and SysTimerTerm.
#pragma once

#include <stdint.h>

// Sets up what is not set up yet: the elapsed-time origin (once per process), the
// wake-up event and the two binary semaphores (made again after SysTimerTerm).
void SysTimerInit(void);
// Destroys the semaphores and the wake-up event and clears their flags.
void SysTimerTerm(void);

// 0 when the wake-up event was signalled (it stays signalled), -1 on time-out or
// failure; 0 at once when the event does not exist.
int32_t SysWaitWakeEvent(uint32_t timeoutMs);
void SysWakeEventSet(void);
void SysWakeEventReset(void);

// which is 1 or 2; nothing happens before set-up or for other numbers.
void SysSemaphoreWait(int32_t which);
void SysSemaphoreRelease(int32_t which);

// Waits at most timeoutMs for the wake-up event: -1 when the time ran out, otherwise
// resets the event and returns 0; 0 at once when the event does not exist.
int32_t MkEventWait(uint32_t timeoutMs);
// Set and reset the wake-up event.
void MkEventSignal(void);
void MkEventReset(void);
// The event system's lock (semaphore 1).
void MkLockEvents(void);
void MkUnlockEvents(void);
