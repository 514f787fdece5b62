// The mixer behind the wave-out service: the alert sounds, and what tests use to hear it
// (a tap that renders the mix on demand instead of an SDL device, and a log of the MIDI
// messages handed to the synthesizers).
#pragma once

#include <stddef.h>
#include <stdint.h>

// Alert sound types: the message-box icon values (window.h names two of them for its
// message boxes).
enum : uint32_t {
    BEEP_DEFAULT = 0x00,
    BEEP_HAND = 0x10,
    BEEP_QUESTION = 0x20,
    BEEP_EXCLAMATION = 0x30,
    BEEP_ASTERISK = 0x40,
};

// Plays the short synthesized sound of that type through the mixer (a newer alert replaces
// one still sounding); non-zero when it plays, 0 for another type.
int32_t MessageBeep(uint32_t type);

// The mixer's output: interleaved stereo, signed 16-bit, at audioDeviceRate() Hz.
uint32_t audioDeviceRate(void);

// The test tap. While enabled no SDL device and no clock drive the mixer: it advances only
// when audioTapRender pulls frames, so what a test hears is exact. Enabling sets the
// mixer's rate; both calls fail (false) while a wave-out stream is open.
bool audioTapEnable(uint32_t rate);
bool audioTapDisable(void);
// Renders frames stereo frames into out (2 x frames samples) and then runs the done
// callbacks owed so far, on the callback thread, before it returns (so a test sees them in
// step). false when the tap is not enabled.
bool audioTapRender(int16_t* out, size_t frames);

// The MIDI log: every message handed to a synthesizer, with the timeGetTime of the moment.
struct AudioMidiLogEntry {
    uint32_t time;
    uint32_t stream;  // the wave-out handle
    uint32_t event;   // status | data1 << 8 | data2 << 16
};
// Starts (clearing it) or stops the log; it keeps at most capacity entries, the oldest
// first (later messages are counted, not kept).
void audioMidiLogStart(size_t capacity);
void audioMidiLogStop(void);
// Copies up to max entries into out; the number of messages logged so far.
size_t audioMidiLogRead(AudioMidiLogEntry* out, size_t max);

// The soundfont MIDI streams load: MOVANE_SOUNDFONT when set, else the installed General MIDI
// soundfont; null when neither names a readable file.
const char* audioSoundfontPath(void);
