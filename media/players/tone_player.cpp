// The tone player engine. Handler operations run on the VM thread, ticks on the timer
// thread; both take the family's lock. An operation that ends a timer notes it and kills
// it once the lock is released (the kill waits for a running tick, which may be waiting
// for the lock). A tick that ends its own timer kills it at once: that never waits.
#include "media/players/tone_player.h"

#include <stdlib.h>
#include <string.h>

#include "media/players/mediatrace.h"
#include "media/players/midi_out.h"
#include "platform/vmsections.h"
#include "vm/services/events.h"

namespace {

void toneTick(uint32_t timerId, uintptr_t id) { toneFamilyTick(&ToneFamilyTone, timerId, (int32_t)id); }

// Timers to kill once the lock is released.
struct Kills {
    uint32_t ids[64];
    int n = 0;
    void add(uint32_t id) {
        if (id && n < 64) ids[n++] = id;
    }
};

struct Locked {
    ToneFamily* f;
    Kills kills;
    explicit Locked(ToneFamily* family) : f(family) { pthread_mutex_lock(&f->lock); }
    ~Locked() {
        pthread_mutex_unlock(&f->lock);
        for (int i = 0; i < kills.n; i++) timeKillEvent(kills.ids[i]);
    }
};

void* heapAllocate(uint32_t size, void*) { return malloc(size); }
void heapRelease(void* block, void*) { free(block); }

TonePlayer* find(ToneFamily* f, int32_t id) {
    for (TonePlayer* p = f->players; p; p = p->next)
        if (p->id == id) return p;
    return nullptr;
}

void send(ToneFamily* f, int32_t status, int32_t data1, int32_t data2) {
    if (!f->silent) midiCommSend((uint8_t)status, (uint8_t)data1, (uint8_t)data2);
}

void post(ToneFamily* f, TonePlayer* p, int32_t kind) {
    int32_t words[5] = {p->id, f->typeCode, kind, 0, p->mediaTime};
    mvMediaEvent_post(words);
}

void silence(ToneFamily* f, TonePlayer* p) {
    if (p->soundingNote >= 0 && p->channel >= 0) send(f, 0x90 | p->channel, p->soundingNote, 0);
    p->soundingNote = -1;
}

void endTimer(TonePlayer* p, Kills* kills) {
    if (kills)
        kills->add(p->timer);
    else if (p->timer)
        timeKillEvent(p->timer);  // the tick's own
    p->timer = 0;
}

int32_t takeChannel(ToneFamily* f) {
    if (f->busyCount == 0) memset(f->channelBusy, 0, sizeof f->channelBusy);
    for (int32_t c = 0; c < TONE_CHANNELS; c++) {
        if (!f->channelBusy[c]) {
            f->channelBusy[c] = 1;
            f->busyCount++;
            return c;
        }
    }
    return -1;
}

void releaseChannel(ToneFamily* f, TonePlayer* p) {
    if (p->channel >= 0 && f->channelBusy[p->channel]) {
        send(f, 0xB0 | p->channel, 123, 0);
        f->channelBusy[p->channel] = 0;
        f->busyCount--;
    }
    p->channel = -1;
}

// The group of an operation: the player and the players linked to it; -1 when the player
// is unknown or itself linked to a master.
template <typename Op>
int32_t forGroup(ToneFamily* f, int32_t id, Op op) {
    TonePlayer* p = find(f, id);
    if (p == nullptr || p->master != 0) return -1;
    op(p);
    for (TonePlayer* q = f->players; q; q = q->next)
        if (q->master == id) op(q);
    return 0;
}

void startOne(ToneFamily* f, TonePlayer* p, bool fresh, int32_t loopCount) {
    // no sequence or channel: nothing could be played, and nothing may be sent
    if (p->sequence == nullptr || p->channel < 0) return;
    send(f, 0xB0 | p->channel, 10, p->pan);
    if (fresh) {
        p->ticksLeft = 0;
        p->loopCount = loopCount;
    }
    p->state = MEDIA_STATE_STARTED;
    if (p->timer == 0) p->timer = timeSetEvent(TONE_TICK_MS, TONE_TICK_MS, f->tick, (uintptr_t)p->id, TIME_PERIODIC);
}

void stopOne(ToneFamily* f, TonePlayer* p, Kills* kills) {
    endTimer(p, kills);
    silence(f, p);
    p->state = MEDIA_STATE_LOADED;
    p->ticksLeft = 0;
    p->mediaTime = 0;
    toneSeqRewind(p->sequence);
}

void pauseOne(ToneFamily* f, TonePlayer* p, Kills* kills) {
    endTimer(p, kills);
    silence(f, p);
    p->state = MEDIA_STATE_PAUSED;
}

int32_t clampTime(int32_t high, int32_t low) { return high != 0 || (uint32_t)low >= 0x80000000u ? 0x7FFFFFFF : low; }

// Positions a player; a started one is stopped and started again around it.
int32_t setTimeLocked(ToneFamily* f, TonePlayer* p, int32_t high, int32_t low, Kills* kills) {
    int32_t was = p->state;
    if (was == MEDIA_STATE_STARTED) forGroup(f, p->id, [&](TonePlayer* q) { stopOne(f, q, kills); });
    int32_t target = clampTime(high, low);
    int32_t result = 0;
    if (p->sequence) {
        if (toneSeqSetTime(p->sequence, target) == 0)
            p->mediaTime = target;
        else if (f->silent)
            result = -1;
    }
    if (was == MEDIA_STATE_STARTED) {
        int32_t loops = p->loopCount;
        forGroup(f, p->id, [&](TonePlayer* q) { startOne(f, q, true, loops); });
    }
    return result;
}

int32_t unloadLocked(ToneFamily* f, TonePlayer* p, Kills* kills) {
    if (p->state == MEDIA_STATE_STARTED || p->state == MEDIA_STATE_PAUSED) stopOne(f, p, kills);
    releaseChannel(f, p);
    p->state = MEDIA_STATE_SET;
    return 0;
}

int32_t loadLocked(ToneFamily* f, TonePlayer* p) {
    int32_t channel = p->channel >= 0 ? p->channel : takeChannel(f);
    if (channel < 0) return -1;
    p->channel = channel;
    toneSeqRewind(p->sequence);
    if (!f->silent) {
        static const uint8_t bendRange[6][2] = {{101, 0}, {100, 0}, {6, 12}, {38, 0}, {101, 127}, {100, 127}};
        for (const auto& m : bendRange) send(f, 0xB0 | channel, m[0], m[1]);
    }
    p->state = MEDIA_STATE_LOADED;
    return 0;
}

void destroySequence(TonePlayer* p) {
    if (p->sequence) toneSeqDestroy(p->sequence);
    p->sequence = nullptr;
}

bool buildSequence(TonePlayer* p) {
    destroySequence(p);
    p->sequence = toneSeqCreate(p->data, p->length, TONE_TICK_US, heapAllocate, heapRelease);
    return p->sequence != nullptr;
}

}  // namespace

