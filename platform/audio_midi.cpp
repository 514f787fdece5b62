// The MIDI streams' synthesizers (FluidSynth, one per stream, loading the General MIDI
// soundfont; FluidSynth shares the sample data of one file between its synthesizers) and
// the log of the messages they were handed.
#include "platform/audio.h"
#include "platform/audio_internal.h"
#include "platform/mmtimer.h"

#include <fluidsynth.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>

#ifndef MOVANE_DEFAULT_SOUNDFONT
#define MOVANE_DEFAULT_SOUNDFONT "/usr/share/sounds/sf2/TimGM6mb.sf2"
#endif

struct AudioSynth {
    fluid_settings_t* settings;
    fluid_synth_t* synth;
};

namespace {

pthread_once_t g_quietOnce = PTHREAD_ONCE_INIT;

// FluidSynth's own messages would go to standard error; a failed load is reported by
// the result instead.
void quietFluid() {
    fluid_set_log_function(FLUID_ERR, nullptr, nullptr);
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
}

struct MidiLog {
    pthread_mutex_t lock;
    bool active;
    size_t capacity;
    size_t count;
    std::vector<AudioMidiLogEntry>* entries;
};
MidiLog g_log = {PTHREAD_MUTEX_INITIALIZER, false, 0, 0, nullptr};

void logEvent(WaveOutHandle stream, uint32_t event) {
    pthread_mutex_lock(&g_log.lock);
    if (g_log.active) {
        if (g_log.entries->size() < g_log.capacity) g_log.entries->push_back({timeGetTime(), stream, event});
        g_log.count++;
    }
    pthread_mutex_unlock(&g_log.lock);
}

}  // namespace

const char* audioSoundfontPath(void) {
    const char* path = getenv("MOVANE_SOUNDFONT");
    if (path == nullptr || path[0] == 0) path = MOVANE_DEFAULT_SOUNDFONT;
    return access(path, R_OK) == 0 ? path : nullptr;
}

AudioSynth* audioSynthCreate(uint32_t rate) {
    pthread_once(&g_quietOnce, quietFluid);
    const char* path = audioSoundfontPath();
    if (path == nullptr) return nullptr;
    fluid_settings_t* settings = new_fluid_settings();
    if (settings == nullptr) return nullptr;
    fluid_settings_setnum(settings, "synth.sample-rate", (double)rate);
    fluid_settings_setint(settings, "synth.reverb.active", 0);
    fluid_settings_setint(settings, "synth.chorus.active", 0);
    fluid_settings_setint(settings, "synth.threadsafe-api", 0);  // the mixer's lock serialises
    fluid_settings_setnum(settings, "synth.gain", 0.4);
    fluid_synth_t* synth = new_fluid_synth(settings);
    if (synth == nullptr || fluid_synth_sfload(synth, path, 1) == FLUID_FAILED) {
        if (synth != nullptr) delete_fluid_synth(synth);
        delete_fluid_settings(settings);
        return nullptr;
    }
    return new AudioSynth{settings, synth};
}

void audioSynthDestroy(AudioSynth* s) {
    delete_fluid_synth(s->synth);
    delete_fluid_settings(s->settings);
    delete s;
}

void audioSynthEvent(AudioSynth* s, WaveOutHandle stream, uint32_t event) {
    uint32_t status = event & 0xFF;
    if (status < 0x80) return;  // a stream message always carries its status
    int chan = (int)(status & 0x0F);
    int d1 = (int)((event >> 8) & 0x7F), d2 = (int)((event >> 16) & 0x7F);
    logEvent(stream, event);
    switch (status & 0xF0) {
        case 0x80:
            fluid_synth_noteoff(s->synth, chan, d1);
            break;
        case 0x90:
            fluid_synth_noteon(s->synth, chan, d1, d2);
            break;
        case 0xA0:
            fluid_synth_key_pressure(s->synth, chan, d1, d2);
            break;
        case 0xB0:
            fluid_synth_cc(s->synth, chan, d1, d2);
            break;
        case 0xC0:
            fluid_synth_program_change(s->synth, chan, d1);
            break;
        case 0xD0:
            fluid_synth_channel_pressure(s->synth, chan, d1);
            break;
        case 0xE0:
            fluid_synth_pitch_bend(s->synth, chan, d1 | d2 << 7);
            break;
        default:
            if (status == 0xFF) fluid_synth_system_reset(s->synth);
            break;
    }
}

void audioSynthSilence(AudioSynth* s) { fluid_synth_all_sounds_off(s->synth, -1); }

void audioSynthRender(AudioSynth* s, float* left, float* right, size_t frames) {
    if (frames > 0) fluid_synth_write_float(s->synth, (int)frames, left, 0, 1, right, 0, 1);
}

void audioMidiLogStart(size_t capacity) {
    pthread_mutex_lock(&g_log.lock);
    if (g_log.entries == nullptr) g_log.entries = new std::vector<AudioMidiLogEntry>();
    g_log.entries->clear();
    g_log.entries->reserve(std::min<size_t>(capacity, 1u << 16));
    g_log.capacity = capacity;
    g_log.count = 0;
    g_log.active = true;
    pthread_mutex_unlock(&g_log.lock);
}

void audioMidiLogStop(void) {
    pthread_mutex_lock(&g_log.lock);
    g_log.active = false;
    pthread_mutex_unlock(&g_log.lock);
}

size_t audioMidiLogRead(AudioMidiLogEntry* out, size_t max) {
    pthread_mutex_lock(&g_log.lock);
    size_t n = g_log.entries == nullptr ? 0 : std::min(max, g_log.entries->size());
    if (out != nullptr) std::copy(g_log.entries->begin(), g_log.entries->begin() + (ptrdiff_t)n, out);
    size_t count = g_log.count;
    pthread_mutex_unlock(&g_log.lock);
    return count;
}
