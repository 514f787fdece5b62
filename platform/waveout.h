// The wave-out service: PCM streams and MIDI streams played through our own mixer on one
// SDL2 audio device (opened when the first stream opens; with no usable device, or with
// SDL_AUDIODRIVER=dummy, a clock of our own drives the mixer so buffers still complete in
// real time). Every open stream is one source of the mixer.
//
// PCM: format tag 1, 8-bit unsigned or 16-bit signed, mono or stereo, 1000..192000 Hz,
// converted to the device rate. MIDI: format tag 0x3000 (WaveMidiFormat, cbSize at least
// 10, both words non-zero); each buffer is a run of 8-byte messages {u32 delta in ticks,
// u32 status | data1 << 8 | data2 << 16}, played by a FluidSynth synthesizer of the
// stream's own. An event word whose top byte is 1 sets the microseconds per quarter note
// from its low 24 bits; other top bytes are skipped. A message with delta 0 is applied at
// once; a delta waits delta x usPerQuarterNote / ticksPerQuarterNote microseconds of
// played audio. The General MIDI soundfont is the one of Debian's timgm6mb-soundfont
// package unless the environment variable MOVANE_SOUNDFONT names another .sf2 file;
// without a loadable soundfont a MIDI open fails with MMSYSERR_NODRIVER (nothing crashes).
// A paused stream is silent and holds its place (a MIDI stream's notes too).
//
// Callbacks (CALLBACK_FUNCTION): MM_WOM_OPEN inside waveOutOpen and MM_WOM_CLOSE inside
// waveOutClose, on the calling thread; MM_WOM_DONE on the service's callback thread, one
// per buffer, in the order the buffers were written, never with an internal lock held, so a
// callback may write the next buffer, reset or close its stream. When waveOutReset or
// waveOutClose returns on another thread, every callback they owe has run and none is
// running: after waveOutClose no callback of that handle ever runs again. So do not call
// them while holding a lock that your callback takes.
//
// A buffer plays once: BEGINLOOP/ENDLOOP and dwLoops are kept in the header but not acted
// on; a caller that wants repeats writes the buffer again from its done callback.
#pragma once

#include "platform/p32.h"

#include <stddef.h>
#include <stdint.h>

// Result codes.
enum : uint32_t {
    MMSYSERR_NOERROR = 0,
    MMSYSERR_ERROR = 1,
    MMSYSERR_BADDEVICEID = 2,
    MMSYSERR_ALLOCATED = 4,
    MMSYSERR_INVALHANDLE = 5,
    MMSYSERR_NODRIVER = 6,
    MMSYSERR_NOMEM = 7,
    MMSYSERR_NOTSUPPORTED = 8,
    MMSYSERR_INVALFLAG = 10,
    MMSYSERR_INVALPARAM = 11,
    WAVERR_BADFORMAT = 32,
    WAVERR_STILLPLAYING = 33,
    WAVERR_UNPREPARED = 34,
};

// Callback messages.
enum : uint32_t {
    MM_WOM_OPEN = 0x3BB,
    MM_WOM_CLOSE = 0x3BC,
    MM_WOM_DONE = 0x3BD,
};

// Devices: waveOutGetNumDevs is 1; device 0 and WAVE_MAPPER name it.
enum : uint32_t { WAVE_MAPPER = 0xFFFFFFFFu };

// waveOutOpen flags.
enum : uint32_t {
    WAVE_FORMAT_QUERY = 0x0001,  // only check the format; no stream is opened
    CALLBACK_NULL = 0x00000,
    CALLBACK_FUNCTION = 0x30000,
};

// Format tags.
enum : uint16_t {
    WAVE_FORMAT_PCM = 1,
    WAVE_FORMAT_MIDI = 0x3000,
};

// Header flags.
enum : uint32_t {
    WHDR_DONE = 0x01,      // set before the done callback runs
    WHDR_PREPARED = 0x02,  // set by waveOutPrepareHeader
    WHDR_BEGINLOOP = 0x04,
    WHDR_ENDLOOP = 0x08,
    WHDR_INQUEUE = 0x10,  // written and not done yet
};

// Position units for waveOutGetPosition.
enum : uint32_t {
    TIME_MS = 0x0001,
    TIME_SAMPLES = 0x0002,
    TIME_BYTES = 0x0004,
    TIME_TICKS = 0x0020,  // MIDI streams: ticks played
};

// Capability bits of WaveOutCaps::dwSupport.
enum : uint32_t {
    WAVECAPS_PITCH = 0x0001,
    WAVECAPS_PLAYBACKRATE = 0x0002,
    WAVECAPS_VOLUME = 0x0004,
    WAVECAPS_LRVOLUME = 0x0008,
    WAVECAPS_SYNC = 0x0010,
    WAVECAPS_SAMPLEACCURATE = 0x0020,
};

// A stream handle: a 32-bit value, 0 is none. A closed handle is refused.
typedef uint32_t WaveOutHandle;

// The format record as callers fill it (18 bytes, 2-byte aligned); cbSize extra bytes
// follow it in the caller's memory.
struct WaveFormat {
    uint16_t wFormatTag;
    uint16_t nChannels;
    uint32_t nSamplesPerSec;
    uint32_t nAvgBytesPerSec;
    uint16_t nBlockAlign;
    uint16_t wBitsPerSample;
    uint16_t cbSize;
} __attribute__((packed, aligned(2)));
static_assert(sizeof(WaveFormat) == 18, "format record");

