// Test content built by small writers: tone sequences, Standard MIDI Files and RIFF WAVE
// files, byte by byte as their formats lay them out.
#pragma once

#include <stdint.h>
#include <stdlib.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "media/players/tone_sequence.h"

namespace mt {

typedef std::vector<uint8_t> Bytes;

// FE 01 followed by the given bytes.
inline Bytes tone(std::initializer_list<int> body) {
    Bytes b = {0xFE, 0x01};
    for (int x : body) b.push_back((uint8_t)x);
    return b;
}

// A counting allocator pair over the process heap for the tone parser.
struct ToneHeap {
    inline static int live = 0;
    static void* allocate(uint32_t size, void*) {
        live++;
        return malloc(size);
    }
    static void release(void* block, void*) {
        if (block) live--;
        free(block);
    }
};

inline void appendVarLen(Bytes& b, uint32_t v) {
    uint8_t tmp[4];
    int n = 0;
    tmp[n++] = v & 0x7F;
    while ((v >>= 7) != 0) tmp[n++] = (uint8_t)(0x80 | (v & 0x7F));
    while (n) b.push_back(tmp[--n]);
}

inline void appendBe(Bytes& b, uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; i--) b.push_back((uint8_t)(v >> (8 * i)));
}

inline void appendLe(Bytes& b, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; i++) b.push_back((uint8_t)(v >> (8 * i)));
}

// A track's events: each added with its delta ticks.
struct Track {
    Bytes bytes;
    Track& event(uint32_t delta, std::initializer_list<int> raw) {
        appendVarLen(bytes, delta);
        for (int x : raw) bytes.push_back((uint8_t)x);
        return *this;
    }
    Track& tempo(uint32_t delta, uint32_t usPerQuarter) {
        return event(delta, {0xFF, 0x51, 0x03, (int)(usPerQuarter >> 16) & 0xFF, (int)(usPerQuarter >> 8) & 0xFF,
                             (int)usPerQuarter & 0xFF});
    }
    Track& end(uint32_t delta = 0) { return event(delta, {0xFF, 0x2F, 0x00}); }
};

struct Smf {
    int format = 1;
    int declaredTracks = -1;  // -1: the number of tracks given
    uint32_t division = 480;
    uint32_t headerLength = 6;
    std::vector<Track> tracks;
    Bytes bytes() const {
        Bytes b = {'M', 'T', 'h', 'd'};
        appendBe(b, headerLength, 4);
        appendBe(b, (uint32_t)format, 2);
        appendBe(b, declaredTracks < 0 ? (uint32_t)tracks.size() : (uint32_t)declaredTracks, 2);
        appendBe(b, division, 2);
        for (uint32_t i = 6; i < headerLength; i++) b.push_back(0);
        for (const Track& t : tracks) {
            b.insert(b.end(), {'M', 'T', 'r', 'k'});
            appendBe(b, (uint32_t)t.bytes.size(), 4);
            b.insert(b.end(), t.bytes.begin(), t.bytes.end());
        }
        return b;
    }
};

struct Chunk {
    std::string id;
    Bytes body;
    int64_t declaredSize = -1;  // -1: the body's size
    bool pad = true;            // a pad byte after an odd body
};

inline Bytes fmtBody(int tag, int channels, uint32_t rate, int bits, int64_t byteRate = -1, int blockAlign = -1) {
    int align = blockAlign < 0 ? channels * bits / 8 : blockAlign;
    Bytes b;
    appendLe(b, (uint32_t)tag, 2);
    appendLe(b, (uint32_t)channels, 2);
    appendLe(b, rate, 4);
    appendLe(b, byteRate < 0 ? rate * (uint32_t)align : (uint32_t)byteRate, 4);
    appendLe(b, (uint32_t)align, 2);
    appendLe(b, (uint32_t)bits, 2);
    return b;
}

inline Bytes riff(const std::vector<Chunk>& chunks) {
    Bytes b = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const Chunk& c : chunks) {
        b.insert(b.end(), c.id.begin(), c.id.end());
        appendLe(b, c.declaredSize < 0 ? (uint32_t)c.body.size() : (uint32_t)c.declaredSize, 4);
        b.insert(b.end(), c.body.begin(), c.body.end());
        if (c.pad && (c.body.size() & 1)) b.push_back(0);
    }
    uint32_t size = (uint32_t)b.size() - 8;
    for (int i = 0; i < 4; i++) b[4 + i] = (uint8_t)(size >> (8 * i));
    return b;
}

// A PCM file of the given samples (8-bit unsigned or 16-bit signed, interleaved).
inline Bytes wave(int channels, uint32_t rate, int bits, const std::vector<int>& samples) {
    Bytes data;
    for (int s : samples) appendLe(data, (uint32_t)s, bits / 8);
    return riff({{"fmt ", fmtBody(1, channels, rate, bits)}, {"data", data}});
}

}  // namespace mt
