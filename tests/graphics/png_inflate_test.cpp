// PNG inflate streams: the slot pool, buffer limits, feeding in pieces with the output
// drained whenever it is full, and the reason each refused step leaves.
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "graphics/png_arena.h"
#include "graphics/png_corpus.h"

namespace {

void* arenaAlloc(void*, uint32_t size) { return qmmm_alloc(size); }
void arenaFree(void*, void* block) { qmmm_free(block); }

class PngInflateTest : public PngArenaTest {
protected:
    PngInflateInterface make(const int32_t limits[4]) {
        PngInflateInterface z;
        PngInflateStreamGetInterface(PngInflateStreamCreate(limits, arenaAlloc, nullptr, arenaFree, nullptr), &z);
        return z;
    }

    // Feeds data in pieces, reading everything whenever the output is full and after each
    // piece; the bytes read in order, and whether every step succeeded.
    static bool pump(PngInflateInterface& z, const std::vector<uint8_t>& data, int32_t piece,
                     std::vector<uint8_t>* out) {
        auto drain = [&] {
            int32_t n = 0;
            z.available(z.stream, &n);
            size_t at = out->size();
            out->resize(at + (size_t)n);
            return z.read(z.stream, out->data() + at, n) == PNG_INFLATE_OK;
        };
        for (size_t at = 0; at < data.size(); at += (size_t)piece) {
            int32_t n = (int32_t)std::min(data.size() - at, (size_t)piece);
            int rc = z.feed(z.stream, data.data() + at, n);
            while (rc == PNG_INFLATE_FULL) {
                if (!drain()) return false;
                rc = z.feed(z.stream, nullptr, 0);
            }
            if (rc != PNG_INFLATE_OK || !drain()) return false;
        }
        return true;
    }
};

TEST_F(PngInflateTest, SlotPool) {
    std::vector<PngStreamSlot*> taken;
    for (int i = 0; i < PNG_STREAM_SLOTS; i++) {
        taken.push_back(PngStreamAlloc(nullptr, nullptr));
        ASSERT_NE(taken.back(), nullptr) << "slot " << i;
        EXPECT_EQ(taken.back()->self, taken.back());
    }
    EXPECT_EQ(PngStreamAlloc(nullptr, nullptr), nullptr) << "a ninth slot";
    PngStreamSlot outside = {};
    EXPECT_EQ(PngStreamFree(&outside), -1);
    EXPECT_EQ(PngStreamFree(reinterpret_cast<PngStreamSlot*>(reinterpret_cast<char*>(taken[2]) + 4)), -1)
        << "an address inside a slot is not a slot";
    EXPECT_EQ(PngStreamFree(taken[5]), 0);
    EXPECT_EQ(PngStreamAlloc(nullptr, nullptr), taken[5]) << "the freed slot is taken again";
    PngStreamPoolRelease();
    EXPECT_EQ(PngStreamAlloc(nullptr, nullptr), taken[0]) << "all free after the services stop";
    PngStreamPoolReset();
}

TEST_F(PngInflateTest, NinthStreamFailsToStart) {
    std::vector<PngInflateInterface> streams;
    for (int i = 0; i < PNG_STREAM_SLOTS + 1; i++) {
        streams.push_back(make(nullptr));
        int rc = streams.back().start(streams.back().stream, 128, 100);
        EXPECT_EQ(rc, i < PNG_STREAM_SLOTS ? PNG_INFLATE_OK : PNG_INFLATE_FAIL) << "stream " << i;
    }
    EXPECT_EQ(streams[8].stream->error, PNG_ERR_NO_STREAM);
    EXPECT_EQ(streams[8].stream->input, nullptr) << "buffers of the failed start are freed";
    for (auto& z : streams) PngInflateStreamDestroy(z.stream);
}

TEST_F(PngInflateTest, FeedsInPiecesAndDrainsAtTheOutputMaximum) {
    std::vector<uint8_t> raw(300000);
    for (size_t i = 0; i < raw.size(); i++) raw[i] = (uint8_t)(i / 1000 % 7 == 0 ? pngc::mix((uint32_t)i) : 0);
    std::vector<uint8_t> packed = pngc::zlibOf(raw, 9);
    struct Case {
        const char* name;
        int32_t maxOutput;
        int32_t piece;
    } cases[] = {
        {"output may hold everything", 400000, 1024},        {"output maximum 4096", 4096, 1024},
        {"output maximum below the growth step", 300, 1024}, {"one byte at a time", 4096, 1},
        {"the whole stream at once", 4096, 10000},
    };
    for (const Case& c : cases) {
        const int32_t limits[4] = {256, 20000, 256, c.maxOutput};
        PngInflateInterface z = make(limits);
        ASSERT_EQ(z.start(z.stream, 128, 257), PNG_INFLATE_OK) << c.name;
        std::vector<uint8_t> out;
        EXPECT_TRUE(pump(z, packed, c.piece, &out)) << c.name;
        EXPECT_LE(z.stream->outputSize, c.maxOutput) << c.name;
        EXPECT_TRUE(out == raw) << c.name << ": " << out.size() << " bytes of " << raw.size();
        EXPECT_EQ(z.end(z.stream), PNG_INFLATE_OK) << c.name;
        PngInflateStreamDestroy(z.stream);
    }
}

TEST_F(PngInflateTest, RefusedSteps) {
    std::vector<uint8_t> packed = pngc::zlibOf(std::vector<uint8_t>(5000, 1));
    std::vector<uint8_t> damaged = packed;
    damaged[3] ^= 0x55;
    const int32_t limits[4] = {256, 1024, 256, 4096};
    PngInflateInterface z = make(limits);
    uint8_t buffer[64];
    int32_t n = -1;
    EXPECT_EQ(z.feed(z.stream, packed.data(), 10), PNG_INFLATE_FAIL) << "feed before start";
    EXPECT_EQ(z.stream->error, PNG_ERR_ARGUMENT) << "feed before start";
    ASSERT_EQ(z.start(z.stream, 128, 100), PNG_INFLATE_OK);
    EXPECT_EQ(z.stream->inputSize, 256) << "sizes below the minimum are raised";
    EXPECT_EQ(z.stream->outputSize, 256);
    EXPECT_EQ(z.feed(z.stream, packed.data(), 1025), PNG_INFLATE_FAIL) << "more pending input than the maximum";
    EXPECT_EQ(z.stream->error, PNG_ERR_INFLATE_LIMIT) << "more pending input than the maximum";
    ASSERT_EQ(z.start(z.stream, 128, 100), PNG_INFLATE_OK) << "start again after a failure";
    ASSERT_EQ(z.feed(z.stream, packed.data(), 3), PNG_INFLATE_OK);
    z.available(z.stream, &n);
    EXPECT_EQ(z.read(z.stream, buffer, n + 1), PNG_INFLATE_FAIL) << "reading more than is there";
    EXPECT_EQ(z.stream->error, PNG_ERR_ARGUMENT) << "reading more than is there";
    ASSERT_EQ(z.start(z.stream, 128, 100), PNG_INFLATE_OK);
    EXPECT_EQ(z.feed(z.stream, damaged.data(), (int32_t)damaged.size()), PNG_INFLATE_FAIL) << "corrupt stream";
    EXPECT_EQ(z.stream->error, PNG_ERR_INFLATE) << "corrupt stream";
    EXPECT_EQ(z.end(z.stream), PNG_INFLATE_OK);
    EXPECT_EQ(z.end(z.stream), PNG_INFLATE_FAIL) << "end without a start";
    EXPECT_EQ(z.stream->error, PNG_ERR_ARGUMENT) << "end without a start";
    PngInflateStreamDestroy(z.stream);
}

// The arena allowing only so many more blocks.
struct Budget {
    int left;
    static void* alloc(void* self, uint32_t size) {
        Budget* b = static_cast<Budget*>(self);
        return b->left-- > 0 ? qmmm_alloc(size) : nullptr;
    }
};

// Every block the stream takes (its buffers, zlib's state and window, the grown output)
// refused in turn: the step that needed it fails for want of memory, not for the data.
TEST_F(PngInflateTest, EachRefusedBlockSaysNoMemory) {
    std::vector<uint8_t> raw(20000);
    for (size_t i = 0; i < raw.size(); i++) raw[i] = (uint8_t)pngc::mix((uint32_t)i / 3);
    std::vector<uint8_t> packed = pngc::zlibOf(raw);
    const int32_t limits[4] = {256, 20000, 256, 4096};  // the output grows twice
    for (int blocks = 0;; blocks++) {
        ASSERT_LT(blocks, 64) << "a stream takes a handful of blocks";
        Budget budget{1};
        PngInflateStream* s = PngInflateStreamCreate(limits, Budget::alloc, &budget, arenaFree, nullptr);
        ASSERT_NE(s, nullptr);
        budget.left = blocks;
        PngInflateInterface z;
        PngInflateStreamGetInterface(s, &z);
        std::vector<uint8_t> out;
        bool ok = z.start(z.stream, 128, 257) == PNG_INFLATE_OK && pump(z, packed, 1024, &out);
        if (!ok) {
            EXPECT_EQ(s->error, PNG_ERR_NO_MEMORY) << blocks << " blocks";
        }
        PngInflateStreamDestroy(s);
        if (ok) {
            EXPECT_TRUE(out == raw) << blocks << " blocks";
            EXPECT_GE(blocks, 4) << "input, output, zlib's own, a grown output";
            break;
        }
    }
}

}  // namespace

