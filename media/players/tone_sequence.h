// The tone-sequence parser: checks "audio/x-tone-seq" content, builds a sequence over the
// caller's bytes (nothing is copied), and hands out its note events in playing order,
// following block plays, volume changes and repeats. Durations are in the caller's time
// unit (microseconds divided by the unit).
#pragma once

#include <stdint.h>

// Format codes.
enum : uint8_t {
    TONE_VERSION = 0xFE,
    TONE_TEMPO = 0xFD,
    TONE_RESOLUTION = 0xFC,
    TONE_BLOCK_START = 0xFB,
    TONE_BLOCK_END = 0xFA,
    TONE_PLAY_BLOCK = 0xF9,
    TONE_SET_VOLUME = 0xF8,
    TONE_REPEAT = 0xF7,
    TONE_SILENCE = 0xFF,
};

enum {
    TONE_TEMPO_UNSET = 255,
    TONE_DEFAULT_TEMPO = 30,
    TONE_DEFAULT_RESOLUTION = 64,
    TONE_DEFAULT_VOLUME = 100,
    TONE_NOT_PLAYING = -1,  // return offset of a block that is not being played
};

typedef void* (*ToneSeqAllocFn)(uint32_t size, void* context);
typedef void (*ToneSeqFreeFn)(void* block, void* context);

struct ToneSeqAllocator {
    ToneSeqAllocFn allocate;
    ToneSeqFreeFn release;
};

struct ToneBlock {
    ToneBlock* next;
    int32_t number;
    int32_t firstEvent;    // just after the BLOCK_START pair
    int32_t endOffset;     // the BLOCK_END byte
    int32_t returnOffset;  // TONE_NOT_PLAYING unless being played
};

struct ToneSequence {
    ToneSequence* next;
    const uint8_t* data;
    int32_t length;
    ToneBlock* blocks;
    int32_t tempo;  // the modifier: beats per minute / 4
    int32_t resolution;
    int32_t firstEvent;
    int32_t offset;
    uint32_t duration;  // microseconds (sum of every event's units times the unit)
    uint8_t volume;
    int32_t unit;
    uint32_t pendingRest;  // units of silence still owed after a positioning
    // the pair that made the sequence frees it
    ToneSeqAllocator allocator;
};

struct ToneEvent {
    int8_t note;  // -1 silence
    uint32_t duration;
    uint8_t volume;
};

int32_t toneSeqCheckHeader(const uint8_t* data, int32_t length);
ToneSequence* toneSeqCreate(const uint8_t* data, int32_t length, int32_t unit, ToneSeqAllocFn allocate,
                            ToneSeqFreeFn release);
int32_t toneSeqDestroy(ToneSequence* sequence);
// 1 with an event, 0 at the end, -1 on a bad unit or malformed data.
int32_t toneSeqNextEvent(ToneSequence* sequence, ToneEvent* event);
int32_t toneSeqRewind(ToneSequence* sequence);
int32_t toneSeqSetTime(ToneSequence* sequence, int32_t time);
int32_t toneSeqGetDuration(ToneSequence* sequence);
int32_t toneSeqGetTempo(ToneSequence* sequence);

// 0 for valid data, else the offset at the fault (positive). Exposed for the tests.
int32_t toneSeqValidate(ToneSequence* sequence);
// The number of live sequences (the list that a VM run starts empty).
int32_t toneSeqLiveCount(void);
