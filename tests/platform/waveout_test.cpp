#include "platform/waveout.h"

#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>
#include <time.h>

#include <string>
#include <vector>

#include "platform/audio.h"
#include "platform/audio_support.h"
#include "platform/mmtimer.h"

using namespace audiotest;

namespace {

// The instance word of a stream is an index here: a callback finds its recorder by it.
Recorder g_rec[4];

void record(WaveOutHandle h, uint32_t msg, uint32_t instance, WaveHeader* hdr) { g_rec[instance].add(h, msg, hdr); }

// Every test pulls the mix through the tap at its own rate; streams are closed after it.
class WaveOutTap : public ::testing::Test {
protected:
    std::vector<WaveOutHandle> open_;

    void SetUp() override {
        for (Recorder& r : g_rec) r.calls.clear();
        ASSERT_TRUE(audioTapEnable(44100));
    }
    void TearDown() override {
        for (WaveOutHandle h : open_) {
            waveOutReset(h);
            waveOutClose(h);
        }
        EXPECT_TRUE(audioTapDisable()) << "a stream was left open";
    }
    WaveOutHandle open(const WaveFormat* f, uint32_t instance = 0) {
        WaveOutHandle h = 0;
        EXPECT_EQ(MMSYSERR_NOERROR, waveOutOpen(&h, WAVE_MAPPER, f, record, instance, CALLBACK_FUNCTION));
        if (h != 0) open_.push_back(h);
        return h;
    }
    void closeTracked(WaveOutHandle h) {
        ASSERT_EQ(MMSYSERR_NOERROR, waveOutClose(h));
        open_.erase(std::find(open_.begin(), open_.end(), h));
    }
    static void play(WaveOutHandle h, LowBuffer& b) {
        ASSERT_EQ(MMSYSERR_NOERROR, waveOutPrepareHeader(h, b.header, sizeof(WaveHeader)));
        ASSERT_EQ(MMSYSERR_NOERROR, waveOutWrite(h, b.header, sizeof(WaveHeader)));
    }
    static std::vector<int16_t> render(size_t frames) {
        std::vector<int16_t> out(frames * 2, 0x5555);
        EXPECT_TRUE(audioTapRender(out.data(), frames));
        return out;
    }
    static uint32_t position(WaveOutHandle h, uint32_t unit, uint32_t* answered = nullptr) {
        WaveTime t = {unit, 0xDEAD};
        EXPECT_EQ(MMSYSERR_NOERROR, waveOutGetPosition(h, &t, sizeof t));
        if (answered != nullptr) *answered = t.wType;
        return t.value;
    }
};

// What a source sample becomes at a channel volume word: the scaling the mixer promises.
int32_t scaled(int32_t sample, uint32_t word) { return (int32_t)(((int64_t)sample * (word + (word >> 15))) >> 16); }

double rms(const std::vector<int16_t>& s, size_t from = 0) {
    double sum = 0;
    for (size_t i = from; i < s.size(); i++) sum += (double)s[i] * s[i];
    return s.size() > from ? sqrt(sum / (double)(s.size() - from)) : 0;
}

TEST_F(WaveOutTap, RefusesBadFormatsFlagsAndDevices) {
    WaveFormat good = pcmFormat(22050, 1, 16);
    WaveFormat tag = good;
    tag.wFormatTag = 2;
    WaveFormat channels = pcmFormat(22050, 3, 16);
    WaveFormat bits = pcmFormat(22050, 1, 12);
    WaveFormat slow = pcmFormat(500, 1, 8);
    WaveFormat fast = pcmFormat(200000, 1, 8);
    WaveFormat align = good;
    align.nBlockAlign = 4;
    WaveMidiFormat noExtra = midiFormat(500000, 96);
    noExtra.wfx.cbSize = 0;
    WaveMidiFormat noTicks = midiFormat(500000, 0);
    WaveMidiFormat noTempo = midiFormat(0, 96);
    const struct {
        const char* name;
        uint32_t device;
        const WaveFormat* format;
        WaveOutProc callback;
        uint32_t flags;
        uint32_t result;
    } cases[] = {
        {"format tag 2", 0, &tag, record, CALLBACK_FUNCTION, WAVERR_BADFORMAT},
        {"three channels", 0, &channels, record, CALLBACK_FUNCTION, WAVERR_BADFORMAT},
        {"12 bits", 0, &bits, record, CALLBACK_FUNCTION, WAVERR_BADFORMAT},
        {"500 Hz", 0, &slow, record, CALLBACK_FUNCTION, WAVERR_BADFORMAT},
        {"200 kHz", 0, &fast, record, CALLBACK_FUNCTION, WAVERR_BADFORMAT},
        {"block align 4 for mono 16", 0, &align, record, CALLBACK_FUNCTION, WAVERR_BADFORMAT},
        {"MIDI without extra bytes", 0, &noExtra.wfx, record, CALLBACK_FUNCTION, WAVERR_BADFORMAT},
        {"MIDI with 0 ticks", 0, &noTicks.wfx, record, CALLBACK_FUNCTION, WAVERR_BADFORMAT},
        {"MIDI with 0 tempo", 0, &noTempo.wfx, record, CALLBACK_FUNCTION, WAVERR_BADFORMAT},
        {"device 1", 1, &good, record, CALLBACK_FUNCTION, MMSYSERR_BADDEVICEID},
        {"device 0xFFFF", 0xFFFF, &good, record, CALLBACK_FUNCTION, MMSYSERR_BADDEVICEID},
        {"window callback kind", 0, &good, record, 0x10000, MMSYSERR_INVALFLAG},
        {"unknown flag bit", 0, &good, record, CALLBACK_FUNCTION | 0x8, MMSYSERR_INVALFLAG},
        {"no format", 0, nullptr, record, CALLBACK_FUNCTION, MMSYSERR_INVALPARAM},
        {"function callback missing", 0, &good, nullptr, CALLBACK_FUNCTION, MMSYSERR_INVALPARAM},
    };
    for (const auto& c : cases) {
        WaveOutHandle h = 0x1234;
        EXPECT_EQ(c.result, waveOutOpen(&h, c.device, c.format, c.callback, 0, c.flags)) << c.name;
        EXPECT_EQ(0u, h) << c.name << ": no handle on failure";
    }
    EXPECT_EQ(MMSYSERR_NOERROR, waveOutOpen(nullptr, WAVE_MAPPER, &good, nullptr, 0, WAVE_FORMAT_QUERY)) << "query";
    EXPECT_EQ(WAVERR_BADFORMAT, waveOutOpen(nullptr, WAVE_MAPPER, &tag, nullptr, 0, WAVE_FORMAT_QUERY)) << "query";
    EXPECT_EQ(0u, g_rec[0].calls.size()) << "no callback for a refused open";
}

TEST_F(WaveOutTap, MidiOpenWithoutSoundfontFails) {
    WaveMidiFormat f = midiFormat(500000, 96);
    setenv("MOVANE_SOUNDFONT", "/nonexistent/none.sf2", 1);
    WaveOutHandle h = 0x99;
    uint32_t rc = waveOutOpen(&h, WAVE_MAPPER, &f.wfx, record, 0, CALLBACK_FUNCTION);
    unsetenv("MOVANE_SOUNDFONT");
    EXPECT_EQ(MMSYSERR_NODRIVER, rc);
    EXPECT_EQ(0u, h);
    ASSERT_NE(nullptr, audioSoundfontPath()) << "the General MIDI soundfont is installed";
}

TEST_F(WaveOutTap, CapabilitiesAndDevices) {
    EXPECT_EQ(1u, waveOutGetNumDevs());
    WaveOutCaps caps;
    memset(&caps, 0xAA, sizeof caps);
    ASSERT_EQ(MMSYSERR_NOERROR, waveOutGetDevCaps(WAVE_MAPPER, &caps, sizeof caps));
    EXPECT_EQ(2, caps.wChannels);
    EXPECT_TRUE(caps.dwSupport & WAVECAPS_LRVOLUME);
    EXPECT_TRUE(caps.dwSupport & WAVECAPS_PLAYBACKRATE);
    EXPECT_NE(0, caps.szPname[0]);
    EXPECT_EQ(MMSYSERR_BADDEVICEID, waveOutGetDevCaps(3, &caps, sizeof caps));
    EXPECT_EQ(MMSYSERR_INVALPARAM, waveOutGetDevCaps(0, nullptr, sizeof caps));
    // A shorter record gets only its own bytes.
    uint8_t small[8];
    memset(small, 0xAA, sizeof small);
    EXPECT_EQ(MMSYSERR_NOERROR, waveOutGetDevCaps(0, (WaveOutCaps*)small, 4));
    EXPECT_EQ(0xAA, small[4]);
}

TEST_F(WaveOutTap, RefusesBadHandles) {
    WaveFormat f = pcmFormat(44100, 1, 16);
    WaveOutHandle closed = 0;
    ASSERT_EQ(MMSYSERR_NOERROR, waveOutOpen(&closed, 0, &f, record, 0, CALLBACK_FUNCTION));
    ASSERT_EQ(MMSYSERR_NOERROR, waveOutClose(closed));
    LowBuffer b(64);
    WaveTime t = {TIME_MS, 0};
    uint32_t word = 0;
    const struct {
        const char* name;
        uint32_t (*call)(WaveOutHandle, WaveHeader*, WaveTime*, uint32_t*);
    } calls[] = {
        {"close", [](WaveOutHandle h, WaveHeader*, WaveTime*, uint32_t*) { return waveOutClose(h); }},
        {"prepare",
         [](WaveOutHandle h, WaveHeader* w, WaveTime*, uint32_t*) { return waveOutPrepareHeader(h, w, 32); }},
        {"unprepare",
         [](WaveOutHandle h, WaveHeader* w, WaveTime*, uint32_t*) { return waveOutUnprepareHeader(h, w, 32); }},
        {"write", [](WaveOutHandle h, WaveHeader* w, WaveTime*, uint32_t*) { return waveOutWrite(h, w, 32); }},
        {"pause", [](WaveOutHandle h, WaveHeader*, WaveTime*, uint32_t*) { return waveOutPause(h); }},
        {"restart", [](WaveOutHandle h, WaveHeader*, WaveTime*, uint32_t*) { return waveOutRestart(h); }},
        {"reset", [](WaveOutHandle h, WaveHeader*, WaveTime*, uint32_t*) { return waveOutReset(h); }},
        {"position", [](WaveOutHandle h, WaveHeader*, WaveTime* p, uint32_t*) { return waveOutGetPosition(h, p, 8); }},
        {"set volume", [](WaveOutHandle h, WaveHeader*, WaveTime*, uint32_t*) { return waveOutSetVolume(h, 0); }},
        {"get volume", [](WaveOutHandle h, WaveHeader*, WaveTime*, uint32_t* v) { return waveOutGetVolume(h, v); }},
        {"set rate",
         [](WaveOutHandle h, WaveHeader*, WaveTime*, uint32_t*) { return waveOutSetPlaybackRate(h, 0x10000); }},
        {"get rate", [](WaveOutHandle h, WaveHeader*, WaveTime*, uint32_t* v) { return waveOutGetPlaybackRate(h, v); }},
    };
    for (const auto& c : calls) {
        EXPECT_EQ(MMSYSERR_INVALHANDLE, c.call(0, b.header, &t, &word)) << c.name << " of handle 0";
        EXPECT_EQ(MMSYSERR_INVALHANDLE, c.call(closed, b.header, &t, &word)) << c.name << " of a closed handle";
        EXPECT_EQ(MMSYSERR_INVALHANDLE, c.call(closed + 1000, b.header, &t, &word)) << c.name << " of a made-up handle";
    }
    EXPECT_EQ(0u, b.flags()) << "a refused call leaves the header alone";
    // Only the open and close of the stream above reached the callback.
    auto seen = g_rec[0].snapshot();
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ(MM_WOM_OPEN, seen[0].message);
    EXPECT_EQ(MM_WOM_CLOSE, seen[1].message);
}

TEST_F(WaveOutTap, RefusesBadHeaderUse) {
    WaveFormat f = pcmFormat(44100, 1, 16);
    WaveOutHandle h = open(&f);
    LowBuffer b(400);
    EXPECT_EQ(WAVERR_UNPREPARED, waveOutWrite(h, b.header, sizeof(WaveHeader))) << "write before prepare";
    EXPECT_EQ(MMSYSERR_INVALPARAM, waveOutPrepareHeader(h, b.header, 16)) << "short header size";
    EXPECT_EQ(MMSYSERR_INVALPARAM, waveOutPrepareHeader(h, nullptr, 32)) << "no header";
    LowBuffer empty(4);
    empty.header->lpData = nullptr;
    EXPECT_EQ(MMSYSERR_INVALPARAM, waveOutPrepareHeader(h, empty.header, 32)) << "no data";
    play(h, b);
    EXPECT_EQ(WHDR_PREPARED | WHDR_INQUEUE, b.flags());
    EXPECT_EQ(WAVERR_STILLPLAYING, waveOutWrite(h, b.header, 32)) << "written twice";
    EXPECT_EQ(WAVERR_STILLPLAYING, waveOutUnprepareHeader(h, b.header, 32)) << "unprepare while queued";
    EXPECT_EQ(WAVERR_STILLPLAYING, waveOutClose(h)) << "close while queued";
    render(200);
    EXPECT_EQ(WHDR_PREPARED | WHDR_DONE, b.flags());
    EXPECT_EQ(MMSYSERR_NOERROR, waveOutUnprepareHeader(h, b.header, 32));
    EXPECT_EQ(WHDR_DONE, b.flags());
    EXPECT_EQ(MMSYSERR_NOERROR, waveOutUnprepareHeader(h, b.header, 32)) << "unprepared again: no-op";
}

// Each format at its own rate, one full buffer: 8-bit and 16-bit, mono and stereo, at
// full volume (the samples unchanged) and at a lowered, unbalanced volume.
TEST(WaveOutSamples, ExactAtEachRateFormatAndVolume) {
    const uint32_t rates[] = {8000, 11025, 22050, 44100};
    const struct {
        uint16_t channels;
        uint16_t bits;
    } kinds[] = {{1, 8}, {2, 8}, {1, 16}, {2, 16}};
    const uint32_t volumes[] = {0xFFFFFFFFu, 0x4000C000u, 0x0000FFFFu};
    const size_t frames = 300;
    for (uint32_t rate : rates) {
        ASSERT_TRUE(audioTapEnable(rate));
        for (const auto& k : kinds) {
            for (uint32_t volume : volumes) {
                std::string name = std::to_string(rate) + " Hz, " + std::to_string(k.channels) + " ch, " +
                                   std::to_string(k.bits) + " bit, volume " + std::to_string(volume);
                WaveFormat f = pcmFormat(rate, k.channels, k.bits);
                WaveOutHandle h = 0;
                ASSERT_EQ(MMSYSERR_NOERROR, waveOutOpen(&h, 0, &f, nullptr, 0, CALLBACK_NULL)) << name;
                ASSERT_EQ(MMSYSERR_NOERROR, waveOutSetVolume(h, volume)) << name;
                LowBuffer b(frames * f.nBlockAlign);
                std::vector<int32_t> left(frames), right(frames);
                for (size_t i = 0; i < frames; i++) {
                    // Extremes included: both ends of each sample range.
                    int32_t l = (int32_t)(i * 7919 % 65536) - 32768, r = (int32_t)(i * 104729 % 65536) - 32768;
                    if (i == 1) l = 32767, r = -32768;
                    if (k.bits == 8) {
                        l &= ~0xFF;
                        r &= ~0xFF;
                        b.data[i * k.channels] = (uint8_t)((l >> 8) + 128);
                        if (k.channels == 2) b.data[i * 2 + 1] = (uint8_t)((r >> 8) + 128);
                    } else {
                        b.put16(i * k.channels, (int16_t)l);
                        if (k.channels == 2) b.put16(i * 2 + 1, (int16_t)r);
                    }
                    left[i] = l;
                    right[i] = k.channels == 2 ? r : l;
                }
                ASSERT_EQ(MMSYSERR_NOERROR, waveOutPrepareHeader(h, b.header, 32));
                ASSERT_EQ(MMSYSERR_NOERROR, waveOutWrite(h, b.header, 32));
                std::vector<int16_t> out(2 * (frames + 10));
                ASSERT_TRUE(audioTapRender(out.data(), frames + 10));
                int bad = 0;
                for (size_t i = 0; i < frames && bad < 3; i++) {
                    int32_t el = scaled(left[i], volume & 0xFFFF), er = scaled(right[i], volume >> 16);
                    if (volume == 0xFFFFFFFFu) {
                        EXPECT_EQ(el, left[i]) << "full volume keeps the sample";
                    }
                    if (out[2 * i] != el || out[2 * i + 1] != er) {
                        ADD_FAILURE() << name << ": frame " << i << " is " << out[2 * i] << "," << out[2 * i + 1]
                                      << " not " << el << "," << er;
                        bad++;
                    }
                }
                for (size_t i = frames; i < frames + 10; i++) {
                    EXPECT_EQ(0, out[2 * i]) << name << ": silence after the buffer";
                }
                EXPECT_TRUE(b.flags() & WHDR_DONE) << name;
                ASSERT_EQ(MMSYSERR_NOERROR, waveOutClose(h)) << name;
            }
        }
    }
    EXPECT_TRUE(audioTapDisable());
}

// A rising ramp converted up by a whole factor lands on the straight line between the
// source samples; any rate keeps a constant level exactly and plays for its own duration.
TEST(WaveOutSamples, RateConversion) {
    ASSERT_TRUE(audioTapEnable(44100));
    const struct {
        uint32_t rate;
        uint32_t factor;  // 0: not a whole factor
    } cases[] = {{11025, 4}, {22050, 2}, {8000, 0}, {16000, 0}, {48000, 0}};
    for (const auto& c : cases) {
        std::string name = std::to_string(c.rate) + " Hz";
        WaveFormat f = pcmFormat(c.rate, 1, 16);
        WaveOutHandle h = 0;
        ASSERT_EQ(MMSYSERR_NOERROR, waveOutOpen(&h, 0, &f, record, 1, CALLBACK_FUNCTION)) << name;
        g_rec[1].calls.clear();
        const size_t n = 400;
        LowBuffer b(n * 2);
        for (size_t i = 0; i < n; i++) b.put16(i, c.factor != 0 ? (int16_t)(i * 64) : (int16_t)-1234);
        ASSERT_EQ(MMSYSERR_NOERROR, waveOutPrepareHeader(h, b.header, 32));
        ASSERT_EQ(MMSYSERR_NOERROR, waveOutWrite(h, b.header, 32));
        size_t expected = (size_t)((uint64_t)n * 44100 / c.rate);
        // Pull in small steps and note the frame at which the buffer completes.
        std::vector<int16_t> all;
        size_t doneAt = 0;
        for (size_t pulled = 0; pulled < expected + 50; pulled += 10) {
            std::vector<int16_t> out(20);
            ASSERT_TRUE(audioTapRender(out.data(), 10));
            all.insert(all.end(), out.begin(), out.end());
            if (doneAt == 0 && g_rec[1].count(MM_WOM_DONE) == 1) doneAt = pulled + 10;
        }
        EXPECT_NEAR((double)expected, (double)doneAt, 12.0) << name << ": played for its duration";
        size_t checked = (n - 1) * 44100 / c.rate;
        for (size_t i = 0; i < checked; i++) {
            int32_t want = c.factor != 0 ? (int32_t)(i * 64 / c.factor) : -1234;
            if (all[2 * i] != want || all[2 * i + 1] != want) {
                ADD_FAILURE() << name << ": frame " << i << " is " << all[2 * i] << " not " << want;
                break;
            }
        }
        ASSERT_EQ(MMSYSERR_NOERROR, waveOutClose(h)) << name;
    }
    EXPECT_TRUE(audioTapDisable());
}

TEST_F(WaveOutTap, TwoStreamsSumAndClip) {
    WaveFormat f = pcmFormat(44100, 1, 16);
    const struct {
        const char* name;
        int16_t a, b;
        int16_t sum;
    } cases[] = {
        {"plain sum", 1000, -3000, -2000},
        {"clipped high, not wrapped", 30000, 30000, 32767},
        {"clipped low, not wrapped", -30000, -30000, -32768},
        {"exactly at the top", 32767, 0, 32767},
    };
    WaveOutHandle h1 = open(&f), h2 = open(&f);
    for (const auto& c : cases) {
        LowBuffer b1(200), b2(200);
        for (size_t i = 0; i < 100; i++) {
            b1.put16(i, c.a);
            b2.put16(i, c.b);
        }
        play(h1, b1);
        play(h2, b2);
        std::vector<int16_t> out = render(100);
        for (size_t i = 0; i < 200; i++) {
            if (out[i] != c.sum) {
                ADD_FAILURE() << c.name << ": sample " << i << " is " << out[i];
                break;
            }
        }
    }
}

// Buffers finish in the order written, each once its last frame has played; the done
// callback sees the header done and no longer queued.
TEST_F(WaveOutTap, BuffersCompleteInOrder) {
    WaveFormat f = pcmFormat(44100, 2, 16);
    WaveOutHandle h = open(&f, 0);
    LowBuffer a(4 * 100), b(4 * 50), c(0), d(4 * 30);
    play(h, a);
    play(h, b);
    play(h, c);
    play(h, d);
    render(99);
    EXPECT_EQ(0u, g_rec[0].count(MM_WOM_DONE)) << "a frame of the first buffer is still to play";
    render(1);
    EXPECT_EQ(1u, g_rec[0].count(MM_WOM_DONE)) << "the first buffer's last frame played";
    render(50);
    EXPECT_EQ(3u, g_rec[0].count(MM_WOM_DONE)) << "the second, and the empty one behind it";
    render(40);
    auto calls = g_rec[0].snapshot();
    ASSERT_EQ(5u, calls.size());
    EXPECT_EQ(MM_WOM_OPEN, calls[0].message);
    EXPECT_EQ(nullptr, calls[0].header);
    WaveHeader* order[] = {a.header, b.header, c.header, d.header};
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(MM_WOM_DONE, calls[i + 1].message) << i;
        EXPECT_EQ(order[i], calls[i + 1].header) << "buffer " << i << " in order";
        EXPECT_EQ(h, calls[i + 1].handle);
        EXPECT_EQ(WHDR_DONE | WHDR_PREPARED, calls[i + 1].flags) << "flags seen by callback " << i;
    }
    EXPECT_EQ(4u * 180, position(h, TIME_BYTES));
    closeTracked(h);
    EXPECT_EQ(MM_WOM_CLOSE, g_rec[0].snapshot().back().message);
}

