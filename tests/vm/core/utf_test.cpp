#include "vm/core/utf.h"

#include <gtest/gtest.h>

#include <setjmp.h>

#include <string>
#include <vector>

#include "platform/trace.h"
#include "vm/core/exceptions.h"

namespace {

using Units = std::vector<uint16_t>;
using Bytes = std::vector<uint8_t>;

// A null text is refused, so an empty case still passes a real address.
const uint16_t kNoUnits[1] = {};
const uint8_t kNoBytes[1] = {};
const uint16_t* dataOf(const Units& u) { return u.empty() ? kNoUnits : u.data(); }
const uint8_t* dataOf(const Bytes& b) { return b.empty() ? kNoBytes : b.data(); }

TEST(ClassFileUtf, Utf2UnicodeDecodesAndAdvances) {
    const struct {
        const char* name;
        const char* text;
        uint16_t first;
        int advance;
    } cases[] = {
        {"ascii", "A", 'A', 1},
        {"two bytes", "\xC3\xA9", 0xE9, 2},
        {"over-long NUL accepted", "\xC0\x80", 0x0000, 2},
        {"three bytes", "\xE4\xB8\x80", 0x4E00, 3},
        {"surrogate accepted", "\xED\xA0\x80", 0xD800, 3},
        {"two-byte lead, bad second",
         "\xC3"
         "A",
         0x80, 1},
        {"three-byte lead, bad third",
         "\xE4\xB8"
         "A",
         0x80, 2},
        {"three-byte lead, bad second",
         "\xE4"
         "AB",
         0x80, 1},
        {"stray continuation",
         "\x9F"
         "A",
         0x80, 1},
        {"four-byte lead", "\xF0\x9F\x98\x80", 0x80, 1},
        {"lead at end of text", "\xE4", 0x80, 1},
        {"two of three at end of text", "\xE4\xB8", 0x80, 2},
    };
    for (const auto& c : cases) {
        const char* p = c.text;
        EXPECT_EQ(c.first, utf2unicode(&p)) << c.name;
        EXPECT_EQ(c.advance, p - c.text) << c.name;
    }
    // After a broken three-byte sequence the next call reads what follows it.
    const char* p =
        "\xE4\xB8"
        "A";
    utf2unicode(&p);
    EXPECT_EQ('A', utf2unicode(&p));
}

TEST(ClassFileUtf, StringLengthCountsCharacters) {
    const struct {
        const char* name;
        const char* text;
        int length;
        int expected;
    } cases[] = {
        {"empty", "", 0, 0},
        {"ascii", "abc", 3, 3},
        {"mixed", "a\xC3\xA9\xE4\xB8\x80z", 7, 4},
        {"continuation bytes unchecked",
         "\xC3"
         "A",
         2, 1},
        {"embedded NUL as C0 80",
         "a\xC0\x80"
         "b",
         4, 3},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, utfStringLength(c.text, c.length)) << c.name;
    }
}

// Runs utfStringLength under an exit frame of its own; the trace it wrote goes to *trace.
// Whether it came back rather than ending the run is the result. Kept out of the test's
// loop so that no loop variable lives across the setjmp.
bool lengthReturns(const char* text, int length, std::string* trace) {
    TraceSetCapture([](int ch, void* t) { *static_cast<std::string*>(t) += (char)ch; }, trace);
    jmp_buf exitFrame;
    jmp_buf* volatile saved = VmExitFrame;
    VmExitFrame = &exitFrame;
    VmExitCode = 0;
    volatile bool returned = false;
    if (setjmp(exitFrame) == 0) {
        utfStringLength(text, length);
        returned = true;
    }
    VmExitFrame = saved;
    TraceSetCapture(nullptr, nullptr);
    return returned;
}

TEST(ClassFileUtf, StringLengthOfStrayByteEndsTheRun) {
    const struct {
        const char* name;
        const char* text;
        int length;
    } cases[] = {
        {"stray continuation first",
         "\x9F"
         "abc",
         4},
        {"stray continuation after ascii", "ab\x9F", 3},
        {"four-byte lead", "a\xF0\x9F\x98\x80", 5},
        {"0xFF", "\xFF", 1},
    };
    for (const auto& c : cases) {
        std::string trace;
        EXPECT_FALSE(lengthReturns(c.text, c.length, &trace)) << c.name;
        EXPECT_EQ(127, VmExitCode) << c.name;
        EXPECT_EQ("ALERT: Bad UTF string\n", trace) << c.name;
    }
}

