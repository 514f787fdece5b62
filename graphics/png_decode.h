// The PNG decoder: reads PNG data held in memory chunk by chunk and writes its pixels as
// 32-bit ARGB words (0xAARRGGBB, samples scaled to 8 bits) into a decode buffer. Every
// colour type and bit depth, Adam7 interlacing, palettes and tRNS transparency.
// PngReadSize, PngGetImageSize, PngGetDecodeBufferSize, PngDecodeToARGB and
// PngDecodeImage also leave the reason of a failure for PngLastError (png_error.h).
#pragma once

#include <stdint.h>

#include "graphics/png_error.h"
#include "platform/surface.h"

// Decode buffer header: width, height, stride in bytes; the pixels follow.
enum { PNG_DECODE_HEADER_WORDS = 3 };

// 1 when length is at least 8 and the data starts with the PNG signature.
int PngCheckSignature(const uint8_t* data, uint32_t length);
int PngIsPng(const uint8_t* data, uint32_t length);
// Width and height of the IHDR, both 0 unless the data holds at least 33 bytes, the
// signature, and a first chunk that is an IHDR of 13 bytes with a matching CRC.
void PngReadSize(const uint8_t* data, uint32_t length, uint32_t* width, uint32_t* height);
// 0 and the size (as PngReadSize) for PNG data, else 1.
int PngGetImageSize(const uint8_t* data, uint32_t length, uint32_t* width, uint32_t* height);
// ((width + 7) / 8) x height x 32 + 16 bytes; 0 when the size cannot be read, is 0, or
// the image has more pixels than a surface may have.
uint32_t PngGetDecodeBufferSize(const uint8_t* data, uint32_t length);
// Decodes into buffer (PngGetDecodeBufferSize bytes): the three header words, then the
// pixels; rows the data does not deliver stay 0. Answers stride x height, 0 on failure.
int32_t PngDecodeToARGB(const uint8_t* data, uint32_t length, uint8_t* buffer);
// Decodes into the image's surface (of the PNG's size) through a decode buffer from the
// storage arena: 0 done, 2 bad data, 3 no memory for the buffer.
int PngDecodeImage(const uint8_t* data, uint32_t length, MkSurface* surface);
