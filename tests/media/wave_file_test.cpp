// Reading RIFF WAVE chunks: the format and data found by walking the chunks, sizes held
// against the file, and the duration and positions computed from the byte rate.
#include <gtest/gtest.h>

#include <string>

#include "media/players/wave_file.h"
#include "media_fixtures.h"

using mt::Bytes;
using mt::Chunk;
using mt::fmtBody;
using mt::riff;

namespace {

Bytes samples(size_t n, uint8_t value = 0x80) { return Bytes(n, value); }

TEST(WaveFile, ChunksFound) {
    struct Case {
        const char* name;
        Bytes file;
        uint32_t dataOffset;
        uint32_t dataSize;
        uint32_t byteRate;
        int channels;
        int bits;
    };
    Bytes longFmt = fmtBody(1, 1, 8000, 8);
    longFmt.insert(longFmt.end(), {0, 0});
    const Case cases[] = {
        {"8-bit mono", riff({{"fmt ", fmtBody(1, 1, 8000, 8)}, {"data", samples(800)}}), 44, 800, 8000, 1, 8},
        {"16-bit stereo", riff({{"fmt ", fmtBody(1, 2, 44100, 16)}, {"data", samples(400)}}), 44, 400, 176400, 2, 16},
        {"a longer fmt chunk", riff({{"fmt ", longFmt}, {"data", samples(10)}}), 46, 10, 8000, 1, 8},
        {"a LIST chunk holding the text \"data\" comes first",
         riff({{"fmt ", fmtBody(1, 1, 8000, 8)}, {"LIST", {'d', 'a', 't', 'a', 9, 0, 0, 0}}, {"data", samples(6)}}), 60,
         6, 8000, 1, 8},
        {"an odd chunk before data is padded",
         riff({{"fmt ", fmtBody(1, 1, 8000, 8)}, {"junk", {1, 2, 3}}, {"data", samples(6)}}), 56, 6, 8000, 1, 8},
        {"a data size beyond the file is cut to it",
         riff({{"fmt ", fmtBody(1, 1, 8000, 8)}, {"data", samples(100), 0x7FFFFFF0}}), 44, 100, 8000, 1, 8},
        {"the streaming size 0xFFFFFFFF", riff({{"fmt ", fmtBody(1, 2, 8000, 16)}, {"data", samples(100), 0xFFFFFFFF}}),
         44, 100, 32000, 2, 16},
        {"a half frame at the end is dropped",
         riff({{"fmt ", fmtBody(1, 2, 8000, 16)}, {"data", samples(102), 0xFFFFFFFF}}), 44, 100, 32000, 2, 16},
    };
    for (const Case& c : cases) {
        WaveFileInfo info;
        ASSERT_EQ(1, waveReadChunks(c.file.data(), (uint32_t)c.file.size(), &info)) << c.name;
        EXPECT_EQ(c.dataOffset, info.dataOffset) << c.name;
        EXPECT_EQ(c.dataSize, info.dataSize) << c.name;
        EXPECT_EQ(c.byteRate, info.byteRate) << c.name;
        EXPECT_EQ(c.channels, info.format.nChannels) << c.name;
        EXPECT_EQ(c.bits, info.format.wBitsPerSample) << c.name;
        EXPECT_LE((uint64_t)info.dataOffset + info.dataSize, c.file.size()) << c.name;
    }
}

TEST(WaveFile, UnplayableContentIsRefused) {
    struct Case {
        const char* name;
        Bytes file;
    };
    Bytes shortFmt = fmtBody(1, 1, 8000, 8);
    shortFmt.resize(14);
    Bytes truncatedFmt = riff({{"fmt ", fmtBody(1, 1, 8000, 8)}});
    truncatedFmt.resize(12 + 8 + 10);
    Bytes notRiff = riff({{"fmt ", fmtBody(1, 1, 8000, 8)}, {"data", samples(4)}});
    notRiff[0] = 'X';
    const Case cases[] = {
        {"no fmt chunk", riff({{"data", samples(8)}})},
        {"no data chunk", riff({{"fmt ", fmtBody(1, 1, 8000, 8)}})},
        {"a fmt chunk of 14 bytes", riff({{"fmt ", shortFmt}, {"data", samples(8)}})},
        {"a fmt chunk cut by the file's end", truncatedFmt},
        {"a fmt chunk that claims more than the file", riff({{"fmt ", shortFmt, 16}})},
        {"byte rate 0", riff({{"fmt ", fmtBody(1, 1, 8000, 8, 0)}, {"data", samples(8)}})},
        {"block align 0", riff({{"fmt ", fmtBody(1, 1, 8000, 8, 8000, 0)}, {"data", samples(8)}})},
        {"fmt at an odd offset (no pad byte)",
         riff({{"junk", {1, 2, 3}, -1, false}, {"fmt ", fmtBody(1, 1, 8000, 8)}, {"data", samples(8)}})},
        {"not RIFF", notRiff},
        {"a chunk size that wraps the walk", riff({{"junk", {}, 0xFFFFFFF8}, {"fmt ", fmtBody(1, 1, 8000, 8)}})},
        {"the header alone", Bytes({'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'})},
    };
    for (const Case& c : cases) {
        WaveFileInfo info;
        EXPECT_EQ(0, waveReadChunks(c.file.data(), (uint32_t)c.file.size(), &info)) << c.name;
    }
    WaveFileInfo info;
    EXPECT_EQ(0, waveReadChunks(nullptr, 0, &info));
}

TEST(WaveFile, DurationAndPositions) {
    struct Case {
        const char* name;
        uint32_t byteRate;
        uint16_t blockAlign;
        uint32_t dataSize;
        int64_t durationUs;
    };
    const Case cases[] = {
        {"8000 bytes a second", 8000, 1, 12000, 1500000},
        {"22050 bytes a second, exact", 22050, 1, 22050, 1000000},
        {"a rate below 1000 divides by no zero", 500, 1, 750, 1500000},
        {"one byte a second", 1, 1, 3, 3000000},
        {"a data size near 4 GB", 176400, 4, 0xFFFFFFFC, 24347887142},
        {"no data", 8000, 1, 0, 0},
    };
    for (const Case& c : cases) {
        WaveFileInfo info = {};
        info.byteRate = c.byteRate;
        info.format.nBlockAlign = c.blockAlign;
        info.dataSize = c.dataSize;
        EXPECT_EQ(c.durationUs, waveDurationUs(&info)) << c.name;
    }
    WaveFileInfo info = {};
    info.byteRate = 32000;
    info.format.nBlockAlign = 4;
    info.dataSize = 80000;  // 2.5 s
    EXPECT_EQ(32000u, waveSecondsOffset(&info, 1500000)) << "whole seconds";
    EXPECT_EQ(0u, waveSecondsOffset(&info, 999999));
    EXPECT_EQ(80000u, waveSecondsOffset(&info, 7000000)) << "never past the data";
    EXPECT_EQ(0u, waveSecondsOffset(&info, -1));
    info.byteRate = 32002;  // not a whole number of frames
    EXPECT_EQ(32000u, waveSecondsOffset(&info, 1000000)) << "on a frame boundary";
}

}  // namespace
