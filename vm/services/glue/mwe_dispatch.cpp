// The command dispatcher: the control dispatcher on the VM control thread keeps the
// state of the one MIDlet run and gives the VM commands; the request dispatcher on
// thread_kve reads the suite from the store and runs the VM; the VM event handler, on
// thread_kve inside the run, passes the VM's events to the control thread and waits for
// its answer where the run must not go on before it.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "media/players/midi_out.h"
#include "platform/events.h"
#include "platform/lowmem.h"
#include "platform/registry.h"
#include "storage/qmfs.h"
#include "storage/qmmm.h"
#include "storage/qmms_manager.h"
#include "storage/qmms_permission.h"
#include "storage/qmms_suitefiles.h"
#include "vm/services/amservice.h"
#include "vm/services/events.h"
#include "vm/services/glue/mwe.h"
#include "vm/services/glue/mwe_internal.h"
#include "vm/services/vmstart.h"

MweControl MweControlState;

static const MweVmCommands ServiceCommands = {AmVmSuspend, AmVmResume, AmVmStop, AmVmPause};
static MweVmCommands Commands = ServiceCommands;

void mwe_setVmCommands(const MweVmCommands* commands) { Commands = commands != nullptr ? *commands : ServiceCommands; }

void mwe_clearControl(void) {
    MweControl& c = MweControlState;
    MweStateCallback kept = c.callback;
    memset(&c, 0, sizeof c);
    // the launch flag is handed over before the launch record reaches this thread
    c.callback = kept;
}

// ---------------------------------------------------------------------------------
// The control dispatcher

static void callback(int32_t code) {
    if (MweControlState.callback != nullptr) MweControlState.callback(code);
}

static void postToKve(int32_t kind) {
    MweEvent record;
    memset(&record, 0, sizeof record);
    record.sender = MWE_SENDER_CONTROL;
    record.kind = kind;
    mwe_postEvent(3, &record);
}

static void arm(int32_t timerId, uint32_t ms) {
    mwe_setTimer(ms, (uint16_t)timerId);
    MweControlState.armed[timerId] = 1;
}

static void disarm(int32_t timerId) {
    MweControlState.armed[timerId] = 0;
    mwe_killTimer((uint16_t)timerId);
}

static void destroyStep() {
    MweControlState.state = MWE_DESTROYING;
    arm(MWE_TIMER_DESTROY, MWE_DESTROY_WATCHDOG_MS);
    Commands.suspend(1);
}

// The stop of a run that does not end by itself. The VM thread may wait in the event
// handler for the answer to its suspended event: the release lets it reach the VM's own
// wait, where the stop takes it.
static void forceStop() {
    MweControlState.state = MWE_FORCED_STOP;
    disarm(MWE_TIMER_PAUSE);
    disarm(MWE_TIMER_DESTROY);
    Commands.stop(1);
    postToKve(MWE_KIND_STOP);
}

// A stop that came while the MIDlet was starting or resuming is carried out once it
// runs: refused and forgotten, it would leave a closed window's program waiting for a run
// that never ends.
static void takePendingStop() {
    if (!MweControlState.stopPending) return;
    MweControlState.stopPending = 0;
    destroyStep();
}

static int32_t onVmEvent(int32_t code) {
    MweControl& c = MweControlState;
    switch (code) {
        case 1:
            c.state = MWE_STARTED;
            return 1;
        case 2:
            if (c.state == MWE_DESTROYING) {
                // the application is quiet and the VM waits: the stop needs no watchdog
                postToKve(MWE_KIND_REPLY);
                forceStop();
                return 1;
            }
            c.state = MWE_SUSPENDED;
            callback(MWE_STATE_SUSPENDED);
            postToKve(MWE_KIND_REPLY);
            return 1;
        case 3:
            c.state = MWE_RUNNING;
            callback(MWE_STATE_STARTED);
            postToKve(MWE_KIND_REPLY);
            takePendingStop();
            return 1;
        case 4:
            c.state = MWE_STOPPED;
            return 1;
        case 10:
            postToKve(MWE_KIND_REPLY);
            callback(MWE_STATE_PAINT_READY);
            return 1;
        case 20:
            c.state = MWE_RUNNING;
            callback(MWE_STATE_STARTED);
            takePendingStop();
            return 1;
        case 21:
            disarm(MWE_TIMER_PAUSE);
            postToKve(MWE_KIND_REPLY);
            return 1;
        case 22:
            return 1;
        case 23:
            disarm(MWE_TIMER_DESTROY);
            return 1;
        default:
            return 0;
    }
}

