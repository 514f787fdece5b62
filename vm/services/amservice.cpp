// The service interface. Most members forward; the memory members serialise their
// callers, and the synchronous requests are coalesced by one poster at a time, taking
// the pending request out of its queue before deciding, so that the VM thread and a
// second poster can neither lose nor double a request.
#include "vm/services/amservice.h"

#include <pthread.h>
#include <string.h>

#include "platform/vmsections.h"
#include "vm/services/events.h"
#include "vm/services/vmreset.h"
#include "vm/services/vmstate.h"
#include "vm/trace/tracelog.h"

// The host's side of the interface: its locks, its choice of queues and its input
// hooks belong to the process and outlive every run.
static VMHOOKS pthread_mutex_t MemoryLock = PTHREAD_MUTEX_INITIALIZER;
static VMHOOKS pthread_mutex_t RequestLock = PTHREAD_MUTEX_INITIALIZER;
static VMHOOKS int32_t DialogMode;
static VMHOOKS AmInputHook InputHooks[2 * INPUT_EVENT_ACTIONS];

namespace {
struct Locked {
    pthread_mutex_t* m;
    explicit Locked(pthread_mutex_t* mutex) : m(mutex) { pthread_mutex_lock(m); }
    ~Locked() { pthread_mutex_unlock(m); }
};
}  // namespace

// ---------------------------------------------------------------------------------
// VM life cycle

// The full reset of the VM's variables.
int32_t AmMovaneInitialize(void) {
    mvTraceLog_info("=== service API trace: AmMovaneInitialize()\n");
    return mvVm_resetKeepingHostState(MV_SECTIONS_FULL);
}

int32_t AmVmStartMIDP(int32_t vmId, int32_t heapSize, void* heapAddr, const MKT_MIDP_Application* app,
                      VmEventHandler handler, int32_t paramCount, const char* const* params, const int32_t* paramLens) {
    return mvVmStartMIDP(vmId, heapSize, heapAddr, app, handler, paramCount, params, paramLens);
}

int32_t AmVmSuspend(int32_t vmId) { return mvVmSuspendCommand(vmId); }
int32_t AmVmResume(int32_t vmId) { return mvVmResumeCommand(vmId); }
int32_t AmVmStop(int32_t vmId) { return mvVmStopCommand(vmId); }
int32_t AmVmPause(int32_t vmId) { return mvVmPauseCommand(vmId); }

// ---------------------------------------------------------------------------------
// Memory

void* AmMemAllocPointer(int32_t size) {
    if (size < 1) {
        mvTraceLog_warning("Warning: AmMemAllocPointer(%d) is illegal.\n", size);
        return nullptr;
    }
    Locked lock(&MemoryLock);
    return mvMemory_allocPointer(size);
}

void AmMemFreePointer(void* pointer) {
    if (pointer == nullptr) return;
    int32_t result;
    {
        Locked lock(&MemoryLock);
        result = mvMemory_freePointer(pointer);
    }
    if (result != 0) mvTraceLog_warning("Warning: AmMemFreePointer(%p) is illegal.\n", pointer);
}

MemHandle AmMemAllocHandle(int32_t size) {
    MemHandle handle;
    {
        Locked lock(&MemoryLock);
        handle = mvMemory_allocHandle(size);
    }
    return handle != 0 ? handle : (MemHandle)-1;
}

int32_t AmMemFreeHandle(MemHandle handle) {
    Locked lock(&MemoryLock);
    return freeHandle(handle);
}

void* AmMemLockHandle(MemHandle handle) {
    Locked lock(&MemoryLock);
    return handleLock(handle);
}

int32_t AmMemUnlockHandle(MemHandle handle) {
    Locked lock(&MemoryLock);
    return handleUnlock(handle);
}

// ---------------------------------------------------------------------------------
// Events into the VM

static int32_t uiQueue(int32_t which) { return mvK6Event_getUiQueueId(which); }
static int32_t dialogOr(int32_t dialogWhich, int32_t uiWhich) {
    return DialogMode == 1 ? mvK6Event_getDialogQueueId(dialogWhich) : uiQueue(uiWhich);
}

