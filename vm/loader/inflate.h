// The VM's own DEFLATE decoder (RFC 1951) for JAR entries: one call decodes a whole entry
// into an output area of known size, reading its input through an adaptor and taking its
// Huffman tables from a caller's allocator. No window is kept; back references copy from
// the output area itself.
#pragma once

#include <stdint.h>

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
// output area. Answers 1 on success and 0 on any failure:
// bad arguments, block type 3, a stored length that disagrees with its complement or
// overruns the input or the output, an invalid or incomplete Huffman code, a repeat or
// symbol out of range, a back reference before the output's start, output beyond
// expectedLength, input used up, a failed table allocation, or a final length mismatch.
int32_t inflateData(InflateSource* source, int32_t compressedLength, uint8_t** output, int32_t expectedLength,
                    const InflateAllocator* allocator);
