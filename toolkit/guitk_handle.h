// Tagged records behind handles: every toolkit object lives in a movable block reached
// through its handle, carries a four-character tag at a fixed place, and is locked only
// for one access; the typed family checks the tag on every lock. Also the growable
// handle array ("ARRY").
#pragma once

#include <stdint.h>

#include "toolkit/guitk_host.h"

// A tag is the four characters read as a multi-character constant, first character in
// the most significant byte; stored little-endian like any word.
constexpr uint32_t guiTkTag(const char (&s)[5]) {
    return (uint32_t)(uint8_t)s[0] << 24 | (uint32_t)(uint8_t)s[1] << 16 | (uint32_t)(uint8_t)s[2] << 8 |
           (uint32_t)(uint8_t)s[3];
}
enum : uint32_t {
    GUITK_TAG_COMP = guiTkTag("COMP"),
    GUITK_TAG_STR = guiTkTag("STR$"),
    GUITK_TAG_STRB = guiTkTag("STRB"),
    GUITK_TAG_LBMG = guiTkTag("LBMG"),
    GUITK_TAG_ARRY = guiTkTag("ARRY"),
};
static_assert(GUITK_TAG_COMP == 0x434F4D50, "tag characters, first in the high byte");

// Locks the handle and checks the tag word at the byte place: the pointer (still locked,
// the caller unlocks), or null after fatal error 4 (the block unlocked again).
void* GuiTkLockTyped(int32_t handle, int32_t place, uint32_t tag);

// One field at a byte position, in one lock; 0 when the lock fails.
int32_t GuiTkGetTypedInt(int32_t handle, int32_t place, uint32_t tag, int32_t position);
uint32_t GuiTkGetTypedShort(int32_t handle, int32_t place, uint32_t tag, int32_t position);
uint32_t GuiTkGetTypedByte(int32_t handle, int32_t place, uint32_t tag, int32_t position);
int32_t GuiTkGetTypedFlag(int32_t handle, int32_t place, uint32_t tag, int32_t position);
void GuiTkSetTypedInt(int32_t handle, int32_t place, uint32_t tag, int32_t position, int32_t value);
void GuiTkSetTypedShort(int32_t handle, int32_t place, uint32_t tag, int32_t position, int32_t value);
void GuiTkSetTypedByte(int32_t handle, int32_t place, uint32_t tag, int32_t position, int32_t value);
void GuiTkSetTypedPair(int32_t handle, int32_t place, uint32_t tag, int32_t position, int32_t first, int32_t second);
// A flag must be 0 or 1: anything else is fatal 3 and is stored all the same.
void GuiTkSetTypedFlag(int32_t handle, int32_t place, uint32_t tag, int32_t position, int32_t value);
void GuiTkCheckFlag(int32_t value);

// a + b, or 0x7FFFFFFF when the signed sum wraps below a.
int32_t GuiTkAddSaturated(int32_t a, int32_t b);

// The handle array: a record of four words and a separate data block of its elements.
struct GuiTkHandleArray {
    uint32_t tag;  // "ARRY"
    int32_t capacity;
    int32_t count;
    int32_t data;  // handle of capacity 32-bit elements
};
static_assert(sizeof(GuiTkHandleArray) == 16, "GuiTkHandleArray is four words");
enum { GUITK_ARRAY_INITIAL = 8, GUITK_ARRAY_LIMIT = 0x20000000 };

int32_t HandleArrayCreate(void);  // -1 when either block cannot be had
void HandleArrayDestroy(int32_t array);
int32_t HandleArrayCount(int32_t array);
int32_t HandleArrayGet(int32_t array, int32_t index);  // fatal 3 and 0 outside 0..count-1
// 0, or -1 (nothing changed) for a bad index (fatal 3) or when the array cannot grow.
int32_t HandleArrayInsert(int32_t array, int32_t value, int32_t index);
int32_t HandleArrayAppend(int32_t array, int32_t value);
void HandleArrayRemove(int32_t array, int32_t index);
void HandleArrayClear(int32_t array);