VMHOOKS ToneFamily ToneFamilyTone = {MEDIA_TYPE_TONE, 0, nullptr, 1, {0}, 0, PTHREAD_MUTEX_INITIALIZER, toneTick};

int32_t toneFamilyCreate(ToneFamily* f) {
    TonePlayer* p = (TonePlayer*)calloc(1, sizeof(TonePlayer));
    if (p == nullptr) return 0;
    p->volume = 100;
    p->soundingNote = -1;
    p->rate = 100000;
    p->sequenceTempo = 120;
    p->tempo = 120000;
    p->stopHigh = MEDIA_NO_STOP_HIGH;
    p->stopLow = MEDIA_NO_STOP_LOW;
    p->stopPoint = MEDIA_NO_STOP_POINT;
    p->channel = -1;
    p->pan = 64;
    Locked l(f);
    // ids 1..0xFFFF, none in use twice: a timer of a gone player never reaches a new one
    for (int32_t tries = 0; tries < 0xFFFF; tries++) {
        f->idCounter = f->idCounter >= 0xFFFF ? 1 : f->idCounter + 1;
        if (find(f, f->idCounter) == nullptr) break;
    }
    if (find(f, f->idCounter)) {
        free(p);
        return 0;
    }
    p->id = f->idCounter;
    TonePlayer** at = &f->players;
    while (*at) at = &(*at)->next;
    *at = p;
    return p->id;
}

int32_t toneFamilyCheckOpen(ToneFamily* f, const uint8_t* data, int32_t length) {
    int32_t id = toneFamilyCreate(f);
    if (id == 0) return 0;
    Locked l(f);
    TonePlayer* p = find(f, id);
    p->data = data;
    p->length = length;
    return MKMEDIA_CHECK_ID_BASE + id;
}

