// Shift_JIS: the whole code table both ways, the device's own choices, counting, the
// carry of a split character and the unmappable rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "natives/lib/charcodes.h"
#include "natives/lib/sjis.h"

namespace {

uint16_t decodeCode(uint16_t code, bool* mapped) {
    uint16_t ch;
    *mapped = sjisToUnicode(code, &ch);
    return ch;
}

int32_t encodeChar(uint16_t ch) {
    uint8_t out[2];
    int32_t n = unicodeToSjisDispatch(ch, out, 2);
    if (n == 1) return out[0];
    if (n == 2) return out[0] << 8 | out[1];
    return n;
}

TEST(Sjis, WholeTableRoundTrip) {
    int32_t twoByte = 0;
    for (uint32_t lead = 0x81; lead <= 0xFC; lead++) {
        for (uint32_t trail = 0; trail <= 0xFF; trail++) {
            uint16_t code = (uint16_t)(lead << 8 | trail);
            bool mapped;
            uint16_t ch = decodeCode(code, &mapped);
            if (!mapped) {
                EXPECT_EQ(ch, 0xFFFD) << std::hex << code;
                continue;
            }
            twoByte++;
            EXPECT_TRUE(isSjisLeadByte((uint8_t)lead) && isSjisTrailByte((uint8_t)trail)) << std::hex << code;
            EXPECT_EQ(encodeChar(ch), code) << std::hex << code;
        }
    }
    EXPECT_EQ(twoByte, 6879);
    // and every character the encoder maps decodes back, but for the two one-way forms
    int32_t encodable = 0;
    for (uint32_t ch = 0; ch <= 0xFFFF; ch++) {
        int32_t code = encodeChar((uint16_t)ch);
        if (code <= 0 && ch != 0) continue;
        encodable++;
        bool mapped;
        uint16_t back = decodeCode((uint16_t)code, &mapped);
        EXPECT_TRUE(mapped) << std::hex << ch;
        if (ch == 0x00A5 || ch == 0x203E) continue;
        EXPECT_EQ(back, ch) << std::hex << ch;
    }
    EXPECT_EQ(encodable, 6879 + 128 + 63 + 2);
}

TEST(Sjis, Codes) {
    struct Case {
        const char* name;
        uint16_t code;
        uint16_t ch;  // U+FFFD: unmapped
    };
    const Case cases[] = {
        {"backslash stays backslash", 0x005C, 0x005C},
        {"tilde stays tilde", 0x007E, 0x007E},
        {"first halfwidth katakana", 0x00A1, 0xFF61},
        {"last halfwidth katakana", 0x00DF, 0xFF9F},
        {"0x80", 0x0080, 0xFFFD},
        {"0xA0", 0x00A0, 0xFFFD},
        {"0xFD", 0x00FD, 0xFFFD},
        {"ideographic comma", 0x8141, 0x3001},
        {"em dash", 0x815C, 0x2014},
        {"fullwidth reverse solidus", 0x815F, 0xFF3C},
        {"wave dash", 0x8160, 0x301C},
        {"double vertical line", 0x8161, 0x2016},
        {"minus sign", 0x817C, 0x2212},
        {"fullwidth yen", 0x818F, 0xFFE5},
        {"cent", 0x8191, 0x00A2},
        {"pound", 0x8192, 0x00A3},
        {"not sign", 0x81CA, 0x00AC},
        {"fullwidth macron", 0x8150, 0xFFE3},
        {"digit zero", 0x824F, 0xFF10},
        {"hiragana small a", 0x829F, 0x3041},
        {"last hiragana", 0x82F1, 0x3093},
        {"katakana small a", 0x8340, 0x30A1},
        {"greek alpha", 0x839F, 0x0391},
        {"cyrillic io", 0x8446, 0x0401},
        {"cyrillic small ya", 0x8491, 0x044F},
        {"first kanji", 0x889F, 0x4E9C},
        {"before the first kanji", 0x889E, 0xFFFD},
        {"the gap of lead 0x98", 0x9873, 0xFFFD},
        {"second last code", 0xEAA3, 0x51DC},
        {"last code", 0xEAA4, 0x7199},
        {"after the last code", 0xEAA5, 0xFFFD},
        {"vendor row 13", 0x8740, 0xFFFD},
        {"lead 0x85", 0x8540, 0xFFFD},
        {"user area", 0xF040, 0xFFFD},
        {"vendor kanji", 0xFA40, 0xFFFD},
        {"invalid trail", 0x817F, 0xFFFD},
    };
    for (const Case& k : cases) {
        bool mapped;
        EXPECT_EQ(decodeCode(k.code, &mapped), k.ch) << k.name;
        EXPECT_EQ(mapped, k.ch != 0xFFFD) << k.name;
    }
}

TEST(Sjis, EncoderSingleCharacters) {
    struct Case {
        uint16_t ch;
        int32_t code;  // 0: unmapped
    };
    const Case cases[] = {
        {0x005C, 0x5C},   {0x00A5, 0x5C},   {0x203E, 0x7E},   {0x00A0, 0},      {0x00A7, 0x8198}, {0x00D7, 0x817E},
        {0x00F7, 0x8180}, {0x00B6, 0x81F7}, {0xFF9F, 0xDF},   {0xFF61, 0xA1},   {0x0080, 0},      {0xD800, 0},
        {0xE000, 0},      {0x2015, 0},      {0x2014, 0x815C}, {0x3000, 0x8140}, {0x7199, 0xEAA4},
    };
    for (const Case& k : cases) EXPECT_EQ(encodeChar(k.ch), k.code) << std::hex << k.ch;
    uint8_t out[2];
    EXPECT_EQ(unicodeToSjisDispatch(0x41, out, 1), -2);
    EXPECT_EQ(mvCharCodes_unicode2sjisChar(0x3042), 0x82A0);
    EXPECT_EQ(mvCharCodes_unicode2sjisChar(0xD800), 0);
}

std::vector<uint8_t> encode(const std::u16string& text, uint32_t flags, int32_t* result = nullptr,
                            uint32_t* unmappable = nullptr, int32_t room = 64) {
    std::vector<uint8_t> out((size_t)room);
    uint32_t pos = 0, bad = 0;
    int32_t r = convertUnicodeToSjis((const uint16_t*)text.data(), 0, (int32_t)text.size(), out.data(), 0, room, &pos,
                                     &bad, flags);
    if (result != nullptr) *result = r;
    if (unmappable != nullptr) *unmappable = bad;
    out.resize(pos);
    return out;
}

TEST(Sjis, EncoderUnmappableRules) {
    struct Case {
        const char* name;
        std::u16string text;
        uint32_t flags;
        std::vector<uint8_t> bytes;
        int32_t result;
        uint32_t unmappable;
    };
    const std::u16string text = u"a\u00a0\u3042";
    const Case cases[] = {
        {"substitute ?", text, CHARCONV_SUBSTITUTE, {'a', '?', 0x82, 0xA0}, 3, 1},
        {"one-byte substitute", text, CHARCONV_SUBSTITUTE | 0x2A0000, {'a', '*', 0x82, 0xA0}, 3, 1},
        {"two-byte substitute", text, CHARCONV_SUBSTITUTE | 0x81A60000u, {'a', 0x81, 0xA6, 0x82, 0xA0}, 3, 1},
        {"raw", text, CHARCONV_RAW, {'a', 0x00, 0xA0, 0x82, 0xA0}, 3, 1},
        {"dropped", text, 0, {'a', 0x82, 0xA0}, 3, 1},
        {"a surrogate pair is two unmappable units", u"\xD83D\xDE00", CHARCONV_SUBSTITUTE, {'?', '?'}, 2, 2},
    };
    for (const Case& k : cases) {
        int32_t r;
        uint32_t bad;
        EXPECT_EQ(encode(k.text, k.flags, &r, &bad), k.bytes) << k.name;
        EXPECT_EQ(r, k.result) << k.name;
        EXPECT_EQ(bad, k.unmappable) << k.name;
    }
    // a two-byte character that does not fit stays unconsumed
    int32_t r;
    EXPECT_EQ(encode(u"a\u3042", CHARCONV_SUBSTITUTE, &r, nullptr, 2), std::vector<uint8_t>({'a'}));
    EXPECT_EQ(r, -1);
}

TEST(Sjis, QuickCounts) {
    struct Case {
        const char* name;
        std::u16string text;
        int32_t bytes;
    };
    const Case cases[] = {
        {"ASCII and U+0080", u"ab\u0080", 3},
        {"halfwidth katakana", u"\uff61\uff9f", 2},
        {"one-byte forms and the unmappable U+00A0", u"\u00a0\u00a5\u203e", 3},
        {"others count two, mapped or not", u"\u3042\u00e9\xD800", 6},
    };
    for (const Case& k : cases) {
        uint32_t pos = 0;
        int32_t n = (int32_t)k.text.size();
        EXPECT_EQ(
            convertUnicodeToSjis((const uint16_t*)k.text.data(), 0, n, nullptr, 0, 0, &pos, nullptr, CHARCONV_COUNT), n)
            << k.name;
        EXPECT_EQ((int32_t)pos, k.bytes) << k.name;
        // never below the substituted output
        EXPECT_GE((int32_t)pos, mvCharCodes_unicode2sjisLength((const uint16_t*)k.text.data(), n)) << k.name;
    }
    const uint8_t lead[] = {0x41, 0x82, 0xA0, 0x82};
    EXPECT_EQ(sjisCharCount(lead, 0, 4), 2);  // the last lead byte waits for its trail
    EXPECT_EQ(sjisCharCount(lead, 0, 3), 2);
}

std::u16string decode(const std::vector<uint8_t>& in, uint8_t* carry, uint32_t flags, int32_t* result = nullptr,
                      uint32_t* unmappable = nullptr) {
    std::u16string out(in.size() + 1, u'\0');
    uint32_t pos = 0, bad = 0;
    int32_t r = convertSjisToUnicode(in.data(), 0, (int32_t)in.size(), (uint16_t*)&out[0], 0, (int32_t)out.size(), &pos,
                                     carry, &bad, flags);
    if (result != nullptr) *result = r;
    if (unmappable != nullptr) *unmappable = bad;
    out.resize(r < 0 ? 0 : pos);
    return out;
}

TEST(Sjis, DecoderRules) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        uint32_t flags;
        std::u16string text;
        uint32_t unmappable;
    };
    const Case cases[] = {
        {"invalid trail takes both bytes",
         {0x81, 0x7F, 0x41},
         CHARCONV_SUBSTITUTE,
         u"\xFFFD"
         u"A",
         2},
        {"a line feed after a lead is taken as its trail",
         {0x82, 0x0A, 0x41},
         CHARCONV_SUBSTITUTE,
         u"\xFFFD"
         u"A",
         2},
        {"unmapped pair, raw", {0x85, 0x40}, CHARCONV_RAW, u"\x8540", 2},
        {"unmapped single byte, raw", {0x80, 0xA0}, CHARCONV_RAW, u"\x0080\x00A0", 2},
        {"unmapped single bytes substituted", {0x80, 0xFD}, CHARCONV_SUBSTITUTE | 0x3F0000, u"??", 2},
        {"unmapped dropped", {0x41, 0xFD, 0x85, 0x40, 0x42}, 0, u"AB", 3},
        {"mixed text",
         {0x82, 0xA0, 0x5C, 0xB1, 0x8A, 0xBF, 0x8E, 0x9A},
         CHARCONV_SUBSTITUTE,
         u"\u3042\\\uff71\u6f22\u5b57",
         0},
    };
    for (const Case& k : cases) {
        int32_t r;
        uint32_t bad;
        EXPECT_EQ(decode(k.bytes, nullptr, k.flags, &r, &bad), k.text) << k.name;
        EXPECT_EQ(r, (int32_t)k.bytes.size()) << k.name;
        EXPECT_EQ(bad, k.unmappable) << k.name;
    }
}

