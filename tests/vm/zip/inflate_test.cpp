// Inflater: zlib-made streams decode byte-exact, hand-built streams probe each check, and
// mutated streams never make it read or write outside exact-size heap buffers.

#include "vm/zip/inflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <stdlib.h>
#include <string.h>

#include <random>
#include <string>
#include <vector>

#include "vm/zip/inflate_corpus.h"

namespace {

// Table allocator over malloc that counts live tables, so a leaked table shows.
struct CountingHeap {
    int live = 0;
    int allocs = 0;
    int failAt = -1;  // allocation number that answers null
};

void* countingAlloc(void* context, int32_t size) {
    CountingHeap* heap = static_cast<CountingHeap*>(context);
    if (heap->allocs++ == heap->failAt) return nullptr;
    heap->live++;
    return malloc(size_t(size));
}

void countingFree(void* context, void* block) {
    static_cast<CountingHeap*>(context)->live--;
    free(block);
}

// Runs the inflater over exact-size heap copies of the input and the output area.
struct Outcome {
    int32_t result;
    Bytes output;
    int liveTables;
    InflateError error;
};

Outcome inflateExact(const Bytes& input, int32_t compressedLength, int32_t expected, CountingHeap* heap = nullptr) {
    CountingHeap local;
    if (!heap) heap = &local;
    InflateAllocator allocator = {countingAlloc, countingFree, heap};
    uint8_t* in = static_cast<uint8_t*>(malloc(input.size() ? input.size() : 1));
    if (!input.empty()) memcpy(in, input.data(), input.size());
    uint8_t* out = static_cast<uint8_t*>(malloc(expected > 0 ? size_t(expected) : 1));
    InflateSource source;
    inflateMemorySource(&source, in, int32_t(input.size()));
    int32_t r = inflateData(&source, compressedLength, &out, expected, &allocator);
    Outcome o{r, Bytes(out, out + (expected > 0 ? expected : 0)), heap->live, source.error};
    free(out);
    free(in);
    return o;
}

Outcome inflateExact(const Bytes& input, int32_t expected, CountingHeap* heap = nullptr) {
    return inflateExact(input, int32_t(input.size()), expected, heap);
}

struct CorpusItem {
    const char* name;
    Bytes data;
};

std::vector<CorpusItem> corpus() {
    return {
        {"empty", Bytes()},
        {"one byte", Bytes{0x42}},
        {"text 200k", textData(200000, 1)},
        {"noise 70k", noiseData(70000, 2)},
        {"runs 150k", runData(150000, 3)},
        {"mixed 300k", mixedData(300000, 4)},
        {"zeros 100k", Bytes(100000, 0)},
    };
}

TEST(Inflate, ZlibCorpusDecodesByteExact) {
    struct Mode {
        const char* name;
        int level;
        int strategy;
    };
    const Mode modes[] = {
        {"level 0", 0, Z_DEFAULT_STRATEGY},
        {"level 1", 1, Z_DEFAULT_STRATEGY},
        {"level 2", 2, Z_DEFAULT_STRATEGY},
        {"level 3", 3, Z_DEFAULT_STRATEGY},
        {"level 4", 4, Z_DEFAULT_STRATEGY},
        {"level 5", 5, Z_DEFAULT_STRATEGY},
        {"level 6", 6, Z_DEFAULT_STRATEGY},
        {"level 7", 7, Z_DEFAULT_STRATEGY},
        {"level 8", 8, Z_DEFAULT_STRATEGY},
        {"level 9", 9, Z_DEFAULT_STRATEGY},
        {"fixed", 9, Z_FIXED},
        {"fixed level 1", 1, Z_FIXED},
        {"huffman only", 6, Z_HUFFMAN_ONLY},
        {"rle", 6, Z_RLE},
    };
    for (const CorpusItem& item : corpus()) {
        for (const Mode& mode : modes) {
            Bytes packed = zlibDeflate(item.data, mode.level, mode.strategy);
            ASSERT_FALSE(packed.empty()) << item.name << ", " << mode.name;
            CountingHeap heap;
            Outcome o = inflateExact(packed, int32_t(item.data.size()), &heap);
            std::string what = std::string(item.name) + ", " + mode.name;
            EXPECT_EQ(1, o.result) << what;
            EXPECT_TRUE(o.output == item.data) << what;
            EXPECT_EQ(0, o.liveTables) << what;
        }
    }
}

// Bits in DEFLATE order; Huffman codes go most significant bit first.
struct BitWriter {
    Bytes bytes;
    uint32_t count = 0;
    void bits(uint32_t value, uint32_t n) {
        for (uint32_t i = 0; i < n; i++, count++) {
            if (count % 8 == 0) bytes.push_back(0);
            if (value >> i & 1) bytes.back() |= uint8_t(1 << (count % 8));
        }
    }
    void code(uint32_t value, uint32_t n) {
        for (uint32_t i = n; i-- > 0;) bits(value >> i & 1, 1);
    }
};

// Canonical codes for the given lengths (RFC 1951, 3.2.2).
std::vector<uint32_t> canonicalCodes(const std::vector<int>& lengths) {
    int count[16] = {0};
    for (int l : lengths) count[l]++;
    count[0] = 0;
    uint32_t next[16] = {0}, code = 0;
    for (int l = 1; l < 16; l++) {
        code = (code + uint32_t(count[l - 1])) << 1;
        next[l] = code;
    }
    std::vector<uint32_t> codes(lengths.size());
    for (size_t i = 0; i < lengths.size(); i++)
        if (lengths[i]) codes[i] = next[lengths[i]]++;
    return codes;
}

// Fixed-code writer.
void fixedSymbol(BitWriter& w, int sym) {
    if (sym < 144)
        w.code(0x30 + uint32_t(sym), 8);
    else if (sym < 256)
        w.code(0x190 + uint32_t(sym - 144), 9);
    else if (sym < 280)
        w.code(uint32_t(sym - 256), 7);
    else
        w.code(0xC0 + uint32_t(sym - 280), 8);
}

void fixedMatch(BitWriter& w, int length, int distance) {
    static const int lbase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
    static const int lextra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                   2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    static const int dbase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                  33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                  1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
    static const int dextra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                   6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
    int l = 28;
    while (lbase[l] > length) l--;
    fixedSymbol(w, 257 + l);
    w.bits(uint32_t(length - lbase[l]), uint32_t(lextra[l]));
    int d = 29;
    while (dbase[d] > distance) d--;
    w.code(uint32_t(d), 5);
    w.bits(uint32_t(distance - dbase[d]), uint32_t(dextra[d]));
}

// A dynamic block from explicit code lengths, each written as a plain length symbol unless
// lengthSymbols gives the sequence of code-length symbols to write.
struct DynamicBlock {
    std::vector<int> litLengths;                     // HLIT entries
    std::vector<int> distLengths;                    // HDIST entries
    std::vector<int> clLengths;                      // 19 code-length code lengths, by symbol
    std::vector<std::pair<int, int>> lengthSymbols;  // (symbol, extra bits value); empty: plain
};

const int kClOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// Writes the header of a dynamic block with its code lengths.
void dynamicHeader(BitWriter& w, bool final, const DynamicBlock& b) {
    w.bits(final, 1);
    w.bits(2, 2);
    w.bits(uint32_t(b.litLengths.size() - 257), 5);
    w.bits(uint32_t(b.distLengths.size() - 1), 5);
    int hclen = 19;
    while (hclen > 4 && b.clLengths[size_t(kClOrder[hclen - 1])] == 0) hclen--;
    w.bits(uint32_t(hclen - 4), 4);
    for (int i = 0; i < hclen; i++) w.bits(uint32_t(b.clLengths[size_t(kClOrder[i])]), 3);
    std::vector<uint32_t> clCodes = canonicalCodes(b.clLengths);
    auto symbol = [&](int sym) { w.code(clCodes[size_t(sym)], uint32_t(b.clLengths[size_t(sym)])); };
    if (!b.lengthSymbols.empty()) {
        for (auto [sym, extra] : b.lengthSymbols) {
            symbol(sym);
            if (sym == 16)
                w.bits(uint32_t(extra), 2);
            else if (sym == 17)
                w.bits(uint32_t(extra), 3);
            else if (sym == 18)
                w.bits(uint32_t(extra), 7);
        }
        return;
    }
    for (int l : b.litLengths) symbol(l);
    for (int l : b.distLengths) symbol(l);
}

// Code-length code that gives every length 0-15 four bits (16 symbols, complete).
std::vector<int> flatCodeLengthCode() {
    std::vector<int> cl(19, 0);
    for (int i = 0; i < 16; i++) cl[size_t(i)] = 4;
    return cl;
}

// A complete literal/length code over symbols 0-271: the 256 literals take 9 bits (half the
// code space), 256-271 take 5 bits (the other half).
std::vector<int> literalLengths() {
    std::vector<int> lengths(272, 0);
    for (int i = 0; i < 256; i++) lengths[size_t(i)] = 9;
    for (int i = 256; i < 272; i++) lengths[size_t(i)] = 5;
    return lengths;
}

TEST(Inflate, HandBuiltStreams) {
    struct Case {
        const char* name;
        Bytes stream;
        Bytes expected;    // decoded bytes when the stream is good
        InflateError why;  // NONE for a good stream
    };
    std::vector<Case> cases;

    {  // literal then distance 1, length 258
        BitWriter w;
        w.bits(1, 1);
        w.bits(1, 2);
        fixedSymbol(w, 'z');
        fixedMatch(w, 258, 1);
        fixedSymbol(w, 256);
        cases.push_back({"distance 1 length 258", w.bytes, Bytes(259, 'z'), INFLATE_ERR_NONE});
    }
    {  // overlapping copy repeats a three-byte pattern
        BitWriter w;
        w.bits(1, 1);
        w.bits(1, 2);
        for (char c : std::string("abc")) fixedSymbol(w, c);
        fixedMatch(w, 10, 3);
        fixedSymbol(w, 256);
        cases.push_back({"overlap distance 3", w.bytes,
                         Bytes{'a', 'b', 'c', 'a', 'b', 'c', 'a', 'b', 'c', 'a', 'b', 'c', 'a'}, INFLATE_ERR_NONE});
    }
    {  // distance one beyond what was produced
        BitWriter w;
        w.bits(1, 1);
        w.bits(1, 2);
        fixedSymbol(w, 'a');
        fixedMatch(w, 3, 2);
        fixedSymbol(w, 256);
        cases.push_back({"distance too far back", w.bytes, Bytes(4, 'a'), INFLATE_ERR_DISTANCE});
    }
    {  // fixed literal/length symbol 286 is not a symbol
        BitWriter w;
        w.bits(1, 1);
        w.bits(1, 2);
        fixedSymbol(w, 'a');
        fixedSymbol(w, 286);
        fixedSymbol(w, 256);
        cases.push_back({"fixed symbol 286", w.bytes, Bytes(1, 'a'), INFLATE_ERR_SYMBOL});
    }
    {  // fixed distance code 30
        BitWriter w;
        w.bits(1, 1);
        w.bits(1, 2);
        fixedSymbol(w, 'a');
        fixedSymbol(w, 257);
        w.code(30, 5);
        fixedSymbol(w, 256);
        cases.push_back({"fixed distance code 30", w.bytes, Bytes(4, 'a'), INFLATE_ERR_SYMBOL});
    }
    {  // block type 3
        BitWriter w;
        w.bits(1, 1);
        w.bits(3, 2);
        w.bits(0, 5);
        cases.push_back({"block type 3", w.bytes, Bytes(), INFLATE_ERR_BLOCK_TYPE});
    }
    auto stored = [](uint32_t len, uint32_t nlen, const Bytes& data, bool final) {
        Bytes s = data;
        const uint8_t head[5] = {uint8_t(final ? 1 : 0), uint8_t(len), uint8_t(len >> 8), uint8_t(nlen),
                                 uint8_t(nlen >> 8)};
        s.insert(s.begin(), head, head + 5);
        return s;
    };
    const Bytes five{'h', 'e', 'l', 'l', 'o'};
    cases.push_back({"stored block", stored(5, 0xFFFA, five, true), five, INFLATE_ERR_NONE});
    cases.push_back({"stored empty", stored(0, 0xFFFF, Bytes(), true), Bytes(), INFLATE_ERR_NONE});
    cases.push_back({"stored length one too large", stored(6, 0xFFF9, five, true), five, INFLATE_ERR_OUTPUT_OVERRUN});
    cases.push_back({"stored length one too small", stored(4, 0xFFFB, five, true), five, INFLATE_ERR_LENGTH});
    cases.push_back({"stored bad NLEN", stored(5, 0xFFFB, five, true), five, INFLATE_ERR_STORED_LENGTH});
    cases.push_back({"stored NLEN equal to LEN", stored(5, 5, five, true), five, INFLATE_ERR_STORED_LENGTH});
    {
        Bytes two = stored(2, 0xFFFD, Bytes{'h', 'e'}, false);
        Bytes rest = stored(3, 0xFFFC, Bytes{'l', 'l', 'o'}, true);
        two.insert(two.end(), rest.begin(), rest.end());
        cases.push_back({"two stored blocks", two, five, INFLATE_ERR_NONE});
    }
    {  // not final: the stream ends without a final block
        cases.push_back({"no final block", stored(5, 0xFFFA, five, false), five, INFLATE_ERR_INPUT_END});
    }

    // Dynamic blocks.
    auto dynamic = [](const DynamicBlock& b, const std::vector<std::pair<int, int>>& data) {
        BitWriter w;
        dynamicHeader(w, true, b);
        std::vector<uint32_t> lit = canonicalCodes(b.litLengths);
        std::vector<uint32_t> dist = canonicalCodes(b.distLengths);
        for (auto [sym, arg] : data) {
            if (sym < 0)  // distance code `arg`, no extra bits needed below code 4
                w.code(dist[size_t(arg)], uint32_t(b.distLengths[size_t(arg)]));
            else
                w.code(lit[size_t(sym)], uint32_t(b.litLengths[size_t(sym)]));
        }
        return w.bytes;
    };
    DynamicBlock base;
    base.litLengths = literalLengths();
    base.distLengths = {1, 1};
    base.clLengths = flatCodeLengthCode();
    {
        auto s = dynamic(base, {{'x', 0}, {'y', 0}, {257, 0}, {-1, 1}, {256, 0}});
        cases.push_back({"dynamic block", s, Bytes{'x', 'y', 'x', 'y', 'x'}, INFLATE_ERR_NONE});
    }
    {  // one distance code of length 1 (half the code space unused)
        DynamicBlock b = base;
        b.distLengths = {1, 0};
        auto s = dynamic(b, {{'q', 0}, {257, 0}, {-1, 0}, {256, 0}});
        cases.push_back({"single distance code of one bit", s, Bytes(4, 'q'), INFLATE_ERR_NONE});
    }
    {  // literal/length code short by two longest codes
        DynamicBlock b = base;
        b.litLengths[270] = 0;
        b.litLengths[271] = 0;
        auto s = dynamic(b, {{'q', 0}, {256, 0}});
        cases.push_back({"literal code incomplete by two", s, Bytes(1, 'q'), INFLATE_ERR_CODE});
    }
    {  // oversubscribed literal/length code
        DynamicBlock b = base;
        b.litLengths[0] = 1;
        auto s = dynamic(b, {{'q', 0}, {256, 0}});
        cases.push_back({"literal code oversubscribed", s, Bytes(1, 'q'), INFLATE_ERR_CODE});
    }
    {  // no distance codes at all
        DynamicBlock b = base;
        b.distLengths = {0};
        auto s = dynamic(b, {{'q', 0}, {256, 0}});
        cases.push_back({"all distance lengths zero", s, Bytes(1, 'q'), INFLATE_ERR_CODE});
    }
    {  // the missing code of an incomplete code is invalid when met
        DynamicBlock b = base;
        b.distLengths = {1, 0};
        BitWriter w;
        dynamicHeader(w, true, b);
        std::vector<uint32_t> lit = canonicalCodes(b.litLengths);
        w.code(lit['q'], 9);
        w.code(lit[257], 5);
        w.code(1, 1);  // the unused one-bit distance code
        w.code(lit[256], 5);
        cases.push_back({"unused distance code met", w.bytes, Bytes(4, 'q'), INFLATE_ERR_CODE});
    }

    // Code-length sequences with run-length symbols: 16, 17, 18 and their bounds.
    {  // The same lengths opened by three zeros (17) decode; opened by a repeat (16), they fail.
        // Literals 0-2 are unused; 3-255 and 272-274 take 9 bits, 256-271 take 5.
        DynamicBlock b;
        b.litLengths = std::vector<int>(275, 9);
        b.litLengths[0] = b.litLengths[1] = b.litLengths[2] = 0;
        for (int i = 256; i < 272; i++) b.litLengths[size_t(i)] = 5;
        b.distLengths = {1, 1};
        b.clLengths = std::vector<int>(19, 0);
        b.clLengths[5] = b.clLengths[9] = 2;
        b.clLengths[0] = b.clLengths[1] = b.clLengths[16] = b.clLengths[17] = 3;
        for (int opener : {17, 16}) {
            b.lengthSymbols = {{opener, 0}};
            for (size_t i = 3; i < b.litLengths.size(); i++) b.lengthSymbols.push_back({b.litLengths[i], 0});
            b.lengthSymbols.push_back({1, 0});
            b.lengthSymbols.push_back({1, 0});
            BitWriter w;
            dynamicHeader(w, true, b);
            std::vector<uint32_t> lit = canonicalCodes(b.litLengths);
            w.code(lit['r'], 9);
            w.code(lit[256], 5);
            cases.push_back({opener == 17 ? "zero run as first lengths" : "repeat code as first length", w.bytes,
                             Bytes(1, 'r'), opener == 17 ? INFLATE_ERR_NONE : INFLATE_ERR_REPEAT});
        }
    }
    {  // lengths written with repeat runs (16) decode like the plain form
        DynamicBlock b = base;
        std::vector<int> cl(19, 0);
        cl[9] = 2;
        cl[5] = 2;
        cl[16] = 3;
        cl[1] = 3;
        cl[18] = 3;
        cl[17] = 3;
        // 2+2 use 1/2, four codes of 3 use 1/2: complete.
        b.clLengths = cl;
        std::vector<std::pair<int, int>> syms;
        syms.push_back({9, 0});
        for (int i = 0; i < 42; i++) syms.push_back({16, 3});  // 42 * 6 = 252 more nines
        syms.push_back({16, 0});                               // 3 more: 256 literals of 9 bits
        syms.push_back({5, 0});
        syms.push_back({16, 3});
        syms.push_back({16, 3});
        syms.push_back({16, 0});  // 16 fives: 256..271
        syms.push_back({1, 0});   // distance 0
        syms.push_back({1, 0});   // distance 1
        b.lengthSymbols = syms;
        BitWriter w;
        dynamicHeader(w, true, b);
        std::vector<uint32_t> lit = canonicalCodes(base.litLengths);
        std::vector<uint32_t> dist = canonicalCodes(base.distLengths);
        w.code(lit['m'], 9);
        w.code(lit[258], 5);
        w.code(dist[0], 1);
        w.code(lit[256], 5);
        cases.push_back({"run-length coded lengths", w.bytes, Bytes(5, 'm'), INFLATE_ERR_NONE});

        // A zero run (18) that passes HLIT + HDIST.
        DynamicBlock over = b;
        std::vector<std::pair<int, int>> os = syms;
        os.pop_back();
        os.push_back({18, 0});  // 11 zeros where only one length is left
        over.lengthSymbols = os;
        BitWriter w2;
        dynamicHeader(w2, true, over);
        cases.push_back({"zero run past the lengths", w2.bytes, Bytes(), INFLATE_ERR_REPEAT});

        DynamicBlock rep = b;
        std::vector<std::pair<int, int>> rs = syms;
        rs.pop_back();
        rs.pop_back();
        rs.push_back({16, 0});  // 3 copies where two lengths are left
        rep.lengthSymbols = rs;
        BitWriter w3;
        dynamicHeader(w3, true, rep);
        cases.push_back({"repeat run past the lengths", w3.bytes, Bytes(), INFLATE_ERR_REPEAT});
    }

    for (const Case& c : cases) {
        Outcome o = inflateExact(c.stream, int32_t(c.expected.size()));
        bool good = c.why == INFLATE_ERR_NONE;
        EXPECT_EQ(good ? 1 : 0, o.result) << c.name;
        EXPECT_STREQ(inflateErrorName(c.why), inflateErrorName(o.error)) << c.name;
        if (good) {
            EXPECT_TRUE(o.output == c.expected) << c.name;
        }
        EXPECT_EQ(0, o.liveTables) << c.name;
    }
}

// Lengths around the real ones, with the compressed data followed by more bytes.
TEST(Inflate, LengthsMustBeExact) {
    Bytes data = textData(20000, 7);
    struct Case {
        const char* name;
        int level;
        int strategy;
    };
    const Case kinds[] = {{"stored", 0, Z_DEFAULT_STRATEGY}, {"fixed", 6, Z_FIXED}, {"dynamic", 6, Z_DEFAULT_STRATEGY}};
    for (const Case& k : kinds) {
        Bytes packed = zlibDeflate(data, k.level, k.strategy);
        Bytes padded = packed;
        for (int i = 0; i < 8; i++) padded.push_back(uint8_t(0x5A + i));
        const int32_t n = int32_t(packed.size());
        const int32_t size = int32_t(data.size());
        struct Try {
            const char* name;
            const Bytes* input;
            int32_t compressed;
            int32_t expected;
            InflateError why;  // NONE: decodes
        };
        // cut in half, a stored block runs past the input; coded data uses it up
        const InflateError cut = k.level == 0 ? INFLATE_ERR_STORED_OVERRUN : INFLATE_ERR_INPUT_END;
        const Try tries[] = {
            {"exact", &packed, n, size, INFLATE_ERR_NONE},
            {"exact with bytes behind", &padded, n, size, INFLATE_ERR_NONE},
            {"compressed one too large", &padded, n + 1, size, INFLATE_ERR_TRAILING},
            {"compressed four too large", &padded, n + 4, size, INFLATE_ERR_TRAILING},
            {"compressed one too small", &packed, n - 1, size, INFLATE_ERR_INPUT_END},
            {"truncated by half", &packed, n / 2, size, cut},
            {"truncated to one byte", &packed, 1, size, INFLATE_ERR_INPUT_END},
            {"nothing", &packed, 0, size, INFLATE_ERR_INPUT_END},
            {"output one short", &packed, n, size - 1, INFLATE_ERR_OUTPUT_OVERRUN},
            {"output one too large", &packed, n, size + 1, INFLATE_ERR_LENGTH},
            {"output empty", &packed, n, 0, INFLATE_ERR_OUTPUT_OVERRUN},
            {"negative compressed length", &packed, -1, size, INFLATE_ERR_ARGUMENT},
            {"negative expected length", &packed, n, -1, INFLATE_ERR_ARGUMENT},
        };
        for (const Try& t : tries) {
            // A truncated stream gets an input buffer of exactly its own length.
            Bytes input = *t.input;
            if (t.compressed >= 0 && size_t(t.compressed) < input.size()) input.resize(size_t(t.compressed));
            Outcome o = inflateExact(input, t.compressed, t.expected);
            std::string what = std::string(k.name) + ": " + t.name;
            EXPECT_EQ(t.why == INFLATE_ERR_NONE ? 1 : 0, o.result) << what;
            EXPECT_STREQ(inflateErrorName(t.why), inflateErrorName(o.error)) << what;
            if (o.result) {
                EXPECT_TRUE(o.output == data) << what;
            }
            EXPECT_EQ(0, o.liveTables) << what;
        }
    }
}

// Input read through the two callback adaptors gives the same output as from memory.
struct ChunkReader {
    const Bytes* data;
    size_t pos;
    int32_t chunk;
};

int32_t chunkRead(uint8_t* buffer, int32_t size, void* context) {
    ChunkReader* r = static_cast<ChunkReader*>(context);
    int32_t n = std::min<int32_t>(std::min(size, r->chunk), int32_t(r->data->size() - r->pos));
    memcpy(buffer, r->data->data() + r->pos, size_t(n));
    r->pos += size_t(n);
    return n;
}

struct ByteReader {
    const Bytes* data;
    int32_t calls;
};

int32_t byteRead(void* context, int32_t* position) {
    ByteReader* r = static_cast<ByteReader*>(context);
    r->calls++;
    if (*position < 0 || size_t(*position) >= r->data->size()) return -1;
    return (*r->data)[size_t((*position)++)];
}

TEST(Inflate, InputAdaptors) {
    Bytes data = mixedData(60000, 9);
    Bytes packed = zlibDeflate(data, 6);
    Bytes padded = packed;
    padded.insert(padded.end(), 300, 0xAB);
    const int32_t n = int32_t(packed.size());
    struct Case {
        const char* name;
        int adaptor;  // 0 read callback, 1 byte callback
        int32_t chunk;
    };
    const Case cases[] = {{"read 256", 0, 256}, {"read 1", 0, 1}, {"read 7", 0, 7}, {"byte", 1, 0}};
    for (const Case& c : cases) {
        CountingHeap heap;
        InflateAllocator allocator = {countingAlloc, countingFree, &heap};
        Bytes out(data.size());
        uint8_t* outp = out.data();
        InflateSource source;
        ChunkReader cr = {&padded, 0, c.chunk};
        ByteReader br = {&padded, 0};
        if (c.adaptor == 0)
            inflateReadSource(&source, chunkRead, &cr);
        else
            inflateByteSource(&source, byteRead, &br, 0);
        EXPECT_EQ(1, inflateData(&source, n, &outp, int32_t(out.size()), &allocator)) << c.name;
        EXPECT_TRUE(out == data) << c.name;
        if (c.adaptor == 1) {
            EXPECT_EQ(n, source.position) << c.name << ": bytes beyond the compressed data were read";
            EXPECT_EQ(n, br.calls) << c.name;
        }
        EXPECT_EQ(0, heap.live) << c.name;
    }

    // A read callback that fails mid-stream makes the call fail.
    ChunkReader shortReader = {&packed, 0, 256};
    Bytes half(packed.begin(), packed.begin() + n / 2);
    shortReader.data = &half;
    Bytes out(data.size());
    uint8_t* outp = out.data();
    CountingHeap heap;
    InflateAllocator allocator = {countingAlloc, countingFree, &heap};
    InflateSource source;
    inflateReadSource(&source, chunkRead, &shortReader);
    EXPECT_EQ(0, inflateData(&source, n, &outp, int32_t(out.size()), &allocator));
    EXPECT_EQ(0, heap.live);
}

// Each read-adaptor stream keeps its own buffer: a second stream inflated while the
// first one's refilled bytes wait (as the installer does beside the VM) leaves them alone.
struct NestingReader {
    ChunkReader outer;
    const Bytes* innerPacked;
    const Bytes* innerData;
    int calls = 0;
    int innerResults = 0;
};

int32_t nestingRead(uint8_t* buffer, int32_t size, void* context) {
    NestingReader* r = static_cast<NestingReader*>(context);
    int32_t n = chunkRead(buffer, size, &r->outer);
    if (r->calls++ % 5 == 1) {
        CountingHeap heap;
        InflateAllocator allocator = {countingAlloc, countingFree, &heap};
        Bytes out(r->innerData->size());
        uint8_t* outp = out.data();
        ChunkReader cr = {r->innerPacked, 0, 256};
        InflateSource inner;
        inflateReadSource(&inner, chunkRead, &cr);
        int32_t ok = inflateData(&inner, int32_t(r->innerPacked->size()), &outp, int32_t(out.size()), &allocator);
        if (ok == 1 && out == *r->innerData) r->innerResults++;
    }
    return n;
}

TEST(Inflate, ReadStreamsInflateAtOnce) {
    Bytes data = mixedData(40000, 3), other = mixedData(3000, 5);
    Bytes packed = zlibDeflate(data, 6), otherPacked = zlibDeflate(other, 1);
    NestingReader reader;
    reader.outer = {&packed, 0, 256};
    reader.innerPacked = &otherPacked;
    reader.innerData = &other;
    CountingHeap heap;
    InflateAllocator allocator = {countingAlloc, countingFree, &heap};
    Bytes out(data.size());
    uint8_t* outp = out.data();
    InflateSource source;
    inflateReadSource(&source, nestingRead, &reader);
    EXPECT_EQ(1, inflateData(&source, int32_t(packed.size()), &outp, int32_t(out.size()), &allocator));
    EXPECT_TRUE(out == data) << "the outer stream's bytes were overwritten by the inner one";
    EXPECT_GT(reader.innerResults, 3) << "the inner streams inflate whole";
    EXPECT_EQ((reader.calls + 3) / 5, reader.innerResults);
}

// Table allocation: a refused allocation fails the call, and an allocation may move the
// output area (the Java heap compacts), so the decoder must follow the output pointer.
struct MovingHeap {
    CountingHeap counts;
    uint8_t** output;
    size_t size;
    std::vector<uint8_t*> old;
};

void* movingAlloc(void* context, int32_t size) {
    MovingHeap* h = static_cast<MovingHeap*>(context);
    uint8_t* moved = static_cast<uint8_t*>(malloc(h->size));
    memcpy(moved, *h->output, h->size);
    memset(*h->output, 0xEE, h->size);
    h->old.push_back(*h->output);
    *h->output = moved;
    return countingAlloc(&h->counts, size);
}

void movingFree(void* context, void* block) { countingFree(&static_cast<MovingHeap*>(context)->counts, block); }

TEST(Inflate, TableAllocation) {
    Bytes data = mixedData(120000, 11);
    Bytes packed = zlibDeflate(data, 9);

    for (int failAt = 0; failAt < 6; failAt++) {
        CountingHeap heap;
        heap.failAt = failAt;
        Outcome o = inflateExact(packed, int32_t(data.size()), &heap);
        EXPECT_EQ(0, o.result) << "allocation " << failAt << " refused";
        EXPECT_EQ(INFLATE_ERR_NO_MEMORY, o.error) << "allocation " << failAt << " refused";
        EXPECT_EQ(0, o.liveTables) << "allocation " << failAt << " refused";
    }

    InflateSource source;
    inflateMemorySource(&source, packed.data(), int32_t(packed.size()));
    uint8_t* out = static_cast<uint8_t*>(malloc(data.size()));
    MovingHeap moving;
    moving.output = &out;
    moving.size = data.size();
    InflateAllocator allocator = {movingAlloc, movingFree, &moving};
    EXPECT_EQ(1, inflateData(&source, int32_t(packed.size()), &out, int32_t(data.size()), &allocator));
    EXPECT_GT(moving.old.size(), 3u) << "the corpus should hold several dynamic blocks";
    EXPECT_EQ(0, memcmp(out, data.data(), data.size()));
    EXPECT_EQ(0, moving.counts.live);
    for (uint8_t* p : moving.old) free(p);
    free(out);

    // No allocator: stored and fixed data still decode, dynamic data fails.
    Bytes fixed = zlibDeflate(data, 6, Z_FIXED);
    Bytes plain(data.size());
    uint8_t* p = plain.data();
    inflateMemorySource(&source, fixed.data(), int32_t(fixed.size()));
    EXPECT_EQ(1, inflateData(&source, int32_t(fixed.size()), &p, int32_t(plain.size()), nullptr));
    EXPECT_TRUE(plain == data);
    inflateMemorySource(&source, packed.data(), int32_t(packed.size()));
    EXPECT_EQ(0, inflateData(&source, int32_t(packed.size()), &p, int32_t(plain.size()), nullptr));
    EXPECT_EQ(INFLATE_ERR_NO_MEMORY, source.error);
}

// Random mutations of good streams: every call ends with 0 or 1, never touches memory
// outside the exact-size input and output blocks (AddressSanitizer watches), and frees
// every table.
TEST(Inflate, MutatedStreamsStayInBounds) {
    struct Basis {
        const char* name;
        Bytes data;
        Bytes packed;
    };
    std::vector<Basis> bases;
    Bytes text = textData(3000, 21), mixed = mixedData(6000, 22), runs = runData(2000, 23);
    bases.push_back({"dynamic text", text, zlibDeflate(text, 9)});
    bases.push_back({"dynamic mixed", mixed, zlibDeflate(mixed, 6)});
    bases.push_back({"fixed", text, zlibDeflate(text, 6, Z_FIXED)});
    bases.push_back({"stored", runs, zlibDeflate(runs, 0)});
    bases.push_back({"rle", runs, zlibDeflate(runs, 6, Z_RLE)});

    std::mt19937 rng(12345);
    int succeeded = 0, failed = 0;
    for (int round = 0; round < 4000; round++) {
        const Basis& basis = bases[size_t(round) % bases.size()];
        Bytes input = basis.packed;
        int mutations = 1 + int(rng() % 4);
        for (int m = 0; m < mutations; m++) {
            size_t at = rng() % input.size();
            switch (rng() % 4) {
                case 0:
                    input[at] ^= uint8_t(1u << (rng() % 8));
                    break;
                case 1:
                    input[at] = uint8_t(rng());
                    break;
                case 2:
                    input.resize(at + 1);
                    break;
                default:
                    input.insert(input.begin() + long(at), uint8_t(rng()));
                    break;
            }
        }
        int32_t expected = int32_t(basis.data.size());
        switch (rng() % 4) {
            case 0:
                expected = int32_t(rng() % (basis.data.size() * 2 + 1));
                break;
            case 1:
                expected += int32_t(rng() % 3) - 1;
                break;
            default:
                break;
        }
        Outcome o = inflateExact(input, expected);
        ASSERT_TRUE(o.result == 0 || o.result == 1) << basis.name << " round " << round;
        // a failure always says why, a success never
        ASSERT_EQ(o.result == 1, o.error == INFLATE_ERR_NONE) << basis.name << " round " << round;
        ASSERT_EQ(0, o.liveTables) << basis.name << " round " << round;
        (o.result ? succeeded : failed)++;
    }
    EXPECT_GT(failed, 3000);
}

}  // namespace
