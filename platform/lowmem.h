// The low-memory allocator: blocks whose addresses lie below 2 GB, so that they can be
// stored in the 32-bit words of the VM's records (Java heap, stack chunks, storage
// arena, memory blocks, native peers). Thread-safe. An exhausted window answers null,
// as malloc does.
#pragma once

#include <stddef.h>

void* lowAlloc(size_t bytes);
void* lowCalloc(size_t count, size_t size);
// Keeps the first min(old, new) bytes; null (the block left as it was) when out of room.
void* lowRealloc(void* block, size_t bytes);
void lowFree(void* block);
// The usable size of a block lowAlloc gave.
size_t lowSize(const void* block);
// Pages of the window for a large block of its own (page-aligned, zero-filled); null
// when the window has no room for them.
void* lowMapPages(size_t bytes);
void lowUnmapPages(void* pages, size_t bytes);
// True when the address lies in the window.
bool isLowAddress(const void* address);