TEST(Sjis, CarriedLeadByte) {
    uint8_t carry = 0;
    int32_t r;
    EXPECT_EQ(decode({0x41, 0x82}, &carry, CHARCONV_SUBSTITUTE, &r), u"A");
    EXPECT_EQ(r, 2);  // the lead byte counts as consumed
    EXPECT_EQ(carry, 0x82);
    EXPECT_EQ(decode({0xA0, 0x41}, &carry, CHARCONV_SUBSTITUTE, &r), u"\u3042A");
    EXPECT_EQ(r, 2);
    EXPECT_EQ(carry, 0x82);  // emptying it is the caller's task
    // without a holder the lead byte is lost
    EXPECT_EQ(decode({0x41, 0x82}, nullptr, CHARCONV_SUBSTITUTE, &r), u"A");
    EXPECT_EQ(r, 2);
}

TEST(Sjis, DecoderFullDestinationAndBadArguments) {
    const uint8_t in[] = {0x41, 0x82, 0xA0};
    uint16_t out[2];
    uint32_t pos = 77;
    EXPECT_EQ(convertSjisToUnicode(in, 0, 3, out, 0, 1, &pos, nullptr, nullptr, CHARCONV_SUBSTITUTE), -1);
    EXPECT_EQ(pos, 77u);  // not updated on a full destination
    EXPECT_EQ(convertSjisToUnicode(nullptr, 0, 3, out, 0, 2, &pos, nullptr, nullptr, 0), -1);
    EXPECT_EQ(convertSjisToUnicode(in, 2, 1, out, 0, 2, &pos, nullptr, nullptr, 0), -1);
    EXPECT_EQ(convertSjisToUnicode(in, 0, 3, out, 0, 2, nullptr, nullptr, nullptr, 0), -1);
    EXPECT_EQ(convertUnicodeToSjis(nullptr, 0, 1, nullptr, 0, 0, &pos, nullptr, 0), -1);
    EXPECT_EQ(convertUnicodeToSjis((const uint16_t*)u"a", 0, 1, (uint8_t*)out, 2, 1, &pos, nullptr, 0), -1);
}

}  // namespace
