// The mixer: every open wave-out stream and the alert sound are summed into one stereo
// 16-bit output, driven by the SDL audio callback, by a clock thread of our own when no
// SDL device opens, or by a test pulling frames through the tap. Buffers that finish
// playing go to the callback thread, which runs their done callbacks without the lock:
// the render side (SDL's thread) never calls out.
#include "platform/audio.h"
#include "platform/audio_internal.h"

#include <SDL.h>
#include <errno.h>
#include <string.h>
#include <time.h>

#include <algorithm>

namespace {

const uint64_t kOne = 1ull << 32;  // one source frame in the resampler's 32.32 position
const size_t kChunk = 512;         // frames rendered per pass
const uint32_t kDefaultRate = 44100;

AudioMixer* g_mixer;
pthread_once_t g_mixerOnce = PTHREAD_ONCE_INIT;

// Opening and closing what drives the mixer; taken before the mixer's lock, never after.
pthread_mutex_t g_deviceLock = PTHREAD_MUTEX_INITIALIZER;
SDL_AudioDeviceID g_sdlDevice;
pthread_t g_clockThread;
pthread_mutex_t g_clockLock = PTHREAD_MUTEX_INITIALIZER;
pthread_cond_t g_clockCond;
bool g_clockRun;

void makeMixer() {
    AudioMixer* m = new AudioMixer();
    pthread_mutex_init(&m->lock, nullptr);
    pthread_cond_init(&m->work, nullptr);
    pthread_cond_init(&m->delivered, nullptr);
    m->delivering.reserve(8);
    m->nextHandle = 1;
    m->rate = kDefaultRate;
    m->mode = AUDIO_DRIVE_NONE;
    m->acc.resize(kChunk * 2);
    m->synthL.resize(kChunk);
    m->synthR.resize(kChunk);
    pthread_condattr_t attr;
    pthread_condattr_init(&attr);
    pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
    pthread_cond_init(&g_clockCond, &attr);
    pthread_condattr_destroy(&attr);
    g_mixer = m;
}

inline uint32_t rd32(const uint8_t* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

inline void readFrame(const AudioStream* s, const uint8_t* p, int32_t* l, int32_t* r) {
    if (s->bits == 8) {
        *l = ((int32_t)p[0] - 128) * 256;
        *r = s->channels == 2 ? ((int32_t)p[1] - 128) * 256 : *l;
    } else {
        *l = (int16_t)(uint16_t)(p[0] | p[1] << 8);
        *r = s->channels == 2 ? (int16_t)(uint16_t)(p[2] | p[3] << 8) : *l;
    }
}

void completeHead(AudioStream* s) {
    audioQueueCompletion(s, s->queue.front());
    s->queue.pop_front();
    s->offset = 0;
}

// Makes frame a the one at the cursor, finishing buffers too short to hold one.
bool pcmLoad(AudioStream* s) {
    while (!s->queue.empty() && s->queue.front().length - s->offset < s->blockAlign) completeHead(s);
    if (s->queue.empty()) {
        s->haveA = false;
        return false;
    }
    readFrame(s, s->queue.front().data + s->offset, &s->aL, &s->aR);
    s->haveA = true;
    return true;
}

// The frame after a, in this buffer or a later one; a itself when none is written yet.
void pcmPeek(const AudioStream* s, int32_t* l, int32_t* r) {
    const AudioBuffer& head = s->queue.front();
    if ((uint64_t)s->offset + 2 * s->blockAlign <= head.length) {
        readFrame(s, head.data + s->offset + s->blockAlign, l, r);
        return;
    }
    for (size_t i = 1; i < s->queue.size(); i++) {
        if (s->queue[i].length >= s->blockAlign) {
            readFrame(s, s->queue[i].data, l, r);
            return;
        }
    }
    *l = s->aL;
    *r = s->aR;
}

void pcmAdvance(AudioStream* s) {
    s->bytesPlayed += s->blockAlign;
    s->offset += s->blockAlign;
    if (s->queue.front().length - s->offset < s->blockAlign) completeHead(s);
    pcmLoad(s);
}

inline int64_t gainOf(uint32_t word) { return (int64_t)word + (word >> 15); }

void mixPcm(AudioStream* s, int32_t* acc, size_t frames) {
    if (!s->haveA && !pcmLoad(s)) {
        s->frac = 0;
        return;
    }
    const int64_t gl = gainOf(s->volume & 0xFFFF), gr = gainOf(s->volume >> 16);
    for (size_t i = 0; i < frames; i++) {
        int32_t l = s->aL, r = s->aR;
        if (s->frac != 0) {
            int32_t bl, br;
            pcmPeek(s, &bl, &br);
            int64_t f = (int64_t)(s->frac >> 16);
            l += (int32_t)(((int64_t)(bl - l) * f) >> 16);
            r += (int32_t)(((int64_t)(br - r) * f) >> 16);
        }
        acc[2 * i] += (int32_t)((l * gl) >> 16);
        acc[2 * i + 1] += (int32_t)((r * gr) >> 16);
        s->frac += s->step;
        while (s->frac >= kOne) {
            s->frac -= kOne;
            pcmAdvance(s);
            if (!s->haveA) {
                s->frac = 0;
                return;
            }
        }
    }
}

// Output frames x 65536 that delta ticks last at the stream's tempo and rate.
int64_t midiDeltaWait(const AudioStream* s, uint32_t delta, uint32_t rate) {
    if (delta == 0) return 0;
    unsigned __int128 num = (unsigned __int128)delta * s->usPerQuarter * rate;
    num <<= 32;
    unsigned __int128 den = (unsigned __int128)s->ticksPerQuarter * 1000000u * s->playbackRate;
    unsigned __int128 w = num / den;
    const unsigned __int128 cap = (unsigned __int128)(INT64_MAX / 4);
    return (int64_t)(w > cap ? cap : w);
}

// Applies every message that is due; stops at the first one still waiting.
void midiApplyDue(AudioStream* s, uint32_t rate) {
    while (!s->queue.empty()) {
        const AudioBuffer& head = s->queue.front();
        if (head.length - s->offset < 8) {
            completeHead(s);
            continue;
        }
        const uint8_t* msg = head.data + s->offset;
        uint32_t delta = rd32(msg), event = rd32(msg + 4);
        if (!s->armed) {
            s->wait += midiDeltaWait(s, delta, rate);
            s->armed = true;
        }
        if (s->wait > 0) return;
        switch (event >> 24) {
            case 0:
                audioSynthEvent(s->synth, s->handle, event & 0xFFFFFF);
                break;
            case 1:
                if ((event & 0xFFFFFF) != 0) s->usPerQuarter = event & 0xFFFFFF;
                break;
            default:
                break;
        }
        s->armed = false;
        s->ticks += delta;
        s->bytesPlayed += 8;
        s->offset += 8;
        if (head.length - s->offset < 8) completeHead(s);
    }
}

void mixMidi(AudioMixer& m, AudioStream* s, int32_t* acc, size_t frames) {
    const float gl = (float)gainOf(s->volume & 0xFFFF) * (32768.0f / 65536.0f);
    const float gr = (float)gainOf(s->volume >> 16) * (32768.0f / 65536.0f);
    size_t done = 0;
    while (done < frames) {
        midiApplyDue(s, m.rate);
        size_t span = frames - done;
        bool playing = !s->queue.empty();
        if (playing) {
            int64_t due = (s->wait + 65535) >> 16;
            if (due < (int64_t)span) span = (size_t)due;
        }
        float* left = m.synthL.data();
        float* right = m.synthR.data();
        audioSynthRender(s->synth, left, right, span);
        int32_t* out = acc + 2 * done;
        for (size_t i = 0; i < span; i++) {
            out[2 * i] += (int32_t)(left[i] * gl);
            out[2 * i + 1] += (int32_t)(right[i] * gr);
        }
        if (playing) {
            s->wait -= (int64_t)span << 16;
            s->framesPlayed += span;
        }
        done += span;
    }
    if (s->queue.empty()) {
        // An idle stream starts its next buffer afresh, without a carried remainder.
        s->wait = 0;
        s->armed = false;
    }
}

void mixBeep(AudioMixer& m, int32_t* acc, size_t frames) {
    size_t n = std::min(frames, m.beep.size() - m.beepPos);
    const int16_t* src = m.beep.data() + m.beepPos;
    for (size_t i = 0; i < n; i++) {
        acc[2 * i] += src[i];
        acc[2 * i + 1] += src[i];
    }
    m.beepPos += n;
    if (m.beepPos >= m.beep.size()) {
        m.beep.clear();
        m.beepPos = 0;
    }
}

inline int16_t clip16(int32_t v) { return (int16_t)(v < -32768 ? -32768 : v > 32767 ? 32767 : v); }

void renderLocked(AudioMixer& m, int16_t* out, size_t frames) {
    size_t before = m.completions.size();
    while (frames > 0) {
        size_t n = std::min(frames, kChunk);
        int32_t* acc = m.acc.data();
        memset(acc, 0, n * 2 * sizeof(int32_t));
        for (AudioStream* s : m.streams) {
            if (s->paused) continue;
            if (s->midi) {
                mixMidi(m, s, acc, n);
            } else {
                mixPcm(s, acc, n);
            }
        }
        if (!m.beep.empty()) mixBeep(m, acc, n);
        for (size_t i = 0; i < 2 * n; i++) out[i] = clip16(acc[i]);
        out += 2 * n;
        frames -= n;
    }
    if (m.completions.size() != before) pthread_cond_signal(&m.work);
}

void sdlCallback(void*, Uint8* stream, int len) { audioRender((int16_t*)stream, (size_t)len / 4); }

// Drives the mixer at its rate when no SDL device could be opened.
void* clockMain(void*) {
    const size_t block = audioDeviceRate() / 100;
    std::vector<int16_t> sink(block * 2);
    timespec next;
    clock_gettime(CLOCK_MONOTONIC, &next);
    pthread_mutex_lock(&g_clockLock);
    while (g_clockRun) {
        next.tv_nsec += 10000000;
        if (next.tv_nsec >= 1000000000) {
            next.tv_nsec -= 1000000000;
            next.tv_sec++;
        }
        while (g_clockRun && pthread_cond_timedwait(&g_clockCond, &g_clockLock, &next) != ETIMEDOUT) {
        }
        if (!g_clockRun) break;
        pthread_mutex_unlock(&g_clockLock);
        audioRender(sink.data(), block);
        pthread_mutex_lock(&g_clockLock);
    }
    pthread_mutex_unlock(&g_clockLock);
    return nullptr;
}

// Under g_deviceLock, without the mixer's lock (SDL waits for its callback to return).
void stopDriver(AudioMixer& m) {
    if (m.mode == AUDIO_DRIVE_SDL) {
        SDL_CloseAudioDevice(g_sdlDevice);
        g_sdlDevice = 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    } else if (m.mode == AUDIO_DRIVE_CLOCK) {
        pthread_mutex_lock(&g_clockLock);
        g_clockRun = false;
        pthread_cond_signal(&g_clockCond);
        pthread_mutex_unlock(&g_clockLock);
        pthread_join(g_clockThread, nullptr);
    }
    pthread_mutex_lock(&m.lock);
    m.mode = AUDIO_DRIVE_NONE;
    pthread_mutex_unlock(&m.lock);
}

bool onDeliveringStack(const AudioMixer& m, WaveOutHandle h) {
    return std::find(m.delivering.begin(), m.delivering.end(), h) != m.delivering.end();
}

// Runs one done callback; entered and left with the lock held.
void deliver(AudioMixer& m, const AudioCompletion& c) {
    AudioStream* s = audioFindStream(c.handle);
    WaveOutProc callback = nullptr;
    uint32_t instance = 0;
    if (s != nullptr) {
        uint32_t flags = __atomic_load_n(&c.header->dwFlags, __ATOMIC_RELAXED);
        __atomic_store_n(&c.header->dwFlags, (flags | WHDR_DONE) & ~(uint32_t)WHDR_INQUEUE, __ATOMIC_RELEASE);
        s->undelivered--;
        callback = s->callback;
        instance = s->instance;
    }
    m.delivering.push_back(c.handle);
    pthread_mutex_unlock(&m.lock);
    if (callback != nullptr) callback(c.handle, MM_WOM_DONE, instance, c.header);
    pthread_mutex_lock(&m.lock);
    m.delivering.pop_back();
    pthread_cond_broadcast(&m.delivered);
}

void* callbackMain(void*) {
    AudioMixer& m = audioMixer();
    pthread_mutex_lock(&m.lock);
    for (;;) {
        while (m.completions.empty()) pthread_cond_wait(&m.work, &m.lock);
        AudioCompletion c = m.completions.front();
        m.completions.pop_front();
        deliver(m, c);
    }
    return nullptr;
}

}  // namespace

AudioMixer& audioMixer(void) {
    pthread_once(&g_mixerOnce, makeMixer);
    return *g_mixer;
}

AudioStream* audioFindStream(WaveOutHandle handle) {
    if (handle == 0) return nullptr;
    for (AudioStream* s : g_mixer->streams) {
        if (s->handle == handle) return s;
    }
    return nullptr;
}

void audioQueueCompletion(AudioStream* s, const AudioBuffer& b) {
    g_mixer->completions.push_back({s->handle, b.header});
    s->undelivered++;
}

void audioRender(int16_t* out, size_t frames) {
    AudioMixer& m = audioMixer();
    pthread_mutex_lock(&m.lock);
    renderLocked(m, out, frames);
    pthread_mutex_unlock(&m.lock);
}

bool audioOnCallbackThread(void) {
    AudioMixer& m = audioMixer();
    return m.callbackThreadStarted && pthread_equal(pthread_self(), m.callbackThread);
}

void audioStartCallbackThread(void) {
    AudioMixer& m = *g_mixer;
    if (m.callbackThreadStarted) return;
    if (pthread_create(&m.callbackThread, nullptr, callbackMain, nullptr) == 0) {
        pthread_detach(m.callbackThread);
        m.callbackThreadStarted = true;
    }
}

void audioSettleStream(WaveOutHandle handle) {
    AudioMixer& m = audioMixer();
    pthread_mutex_lock(&m.lock);
    if (audioOnCallbackThread()) {
        // Waiting here would wait for ourselves: run the stream's owed callbacks now.
        for (;;) {
            auto it = std::find_if(m.completions.begin(), m.completions.end(),
                                   [handle](const AudioCompletion& c) { return c.handle == handle; });
            if (it == m.completions.end()) break;
            AudioCompletion c = *it;
            m.completions.erase(it);
            deliver(m, c);
        }
    } else {
        for (;;) {
            AudioStream* s = audioFindStream(handle);
            if ((s == nullptr || s->undelivered == 0) && !onDeliveringStack(m, handle)) break;
            pthread_cond_wait(&m.delivered, &m.lock);
        }
    }
    pthread_mutex_unlock(&m.lock);
}

void audioEnsureDevice(void) {
    AudioMixer& m = audioMixer();
    pthread_mutex_lock(&g_deviceLock);
    pthread_mutex_lock(&m.lock);
    AudioDriveMode mode = m.mode;
    pthread_mutex_unlock(&m.lock);
    if (mode == AUDIO_DRIVE_NONE) {
        AudioDriveMode opened = AUDIO_DRIVE_CLOCK;
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
            SDL_AudioSpec want;
            SDL_zero(want);
            want.freq = (int)m.rate;
            want.format = AUDIO_S16SYS;
            want.channels = 2;
            want.samples = 1024;
            want.callback = sdlCallback;
            SDL_AudioSpec have;
            g_sdlDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
            if (g_sdlDevice != 0) {
                opened = AUDIO_DRIVE_SDL;
            } else {
                SDL_QuitSubSystem(SDL_INIT_AUDIO);
            }
        }
        if (opened == AUDIO_DRIVE_CLOCK) {
            g_clockRun = true;
            if (pthread_create(&g_clockThread, nullptr, clockMain, nullptr) != 0) opened = AUDIO_DRIVE_NONE;
        }
        pthread_mutex_lock(&m.lock);
        m.mode = opened;
        pthread_mutex_unlock(&m.lock);
        if (opened == AUDIO_DRIVE_SDL) SDL_PauseAudioDevice(g_sdlDevice, 0);
    }
    pthread_mutex_unlock(&g_deviceLock);
}