static int32_t testClientState() {
    const MweShell* shell = mwe_getShell();
    return shell->testClientState ? shell->testClientState() : 0;
}

static int32_t testClientEvent(const MweEvent* record) {
    const MweShell* shell = mwe_getShell();
    return shell->testClientOnEvent ? shell->testClientOnEvent(record) : 0;
}

int32_t mwe_dispatchControl(const MweEvent* record) {
    MweControl& c = MweControlState;
    switch (record->kind) {
        case MWE_KIND_LAUNCH: {
            if (c.state != MWE_IDLE) return 0;
            MweEvent forward;
            memcpy(&forward, record, sizeof forward);
            forward.sender = MWE_SENDER_CONTROL;
            mwe_postEvent(3, &forward);
            c.launchForwarded = 1;
            return 1;
        }
        case MWE_KIND_PAUSE: {
            if (c.state != MWE_RUNNING) return 0;
            uint32_t timeout;
            memcpy(&timeout, record->data, 4);
            c.state = MWE_PAUSING;
            arm(MWE_TIMER_PAUSE, timeout != 0 ? timeout : (uint32_t)MWE_PAUSE_WATCHDOG_MS);
            Commands.pause(1);
            return 1;
        }
        case MWE_KIND_RESUME:
            if (c.state != MWE_SUSPENDED) return 0;
            c.state = MWE_RESUMING;
            postToKve(MWE_KIND_RESUME);
            return 1;
        case MWE_KIND_STOP:
            // a pause the application answered leaves the state at pausing: still stoppable
            if (c.state == MWE_RUNNING || c.state == MWE_PAUSING) {
                destroyStep();
                return 1;
            }
            if (c.state == MWE_SUSPENDED) {
                postToKve(MWE_KIND_STOP);
                return 1;
            }
            if (c.state == MWE_STARTED || c.state == MWE_RESUMING || (c.state == MWE_IDLE && c.launchForwarded)) {
                // a MIDlet that never comes up must not hold the stop off for ever
                c.stopPending = 1;
                if (!c.armed[MWE_TIMER_DESTROY]) arm(MWE_TIMER_DESTROY, MWE_DESTROY_WATCHDOG_MS);
            }
            return 0;
        case MWE_KIND_VM_EVENT:
            return onVmEvent(record->data[0]);
        case MWE_KIND_GO_ON:
            if (c.state == MWE_RESUMING) {
                Commands.resume(1);
                return 1;
            }
            if (c.state == MWE_SUSPENDED) {
                destroyStep();
                return 1;
            }
            return 0;
        case MWE_KIND_RUN_ENDED:
            c.state = MWE_IDLE;
            c.launchForwarded = c.stopPending = 0;
            disarm(MWE_TIMER_PAUSE);
            disarm(MWE_TIMER_DESTROY);
            callback(MWE_STATE_ENDED);
            // the test client's next test needs this thread
            return testClientState() != 0 ? 1 : 2;
        case MWE_KIND_TEST_TRANSACTION: {
            int32_t t = testClientState();
            if (t != 2 && t != 4) return 0;
            testClientEvent(record);
            t = testClientState();
            return t == 8 || t == 9 ? 2 : 0;
        }
        case MWE_KIND_TEST_STEP:
            return testClientEvent(record);
        default:
            return 0;
    }
}

int32_t mwe_handleTimer(uint16_t timerId) {
    if ((timerId != MWE_TIMER_PAUSE && timerId != MWE_TIMER_DESTROY) || !MweControlState.armed[timerId]) return 0;
    forceStop();
    return 1;
}

int32_t mwe_handleKey(const MweKeyCommand* key) {
    if (MweControlState.state != MWE_RUNNING || key->keyCode < 0) return 0;
    switch (key->action) {
        case KEY_ACTION_PRESSED:
            AmPostKeyEvent(KEY_ACTION_PRESSED, key->keyCode, key->argument);
            return AmPostKeyEvent(KEY_ACTION_TYPED, key->keyCode, key->argument) != 0;
        case KEY_ACTION_RELEASED:
        case KEY_ACTION_REPEATED:
            return AmPostKeyEvent(key->action, key->keyCode, key->argument) != 0;
        default:
            return 0;
    }
}

