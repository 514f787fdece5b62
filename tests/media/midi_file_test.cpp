// The Standard MIDI File parser: header and chunk checks, the merged event list with its
// times under tempo changes, running status, the kinds of channel message, several
// tracks, and files whose sizes lie.
#include <gtest/gtest.h>

#include <string.h>

#include <sstream>
#include <string>

#include "media/players/midi_file.h"
#include "media_fixtures.h"

using mt::Bytes;
using mt::Smf;
using mt::Track;

namespace {

// "time:status,data1,data2" for each channel message and "time:tempo=N" for tempo events,
// walked as a caller does: from tick 0, each call at the previous tick plus the distance
// (plus 1 after "not due"). Ends with "end" or "error".
std::string walk(MidiFileParser* p) {
    std::ostringstream o;
    MidiFileEvent e;
    int32_t tick = 0;
    for (;;) {
        int32_t r = midiFileNextEvent(p, tick, &e);
        if (r == MIDI_FILE_ERROR) return o.str() + "error";
        bool ended = r == MIDI_FILE_END;
        if (r != MIDI_FILE_NOT_DUE) {
            if (e.status == MIDI_FILE_TEMPO_STATUS)
                o << p->elapsed << ":tempo=" << e.tempo << " ";
            else if (e.status < 0xF0)
                o << p->elapsed << ":" << std::hex << e.status << std::dec << "," << e.data1 << "," << e.data2 << " ";
        }
        if (ended) return o.str() + "end";
        tick += r == MIDI_FILE_NOT_DUE ? 1 : r;
    }
}

struct Parsed {
    MidiFileParser* p;
    Bytes bytes;
    explicit Parsed(Bytes b) : bytes(std::move(b)) { p = midiFileCreate(bytes.data(), (int32_t)bytes.size()); }
    ~Parsed() { midiFileFree(p); }
};

// Refused at creation, or by the duration scan that a player makes before it plays.
bool refused(MidiFileParser* p) { return p == nullptr || midiFileScanDuration(p) == 0; }

Smf oneTrack(Track t, uint32_t division = 480) {
    Smf f;
    f.division = division;
    f.tracks = {t};
    return f;
}

TEST(MidiFile, MergedEventsAndTimes) {
    struct Case {
        const char* name;
        Smf file;
        const char* expected;
    };
    Smf twoTracks;
    twoTracks.division = 100;
    twoTracks.tracks = {Track().event(0, {0x90, 60, 100}).event(100, {0x80, 60, 0}).end(),
                        Track().event(0, {0x91, 64, 100}).event(100, {0x81, 64, 0}).end()};
    Smf laterFirstTrack;
    laterFirstTrack.division = 100;
    laterFirstTrack.tracks = {Track().event(50, {0x90, 60, 100}).end(), Track().event(0, {0x91, 64, 100}).end()};
    Smf formatZeroClaimsThree = oneTrack(Track().event(0, {0x90, 60, 1}).end());
    formatZeroClaimsThree.format = 0;
    formatZeroClaimsThree.declaredTracks = 3;
    Smf smpte = oneTrack(Track().event(0, {0x90, 60, 1}).tempo(0, 250000).event(1000, {0x80, 60, 0}).end(),
                         0xE728);  // 25 frames of 40 ticks: a tick is a millisecond
    const Case cases[] = {
        {"tempo change at tick 500",
         oneTrack(
             Track().event(0, {0x90, 60, 100}).tempo(500, 250000).event(0, {0x90, 62, 100}).event(500, {0x80, 60, 0}),
             500),
         "0:90,60,100 500000:tempo=250000 500000:90,62,100 750000:80,60,0 end"},
        {"division 480 truncates the tick length",
         oneTrack(Track().event(0, {0x90, 60, 100}).event(480, {0x80, 60, 0}).end()), "0:90,60,100 499680:80,60,0 end"},
        {"running status", oneTrack(Track().event(0, {0x90, 60, 100}).event(0, {62, 100}).event(10, {60, 0}).end()),
         "0:90,60,100 0:90,62,100 10410:90,60,0 end"},
        {"pitch bend", oneTrack(Track().event(0, {0xE0, 0x00, 0x40}).event(0, {0xE3, 0x7F, 0x7F}).end()),
         "0:e0,0,64 0:e3,127,127 end"},
        {"program change and channel pressure take one byte",
         oneTrack(Track().event(0, {0xC0, 5}).event(0, {0xD1, 9}).event(0, {0x90, 60, 1}).end()),
         "0:c0,5,0 0:d1,9,0 0:90,60,1 end"},
        {"system exclusive and other meta events are skipped",
         oneTrack(
             Track().event(0, {0xF0, 3, 1, 2, 0xF7}).event(0, {0xFF, 0x01, 2, 'h', 'i'}).event(0, {0x90, 60, 1}).end()),
         "0:90,60,1 end"},
        {"equal ticks: the lower track first", twoTracks, "0:90,60,100 0:91,64,100 500000:80,60,0 500000:81,64,0 end"},
        {"a later track 0 waits its turn", laterFirstTrack, "0:91,64,100 250000:90,60,100 end"},
        {"format 0 is one track whatever it claims", formatZeroClaimsThree, "0:90,60,1 end"},
        {"a track without end-of-track meta", oneTrack(Track().event(0, {0x90, 60, 1})), "0:90,60,1 end"},
        {"SMPTE time ignores the tempo", smpte, "0:90,60,1 0:tempo=250000 1000000:80,60,0 end"},
        {"a tempo event of four bytes skips all four",
         oneTrack(Track().event(0, {0xFF, 0x51, 4, 0x03, 0xD0, 0x90, 0x7F}).event(0, {0x90, 60, 1}).end()),
         "0:tempo=250000 0:90,60,1 end"},
    };
    for (const Case& c : cases) {
        Parsed f(c.file.bytes());
        ASSERT_NE(nullptr, f.p) << c.name;
        EXPECT_EQ(c.expected, walk(f.p)) << c.name;
        midiFileRewind(f.p);
        EXPECT_EQ(c.expected, walk(f.p)) << c.name << ", played again after a rewind";
    }
}

TEST(MidiFile, MalformedFilesAreRefused) {
    struct Case {
        const char* name;
        Bytes bytes;
    };
    Smf format2 = oneTrack(Track().end());
    format2.format = 2;
    Smf header7 = oneTrack(Track().end());
    header7.headerLength = 7;
    Smf division0 = oneTrack(Track().end(), 0);
    Smf smpteBadRate = oneTrack(Track().end(), 0xE928);  // -23 frames
    Smf noTracks;
    Bytes notMTrk = oneTrack(Track().event(0, {0x90, 60, 1}).end()).bytes();
    notMTrk[14] = 'X';
    Smf twoTracks;
    twoTracks.tracks = {Track().event(0, {0x90, 60, 1}).end(), Track().end()};
    Bytes secondNotMTrk = twoTracks.bytes();
    secondNotMTrk[14 + 8 + twoTracks.tracks[0].bytes.size()] = 'x';
    Bytes trackPastEnd = oneTrack(Track().event(0, {0x90, 60, 1}).end()).bytes();
    trackPastEnd[21] += 1;  // the track claims a byte more than the file has
    Bytes cut = oneTrack(Track().event(0, {0x90, 60, 1}).end()).bytes();
    cut.resize(cut.size() - 2);
    cut[21] -= 2;  // a consistent chunk, but the end-of-track meta lost its length
    const Case cases[] = {
        {"too short", {'M', 'T', 'h'}},
        {"not MThd", {'M', 'T', 'h', 'e', 0, 0, 0, 6, 0, 0, 0, 1, 1, 0xE0}},
        {"format 2", format2.bytes()},
        {"header chunk of 7 bytes", header7.bytes()},
        {"division 0", division0.bytes()},
        {"SMPTE with 23 frames", smpteBadRate.bytes()},
        {"no tracks", noTracks.bytes()},
        {"first chunk not MTrk", notMTrk},
        {"second chunk not MTrk", secondNotMTrk},
        {"track longer than the file", trackPastEnd},
        {"data byte without running status", oneTrack(Track().event(0, {60, 100}).end()).bytes()},
        {"undefined status F4", oneTrack(Track().event(0, {0xF4}).event(0, {0x90, 60, 1}).end()).bytes()},
        {"meta event cut short", cut},
        {"tempo event of two bytes",
         oneTrack(Track().event(0, {0xFF, 0x51, 2, 7, 0xA1}).event(0, {0x90, 60, 1})).bytes()},
        {"tempo of zero", oneTrack(Track().tempo(0, 0).event(0, {0x90, 60, 1})).bytes()},
        {"delta of five bytes", oneTrack(Track().event(0, {0x90, 60, 1, 0x81, 0x80, 0x80, 0x80, 0x00})).bytes()},
        {"status byte as data", oneTrack(Track().event(0, {0x90, 0x90, 1}).end()).bytes()},
    };
    for (const Case& c : cases) {
        Parsed f(c.bytes);
        EXPECT_TRUE(refused(f.p)) << c.name;
    }
}

TEST(MidiFile, TrackEndIsAWallBetweenTracks) {
    // track 0 ends inside a note-on; the bytes after it (track 1's header) must not be read
    // as its data byte
    Smf f;
    f.division = 100;
    f.tracks = {Track().event(0, {0x90, 60}), Track().event(0, {0x91, 64, 1}).end()};
    Parsed p(f.bytes());
    ASSERT_NE(nullptr, p.p);
    EXPECT_EQ("error", walk(p.p)) << "a truncated event is an error, not the next chunk's bytes";
    // a delta cut off at the end of track 0
    f.tracks = {Track().event(0, {0x91, 64, 1, 0x81}), Track().end()};
    Parsed q(f.bytes());
    ASSERT_NE(nullptr, q.p);
    EXPECT_EQ("error", walk(q.p));
    // a meta length that reaches into the next track
    f.tracks = {Track().event(0, {0x90, 60, 1}).event(0, {0xFF, 0x01, 20, 'a'}), Track().event(0, {0x91, 64, 1}).end()};
    Parsed r(f.bytes());
    ASSERT_NE(nullptr, r.p) << "the fault lies after the first note";
    EXPECT_EQ("0:90,60,1 error", walk(r.p));
    EXPECT_EQ(0, midiFileScanDuration(r.p));
}

TEST(MidiFile, DurationFirstNoteTempoAndTexts) {
    // tempo events before the first note: the last one is the first-note tempo
    Track t;
    t.event(0, {0xFF, 0x02, 3, 'c', 'p', 'r'})
        .event(0, {0xFF, 0x03, 2, 't', '0'})
        .tempo(0, 600000)
        .tempo(100, 400000)
        .event(100, {0x90, 60, 1})
        .tempo(100, 250000)
        .event(100, {0x80, 60, 0})
        .end();
    Parsed f(oneTrack(t, 100).bytes());
    ASSERT_NE(nullptr, f.p);
    EXPECT_EQ(400000, f.p->firstNoteTempo);
    EXPECT_EQ(-1, f.p->duration) << "not known until scanned";
    ASSERT_EQ(1, midiFileScanDuration(f.p));
    // 100 ticks at 6000, 100 at 4000, 100 at 4000, 100 at 2500
    EXPECT_EQ(600000 + 400000 + 400000 + 250000, f.p->duration);
    ASSERT_EQ(3, f.p->noticeLength);
    EXPECT_EQ(0, memcmp(f.p->notice, "cpr", 3));
    ASSERT_EQ(2, f.p->trackNameLength);
    EXPECT_EQ(0, memcmp(f.p->trackName, "t0", 2));

    Parsed silent(oneTrack(Track().tempo(0, 500000).event(1000, {0xB0, 7, 100}).end(), 500).bytes());
    ASSERT_NE(nullptr, silent.p);
    EXPECT_EQ(1000000, silent.p->duration) << "a file without a note-on is timed at creation";
    EXPECT_EQ(-1, midiFileFree(nullptr));
    EXPECT_EQ(0, midiFileScanDuration(nullptr));
}

TEST(MidiFile, TicksBeyondThirtyOneBitsAreRefused) {
    // two deltas of 0x0FFFFFFF and more pass what an int tick can hold
    Track t;
    t.event(0, {0x90, 60, 1});
    for (int i = 0; i < 9; i++) t.event(0x0FFFFFFF, {0x80, 60, 0});
    Parsed f(oneTrack(t).bytes());
    EXPECT_TRUE(refused(f.p));
}

}  // namespace
