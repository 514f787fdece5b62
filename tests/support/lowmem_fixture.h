// Test support: fixtures in low memory, for data and records whose addresses go into a
// record's 32-bit word (a memory file's bytes, a heap block, surface pixels, records a
// registry links): vectors on the low-memory allocator, exact-size byte blocks (so the
// address sanitizer still sees a read past the end) and single records. Made outside a
// VM run: they have destructors, which a fatal error's jump would skip.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <new>
#include <string>
#include <utility>
#include <vector>

#include "platform/lowmem.h"

template <typename T>
struct LowAllocator {
    typedef T value_type;

    LowAllocator() = default;
    template <typename U>
    LowAllocator(const LowAllocator<U>&) {}

    T* allocate(size_t n) {
        void* p = lowAlloc(n * sizeof(T));
        if (p == nullptr) throw std::bad_alloc();
        return static_cast<T*>(p);
    }
    void deallocate(T* p, size_t) { lowFree(p); }

    template <typename U>
    bool operator==(const LowAllocator<U>&) const {
        return true;
    }
    template <typename U>
    bool operator!=(const LowAllocator<U>&) const {
        return false;
    }
};

template <typename T>
using LowVector = std::vector<T, LowAllocator<T>>;

// The same elements in a plain vector, to compare with one.
template <typename T>
std::vector<T> plain(const LowVector<T>& v) {
    return std::vector<T>(v.begin(), v.end());
}

// Bytes in a block of exactly their size.
class LowBlock {
public:
    LowBlock() = default;
    // size zero-filled bytes (none for 0)
    explicit LowBlock(size_t size) : size_(size) {
        if (size_ == 0) return;
        data_ = (uint8_t*)lowCalloc(1, size_);
        if (data_ == nullptr) abort();
    }
    explicit LowBlock(const std::vector<uint8_t>& bytes) : LowBlock(bytes.size()) {
        if (size_ != 0) memcpy(data_, bytes.data(), size_);
    }
    explicit LowBlock(const std::string& text) : LowBlock(text.size()) {
        if (size_ != 0) memcpy(data_, text.data(), size_);
    }
    ~LowBlock() { lowFree(data_); }
    LowBlock(const LowBlock&) = delete;
    LowBlock& operator=(const LowBlock&) = delete;
    LowBlock(LowBlock&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
    LowBlock& operator=(LowBlock&& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        return *this;
    }

    // Null for no bytes.
    uint8_t* data() const { return data_; }
    int32_t size() const { return (int32_t)size_; }

private:
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

// One plain record, zero-filled or copied from a value.
template <typename T>
class LowRecord {
public:
    LowRecord() : record_(static_cast<T*>(lowCalloc(1, sizeof(T)))) {
        if (record_ == nullptr) throw std::bad_alloc();
    }
    explicit LowRecord(const T& value) : LowRecord() { memcpy((void*)record_, (const void*)&value, sizeof(T)); }
    ~LowRecord() { lowFree(record_); }
    LowRecord(const LowRecord&) = delete;
    LowRecord& operator=(const LowRecord&) = delete;

    T* get() const { return record_; }
    T& operator*() const { return *record_; }
    T* operator->() const { return record_; }

private:
    T* record_;
};
