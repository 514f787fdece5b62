// Helpers of the audio tests and benchmark: buffers in low memory (a header's data word
// holds an address), format records, MIDI stream messages and a callback recorder.
#pragma once

#include "platform/audio.h"
#include "platform/lowmem.h"
#include "platform/waveout.h"

#include <pthread.h>
#include <string.h>
#include <time.h>

#include <vector>

namespace audiotest {

inline WaveFormat pcmFormat(uint32_t rate, uint16_t channels, uint16_t bits) {
    WaveFormat f;
    memset(&f, 0, sizeof f);
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.nBlockAlign = (uint16_t)(channels * bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    f.wBitsPerSample = bits;
    return f;
}

// The shared MIDI output's format; ticks and tempo as given.
inline WaveMidiFormat midiFormat(uint32_t usPerQuarter, uint32_t ticksPerQuarter) {
    WaveMidiFormat f;
    memset(&f, 0, sizeof f);
    f.wfx.wFormatTag = WAVE_FORMAT_MIDI;
    f.wfx.nChannels = 1;
    f.wfx.nSamplesPerSec = 32;
    f.wfx.nAvgBytesPerSec = 32;
    f.wfx.nBlockAlign = 8;
    f.wfx.wBitsPerSample = 16;
    f.wfx.cbSize = WAVE_MIDI_EXTRA_SIZE;
    f.usPerQuarterNote = usPerQuarter;
    f.ticksPerQuarterNote = ticksPerQuarter;
    return f;
}

inline uint32_t midiEvent(uint32_t status, uint32_t d1, uint32_t d2) { return status | d1 << 8 | d2 << 16; }

// A header and its data, both below 2 GB.
struct LowBuffer {
    WaveHeader* header;
    uint8_t* data;
    uint32_t length;

    explicit LowBuffer(uint32_t bytes) : length(bytes) {
        header = (WaveHeader*)lowCalloc(1, sizeof(WaveHeader));
        data = (uint8_t*)lowCalloc(1, bytes == 0 ? 1 : bytes);
        header->lpData = (char*)data;
        header->dwBufferLength = bytes;
    }
    ~LowBuffer() {
        lowFree(data);
        lowFree(header);
    }
    LowBuffer(const LowBuffer&) = delete;
    LowBuffer& operator=(const LowBuffer&) = delete;

    void put16(size_t index, int16_t v) { memcpy(data + 2 * index, &v, 2); }
    void putMessage(size_t index, uint32_t delta, uint32_t event) {
        memcpy(data + 8 * index, &delta, 4);
        memcpy(data + 8 * index + 4, &event, 4);
    }
    uint32_t flags() const { return __atomic_load_n(&header->dwFlags, __ATOMIC_ACQUIRE); }
};

// Every callback a stream received, in order; instance words point at one of these.
struct Recorder {
    struct Call {
        WaveOutHandle handle;
        uint32_t message;
        WaveHeader* header;
        uint32_t flags;  // the header's flags as the callback saw them
    };
    pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t changed = PTHREAD_COND_INITIALIZER;
    std::vector<Call> calls;

    void add(WaveOutHandle h, uint32_t msg, WaveHeader* hdr) {
        pthread_mutex_lock(&lock);
        calls.push_back({h, msg, hdr, hdr != nullptr ? __atomic_load_n(&hdr->dwFlags, __ATOMIC_ACQUIRE) : 0});
        pthread_cond_broadcast(&changed);
        pthread_mutex_unlock(&lock);
    }
    // Waits until count calls of msg arrived or timeoutMs passed; whether they did.
    bool waitFor(uint32_t msg, size_t count, uint32_t timeoutMs) {
        timespec at;
        clock_gettime(CLOCK_REALTIME, &at);
        at.tv_sec += timeoutMs / 1000;
        at.tv_nsec += (long)(timeoutMs % 1000) * 1000000;
        if (at.tv_nsec >= 1000000000) {
            at.tv_sec++;
            at.tv_nsec -= 1000000000;
        }
        pthread_mutex_lock(&lock);
        for (;;) {
            size_t n = 0;
            for (const Call& c : calls) n += c.message == msg;
            if (n >= count || pthread_cond_timedwait(&changed, &lock, &at) != 0) {
                pthread_mutex_unlock(&lock);
                return n >= count;
            }
        }
    }
    std::vector<Call> snapshot() {
        pthread_mutex_lock(&lock);
        std::vector<Call> c = calls;
        pthread_mutex_unlock(&lock);
        return c;
    }
    size_t count(uint32_t msg) {
        size_t n = 0;
        for (const Call& c : snapshot()) n += c.message == msg;
        return n;
    }
};

}  // namespace audiotest
