// The US-ASCII converters and the mvCharCodes drivers over any converter pair.
#include "natives/lib/charcodes.h"

#include "natives/lib/sjis.h"
#include "platform/vmsections.h"
#include "vm/core/utf.h"
#include "vm/services/memory.h"
#include "vm/trace/tracelog.h"

// Short results need no allocation: one buffer serves every "WithBuffer" driver.
static VMBSS uint8_t SharedBuffer[CHARCODES_BUFFER_SIZE];
// What a failing driver returns instead of null: an empty, terminated text.
static const uint32_t EmptyResult = 0;

bool mvCharCodes_isSharedBuffer(const void* p) { return p == SharedBuffer; }

static bool isCounting(uint32_t flags, const void* dst) { return (flags & CHARCONV_COUNT) != 0 || dst == nullptr; }
static bool isQuickCount(uint32_t flags) { return (flags & (CHARCONV_COUNT | CHARCONV_EXACT)) == CHARCONV_COUNT; }

int32_t asciiCharToByte(uint16_t ch, uint8_t* out, int32_t size) {
    if (size < 1) return -1;
    if (ch > 0x7F) return 0;
    out[0] = (uint8_t)ch;
    return 1;
}

int32_t convertUnicodeToAscii(const uint16_t* src, int32_t start, int32_t end, uint8_t* dst, int32_t dstStart,
                              int32_t dstEnd, uint32_t* outPos, uint32_t* unmappable, uint32_t flags) {
    if (src == nullptr || start > end || dstStart > dstEnd) return -1;
    if (isQuickCount(flags)) {
        *outPos = (uint32_t)(end - start);
        return end - start;
    }
    bool counting = isCounting(flags, dst);
    if (unmappable != nullptr) *unmappable = 0;
    int32_t pos = counting ? 0 : dstStart;
    int32_t i = start;
    bool stopped = false;
    for (; i < end; i++) {
        uint8_t out[2];
        int32_t n = asciiCharToByte(src[i], out, 2);
        if (n <= 0) {
            if (unmappable != nullptr) (*unmappable)++;
            if (flags & CHARCONV_SUBSTITUTE) {
                uint8_t substitute = (uint8_t)(flags >> 16);
                out[0] = substitute != 0 ? substitute : '?';
                n = 1;
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
                stopped = true;
                break;
            }
            for (int32_t k = 0; k < n; k++) dst[pos + k] = out[k];
        }
        pos += n;
    }
    *outPos = (uint32_t)pos;
    return stopped ? -(i - start) : i - start;
}

int32_t convertAsciiToUnicode(const uint8_t* src, int32_t start, int32_t end, uint16_t* dst, int32_t dstStart,
                              int32_t dstEnd, uint32_t* outPos, uint32_t* unmappable, uint32_t flags) {
    if (src == nullptr || start > end || dstStart > dstEnd) return -1;
    if (isQuickCount(flags)) {
        *outPos = (uint32_t)(end - start);
        return end - start;
    }
    bool counting = isCounting(flags, dst);
    if (unmappable != nullptr) *unmappable = 0;
    int32_t pos = counting ? 0 : dstStart;
    int32_t i = start;
    bool stopped = false;
    for (; i < end; i++) {
        uint16_t ch = src[i];
        bool write = true;
        if (ch > 0x7F) {
            if (unmappable != nullptr) (*unmappable)++;
            if (flags & CHARCONV_SUBSTITUTE) {
                uint16_t substitute = (uint16_t)charconvSubstitute(flags);
                ch = substitute != 0 ? substitute : 0xFFFD;
            } else if (!(flags & CHARCONV_RAW)) {
                write = false;
            }
        }
        if (!write) continue;
        if (!counting) {
            if (pos >= dstEnd) {
                stopped = true;
                break;
            }
            dst[pos] = ch;
        }
        pos++;
    }
    *outPos = (uint32_t)pos;
    return stopped ? -(i - start) : i - start;
}