TEST(ClassFileUtf, Unicode2UtfEncodesEachUnitAndBoundsOutput) {
    const struct {
        const char* name;
        Units units;
        int size;
        const char* expected;
    } cases[] = {
        {"ascii", {'h', 'i'}, 16, "hi"},
        {"NUL as two bytes",
         {0, 'a'},
         16,
         "\xC0\x80"
         "a"},
        {"two and three bytes", {0xE9, 0x4E00}, 16, "\xC3\xA9\xE4\xB8\x80"},
        {"lone surrogate as three bytes", {0xD800}, 16, "\xED\xA0\x80"},
        {"only whole characters fit", {'a', 0x4E00}, 4, "a"},
        {"exact fit", {'a', 0x4E00}, 5, "a\xE4\xB8\x80"},
        {"size 1 gives empty text", {'a'}, 1, ""},
    };
    for (const auto& c : cases) {
        char buffer[16];
        memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(buffer, unicode2utf(c.units.data(), (int)c.units.size(), buffer, c.size)) << c.name;
        EXPECT_STREQ(c.expected, buffer) << c.name;
    }
    const struct {
        const char* name;
        Units units;
        int expected;
    } lengths[] = {
        {"empty", {}, 0},
        {"ascii", {'a', 'b'}, 2},
        {"NUL counts two", {0}, 2},
        {"0x7FF two, 0x800 three", {0x7FF, 0x800}, 5},
        {"surrogate pair six", {0xD83D, 0xDE00}, 6},
    };
    for (const auto& c : lengths) {
        EXPECT_EQ(c.expected, unicode2utfstrlen(c.units.data(), (int)c.units.size())) << c.name;
    }
}

TEST(StandardUtf8, DecodeCharRejectsMalformedInput) {
    const struct {
        const char* name;
        Bytes bytes;
        int available;
        int ok;
        uint16_t unit;
    } cases[] = {
        {"ascii", {0x41}, 1, 1, 0x41},
        {"two bytes", {0xC3, 0xA9}, 2, 1, 0xE9},
        {"three bytes", {0xE4, 0xB8, 0x80}, 3, 1, 0x4E00},
        {"highest BMP", {0xEF, 0xBF, 0xBF}, 3, 1, 0xFFFF},
        {"over-long two bytes", {0xC1, 0xBF}, 2, 0, 0xFFFD},
        {"over-long NUL", {0xC0, 0x80}, 2, 0, 0xFFFD},
        {"over-long three bytes", {0xE0, 0x9F, 0xBF}, 3, 0, 0xFFFD},
        {"surrogate", {0xED, 0xA0, 0x80}, 3, 0, 0xFFFD},
        {"bad continuation", {0xC3, 0x41}, 2, 0, 0xFFFD},
        {"bad third byte", {0xE4, 0xB8, 0x41}, 3, 0, 0xFFFD},
        {"too few bytes available", {0xE4, 0xB8, 0x80}, 2, 0, 0xFFFD},
        {"stray continuation", {0x80}, 1, 0, 0xFFFD},
        {"four-byte lead", {0xF0, 0x9F, 0x98, 0x80}, 4, 0, 0xFFFD},
        {"nothing available", {0x41}, 0, 0, 0xFFFD},
    };
    for (const auto& c : cases) {
        uint16_t unit = 0x1234;
        EXPECT_EQ(c.ok, utf8DecodeChar(c.bytes.data(), c.available, &unit)) << c.name;
        EXPECT_EQ(c.unit, unit) << c.name;
    }
}

TEST(StandardUtf8, EncodeCharAndCharKind) {
    const struct {
        const char* name;
        uint16_t unit;
        int size;
        int result;
        Bytes bytes;
    } cases[] = {
        {"ascii", 'A', 4, 1, {0x41}},
        {"NUL is one byte", 0, 4, 1, {0x00}},
        {"two bytes", 0x7FF, 4, 2, {0xDF, 0xBF}},
        {"three bytes", 0x800, 4, 3, {0xE0, 0xA0, 0x80}},
        {"high surrogate refused", 0xD800, 4, 0, {}},
        {"low surrogate refused", 0xDFFF, 4, 0, {}},
        {"buffer below four even for ascii", 'A', 3, -1, {}},
    };
    for (const auto& c : cases) {
        uint8_t buffer[4] = {0xAA, 0xAA, 0xAA, 0xAA};
        EXPECT_EQ(c.result, utf8EncodeChar(c.unit, buffer, c.size)) << c.name;
        EXPECT_EQ(c.bytes, Bytes(buffer, buffer + c.bytes.size())) << c.name;
    }
    const struct {
        uint8_t lead;
        int kind;
    } kinds[] = {{0x00, 1}, {0x7F, 1}, {0x80, 0}, {0xBF, 0}, {0xC0, 2},
                 {0xDF, 2}, {0xE0, 3}, {0xEF, 3}, {0xF0, 0}, {0xFF, 0}};
    for (const auto& k : kinds) {
        EXPECT_EQ(k.kind, utf8CharKind(k.lead)) << "lead " << (int)k.lead;
    }
}

