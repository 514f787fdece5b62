// The mixer's cost per second of audio at 44100 Hz: eight PCM streams of mixed formats
// and rates (each a one-second buffer written again from its done callback, as the WAVE
// player loops), one MIDI synthesizer holding an eight-note chord, and both together.
// Rendered through the test tap in 1024-frame pulls, as the SDL callback asks for them.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/audio_support.h"

using namespace audiotest;

namespace {

bool g_looping;  // off while the rig resets its streams, so a reset buffer stays done

void loopProc(WaveOutHandle h, uint32_t msg, uint32_t, WaveHeader* hdr) {
    if (msg == MM_WOM_DONE && __atomic_load_n(&g_looping, __ATOMIC_ACQUIRE)) waveOutWrite(h, hdr, sizeof(WaveHeader));
}

struct Rig {
    std::vector<WaveOutHandle> handles;
    std::vector<std::unique_ptr<LowBuffer>> buffers;

    bool addPcm(uint32_t rate, uint16_t channels, uint16_t bits) {
        WaveFormat f = pcmFormat(rate, channels, bits);
        WaveOutHandle h = 0;
        if (waveOutOpen(&h, 0, &f, loopProc, 0, CALLBACK_FUNCTION) != MMSYSERR_NOERROR) return false;
        handles.push_back(h);
        auto b = std::make_unique<LowBuffer>(rate * f.nBlockAlign);
        for (uint32_t i = 0; i < b->length; i++) b->data[i] = (uint8_t)(i * 37);
        waveOutSetVolume(h, 0x60006000);
        waveOutPrepareHeader(h, b->header, sizeof(WaveHeader));
        waveOutWrite(h, b->header, sizeof(WaveHeader));
        buffers.push_back(std::move(b));
        return true;
    }
    bool addMidi() {
        WaveMidiFormat f = midiFormat(500000, 96);
        WaveOutHandle h = 0;
        if (waveOutOpen(&h, 0, &f.wfx, nullptr, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) return false;
        handles.push_back(h);
        auto b = std::make_unique<LowBuffer>(8 * 9);
        b->putMessage(0, 0, midiEvent(0xC0, 19, 0));  // church organ: holds its notes
        const uint32_t notes[] = {48, 52, 55, 60, 64, 67, 72, 76};
        for (int i = 0; i < 8; i++) b->putMessage((size_t)i + 1, 0, midiEvent(0x90, notes[i], 90));
        waveOutPrepareHeader(h, b->header, sizeof(WaveHeader));
        waveOutWrite(h, b->header, sizeof(WaveHeader));
        buffers.push_back(std::move(b));
        return true;
    }
    Rig() { __atomic_store_n(&g_looping, true, __ATOMIC_RELEASE); }
    ~Rig() {
        __atomic_store_n(&g_looping, false, __ATOMIC_RELEASE);
        for (WaveOutHandle h : handles) {
            waveOutReset(h);
            waveOutClose(h);
        }
    }
};

// range(0): 1 PCM streams, 2 the synthesizer, 3 both.
void BM_MixOneSecond(benchmark::State& state) {
    if (!audioTapEnable(44100)) {
        state.SkipWithError("the tap cannot be enabled");
        return;
    }
    {
        Rig rig;
        bool ok = true;
        if (state.range(0) & 1) {
            const struct {
                uint32_t rate;
                uint16_t channels, bits;
            } kinds[] = {{8000, 1, 8},   {11025, 1, 16}, {22050, 1, 8},  {22050, 2, 16},
                         {44100, 2, 16}, {44100, 1, 16}, {16000, 1, 16}, {48000, 2, 16}};
            for (const auto& k : kinds) ok = ok && rig.addPcm(k.rate, k.channels, k.bits);
        }
        if (state.range(0) & 2) ok = ok && rig.addMidi();
        if (!ok) {
            state.SkipWithError("a stream did not open");
        } else {
            std::vector<int16_t> out(2 * 1024);
            for (auto _ : state) {
                for (uint32_t done = 0; done < 44100; done += 1024) {
                    audioTapRender(out.data(), std::min<uint32_t>(1024, 44100 - done));
                }
                benchmark::DoNotOptimize(out.data());
            }
            state.counters["realtime_x"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
        }
    }
    audioTapDisable();
}
BENCHMARK(BM_MixOneSecond)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

}  // namespace
