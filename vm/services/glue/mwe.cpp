// The host glue's threads and entry points. One launch owns a set of queues, a VM control
// thread and a thread_kve; a new launch first joins the threads of the last one, then
// frees and remakes the queues, so no thread ever reads a queue that is gone. A start
// asked for while a run is in progress is remembered and made when the shell reports
// the run's end.
#include <errno.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "platform/atomicword.h"
#include "platform/lowmem.h"
#include "platform/trace.h"
#include "storage/qmms_hooks.h"
#include "storage/qmms_manager.h"
#include "storage/qmms_permission.h"
#include "vm/services/descriptor.h"
#include "vm/services/glue/mwe.h"
#include "vm/services/glue/mwe_internal.h"

enum { KVE_STACK = 8 * 1024 * 1024, CONTROL_STACK = 256 * 1024, READY_WAIT_MS = 1000, FINI_GRACE_MS = 2000 };

static MweShell Shell;

void mwe_setShell(const MweShell* shell) {
    if (shell != nullptr) {
        Shell = *shell;
    } else {
        memset(&Shell, 0, sizeof Shell);
    }
}

const MweShell* mwe_getShell(void) { return &Shell; }

void mwe_trace(int level, const char* source, const char* function, const char* text) {
    if (!TraceIsEnabled(level, source, function)) return;
    for (const char* c = text; *c != 0; c++) TraceSinkPutChar((unsigned char)*c);
}

// ---------------------------------------------------------------------------------
// State of the launches

struct Launch {
    pthread_t kve, control;
    int32_t kveMade, controlMade;
    int32_t queuesMade;
    int32_t launched;      // a launch request was posted
    int32_t runEnded;      // the state callback reported the end (atomic)
    int32_t controlEnded;  // (atomic)
    int32_t ready;
    uint8_t* jad;
    uint8_t* jar;
};

struct Remembered {
    int32_t kind;  // 0 none, 1 by suite, 2 from files
    int32_t suite, midlet;
    char* jadPath;
    char* jarPath;
};

static Launch L = {};
static Remembered Pending = {};
static pthread_mutex_t LaunchLock = PTHREAD_MUTEX_INITIALIZER;
static pthread_mutex_t ReadyLock = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t ReadyCond = PTHREAD_COND_INITIALIZER;
static int32_t ScreenReady, ResumePending;
// whether the run reached the MIDlet's entry, and whether someone asked it to stop (atomic)
static int32_t RunStarted, StopAsked;

int32_t mwe_isScreenReady(void) { return atomicLoad(&ScreenReady); }
int32_t mwe_isResumePending(void) { return atomicLoad(&ResumePending); }

int32_t mwe_isRunInProgress(void) { return L.launched && !atomicLoad(&L.runEnded) && !atomicLoad(&L.controlEnded); }

// ---------------------------------------------------------------------------------
// The two threads

static void* controlThread(void*) {
    mwe_clearControl();
    pthread_mutex_lock(&ReadyLock);
    L.ready = 1;
    pthread_cond_broadcast(&ReadyCond);
    pthread_mutex_unlock(&ReadyLock);
    for (;;) {
        MweMsg* m = mwe_waitMsg(MWE_QUEUE_CONTROL);
        if (m == nullptr) break;
        int32_t result = 0;
        if (m->type == MWE_MSG_EVENT) {
            result = mwe_dispatchControl(&m->u.event);
        } else if (m->type == MWE_MSG_KEY) {
            mwe_handleKey(&m->u.key);
        } else {
            mwe_handleTimer(m->u.timerId);
        }
        mwe_freeMsg(m);
        if (result == 2) break;
    }
    memset(&MweControlState, 0, sizeof MweControlState);
    atomicStore(&L.controlEnded, 1);
    return nullptr;
}

static void* kveThread(void*) {
    for (;;) {
        MweMsg* m = mwe_waitMsg(MWE_QUEUE_KVE);
        if (m == nullptr) break;
        int32_t result = 0;
        if (m->type == MWE_MSG_EVENT) result = mwe_dispatchKve(&m->u.event);
        mwe_freeMsg(m);
        if (result == 2) break;
    }
    return nullptr;
}

static bool makeThread(pthread_t* thread, void* (*body)(void*), size_t stack) {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, stack);
    bool made = pthread_create(thread, &attr, body, nullptr) == 0;
    pthread_attr_destroy(&attr);
    return made;
}

static void freeBuffers() {
    lowFree(L.jad);
    lowFree(L.jar);
    L.jad = L.jar = nullptr;
}

