// Named memory files: the eight-entry table, open/seek/tell/getc/stat, and reads of
// callback files through the 1024-byte cache.
#include <gtest/gtest.h>

#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "vm/loader/classpath.h"

namespace {

// The callback file's host side: its bytes, and every call it answered.
struct FakeHost {
    std::vector<uint8_t> bytes;
    std::vector<std::pair<int32_t, int32_t>> calls;  // offset, count
    int32_t zeroAnswers = 0;                         // answer 0 this many times first
    int32_t failAfter = -1;                          // answer -1 from this call on
    int32_t shortBy = 0;                             // deliver this many bytes fewer than asked (at least 1)
};
FakeHost host;

int32_t hostRead(uint8_t* buffer, int32_t offset, int32_t count) {
    host.calls.push_back({offset, count});
    if (host.failAfter >= 0 && (int32_t)host.calls.size() > host.failAfter) return -1;
    if (host.zeroAnswers > 0) {
        host.zeroAnswers--;
        return 0;
    }
    int32_t n = count - host.shortBy;
    if (n < 1) n = 1;
    if (n > (int32_t)host.bytes.size() - offset) n = (int32_t)host.bytes.size() - offset;
    memcpy(buffer, host.bytes.data() + offset, (size_t)n);
    return n;
}

std::vector<uint8_t> pattern(size_t n) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; i++) v[i] = (uint8_t)(i * 7 + (i >> 8));
    return v;
}

class MemoryFileTable : public ::testing::Test {
protected:
    void SetUp() override {
        for (int h = 1; h <= MEMORY_FILE_COUNT; h++) unregisterMemoryFile(nullptr, h);
        host = FakeHost();
    }
    void TearDown() override { SetUp(); }
};

TEST_F(MemoryFileTable, Registration) {
    static const uint8_t data[4] = {1, 2, 3, 4};
    struct Case {
        const char* name;
        std::function<int32_t()> call;
        int32_t expected;
    };
    const std::string longName(40, 'x');
    const Case cases[] = {
        {"first file", [] { return registerMemoryFile("/app.jar", data, nullptr, 4); }, 1},
        {"same name again", [] { return registerMemoryFile("/app.jar", data, nullptr, 4); }, -3},
        {"null name", [] { return registerMemoryFile(nullptr, data, nullptr, 4); }, -2},
        {"empty name", [] { return registerMemoryFile("", data, nullptr, 4); }, -2},
        {"neither data nor callback", [] { return registerMemoryFile("/none", nullptr, nullptr, 4); }, -1},
        {"the name stays taken", [] { return registerMemoryFile("/none", data, nullptr, 4); }, -3},
        {"callback file", [] { return registerMemoryFile("/tck.jar", nullptr, hostRead, 4); }, 3},
        {"40-character name", [&] { return registerMemoryFile(longName.c_str(), data, nullptr, 4); }, 4},
        {"same 31-character start", [&] { return registerMemoryFile((longName + "y").c_str(), data, nullptr, 4); }, -3},
        {"fifth", [] { return registerMemoryFile("/5", data, nullptr, 4); }, 5},
        {"sixth", [] { return registerMemoryFile("/6", data, nullptr, 4); }, 6},
        {"seventh", [] { return registerMemoryFile("/7", data, nullptr, 4); }, 7},
        {"eighth", [] { return registerMemoryFile("/8", data, nullptr, 4); }, 8},
        {"ninth", [] { return registerMemoryFile("/9", data, nullptr, 4); }, -4},
    };
    for (const Case& c : cases) EXPECT_EQ(c.call(), c.expected) << c.name;

    EXPECT_EQ(std::string(MemoryFiles[3].name), std::string(31, 'x'));
    EXPECT_EQ(openMemoryFile(longName.c_str(), "rb"), nullptr) << "the full long name is not the registered one";
    EXPECT_NE(openMemoryFile(std::string(31, 'x').c_str(), "rb"), nullptr);
    EXPECT_EQ(openMemoryFile("/APP.JAR", "rb"), nullptr) << "names compare case-sensitively";
    EXPECT_EQ(MemoryFiles[2].read, hostRead);
    EXPECT_EQ(MemoryFiles[0].read, nullptr);

    unregisterMemoryFile("/app.jar", 0);
    EXPECT_EQ(openMemoryFileHandle("/app.jar", "rb"), -1);
    unregisterMemoryFile(nullptr, 3);
    EXPECT_EQ(openMemoryFile("/tck.jar", "rb"), nullptr);
    unregisterMemoryFile(nullptr, 0);  // outside 1..8: nothing happens
    unregisterMemoryFile(nullptr, 9);
    unregisterMemoryFile("/unknown", 5);  // a name wins over the handle
    EXPECT_EQ(openMemoryFileHandle("/5", "rb"), 5);
    EXPECT_EQ(registerMemoryFile("/again", data, nullptr, 4), 1) << "a freed entry is reused";
}

