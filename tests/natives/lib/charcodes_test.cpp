// The US-ASCII converters and the mvCharCodes drivers: the shared buffer for short
// results, allocation for long ones, and the failure lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "natives/lib/charcodes.h"
#include "support/vmasm.h"
#include "vm/services/memory.h"

using namespace vmasm;

namespace {

TEST(AsciiEncoder, Flags) {
    struct Case {
        const char* name;
        uint32_t flags;
        int32_t room;
        std::vector<uint8_t> bytes;
        int32_t result;
        uint32_t pos, unmappable;
    };
    const std::u16string text = u"a\u00e9b";
    const Case cases[] = {
        {"substitute ?", CHARCONV_SUBSTITUTE, 8, {'a', '?', 'b'}, 3, 3, 1},
        {"substitute from the flags", CHARCONV_SUBSTITUTE | 0x2A0000, 8, {'a', '*', 'b'}, 3, 3, 1},
        {"raw gives both bytes", CHARCONV_RAW, 8, {'a', 0x00, 0xE9, 'b'}, 3, 4, 1},
        {"dropped", 0, 8, {'a', 'b'}, 3, 2, 1},
        {"quick count is the length", CHARCONV_COUNT, 0, {}, 3, 3, 0},
        {"exact count with raw", CHARCONV_COUNT | CHARCONV_EXACT | CHARCONV_RAW, 0, {}, 3, 4, 1},
        {"one byte short", CHARCONV_SUBSTITUTE, 2, {'a', '?'}, -2, 2, 1},
        {"raw does not fit in one byte", CHARCONV_RAW, 2, {'a'}, -1, 1, 1},
    };
    for (const Case& k : cases) {
        std::vector<uint8_t> out(8, 0xEE);
        uint32_t pos = 0, bad = 0;
        bool count = (k.flags & CHARCONV_COUNT) != 0;
        int32_t r = convertUnicodeToAscii((const uint16_t*)text.data(), 0, 3, count ? nullptr : out.data(), 0, k.room,
                                          &pos, &bad, k.flags);
        EXPECT_EQ(r, k.result) << k.name;
        EXPECT_EQ(pos, k.pos) << k.name;
        EXPECT_EQ(bad, k.unmappable) << k.name;
        if (!count) {
            EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + (long)k.bytes.size()), k.bytes) << k.name;
        }
    }
}

TEST(AsciiDecoder, Flags) {
    const uint8_t in[] = {'a', 0xE9, 'b'};
    struct Case {
        const char* name;
        uint32_t flags;
        std::u16string text;
    };
    const Case cases[] = {
        {"U+FFFD", CHARCONV_SUBSTITUTE,
         u"a\xFFFD"
         u"b"},
        {"substitute from the flags", CHARCONV_SUBSTITUTE | 0x3F0000, u"a?b"},
        {"raw", CHARCONV_RAW, u"a\u00e9b"},
        {"dropped", 0, u"ab"},
    };
    for (const Case& k : cases) {
        uint16_t out[4];
        uint32_t pos = 0, bad = 0;
        EXPECT_EQ(convertAsciiToUnicode(in, 0, 3, out, 0, 4, &pos, &bad, k.flags), 3) << k.name;
        EXPECT_EQ(std::u16string((char16_t*)out, pos), k.text) << k.name;
        EXPECT_EQ(bad, 1u) << k.name;
    }
}

struct DriverResult {
    std::string bytes;
    int32_t length = -1;
    bool shared = false;
    std::string trace;
};

DriverResult toAscii(const std::u16string& text, bool alloc, bool nullChars = false) {
    DriverResult d;
    Vm vm;
    RunResult r = vm.inside([&] {
        const uint16_t* chars = nullChars ? nullptr : (const uint16_t*)text.data();
        uint8_t* out = alloc ? mvCharCodes_unicode2asciiWithAlloc(chars, (int32_t)text.size(), &d.length)
                             : mvCharCodes_unicode2asciiWithBuffer(chars, (int32_t)text.size(), &d.length);
        if (out == nullptr) return;
        d.shared = mvCharCodes_isSharedBuffer(out);
        d.bytes.assign((const char*)out, (size_t)d.length + 1);  // with the terminator
        mvCharCodes_freeBuffer(out);
    });
    d.trace = r.trace;
    EXPECT_EQ(r.exitCode, 0) << r.trace;
    return d;
}

