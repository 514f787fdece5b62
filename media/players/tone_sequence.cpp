// Tone-sequence parser. Validation walks the whole structure once, so playing needs no
// more checks than the bounds every read keeps anyway. Every event is two bytes; a read
// never passes the caller's length.
#include "media/players/tone_sequence.h"

#include <string.h>

#include "platform/vmsections.h"

// All live sequences; a VM run starts with none.
static VMBSS ToneSequence* ToneSequences;

enum { PARSE_STRUCTURAL = 0, PARSE_EVENT = 1, PARSE_ERROR = -1 };

static bool isStructural(uint8_t code) { return code >= 0x80 && code <= 0xFE; }

static bool isNoteOrSilence(uint8_t code) { return !isStructural(code); }

int32_t toneSeqCheckHeader(const uint8_t* data, int32_t length) {
    if (data == nullptr || length < 4) return -1;
    return data[0] == TONE_VERSION && data[1] == 1 ? 0 : -1;
}

static ToneBlock* toneSeqFindBlock(ToneSequence* s, int32_t number) {
    for (ToneBlock* b = s->blocks; b; b = b->next)
        if (b->number == number) return b;
    return nullptr;
}

// A new block at the end of the list; null when the number is taken or no memory.
static ToneBlock* toneSeqAddBlock(ToneSequence* s, int32_t number) {
    if (toneSeqFindBlock(s, number)) return nullptr;
    ToneBlock* b = (ToneBlock*)s->allocator.allocate(sizeof(ToneBlock), &s->allocator);
    if (b == nullptr) return nullptr;
    memset(b, 0, sizeof *b);
    b->number = number;
    b->firstEvent = -1;
    b->endOffset = -1;
    b->returnOffset = TONE_NOT_PLAYING;
    ToneBlock** at = &s->blocks;
    while (*at) at = &(*at)->next;
    *at = b;
    return b;
}

static void toneSeqSetBlockStart(ToneBlock* b, int32_t offset) { b->firstEvent = offset; }
static void toneSeqSetBlockEnd(ToneBlock* b, int32_t offset) { b->endOffset = offset; }

// One event at *offset: 1 (moved on by 2) for a note, silence, PLAY_BLOCK, SET_VOLUME or
// REPEAT; 0 for another structural code (not moved); -1 when out of bounds or range.
static int32_t toneSeqParseEvent(const ToneSequence* s, int32_t* offset, uint8_t* code, uint8_t* argument) {
    int32_t at = *offset;
    if (at < 0 || at > s->length - 2) return PARSE_ERROR;
    uint8_t c = s->data[at], a = s->data[at + 1];
    *code = c;
    *argument = a;
    switch (c) {
        case TONE_PLAY_BLOCK:
            if (a > 127) return PARSE_ERROR;
            break;
        case TONE_SET_VOLUME:
            if (a > 100) return PARSE_ERROR;
            break;
        case TONE_REPEAT: {
            if (a < 2 || a > 127) return PARSE_ERROR;
            if (at + 4 > s->length) return PARSE_ERROR;
            uint8_t next = s->data[at + 2], ticks = s->data[at + 3];
            if (!isNoteOrSilence(next) || ticks < 1 || ticks > 127) return PARSE_ERROR;
            break;
        }
        default:
            if (isStructural(c)) return PARSE_STRUCTURAL;
            if (a < 1 || a > 127) return PARSE_ERROR;
            break;
    }
    *offset = at + 2;
    return PARSE_EVENT;
}

