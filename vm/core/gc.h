// The garbage collector: mark and sweep over the dynamic heap with exact roots, weak
// references and cleanup registrations, native finalizers of dead instances, and a
// bounded sliding compaction when the largest free chunk is too small.
#pragma once

#include "platform/vmsections.h"
#include "vm/core/records.h"
#include "vm/core/vmassert.h"

enum {
    MARK_QUEUE_SIZE = 40,
    MARK_DEPTH = 4,
    BREAK_TABLE_ENTRIES = 100,
    CLEANUP_LIST_HEADER_WORDS = 3,  // entry count, chain link, cleanup function
    CLEANUP_LIST_GROWTH = 3,
};

// "Collect on every allocation" for GC stress runs: 0 off, 1 a collection before every
// allocation, 2 a full compaction before every allocation. Set from the environment
// variable MOVANE_GC_STRESS at the start of each run, or directly once the run has started.
extern VMBSS int32_t CollectOnEveryAllocation;
extern VMBSS int32_t CollectorNesting;
extern VMBSS int32_t CollectorRunning;
// Where the next compaction pass starts.
extern VMBSS cell* CompactionCursor;
// 1: a full compaction relocates pointers after every pass, as it does when no memory
// outside the heap can be had for the entries of all passes (to compare the two).
extern VMBSS int32_t CompactionRelocatesEachPass;
// Counts of the collections and compaction passes of the run, for tests and traces.
extern VMBSS int32_t CollectionCount;
extern VMBSS int32_t CompactionPassCount;

// Moves counted for the checks of pointers kept in C locals: a pointer into any block of
// the dynamic heap taken under one HeapMoves value is stale once it changed, one into a
// stack chunk once ChunkMoves changed (counted only where VM_ASSERT is on).
extern VMBSS uint32_t HeapMoves;
extern VMBSS uint32_t ChunkMoves;
#define VM_ASSERT_HEAP_UNMOVED(stamp) VM_ASSERT(HeapMoves == (stamp))
#define VM_ASSERT_CHUNKS_UNMOVED(stamp) VM_ASSERT(ChunkMoves == (stamp))

void collectGarbage(int32_t requestedWords);
// Registers the object in *cell so that function runs (with a cell holding the object)
// once the object has died. Returns non-zero.
int registerCleanup(OBJECT* cell, CleanupFunction function);
// End of a run: every cleanup still registered runs, then every instance's finalizer.
void FinalizeMemoryManagement();
void FinalizeHeap();

// While a compaction relocates pointers, blocks of the dynamic heap already lie at their
// new addresses: this gives the current address of a block known by its old one.
const void* gcCurrentAddress(const void* address);