int32_t toneFamilyExists(ToneFamily* f, int32_t id) {
    Locked l(f);
    return find(f, id) ? 0 : -1;
}

int32_t toneFamilyBuild(ToneFamily* f, int32_t id) {
    Locked l(f);
    TonePlayer* p = find(f, id);
    return p && buildSequence(p) ? 0 : -1;
}

int32_t toneFamilyDestroy(ToneFamily* f, int32_t id) {
    TonePlayer* p;
    {
        Locked l(f);
        p = find(f, id);
        if (p == nullptr) return -1;
        p->master = 0;
        for (TonePlayer* q = f->players; q; q = q->next)
            if (q->master == id) q->master = 0;
        if (p->state >= MEDIA_STATE_LOADED) unloadLocked(f, p, &l.kills);
        for (TonePlayer** at = &f->players; *at; at = &(*at)->next) {
            if (*at == p) {
                *at = p->next;
                break;
            }
        }
    }
    // the timer is dead now (killed above, after the lock); nothing reaches the record
    destroySequence(p);
    free(p);
    return 0;
}

int32_t toneFamilySet(ToneFamily* f, int32_t id, const uint8_t* data, int32_t length) {
    Locked l(f);
    TonePlayer* p = find(f, id);
    if (p == nullptr) return -1;
    if (p->state >= MEDIA_STATE_LOADED) unloadLocked(f, p, &l.kills);
    if (data == nullptr) {
        destroySequence(p);
        p->data = nullptr;
        p->length = 0;
        p->state = MEDIA_STATE_EMPTY;
        return 0;
    }
    p->data = data;
    p->length = length;
    if (!buildSequence(p)) return -1;
    int32_t bpm = toneSeqGetTempo(p->sequence);
    if (f->silent) {
        // content of this type is never played
        p->sequenceTempo = 1;
        return -1;
    }
    if (bpm < 20 || bpm > 508) return -1;
    p->sequenceTempo = bpm;
    p->tempo = bpm * 1000;
    p->mediaTime = 0;
    post(f, p, MEDIA_EVENT_CONTENT_SET);
    p->state = MEDIA_STATE_SET;
    return 0;
}

int32_t toneFamilyLoad(ToneFamily* f, int32_t id) {
    Locked l(f);
    TonePlayer* p = find(f, id);
    return p ? loadLocked(f, p) : -1;
}

int32_t toneFamilyStart(ToneFamily* f, int32_t id, int32_t loopCount) {
    Locked l(f);
    return forGroup(f, id, [&](TonePlayer* p) { startOne(f, p, true, loopCount); });
}

int32_t toneFamilyRestart(ToneFamily* f, int32_t id) {
    Locked l(f);
    return forGroup(f, id, [&](TonePlayer* p) { startOne(f, p, false, 0); });
}

int32_t toneFamilyStop(ToneFamily* f, int32_t id) {
    Locked l(f);
    return forGroup(f, id, [&](TonePlayer* p) { stopOne(f, p, &l.kills); });
}

int32_t toneFamilyPause(ToneFamily* f, int32_t id) {
    Locked l(f);
    return forGroup(f, id, [&](TonePlayer* p) { pauseOne(f, p, &l.kills); });
}

int32_t toneFamilyUnload(ToneFamily* f, int32_t id) {
    Locked l(f);
    TonePlayer* p = find(f, id);
    return p ? unloadLocked(f, p, &l.kills) : -1;
}

int32_t toneFamilyGetState(ToneFamily* f, int32_t id) {
    Locked l(f);
    TonePlayer* p = find(f, id);
    return p ? p->state : -1;
}

int32_t toneFamilyGetDuration(ToneFamily* f, int32_t id, int32_t* high, int32_t* low) {
    if (high == nullptr || low == nullptr) return -1;
    *high = -1;
    *low = -1;
    if (id > MKMEDIA_CHECK_ID_BASE) id -= MKMEDIA_CHECK_ID_BASE;
    Locked l(f);
    TonePlayer* p = find(f, id);
    if (p == nullptr) return -1;
    if (p->sequence == nullptr) return 0;
    int32_t d = toneSeqGetDuration(p->sequence);
    if (d == -1) return -1;
    *high = 0;
    *low = d;
    return 0;
}

