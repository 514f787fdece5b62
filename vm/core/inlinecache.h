// The inline cache: a ring of 128 call sites rewritten to cached calls, each with the
// method it last dispatched to and the receiver class that method was found for.
// Every rewritten site gets its original instruction back when its entry is reused
// and at the end of the run.
#pragma once

#include <stddef.h>

#include "platform/vmsections.h"
#include "vm/core/records.h"

enum { INLINE_CACHE_SIZE = 128 };

struct InlineCacheEntry {
    P32<MethodRecord> method;  // for the anewarray form: the array class
    P32<uint8_t> site;
    uint16_t originalOperand;  // first operand byte high
    uint8_t originalOpcode;
    uint8_t spare;
};
static_assert(sizeof(InlineCacheEntry) == 12, "InlineCacheEntry is three words");
static_assert(offsetof(InlineCacheEntry, originalOperand) == 8 && offsetof(InlineCacheEntry, originalOpcode) == 10,
              "InlineCacheEntry field offsets");

extern VMBSS InlineCacheEntry* InlineCacheTable;
// The receiver class each entry's method was last looked up for.
extern VMBSS P32<ClassRecord>* InlineCacheReceiverClasses;
extern VMBSS int32_t InlineCacheNextIndex;
extern VMBSS int32_t InlineCacheWrapped;

void InitializeInlineCaching();
void FinalizeInlineCaching();
int createInlineCacheEntry(MethodRecord* method, uint8_t* site);
InlineCacheEntry* getInlineCacheEntry(int index);
void releaseInlineCacheEntry(int index);
[[noreturn]] void fatalNoSuchCachedMethod(int index);