// A stream fed from its own done callback: each callback writes the next buffer, the last
// one closes the stream from inside the callback.
struct Chain {
    LowBuffer* buffers[2];
    int next;
    uint32_t closeResult;
    Recorder rec;
};
Chain* g_chain;

void chainProc(WaveOutHandle h, uint32_t msg, uint32_t, WaveHeader* hdr) {
    g_chain->rec.add(h, msg, hdr);
    if (msg != MM_WOM_DONE) return;
    if (g_chain->next < 2) {
        LowBuffer* b = g_chain->buffers[g_chain->next++];
        waveOutPrepareHeader(h, b->header, 32);
        waveOutWrite(h, b->header, 32);
    } else {
        g_chain->closeResult = waveOutClose(h);
    }
}

TEST_F(WaveOutTap, CallbackWritesNextBufferAndCloses) {
    WaveFormat f = pcmFormat(44100, 1, 16);
    LowBuffer b0(200), b1(200), b2(200);
    LowBuffer* all[] = {&b0, &b1, &b2};
    for (int k = 0; k < 3; k++) {
        for (size_t i = 0; i < 100; i++) all[k]->put16(i, (int16_t)(k * 1000 + (int)i));
    }
    Chain chain = {{&b1, &b2}, 0, 0xFFFF, {}};
    g_chain = &chain;
    WaveOutHandle h = 0;
    ASSERT_EQ(MMSYSERR_NOERROR, waveOutOpen(&h, 0, &f, chainProc, 0, CALLBACK_FUNCTION));
    play(h, b0);
    for (int k = 0; k < 3; k++) {
        std::vector<int16_t> out = render(100);
        for (size_t i = 0; i < 100; i++) {
            ASSERT_EQ(k * 1000 + (int)i, out[2 * i]) << "buffer " << k << " frame " << i << " follows without a gap";
        }
        // open, the done callbacks so far, and after the last one the close
        EXPECT_EQ(k < 2 ? 2u + (size_t)k : 5u, chain.rec.snapshot().size()) << "after buffer " << k;
    }
    g_chain = nullptr;
    EXPECT_EQ(MMSYSERR_NOERROR, chain.closeResult) << "closed from its own callback";
    auto calls = chain.rec.snapshot();
    ASSERT_EQ(5u, calls.size());
    EXPECT_EQ(MM_WOM_CLOSE, calls.back().message);
    EXPECT_EQ(MMSYSERR_INVALHANDLE, waveOutPause(h)) << "the handle is gone";
    std::vector<int16_t> out = render(10);
    EXPECT_EQ(0.0, rms(out));
}