int32_t toneSeqValidate(ToneSequence* s) {
    int32_t at = 2;
    uint8_t code = 0, argument = 0;
    bool tempoGiven = false;
    if (at < s->length && s->data[at] == TONE_TEMPO) {
        if (at + 2 > s->length || s->data[at + 1] < 5 || s->data[at + 1] > 127) return at;
        s->tempo = s->data[at + 1];
        tempoGiven = true;
        at += 2;
    }
    if (at < s->length && s->data[at] == TONE_RESOLUTION) {
        if (at + 2 > s->length || s->data[at + 1] < 1 || s->data[at + 1] > 127) return at;
        s->resolution = s->data[at + 1];
        at += 2;
    }
    while (at < s->length && s->data[at] == TONE_BLOCK_START) {
        if (at + 2 > s->length || s->data[at + 1] > 127) return at;
        int32_t number = s->data[at + 1];
        ToneBlock* block = toneSeqAddBlock(s, number);
        if (block == nullptr) return at;
        at += 2;
        toneSeqSetBlockStart(block, at);
        for (;;) {
            int32_t before = at;
            int32_t r = toneSeqParseEvent(s, &at, &code, &argument);
            if (r == PARSE_ERROR) return before;
            if (r == PARSE_STRUCTURAL) break;
            // a block plays only blocks defined before it (never itself), so plays nest finitely
            if (code == TONE_PLAY_BLOCK) {
                ToneBlock* played = toneSeqFindBlock(s, argument);
                if (played == nullptr || played == block || played->endOffset < 0) return before;
            }
        }
        if (code != TONE_BLOCK_END || argument != number) return at;
        toneSeqSetBlockEnd(block, at);
        at += 2;
    }
    s->firstEvent = at;
    for (;;) {
        int32_t before = at;
        if (toneSeqParseEvent(s, &at, &code, &argument) < 1) return before > 0 ? before : 1;
        if (code == TONE_PLAY_BLOCK) {
            ToneBlock* played = toneSeqFindBlock(s, argument);
            if (played == nullptr || played->endOffset < 0) return before;
        }
        if (at == s->length) {
            if (!tempoGiven) s->tempo = TONE_DEFAULT_TEMPO;
            return 0;
        }
    }
}

static ToneSequence* toneSeqAlloc(const uint8_t* data, int32_t length, int32_t unit, ToneSeqAllocator allocator) {
    ToneSequence* s = (ToneSequence*)allocator.allocate(sizeof(ToneSequence), &allocator);
    if (s == nullptr) return nullptr;
    memset(s, 0, sizeof *s);
    s->data = data;
    s->length = length;
    s->tempo = TONE_TEMPO_UNSET;
    s->resolution = TONE_DEFAULT_RESOLUTION;
    s->volume = TONE_DEFAULT_VOLUME;
    s->unit = unit;
    s->allocator = allocator;
    ToneSequence** at = &ToneSequences;
    while (*at) at = &(*at)->next;
    *at = s;
    return s;
}

ToneSequence* toneSeqCreate(const uint8_t* data, int32_t length, int32_t unit, ToneSeqAllocFn allocate,
                            ToneSeqFreeFn release) {
    if (allocate == nullptr || release == nullptr) return nullptr;
    if (toneSeqCheckHeader(data, length) != 0 || unit <= 0) return nullptr;
    ToneSequence* s = toneSeqAlloc(data, length, unit, {allocate, release});
    if (s == nullptr) return nullptr;
    if (toneSeqValidate(s) != 0) {
        toneSeqDestroy(s);
        return nullptr;
    }
    toneSeqRewind(s);
    uint64_t total = 0;
    ToneEvent e;
    int32_t r;
    while ((r = toneSeqNextEvent(s, &e)) == 1) {
        total += (uint64_t)e.duration * (uint32_t)unit;
        if (total > 0x7FFFFFFF) break;
    }
    if (r != 0) {
        toneSeqDestroy(s);
        return nullptr;
    }
    s->duration = (uint32_t)total;
    toneSeqRewind(s);
    return s;
}