int32_t convertUtf8ToUnicode(const uint8_t* src, int32_t start, int32_t end, uint16_t* dst, int32_t dstStart,
                             int32_t dstEnd, uint32_t* outPos, uint8_t* carry, uint32_t* unmappable, uint32_t flags) {
    if (src == nullptr || start > end || dstStart > dstEnd || outPos == nullptr) return -1;
    // a UTF-8 text never has more characters than bytes
    if (isQuickCount(flags)) {
        *outPos = (uint32_t)(end - start);
        return end - start;
    }
    uint32_t errors = 0;
    if (!isCounting(flags, dst)) {
        int32_t r = convertBytesToUnicode(src, start, end, dst, dstStart, dstEnd, outPos, &errors, 0);
        if (unmappable != nullptr) *unmappable = errors;
        return r;
    }
    // counting: decode through a scratch area
    uint16_t scratch[256];
    uint32_t count = 0;
    int32_t i = start;
    while (i < end) {
        uint32_t pos = 0, chunkErrors = 0;
        int32_t r = convertBytesToUnicode(src, i, end, scratch, 0, 256, &pos, &chunkErrors, 0);
        if (r < 0) return -1;
        count += pos;
        errors += chunkErrors;
        if (r == 0) break;
        i += r;
    }
    *outPos = count;
    if (unmappable != nullptr) *unmappable = errors;
    return i - start;
}

// Driver steps.

// The trace lines of each driver's failing steps: count, allocation, conversion.
static const char* const UnicodeToNativeWithBufferLines[3] = {
    "[mvCharCodes_unicode2nativeWithBuffer] count failed.",
    "[mvCharCodes_unicode2nativeWithBuffer] alloc memory failed.",
    "[mvCharCodes_unicode2nativeWithBuffer] trans failed."};
static const char* const UnicodeToNativeWithAllocLines[3] = {
    "[mvCharCodes_unicode2nativeWithAlloc] count failed.", "[mvCharCodes_unicode2nativeWithAlloc] alloc memory failed.",
    "[mvCharCodes_unicode2nativeWithAlloc] trans failed."};
static const char* const ByteToUnicodeWithBufferLines[3] = {"[mvCharCodes_byte2unicodeWithBuffer] count failed.",
                                                            "[mvCharCodes_byte2unicodeWithBuffer] alloc memory failed.",
                                                            "[mvCharCodes_byte2unicodeWithBuffer] trans failed."};
static const char* const ByteToUnicodeWithAllocLines[3] = {"[mvCharCodes_byte2unicodeWithAlloc] count failed.",
                                                           "[mvCharCodes_byte2unicodeWithAlloc] alloc memory failed.",
                                                           "[mvCharCodes_byte2unicodeWithAlloc] trans failed."};

static void* failWith(const char* line, int32_t* outLength, void* result) {
    mvTraceLog_info(line);
    if (outLength != nullptr) *outLength = 0;
    return result;
}

static uint8_t* unicode2native(const uint16_t* chars, int32_t length, int32_t* outLength, CharConverter encoder,
                               uint32_t flags, bool shared, const char* const lines[3]) {
    void* failure = shared ? (void*)&EmptyResult : nullptr;
    uint32_t count = 0, unmappable = 0;
    if (encoder(chars, 0, length, nullptr, 0, 0, &count, &unmappable, flags | CHARCONV_COUNT) < 0)
        return (uint8_t*)failWith(lines[0], outLength, failure);
    uint32_t need = count + 1;
    uint8_t* buffer =
        shared && need < CHARCODES_BUFFER_SIZE ? SharedBuffer : (uint8_t*)mvMemory_allocPointer((int32_t)need);
    if (buffer == nullptr) return (uint8_t*)failWith(lines[1], outLength, failure);
    uint32_t pos = 0;
    if (encoder(chars, 0, length, buffer, 0, (int32_t)count, &pos, &unmappable, flags) < 0) {
        if (buffer != SharedBuffer) mvMemory_freePointer(buffer);
        return (uint8_t*)failWith(lines[2], outLength, failure);
    }
    buffer[pos] = 0;
    if (outLength != nullptr) *outLength = (int32_t)pos;
    return buffer;
}

