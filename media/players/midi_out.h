// The one shared MIDI output of the program and the thread that feeds it. Messages leave
// through a wave-out stream opened in the MIDI stream format, one buffer per message, at
// once or after a delay: delayed ones wait in a list, in due order, that a 5 ms timer
// drains into the play thread.
#pragma once

#include <stdint.h>

#include "platform/waveout.h"

// Thread message kinds of the play thread.
enum { MIDI_EVENT_POST = 0, TIMEOUT_EVENT = 1, MIDI_EXIT_REQUEST = 2 };

struct MidiTimedEvent {
    uint32_t time;  // the delay when posted, the due time once scheduled
    uint8_t status, data1, data2;
    MidiTimedEvent* next;
};

struct MidiCommPort {
    WaveOutHandle handle;
    int32_t openCount;
};

// The timer id, 0 when no timer was set.
uint32_t midiPlaybackInit(void);
void midiPlaybackDestroy(void);
void postMidiEvent(uint32_t delay, uint8_t status, uint8_t data1, uint8_t data2);
// The result of the wave-out write (0 accepted).
uint32_t midiCommSend(uint8_t status, uint8_t data1, uint8_t data2);
int32_t midiCommOpen(void);
void midiCommClose(void);

// Test view: the port, and the number of events waiting for their time.
MidiCommPort midiCommPortState(void);
int32_t midiPlaybackQueuedCount(void);