int32_t AmPostKeyEvent(int32_t action, int32_t keyCode, int32_t argument) {
    if (action < 0 || action >= INPUT_EVENT_ACTIONS) return 0;
    int32_t words[KEY_EVENT_WORDS];
    words[UI_EVENT_WORD_KIND] = UI_EVENT_KEY;
    words[KEY_EVENT_ACTION] = action;
    words[KEY_EVENT_INDEX] = keyCode;
    words[KEY_EVENT_ARGUMENT] = argument & 0xFFFF;
    return mvK6Event_notify(words, KEY_EVENT_WORDS, dialogOr(DIALOG_QUEUE_KEY, UI_QUEUE_KEY));
}

int32_t AmPostPointerEvent(int32_t action, int32_t x, int32_t y, int32_t fourth) {
    if (action < 0 || action >= INPUT_EVENT_ACTIONS) return 0;
    int32_t words[POINTER_EVENT_WORDS];
    words[UI_EVENT_WORD_KIND] = UI_EVENT_POINTER;
    words[POINTER_EVENT_ACTION] = action;
    words[POINTER_EVENT_X] = x;
    words[POINTER_EVENT_Y] = y;
    words[POINTER_EVENT_FOURTH] = fourth;
    return mvK6Event_notify(words, POINTER_EVENT_WORDS, dialogOr(DIALOG_QUEUE_POINTER, UI_QUEUE_POINTER));
}

int32_t AmPostMidpEvent(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e) {
    int32_t words[MIDP_EVENT_WORDS];
    words[UI_EVENT_WORD_KIND] = UI_EVENT_MIDP;
    words[MIDP_EVENT_TYPE] = a;
    words[MIDP_EVENT_PARAMS] = b;
    words[MIDP_EVENT_PARAMS + 1] = c;
    words[MIDP_EVENT_PARAMS + 2] = d;
    words[MIDP_EVENT_PARAMS + 3] = e;
    return mvK6Event_notify(words, MIDP_EVENT_WORDS, uiQueue(UI_QUEUE_MIDP));
}

int32_t AmPostRepaintEvent(void) {
    int32_t word = UI_EVENT_REPAINT;
    return mvK6Event_notify(&word, 1, uiQueue(UI_QUEUE_REPAINT));
}

int32_t AmFlushRepaintEvents(void) { return mvK6Event_clearQueue(uiQueue(UI_QUEUE_REPAINT)); }

int32_t AmPostSetCurrentEvent(void) {
    int32_t word = UI_EVENT_SET_CURRENT;
    return mvK6Event_notify(&word, 1, uiQueue(UI_QUEUE_SET_CURRENT));
}

int32_t AmPostSizeChangedEvent(int32_t width, int32_t height) {
    int32_t words[SIZE_EVENT_WORDS];
    words[UI_EVENT_WORD_KIND] = UI_EVENT_SIZE_CHANGED;
    words[SIZE_EVENT_WIDTH] = width;
    words[SIZE_EVENT_HEIGHT] = height;
    mvK6Event_clearQueue(uiQueue(UI_QUEUE_SIZE_CHANGED));
    return mvK6Event_notify(words, SIZE_EVENT_WORDS, uiQueue(UI_QUEUE_SIZE_CHANGED));
}

int32_t AmPostShowNotify(int32_t shown) {
    int32_t word = shown != 0 ? UI_EVENT_SHOW : UI_EVENT_HIDE;
    return mvK6Event_notify(&word, 1, uiQueue(UI_QUEUE_SHOW_NOTIFY));
}

static void fillRequest(int32_t* record, int32_t target, int32_t a, int32_t type, const int32_t* bToF,
                        int32_t callback) {
    record[UI_EVENT_WORD_KIND] = UI_EVENT_REQUEST;
    record[REQUEST_EVENT_TARGET] = target;
    record[REQUEST_EVENT_A] = a;
    record[REQUEST_EVENT_TYPE] = type;
    for (int32_t i = 0; i < 5; i++) record[REQUEST_EVENT_B + i] = bToF[i];
    record[REQUEST_EVENT_CALLBACK] = callback;
}

static void completionBlock(const int32_t* record, int32_t* block) {
    int32_t b[7] = {record[REQUEST_EVENT_F], record[REQUEST_EVENT_TARGET], record[REQUEST_EVENT_TYPE],
                    record[REQUEST_EVENT_B], record[REQUEST_EVENT_C],      record[REQUEST_EVENT_D],
                    record[REQUEST_EVENT_E]};
    memcpy(block, b, sizeof b);
}

