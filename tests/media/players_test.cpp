// The players through the handler records, heard through the mixer's test tap: exact
// WAVE samples (8 and 16 bits, mono and stereo, three rates), loops, the stop time and
// the volume; the tone player's notes, pitch and timing from the MIDI log; several
// players mixed.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "media/amrcontrol.h"
#include "media/players/midi_out.h"
#include "media/players/tone_player.h"
#include "media/players/wave_player.h"
#include "media_fixtures.h"
#include "platform/audio.h"
#include "platform/lowmem.h"
#include "storage/qmmm.h"
#include "support/lowmem_fixture.h"

using mt::Bytes;

namespace {

// The storage arena the players allocate from, and the tap at a rate.
struct Tap {
    void* arena;
    explicit Tap(uint32_t rate) {
        arena = lowAlloc(1 << 20);
        qmmm_init(arena, 1 << 20);
        EXPECT_TRUE(audioTapEnable(rate));
    }
    ~Tap() {
        audioTapDisable();
        qmmm_fini();
        lowFree(arena);
    }
    std::vector<int16_t> render(size_t frames) {
        std::vector<int16_t> out(frames * 2);
        EXPECT_TRUE(audioTapRender(out.data(), frames));
        return out;
    }
};

int16_t scaled(int32_t sample, uint32_t word) {
    int64_t gain = (int64_t)word + (word >> 15);
    return (int16_t)((sample * gain) >> 16);
}

const MediaHandler* wave() { return waveCtrl_getHandler(); }

// A player made, set and loaded on the bytes; its id.
// Content lies in the Java heap, in the low window: the wave-out header keeps its address
// in a word.
int32_t loadedWave(const LowBlock& file) {
    const MediaHandler* h = wave();
    int32_t id = h->create.get()(h);
    EXPECT_GT(id, 0);
    EXPECT_EQ(0, h->set.get()(id, file.data(), file.size(), 0));
    EXPECT_EQ(0, h->load.get()(id, h));
    EXPECT_EQ(MEDIA_STATE_LOADED, h->getState.get()(id, h));
    return id;
}

TEST(WavePlayer, ExactSamplesThroughTheTap) {
    struct Case {
        const char* name;
        int channels;
        uint32_t rate;
        int bits;
        std::vector<int> samples;  // as stored
    };
    const Case cases[] = {
        {"8-bit mono at 8000", 1, 8000, 8, {128, 255, 0, 64, 192, 130}},
        {"16-bit mono at 11025", 1, 11025, 16, {0, 32767, 0x8000, 1000, 0xFC18, 7}},
        {"8-bit stereo at 22050", 2, 22050, 8, {128, 0, 255, 128, 10, 250}},
        {"16-bit stereo at 8000", 2, 8000, 16, {100, 0xFF9C, 20000, 0xB1E0, 3, 4}},
    };
    for (const Case& c : cases) {
        Tap tap(c.rate);
        LowBlock file(mt::wave(c.channels, c.rate, c.bits, c.samples));
        int32_t id = loadedWave(file);
        const MediaHandler* h = wave();
        const MediaVolumeControlTable* v = h->volumeControl;
        ASSERT_EQ(0, v->setVolume.get()(id, 127, v));
        ASSERT_EQ(0, h->start.get()(id, 1, h));
        size_t frames = c.samples.size() / c.channels;
        std::vector<int16_t> out = tap.render(frames + 4);
        for (size_t i = 0; i < frames; i++) {
            for (int ch = 0; ch < 2; ch++) {
                int s = c.samples[i * c.channels + (c.channels == 2 ? ch : 0)];
                int32_t pcm = c.bits == 8 ? (s - 128) * 256 : (int16_t)(uint16_t)s;
                EXPECT_EQ(scaled(pcm, 127 * 0x200), out[2 * i + ch]) << c.name << " frame " << i << " channel " << ch;
            }
        }
        for (size_t i = frames; i < frames + 4; i++) EXPECT_EQ(0, out[2 * i]) << c.name << ": silence after the end";
        EXPECT_EQ(MEDIA_STATE_LOADED, h->getState.get()(id, h)) << c.name << ": end of media";
        EXPECT_EQ(0, h->destroy.get()(id, nullptr, h));
    }
}

TEST(WavePlayer, LoopsStopTimeAndVolume) {
    Tap tap(8000);
    const MediaHandler* h = wave();
    // one second of a ramp
    std::vector<int> ramp(8000);
    for (size_t i = 0; i < ramp.size(); i++) ramp[i] = (int)(i % 200) * 100;
    LowBlock file(mt::wave(1, 8000, 16, ramp));
    int32_t id = loadedWave(file);
    int32_t high = -2, low = -2;
    ASSERT_EQ(0, h->getDuration.get()(id, &high, &low));
    EXPECT_EQ(0, high);
    EXPECT_EQ(1000000, low);

    // three loops: the ramp three times, then silence. Each render ends with the done
    // callbacks owed, which write the next loop's buffer.
    ASSERT_EQ(0, h->start.get()(id, 3, h));
    uint32_t word = 100 * 0x200;
    for (int loop = 0; loop < 3; loop++) {
        std::vector<int16_t> out = tap.render(8000);
        for (size_t i = 0; i < 8000; i += 997)
            EXPECT_EQ(scaled(ramp[i], word), out[2 * i]) << "loop " << loop << " frame " << i;
        EXPECT_EQ(loop < 2 ? MEDIA_STATE_STARTED : MEDIA_STATE_LOADED, h->getState.get()(id, h)) << "loop " << loop;
    }
    EXPECT_EQ(0, tap.render(100)[100]) << "silence after the last loop";

    // a stop time inside the sound: the buffer plays to its end, then the player pauses
    const MediaStopTimeControl* stop = mediaStopTimeControl(h);
    ASSERT_NE(nullptr, stop);
    ASSERT_EQ(0, stop->set.get()(id, 0, 500000));
    ASSERT_EQ(0, h->start.get()(id, -1, h));
    tap.render(8000);
    EXPECT_EQ(MEDIA_STATE_PAUSED, h->getState.get()(id, h)) << "paused at the stop time";
    ASSERT_EQ(0, stop->get.get()(id, &high, &low));
    EXPECT_EQ((int32_t)MEDIA_NO_STOP_HIGH, high) << "the stop time is reset";
    ASSERT_EQ(0, h->restart.get()(id, h)) << "restart plays the next loop";
    EXPECT_EQ(MEDIA_STATE_STARTED, h->getState.get()(id, h));
    ASSERT_EQ(0, h->stop.get()(id, h));
    EXPECT_EQ(MEDIA_STATE_LOADED, h->getState.get()(id, h));

    // positions in whole seconds; the time reads back as set until the next start
    ASSERT_EQ(0, h->setTime.get()(id, 0, 1500000));
    ASSERT_EQ(0, h->getTime.get()(id, &high, &low));
    EXPECT_EQ(1500000, low);
    EXPECT_EQ(0, h->destroy.get()(id, nullptr, h));
}

TEST(WavePlayer, ControlsAndRefusals) {
    Tap tap(8000);
    const MediaHandler* h = wave();
    LowBlock file(mt::wave(1, 8000, 8, std::vector<int>(800, 128)));
    int32_t id = loadedWave(file);
    const MediaValueControl* speed = mediaValueControl(h, MEDIA_EXTRA_RATE);
    ASSERT_NE(nullptr, speed);
    struct Case {
        int32_t speed;
        int32_t result;
    };
    for (Case c : {Case{100000, 0}, Case{150000, 0}, Case{49999, -1}, Case{200001, -1}, Case{50000, 0}})
        EXPECT_EQ(c.result, speed->set.get()(id, c.speed)) << c.speed;
    EXPECT_EQ(50000, speed->get.get()(id));
    const MediaVolumeControlTable* v = h->volumeControl;
    EXPECT_EQ(-1, v->setVolume.get()(id, 128, v));
    EXPECT_EQ(0, h->getState.get()(999, h)) << "an unknown id has state 0";
    // ids are reused: with 1 and 3 alive the next is 2
    int32_t second = h->create.get()(h), third = h->create.get()(h);
    EXPECT_EQ(0, h->destroy.get()(second, nullptr, h));
    EXPECT_EQ(second, h->create.get()(h));
    h->destroy.get()(second, nullptr, h);
    h->destroy.get()(third, nullptr, h);
    // content the device cannot play, or that is not WAVE, fails to load
    Bytes mu = mt::riff({{"fmt ", mt::fmtBody(7, 1, 8000, 8)}, {"data", Bytes(8)}});
    EXPECT_EQ(0, h->set.get()(id, mu.data(), (int32_t)mu.size(), 0));
    EXPECT_EQ(-1, h->load.get()(id, h));
    EXPECT_EQ(0, h->destroy.get()(id, nullptr, h));
}

TEST(WavePlayer, SeveralPlayersMix) {
    Tap tap(8000);
    const MediaHandler* h = wave();
    LowBlock a(mt::wave(1, 8000, 16, std::vector<int>(100, 1000)));
    LowBlock b(mt::wave(1, 8000, 16, std::vector<int>(50, 3000)));
    int32_t x = loadedWave(a), y = loadedWave(b);
    ASSERT_EQ(0, h->start.get()(x, 1, h));
    ASSERT_EQ(0, h->start.get()(y, 1, h));
    std::vector<int16_t> out = tap.render(120);
    uint32_t word = 100 * 0x200;
    EXPECT_EQ(scaled(1000, word) + scaled(3000, word), out[2 * 10]);
    EXPECT_EQ(scaled(1000, word), out[2 * 70]) << "the shorter one has ended";
    EXPECT_EQ(0, out[2 * 110]);
    h->destroy.get()(x, nullptr, h);
    h->destroy.get()(y, nullptr, h);
}

// The tone player's messages in the MIDI log.
std::vector<AudioMidiLogEntry> waitForMessages(size_t count, int seconds = 5) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    std::vector<AudioMidiLogEntry> log(4096);
    size_t n = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        n = std::min(audioMidiLogRead(log.data(), log.size()), log.size());
        if (n >= count) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    log.resize(n);
    return log;
}