int32_t toneSeqDestroy(ToneSequence* s) {
    if (s == nullptr) return -1;
    ToneSeqAllocator allocator = s->allocator;
    for (ToneBlock* b = s->blocks; b;) {
        ToneBlock* next = b->next;
        allocator.release(b, &allocator);
        b = next;
    }
    for (ToneSequence** at = &ToneSequences; *at; at = &(*at)->next) {
        if (*at == s) {
            *at = s->next;
            break;
        }
    }
    allocator.release(s, &allocator);
    return 0;
}

int32_t toneSeqRewind(ToneSequence* s) {
    if (s == nullptr) return -1;
    s->offset = s->firstEvent;
    s->pendingRest = 0;
    for (ToneBlock* b = s->blocks; b; b = b->next) b->returnOffset = TONE_NOT_PLAYING;
    return 0;
}

int32_t toneSeqNextEvent(ToneSequence* s, ToneEvent* event) {
    if (s == nullptr || event == nullptr || s->unit <= 0) return -1;
    if (s->pendingRest) {
        event->note = -1;
        event->volume = 0;
        event->duration = s->pendingRest;
        s->pendingRest = 0;
        return 1;
    }
    uint32_t multiplier = 1;
    uint8_t code = 0, argument = 0;
    for (;;) {
        if (s->offset == s->length) return 0;
        int32_t r = toneSeqParseEvent(s, &s->offset, &code, &argument);
        if (r == PARSE_ERROR) return -1;
        if (r == PARSE_STRUCTURAL) {
            if (code != TONE_BLOCK_END) return -1;
            ToneBlock* b = toneSeqFindBlock(s, argument);
            if (b == nullptr || b->returnOffset == TONE_NOT_PLAYING) return -1;
            s->offset = b->returnOffset;
            b->returnOffset = TONE_NOT_PLAYING;
            continue;
        }
        if (code == TONE_PLAY_BLOCK) {
            ToneBlock* b = toneSeqFindBlock(s, argument);
            // a block already being played would lose its way back
            if (b == nullptr || b->returnOffset != TONE_NOT_PLAYING) return -1;
            b->returnOffset = s->offset;
            s->offset = b->firstEvent;
        } else if (code == TONE_SET_VOLUME) {
            s->volume = argument;
        } else if (code == TONE_REPEAT) {
            multiplier = argument;
        } else {
            break;
        }
    }
    if (s->tempo <= 0 || s->tempo == TONE_TEMPO_UNSET || s->resolution <= 0) return -1;
    uint64_t tick = 60000000u / ((uint32_t)s->tempo * (uint32_t)s->resolution);
    uint64_t units = tick * argument * multiplier / (uint32_t)s->unit;
    if (units > 0xFFFFFFFFu) return -1;
    event->note = code == TONE_SILENCE ? (int8_t)-1 : (int8_t)code;
    event->volume = code == TONE_SILENCE ? 0 : s->volume;
    event->duration = (uint32_t)units;
    return 1;
}

int32_t toneSeqSetTime(ToneSequence* s, int32_t time) {
    if (s == nullptr || s->unit <= 0) return -1;
    int64_t t = time < 0 ? 0 : time;
    if (t > (int64_t)s->duration) t = s->duration;
    int64_t target = t / s->unit * s->unit;
    toneSeqRewind(s);
    int64_t acc = 0;
    ToneEvent e;
    while (acc < target) {
        if (toneSeqNextEvent(s, &e) != 1) return -1;
        acc += (int64_t)e.duration * s->unit;
    }
    if (acc > target) s->pendingRest = (uint32_t)((acc - target) / s->unit);
    return 0;
}

int32_t toneSeqGetDuration(ToneSequence* s) { return s ? (int32_t)s->duration : -1; }

int32_t toneSeqGetTempo(ToneSequence* s) {
    if (s == nullptr || s->tempo == TONE_TEMPO_UNSET) return -1;
    return 4 * s->tempo;
}

int32_t toneSeqLiveCount(void) {
    int32_t n = 0;
    for (ToneSequence* s = ToneSequences; s; s = s->next) n++;
    return n;
}
