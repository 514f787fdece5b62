// Test support: a drawn area of the test host's screen as text art, one letter per
// colour, compared with a reviewed picture in data/. A picture that differs, or is
// missing, is written beside it as <name>.txt.new when MOVANE_TOOLKIT_WRITE_PICTURES is
// set, so that it can be looked at and, once judged right, renamed.
#pragma once

#include <stdint.h>
#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "graphics/mk_graphics.h"
#include "toolkit_host.h"

typedef std::vector<std::pair<char, uint32_t>> Legend;

// The colours the kinds draw with by default.
inline const Legend& standardLegend() {
    static const Legend legend = {{'k', 0xFF000000}, {'w', 0xFFFFFFFF}, {'l', 0xFFC0C0C0}, {'d', 0xFF808080},
                                  {'g', 0xFFDFDFDF}, {'r', 0xFFFF0000}, {'b', 0xFF0000FF}, {'y', 0xFFFFFF00}};
    return legend;
}

// The surface pixel of a colour.
inline uint16_t surfacePixel(ToolkitHost& host, uint32_t rgb) {
    MkGraphicsContext* scratch = MkGraphicsCreateContext(&host.screen.surface);
    uint16_t pixel = (uint16_t)MkGraphicsSetColor(scratch, rgb & 0xFFFFFF);
    MkGraphicsDestroyContext(scratch);
    return pixel;
}

// '.' for untouched paper, the legend's letter, '?' for any other colour.
inline std::string pictureOf(ToolkitHost& host, int width, int height, const Legend& legend = standardLegend()) {
    std::vector<std::pair<char, uint16_t>> pixels;
    for (const auto& l : legend) pixels.push_back({l.first, surfacePixel(host, l.second)});
    std::string out;
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            uint16_t p = host.screen.at(x, y);
            char c = p == ToolkitHost::kPaper ? '.' : '?';
            for (const auto& l : pixels)
                if (p == l.second) c = l.first;
            out += c;
        }
        out += '\n';
    }
    return out;
}

// "" when the picture matches data/<name>.txt, else what differs.
inline std::string comparePicture(const std::string& name, const std::string& picture) {
    std::string path = std::string(MOVANE_TOOLKIT_DATA) + "/" + name + ".txt";
    std::ifstream in(path);
    std::stringstream expected;
    if (in) expected << in.rdbuf();
    if (in && expected.str() == picture) return "";
    if (getenv("MOVANE_TOOLKIT_WRITE_PICTURES") != nullptr) std::ofstream(path + ".new") << picture;
    if (!in) return "no reviewed picture " + path;
    std::string want = expected.str();
    size_t i = 0;
    while (i < want.size() && i < picture.size() && want[i] == picture[i]) i++;
    size_t row = (size_t)std::count(picture.begin(), picture.begin() + (long)i, '\n');
    size_t start = picture.rfind('\n', i == 0 ? 0 : i - 1);
    start = start == std::string::npos || i == 0 ? 0 : start + 1;
    return "differs from " + path + " first in row " + std::to_string(row) + ": drawn " +
           picture.substr(start, picture.find('\n', start) - start);
}

inline void clearScreen(ToolkitHost& host) {
    for (int y = 0; y < host.screen.surface.height; y++)
        for (int x = 0; x < host.screen.surface.width; x++) host.screen.set(x, y, ToolkitHost::kPaper);
}