// The entry keeps the data's address in a word: data above the low window ends the
// program naming the address, rather than being kept as a cut-off address.
TEST_F(MemoryFileTable, DataOutsideTheLowWindowIsRefusedLoudly) {
    uint8_t onStack[16] = {};
    ASSERT_GE((uintptr_t)onStack, (uintptr_t)P32_LIMIT) << "the stack lies above the window";
    EXPECT_DEATH(registerMemoryFile("/high", onStack, nullptr, 16), "does not fit a 32-bit word");
    static const uint8_t inProgram[4] = {1, 2, 3, 4};
    EXPECT_EQ(registerMemoryFile("/low", inProgram, nullptr, 4), 1) << "the program's own data lies low";
}

TEST_F(MemoryFileTable, SeekTellGetcStat) {
    static const uint8_t data[5] = {10, 20, 30, 40, 250};
    ASSERT_EQ(registerMemoryFile("/f", data, nullptr, 5), 1);
    int32_t mode = 0, size = 0;
    EXPECT_EQ(statMemoryFile("/f", &mode, &size), 0);
    EXPECT_EQ(mode, 0x8100);
    EXPECT_EQ(size, 5);
    EXPECT_EQ(statMemoryFile("/g", &mode, &size), -1);

    MemoryFileEntry* f = openMemoryFile("/f", "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(openMemoryFile("/f", "r"), f) << "opening twice gives the same stream";
    struct Step {
        const char* name;
        int32_t offset, whence;
        int32_t result, position, getc;
    };
    const Step steps[] = {
        {"start", 0, 0, 0, 0, 10},
        {"forward from position", 2, 1, 0, 3, 40},
        {"back from end", -1, 2, 0, 4, 250},
        {"exactly to the size", 5, 0, 0, 5, -1},
        {"beyond the size", 6, 0, -1, 5, -1},
        {"below zero", -1, 0, -1, 5, -1},
        {"back from position", -5, 1, 0, 0, 10},
        {"unknown whence", 0, 3, -1, 1, 20},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(seekMemoryFile(f, s.offset, s.whence), s.result) << s.name;
        EXPECT_EQ(tellMemoryFile(f), s.position) << s.name;
        EXPECT_EQ(getcMemoryFile(f), s.getc) << s.name;
    }
    uint8_t buffer[8] = {};
    seekMemoryFile(f, 1, 0);
    EXPECT_EQ(readMemoryFile(buffer, 2, 3, f), 4) << "element size times count, clipped at the end";
    EXPECT_EQ(buffer[0], 20);
    EXPECT_EQ(buffer[3], 250);
    EXPECT_EQ(readMemoryFile(buffer, 1, 1, f), 0);
    seekMemoryFile(f, 0, 0);
    EXPECT_EQ(readMemoryFile(buffer, 0x10000, 0x10000, f), 5) << "a product beyond 32 bits is clipped";

    closeMemoryFile(f);
    EXPECT_EQ(f->openFlag, 0);
    EXPECT_EQ(f->position, 0);
    EXPECT_EQ(getcMemoryFile(f), -1) << "closed";
    EXPECT_EQ(seekMemoryFile(f, 0, 0), -1) << "closed";
    EXPECT_EQ(readMemoryFile(buffer, 1, 1, f), 0) << "closed";
}

TEST_F(MemoryFileTable, CallbackReadsThroughTheCache) {
    struct Case {
        const char* name;
        int32_t size;
        int32_t seekTo;
        int32_t count;
        int32_t expected;                                // bytes delivered
        std::vector<std::pair<int32_t, int32_t>> calls;  // the host calls it took
    };
    const Case cases[] = {
        {"small read fills the cache from the position", 4000, 100, 10, 10, {{100, 1024}}},
        {"large read goes straight to the host", 4000, 100, 512, 512, {{100, 512}}},
        {"near the end the cache ends at the file's end", 4000, 3500, 10, 10, {{2976, 1024}}},
        {"a file smaller than the cache starts at 0", 300, 200, 10, 10, {{0, 300}}},
        {"request clipped to the bytes left", 4000, 3995, 100, 5, {{2976, 1024}}},
        {"nothing left", 4000, 4000, 1, -1, {}},
    };
    for (const Case& c : cases) {
        for (int h = 1; h <= MEMORY_FILE_COUNT; h++) unregisterMemoryFile(nullptr, h);
        host = FakeHost();
        host.bytes = pattern((size_t)c.size);
        ASSERT_EQ(registerMemoryFile("/cb", nullptr, hostRead, c.size), 1);
        MemoryFileEntry* f = openMemoryFile("/cb", "rb");
        ASSERT_EQ(seekMemoryFile(f, c.seekTo, 0), 0) << c.name;
        std::vector<uint8_t> buffer(c.count > 0 ? (size_t)c.count : 1);
        int32_t got = readMemoryFile(buffer.data(), 1, c.count, f);
        EXPECT_EQ(got, c.expected) << c.name;
        EXPECT_EQ(host.calls, c.calls) << c.name;
        for (int32_t i = 0; i < got; i++) ASSERT_EQ(buffer[i], host.bytes[c.seekTo + i]) << c.name << " byte " << i;
        EXPECT_EQ(tellMemoryFile(f), c.seekTo + (got > 0 ? got : 0)) << c.name;
    }
}

TEST_F(MemoryFileTable, ByteReadsAreServedFromOneRefill) {
    host.bytes = pattern(5000);
    ASSERT_EQ(registerMemoryFile("/cb", nullptr, hostRead, 5000), 1);
    MemoryFileEntry* f = openMemoryFile("/cb", "rb");
    for (int i = 0; i < 1024; i++) ASSERT_EQ(getcMemoryFile(f), host.bytes[i]) << i;
    EXPECT_EQ(host.calls.size(), 1u) << "1024 bytes, one host call";
    EXPECT_EQ(getcMemoryFile(f), host.bytes[1024]);
    EXPECT_EQ(host.calls.size(), 2u);
    // a second callback file takes the cache over; the first refills when it reads again
    host.calls.clear();
    ASSERT_EQ(registerMemoryFile("/cb2", nullptr, hostRead, 5000), 2);
    MemoryFileEntry* g = openMemoryFile("/cb2", "rb");
    EXPECT_EQ(getcMemoryFile(g), host.bytes[0]);
    EXPECT_EQ(getcMemoryFile(f), host.bytes[1025]);
    EXPECT_EQ(host.calls.size(), 2u);
    // closing the owner forgets the cache
    closeMemoryFile(f);
    f = openMemoryFile("/cb", "rb");
    seekMemoryFile(f, 1025, 0);
    EXPECT_EQ(getcMemoryFile(f), host.bytes[1025]);
    EXPECT_EQ(host.calls.size(), 3u);
}

TEST_F(MemoryFileTable, CallbackFailures) {
    struct Case {
        const char* name;
        int32_t zeroAnswers, failAfter, shortBy, count;
        int32_t expected;
        size_t calls;
    };
    const Case cases[] = {
        {"zeros are retried", 5, -1, 0, 600, 600, 6},
        {"10240 zeros in a row end the read", 20000, -1, 0, 600, 0, 10240},
        {"a failure ends the read", 0, 0, 0, 600, 0, 1},
        {"a failure after a short answer keeps what came", 0, 1, 100, 600, 500, 2},
        {"short answers are continued", 0, -1, 100, 600, 600, 2},
        {"small reads: zeros are retried too", 3, -1, 0, 10, 10, 4},
    };
    for (const Case& c : cases) {
        for (int h = 1; h <= MEMORY_FILE_COUNT; h++) unregisterMemoryFile(nullptr, h);
        host = FakeHost();
        host.bytes = pattern(3000);
        host.zeroAnswers = c.zeroAnswers;
        host.failAfter = c.failAfter;
        host.shortBy = c.shortBy;
        ASSERT_EQ(registerMemoryFile("/cb", nullptr, hostRead, 3000), 1);
        MemoryFileEntry* f = openMemoryFile("/cb", "rb");
        std::vector<uint8_t> buffer((size_t)c.count);
        EXPECT_EQ(readMemoryFile(buffer.data(), 1, c.count, f), c.expected) << c.name;
        EXPECT_EQ(host.calls.size(), c.calls) << c.name;
        EXPECT_EQ(tellMemoryFile(f), c.expected) << c.name;
    }
}

}  // namespace