static void complete(const int32_t* record) {
    AmRequestCallback callback = (AmRequestCallback)p32Ptr(record[REQUEST_EVENT_CALLBACK]);
    int32_t block[7];
    completionBlock(record, block);
    if (callback != nullptr) callback(block);
}

static void doNothing(int32_t*) {}

static int32_t postSync(const int32_t* record) {
    int32_t queue = dialogOr(DIALOG_QUEUE_SECOND_REQUEST, UI_QUEUE_SECOND_REQUEST);
    Locked lock(&RequestLock);
    for (int32_t retried = 0;; retried++) {
        int32_t posted = mvK6Event_post(record, REQUEST_EVENT_WORDS, queue);
        if (posted) return posted;
        int32_t pending[16];
        int32_t n = 0;
        mvK6Event_takeQueue(queue, pending, &n);
        // taken by the VM thread meanwhile: the queue has room again, so one more try;
        // an empty queue that still refuses (no VM running, a bad queue) is a refusal
        if (n == 0) {
            if (queue < 1 || retried > 0 || !mvVm_isInKvm()) return 0;
            continue;
        }
        if (n != REQUEST_EVENT_WORDS) return 0;
        if (record[REQUEST_EVENT_TYPE] == AM_REQUEST_REPAINT) {
            complete(pending);
            return mvK6Event_post(record, REQUEST_EVENT_WORDS, queue);
        }
        if (pending[REQUEST_EVENT_TYPE] == AM_REQUEST_REPAINT ||
            pending[REQUEST_EVENT_TARGET] == record[REQUEST_EVENT_TARGET]) {
            complete(record);
            mvK6Event_post(pending, REQUEST_EVENT_WORDS, queue);
            return 1;
        }
        complete(pending);
        complete(record);
        const int32_t none[5] = {};
        int32_t repaint[REQUEST_EVENT_WORDS];
        fillRequest(repaint, -1, 0, AM_REQUEST_REPAINT, none, p32Cell((const void*)doNothing));
        return mvK6Event_post(repaint, REQUEST_EVENT_WORDS, queue);
    }
}

int32_t AmPostRequest(int32_t target, int32_t a, int32_t type, int32_t b, int32_t c, int32_t d, int32_t e, int32_t f,
                      AmRequestCallback callback) {
    // the callback is a function of the program, so its address is low enough for a word
    const int32_t bToF[5] = {b, c, d, e, f};
    int32_t record[REQUEST_EVENT_WORDS];
    fillRequest(record, target, a, type, bToF, (int32_t)p32Function((const void*)callback));
    if (type == AM_REQUEST_SYNC || type == AM_REQUEST_REPAINT) return postSync(record);
    return mvK6Event_notify(record, REQUEST_EVENT_WORDS, dialogOr(DIALOG_QUEUE_REQUEST, UI_QUEUE_REQUEST));
}

int32_t AmPostRepaintRequest(void) { return AmPostRequest(-1, 0, AM_REQUEST_REPAINT, 0, 0, 0, 0, 0, doNothing); }

// ---------------------------------------------------------------------------------
// Dialog mode, key map, input hooks

void AmObtainEventQueue(int32_t value) { DialogMode = value; }
void AmReleaseEventQueue(void) { DialogMode = 0; }

int32_t AmSetKeyMap(const KeyEntry* table, const KeyExtendedList* extended) {
    if (table == nullptr && extended == nullptr) return 0;
    return mvKey_setKeyMap(table, extended) == 1 ? 1 : 0;
}

int32_t AmSetInputHook(int32_t type, int32_t action, AmInputHook hook) {
    if ((type != UI_EVENT_KEY && type != UI_EVENT_POINTER) || action < 0 || action >= INPUT_EVENT_ACTIONS) return 0;
    InputHooks[type + 2 * action] = hook;
    return 1;
}

AmInputHook AmGetInputHook(int32_t type, int32_t action) {
    if ((type != UI_EVENT_KEY && type != UI_EVENT_POINTER) || action < 0 || action >= INPUT_EVENT_ACTIONS)
        return nullptr;
    return InputHooks[type + 2 * action];
}

// ---------------------------------------------------------------------------------
// The descriptor interface

