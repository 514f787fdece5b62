// The host glue of the VM program: the five host message queues, the VM control thread
// and thread_kve on which a MIDlet run lives, the one-shot timers of the control
// thread, and the entry points through which the host shell starts, suspends, resumes
// and stops a run. The shell reaches the glue through this header and gives it what it
// needs of the shell through the MweShell table.
#pragma once

#include <stdint.h>

#include "vm/services/glue/winmsg_ids.h"

// ---------------------------------------------------------------------------------
struct MweEvent;

// What the glue needs of the host shell. Every slot may be null: the glue then does the
// least (nothing, or the answer given with the slot).

struct MweShell {
    // maps the gfs roots to their folders; first thing of every mwe_init
    void (*gfsInitPhysicalPaths)(void);
    // posts to the program's own main window (VM_NOTIFY_*); null: dropped
    void (*postToMainWindow)(uint32_t message, uint32_t wParam, uint32_t lParam);
    // posts to the manager's main window; 0 when there is none
    int32_t (*postToManager)(uint32_t message, uint32_t wParam, uint32_t lParam);
    // each code of the state callback (MWE_STATE_*) before the glue acts on it: the
    // shell keeps its started and paused flags from these
    void (*stateNotice)(int32_t code);
    // the host's handlers of a resumed and a paused MIDlet
    void (*notifyMidletResumed)(void);
    void (*notifyMidletPaused)(void);
    // a DWORD setting under Software\Movane; null: the registry
    uint32_t (*readSettingDword)(const char* name);
    // available physical memory in bytes; null: the system's own figure
    uint32_t (*availablePhysicalMemory)(void);
    // the low-memory message and the end of the process; null: a trace line, and the
    // start is given up instead of ending the process
    void (*showMessage)(const char* text, const char* caption, uint32_t style);
    void (*terminateProcess)(uint32_t exitCode);
    // the platform services of a run (screen back buffer and fonts, work buffers, HTTP
    // client, MIDI, default font), started before and stopped after it. A start that
    // answers 0 (no back buffer) runs no VM: the run ends at once with its end report.
    int32_t (*startServices)(void);
    void (*stopServices)(void);
    // around the VM call of a run: the cached list of suite ids, the record-store quota,
    // the protection domain (-1: the suite's own)
    void (*beforeRun)(int32_t suiteId, int32_t domainArgument);
    void (*afterRun)(void);

    // The suite store's handler of an install request (thread_kve); null: none.
    int32_t (*installRequest)(const MweEvent* record);
    // The over-the-air test client: its start with the server's URL (0 when it took it;
    // it then posts its first
    // step to the VM control thread), its steps on thread_kve (kind 53 the HTTP
    // transaction, kind 54 the fetch step; 2 ends thread_kve), its handler of the step
    // results on the control thread, and its state (0 inactive, 2 to 9 active, 8 and 9
    // final). Null: no test client.
    int32_t (*testClientStart)(const char* url);
    int32_t (*testClientTransaction)(const MweEvent* record);
    int32_t (*testClientFetch)(const MweEvent* record);
    int32_t (*testClientOnEvent)(const MweEvent* record);
    int32_t (*testClientState)(void);

    // The screen, for the display access below. The size of the device screen and of
    // the shell's menu band (0 without one); null: 240 x 320 without a band.
    void (*screenMetrics)(int32_t* width, int32_t* height, int32_t* menuHeight);
    // the VM screen's size and its 16-bit back buffer (null pixels: no screen yet)
    void (*screenGetSize)(int32_t* width, int32_t* height, uint16_t** pixels);
    // the frame-ready flag, which each copy clears
    void (*screenSetActive)(int32_t flag);
    // Copies rows top..bottom-1 of the back buffer to the window: mode 1 through the
    // device context dc (null: the window's own), modes 2 and 3 straight into the
    // screen image; mode 3 then repaints the main window's child windows.
    void (*screenCopy)(void* dc, int32_t mode, int32_t top, int32_t bottom);
    // the straight access to the screen image: first-time set-up, open (1 when open),
    // close
    void (*displayInit)(void);
    int32_t (*displayOpen)(void);
    void (*displayClose)(void);
};