TEST_F(WaveOutTap, PauseRestartResetAndPosition) {
    WaveFormat f = pcmFormat(22050, 1, 16);
    ASSERT_TRUE(audioTapDisable());
    ASSERT_TRUE(audioTapEnable(22050));
    WaveOutHandle h = open(&f, 0);
    LowBuffer b(2 * 1000);
    for (size_t i = 0; i < 1000; i++) b.put16(i, (int16_t)(i + 1));
    play(h, b);
    render(100);
    EXPECT_EQ(100u, position(h, TIME_SAMPLES));
    EXPECT_EQ(200u, position(h, TIME_BYTES));
    EXPECT_EQ(100u * 1000 / 22050, position(h, TIME_MS));
    uint32_t unit = 0;
    EXPECT_EQ(200u, position(h, TIME_TICKS, &unit)) << "unknown unit: bytes";
    EXPECT_EQ(TIME_BYTES, unit);

    ASSERT_EQ(MMSYSERR_NOERROR, waveOutPause(h));
    std::vector<int16_t> out = render(100);
    EXPECT_EQ(0.0, rms(out)) << "paused: silent";
    EXPECT_EQ(100u, position(h, TIME_SAMPLES)) << "paused: position held";
    ASSERT_EQ(MMSYSERR_NOERROR, waveOutRestart(h));
    out = render(50);
    EXPECT_EQ(101, out[0]) << "restart goes on where it paused";
    EXPECT_EQ(150, out[98]);
    EXPECT_EQ(150u, position(h, TIME_SAMPLES));

    // Reset while paused: the buffer comes back done before reset returns, the position is
    // 0, and the stream plays the next write at once (not still paused).
    ASSERT_EQ(MMSYSERR_NOERROR, waveOutPause(h));
    ASSERT_EQ(MMSYSERR_NOERROR, waveOutReset(h));
    EXPECT_EQ(1u, g_rec[0].count(MM_WOM_DONE));
    EXPECT_EQ(WHDR_DONE | WHDR_PREPARED, b.flags());
    EXPECT_EQ(0u, position(h, TIME_BYTES));
    out = render(10);
    EXPECT_EQ(0.0, rms(out));
    LowBuffer c(2 * 10);
    for (size_t i = 0; i < 10; i++) c.put16(i, (int16_t)(-7 - (int)i));
    play(h, c);
    out = render(10);
    EXPECT_EQ(-7, out[0]) << "the new buffer from its first frame";
    EXPECT_EQ(-16, out[18]);
    EXPECT_EQ(10u, position(h, TIME_SAMPLES));
}

