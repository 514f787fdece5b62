// The tone player: "audio/x-tone-seq" content played through the shared MIDI output,
// each started player driven by its own 2 ms timer. The same engine, made silent, serves
// the AMR handler's players (a family of their own: list, ids and channels).
#pragma once

#include <pthread.h>
#include <stdint.h>

#include "media/mediahandler.h"
#include "media/players/tone_sequence.h"
#include "platform/mmtimer.h"

struct TonePlayer {
    int32_t id;
    int32_t state;
    const uint8_t* data;
    int32_t length;
    int32_t volume;
    int32_t mediaTime;
    int32_t soundingNote;
    int32_t rate;
    int32_t sequenceTempo;
    int32_t tempo;
    uint32_t stopHigh, stopLow;
    int32_t stopPoint;
    int32_t pitch;
    int32_t channel;
    int32_t pan;
    int32_t master;
    ToneSequence* sequence;
    uint32_t timer;
    int32_t ticksLeft;
    int32_t loopCount;
    TonePlayer* next;
    // what suspend keeps for resume
    int32_t suspendedState;
    int32_t suspendedTime;
};

enum { TONE_CHANNELS = 4, TONE_TICK_MS = 2, TONE_TICK_US = 2000 };

// One family of players: the tone players, or the AMR handler's silent ones. The lock
// guards the list and every record in it; the ticks take it as well. Timers are never
// killed while it is held by another thread than the timer's own.
struct ToneFamily {
    int32_t typeCode;
    int32_t silent;
    TonePlayer* players;
    int32_t idCounter;
    int32_t channelBusy[TONE_CHANNELS];
    int32_t busyCount;
    pthread_mutex_t lock;
    TimerProc tick;
};
extern ToneFamily ToneFamilyTone;
extern ToneFamily ToneFamilyAmr;

const MediaHandler* toneCtrl_getHandler(void);
int32_t tonePlayerPlayNote(int32_t note, int32_t duration, int32_t volume);
void tonePlayerStopAllNotes(void);

// The engine's operations, for the tone handler's slots and the AMR handler's.
int32_t toneFamilyCreate(ToneFamily* f);
int32_t toneFamilyCheckOpen(ToneFamily* f, const uint8_t* data, int32_t length);
int32_t toneFamilyDestroy(ToneFamily* f, int32_t id);
int32_t toneFamilyBuild(ToneFamily* f, int32_t id);  // check: builds the sequence
int32_t toneFamilyExists(ToneFamily* f, int32_t id);
int32_t toneFamilySet(ToneFamily* f, int32_t id, const uint8_t* data, int32_t length);
int32_t toneFamilyLoad(ToneFamily* f, int32_t id);
int32_t toneFamilyStart(ToneFamily* f, int32_t id, int32_t loopCount);
int32_t toneFamilyStop(ToneFamily* f, int32_t id);
int32_t toneFamilyPause(ToneFamily* f, int32_t id);
int32_t toneFamilyRestart(ToneFamily* f, int32_t id);
int32_t toneFamilyUnload(ToneFamily* f, int32_t id);
int32_t toneFamilyGetState(ToneFamily* f, int32_t id);
int32_t toneFamilyGetDuration(ToneFamily* f, int32_t id, int32_t* high, int32_t* low);
int32_t toneFamilySetTime(ToneFamily* f, int32_t id, int32_t high, int32_t low);
int32_t toneFamilyGetTime(ToneFamily* f, int32_t id, int32_t* high, int32_t* low);
int32_t toneFamilySuspend(ToneFamily* f, int32_t id);
int32_t toneFamilyResume(ToneFamily* f, int32_t id);
int32_t toneFamilyLink(ToneFamily* f, int32_t id, int32_t masterId);
int32_t toneFamilyUnlink(ToneFamily* f, int32_t id);
int32_t toneFamilyGetMaster(ToneFamily* f, int32_t id);
// Which field a setter or getter reaches.
enum ToneField { TONE_VOLUME, TONE_PAN, TONE_TEMPO_FIELD, TONE_RATE, TONE_PITCH };
int32_t toneFamilySetValue(ToneFamily* f, int32_t id, ToneField field, int32_t value);
int32_t toneFamilyGetValue(ToneFamily* f, int32_t id, ToneField field);
int32_t toneFamilySetStopTime(ToneFamily* f, int32_t id, int32_t high, int32_t low);
int32_t toneFamilyGetStopTime(ToneFamily* f, int32_t id, int32_t* high, int32_t* low);
// The tick, as the family's timer calls it.
void toneFamilyTick(ToneFamily* f, uint32_t timerId, int32_t id);
