// The converter form every encoding shares (UTF-16 to bytes and back, with counting and
// unmappable-character options), the US-ASCII converters, and the mvCharCodes drivers
// that count, size a buffer, convert and terminate in one call.
#pragma once

#include <stdint.h>

enum {
    CHARCONV_COUNT = 0x2,       // with CHARCONV_EXACT: count by converting without writing;
    CHARCONV_EXACT = 0x4,       // alone: a quick estimate, never below the substituted output
    CHARCONV_SUBSTITUTE = 0x8,  // unmappable units become the value in bits 16-31 (or a default)
    CHARCONV_RAW = 0x10,        // unmappable units pass through as they are
};
inline uint32_t charconvSubstitute(uint32_t flags) { return flags >> 16; }

// UTF-16 to bytes. dst null counts only. A non-negative result is the source units
// consumed; *outPos gets dstStart plus the bytes written (in counting modes, the count).
typedef int32_t (*CharConverter)(const uint16_t* src, int32_t start, int32_t end, uint8_t* dst, int32_t dstStart,
                                 int32_t dstEnd, uint32_t* outPos, uint32_t* unmappable, uint32_t flags);
// Bytes to UTF-16; carry holds a lead byte that ended the previous input (may be null).
typedef int32_t (*ByteConverter)(const uint8_t* src, int32_t start, int32_t end, uint16_t* dst, int32_t dstStart,
                                 int32_t dstEnd, uint32_t* outPos, uint8_t* carry, uint32_t* unmappable,
                                 uint32_t flags);
// One character to at most size bytes: the bytes written, 0 when unmappable, negative
// when size is too small.
typedef int32_t (*CharEncoder)(uint16_t ch, uint8_t* out, int32_t size);

int32_t asciiCharToByte(uint16_t ch, uint8_t* out, int32_t size);
int32_t convertUnicodeToAscii(const uint16_t* src, int32_t start, int32_t end, uint8_t* dst, int32_t dstStart,
                              int32_t dstEnd, uint32_t* outPos, uint32_t* unmappable, uint32_t flags);
int32_t convertAsciiToUnicode(const uint8_t* src, int32_t start, int32_t end, uint16_t* dst, int32_t dstStart,
                              int32_t dstEnd, uint32_t* outPos, uint32_t* unmappable, uint32_t flags);
// The core's UTF-8 decoder in the converter form (no carry: a split character is lost).
int32_t convertUtf8ToUnicode(const uint8_t* src, int32_t start, int32_t end, uint16_t* dst, int32_t dstStart,
                             int32_t dstEnd, uint32_t* outPos, uint8_t* carry, uint32_t* unmappable, uint32_t flags);

enum { CHARCODES_BUFFER_SIZE = 512 };

// Results in the shared buffer stay valid until the next "WithBuffer" call; failures give
// the shared empty result (length 0), which mvCharCodes_freeBuffer leaves alone.
uint8_t* mvCharCodes_unicode2nativeWithBuffer(const uint16_t* chars, int32_t length, int32_t* outLength,
                                              CharConverter encoder, uint32_t flags);
uint8_t* mvCharCodes_unicode2nativeWithAlloc(const uint16_t* chars, int32_t length, int32_t* outLength,
                                             CharConverter encoder, uint32_t flags);
int32_t mvCharCodes_unicode2nativeLength(const uint16_t* chars, int32_t length, CharConverter encoder, uint32_t flags);
uint16_t* mvCharCodes_byte2unicodeWithBuffer(const uint8_t* bytes, int32_t length, ByteConverter decoder,
                                             int32_t* outLength);
uint16_t* mvCharCodes_byte2unicodeWithAlloc(const uint8_t* bytes, int32_t length, ByteConverter decoder,
                                            int32_t* outLength);
int32_t mvCharCodes_byte2unicodeLength(const uint8_t* bytes, int32_t length, ByteConverter decoder, uint32_t flags);
int32_t mvCharCodes_char2nativeCode(uint16_t ch, CharEncoder encoder);
void mvCharCodes_freeBuffer(void* buffer);

uint8_t* mvCharCodes_unicode2asciiWithBuffer(const uint16_t* chars, int32_t length, int32_t* outLength);
uint8_t* mvCharCodes_unicode2asciiWithAlloc(const uint16_t* chars, int32_t length, int32_t* outLength);
uint16_t* mvCharCodes_utf82unicodeWithBuffer(const uint8_t* bytes, int32_t length, int32_t* outLength);
uint8_t* mvCharCodes_unicode2sjisWithBuffer(const uint16_t* chars, int32_t length, int32_t* outLength);
uint8_t* mvCharCodes_unicode2sjisWithAlloc(const uint16_t* chars, int32_t length, int32_t* outLength);
int32_t mvCharCodes_unicode2sjisLength(const uint16_t* chars, int32_t length);
int32_t mvCharCodes_unicode2sjisChar(uint16_t ch);
int32_t mvCharCodes_sjis2unicodeLength(const uint8_t* bytes, int32_t length);
uint16_t* mvCharCodes_sjis2unicodeWithBuffer(const uint8_t* bytes, int32_t length, int32_t* outLength);
uint16_t* mvCharCodes_sjis2unicodeWithAlloc(const uint8_t* bytes, int32_t length, int32_t* outLength);
// The characters in a movable block of the memory interface (free it with freeHandle);
// 0 on failure.
uint32_t mvCharCodes_sjis2unicodeWithHandle(const uint8_t* bytes, int32_t length, int32_t* outLength);

// Whether p is the shared buffer (tests and callers that keep results apart).
bool mvCharCodes_isSharedBuffer(const void* p);
