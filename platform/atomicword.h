// Whole 32-bit words shared by host threads and the VM thread without a lock: loads and
// stores with acquire and release order. The race detector is told that these words are
// meant to be read while another thread writes them.
#pragma once

#include <stdint.h>

#include <valgrind/drd.h>

inline void atomicDeclare(const int32_t* word) {
    ANNOTATE_BENIGN_RACE_SIZED(word, sizeof *word, "a word shared through atomic loads and stores");
}

inline int32_t atomicLoad(const int32_t* word) {
    atomicDeclare(word);
    return __atomic_load_n(word, __ATOMIC_ACQUIRE);
}

inline void atomicStore(int32_t* word, int32_t value) {
    atomicDeclare(word);
    __atomic_store_n(word, value, __ATOMIC_RELEASE);
}

inline void atomicOr(int32_t* word, int32_t bits) {
    atomicDeclare(word);
    __atomic_fetch_or(word, bits, __ATOMIC_ACQ_REL);
}

inline void atomicAnd(int32_t* word, int32_t bits) {
    atomicDeclare(word);
    __atomic_fetch_and(word, bits, __ATOMIC_ACQ_REL);
}
