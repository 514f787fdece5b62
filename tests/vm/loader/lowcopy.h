// Copies in low memory of what a test hands the loader by address, since the loader's
// records keep addresses in 32-bit words: the data of a memory file, and records the
// registries link (platform resources, native finalizers). Made outside a VM run: they
// have destructors, which a fatal error's jump would skip.
#pragma once

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <utility>
#include <vector>

#include "platform/lowmem.h"

namespace loadertest {

// Bytes in a block of exactly their size, so the address sanitizer still sees a read
// past the end.
class LowBytes {
public:
    LowBytes() = default;
    explicit LowBytes(const std::vector<uint8_t>& bytes) : size_(bytes.size()) {
        if (size_ == 0) return;
        data_ = (uint8_t*)lowAlloc(size_);
        if (data_ == nullptr) abort();
        memcpy(data_, bytes.data(), size_);
    }
    ~LowBytes() { lowFree(data_); }
    LowBytes(const LowBytes&) = delete;
    LowBytes& operator=(const LowBytes&) = delete;
    LowBytes(LowBytes&& other) noexcept : data_(std::exchange(other.data_, nullptr)), size_(other.size_) {}
    LowBytes& operator=(LowBytes&& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        return *this;
    }

    // Null for no bytes.
    const uint8_t* data() const { return data_; }
    int32_t size() const { return (int32_t)size_; }

private:
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

// One record, copied from a value.
template <typename T>
class LowRecord {
public:
    explicit LowRecord(const T& value) : record_((T*)lowAlloc(sizeof(T))) {
        if (record_ == nullptr) abort();
        memcpy((void*)record_, (const void*)&value, sizeof(T));
    }
    ~LowRecord() { lowFree(record_); }
    LowRecord(const LowRecord&) = delete;
    LowRecord& operator=(const LowRecord&) = delete;

    T* get() const { return record_; }
    T* operator->() const { return record_; }

private:
    T* record_;
};

}  // namespace loadertest