// ---------------------------------------------------------------------------------
// The VM event handler (thread_kve, inside the run)

// Takes messages from queue 4 until a reply of the control thread comes; others drop.
static int32_t awaitControl(bool (*wanted)(int32_t kind)) {
    for (;;) {
        MweMsg* m = mwe_waitMsg(MWE_QUEUE_KVE);
        if (m == nullptr) return -1;
        int32_t kind = -1;
        if (m->type == MWE_MSG_EVENT && m->u.event.sender == MWE_SENDER_CONTROL) kind = m->u.event.kind;
        mwe_freeMsg(m);
        if (kind >= 0 && wanted(kind)) return kind;
    }
}

static bool anyReply(int32_t) { return true; }
static bool resumeOrStop(int32_t kind) { return kind == MWE_KIND_RESUME || kind == MWE_KIND_STOP; }

void mwe_vmEventHandler(int32_t vmId, int32_t code, int32_t parameter) {
    if (code < 1 || code > 23 || (code >= 5 && code <= 9) || (code >= 11 && code <= 19)) return;
    const MweShell* shell = mwe_getShell();
    if (code == 10 && shell->postToMainWindow) shell->postToMainWindow(VM_NOTIFY_VMPAINTREADY, 0, 0);
    if (code == 23 && shell->postToMainWindow) shell->postToMainWindow(VM_NOTIFY_APPDESTORYED, 0, 0);
    MweEvent record;
    memset(&record, 0, sizeof record);
    record.sender = MWE_SENDER_VM;
    record.kind = MWE_KIND_VM_EVENT;
    record.data[0] = (uint8_t)code;
    mwe_postEvent(2, &record);
    if (code == 2 || code == 3 || code == 10 || code == 21) awaitControl(anyReply);
    if (code == 2) {
        awaitControl(resumeOrStop);
        mwe_postSimpleEvent(2, MWE_KIND_GO_ON);
    }
}

// ---------------------------------------------------------------------------------
// Memory, arena and services

static MweBlocks Blocks;
static int32_t BlocksReserved, ArenaActive, ServicesStarted;
static int32_t ArenaLeft;

const MweBlocks* mwe_getBlocks(void) { return &Blocks; }
int32_t mwe_lastArenaLeft(void) { return ArenaLeft; }

// HEAP_LIMIT is the Java heap's own limit: a larger setting is used up to it.
enum { DEFAULT_HEAP = 1945600, HEAP_LIMIT = 0x1fffffc, ARENA_SIZE = 0x200000 };

static uint32_t setting(const char* name) {
    const MweShell* shell = mwe_getShell();
    if (shell->readSettingDword) return shell->readSettingDword(name);
    uint32_t value = 0, type = 0, size = sizeof value;
    if (RegistryQueryValue(HKEY_CURRENT_USER, "Software\\Movane", name, &type, &value, &size) != REG_OK ||
        type != REG_DWORD)
        return 0;
    return value;
}

uint32_t mwe_javaHeapBytes(void) {
    uint32_t heap = setting("JavaHeapSize");
    if (heap == 0) return DEFAULT_HEAP;
    return heap > (uint32_t)HEAP_LIMIT ? (uint32_t)HEAP_LIMIT : heap;
}

// What the system can give the program without swapping: free pages and the page cache
// it would drop ("MemAvailable"); the free pages alone only where that is not known.
uint64_t mwe_availableMemoryFrom(const char* meminfoPath) {
    FILE* f = fopen(meminfoPath, "r");
    if (f != nullptr) {
        char line[128];
        unsigned long long kb = 0;
        bool found = false;
        while (!found && fgets(line, sizeof line, f) != nullptr)
            found = sscanf(line, "MemAvailable: %llu kB", &kb) == 1;
        fclose(f);
        if (found) return (uint64_t)kb * 1024;
    }
    long pages = sysconf(_SC_AVPHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? (uint64_t)pages * (uint64_t)pageSize : 0;
}

static uint32_t availableMemory() {
    const MweShell* shell = mwe_getShell();
    if (shell->availablePhysicalMemory) return shell->availablePhysicalMemory();
    uint64_t bytes = mwe_availableMemoryFrom("/proc/meminfo");
    return bytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)bytes;
}

