// Standard MIDI File parser. No size field is trusted: every chunk must lie within the
// file and every event within its track; a read that would pass either end is a
// malformed file (MIDI_FILE_ERROR), never a read of the next track's bytes. Absolute
// ticks stay below MIDI_TRACK_FINISHED, so tick distances fit an int.
//
// The track whose event is next is kept in a tournament tree over the tracks' next ticks
// (ties to the lower index), so a file of many tracks merges in n log n.
#include "media/players/midi_file.h"

#include <stdlib.h>
#include <string.h>

namespace {

uint32_t be16(const uint8_t* p) { return (uint32_t)p[0] << 8 | p[1]; }
uint32_t be32(const uint8_t* p) { return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3]; }

// The tournament tree lives behind the track array: 2 * trackCount indices.
int32_t* tree(MidiFileParser* p) { return (int32_t*)(p->tracks + p->trackCount); }

bool earlier(const MidiFileParser* p, int32_t a, int32_t b) {
    const MidiTrack& x = p->tracks[a];
    const MidiTrack& y = p->tracks[b];
    return x.nextTick < y.nextTick || (x.nextTick == y.nextTick && a < b);
}

void treeUpdate(MidiFileParser* p, int32_t track) {
    int32_t* t = tree(p);
    int32_t n = p->trackCount;
    int32_t i = n + track;
    t[i] = track;
    for (i >>= 1; i >= 1; i >>= 1) t[i] = earlier(p, t[2 * i], t[2 * i + 1]) ? t[2 * i] : t[2 * i + 1];
}

void treeBuild(MidiFileParser* p) {
    int32_t* t = tree(p);
    int32_t n = p->trackCount;
    for (int32_t k = 0; k < n; k++) t[n + k] = k;
    for (int32_t i = n - 1; i >= 1; i--) t[i] = earlier(p, t[2 * i], t[2 * i + 1]) ? t[2 * i] : t[2 * i + 1];
}

int32_t treeFirst(MidiFileParser* p) { return p->trackCount == 1 ? 0 : tree(p)[1]; }

int32_t trackEnd(const MidiTrack& t) { return t.start + t.length; }

// Up to four bytes of seven bits, inside the track; false when it runs off or goes on.
bool midiFileReadVarLen(const MidiFileParser* p, MidiTrack& t, uint32_t* value) {
    uint32_t v = 0;
    for (int i = 0; i < 4; i++) {
        if (t.position >= trackEnd(t)) return false;
        uint8_t b = p->data[t.position++];
        v = v << 7 | (b & 0x7F);
        if (!(b & 0x80)) {
            *value = v;
            return true;
        }
    }
    return false;
}

bool addDelta(MidiTrack& t, uint32_t delta) {
    int64_t next = (int64_t)t.nextTick + delta;
    if (next >= MIDI_TRACK_FINISHED) return false;
    t.nextTick = (int32_t)next;
    return true;
}

void setTickLength(MidiFileParser* p) { p->tickLength = p->tempo / p->division; }

// The rest of a system-exclusive or meta event: 0, MIDI_FILE_END for the end of the
// track, MIDI_FILE_ERROR for a malformed one.
int32_t midiFileReadMetaEvent(MidiFileParser* p, MidiTrack& t, int32_t status, MidiFileEvent* e) {
    uint32_t length = 0;
    if (status == 0xF0 || status == 0xF7) {
        if (!midiFileReadVarLen(p, t, &length) || length > (uint32_t)(trackEnd(t) - t.position)) return MIDI_FILE_ERROR;
        e->sysex = p->data + t.position;
        e->sysexLength = (int32_t)length;
        t.position += (int32_t)length;
        return 0;
    }
    if (status != 0xFF) return MIDI_FILE_ERROR;
    if (t.position >= trackEnd(t)) return MIDI_FILE_ERROR;
    int32_t type = p->data[t.position++];
    if (!midiFileReadVarLen(p, t, &length) || length > (uint32_t)(trackEnd(t) - t.position)) return MIDI_FILE_ERROR;
    const uint8_t* body = p->data + t.position;
    e->metaType = type;
    e->meta = body;
    e->metaLength = (int32_t)length;
    t.position += (int32_t)length;
    switch (type) {
        case 0x2F:
            return MIDI_FILE_END;
        case 0x02:
            p->notice = body;
            p->noticeLength = (int32_t)length;
            break;
        case 0x03:
            if (t.index == 0) {
                p->trackName = body;
                p->trackNameLength = (int32_t)length;
            }
            break;
        case 0x51: {
            // the tempo is the first three bytes; a shorter or zero one is no tempo
            if (length < 3) return MIDI_FILE_ERROR;
            int32_t tempo = (int32_t)(body[0] << 16 | body[1] << 8 | body[2]);
            if (tempo == 0) return MIDI_FILE_ERROR;
            e->status = MIDI_FILE_TEMPO_STATUS;
            e->tempo = tempo;
            // SMPTE time runs at a fixed tick length whatever the tempo says
            if (!p->smpte) {
                p->tempo = tempo;
                setTickLength(p);
            }
            break;
        }
        default:
            break;
    }
    return 0;
}

