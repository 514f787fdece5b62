// UTF-8 and ISO-8859-1 in the converter form of charcodes.h, with the results a Java
// program expects of those charsets: a malformed UTF-8 sequence becomes one substitute
// per maximal invalid part, four-byte sequences become surrogate pairs and back, a lone
// surrogate is unmappable, and a character outside Latin-1 (a surrogate pair counting
// as one character) is unmappable in ISO-8859-1. Unmappable input is substituted (flag
// 0x8: bits 16-31, else U+FFFD or "?") or dropped.
#pragma once

#include <stdint.h>

enum { UTF8_CARRY_SIZE = 3 };

// carry: UTF8_CARRY_SIZE bytes holding the start of a character that ended the previous
// input, zero-filled (may be null: the input then ends the text, and a character it cuts
// short becomes one substitute). A full destination gives -1.
int32_t convertUtf8ToUnicodeJava(const uint8_t* src, int32_t start, int32_t end, uint16_t* dst, int32_t dstStart,
                                 int32_t dstEnd, uint32_t* outPos, uint8_t* carry, uint32_t* unmappable,
                                 uint32_t flags);
int32_t convertUnicodeToUtf8Java(const uint16_t* src, int32_t start, int32_t end, uint8_t* dst, int32_t dstStart,
                                 int32_t dstEnd, uint32_t* outPos, uint32_t* unmappable, uint32_t flags);
int32_t convertLatin1ToUnicode(const uint8_t* src, int32_t start, int32_t end, uint16_t* dst, int32_t dstStart,
                               int32_t dstEnd, uint32_t* outPos, uint8_t* carry, uint32_t* unmappable, uint32_t flags);
int32_t convertUnicodeToLatin1(const uint16_t* src, int32_t start, int32_t end, uint8_t* dst, int32_t dstStart,
                               int32_t dstEnd, uint32_t* outPos, uint32_t* unmappable, uint32_t flags);
// Quick counts, never below the output.
int32_t utf8ByteLength(const uint16_t* src, int32_t start, int32_t end);
