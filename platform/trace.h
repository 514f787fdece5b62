// Host trace gate and the output sink of the VM's trace log. The sink accepts every
// character; where it goes is chosen by TraceSetOutput or the environment variable
// MOVANE_TRACE ("stderr", "-" or a file path); it is off unless one of them says so.
#pragma once

#include <stdint.h>

// 1 when level is at least the host threshold (-1 from program start), else 0.
int TraceIsEnabled(int level, const char* sourceFile, const char* function);
// Does nothing; lines are written as they end.
void TraceFlush(void);
void TraceSetThreshold(int threshold);

// Takes one character of trace output; always 0 (accepted).
int TraceSinkPutChar(int c);
// Sends trace output to standard error ("stderr" or "-"), to a file (appended), or
// nowhere (null or ""). -1 when the file cannot be opened (output then stays off).
int TraceSetOutput(const char* target);
// Test hook: every character handed to the sink is also passed to fn; null removes it.
void TraceSetCapture(void (*fn)(int c, void* context), void* context);
