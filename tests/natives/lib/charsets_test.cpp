// UTF-8 and ISO-8859-1 as Java programs see them: the expected results are what Java SE
// gives for the same bytes and characters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "natives/lib/charcodes.h"
#include "natives/lib/charsets.h"

namespace {

std::vector<uint8_t> bytesOf(const char* hex) {
    std::vector<uint8_t> out;
    for (const char* p = hex; *p != 0;) {
        if (*p == ' ') {
            p++;
            continue;
        }
        out.push_back((uint8_t)std::stoi(std::string(p, 2), nullptr, 16));
        p += 2;
    }
    return out;
}

std::u16string decodeWhole(const std::vector<uint8_t>& in, uint8_t* carry) {
    std::u16string out(in.size() + 1, u'\0');
    uint32_t pos = 0;
    int32_t r = convertUtf8ToUnicodeJava(in.data(), 0, (int32_t)in.size(), (uint16_t*)&out[0], 0, (int32_t)out.size(),
                                         &pos, carry, nullptr, CHARCONV_SUBSTITUTE);
    EXPECT_EQ(r, (int32_t)in.size());
    out.resize(pos);
    return out;
}

// What a stream reader does: parts with a carry, then one U+FFFD for a carried start.
std::u16string decodeParts(const std::vector<uint8_t>& in, const std::vector<size_t>& cuts) {
    uint8_t carry[UTF8_CARRY_SIZE] = {};
    std::u16string out;
    size_t from = 0;
    std::vector<size_t> ends = cuts;
    ends.push_back(in.size());
    for (size_t to : ends) {
        std::vector<uint8_t> part(in.begin() + (long)from, in.begin() + (long)to);
        if (!part.empty()) out += decodeWhole(part, carry);
        from = to;
    }
    if (carry[0] != 0) out += u'\xFFFD';
    return out;
}

struct DecodeCase {
    const char* bytes;
    std::u16string expected;
};

const DecodeCase DecodeCases[] = {
    {"41", u"A"},
    {"C3A9", u"\u00e9"},
    {"E38182", u"\u3042"},
    {"F09F9880", u"\xD83D\xDE00"},
    {"F0908080", u"\xD800\xDC00"},
    {"F48FBFBF", u"\xDBFF\xDFFF"},
    {"EF BB BF 41",
     u"\xFEFF"
     u"A"},
    {"EEBFBF", u"\xEFFF"},
    {"E0A080", u"\u0800"},
    // a stray continuation byte, over-long forms, bytes that never start a character
    {"80", u"\xFFFD"},
    {"C0AF", u"\xFFFD\xFFFD"},
    {"C1BF", u"\xFFFD\xFFFD"},
    {"E0808F", u"\xFFFD\xFFFD\xFFFD"},
    {"F08F8080", u"\xFFFD\xFFFD\xFFFD\xFFFD"},
    {"F8", u"\xFFFD"},
    {"FF41",
     u"\xFFFD"
     u"A"},
    // above U+10FFFF
    {"F4908080", u"\xFFFD\xFFFD\xFFFD\xFFFD"},
    {"F5808080", u"\xFFFD\xFFFD\xFFFD\xFFFD"},
    // an encoded surrogate is one malformed character
    {"EDA080", u"\xFFFD"},
    {"EDBFBF", u"\xFFFD"},
    {"EDA041",
     u"\xFFFD"
     u"A"},
    // a character cut short by the end, or by a byte that cannot follow
    {"C2", u"\xFFFD"},
    {"E3", u"\xFFFD"},
    {"E381", u"\xFFFD"},
    {"EDA0", u"\xFFFD"},
    {"F4", u"\xFFFD"},
    {"F09F", u"\xFFFD"},
    {"F09F98", u"\xFFFD"},
    {"E38141",
     u"\xFFFD"
     u"A"},
    {"F09F41",
     u"\xFFFD"
     u"A"},
    {"F09F9841",
     u"\xFFFD"
     u"A"},
    {"C341",
     u"\xFFFD"
     u"A"},
    {"E3C3A9", u"\xFFFD\u00e9"},
};

TEST(Utf8Decoder, AsJavaDecodes) {
    for (const DecodeCase& k : DecodeCases) {
        std::vector<uint8_t> in = bytesOf(k.bytes);
        EXPECT_EQ(decodeWhole(in, nullptr), k.expected) << k.bytes;
        // the exact count agrees with the conversion
        uint32_t count = 0;
        convertUtf8ToUnicodeJava(in.data(), 0, (int32_t)in.size(), nullptr, 0, 0, &count, nullptr, nullptr,
                                 CHARCONV_SUBSTITUTE | CHARCONV_COUNT | CHARCONV_EXACT);
        EXPECT_EQ(count, k.expected.size()) << k.bytes;
    }
}

// Cut anywhere, once or twice, a stream decodes as the whole text does.
TEST(Utf8Decoder, StreamPartsDecodeAsTheWhole) {
    std::string all;
    for (const DecodeCase& k : DecodeCases) all += std::string(k.bytes) + "41";
    std::vector<uint8_t> in = bytesOf(all.c_str());
    std::u16string whole = decodeWhole(in, nullptr);
    for (size_t a = 0; a <= in.size(); a++) {
        ASSERT_EQ(decodeParts(in, {a}), whole) << "cut at " << a;
        for (size_t b = a; b <= in.size() && b < a + 5; b++)
            ASSERT_EQ(decodeParts(in, {a, b}), whole) << "cuts at " << a << " and " << b;
    }
}

TEST(Utf8Decoder, CarriedStartWaitsForMoreInput) {
    uint8_t carry[UTF8_CARRY_SIZE] = {};
    EXPECT_EQ(decodeWhole(bytesOf("41F0"), carry), u"A");
    EXPECT_EQ(carry[0], 0xF0);
    EXPECT_EQ(decodeWhole(bytesOf("9F"), carry), u"");
    EXPECT_EQ(carry[1], 0x9F);
    // counting leaves the carry alone
    std::vector<uint8_t> rest = bytesOf("9880");
    uint32_t count = 0;
    convertUtf8ToUnicodeJava(rest.data(), 0, 2, nullptr, 0, 0, &count, carry, nullptr,
                             CHARCONV_SUBSTITUTE | CHARCONV_COUNT | CHARCONV_EXACT);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(carry[0], 0xF0);
    EXPECT_EQ(decodeWhole(rest, carry), u"\xD83D\xDE00");
    EXPECT_EQ(carry[0], 0);
}

TEST(Utf8Decoder, FullDestinationAndBadArguments) {
    std::vector<uint8_t> in = bytesOf("41F09F9880");
    uint16_t out[4];
    uint32_t pos = 0;
    // the pair needs two units: with two places only A fits
    EXPECT_EQ(convertUtf8ToUnicodeJava(in.data(), 0, 5, out, 0, 2, &pos, nullptr, nullptr, CHARCONV_SUBSTITUTE), -1);
    EXPECT_EQ(convertUtf8ToUnicodeJava(nullptr, 0, 1, out, 0, 2, &pos, nullptr, nullptr, 0), -1);
    EXPECT_EQ(convertUtf8ToUnicodeJava(in.data(), 2, 1, out, 0, 2, &pos, nullptr, nullptr, 0), -1);
    EXPECT_EQ(convertUtf8ToUnicodeJava(in.data(), 0, 1, out, 3, 2, &pos, nullptr, nullptr, 0), -1);
    // without the substitute flag malformed input is dropped
    std::vector<uint8_t> bad = bytesOf("41FF42");
    EXPECT_EQ(convertUtf8ToUnicodeJava(bad.data(), 0, 3, out, 0, 4, &pos, nullptr, nullptr, 0), 3);
    EXPECT_EQ(pos, 2u);
    EXPECT_EQ(std::u16string((char16_t*)out, 2), u"AB");
}

struct EncodeCase {
    std::u16string chars;
    const char* utf8;
    const char* latin1;
};

TEST(Encoders, AsJavaEncodes) {
    const EncodeCase cases[] = {
        {u"A", "41", "41"},
        {u"\u00e9", "C3A9", "E9"},
        {u"\u07ff", "DFBF", "3F"},
        {u"\u0800", "E0A080", "3F"},
        {u"\uffff", "EFBFBF", "3F"},
        {u"\xD83D\xDE00", "F09F9880", "3F"},
        {u"\xD800", "3F", "3F"},
        {u"\xDC00", "3F", "3F"},
        {u"\xD800"
         u"A",
         "3F41", "3F41"},
        {u"\xDC00\xD800", "3F3F", "3F3F"},
        {u"\xD800\xD800\xDC00", "3FF0908080", "3F3F"},
    };
    struct Encoder {
        const char* name;
        CharConverter convert;
        const char* EncodeCase::*expected;
    };
    const Encoder encoders[] = {{"UTF-8", convertUnicodeToUtf8Java, &EncodeCase::utf8},
                                {"ISO-8859-1", convertUnicodeToLatin1, &EncodeCase::latin1}};
    for (const Encoder& e : encoders) {
        for (const EncodeCase& k : cases) {
            std::vector<uint8_t> expected = bytesOf(k.*e.expected);
            const uint16_t* src = (const uint16_t*)k.chars.data();
            int32_t n = (int32_t)k.chars.size();
            uint32_t quick = 0, exact = 0, pos = 0;
            e.convert(src, 0, n, nullptr, 0, 0, &quick, nullptr, CHARCONV_SUBSTITUTE | CHARCONV_COUNT);
            e.convert(src, 0, n, nullptr, 0, 0, &exact, nullptr, CHARCONV_SUBSTITUTE | CHARCONV_COUNT | CHARCONV_EXACT);
            std::vector<uint8_t> out(quick);
            EXPECT_EQ(e.convert(src, 0, n, out.data(), 0, (int32_t)quick, &pos, nullptr, CHARCONV_SUBSTITUTE), n)
                << e.name << " " << k.utf8;
            out.resize(pos);
            EXPECT_EQ(out, expected) << e.name << " " << k.utf8;
            EXPECT_EQ(exact, expected.size()) << e.name << " " << k.utf8;
        }
    }
}

TEST(Latin1Decoder, EveryByteIsItsCharacter) {
    uint8_t all[256];
    for (int i = 0; i < 256; i++) all[i] = (uint8_t)i;
    uint16_t out[256];
    uint32_t pos = 0;
    ASSERT_EQ(convertLatin1ToUnicode(all, 0, 256, out, 0, 256, &pos, nullptr, nullptr, CHARCONV_SUBSTITUTE), 256);
    EXPECT_EQ(pos, 256u);
    for (int i = 0; i < 256; i++) EXPECT_EQ(out[i], i);
    EXPECT_EQ(convertLatin1ToUnicode(all, 0, 256, out, 0, 255, &pos, nullptr, nullptr, CHARCONV_SUBSTITUTE), -1);
}

}  // namespace
