// DEFLATE decoder: stored, fixed-code and dynamic-code blocks decoded straight into the
// caller's output area. Every length taken from the input is checked before it is used,
// every write is bounded by the expected length, and no byte beyond the compressed length is
// taken from the source (the bit buffer is padded with 0xFF bytes instead).

#include "vm/zip/inflate.h"

#include <string.h>

namespace {

// Base and extra bits of the length symbols 257-285 and of the distance codes 0-29.
const uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const uint16_t kDistanceBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                    33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                    1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// Order in which the code-length code lengths are stored.
const uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
// Bit reversal of every 5-bit value.
const uint8_t kReverse5[32] = {0, 16, 8, 24, 4, 20, 12, 28, 2, 18, 10, 26, 6, 22, 14, 30,
                               1, 17, 9, 25, 5, 21, 13, 29, 3, 19, 11, 27, 7, 23, 15, 31};

const int32_t kSlack = 4;      // bytes the bit buffer may take beyond the compressed data
const int kLengthsArea = 320;  // room for HLIT + HDIST code lengths (at most 288 + 32)
const int kLiteralPrimaryBits = 9;
const int kDistancePrimaryBits = 6;
const int kCodeLengthPrimaryBits = 6;

// Bit-reader and output state of one call.
struct InflateState {
    InflateSource* source;
    int32_t left;  // compressed length + 4, less every byte taken
    uint32_t bitCount;
    uint32_t bits;
    uint8_t** output;
    uint32_t produced;
    uint32_t expected;
    const InflateAllocator* allocator;
    InflateError error;  // the first failure's reason
};

// Notes why the block failed; answers false for the caller to return.
inline bool fail(InflateState* s, InflateError why) {
    s->error = why;
    return false;
}

// Next input byte once the fast run [next, end) is used up or the data has ended.
uint32_t slowByte(InflateSource* source, int32_t left) {
    if (left > kSlack && source->refill && source->refill(source) > 0 && source->next < source->end)
        return *source->next++;
    return 0xFF;
}

// End of the bytes in [in, end) that still lie inside the compressed data.
inline const uint8_t* fastLimit(const uint8_t* in, const uint8_t* end, int32_t left) {
    if (left <= kSlack) return in;
    uint32_t run = uint32_t(end - in);
    uint32_t data = uint32_t(left - kSlack);
    return in + (run < data ? run : data);
}

inline uint32_t takeByte(InflateState* s) {
    InflateSource* src = s->source;
    uint32_t b = (s->left > kSlack && src->next < src->end) ? *src->next++ : slowByte(src, s->left);
    s->left--;
    return b;
}

inline void needBits(InflateState* s, uint32_t n) {
    while (s->bitCount < n) {
        s->bits |= takeByte(s) << s->bitCount;
        s->bitCount += 8;
    }
}

inline uint32_t takeBits(InflateState* s, uint32_t n) {
    uint32_t v = s->bits & ((1u << n) - 1);
    s->bits >>= n;
    s->bitCount -= n;
    return v;
}

inline uint32_t reverse9(uint32_t x) { return (uint32_t(kReverse5[x & 31]) << 4) | kReverse5[(x >> 4) & 31]; }

inline uint32_t reverse15(uint32_t x) {
    return (uint32_t(kReverse5[x & 31]) << 10) | (uint32_t(kReverse5[(x >> 5) & 31]) << 5) | kReverse5[(x >> 10) & 31];
}

// Huffman table in one block: u16 primary bits, u16 longest length, the primary entries,
// then the sub-tables. An entry is symbol * 16 + code length; bit 15 marks a sub-table
// pointer whose low 15 bits are its byte offset in the block; 0 is an invalid code.
// Null when the code is invalid or the table cannot be had; *why says which.
uint16_t* buildTable(const uint8_t* lengths, int symbols, uint32_t primaryBits, const InflateAllocator* allocator,
                     InflateError* why) {
    *why = INFLATE_ERR_CODE;
    uint32_t count[16] = {0};
    for (int i = 0; i < symbols; i++) count[lengths[i] & 15]++;
    if (count[0] == uint32_t(symbols)) return nullptr;

    uint32_t next[16] = {0};
    uint32_t place = 0, longest = 0;
    for (uint32_t len = 1; len <= 15; len++) {
        next[len] = place;
        place += count[len] << (15 - len);
        if (count[len]) longest = len;
    }
    // Complete, or short of exactly one longest code (a lone distance code of one bit).
    if (place != 32768 && place + (1u << (15 - longest)) != 32768) return nullptr;

    uint32_t subTables = 0, subEntries = 0;
    if (longest > primaryBits) {
        subTables = (32768 - next[primaryBits + 1]) >> (15 - primaryBits);
        subEntries = 1u << (longest - primaryBits);
    } else {
        primaryBits = longest;
    }
    uint32_t primaryEntries = 1u << primaryBits;
    uint32_t entries = primaryEntries + subTables * subEntries;
    uint32_t bytes = entries * 2 + 4;
    // Sub-table offsets must fit the 15 bits of a pointer entry.
    if (subTables && 4 + (primaryEntries + (subTables - 1) * subEntries) * 2 > 0x7FFF) return nullptr;
    *why = INFLATE_ERR_NO_MEMORY;
    if (!allocator || !allocator->alloc) return nullptr;
    uint16_t* table = static_cast<uint16_t*>(allocator->alloc(allocator->context, int32_t(bytes)));
    if (!table) return nullptr;
    *why = INFLATE_ERR_CODE;
    memset(table, 0, bytes);
    table[0] = uint16_t(primaryBits);
    table[1] = uint16_t(longest);
    uint16_t* primary = table + 2;
    uint32_t usedSubTables = 0;

    for (int sym = 0; sym < symbols; sym++) {
        uint32_t len = lengths[sym];
        if (!len) continue;
        uint32_t reversed = reverse15(next[len]);
        next[len] += 1u << (15 - len);
        uint16_t entry = uint16_t(sym * 16 + len);
        if (len <= primaryBits) {
            for (uint32_t i = reversed; i < primaryEntries; i += 1u << len) primary[i] = entry;
            continue;
        }
        uint32_t slot = reversed & (primaryEntries - 1);
        if (!primary[slot]) {
            if (usedSubTables == subTables) {  // cannot happen for a checked code
                if (allocator->free) allocator->free(allocator->context, table);
                return nullptr;
            }
            primary[slot] = uint16_t(0x8000 | (4 + (primaryEntries + usedSubTables * subEntries) * 2));
            usedSubTables++;
        }
        uint16_t* sub = table + (primary[slot] & 0x7FFF) / 2;
        for (uint32_t i = reversed >> primaryBits; i < subEntries; i += 1u << (len - primaryBits)) sub[i] = entry;
    }
    *why = INFLATE_ERR_NONE;
    return table;
}

void freeTable(const InflateAllocator* allocator, uint16_t* table) {
    if (table && allocator->free) allocator->free(allocator->context, table);
}

bool storedBlock(InflateState* s) {
    takeBits(s, s->bitCount & 7);
    needBits(s, 32);
    uint32_t len = s->bits & 0xFFFF;
    uint32_t nlen = s->bits >> 16;
    if (len + nlen != 65535) {
        // lengths read from the padding behind the data: the data ended
        if (s->left + int32_t((s->bitCount - 32) / 8) < kSlack) return fail(s, INFLATE_ERR_INPUT_END);
        return fail(s, INFLATE_ERR_STORED_LENGTH);
    }
    if (int32_t(len) > s->left) return fail(s, INFLATE_ERR_STORED_OVERRUN);
    if (s->produced + len > s->expected) return fail(s, INFLATE_ERR_OUTPUT_OVERRUN);
    s->bits = 0;
    s->bitCount = 0;
    uint8_t* out = *s->output + s->produced;
    InflateSource* src = s->source;
    uint32_t todo = len;
    while (todo) {
        if (s->left > kSlack && src->next < src->end) {
            uint32_t run = uint32_t(src->end - src->next);
            uint32_t data = uint32_t(s->left - kSlack);
            if (run > data) run = data;
            if (run > todo) run = todo;
            memcpy(out, src->next, run);
            src->next += run;
            out += run;
            s->left -= int32_t(run);
            todo -= run;
        } else {
            *out++ = uint8_t(takeByte(s));
            todo--;
        }
    }
    s->produced += len;
    return true;
}

// The symbol loop of fixed and dynamic blocks; the bit buffer, input and output live in
// locals and go back to the state at the end of the block.
template <bool kFixed>
bool symbolLoop(InflateState* s, const uint16_t* litTable, const uint16_t* distTable) {
    InflateSource* src = s->source;
    // Bytes below inLimit are taken without further checks; input left is counted from
    // inBase rather than per byte.
    const uint8_t* in = src->next;
    const uint8_t* inBase = in;
    int32_t leftBase = s->left;
    const uint8_t* inLimit = fastLimit(in, src->end, leftBase);
    uint32_t bits = s->bits;
    uint32_t bitCount = s->bitCount;
    uint8_t* out = *s->output;
    uint32_t produced = s->produced;
    const uint32_t expected = s->expected;
    bool ok = false;
    // the reason a break leaves with; the loop's own end is the input's
    InflateError why = INFLATE_ERR_INPUT_END;

    uint32_t litPrimaryMask = 0, litLongMask = 0, litPrimary = 0;
    uint32_t distPrimaryMask = 0, distLongMask = 0, distPrimary = 0;
    if (!kFixed) {
        litPrimary = litTable[0];
        litPrimaryMask = (1u << litPrimary) - 1;
        litLongMask = (1u << litTable[1]) - 1;
        distPrimary = distTable[0];
        distPrimaryMask = (1u << distPrimary) - 1;
        distLongMask = (1u << distTable[1]) - 1;
    }

#define INFLATE_LEFT() (leftBase - int32_t(in - inBase))
#define INFLATE_NEED(n)                                  \
    while (bitCount < (n)) {                             \
        uint32_t b_;                                     \
        if (in < inLimit) {                              \
            b_ = *in++;                                  \
        } else {                                         \
            int32_t left_ = INFLATE_LEFT();              \
            src->next = in;                              \
            b_ = slowByte(src, left_);                   \
            in = inBase = src->next;                     \
            leftBase = left_ - 1;                        \
            inLimit = fastLimit(in, src->end, leftBase); \
        }                                                \
        bits |= b_ << bitCount;                          \
        bitCount += 8;                                   \
    }
#define INFLATE_DROP(n) (bits >>= (n), bitCount -= (n))

    while (INFLATE_LEFT() >= 0) {
        uint32_t sym;
        INFLATE_NEED(20);
        if (kFixed) {
            uint32_t v = reverse9(bits & 0x1FF);
            if (v < 96) {
                sym = 256 + v / 4;
                INFLATE_DROP(7);
            } else if (v < 384) {
                sym = v / 2 - 48;
                INFLATE_DROP(8);
            } else if (v < 400) {
                sym = v / 2 + 88;
                INFLATE_DROP(8);
            } else {
                sym = v - 256;
                INFLATE_DROP(9);
            }
        } else {
            uint32_t e = litTable[2 + (bits & litPrimaryMask)];
            if (e & 0x8000) e = litTable[(e & 0x7FFF) / 2 + ((bits & litLongMask) >> litPrimary)];
            if (!e) {
                why = INFLATE_ERR_CODE;
                break;
            }
            INFLATE_DROP(e & 15);
            sym = e >> 4;
        }

        if (sym < 256) {
            if (produced >= expected) {
                why = INFLATE_ERR_OUTPUT_OVERRUN;
                break;
            }
            out[produced++] = uint8_t(sym);
            continue;
        }
        if (sym == 256) {
            ok = true;
            why = INFLATE_ERR_NONE;
            break;
        }
        if (sym > 285) {
            why = INFLATE_ERR_SYMBOL;
            break;
        }
        sym -= 257;
        uint32_t length = kLengthBase[sym];
        if (kLengthExtra[sym]) {
            length += bits & ((1u << kLengthExtra[sym]) - 1);
            INFLATE_DROP(kLengthExtra[sym]);
        }

        INFLATE_NEED(15);
        uint32_t dcode;
        if (kFixed) {
            dcode = kReverse5[bits & 31];
            INFLATE_DROP(5);
        } else {
            uint32_t e = distTable[2 + (bits & distPrimaryMask)];
            if (e & 0x8000) e = distTable[(e & 0x7FFF) / 2 + ((bits & distLongMask) >> distPrimary)];
            if (!e) {
                why = INFLATE_ERR_CODE;
                break;
            }
            INFLATE_DROP(e & 15);
            dcode = e >> 4;
        }
        if (dcode > 29) {
            why = INFLATE_ERR_SYMBOL;
            break;
        }
        INFLATE_NEED(13);
        uint32_t distance = kDistanceBase[dcode];
        if (kDistanceExtra[dcode]) {
            distance += bits & ((1u << kDistanceExtra[dcode]) - 1);
            INFLATE_DROP(kDistanceExtra[dcode]);
        }

        if (distance > produced || length > expected - produced) {
            why = distance > produced ? INFLATE_ERR_DISTANCE : INFLATE_ERR_OUTPUT_OVERRUN;
            break;
        }
        uint8_t* dst = out + produced;
        const uint8_t* from = dst - distance;
        produced += length;
        if (distance >= length && length > 16) {
            memcpy(dst, from, length);
        } else if (distance == 1) {
            memset(dst, *from, length);
        } else {
            // Short or overlapping: byte by byte, so an overlap repeats the pattern.
            for (uint32_t i = 0; i < length; i++) dst[i] = from[i];
        }
    }
    src->next = in;
    s->left = INFLATE_LEFT();
#undef INFLATE_LEFT
#undef INFLATE_NEED
#undef INFLATE_DROP

    s->bits = bits;
    s->bitCount = bitCount;
    s->produced = produced;
    if (!ok) s->error = why;
    return ok;
}

bool dynamicBlock(InflateState* s) {
    needBits(s, 14);
    int literals = int(takeBits(s, 5)) + 257;
    int distances = int(takeBits(s, 5)) + 1;
    int codeLengthCodes = int(takeBits(s, 4)) + 4;

    uint8_t lengths[kLengthsArea];
    memset(lengths, 0, 19);
    for (int i = 0; i < codeLengthCodes; i++) {
        needBits(s, 3);
        lengths[kCodeLengthOrder[i]] = uint8_t(takeBits(s, 3));
    }
    if (s->left < 0) return fail(s, INFLATE_ERR_INPUT_END);
    InflateError why;
    uint16_t* codeTable = buildTable(lengths, 19, kCodeLengthPrimaryBits, s->allocator, &why);
    if (!codeTable) return fail(s, why);

    memset(lengths, 0, sizeof lengths);
    const int total = literals + distances;
    const uint32_t primaryMask = (1u << codeTable[0]) - 1;
    const uint32_t longMask = (1u << codeTable[1]) - 1;
    bool ok = true;
    for (int i = 0; i < total;) {
        if (s->left < 0) {
            ok = fail(s, INFLATE_ERR_INPUT_END);
            break;
        }
        needBits(s, 22);
        uint32_t e = codeTable[2 + (s->bits & primaryMask)];
        if (e & 0x8000) e = codeTable[(e & 0x7FFF) / 2 + ((s->bits & longMask) >> codeTable[0])];
        if (!e) {
            ok = fail(s, INFLATE_ERR_CODE);
            break;
        }
        takeBits(s, e & 15);
        uint32_t sym = e >> 4;
        if (sym < 16) {
            lengths[i++] = uint8_t(sym);
            continue;
        }
        int repeat;
        uint8_t value = 0;
        if (sym == 16) {
            if (i == 0) {
                ok = fail(s, INFLATE_ERR_REPEAT);
                break;
            }
            value = lengths[i - 1];
            repeat = 3 + int(takeBits(s, 2));
        } else if (sym == 17) {
            repeat = 3 + int(takeBits(s, 3));
        } else if (sym == 18) {
            repeat = 11 + int(takeBits(s, 7));
        } else {
            ok = fail(s, INFLATE_ERR_SYMBOL);
            break;
        }
        // A run past the declared lengths is refused; the area is never overrun.
        if (repeat > total - i) {
            ok = fail(s, INFLATE_ERR_REPEAT);
            break;
        }
        memset(lengths + i, value, size_t(repeat));
        i += repeat;
    }
    freeTable(s->allocator, codeTable);
    if (!ok) return false;

    uint16_t* litTable = buildTable(lengths, literals, kLiteralPrimaryBits, s->allocator, &why);
    if (!litTable) return fail(s, why);
    uint16_t* distTable = buildTable(lengths + literals, distances, kDistancePrimaryBits, s->allocator, &why);
    if (!distTable) {
        freeTable(s->allocator, litTable);
        return fail(s, why);
    }
    ok = symbolLoop<false>(s, litTable, distTable);
    freeTable(s->allocator, distTable);
    freeTable(s->allocator, litTable);
    return ok;
}

}  // namespace