int32_t toneFamilySetTime(ToneFamily* f, int32_t id, int32_t high, int32_t low) {
    Locked l(f);
    TonePlayer* p = find(f, id);
    return p ? setTimeLocked(f, p, high, low, &l.kills) : -1;
}

int32_t toneFamilyGetTime(ToneFamily* f, int32_t id, int32_t* high, int32_t* low) {
    Locked l(f);
    TonePlayer* p = find(f, id);
    if (p == nullptr || high == nullptr || low == nullptr) return -1;
    *high = 0;
    *low = p->mediaTime;
    return 0;
}

int32_t toneFamilySuspend(ToneFamily* f, int32_t id) {
    Locked l(f);
    TonePlayer* p = find(f, id);
    if (p == nullptr) return -1;
    p->suspendedState = p->state;
    p->suspendedTime = p->mediaTime;
    if (p->state >= MEDIA_STATE_LOADED) unloadLocked(f, p, &l.kills);
    p->state = p->suspendedState;
    p->mediaTime = p->suspendedTime;
    return 0;
}

int32_t toneFamilyResume(ToneFamily* f, int32_t id) {
    Locked l(f);
    TonePlayer* p = find(f, id);
    if (p == nullptr) return -1;
    int32_t state = p->state;
    if (state < MEDIA_STATE_SET || state > MEDIA_STATE_PAUSED) return 0;
    if (!buildSequence(p) || state == MEDIA_STATE_SET) return 0;
    if (loadLocked(f, p) != 0) {
        p->state = MEDIA_STATE_SET;
        return 0;
    }
    setTimeLocked(f, p, 0, p->suspendedTime, &l.kills);
    if (state == MEDIA_STATE_STARTED)
        startOne(f, p, true, p->loopCount);
    else
        p->state = state;
    return 0;
}

int32_t toneFamilyLink(ToneFamily* f, int32_t id, int32_t masterId) {
    Locked l(f);
    TonePlayer* p = find(f, id);
    TonePlayer* m = find(f, masterId);
    if (id == masterId || p == nullptr || m == nullptr || m->master != 0) return -1;
    if (p->master != 0) return p->master == masterId ? 0 : -1;
    // a player that others follow cannot follow in turn
    for (TonePlayer* q = f->players; q; q = q->next)
        if (q->master == id) return -1;
    if (p->mediaTime != 0 || m->mediaTime != 0) return -1;
    p->master = masterId;
    return 0;
}

int32_t toneFamilyUnlink(ToneFamily* f, int32_t id) {
    Locked l(f);
    TonePlayer* p = find(f, id);
    if (p == nullptr) return -1;
    p->master = 0;
    return 0;
}

int32_t toneFamilyGetMaster(ToneFamily* f, int32_t id) {
    Locked l(f);
    TonePlayer* p = find(f, id);
    return p && p->master ? p->master : -1;
}

int32_t toneFamilySetValue(ToneFamily* f, int32_t id, ToneField field, int32_t value) {
    Locked l(f);
    TonePlayer* p = find(f, id);
    if (p == nullptr) return -1;
    switch (field) {
        case TONE_VOLUME:
        case TONE_PAN:
            if (value < 0 || value > 127) return -1;
            if (field == TONE_VOLUME)
                p->volume = value;
            else
                p->pan = value;
            if (p->channel >= 0) send(f, 0xB0 | p->channel, field == TONE_VOLUME ? 7 : 10, value);
            return 0;
        case TONE_TEMPO_FIELD:
            // a tempo of 0 or below would stop time; it is refused
            if (value <= 0) return -1;
            p->tempo = value;
            return 0;
        case TONE_RATE:
            if (value <= 0) return -1;
            p->rate = value;
            return 0;
        case TONE_PITCH:
            p->pitch = value;
            return 0;
    }
    return -1;
}

int32_t toneFamilyGetValue(ToneFamily* f, int32_t id, ToneField field) {
    Locked l(f);
    TonePlayer* p = find(f, id);
    if (p == nullptr) return -1;
    switch (field) {
        case TONE_VOLUME:
            return p->volume;
        case TONE_PAN:
            return p->pan;
        case TONE_TEMPO_FIELD:
            return p->tempo;
        case TONE_RATE:
            return p->rate;
        case TONE_PITCH:
            return p->pitch;
    }
    return -1;
}