// Ends the threads of the last launch (they are idle or about to end), then frees its
// queues and blocks. Not while a run is in progress.
static void teardown() {
    if (L.queuesMade) {
        mweQueues_close(MWE_QUEUE_CONTROL);
        mweQueues_close(MWE_QUEUE_KVE);
    }
    if (L.controlMade) pthread_join(L.control, nullptr);
    if (L.kveMade) pthread_join(L.kve, nullptr);
    if (L.queuesMade) mweQueues_free();
    freeBuffers();
    L.kveMade = L.controlMade = L.queuesMade = L.launched = 0;
    atomicStore(&L.runEnded, 0);
    atomicStore(&L.controlEnded, 0);
}

// ---------------------------------------------------------------------------------
// What the suite store calls

static int32_t getAttribute(const char* text, int length, const char* key, char* out, int outSize, int trim) {
    if (text == nullptr || length < 1 || outSize < 1) return -1;
    if (length > (INT32_MAX - 8192) / 4) return -1;
    int32_t memory = length * 4 + 8192;
    // the descriptor's records keep the area's addresses in words
    void* area = lowAlloc((size_t)memory);
    if (area == nullptr) return -1;
    int32_t error = 0, n = 0, result = -1;
    QamsEnv* env = QamsEnvInitialize(memory, area, &error);
    QamsDescriptor* d =
        env != QAMS_NO_ENV ? QamsDescriptorParse(env, (const uint8_t*)text, length, 1, &error) : QAMS_NO_DESCRIPTOR;
    const char* value =
        d != QAMS_NO_DESCRIPTOR ? QamsDescriptorGetValueByKey(env, d, key, (int32_t)strlen(key), &n, &error) : nullptr;
    if (value != nullptr && trim) value = QamsTrimRange(value, n, &n, &error);
    if (value != nullptr) {
        if (n > outSize - 1) n = outSize - 1;
        memcpy(out, value, (size_t)n);
        out[n] = 0;
        result = 0;
    }
    if (d != QAMS_NO_DESCRIPTOR) QamsJadClose(env, d);
    if (env != QAMS_NO_ENV) QamsEnvFinalize(env);
    lowFree(area);
    return result;
}

static void postEventHook(int selector, const void* record) { mwe_postEvent(selector, (const MweEvent*)record); }
static void postSimpleHook(int selector, int kind) { mwe_postSimpleEvent(selector, kind); }

void mwe_setStateCallback(uintptr_t callback) { MweControlState.callback = (MweStateCallback)callback; }

static void connectStore() {
    QmmsHooks hooks = *qmms_getHooks();
    hooks.setStateCallback = mwe_setStateCallback;
    hooks.postEvent = postEventHook;
    hooks.postSimpleEvent = postSimpleHook;
    if (hooks.getAttribute == nullptr) hooks.getAttribute = getAttribute;
    qmms_setHooks(&hooks);
}

// ---------------------------------------------------------------------------------
// Entry points

static int32_t initLocked() {
    if (mwe_isRunInProgress()) return -1;
    if (Shell.gfsInitPhysicalPaths) Shell.gfsInitPhysicalPaths();
    atomicStore(&ResumePending, 0);
    atomicStore(&ScreenReady, 0);
    atomicStore(&RunStarted, 0);
    atomicStore(&StopAsked, 0);
    teardown();
    mweQueues_make();
    L.queuesMade = 1;
    connectStore();
    qmms_init(0);
    if (!makeThread(&L.kve, kveThread, KVE_STACK)) {
        mwe_trace(2, "mwe", "mwe_init", "Failed to create thread_kve");
        return -1;
    }
    L.kveMade = 1;
    return 0;
}

int32_t mwe_init(void) {
    pthread_mutex_lock(&LaunchLock);
    int32_t result = initLocked();
    pthread_mutex_unlock(&LaunchLock);
    return result;
}

static bool startControlThread() {
    if (!L.queuesMade || L.controlMade) return false;
    pthread_mutex_lock(&ReadyLock);
    L.ready = 0;
    pthread_mutex_unlock(&ReadyLock);
    if (!makeThread(&L.control, controlThread, CONTROL_STACK)) return false;
    L.controlMade = 1;
    struct timespec until;
    clock_gettime(CLOCK_REALTIME, &until);
    until.tv_sec += READY_WAIT_MS / 1000;
    pthread_mutex_lock(&ReadyLock);
    while (!L.ready) {
        if (pthread_cond_timedwait(&ReadyCond, &ReadyLock, &until) != 0) break;
    }
    pthread_mutex_unlock(&ReadyLock);
    return true;
}

