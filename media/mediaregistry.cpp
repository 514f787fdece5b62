// The media registry. It lives as long as a VM run (its state is reset with the run's
// data) and is used on the VM thread only; players with threads of their own never touch
// it.
#include "media/mediaregistry.h"

#include "media/players/midi_out.h"

#include "media/amrcontrol.h"
#include "media/players/mediatrace.h"
#include "media/players/midi_player.h"
#include "media/players/tone_player.h"
#include "media/players/wave_player.h"
#include "platform/vmsections.h"
#include "vm/services/memory.h"
#include "vm/services/vmstate.h"

namespace {

struct EventCallbackSet {
    MediaEventCallback function;
    int32_t a, b, c;
};

struct MediaRegistry {
    P32<const MediaHandler>* handlers;
    int32_t handlerCount;
    int32_t mediaInitialized;
    int32_t mediaCallbackRegistered;
    MediaPlayerEntry* players;
    int32_t playersSuspended;
    MediaModule* modules;
    EventCallbackSet callbacks[2];
    VmCallbackRecord vmCallbacks;
    int32_t toneNoteSounding;
};

VMBSS MediaRegistry Media;

const int32_t TypeList[] = {MEDIA_TYPE_WAVE, MEDIA_TYPE_TONE, MEDIA_TYPE_MIDI, MEDIA_TYPE_AMR};

void forEachModule(void (*pick)(MediaModule*)) {
    for (MediaModule* m = Media.modules; m; m = m->next) pick(m);
}

}  // namespace

const int32_t* MkMediaGetTypeList(int32_t* count) {
    if (count) *count = (int32_t)(sizeof TypeList / sizeof TypeList[0]);
    return TypeList;
}

int32_t MkMediaIsSupportedType(int32_t typeCode) {
    for (int32_t t : TypeList)
        if (t == typeCode) return 1;
    return 0;
}

const MediaHandler* MkMediaGetHandler(int32_t typeCode) {
    switch (typeCode) {
        case MEDIA_TYPE_TONE:
            return toneCtrl_getHandler();
        case MEDIA_TYPE_MIDI:
            return midiCtrl_getHandler();
        case MEDIA_TYPE_WAVE:
            return waveCtrl_getHandler();
        case MEDIA_TYPE_AMR:
            return amrCtrl_getHandler();
        default:
            return nullptr;
    }
}

int32_t MkMediaCustomSourceGetCount(void) {
    mediaTrace("MkMediaCustomSourceGetCount");
    return 0;
}

int32_t MkMediaCustomSourceGetScheme(int32_t index, const uint16_t** text) {
    mediaTrace("MkMediaCustomSourceGetScheme");
    if (text) *text = nullptr;
    return 0;
}

int32_t MkMediaCustomSourceGetCreator(const uint16_t** text) {
    mediaTrace("MkMediaCustomSourceGetCreator");
    if (text) *text = nullptr;
    return 0;
}

int32_t MkMediaStreamGetCount(void) {
    mediaTrace("MkMediaStreamGetCount");
    return 0;
}

const void* MkMediaStreamGetController(int32_t index) {
    mediaTrace("MkMediaStreamGetController");
    return nullptr;
}

int32_t MkMediaTonePlayNote(int32_t note, int32_t duration, int32_t volume) {
    mediaTrace("MkMediaTonePlayNote");
    Media.toneNoteSounding = 1;
    return tonePlayerPlayNote(note, duration, volume);
}

void MkMediaToneStopAllNotes(void) {
    mediaTrace("MkMediaToneStopAllNotes");
    if (Media.toneNoteSounding) tonePlayerStopAllNotes();
    Media.toneNoteSounding = 0;
}

int32_t mvMedia_initialize(void) {
    if (Media.mediaInitialized) return 0;
    Media.mediaInitialized = 1;
    // the MIDI output starts with the first run that uses media and lasts the process:
    // loading the synthesizer's soundfont for every run cost time and memory
    midiPlaybackInit();
    int32_t count = 0;
    const int32_t* list = MkMediaGetTypeList(&count);
    if (list == nullptr) count = 0;
    if (count > 0) {
        Media.handlers = (P32<const MediaHandler>*)mvMemory_allocPointer(count * 4);
        if (Media.handlers == nullptr) return -1;
    }
    int32_t n = 0;
    for (int32_t i = 0; i < count; i++) {
        const MediaHandler* h = MkMediaGetHandler(list[i]);
        if (h) Media.handlers[n++] = h;
    }
    Media.handlerCount = n;
    return mvMedia_registerVmCallbacks();
}

int32_t mvMedia_registerVmCallbacks(void) {
    if (Media.mediaCallbackRegistered != 0) return 0;
    Media.vmCallbacks.started = nullptr;
    Media.vmCallbacks.suspended = mvMedia_vmSuspended;
    Media.vmCallbacks.resumed = mvMedia_vmResumed;
    Media.vmCallbacks.stopped = mvMedia_vmStopped;
    Media.mediaCallbackRegistered = mvVmCallback_registerFunction(&Media.vmCallbacks);
    return Media.mediaCallbackRegistered == 0 ? -1 : 0;
}