int32_t toneFamilySetStopTime(ToneFamily* f, int32_t id, int32_t high, int32_t low) {
    Locked l(f);
    TonePlayer* p = find(f, id);
    if (p == nullptr) return -1;
    p->stopHigh = (uint32_t)high;
    p->stopLow = (uint32_t)low;
    if (high < 0)
        p->stopPoint = 0;
    else if (high == 0 && (uint32_t)low < 0x80000000u)
        p->stopPoint = low;
    else
        p->stopPoint = MEDIA_NO_STOP_POINT;
    return 0;
}

int32_t toneFamilyGetStopTime(ToneFamily* f, int32_t id, int32_t* high, int32_t* low) {
    Locked l(f);
    TonePlayer* p = find(f, id);
    if (p == nullptr || high == nullptr || low == nullptr) return -1;
    *high = (int32_t)p->stopHigh;
    *low = (int32_t)p->stopLow;
    return 0;
}

void toneFamilyTick(ToneFamily* f, uint32_t timerId, int32_t id) {
    Locked l(f);
    TonePlayer* p = find(f, id);
    // a stopped, paused or gone player's late tick does nothing
    if (p == nullptr || p->timer != timerId || p->state != MEDIA_STATE_STARTED || p->sequence == nullptr) return;
    if (p->ticksLeft < 1) {
        silence(f, p);
        ToneEvent e;
        if (toneSeqNextEvent(p->sequence, &e) != 1) {
            if (p->loopCount == 1) {
                endTimer(p, nullptr);
                p->soundingNote = -1;
                p->state = MEDIA_STATE_LOADED;
                int32_t reached = p->mediaTime;
                p->mediaTime = 0;
                toneSeqRewind(p->sequence);
                int32_t words[5] = {p->id, f->typeCode, MEDIA_EVENT_END_OF_MEDIA, 0, reached};
                mvMediaEvent_post(words);
                return;
            }
            if (p->loopCount > 1) p->loopCount--;
            int32_t reached = p->mediaTime;
            // back to the start without ending the timers of the group
            forGroup(f, p->id, [&](TonePlayer* q) {
                silence(f, q);
                q->ticksLeft = 0;
                q->mediaTime = 0;
                toneSeqRewind(q->sequence);
            });
            int32_t words[5] = {p->id, f->typeCode, MEDIA_EVENT_LOOP, 0, reached};
            mvMediaEvent_post(words);
            return;
        }
        if (!f->silent) {
            int32_t bend = 8192 + p->pitch * 8192 / 12000;
            bend = bend < 0 ? 0 : bend > 16383 ? 16383 : bend;
            send(f, 0xE0 | p->channel, bend & 0x7F, bend >> 7);
            int32_t level = e.volume * p->volume / 100;
            if (e.note >= 0 && level <= 127) {
                send(f, 0xB0 | p->channel, 7, level);
                send(f, 0x90 | p->channel, e.note, 127);
            }
        }
        p->soundingNote = e.note;
        int64_t ticks = (int64_t)e.duration * p->rate / 100000;
        ticks = ticks * p->sequenceTempo * 1000 / p->tempo;
        p->ticksLeft = ticks > 0x7FFFFFFF ? 0x7FFFFFFF : (int32_t)ticks;
    } else {
        p->ticksLeft--;
    }
    if (p->mediaTime <= 0x7FFFFFFF - TONE_TICK_US) p->mediaTime += TONE_TICK_US;
    if (p->stopPoint <= p->mediaTime) {
        pauseOne(f, p, nullptr);
        post(f, p, MEDIA_EVENT_STOPPED_AT_TIME);
        p->stopHigh = MEDIA_NO_STOP_HIGH;
        p->stopLow = MEDIA_NO_STOP_LOW;
        p->stopPoint = MEDIA_NO_STOP_POINT;
    }
}

int32_t tonePlayerPlayNote(int32_t note, int32_t duration, int32_t volume) {
    mediaTrace("tonePlayerPlayNote note=%d, duration=%d, volume=%d\n", note, duration, volume);
    postMidiEvent(0, 0xB0, 7, (uint8_t)volume);
    postMidiEvent(0, 0xC0, 0, 0);
    postMidiEvent(0, 0x90, (uint8_t)note, 127);
    postMidiEvent((uint32_t)duration, 0x80, (uint8_t)note, 0);
    return 0;
}

void tonePlayerStopAllNotes(void) {
    mediaTrace("tonePlayerStopAllNotes\n");
    for (int32_t n = 0; n < 128; n++) postMidiEvent(0, 0x80, (uint8_t)n, 0);
}
