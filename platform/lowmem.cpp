// Low-memory allocator. Pages come from mmap below 2 GB: MAP_32BIT on x86-64, else (or
// when a tool's memory manager ignores that flag) address hints with
// MAP_FIXED_NOREPLACE. Small blocks are carved from 1 MB slabs in size classes and
// kept on free lists; a large block gets pages of its own.
#include "platform/lowmem.h"

#include <errno.h>
#include <pthread.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include "platform/p32.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define LOW_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define LOW_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define LOW_POISON(p, n) ((void)(p), (void)(n))
#define LOW_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

#ifndef MAP_FIXED_NOREPLACE
#define MAP_FIXED_NOREPLACE 0x100000
#endif

namespace {

// Where hinted mappings are searched: above the program and the room its break may
// grow into, below the limit of a word.
const uintptr_t HINT_START = 0x40000000u;
const uintptr_t HINT_END = P32_LIMIT;
const size_t SLAB_BYTES = 1u << 20;
const size_t LARGE_BYTES = 256u << 10;
const uint32_t BLOCK_MAGIC = 0x4c4f5721u;
const uint32_t LARGE_CLASS = 0xffffffffu;

struct BlockHeader {
    uint32_t magic;
    uint32_t sizeClass;
    uint64_t bytes;  // asked for
};
static_assert(sizeof(BlockHeader) == 16, "blocks keep 16-byte alignment");

struct FreeBlock {
    FreeBlock* next;
};

// Classes: 16-byte steps to 1 KB, then four steps per power of two to LARGE_BYTES.
const int SMALL_STEP_CLASSES = 64;
const int CLASS_COUNT = SMALL_STEP_CLASSES + 4 * 8;

pthread_mutex_t lowLock = PTHREAD_MUTEX_INITIALIZER;
FreeBlock* freeLists[CLASS_COUNT];
char* slabNext;
char* slabEnd;
uintptr_t hintCursor = HINT_START;

size_t classSlot(int c) {
    if (c < SMALL_STEP_CLASSES) return (size_t)(c + 1) * 16;
    int k = c - SMALL_STEP_CLASSES;
    size_t base = (size_t)1024 << (k / 4);
    return base + base / 4 * (k % 4 + 1);
}

int classOf(size_t slot) {
    if (slot <= 1024) return (int)((slot + 15) / 16) - 1;
    int c = SMALL_STEP_CLASSES;
    while (classSlot(c) < slot) c++;
    return c;
}

size_t pageRound(size_t bytes) {
    size_t page = (size_t)sysconf(_SC_PAGESIZE);
    return (bytes + page - 1) & ~(page - 1);
}

void* mapHinted(size_t bytes) {
    // Two passes: from the cursor to the end, then from the start of the window.
    for (int pass = 0; pass < 2; pass++) {
        uintptr_t from = pass == 0 ? hintCursor : HINT_START;
        for (uintptr_t at = from; at + bytes <= HINT_END && at + bytes > at; at += SLAB_BYTES) {
            void* p = mmap((void*)at, bytes, PROT_READ | PROT_WRITE,
                           MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_FIXED_NOREPLACE, -1, 0);
            if (p == MAP_FAILED) {
                if (errno == EEXIST || errno == EPERM) continue;
                return nullptr;
            }
            if ((uintptr_t)p == at) {
                hintCursor = (at + bytes + SLAB_BYTES - 1) & ~(uintptr_t)(SLAB_BYTES - 1);
                return p;
            }
            // an old kernel took the hint as a hint only
            munmap(p, bytes);
        }
    }
    return nullptr;
}

void* mapLow(size_t bytes) {
#if defined(__x86_64__) && defined(MAP_32BIT)
    void* p =
        mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_32BIT, -1, 0);
    if (p != MAP_FAILED) {
        if ((uintptr_t)p + bytes <= HINT_END) return p;
        munmap(p, bytes);
    }
#endif
    return mapHinted(bytes);
}

BlockHeader* headerOfBlock(const void* block) {
    BlockHeader* h = (BlockHeader*)block - 1;
    LOW_UNPOISON(h, sizeof *h);
    if (h->magic != BLOCK_MAGIC) {
        fprintf(stderr, "movane: fatal: %p was not given by the low-memory allocator\n", block);
        abort();
    }
    return h;
}

