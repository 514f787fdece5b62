// qmmm: the storage library's arena allocator. Blocks come from one area that the
// owner supplies; each carries an 8-byte header marked 0xCAFE. First fit, with free
// neighbours merged as an allocation walks past them. The blocks' addresses go into
// words (a suite's descriptor, file records behind Java handles), so the owner takes
// the area from the low window (platform/lowmem.h).
#pragma once

#include <stdint.h>

struct QmmmBlockHeader {
    uint16_t magic;  // QMMM_MAGIC
    uint8_t isFree;  // 1 free, 0 in use
    uint8_t unused;
    uint32_t size;  // payload bytes
};
static_assert(sizeof(QmmmBlockHeader) == 8, "QmmmBlockHeader size");

enum { QMMM_MAGIC = 0xCAFE, QMMM_DEFAULT_SIZE = 0x400000 };

// A negative size means QMMM_DEFAULT_SIZE. Always 0.
int qmmm_init(void* base, int32_t size);
void* qmmm_alloc(uint32_t size);
void qmmm_free(void* address);
// Frees what is still in use and answers how many blocks that was, or -1 when a damaged
// header was met; the arena is gone afterwards.
int qmmm_fini(void);
