// AMR handler over a silent family of tone players.
#include "media/amrcontrol.h"

#include <pthread.h>

#include "media/players/mediatrace.h"
#include "media/players/tone_player.h"
#include "platform/vmsections.h"

namespace {

void amrTick(uint32_t timerId, uintptr_t id) { toneFamilyTick(&ToneFamilyAmr, timerId, (int32_t)id); }

}  // namespace

VMHOOKS ToneFamily ToneFamilyAmr = {MEDIA_TYPE_AMR, 1, nullptr, 1, {0}, 0, PTHREAD_MUTEX_INITIALIZER, amrTick};

namespace {

ToneFamily* const F = &ToneFamilyAmr;

// Every operation says where it runs, on entry and on its way out.
int32_t traced(int32_t result) {
    mediaTrace("amrControl.cpp");
    return result;
}
void enter() { mediaTrace("amrControl.cpp"); }

const uint16_t MimeText[] = {'a', 'u', 'd', 'i', 'o', '/', 'a', 'm', 'r'};

int32_t amrCtrl_getMimeType(const uint16_t** text, const MediaHandler*) {
    enter();
    *text = MimeText;
    return traced(9);
}
int32_t amrCtrl_isSupported(const uint8_t*, int32_t, const MediaHandler*) {
    enter();
    return traced(1);
}
int32_t amrCtrl_checkOpen(const uint8_t* data, int32_t length, const MediaHandler*) {
    enter();
    return traced(toneFamilyCheckOpen(F, data, length));
}
int32_t amrCtrl_check(int32_t checkId, int32_t*, const MediaHandler*) {
    enter();
    return traced(toneFamilyExists(F, checkId - MKMEDIA_CHECK_ID_BASE));
}
int32_t amrCtrl_checkClose(int32_t, const MediaHandler*) {
    enter();
    return traced(0);
}
int32_t amrCtrl_getMediaSize(int32_t checkId, int32_t* width, int32_t* height) {
    enter();
    if (width == nullptr || height == nullptr || toneFamilyExists(F, checkId - MKMEDIA_CHECK_ID_BASE) != 0)
        return traced(-1);
    *width = 0;
    *height = 0;
    return traced(0);
}
int32_t amrCtrl_create(const MediaHandler*) {
    enter();
    return traced(toneFamilyCreate(F));
}
int32_t amrCtrl_destroy(int32_t id, MediaPlayerEntry*, const MediaHandler*) {
    enter();
    return traced(toneFamilyDestroy(F, id));
}
int32_t amrCtrl_set(int32_t id, const uint8_t* data, int32_t length, int32_t) {
    enter();
    return traced(toneFamilySet(F, id, data, length));
}
int32_t amrCtrl_load(int32_t id, const MediaHandler*) {
    enter();
    return traced(toneFamilyLoad(F, id));
}
int32_t amrCtrl_start(int32_t id, int32_t loops, const MediaHandler*) {
    enter();
    return traced(toneFamilyStart(F, id, loops));
}
int32_t amrCtrl_stop(int32_t id, const MediaHandler*) {
    enter();
    return traced(toneFamilyStop(F, id));
}
int32_t amrCtrl_pause(int32_t id, const MediaHandler*) {
    enter();
    return traced(toneFamilyPause(F, id));
}
int32_t amrCtrl_restart(int32_t id, const MediaHandler*) {
    enter();
    return traced(toneFamilyRestart(F, id));
}
int32_t amrCtrl_unload(int32_t id, const MediaHandler*) {
    enter();
    return traced(toneFamilyUnload(F, id));
}
int32_t amrCtrl_getState(int32_t id, const MediaHandler*) {
    enter();
    return traced(toneFamilyGetState(F, id));
}
int32_t amrCtrl_getDuration(int32_t id, int32_t* high, int32_t* low) {
    enter();
    return traced(toneFamilyGetDuration(F, id, high, low));
}
int32_t amrCtrl_setTime(int32_t id, int32_t high, int32_t low) {
    enter();
    return traced(toneFamilySetTime(F, id, high, low));
}
int32_t amrCtrl_getTime(int32_t id, int32_t* high, int32_t* low) {
    enter();
    return traced(toneFamilyGetTime(F, id, high, low));
}
int32_t amrCtrl_getIncludedContents(int32_t id, const MediaHandler*) {
    enter();
    return traced(toneFamilyExists(F, id) == 0 ? MKMEDIA_CONTENT_AUDIO : 0);
}
int32_t amrCtrl_suspend(int32_t id, MediaPlayerEntry*, const MediaHandler*) {
    enter();
    return traced(toneFamilySuspend(F, id));
}
int32_t amrCtrl_resume(int32_t id, MediaPlayerEntry*, const MediaHandler*) {
    enter();
    return traced(toneFamilyResume(F, id));
}

int32_t eventText(int32_t, int32_t, uint16_t*, int32_t) { return 0; }
int32_t eventInt(int32_t, int32_t, const void*) { return 0; }
int32_t amrUserCtrl_getCount(const MediaUserControlTable*) { return 0; }
int32_t userClass(int32_t, int32_t*, uint16_t*, int32_t) { return 0; }
int32_t userInts(int32_t, int32_t, int32_t, int32_t*, int32_t) { return 0; }
int32_t userText(int32_t, int32_t, int32_t, uint16_t*, int32_t) { return 0; }
int32_t setVolume(int32_t id, int32_t v, const MediaVolumeControlTable*) {
    return toneFamilySetValue(F, id, TONE_VOLUME, v);
}
int32_t getVolume(int32_t id, const MediaVolumeControlTable*) { return toneFamilyGetValue(F, id, TONE_VOLUME); }
int32_t streamCount(void) { return 4; }
int32_t link(int32_t id, int32_t master) { return toneFamilyLink(F, id, master); }
int32_t unlink(int32_t id) { return toneFamilyUnlink(F, id); }
int32_t getMaster(int32_t id) { return toneFamilyGetMaster(F, id); }
int32_t setPan(int32_t id, int32_t pan) { return toneFamilySetValue(F, id, TONE_PAN, pan); }
int32_t getPan(int32_t id) { return toneFamilyGetValue(F, id, TONE_PAN); }
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

struct AmrTables {
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
VMHOOKS AmrTables Tables;
VMHOOKS pthread_once_t TablesOnce = PTHREAD_ONCE_INIT;

void fill() {
    AmrTables& t = Tables;
    t.events = {eventText, eventText, eventInt, eventInt, eventText};
    t.volume = {setVolume, getVolume};
    t.user = {amrUserCtrl_getCount, userClass, userInts, userInts, userText, userText};
    t.stream = {streamCount, link, unlink, getMaster, setPan, getPan};
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
    t.handler = {MEDIA_TYPE_AMR,
                 amrCtrl_getMimeType,
                 amrCtrl_isSupported,
                 amrCtrl_checkOpen,
                 amrCtrl_check,
                 amrCtrl_checkClose,
                 amrCtrl_getMediaSize,
                 amrCtrl_create,
                 amrCtrl_destroy,
                 amrCtrl_set,
                 amrCtrl_load,
                 amrCtrl_start,
                 amrCtrl_stop,
                 amrCtrl_pause,
                 amrCtrl_restart,
                 amrCtrl_unload,
                 amrCtrl_getState,
                 amrCtrl_getDuration,
                 amrCtrl_setTime,
                 amrCtrl_getTime,
                 amrCtrl_getIncludedContents,
                 amrCtrl_suspend,
                 amrCtrl_resume,
                 &t.events,
                 &t.volume,
                 &t.user,
                 &t.streamList,
                 &t.extra};
}

}  // namespace

const MediaHandler* amrCtrl_getHandler(void) {
    pthread_once(&TablesOnce, fill);
    return &Tables.handler;
}
