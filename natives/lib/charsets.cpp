// UTF-8 and ISO-8859-1 as a Java program sees them.
#include "natives/lib/charsets.h"

#include <string.h>

#include "natives/lib/charcodes.h"

static bool quickCount(uint32_t flags) { return (flags & (CHARCONV_COUNT | CHARCONV_EXACT)) == CHARCONV_COUNT; }

static uint16_t decodeSubstitute(uint32_t flags) {
    uint16_t s = (uint16_t)charconvSubstitute(flags);
    return s != 0 ? s : 0xFFFD;
}

static uint8_t encodeSubstitute(uint32_t flags) {
    uint8_t s = (uint8_t)charconvSubstitute(flags);
    return s != 0 ? s : '?';
}

// One UTF-8 character at b[0, avail): the bytes it takes (1 to 4) with its units in out
// (*units 1 or 2, or 0 for a malformed part of the returned length), or 0 when b holds
// only the valid start of a character.
static int32_t decodeOne(const uint8_t* b, int32_t avail, uint16_t out[2], int32_t* units) {
    uint8_t b1 = b[0];
    *units = 1;
    if (b1 < 0x80) {
        out[0] = b1;
        return 1;
    }
    int32_t need;
    uint8_t low = 0x80, high = 0xBF;  // the range of the second byte
    if (b1 >= 0xC2 && b1 <= 0xDF) {
        need = 1;
    } else if (b1 >= 0xE0 && b1 <= 0xEF) {
        need = 2;
        if (b1 == 0xE0) low = 0xA0;  // over-long
    } else if (b1 >= 0xF0 && b1 <= 0xF4) {
        need = 3;
        if (b1 == 0xF0)
            low = 0x90;  // over-long
        else if (b1 == 0xF4)
            high = 0x8F;  // above U+10FFFF
    } else {
        *units = 0;
        return 1;
    }
    for (int32_t k = 1; k <= need; k++) {
        if (k >= avail) return 0;
        uint8_t c = b[k];
        if (k == 1 ? (c < low || c > high) : (c & 0xC0) != 0x80) {
            *units = 0;
            return k;
        }
    }
    if (need == 1) {
        out[0] = (uint16_t)((b1 & 0x1F) << 6 | (b[1] & 0x3F));
    } else if (need == 2) {
        uint16_t ch = (uint16_t)((b1 & 0x0F) << 12 | (b[1] & 0x3F) << 6 | (b[2] & 0x3F));
        // an encoded surrogate is one malformed character of three bytes
        if (ch >= 0xD800 && ch <= 0xDFFF) *units = 0;
        out[0] = ch;
    } else {
        uint32_t cp =
            (uint32_t)(b1 & 0x07) << 18 | (uint32_t)(b[1] & 0x3F) << 12 | (uint32_t)(b[2] & 0x3F) << 6 | (b[3] & 0x3F);
        cp -= 0x10000;
        out[0] = (uint16_t)(0xD800 + (cp >> 10));
        out[1] = (uint16_t)(0xDC00 + (cp & 0x3FF));
        *units = 2;
    }
    return need + 1;
}

static int32_t carriedLength(const uint8_t* carry) {
    int32_t n = 0;
    while (n < UTF8_CARRY_SIZE && carry[n] != 0) n++;
    return n;
}

