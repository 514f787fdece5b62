// Writes and reads 16-bit surfaces as 8-bit RGB PNG files (libpng) for the test card:
// each channel's five bits are shifted up by three, so a read gives back every pixel
// except its opaque bit.
#pragma once

#include "platform/surface.h"

#include <png.h>
#include <stdio.h>
#include <string>
#include <vector>

inline bool writeSurfacePng(const std::string& path, const MkSurface& s) {
    FILE* f = fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_byte> row(s.width * 3);
    bool ok = false;
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, f);
        png_set_IHDR(png, info, s.width, s.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < s.height; y++) {
            for (int x = 0; x < s.width; x++) {
                uint16_t p = s.pixels[x + y * s.width];
                row[x * 3] = (png_byte)((p >> 11) << 3);
                row[x * 3 + 1] = (png_byte)(((p >> 6) & 0x1F) << 3);
                row[x * 3 + 2] = (png_byte)((p & 0x1F) << 3);
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&png, &info);
    fclose(f);
    return ok;
}

// The pixels of an RGB PNG as surface pixels without the opaque bit; false when the
// file cannot be read as such.
inline bool readPngPixels(const std::string& path, int* width, int* height, std::vector<uint16_t>* out) {
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    bool ok = false;
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, f);
        png_read_info(png, info);
        if (png_get_color_type(png, info) == PNG_COLOR_TYPE_RGB && png_get_bit_depth(png, info) == 8) {
            *width = (int)png_get_image_width(png, info);
            *height = (int)png_get_image_height(png, info);
            std::vector<png_byte> row(*width * 3);
            out->clear();
            for (int y = 0; y < *height; y++) {
                png_read_row(png, row.data(), nullptr);
                for (int x = 0; x < *width; x++)
                    out->push_back(
                        (uint16_t)(((row[x * 3] >> 3) << 11) | ((row[x * 3 + 1] >> 3) << 6) | (row[x * 3 + 2] >> 3)));
            }
            ok = true;
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    fclose(f);
    return ok;
}
