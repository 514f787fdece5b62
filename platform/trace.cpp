// Host trace gate and trace sink. Characters are gathered per thread into lines so that
// lines of different threads do not interleave; a line is written when it ends or its
// buffer fills.
#include "platform/trace.h"

#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

int g_threshold = -1;

pthread_mutex_t g_outputLock = PTHREAD_MUTEX_INITIALIZER;
pthread_once_t g_envOnce = PTHREAD_ONCE_INIT;
FILE* g_output;       // null: trace output off
bool g_outputIsFile;  // g_output was opened here and is closed when replaced
bool g_active;        // output or capture set: the sink has something to do

void (*g_captureFn)(int c, void* context);
void* g_captureContext;

thread_local char t_line[256];
thread_local int t_lineLength;

void updateActiveLocked() {
    __atomic_store_n(&g_active, g_output != nullptr || g_captureFn != nullptr, __ATOMIC_RELEASE);
}

int setOutputLocked(const char* target) {
    if (g_outputIsFile && g_output) {
        fclose(g_output);
    }
    g_output = nullptr;
    g_outputIsFile = false;
    int rc = 0;
    if (target && *target) {
        if (strcmp(target, "stderr") == 0 || strcmp(target, "-") == 0) {
            g_output = stderr;
        } else {
            g_output = fopen(target, "a");
            g_outputIsFile = g_output != nullptr;
            rc = g_output ? 0 : -1;
        }
    }
    updateActiveLocked();
    return rc;
}

void readEnvironment() {
    const char* target = getenv("MOVANE_TRACE");
    pthread_mutex_lock(&g_outputLock);
    setOutputLocked(target);
    pthread_mutex_unlock(&g_outputLock);
}

void writeLine() {
    pthread_mutex_lock(&g_outputLock);
    if (g_output) {
        fwrite(t_line, 1, (size_t)t_lineLength, g_output);
        fflush(g_output);
    }
    pthread_mutex_unlock(&g_outputLock);
    t_lineLength = 0;
}

}  // namespace

int TraceIsEnabled(int level, const char* sourceFile, const char* function) {
    return level >= __atomic_load_n(&g_threshold, __ATOMIC_RELAXED) ? 1 : 0;
}

void TraceFlush(void) {}

void TraceSetThreshold(int threshold) { __atomic_store_n(&g_threshold, threshold, __ATOMIC_RELAXED); }

int TraceSinkPutChar(int c) {
    pthread_once(&g_envOnce, readEnvironment);
    if (!__atomic_load_n(&g_active, __ATOMIC_ACQUIRE)) {
        return 0;
    }
    void (*capture)(int, void*) = g_captureFn;
    if (capture) {
        capture(c & 0xFF, g_captureContext);
    }
    if (g_output) {
        t_line[t_lineLength++] = (char)c;
        if (c == '\n' || t_lineLength == (int)sizeof t_line) {
            writeLine();
        }
    }
    return 0;
}

int TraceSetOutput(const char* target) {
    pthread_once(&g_envOnce, readEnvironment);
    pthread_mutex_lock(&g_outputLock);
    int rc = setOutputLocked(target);
    pthread_mutex_unlock(&g_outputLock);
    return rc;
}

void TraceSetCapture(void (*fn)(int c, void* context), void* context) {
    pthread_mutex_lock(&g_outputLock);
    g_captureContext = context;
    g_captureFn = fn;
    updateActiveLocked();
    pthread_mutex_unlock(&g_outputLock);
}