// Copies the table; null clears every slot.
void mwe_setShell(const MweShell* shell);
const MweShell* mwe_getShell(void);

// The messages to the program's own main window and to the manager are those of the
// shell's message table.

// ---------------------------------------------------------------------------------
// Messages and queues

enum {
    MWE_QUEUE_COUNT = 5,
    MWE_QUEUE_CONTROL = 3,  // read by the VM control thread
    MWE_QUEUE_KVE = 4,      // read by thread_kve
    MWE_EVENT_SIZE = 208,
    MWE_EVENT_DATA = 200,
};

enum { MWE_MSG_EVENT = 0, MWE_MSG_KEY = 1, MWE_MSG_TIMER = 2 };

// Sender classes of an event record.
enum { MWE_SENDER_SIMPLE = 0, MWE_SENDER_MANAGER = 1, MWE_SENDER_CONTROL = 2, MWE_SENDER_VM = 3 };

// The event record of a type-0 message: a wire format between threads.
struct MweEvent {
    uint32_t sender;
    int32_t kind;
    uint8_t data[MWE_EVENT_DATA];
};
static_assert(sizeof(MweEvent) == MWE_EVENT_SIZE, "the event record is 208 bytes");

struct MweKeyCommand {
    int32_t action;
    int32_t keyCode;
    int16_t argument;
};
static_assert(sizeof(MweKeyCommand) == 12, "a key command is 12 bytes");

// A host message: the type word and its payload (208, 12 or 2 bytes).
struct MweMsg {
    uint32_t type;
    union {
        MweEvent event;
        MweKeyCommand key;
        uint16_t timerId;
    } u;
};

// A zero-filled message of the type's size; null for a type above 2.
MweMsg* mwe_allocMsg(uint32_t type);
void mwe_freeMsg(MweMsg* message);
// Queue 0..4; the message belongs to the queue afterwards. Another queue frees it.
int32_t mwe_postMsg(int32_t queue, MweMsg* message);
// Takes the head without blocking; null when the queue is empty.
MweMsg* mwe_getMsg(int32_t queue);
// Waits for a message; null when the queue was closed and is empty.
MweMsg* mwe_waitMsg(int32_t queue);
// Copies a record into a new type-0 message: selector 0 to queue 0, 1 to 1, 2 to 3,
// 3 to 4, 4 to 2; another selector drops it.
void mwe_postEvent(int32_t selector, const MweEvent* record);
void mwe_postSimpleEvent(int32_t selector, int32_t kind);
// Posts a type-1 key command to the VM control thread.
void mwe_postKeyCommand(int32_t action, int32_t keyCode, int16_t argument);
// Number of messages waiting in a queue.
int32_t mwe_queueLength(int32_t queue);

// One-shot timer of the VM control thread: after elapse ms a type-2 message with the id
// reaches queue 3. Setting an id again restarts it. True when set.
int32_t mwe_setTimer(uint32_t elapseMs, uint16_t timerId);
void mwe_killTimer(uint16_t timerId);

// ---------------------------------------------------------------------------------
// Threads and the start of a run (the host shell calls these on its window thread)

// Makes the queues and thread_kve for one launch. The threads of an earlier launch have
// ended and are joined first; 0, or -1 while a run is in progress or when thread_kve
// cannot be made.
int32_t mwe_init(void);
// Starts the VM control thread and posts the launch of a suite of the store; 0, or -1
// when nothing was started.
int32_t mwe_startVmBySuite(int32_t suiteId, int32_t midlet);
// The same for a JAD and JAR file pair, run as the temporary suite.
int32_t mwe_startVmFromFiles(const char* jadPath, const char* jarPath, int32_t midlet);