void finish(MidiTrack& t) { t.nextTick = MIDI_TRACK_FINISHED; }

// The next event of a track: its track's next tick afterwards, MIDI_FILE_END when the
// track is finished, MIDI_FILE_ERROR for a malformed event.
int32_t midiFileReadTrackEvent(MidiFileParser* p, MidiTrack& t, MidiFileEvent* e) {
    memset(e, 0, sizeof *e);
    if (t.position >= trackEnd(t)) {
        finish(t);
        e->status = 0xFF;
        e->metaType = 0x2F;
        return MIDI_FILE_END;
    }
    int32_t b = p->data[t.position++];
    int32_t status;
    if (b < 0x80) {
        if (!t.runningValid) return MIDI_FILE_ERROR;
        status = t.runningStatus;
        e->data1 = b;
    } else if (b < 0xF0) {
        status = b;
        t.runningStatus = b;
        t.runningValid = 1;
        if (t.position >= trackEnd(t) || p->data[t.position] >= 0x80) return MIDI_FILE_ERROR;
        e->data1 = p->data[t.position++];
    } else {
        status = b;
        t.runningStatus = MIDI_NO_RUNNING_STATUS;
        t.runningValid = 0;
    }
    e->status = status;
    if (status < 0xF0) {
        int32_t kind = status & 0xF0;
        if (kind != 0xC0 && kind != 0xD0) {
            if (t.position >= trackEnd(t) || p->data[t.position] >= 0x80) return MIDI_FILE_ERROR;
            e->data2 = p->data[t.position++];
        }
        if (kind == 0x90) p->beforeFirstNote = 0;
    } else {
        int32_t r = midiFileReadMetaEvent(p, t, status, e);
        if (r == MIDI_FILE_END) {
            finish(t);
            return MIDI_FILE_END;
        }
        if (r < 0) return r;
    }
    // a last event without the delta after it ends the track as well
    uint32_t delta = 0;
    if (t.position < trackEnd(t) && !midiFileReadVarLen(p, t, &delta)) return MIDI_FILE_ERROR;
    if (!addDelta(t, delta)) return MIDI_FILE_ERROR;
    return t.nextTick;
}

bool midiFileReadHeader(MidiFileParser* p) {
    if (p->length < 14 || be32(p->data + 4) != 6) return false;
    p->format = (int32_t)be16(p->data + 8);
    int32_t tracks = (int32_t)be16(p->data + 10);
    uint32_t division = be16(p->data + 12);
    p->position = 14;
    if (p->format != 0 && p->format != 1) return false;
    if (p->format == 0) tracks = 1;
    // each track needs at least its chunk header
    if (tracks == 0 || (int64_t)tracks * 8 > p->length - 14) return false;
    if (division & 0x8000) {
        // frames per second (the high byte, negative) times ticks per frame: ticks per second
        int32_t fps = -(int8_t)(division >> 8);
        int32_t perFrame = (int32_t)(division & 0xFF);
        if (fps != 24 && fps != 25 && fps != 29 && fps != 30) return false;
        if (perFrame == 0) return false;
        p->smpte = 1;
        p->division = fps == 29 ? perFrame * 2997 / 100 : fps * perFrame;
        p->tempo = 1000000;
    } else {
        if (division == 0) return false;
        p->division = (int32_t)division;
    }
    setTickLength(p);
    p->trackCount = tracks;
    size_t bytes = (size_t)tracks * sizeof(MidiTrack) + (size_t)tracks * 2 * sizeof(int32_t);
    p->tracks = (MidiTrack*)calloc(1, bytes);
    return p->tracks != nullptr;
}

bool startTrack(MidiFileParser* p, MidiTrack& t) {
    t.position = t.start;
    t.runningStatus = MIDI_NO_RUNNING_STATUS;
    t.runningValid = 0;
    t.nextTick = 0;
    if (t.length == 0) {
        finish(t);
        return true;
    }
    uint32_t delta = 0;
    return midiFileReadVarLen(p, t, &delta) && addDelta(t, delta);
}

