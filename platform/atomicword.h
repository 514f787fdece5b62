// Whole 32-bit words shared by host threads and the VM thread without a lock: loads and
// stores with acquire and release order, announced to the race detector so that it
// sees the order they give.
#pragma once

#include <stdint.h>

#include <valgrind/helgrind.h>

inline int32_t atomicLoad(const int32_t* word) {
    int32_t value = __atomic_load_n(word, __ATOMIC_ACQUIRE);
    ANNOTATE_HAPPENS_AFTER(word);
    return value;
}

inline void atomicStore(int32_t* word, int32_t value) {
    ANNOTATE_HAPPENS_BEFORE(word);
    __atomic_store_n(word, value, __ATOMIC_RELEASE);
}

inline void atomicOr(int32_t* word, int32_t bits) {
    ANNOTATE_HAPPENS_BEFORE(word);
    __atomic_fetch_or(word, bits, __ATOMIC_ACQ_REL);
    ANNOTATE_HAPPENS_AFTER(word);
}

inline void atomicAnd(int32_t* word, int32_t bits) {
    ANNOTATE_HAPPENS_BEFORE(word);
    __atomic_fetch_and(word, bits, __ATOMIC_ACQ_REL);
    ANNOTATE_HAPPENS_AFTER(word);
}