static int32_t startBySuiteLocked(int32_t suiteId, int32_t midlet) {
    if (!startControlThread()) return -1;
    L.launched = 1;
    qmms_postLaunch(suiteId, midlet, -1, (uintptr_t)mwe_stateCallback);
    return 0;
}

int32_t mwe_startVmBySuite(int32_t suiteId, int32_t midlet) {
    pthread_mutex_lock(&LaunchLock);
    int32_t result = startBySuiteLocked(suiteId, midlet);
    pthread_mutex_unlock(&LaunchLock);
    return result;
}

int32_t mwe_startVmWithTestServer(const char* url) {
    pthread_mutex_lock(&LaunchLock);
    int32_t result = -1;
    if (Shell.testClientStart == nullptr) {
        mwe_trace(2, "mwe", "mwe_startVmWithTestServer", "no test client\n");
    } else if (url != nullptr && startControlThread()) {
        L.launched = 1;
        result = Shell.testClientStart(url) == 0 ? 0 : -1;
        // nothing was posted: the launch's threads go at once
        if (result != 0) teardown();
    }
    pthread_mutex_unlock(&LaunchLock);
    return result;
}

// Why a start from files failed, on standard error for the user at the terminal.
static void refuse(const char* format, const char* a, const char* b, const char* c = "") {
    char text[1200];
    snprintf(text, sizeof text, format, a, b, c);
    fprintf(stderr, "Movane_VM: %s\n", text);
    mwe_trace(2, "mwe", "mwe_startVmFromFiles", text);
    mwe_trace(2, "mwe", "mwe_startVmFromFiles", "\n");
}

// The whole file into a new buffer; null when it cannot be read. The buffer is low: the
// suite store registers it as a built-in file, whose record keeps its address in a word.
// Only a regular file is opened: a FIFO or a device would block the caller, who holds
// the launch lock, for as long as nobody writes to it.
static uint8_t* readWhole(const char* path, const char* what, int32_t* size) {
    struct stat status;
    if (stat(path, &status) != 0) {
        refuse("cannot read the %s %s: %s", what, path, strerror(errno));
        return nullptr;
    }
    if (!S_ISREG(status.st_mode)) {
        refuse("cannot read the %s: %s is not a regular file", what, path);
        return nullptr;
    }
    FILE* f = fopen(path, "rb");
    if (f == nullptr) {
        refuse("cannot read the %s %s: %s", what, path, strerror(errno));
        return nullptr;
    }
    uint8_t* data = nullptr;
    long length = -1;
    if (fseek(f, 0, SEEK_END) == 0) length = ftell(f);
    if (length >= 0 && length < 0x7FFFFFFF && fseek(f, 0, SEEK_SET) == 0) {
        data = (uint8_t*)lowAlloc((size_t)length + 1);
        if (data != nullptr && fread(data, 1, (size_t)length, f) != (size_t)length) {
            lowFree(data);
            data = nullptr;
        }
    }
    fclose(f);
    if (data == nullptr) refuse("cannot read the %s %s", what, path);
    *size = (int32_t)length;
    return data;
}

// The line number of the descriptor line that starts with key and a colon; 0 if none.
static int32_t lineOf(const uint8_t* text, int32_t size, const char* key) {
    size_t keyLength = strlen(key);
    int32_t line = 1;
    for (int32_t i = 0; i < size; line++) {
        if ((size_t)(size - i) > keyLength && memcmp(text + i, key, keyLength) == 0 && text[i + keyLength] == ':')
            return line;
        while (i < size && text[i] != '\n') i++;
        i++;
    }
    return 0;
}

static bool blank(const char* from, const char* to) {
    while (from < to && (*from == ' ' || *from == '\t')) from++;
    return from == to;
}

// The check of each MIDlet-n line an installation makes (name, icon, class: result -4),
// which a start from files must not skip. True when the lines are sound.
static bool checkMidletLines(const char* jadPath, const uint8_t* jad, int32_t jadSize) {
    char value[1024];
    int32_t n = 1;
    for (;; n++) {
        char key[24];
        snprintf(key, sizeof key, "MIDlet-%d", (int)n);
        if (getAttribute((const char*)jad, jadSize, key, value, (int)sizeof value, 1) != 0) break;
        const char* first = strchr(value, ',');
        const char* second = first != nullptr ? strchr(first + 1, ',') : nullptr;
        const char* why = nullptr;
        if (second == nullptr) {
            why = "it is not \"name, icon, class\"";
        } else if (blank(value, first)) {
            why = "the MIDlet's name is empty";
        } else if (blank(second + 1, value + strlen(value))) {
            why = "it names no class";
        }
        if (why != nullptr) {
            char where[64];
            snprintf(where, sizeof where, "line %d, \"%s\"", (int)lineOf(jad, jadSize, key), key);
            refuse("the descriptor %s is refused (-4): %s: %s", jadPath, where, why);
            return false;
        }
    }
    if (n == 1) {
        refuse("the descriptor %s is refused: %s", jadPath, "it has no \"MIDlet-1\" line");
        return false;
    }
    return true;
}

