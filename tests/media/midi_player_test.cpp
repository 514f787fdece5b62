// The MIDI player through its handler, heard through the mixer's test tap: the messages a
// Standard MIDI File hands the synthesizer and the played time at which each arrives
// (notes, a program change, a tempo change, a second loop that starts at the first
// tempo again), the volume on both channels, and a pause that holds the place.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <vector>

#include "media/players/midi_player.h"
#include "media_fixtures.h"
#include "platform/audio.h"
#include "platform/lowmem.h"
#include "platform/waveout.h"
#include "storage/qmmm.h"

using mt::Bytes;

namespace {

enum { RATE = 48000, FRAMES_PER_MS = RATE / 1000 };

// The storage arena the player allocates from, and the tap; the clock of the test is
// the number of frames rendered.
struct MidiTap {
    void* arena;
    uint32_t playedMs = 0;
    size_t seen = 0;
    MidiTap() {
        arena = lowAlloc(1 << 20);
        qmmm_init(arena, 1 << 20);
        EXPECT_TRUE(audioTapEnable(RATE));
        audioMidiLogStart(1024);
    }
    ~MidiTap() {
        audioMidiLogStop();
        audioTapDisable();
        qmmm_fini();
        lowFree(arena);
    }
    // Renders ms milliseconds one at a time; every message logged meanwhile is kept with
    // the millisecond after which it had arrived.
    struct Heard {
        uint32_t ms;
        AudioMidiLogEntry entry;
    };
    std::vector<Heard> heard;
    void play(uint32_t ms) {
        std::vector<int16_t> out(FRAMES_PER_MS * 2);
        std::vector<AudioMidiLogEntry> log(1024);
        for (uint32_t i = 0; i < ms; i++) {
            ASSERT_TRUE(audioTapRender(out.data(), FRAMES_PER_MS));
            playedMs++;
            size_t n = audioMidiLogRead(log.data(), log.size());
            for (; seen < n && seen < log.size(); seen++) heard.push_back({playedMs, log[seen]});
        }
    }
};

// Division 96, 500000 us per quarter at the first note (5.208 ms a tick): program 5 and
// C4 at 0, then at tick 96 (500 ms) C4 off, the tempo doubles (250000) and E4 sounds for
// 96 ticks more (250 ms).
Bytes twoNotesWithATempoChange() {
    mt::Smf smf;
    smf.format = 0;
    smf.division = 96;
    mt::Track t;
    t.tempo(0, 500000)
        .event(0, {0xC0, 5})
        .event(0, {0x90, 60, 100})
        .event(96, {0x80, 60, 0})
        .tempo(0, 250000)
        .event(0, {0x90, 64, 100})
        .event(96, {0x80, 64, 0})
        .end();
    smf.tracks.push_back(t);
    return smf.bytes();
}

const MediaHandler* midi() { return midiCtrl_getHandler(); }

int32_t loadedMidi(const Bytes& file) {
    const MediaHandler* h = midi();
    int32_t id = h->create.get()(h);
    EXPECT_GT(id, 0);
    EXPECT_EQ(0, h->set.get()(id, file.data(), (int32_t)file.size(), 0));
    EXPECT_EQ(0, h->load.get()(id, h));
    return id;
}

bool soundfontMissing() {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    return audioSoundfontPath() == nullptr;
}

}  // namespace

TEST(MidiPlayer, MessagesAndTimesOfTwoLoops) {
    if (soundfontMissing()) GTEST_SKIP() << "no General MIDI soundfont";
    MidiTap tap;
    const MediaHandler* h = midi();
    Bytes file = twoNotesWithATempoChange();
    int32_t id = loadedMidi(file);
    int32_t high = -1, low = -1;
    ASSERT_EQ(0, h->getDuration.get()(id, &high, &low));
    EXPECT_EQ(0, high);
    EXPECT_NEAR(750000.0, (double)low, 200.0) << "500 ms and 250 ms at the doubled tempo";
    ASSERT_EQ(0, h->start.get()(id, 2, h));
    tap.play(1600);
    EXPECT_EQ(MEDIA_STATE_LOADED, h->getState.get()(id, h)) << "both loops played to the end";

    struct Expected {
        uint32_t ms;
        uint32_t event;
    };
    // the second loop begins at the first tempo again: its note lasts 500 ms, not 250
    const Expected expected[] = {
        {0, 0x05C0},   {0, 0x643C90},   {500, 0x003C80},  {500, 0x644090},  {750, 0x004080},
        {750, 0x05C0}, {750, 0x643C90}, {1250, 0x003C80}, {1250, 0x644090}, {1500, 0x004080},
    };
    ASSERT_EQ(sizeof expected / sizeof expected[0], tap.heard.size());
    for (size_t i = 0; i < tap.heard.size(); i++) {
        EXPECT_EQ(expected[i].event, tap.heard[i].entry.event) << "message " << i;
        // a message is applied inside the mixer's chunk in which it falls due
        EXPECT_NEAR((double)expected[i].ms, (double)tap.heard[i].ms, 3.0) << "message " << i;
    }
    EXPECT_EQ(0, h->destroy.get()(id, nullptr, h));
}