// Starts the VM control thread and hands the test server's URL to the test client;
// 0, or -1 when nothing was started (no test client, or it refused the URL).
int32_t mwe_startVmWithTestServer(const char* url);

// The whole start as the shell asks for it: when no run is in progress, mwe_init and the
// start; otherwise the request is remembered (the latest wins) and started once the run
// has ended and the shell calls mwe_onRunEnded. 0 started, 1 remembered, -1 failed.
int32_t mwe_requestStartBySuite(int32_t suiteId, int32_t midlet);
int32_t mwe_requestStartFromFiles(const char* jadPath, const char* jarPath, int32_t midlet);
// On VM_NOTIFY_STOP_MIDLET: joins the ended threads and starts a remembered request.
// The result of that start, or 2 when none was remembered.
int32_t mwe_onRunEnded(void);
// 1 from a start until the VM control thread of that launch has ended.
int32_t mwe_isRunInProgress(void);
// Waits until the run in progress (if any) has ended and joins its threads; then
// frees the queues. For the program's end.
void mwe_fini(void);

// The program's exit status for the runs so far: 0, MWE_EXIT_NOT_STARTED or
// MWE_EXIT_UNCAUGHT (the first failure noted stays; 0 notes nothing).
enum { MWE_EXIT_NOT_STARTED = 3, MWE_EXIT_UNCAUGHT = 4 };
void mwe_noteExitStatus(int32_t status);
int32_t mwe_exitStatus(void);

// Requests of the host to the running MIDlet (they go through queue 3 like the
// manager's): pause with a watchdog time-out (0: 2000 ms), resume, stop.
void mwe_requestPause(uint32_t timeoutMs);
void mwe_requestResume(void);
void mwe_requestStop(void);

// The state callback handed over with the launch; its codes.
enum { MWE_STATE_STARTED = 1, MWE_STATE_SUSPENDED = 2, MWE_STATE_ENDED = 3, MWE_STATE_PAINT_READY = 4 };
typedef void (*MweStateCallback)(int32_t code);
void mwe_stateCallback(int32_t code);
// What the suite store calls before it posts a launch.
void mwe_setStateCallback(uintptr_t callback);
// Screen-ready and resume-pending flags of the state callback.
int32_t mwe_isScreenReady(void);
int32_t mwe_isResumePending(void);

// ---------------------------------------------------------------------------------
// Display access around the screen of the shell (window thread; a native may call the
// blit from the VM thread)

// Opens the straight access to the screen image; 1 when it is open (also when it was).
int32_t mwe_openDisplay(void);
// Closes it; the shell's answer.
int32_t mwe_closeDisplay(void);
// The device screen's size {width, height + menu height} and, when asked, the menu
// height; keeps the visible rectangle {0, 0, width, height - menu height}.
struct MweSize {
    int32_t width, height;
};
MweSize mwe_getScreenRect(int32_t* menuHeight);
// Fills the visible rectangle's pixels of the back buffer with 0xFFFF (white).
void mwe_clearScreenBuffer(void);
// Copies the back buffer to the window (mode 1 through dc, 2 and 3 straight to the
// screen), only once the MIDlet has painted or started; every mode then clears the
// frame-ready flag. Nothing before that.
void mwe_blitScreen(void* dc, int32_t mode);
// 1 while a copy runs.
int32_t mwe_isBlitBusy(void);
// The VM screen's right and bottom edges as the last copy found them.
void mwe_getVmScreenEdges(int32_t* right, int32_t* bottom);
// Waits for the next message of thread_kve's queue and copies its record into one
// static record, which it hands out: 1 for an event record, 0 (record zeroed) else.
int32_t mwe_receiveEvent(MweEvent** record);

// The glue's own trace line through the host's trace gate.
void mwe_trace(int level, const char* source, const char* function, const char* text);
