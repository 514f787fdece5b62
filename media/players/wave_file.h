// Reading RIFF WAVE content in place: the format chunk and the sample data chunk. The
// chunks are walked by their sizes from the RIFF header on, so a code inside another
// chunk's bytes is never taken for a chunk.
#pragma once

#include <stdint.h>

#include "platform/waveout.h"

struct WaveFileInfo {
    WaveFormat format;  // cbSize 0
    uint32_t byteRate;
    uint32_t dataOffset;  // first sample byte, from the start of the file
    uint32_t dataSize;    // whole sample frames that lie within the file
};

enum {
    WAVE_FMT_MIN_SIZE = 16,
    WAVE_MIN_BYTE_RATE = 1,
};

// The chunk cursor of a search: from the first chunk after "WAVE".
struct WaveChunkCursor {
    const uint8_t* data;
    uint32_t length;
    uint32_t position;  // the next chunk header
};

// 1 with the size of the chunk of that code (big-endian four characters) and the cursor
// after its header, else 0. Chunks start at even offsets (a pad byte follows an odd size).
int32_t searchChunk(WaveChunkCursor* cursor, uint32_t code, uint32_t* size);

// 1 with the format and the sample data found, 0 when the content is not playable WAVE:
// a missing or short format chunk, a byte rate or block size of 0, no data chunk.
int32_t waveReadChunks(const uint8_t* data, uint32_t length, WaveFileInfo* info);

// Microseconds of the data chunk, exact to the microsecond (whole milliseconds would
// make a short sound last 0 and never play); 0 for an empty or unknown rate.
int64_t waveDurationUs(const WaveFileInfo* info);
// The byte offset within the data chunk of a time, whole seconds of samples, never past
// the data's end and always at a frame boundary.
uint32_t waveSecondsOffset(const WaveFileInfo* info, int64_t timeUs);

enum : uint32_t {
    WAVE_CODE_RIFF = 0x52494646,  // "RIFF"
    WAVE_CODE_WAVE = 0x57415645,  // "WAVE"
    WAVE_CODE_FMT = 0x666D7420,   // "fmt "
    WAVE_CODE_DATA = 0x64617461,  // "data"
};
