// Shift_JIS encoder and decoder over the generated tables.
#include "natives/lib/sjis.h"

#include "natives/lib/charcodes.h"

bool sjisToUnicode(uint16_t code, uint16_t* out) {
    uint8_t lead = (uint8_t)(code >> 8), trail = (uint8_t)code;
    uint16_t ch = 0;
    if (lead == 0) {
        if (trail < 0x80)
            ch = trail;
        else if (trail >= 0xA1 && trail <= 0xDF)
            ch = (uint16_t)(trail + 0xFEC0);
        else
            ch = 0xFFFD;
        *out = ch;
        return ch != 0xFFFD;
    }
    uint8_t row = SjisDecodeRowOfLead[lead];
    if (row != 0 && isSjisTrailByte(trail)) ch = SjisDecodeRows[row - 1][trail - 0x40];
    if (ch == 0) {
        *out = 0xFFFD;
        return false;
    }
    *out = ch;
    return true;
}

int32_t unicodeToSjisDispatch(uint16_t ch, uint8_t* out, int32_t size) {
    if (size < 2) return -2;
    uint16_t code;
    if (ch < 0x80) {
        code = ch;
    } else {
        uint8_t page = SjisEncodePageOfHigh[ch >> 8];
        if (page == 0) return 0;
        code = SjisEncodePages[page - 1][ch & 0xFF];
        if (code == 0) return 0;
    }
    if (code < 0x100) {
        out[0] = (uint8_t)code;
        return 1;
    }
    out[0] = (uint8_t)(code >> 8);
    out[1] = (uint8_t)code;
    return 2;
}

int32_t sjisByteLength(const uint16_t* src, int32_t start, int32_t end) {
    int32_t n = 0;
    for (int32_t i = start; i < end; i++) {
        uint16_t c = src[i];
        bool single = c <= 0x80 || (c >= 0xFF61 && c <= 0xFF9F) || c == 0x00A0 || c == 0x00A5 || c == 0x203E;
        n += single ? 1 : 2;
    }
    return n;
}

int32_t sjisCharCount(const uint8_t* src, int32_t start, int32_t end) {
    int32_t n = 0;
    for (int32_t i = start; i < end; i++) {
        if (isSjisLeadByte(src[i])) {
            if (i + 1 >= end) break;  // a lead byte without its trail is not a character yet
            i++;
        }
        n++;
    }
    return n;
}

int32_t convertUnicodeToSjis(const uint16_t* src, int32_t start, int32_t end, uint8_t* dst, int32_t dstStart,
                             int32_t dstEnd, uint32_t* outPos, uint32_t* unmappable, uint32_t flags) {
    if (src == nullptr || start > end || dstStart > dstEnd) return -1;
    if ((flags & (CHARCONV_COUNT | CHARCONV_EXACT)) == CHARCONV_COUNT) {
        int32_t length = sjisByteLength(src, start, end);
        if (length < 1) {
            *outPos = 0;
            return 0;
        }
        *outPos = (uint32_t)length;
        return end - start;
    }
    bool counting = (flags & CHARCONV_COUNT) != 0 || dst == nullptr;
    int32_t pos = counting ? 0 : dstStart;
    int32_t i = start;
    for (; i < end; i++) {
        uint8_t out[2];
        int32_t n = unicodeToSjisDispatch(src[i], out, 2);
        if (n < 1 || n > 2) {
            if (unmappable != nullptr) (*unmappable)++;
            if (flags & CHARCONV_SUBSTITUTE) {
                uint16_t substitute = (uint16_t)charconvSubstitute(flags);
                if (substitute == 0) substitute = '?';
                if (substitute > 0xFF) {
                    out[0] = (uint8_t)(substitute >> 8);
                    out[1] = (uint8_t)substitute;
                    n = 2;
                } else {
                    out[0] = (uint8_t)substitute;
                    n = 1;
                }
            } else if (flags & CHARCONV_RAW) {
                out[0] = (uint8_t)(src[i] >> 8);
                out[1] = (uint8_t)src[i];
                n = 2;
            } else {
                n = 0;
            }
        }
        if (!counting) {
            if (n > dstEnd - pos) {
                *outPos = (uint32_t)pos;
                return -1;
            }
            for (int32_t k = 0; k < n; k++) dst[pos + k] = out[k];
        }
        pos += n;
    }
    *outPos = (uint32_t)pos;
    return i - start;
}

int32_t convertSjisToUnicode(const uint8_t* src, int32_t start, int32_t end, uint16_t* dst, int32_t dstStart,
                             int32_t dstEnd, uint32_t* outPos, uint8_t* carry, uint32_t* unmappable, uint32_t flags) {
    if (src == nullptr || start > end || dstStart > dstEnd || outPos == nullptr) return -1;
    if ((flags & (CHARCONV_COUNT | CHARCONV_EXACT)) == CHARCONV_COUNT) {
        int32_t count = sjisCharCount(src, start, end);
        if (count < 1) {
            *outPos = 0;
            return 0;
        }
        *outPos = (uint32_t)count;
        return end - start;
    }
    bool counting = (flags & CHARCONV_COUNT) != 0 || dst == nullptr;
    if (unmappable != nullptr) *unmappable = 0;
    int32_t pos = counting ? 0 : dstStart;
    uint8_t lead = carry != nullptr ? *carry : 0;
    int32_t i = start;
    while (i < end) {
        uint8_t b = src[i++];
        uint16_t ch;
        bool mapped;
        if (lead == 0) {
            if (isSjisLeadByte(b)) {
                lead = b;
                if (i == end && carry != nullptr) *carry = b;
                continue;
            }
            mapped = sjisToUnicode(b, &ch);
            if (!mapped) {
                if (unmappable != nullptr) (*unmappable)++;
                ch = b;
            }
        } else {
            uint16_t code = (uint16_t)(lead << 8 | b);
            lead = 0;
            // the byte after a lead is taken whatever it is
            mapped = isSjisTrailByte(b) && sjisToUnicode(code, &ch);
            if (!mapped) {
                if (unmappable != nullptr) *unmappable += 2;
                ch = code;
            }
        }
        if (!mapped) {
            if (flags & CHARCONV_SUBSTITUTE) {
                uint16_t substitute = (uint16_t)charconvSubstitute(flags);
                ch = substitute != 0 ? substitute : 0xFFFD;
            } else if (!(flags & CHARCONV_RAW)) {
                continue;
            }
        }
        if (!counting) {
            // the caller sizes the destination with the quick count; a full one is its fault
            if (pos >= dstEnd) return -1;
            dst[pos] = ch;
        }
        pos++;
    }
    *outPos = (uint32_t)pos;
    return i - start;
}
