// The three content parsers against every truncation and thousands of corruptions of
// well-formed samples. Bad content must give an error result, never a crash, a read
// outside the bytes (run under AddressSanitizer as well) or a walk that does not end;
// content that is accepted keeps every promise the players rely on.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "media/players/midi_file.h"
#include "media/players/tone_sequence.h"
#include "media/players/wave_file.h"
#include "media_fixtures.h"

using mt::Bytes;

namespace {

std::vector<Bytes> toneSamples() {
    return {mt::tone({0xFD, 30, 0xFC, 64, 0x3C, 8, 0xFF, 4, 0xF8, 50, 0x3E, 16}),
            mt::tone({0xFB, 0,    0x3C, 8,    0xF7, 3,    0x3E, 8,    0xFA, 0,    0xFB, 1,    0xF9,
                      0,    0x40, 4,    0xFA, 1,    0xF9, 1,    0xF9, 0,    0xF7, 2,    0xFF, 8}),
            mt::tone({0xFD, 5, 0xFC, 1, 0xFB, 7, 0xF8, 0, 0x01, 127, 0xFA, 7, 0xF9, 7, 0x7F, 1})};
}

std::vector<Bytes> midiSamples() {
    using mt::Smf;
    using mt::Track;
    Smf a;
    a.division = 96;
    a.tracks = {Track()
                    .event(0, {0xFF, 0x03, 4, 'n', 'a', 'm', 'e'})
                    .tempo(0, 400000)
                    .event(0, {0xC0, 3})
                    .event(0, {0x90, 60, 100})
                    .event(48, {62, 90})
                    .event(48, {0xE0, 0, 0x50})
                    .tempo(10, 300000)
                    .event(0, {0x80, 60, 0})
                    .end(),
                Track().event(5, {0xF0, 2, 0x7E, 0xF7}).event(0, {0x91, 40, 80}).event(200, {0xD1, 20}).end()};
    Smf b;
    b.format = 0;
    b.division = 0xE728;
    b.tracks = {Track().event(0, {0x99, 36, 127}).event(40, {0x89, 36, 0}).event(0, {0xFF, 0x51, 4, 1, 2, 3, 4}).end()};
    return {a.bytes(), b.bytes()};
}

std::vector<Bytes> waveSamples() {
    using mt::Chunk;
    Bytes pcm(64);
    for (size_t i = 0; i < pcm.size(); i++) pcm[i] = (uint8_t)(i * 7);
    return {mt::riff({{"fmt ", mt::fmtBody(1, 2, 22050, 16)}, {"LIST", {'I', 'N', 'F', 'O', 'x'}}, {"data", pcm}}),
            mt::riff({{"fmt ", mt::fmtBody(1, 1, 8000, 8)}, {"data", pcm}})};
}

Bytes corrupt(Bytes bytes, std::mt19937& random) {
    int changes = 1 + (int)(random() % 4);
    for (int i = 0; i < changes; i++) {
        size_t at = random() % bytes.size();
        switch (random() % 5) {
            case 0:
                bytes[at] = (uint8_t)random();
                break;
            case 1:
                bytes[at] ^= (uint8_t)(1u << (random() % 8));
                break;
            case 2:
                bytes[at] = 0xFF;
                break;
            case 3:
                bytes[at] = 0x80;
                break;
            default:
                bytes[at] = 0;
                break;
        }
    }
    return bytes;
}

const int kCorruptionsPerSample = 4000;

// Corrupted content that a parser accepted; both outcomes must occur, or the corruption
// does not reach the checks.
int Accepted;

// A built sequence plays to its end, and its events add up to its duration. Empty when
// all holds.
std::string toneBroken(const Bytes& b) {
    ToneSequence* s = toneSeqCreate(b.data(), (int32_t)b.size(), 2000, mt::ToneHeap::allocate, mt::ToneHeap::release);
    if (s == nullptr) return mt::ToneHeap::live == 0 ? "" : "a refusal leaked";
    Accepted++;
    std::string broken;
    int64_t total = 0;
    ToneEvent e;
    int32_t r;
    while ((r = toneSeqNextEvent(s, &e)) == 1) total += (int64_t)e.duration * 2000;
    if (r != 0) broken += "an accepted sequence fails to play; ";
    if (total != toneSeqGetDuration(s)) broken += "events do not add up to the duration; ";
    if (toneSeqSetTime(s, toneSeqGetDuration(s) / 2) != 0) broken += "cannot position; ";
    while (toneSeqNextEvent(s, &e) == 1) {
    }
    toneSeqDestroy(s);
    if (mt::ToneHeap::live != 0) broken += "blocks left behind; ";
    return broken;
}

std::string midiBroken(const Bytes& b) {
    MidiFileParser* p = midiFileCreate(b.data(), (int32_t)b.size());
    if (p == nullptr) return "";
    Accepted++;
    std::string broken;
    if (midiFileScanDuration(p) == 1) {
        if (p->duration < 0) broken += "scanned to a negative duration; ";
        int64_t scanned = p->duration;
        midiFileRewind(p);
        MidiFileEvent e;
        int32_t tick = midiFileFirstTick(p), r;
        int64_t last = 0;
        while ((r = midiFileNextEvent(p, tick, &e)) >= 0) {
            if (p->elapsed < last) broken += "time runs back; ";
            last = p->elapsed;
            tick += r;
        }
        if (r != MIDI_FILE_END || p->duration != scanned) broken += "a second walk differs from the scan; ";
    }
    midiFileFree(p);
    return broken;
}

std::string waveBroken(const Bytes& b) {
    WaveFileInfo info;
    if (waveReadChunks(b.data(), (uint32_t)b.size(), &info) == 0) return "";
    Accepted++;
    std::string broken;
    if ((uint64_t)info.dataOffset + info.dataSize > b.size()) broken += "data past the file; ";
    if (info.byteRate == 0 || info.format.nBlockAlign == 0)
        broken += "a rate or block of 0; ";
    else if (info.dataSize % info.format.nBlockAlign)
        broken += "a partial frame; ";
    if (waveDurationUs(&info) < 0) broken += "negative duration; ";
    if (waveSecondsOffset(&info, INT64_MAX) > info.dataSize) broken += "a position past the data; ";
    return broken;
}

template <typename Check>
void fuzz(const char* kind, const std::vector<Bytes>& samples, Check check, uint32_t seed) {
    std::mt19937 random(seed);
    for (size_t k = 0; k < samples.size(); k++) {
        const Bytes& s = samples[k];
        ASSERT_EQ("", check(s)) << kind << " sample " << k;
        for (size_t n = 0; n < s.size(); n++) {
            // exactly n bytes, so that a read past them is caught
            Bytes cut(s.begin(), s.begin() + n);
            ASSERT_EQ("", check(cut)) << kind << " sample " << k << " cut to " << n;
        }
        Accepted = 0;
        for (int i = 0; i < kCorruptionsPerSample; i++)
            ASSERT_EQ("", check(corrupt(s, random))) << kind << " sample " << k << " corruption " << i;
        EXPECT_GT(Accepted, 0) << kind << " sample " << k;
        EXPECT_LT(Accepted, kCorruptionsPerSample) << kind << " sample " << k;
    }
}

TEST(ParserFuzz, ToneSequences) { fuzz("tone", toneSamples(), toneBroken, 11); }
TEST(ParserFuzz, StandardMidiFiles) { fuzz("SMF", midiSamples(), midiBroken, 12); }
TEST(ParserFuzz, WaveFiles) { fuzz("WAVE", waveSamples(), waveBroken, 13); }

}  // namespace
