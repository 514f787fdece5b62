// The wave-out calls over the mixer: format checks, the buffer queue of each stream,
// and the waits that make reset and close safe against a callback still running.
#include "platform/waveout.h"

#include "platform/audio.h"
#include "platform/audio_internal.h"

#include <string.h>

#include <algorithm>

namespace {

struct Locked {
    AudioMixer& m;
    Locked() : m(audioMixer()) { pthread_mutex_lock(&m.lock); }
    ~Locked() { pthread_mutex_unlock(&m.lock); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
};

bool validDevice(uint32_t device) { return device == 0 || device == WAVE_MAPPER; }

uint32_t checkPcm(const WaveFormat* f) {
    if (f->nChannels != 1 && f->nChannels != 2) return WAVERR_BADFORMAT;
    if (f->wBitsPerSample != 8 && f->wBitsPerSample != 16) return WAVERR_BADFORMAT;
    if (f->nSamplesPerSec < 1000 || f->nSamplesPerSec > 192000) return WAVERR_BADFORMAT;
    if (f->nBlockAlign != f->nChannels * f->wBitsPerSample / 8) return WAVERR_BADFORMAT;
    return MMSYSERR_NOERROR;
}

// The caller's record may be only 2-byte aligned: its words are copied out.
void midiWords(const WaveFormat* f, uint32_t* usPerQuarter, uint32_t* ticksPerQuarter) {
    const char* base = (const char*)f;
    memcpy(usPerQuarter, base + offsetof(WaveMidiFormat, usPerQuarterNote), 4);
    memcpy(ticksPerQuarter, base + offsetof(WaveMidiFormat, ticksPerQuarterNote), 4);
}

uint32_t checkMidi(const WaveFormat* f) {
    if (f->cbSize < WAVE_MIDI_EXTRA_SIZE) return WAVERR_BADFORMAT;
    uint32_t us, ticks;
    midiWords(f, &us, &ticks);
    if (us == 0 || ticks == 0) return WAVERR_BADFORMAT;
    return MMSYSERR_NOERROR;
}

uint32_t checkFormat(const WaveFormat* f) {
    if (f->wFormatTag == WAVE_FORMAT_PCM) return checkPcm(f);
    if (f->wFormatTag == WAVE_FORMAT_MIDI) return checkMidi(f);
    return WAVERR_BADFORMAT;
}

void updateStep(const AudioMixer& m, AudioStream* s) {
    if (!s->midi) s->step = (((uint64_t)s->rate * s->playbackRate) << 16) / m.rate;
}

WaveOutHandle newHandle(AudioMixer& m) {
    for (;;) {
        WaveOutHandle h = m.nextHandle++;
        if (h != 0 && audioFindStream(h) == nullptr) return h;
    }
}

inline uint32_t loadFlags(const WaveHeader* h) { return __atomic_load_n(&h->dwFlags, __ATOMIC_ACQUIRE); }
inline void storeFlags(WaveHeader* h, uint32_t f) { __atomic_store_n(&h->dwFlags, f, __ATOMIC_RELEASE); }

}  // namespace

uint32_t waveOutGetNumDevs(void) { return 1; }

uint32_t waveOutGetDevCaps(uint32_t device, WaveOutCaps* caps, uint32_t size) {
    if (!validDevice(device)) return MMSYSERR_BADDEVICEID;
    if (caps == nullptr || size == 0) return MMSYSERR_INVALPARAM;
    WaveOutCaps c;
    memset(&c, 0, sizeof c);
    c.vDriverVersion = 0x0100;
    const char* name = "Movane audio";
    for (size_t i = 0; name[i] != 0; i++) c.szPname[i] = (uint16_t)name[i];
    c.dwFormats = 0xFFF;  // 11, 22 and 44 kHz; 8 and 16 bits; mono and stereo
    c.wChannels = 2;
    c.dwSupport = WAVECAPS_VOLUME | WAVECAPS_LRVOLUME | WAVECAPS_PLAYBACKRATE | WAVECAPS_SAMPLEACCURATE;
    memcpy(caps, &c, std::min<size_t>(size, sizeof c));
    return MMSYSERR_NOERROR;
}

uint32_t waveOutOpen(WaveOutHandle* handle, uint32_t device, const WaveFormat* format, WaveOutProc callback,
                     uint32_t instance, uint32_t flags) {
    if (handle != nullptr) *handle = 0;
    if (!validDevice(device)) return MMSYSERR_BADDEVICEID;
    uint32_t kind = flags & 0x70000;
    if ((flags & ~(uint32_t)(WAVE_FORMAT_QUERY | 0x70000)) != 0 ||
        (kind != CALLBACK_NULL && kind != CALLBACK_FUNCTION)) {
        return MMSYSERR_INVALFLAG;
    }
    if (format == nullptr) return MMSYSERR_INVALPARAM;
    uint32_t rc = checkFormat(format);
    if (rc != MMSYSERR_NOERROR) return rc;
    bool midi = format->wFormatTag == WAVE_FORMAT_MIDI;
    if (midi && audioSoundfontPath() == nullptr) return MMSYSERR_NODRIVER;
    if (flags & WAVE_FORMAT_QUERY) return MMSYSERR_NOERROR;
    if (handle == nullptr || (kind == CALLBACK_FUNCTION && callback == nullptr)) return MMSYSERR_INVALPARAM;

    audioEnsureDevice();
    AudioSynth* synth = nullptr;
    if (midi) {
        synth = audioSynthCreate(audioDeviceRate());
        if (synth == nullptr) return MMSYSERR_NODRIVER;
    }
    AudioStream* s = new AudioStream();
    s->midi = midi;
    s->callback = kind == CALLBACK_FUNCTION ? callback : nullptr;
    s->instance = instance;
    s->channels = format->nChannels;
    s->bits = format->wBitsPerSample;
    s->rate = format->nSamplesPerSec;
    s->blockAlign = midi ? 8 : format->nBlockAlign;
    s->volume = 0xFFFFFFFFu;
    s->playbackRate = 0x10000;
    s->synth = synth;
    if (midi) {
        midiWords(format, &s->formatUsPerQuarter, &s->ticksPerQuarter);
        s->usPerQuarter = s->formatUsPerQuarter;
    }
    {
        Locked l;
        s->handle = newHandle(l.m);
        updateStep(l.m, s);
        l.m.streams.push_back(s);
        audioStartCallbackThread();
        *handle = s->handle;
    }
    if (s->callback != nullptr) s->callback(*handle, MM_WOM_OPEN, instance, nullptr);
    return MMSYSERR_NOERROR;
}

uint32_t waveOutClose(WaveOutHandle handle) {
    AudioStream* s;
    {
        Locked l;
        s = audioFindStream(handle);
        if (s == nullptr) return MMSYSERR_INVALHANDLE;
        if (!s->queue.empty() || s->undelivered != 0) return WAVERR_STILLPLAYING;
        l.m.streams.erase(std::find(l.m.streams.begin(), l.m.streams.end(), s));
    }
    // A done callback of this stream may still be on its way out on the callback thread.
    audioSettleStream(handle);
    if (s->callback != nullptr) s->callback(handle, MM_WOM_CLOSE, s->instance, nullptr);
    if (s->synth != nullptr) audioSynthDestroy(s->synth);
    delete s;
    return MMSYSERR_NOERROR;
}

uint32_t waveOutPrepareHeader(WaveOutHandle handle, WaveHeader* header, uint32_t size) {
    Locked l;
    if (audioFindStream(handle) == nullptr) return MMSYSERR_INVALHANDLE;
    if (header == nullptr || size < sizeof(WaveHeader) || header->lpData.get() == nullptr) return MMSYSERR_INVALPARAM;
    storeFlags(header, loadFlags(header) | WHDR_PREPARED);
    return MMSYSERR_NOERROR;
}

uint32_t waveOutUnprepareHeader(WaveOutHandle handle, WaveHeader* header, uint32_t size) {
    Locked l;
    if (audioFindStream(handle) == nullptr) return MMSYSERR_INVALHANDLE;
    if (header == nullptr || size < sizeof(WaveHeader)) return MMSYSERR_INVALPARAM;
    uint32_t f = loadFlags(header);
    if (f & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    storeFlags(header, f & ~(uint32_t)WHDR_PREPARED);
    return MMSYSERR_NOERROR;
}

uint32_t waveOutWrite(WaveOutHandle handle, WaveHeader* header, uint32_t size) {
    Locked l;
    AudioStream* s = audioFindStream(handle);
    if (s == nullptr) return MMSYSERR_INVALHANDLE;
    if (header == nullptr || size < sizeof(WaveHeader)) return MMSYSERR_INVALPARAM;
    uint32_t f = loadFlags(header);
    if (!(f & WHDR_PREPARED)) return WAVERR_UNPREPARED;
    if (f & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    const uint8_t* data = (const uint8_t*)header->lpData.get();
    if (data == nullptr) return MMSYSERR_INVALPARAM;
    storeFlags(header, (f & ~(uint32_t)WHDR_DONE) | WHDR_INQUEUE);
    s->queue.push_back({header, data, header->dwBufferLength});
    return MMSYSERR_NOERROR;
}

uint32_t waveOutPause(WaveOutHandle handle) {
    Locked l;
    AudioStream* s = audioFindStream(handle);
    if (s == nullptr) return MMSYSERR_INVALHANDLE;
    s->paused = true;
    return MMSYSERR_NOERROR;
}

uint32_t waveOutRestart(WaveOutHandle handle) {
    Locked l;
    AudioStream* s = audioFindStream(handle);
    if (s == nullptr) return MMSYSERR_INVALHANDLE;
    s->paused = false;
    return MMSYSERR_NOERROR;
}

uint32_t waveOutReset(WaveOutHandle handle) {
    {
        Locked l;
        AudioStream* s = audioFindStream(handle);
        if (s == nullptr) return MMSYSERR_INVALHANDLE;
        while (!s->queue.empty()) {
            audioQueueCompletion(s, s->queue.front());
            s->queue.pop_front();
        }
        s->offset = 0;
        s->paused = false;
        s->bytesPlayed = 0;
        s->framesPlayed = 0;
        s->ticks = 0;
        s->haveA = false;
        s->frac = 0;
        s->armed = false;
        s->wait = 0;
        s->usPerQuarter = s->formatUsPerQuarter;
        if (s->synth != nullptr) audioSynthSilence(s->synth);
        pthread_cond_signal(&l.m.work);
    }
    audioSettleStream(handle);
    return MMSYSERR_NOERROR;
}

uint32_t waveOutGetPosition(WaveOutHandle handle, WaveTime* time, uint32_t size) {
    Locked l;
    AudioStream* s = audioFindStream(handle);
    if (s == nullptr) return MMSYSERR_INVALHANDLE;
    if (time == nullptr || size < sizeof(WaveTime)) return MMSYSERR_INVALPARAM;
    uint64_t value;
    if (s->midi) {
        switch (time->wType) {
            case TIME_MS:
                value = s->framesPlayed * 1000 / l.m.rate;
                break;
            case TIME_TICKS:
                value = s->ticks;
                break;
            default:
                time->wType = TIME_BYTES;
                value = s->bytesPlayed;
                break;
        }
    } else {
        uint64_t frames = s->bytesPlayed / s->blockAlign;
        switch (time->wType) {
            case TIME_MS:
                value = frames * 1000 / s->rate;
                break;
            case TIME_SAMPLES:
                value = frames;
                break;
            default:
                time->wType = TIME_BYTES;
                value = s->bytesPlayed;
                break;
        }
    }
    time->value = (uint32_t)value;
    return MMSYSERR_NOERROR;
}

uint32_t waveOutSetVolume(WaveOutHandle handle, uint32_t volume) {
    Locked l;
    AudioStream* s = audioFindStream(handle);
    if (s == nullptr) return MMSYSERR_INVALHANDLE;
    s->volume = volume;
    return MMSYSERR_NOERROR;
}

uint32_t waveOutGetVolume(WaveOutHandle handle, uint32_t* volume) {
    Locked l;
    AudioStream* s = audioFindStream(handle);
    if (s == nullptr) return MMSYSERR_INVALHANDLE;
    if (volume == nullptr) return MMSYSERR_INVALPARAM;
    *volume = s->volume;
    return MMSYSERR_NOERROR;
}

uint32_t waveOutGetPlaybackRate(WaveOutHandle handle, uint32_t* rate) {
    Locked l;
    AudioStream* s = audioFindStream(handle);
    if (s == nullptr) return MMSYSERR_INVALHANDLE;
    if (rate == nullptr) return MMSYSERR_INVALPARAM;
    *rate = s->playbackRate;
    return MMSYSERR_NOERROR;
}

uint32_t waveOutSetPlaybackRate(WaveOutHandle handle, uint32_t rate) {
    Locked l;
    AudioStream* s = audioFindStream(handle);
    if (s == nullptr) return MMSYSERR_INVALHANDLE;
    if (rate < 0x2000 || rate > 0x80000) return MMSYSERR_INVALPARAM;
    s->playbackRate = rate;
    updateStep(l.m, s);
    return MMSYSERR_NOERROR;
}
