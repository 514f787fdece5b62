#include "storage/qmmm.h"

#include "platform/lowmem.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

namespace {

const QmmmBlockHeader* headerOf(const void* payload) { return (const QmmmBlockHeader*)((const uint8_t*)payload - 8); }

// A word-aligned buffer to build arenas in, with a few bytes of play for odd bases. It
// lies in the low window, as the arenas of the program do (their blocks' addresses go
// into words).
struct ArenaBuffer {
    uint8_t* bytes;
    explicit ArenaBuffer(size_t size) : bytes((uint8_t*)lowAlloc(size + 16)) {
        if (bytes == nullptr) abort();
        memset(bytes, 0xDD, size + 16);
    }
    ~ArenaBuffer() { lowFree(bytes); }
    ArenaBuffer(const ArenaBuffer&) = delete;
    ArenaBuffer& operator=(const ArenaBuffer&) = delete;
    uint8_t* at(int offset) { return bytes + offset; }
};

TEST(QmmmTest, InitLaysOneFreeBlockWithExactHeaderBytes) {
    struct Case {
        const char* name;
        int baseOffset;
        int32_t size;
        int startOffset;
        uint32_t payload;
    } cases[] = {
        {"aligned", 0, 1024, 0, 1024 - 8},
        {"base 2 mod 4 starts 2 later", 2, 1024, 4, 1024 - 8 - 2},
        {"base 1 mod 4", 1, 1024, 4, 1024 - 8 - 3},
        {"negative size is 4 MB", 0, -1, 0, 0x400000 - 8},
    };
    for (const Case& c : cases) {
        ArenaBuffer buf(0x400000 + 16);
        ASSERT_EQ(qmmm_init(buf.at(c.baseOffset), c.size), 0) << c.name;
        const uint8_t* h = buf.at(c.startOffset);
        EXPECT_EQ(h[0], 0xFE) << c.name;
        EXPECT_EQ(h[1], 0xCA) << c.name;
        EXPECT_EQ(h[2], 1) << c.name;
        uint32_t size;
        memcpy(&size, h + 4, 4);
        EXPECT_EQ(size, c.payload) << c.name;
        void* p = qmmm_alloc(4);
        EXPECT_EQ(p, (void*)(h + 8)) << c.name;
        qmmm_fini();
    }
}

TEST(QmmmTest, SplitRuleAndRounding) {
    struct Case {
        const char* name;
        int32_t arenaSize;  // payload = arenaSize - 8
        uint32_t request;
        uint32_t takenPayload;
        bool split;
    } cases[] = {
        {"1 byte reserves 4 and splits", 8 + 64, 1, 4, true},
        {"payload exactly request+12 is used whole", 8 + 16, 4, 16, false},
        {"payload request+13 rounds to whole words and splits", 8 + 20, 4, 4, true},
        {"payload equal to request is used whole", 8 + 8, 8, 8, false},
    };
    for (const Case& c : cases) {
        ArenaBuffer buf(256);
        qmmm_init(buf.at(0), c.arenaSize);
        void* p = qmmm_alloc(c.request);
        ASSERT_NE(p, nullptr) << c.name;
        const QmmmBlockHeader* h = headerOf(p);
        EXPECT_EQ(h->magic, QMMM_MAGIC) << c.name;
        EXPECT_EQ(h->isFree, 0) << c.name;
        EXPECT_EQ(h->size, c.takenPayload) << c.name;
        if (c.split) {
            const QmmmBlockHeader* rest = (const QmmmBlockHeader*)((uint8_t*)p + c.takenPayload);
            EXPECT_EQ(rest->magic, QMMM_MAGIC) << c.name;
            EXPECT_EQ(rest->isFree, 1) << c.name;
            EXPECT_EQ(rest->size, (uint32_t)(c.arenaSize - 8) - c.takenPayload - 8) << c.name;
        }
        qmmm_fini();
    }
}

TEST(QmmmTest, FreedNeighboursMergeOnTheNextWalk) {
    ArenaBuffer buf(4096);
    qmmm_init(buf.at(0), 4096);
    void* a = qmmm_alloc(100);
    void* b = qmmm_alloc(200);
    void* c = qmmm_alloc(4096 - 8 - 100 - 8 - 200 - 8);  // the rest: arena full
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(qmmm_alloc(4), nullptr);
    qmmm_free(a);
    qmmm_free(b);
    // Neither block alone holds 308 bytes; the two together with b's header do.
    void* ab = qmmm_alloc(100 + 200 + 8);
    EXPECT_EQ(ab, a);
    EXPECT_EQ(headerOf(ab)->size, 308u);
    EXPECT_EQ(qmmm_fini(), 2);
}

TEST(QmmmTest, FreeOutsideTheArenaOrOfDamagedBlocksChangesNothing) {
    ArenaBuffer buf(1024);
    qmmm_init(buf.at(0), 512);
    void* a = qmmm_alloc(16);
    std::vector<uint8_t> before(buf.at(0), buf.at(1024));
    uint32_t outside[4] = {0, 0, 0, 0};
    qmmm_free(&outside[2]);
    qmmm_free(buf.at(600));
    qmmm_free(nullptr);
    qmmm_free(buf.at(2));
    EXPECT_EQ(0, memcmp(before.data(), buf.at(0), before.size()));
    EXPECT_EQ(headerOf(a)->isFree, 0);
    qmmm_fini();
}

TEST(QmmmTest, FiniCountsBlocksInUseAndFreesThem) {
    ArenaBuffer buf(1024);
    qmmm_init(buf.at(0), 1024);
    void* p[4];
    for (void*& q : p) q = qmmm_alloc(32);
    qmmm_free(p[1]);
    EXPECT_EQ(qmmm_fini(), 3);
    for (void* q : p) EXPECT_EQ(headerOf(q)->isFree, 1);
    EXPECT_EQ(qmmm_alloc(4), nullptr) << "no arena after fini";
}

TEST(QmmmTest, DamagedHeaderStopsAllocAndFini) {
    ArenaBuffer buf(1024);
    qmmm_init(buf.at(0), 1024);
    void* a = qmmm_alloc(32);
    void* b = qmmm_alloc(32);
    ASSERT_NE(b, nullptr);
    ((QmmmBlockHeader*)headerOf(b))->magic = 0x1234;  // a block overrun
    qmmm_free(a);
    EXPECT_EQ(qmmm_alloc(64), nullptr);
    EXPECT_EQ(qmmm_fini(), -1);
}

TEST(QmmmTest, RequestsLargerThanTheArenaFail) {
    ArenaBuffer buf(256);
    qmmm_init(buf.at(0), 256);
    EXPECT_EQ(qmmm_alloc(0xFFFFFFFFu), nullptr);
    EXPECT_EQ(qmmm_alloc(249), nullptr);
    EXPECT_NE(qmmm_alloc(248), nullptr);
    qmmm_fini();
}

}  // namespace
