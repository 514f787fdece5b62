// The inflate side of the PNG decoder: a fixed pool of eight zlib stream slots and an
// inflate stream object with growable input and output buffers, handed to the decoder as
// a table of five operations.
#pragma once

#include <stdint.h>

#include <zlib.h>

#include "graphics/png_error.h"

// zlib is reached with this version word and the size of its own stream record, which
// inflateInit_ checks against the library's.
#define PNG_ZLIB_VERSION "1.1.3"

enum { PNG_STREAM_SLOTS = 8 };

struct PngStreamSlot {
    // public copy of the stream's fields
    const uint8_t* nextIn;
    uint32_t availIn;
    uint32_t totalIn;
    uint8_t* nextOut;
    uint32_t availOut;
    uint32_t totalOut;
    void* owner;  // the inflate stream object, handed to the allocator bridges
    PngStreamSlot* self;
    z_stream stream;
    uint32_t inUse;
};

// Zeroes the whole pool (services start) / frees every slot still in use (services stop).
void PngStreamPoolReset(void);
void PngStreamPoolRelease(void);

PngStreamSlot* PngStreamAlloc(alloc_func zalloc, free_func zfree);
int PngInflateInit(PngStreamSlot* slot);
int PngInflate(PngStreamSlot* slot, int flush);
int PngInflateEnd(PngStreamSlot* slot);
// 0, or -1 when the address is none of the eight slots.
int PngStreamFree(PngStreamSlot* slot);

typedef void* (*PngAllocFn)(void* context, uint32_t size);
typedef void (*PngReleaseFn)(void* context, void* block);

// Results of the stream operations. PNG_INFLATE_FULL (feed only): the output buffer is at
// its largest and full while input is pending; read what is available, then feed again
// with no data to go on. A step that fails leaves its reason in the object's error.
enum { PNG_INFLATE_OK = 0, PNG_INFLATE_FAIL = -1, PNG_INFLATE_FULL = 1 };

struct PngInflateStream {
    int32_t minInputSize;
    int32_t maxInputSize;
    int32_t minOutputSize;
    int32_t maxOutputSize;
    int32_t outputGrowStep;
    PngAllocFn alloc;
    void* allocContext;
    PngReleaseFn release;
    void* releaseContext;
    PngStreamSlot* slot;
    uint8_t* input;
    int32_t inputSize;
    uint8_t* output;
    int32_t outputSize;
    // Bytes at the output's start already read: they are dropped before the next inflate,
    // so reading a row does not move everything behind it.
    int32_t outputRead;
    int32_t ended;   // the zlib stream is complete; later input is dropped
    PngError error;  // why the last step that answered PNG_INFLATE_FAIL failed
};

// The table the decoder drives the stream through, in this order.
struct PngInflateInterface {
    PngInflateStream* stream;
    int (*start)(PngInflateStream* s, int32_t inputSize, int32_t outputSize);
    int (*end)(PngInflateStream* s);
    int (*feed)(PngInflateStream* s, const uint8_t* data, int32_t length);
    int (*available)(PngInflateStream* s, int32_t* count);
    int (*read)(PngInflateStream* s, uint8_t* buffer, int32_t count);
};

// limits: minimum and maximum input, minimum and maximum output buffer size; a 0 keeps
// the default (256, 10240, 256, 46080). Null when alloc fails.
// A block of the caller's allocator aligned to eight bytes, for a record that holds
// pointers; give it back with PngReleaseAligned.
void* PngAllocAligned(PngAllocFn alloc, void* context, uint32_t bytes);
void PngReleaseAligned(PngReleaseFn release, void* context, void* aligned);

PngInflateStream* PngInflateStreamCreate(const int32_t limits[4], PngAllocFn alloc, void* allocContext,
                                         PngReleaseFn release, void* releaseContext);
// Ends the stream when it is still started and frees the object.
void PngInflateStreamDestroy(PngInflateStream* s);
void PngInflateStreamGetInterface(PngInflateStream* s, PngInflateInterface* out);
