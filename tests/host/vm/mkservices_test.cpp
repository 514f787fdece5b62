// The small porting services: properties and platform requests through the shared
// buffer, the work buffers, the clocks as two words.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/vm/mkservices.h"
#include "host/vm/porting.h"
#include "platform/clock.h"
#include "platform/events.h"
#include "storage/qmmm.h"

namespace {

std::u16string u16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

TEST(MkServices, PropertiesAsUtf16) {
    struct Case {
        const char* name;
        std::u16string key;
        const char* value;  // null: unknown
    };
    const Case cases[] = {
        {"a known key", u"microedition.media.version", "1.1"},
        {"a key whose value is none", u"audio.encodings", nullptr},
        {"an unknown key", u"no.such.key", nullptr},
        {"a key beyond ASCII", u"microedition.media.versi\u00f6n", nullptr},
        {"an empty key", u"", nullptr},
    };
    for (const Case& c : cases) {
        int32_t length = -1;
        const uint16_t* value = MkPropertyGetString((const uint16_t*)c.key.data(), (int32_t)c.key.size(), &length);
        if (c.value == nullptr) {
            EXPECT_EQ(nullptr, value) << c.name;
            EXPECT_EQ(0, length) << c.name;
            continue;
        }
        ASSERT_NE(nullptr, value) << c.name;
        EXPECT_EQ(u16(c.value), std::u16string((const char16_t*)value, (size_t)length)) << c.name;
    }
}

std::string lastUrl;
int32_t noteUrl(const char* url) {
    lastUrl = url;
    return 0;
}

TEST(MkServices, PlatformRequestPassesTheWholeUrlAsUtf8) {
    SysSetPlatformOpener(noteUrl, nullptr);
    struct Case {
        const char* name;
        std::u16string url;
        int32_t result;
        std::string opened;
    };
    const std::u16string longPath(400, u'x');
    const Case cases[] = {
        // the low byte of U+0141 is 'A': narrowed, it would open another page
        {"a letter beyond Latin-1", u"http://example.com/\u0141", 1, "http://example.com/\xc5\x81"},
        {"Latin-1", u"https://example.com/caf\u00e9", 1, "https://example.com/caf\xc3\xa9"},
        {"a pair of surrogates", u"http://example.com/\U0001F600", 1, "http://example.com/\xf0\x9f\x98\x80"},
        {"a lone surrogate", u"http://example.com/\xd800x", 1, "http://example.com/\xef\xbf\xbdx"},
        {"longer than 255 characters", u"http://" + longPath, 1, "http://" + std::string(400, 'x')},
        {"a NUL inside is refused", std::u16string(u"http://a\0b", 10), 0, ""},
    };
    for (const Case& c : cases) {
        lastUrl.clear();
        EXPECT_EQ(c.result, MkPlatformRequest((const uint16_t*)c.url.data(), (int32_t)c.url.size())) << c.name;
        EXPECT_EQ(c.opened, lastUrl) << c.name;
    }
    EXPECT_EQ(0, MkPlatformRequest(nullptr, 0)) << "nothing to request";
    SysSetPlatformOpener(nullptr, nullptr);
}

TEST(MkServices, WorkBuffersFromTheArena) {
    std::vector<uint8_t> arena(8192);
    qmmm_init(arena.data(), (int32_t)arena.size());
    MkWorkBuffersInit();
    for (int i = 0; i < 2; i++) {
        int32_t status = -5;
        uint8_t* b = MkWorkBuffer(i, &status);
        ASSERT_NE(nullptr, b) << i;
        EXPECT_EQ(0, status) << i;
        for (int k = 0; k < MK_WORK_BUFFER; k++) ASSERT_EQ(0, b[k]) << i;
    }
    MkWorkBuffersTerm();
    int32_t status = -5;
    EXPECT_EQ(nullptr, MkWorkBuffer(0, &status));
    EXPECT_EQ(0, status);
    qmmm_fini();
    // an arena too small for the second buffer
    std::vector<uint8_t> small(1200);
    qmmm_init(small.data(), (int32_t)small.size());
    MkWorkBuffersInit();
    MkWorkBuffer(1, &status);
    EXPECT_EQ(-1, status) << "the failed buffer says so";
    MkWorkBuffersTerm();
    qmmm_fini();
}

TEST(MkServices, ClocksInTwoWords) {
    SysTimerInit();
    uint32_t high = 0, low = 0;
    MkGetCurrentTimeMillis(&high, &low);
    int64_t now = ((int64_t)high << 32) | low;
    EXPECT_GT(now, 1600000000000LL) << "milliseconds since 1970";
    uint32_t h1 = 0, l1 = 0, h2 = 0, l2 = 0;
    MkGetElapsedTime(&h1, &l1);
    MkGetElapsedTime(&h2, &l2);
    EXPECT_LE(((uint64_t)h1 << 32 | l1), ((uint64_t)h2 << 32 | l2));
}

}  // namespace
