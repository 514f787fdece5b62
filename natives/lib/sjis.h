// Shift_JIS: JIS X 0201 single bytes and the JIS X 0208 two-byte codes, in the converter
// form of charcodes.h. The code tables are generated (tools/sjisgen/sjis_tables.py).
#pragma once

#include <stdint.h>

inline bool isSjisLeadByte(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
inline bool isSjisTrailByte(uint8_t b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// Generated tables.
extern const uint8_t SjisDecodeRowOfLead[256];
extern const uint16_t SjisDecodeRows[][189];
extern const uint8_t SjisEncodePageOfHigh[256];
extern const uint16_t SjisEncodePages[][256];
extern const int32_t SjisEncodePageCount;

// code is lead * 256 + trail, or a single byte with lead 0. true and *out = the
// character, or false and *out = U+FFFD when the code is unmapped.
bool sjisToUnicode(uint16_t code, uint16_t* out);
// The bytes of ch into out: 1 or 2, 0 when unmapped, -2 when size is below 2.
int32_t unicodeToSjisDispatch(uint16_t ch, uint8_t* out, int32_t size);
// Quick counts: never below what a substituting conversion writes.
int32_t sjisByteLength(const uint16_t* src, int32_t start, int32_t end);
int32_t sjisCharCount(const uint8_t* src, int32_t start, int32_t end);

int32_t convertUnicodeToSjis(const uint16_t* src, int32_t start, int32_t end, uint8_t* dst, int32_t dstStart,
                             int32_t dstEnd, uint32_t* outPos, uint32_t* unmappable, uint32_t flags);
int32_t convertSjisToUnicode(const uint8_t* src, int32_t start, int32_t end, uint16_t* dst, int32_t dstStart,
                             int32_t dstEnd, uint32_t* outPos, uint8_t* carry, uint32_t* unmappable, uint32_t flags);
