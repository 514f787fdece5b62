// Toolkit strings ("STR$"): UTF-16 text in one movable block behind a five-word header,
// editable in place when created growable ("STRB"); and the UTF-8 conversions the
// porting layer and the natives use on plain memory.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "toolkit/guitk_handle.h"

struct GuiTkString {
    uint32_t tag;          // "STR$"
    uint32_t growableTag;  // "STRB", or 0 for a fixed string
    uint32_t lockCount;    // outstanding StrLockChars
    int32_t length;
    int32_t capacity;
    // followed by capacity UTF-16 units, no terminator
};
static_assert(sizeof(GuiTkString) == 20, "the string header is five words");
static_assert(offsetof(GuiTkString, growableTag) == 4, "the growable tag is the second word");
enum { GUITK_STRING_MAX_CAPACITY = 0x3FFFFFF6 };

// -1 for a bad argument (fatal 3) or when the block cannot be had (not fatal).
int32_t StrCreate(const uint16_t* chars, int32_t length, int32_t capacity, int32_t growable);
int32_t StrCreateFromChars(const uint16_t* chars, int32_t length);
int32_t StrCreateWithCapacity(int32_t capacity);
void StrDestroy(int32_t string);
// The characters stay put until the matching unlock; null after a fatal error.
uint16_t* StrLockChars(int32_t string);
void StrUnlockChars(int32_t string);
int32_t StrGetLength(int32_t string);
int32_t StrGetCapacity(int32_t string);
// Growable strings only; a failed check is fatal and leaves the string as it was.
void StrSetChars(int32_t string, const uint16_t* chars, int32_t length);
void StrInsertChars(int32_t string, const uint16_t* chars, int32_t count, int32_t position);
void StrDeleteChars(int32_t string, int32_t start, int32_t count);

// UTF-8. Each UTF-16 unit is encoded on its own (a surrogate takes three bytes).
int32_t Utf16Utf8Length(const uint16_t* units, int32_t n);
int32_t Utf16ToUtf8(const uint16_t* units, int32_t n, uint8_t* bytes, int32_t capacity, int32_t* written);
// Bytes consumed, -1 when the output ran out, -2 for a bad argument. A sequence cut off
// by the end of the input is left unconsumed; invalid ones and values above U+FFFF
// become the replacement unit (U+FFFD for 0).
int32_t Utf8ToUtf16(const uint8_t* bytes, int32_t n, uint16_t* units, int32_t capacity, int32_t* written,
                    int32_t* replaced, uint16_t replacement);
int32_t Utf8CountChars(const uint8_t* bytes, int32_t n);
