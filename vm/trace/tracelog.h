// The VM's levelled trace log and its own formatter, which is also the VM's bounded
// sprintf. Every number is one 32-bit word (the length modifiers are skipped); %s, %p
// and %n take pointers. Formatted trace characters go to the host's trace sink
// (platform/trace.h).
#pragma once

#include <stdarg.h>
#include <stdint.h>

// Trace levels: the highest level that is written (3 at every run start).
enum {
    MV_TRACE_ERROR = 1,
    MV_TRACE_WARNING = 2,
    MV_TRACE_INFO = 3,
};

// Characters formatted, or -1 when the level is off or the format is null.
int mvTraceLog_error(const char* format, ...);
int mvTraceLog_warning(const char* format, ...);
int mvTraceLog_info(const char* format, ...);
// Written whatever the level.
int mvTraceLog_debug(const char* format, ...);
int mvTraceLog_print(int unused, const char* format, ...);
int mvTraceLog_vprint(const char* format, va_list args);

// Sets the level (any value below 4; 4 and above give 3 with a warning) and returns
// the level now in force.
int mvTraceLog_setLogLevel(int level);
int mvTraceLog_getLogLevel(void);

// Formats into buffer (at most size - 1 characters and a terminator; a negative size
// writes without bound). Returns the length of the whole output, or 0 when buffer is null.
int mvSprintf(char* buffer, int size, const char* format, ...);
// The formatter itself: with a null buffer the characters go to the trace sink.
// Returns the length of the whole output.
int mvVsprintf(char* buffer, int size, const char* format, va_list args);
