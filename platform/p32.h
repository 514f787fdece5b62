// 32-bit words that hold addresses. The VM's records keep their 32-bit layout on a
// 64-bit host: every address stored in such a word must lie in the low window (the
// program itself, which is not position-independent, and the low-memory allocator).
// A store checks that the address fits and ends the program naming it when it does
// not; a load is a plain zero-extension.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Addresses below this fit a word, and also read as non-negative Java ints.
enum : uint64_t { P32_LIMIT = 0x80000000u };

[[noreturn]] void p32Overflow(const void* address);

inline uint32_t p32Word(const void* p) {
    uintptr_t a = (uintptr_t)p;
    if (__builtin_expect(a >= P32_LIMIT, 0)) p32Overflow(p);
    return (uint32_t)a;
}
inline void* p32Address(uint32_t word) { return (void*)(uintptr_t)word; }

// A pointer field of a record: four bytes, used as a T*.
template <typename T>
struct P32 {
    uint32_t w;

    P32() = default;
    P32(T* p) : w(p32Word((const void*)p)) {}
    P32(decltype(nullptr)) : w(0) {}
    P32& operator=(T* p) {
        w = p32Word((const void*)p);
        return *this;
    }
    P32& operator=(decltype(nullptr)) {
        w = 0;
        return *this;
    }
    operator T*() const { return (T*)(uintptr_t)w; }
    // A cast to another record type or to an integer, as the word's users did.
    template <typename U>
    explicit operator U*() const {
        return (U*)(uintptr_t)w;
    }
    explicit operator uintptr_t() const { return w; }
    explicit operator bool() const { return w != 0; }
    T* get() const { return (T*)(uintptr_t)w; }
    T* operator->() const { return (T*)(uintptr_t)w; }
    P32& operator++() {
        *this = get() + 1;
        return *this;
    }
    P32& operator+=(ptrdiff_t n) {
        *this = get() + n;
        return *this;
    }
};
static_assert(sizeof(P32<int>) == 4, "a record pointer is one word");

// The program's code, as the linker bounds it: a function pointer kept in a word must
// lie there (a shared library's code lies far above the window, and moves).
extern "C" const char __executable_start[];
extern "C" const char etext[];
[[noreturn]] void p32NotInProgram(const void* function);

inline bool isProgramCode(const void* f) { return f >= (const void*)__executable_start && f < (const void*)etext; }
inline uint32_t p32Function(const void* f) {
    if (__builtin_expect(f != nullptr && !isProgramCode(f), 0)) p32NotInProgram(f);
    return (uint32_t)(uintptr_t)f;
}

// A function pointer kept in a word: it points into the program's own code.
template <typename F>
struct P32Fn {
    uint32_t w;

    P32Fn() = default;
    P32Fn(F f) : w(p32Function((const void*)f)) {}
    P32Fn(decltype(nullptr)) : w(0) {}
    P32Fn& operator=(F f) {
        w = p32Function((const void*)f);
        return *this;
    }
    operator F() const { return (F)(uintptr_t)w; }
    F get() const { return (F)(uintptr_t)w; }
};

// A word that holds an address, as a Java int or an operand-stack cell does.
inline int32_t p32Cell(const void* p) { return (int32_t)p32Word(p); }
template <typename T = void>
inline T* p32Ptr(int32_t word) {
    return (T*)(uintptr_t)(uint32_t)word;
}
