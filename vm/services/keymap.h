// The key code map: the platform's key codes, the key indices and names the UI natives
// report to Java. 27 standard entries and an optional extended list from index 256.
#pragma once

#include <stdint.h>

#include "platform/p32.h"

enum { KEY_STANDARD_ENTRIES = 27, KEY_EXTENDED_BASE = 256 };

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