const MediaHandler* mvMedia_getHandlerByType(int32_t typeCode) {
    for (int32_t i = 0; i < Media.handlerCount; i++)
        if (Media.handlers[i]->typeCode == typeCode) return Media.handlers[i];
    return nullptr;
}

int32_t mvMedia_detectType(const uint8_t* data, int32_t length) {
    for (int32_t i = 0; i < Media.handlerCount; i++) {
        const MediaHandler* h = Media.handlers[i];
        if (h->isSupported.get()(data, length, h) == 1) return h->typeCode;
    }
    return -1;
}

int32_t mvMedia_detectMimeType(const uint8_t* data, int32_t length, const uint16_t** text) {
    *text = nullptr;
    int32_t type = mvMedia_detectType(data, length);
    const MediaHandler* h = type < 0 ? nullptr : mvMedia_getHandlerByType(type);
    return h ? h->getMimeType.get()(text, h) : 0;
}

P32<const MediaHandler>* mvMedia_getHandlers(int32_t* count) {
    if (count) *count = Media.handlerCount;
    return Media.handlers;
}

int32_t mvMedia_addPlayer(int32_t typeCode, int32_t playerId, const MediaHandler* handler) {
    if (handler == nullptr) return -1;
    MediaPlayerEntry* e = (MediaPlayerEntry*)mvMemory_allocPointer(sizeof(MediaPlayerEntry));
    if (e == nullptr) return -1;
    e->typeCode = typeCode;
    e->playerId = playerId;
    e->handler = handler;
    e->previous = nullptr;
    e->next = Media.players;
    if (Media.players) Media.players->previous = e;
    Media.players = e;
    return 0;
}

static void unlink(MediaPlayerEntry* e) {
    MediaPlayerEntry* prev = e->previous;
    MediaPlayerEntry* next = e->next;
    if (prev)
        prev->next = next;
    else
        Media.players = next;
    if (next) next->previous = prev;
    e->previous = nullptr;
    e->next = nullptr;
}

static void destroyEntry(MediaPlayerEntry* e) {
    const MediaHandler* h = e->handler;
    h->destroy.get()(e->playerId, e, h);
    mvMemory_freePointer(e);
}

int32_t mvMedia_removePlayer(int32_t typeCode, int32_t playerId) {
    for (MediaPlayerEntry* e = Media.players; e; e = e->next) {
        if (e->typeCode == typeCode && e->playerId == playerId) {
            unlink(e);
            destroyEntry(e);
            return 0;
        }
    }
    return -1;
}

int32_t mvMedia_destroyAllPlayers(void) {
    MkMediaToneStopAllNotes();
    for (MediaPlayerEntry* e = Media.players; e;) {
        MediaPlayerEntry* next = e->next;
        unlink(e);
        destroyEntry(e);
        e = next;
    }
    return 0;
}

int32_t mvMedia_suspendPlayers(void) {
    MkMediaToneStopAllNotes();
    if (Media.playersSuspended) return 0;
    Media.playersSuspended = 1;
    for (MediaPlayerEntry* e = Media.players; e; e = e->next) e->handler->suspend.get()(e->playerId, e, e->handler);
    return 0;
}

int32_t mvMedia_resumePlayers(void) {
    if (!Media.playersSuspended) return 0;
    Media.playersSuspended = 0;
    for (MediaPlayerEntry* e = Media.players; e; e = e->next) e->handler->resume.get()(e->playerId, e, e->handler);
    return 0;
}

int32_t mvMedia_registerModule(MediaModule* module) {
    if (module == nullptr) return 0;
    MediaModule** at = &Media.modules;
    for (; *at; at = &(*at)->next)
        if (*at == module) return 0;
    module->next = nullptr;
    *at = module;
    return 0;
}

int32_t mvMedia_setEventCallbacks(MediaEventCallback function, int32_t a, int32_t b, int32_t c, int32_t selector) {
    Media.callbacks[selector == 1 ? 0 : 1] = {function, a, b, c};
    return 0;
}

int32_t mvMedia_fireEventCallback(int32_t selector) {
    EventCallbackSet& set = Media.callbacks[selector == 1 ? 0 : 1];
    EventCallbackSet stored = set;
    set = {};
    if (stored.function) stored.function(stored.a, stored.b, stored.c);
    return 0;
}

void mvMedia_vmSuspended(void*) {
    mvMedia_suspendPlayers();
    forEachModule([](MediaModule* m) {
        if (m->suspend) m->suspend(m);
    });
}

void mvMedia_vmResumed(void*) {
    forEachModule([](MediaModule* m) {
        if (m->resume) m->resume(m);
    });
    mvMedia_resumePlayers();
}

void mvMedia_vmStopped(void*) {
    mvMedia_destroyAllPlayers();
    forEachModule([](MediaModule* m) {
        if (m->finalize) m->finalize(m);
    });
}

MediaPlayerEntry* mvMedia_firstPlayer(void) { return Media.players; }
