// Toolkit strings and the UTF-8 conversions.
#include "toolkit/guitk_string.h"

#include "toolkit_host.h"

namespace {

using StringTest = ToolkitTest;

const uint16_t* units(const std::u16string& s) { return (const uint16_t*)s.data(); }

TEST_F(StringTest, CreationChecksItsArguments) {
    const std::u16string abc = u"abc";
    struct Case {
        const char* name;
        const uint16_t* chars;
        int32_t length, capacity, growable;
        bool made;
    } cases[] = {
        {"fixed", units(abc), 3, 3, 0, true},
        {"growable with room", units(abc), 2, 10, 1, true},
        {"empty, no room", nullptr, 0, 0, 0, true},
        {"room only", nullptr, 0, 5, 1, true},
        {"negative length", units(abc), -1, 3, 0, false},
        {"capacity below length", units(abc), 3, 2, 0, false},
        {"capacity at the limit", nullptr, 0, GUITK_STRING_MAX_CAPACITY, 1, false},
        {"null characters with a length", nullptr, 2, 2, 0, false},
    };
    for (const Case& c : cases) {
        int32_t s = StrCreate(c.chars, c.length, c.capacity, c.growable);
        if (!c.made) {
            EXPECT_EQ(-1, s) << c.name;
            EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_ARGUMENT}, host.takeFatals()) << c.name;
            continue;
        }
        ASSERT_NE(-1, s) << c.name;
        EXPECT_EQ(c.length, StrGetLength(s)) << c.name;
        const GuiTkString* header = (const GuiTkString*)host.peek(s);
        EXPECT_EQ((uint32_t)GUITK_TAG_STR, header->tag) << c.name;
        EXPECT_EQ(c.growable ? (uint32_t)GUITK_TAG_STRB : 0u, header->growableTag) << c.name;
        EXPECT_EQ(0u, header->lockCount) << c.name;
        EXPECT_EQ(c.capacity, header->capacity) << c.name;
        if (c.chars != nullptr) {
            EXPECT_EQ(abc.substr(0, (size_t)c.length), contentOf(s)) << c.name;
        }
        StrDestroy(s);
        EXPECT_EQ(std::vector<int32_t>{}, host.takeFatals()) << c.name;
    }
}

TEST_F(StringTest, AFailedAllocationIsNotFatal) {
    host.handlesBeforeFailure = 0;
    EXPECT_EQ(-1, StrCreateWithCapacity(4));
    host.handlesBeforeFailure = -1;
    EXPECT_EQ(std::vector<int32_t>{}, host.takeFatals());
}

TEST_F(StringTest, LocksNestAndKeepOneHostLock) {
    int32_t s = text(u"hi");
    const uint16_t* first = StrLockChars(s);
    const uint16_t* second = StrLockChars(s);
    EXPECT_EQ(first, second);
    EXPECT_EQ(1, host.locksOf(s)) << "later locks give their host lock back";
    StrUnlockChars(s);
    EXPECT_EQ(1, host.locksOf(s)) << "still locked once";
    StrDestroy(s);
    EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_STATE}, host.takeFatals()) << "a locked string is not destroyed";
    StrUnlockChars(s);
    EXPECT_EQ(0, host.locksOf(s));
    StrUnlockChars(s);
    EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_STATE}, host.takeFatals()) << "unlock without a lock";
    StrDestroy(s);

    int32_t empty = StrCreate(nullptr, 0, 0, 0);
    EXPECT_NE(nullptr, StrLockChars(empty)) << "zero characters still lock";
    StrUnlockChars(empty);
    StrDestroy(empty);
}

