// MIDI player. Handler operations run on the VM thread, the done callback on the
// wave-out service's thread; one lock guards the list and the records, and is let go
// around the device calls that wait for callbacks (reset, close).
#include "media/players/midi_player.h"

#include <pthread.h>
#include <string.h>

#include "media/players/mediatrace.h"
#include "media/players/midi_file.h"
#include "platform/vmsections.h"
#include "platform/waveout.h"
#include "storage/qmmm.h"
#include "vm/services/events.h"

namespace {

struct MidiPlayer {
    MidiPlayer* next;
    int32_t id;
    const uint8_t* data;
    int32_t length;
    int32_t loopCount;
    int64_t duration;
    int32_t state;
    int32_t volume;
    WaveOutHandle handle;
    WaveHeader header;
    uint32_t* buffer;
    int32_t eventCount;
    MidiFileParser* parser;
};

VMHOOKS MidiPlayer* Players;
VMHOOKS int32_t IdCounter = 1;
VMHOOKS pthread_mutex_t Lock = PTHREAD_MUTEX_INITIALIZER;

struct Locked {
    Locked() { pthread_mutex_lock(&Lock); }
    ~Locked() { pthread_mutex_unlock(&Lock); }
};

MidiPlayer* find(int32_t id) {
    for (MidiPlayer* p = Players; p; p = p->next)
        if (p->id == id) return p;
    return nullptr;
}

// 0..127 as the device's word: the same full-scale level (0..0xFFFF) for both channels.
uint32_t deviceVolume(int32_t volume) {
    uint32_t level = (uint32_t)volume * 0xFFFF / 127;
    return level | level << 16;
}

void post(MidiPlayer* p, int32_t kind) {
    int32_t words[5] = {p->id, MEDIA_TYPE_MIDI, kind, 0, 0};
    mvMediaEvent_post(words);
}

// A tempo change as a stream message: the device takes an event word whose top byte is 1
// as the new microseconds per quarter note.
enum : uint32_t { STREAM_TEMPO = 0x01000000 };

// The buffer begins with the first note's tempo (unless the file counts SMPTE time), so
// that every loop starts at it again after the tempo changes of the pass before.
int32_t leadMessages(const MidiFileParser* parser) { return parser->smpte ? 0 : 1; }

// Calls fn(event, tick) for every channel message of the file in order, and for every
// tempo change unless the file counts SMPTE time (whose ticks do not follow the tempo);
// false on an error. Playing the whole file at the first note's tempo would play every
// later section at the wrong speed.
template <typename Fn>
bool walkChannelMessages(MidiFileParser* parser, Fn fn) {
    midiFileRewind(parser);
    MidiFileEvent e;
    int32_t tick = midiFileFirstTick(parser);
    for (;;) {
        int32_t eventTick = tick;
        int32_t r = midiFileNextEvent(parser, tick, &e);
        if (r == MIDI_FILE_ERROR) return false;
        if (r == MIDI_FILE_NOT_DUE) {
            tick = midiFileFirstTick(parser);
            continue;
        }
        if (e.status < 0xF0 || (e.status == MIDI_FILE_TEMPO_STATUS && !parser->smpte)) fn(e, eventTick);
        if (r == MIDI_FILE_END) return true;
        tick += r;
    }
}

// Leaves the lock around a call that waits for this player's callbacks.
template <typename Fn>
void unlocked(Fn fn) {
    pthread_mutex_unlock(&Lock);
    fn();
    pthread_mutex_lock(&Lock);
}

void unloadLocked(MidiPlayer* p) {
    WaveOutHandle h = p->handle;
    p->handle = 0;
    p->state = MEDIA_STATE_SET;
    if (h)
        unlocked([h] {
            waveOutReset(h);
            waveOutClose(h);
        });
    if (p->buffer) qmmm_free(p->buffer);
    p->buffer = nullptr;
    memset(&p->header, 0, sizeof p->header);
}

void midiCtrl_waveOutProc(WaveOutHandle handle, uint32_t message, uint32_t instance, WaveHeader* header) {
    mediaTrace("waveOutProc enter\n");
    if (message == MM_WOM_OPEN) {
        mediaTrace("waveOutProc: MM_WOM_OPEN\n");
        return;
    }
    if (message == MM_WOM_CLOSE) {
        mediaTrace("waveOutProc: MM_WOM_CLOSE\n");
        return;
    }
    if (message != MM_WOM_DONE) return;
    mediaTrace("waveOutProc: MM_WOM_DONE\n");
    Locked l;
    MidiPlayer* p = find((int32_t)instance);
    if (p == nullptr || p->handle != handle || p->state != MEDIA_STATE_STARTED) {
        mediaTrace("waveOutProc: invalid state for repeat\n");
        return;
    }
    waveOutUnprepareHeader(handle, &p->header, sizeof p->header);
    if (p->loopCount == 1) {
        p->state = MEDIA_STATE_LOADED;
        post(p, MEDIA_EVENT_END_OF_MEDIA);
        return;
    }
    if (p->loopCount > 0) p->loopCount--;
    mediaTrace("waveOutProc: repeated, loop=%d\n", p->loopCount);
    post(p, MEDIA_EVENT_LOOP);
    p->header.dwBufferLength = (uint32_t)p->eventCount * 8;
    p->header.dwUser = 0;
    p->header.dwFlags = 0;
    p->header.dwLoops = 0;
    waveOutPrepareHeader(handle, &p->header, sizeof p->header);
    uint32_t r = waveOutWrite(handle, &p->header, sizeof p->header);
    mediaTrace("waveOutProc: waveOutWrite, ret=%d\n", (int)r);
}

int32_t createPlayer(void) {
    MidiPlayer* p = (MidiPlayer*)qmmm_alloc(sizeof(MidiPlayer));
    if (p == nullptr) return 0;
    memset(p, 0, sizeof *p);
    p->loopCount = 1;
    p->duration = -1;
    p->volume = 100;
    Locked l;
    p->id = IdCounter;
    IdCounter = IdCounter >= 0xFFFF ? 1 : IdCounter + 1;
    MidiPlayer** at = &Players;
    while (*at) at = &(*at)->next;
    *at = p;
    return p->id;
}

int32_t destroyLocked(MidiPlayer* p) {
    if (p->state >= MEDIA_STATE_LOADED) unloadLocked(p);
    midiFileFree(p->parser);
    p->parser = nullptr;
    for (MidiPlayer** at = &Players; *at; at = &(*at)->next) {
        if (*at == p) {
            *at = p->next;
            break;
        }
    }
    qmmm_free(p);
    return 0;
}

const uint16_t MimeText[] = {'a', 'u', 'd', 'i', 'o', '/', 'm', 'i', 'd', 'i'};

int32_t midiCtrl_getMimeType(const uint16_t** text, const MediaHandler*) {
    *text = MimeText;
    return 10;
}
int32_t midiCtrl_isSupported(const uint8_t* data, int32_t length, const MediaHandler*) {
    return data && length >= 4 && memcmp(data, "MThd", 4) == 0 ? 1 : 0;
}
int32_t midiCtrl_checkOpen(const uint8_t* data, int32_t length, const MediaHandler*) {
    int32_t id = createPlayer();
    if (id == 0) return 0;
    Locked l;
    MidiPlayer* p = find(id);
    p->data = data;
    p->length = length;
    p->parser = midiFileCreate(data, length);
    if (p->parser == nullptr) {
        destroyLocked(p);
        return 0;
    }
    return MKMEDIA_CHECK_ID_BASE + id;
}
int32_t midiCtrl_check(int32_t checkId, int32_t*, const MediaHandler*) {
    Locked l;
    MidiPlayer* p = find(checkId - MKMEDIA_CHECK_ID_BASE);
    if (p == nullptr || p->parser == nullptr || midiFileScanDuration(p->parser) == 0) return -1;
    mediaTrace("player format = %d\n", p->parser->format);
    return 0;
}
int32_t midiCtrl_checkClose(int32_t checkId, const MediaHandler*) {
    Locked l;
    MidiPlayer* p = find(checkId - MKMEDIA_CHECK_ID_BASE);
    return p ? destroyLocked(p) : -1;
}
int32_t midiCtrl_getMediaSize(int32_t checkId, int32_t* width, int32_t* height) {
    Locked l;
    if (width == nullptr || height == nullptr || find(checkId - MKMEDIA_CHECK_ID_BASE) == nullptr) return -1;
    *width = 0;
    *height = 0;
    return 0;
}
int32_t midiCtrl_create(const MediaHandler*) { return createPlayer(); }
int32_t midiCtrl_destroy(int32_t id, MediaPlayerEntry*, const MediaHandler*) {
    Locked l;
    MidiPlayer* p = find(id);
    return p ? destroyLocked(p) : -1;
}

int32_t midiCtrl_set(int32_t id, const uint8_t* data, int32_t length, int32_t) {
    Locked l;
    MidiPlayer* p = find(id);
    if (p == nullptr) return -1;
    if (p->state >= MEDIA_STATE_LOADED) unloadLocked(p);
    midiFileFree(p->parser);
    p->parser = nullptr;
    p->duration = -1;
    p->eventCount = 0;
    if (data == nullptr) {
        p->data = nullptr;
        p->length = 0;
        p->state = MEDIA_STATE_EMPTY;
        return 0;
    }
    p->data = data;
    p->length = length;
    p->parser = midiFileCreate(data, length);
    if (p->parser == nullptr || midiFileScanDuration(p->parser) == 0) {
        midiFileFree(p->parser);
        p->parser = nullptr;
        p->state = MEDIA_STATE_EMPTY;
        return -1;
    }
    p->duration = p->parser->duration;
    int32_t count = leadMessages(p->parser);
    walkChannelMessages(p->parser, [&](const MidiFileEvent&, int32_t) { count++; });
    p->eventCount = count;
    p->state = MEDIA_STATE_SET;
    return 0;
}

int32_t midiCtrl_load(int32_t id, const MediaHandler*) {
    Locked l;
    MidiPlayer* p = find(id);
    if (p == nullptr || p->parser == nullptr || p->eventCount <= leadMessages(p->parser)) return -1;
    if (p->handle) return 0;
    WaveMidiFormat f = {};
    f.wfx.wFormatTag = WAVE_FORMAT_MIDI;
    f.wfx.nChannels = 1;
    f.wfx.nSamplesPerSec = 32;
    f.wfx.nAvgBytesPerSec = 32;
    f.wfx.nBlockAlign = 8;
    f.wfx.wBitsPerSample = 16;
    f.wfx.cbSize = WAVE_MIDI_EXTRA_SIZE;
    f.usPerQuarterNote = (uint32_t)p->parser->firstNoteTempo;
    f.ticksPerQuarterNote = (uint32_t)p->parser->division;
    WaveOutHandle h = 0;
    uint32_t devices = waveOutGetNumDevs();
    bool open = false;
    for (uint32_t d = 0; d < devices && !open; d++)
        open = waveOutOpen(&h, d, &f.wfx, midiCtrl_waveOutProc, (uint32_t)p->id, CALLBACK_FUNCTION) == 0;
    if (!open) return -1;
    p->handle = h;
    p->buffer = (uint32_t*)qmmm_alloc((uint32_t)p->eventCount * 8);
    if (p->buffer == nullptr) {
        unloadLocked(p);
        return -1;
    }
    int32_t lead = leadMessages(p->parser), n = lead, previous = 0;
    if (lead) {
        p->buffer[0] = 0;
        p->buffer[1] = STREAM_TEMPO | ((uint32_t)p->parser->firstNoteTempo & 0xFFFFFF);
    }
    bool ok = walkChannelMessages(p->parser, [&](const MidiFileEvent& e, int32_t tick) {
        if (n >= p->eventCount) return;
        p->buffer[2 * n] = (uint32_t)(n == lead ? 0 : tick - previous);
        p->buffer[2 * n + 1] = e.status == MIDI_FILE_TEMPO_STATUS
                                   ? STREAM_TEMPO | ((uint32_t)e.tempo & 0xFFFFFF)
                                   : (uint32_t)e.status | (uint32_t)e.data1 << 8 | (uint32_t)e.data2 << 16;
        previous = tick;
        n++;
    });
    if (!ok || n != p->eventCount) {
        unloadLocked(p);
        return -1;
    }
    memset(&p->header, 0, sizeof p->header);
    p->header.lpData = (char*)p->buffer;
    p->header.dwBufferLength = (uint32_t)p->eventCount * 8;
    p->header.dwLoops = 1;
    waveOutPrepareHeader(h, &p->header, sizeof p->header);
    p->state = MEDIA_STATE_LOADED;
    if (p->volume != 100) waveOutSetVolume(h, deviceVolume(p->volume));
    return 0;
}

int32_t midiCtrl_start(int32_t id, int32_t loopCount, const MediaHandler*) {
    Locked l;
    MidiPlayer* p = find(id);
    if (p == nullptr || p->handle == 0 || p->buffer == nullptr) return -1;
    waveOutUnprepareHeader(p->handle, &p->header, sizeof p->header);
    memset(&p->header, 0, sizeof p->header);
    p->header.lpData = (char*)p->buffer;
    p->header.dwBufferLength = (uint32_t)p->eventCount * 8;
    p->header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
    p->header.dwLoops = (uint32_t)loopCount;
    waveOutPrepareHeader(p->handle, &p->header, sizeof p->header);
    p->loopCount = loopCount;
    mediaTrace("midiCtrl_start() pPlayer->loop =%d\n", loopCount);
    if (waveOutWrite(p->handle, &p->header, sizeof p->header) == MMSYSERR_NOERROR) {
        p->state = MEDIA_STATE_STARTED;
        return 0;
    }
    mediaTrace("waveOutWrite error, GetLastError=%d\n", 0);
    unloadLocked(p);
    return -1;
}

int32_t midiCtrl_stop(int32_t id, const MediaHandler*) {
    WaveOutHandle h;
    {
        Locked l;
        MidiPlayer* p = find(id);
        if (p == nullptr) return -1;
        p->state = MEDIA_STATE_LOADED;
        h = p->handle;
    }
    if (h) waveOutReset(h);
    return 0;
}

int32_t pauseLocked(int32_t id, bool keepState) {
    mediaTrace("midiCtrl_pause id = %x", id);
    MidiPlayer* p = find(id);
    if (p == nullptr) {
        mediaTrace("midiCtrl_pause return MKMEDIA_RESULT_ERROR");
        return -1;
    }
    if (p->handle) waveOutPause(p->handle);
    if (!keepState) p->state = MEDIA_STATE_PAUSED;
    mediaTrace("midiCtrl_pause return MKMEDIA_RESULT_OK");
    return 0;
}

int32_t midiCtrl_pause(int32_t id, const MediaHandler*) {
    Locked l;
    return pauseLocked(id, false);
}

int32_t midiCtrl_restart(int32_t id, const MediaHandler*) {
    Locked l;
    MidiPlayer* p = find(id);
    if (p == nullptr || p->handle == 0) return -1;
    waveOutRestart(p->handle);
    p->state = MEDIA_STATE_STARTED;
    return 0;
}

int32_t midiCtrl_unload(int32_t id, const MediaHandler*) {
    Locked l;
    MidiPlayer* p = find(id);
    if (p == nullptr) return -1;
    unloadLocked(p);
    return 0;
}

int32_t midiCtrl_getState(int32_t id, const MediaHandler*) {
    mediaTrace("midiCtrl_getState id = %x\n", id);
    Locked l;
    MidiPlayer* p = find(id);
    if (p == nullptr) return -1;
    mediaTrace("midiCtrl_getState status = %d\n", p->state);
    return p->state;
}

int32_t midiCtrl_getDuration(int32_t id, int32_t* high, int32_t* low) {
    if (id > MKMEDIA_CHECK_ID_BASE) id -= MKMEDIA_CHECK_ID_BASE;
    Locked l;
    MidiPlayer* p = find(id);
    if (p == nullptr) return -1;
    if (p->duration == -1 && p->parser) p->duration = p->parser->duration;
    if (high && low) {
        *high = (int32_t)(p->duration >> 32);
        *low = (int32_t)p->duration;
    }
    return 0;
}

int32_t midiCtrl_setTime(int32_t, int32_t, int32_t) { return -1; }

int32_t midiCtrl_getTime(int32_t id, int32_t* high, int32_t* low) {
    Locked l;
    MidiPlayer* p = find(id);
    if (p == nullptr || high == nullptr || low == nullptr) return -1;
    WaveTime t = {TIME_MS, 0};
    if (p->handle == 0 || waveOutGetPosition(p->handle, &t, sizeof t) != 0 || t.wType != TIME_MS) return -1;
    int64_t us = (int64_t)t.value * 1000;
    *high = (int32_t)(us >> 32);
    *low = (int32_t)us;
    return 0;
}

int32_t midiCtrl_getIncludedContents(int32_t id, const MediaHandler*) {
    Locked l;
    return find(id) ? MKMEDIA_CONTENT_AUDIO : 0;
}

int32_t midiCtrl_suspend(int32_t id, MediaPlayerEntry*, const MediaHandler*) {
    Locked l;
    MidiPlayer* p = find(id);
    if (p == nullptr) return -1;
    if (p->state == MEDIA_STATE_STARTED) pauseLocked(id, true);
    return 0;
}

int32_t midiCtrl_resume(int32_t id, MediaPlayerEntry*, const MediaHandler*) {
    Locked l;
    MidiPlayer* p = find(id);
    if (p == nullptr) return -1;
    if (p->state == MEDIA_STATE_STARTED && p->handle) waveOutRestart(p->handle);
    return 0;
}

int32_t midiVolCtrl_setVolume(int32_t id, int32_t volume, const MediaVolumeControlTable*) {
    Locked l;
    MidiPlayer* p = find(id);
    if (p == nullptr || volume < 0 || volume > 127) return -1;
    if (p->handle) waveOutSetVolume(p->handle, deviceVolume(volume));
    p->volume = volume;
    return 0;
}

int32_t midiVolCtrl_getVolume(int32_t id, const MediaVolumeControlTable*) {
    Locked l;
    MidiPlayer* p = find(id);
    return p ? p->volume : -1;
}

struct MidiTables {
    MediaHandler handler;
    MediaVolumeControlTable volume;
};
VMHOOKS MidiTables Tables;
VMHOOKS pthread_once_t TablesOnce = PTHREAD_ONCE_INIT;

void fill() {
    MidiTables& t = Tables;
    t.volume = {midiVolCtrl_setVolume, midiVolCtrl_getVolume};
    t.handler = {MEDIA_TYPE_MIDI,
                 midiCtrl_getMimeType,
                 midiCtrl_isSupported,
                 midiCtrl_checkOpen,
                 midiCtrl_check,
                 midiCtrl_checkClose,
                 midiCtrl_getMediaSize,
                 midiCtrl_create,
                 midiCtrl_destroy,
                 midiCtrl_set,
                 midiCtrl_load,
                 midiCtrl_start,
                 midiCtrl_stop,
                 midiCtrl_pause,
                 midiCtrl_restart,
                 midiCtrl_unload,
                 midiCtrl_getState,
                 midiCtrl_getDuration,
                 midiCtrl_setTime,
                 midiCtrl_getTime,
                 midiCtrl_getIncludedContents,
                 midiCtrl_suspend,
                 midiCtrl_resume,
                 nullptr,
                 &t.volume,
                 nullptr,
                 nullptr,
                 nullptr};
}

}  // namespace

const MediaHandler* midiCtrl_getHandler(void) {
    pthread_once(&TablesOnce, fill);
    return &Tables.handler;
}