TEST_F(WaveOutTap, VolumeAndPlaybackRate) {
    WaveFormat f = pcmFormat(22050, 1, 16);
    WaveOutHandle h = open(&f);
    uint32_t word = 0;
    ASSERT_EQ(MMSYSERR_NOERROR, waveOutGetVolume(h, &word));
    EXPECT_EQ(0xFFFFFFFFu, word) << "full volume at open";
    ASSERT_EQ(MMSYSERR_NOERROR, waveOutSetVolume(h, 0xFE00FE00u));
    ASSERT_EQ(MMSYSERR_NOERROR, waveOutGetVolume(h, &word));
    EXPECT_EQ(0xFE00FE00u, word);
    EXPECT_EQ(MMSYSERR_INVALPARAM, waveOutGetVolume(h, nullptr));
    ASSERT_EQ(MMSYSERR_NOERROR, waveOutSetVolume(h, 0xFFFFFFFFu));

    ASSERT_EQ(MMSYSERR_NOERROR, waveOutGetPlaybackRate(h, &word));
    EXPECT_EQ(0x10000u, word);
    const struct {
        uint32_t rate;
        uint32_t result;
    } rates[] = {
        {0x8000, 0}, {0x18000, 0}, {0x20000, 0}, {0x1FFF, MMSYSERR_INVALPARAM}, {0x80001, MMSYSERR_INVALPARAM}};
    for (const auto& r : rates) EXPECT_EQ(r.result, waveOutSetPlaybackRate(h, r.rate)) << std::hex << r.rate;
    ASSERT_EQ(MMSYSERR_NOERROR, waveOutGetPlaybackRate(h, &word));
    EXPECT_EQ(0x20000u, word) << "the last accepted rate";
    // 22050 Hz at twice the speed plays one source frame per 44100 Hz output frame.
    LowBuffer b(2 * 100);
    for (size_t i = 0; i < 100; i++) b.put16(i, (int16_t)(i * 3));
    play(h, b);
    std::vector<int16_t> out = render(100);
    for (size_t i = 0; i < 100; i++) ASSERT_EQ((int16_t)(i * 3), out[2 * i]) << i;
    EXPECT_EQ(1u, g_rec[0].count(MM_WOM_DONE)) << "done after half the time";
}

