// The media trace and its default writer.
#include "media/players/mediatrace.h"

#include <stdio.h>

#include "platform/trace.h"
#include "platform/vmsections.h"

static void writeToSink(const char* text) {
    if (!TraceIsEnabled(1, "media", "mediaTrace")) return;
    for (const char* p = text; *p; p++) TraceSinkPutChar((unsigned char)*p);
}

VMHOOKS MediaTraceHooks MediaTrace = {writeToSink};

void mediaTrace(const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    MediaTraceHooks hooks = MediaTrace;
    if (hooks.write) hooks.write(buffer);
}