int32_t convertUtf8ToUnicodeJava(const uint8_t* src, int32_t start, int32_t end, uint16_t* dst, int32_t dstStart,
                                 int32_t dstEnd, uint32_t* outPos, uint8_t* carry, uint32_t* unmappable,
                                 uint32_t flags) {
    if (src == nullptr || start > end || dstStart > dstEnd || outPos == nullptr) return -1;
    int32_t carried = carry != nullptr ? carriedLength(carry) : 0;
    if (quickCount(flags)) {
        // one character per byte at most; a carried start may add one substitute
        int32_t count = end - start + (carried > 0 ? 1 : 0);
        *outPos = (uint32_t)count;
        return end - start;
    }
    bool counting = (flags & CHARCONV_COUNT) != 0 || dst == nullptr;
    if (unmappable != nullptr) *unmappable = 0;
    int32_t pos = counting ? 0 : dstStart;
    int32_t i = start;
    uint8_t joined[4];                       // the carried bytes followed by the first new ones
    uint8_t countingCarry[UTF8_CARRY_SIZE];  // counting leaves the caller's carry as it is
    if (counting && carry != nullptr) {
        memcpy(countingCarry, carry, UTF8_CARRY_SIZE);
        carry = countingCarry;
    }
    while (i < end || carried > 0) {
        uint16_t out[2];
        int32_t units, taken;
        if (carried > 0) {
            int32_t fromSrc = end - i < 4 - carried ? end - i : 4 - carried;
            memcpy(joined, carry, (size_t)carried);
            memcpy(joined + carried, src + i, (size_t)fromSrc);
            taken = decodeOne(joined, carried + fromSrc, out, &units);
            if (taken == 0) {
                if (fromSrc == end - i && fromSrc > 0) {
                    // still unfinished: carry it on
                    memcpy(carry, joined, (size_t)(carried + fromSrc));
                    i = end;
                    break;
                }
                if (fromSrc == 0) break;  // nothing new: the carry waits for more input
                taken = carried + fromSrc;
                units = 0;
            }
            memset(carry, 0, UTF8_CARRY_SIZE);
            i += taken - carried;  // a carried start is valid, so taken is at least carried
            carried = 0;
        } else {
            uint8_t b = src[i];
            if (b < 0x80 && !counting && pos < dstEnd) {
                dst[pos++] = b;
                i++;
                continue;
            }
            taken = decodeOne(src + i, end - i, out, &units);
            if (taken == 0) {
                if (carry != nullptr) {
                    memcpy(carry, src + i, (size_t)(end - i));
                    i = end;
                    break;
                }
                taken = end - i;  // the text ends inside a character
                units = 0;
            }
            i += taken;
        }
        if (units == 0) {
            if (unmappable != nullptr) (*unmappable)++;
            if (!(flags & CHARCONV_SUBSTITUTE)) continue;
            out[0] = decodeSubstitute(flags);
            units = 1;
        }
        if (!counting) {
            if (units > dstEnd - pos) return -1;
            dst[pos] = out[0];
            if (units == 2) dst[pos + 1] = out[1];
        }
        pos += units;
    }
    *outPos = (uint32_t)pos;
    return i - start;
}

int32_t utf8ByteLength(const uint16_t* src, int32_t start, int32_t end) {
    int32_t n = 0;
    for (int32_t i = start; i < end; i++) {
        uint16_t c = src[i];
        n += c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
    }
    return n;
}

