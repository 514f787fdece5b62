// Strings of unknown length from the handlers' tables: a table function fills a UTF-16
// buffer and answers the length of its text, which may be more than the buffer held.
#pragma once

#include <stdint.h>

#include "vm/core/native.h"
#include "vm/services/memory.h"

// fill(buffer, capacity) answers the text's length. First a buffer of 128 characters, then
// one of exactly the length asked for, as long as the answer is larger. Null on a negative
// answer or when no buffer can be had. A table that keeps asking for more is given up
// after a few rounds rather than followed to the end of memory.
template <typename Fill>
StringInstance* mediaGrowingString(Fill fill) {
    int32_t capacity = 128;
    for (int round = 0; round < 8; round++) {
        uint16_t* buffer = (uint16_t*)mvMemory_allocPointer(capacity * 2);
        if (buffer == nullptr) return nullptr;
        int32_t length = fill(buffer, capacity);
        if (length < 0) {
            mvMemory_freePointer(buffer);
            return nullptr;
        }
        if (length <= capacity) {
            StringInstance* s = tryInstantiateStringFromUnicode(buffer, length);
            mvMemory_freePointer(buffer);
            return s;
        }
        mvMemory_freePointer(buffer);
        capacity = length;
    }
    return nullptr;
}

// The stream natives' variant: 64 characters, then one retry with the length asked for.
// A null answer for a negative length, and for 0 unless emptyIsText.
template <typename Fill>
StringInstance* mediaStreamString(Fill fill, bool emptyIsText) {
    int32_t capacity = 64;
    for (int round = 0; round < 2; round++) {
        uint16_t* buffer = (uint16_t*)mvMemory_allocPointer(capacity * 2);
        if (buffer == nullptr) return nullptr;
        int32_t length = fill(buffer, capacity);
        if (length < 0 || (length == 0 && !emptyIsText)) {
            mvMemory_freePointer(buffer);
            return nullptr;
        }
        if (length <= capacity) {
            StringInstance* s = tryInstantiateStringFromUnicode(buffer, length);
            mvMemory_freePointer(buffer);
            return s;
        }
        mvMemory_freePointer(buffer);
        capacity = length;
    }
    return nullptr;
}