// Messages of a MIDI stream reach the synthesizer (the log shows them, in order, with
// the stream's handle) and it sounds; deltas wait their time in played frames.
TEST_F(WaveOutTap, MidiStreamPlaysAndLogs) {
    WaveMidiFormat f = midiFormat(100000, 100);  // one tick is 1 ms
    WaveOutHandle h = open(&f.wfx, 0);
    ASSERT_NE(0u, h);
    audioMidiLogStart(64);
    LowBuffer b(8 * 3);
    b.putMessage(0, 0, midiEvent(0xC0, 0, 0));    // piano
    b.putMessage(1, 0, midiEvent(0xB0, 7, 127));  // channel volume
    b.putMessage(2, 0, midiEvent(0x90, 60, 110));
    uint32_t before = timeGetTime();
    play(h, b);
    std::vector<int16_t> out = render(4410);
    uint32_t after = timeGetTime();
    AudioMidiLogEntry log[8];
    ASSERT_EQ(3u, audioMidiLogRead(log, 8));
    const uint32_t sent[] = {midiEvent(0xC0, 0, 0), midiEvent(0xB0, 7, 127), midiEvent(0x90, 60, 110)};
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(sent[i], log[i].event) << i;
        EXPECT_EQ(h, log[i].stream) << i;
        EXPECT_LE(before, log[i].time);
        EXPECT_GE(after, log[i].time);
    }
    EXPECT_EQ(1u, g_rec[0].count(MM_WOM_DONE)) << "delta-0 messages complete at once";
    EXPECT_GT(rms(out, 2000), 300.0) << "a note sounds";

    // A note off after 50 ticks: applied exactly when the 2205th frame (50 ms) is reached.
    LowBuffer d(8 * 2);
    d.putMessage(0, 0, midiEvent(0x90, 64, 100));
    d.putMessage(1, 50, midiEvent(0x80, 64, 0));
    play(h, d);
    render(2204);
    EXPECT_EQ(4u, audioMidiLogRead(nullptr, 0)) << "the second message waits its 50 ms";
    render(2);
    EXPECT_EQ(5u, audioMidiLogRead(nullptr, 0));
    EXPECT_EQ(2u, g_rec[0].count(MM_WOM_DONE));
    EXPECT_EQ(50u, position(h, TIME_TICKS));
    EXPECT_EQ(5u * 8, position(h, TIME_BYTES));

    // Reset silences the synthesizer at once.
    ASSERT_EQ(MMSYSERR_NOERROR, waveOutReset(h));
    out = render(512);
    EXPECT_LT(rms(out, 256), 20.0) << "reset: all sounds off";
    audioMidiLogStop();
}