static bool isHighSurrogate(uint16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
static bool isLowSurrogate(uint16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

int32_t convertUnicodeToUtf8Java(const uint16_t* src, int32_t start, int32_t end, uint8_t* dst, int32_t dstStart,
                                 int32_t dstEnd, uint32_t* outPos, uint32_t* unmappable, uint32_t flags) {
    if (src == nullptr || start > end || dstStart > dstEnd || outPos == nullptr) return -1;
    if (quickCount(flags)) {
        *outPos = (uint32_t)utf8ByteLength(src, start, end);
        return end - start;
    }
    bool counting = (flags & CHARCONV_COUNT) != 0 || dst == nullptr;
    if (unmappable != nullptr) *unmappable = 0;
    int32_t pos = counting ? 0 : dstStart;
    int32_t i = start;
    while (i < end) {
        uint16_t c = src[i];
        if (c < 0x80 && !counting && pos < dstEnd) {
            dst[pos++] = (uint8_t)c;
            i++;
            continue;
        }
        uint8_t out[4];
        int32_t n, units = 1;
        if (c < 0x80) {
            out[0] = (uint8_t)c;
            n = 1;
        } else if (c < 0x800) {
            out[0] = (uint8_t)(0xC0 | c >> 6);
            out[1] = (uint8_t)(0x80 | (c & 0x3F));
            n = 2;
        } else if (isHighSurrogate(c) && i + 1 < end && isLowSurrogate(src[i + 1])) {
            uint32_t cp = 0x10000 + ((uint32_t)(c - 0xD800) << 10) + (uint32_t)(src[i + 1] - 0xDC00);
            out[0] = (uint8_t)(0xF0 | cp >> 18);
            out[1] = (uint8_t)(0x80 | (cp >> 12 & 0x3F));
            out[2] = (uint8_t)(0x80 | (cp >> 6 & 0x3F));
            out[3] = (uint8_t)(0x80 | (cp & 0x3F));
            n = 4;
            units = 2;
        } else if (isHighSurrogate(c) || isLowSurrogate(c)) {
            if (unmappable != nullptr) (*unmappable)++;
            n = 0;
            if (flags & CHARCONV_SUBSTITUTE) {
                out[0] = encodeSubstitute(flags);
                n = 1;
            }
        } else {
            out[0] = (uint8_t)(0xE0 | c >> 12);
            out[1] = (uint8_t)(0x80 | (c >> 6 & 0x3F));
            out[2] = (uint8_t)(0x80 | (c & 0x3F));
            n = 3;
        }
        if (!counting) {
            if (n > dstEnd - pos) {
                *outPos = (uint32_t)pos;
                return -1;
            }
            for (int32_t k = 0; k < n; k++) dst[pos + k] = out[k];
        }
        pos += n;
        i += units;
    }
    *outPos = (uint32_t)pos;
    return i - start;
}

int32_t convertLatin1ToUnicode(const uint8_t* src, int32_t start, int32_t end, uint16_t* dst, int32_t dstStart,
                               int32_t dstEnd, uint32_t* outPos, uint8_t* carry, uint32_t* unmappable, uint32_t flags) {
    if (src == nullptr || start > end || dstStart > dstEnd || outPos == nullptr) return -1;
    if (unmappable != nullptr && !quickCount(flags)) *unmappable = 0;
    if ((flags & CHARCONV_COUNT) != 0 || dst == nullptr) {
        *outPos = (uint32_t)(end - start);
        return end - start;
    }
    if (end - start > dstEnd - dstStart) return -1;
    for (int32_t i = start; i < end; i++) dst[dstStart + i - start] = src[i];
    *outPos = (uint32_t)(dstStart + end - start);
    return end - start;
}

int32_t convertUnicodeToLatin1(const uint16_t* src, int32_t start, int32_t end, uint8_t* dst, int32_t dstStart,
                               int32_t dstEnd, uint32_t* outPos, uint32_t* unmappable, uint32_t flags) {
    if (src == nullptr || start > end || dstStart > dstEnd || outPos == nullptr) return -1;
    if (quickCount(flags)) {
        *outPos = (uint32_t)(end - start);
        return end - start;
    }
    bool counting = (flags & CHARCONV_COUNT) != 0 || dst == nullptr;
    if (unmappable != nullptr) *unmappable = 0;
    int32_t pos = counting ? 0 : dstStart;
    int32_t i = start;
    while (i < end) {
        uint16_t c = src[i];
        int32_t units = 1;
        int32_t n = 1;
        uint8_t b = (uint8_t)c;
        if (c > 0xFF) {
            // a surrogate pair is one character, so one substitute
            if (isHighSurrogate(c) && i + 1 < end && isLowSurrogate(src[i + 1])) units = 2;
            if (unmappable != nullptr) (*unmappable)++;
            if (flags & CHARCONV_SUBSTITUTE)
                b = encodeSubstitute(flags);
            else
                n = 0;
        }
        if (!counting && n > 0) {
            if (pos >= dstEnd) {
                *outPos = (uint32_t)pos;
                return -1;
            }
            dst[pos] = b;
        }
        pos += n;
        i += units;
    }
    *outPos = (uint32_t)pos;
    return i - start;
}