uint32_t audioDeviceRate(void) {
    AudioMixer& m = audioMixer();
    pthread_mutex_lock(&m.lock);
    uint32_t rate = m.rate;
    pthread_mutex_unlock(&m.lock);
    return rate;
}

static bool switchDrive(bool tap, uint32_t rate) {
    AudioMixer& m = audioMixer();
    pthread_mutex_lock(&g_deviceLock);
    pthread_mutex_lock(&m.lock);
    bool idle = m.streams.empty();
    pthread_mutex_unlock(&m.lock);
    if (idle) {
        stopDriver(m);
        pthread_mutex_lock(&m.lock);
        m.mode = tap ? AUDIO_DRIVE_TAP : AUDIO_DRIVE_NONE;
        m.rate = rate;
        m.beep.clear();
        m.beepPos = 0;
        pthread_mutex_unlock(&m.lock);
    }
    pthread_mutex_unlock(&g_deviceLock);
    return idle;
}

bool audioTapEnable(uint32_t rate) {
    if (rate < 1000 || rate > 192000) return false;
    return switchDrive(true, rate);
}

bool audioTapDisable(void) { return switchDrive(false, kDefaultRate); }

bool audioTapRender(int16_t* out, size_t frames) {
    AudioMixer& m = audioMixer();
    pthread_mutex_lock(&m.lock);
    if (m.mode != AUDIO_DRIVE_TAP) {
        pthread_mutex_unlock(&m.lock);
        return false;
    }
    renderLocked(m, out, frames);
    if (!audioOnCallbackThread()) {
        while (!m.completions.empty() || !m.delivering.empty()) pthread_cond_wait(&m.delivered, &m.lock);
    }
    pthread_mutex_unlock(&m.lock);
    return true;
}
