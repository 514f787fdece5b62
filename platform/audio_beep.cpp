// The alert sounds: short tone patterns synthesized at the mixer's rate, one per alert
// type, so an error, a question, a warning and an information alert sound different.
#include "platform/audio.h"
#include "platform/audio_internal.h"

#include <math.h>

#include <algorithm>

namespace {

struct Tone {
    uint16_t hz;  // 0: a pause
    uint16_t ms;
    bool square;
    bool decay;  // a chime: fades over the whole tone
};

struct Pattern {
    uint32_t type;
    Tone tones[5];
};

// OK: one mid beep. Hand (error): a low buzz twice. Question: rising pair. Exclamation:
// three short high beeps. Asterisk (information): a falling chime.
const Pattern kPatterns[] = {
    {BEEP_DEFAULT, {{880, 150, false, false}}},
    {BEEP_HAND, {{220, 220, true, false}, {0, 60, false, false}, {220, 220, true, false}}},
    {BEEP_QUESTION, {{660, 120, false, false}, {880, 170, false, false}}},
    {BEEP_EXCLAMATION,
     {{1200, 70, false, false},
      {0, 50, false, false},
      {1200, 70, false, false},
      {0, 50, false, false},
      {1200, 70, false, false}}},
    {BEEP_ASTERISK, {{1320, 130, false, true}, {990, 260, false, true}}},
};

const float kAmplitude = 9000.0f;
const float kTwoPi = 6.28318530717958647692f;

void synthesize(const Pattern& p, uint32_t rate, std::vector<int16_t>& out) {
    const size_t ramp = rate / 200;  // 5 ms in and out, so no click
    for (const Tone& t : p.tones) {
        if (t.ms == 0) break;
        size_t n = (size_t)rate * t.ms / 1000;
        if (t.hz == 0) {
            out.insert(out.end(), n, 0);
            continue;
        }
        float amp = t.square ? kAmplitude * 0.6f : kAmplitude;
        for (size_t i = 0; i < n; i++) {
            float phase = (float)((uint64_t)i * t.hz % rate) / (float)rate;
            float v = t.square ? (phase < 0.5f ? 1.0f : -1.0f) : sinf(kTwoPi * phase);
            float env = 1.0f;
            if (i < ramp) env = (float)i / (float)ramp;
            if (n - i < ramp) env = std::min(env, (float)(n - i) / (float)ramp);
            if (t.decay) env *= expf(-3.0f * (float)i / (float)n);
            out.push_back((int16_t)lrintf(v * amp * env));
        }
    }
}

}  // namespace

int32_t MessageBeep(uint32_t type) {
    const Pattern* pattern = nullptr;
    for (const Pattern& p : kPatterns) {
        if (p.type == type) pattern = &p;
    }
    if (pattern == nullptr) return 0;
    audioEnsureDevice();
    std::vector<int16_t> samples;
    synthesize(*pattern, audioDeviceRate(), samples);
    AudioMixer& m = audioMixer();
    pthread_mutex_lock(&m.lock);
    m.beep.swap(samples);
    m.beepPos = 0;
    pthread_mutex_unlock(&m.lock);
    return 1;
}
