// PNG inflate streams. zlib does the inflating; the stream object keeps the pending input
// and the inflated bytes not yet read. The output buffer grows by a step up to its
// maximum; when it is full at the maximum, feed hands control back so the reader can
// take rows out, and a later feed goes on where it stopped. That keeps a highly
// compressed image from failing only because one piece of input inflates to more than
// the maximum.
#include "graphics/png_inflate.h"

#include <string.h>

#include "platform/vmsections.h"

static VMBSS PngStreamSlot PngStreamSlots[PNG_STREAM_SLOTS];

void PngStreamPoolReset(void) { memset(PngStreamSlots, 0, sizeof PngStreamSlots); }

void PngStreamPoolRelease(void) {
    for (PngStreamSlot& slot : PngStreamSlots) {
        if (slot.inUse) {
            memset(&slot, 0, sizeof slot);
        }
    }
}

PngStreamSlot* PngStreamAlloc(alloc_func zalloc, free_func zfree) {
    for (PngStreamSlot& slot : PngStreamSlots) {
        if (slot.inUse == 0) {
            memset(&slot, 0, sizeof slot);
            slot.inUse = 1;
            slot.stream.zalloc = zalloc;
            slot.stream.zfree = zfree;
            slot.self = &slot;
            return &slot;
        }
    }
    return nullptr;
}

int PngStreamFree(PngStreamSlot* slot) {
    for (PngStreamSlot& s : PngStreamSlots) {
        if (&s == slot) {
            memset(&s, 0, sizeof s);
            return 0;
        }
    }
    return -1;
}

namespace {

void toStream(PngStreamSlot* slot) {
    z_stream& z = slot->stream;
    z.next_in = const_cast<Bytef*>(slot->nextIn);
    z.avail_in = slot->availIn;
    z.total_in = slot->totalIn;
    z.next_out = slot->nextOut;
    z.avail_out = slot->availOut;
    z.total_out = slot->totalOut;
    z.opaque = slot->owner;
}

void fromStream(PngStreamSlot* slot) {
    const z_stream& z = slot->stream;
    slot->nextIn = z.next_in;
    slot->availIn = z.avail_in;
    slot->totalIn = z.total_in;
    slot->nextOut = z.next_out;
    slot->availOut = z.avail_out;
    slot->totalOut = z.total_out;
}

}  // namespace

int PngInflateInit(PngStreamSlot* slot) {
    toStream(slot);
    int rc = inflateInit_(&slot->stream, PNG_ZLIB_VERSION, (int)sizeof(z_stream));
    fromStream(slot);
    return rc;
}

int PngInflate(PngStreamSlot* slot, int flush) {
    toStream(slot);
    int rc = inflate(&slot->stream, flush);
    fromStream(slot);
    return rc;
}

int PngInflateEnd(PngStreamSlot* slot) {
    toStream(slot);
    int rc = inflateEnd(&slot->stream);
    fromStream(slot);
    return rc;
}

// The caller's allocator (the storage arena) aligns to four bytes, but records that hold
// pointers (this stream, zlib's state, the decoder) need eight: they get an 8-aligned
// place inside a block eight bytes longer, with its distance from the block's start in
// the word just before it.
void* PngAllocAligned(PngAllocFn alloc, void* context, uint32_t bytes) {
    if (bytes > 0xFFFFFFFFu - 8) {
        return nullptr;
    }
    uint8_t* block = static_cast<uint8_t*>(alloc(context, bytes + 8));
    if (!block) {
        return nullptr;
    }
    uint8_t* aligned = (uint8_t*)(((uintptr_t)block + 8) & ~(uintptr_t)7);
    uint32_t distance = (uint32_t)(aligned - block);
    memcpy(aligned - 4, &distance, 4);
    return aligned;
}

void PngReleaseAligned(PngReleaseFn release, void* context, void* aligned) {
    uint32_t distance;
    memcpy(&distance, (uint8_t*)aligned - 4, 4);
    release(context, (uint8_t*)aligned - distance);
}