// The permissions a descriptor says its suite needs must be ones that the domain of an
// unsigned suite can grant, as an installation demands (result 910).
static bool checkDeclaredPermissions(const char* jadPath, const uint8_t* jad, int32_t jadSize) {
    // one byte more than the store takes, so that a list too long is seen as such
    char names[4097];
    if (getAttribute((const char*)jad, jadSize, "MIDlet-Permissions", names, (int)sizeof names, 1) != 0) return true;
    char refused[160];
    if (qmms_checkDeclaredPermissions(names, 0, refused, (int)sizeof refused) == 0) return true;
    if (qmms_lastStatus() == QMMS_STATUS_AUTHORIZATION) {
        refuse("the descriptor %s is refused (910): \"MIDlet-Permissions\" names %s, %s", jadPath,
               refused[0] != 0 ? refused : "more than fits", "which the suite's protection domain does not grant");
    } else {
        refuse("the descriptor %s is refused: %s%s", jadPath,
               "its protection domain cannot be loaded: ", qmms_domainErrorName(qmms_lastDomainError()));
    }
    return false;
}

static int32_t startFromFilesLocked(const char* jadPath, const char* jarPath, int32_t midlet) {
    int32_t jadSize = 0, jarSize = 0;
    uint8_t* jad = jadPath != nullptr ? readWhole(jadPath, "JAD", &jadSize) : nullptr;
    uint8_t* jar = jad != nullptr && jarPath != nullptr ? readWhole(jarPath, "JAR", &jarSize) : nullptr;
    if (jad != nullptr && jar != nullptr &&
        (!checkMidletLines(jadPath, jad, jadSize) || !checkDeclaredPermissions(jadPath, jad, jadSize))) {
        lowFree(jar);
        lowFree(jad);
        return -1;
    }
    if (jar == nullptr || jad == nullptr) {
        lowFree(jar);
        lowFree(jad);
        mwe_trace(2, "mwe", "mwe_startVmFromFiles", "cannot read the JAD or the JAR file\n");
        return -1;
    }
    if (!startControlThread()) {
        lowFree(jar);
        lowFree(jad);
        return -1;
    }
    L.jad = jad;
    L.jar = jar;
    L.launched = 1;
    if (qmms_registerMemorySuite((const char*)jad, jadSize, jar, jarSize, midlet, (uintptr_t)mwe_stateCallback) != 0) {
        // nothing was posted: the launch's threads go at once
        mwe_trace(2, "mwe", "mwe_startVmFromFiles", "the descriptor names no MIDlet\n");
        teardown();
        return -1;
    }
    return 0;
}

int32_t mwe_startVmFromFiles(const char* jadPath, const char* jarPath, int32_t midlet) {
    pthread_mutex_lock(&LaunchLock);
    int32_t result = startFromFilesLocked(jadPath, jarPath, midlet);
    pthread_mutex_unlock(&LaunchLock);
    if (result != 0) mwe_noteExitStatus(MWE_EXIT_NOT_STARTED);
    return result;
}

static char* copyText(const char* text) { return text != nullptr ? strdup(text) : nullptr; }

static void forgetPending() {
    free(Pending.jadPath);
    free(Pending.jarPath);
    memset(&Pending, 0, sizeof Pending);
}

static int32_t startNow(int32_t kind, int32_t suite, int32_t midlet, const char* jadPath, const char* jarPath) {
    if (initLocked() != 0) return -1;
    int32_t result = kind == 1 ? startBySuiteLocked(suite, midlet) : startFromFilesLocked(jadPath, jarPath, midlet);
    if (result != 0) {
        teardown();
        mwe_noteExitStatus(MWE_EXIT_NOT_STARTED);
    }
    return result;
}

static int32_t request(int32_t kind, int32_t suite, int32_t midlet, const char* jadPath, const char* jarPath) {
    pthread_mutex_lock(&LaunchLock);
    int32_t result;
    if (mwe_isRunInProgress()) {
        forgetPending();
        Pending.kind = kind;
        Pending.suite = suite;
        Pending.midlet = midlet;
        Pending.jadPath = copyText(jadPath);
        Pending.jarPath = copyText(jarPath);
        result = 1;
    } else {
        result = startNow(kind, suite, midlet, jadPath, jarPath);
    }
    pthread_mutex_unlock(&LaunchLock);
    return result;
}