bool midiFileReadTracks(MidiFileParser* p) {
    int64_t at = p->position;
    for (int32_t k = 0; k < p->trackCount; k++) {
        if (at + 8 > p->length) return false;
        const uint8_t* chunk = p->data + at;
        if (memcmp(chunk, "MTrk", 4) != 0) return false;
        uint32_t length = be32(chunk + 4);
        if (at + 8 + (int64_t)length > p->length) return false;
        MidiTrack& t = p->tracks[k];
        t.index = k;
        t.start = (int32_t)(at + 8);
        t.length = (int32_t)length;
        if (!startTrack(p, t)) return false;
        at += 8 + (int64_t)length;
    }
    p->position = (int32_t)at;
    treeBuild(p);
    p->currentTrack = treeFirst(p);
    return true;
}

bool midiFileAtFirstNote(MidiFileParser* p) {
    if (!p->beforeFirstNote) return true;
    MidiTrack& t = p->tracks[p->currentTrack];
    if (t.nextTick == MIDI_TRACK_FINISHED) return true;
    if (t.position >= trackEnd(t)) return false;
    int32_t b = p->data[t.position];
    int32_t status = b >= 0x80 ? b : (t.runningValid ? t.runningStatus : 0);
    return (status & 0xF0) == 0x90;
}

}  // namespace

int32_t midiFileFirstTick(const MidiFileParser* p) { return p->tracks[p->currentTrack].nextTick; }

int32_t midiFileNextEvent(MidiFileParser* p, int32_t tick, MidiFileEvent* e) {
    if (p == nullptr || e == nullptr || tick < p->currentTick) return MIDI_FILE_ERROR;
    p->elapsed += (int64_t)(tick - p->currentTick) * p->tickLength;
    p->currentTick = tick;
    MidiTrack& current = p->tracks[p->currentTrack];
    // the current track is the earliest: when it is done, all are
    if (current.nextTick == MIDI_TRACK_FINISHED) {
        memset(e, 0, sizeof *e);
        e->status = 0xFF;
        e->metaType = 0x2F;
        p->duration = p->elapsed;
        return MIDI_FILE_END;
    }
    if (current.nextTick > p->currentTick) return MIDI_FILE_NOT_DUE;
    int32_t r = midiFileReadTrackEvent(p, current, e);
    if (r == MIDI_FILE_ERROR) return r;
    treeUpdate(p, p->currentTrack);
    p->currentTrack = treeFirst(p);
    int32_t next = p->tracks[p->currentTrack].nextTick;
    if (next == MIDI_TRACK_FINISHED) {
        p->duration = p->elapsed;
        return MIDI_FILE_END;
    }
    return next > p->currentTick ? next - p->currentTick : 0;
}

void midiFileRewind(MidiFileParser* p) {
    if (p == nullptr) return;
    // from the file's own start, so that the elapsed time follows every tempo change
    p->tempo = p->smpte ? 1000000 : MIDI_FILE_DEFAULT_TEMPO;
    setTickLength(p);
    p->currentTick = 0;
    p->elapsed = 0;
    for (int32_t k = 0; k < p->trackCount; k++) startTrack(p, p->tracks[k]);
    treeBuild(p);
    p->currentTrack = treeFirst(p);
    p->beforeFirstNote = 1;
}

int32_t midiFileFree(MidiFileParser* p) {
    if (p == nullptr) return -1;
    free(p->tracks);
    free(p);
    return 0;
}

// Walks the file from its start until stop says so or it ends; false on an error.
template <typename Stop>
static bool walk(MidiFileParser* p, Stop stop) {
    MidiFileEvent e;
    int32_t tick = midiFileFirstTick(p);
    while (!stop()) {
        int32_t r = midiFileNextEvent(p, tick, &e);
        if (r == MIDI_FILE_ERROR) return false;
        if (r == MIDI_FILE_END) return true;
        tick = r == MIDI_FILE_NOT_DUE ? midiFileFirstTick(p) : tick + r;
    }
    return true;
}

MidiFileParser* midiFileCreate(const uint8_t* data, int32_t length) {
    if (data == nullptr || length < 4 || memcmp(data, "MThd", 4) != 0) return nullptr;
    MidiFileParser* p = (MidiFileParser*)calloc(1, sizeof(MidiFileParser));
    if (p == nullptr) return nullptr;
    p->data = data;
    p->length = length;
    p->tempo = MIDI_FILE_DEFAULT_TEMPO;
    p->duration = -1;
    p->beforeFirstNote = 1;
    if (!midiFileReadHeader(p) || !midiFileReadTracks(p) || !walk(p, [p] { return midiFileAtFirstNote(p); })) {
        midiFileFree(p);
        return nullptr;
    }
    p->firstNoteTempo = p->tempo;
    midiFileRewind(p);
    return p;
}

int32_t midiFileScanDuration(MidiFileParser* p) {
    if (p == nullptr) return 0;
    midiFileRewind(p);
    if (!walk(p, [] { return false; })) return 0;
    return 1;
}