TEST(StandardUtf8, BytesToUnicodeCountsErrors) {
    const struct {
        const char* name;
        Bytes bytes;
        int outSize;
        int consumed;
        Units units;
        uint32_t errors;
    } cases[] = {
        {"ascii", {'a', 'b'}, 8, 2, {'a', 'b'}, 0},
        {"mixed", {'a', 0xC3, 0xA9, 0xE4, 0xB8, 0x80}, 8, 6, {'a', 0xE9, 0x4E00}, 0},
        {"bad pair counts two, next byte kept", {0xC3, 0x41, 0x42}, 8, 3, {'B'}, 2},
        {"bad triple counts three, drops all", {0xE4, 0xB8, 0x41, 0x43}, 8, 4, {'C'}, 3},
        {"stray continuation skipped silently", {0x80, 'x'}, 8, 2, {'x'}, 0},
        {"four-byte lead skipped", {0xF0, 'x'}, 8, 2, {'x'}, 0},
        {"over-long form is an error", {0xC0, 0x80}, 8, 2, {}, 2},
        {"surrogate is an error", {0xED, 0xA0, 0x80, 'z'}, 8, 4, {'z'}, 3},
        {"unfinished at end consumed silently", {'a', 0xE4, 0xB8}, 8, 3, {'a'}, 0},
        {"full output stops before character", {'a', 0xC3, 0xA9, 'b'}, 1, 1, {'a'}, 0},
        {"empty input", {}, 8, 0, {}, 0},
    };
    for (const auto& c : cases) {
        uint16_t out[8];
        uint32_t pos = 99, errors = 99;
        int r = convertBytesToUnicode(dataOf(c.bytes), 0, (int)c.bytes.size(), out, 0, c.outSize, &pos, &errors, 0);
        EXPECT_EQ(c.consumed, r) << c.name;
        EXPECT_EQ(c.units.size(), pos) << c.name;
        EXPECT_EQ(c.units, Units(out, out + pos)) << c.name;
        EXPECT_EQ(c.errors, errors) << c.name;
    }
}

TEST(StandardUtf8, BytesToUnicodeHonoursStartIndices) {
    const uint8_t bytes[] = {'x', 'a', 'b', 'y'};
    uint16_t out[6] = {};
    uint32_t pos = 0, errors = 7;
    EXPECT_EQ(2, convertBytesToUnicode(bytes, 1, 3, out, 2, 6, &pos, &errors, 0));
    EXPECT_EQ(4u, pos);
    EXPECT_EQ(0u, errors);
    EXPECT_EQ('a', out[2]);
    EXPECT_EQ('b', out[3]);
}

TEST(StandardUtf8, UnicodeToBytes) {
    const struct {
        const char* name;
        Units units;
        int outSize;
        int result;
        Bytes bytes;
        uint32_t errors;
    } cases[] = {
        {"ascii", {'a', 'b'}, 8, 2, {'a', 'b'}, 0},
        {"mixed", {0xE9, 0x4E00}, 8, 2, {0xC3, 0xA9, 0xE4, 0xB8, 0x80}, 0},
        {"surrogate dropped and counted", {'a', 0xD800, 'b'}, 8, 3, {'a', 'b'}, 1},
        {"surrogate pair gives two errors", {0xD83D, 0xDE00}, 8, 2, {}, 2},
        {"no room for whole character", {'a', 0x4E00}, 3, -1, {'a'}, 0},
        {"exact fit", {'a', 0x4E00}, 4, 2, {'a', 0xE4, 0xB8, 0x80}, 0},
        {"empty", {}, 0, 0, {}, 0},
    };
    for (const auto& c : cases) {
        uint8_t out[8];
        uint32_t pos = 99, errors = 99;
        int r = convertUnicodeToBytes(dataOf(c.units), 0, (int)c.units.size(), out, 0, c.outSize, &pos, &errors, 0);
        EXPECT_EQ(c.result, r) << c.name;
        EXPECT_EQ(c.bytes.size(), pos) << c.name;
        EXPECT_EQ(c.bytes, Bytes(out, out + pos)) << c.name;
        EXPECT_EQ(c.errors, errors) << c.name;
    }
}

TEST(StandardUtf8, BadArgumentsAreRefused) {
    const uint16_t units[] = {'a'};
    const uint8_t bytes[] = {'a'};
    uint16_t u16[4];
    uint8_t u8[4];
    uint32_t pos = 5, errors = 5;
    const struct {
        const char* name;
        int result;
    } cases[] = {
        {"encode null input", convertUnicodeToBytes(nullptr, 0, 1, u8, 0, 4, &pos, &errors, 0)},
        {"encode start after end", convertUnicodeToBytes(units, 1, 0, u8, 0, 4, &pos, &errors, 0)},
        {"encode output start after end", convertUnicodeToBytes(units, 0, 1, u8, 4, 0, &pos, &errors, 0)},
        {"encode null output", convertUnicodeToBytes(units, 0, 1, nullptr, 0, 4, &pos, &errors, 0)},
        {"decode null input", convertBytesToUnicode(nullptr, 0, 1, u16, 0, 4, &pos, &errors, 0)},
        {"decode start after end", convertBytesToUnicode(bytes, 1, 0, u16, 0, 4, &pos, &errors, 0)},
        {"decode null output", convertBytesToUnicode(bytes, 0, 1, nullptr, 0, 4, &pos, &errors, 0)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(-1, c.result) << c.name;
    }
    EXPECT_EQ(5u, pos);
}

}  // namespace
