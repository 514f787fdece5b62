// The key code map: the platform's key codes, the key indices and names the UI natives
// report to Java. 27 standard entries and an optional extended list from index 256.
#pragma once

#include <stdint.h>

#include "platform/p32.h"

enum { KEY_STANDARD_ENTRIES = 27, KEY_EXTENDED_BASE = 256 };

// The standard entries' indices, which key events carry; the rest stand unused. Java's
// Displayable knows the two soft keys' by the same numbers.
enum {
    AM_KEYCODE_NUM0 = 0,
    AM_KEYCODE_NUM1 = 1,
    AM_KEYCODE_NUM2 = 2,
    AM_KEYCODE_NUM3 = 3,
    AM_KEYCODE_NUM4 = 4,
    AM_KEYCODE_NUM5 = 5,
    AM_KEYCODE_NUM6 = 6,
    AM_KEYCODE_NUM7 = 7,
    AM_KEYCODE_NUM8 = 8,
    AM_KEYCODE_NUM9 = 9,
    AM_KEYCODE_ASTERISK = 10,
    AM_KEYCODE_POUND = 11,
    AM_KEYCODE_LEFT = 16,
    AM_KEYCODE_UP = 17,
    AM_KEYCODE_RIGHT = 18,
    AM_KEYCODE_DOWN = 19,
    AM_KEYCODE_SELECT = 20,
    AM_KEYCODE_SOFT1 = 21,
    AM_KEYCODE_SOFT2 = 22,
    AM_KEYCODE_SOFT3 = 23,
    AM_KEYCODE_SEND = 25,
    AM_KEYCODE_CLEAR = 26,
};
static_assert(AM_KEYCODE_CLEAR == KEY_STANDARD_ENTRIES - 1, "clear is the last standard entry");

// The host's records; the names lie in the low window (the program's own constants do).
struct KeyEntry {
    int32_t code;
    P32<const char> name;  // not terminated; null for an unused entry
    int32_t nameLength;
};
static_assert(sizeof(KeyEntry) == 12, "a key entry is three words");

struct KeyExtendedList {
    P32<const KeyEntry> entries;
    int32_t count;
};
static_assert(sizeof(KeyExtendedList) == 8, "the extended list is two words");

// Either may be null and then stays as it was; the extended list stays the host's. 1.
int32_t mvKey_setKeyMap(const KeyEntry* table, const KeyExtendedList* extended);
// Copies the standard table out and gives the extended list (either may be null).
void mvKey_getKeyMap(KeyEntry* table, const KeyExtendedList** extended);
int32_t mvKey_getKeyCode(int32_t index);
int32_t mvKey_translateKeyCode(int32_t index);
// 0..26, 256 + i for the extended list, or -1.
int32_t mvKey_getKeyIndex(int32_t code);
// 0..26 from the standard table alone, or -1.
int32_t mvKey_getStandardKeyIndex(int32_t code);
// 1 with the name of the first entry with that code and a name; 0 when none has.
int32_t mvKey_getKeyName(int32_t code, const char** name, int32_t* length);