TEST(MidiPlayer, VolumeReachesBothChannelsAtFullScale) {
    if (soundfontMissing()) GTEST_SKIP() << "no General MIDI soundfont";
    MidiTap tap;
    const MediaHandler* h = midi();
    const MediaVolumeControlTable* volume = h->volumeControl;
    ASSERT_NE(nullptr, volume);
    Bytes file = twoNotesWithATempoChange();
    int32_t id = h->create.get()(h);
    ASSERT_EQ(0, h->set.get()(id, file.data(), (int32_t)file.size(), 0));
    EXPECT_EQ(0, volume->setVolume.get()(id, 64, volume)) << "stored while no device is open";
    ASSERT_EQ(0, h->load.get()(id, h));
    ASSERT_EQ(0, h->start.get()(id, 1, h));
    tap.play(5);
    ASSERT_FALSE(tap.heard.empty());
    WaveOutHandle stream = tap.heard[0].entry.stream;

    struct Case {
        int32_t volume;
        uint32_t word;
    };
    const Case cases[] = {
        {64, 0x81018101u},  // the volume set before the load, applied at it
        {127, 0xFFFFFFFFu},
        {0, 0},
        {100, 0xC992C992u},
    };
    for (const Case& c : cases) {
        if (c.volume != 64) {
            EXPECT_EQ(0, volume->setVolume.get()(id, c.volume, volume)) << c.volume;
        }
        uint32_t word = 1;
        ASSERT_EQ(MMSYSERR_NOERROR, waveOutGetVolume(stream, &word));
        EXPECT_EQ(c.word, word) << "volume " << c.volume << ": left and right alike, 0xFFFF at 127";
        EXPECT_EQ(c.volume, volume->getVolume.get()(id, volume));
    }
    EXPECT_EQ(-1, volume->setVolume.get()(id, 128, volume));
    EXPECT_EQ(0, h->destroy.get()(id, nullptr, h));
}

TEST(MidiPlayer, PauseAndSuspendHoldThePlace) {
    if (soundfontMissing()) GTEST_SKIP() << "no General MIDI soundfont";
    MidiTap tap;
    const MediaHandler* h = midi();
    Bytes file = twoNotesWithATempoChange();
    int32_t id = loadedMidi(file);
    ASSERT_EQ(0, h->start.get()(id, 1, h));
    tap.play(200);
    // a paused player and a suspended one (which stays started) alike hear nothing more
    ASSERT_EQ(0, h->pause.get()(id, h));
    EXPECT_EQ(MEDIA_STATE_PAUSED, h->getState.get()(id, h));
    tap.play(1000);
    EXPECT_EQ(2u, tap.heard.size()) << "only the first notes before the pause";
    ASSERT_EQ(0, h->restart.get()(id, h));
    ASSERT_EQ(0, h->suspend.get()(id, nullptr, h));
    EXPECT_EQ(MEDIA_STATE_STARTED, h->getState.get()(id, h));
    tap.play(1000);
    EXPECT_EQ(2u, tap.heard.size()) << "nothing while suspended";
    ASSERT_EQ(0, h->resume.get()(id, nullptr, h));
    tap.play(700);
    ASSERT_EQ(5u, tap.heard.size());
    // 300 ms of the first note were left at the pause: it ends 300 ms after the resume
    EXPECT_NEAR(2200.0 + 300.0, (double)tap.heard[2].ms, 3.0);
    EXPECT_EQ(MEDIA_STATE_LOADED, h->getState.get()(id, h));
    // the end restarts from the beginning
    ASSERT_EQ(0, h->start.get()(id, 1, h));
    tap.play(10);
    ASSERT_EQ(7u, tap.heard.size());
    EXPECT_EQ(0x643C90u, tap.heard[6].entry.event);
    EXPECT_EQ(0, h->destroy.get()(id, nullptr, h));
}