TEST_F(StringTest, EditsOfAGrowableString) {
    int32_t s = StrCreateWithCapacity(8);
    EXPECT_EQ(8, StrGetCapacity(s));
    struct Step {
        const char* name;
        void (*edit)(int32_t s);
        std::u16string after;
        std::vector<int32_t> fatals;
    } steps[] = {
        {"set", [](int32_t h) { StrSetChars(h, units(u"abcd"), 4); }, u"abcd", {}},
        {"insert in the middle", [](int32_t h) { StrInsertChars(h, units(u"XY"), 2, 1); }, u"aXYbcd", {}},
        {"insert at the end", [](int32_t h) { StrInsertChars(h, units(u"Z"), 1, 6); }, u"aXYbcdZ", {}},
        {"insert of nothing", [](int32_t h) { StrInsertChars(h, nullptr, 0, 3); }, u"aXYbcdZ", {}},
        {"delete", [](int32_t h) { StrDeleteChars(h, 1, 2); }, u"abcdZ", {}},
        {"delete to the end", [](int32_t h) { StrDeleteChars(h, 3, 2); }, u"abc", {}},
        {"insert beyond the capacity",
         [](int32_t h) { StrInsertChars(h, units(u"123456"), 6, 0); },
         u"abc",
         {GUITK_ERROR_ARGUMENT}},
        {"insert past the length",
         [](int32_t h) { StrInsertChars(h, units(u"1"), 1, 4); },
         u"abc",
         {GUITK_ERROR_ARGUMENT}},
        {"insert null characters", [](int32_t h) { StrInsertChars(h, nullptr, 1, 0); }, u"abc", {GUITK_ERROR_ARGUMENT}},
        {"delete past the length", [](int32_t h) { StrDeleteChars(h, 2, 2); }, u"abc", {GUITK_ERROR_ARGUMENT}},
        {"delete with an overflowing end",
         [](int32_t h) { StrDeleteChars(h, 1, 0x7FFFFFFF); },
         u"abc",
         {GUITK_ERROR_ARGUMENT}},
        {"delete negative", [](int32_t h) { StrDeleteChars(h, -1, 1); }, u"abc", {GUITK_ERROR_ARGUMENT}},
        {"set beyond the capacity",
         [](int32_t h) { StrSetChars(h, units(u"123456789"), 9); },
         u"abc",
         {GUITK_ERROR_ARGUMENT}},
        {"set a length only", [](int32_t h) { StrSetChars(h, nullptr, 0); }, u"", {}},
    };
    for (const Step& step : steps) {
        step.edit(s);
        EXPECT_EQ(step.fatals, host.takeFatals()) << step.name;
        EXPECT_EQ(step.after, contentOf(s)) << step.name;
        EXPECT_EQ(0, host.locksOf(s)) << step.name;
    }
    StrDestroy(s);
}

TEST_F(StringTest, FixedOrLockedStringsAreNotEdited) {
    int32_t fixed = text(u"abc");
    StrSetChars(fixed, units(u"x"), 1);
    EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_HANDLE}, host.takeFatals()) << "fixed, even when it would fit";
    StrGetCapacity(fixed);
    EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_HANDLE}, host.takeFatals()) << "capacity is a growable's";
    EXPECT_EQ(u"abc", contentOf(fixed));
    StrDestroy(fixed);

    int32_t growable = StrCreate(units(u"abc"), 3, 6, 1);
    StrLockChars(growable);
    StrInsertChars(growable, units(u"x"), 1, 0);
    StrDeleteChars(growable, 0, 1);
    EXPECT_EQ((std::vector<int32_t>{GUITK_ERROR_STATE, GUITK_ERROR_STATE}), host.takeFatals());
    StrUnlockChars(growable);
    EXPECT_EQ(u"abc", contentOf(growable));
    StrDestroy(growable);
    EXPECT_EQ(0, host.lockedHandles());
}

std::vector<uint8_t> bytesOf(const char* s) { return std::vector<uint8_t>(s, s + strlen(s)); }

TEST_F(StringTest, Utf16ToUtf8EncodesEachUnitOnItsOwn) {
    struct Case {
        const char* name;
        std::u16string in;
        int32_t capacity;
        int32_t result;
        std::vector<uint8_t> out;
    } cases[] = {
        {"ascii", u"Az", 8, 2, bytesOf("Az")},
        {"two bytes", u"\u00e9", 8, 1, {0xC3, 0xA9}},
        {"three bytes", u"\u3042", 8, 1, {0xE3, 0x81, 0x82}},
        {"a surrogate pair as two units", u"\U0001F600", 8, 2, {0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80}},
        {"out of room mid-way keeps what fit", u"a\u3042", 3, -1, {'a'}},
        {"exact fit", u"a\u00e9", 3, 2, {'a', 0xC3, 0xA9}},
    };
    for (const Case& c : cases) {
        uint8_t buffer[16] = {};
        int32_t written = -7;
        EXPECT_EQ(c.result, Utf16ToUtf8(units(c.in), (int32_t)c.in.size(), buffer, c.capacity, &written)) << c.name;
        EXPECT_EQ(c.out, std::vector<uint8_t>(buffer, buffer + written)) << c.name;
        if (c.result > 0) {
            EXPECT_EQ((int32_t)c.out.size(), Utf16Utf8Length(units(c.in), (int32_t)c.in.size())) << c.name;
        }
    }
    EXPECT_EQ(-1, Utf16Utf8Length(nullptr, 1));
    EXPECT_EQ(-1, Utf16Utf8Length(units(u"a"), -1));
}