// The shared MIDI output's way of sending: one message per buffer, each its own header,
// freed by the done callback.
TEST_F(WaveOutTap, MidiOneMessagePerBuffer) {
    WaveMidiFormat f = midiFormat(9600000, 96);
    WaveOutHandle h = open(&f.wfx, 2);
    audioMidiLogStart(16);
    LowBuffer m1(8), m2(8), m3(8);
    m1.putMessage(0, 0, midiEvent(0x99, 36, 120));
    m2.putMessage(0, 0, midiEvent(0x99, 42, 90));
    m3.putMessage(0, 0, midiEvent(0x89, 36, 0));
    play(h, m1);
    play(h, m2);
    play(h, m3);
    std::vector<int16_t> out = render(2048);
    EXPECT_EQ(3u, g_rec[2].count(MM_WOM_DONE));
    AudioMidiLogEntry log[4];
    ASSERT_EQ(3u, audioMidiLogRead(log, 4));
    EXPECT_EQ(midiEvent(0x99, 42, 90), log[1].event);
    EXPECT_GT(rms(out), 100.0) << "drums on channel 10 sound";
    audioMidiLogStop();
}

// MessageBeep: each alert type sounds, and each sounds different.
TEST_F(WaveOutTap, MessageBeepTypesSoundDistinct) {
    const uint32_t types[] = {BEEP_DEFAULT, BEEP_HAND, BEEP_QUESTION, BEEP_EXCLAMATION, BEEP_ASTERISK};
    struct Signature {
        size_t audible;    // frames with sound
        size_t crossings;  // zero crossings (pitch)
    };
    std::vector<Signature> sigs;
    for (uint32_t type : types) {
        ASSERT_EQ(1, MessageBeep(type)) << type;
        std::vector<int16_t> out = render(44100);
        Signature s = {0, 0};
        for (size_t i = 0; i + 1 < out.size() / 2; i++) {
            s.audible += out[2 * i] != 0;
            s.crossings += (out[2 * i] < 0) != (out[2 * i + 2] < 0) && out[2 * i] != 0;
            ASSERT_EQ(out[2 * i], out[2 * i + 1]) << "both sides alike";
        }
        EXPECT_GT(s.audible, 44100u / 20) << "type " << type << " plays at least 50 ms";
        EXPECT_LT(s.audible, 44100u) << "type " << type << " ends within a second";
        for (size_t k = 0; k < sigs.size(); k++) {
            bool same = sigs[k].audible / 441 == s.audible / 441 && sigs[k].crossings / 20 == s.crossings / 20;
            EXPECT_FALSE(same) << "type " << type << " sounds like type " << types[k];
        }
        sigs.push_back(s);
    }
    EXPECT_EQ(0, MessageBeep(0x50)) << "unknown type";
    EXPECT_EQ(0.0, rms(render(1000))) << "nothing plays for it";
    // A beep mixes with a stream.
    WaveFormat f = pcmFormat(44100, 1, 16);
    WaveOutHandle h = open(&f);
    LowBuffer b(2 * 100);
    for (size_t i = 0; i < 100; i++) b.put16(i, 20000);
    play(h, b);
    ASSERT_EQ(1, MessageBeep(BEEP_DEFAULT));
    std::vector<int16_t> out = render(100);
    bool differs = false;
    for (size_t i = 0; i < 100; i++) differs |= out[2 * i] != 20000;
    EXPECT_TRUE(differs) << "the beep is heard over the stream";
}

