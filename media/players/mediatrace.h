// Trace lines of the media code. They belong in the host trace log, which lies above this
// layer: the program's start-up hands its writer in through MediaTraceHooks. Until then
// the lines go to the trace sink.
#pragma once

#include <stdarg.h>

struct MediaTraceHooks {
    // One formatted text (not necessarily a whole line). Default: the trace sink.
    void (*write)(const char* text);
};
extern MediaTraceHooks MediaTrace;

// printf-style, cut at 255 characters.
void mediaTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));
