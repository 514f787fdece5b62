// The media registry and the porting entries that name the supported types: the handler
// array built once per VM run (its order is the detection order), type detection, the
// list of live players, media modules, and the VM life-cycle callbacks that suspend,
// resume and destroy every player with the run.
#pragma once

#include <stdint.h>

#include "media/mediahandler.h"

// Porting entries.
const int32_t* MkMediaGetTypeList(int32_t* count);
int32_t MkMediaIsSupportedType(int32_t typeCode);
const MediaHandler* MkMediaGetHandler(int32_t typeCode);
int32_t MkMediaCustomSourceGetCount(void);
int32_t MkMediaCustomSourceGetScheme(int32_t index, const uint16_t** text);
int32_t MkMediaCustomSourceGetCreator(const uint16_t** text);
int32_t MkMediaStreamGetCount(void);
const void* MkMediaStreamGetController(int32_t index);
int32_t MkMediaTonePlayNote(int32_t note, int32_t duration, int32_t volume);
void MkMediaToneStopAllNotes(void);

// A module of the media layer, owned by whoever registers it.
struct MediaModule;
typedef void (*MediaModuleFn)(MediaModule* module);
struct MediaModule {
    MediaModule* next;
    int32_t unused;
    MediaModuleFn suspend;
    MediaModuleFn resume;
    MediaModuleFn finalize;
};

typedef void (*MediaEventCallback)(int32_t a, int32_t b, int32_t c);

int32_t mvMedia_initialize(void);
// Registers the VM life-cycle callbacks below once per run: 0, or -1 when the VM's table
// of callback records is full.
int32_t mvMedia_registerVmCallbacks(void);
const MediaHandler* mvMedia_getHandlerByType(int32_t typeCode);
int32_t mvMedia_detectType(const uint8_t* data, int32_t length);
int32_t mvMedia_detectMimeType(const uint8_t* data, int32_t length, const uint16_t** text);
P32<const MediaHandler>* mvMedia_getHandlers(int32_t* count);
int32_t mvMedia_addPlayer(int32_t typeCode, int32_t playerId, const MediaHandler* handler);
int32_t mvMedia_removePlayer(int32_t typeCode, int32_t playerId);
int32_t mvMedia_destroyAllPlayers(void);
int32_t mvMedia_suspendPlayers(void);
int32_t mvMedia_resumePlayers(void);
int32_t mvMedia_registerModule(MediaModule* module);
int32_t mvMedia_setEventCallbacks(MediaEventCallback function, int32_t a, int32_t b, int32_t c, int32_t selector);
// What mvMediaEvent_fireCallback of the runtime services calls: the stored callback of set
// A (selector 1) or B (any other) once with its words, then cleared; 0.
int32_t mvMedia_fireEventCallback(int32_t selector);
void mvMedia_vmSuspended(void* entry);
void mvMedia_vmResumed(void* entry);
void mvMedia_vmStopped(void* entry);

// The live players, newest first (for tests and the natives' lookups).
MediaPlayerEntry* mvMedia_firstPlayer(void);