namespace {

voidpf allocBridge(voidpf opaque, uInt items, uInt size) {
    PngInflateStream* s = static_cast<PngInflateStream*>(opaque);
    if (size != 0 && items > 0xFFFFFFFFu / size) {
        return Z_NULL;
    }
    return PngAllocAligned(s->alloc, s->allocContext, items * size);
}

void releaseBridge(voidpf opaque, voidpf block) {
    PngInflateStream* s = static_cast<PngInflateStream*>(opaque);
    PngReleaseAligned(s->release, s->releaseContext, block);
}

// Every refused step goes through here, so the decoder can say why it stopped.
int refuse(PngInflateStream* s, PngError why) {
    s->error = why;
    return PNG_INFLATE_FAIL;
}

// zlib's refusal of a call as a reason: memory, or the data itself.
PngError zlibReason(int rc) { return rc == Z_MEM_ERROR ? PNG_ERR_NO_MEMORY : PNG_ERR_INFLATE; }

int32_t clampSize(int32_t size, int32_t low, int32_t high) {
    if (size < low) {
        size = low;
    }
    return size > high ? high : size;
}

void releaseBuffers(PngInflateStream* s) {
    if (s->input) {
        s->release(s->releaseContext, s->input);
    }
    if (s->output) {
        s->release(s->releaseContext, s->output);
    }
    s->input = nullptr;
    s->output = nullptr;
    s->inputSize = 0;
    s->outputSize = 0;
    s->outputRead = 0;
}

int streamEnd(PngInflateStream* s);

int streamStart(PngInflateStream* s, int32_t inputSize, int32_t outputSize) {
    if (s->slot) {
        streamEnd(s);  // a stream started again leaves no zlib state behind
    }
    releaseBuffers(s);
    s->ended = 0;
    s->inputSize = clampSize(inputSize, s->minInputSize, s->maxInputSize);
    s->outputSize = clampSize(outputSize, s->minOutputSize, s->maxOutputSize);
    s->input = static_cast<uint8_t*>(s->alloc(s->allocContext, (uint32_t)s->inputSize));
    s->output = static_cast<uint8_t*>(s->alloc(s->allocContext, (uint32_t)s->outputSize));
    if (!s->input || !s->output) {
        releaseBuffers(s);
        return refuse(s, PNG_ERR_NO_MEMORY);
    }
    PngStreamSlot* slot = PngStreamAlloc(allocBridge, releaseBridge);
    if (!slot) {
        releaseBuffers(s);
        return refuse(s, PNG_ERR_NO_STREAM);
    }
    slot->owner = s;
    slot->nextIn = s->input;
    slot->availIn = 0;
    slot->nextOut = s->output;
    slot->availOut = (uint32_t)s->outputSize;
    int rc = PngInflateInit(slot);
    if (rc != Z_OK) {
        PngStreamFree(slot);
        releaseBuffers(s);
        return refuse(s, zlibReason(rc));
    }
    s->slot = slot;
    return PNG_INFLATE_OK;
}

int streamEnd(PngInflateStream* s) {
    if (!s->slot) {
        releaseBuffers(s);
        return refuse(s, PNG_ERR_ARGUMENT);
    }
    int rc = PngInflateEnd(s->slot);
    PngStreamFree(s->slot);
    s->slot = nullptr;
    releaseBuffers(s);
    return rc == Z_OK ? PNG_INFLATE_OK : refuse(s, zlibReason(rc));
}

int32_t produced(const PngInflateStream* s) { return (int32_t)(s->slot->nextOut - s->output); }

// Drops the bytes already read from the front of the output buffer.
void dropRead(PngInflateStream* s) {
    if (s->outputRead == 0) {
        return;
    }
    PngStreamSlot* slot = s->slot;
    int32_t left = produced(s) - s->outputRead;
    memmove(s->output, s->output + s->outputRead, (size_t)left);
    slot->nextOut = s->output + left;
    slot->availOut += (uint32_t)s->outputRead;
    s->outputRead = 0;
}

int appendInput(PngInflateStream* s, const uint8_t* data, int32_t length) {
    PngStreamSlot* slot = s->slot;
    int32_t pending = (int32_t)slot->availIn;
    int32_t start = (int32_t)(slot->nextIn - s->input);
    if (s->inputSize - start - pending < length) {
        memmove(s->input, slot->nextIn, (size_t)pending);
        slot->nextIn = s->input;
        if (s->inputSize - pending < length) {
            int64_t need = (int64_t)pending + length;
            if (need > s->maxInputSize) {
                return refuse(s, PNG_ERR_INFLATE_LIMIT);
            }
            uint8_t* grown = static_cast<uint8_t*>(s->alloc(s->allocContext, (uint32_t)need));
            if (!grown) {
                return refuse(s, PNG_ERR_NO_MEMORY);
            }
            memcpy(grown, s->input, (size_t)pending);
            s->release(s->releaseContext, s->input);
            s->input = grown;
            s->inputSize = (int32_t)need;
            slot->nextIn = grown;
        }
    }
    memcpy(const_cast<uint8_t*>(slot->nextIn) + pending, data, (size_t)length);
    slot->availIn += (uint32_t)length;
    return PNG_INFLATE_OK;
}

int growOutput(PngInflateStream* s) {
    int32_t size = s->outputSize + s->outputGrowStep;
    if (size > s->maxOutputSize) {
        size = s->maxOutputSize;
    }
    uint8_t* grown = static_cast<uint8_t*>(s->alloc(s->allocContext, (uint32_t)size));
    if (!grown) {
        return refuse(s, PNG_ERR_NO_MEMORY);
    }
    int32_t kept = produced(s);
    memcpy(grown, s->output, (size_t)kept);
    s->release(s->releaseContext, s->output);
    s->output = grown;
    s->outputSize = size;
    s->slot->nextOut = grown + kept;
    s->slot->availOut = (uint32_t)(size - kept);
    return PNG_INFLATE_OK;
}

int streamFeed(PngInflateStream* s, const uint8_t* data, int32_t length) {
    if (!s->input || !s->output || !s->slot || length < 0) {
        return refuse(s, PNG_ERR_ARGUMENT);
    }
    PngStreamSlot* slot = s->slot;
    if (s->ended) {
        return PNG_INFLATE_OK;  // data behind the end of the zlib stream is ignored
    }
    if (length > 0 && appendInput(s, data, length) != PNG_INFLATE_OK) {
        return PNG_INFLATE_FAIL;  // the reason is set
    }
    dropRead(s);
    for (;;) {
        if (slot->availOut == 0) {
            // zlib may hold output of input it has taken already, so a full buffer is
            // drained or grown even when no input is left.
            if (slot->availIn == 0 || s->outputSize >= s->maxOutputSize) {
                return PNG_INFLATE_FULL;
            }
            if (growOutput(s) != PNG_INFLATE_OK) {
                return PNG_INFLATE_FAIL;  // the reason is set
            }
        }
        const uint8_t* in = slot->nextIn;
        const uint8_t* out = slot->nextOut;
        int rc = PngInflate(slot, Z_SYNC_FLUSH);
        if (rc == Z_STREAM_END) {
            s->ended = 1;
            slot->availIn = 0;
            return PNG_INFLATE_OK;
        }
        if (rc == Z_BUF_ERROR && slot->availOut != 0) {
            return PNG_INFLATE_OK;  // no input left and nothing more to give
        }
        if (rc != Z_OK && rc != Z_BUF_ERROR) {
            return refuse(s, zlibReason(rc));
        }
        if (slot->availIn == 0 && slot->availOut != 0) {
            return PNG_INFLATE_OK;
        }
        if (slot->nextIn == in && slot->nextOut == out && slot->availOut != 0) {
            return refuse(s, PNG_ERR_INFLATE);  // no progress with room on both sides
        }
    }
}

int streamAvailable(PngInflateStream* s, int32_t* count) {
    *count = s->slot ? produced(s) - s->outputRead : 0;
    return PNG_INFLATE_OK;
}

int streamRead(PngInflateStream* s, uint8_t* buffer, int32_t count) {
    if (!s->slot || count < 0 || count > produced(s) - s->outputRead) {
        return refuse(s, PNG_ERR_ARGUMENT);
    }
    if (count == 0) {
        return PNG_INFLATE_OK;
    }
    memcpy(buffer, s->output + s->outputRead, (size_t)count);
    s->outputRead += count;
    if (s->outputRead == produced(s)) {
        s->slot->nextOut = s->output;
        s->slot->availOut = (uint32_t)s->outputSize;
        s->outputRead = 0;
    }
    return PNG_INFLATE_OK;
}

}  // namespace

