// Toolkit strings and the UTF-8 conversions.
#include "toolkit/guitk_string.h"

namespace {

inline uint16_t* charsOf(GuiTkString* s) { return (uint16_t*)(s + 1); }

GuiTkString* lockString(int32_t string) { return (GuiTkString*)GuiTkLockTyped(string, 0, GUITK_TAG_STR); }

// An editable string: growable and not locked by anyone; null (after the fatal error)
// otherwise, and then the block is unlocked again.
GuiTkString* lockEditable(int32_t string) {
    GuiTkString* s = lockString(string);
    if (s == nullptr) return nullptr;
    int32_t code = 0;
    if (s->growableTag != GUITK_TAG_STRB)
        code = GUITK_ERROR_HANDLE;
    else if (s->lockCount != 0)
        code = GUITK_ERROR_STATE;
    if (code != 0) {
        GuiTkUnlockHandle(string);
        GuiTkFatalError(code);
        return nullptr;
    }
    return s;
}

void refuseEdit(int32_t string) {
    GuiTkUnlockHandle(string);
    GuiTkFatalError(GUITK_ERROR_ARGUMENT);
}

}  // namespace

int32_t StrCreate(const uint16_t* chars, int32_t length, int32_t capacity, int32_t growable) {
    if (length < 0 || capacity < length || capacity >= GUITK_STRING_MAX_CAPACITY || (chars == nullptr && length > 0)) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return -1;
    }
    int32_t string = GuiTkAllocHandle((int32_t)sizeof(GuiTkString) + capacity * 2);
    if (string == -1) return -1;
    GuiTkString* s = (GuiTkString*)GuiTkLockHandle(string);
    if (s == nullptr) {
        GuiTkFreeHandle(string);
        return -1;
    }
    s->tag = GUITK_TAG_STR;
    s->growableTag = growable != 0 ? (uint32_t)GUITK_TAG_STRB : 0u;
    s->lockCount = 0;
    s->length = length;
    s->capacity = capacity;
    if (chars != nullptr) GuiTkCopy(charsOf(s), chars, (size_t)length * 2);
    GuiTkUnlockHandle(string);
    return string;
}

int32_t StrCreateFromChars(const uint16_t* chars, int32_t length) { return StrCreate(chars, length, length, 0); }
int32_t StrCreateWithCapacity(int32_t capacity) { return StrCreate(nullptr, 0, capacity, 1); }

void StrDestroy(int32_t string) {
    GuiTkString* s = lockString(string);
    if (s == nullptr) return;
    if (s->lockCount != 0) {
        GuiTkUnlockHandle(string);
        GuiTkFatalError(GUITK_ERROR_STATE);
        return;
    }
    s->tag = 0;
    GuiTkUnlockHandle(string);
    GuiTkFreeHandle(string);
}

uint16_t* StrLockChars(int32_t string) {
    GuiTkString* s = lockString(string);
    if (s == nullptr) return nullptr;
    if (s->lockCount == 0xFFFFFFFFu) {
        GuiTkUnlockHandle(string);
        GuiTkFatalError(GUITK_ERROR_LOCK);
        return nullptr;
    }
    // The first lock keeps its host lock for all of them.
    if (s->lockCount++ != 0) GuiTkUnlockHandle(string);
    return charsOf(s);
}

void StrUnlockChars(int32_t string) {
    GuiTkString* s = lockString(string);
    if (s == nullptr) return;
    if (s->lockCount == 0) {
        GuiTkUnlockHandle(string);
        GuiTkFatalError(GUITK_ERROR_STATE);
        return;
    }
    uint32_t left = --s->lockCount;
    GuiTkUnlockHandle(string);
    if (left == 0) GuiTkUnlockHandle(string);
}

int32_t StrGetLength(int32_t string) {
    return GuiTkGetTypedInt(string, 0, GUITK_TAG_STR, (int32_t)offsetof(GuiTkString, length));
}

int32_t StrGetCapacity(int32_t string) {
    return GuiTkGetTypedInt(string, (int32_t)offsetof(GuiTkString, growableTag), GUITK_TAG_STRB,
                            (int32_t)offsetof(GuiTkString, capacity));
}

void StrSetChars(int32_t string, const uint16_t* chars, int32_t length) {
    GuiTkString* s = lockEditable(string);
    if (s == nullptr) return;
    if (length < 0 || (chars == nullptr && length != 0) || length > s->capacity) return refuseEdit(string);
    s->length = length;
    if (chars != nullptr) GuiTkCopy(charsOf(s), chars, (size_t)length * 2);
    GuiTkUnlockHandle(string);
}

