// mvHeap: descriptor and block words, best fit, splitting, merging on both sides, exhaustion,
// bad arguments and damaged blocks. Every step is followed by a full consistency walk.

#include "vm/core/mvheap.h"
#include "platform/lowmem.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>

#include <algorithm>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/trace.h"

namespace {

uint32_t word(const void* p, int index) {
    uint32_t w;
    memcpy(&w, static_cast<const char*>(p) + 4 * index, 4);
    return w;
}

uint32_t addr(const void* p) { return p32Word(p); }

// Collects the trace lines written while it lives.
struct TraceCapture {
    std::string text;
    TraceCapture() { TraceSetCapture(put, this); }
    ~TraceCapture() { TraceSetCapture(nullptr, nullptr); }
    static void put(int c, void* context) { static_cast<TraceCapture*>(context)->text += char(c); }
};

// Walks both lists and reports the first broken invariant, or "".
std::string checkHeap(mvHeapDescriptor* h) {
    std::ostringstream err;
    const uintptr_t end = addr(h) + h->size;
    const mvHeapBlock* sentinel = &h->sentinel;
    if (h->base != h || h->magic != MVHEAP_MAGIC || h->sentinel.size != 0 || !(h->sentinel.next & MVHEAP_IN_USE))
        return "descriptor words";
    std::vector<const mvHeapBlock*> freeBlocks;
    const mvHeapBlock* prev = sentinel;
    uintptr_t expectAt = addr(h) + 40;
    bool prevFree = false;
    for (const mvHeapBlock* b = reinterpret_cast<mvHeapBlock*>(prev->next & ~1u); b != sentinel;
         b = reinterpret_cast<mvHeapBlock*>(b->next & ~1u)) {
        if (addr(b) != expectAt) return err << "block at " << addr(b) - addr(h) << " not contiguous", err.str();
        if (b->previous != prev) return err << "previous link of block at " << addr(b) - addr(h), err.str();
        const mvHeapBlock* next = reinterpret_cast<mvHeapBlock*>(b->next & ~1u);
        uintptr_t size = next == sentinel ? end - addr(b) : addr(next) - addr(b);
        bool isFree = !(b->next & 1);
        if (isFree) {
            if (b->size != size) return err << "size word of free block at " << addr(b) - addr(h), err.str();
            if (size < MVHEAP_MIN_FREE) return "free block below 20 bytes";
            if (prevFree) return "two free blocks touch";
            freeBlocks.push_back(b);
        } else if (size < MVHEAP_HEADER + 4) {
            return "allocated block below 20 bytes";
        }
        prevFree = isFree;
        expectAt = addr(b) + size;
        prev = b;
    }
    if (expectAt != end) return "blocks do not reach the end";
    if (h->sentinel.previous != prev) return "sentinel's previous link";
    if (h->freeCount != freeBlocks.size())
        return err << "free count " << h->freeCount << " for " << freeBlocks.size() << " free blocks", err.str();
    if (freeBlocks.empty()) return h->freeRoot ? "root without free blocks" : "";
    // Ring: from the root, ascending sizes, each free block once, links consistent.
    std::vector<const mvHeapBlock*> ring;
    const mvHeapBlock* r = h->freeRoot;
    for (size_t i = 0; i <= freeBlocks.size(); i++) {
        if (!r) return "broken ring";
        ring.push_back(r);
        const mvHeapRing* nextLink = r->ring.next;
        const mvHeapBlock* nr = reinterpret_cast<const mvHeapBlock*>(reinterpret_cast<const char*>(nextLink) - 8);
        if (nextLink->previous != &r->ring) return "ring previous link";
        r = nr;
        if (r == h->freeRoot) break;
    }
    if (r != h->freeRoot || ring.size() != freeBlocks.size()) return "ring does not close over the free blocks";
    for (size_t i = 1; i < ring.size(); i++)
        if (ring[i]->size < ring[i - 1]->size) return "ring not sorted from the root";
    std::vector<const mvHeapBlock*> a = ring, b = freeBlocks;
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    if (a != b) return "ring members differ from the free blocks";
    return "";
}

// Address order as text: an allocated block by the name of the slot holding it and its
// size, a free one as F and its size; then the ring's sizes from the root.
std::string layout(mvHeapDescriptor* h, const std::map<char, void*>& slots) {
    std::ostringstream out;
    const mvHeapBlock* sentinel = &h->sentinel;
    const uintptr_t end = addr(h) + h->size;
    for (const mvHeapBlock* b = reinterpret_cast<mvHeapBlock*>(sentinel->next & ~1u); b != sentinel;
         b = reinterpret_cast<mvHeapBlock*>(b->next & ~1u)) {
        const mvHeapBlock* next = reinterpret_cast<mvHeapBlock*>(b->next & ~1u);
        uintptr_t size = next == sentinel ? end - addr(b) : addr(next) - addr(b);
        if (out.tellp() > 0) out << ' ';
        if (b->next & 1) {
            char name = '?';
            for (auto& [n, p] : slots)
                if (p && addr(p) == addr(b) + 16) name = n;
            out << name << size;
        } else {
            out << 'F' << size;
        }
    }
    out << " |";
    if (h->freeRoot) {
        const mvHeapBlock* r = h->freeRoot;
        do {
            out << ' ' << r->size;
            r = reinterpret_cast<const mvHeapBlock*>(reinterpret_cast<const char*>(r->ring.next.get()) - 8);
        } while (r != h->freeRoot);
    }
    return out.str();
}

// A heap in an exact-size heap buffer, so that AddressSanitizer sees any write past it.
struct TestHeap {
    uint8_t* memory;
    mvHeapDescriptor* heap;
    explicit TestHeap(int32_t size) {
        memory = static_cast<uint8_t*>(lowAlloc(size_t(size)));
        memset(memory, 0xCD, size_t(size));
        heap = mvHeap_initialize(memory, size);
    }
    ~TestHeap() { lowFree(memory); }
};

// Script tokens: "a16" allocates 16 bytes into slot a, "-a" frees slot a.
void run(mvHeapDescriptor* h, std::map<char, void*>& slots, const std::string& script, const std::string& name) {
    std::istringstream in(script);
    std::string tok;
    while (in >> tok) {
        if (tok[0] == '-') {
            mvHeap_free(h, slots[tok[1]]);
            slots[tok[1]] = nullptr;
        } else {
            void* p = mvHeap_alloc(h, atoi(tok.c_str() + 1));
            if (p) {
                EXPECT_EQ(0u, addr(p) & 3) << name << ": " << tok;
                memset(p, 0xA5, size_t(atoi(tok.c_str() + 1)));
            }
            slots[tok[0]] = p;
        }
        ASSERT_EQ("", checkHeap(h)) << name << ": after " << tok;
    }
}

TEST(MvHeap, InitializeWritesDescriptorAndFirstBlock) {
    struct Case {
        const char* name;
        int offset;  // of the block within its buffer
        int32_t size;
        bool ok;
        uint32_t firstOffset;  // of the first block from the block's start
        uint32_t firstSize;
    };
    const Case cases[] = {
        {"aligned 4096", 0, 4096, true, 40, 4056},
        {"aligned 60: one free block of 20", 0, 60, true, 40, 20},
        {"aligned 59", 0, 59, false, 0, 0},
        {"aligned 40", 0, 40, false, 0, 0},
        {"aligned 39", 0, 39, false, 0, 0},
        {"size 0", 0, 0, false, 0, 0},
        {"negative size", 0, -100, false, 0, 0},
        {"size not a multiple of 4", 0, 201, true, 40, 161},
        // An odd sentinel address would read as in use, and the first block would overrun.
        {"unaligned by 1", 1, 201, false, 0, 0},
        {"unaligned by 2", 2, 4096, false, 0, 0},
        {"unaligned by 3", 3, 64, false, 0, 0},
    };
    for (const Case& c : cases) {
        TraceCapture trace;
        uint8_t* memory = static_cast<uint8_t*>(lowAlloc(size_t(std::max(c.size, 1) + c.offset)));
        uint8_t* block = memory + c.offset;
        mvHeapDescriptor* h = mvHeap_initialize(block, c.size);
        if (!c.ok) {
            EXPECT_EQ(nullptr, h) << c.name;
            char line[80];
            snprintf(line, sizeof line, "[mvHeap_initialize] cannot init heap (%08x,%d)\n", addr(block), c.size);
            EXPECT_EQ(line, trace.text) << c.name;
            lowFree(memory);
            continue;
        }
        ASSERT_EQ(static_cast<void*>(block), static_cast<void*>(h)) << c.name;
        EXPECT_EQ("", trace.text) << c.name;
        uint32_t first = addr(block) + c.firstOffset;
        uint32_t sentinel = addr(block) + 8;
        const uint32_t want[10] = {addr(block), uint32_t(c.size), first | 1, first, 0, 0, 0, first, 1, 0x12132623};
        for (int i = 0; i < 10; i++) EXPECT_EQ(want[i], word(block, i)) << c.name << ": descriptor word " << i;
        const uint32_t firstWords[5] = {sentinel, sentinel, first + 8, first + 8, c.firstSize};
        for (int i = 0; i < 5; i++)
            EXPECT_EQ(firstWords[i], word(reinterpret_cast<void*>(uintptr_t(first)), i))
                << c.name << ": block word " << i;
        EXPECT_EQ("", checkHeap(h)) << c.name;
        // The whole free block can be taken and filled without leaving the buffer.
        int32_t room = int32_t((c.firstSize - 16) & ~3u);
        void* p = mvHeap_alloc(h, room);
        ASSERT_NE(nullptr, p) << c.name;
        memset(p, 0x5A, size_t(room));
        EXPECT_LE(addr(p) + uint32_t(room), addr(block) + uint32_t(c.size)) << c.name;
        EXPECT_EQ(nullptr, mvHeap_alloc(h, 1)) << c.name;
        lowFree(memory);
    }

    TraceCapture trace;
    EXPECT_EQ(nullptr, mvHeap_initialize(nullptr, 4096));
    EXPECT_EQ("[mvHeap_initialize] cannot init heap (00000000,4096)\n", trace.text);
}

// Its links are words: a block above the low window is refused, not cut to 32 bits.
TEST(MvHeap, RefusesABlockAboveTheLowWindow) {
    void* high = mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(MAP_FAILED, high);
    ASSERT_FALSE(isLowAddress(high)) << "plain mappings are expected above the window";
    TraceCapture trace;
    EXPECT_EQ(nullptr, mvHeap_initialize(high, 4096));
    EXPECT_NE(std::string::npos, trace.text.find("cannot init heap")) << trace.text;
    munmap(high, 4096);
}

TEST(MvHeap, AllocationAndMergePatterns) {
    struct Case {
        const char* name;
        int32_t heapSize;
        const char* script;
        const char* layout;
    };
    // Heaps of 240 bytes hold one first block of 200; of 400, one of 360.
    const Case cases[] = {
        {"exact fit", 240, "a184", "a200 |"},
        {"remainder of 20 taken whole", 240, "a164", "a200 |"},
        {"remainder of 24 split off", 240, "a160", "a176 F24 | 24"},
        {"too large leaves the heap alone", 240, "a185", "F200 | 200"},
        {"sizes round up to four", 240, "a1 b2 c3 d4 e5", "a20 b20 c20 d20 e24 F96 | 96"},
        {"blocks follow in address order", 240, "a16 b32 c8", "a32 b48 c24 F96 | 96"},
        {"free with both neighbours in use", 240, "a16 b16 c16 d88 -b", "a32 F32 c32 d104 | 32"},
        {"merge with the next block", 240, "a16 b16 c16 d88 -c -b", "a32 F64 d104 | 64"},
        {"merge with the previous block", 240, "a16 b16 c16 d88 -b -c", "a32 F64 d104 | 64"},
        {"merge on both sides", 240, "a16 b16 c16 d88 -b -d -c", "a32 F168 | 168"},
        {"merge into the tail", 240, "a16 b16 -b", "a32 F168 | 168"},
        {"first block freed last", 240, "a16 b16 c16 d88 -b -c -d -a", "F200 | 200"},
        {"freed in address order", 240, "a16 b16 c16 d88 -a -b -c -d", "F200 | 200"},
        {"freed in reverse order", 240, "a16 b16 c16 d88 -d -c -b -a", "F200 | 200"},
        {"ring sorted by size", 400, "a16 s4 b48 t4 c32 u4 d4 -b -a -c",
         "F32 s20 F64 t20 F48 u20 d20 F136 | 32 48 64 136"},
        {"best fit takes the smallest that fits", 400, "a16 s4 b48 t4 c32 u4 d4 -b -a -c x28",
         "F32 s20 F64 t20 x48 u20 d20 F136 | 32 64 136"},
        {"best fit with an exact size", 400, "a16 s4 b48 t4 c32 u4 d4 -b -a -c x48",
         "F32 s20 x64 t20 F48 u20 d20 F136 | 32 48 136"},
        {"best fit splits the chosen block", 400, "a16 s4 b48 t4 c32 u4 d4 -b -a -c x96",
         "F32 s20 F64 t20 F48 u20 d20 x112 F24 | 24 32 48 64"},
        {"a small block taken whole", 400, "a16 s4 b48 t4 c32 u4 d4 -b -a -c x8",
         "x32 s20 F64 t20 F48 u20 d20 F136 | 48 64 136"},
        {"equal sizes", 400, "a16 s4 b16 t4 c16 u4 d4 -a -b -c x16 y16 z16", "y32 s20 z32 t20 x32 u20 d20 F184 | 184"},
        {"allocation after exhaustion fails", 240, "a184 b1", "a200 |"},
        {"freed space is found again", 240, "a184 -a b184", "b200 |"},
    };
    for (const Case& c : cases) {
        TestHeap t(c.heapSize);
        ASSERT_NE(nullptr, t.heap) << c.name;
        std::map<char, void*> slots;
        run(t.heap, slots, c.script, c.name);
        EXPECT_EQ(c.layout, layout(t.heap, slots)) << c.name;
    }
}

TEST(MvHeap, ExhaustionChangesNothing) {
    TestHeap t(1000);
    std::map<char, void*> slots;
    run(t.heap, slots, "a100 b50 c200 d10 -b -d", "setup");
    std::vector<uint8_t> before(t.memory, t.memory + 1000);
    TraceCapture trace;
    for (int32_t size : {1000, 961, 0x7FFFFFFF, 0x7FFFFFFD}) EXPECT_EQ(nullptr, mvHeap_alloc(t.heap, size)) << size;
    EXPECT_TRUE(before == std::vector<uint8_t>(t.memory, t.memory + 1000));
    EXPECT_EQ("", trace.text) << "exhaustion is silent";
}

TEST(MvHeap, BadArgumentsAndDamagedBlocksAreRefused) {
    TestHeap t(400);
    mvHeapDescriptor* h = t.heap;
    void* a = mvHeap_alloc(h, 16);
    void* b = mvHeap_alloc(h, 16);
    void* c = mvHeap_alloc(h, 16);
    mvHeap_free(h, b);
    uint8_t foreign[64];
    // as the trace prints an address: eight hex digits at least
    auto hex = [](const void* p) {
        char s[24];
        snprintf(s, sizeof s, "%08lx", (unsigned long)(uintptr_t)p);
        return std::string(s);
    };
    const std::string hs = hex(h);
    struct Case {
        const char* name;
        int op;  // 0 alloc, 1 free
        mvHeapDescriptor* heap;
        void* address;
        int32_t size;
        std::string log;
    };
    const std::vector<Case> cases = {
        {"alloc with null heap", 0, nullptr, nullptr, 16, "[mvHeap_alloc] cannot allocate (00000000,16)\n"},
        {"alloc of 0 bytes", 0, h, nullptr, 0, "[mvHeap_alloc] cannot allocate (" + std::string(hs) + ",0)\n"},
        {"alloc of -5 bytes", 0, h, nullptr, -5, "[mvHeap_alloc] cannot allocate (" + std::string(hs) + ",-5)\n"},
        {"free with null heap", 1, nullptr, a, 0, "[mvHeap_free] cannot free (00000000," + hex(a) + ")\n"},
        {"free of null", 1, h, nullptr, 0, ""},
        {"double free", 1, h, b, 0, "[mvHeap_free] cannot free (" + std::string(hs) + "," + hex(b) + ")\n"},
        {"free of a foreign address", 1, h, foreign + 32, 0,
         "[mvHeap_free] cannot free (" + std::string(hs) + "," + hex(foreign + 32) + ")\n"},
        {"free inside a block's data", 1, h, static_cast<char*>(a) + 8, 0,
         "[mvHeap_free] cannot free (" + std::string(hs) + "," + hex(static_cast<char*>(a) + 8) + ")\n"},
        {"free of the descriptor", 1, h, reinterpret_cast<char*>(h) + 16, 0,
         "[mvHeap_free] cannot free (" + std::string(hs) + "," + hex(reinterpret_cast<char*>(h) + 16) + ")\n"},
        {"free past the heap's end", 1, h, t.memory + 400, 0,
         "[mvHeap_free] cannot free (" + std::string(hs) + "," + hex(t.memory + 400) + ")\n"},
    };
    std::vector<uint8_t> before(t.memory, t.memory + 400);
    for (const Case& k : cases) {
        TraceCapture trace;
        if (k.op == 0)
            EXPECT_EQ(nullptr, mvHeap_alloc(k.heap, k.size)) << k.name;
        else
            mvHeap_free(k.heap, k.address);
        EXPECT_EQ(k.log, trace.text) << k.name;
        EXPECT_TRUE(before == std::vector<uint8_t>(t.memory, t.memory + 400)) << k.name << " changed the heap";
    }

    // A block whose header was overwritten (a write before its data) is not freed.
    uint32_t saved;
    memcpy(&saved, static_cast<char*>(c) - 12, 4);
    uint32_t junk = 0x13572468;
    memcpy(static_cast<char*>(c) - 12, &junk, 4);  // its previous link
    {
        TraceCapture trace;
        mvHeap_free(h, c);
        EXPECT_EQ("[mvHeap_free] cannot free (" + std::string(hs) + "," + hex(c) + ")\n", trace.text);
    }
    memcpy(static_cast<char*>(c) - 12, &saved, 4);
    EXPECT_EQ("", checkHeap(h));

    // A damaged descriptor is refused by both operations.
    uint32_t magic = h->magic;
    h->magic = 0;
    {
        TraceCapture trace;
        EXPECT_EQ(nullptr, mvHeap_alloc(h, 8));
        mvHeap_free(h, a);
        EXPECT_EQ("[mvHeap_alloc] cannot allocate (" + std::string(hs) + ",8)\n[mvHeap_free] cannot free (" +
                      std::string(hs) + "," + hex(a) + ")\n",
                  trace.text);
    }
    h->magic = magic;
    mvHeap_free(h, a);
    mvHeap_free(h, c);
    EXPECT_EQ("", checkHeap(h));
    EXPECT_EQ(1u, h->freeCount);
    EXPECT_EQ(360u, h->freeRoot->size);
}

// Random allocations and frees: every allocation gets the smallest free block that fits,
// and freeing everything in any order gives back one block of the full size.
TEST(MvHeap, RandomSequencesKeepBestFitAndMergeBack) {
    for (unsigned trial = 1; trial <= 40; trial++) {
        std::mt19937 rng(trial);
        const int32_t size = 2000 + int32_t(rng() % 6000);
        TestHeap t(size);
        ASSERT_NE(nullptr, t.heap);
        const uint32_t full = t.heap->freeRoot->size;
        std::vector<void*> live;
        for (int step = 0; step < 400; step++) {
            if (live.empty() || rng() % 3 != 0) {
                int32_t want = 1 + int32_t(rng() % (rng() % 4 ? 64 : 700));
                uint32_t n = ((uint32_t(want) + 3) & ~3u) + 16;
                uint32_t best = 0;
                for (const mvHeapBlock* b = reinterpret_cast<mvHeapBlock*>(t.heap->sentinel.next & ~1u);
                     b != &t.heap->sentinel; b = reinterpret_cast<mvHeapBlock*>(b->next & ~1u))
                    if (!(b->next & 1) && b->size >= n && (!best || b->size < best)) best = b->size;
                void* p = mvHeap_alloc(t.heap, want);
                if (!best) {
                    ASSERT_EQ(nullptr, p) << "trial " << trial << " step " << step;
                    continue;
                }
                ASSERT_NE(nullptr, p) << "trial " << trial << " step " << step;
                const mvHeapBlock* got = reinterpret_cast<const mvHeapBlock*>(static_cast<char*>(p) - 16);
                const mvHeapBlock* next = reinterpret_cast<mvHeapBlock*>(got->next & ~1u);
                uint32_t taken =
                    next == &t.heap->sentinel ? addr(t.memory) + uint32_t(size) - addr(got) : addr(next) - addr(got);
                if (best - n > 20)
                    ASSERT_EQ(n, taken) << "trial " << trial << " step " << step;
                else
                    ASSERT_EQ(best, taken) << "trial " << trial << " step " << step << ": not the best fit";
                memset(p, int(step), size_t(want));
                live.push_back(p);
            } else {
                size_t i = rng() % live.size();
                mvHeap_free(t.heap, live[i]);
                live.erase(live.begin() + long(i));
            }
            ASSERT_EQ("", checkHeap(t.heap)) << "trial " << trial << " step " << step;
        }
        std::shuffle(live.begin(), live.end(), rng);
        for (void* p : live) {
            mvHeap_free(t.heap, p);
            ASSERT_EQ("", checkHeap(t.heap)) << "trial " << trial << " final frees";
        }
        EXPECT_EQ(1u, t.heap->freeCount) << "trial " << trial;
        EXPECT_EQ(full, t.heap->freeRoot->size) << "trial " << trial;
    }
}

}  // namespace
