// The low-memory allocator and the checked 32-bit address words.
#include "platform/lowmem.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdint.h>
#include <string.h>
#include <sys/mman.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "platform/p32.h"

namespace {

bool overlaps(const std::pair<uintptr_t, size_t>& a, const std::pair<uintptr_t, size_t>& b) {
    return a.first < b.first + b.second && b.first < a.first + a.second;
}

}  // namespace

TEST(LowMemory, BlocksLieInTheWindowAlignedAndApart) {
    const size_t sizes[] = {0, 1, 15, 16, 17, 100, 1000, 1024, 1025, 4000, 70000, 255 << 10, 256 << 10, 3 << 20};
    std::vector<std::pair<uintptr_t, size_t>> blocks;
    for (size_t size : sizes) {
        for (int copy = 0; copy < 3; copy++) {
            uint8_t* p = (uint8_t*)lowAlloc(size);
            ASSERT_NE(nullptr, p) << size;
            EXPECT_TRUE(isLowAddress(p + size)) << size;
            EXPECT_EQ(0u, (uintptr_t)p % 16) << size;
            EXPECT_EQ(size, lowSize(p)) << size;
            memset(p, 0xA5, size);
            blocks.push_back({(uintptr_t)p, std::max<size_t>(size, 1)});
        }
    }
    for (size_t i = 0; i < blocks.size(); i++) {
        for (size_t j = i + 1; j < blocks.size(); j++)
            EXPECT_FALSE(overlaps(blocks[i], blocks[j])) << "blocks " << i << " and " << j;
    }
    for (auto& b : blocks) lowFree((void*)b.first);
}

TEST(LowMemory, CallocClearsAndReallocKeepsTheContent) {
    struct Case {
        const char* name;
        size_t from, to;
    };
    const Case cases[] = {
        {"grows within its slot", 20, 24},
        {"grows to another class", 40, 3000},
        {"shrinks", 3000, 10},
        {"small to large", 100, 1 << 20},
        {"large to small", 1 << 20, 64},
        {"large to larger", 300 << 10, 2 << 20},
    };
    for (const Case& k : cases) {
        // a reused block must come back cleared too
        uint8_t* dirty = (uint8_t*)lowAlloc(k.from);
        memset(dirty, 0xFF, k.from);
        lowFree(dirty);
        uint8_t* p = (uint8_t*)lowCalloc(k.from, 1);
        ASSERT_NE(nullptr, p) << k.name;
        EXPECT_TRUE(std::all_of(p, p + k.from, [](uint8_t b) { return b == 0; })) << k.name;
        for (size_t i = 0; i < k.from; i++) p[i] = (uint8_t)(i * 7);
        uint8_t* q = (uint8_t*)lowRealloc(p, k.to);
        ASSERT_NE(nullptr, q) << k.name;
        EXPECT_TRUE(isLowAddress(q + k.to)) << k.name;
        EXPECT_EQ(k.to, lowSize(q)) << k.name;
        size_t kept = std::min(k.from, k.to);
        bool same = true;
        for (size_t i = 0; i < kept; i++) same &= q[i] == (uint8_t)(i * 7);
        EXPECT_TRUE(same) << k.name;
        lowFree(q);
    }
    EXPECT_EQ(nullptr, lowCalloc(SIZE_MAX / 2, 4)) << "an overflowing product";
}

// When the window is full, an allocation answers null and the process goes on; freed
// room can be had again.
TEST(LowMemory, AnExhaustedWindowAnswersNull) {
    const size_t chunk = 64u << 20;
    std::vector<void*> taken;
    for (int i = 0; i < 64; i++) {
        void* p = lowMapPages(chunk);
        if (p == nullptr) break;
        taken.push_back(p);
    }
    ASSERT_FALSE(taken.empty());
    ASSERT_LT(taken.size(), 64u) << "the window holds less than 4 GB";
    // what is left is less than a chunk, however the rest was split
    EXPECT_EQ(nullptr, lowMapPages(chunk));
    EXPECT_EQ(nullptr, lowAlloc(chunk));
    EXPECT_EQ(nullptr, lowAlloc((size_t)1 << 40)) << "larger than the window";
    EXPECT_EQ(nullptr, lowMapPages(0));
    for (void* p : taken) lowUnmapPages(p, chunk);
    void* again = lowAlloc(chunk);
    EXPECT_NE(nullptr, again);
    lowFree(again);
}

