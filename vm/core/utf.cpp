// UTF-8 and UCS-2 conversion: the class-file form and standard UTF-8.
#include "vm/core/utf.h"

#include <stddef.h>

#include "vm/core/exceptions.h"

static inline bool isContinuation(uint8_t b) { return (b & 0xC0) == 0x80; }

uint16_t utf2unicode(const char** utf) {
    const uint8_t* p = (const uint8_t*)*utf;
    uint8_t b = p[0];
    if (b < 0x80) {
        *utf += 1;
        return b;
    }
    if (b >= 0xC0 && b <= 0xDF) {
        if (isContinuation(p[1])) {
            *utf += 2;
            return (uint16_t)(((b & 0x1F) << 6) | (p[1] & 0x3F));
        }
    } else if (b >= 0xE0 && b <= 0xEF) {
        if (isContinuation(p[1])) {
            // The third byte is looked at only behind a valid second one, so a text
            // that ends after two bytes is never read past its NUL.
            if (isContinuation(p[2])) {
                *utf += 3;
                return (uint16_t)(((b & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
            }
            *utf += 2;
            return 0x80;
        }
    }
    *utf += 1;
    return 0x80;
}

int utfStringLength(const char* utf, int length) {
    const uint8_t* p = (const uint8_t*)utf;
    int count = 0;
    for (int i = 0; i < length; count++) {
        switch (p[i] >> 4) {
            case 0x0:
            case 0x1:
            case 0x2:
            case 0x3:
            case 0x4:
            case 0x5:
            case 0x6:
            case 0x7:
                i += 1;
                break;
            case 0xC:
            case 0xD:
                i += 2;
                break;
            case 0xE:
                i += 3;
                break;
            default:
                fatalError("Bad UTF string");
                return count;
        }
    }
    return count;
}

// Bytes of one code unit in the class-file form.
static inline int utfLength(uint16_t c) { return (c >= 0x01 && c <= 0x7F) ? 1 : c <= 0x7FF ? 2 : 3; }

char* unicode2utf(const uint16_t* chars, int count, char* buffer, int size) {
    if (!buffer || size < 1) {
        return buffer;
    }
    uint8_t* out = (uint8_t*)buffer;
    int left = size - 1;
    for (int i = 0; chars && i < count; i++) {
        uint16_t c = chars[i];
        int n = utfLength(c);
        if (n > left) {
            break;
        }
        if (n == 1) {
            *out++ = (uint8_t)c;
        } else if (n == 2) {
            *out++ = (uint8_t)(0xC0 | (c >> 6));
            *out++ = (uint8_t)(0x80 | (c & 0x3F));
        } else {
            *out++ = (uint8_t)(0xE0 | (c >> 12));
            *out++ = (uint8_t)(0x80 | ((c >> 6) & 0x3F));
            *out++ = (uint8_t)(0x80 | (c & 0x3F));
        }
        left -= n;
    }
    *out = 0;
    return buffer;
}

int unicode2utfstrlen(const uint16_t* chars, int count) {
    int bytes = 0;
    for (int i = 0; chars && i < count; i++) {
        bytes += utfLength(chars[i]);
    }
    return bytes;
}

int utf16ToHostUtf8(const uint16_t* chars, int count, char* buffer, int size) {
    if (buffer == nullptr || size < 1) return 0;
    uint8_t* out = (uint8_t*)buffer;
    int left = size - 1;
    for (int i = 0; chars != nullptr && i < count; i++) {
        uint32_t c = chars[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count && chars[i + 1] >= 0xDC00 && chars[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (chars[i + 1] - 0xDC00u);
            i++;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        // NUL would end the text early: it stands as a space
        if (c == 0) c = ' ';
        int n = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        if (n > left) break;
        if (n == 1) {
            *out++ = (uint8_t)c;
        } else if (n == 2) {
            *out++ = (uint8_t)(0xC0 | (c >> 6));
            *out++ = (uint8_t)(0x80 | (c & 0x3F));
        } else if (n == 3) {
            *out++ = (uint8_t)(0xE0 | (c >> 12));
            *out++ = (uint8_t)(0x80 | ((c >> 6) & 0x3F));
            *out++ = (uint8_t)(0x80 | (c & 0x3F));
        } else {
            *out++ = (uint8_t)(0xF0 | (c >> 18));
            *out++ = (uint8_t)(0x80 | ((c >> 12) & 0x3F));
            *out++ = (uint8_t)(0x80 | ((c >> 6) & 0x3F));
            *out++ = (uint8_t)(0x80 | (c & 0x3F));
        }
        left -= n;
    }
    *out = 0;
    return (int)((char*)out - buffer);
}

int utf8CharKind(uint8_t lead) {
    if (lead < 0x80) {
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        return 2;
    }
    if ((lead & 0xF0) == 0xE0) {
        return 3;
    }
    return 0;
}

int utf8DecodeChar(const uint8_t* bytes, int available, uint16_t* out) {
    uint16_t c = 0xFFFD;
    int ok = 0;
    if (bytes && available >= 1) {
        uint8_t b = bytes[0];
        if (b < 0x80) {
            c = b;
            ok = 1;
        } else if ((b & 0xE0) == 0xC0) {
            if (available >= 2 && isContinuation(bytes[1])) {
                uint16_t v = (uint16_t)(((b & 0x1F) << 6) | (bytes[1] & 0x3F));
                if (v >= 0x80) {
                    c = v;
                    ok = 1;
                }
            }
        } else if ((b & 0xF0) == 0xE0) {
            if (available >= 3 && isContinuation(bytes[1]) && isContinuation(bytes[2])) {
                uint16_t v = (uint16_t)(((b & 0x0F) << 12) | ((bytes[1] & 0x3F) << 6) | (bytes[2] & 0x3F));
                if (v >= 0x800 && (v < 0xD800 || v > 0xDFFF)) {
                    c = v;
                    ok = 1;
                }
            }
        }
    }
    if (out) {
        *out = c;
    }
    return ok;
}

int utf8EncodeChar(uint16_t ch, uint8_t* buffer, int size) {
    if (!buffer || size < 4) {
        return -1;
    }
    if (ch < 0x80) {
        buffer[0] = (uint8_t)ch;
        return 1;
    }
    if (ch <= 0x7FF) {
        buffer[0] = (uint8_t)(0xC0 | (ch >> 6));
        buffer[1] = (uint8_t)(0x80 | (ch & 0x3F));
        return 2;
    }
    if (ch >= 0xD800 && ch <= 0xDFFF) {
        return 0;
    }
    buffer[0] = (uint8_t)(0xE0 | (ch >> 12));
    buffer[1] = (uint8_t)(0x80 | ((ch >> 6) & 0x3F));
    buffer[2] = (uint8_t)(0x80 | (ch & 0x3F));
    return 3;
}

int convertUnicodeToBytes(const uint16_t* chars, int start, int end, uint8_t* out, int outStart, int outEnd,
                          uint32_t* outPos, uint32_t* errors, uint32_t options) {
    if (!chars || start > end || outStart > outEnd || (!out && outStart < outEnd)) {
        return -1;
    }
    uint32_t errorCount = 0;
    int pos = outStart;
    int result = end - start;
    for (int i = start; i < end; i++) {
        uint8_t encoded[4];
        int n = utf8EncodeChar(chars[i], encoded, sizeof encoded);
        if (n == 0) {
            errorCount++;
            continue;
        }
        if (n > outEnd - pos) {
            result = -1;
            break;
        }
        for (int k = 0; k < n; k++) {
            out[pos++] = encoded[k];
        }
    }
    if (outPos) {
        *outPos = (uint32_t)pos;
    }
    if (errors) {
        *errors = errorCount;
    }
    return result;
}

int convertBytesToUnicode(const uint8_t* bytes, int start, int end, uint16_t* out, int outStart, int outEnd,
                          uint32_t* outPos, uint32_t* errors, uint32_t options) {
    if (!bytes || start > end || outStart > outEnd || (!out && outStart < outEnd)) {
        return -1;
    }
    uint32_t errorCount = 0;
    int pos = outStart;
    int i = start;
    // Each character is taken whole (one to three bytes) and written only when the
    // output has room; a full output stops before the character's first byte.
    while (i < end) {
        int kind = utf8CharKind(bytes[i]);
        if (kind == 0) {
            i++;  // a stray byte is skipped without counting
            continue;
        }
        if (end - i < kind) {
            i = end;  // an unfinished sequence at the end is consumed silently
            break;
        }
        uint16_t c;
        if (!utf8DecodeChar(bytes + i, kind, &c)) {
            errorCount += (uint32_t)kind;
            i += kind;
            continue;
        }
        if (pos >= outEnd) {
            break;
        }
        out[pos++] = c;
        i += kind;
    }
    if (outPos) {
        *outPos = (uint32_t)pos;
    }
    if (errors) {
        *errors = errorCount;
    }
    return i - start;
}
