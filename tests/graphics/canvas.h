// A surface for pixel tests: guard cells on both sides of its pixels catch a write
// past either end, and its drawn pixels read back as a list or a picture. The record and
// its pixels are in low memory, as a context or an image keeps their addresses in words.
#pragma once

#include "platform/surface.h"
#include "support/lowmem_fixture.h"

#include <stdint.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

typedef std::vector<std::pair<int, int>> Points;

class Canvas {
public:
    static constexpr uint16_t kGuard = 0xA5A5;
    Canvas(int width, int height, uint16_t fill = 0)
        : surface(*record_), store_(width * height + 2 * kGuardCells, kGuard) {
        for (int i = 0; i < width * height; i++) store_[kGuardCells + i] = fill;
        surface = {store_.data() + kGuardCells, width, height, 0, 1};
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    uint16_t at(int x, int y) const { return surface.pixels[x + y * surface.width]; }
    void set(int x, int y, uint16_t p) { surface.pixels[x + y * surface.width] = p; }
    // The pixels that differ from the background, row by row.
    Points marked(uint16_t background = 0) const {
        Points out;
        for (int y = 0; y < surface.height; y++)
            for (int x = 0; x < surface.width; x++)
                if (at(x, y) != background) out.push_back({x, y});
        return out;
    }
    // One line per row: '#' for a pixel that differs from the background, '.' otherwise.
    std::string picture(uint16_t background = 0) const {
        std::string out;
        for (int y = 0; y < surface.height; y++) {
            for (int x = 0; x < surface.width; x++) out += at(x, y) != background ? '#' : '.';
            out += '\n';
        }
        return out;
    }
    bool guardsIntact() const {
        for (int i = 0; i < kGuardCells; i++)
            if (store_[i] != kGuard || store_[store_.size() - 1 - i] != kGuard) return false;
        return true;
    }

private:
    LowRecord<MkSurface> record_;

public:
    MkSurface& surface;

private:
    static constexpr int kGuardCells = 64;
    LowVector<uint16_t> store_;
};

inline Points sortedByRow(Points p) {
    std::vector<std::pair<int, int>> swapped;
    for (auto& q : p) swapped.push_back({q.second, q.first});
    std::sort(swapped.begin(), swapped.end());
    Points out;
    for (auto& q : swapped) out.push_back({q.second, q.first});
    return out;
}

inline std::string describe(const Points& p) {
    std::string out;
    for (auto& q : p) out += "(" + std::to_string(q.first) + "," + std::to_string(q.second) + ")";
    return out;
}
