// The inline cache ring and the restoring of rewritten call sites.
#include "vm/core/inlinecache.h"

#include "platform/bytes.h"
#include "vm/core/exceptions.h"
#include "vm/core/heap.h"
#include "vm/core/tables.h"
#include "vm/trace/tracelog.h"

VMBSS InlineCacheEntry* InlineCacheTable;
VMBSS P32<ClassRecord>* InlineCacheReceiverClasses;
VMBSS int32_t InlineCacheNextIndex;
VMBSS int32_t InlineCacheWrapped;

enum { TABLE_WORDS = INLINE_CACHE_SIZE * 3 + 1, RECEIVER_WORDS = INLINE_CACHE_SIZE + 1 };

void InitializeInlineCaching() {
    // permanent space comes cleared
    InlineCacheTable = (InlineCacheEntry*)callocPermanentObject(TABLE_WORDS);
    InlineCacheReceiverClasses = (P32<ClassRecord>*)callocPermanentObject(RECEIVER_WORDS);
    InlineCacheNextIndex = 0;
    InlineCacheWrapped = 0;
}

InlineCacheEntry* getInlineCacheEntry(int index) { return &InlineCacheTable[index]; }

void releaseInlineCacheEntry(int index) {
    InlineCacheEntry* e = &InlineCacheTable[index];
    uint8_t* site = e->site;
    if (site == nullptr) return;
    site[0] = e->originalOpcode;
    site[1] = (uint8_t)(e->originalOperand >> 8);
    site[2] = (uint8_t)e->originalOperand;
}

int createInlineCacheEntry(MethodRecord* method, uint8_t* site) {
    int index = InlineCacheNextIndex;
    if (InlineCacheWrapped) releaseInlineCacheEntry(index);
    if (++InlineCacheNextIndex == INLINE_CACHE_SIZE) {
        InlineCacheNextIndex = 0;
        InlineCacheWrapped = 1;
    }
    InlineCacheEntry* e = &InlineCacheTable[index];
    e->method = method;
    e->site = site;
    e->originalOpcode = site[0];
    e->originalOperand = be16(site + 1);
    InlineCacheReceiverClasses[index] = nullptr;
    return index;
}

void FinalizeInlineCaching() {
    if (InlineCacheTable != nullptr) {
        int top = InlineCacheWrapped ? INLINE_CACHE_SIZE : InlineCacheNextIndex;
        for (int i = top - 1; i >= 0; i--) releaseInlineCacheEntry(i);
    }
    InlineCacheNextIndex = 0;
    InlineCacheWrapped = 0;
}

void fatalNoSuchCachedMethod(int index) {
    MethodRecord* m = InlineCacheTable[index].method;
    char signature[MESSAGE_BUFFER_SIZE];
    const char* name = changeKeyToName(m->nt.k.nameKey, nullptr);
    change_Key_to_MethodSignature_inBuffer(m->nt.k.typeKey, signature, sizeof signature);
    mvSprintf(MessageBuffer, MESSAGE_BUFFER_SIZE, "No such method %s.%s", name ? name : "", signature);
    fatalError(MessageBuffer);
}