// Without the tap a device drives the mixer in real time: SDL's dummy driver, or our own
// clock when SDL opens no device. Buffers complete on their own within a deadline.
TEST(WaveOutDevice, PlaysInRealTimeHeadless) {
    const char* drivers[] = {"dummy", "no-such-driver"};
    for (const char* driver : drivers) {
        ASSERT_TRUE(audioTapDisable());
        setenv("SDL_AUDIODRIVER", driver, 1);
        g_rec[3].calls.clear();
        WaveFormat f = pcmFormat(22050, 1, 8);
        WaveOutHandle h = 0;
        ASSERT_EQ(MMSYSERR_NOERROR, waveOutOpen(&h, 0, &f, record, 3, CALLBACK_FUNCTION)) << driver;
        LowBuffer a(2205), b(2205);  // 100 ms each
        memset(a.data, 200, 2205);
        memset(b.data, 60, 2205);
        ASSERT_EQ(MMSYSERR_NOERROR, waveOutPrepareHeader(h, a.header, 32));
        ASSERT_EQ(MMSYSERR_NOERROR, waveOutPrepareHeader(h, b.header, 32));
        uint32_t t0 = timeGetTime();
        ASSERT_EQ(MMSYSERR_NOERROR, waveOutWrite(h, a.header, 32));
        ASSERT_EQ(MMSYSERR_NOERROR, waveOutWrite(h, b.header, 32));
        g_rec[3].waitFor(MM_WOM_DONE, 2, 5000);
        uint32_t took = timeGetTime() - t0;
        EXPECT_EQ(2u, g_rec[3].count(MM_WOM_DONE)) << driver << ": both buffers done within 5 s";
        EXPECT_GE(took, 150u) << driver << ": not faster than real time";
        EXPECT_EQ(MMSYSERR_NOERROR, waveOutReset(h));
        EXPECT_EQ(MMSYSERR_NOERROR, waveOutClose(h)) << driver;
        EXPECT_EQ(1, MessageBeep(BEEP_ASTERISK)) << driver;
    }
    unsetenv("SDL_AUDIODRIVER");
    EXPECT_TRUE(audioTapEnable(44100)) << "the device is closed again";
    EXPECT_TRUE(audioTapDisable());
}

}  // namespace