uint8_t* mvCharCodes_unicode2nativeWithBuffer(const uint16_t* chars, int32_t length, int32_t* outLength,
                                              CharConverter encoder, uint32_t flags) {
    return unicode2native(chars, length, outLength, encoder, flags, true, UnicodeToNativeWithBufferLines);
}

uint8_t* mvCharCodes_unicode2nativeWithAlloc(const uint16_t* chars, int32_t length, int32_t* outLength,
                                             CharConverter encoder, uint32_t flags) {
    return unicode2native(chars, length, outLength, encoder, flags, false, UnicodeToNativeWithAllocLines);
}

int32_t mvCharCodes_unicode2nativeLength(const uint16_t* chars, int32_t length, CharConverter encoder, uint32_t flags) {
    uint32_t count = 0, unmappable = 0;
    if (encoder(chars, 0, length, nullptr, 0, 0, &count, &unmappable, flags | CHARCONV_COUNT | CHARCONV_EXACT) < 0)
        return 0;
    return (int32_t)count;
}

static uint16_t* byte2unicode(const uint8_t* bytes, int32_t length, ByteConverter decoder, int32_t* outLength,
                              bool shared, const char* const lines[3]) {
    void* failure = shared ? (void*)&EmptyResult : nullptr;
    uint32_t count = 0;
    if (decoder(bytes, 0, length, nullptr, 0, 0, &count, nullptr, nullptr, CHARCONV_COUNT) < 0)
        return (uint16_t*)failWith(lines[0], outLength, failure);
    uint16_t* buffer = shared && count < CHARCODES_BUFFER_SIZE / 2
                           ? (uint16_t*)SharedBuffer
                           : (uint16_t*)mvMemory_allocPointer(count == 0 ? 2 : (int32_t)count * 2);
    if (buffer == nullptr) return (uint16_t*)failWith(lines[1], outLength, failure);
    uint32_t pos = 0;
    if (decoder(bytes, 0, length, buffer, 0, (int32_t)count, &pos, nullptr, nullptr, CHARCONV_SUBSTITUTE) < 0) {
        if ((uint8_t*)buffer != SharedBuffer) mvMemory_freePointer(buffer);
        return (uint16_t*)failWith(lines[2], outLength, failure);
    }
    if (outLength != nullptr) *outLength = (int32_t)pos;
    return buffer;
}

uint16_t* mvCharCodes_byte2unicodeWithBuffer(const uint8_t* bytes, int32_t length, ByteConverter decoder,
                                             int32_t* outLength) {
    return byte2unicode(bytes, length, decoder, outLength, true, ByteToUnicodeWithBufferLines);
}

uint16_t* mvCharCodes_byte2unicodeWithAlloc(const uint8_t* bytes, int32_t length, ByteConverter decoder,
                                            int32_t* outLength) {
    return byte2unicode(bytes, length, decoder, outLength, false, ByteToUnicodeWithAllocLines);
}

int32_t mvCharCodes_byte2unicodeLength(const uint8_t* bytes, int32_t length, ByteConverter decoder, uint32_t flags) {
    uint32_t count = 0;
    if (decoder(bytes, 0, length, nullptr, 0, 0, &count, nullptr, nullptr, flags | CHARCONV_COUNT | CHARCONV_EXACT) < 0)
        return 0;
    return (int32_t)count;
}

int32_t mvCharCodes_char2nativeCode(uint16_t ch, CharEncoder encoder) {
    uint8_t out[4];
    int32_t n = encoder(ch, out, 4);
    if (n <= 0) return 0;
    uint32_t code = 0;
    for (int32_t i = 0; i < n; i++) code = (code << 8) | out[i];
    return (int32_t)code;
}

void mvCharCodes_freeBuffer(void* buffer) {
    if (buffer == nullptr || buffer == SharedBuffer || buffer == &EmptyResult) return;
    mvMemory_freePointer(buffer);
}

// Bindings of the drivers to the encodings.

