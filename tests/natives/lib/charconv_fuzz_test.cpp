// Random input through every converter, into destinations exactly as large as the quick
// count says: every input is consumed, the count is never short, a stream cut anywhere
// decodes as the whole does. Under AddressSanitizer (asan.*) a write past the counted
// room is reported.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "natives/lib/charcodes.h"
#include "natives/lib/charsets.h"
#include "natives/lib/sjis.h"

namespace {

struct Decoder {
    const char* name;
    ByteConverter convert;
    int32_t carrySize;
};

const Decoder Decoders[] = {
    {"Shift_JIS", convertSjisToUnicode, 1},
    {"UTF-8", convertUtf8ToUnicodeJava, UTF8_CARRY_SIZE},
    {"ISO-8859-1", convertLatin1ToUnicode, 0},
};

struct Encoder {
    const char* name;
    CharConverter convert;
};

const Encoder Encoders[] = {
    {"Shift_JIS", convertUnicodeToSjis},
    {"UTF-8", convertUnicodeToUtf8Java},
    {"ISO-8859-1", convertUnicodeToLatin1},
    {"US-ASCII", convertUnicodeToAscii},
};

// Bytes that hit the interesting classes often: lead and trail bytes, UTF-8 starts.
std::vector<uint8_t> randomBytes(std::mt19937& random, size_t n) {
    static const uint8_t picks[] = {0x00, 0x41, 0x5C, 0x7F, 0x80, 0x81, 0x82, 0x9F, 0xA0, 0xA1, 0xBF, 0xC2,
                                    0xDF, 0xE0, 0xE3, 0xED, 0xEA, 0xF0, 0xF4, 0xF5, 0xFC, 0xFD, 0xFF, 0x40};
    std::vector<uint8_t> bytes(n);
    for (uint8_t& b : bytes) b = random() % 2 ? picks[random() % sizeof picks] : (uint8_t)random();
    return bytes;
}

// Decodes parts with a carry, each into a destination of its quick count plus one.
std::vector<uint16_t> decodeInParts(const Decoder& d, const std::vector<uint8_t>& in, size_t cut) {
    uint8_t carry[4] = {};
    std::vector<uint16_t> out;
    size_t from = 0;
    for (size_t to : {cut, in.size()}) {
        if (to <= from) continue;
        uint32_t quick = 0;
        d.convert(in.data(), (int32_t)from, (int32_t)to, nullptr, 0, 0, &quick, d.carrySize ? carry : nullptr, nullptr,
                  CHARCONV_COUNT);
        if (d.convert == convertSjisToUnicode && carry[0] != 0) quick++;  // the held lead pairs with the first byte
        std::vector<uint16_t> part(quick);
        uint32_t pos = 0;
        int32_t r;
        if (d.convert == convertSjisToUnicode && carry[0] != 0) {
            // the held lead byte and the first new one, then the caller empties the holder
            r = d.convert(in.data(), (int32_t)from, (int32_t)from + 1, part.data(), 0, (int32_t)quick, &pos, carry,
                          nullptr, CHARCONV_SUBSTITUTE);
            EXPECT_EQ(r, 1) << d.name;
            carry[0] = 0;
            from++;
        }
        uint32_t written = pos;
        if (from < to) {
            r = d.convert(in.data(), (int32_t)from, (int32_t)to, part.data(), (int32_t)written, (int32_t)quick, &pos,
                          d.carrySize ? carry : nullptr, nullptr, CHARCONV_SUBSTITUTE);
            EXPECT_EQ(r, (int32_t)(to - from)) << d.name << " quick count short";
            written = pos;
        }
        out.insert(out.end(), part.begin(), part.begin() + written);
        from = to;
    }
    if (carry[0] != 0) out.push_back(0xFFFD);
    return out;
}

TEST(ConverterFuzz, DecodersConsumeAllWithinTheCount) {
    std::mt19937 random(20061029);
    for (int round = 0; round < 400; round++) {
        std::vector<uint8_t> in = randomBytes(random, 1 + random() % 64);
        for (const Decoder& d : Decoders) {
            std::vector<uint16_t> whole = decodeInParts(d, in, 0);
            size_t cut = random() % (in.size() + 1);
            ASSERT_EQ(decodeInParts(d, in, cut), whole) << d.name << " round " << round << " cut " << cut;
            uint32_t exact = 0;
            d.convert(in.data(), 0, (int32_t)in.size(), nullptr, 0, 0, &exact, nullptr, nullptr,
                      CHARCONV_SUBSTITUTE | CHARCONV_COUNT | CHARCONV_EXACT);
            // without a carry a cut-off character is dropped (Shift_JIS) or substituted
            EXPECT_LE(exact, whole.size()) << d.name << " round " << round;
        }
    }
}

TEST(ConverterFuzz, EncodersStayWithinTheQuickCount) {
    std::mt19937 random(20060402);
    static const uint16_t picks[] = {0x0041, 0x00A0, 0x00A5, 0x00E9, 0x203E, 0x3042, 0x4E9C, 0xD800,
                                     0xDBFF, 0xDC00, 0xDFFF, 0xFF61, 0xFF9F, 0xFFFF, 0x0080, 0x07FF};
    for (int round = 0; round < 400; round++) {
        std::vector<uint16_t> in(1 + random() % 64);
        for (uint16_t& c : in) c = random() % 2 ? picks[random() % 16] : (uint16_t)random();
        for (const Encoder& e : Encoders) {
            for (uint32_t flags : {(uint32_t)CHARCONV_SUBSTITUTE, (uint32_t)CHARCONV_SUBSTITUTE | 0x81A60000u,
                                   (uint32_t)CHARCONV_RAW, 0u}) {
                if (e.convert == convertUnicodeToUtf8Java && flags == CHARCONV_RAW) continue;  // no raw form
                if (e.convert == convertUnicodeToLatin1 && flags == CHARCONV_RAW) continue;
                uint32_t quick = 0, exact = 0, pos = 0;
                e.convert(in.data(), 0, (int32_t)in.size(), nullptr, 0, 0, &quick, nullptr, flags | CHARCONV_COUNT);
                e.convert(in.data(), 0, (int32_t)in.size(), nullptr, 0, 0, &exact, nullptr,
                          flags | CHARCONV_COUNT | CHARCONV_EXACT);
                std::vector<uint8_t> out(exact);
                int32_t r =
                    e.convert(in.data(), 0, (int32_t)in.size(), out.data(), 0, (int32_t)exact, &pos, nullptr, flags);
                EXPECT_EQ(r, (int32_t)in.size()) << e.name << " round " << round << " flags " << flags;
                EXPECT_EQ(pos, exact) << e.name << " round " << round;
                // the quick count may only be short for substitutes longer than the default
                if (flags == CHARCONV_SUBSTITUTE || flags == 0) {
                    EXPECT_GE(quick, exact) << e.name << " round " << round;
                }
            }
        }
    }
}

}  // namespace