static int32_t refillFromRead(InflateSource* source) {
    InflateReadFn read = reinterpret_cast<InflateReadFn>(source->function);
    int32_t n = read(source->buffer, int32_t(sizeof source->buffer), source->context);
    if (n <= 0) return 0;
    if (n > int32_t(sizeof source->buffer)) n = int32_t(sizeof source->buffer);
    source->next = source->buffer;
    source->end = source->buffer + n;
    return n;
}

static int32_t refillFromByte(InflateSource* source) {
    InflateByteFn byte = reinterpret_cast<InflateByteFn>(source->function);
    source->byte = uint8_t(byte(source->context, &source->position));
    source->next = &source->byte;
    source->end = &source->byte + 1;
    return 1;
}

void inflateReadSource(InflateSource* source, InflateReadFn read, void* context) {
    source->refill = read ? refillFromRead : nullptr;
    source->next = source->end = source->buffer;
    source->context = context;
    source->function = reinterpret_cast<void*>(read);
    source->position = 0;
    source->byte = 0;
}

void inflateByteSource(InflateSource* source, InflateByteFn byte, void* context, int32_t position) {
    source->refill = byte ? refillFromByte : nullptr;
    source->next = source->end = nullptr;
    source->context = context;
    source->function = reinterpret_cast<void*>(byte);
    source->position = position;
    source->byte = 0;
}

