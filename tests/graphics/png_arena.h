// Test support: a storage arena for the PNG decoder's allocations, set up for each test
// and checked on tear-down: a block still in use is a leak.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <ostream>
#include <vector>

#include "graphics/png_decode.h"
#include "graphics/png_inflate.h"
#include "storage/qmmm.h"

// Failure messages name the reason rather than its number.
inline void PrintTo(PngError e, std::ostream* os) { *os << PngErrorName(e) << " (" << (int)e << ")"; }

class PngArenaTest : public ::testing::Test {
protected:
    static const int32_t kArenaBytes = 96 << 20;

    void SetUp() override {
        static void* arena = malloc(kArenaBytes);
        ASSERT_NE(arena, nullptr);
        qmmm_init(arena, kArenaBytes);
        PngStreamPoolReset();
    }
    void TearDown() override { EXPECT_EQ(qmmm_fini(), 0) << "decoder blocks left in the arena"; }

    struct Decoded {
        int32_t result = 0;
        PngError reason = PNG_ERR_COUNT;  // the decoder's, right after the decode
        uint32_t width = 0, height = 0, stride = 0;
        std::vector<uint32_t> argb;
    };

    // Decodes into a buffer filled with 0xCD, so pixels the decoder leaves alone show.
    static Decoded decode(const std::vector<uint8_t>& png) {
        Decoded d;
        uint32_t size = PngGetDecodeBufferSize(png.data(), (uint32_t)png.size());
        std::vector<uint32_t> buffer(size / 4 + 4, 0xCDCDCDCDu);
        d.result = PngDecodeToARGB(png.data(), (uint32_t)png.size(), reinterpret_cast<uint8_t*>(buffer.data()));
        d.reason = PngLastError();
        if (d.result > 0) {
            d.width = buffer[0];
            d.height = buffer[1];
            d.stride = buffer[2];
            d.argb.assign(buffer.begin() + PNG_DECODE_HEADER_WORDS,
                          buffer.begin() + PNG_DECODE_HEADER_WORDS + (size_t)d.width * d.height);
        }
        return d;
    }
};
