// WAVE player. Handler operations run on the VM thread, the done callback on the
// wave-out service's thread; one lock guards the list and the records. Device calls that
// wait for callbacks (reset, close) are made without it: the callback takes it.
#include "media/players/wave_player.h"

#include <pthread.h>
#include <stdlib.h>
#include <string.h>

#include "media/players/mediatrace.h"
#include "media/players/wave_file.h"
#include "platform/lowmem.h"
#include "platform/vmsections.h"
#include "storage/qmmm.h"
#include "vm/services/events.h"

namespace {

struct WavePlayer {
    int32_t id;
    int32_t state;
    const uint8_t* data;
    int32_t length;
    uint32_t playOffset;  // within the data chunk: the next write's first byte
    int32_t volume;
    int32_t speed;
    int64_t mediaTime;
    int32_t loopCount;
    WaveFileInfo info;
    uint32_t stopHigh, stopLow;
    int64_t stopPoint;
    int32_t stoppedAtTime;
    WaveHeader* header;
    WaveOutHandle handle;
    WavePlayer* next;
};

VMHOOKS WavePlayer* Players;
VMHOOKS pthread_mutex_t Lock = PTHREAD_MUTEX_INITIALIZER;

struct Locked {
    Locked() { pthread_mutex_lock(&Lock); }
    ~Locked() { pthread_mutex_unlock(&Lock); }
};

WavePlayer* find(int32_t id) {
    for (WavePlayer* p = Players; p; p = p->next)
        if (p->id == id) return p;
    return nullptr;
}

int64_t duration(const WavePlayer* p) { return waveDurationUs(&p->info); }

void post(WavePlayer* p, int32_t kind, int64_t time) {
    int32_t words[5] = {p->id, MEDIA_TYPE_WAVE, kind, (int32_t)(time >> 32), (int32_t)time};
    mvMediaEvent_post(words);
}

void setTimeLocked(WavePlayer* p, int64_t t) {
    p->mediaTime = t;
    p->playOffset = waveSecondsOffset(&p->info, t);
}

// Writes the samples from the play position to the data's end.
uint32_t writeFromPlayPosition(WavePlayer* p) {
    WaveHeader* h = p->header;
    if (h == nullptr || p->handle == 0) return MMSYSERR_INVALHANDLE;
    waveOutUnprepareHeader(p->handle, h, sizeof *h);
    memset(h, 0, sizeof *h);
    h->lpData = (char*)(p->data + p->info.dataOffset + p->playOffset);
    h->dwBufferLength = p->info.dataSize - p->playOffset;
    if (h->dwBufferLength == 0) return MMSYSERR_INVALPARAM;
    uint32_t r = waveOutPrepareHeader(p->handle, h, sizeof *h);
    if (r == MMSYSERR_NOERROR) r = waveOutWrite(p->handle, h, sizeof *h);
    return r;
}

void endOfMedia(WavePlayer* p) {
    setTimeLocked(p, 0);
    p->state = MEDIA_STATE_LOADED;
    post(p, MEDIA_EVENT_END_OF_MEDIA, duration(p));
}

void nextLoop(WavePlayer* p) {
    if (p->loopCount > 0) p->loopCount--;
    mediaTrace("waveOutProc: repeated, loop=%d\n", p->loopCount);
    post(p, MEDIA_EVENT_LOOP, duration(p));
    writeFromPlayPosition(p);
}

void waveOutProc(WaveOutHandle handle, uint32_t message, uint32_t instance, WaveHeader* header) {
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
    WavePlayer* p = find((int32_t)instance);
    if (p == nullptr || p->handle != handle || p->state != MEDIA_STATE_STARTED) {
        mediaTrace("waveOutProc: invalid state for repeat\n");
        return;
    }
    waveOutUnprepareHeader(handle, header, sizeof *header);
    setTimeLocked(p, 0);
    int64_t d = duration(p);
    if (p->stopPoint != MEDIA_NO_STOP_POINT && p->stopPoint <= d) {
        p->state = MEDIA_STATE_PAUSED;
        p->stopHigh = MEDIA_NO_STOP_HIGH;
        p->stopLow = MEDIA_NO_STOP_LOW;
        p->stopPoint = MEDIA_NO_STOP_POINT;
        p->stoppedAtTime = 1;
        post(p, MEDIA_EVENT_STOPPED_AT_TIME, 0);
        return;
    }
    if (p->stopPoint != MEDIA_NO_STOP_POINT) p->stopPoint -= d;
    if (p->loopCount != 1)
        nextLoop(p);
    else
        endOfMedia(p);
}

// Opens the device for the file's format; false when the content or format is refused.
bool searchDataChunk(WavePlayer* p) {
    mediaTrace("searchDataChunk Start\n");
    bool ok = waveReadChunks(p->data, (uint32_t)p->length, &p->info) == 1;
    if (ok && waveOutOpen(nullptr, WAVE_MAPPER, &p->info.format, nullptr, 0, WAVE_FORMAT_QUERY) == MMSYSERR_NOERROR) {
        WaveOutHandle h = 0;
        ok = waveOutOpen(&h, WAVE_MAPPER, &p->info.format, waveOutProc, (uint32_t)p->id, CALLBACK_FUNCTION) ==
             MMSYSERR_NOERROR;
        p->handle = ok ? h : 0;
    } else {
        ok = false;
    }
    mediaTrace(ok ? "searchDataChunk Return True\n" : "searchDataChunk Return False\n");
    return ok;
}

// Closes a player's device without the lock (the close waits for its callbacks).
void closeDevice(WavePlayer* p, WaveOutHandle handle) {
    if (handle == 0) return;
    pthread_mutex_unlock(&Lock);
    waveOutReset(handle);
    waveOutClose(handle);
    pthread_mutex_lock(&Lock);
    (void)p;
}

int32_t unloadLocked(WavePlayer* p) {
    WaveOutHandle h = p->handle;
    p->handle = 0;
    p->state = MEDIA_STATE_SET;
    closeDevice(p, h);
    if (p->header) {
        lowFree(p->header);
        p->header = nullptr;
    }
    return 0;
}

int32_t createPlayer(void) {
    mediaTrace("waveCtrl_create start\n");
    WavePlayer* p = (WavePlayer*)qmmm_alloc(sizeof(WavePlayer));
    if (p == nullptr) {
        mediaTrace("waveCtrl_create not get player\n");
        return 0;
    }
    memset(p, 0, sizeof *p);
    p->volume = 100;
    p->speed = 100000;
    p->stopHigh = MEDIA_NO_STOP_HIGH;
    p->stopLow = MEDIA_NO_STOP_LOW;
    p->stopPoint = MEDIA_NO_STOP_POINT;
    Locked l;
    int32_t id = 1;
    while (find(id)) id++;
    p->id = id;
    WavePlayer** at = &Players;
    while (*at) at = &(*at)->next;
    *at = p;
    mediaTrace("waveCtrl_create return id = %x\n", id);
    return id;
}

int32_t destroyPlayer(int32_t id) {
    mediaTrace("waveCtrl_destroy start \n");
    Locked l;
    WavePlayer* p = find(id);
    if (p == nullptr) {
        mediaTrace("waveCtrl_destroy not get player \n");
        return -1;
    }
    if (p->state >= MEDIA_STATE_LOADED || p->handle) unloadLocked(p);
    for (WavePlayer** at = &Players; *at; at = &(*at)->next) {
        if (*at == p) {
            *at = p->next;
            break;
        }
    }
    qmmm_free(p);
    mediaTrace("waveCtrl_destroy return  MKMEDIA_RESULT_OK \n");
    return 0;
}

const uint16_t MimeText[] = {'a', 'u', 'd', 'i', 'o', '/', 'x', '-', 'w', 'a', 'v', 0};

int32_t waveCtrl_getMimeType(const uint16_t** text, const MediaHandler*) {
    *text = MimeText;
    return 11;
}

int32_t waveCtrl_isSupported(const uint8_t* data, int32_t length, const MediaHandler*) {
    return data && length >= 12 && memcmp(data, "RIFF", 4) == 0 && memcmp(data + 8, "WAVE", 4) == 0 ? 1 : 0;
}

int32_t waveCtrl_checkOpen(const uint8_t* data, int32_t length, const MediaHandler*) {
    mediaTrace("waveStopCtrl_getStopTime Start\n");
    int32_t id = createPlayer();
    if (id == 0 || data == nullptr || length == 0) {
        mediaTrace("waveStopCtrl_getStopTime Return 0\n");
        // a player made for no data would stay behind unreachable
        if (id) destroyPlayer(id);
        return 0;
    }
    Locked l;
    WavePlayer* p = find(id);
    p->data = data;
    p->length = length;
    mediaTrace("waveStopCtrl_getStopTime id = %x\n", MKMEDIA_CHECK_ID_BASE + id);
    return MKMEDIA_CHECK_ID_BASE + id;
}

int32_t waveCtrl_check(int32_t checkId, int32_t*, const MediaHandler*) {
    mediaTrace("waveCtrl_check checkID = %x\n", checkId);
    Locked l;
    WavePlayer* p = find(checkId - MKMEDIA_CHECK_ID_BASE);
    if (p == nullptr) {
        mediaTrace("waveCtrl_check not get player\n");
        return -1;
    }
    if (p->data == nullptr) {
        mediaTrace("waveCtrl_check not set data\n");
        return -1;
    }
    if (!searchDataChunk(p)) {
        mediaTrace("waveCtrl_check search data chunk error\n");
        return -1;
    }
    if (p->handle) unloadLocked(p);
    mediaTrace("waveCtrl_check Ok!!!!\n");
    return 0;
}

int32_t waveCtrl_checkClose(int32_t checkId, const MediaHandler*) {
    mediaTrace("waveCtrl_checkClose checkid = %x\n", checkId);
    return destroyPlayer(checkId - MKMEDIA_CHECK_ID_BASE);
}

int32_t waveCtrl_getMediaSize(int32_t checkId, int32_t* width, int32_t* height) {
    Locked l;
    if (width == nullptr || height == nullptr || find(checkId - MKMEDIA_CHECK_ID_BASE) == nullptr) return -1;
    *width = 0;
    *height = 0;
    return 0;
}

int32_t waveCtrl_create(const MediaHandler*) { return createPlayer(); }
int32_t waveCtrl_destroy(int32_t id, MediaPlayerEntry*, const MediaHandler*) { return destroyPlayer(id); }

int32_t waveCtrl_set(int32_t id, const uint8_t* data, int32_t length, int32_t) {
    mediaTrace("waveCtrl_set pData = %x, length = %d \n", (unsigned)(uintptr_t)data, length);
    Locked l;
    WavePlayer* p = find(id);
    if (p == nullptr) {
        mediaTrace("waveCtrl_set return MKMEDIA_RESULT_ERROR");
        return -1;
    }
    if (p->state >= MEDIA_STATE_LOADED) unloadLocked(p);
    p->data = data;
    p->length = data ? length : 0;
    p->state = data ? MEDIA_STATE_SET : MEDIA_STATE_EMPTY;
    mediaTrace("waveCtrl_set return MKMEDIA_RESULT_OK");
    return 0;
}

int32_t setVolumeLocked(WavePlayer* p, int32_t volume) {
    if (volume < 0 || volume > 127) return -1;
    uint32_t level = (uint32_t)volume * 0x200;
    if (p->handle) waveOutSetVolume(p->handle, level | level << 16);
    p->volume = volume;
    return 0;
}

int32_t waveCtrl_load(int32_t id, const MediaHandler*) {
    mediaTrace("waveCtrl_load id = %x", id);
    Locked l;
    WavePlayer* p = find(id);
    if (p && p->data && p->handle == 0) {
        p->playOffset = 0;
        if (searchDataChunk(p)) {
            p->header = (WaveHeader*)lowCalloc(1, sizeof(WaveHeader));
            if (p->header == nullptr) {
                unloadLocked(p);
            } else {
                p->state = MEDIA_STATE_LOADED;
                post(p, MEDIA_EVENT_CONTENT_SET, duration(p));
                setVolumeLocked(p, p->volume);
                mediaTrace("waveCtrl_load return MKMEDIA_RESULT_OK");
                return 0;
            }
        }
    }
    mediaTrace("waveCtrl_load return MKMEDIA_RESULT_ERROR");
    return -1;
}

int32_t waveCtrl_start(int32_t id, int32_t loopCount, const MediaHandler*) {
    mediaTrace("waveCtrl_start id = %x loop = %d\n", id, loopCount);
    Locked l;
    WavePlayer* p = find(id);
    if (p == nullptr || p->handle == 0) {
        mediaTrace("waveCtrl_start not get player\n");
        return -1;
    }
    p->loopCount = loopCount;
    if (p->info.dataSize == 0) {
        mediaTrace("waveCtrl_start datasize 0\n");
        return -1;
    }
    p->state = MEDIA_STATE_STARTED;
    if (p->mediaTime >= duration(p)) {
        if (p->loopCount == 1) {
            endOfMedia(p);
            return 0;
        }
        if (p->loopCount > 0) p->loopCount--;
        post(p, MEDIA_EVENT_LOOP, duration(p));
        p->mediaTime = 0;
    }
    setTimeLocked(p, p->mediaTime);
    uint32_t r = writeFromPlayPosition(p);
    if (r != MMSYSERR_NOERROR) {
        p->state = MEDIA_STATE_LOADED;
        return -1;
    }
    mediaTrace("waveCtrl_start return MKMEDIA_RESULT_OK\n");
    return 0;
}

int32_t waveCtrl_stop(int32_t id, const MediaHandler*) {
    mediaTrace("waveCtrl_stop id = %x\n", id);
    WaveOutHandle h;
    {
        Locked l;
        WavePlayer* p = find(id);
        if (p == nullptr) {
            mediaTrace("waveCtrl_stop return MKMEDIA_RESULT_ERROR");
            return -1;
        }
        p->state = MEDIA_STATE_LOADED;
        h = p->handle;
        mediaTrace("waveCtrl_stop hWaveOut = %x\n", h);
        p->mediaTime = 0;
        p->playOffset = 0;
    }
    // the reset returns the buffer: its done callback finds the player stopped
    if (h) waveOutReset(h);
    mediaTrace("waveCtrl_stop return MKMEDIA_RESULT_OK");
    return 0;
}

int32_t waveCtrl_pause(int32_t id, const MediaHandler*) {
    mediaTrace("waveCtrl_pause id = %x", id);
    Locked l;
    WavePlayer* p = find(id);
    if (p == nullptr) {
        mediaTrace("waveCtrl_pause return MKMEDIA_RESULT_ERROR");
        return -1;
    }
    p->state = MEDIA_STATE_PAUSED;
    if (p->handle) waveOutPause(p->handle);
    mediaTrace("waveCtrl_pause return MKMEDIA_RESULT_OK");
    return 0;
}

int32_t waveCtrl_restart(int32_t id, const MediaHandler*) {
    mediaTrace("waveCtrl_restart id = %x\n", id);
    Locked l;
    WavePlayer* p = find(id);
    if (p == nullptr || p->info.dataSize == 0 || p->handle == 0) {
        mediaTrace("waveCtrl_restart MKMEDIA_RESULT_ERROR \n");
        return -1;
    }
    if (!p->stoppedAtTime) {
        p->state = MEDIA_STATE_STARTED;
        waveOutRestart(p->handle);
        mediaTrace("waveCtrl_restart MKMEDIA_RESULT_OK\n");
        return 0;
    }
    p->stoppedAtTime = 0;
    p->state = MEDIA_STATE_STARTED;
    if (p->loopCount != 1) {
        if (p->loopCount > 0) p->loopCount--;
        post(p, MEDIA_EVENT_LOOP, duration(p));
        waveOutRestart(p->handle);
        writeFromPlayPosition(p);
        return 0;
    }
    endOfMedia(p);
    return 0;
}

int32_t waveCtrl_unload(int32_t id, const MediaHandler*) {
    mediaTrace("waveCtrl_unload id = %x\n", id);
    Locked l;
    WavePlayer* p = find(id);
    if (p == nullptr) {
        mediaTrace("waveCtrl_unload return MKMEDIA_RESULT_ERROR\n");
        return -1;
    }
    unloadLocked(p);
    mediaTrace("waveCtrl_unload return MKMEDIA_RESULT_OK\n");
    return 0;
}

int32_t waveCtrl_getState(int32_t id, const MediaHandler*) {
    mediaTrace("waveCtrl_getState id = %x\n", id);
    Locked l;
    WavePlayer* p = find(id);
    if (p == nullptr) {
        mediaTrace("waveCtrl_getState status = 0\n");
        return 0;
    }
    mediaTrace("waveCtrl_getState status = %d\n", p->state);
    return p->state;
}

int32_t waveCtrl_getDuration(int32_t id, int32_t* high, int32_t* low) {
    mediaTrace("waveCtrl_getDuration id = %x\n", id);
    if (high == nullptr || low == nullptr) {
        mediaTrace("waveCtrl_getDuration return MKMEDIA_RESULT_OK\n");
        return 0;
    }
    *high = -1;
    *low = -1;
    if (id > MKMEDIA_CHECK_ID_BASE) id -= MKMEDIA_CHECK_ID_BASE;
    Locked l;
    WavePlayer* p = find(id);
    if (p && p->info.byteRate > 0 && p->info.dataSize != 0) {
        int64_t d = duration(p);
        *high = (int32_t)(d >> 32);
        *low = (int32_t)d;
        mediaTrace("waveCtrl_getDuration return MKMEDIA_RESULT_OK\n");
        return 0;
    }
    mediaTrace("waveCtrl_getDuration return MKMEDIA_RESULT_ERROR\n");
    return -1;
}

int32_t waveCtrl_setTime(int32_t id, int32_t high, int32_t low) {
    mediaTrace("waveCtrl_setTime id = %x\n", id);
    Locked l;
    WavePlayer* p = find(id);
    if (p == nullptr) {
        mediaTrace("waveCtrl_setTime return MKMEDIA_RESULT_ERROR\n");
        return -1;
    }
    int64_t t = high != 0 || (uint32_t)low >= 0x80000000u ? 0x7FFFFFFF : low;
    setTimeLocked(p, t);
    mediaTrace("waveCtrl_setTime return MKMEDIA_RESULT_OK\n");
    return 0;
}

int32_t waveCtrl_getTime(int32_t id, int32_t* high, int32_t* low) {
    if (high == nullptr || low == nullptr) return -1;
    Locked l;
    WavePlayer* p = find(id);
    if (p == nullptr) {
        *high = 0;
        *low = 0;
        return -1;
    }
    int64_t t = p->mediaTime;
    if (p->state >= MEDIA_STATE_STARTED && p->handle) {
        WaveTime wt = {TIME_MS, 0};
        waveOutGetPosition(p->handle, &wt, sizeof wt);
        // the position counts from the start of the buffer, which began at the play offset
        uint64_t base = (uint64_t)p->playOffset * 1000000 / p->info.byteRate;
        uint64_t whole = (uint64_t)duration(p);
        if (wt.wType == TIME_MS) {
            t = (int64_t)(base + (uint64_t)wt.value * 1000);
        } else if (wt.wType == TIME_BYTES) {
            t = (int64_t)(base + (uint64_t)wt.value * 1000000 / p->info.byteRate);
        } else {
            mediaTrace("waveCtrl_getTime wType = %x, ret=%d\n", wt.wType, 0);
            t = 0;
        }
        if (whole) t = (int64_t)((uint64_t)t % whole);
        p->mediaTime = t;
    }
    *high = (int32_t)(t >> 32);
    *low = (int32_t)t;
    return 0;
}

int32_t waveCtrl_getIncludedContents(int32_t id, const MediaHandler*) {
    mediaTrace("waveCtrl_getIncludedContents id = %x \n", id);
    Locked l;
    if (find(id) == nullptr) {
        mediaTrace("waveCtrl_getIncludedContents return 0 \n");
        return 0;
    }
    mediaTrace("waveCtrl_getIncludedContents return MKMEDIA_CONTENT_AUDIO \n");
    return MKMEDIA_CONTENT_AUDIO;
}

int32_t waveCtrl_suspend(int32_t id, MediaPlayerEntry*, const MediaHandler*) {
    mediaTrace("waveCtrl_suspend id = %x \n", id);
    Locked l;
    if (find(id)) {
        mediaTrace("waveCtrl_suspend return MKMEDIA_RESULT_OK \n");
        return 0;
    }
    mediaTrace("waveCtrl_suspend not get player \n");
    return -1;
}

int32_t waveCtrl_resume(int32_t id, MediaPlayerEntry*, const MediaHandler*) {
    mediaTrace("waveCtrl_resume id = %x \n", id);
    Locked l;
    if (find(id)) {
        mediaTrace("waveCtrl_resume return MKMEDIA_RESULT_OK \n");
        return 0;
    }
    mediaTrace("waveCtrl_resume return MKMEDIA_RESULT_ERROR\n");
    return -1;
}

int32_t waveVolCtrl_setVolume(int32_t id, int32_t volume, const MediaVolumeControlTable*) {
    mediaTrace("waveVolCtrl_setVolume Start\n");
    Locked l;
    WavePlayer* p = find(id);
    if (p && setVolumeLocked(p, volume) == 0) {
        mediaTrace("waveVolCtrl_setVolume Return MKMEDIA_RESULT_OK\n");
        return 0;
    }
    mediaTrace("waveVolCtrl_setVolume Return MKMEDIA_RESULT_ERROR\n");
    return -1;
}

int32_t waveVolCtrl_getVolume(int32_t id, const MediaVolumeControlTable*) {
    Locked l;
    WavePlayer* p = find(id);
    return p ? p->volume : 0;
}

int32_t waveStopCtrl_setStopTime(int32_t id, int32_t high, int32_t low) {
    mediaTrace("waveStopCtrl_setStopTime Start\n");
    Locked l;
    WavePlayer* p = find(id);
    if (p == nullptr) {
        mediaTrace("waveStopCtrl_setStopTime Return MKMEDIA_RESULT_ERROR\n");
        return -1;
    }
    p->stopHigh = (uint32_t)high;
    p->stopLow = (uint32_t)low;
    p->stopPoint = high != 0 || (uint32_t)low >= 0x80000000u ? (int64_t)MEDIA_NO_STOP_POINT : (int64_t)low;
    mediaTrace("waveStopCtrl_setStopTime Return MKMEDIA_RESULT_OK\n");
    return 0;
}

int32_t waveStopCtrl_getStopTime(int32_t id, int32_t* high, int32_t* low) {
    mediaTrace("waveStopCtrl_getStopTime Start\n");
    Locked l;
    WavePlayer* p = find(id);
    if (p == nullptr || high == nullptr || low == nullptr) {
        mediaTrace("waveStopCtrl_getStopTime Return MKMEDIA_RESULT_ERROR\n");
        return -1;
    }
    *high = (int32_t)p->stopHigh;
    *low = (int32_t)p->stopLow;
    mediaTrace("waveStopCtrl_getStopTime Return MKMEDIA_RESULT_OK\n");
    return 0;
}

int32_t waveSpCtrl_setSpeed(int32_t id, int32_t speed) {
    mediaTrace("waveSpCtrl_setSpeed id = %x,  speedx100000 = %d \n", id, speed);
    Locked l;
    WavePlayer* p = find(id);
    if (p == nullptr) {
        mediaTrace("waveSpCtrl_setSpeed not get player \n");
        return -1;
    }
    if (speed < 50000 || speed > 200000) {
        mediaTrace("waveSpCtrl_setSpeed range over \n");
        return -1;
    }
    uint32_t rate = (uint32_t)((speed * 16) / 100000) * 4096;
    if (p->handle == 0 || waveOutSetPlaybackRate(p->handle, rate) != MMSYSERR_NOERROR) {
        mediaTrace("waveSpCtrl_setSpeed set rate error \n");
        return -1;
    }
    p->speed = speed;
    mediaTrace("waveSpCtrl_setSpeed return MKMEDIA_RESULT_OK \n");
    return 0;
}

int32_t waveSpCtrl_getSpeed(int32_t id) {
    mediaTrace("waveSpCtrl_getSpeed id = %x \n", id);
    Locked l;
    WavePlayer* p = find(id);
    if (p == nullptr) {
        mediaTrace("waveSpCtrl_getSpeed not get player \n");
        return -1;
    }
    uint32_t rate = 0;
    if (p->handle == 0 || waveOutGetPlaybackRate(p->handle, &rate) != MMSYSERR_NOERROR) {
        mediaTrace("waveSpCtrl_getSpeed not get rate \n");
        return -1;
    }
    int32_t speed = (int32_t)(((rate >> 12) * 100000) >> 4);
    mediaTrace("waveSpCtrl_getSpeed return rate = %d\n", speed);
    return speed;
}

int32_t waveSpCtrl_getSpeedRange(int32_t id, int32_t* minimum, int32_t* maximum) {
    if (minimum == nullptr || maximum == nullptr) {
        mediaTrace("waveSpCtrl_getSpeedRange range over\n");
        return -1;
    }
    Locked l;
    if (find(id) == nullptr) {
        *minimum = 0;
        *maximum = 0;
        mediaTrace("waveSpCtrl_getSpeedRange not get player\n");
        return -1;
    }
    *minimum = 50000;
    *maximum = 200000;
    mediaTrace("waveSpCtrl_getSpeedRange return MKMEDIA_RESULT_OK \n");
    return 0;
}

int32_t eventText(int32_t, int32_t, uint16_t*, int32_t) { return 0; }
int32_t eventInt(int32_t, int32_t, const void*) { return 0; }
int32_t userCount(const MediaUserControlTable*) { return 0; }
int32_t userClass(int32_t, int32_t*, uint16_t*, int32_t) { return 0; }
int32_t userInts(int32_t, int32_t, int32_t, int32_t*, int32_t) { return 0; }
int32_t userText(int32_t, int32_t, int32_t, uint16_t*, int32_t) { return 0; }

struct WaveTables {
    MediaHandler handler;
    MediaEventControlTable events;
    MediaVolumeControlTable volume;
    MediaUserControlTable user;
    MediaValueControl speed;
    MediaStopTimeControl stopTime;
    MediaExtraControlArray extra;
};
VMHOOKS WaveTables Tables;
VMHOOKS pthread_once_t TablesOnce = PTHREAD_ONCE_INIT;

void fill() {
    WaveTables& t = Tables;
    t.events = {eventText, eventText, eventInt, eventInt, eventText};
    t.volume = {waveVolCtrl_setVolume, waveVolCtrl_getVolume};
    t.user = {userCount, userClass, userInts, userInts, userText, userText};
    t.speed = {waveSpCtrl_setSpeed, waveSpCtrl_getSpeed, waveSpCtrl_getSpeedRange};
    t.stopTime = {waveStopCtrl_setStopTime, waveStopCtrl_getStopTime};
    t.extra = {};
    t.extra.kinds[MEDIA_EXTRA_RATE] = &t.speed;
    t.extra.kinds[MEDIA_EXTRA_STOP_TIME] = &t.stopTime;
    t.handler = {MEDIA_TYPE_WAVE,
                 waveCtrl_getMimeType,
                 waveCtrl_isSupported,
                 waveCtrl_checkOpen,
                 waveCtrl_check,
                 waveCtrl_checkClose,
                 waveCtrl_getMediaSize,
                 waveCtrl_create,
                 waveCtrl_destroy,
                 waveCtrl_set,
                 waveCtrl_load,
                 waveCtrl_start,
                 waveCtrl_stop,
                 waveCtrl_pause,
                 waveCtrl_restart,
                 waveCtrl_unload,
                 waveCtrl_getState,
                 waveCtrl_getDuration,
                 waveCtrl_setTime,
                 waveCtrl_getTime,
                 waveCtrl_getIncludedContents,
                 waveCtrl_suspend,
                 waveCtrl_resume,
                 &t.events,
                 &t.volume,
                 &t.user,
                 nullptr,
                 &t.extra};
}

}  // namespace

const MediaHandler* waveCtrl_getHandler(void) {
    pthread_once(&TablesOnce, fill);
    return &Tables.handler;
}
