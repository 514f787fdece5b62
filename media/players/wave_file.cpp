// RIFF WAVE chunks. No size is trusted: the format chunk must hold its sixteen bytes
// inside the file, and the sample data are cut to the whole frames that are really
// there (writers that stream leave the data size at its maximum).
#include "media/players/wave_file.h"

#include <string.h>

#include "media/players/mediatrace.h"

namespace {
uint32_t be32(const uint8_t* p) { return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3]; }
uint32_t le32(const uint8_t* p) { return (uint32_t)p[3] << 24 | (uint32_t)p[2] << 16 | (uint32_t)p[1] << 8 | p[0]; }
uint16_t le16(const uint8_t* p) { return (uint16_t)(p[1] << 8 | p[0]); }
}  // namespace

int32_t searchChunk(WaveChunkCursor* c, uint32_t code, uint32_t* size) {
    mediaTrace("searchChunk Start\n");
    uint64_t at = c->position;
    while (at + 8 <= c->length) {
        uint32_t id = be32(c->data + at);
        uint32_t chunkSize = le32(c->data + at + 4);
        if (id == code) {
            c->position = (uint32_t)(at + 8);
            *size = chunkSize;
            mediaTrace("searchChunk Return True\n");
            return 1;
        }
        at += 8 + (uint64_t)chunkSize + (chunkSize & 1);
    }
    mediaTrace("searchChunk Return False\n");
    return 0;
}

int32_t waveReadChunks(const uint8_t* data, uint32_t length, WaveFileInfo* info) {
    memset(info, 0, sizeof *info);
    if (data == nullptr || length < 12 || be32(data) != WAVE_CODE_RIFF || be32(data + 8) != WAVE_CODE_WAVE) return 0;
    WaveChunkCursor c = {data, length, 12};
    uint32_t size = 0;
    if (!searchChunk(&c, WAVE_CODE_FMT, &size)) return 0;
    if (size < WAVE_FMT_MIN_SIZE || (uint64_t)c.position + WAVE_FMT_MIN_SIZE > length) return 0;
    const uint8_t* f = data + c.position;
    WaveFormat& w = info->format;
    w.wFormatTag = le16(f);
    w.nChannels = le16(f + 2);
    mediaTrace("wFormatTag=%d, nChannels=%d\n", w.wFormatTag, w.nChannels);
    w.nSamplesPerSec = le32(f + 4);
    w.nAvgBytesPerSec = le32(f + 8);
    mediaTrace("nSamplesPerSec=%d, nAvgBytesPerSec=%d\n", (int)w.nSamplesPerSec, (int)w.nAvgBytesPerSec);
    w.nBlockAlign = le16(f + 12);
    w.wBitsPerSample = le16(f + 14);
    mediaTrace("nBlockAlign=%d, wBitsPerSample=%d\n", w.nBlockAlign, w.wBitsPerSample);
    w.cbSize = 0;
    info->byteRate = w.nAvgBytesPerSec;
    mediaTrace("rate=%d, wavePlayer_avg=%d\n", (int)info->byteRate, (int)info->byteRate);
    if (info->byteRate < WAVE_MIN_BYTE_RATE || w.nBlockAlign == 0) return 0;

    c.position = 12;
    if (!searchChunk(&c, WAVE_CODE_DATA, &size)) return 0;
    uint32_t present = length - c.position;
    if (size > present) size = present;
    size -= size % w.nBlockAlign;
    info->dataSize = size;
    info->dataOffset = c.position;
    mediaTrace("datasize=%d\n", (int)size);
    return 1;
}

int64_t waveDurationUs(const WaveFileInfo* info) {
    if (info->byteRate == 0) return 0;
    return (int64_t)((uint64_t)info->dataSize * 1000000 / info->byteRate);
}

uint32_t waveSecondsOffset(const WaveFileInfo* info, int64_t timeUs) {
    if (timeUs <= 0) return 0;
    uint64_t offset = (uint64_t)(timeUs / 1000000) * info->byteRate;
    uint32_t align = info->format.nBlockAlign ? info->format.nBlockAlign : 1;
    offset -= offset % align;
    return offset > info->dataSize ? info->dataSize : (uint32_t)offset;
}