void inflateMemorySource(InflateSource* source, const uint8_t* data, int32_t size) {
    source->refill = nullptr;
    source->next = data;
    source->end = data && size > 0 ? data + size : data;
    source->context = nullptr;
    source->function = nullptr;
    source->position = 0;
    source->byte = 0;
}

const char* inflateErrorName(InflateError error) {
    static const char* const names[] = {
        "no error",
        "bad arguments",
        "block type 3",
        "stored length and complement disagree",
        "stored block past the input",
        "invalid Huffman code",
        "repeat out of place",
        "symbol out of range",
        "back reference before the start",
        "output beyond the expected length",
        "input ended early",
        "no memory for a table",
        "output shorter than expected",
        "compressed bytes left over",
    };
    static_assert(sizeof names / sizeof names[0] == INFLATE_ERR_COUNT, "a name for every reason");
    return error >= 0 && error < INFLATE_ERR_COUNT ? names[error] : "unknown";
}

int32_t inflateData(InflateSource* source, int32_t compressedLength, uint8_t** output, int32_t expectedLength,
                    const InflateAllocator* allocator) {
    if (!source || !output || compressedLength < 0 || compressedLength > INT32_MAX - kSlack || expectedLength < 0 ||
        (expectedLength > 0 && !*output)) {
        if (source) source->error = INFLATE_ERR_ARGUMENT;
        return 0;
    }
    InflateState s;
    s.source = source;
    s.left = compressedLength + kSlack;
    s.bitCount = 0;
    s.bits = 0;
    s.output = output;
    s.produced = 0;
    s.expected = uint32_t(expectedLength);
    s.allocator = allocator;
    s.error = INFLATE_ERR_NONE;
    source->error = INFLATE_ERR_NONE;

    InflateError why = INFLATE_ERR_NONE;
    for (;;) {
        if (s.left < 0) {
            why = INFLATE_ERR_INPUT_END;
            break;
        }
        needBits(&s, 3);
        uint32_t final = takeBits(&s, 1);
        uint32_t type = takeBits(&s, 2);
        bool ok;
        switch (type) {
            case 0:
                ok = storedBlock(&s);
                break;
            case 1:
                ok = symbolLoop<true>(&s, nullptr, nullptr);
                break;
            case 2:
                ok = dynamicBlock(&s);
                break;
            default:
                ok = fail(&s, INFLATE_ERR_BLOCK_TYPE);
                break;
        }
        if (!ok) {
            why = s.error;
            break;
        }
        if (final) break;
    }
    int32_t unused = s.left + int32_t(s.bitCount / 8);  // kSlack when exactly the data was used
    if (why == INFLATE_ERR_NONE && s.produced != s.expected) why = INFLATE_ERR_LENGTH;
    if (why == INFLATE_ERR_NONE && unused > kSlack) why = INFLATE_ERR_TRAILING;
    // bits taken from the padding behind the data: whatever they decoded to, the data ended
    if (unused < kSlack) why = INFLATE_ERR_INPUT_END;
    source->error = why;
    return why == INFLATE_ERR_NONE ? 1 : 0;
}
