// Turns the screen file Xvfb keeps (an X window dump, 24 or 32 bits a pixel) into a PNG;
// exits 3 when that screen is all black.
#include <stdint.h>
#include <stdio.h>
#include <zlib.h>

#include <vector>

namespace {
uint32_t be32(const uint8_t* p) { return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3]; }

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back((uint8_t)(v >> s));
}

void chunk(FILE* f, const char* type, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> out;
    put32(out, (uint32_t)data.size());
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    uint32_t crc = (uint32_t)crc32(0, out.data() + 4, (uInt)(out.size() - 4));
    put32(out, crc);
    fwrite(out.data(), 1, out.size(), f);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    FILE* in = fopen(argv[1], "rb");
    if (!in) return 1;
    std::vector<uint8_t> d;
    uint8_t buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, in)) > 0) d.insert(d.end(), buf, buf + n);
    fclose(in);
    if (d.size() < 100) return 1;
    uint32_t headerSize = be32(&d[0]), width = be32(&d[16]), height = be32(&d[20]);
    uint32_t byteOrder = be32(&d[28]), bitsPerPixel = be32(&d[44]), bytesPerLine = be32(&d[48]);
    uint32_t colors = be32(&d[76]);
    size_t offset = headerSize + (size_t)colors * 12;
    if ((bitsPerPixel != 32 && bitsPerPixel != 24) || offset + (size_t)bytesPerLine * height > d.size()) return 1;
    std::vector<uint8_t> raw;
    bool drawn = false;
    for (uint32_t y = 0; y < height; y++) {
        raw.push_back(0);
        const uint8_t* row = &d[offset + (size_t)y * bytesPerLine];
        for (uint32_t x = 0; x < width; x++) {
            const uint8_t* p = row + x * (bitsPerPixel / 8);
            // least significant byte first: blue, green, red
            if (byteOrder == 0) {
                raw.push_back(p[2]), raw.push_back(p[1]), raw.push_back(p[0]);
            } else {
                int o = bitsPerPixel == 32 ? 1 : 0;
                raw.push_back(p[o]), raw.push_back(p[o + 1]), raw.push_back(p[o + 2]);
            }
        }
    }
    for (size_t i = 0; i < raw.size() && !drawn; i++) drawn = raw[i] != 0 && i % (width * 3 + 1) != 0;
    uLongf zsize = compressBound((uLong)raw.size());
    std::vector<uint8_t> z(zsize);
    if (compress(z.data(), &zsize, raw.data(), (uLong)raw.size()) != Z_OK) return 1;
    z.resize(zsize);
    FILE* out = fopen(argv[2], "wb");
    if (!out) return 1;
    fwrite("\x89PNG\r\n\x1a\n", 1, 8, out);
    std::vector<uint8_t> ihdr;
    put32(ihdr, width);
    put32(ihdr, height);
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    chunk(out, "IHDR", ihdr);
    chunk(out, "IDAT", z);
    chunk(out, "IEND", {});
    fclose(out);
    return drawn ? 0 : 3;  // 3: the screen was all black, nothing shown yet
}