PngInflateStream* PngInflateStreamCreate(const int32_t limits[4], PngAllocFn alloc, void* allocContext,
                                         PngReleaseFn release, void* releaseContext) {
    PngInflateStream* s =
        static_cast<PngInflateStream*>(PngAllocAligned(alloc, allocContext, sizeof(PngInflateStream)));
    if (!s) {
        return nullptr;
    }
    memset(s, 0, sizeof *s);
    const int32_t defaults[4] = {256, 10240, 256, 46080};
    int32_t* sizes[4] = {&s->minInputSize, &s->maxInputSize, &s->minOutputSize, &s->maxOutputSize};
    for (int i = 0; i < 4; i++) {
        *sizes[i] = limits && limits[i] != 0 ? limits[i] : defaults[i];
    }
    s->outputGrowStep = 2048;
    s->alloc = alloc;
    s->allocContext = allocContext;
    s->release = release;
    s->releaseContext = releaseContext;
    return s;
}

void PngInflateStreamDestroy(PngInflateStream* s) {
    if (!s) {
        return;
    }
    if (s->slot) {
        streamEnd(s);
    }
    releaseBuffers(s);
    PngReleaseAligned(s->release, s->releaseContext, s);
}

void PngInflateStreamGetInterface(PngInflateStream* s, PngInflateInterface* out) {
    out->stream = s;
    out->start = streamStart;
    out->end = streamEnd;
    out->feed = streamFeed;
    out->available = streamAvailable;
    out->read = streamRead;
}
