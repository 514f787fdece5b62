// Mutated PNG files: the decoder either decodes or refuses with a reason, never reads or
// writes outside its buffers (run under AddressSanitizer as asan.*) and leaves no block in
// the arena.
// Mutations keep the CRCs right where they should reach past the chunk check: header
// fields, chunk lengths and order, the filtered rows inside the zlib stream.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "graphics/png_arena.h"
#include "graphics/png_corpus.h"

namespace {

using pngc::Chunk;

std::vector<Chunk> parse(const std::vector<uint8_t>& file) {
    std::vector<Chunk> chunks;
    for (size_t at = 8; at + 12 <= file.size();) {
        uint32_t n = pngc::be32(&file[at]);
        Chunk c;
        c.type.assign(file.begin() + (long)at + 4, file.begin() + (long)at + 8);
        c.data.assign(file.begin() + (long)at + 8, file.begin() + (long)(at + 8 + n));
        chunks.push_back(c);
        at += 12 + n;
    }
    return chunks;
}

std::vector<uint8_t> inflateAll(const std::vector<uint8_t>& z) {
    std::vector<uint8_t> out(1 << 20);
    uLongf n = (uLongf)out.size();
    if (uncompress(out.data(), &n, z.data(), (uLong)z.size()) != Z_OK) return {};
    out.resize(n);
    return out;
}

struct Mutator {
    std::mt19937 rng{20261210};
    uint32_t below(uint32_t n) { return n ? rng() % n : 0; }

