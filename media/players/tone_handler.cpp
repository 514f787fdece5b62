// The tone handler's record and control tables over the tone player engine.
#include <pthread.h>

#include "media/players/tone_player.h"
#include "platform/vmsections.h"

namespace {

ToneFamily* const F = &ToneFamilyTone;

const uint16_t MimeText[] = {'a', 'u', 'd', 'i', 'o', '/', 'x', '-', 't', 'o', 'n', 'e', '-', 's', 'e', 'q'};

int32_t toneCtrl_getMimeType(const uint16_t** text, const MediaHandler*) {
    *text = MimeText;
    return 16;
}
int32_t toneCtrl_isSupported(const uint8_t* data, int32_t length, const MediaHandler*) {
    return toneSeqCheckHeader(data, length) == 0 ? 1 : 0;
}
int32_t toneCtrl_checkOpen(const uint8_t* data, int32_t length, const MediaHandler*) {
    return toneFamilyCheckOpen(F, data, length);
}
int32_t toneCtrl_check(int32_t checkId, int32_t*, const MediaHandler*) {
    return toneFamilyBuild(F, checkId - MKMEDIA_CHECK_ID_BASE);
}
int32_t toneCtrl_checkClose(int32_t checkId, const MediaHandler*) {
    return toneFamilyDestroy(F, checkId - MKMEDIA_CHECK_ID_BASE);
}
int32_t toneCtrl_getMediaSize(int32_t checkId, int32_t* width, int32_t* height) {
    if (width == nullptr || height == nullptr || toneFamilyExists(F, checkId - MKMEDIA_CHECK_ID_BASE) != 0) return -1;
    *width = 0;
    *height = 0;
    return 0;
}
int32_t toneCtrl_create(const MediaHandler*) { return toneFamilyCreate(F); }
int32_t toneCtrl_destroy(int32_t id, MediaPlayerEntry*, const MediaHandler*) { return toneFamilyDestroy(F, id); }
int32_t toneCtrl_set(int32_t id, const uint8_t* data, int32_t length, int32_t) {
    return toneFamilySet(F, id, data, length);
}
int32_t toneCtrl_load(int32_t id, const MediaHandler*) { return toneFamilyLoad(F, id); }
int32_t toneCtrl_start(int32_t id, int32_t loops, const MediaHandler*) { return toneFamilyStart(F, id, loops); }
int32_t toneCtrl_stop(int32_t id, const MediaHandler*) { return toneFamilyStop(F, id); }
int32_t toneCtrl_pause(int32_t id, const MediaHandler*) { return toneFamilyPause(F, id); }
int32_t toneCtrl_restart(int32_t id, const MediaHandler*) { return toneFamilyRestart(F, id); }
int32_t toneCtrl_unload(int32_t id, const MediaHandler*) { return toneFamilyUnload(F, id); }
int32_t toneCtrl_getState(int32_t id, const MediaHandler*) { return toneFamilyGetState(F, id); }
int32_t toneCtrl_getDuration(int32_t id, int32_t* high, int32_t* low) {
    return toneFamilyGetDuration(F, id, high, low);
}
int32_t toneCtrl_setTime(int32_t id, int32_t high, int32_t low) { return toneFamilySetTime(F, id, high, low); }
int32_t toneCtrl_getTime(int32_t id, int32_t* high, int32_t* low) { return toneFamilyGetTime(F, id, high, low); }
int32_t toneCtrl_getIncludedContents(int32_t id, const MediaHandler*) {
    return toneFamilyExists(F, id) == 0 ? MKMEDIA_CONTENT_AUDIO : 0;
}
int32_t toneCtrl_suspend(int32_t id, MediaPlayerEntry*, const MediaHandler*) { return toneFamilySuspend(F, id); }
int32_t toneCtrl_resume(int32_t id, MediaPlayerEntry*, const MediaHandler*) { return toneFamilyResume(F, id); }

int32_t eventText(int32_t, int32_t, uint16_t*, int32_t) { return 0; }
int32_t eventInt(int32_t, int32_t, const void*) { return 0; }
int32_t userCount(const MediaUserControlTable*) { return 0; }
int32_t userClass(int32_t, int32_t*, uint16_t*, int32_t) { return 0; }
int32_t userInts(int32_t, int32_t, int32_t, int32_t*, int32_t) { return 0; }
int32_t userText(int32_t, int32_t, int32_t, uint16_t*, int32_t) { return 0; }

int32_t toneVolCtrl_setVolume(int32_t id, int32_t volume, const MediaVolumeControlTable*) {
    return toneFamilySetValue(F, id, TONE_VOLUME, volume);
}
int32_t toneVolCtrl_getVolume(int32_t id, const MediaVolumeControlTable*) {
    return toneFamilyGetValue(F, id, TONE_VOLUME);
}
int32_t streamCount(void) { return 4; }
int32_t tonePlayerLink(int32_t id, int32_t master) { return toneFamilyLink(F, id, master); }
int32_t tonePlayerUnlink(int32_t id) { return toneFamilyUnlink(F, id); }
int32_t tonePlayerGetMaster(int32_t id) { return toneFamilyGetMaster(F, id); }
int32_t tonePanCtrl_setPan(int32_t id, int32_t pan) { return toneFamilySetValue(F, id, TONE_PAN, pan); }
int32_t tonePanCtrl_getPan(int32_t id) { return toneFamilyGetValue(F, id, TONE_PAN); }
int32_t setTempo(int32_t id, int32_t v) { return toneFamilySetValue(F, id, TONE_TEMPO_FIELD, v); }
int32_t getTempo(int32_t id) { return toneFamilyGetValue(F, id, TONE_TEMPO_FIELD); }
int32_t setRate(int32_t id, int32_t v) { return toneFamilySetValue(F, id, TONE_RATE, v); }
int32_t getRate(int32_t id) { return toneFamilyGetValue(F, id, TONE_RATE); }
int32_t rateRange(int32_t, int32_t* lo, int32_t* hi) {
    if (lo == nullptr || hi == nullptr) return -1;
    *lo = 50000;
    *hi = 200000;
    return 0;
}
int32_t setPitch(int32_t id, int32_t v) { return toneFamilySetValue(F, id, TONE_PITCH, v); }
int32_t getPitch(int32_t id) { return toneFamilyGetValue(F, id, TONE_PITCH); }
int32_t pitchRange(int32_t, int32_t* lo, int32_t* hi) {
    if (lo == nullptr || hi == nullptr) return -1;
    *lo = -12000;
    *hi = 12000;
    return 0;
}
int32_t setStop(int32_t id, int32_t high, int32_t low) { return toneFamilySetStopTime(F, id, high, low); }
int32_t getStop(int32_t id, int32_t* high, int32_t* low) { return toneFamilyGetStopTime(F, id, high, low); }

// The records hold 32-bit function words, which only a run can fill: once per process.
struct ToneTables {
    MediaHandler handler;
    MediaEventControlTable events;
    MediaVolumeControlTable volume;
    MediaUserControlTable user;
    MediaStreamControlTable stream;
    MediaStreamControlList streamList;
    MediaValueControl tempo, rate, pitch;
    MediaStopTimeControl stopTime;
    MediaExtraControlArray extra;
};
VMHOOKS ToneTables Tables;
VMHOOKS pthread_once_t TablesOnce = PTHREAD_ONCE_INIT;

void fill() {
    ToneTables& t = Tables;
    t.events = {eventText, eventText, eventInt, eventInt, eventText};
    t.volume = {toneVolCtrl_setVolume, toneVolCtrl_getVolume};
    t.user = {userCount, userClass, userInts, userInts, userText, userText};
    t.stream = {streamCount,         tonePlayerLink,     tonePlayerUnlink,
                tonePlayerGetMaster, tonePanCtrl_setPan, tonePanCtrl_getPan};
    t.streamList = {};
    t.streamList.entries[0] = &t.stream;
    t.tempo = {setTempo, getTempo, nullptr};
    t.rate = {setRate, getRate, rateRange};
    t.pitch = {setPitch, getPitch, pitchRange};
    t.stopTime = {setStop, getStop};
    t.extra = {};
    t.extra.kinds[MEDIA_EXTRA_TEMPO] = &t.tempo;
    t.extra.kinds[MEDIA_EXTRA_RATE] = &t.rate;
    t.extra.kinds[MEDIA_EXTRA_STOP_TIME] = &t.stopTime;
    t.extra.kinds[MEDIA_EXTRA_PITCH] = &t.pitch;
    t.handler = {MEDIA_TYPE_TONE,
                 toneCtrl_getMimeType,
                 toneCtrl_isSupported,
                 toneCtrl_checkOpen,
                 toneCtrl_check,
                 toneCtrl_checkClose,
                 toneCtrl_getMediaSize,
                 toneCtrl_create,
                 toneCtrl_destroy,
                 toneCtrl_set,
                 toneCtrl_load,
                 toneCtrl_start,
                 toneCtrl_stop,
                 toneCtrl_pause,
                 toneCtrl_restart,
                 toneCtrl_unload,
                 toneCtrl_getState,
                 toneCtrl_getDuration,
                 toneCtrl_setTime,
                 toneCtrl_getTime,
                 toneCtrl_getIncludedContents,
                 toneCtrl_suspend,
                 toneCtrl_resume,
                 &t.events,
                 &t.volume,
                 &t.user,
                 &t.streamList,
                 &t.extra};
}

}  // namespace

const MediaHandler* toneCtrl_getHandler(void) {
    pthread_once(&TablesOnce, fill);
    return &Tables.handler;
}