TEST(LowMemory, ThreadsAllocateAndFreeAtOnce) {
    const int threads = 4, rounds = 2000;
    std::vector<std::vector<std::pair<uintptr_t, size_t>>> kept(threads);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; t++) {
        workers.emplace_back([t, &kept] {
            std::vector<uint8_t*> live;
            for (int i = 0; i < rounds; i++) {
                size_t size = (size_t)(i * 37 % 900) + 1;
                uint8_t* p = (uint8_t*)lowAlloc(size);
                if (p == nullptr) return;
                memset(p, t, size);
                live.push_back(p);
                if (i % 3 == 2) {
                    lowFree(live.front());
                    live.erase(live.begin());
                }
            }
            for (uint8_t* p : live) kept[t].push_back({(uintptr_t)p, lowSize(p)});
        });
    }
    for (auto& w : workers) w.join();
    std::vector<std::pair<uintptr_t, size_t>> all;
    for (int t = 0; t < threads; t++) {
        ASSERT_EQ((size_t)(rounds - rounds / 3), kept[t].size()) << "thread " << t << " was refused a block";
        for (auto& b : kept[t]) {
            // each block still holds its own thread's bytes
            const uint8_t* p = (const uint8_t*)b.first;
            EXPECT_TRUE(std::all_of(p, p + b.second, [t](uint8_t v) { return v == t; })) << "thread " << t;
            all.push_back(b);
        }
    }
    std::sort(all.begin(), all.end());
    for (size_t i = 1; i < all.size(); i++) EXPECT_FALSE(overlaps(all[i - 1], all[i]));
    for (auto& b : all) lowFree((void*)b.first);
}

TEST(CheckedWords, LowAddressesRoundTrip) {
    int* p = (int*)lowAlloc(sizeof(int));
    P32<int> word = p;
    EXPECT_EQ(p, word.get());
    EXPECT_EQ(p32Word(p), word.w);
    EXPECT_EQ(p, p32Ptr<int>(p32Cell(p)));
    P32<int> none = nullptr;
    EXPECT_FALSE(none);
    EXPECT_EQ(nullptr, (int*)none);
    lowFree(p);
}

// A store of an address above the window ends the program and names the address.
TEST(CheckedWordsDeathTest, AnAddressAboveTheWindowIsFatal) {
    void* high = mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(MAP_FAILED, high);
    ASSERT_FALSE(isLowAddress(high));
    char expected[64];
    snprintf(expected, sizeof expected, "address %p does not fit a 32-bit word", high);
    EXPECT_DEATH(
        {
            P32<char> word;
            word = (char*)high;
        },
        expected);
    EXPECT_DEATH(p32Cell(high), expected);
    int local = 0;
    EXPECT_DEATH(p32Word(&local), "does not fit a 32-bit word") << "a stack address";
    munmap(high, 4096);
}

namespace {
void programFunction() {}
}  // namespace

// A function kept in a word must be the program's own: a library's code lies above the
// window (the program names it through its own entry), and data is no function.
TEST(CheckedWordsDeathTest, OnlyTheProgramsFunctionsFitAFunctionWord) {
    P32Fn<void (*)()> word = programFunction;
    EXPECT_EQ((void (*)())programFunction, word.get());
    EXPECT_TRUE(isProgramCode((const void*)&programFunction));
    const void* library = dlsym(RTLD_DEFAULT, "memcpy");
    ASSERT_NE(nullptr, library);
    EXPECT_FALSE(isProgramCode(library)) << "the C library's own code";
    static int data;
    EXPECT_DEATH(p32Function(&data), "lies outside the program's code");
    EXPECT_DEATH(p32Function(library), "lies outside the program's code");
}
