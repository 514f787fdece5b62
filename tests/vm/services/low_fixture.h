// Test support: blocks in the low window for fixtures whose addresses go into words (a
// descriptor environment's block heap, a JAR read in place, the heap block of a run).
// Each block is exactly the size asked for, so the address sanitizer still sees a read
// past its end. Made outside a VM run: they have destructors, which a fatal error's
// jump would skip.
#pragma once

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/lowmem.h"

namespace servicestest {

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

}  // namespace servicestest
