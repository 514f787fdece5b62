// Arena allocator.
#include "storage/qmmm.h"

#include <pthread.h>

// Host threads (HTTP, media) allocate here as well as the VM thread: one lock over it all.
static pthread_mutex_t qmmmLock = PTHREAD_MUTEX_INITIALIZER;

namespace {
struct Locked {
    Locked() { pthread_mutex_lock(&qmmmLock); }
    ~Locked() { pthread_mutex_unlock(&qmmmLock); }
};
}  // namespace

static uintptr_t qmmmStart;
static uintptr_t qmmmEnd;  // base + size - 8

static inline QmmmBlockHeader* qmmmHeader(uintptr_t at) { return (QmmmBlockHeader*)at; }

int qmmm_init(void* base, int32_t size) {
    Locked lock;
    uint32_t bytes = size < 0 ? (uint32_t)QMMM_DEFAULT_SIZE : (uint32_t)size;
    uintptr_t b = (uintptr_t)base;
    uintptr_t start = (b + 3) & ~(uintptr_t)3;
    // too small for a header, or wrapping the address space: no arena
    if (base == nullptr || bytes < 16 || b + bytes < b || b + bytes - 8 < start) {
        qmmmStart = qmmmEnd = 0;
        return 0;
    }
    qmmmStart = start;
    qmmmEnd = b + bytes - 8;
    QmmmBlockHeader* h = qmmmHeader(start);
    h->magic = QMMM_MAGIC;
    h->isFree = 1;
    h->unused = 0;
    h->size = (uint32_t)(qmmmEnd - start);
    return 0;
}

void* qmmm_alloc(uint32_t size) {
    Locked lock;
    if (qmmmStart == 0 || qmmmStart >= qmmmEnd) return nullptr;
    if (size > qmmmEnd - qmmmStart) return nullptr;
    uint32_t want = (size + 3) & ~3u;
    for (uintptr_t at = qmmmStart; at < qmmmEnd;) {
        QmmmBlockHeader* h = qmmmHeader(at);
        if (h->magic != QMMM_MAGIC) return nullptr;
        if (h->isFree == 1) {
            for (;;) {
                uintptr_t next = at + 8 + h->size;
                if (next >= qmmmEnd) break;
                QmmmBlockHeader* n = qmmmHeader(next);
                if (n->magic != QMMM_MAGIC || n->isFree != 1) break;
                h->size += n->size + 8;
            }
            if (h->size >= want) {
                if (h->size > want + 12) {
                    QmmmBlockHeader* rest = qmmmHeader(at + 8 + want);
                    rest->magic = QMMM_MAGIC;
                    rest->isFree = 1;
                    rest->unused = 0;
                    rest->size = h->size - want - 8;
                    h->size = want;
                }
                h->isFree = 0;
                return (void*)(at + 8);
            }
        }
        uintptr_t next = at + 8 + h->size;
        if (next <= at) return nullptr;  // a size that wraps is damage
        at = next;
    }
    return nullptr;
}

void qmmm_free(void* address) {
    Locked lock;
    uintptr_t a = (uintptr_t)address;
    if (a == 0 || a < qmmmStart + 8 || a > qmmmEnd) return;
    QmmmBlockHeader* h = qmmmHeader(a - 8);
    if (h->magic != QMMM_MAGIC) return;
    h->isFree = 1;
}

int qmmm_fini(void) {
    Locked lock;
    int inUse = 0;
    int result = 0;
    for (uintptr_t at = qmmmStart; qmmmStart != 0 && at < qmmmEnd;) {
        QmmmBlockHeader* h = qmmmHeader(at);
        if (h->magic != QMMM_MAGIC) {
            result = -1;
            break;
        }
        if (h->isFree == 0) {
            h->isFree = 1;
            inUse++;
        }
        uintptr_t next = at + 8 + h->size;
        if (next <= at) {
            result = -1;
            break;
        }
        at = next;
    }
    qmmmStart = qmmmEnd = 0;
    return result < 0 ? -1 : inUse;
}