// Both blocks or neither. Both lie in the low window: the Java heap's addresses and the
// arena's blocks (a suite's descriptor, file records) are kept in words.
static bool reserveBlocks() {
    uint32_t heap = mwe_javaHeapBytes();
    void* h = lowAlloc(heap);
    void* a = lowAlloc(ARENA_SIZE);
    if (h == nullptr || a == nullptr) {
        lowFree(h);
        lowFree(a);
        return false;
    }
    Blocks = {h, (int32_t)heap, a, ARENA_SIZE};
    return true;
}

int32_t mwe_memoryAllowsStart(void) {
    int64_t javaHeap = mwe_javaHeapBytes();
    int64_t margin = (int64_t)availableMemory() - (javaHeap + javaHeap / 2);
    return margin >= 0x200000;
}

static const char LowMemoryText[] =
    "There is not enough memory to start this application. Please close other applications and try again.";

// 1 with the arena set up, 0 without one, -1 when memory is too short to start.
static int32_t checkMemory() {
    if (ArenaActive) {
        if (BlocksReserved) qmmm_init(Blocks.arena, Blocks.arenaSize);
        return 1;
    }
    if (!BlocksReserved) {
        if (!mwe_memoryAllowsStart()) {
            const MweShell* shell = mwe_getShell();
            BlocksReserved = ArenaActive = 0;
            if (shell->showMessage) shell->showMessage(LowMemoryText, "Movane", 0x30);
            if (shell->postToManager) shell->postToManager(VM_NOTIFY_STOP_MIDLET, 0, 1);
            if (shell->terminateProcess) shell->terminateProcess(0);
            mwe_trace(1, "mwe_dispatch", "mwe_checkMemory", "not enough memory to start the application\n");
            return -1;
        }
        if (!reserveBlocks()) return 0;
        BlocksReserved = 1;
    }
    qmmm_init(Blocks.arena, Blocks.arenaSize);
    ArenaActive = 1;
    return 1;
}

static void releaseArena() {
    if (!ArenaActive) return;
    ArenaLeft = qmmm_fini();
    ArenaActive = 0;
}

// The MIDI output lasts the process once a run has used media (the registry starts it).
void mwe_finiMidiPlayback(void) { midiPlaybackDestroy(); }

// False when the shell's services could not start (they undo their own part then).
static bool initServices() {
    if (ServicesStarted) return true;
    SysTimerInit();
    const MweShell* shell = mwe_getShell();
    if (shell->startServices && shell->startServices() == 0) return false;
    ServicesStarted = 1;
    return true;
}

static void finiServices() {
    if (!ServicesStarted) return;
    const MweShell* shell = mwe_getShell();
    if (shell->stopServices) shell->stopServices();
    ServicesStarted = 0;
}

// ---------------------------------------------------------------------------------
// The run of a suite (thread_kve)

struct RunRecord {
    int32_t jar;
    QmmsSuiteData header;
    QmmsMidletInfo entry;
    MKT_MIDP_Application app;
    int32_t zero;
    uint8_t* jad;
};
static RunRecord Run;

static int32_t readJar(uint8_t* buffer, int32_t offset, int32_t size) {
    if (qmfs_seek(Run.jar, offset, 0) != 0) return -1;
    int32_t done = 0;
    while (done < size) {
        int n = qmfs_read(Run.jar, buffer + done, size - done);
        if (n <= 0) break;
        done += n;
    }
    return done;
}

static void traceRunError(const char* text, int32_t suite) {
    char line[160];
    snprintf(line, sizeof line, "%s (suite %d)\n", text, (int)suite);
    mwe_trace(1, "mwe_dispatch", "mwe_dispatchKve", line);
}

