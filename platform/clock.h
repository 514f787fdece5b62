// Clocks of the porting layer: the time of day and a monotonic elapsed-time counter,
// both in milliseconds and handed out as two 32-bit words.
#pragma once

#include <stdint.h>

// Current UTC time in milliseconds since 1970-01-01; also returned whole.
int64_t SysGetCurrentTimeMillis(uint32_t* high, uint32_t* low);
// Milliseconds since the first SysTimerInit of the process (monotonic); 0 before it.
void SysGetElapsedTime(uint32_t* high, uint32_t* low);

// Used by SysTimerInit: takes the elapsed-time origin the first time only.
void SysClockStartOnce(void);