TEST(TonePlayer, NotesPitchAndTimingFromTheMidiLog) {
    if (audioSoundfontPath() == nullptr) GTEST_SKIP() << "no General MIDI soundfont";
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    void* arena = lowAlloc(1 << 20);
    qmmm_init(arena, 1 << 20);
    midiPlaybackInit();
    audioMidiLogStart(4096);
    const MediaHandler* h = toneCtrl_getHandler();
    // two notes of 125 units (250 ms), pitch +12000 (bend 16383)
    Bytes seq = mt::tone({0x3C, 8, 0x40, 8});
    int32_t id = h->create.get()(h);
    ASSERT_EQ(0, h->set.get()(id, seq.data(), (int32_t)seq.size(), 0));
    const MediaValueControl* pitch = mediaValueControl(h, MEDIA_EXTRA_PITCH);
    ASSERT_EQ(0, pitch->set.get()(id, 12000));
    ASSERT_EQ(0, h->load.get()(id, h));
    // the port opens on the play thread: wait for it before the timed part
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (midiCommPortState().handle == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_NE(0u, midiCommPortState().handle);
    ASSERT_EQ(0, h->start.get()(id, 1, h));
    while (h->getState.get()(id, h) == MEDIA_STATE_STARTED &&
           std::chrono::steady_clock::now() < deadline + std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(MEDIA_STATE_LOADED, h->getState.get()(id, h)) << "end of media";
    std::vector<AudioMidiLogEntry> log = waitForMessages(1);
    std::vector<AudioMidiLogEntry> ons, bends;
    for (const AudioMidiLogEntry& e : log) {
        if ((e.event & 0xF0) == 0x90 && (e.event >> 16 & 0x7F) == 127) ons.push_back(e);
        if ((e.event & 0xF0) == 0xE0) bends.push_back(e);
    }
    ASSERT_EQ(2u, ons.size());
    EXPECT_EQ(60u, ons[0].event >> 8 & 0x7F);
    EXPECT_EQ(64u, ons[1].event >> 8 & 0x7F);
    uint32_t gap = ons[1].time - ons[0].time;
    // 126 ticks of 2 ms; the log stamps a message when the mixer applies it, in its own
    // chunks of a few milliseconds, so either end may move by one chunk
    EXPECT_GE(gap, 230u) << "250 ms between the notes";
    EXPECT_LE(gap, 290u);
    ASSERT_FALSE(bends.empty());
    EXPECT_EQ(0x7F7FE0u, bends[0].event & 0xFFFFF0) << "pitch 12000 bends to 16383";
    EXPECT_EQ(0, h->destroy.get()(id, nullptr, h));
    audioMidiLogStop();
    midiPlaybackDestroy();
    qmmm_fini();
    lowFree(arena);
}

TEST(TonePlayer, ChannelsLinksAndIds) {
    void* arena = lowAlloc(1 << 20);
    qmmm_init(arena, 1 << 20);
    const MediaHandler* h = toneCtrl_getHandler();
    Bytes seq = mt::tone({0x3C, 8});
    std::vector<int32_t> ids;
    for (int i = 0; i < 5; i++) {
        ids.push_back(h->create.get()(h));
        ASSERT_EQ(0, h->set.get()(ids.back(), seq.data(), (int32_t)seq.size(), 0));
    }
    for (int i = 0; i < 4; i++) EXPECT_EQ(0, h->load.get()(ids[i], h)) << i;
    EXPECT_EQ(-1, h->load.get()(ids[4], h)) << "four channels only";
    EXPECT_EQ(0, h->unload.get()(ids[0], h));
    EXPECT_EQ(0, h->load.get()(ids[4], h)) << "an unloaded channel is free again";
    const MediaStreamControlTable* links = mediaStreamTable(h);
    ASSERT_NE(nullptr, links);
    EXPECT_EQ(0, links->link.get()(ids[2], ids[1]));
    EXPECT_EQ(-1, links->link.get()(ids[1], ids[1]));
    EXPECT_EQ(ids[1], links->getMaster.get()(ids[2]));
    EXPECT_EQ(-1, h->start.get()(ids[2], 1, h)) << "a linked player is started through its master";
    EXPECT_EQ(MEDIA_STATE_LOADED, h->getState.get()(ids[2], h));
    for (int32_t id : ids) EXPECT_EQ(0, h->destroy.get()(id, nullptr, h));
    EXPECT_EQ(-1, h->getState.get()(ids[0], h));
    qmmm_fini();
    lowFree(arena);
}

TEST(AmrHandler, DetectsAndRefusesToPlay) {
    const MediaHandler* h = amrCtrl_getHandler();
    const uint16_t* text = nullptr;
    ASSERT_EQ(9, h->getMimeType.get()(&text, h));
    EXPECT_EQ(std::u16string(u"audio/amr"), std::u16string((const char16_t*)text, 9));
    uint8_t any[4] = {1, 2, 3, 4};
    EXPECT_EQ(1, h->isSupported.get()(any, 4, h));
    int32_t id = h->create.get()(h);
    Bytes seq = mt::tone({0x3C, 8});
    EXPECT_EQ(-1, h->set.get()(id, seq.data(), (int32_t)seq.size(), 0)) << "no decoder: content is refused";
    EXPECT_EQ(MEDIA_STATE_EMPTY, h->getState.get()(id, h));
    int32_t high = 0, low = 0;
    int32_t fresh = h->create.get()(h);
    EXPECT_EQ(0, h->getDuration.get()(fresh, &high, &low));
    EXPECT_EQ(-1, high);
    EXPECT_EQ(-1, low);
    int32_t check = h->checkOpen.get()(any, 4, h);
    EXPECT_EQ(0, h->check.get()(check, nullptr, h)) << "checked without parsing";
    EXPECT_EQ(0, h->destroy.get()(id, nullptr, h));
    EXPECT_EQ(0, h->destroy.get()(fresh, nullptr, h));
    EXPECT_EQ(0, h->destroy.get()(check - MKMEDIA_CHECK_ID_BASE, nullptr, h));
}

}  // namespace
