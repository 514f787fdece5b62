// The mixer's shared state, for the wave-out service, the synthesizers and the alert
// sounds. One mutex (g_mix.lock) guards everything here; the done callbacks run on the
// callback thread with it released.
#pragma once

#include "platform/waveout.h"

#include <pthread.h>
#include <stddef.h>
#include <stdint.h>

#include <deque>
#include <vector>

struct AudioSynth;

// One written buffer; data and length are taken from the header at write time so the
// mixer never reads the caller's header while it plays.
struct AudioBuffer {
    WaveHeader* header;
    const uint8_t* data;
    uint32_t length;
};

struct AudioStream {
    WaveOutHandle handle;
    bool midi;
    WaveOutProc callback;
    uint32_t instance;

    // PCM format.
    uint32_t channels;
    uint32_t bits;
    uint32_t rate;
    uint32_t blockAlign;

    std::deque<AudioBuffer> queue;
    uint32_t offset;       // byte offset of the current frame (message) in the head buffer
    uint32_t undelivered;  // buffers played whose done callback has not run yet
    bool paused;
    uint32_t volume;        // low word left, high word right
    uint32_t playbackRate;  // 16.16
    uint64_t bytesPlayed;
    uint64_t framesPlayed;  // output frames while playing (MIDI time)

    // PCM resampler: frame a is the one at offset; frac is the 32.32 position past it.
    bool haveA;
    int32_t aL, aR;
    uint64_t frac;
    uint64_t step;

    // MIDI timing.
    AudioSynth* synth;
    uint32_t usPerQuarter;  // changed by tempo messages
    uint32_t formatUsPerQuarter;
    uint32_t ticksPerQuarter;
    bool armed;      // the current message's delta is counted into wait
    int64_t wait;    // output frames x 65536 until the current message is due
    uint64_t ticks;  // ticks played
};

struct AudioCompletion {
    WaveOutHandle handle;
    WaveHeader* header;
};

enum AudioDriveMode { AUDIO_DRIVE_NONE, AUDIO_DRIVE_SDL, AUDIO_DRIVE_CLOCK, AUDIO_DRIVE_TAP };

struct AudioMixer {
    pthread_mutex_t lock;
    pthread_cond_t work;       // the callback thread: completions queued
    pthread_cond_t delivered;  // waiters: a callback finished
    std::vector<AudioStream*> streams;
    std::deque<AudioCompletion> completions;
    std::vector<WaveOutHandle> delivering;  // streams whose callbacks run now (nested: inner last)
    bool callbackThreadStarted;
    pthread_t callbackThread;
    uint32_t nextHandle;
    uint32_t rate;
    AudioDriveMode mode;

    // The alert sound now playing (mono).
    std::vector<int16_t> beep;
    size_t beepPos;

    // Render scratch.
    std::vector<int32_t> acc;
    std::vector<float> synthL, synthR;
};

AudioMixer& audioMixer(void);

// Under the lock.
AudioStream* audioFindStream(WaveOutHandle handle);
void audioQueueCompletion(AudioStream* s, const AudioBuffer& b);
// Renders frames into out (interleaved stereo); takes the lock.
void audioRender(int16_t* out, size_t frames);
bool audioOnCallbackThread(void);
void audioStartCallbackThread(void);  // under the lock
// Without the lock: delivers (on the callback thread) or waits for every owed callback of
// the stream, and waits until none of its callbacks runs.
void audioSettleStream(WaveOutHandle handle);
// Without the lock: opens the SDL device (or the clock) when nothing drives the mixer.
void audioEnsureDevice(void);

// Synthesizers (audio_midi.cpp). Create and destroy without the lock; the rest under it.
AudioSynth* audioSynthCreate(uint32_t rate);
void audioSynthDestroy(AudioSynth* synth);
void audioSynthEvent(AudioSynth* synth, WaveOutHandle stream, uint32_t event);
void audioSynthSilence(AudioSynth* synth);
void audioSynthRender(AudioSynth* synth, float* left, float* right, size_t frames);