void* allocSmall(size_t bytes) {
    int c = classOf(bytes + sizeof(BlockHeader));
    size_t slot = classSlot(c);
    char* raw;
    if (freeLists[c] != nullptr) {
        raw = (char*)freeLists[c];
        LOW_UNPOISON(raw, sizeof(FreeBlock));
        freeLists[c] = freeLists[c]->next;
    } else {
        if (slabNext == nullptr || (size_t)(slabEnd - slabNext) < slot) {
            char* slab = (char*)mapLow(SLAB_BYTES);
            if (slab == nullptr) return nullptr;
            // the rest of the old slab is left: a few KB at most
            slabNext = slab;
            slabEnd = slab + SLAB_BYTES;
            LOW_POISON(slab, SLAB_BYTES);
        }
        raw = slabNext;
        slabNext += slot;
    }
    LOW_UNPOISON(raw, sizeof(BlockHeader) + bytes);
    BlockHeader* h = (BlockHeader*)raw;
    h->magic = BLOCK_MAGIC;
    h->sizeClass = (uint32_t)c;
    h->bytes = bytes;
    LOW_POISON(h, sizeof *h);
    return h + 1;
}

}  // namespace

void p32Overflow(const void* address) {
    fprintf(stderr, "movane: fatal: address %p does not fit a 32-bit word (it lies above the low window)\n", address);
    fflush(stderr);
    abort();
}

void p32NotInProgram(const void* function) {
    fprintf(stderr, "movane: fatal: function %p kept in a 32-bit word lies outside the program's code\n", function);
    fflush(stderr);
    abort();
}

void* lowMapPages(size_t bytes) {
    if (bytes == 0 || bytes >= HINT_END) return nullptr;
    pthread_mutex_lock(&lowLock);
    void* p = mapLow(pageRound(bytes));
    pthread_mutex_unlock(&lowLock);
    return p;
}

void lowUnmapPages(void* pages, size_t bytes) {
    if (pages != nullptr) munmap(pages, pageRound(bytes));
}

void* lowAlloc(size_t bytes) {
    if (bytes >= HINT_END) return nullptr;
    if (bytes + sizeof(BlockHeader) > LARGE_BYTES) {
        size_t mapped = pageRound(bytes + sizeof(BlockHeader));
        BlockHeader* h = (BlockHeader*)lowMapPages(mapped);
        if (h == nullptr) return nullptr;
        h->magic = BLOCK_MAGIC;
        h->sizeClass = LARGE_CLASS;
        h->bytes = bytes;
        LOW_POISON(h, sizeof *h);
        return h + 1;
    }
    pthread_mutex_lock(&lowLock);
    void* p = allocSmall(bytes);
    pthread_mutex_unlock(&lowLock);
    return p;
}

void* lowCalloc(size_t count, size_t size) {
    if (size != 0 && count > (size_t)HINT_END / size) return nullptr;
    size_t bytes = count * size;
    void* p = lowAlloc(bytes);
    if (p == nullptr) return nullptr;
    // large blocks come zero-filled from mmap
    BlockHeader* h = headerOfBlock(p);
    bool fresh = h->sizeClass == LARGE_CLASS;
    LOW_POISON(h, sizeof *h);
    if (!fresh) memset(p, 0, bytes);
    return p;
}

size_t lowSize(const void* block) {
    BlockHeader* h = headerOfBlock(block);
    size_t n = h->bytes;
    LOW_POISON(h, sizeof *h);
    return n;
}

void* lowRealloc(void* block, size_t bytes) {
    if (block == nullptr) return lowAlloc(bytes);
    BlockHeader* h = headerOfBlock(block);
    size_t old = h->bytes;
    if (h->sizeClass != LARGE_CLASS && bytes + sizeof(BlockHeader) <= classSlot((int)h->sizeClass)) {
        // it still fits its slot
        LOW_UNPOISON(block, bytes);
        if (bytes < old) LOW_POISON((char*)block + bytes, old - bytes);
        h->bytes = bytes;
        LOW_POISON(h, sizeof *h);
        return block;
    }
    LOW_POISON(h, sizeof *h);
    void* p = lowAlloc(bytes);
    if (p == nullptr) return nullptr;
    memcpy(p, block, old < bytes ? old : bytes);
    lowFree(block);
    return p;
}

void lowFree(void* block) {
    if (block == nullptr) return;
    BlockHeader* h = headerOfBlock(block);
    if (h->sizeClass == LARGE_CLASS) {
        size_t mapped = pageRound(h->bytes + sizeof(BlockHeader));
        h->magic = 0;
        munmap(h, mapped);
        return;
    }
    uint32_t c = h->sizeClass;
    if (c >= (uint32_t)CLASS_COUNT) {
        fprintf(stderr, "movane: fatal: the block at %p has a broken header\n", block);
        abort();
    }
    h->magic = 0;
    pthread_mutex_lock(&lowLock);
    FreeBlock* f = (FreeBlock*)h;
    f->next = freeLists[c];
    freeLists[c] = f;
    LOW_POISON((char*)h + sizeof(FreeBlock), classSlot((int)c) - sizeof(FreeBlock));
    pthread_mutex_unlock(&lowLock);
}

bool isLowAddress(const void* address) { return (uintptr_t)address < P32_LIMIT; }