// Reads what the run needs; false, with a trace line, when any of it is missing.
static bool prepareRun(int32_t suite, int32_t midlet) {
    if (!ArenaActive) {
        traceRunError("no arena for the suite", suite);
        return false;
    }
    bool opened = qmms_openSuite(suite) == 0;
    // a negative number names no MIDlet: the VM runs the only one, or the selector
    bool read =
        opened && qmms_getSuiteData(&Run.header) == 0 && Run.header.midletCount > 0 &&
        (midlet < 0 || ((uint32_t)midlet < Run.header.midletCount && qmms_getMidletEntry(midlet, &Run.entry) == 0));
    if (opened) qmms_closeSuite(0);
    if (!read) {
        traceRunError("cannot read the suite or its MIDlet", suite);
        return false;
    }
    Run.header.jarLocation[sizeof Run.header.jarLocation - 1] = 0;
    Run.entry.className[sizeof Run.entry.className - 1] = 0;
    if (Run.header.jadSize > 0) {
        Run.jad = (uint8_t*)qmmm_alloc(Run.header.jadSize);
        if (Run.jad == nullptr || Run.header.jadSize > 0x7FFFFFFFu ||
            qmms_readSuiteFile(suite, 1, Run.jad, (int)Run.header.jadSize) != 0 ||
            qmms_getRawEntrySize() != (int)Run.header.jadSize) {
            traceRunError("cannot read the suite's descriptor", suite);
            return false;
        }
    }
    QmfsMode mode = QmfsReadExisting;
    Run.jar = qmfs_open(Run.header.jarLocation, &mode);
    QmfsStat status;
    if (Run.jar < 0 || qmfs_fstat(Run.jar, &status) != 0 || Run.header.jarSize == 0 ||
        status.size != Run.header.jarSize) {
        traceRunError("cannot open the suite's JAR, or it is not whole", suite);
        return false;
    }
    return true;
}

static void runSuite(const MweEvent* record) {
    memset(&Run, 0, sizeof Run);
    Run.jar = -1;
    int32_t memory = checkMemory();
    if (memory < 0) return;
    bool services = initServices();
    int32_t suite = -1, midlet = -1, domain = -1;
    qmms_decodeLaunch(record, &suite, &midlet, &domain);
    if (!services) traceRunError("the platform services did not start", suite);
    int32_t initialized = AmMovaneInitialize();
    if (services && prepareRun(suite, midlet)) {
        MKT_MIDP_Application& app = Run.app;
        app.jarSize = (int32_t)Run.header.jarSize;
        app.jarRead = readJar;
        app.className = Run.entry.className;
        app.classNameLen = (int32_t)strlen(Run.entry.className);
        app.jadSize = (int32_t)Run.header.jadSize;
        app.jadAddr = Run.jad;
        if (app.classNameLen == 0) app.className = nullptr;
        if (initialized == 0) {
            const MweShell* shell = mwe_getShell();
            // -1: the domain the suite was installed into; otherwise that domain
            if (qmms_loadPermissionDomain(domain == -1 ? suite : domain, domain == -1 ? 1 : 0) == 0) {
                app.trusted = qmms_isTrustedDomain(qmms_getLoadedDomain());
            } else {
                char line[160];
                snprintf(line, sizeof line, "no protection domain: %s (suite %d)\n",
                         qmms_domainErrorName(qmms_lastDomainError()), (int)suite);
                mwe_trace(1, "mwe_dispatch", "mwe_dispatchKve", line);
            }
            if (shell->beforeRun) shell->beforeRun(suite, domain);
            // the run returns here however it ends (an uncaught exception, a fatal
            // error, a stop), so the domain is never left loaded for the next one
            AmVmStartMIDP(1, Blocks.heapSize, Blocks.heap, &app, mwe_vmEventHandler, 0, nullptr, nullptr);
            if (shell->afterRun) shell->afterRun();
            qmms_unloadPermissionDomain();
        }
    }
    if (Run.jar >= 0) qmfs_close(Run.jar);
    if (Run.jad != nullptr) qmmm_free(Run.jad);
    Run.jar = -1;
    Run.jad = nullptr;
    qmms_handleCleanup(record);
    finiServices();
    releaseArena();
}

static int32_t installRequest(const MweEvent* record) {
    const MweShell* shell = mwe_getShell();
    return shell->installRequest ? shell->installRequest(record) : 0;
}

int32_t mwe_dispatchKve(const MweEvent* record) {
    const MweShell* shell = mwe_getShell();
    switch (record->kind) {
        case MWE_KIND_LAUNCH:
            runSuite(record);
            mwe_postSimpleEvent(2, MWE_KIND_RUN_ENDED);
            return 2;
        case MWE_KIND_INSTALL_CHECKED: {
            // the install writes through the store, which allocates from the arena
            if (checkMemory() < 0) return 0;
            int32_t result = installRequest(record);
            releaseArena();
            return result;
        }
        case MWE_KIND_INSTALL:
            return installRequest(record);
        case MWE_KIND_TEST_TRANSACTION:
            return shell->testClientTransaction ? shell->testClientTransaction(record) : 0;
        case MWE_KIND_TEST_STEP:
            return shell->testClientFetch ? shell->testClientFetch(record) : 0;
        default:
            return 0;
    }
}
