// Inside the host glue: queue set-up, the two dispatchers and their state, shared by
// mwe.cpp, mwe_message.cpp and mwe_dispatch.cpp and seen by the glue's tests.
#pragma once

#include <stdint.h>

#include "vm/services/glue/mwe.h"

// Empty queues and no timers for a launch.
void mweQueues_make(void);
// Frees every queued message and timer; the readers have ended.
void mweQueues_free(void);
// Wakes the reader, which then gets null once the queue is empty.
void mweQueues_close(int32_t queue);

// Control states.
enum {
    MWE_IDLE = 0,
    MWE_STARTED = 1,
    MWE_SUSPENDED = 2,
    MWE_RESUMING = 3,
    MWE_FORCED_STOP = 4,
    MWE_STOPPED = 5,
    MWE_RUNNING = 6,
    MWE_PAUSING = 7,
    MWE_DESTROYING = 8,
};

// Request kinds.
enum {
    MWE_KIND_LAUNCH = 1,
    MWE_KIND_PAUSE = 2,
    MWE_KIND_RESUME = 3,
    MWE_KIND_STOP = 4,
    MWE_KIND_VM_EVENT = 5,
    MWE_KIND_REPLY = 6,
    MWE_KIND_GO_ON = 7,
    MWE_KIND_RUN_ENDED = 8,
    MWE_KIND_INSTALL_CHECKED = 9,  // an install step with the memory check and the arena
    MWE_KIND_INSTALL = 10,
    MWE_KIND_TEST_TRANSACTION = 53,
    MWE_KIND_TEST_STEP = 54,
};

enum { MWE_TIMER_PAUSE = 1, MWE_TIMER_DESTROY = 2, MWE_PAUSE_WATCHDOG_MS = 2000, MWE_DESTROY_WATCHDOG_MS = 3000 };

// The control thread's state; owned by that thread.
struct MweControl {
    int32_t state;
    MweStateCallback callback;
    int32_t armed[3];
    int32_t launchForwarded;  // from the forwarded launch to the run's end
    int32_t stopPending;      // a stop that came while the MIDlet was not yet running
};
extern MweControl MweControlState;
void mwe_clearControl(void);

// On the VM control thread: 2 ends it.
int32_t mwe_dispatchControl(const MweEvent* record);
int32_t mwe_handleKey(const MweKeyCommand* key);
int32_t mwe_handleTimer(uint16_t timerId);
// On thread_kve: 2 ends it.
int32_t mwe_dispatchKve(const MweEvent* record);
// Ends the MIDI output that the first run started (at the end of the program).
void mwe_finiMidiPlayback(void);
// The EventHandler of the run.
void mwe_vmEventHandler(int32_t vmId, int32_t code, int32_t parameter);

// The VM commands the control dispatcher gives; the service interface by default, a
// test's own for the state-table tests.
struct MweVmCommands {
    int32_t (*suspend)(int32_t vmId);
    int32_t (*resume)(int32_t vmId);
    int32_t (*stop)(int32_t vmId);
    int32_t (*pause)(int32_t vmId);
};
void mwe_setVmCommands(const MweVmCommands* commands);

// The arena of the storage library and the Java heap block, reserved once.
struct MweBlocks {
    void* heap;
    int32_t heapSize;
    void* arena;
    int32_t arenaSize;
};
const MweBlocks* mwe_getBlocks(void);
// Blocks still in use when the last run released the arena (-1: it was damaged).
int32_t mwe_lastArenaLeft(void);
// The Java heap block a run gets: the JavaHeapSize setting, the default when it is
// missing or 0, and never above the heap's own limit.
uint32_t mwe_javaHeapBytes(void);
// 1 when the memory available leaves 2 MB beside one and a half times that heap.
int32_t mwe_memoryAllowsStart(void);
// The memory available to the program as a "MemAvailable: <n> kB" line of that file
// gives it, in bytes; the system's free pages when the file has no such line.
uint64_t mwe_availableMemoryFrom(const char* meminfoPath);