TEST_F(StringTest, Utf16ToUtf8ArgumentCasesInTheirOrder) {
    uint16_t in[1] = {'a'};
    uint8_t out[4];
    struct Case {
        const char* name;
        const uint16_t* units;
        int32_t n;
        uint8_t* bytes;
        int32_t capacity, result;
    } cases[] = {
        {"negative count", in, -1, out, 4, -2},
        {"negative capacity", in, 1, out, -1, -2},
        {"no room, before the null test", nullptr, 1, nullptr, 0, -1},
        {"null input", nullptr, 1, out, 4, -2},
        {"null output", in, 1, nullptr, 4, -2},
        {"nothing to do", in, 0, out, 0, 0},
    };
    for (const Case& c : cases) {
        int32_t written = 99;
        EXPECT_EQ(c.result, Utf16ToUtf8(c.units, c.n, c.bytes, c.capacity, &written)) << c.name;
        EXPECT_EQ(0, written) << c.name;
    }
}

TEST_F(StringTest, Utf8ToUtf16DecodesReplacesAndStopsAtACutOffSequence) {
    struct Case {
        const char* name;
        std::vector<uint8_t> in;
        int32_t capacity;
        uint16_t replacement;
        int32_t result;
        std::u16string out;
        int32_t replaced;
    } cases[] = {
        {"ascii", bytesOf("ok"), 8, 0, 2, u"ok", 0},
        {"two and three bytes", {0xC3, 0xA9, 0xE3, 0x81, 0x82}, 8, 0, 5, u"\u00e9\u3042", 0},
        {"cut off at the end", {0xE3, 0x81}, 8, 0, 0, u"", 0},
        {"cut off after a whole one", {'a', 0xE3, 0x81}, 8, 0, 1, u"a", 0},
        {"four bytes above U+FFFF", {0xF0, 0x9F, 0x98, 0x80}, 8, 0, 4, u"\ufffd", 1},
        {"the caller's replacement", {0xF0, 0x9F, 0x98, 0x80}, 8, '?', 4, u"?", 1},
        {"lone continuation byte", {0x80, 'a'}, 8, 0, 2, u"\ufffda", 1},
        {"1111111x cannot lead", {0xFE, 0xFF}, 8, 0, 2, u"\ufffd\ufffd", 2},
        {"bad continuation spoils the sequence", {0xC3, 'a', 'b'}, 8, 0, 3, u"\ufffdb", 1},
        {"overlong forms are taken", {0xC0, 0x81}, 8, 0, 2, u"\u0001", 0},
        {"surrogate values are taken", {0xED, 0xA0, 0x80}, 8, 0, 3, u"\xd800", 0},
        {"six bytes", {0xFC, 0x80, 0x80, 0x80, 0x81, 0x81}, 8, 0, 6, u"\u0041", 0},
        {"out of room", bytesOf("abc"), 2, 0, -1, u"ab", 0},
    };
    for (const Case& c : cases) {
        uint16_t buffer[16] = {};
        int32_t written = -7, replaced = -7;
        EXPECT_EQ(c.result, Utf8ToUtf16(c.in.data(), (int32_t)c.in.size(), buffer, c.capacity, &written, &replaced,
                                        c.replacement))
            << c.name;
        EXPECT_EQ(c.out, std::u16string((const char16_t*)buffer, (size_t)written)) << c.name;
        EXPECT_EQ(c.replaced, replaced) << c.name;
        if (c.result >= 0) {
            EXPECT_EQ((int32_t)c.out.size(), Utf8CountChars(c.in.data(), (int32_t)c.in.size())) << c.name;
        }
    }
}

TEST_F(StringTest, Utf8ToUtf16ArgumentCasesInTheirOrder) {
    uint8_t in[1] = {'a'};
    uint16_t out[2];
    struct Case {
        const char* name;
        const uint8_t* bytes;
        int32_t n;
        uint16_t* units;
        int32_t capacity, result;
    } cases[] = {
        {"null input, before the no-room test", nullptr, 1, out, 0, -2},
        {"null output", in, 1, nullptr, 0, -2},
        {"negative count", in, -1, out, 2, -2},
        {"negative capacity", in, 1, out, -1, -2},
        {"no room", in, 1, out, 0, -1},
        {"nothing to do", in, 0, out, 0, 0},
    };
    for (const Case& c : cases) {
        int32_t written = 99, replaced = 99;
        EXPECT_EQ(c.result, Utf8ToUtf16(c.bytes, c.n, c.units, c.capacity, &written, &replaced, 0)) << c.name;
        EXPECT_EQ(0, written) << c.name;
        EXPECT_EQ(0, replaced) << c.name;
    }
    EXPECT_EQ(-1, Utf8CountChars(nullptr, 1));
    EXPECT_EQ(-1, Utf8CountChars(in, -1));
}

}  // namespace