void StrInsertChars(int32_t string, const uint16_t* chars, int32_t count, int32_t position) {
    GuiTkString* s = lockEditable(string);
    if (s == nullptr) return;
    if (count < 0 || (chars == nullptr && count != 0) || position < 0 || position > s->length ||
        count > s->capacity - s->length)
        return refuseEdit(string);
    if (count != 0) {
        uint16_t* text = charsOf(s);
        GuiTkMove(text + position + count, text + position, (size_t)(s->length - position) * 2);
        GuiTkCopy(text + position, chars, (size_t)count * 2);
        s->length += count;
    }
    GuiTkUnlockHandle(string);
}

void StrDeleteChars(int32_t string, int32_t start, int32_t count) {
    GuiTkString* s = lockEditable(string);
    if (s == nullptr) return;
    if (start < 0 || count < 0 || start > s->length || count > s->length - start) return refuseEdit(string);
    uint16_t* text = charsOf(s);
    GuiTkMove(text + start, text + start + count, (size_t)(s->length - start - count) * 2);
    s->length -= count;
    GuiTkUnlockHandle(string);
}

// UTF-8.

static int32_t utf8Size(uint16_t unit) { return unit < 0x80 ? 1 : unit < 0x800 ? 2 : 3; }

int32_t Utf16Utf8Length(const uint16_t* units, int32_t n) {
    if (units == nullptr || n < 0) return -1;
    int32_t total = 0;
    for (int32_t i = 0; i < n; i++) total += utf8Size(units[i]);
    return total;
}

int32_t Utf16ToUtf8(const uint16_t* units, int32_t n, uint8_t* bytes, int32_t capacity, int32_t* written) {
    if (written != nullptr) *written = 0;
    if (n < 0 || capacity < 0) return -2;
    if (n > 0 && capacity == 0) return -1;
    if (units == nullptr || bytes == nullptr) return -2;
    if (n == 0) return 0;
    int32_t out = 0, result = n;
    for (int32_t i = 0; i < n; i++) {
        uint16_t u = units[i];
        int32_t size = utf8Size(u);
        if (size > capacity - out) {
            result = -1;
            break;
        }
        if (size == 1) {
            bytes[out] = (uint8_t)u;
        } else if (size == 2) {
            bytes[out] = (uint8_t)(0xC0 | u >> 6);
            bytes[out + 1] = (uint8_t)(0x80 | (u & 0x3F));
        } else {
            bytes[out] = (uint8_t)(0xE0 | u >> 12);
            bytes[out + 1] = (uint8_t)(0x80 | (u >> 6 & 0x3F));
            bytes[out + 2] = (uint8_t)(0x80 | (u & 0x3F));
        }
        out += size;
    }
    if (written != nullptr) *written = out;
    return result;
}

// The length of the sequence a lead byte starts; 0 for a byte that cannot lead
// (a continuation byte or 1111111x).
static int32_t utf8SequenceLength(uint8_t lead) {
    if (lead < 0x80) return 1;
    if (lead < 0xC0) return 0;
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) return 3;
    if (lead < 0xF8) return 4;
    if (lead < 0xFC) return 5;
    if (lead < 0xFE) return 6;
    return 0;
}

int32_t Utf8ToUtf16(const uint8_t* bytes, int32_t n, uint16_t* units, int32_t capacity, int32_t* written,
                    int32_t* replaced, uint16_t replacement) {
    if (written != nullptr) *written = 0;
    if (replaced != nullptr) *replaced = 0;
    if (bytes == nullptr || units == nullptr) return -2;
    if (n < 0 || capacity < 0) return -2;
    if (n > 0 && capacity == 0) return -1;
    if (n == 0) return 0;
    uint16_t substitute = replacement != 0 ? replacement : 0xFFFD;
    int32_t in = 0, out = 0, bad = 0, result = 0;
    while (in < n) {
        int32_t length = utf8SequenceLength(bytes[in]);
        if (length > n - in) break;  // cut off: left for the next call
        if (out == capacity) {
            result = -1;
            break;
        }
        bool valid = length != 0;
        uint32_t value = 0;
        if (length == 1) {
            value = bytes[in];
        } else if (valid) {
            // the lead's payload bits: 7 - length of them
            value = bytes[in] & (0x7Fu >> length);
            for (int32_t k = 1; k < length; k++) {
                uint8_t b = bytes[in + k];
                if ((b & 0xC0) != 0x80) valid = false;
                value = value << 6 | (b & 0x3F);
            }
        }
        if (!valid || value > 0xFFFF) {
            units[out++] = substitute;
            bad++;
        } else {
            units[out++] = (uint16_t)value;
        }
        in += length != 0 ? length : 1;
    }
    if (written != nullptr) *written = out;
    if (replaced != nullptr) *replaced = bad;
    return result < 0 ? result : in;
}

int32_t Utf8CountChars(const uint8_t* bytes, int32_t n) {
    if (bytes == nullptr || n < 0) return -1;
    int32_t in = 0, count = 0;
    while (in < n) {
        int32_t length = utf8SequenceLength(bytes[in]);
        if (length == 0) length = 1;  // a stray byte stands for one replacement
        if (length > n - in) break;
        count++;
        in += length;
    }
    return count;
}
