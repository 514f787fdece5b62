// The media handler: one constant record per content type, a type code and a fixed row of
// operations, through which the media natives drive every player without knowing which
// it is. Java keeps a handler's address as an int, so the records and everything they
// point at lie in the program's low window; their slots are 32-bit words.
#pragma once

#include <stdint.h>

#include "platform/p32.h"

enum {
    MKMEDIA_RESULT_OK = 0,
    MKMEDIA_RESULT_ERROR = -1,
    MKMEDIA_CONTENT_AUDIO = 1,
    MKMEDIA_CHECK_ID_BASE = 0x10000,
};

enum {
    MEDIA_TYPE_TONE = 0x101,
    MEDIA_TYPE_MIDI = 0x102,
    MEDIA_TYPE_WAVE = 0x103,
    MEDIA_TYPE_AMR = 0x108,
};

// Player states shared by the players.
enum {
    MEDIA_STATE_EMPTY = 0,
    MEDIA_STATE_SET = 1,
    MEDIA_STATE_LOADED = 2,
    MEDIA_STATE_STARTED = 3,
    MEDIA_STATE_PAUSED = 4,
};

// Media event kinds.
enum {
    MEDIA_EVENT_STOPPED_AT_TIME = 2,
    MEDIA_EVENT_END_OF_MEDIA = 3,
    MEDIA_EVENT_CONTENT_SET = 4,
    MEDIA_EVENT_LOOP = 128,
};

// The stop time "none".
enum : uint32_t { MEDIA_NO_STOP_HIGH = 0x7FFFFFFF, MEDIA_NO_STOP_LOW = 0xFFFFFFFF, MEDIA_NO_STOP_POINT = 0x7FFFFFFF };

struct MediaHandler;
struct MediaPlayerEntry;

typedef int32_t (*MediaGetMimeTypeFn)(const uint16_t** text, const MediaHandler* h);
typedef int32_t (*MediaDataFn)(const uint8_t* data, int32_t length, const MediaHandler* h);
typedef int32_t (*MediaCheckFn)(int32_t checkId, int32_t* value, const MediaHandler* h);
typedef int32_t (*MediaIdFn)(int32_t id, const MediaHandler* h);
typedef int32_t (*MediaSizeFn)(int32_t checkId, int32_t* width, int32_t* height);
typedef int32_t (*MediaCreateFn)(const MediaHandler* h);
typedef int32_t (*MediaEntryFn)(int32_t id, MediaPlayerEntry* entry, const MediaHandler* h);
typedef int32_t (*MediaSetFn)(int32_t id, const uint8_t* data, int32_t length, int32_t extra);
typedef int32_t (*MediaStartFn)(int32_t id, int32_t loopCount, const MediaHandler* h);
typedef int32_t (*MediaTimeOutFn)(int32_t id, int32_t* high, int32_t* low);
typedef int32_t (*MediaTimeInFn)(int32_t id, int32_t high, int32_t low);

struct MediaEventControlTable;
struct MediaVolumeControlTable;
struct MediaUserControlTable;
struct MediaStreamControlList;
struct MediaExtraControlArray;

struct MediaHandler {
    int32_t typeCode;
    P32Fn<MediaGetMimeTypeFn> getMimeType;
    P32Fn<MediaDataFn> isSupported;
    P32Fn<MediaDataFn> checkOpen;
    P32Fn<MediaCheckFn> check;
    P32Fn<MediaIdFn> checkClose;
    P32Fn<MediaSizeFn> getMediaSize;
    P32Fn<MediaCreateFn> create;
    P32Fn<MediaEntryFn> destroy;
    P32Fn<MediaSetFn> set;
    P32Fn<MediaIdFn> load;
    P32Fn<MediaStartFn> start;
    P32Fn<MediaIdFn> stop;
    P32Fn<MediaIdFn> pause;
    P32Fn<MediaIdFn> restart;
    P32Fn<MediaIdFn> unload;
    P32Fn<MediaIdFn> getState;
    P32Fn<MediaTimeOutFn> getDuration;
    P32Fn<MediaTimeInFn> setTime;
    P32Fn<MediaTimeOutFn> getTime;
    P32Fn<MediaIdFn> getIncludedContents;
    P32Fn<MediaEntryFn> suspend;
    P32Fn<MediaEntryFn> resume;
    P32<const MediaEventControlTable> eventControl;
    P32<const MediaVolumeControlTable> volumeControl;
    P32<const MediaUserControlTable> userControl;
    P32<const MediaStreamControlList> streamControl;
    P32<const MediaExtraControlArray> extraControl;
};
static_assert(sizeof(MediaHandler) == 28 * 4, "MediaHandler is 28 words");
static_assert(offsetof(MediaHandler, resume) == 22 * 4, "operations are words 1 to 22");
static_assert(offsetof(MediaHandler, eventControl) == 23 * 4, "control tables are words 23 to 27");