namespace {

// A four-aligned allocator, as the storage arena is: each block starts four or eight
// bytes into a buffer, and a release names the block it gave.
struct FourAligned {
    alignas(8) uint8_t buffer[256];
    int32_t skew;
    void* given = nullptr;
    void* released = nullptr;
    static void* alloc(void* self, uint32_t) {
        FourAligned* a = (FourAligned*)self;
        a->given = a->buffer + a->skew;
        return a->given;
    }
    static void release(void* self, void* block) { ((FourAligned*)self)->released = block; }
};

}  // namespace

// Records that hold pointers get an eight-aligned place in a four-aligned block, and the
// release hands back the block the allocator gave.
TEST(PngAllocAligned, EightAlignedInAFourAlignedBlock) {
    for (int32_t skew : {0, 4, 8, 12}) {
        FourAligned a;
        a.skew = skew;
        uint8_t* p = (uint8_t*)PngAllocAligned(FourAligned::alloc, &a, 40);
        ASSERT_NE(nullptr, p) << skew;
        EXPECT_EQ(0u, (uintptr_t)p % 8) << skew;
        EXPECT_LE(p + 40, (uint8_t*)a.given + 48) << skew << ": inside the block asked for";
        PngReleaseAligned(FourAligned::release, &a, p);
        EXPECT_EQ(a.given, a.released) << skew;
    }
    FourAligned none;
    none.skew = 0;
    EXPECT_EQ(nullptr, PngAllocAligned(FourAligned::alloc, &none, 0xFFFFFFFFu)) << "a size that overflows";
}
