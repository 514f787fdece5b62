// UTF-8 and UCS-2 conversion. Two families: the class-file form (U+0000 as C0 80,
// every 16-bit code unit encoded on its own, lenient decoding) for names, strings and
// class files; and standard UTF-8 (no surrogates, no over-long forms, errors counted)
// for data texts. Neither handles four-byte sequences.
#pragma once

#include <stdint.h>

// Class-file form.
// Decodes one character at *utf and advances *utf past it; bad bytes give 0x80.
uint16_t utf2unicode(const char** utf);
// Characters in the first length bytes; a byte that cannot start a character ends
// the run with "Bad UTF string".
int utfStringLength(const char* utf, int length);
// Encodes as many whole characters as fit in size - 1 bytes and ends with NUL.
char* unicode2utf(const uint16_t* chars, int count, char* buffer, int size);
// Bytes unicode2utf needs for count characters, without the NUL.
int unicode2utfstrlen(const uint16_t* chars, int count);

// Host form: standard UTF-8 for the trace and alerts. A surrogate pair is one four-byte
// sequence, a lone surrogate U+FFFD, U+0000 a space. Writes the whole characters that fit
// in size - 1 bytes and a NUL; returns the bytes written.
int utf16ToHostUtf8(const uint16_t* chars, int count, char* buffer, int size);

// Standard form.
// 1 and *out = the code unit, or 0 for a malformed sequence and *out = U+FFFD.
int utf8DecodeChar(const uint8_t* bytes, int available, uint16_t* out);
// Bytes written (1 to 3); 0 for a surrogate code unit; -1 when size is below 4.
int utf8EncodeChar(uint16_t ch, uint8_t* buffer, int size);
// 1 for 0x00-0x7F, 2 for 110xxxxx, 3 for 1110xxxx, 0 for any other byte.
int utf8CharKind(uint8_t lead);

// Encodes chars[start, end) into out[outStart, outEnd). Surrogates are dropped and
// counted in *errors. Returns end - start, or -1 for bad arguments or when the output
// ran out (the character that did not fit is not consumed). *outPos gets the
// position reached. options must be 0.
int convertUnicodeToBytes(const uint16_t* chars, int start, int end, uint8_t* out, int outStart, int outEnd,
                          uint32_t* outPos, uint32_t* errors, uint32_t options);
// Decodes bytes[start, end) into out[outStart, outEnd). Malformed two- and three-byte
// sequences add 2 or 3 to *errors and write nothing; stray bytes are skipped. Returns
// the bytes consumed (a full output stops before the character that did not fit), or
// -1 for bad arguments. *outPos gets the position reached. options must be 0.
int convertBytesToUnicode(const uint8_t* bytes, int start, int end, uint16_t* out, int outStart, int outEnd,
                          uint32_t* outPos, uint32_t* errors, uint32_t options);