    std::vector<uint8_t> mutate(const std::vector<uint8_t>& original) {
        std::vector<Chunk> c = parse(original);
        switch (below(7)) {
            case 0: {  // bytes changed anywhere, CRCs left as they are
                std::vector<uint8_t> f = original;
                for (uint32_t k = 1 + below(4); k > 0; k--) f[below((uint32_t)f.size())] ^= (uint8_t)(1 + below(255));
                return f;
            }
            case 1: {  // bytes changed inside one chunk, CRCs right
                Chunk& x = c[below((uint32_t)c.size())];
                for (uint32_t k = 1 + below(3); k > 0 && !x.data.empty(); k--) {
                    x.data[below((uint32_t)x.data.size())] ^= (uint8_t)(1 + below(255));
                }
                break;
            }
            case 2: {  // header fields that no longer fit the data
                std::vector<uint8_t>& h = c[0].data;
                const uint32_t sizes[] = {1, 2, 3, 7, 8, 9, 31, 64, 255, 256, 300, 0x7FFFFFFF, 0xFFFFFFFF, 0};
                switch (below(5)) {
                    case 0:
                        pngc::set32(h, 0, sizes[below(14)]);
                        break;
                    case 1:
                        pngc::set32(h, 4, sizes[below(14)]);
                        break;
                    case 2:
                        h[8] = (uint8_t)(1u << below(5));
                        break;
                    case 3:
                        h[9] = (uint8_t)below(7);
                        break;
                    default:
                        h[12] ^= 1;
                        break;
                }
                break;
            }
            case 3: {  // the filtered rows changed under a valid zlib stream
                std::vector<uint8_t> z;
                std::vector<Chunk> kept;
                for (Chunk& x : c) {
                    if (x.type == "IDAT") {
                        z.insert(z.end(), x.data.begin(), x.data.end());
                        if (kept.empty() || kept.back().type != "IDAT") kept.push_back(Chunk{"IDAT", {}});
                    } else {
                        kept.push_back(x);
                    }
                }
                std::vector<uint8_t> raw = inflateAll(z);
                uint32_t cut = below(3) == 0 ? below((uint32_t)raw.size() + 1) : (uint32_t)raw.size();
                raw.resize(cut);
                for (uint32_t k = below(6); k > 0 && !raw.empty(); k--)
                    raw[below((uint32_t)raw.size())] = (uint8_t)rng();
                if (below(4) == 0) raw.insert(raw.end(), below(3000), (uint8_t)rng());
                for (Chunk& x : kept) {
                    if (x.type == "IDAT") x.data = pngc::zlibOf(raw, (int)below(10));
                }
                c = kept;
                break;
            }
            case 4: {  // a chunk length that lies
                Chunk& x = c[below((uint32_t)c.size())];
                const int64_t lies[] = {0,
                                        1,
                                        (int64_t)x.data.size() + 1,
                                        (int64_t)x.data.size() - 1,
                                        0x7FFFFFFF,
                                        0x80000000LL,
                                        0xFFFFFFFFLL,
                                        0xFFFFFFF4LL};
                x.length = lies[below(8)];
                break;
            }
            case 5: {  // chunks dropped, repeated or moved; IDAT split
                uint32_t i = below((uint32_t)c.size());
                switch (below(4)) {
                    case 0:
                        c.erase(c.begin() + i);
                        break;
                    case 1:
                        c.insert(c.begin() + i, c[below((uint32_t)c.size())]);
                        break;
                    case 2:
                        std::swap(c[i], c[below((uint32_t)c.size())]);
                        break;
                    default:
                        for (size_t k = 0; k < c.size(); k++) {
                            if (c[k].type == "IDAT" && c[k].data.size() > 1) {
                                uint32_t at = 1 + below((uint32_t)c[k].data.size() - 1);
                                Chunk tail{"IDAT", std::vector<uint8_t>(c[k].data.begin() + at, c[k].data.end())};
                                c[k].data.resize(at);
                                c.insert(c.begin() + (long)k + 1, tail);
                                break;
                            }
                        }
                }
                break;
            }
            default: {  // cut short
                std::vector<uint8_t> f = original;
                f.resize(below((uint32_t)f.size()));
                return f;
            }
        }
        return pngc::assemble(c);
    }
};

class PngFuzzTest : public PngArenaTest {};

TEST_F(PngFuzzTest, MutatedFilesDecodeOrAreRefused) {
    struct Original {
        int colourType, depth;
        bool interlace;
        int trns;
    } originals[] = {{3, 4, true, 9},  {6, 16, false, -1}, {0, 1, true, 0},
                     {2, 8, false, 0}, {4, 8, true, -1},   {3, 8, false, -1}};
    std::vector<std::vector<uint8_t>> files;
    for (const Original& s : originals) {
        pngc::PngShape shape{};
        shape.width = 13;
        shape.height = 11;
        shape.colourType = s.colourType;
        shape.depth = s.depth;
        shape.interlace = s.interlace;
        shape.paletteSize = s.colourType == 3 ? (s.depth == 8 ? 100 : 1 << s.depth) : 0;
        shape.trnsCount = s.trns;
        files.push_back(pngc::write(shape));
        ASSERT_FALSE(files.back().empty());
    }
    Mutator m;
    int decoded = 0;
    const int kRounds = 4000;
    for (int round = 0; round < kRounds; round++) {
        std::vector<uint8_t> f = m.mutate(files[round % files.size()]);
        uint32_t size = PngGetDecodeBufferSize(f.data(), (uint32_t)f.size());
        if (size > (32u << 20)) {
            continue;  // valid but needlessly large for the test's buffer
        }
        Decoded d = decode(f);
        if (d.result != 0) {
            ASSERT_EQ(d.result, (int32_t)(d.width * 4 * d.height)) << "round " << round;
            EXPECT_EQ(d.reason, PNG_ERR_NONE) << "round " << round;
            decoded++;
        } else {
            // every way out of a failure names why
            EXPECT_GT(d.reason, PNG_ERR_NONE) << "round " << round;
            EXPECT_LT(d.reason, PNG_ERR_COUNT) << "round " << round;
        }
    }
    // both outcomes must be reached, or the mutations test nothing
    EXPECT_GT(decoded, kRounds / 20);
    EXPECT_LT(decoded, kRounds * 9 / 10);
}

}  // namespace