int32_t mwe_requestStartBySuite(int32_t suiteId, int32_t midlet) {
    return request(1, suiteId, midlet, nullptr, nullptr);
}

int32_t mwe_requestStartFromFiles(const char* jadPath, const char* jarPath, int32_t midlet) {
    return request(2, -1, midlet, jadPath, jarPath);
}

int32_t mwe_onRunEnded(void) {
    pthread_mutex_lock(&LaunchLock);
    int32_t result = 2;
    if (!mwe_isRunInProgress()) {
        teardown();
        if (Pending.kind != 0) {
            Remembered p = Pending;
            memset(&Pending, 0, sizeof Pending);
            result = startNow(p.kind, p.suite, p.midlet, p.jadPath, p.jarPath);
            free(p.jadPath);
            free(p.jarPath);
        }
    }
    pthread_mutex_unlock(&LaunchLock);
    return result;
}

static int64_t nowMs() {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (int64_t)t.tv_sec * 1000 + t.tv_nsec / 1000000;
}

void mwe_fini(void) {
    // a stop has the destroy watchdog's time and the forced stop's; a run still going
    // after twice that will not end, and the program must not wait for it
    int64_t until = nowMs() + 2 * MWE_DESTROY_WATCHDOG_MS + FINI_GRACE_MS;
    for (;;) {
        pthread_mutex_lock(&LaunchLock);
        if (!mwe_isRunInProgress()) break;
        pthread_mutex_unlock(&LaunchLock);
        if (nowMs() >= until) {
            mwe_trace(1, "mwe", "mwe_fini", "the MIDlet did not end after the stop\n");
            fprintf(stderr, "Movane_VM: the MIDlet did not end after it was stopped; the program ends without it\n");
            int32_t status = mwe_exitStatus();
            if (Shell.terminateProcess) Shell.terminateProcess((uint32_t)(status != 0 ? status : MWE_EXIT_UNCAUGHT));
            _exit(status != 0 ? status : MWE_EXIT_UNCAUGHT);
        }
        usleep(1000);
    }
    teardown();
    forgetPending();
    mwe_finiMidiPlayback();
    pthread_mutex_unlock(&LaunchLock);
}

// ---------------------------------------------------------------------------------
// Requests to the running MIDlet

void mwe_requestPause(uint32_t timeoutMs) {
    MweEvent record;
    memset(&record, 0, sizeof record);
    record.sender = MWE_SENDER_MANAGER;
    record.kind = MWE_KIND_PAUSE;
    memcpy(record.data, &timeoutMs, 4);
    mwe_postEvent(2, &record);
}

void mwe_requestResume(void) { mwe_postSimpleEvent(2, MWE_KIND_RESUME); }
void mwe_requestStop(void) {
    atomicStore(&StopAsked, 1);
    mwe_postSimpleEvent(2, MWE_KIND_STOP);
}

// ---------------------------------------------------------------------------------
// The state callback (VM control thread)

void mwe_stateCallback(int32_t code) {
    if (Shell.stateNotice) Shell.stateNotice(code);
    switch (code) {
        case MWE_STATE_STARTED:
            atomicStore(&ScreenReady, 1);
            if (atomicLoad(&ResumePending) && Shell.notifyMidletResumed) Shell.notifyMidletResumed();
            atomicStore(&ResumePending, 0);
            break;
        case MWE_STATE_SUSPENDED:
            atomicStore(&ResumePending, 1);
            if (Shell.notifyMidletPaused) Shell.notifyMidletPaused();
            break;
        case MWE_STATE_ENDED:
            // a run that ended, unasked, before the MIDlet's entry ran is a failed start
            if (!atomicLoad(&RunStarted) && !atomicLoad(&StopAsked)) mwe_noteExitStatus(MWE_EXIT_NOT_STARTED);
            atomicStore(&ResumePending, 0);
            atomicStore(&ScreenReady, 0);
            atomicStore(&L.runEnded, 1);
            if (Shell.postToMainWindow) Shell.postToMainWindow(VM_NOTIFY_STOP_MIDLET, 0, 0);
            break;
        case MWE_STATE_PAINT_READY:
            atomicStore(&RunStarted, 1);
            atomicStore(&ScreenReady, 1);
            if (!atomicLoad(&ResumePending) && Shell.postToMainWindow)
                Shell.postToMainWindow(VM_NOTIFY_START_MIDLET, 0, 0);
            break;
        default:
            break;
    }
}
