// The VM's own DEFLATE decoder (RFC 1951) for JAR entries: one call decodes a whole entry
// into an output area of known size, reading its input through an adaptor and taking its
// Huffman tables from a caller's allocator. No window is kept; back references copy from
// the output area itself.
#pragma once

#include <stdint.h>

// Why a decode failed; inflateData leaves it in its source's error word.
enum InflateError : int32_t {
    INFLATE_ERR_NONE,
    INFLATE_ERR_ARGUMENT,        // no source or output, or a length out of range
    INFLATE_ERR_BLOCK_TYPE,      // block type 3
    INFLATE_ERR_STORED_LENGTH,   // a stored length that disagrees with its complement
    INFLATE_ERR_STORED_OVERRUN,  // a stored block longer than the input left
    INFLATE_ERR_CODE,            // an invalid or incomplete Huffman code, or an unused code read
    INFLATE_ERR_REPEAT,          // a repeat with nothing before it, or past the lengths
    INFLATE_ERR_SYMBOL,          // a length or distance symbol out of range
    INFLATE_ERR_DISTANCE,        // a back reference before the output's start
    INFLATE_ERR_OUTPUT_OVERRUN,  // output beyond the expected length
    INFLATE_ERR_INPUT_END,       // the input used up before the last block ended
    INFLATE_ERR_NO_MEMORY,       // a table could not be allocated
    INFLATE_ERR_LENGTH,          // fewer bytes than expected at the end
    INFLATE_ERR_TRAILING,        // compressed bytes left after the last block
    INFLATE_ERR_COUNT
};
// A short text for the trace and messages.
const char* inflateErrorName(InflateError error);

// Where input bytes come from. The decoder takes bytes from [next, end); when they are used
// up it calls refill, which sets next and end to the following run of input and answers its
// length, or 0 or less at the end of the input (the decoder then reads 0xFF bytes).
// The decoder never takes more bytes from a source than the compressed length.
struct InflateSource {
    int32_t (*refill)(InflateSource* source);
    const uint8_t* next;
    const uint8_t* end;
    void* context;
    void* function;    // the adaptor's callback
    int32_t position;  // position word of the byte-callback adaptor
    uint8_t byte;      // the last byte of the byte-callback adaptor
    // the read adaptor's refill buffer, one per stream: streams may inflate at once
    uint8_t buffer[256];
    InflateError error;  // why the last inflateData over this source failed, or NONE
};

// read(buffer, size, context) -> bytes placed in the buffer, 0 or less at the end of input.
typedef int32_t (*InflateReadFn)(uint8_t* buffer, int32_t size, void* context);
// byte(context, &position) -> the next byte, advancing the position; a failure value is
// taken as its low eight bits.
typedef int32_t (*InflateByteFn)(void* context, int32_t* position);

// Buffered read callback: refills the source's own 256-byte buffer through
// read(buffer, 256, context).
void inflateReadSource(InflateSource* source, InflateReadFn read, void* context);
// Byte callback: one byte per call; the position word starts at the given value.
void inflateByteSource(InflateSource* source, InflateByteFn byte, void* context, int32_t position);
// Bytes already in memory.
void inflateMemorySource(InflateSource* source, const uint8_t* data, int32_t size);

// Where Huffman tables come from: alloc answers null to fail the block (or leaves by a
// Java exception); free is called for every table, the code-length table once the lengths
// are read and the other two at the end of their block. A table is used across the next
// allocation, so it must not move until it is freed (pin it in a moving heap).
struct InflateAllocator {
    void* (*alloc)(void* context, int32_t size);
    void (*free)(void* context, void* block);
    void* context;
};

// Decodes compressedLength bytes of DEFLATE data into *output, which must end up holding
// exactly expectedLength bytes with exactly compressedLength bytes consumed. *output is read
// again at every block and after every table allocation, since an allocation may move the
// output area. Answers 1 on success and 0 on any failure, whose reason (InflateError) it
// leaves in source->error.
int32_t inflateData(InflateSource* source, int32_t compressedLength, uint8_t** output, int32_t expectedLength,
                    const InflateAllocator* allocator);