uint8_t* mvCharCodes_unicode2asciiWithBuffer(const uint16_t* chars, int32_t length, int32_t* outLength) {
    return mvCharCodes_unicode2nativeWithBuffer(chars, length, outLength, convertUnicodeToAscii, CHARCONV_SUBSTITUTE);
}
uint8_t* mvCharCodes_unicode2asciiWithAlloc(const uint16_t* chars, int32_t length, int32_t* outLength) {
    return mvCharCodes_unicode2nativeWithAlloc(chars, length, outLength, convertUnicodeToAscii, CHARCONV_SUBSTITUTE);
}
uint16_t* mvCharCodes_utf82unicodeWithBuffer(const uint8_t* bytes, int32_t length, int32_t* outLength) {
    return mvCharCodes_byte2unicodeWithBuffer(bytes, length, convertUtf8ToUnicode, outLength);
}
uint8_t* mvCharCodes_unicode2sjisWithBuffer(const uint16_t* chars, int32_t length, int32_t* outLength) {
    return mvCharCodes_unicode2nativeWithBuffer(chars, length, outLength, convertUnicodeToSjis, CHARCONV_SUBSTITUTE);
}
uint8_t* mvCharCodes_unicode2sjisWithAlloc(const uint16_t* chars, int32_t length, int32_t* outLength) {
    return mvCharCodes_unicode2nativeWithAlloc(chars, length, outLength, convertUnicodeToSjis, CHARCONV_SUBSTITUTE);
}
int32_t mvCharCodes_unicode2sjisLength(const uint16_t* chars, int32_t length) {
    return mvCharCodes_unicode2nativeLength(chars, length, convertUnicodeToSjis, CHARCONV_SUBSTITUTE);
}
int32_t mvCharCodes_unicode2sjisChar(uint16_t ch) { return mvCharCodes_char2nativeCode(ch, unicodeToSjisDispatch); }
int32_t mvCharCodes_sjis2unicodeLength(const uint8_t* bytes, int32_t length) {
    return mvCharCodes_byte2unicodeLength(bytes, length, convertSjisToUnicode, CHARCONV_SUBSTITUTE);
}
uint16_t* mvCharCodes_sjis2unicodeWithBuffer(const uint8_t* bytes, int32_t length, int32_t* outLength) {
    return mvCharCodes_byte2unicodeWithBuffer(bytes, length, convertSjisToUnicode, outLength);
}
uint16_t* mvCharCodes_sjis2unicodeWithAlloc(const uint8_t* bytes, int32_t length, int32_t* outLength) {
    return mvCharCodes_byte2unicodeWithAlloc(bytes, length, convertSjisToUnicode, outLength);
}

uint32_t mvCharCodes_sjis2unicodeWithHandle(const uint8_t* bytes, int32_t length, int32_t* outLength) {
    uint32_t count = 0, pos = 0;
    MemHandle handle = 0;
    uint16_t* chars = nullptr;
    const char* failed = nullptr;
    if (convertSjisToUnicode(bytes, 0, length, nullptr, 0, 0, &count, nullptr, nullptr,
                             CHARCONV_COUNT | CHARCONV_SUBSTITUTE) < 0) {
        failed = "[mvCharCodes_sjis2unicodeWithHandle] count failed.\n";
    } else if ((handle = mvMemory_allocHandle(count == 0 ? 2 : (int32_t)count * 2)) == 0 ||
               (chars = (uint16_t*)handleLock(handle)) == nullptr) {
        failed = "[mvCharCodes_sjis2unicodeWithHandle] alloc memory failed.\n";
    } else if (convertSjisToUnicode(bytes, 0, length, chars, 0, (int32_t)count, &pos, nullptr, nullptr,
                                    CHARCONV_SUBSTITUTE) < 0) {
        failed = "[mvCharCodes_sjis2unicodeWithHandle] trans failed.\n";
    }
    if (chars != nullptr) handleUnlock(handle);
    if (failed != nullptr) {
        if (handle != 0) freeHandle(handle);
        mvTraceLog_info(failed);
        if (outLength != nullptr) *outLength = 0;
        return 0;
    }
    if (outLength != nullptr) *outLength = (int32_t)pos;
    return handle;
}
