// The Standard MIDI File parser: reads a file in place (format 0 or 1), and hands out the
// events of all tracks merged in time order, keeping the elapsed time in microseconds
// under the tempo changes met on the way. All numbers of the file are big-endian.
#pragma once

#include <stdint.h>

enum {
    MIDI_FILE_DEFAULT_TEMPO = 500000,
    MIDI_FILE_TEMPO_STATUS = 0xF8,  // the status a tempo meta event is handed out with
    MIDI_TRACK_FINISHED = 0x7FFFFFFF,
    MIDI_NO_RUNNING_STATUS = 255,
    // results of midiFileNextEvent
    MIDI_FILE_NOT_DUE = -1,
    MIDI_FILE_END = -2,
    MIDI_FILE_ERROR = -3,
};

struct MidiTrack {
    int32_t index;
    int32_t start;   // offset of the event data
    int32_t length;  // bytes of event data
    int32_t position;
    int32_t nextTick;  // MIDI_TRACK_FINISHED when done
    int32_t runningValid;
    int32_t runningStatus;
};

struct MidiFileParser {
    const uint8_t* data;
    int32_t length;
    int32_t position;
    int32_t format;
    int32_t trackCount;
    int32_t division;  // ticks per quarter note; ticks per second for SMPTE time
    int32_t smpte;
    const uint8_t* notice;
    int32_t noticeLength;
    const uint8_t* trackName;
    int32_t trackNameLength;
    int32_t tempo;       // microseconds per quarter note
    int32_t tickLength;  // microseconds per tick, truncated
    int32_t firstNoteTempo;
    int64_t duration;  // microseconds, -1 until known
    int32_t currentTick;
    int32_t currentTrack;
    int64_t elapsed;  // microseconds up to the current tick
    int32_t beforeFirstNote;
    MidiTrack* tracks;
};

struct MidiFileEvent {
    int32_t status;
    int32_t data1;
    int32_t data2;
    const uint8_t* sysex;
    int32_t sysexLength;
    int32_t metaType;
    const uint8_t* meta;
    int32_t metaLength;
    int32_t tempo;
};

MidiFileParser* midiFileCreate(const uint8_t* data, int32_t length);
int32_t midiFileFree(MidiFileParser* parser);
void midiFileRewind(MidiFileParser* parser);
// tick is absolute; a distance >= 0 to the next event, or a MIDI_FILE_ result.
int32_t midiFileNextEvent(MidiFileParser* parser, int32_t tick, MidiFileEvent* event);
// 1 with the duration stored (the parser is left at the end), 0 on a malformed event.
int32_t midiFileScanDuration(MidiFileParser* parser);
// The tick of the first event still due (MIDI_TRACK_FINISHED when none): a walk that starts
// there never meets MIDI_FILE_NOT_DUE.
int32_t midiFileFirstTick(const MidiFileParser* parser);