// Event control: (event word a, event word b, UTF-16 buffer or table, capacity).
typedef int32_t (*MediaEventTextFn)(int32_t a, int32_t b, uint16_t* buffer, int32_t capacity);
typedef int32_t (*MediaEventIntFn)(int32_t a, int32_t b, const void* table);
struct MediaEventControlTable {
    P32Fn<MediaEventTextFn> getErrorCause;
    P32Fn<MediaEventTextFn> getUserType;
    P32Fn<MediaEventIntFn> getUserParamType;
    P32Fn<MediaEventIntFn> getUserParamInt;
    P32Fn<MediaEventTextFn> getUserParamString;
};
static_assert(sizeof(MediaEventControlTable) == 5 * 4, "five slots");

typedef int32_t (*MediaSetVolumeFn)(int32_t id, int32_t volume, const MediaVolumeControlTable* table);
typedef int32_t (*MediaGetVolumeFn)(int32_t id, const MediaVolumeControlTable* table);
struct MediaVolumeControlTable {
    P32Fn<MediaSetVolumeFn> setVolume;
    P32Fn<MediaGetVolumeFn> getVolume;
};
static_assert(sizeof(MediaVolumeControlTable) == 2 * 4, "two slots");

typedef int32_t (*MediaUserCountFn)(const MediaUserControlTable* table);
typedef int32_t (*MediaUserClassFn)(int32_t index, int32_t* out, uint16_t* buffer, int32_t capacity);
typedef int32_t (*MediaUserIntsFn)(int32_t a, int32_t b, int32_t c, int32_t* values, int32_t count);
typedef int32_t (*MediaUserTextFn)(int32_t a, int32_t b, int32_t c, uint16_t* text, int32_t count);
struct MediaUserControlTable {
    P32Fn<MediaUserCountFn> getCount;
    P32Fn<MediaUserClassFn> getUserClass;
    P32Fn<MediaUserIntsFn> setParam;
    P32Fn<MediaUserIntsFn> getParam;
    P32Fn<MediaUserTextFn> setString;
    P32Fn<MediaUserTextFn> getString;
};
static_assert(sizeof(MediaUserControlTable) == 6 * 4, "six slots");

// The player-linking and pan table of the tone and AMR players (entry 0 of the list).
typedef int32_t (*MediaStreamCountFn)(void);
typedef int32_t (*MediaStreamLinkFn)(int32_t id, int32_t masterId);
typedef int32_t (*MediaStreamIdFn)(int32_t id);
typedef int32_t (*MediaStreamPanFn)(int32_t id, int32_t pan);
struct MediaStreamControlTable {
    P32Fn<MediaStreamCountFn> getCount;
    P32Fn<MediaStreamLinkFn> link;
    P32Fn<MediaStreamIdFn> unlink;
    P32Fn<MediaStreamIdFn> getMaster;
    P32Fn<MediaStreamPanFn> setPan;
    P32Fn<MediaStreamIdFn> getPan;
};
static_assert(sizeof(MediaStreamControlTable) == 6 * 4, "six slots");

struct MediaStreamControlList {
    P32<const void> entries[4];  // null-terminated
};

// Extra controls by kind.
enum {
    MEDIA_EXTRA_TEMPO = 0,
    MEDIA_EXTRA_RATE = 1,
    MEDIA_EXTRA_STOP_TIME = 2,
    MEDIA_EXTRA_PITCH = 3,
    MEDIA_EXTRA_SYNC = 6,
    MEDIA_EXTRA_KINDS = 13,
};
typedef int32_t (*MediaExtraSetFn)(int32_t id, int32_t value);
typedef int32_t (*MediaExtraGetFn)(int32_t id);
typedef int32_t (*MediaExtraRangeFn)(int32_t id, int32_t* minimum, int32_t* maximum);
// Tempo: set, get. Rate and pitch: set, get, range.
struct MediaValueControl {
    P32Fn<MediaExtraSetFn> set;
    P32Fn<MediaExtraGetFn> get;
    P32Fn<MediaExtraRangeFn> range;
};
struct MediaStopTimeControl {
    P32Fn<MediaTimeInFn> set;
    P32Fn<MediaTimeOutFn> get;
};
struct MediaExtraControlArray {
    P32<const void> kinds[MEDIA_EXTRA_KINDS];
};
static_assert(sizeof(MediaExtraControlArray) == 13 * 4, "thirteen kinds");

// Calls through a handler's slots, as the natives do.
inline const MediaStreamControlTable* mediaStreamTable(const MediaHandler* h) {
    const MediaStreamControlList* list = h->streamControl;
    return list ? (const MediaStreamControlTable*)list->entries[0].get() : nullptr;
}
inline const MediaValueControl* mediaValueControl(const MediaHandler* h, int kind) {
    const MediaExtraControlArray* a = h->extraControl;
    return a ? (const MediaValueControl*)a->kinds[kind].get() : nullptr;
}
inline const MediaStopTimeControl* mediaStopTimeControl(const MediaHandler* h) {
    const MediaExtraControlArray* a = h->extraControl;
    return a ? (const MediaStopTimeControl*)a->kinds[MEDIA_EXTRA_STOP_TIME].get() : nullptr;
}

// A player's entry in the registry's list (a pinned Java-heap block).
struct MediaPlayerEntry {
    P32<MediaPlayerEntry> previous;
    P32<MediaPlayerEntry> next;
    int32_t typeCode;
    int32_t playerId;
    P32<const MediaHandler> handler;
};
static_assert(sizeof(MediaPlayerEntry) == 5 * 4, "MediaPlayerEntry is five words");
