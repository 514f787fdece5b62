// The tone-sequence parser: header, validation, the events a sequence plays (tempo,
// resolution, volume, repeats, blocks), its duration and positioning.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "media/players/tone_sequence.h"
#include "media_fixtures.h"

using mt::Bytes;
using mt::tone;
using mt::ToneHeap;

namespace {

ToneSequence* create(const Bytes& b, int32_t unit = 2000) {
    return toneSeqCreate(b.data(), (int32_t)b.size(), unit, ToneHeap::allocate, ToneHeap::release);
}

// "note/duration/volume" for each event, or the failing result.
std::string events(ToneSequence* s) {
    std::ostringstream o;
    ToneEvent e;
    int32_t r;
    while ((r = toneSeqNextEvent(s, &e)) == 1) o << (int)e.note << "/" << e.duration << "/" << (int)e.volume << " ";
    if (r != 0) o << "error " << r;
    return o.str();
}

TEST(ToneSequence, HeaderCheck) {
    struct Case {
        const char* name;
        Bytes bytes;
        int32_t expected;
    };
    const Case cases[] = {
        {"version 1 with a note", tone({0x3C, 8}), 0},
        {"the two header bytes alone", tone({}), -1},
        {"three bytes", tone({0x3C}), -1},
        {"version 2", {0xFE, 0x02, 0x3C, 8}, -1},
        {"no version code", {0xFD, 0x01, 0x3C, 8}, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, toneSeqCheckHeader(c.bytes.data(), (int32_t)c.bytes.size())) << c.name;
    EXPECT_EQ(-1, toneSeqCheckHeader(nullptr, 4)) << "null data";
}

TEST(ToneSequence, EventsPlayedInOrder) {
    struct Case {
        const char* name;
        Bytes bytes;
        const char* expected;
    };
    // modifier 30 (120 bpm), resolution 64: a tick is 31250 us, 8 ticks 125 units of 2 ms
    const Case cases[] = {
        {"defaults", tone({0x3C, 8}), "60/125/100 "},
        {"tempo and resolution", tone({0xFD, 16, 0xFC, 32, 0x3C, 8}), "60/468/100 "},
        {"resolution only", tone({0xFC, 16, 0x3C, 1}), "60/62/100 "},
        {"volume applies to notes", tone({0xF8, 50, 0x3C, 8, 0x3E, 8}), "60/125/50 62/125/50 "},
        {"a silence carries volume 0", tone({0xF8, 50, 0xFF, 8}), "-1/125/0 "},
        {"repeat lengthens one event", tone({0xF7, 3, 0x3C, 8, 0x3E, 8}), "60/375/100 62/125/100 "},
        {"a block played twice", tone({0xFB, 0, 0x3C, 8, 0x3E, 8, 0xFA, 0, 0xF9, 0, 0x40, 8, 0xF9, 0}),
         "60/125/100 62/125/100 64/125/100 60/125/100 62/125/100 "},
        {"a block playing an earlier one",
         tone({0xFB, 0, 0x3C, 8, 0xFA, 0, 0xFB, 1, 0xF9, 0, 0x3E, 8, 0xFA, 1, 0xF9, 1, 0xF9, 1}),
         "60/125/100 62/125/100 60/125/100 62/125/100 "},
        {"an empty block", tone({0xFB, 5, 0xFA, 5, 0xF9, 5, 0x3C, 8}), "60/125/100 "},
        {"volume set inside a block stays", tone({0xFB, 0, 0xF8, 10, 0xFA, 0, 0xF9, 0, 0x3C, 8}), "60/125/10 "},
    };
    for (const Case& c : cases) {
        ToneSequence* s = create(c.bytes);
        ASSERT_NE(nullptr, s) << c.name;
        EXPECT_EQ(c.expected, events(s)) << c.name;
        toneSeqRewind(s);
        EXPECT_EQ(c.expected, events(s)) << c.name << ", after a rewind";
        toneSeqDestroy(s);
    }
    EXPECT_EQ(0, ToneHeap::live);
}

TEST(ToneSequence, InvalidContentIsRefused) {
    struct Case {
        const char* name;
        Bytes bytes;
        int32_t faultOffset;  // 0: refused before validation
    };
    const Case cases[] = {
        {"tempo below 5", tone({0xFD, 4, 0x3C, 8}), 2},
        {"tempo above 127", tone({0xFD, 128, 0x3C, 8}), 2},
        {"resolution 0", tone({0xFC, 0, 0x3C, 8}), 2},
        {"tempo after resolution", tone({0xFC, 32, 0xFD, 30, 0x3C, 8}), 4},
        {"no sequence proper", tone({0xFD, 30}), 4},
        {"blocks only", tone({0xFB, 0, 0x3C, 8, 0xFA, 0}), 8},
        {"a block that plays itself", tone({0xFB, 0, 0xF9, 0, 0xFA, 0, 0x3C, 8}), 4},
        {"a block defined twice", tone({0xFB, 0, 0x3C, 8, 0xFA, 0, 0xFB, 0, 0x3C, 8, 0xFA, 0, 0x3C, 8}), 8},
        {"playing a block defined later", tone({0xFB, 0, 0xF9, 1, 0xFA, 0, 0xFB, 1, 0x3C, 8, 0xFA, 1, 0x3C, 8}), 4},
        {"block end with another number", tone({0xFB, 0, 0x3C, 8, 0xFA, 1, 0x3C, 8}), 6},
        {"playing an undefined block", tone({0x3C, 8, 0xF9, 3}), 4},
        {"note of 0 ticks", tone({0x3C, 0}), 2},
        {"silence of 128 ticks", tone({0xFF, 128}), 2},
        {"volume 101", tone({0xF8, 101, 0x3C, 8}), 2},
        {"repeat 1", tone({0xF7, 1, 0x3C, 8}), 2},
        {"repeat before a volume", tone({0xF7, 2, 0xF8, 50, 0x3C, 8}), 2},
        {"repeat at the end", tone({0x3C, 8, 0xF7, 2}), 4},
        {"an odd byte at the end", tone({0x3C, 8, 0x3E}), 4},
        {"a version code in the sequence", tone({0x3C, 8, 0xFE, 1}), 4},
        {"block start without a number", tone({0xFB}), 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(nullptr, create(c.bytes)) << c.name;
        if (c.faultOffset > 0) {
            ToneSequence probe = {};
            probe.data = c.bytes.data();
            probe.length = (int32_t)c.bytes.size();
            probe.tempo = TONE_TEMPO_UNSET;
            probe.resolution = TONE_DEFAULT_RESOLUTION;
            probe.unit = 2000;
            probe.allocator = {ToneHeap::allocate, ToneHeap::release};
            EXPECT_EQ(c.faultOffset, toneSeqValidate(&probe)) << c.name;
            for (ToneBlock* b = probe.blocks; b;) {
                ToneBlock* next = b->next;
                ToneHeap::release(b, nullptr);
                b = next;
            }
        }
    }
    Bytes ok = tone({0x3C, 8});
    EXPECT_EQ(nullptr, create(ok, 0)) << "unit 0";
    EXPECT_EQ(nullptr, toneSeqCreate(ok.data(), 4, 2000, nullptr, ToneHeap::release)) << "no allocate function";
    EXPECT_EQ(0, ToneHeap::live) << "every refusal releases what it allocated";
    EXPECT_EQ(0, toneSeqLiveCount());
}

TEST(ToneSequence, DurationTempoAndTheirLimits) {
    Bytes mixed = tone({0x3C, 8, 0xFF, 8, 0xF7, 2, 0x3E, 4});
    ToneSequence* s = create(mixed);
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(3 * 250000, toneSeqGetDuration(s)) << "125 + 125 + 125 units of 2000 us";
    EXPECT_EQ(120, toneSeqGetTempo(s)) << "no TEMPO plays at modifier 30";
    toneSeqDestroy(s);
    Bytes slow = tone({0xFD, 16, 0x3C, 8});
    s = create(slow);
    EXPECT_EQ(64, toneSeqGetTempo(s));
    toneSeqDestroy(s);
    EXPECT_EQ(-1, toneSeqGetTempo(nullptr));
    EXPECT_EQ(-1, toneSeqGetDuration(nullptr));
    EXPECT_EQ(-1, toneSeqDestroy(nullptr));

    // modifier 5 and resolution 1: a tick is 12 s; 127 ticks are 1524 s, beyond 0x7FFFFFFF us
    // once doubled. The repeated one is 12 s x 127 x 127, which a 32-bit product wraps.
    struct Case {
        const char* name;
        Bytes bytes;
        bool accepted;
    };
    const Case cases[] = {
        {"one long note", tone({0xFD, 5, 0xFC, 1, 0x3C, 127}), true},
        {"two long notes", tone({0xFD, 5, 0xFC, 1, 0x3C, 127, 0x3C, 127}), false},
        {"a repeat beyond 32 bits", tone({0xFD, 5, 0xFC, 1, 0xF7, 127, 0x3C, 127}), false},
        {"a block played past the limit", tone({0xFD, 5, 0xFC, 1, 0xFB, 0, 0x3C, 127, 0xFA, 0, 0xF9, 0, 0xF9, 0}),
         false},
    };
    for (const Case& c : cases) {
        ToneSequence* t = create(c.bytes);
        EXPECT_EQ(c.accepted, t != nullptr) << c.name;
        if (t) {
            EXPECT_EQ(1524000000, toneSeqGetDuration(t)) << c.name;
            toneSeqDestroy(t);
        }
    }
    EXPECT_EQ(0, ToneHeap::live);
}

TEST(ToneSequence, Positioning) {
    // three notes of 125 units (250 ms each)
    Bytes three = tone({0x3C, 8, 0x3E, 8, 0x40, 8});
    ToneSequence* s = create(three);
    ASSERT_NE(nullptr, s);
    struct Case {
        const char* name;
        int32_t time;
        const char* expected;
    };
    const Case cases[] = {
        {"start", 0, "60/125/100 62/125/100 64/125/100 "},
        {"an event boundary", 250000, "62/125/100 64/125/100 "},
        {"inside a note rests the remainder", 300000, "-1/100/0 64/125/100 "},
        {"inside, not on a unit", 300999, "-1/100/0 64/125/100 "},
        {"the end", 750000, ""},
        {"past the end", 900000, ""},
        {"a negative time", -5, "60/125/100 62/125/100 64/125/100 "},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(0, toneSeqSetTime(s, c.time)) << c.name;
        EXPECT_EQ(c.expected, events(s)) << c.name;
    }
    // inside a block, which then still returns to the sequence
    Bytes block = tone({0xFB, 0, 0x3C, 8, 0x3E, 8, 0xFA, 0, 0xF9, 0, 0x40, 8});
    ToneSequence* b = create(block);
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(0, toneSeqSetTime(b, 260000));
    EXPECT_EQ("-1/120/0 64/125/100 ", events(b));
    toneSeqDestroy(b);
    toneSeqDestroy(s);
    EXPECT_EQ(0, ToneHeap::live);
}

TEST(ToneSequence, LiveSequencesAreListed) {
    Bytes b = tone({0x3C, 8});
    ToneSequence* a = create(b);
    ToneSequence* c = create(b);
    ToneSequence* d = create(b);
    EXPECT_EQ(3, toneSeqLiveCount());
    toneSeqDestroy(c);
    EXPECT_EQ(2, toneSeqLiveCount());
    EXPECT_EQ(d, a->next) << "the middle one unlinked";
    toneSeqDestroy(a);
    toneSeqDestroy(d);
    EXPECT_EQ(0, toneSeqLiveCount());
    EXPECT_EQ(0, ToneHeap::live);
}

}  // namespace