QamsEnv* AmEnvInitialize(int32_t memorySize, void* memory, int32_t* error) {
    return QamsEnvInitialize(memorySize, memory, error);
}
int32_t AmEnvFinalize(QamsEnv* env) { return QamsEnvFinalize(env); }
QamsDescriptor* AmJadOpen(QamsEnv* env, int32_t size, const uint8_t* text, QamsReadFn read, int32_t* error) {
    return QamsJadOpen(env, size, text, read, error);
}
QamsDescriptor* AmManifestOpen(QamsEnv* env, QamsJar* jar, int32_t* error) { return QamsManifestOpen(env, jar, error); }
int32_t AmJadClose(QamsEnv* env, QamsDescriptor* descriptor) { return QamsJadClose(env, descriptor); }
QamsJar* AmJarOpen(QamsEnv* env, int32_t size, const uint8_t* memory, QamsReadFn read, int32_t* error) {
    return QamsJarOpen(env, size, memory, read, error);
}
int32_t AmJarClose(QamsEnv* env, QamsJar* jar) { return QamsJarClose(env, jar); }
int32_t AmDescriptorCheckProfiles(QamsEnv* env, QamsDescriptor* d) { return QamsDescriptorCheckProfiles(env, d); }
int32_t AmDescriptorCheckRequired(QamsEnv* env, QamsDescriptor* d) { return QamsDescriptorCheckRequired(env, d); }
int32_t AmDescriptorVerifyMatch(QamsEnv* env, QamsDescriptor* jad, QamsDescriptor* manifest, int32_t strict) {
    return QamsDescriptorVerifyMatch(env, jad, manifest, strict);
}
QamsDescriptor* AmDescriptorCopyValue(QamsEnv* env, QamsDescriptor* jad, QamsDescriptor* manifest, int32_t* error) {
    return QamsDescriptorMerge(env, jad, manifest, error);
}
int32_t AmJarGetAttributeEntrySize(QamsEnv* env, QamsDescriptor* d, QamsJar* jar) {
    return QamsJarGetAttributeEntrySize(env, d, jar);
}
int32_t AmJarReadAttributeEntry(QamsEnv* env, QamsDescriptor* d, QamsJar* jar, uint8_t* buffer, int32_t bufferSize) {
    return QamsJarReadAttributeEntry(env, d, jar, buffer, bufferSize);
}
int32_t AmJarGetEntrySize(QamsEnv* env, QamsJar* jar, const char* name, int32_t nameLength) {
    return QamsJarGetEntrySize(env, jar, name, nameLength);
}
int32_t AmJarReadEntry(QamsEnv* env, QamsJar* jar, const char* name, int32_t nameLength, uint8_t* buffer,
                       int32_t bufferSize) {
    return QamsJarReadEntry(env, jar, name, nameLength, buffer, bufferSize);
}
int32_t AmDescriptorGetVersion(QamsEnv* env, QamsDescriptor* d, int32_t* major, int32_t* minor, int32_t* micro) {
    return QamsDescriptorGetVersion(env, d, major, minor, micro);
}
int32_t AmParseInt(const char* text, int32_t length, int32_t* error) { return QamsParseInt(text, length, error); }
int32_t AmFindSeparator(const char* text, int32_t start, int32_t end, const char* pattern, int32_t patternLength) {
    return QamsFindSeparator(text, start, end, pattern, patternLength);
}
const char* AmCopyTrimmed(const char* text, int32_t length, int32_t* outLength, int32_t* error) {
    return QamsTrimRange(text, length, outLength, error);
}
const char* AmGetListElement(const char* text, int32_t length, int32_t n, int32_t* outLength, int32_t* error) {
    return QamsGetListElement(text, length, n, outLength, error);
}
int32_t AmCountListElements(const char* text, int32_t length) { return QamsCountListElements(text, length); }
const char* AmDescriptorGetValueByIndex(QamsEnv* env, QamsDescriptor* d, int32_t index, int32_t* length,
                                        int32_t* error) {
    return QamsDescriptorGetValueByIndex(env, d, index, length, error);
}
const char* AmDescriptorGetValueByKey(QamsEnv* env, QamsDescriptor* d, const char* key, int32_t keyLength,
                                      int32_t* length, int32_t* error) {
    return QamsDescriptorGetValueByKey(env, d, key, keyLength, length, error);
}
const char* AmGetSupportedVersion(int32_t which, int32_t* length, int32_t* error) {
    return QamsGetSupportedVersion(which, length, error);
}