TEST(CharCodesDrivers, AsciiWithBufferAndAlloc) {
    struct Case {
        const char* name;
        std::u16string text;
        bool alloc;
        std::string bytes;  // with the terminator
        bool shared;
    };
    const std::u16string chars510(510, u'x'), chars511(511, u'x');
    const Case cases[] = {
        {"short text in the shared buffer", u"a\u00e9b", false, std::string("a?b\0", 4), true},
        {"empty text", u"", false, std::string("\0", 1), true},
        {"510 characters and the terminator fit", chars510, false, std::string(510, 'x') + '\0', true},
        {"511 characters need a block", chars511, false, std::string(511, 'x') + '\0', false},
        {"WithAlloc always allocates", u"ab", true, std::string("ab\0", 3), false},
    };
    for (const Case& k : cases) {
        DriverResult d = toAscii(k.text, k.alloc);
        EXPECT_EQ(d.bytes, k.bytes) << k.name;
        EXPECT_EQ(d.length, (int32_t)k.bytes.size() - 1) << k.name;
        EXPECT_EQ(d.shared, k.shared) << k.name;
    }
}

TEST(CharCodesDrivers, FailuresTraceAndGiveEmptyResults) {
    DriverResult d = toAscii(u"ab", false, true);
    EXPECT_EQ(d.bytes, std::string("\0", 1));  // the empty result, not null
    EXPECT_EQ(d.length, 0);
    EXPECT_NE(d.trace.find("[mvCharCodes_unicode2nativeWithBuffer] count failed."), std::string::npos) << d.trace;
    d = toAscii(u"ab", true, true);
    EXPECT_EQ(d.bytes, "");  // null
    EXPECT_EQ(d.length, 0);
    EXPECT_NE(d.trace.find("[mvCharCodes_unicode2nativeWithAlloc] count failed."), std::string::npos) << d.trace;
}

TEST(CharCodesDrivers, DecodingDrivers) {
    Vm vm;
    RunResult r = vm.inside([&] {
        // a lead byte at the end has no carry to go to: it is dropped
        const uint8_t sjis[] = {0x82, 0xA0, 0x41, 0x82};
        int32_t length = -1;
        uint16_t* out = mvCharCodes_sjis2unicodeWithBuffer(sjis, 4, &length);
        EXPECT_TRUE(mvCharCodes_isSharedBuffer(out));
        EXPECT_EQ(std::u16string((char16_t*)out, (size_t)length), u"\u3042A");
        EXPECT_EQ(mvCharCodes_sjis2unicodeLength(sjis, 4), 2);
        std::vector<uint8_t> many(600, 'z');
        out = mvCharCodes_sjis2unicodeWithBuffer(many.data(), 600, &length);
        EXPECT_FALSE(mvCharCodes_isSharedBuffer(out));
        EXPECT_EQ(std::u16string((char16_t*)out, (size_t)length), std::u16string(600, u'z'));
        mvCharCodes_freeBuffer(out);
        out = mvCharCodes_sjis2unicodeWithAlloc(sjis, 2, &length);
        EXPECT_FALSE(mvCharCodes_isSharedBuffer(out));
        EXPECT_EQ(std::u16string((char16_t*)out, (size_t)length), u"\u3042");
        mvCharCodes_freeBuffer(out);
        // the core's UTF-8 decoder drops what is malformed
        const uint8_t utf8[] = {'a', 0xE3, 0x81, 0x82, 0xFF, 'b'};
        out = mvCharCodes_utf82unicodeWithBuffer(utf8, 6, &length);
        EXPECT_EQ(std::u16string((char16_t*)out, (size_t)length), u"a\u3042b");
        const uint16_t text[] = {0x3042, 'a'};
        uint8_t* bytes = mvCharCodes_unicode2sjisWithBuffer(text, 2, &length);
        EXPECT_EQ(std::string((char*)bytes, (size_t)length + 1), std::string("\x82\xA0"
                                                                             "a\0",
                                                                             4));
        EXPECT_EQ(mvCharCodes_unicode2sjisLength(text, 2), 3);
        // a movable block: the count and the characters behind the handle
        uint32_t handle = mvCharCodes_sjis2unicodeWithHandle(sjis, 3, &length);
        ASSERT_NE(handle, 0u);
        EXPECT_EQ(length, 2);
        uint16_t* held = (uint16_t*)handleLock(handle);
        EXPECT_EQ(std::u16string((char16_t*)held, 2), u"\u3042A");
        handleUnlock(handle);
        EXPECT_EQ(freeHandle(handle), 0);
        EXPECT_EQ(mvCharCodes_sjis2unicodeWithHandle(nullptr, 3, &length), 0u);
        EXPECT_EQ(length, 0);
        // freeing the shared buffer does nothing: its text is still there
        mvCharCodes_freeBuffer(bytes);
        EXPECT_EQ(bytes[2], 'a');
    });
    EXPECT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_NE(r.trace.find("[mvCharCodes_sjis2unicodeWithHandle] count failed.\n"), std::string::npos) << r.trace;
}

}  // namespace