// The MIDI stream format: tag 0x3000, cbSize 10 (the pad and the two words).
struct WaveMidiFormat {
    WaveFormat wfx;
    uint16_t pad;
    uint32_t usPerQuarterNote;
    uint32_t ticksPerQuarterNote;
};
static_assert(sizeof(WaveMidiFormat) == 28, "MIDI format record");
static_assert(offsetof(WaveMidiFormat, usPerQuarterNote) == 20, "MIDI format record");
enum : uint16_t { WAVE_MIDI_EXTRA_SIZE = 10 };

// One buffer of a stream. The header and the data stay the caller's, and must not be
// touched or freed while WHDR_INQUEUE is set.
struct WaveHeader {
    P32<char> lpData;
    uint32_t dwBufferLength;
    uint32_t dwBytesRecorded;
    uint32_t dwUser;
    uint32_t dwFlags;
    uint32_t dwLoops;
    P32<WaveHeader> lpNext;
    uint32_t reserved;
};
static_assert(sizeof(WaveHeader) == 32, "wave header");
static_assert(offsetof(WaveHeader, dwFlags) == 16, "wave header");

// 84 bytes, as callers size it.
struct WaveOutCaps {
    uint16_t wMid;
    uint16_t wPid;
    uint32_t vDriverVersion;
    uint16_t szPname[32];  // UTF-16, terminated
    uint32_t dwFormats;
    uint16_t wChannels;
    uint16_t wReserved1;
    uint32_t dwSupport;
};
static_assert(sizeof(WaveOutCaps) == 84, "capability record");

// A position: wType is the unit asked for; a stream that cannot answer in it answers in
// TIME_BYTES and says so in wType.
struct WaveTime {
    uint32_t wType;
    uint32_t value;
};

// handle, message, the instance word given to waveOutOpen, and for MM_WOM_DONE the header.
typedef void (*WaveOutProc)(WaveOutHandle handle, uint32_t message, uint32_t instance, WaveHeader* header);

uint32_t waveOutGetNumDevs(void);
// size is the caller's record size (at most sizeof(WaveOutCaps) is written).
uint32_t waveOutGetDevCaps(uint32_t device, WaveOutCaps* caps, uint32_t size);

// Opens a stream on device 0 or WAVE_MAPPER. format points at the format record with its
// extra bytes. flags: CALLBACK_NULL or CALLBACK_FUNCTION, optionally WAVE_FORMAT_QUERY
// (then handle may be null and nothing opens). BADDEVICEID, BADFORMAT, INVALFLAG,
// INVALPARAM, NODRIVER (no soundfont / no synthesizer) or NOMEM on failure.
uint32_t waveOutOpen(WaveOutHandle* handle, uint32_t device, const WaveFormat* format, WaveOutProc callback,
                     uint32_t instance, uint32_t flags);
// WAVERR_STILLPLAYING while buffers are queued (reset first).
uint32_t waveOutClose(WaveOutHandle handle);

// size is at least sizeof(WaveHeader). Prepare needs lpData non-null (a trailing partial
// block, or MIDI message, is skipped when played); preparing a prepared header is a no-op.
// Unprepare of a queued header is WAVERR_STILLPLAYING; of an unprepared one a no-op.
uint32_t waveOutPrepareHeader(WaveOutHandle handle, WaveHeader* header, uint32_t size);
uint32_t waveOutUnprepareHeader(WaveOutHandle handle, WaveHeader* header, uint32_t size);
// Queues a prepared header behind the stream's other buffers (WAVERR_UNPREPARED when it is
// not prepared, WAVERR_STILLPLAYING when it is already queued). Clears WHDR_DONE.
uint32_t waveOutWrite(WaveOutHandle handle, WaveHeader* header, uint32_t size);

uint32_t waveOutPause(WaveOutHandle handle);
uint32_t waveOutRestart(WaveOutHandle handle);
// Stops the stream, returns every queued buffer (done callbacks, in order), position 0,
// and leaves the stream unpaused. A MIDI stream also silences its synthesizer.
uint32_t waveOutReset(WaveOutHandle handle);
// The position since open or the last reset; size is sizeof(WaveTime).
uint32_t waveOutGetPosition(WaveOutHandle handle, WaveTime* time, uint32_t size);

// Low word left, high word right, 0xFFFF full; 0xFFFFFFFF at open.
uint32_t waveOutSetVolume(WaveOutHandle handle, uint32_t volume);
uint32_t waveOutGetVolume(WaveOutHandle handle, uint32_t* volume);

// PCM samples are scaled by (v + (v >> 15)) / 65536 of their channel's word v (so 0xFFFF
// leaves them exact), rounded down; the sources' sum is clipped to 16 bits.
//
// 16.16 fixed point, 0x10000 normal speed; 1/8..8 times accepted (the pitch follows, as
// a tape would; a MIDI stream plays its deltas faster or slower).
uint32_t waveOutGetPlaybackRate(WaveOutHandle handle, uint32_t* rate);
uint32_t waveOutSetPlaybackRate(WaveOutHandle handle, uint32_t rate);
