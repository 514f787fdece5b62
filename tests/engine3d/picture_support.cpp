// PNG writing and reading for the reviewed pictures (stb, header-only).
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

#include <stdio.h>

#include "engine3d/engine3d_support.h"

namespace e3t {

bool writePng(const Canvas& canvas, const std::string& path, int scale) {
    int w = canvas.width * scale, h = canvas.height * scale;
    std::vector<uint8_t> rgb((size_t)w * h * 3);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            uint16_t p = canvas.at(x / scale, y / scale);
            uint8_t* o = &rgb[((size_t)y * w + x) * 3];
            o[0] = (uint8_t)((p >> 11) << 3);
            o[1] = (uint8_t)(((p >> 6) & 31) << 3);
            o[2] = (uint8_t)((p & 31) << 3);
        }
    return stbi_write_png(path.c_str(), w, h, 3, rgb.data(), w * 3) != 0;
}

std::string comparePicture(const Canvas& canvas, const std::string& name) {
    std::string reference = std::string(MOVANE_ENGINE3D_DATA) + "/" + name + ".png";
    const char* regenerate = getenv("MOVANE_ENGINE3D_REGENERATE");
    if (regenerate != nullptr && strcmp(regenerate, "1") == 0) {
        writePng(canvas, reference);
        writePng(canvas, std::string(MOVANE_ENGINE3D_OUTPUT) + "/" + name + "-x8.png", 8);
        return "";
    }
    int w = 0, h = 0, n = 0;
    uint8_t* rgb = stbi_load(reference.c_str(), &w, &h, &n, 3);
    if (rgb == nullptr) return "cannot read " + reference;
    std::string problem;
    if (w != canvas.width || h != canvas.height) {
        problem = "size differs";
    } else {
        int differing = 0;
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                const uint8_t* p = &rgb[((size_t)y * w + x) * 3];
                uint16_t expected = (uint16_t)((p[0] >> 3) << 11 | (p[1] >> 3) << 6 | (p[2] >> 3));
                if (canvas.at(x, y) != expected && differing++ == 0) {
                    char text[96];
                    snprintf(text, sizeof text, "first difference at (%d, %d): 0x%04X, expected 0x%04X", x, y,
                             canvas.at(x, y), expected);
                    problem = text;
                }
            }
        if (differing != 0) problem += " (" + std::to_string(differing) + " pixels differ)";
    }
    stbi_image_free(rgb);
    if (!problem.empty()) writePng(canvas, std::string(MOVANE_ENGINE3D_OUTPUT) + "/" + name + ".png");
    return problem;
}

}  // namespace e3t
