// Triangle set-up and the fillers: exact covered pixel sets, clipping at every edge, all
// 72 table members against a per-channel model, points and lines.
#include <gtest/gtest.h>

#include <random>

#include "engine3d/engine3d_support.h"
#include "engine3d/m3d_color.h"
#include "engine3d/m3d_raster.h"
#include "engine3d/m3d_triangle.h"
#include "engine3d/scene.h"

namespace {

using e3t::Canvas;
using e3t::Textures;
using e3t::V;

const m3d_RasterEntry* flatReplace() { return m3d_rasterFnByBlend(0); }

int64_t floorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// The covered set of a triangle whose edges all have a power-of-two height, computed
// from the exact edges: rows [top, bottom), and in row y the pixels from floor(left x)
// up to, not including, floor(right x), both taken at the row's upper boundary.
std::vector<uint8_t> exactCoverage(m3d_SetupVertex a, m3d_SetupVertex b, m3d_SetupVertex c, int w, int h) {
    m3d_SetupVertex v[3] = {a, b, c};
    std::sort(v, v + 3, [](const m3d_SetupVertex& p, const m3d_SetupVertex& q) { return p.y < q.y; });
    std::vector<uint8_t> covered((size_t)w * h, 0);
    auto edgeX = [](const m3d_SetupVertex& p, const m3d_SetupVertex& q, int64_t y, int64_t* num, int64_t* den) {
        *num = (int64_t)p.x * (q.y - p.y) + (int64_t)(q.x - p.x) * (y - p.y);
        *den = q.y - p.y;
    };
    for (int64_t y = v[0].y; y < v[2].y; y++) {
        int64_t n1, d1, n2, d2;
        edgeX(v[0], v[2], y, &n1, &d1);
        if (y < v[1].y)
            edgeX(v[0], v[1], y, &n2, &d2);
        else
            edgeX(v[1], v[2], y, &n2, &d2);
        int64_t x1 = floorDiv(n1, d1), x2 = floorDiv(n2, d2);
        for (int64_t x = std::min(x1, x2); x < std::max(x1, x2); x++)
            if (x >= 0 && x < w && y >= 0 && y < h) covered[(size_t)y * w + x] = 1;
    }
    return covered;
}

TEST(Triangle, CoverageFollowsTheFillRule) {
    struct Case {
        const char* name;
        m3d_SetupVertex a, b, c;
    };
    const Case cases[] = {
        {"middle right", V(2, 0), V(20, 8), V(6, 16)},
        {"middle left", V(30, 0), V(3, 8), V(25, 16)},
        {"flat top", V(5, 4), V(35, 4), V(20, 36)},
        {"flat bottom", V(20, 2), V(4, 34), V(38, 34)},
        {"sliver", V(10, 0), V(13, 16), V(10, 32)},
        {"over the right edge", V(30, 3), V(70, 19), V(40, 35)},
        {"vertex order reversed", V(6, 16), V(20, 8), V(2, 0)},
    };
    for (const Case& c : cases) {
        Canvas canvas(48, 40);
        canvas.target.flatColor = 0xFFDF;
        m3d_drawTriangleFlat(&canvas.target, flatReplace(), &c.a, &c.b, &c.c);
        std::vector<uint8_t> expected = exactCoverage(c.a, c.b, c.c, 48, 40);
        int32_t count = 0;
        for (int y = 0; y < 40; y++)
            for (int x = 0; x < 48; x++) {
                ASSERT_EQ(canvas.at(x, y), expected[(size_t)y * 48 + x] ? 0xFFDF : 0) << c.name << " " << x << "," << y;
                count += expected[(size_t)y * 48 + x];
            }
        EXPECT_GT(count, 0) << c.name;
    }
}

TEST(Triangle, HalfOpenRowsAndSpans) {
    Canvas canvas(16, 16);
    canvas.target.flatColor = 0x001F;
    m3d_SetupVertex a = V(0, 0), b = V(10, 0), c = V(0, 10);
    m3d_drawTriangleFlat(&canvas.target, flatReplace(), &a, &b, &c);
    for (int y = 0; y < 16; y++) {
        int width = 0;
        for (int x = 0; x < 16; x++) width += canvas.at(x, y) != 0;
        int expected = y == 0 ? 10 : y == 9 ? 1 : y >= 10 ? 0 : -1;
        if (expected >= 0) {
            EXPECT_EQ(width, expected) << "row " << y;
        }
        if (y < 10) {
            EXPECT_EQ(canvas.at(0, y), 0x001F) << "row " << y;
        }
    }
}

TEST(Triangle, NothingDrawn) {
    struct Case {
        const char* name;
        m3d_SetupVertex a, b, c;
        const m3d_RasterEntry* entry;
    };
    const Case cases[] = {
        {"all right of the clip", V(16, 0), V(30, 5), V(20, 10), flatReplace()},
        {"all left of the clip", V(-1, 0), V(-30, 5), V(-20, 10), flatReplace()},
        {"one row high", V(0, 5), V(10, 5), V(5, 5), flatReplace()},
        {"above the clip", V(0, -20), V(10, -10), V(5, -1), flatReplace()},
        {"below the clip", V(0, 17), V(10, 20), V(5, 30), flatReplace()},
        {"no entry", V(0, 0), V(10, 0), V(0, 10), nullptr},
        {"a 128 x 128 texture has no entry", V(0, 0), V(10, 0), V(0, 10), m3d_rasterFnForPrimitive(7 << 16)},
        {"textured entry without a texture", V(0, 0), V(10, 0), V(0, 10), m3d_rasterFnForPrimitive(8 << 16)},
    };
    for (const Case& c : cases) {
        Canvas canvas(16, 16);
        canvas.target.flatColor = 0xFFDF;
        m3d_drawTriangleTextured(&canvas.target, c.entry, &c.a, &c.b, &c.c);
        for (uint16_t p : canvas.pixels) ASSERT_EQ(p, 0) << c.name;
    }
}

// What a triangle draws inside a smaller clip is exactly what it draws there unclipped,
// and nothing outside the clip changes: spans cut at the left edge start with their
// attributes advanced, and rows above the top edge are skipped with the row pointer.
TEST(Triangle, ClipAtEveryEdge) {
    struct Shape {
        const char* name;
        int row, column, attributes;
        m3d_SetupVertex a, b, c;
    };
    const Shape shapes[] = {
        {"flat", 0, 0, 0, V(3, 2), V(44, 13), V(17, 37)},
        {"Gouraud", 1, 0, 1, V(3, 2, {0}), V(44, 13, {255}), V(17, 37, {128})},
        {"textured", 3, 1, 2, V(40, 1, {0, 0}), V(2, 20, {200, 37}), V(30, 38, {90, 250})},
        {"textured, half filler", 4, 0, 2, V(40, 1, {0, 0}), V(2, 20, {200, 37}), V(30, 38, {90, 250})},
        {"lit textured, environment", 7, 0, 5, V(5, 5, {0, 0, 20, 0, 0}), V(46, 9, {255, 40, 255, 63, 10}),
         V(12, 39, {30, 255, 128, 20, 63})},
    };
    struct Clip {
        const char* name;
        int32_t l, t, r, b;
    };
    const Clip clips[] = {{"left", 11, 0, 48, 40},  {"top", 0, 10, 48, 40},     {"right", 0, 0, 29, 40},
                          {"bottom", 0, 0, 48, 23}, {"all four", 9, 7, 31, 26}, {"one pixel", 20, 20, 21, 21}};
    Textures textures;
    for (const Shape& s : shapes) {
        const m3d_RasterEntry* entry = &m3d_rasterizerTable[s.row * 8 + s.column];
        auto draw = [&](Canvas& canvas) {
            textures.bind(&canvas.target, s.row);
            switch (s.attributes) {
                case 0:
                    m3d_drawTriangleFlat(&canvas.target, entry, &s.a, &s.b, &s.c);
                    break;
                case 1:
                    m3d_drawTriangleLight(&canvas.target, entry, &s.a, &s.b, &s.c);
                    break;
                case 2:
                    m3d_drawTriangleTextured(&canvas.target, entry, &s.a, &s.b, &s.c);
                    break;
                default:
                    m3d_drawTriangle5(&canvas.target, entry, &s.a, &s.b, &s.c);
                    break;
            }
        };
        Canvas whole(48, 40, 0x0001);
        draw(whole);
        int32_t drawn = 0;
        for (uint16_t p : whole.pixels) drawn += p != 0x0001;
        ASSERT_GT(drawn, 200) << s.name;
        for (const Clip& c : clips) {
            Canvas clipped(48, 40, 0x0001);
            clipped.clip(c.l, c.t, c.r, c.b);
            draw(clipped);
            for (int y = 0; y < 40; y++)
                for (int x = 0; x < 48; x++) {
                    bool inside = x >= c.l && x < c.r && y >= c.t && y < c.b;
                    ASSERT_EQ(clipped.at(x, y), inside ? whole.at(x, y) : 0x0001)
                        << s.name << ", clip " << c.name << ", at " << x << "," << y;
                }
        }
        // the same triangle partly off every side of a small surface equals the middle of
        // the whole picture: moving a triangle moves its pixels exactly
        Canvas part(28, 22, 0x0001, 3);
        m3d_SetupVertex a = s.a, b = s.b, c = s.c;
        for (m3d_SetupVertex* v : {&a, &b, &c}) v->x -= 10, v->y -= 9;
        textures.bind(&part.target, s.row);
        switch (s.attributes) {
            case 0:
                m3d_drawTriangleFlat(&part.target, entry, &a, &b, &c);
                break;
            case 1:
                m3d_drawTriangleLight(&part.target, entry, &a, &b, &c);
                break;
            case 2:
                m3d_drawTriangleTextured(&part.target, entry, &a, &b, &c);
                break;
            default:
                m3d_drawTriangle5(&part.target, entry, &a, &b, &c);
                break;
        }
        for (int y = 0; y < 22; y++)
            for (int x = 0; x < 28; x++) ASSERT_EQ(part.at(x, y), whole.at(x + 10, y + 9)) << s.name << " moved";
        for (int y = 0; y < 22; y++)
            for (int x = 28; x < 31; x++) ASSERT_EQ(part.at(x, y), 0x0001) << "the pitch's spare pixels";
    }
}

// A per-channel model of every table member, written without the word arithmetic.
struct Model {
    static uint32_t ch(uint32_t c, int k) { return k == 0 ? c >> 11 : k == 1 ? (c >> 6) & 31 : c & 31; }
    static uint16_t pack(const uint32_t q[3]) { return (uint16_t)(q[0] << 11 | q[1] << 6 | q[2]); }
    static uint16_t blend(int mode, uint16_t d, uint16_t s) {
        uint32_t q[3];
        for (int k = 0; k < 3; k++) {
            int a = (int)ch(s, k), b = (int)ch(d, k);
            q[k] = (uint32_t)(mode == 0   ? a
                              : mode == 1 ? (a + b) / 2
                              : mode == 2 ? std::min(a + b, 31)
                                          : std::max(b - a, 0));
        }
        return pack(q);
    }
};

TEST(Fillers, EveryMemberMatchesTheChannelModel) {
    Textures tx;
    std::mt19937 rng(120121);
    for (int row = 0; row < 9; row++)
        for (int column = 0; column < 8; column++) {
            const m3d_RasterEntry& e = m3d_rasterizerTable[row * 8 + column];
            ASSERT_TRUE((e.half == nullptr) != (e.span == nullptr)) << row << "," << column;
            EXPECT_EQ(e.half != nullptr, row >= 3 && row <= 5 && column == 0) << row << "," << column;
            const int attributes[9] = {0, 1, 3, 2, 2, 3, 3, 5, 5};
            const int n = attributes[row];
            for (int trial = 0; trial < 20; trial++) {
                Canvas canvas(40, 1);
                for (uint16_t& p : canvas.pixels) p = (uint16_t)(rng() & 0xFFDF);
                std::vector<uint16_t> before = canvas.pixels;
                tx.bind(&canvas.target, row);
                for (int i = 0; i < 32; i++) canvas.target.toonTable[i] = (uint8_t)(i < 12 ? 3 : 29);
                m3d_SpanState s = {};
                s.target = &canvas.target;
                s.row = canvas.pixels.data();
                s.texels0 = canvas.target.texture0->texels.pixels;
                s.palette0 = row >= 4 ? tx.shade.data() : nullptr;
                s.texels1 = canvas.target.texture1 ? tx.envmap.data() : nullptr;
                int32_t start = (int32_t)(rng() % 8), end = start + 1 + (int32_t)(rng() % 30);
                for (int i = 0; i < n; i++) {
                    s.attr[i].value = s.attr[i].edge = (int32_t)(rng() % (300 << 16));
                    s.attr[i].gradient = (int32_t)(rng() % (8 << 16)) - (4 << 16);
                }
                if (e.half != nullptr) {
                    s.y = 0, s.endY = 1, s.leftX = start << 16, s.rightX = end << 16;
                    e.half(&s, &canvas.target);
                } else {
                    s.spanStart = s.row + start, s.spanEnd = s.row + end;
                    e.span(&s);
                }
                const int blend = row <= 2 ? column & 3 : column >> 1;
                const bool transparent = row >= 3 && (column & 1);
                const bool toon = (row <= 2 && column >= 4) || row == 6 || row == 8;
                for (int x = 0; x < 40; x++) {
                    uint16_t expected = before[x];
                    if (x >= start && x < end) {
                        int32_t a[5];
                        for (int i = 0; i < n; i++) a[i] = s.attr[i].edge + (x - start) * s.attr[i].gradient;
                        int level = row == 1 || row == 2 ? a[0] : row >= 5 ? a[2] : 255 << 16;
                        int step = (level >> 19) & 31;
                        if (toon) step = canvas.target.toonTable[step];
                        int u = (a[0] >> 16) & 255, v = (a[1] >> 16) & 255;
                        bool skip = false;
                        uint16_t source;
                        if (row == 0)
                            source = column < 4 ? 0x7C1F : tx.ramp[2 * 32 + 31];
                        else if (row <= 2)
                            source = tx.ramp[2 * 32 + step];
                        else if (row == 3)
                            source = tx.colors[v * 256 + u], skip = transparent && source == 0;
                        else
                            source = tx.shade[(row == 4 ? 31 : step) * 256 + tx.indexes[v * 256 + u]],
                            skip = transparent && tx.indexes[v * 256 + u] == 0;
                        if (!skip) {
                            expected = Model::blend(blend, before[x], source);
                            if (row == 2 || row >= 7) {
                                int eu = a[row == 2 ? 1 : 3] >> 16 & 63, ev = a[row == 2 ? 2 : 4] >> 16 & 63;
                                expected = Model::blend(2, expected, tx.envmap[ev * 64 + eu]);
                            }
                        }
                    }
                    ASSERT_EQ(canvas.at(x, 0), expected) << "row " << row << " column " << column << " x " << x;
                }
            }
        }
}

TEST(Fillers, SpecialValues) {
    Textures tx;
    Canvas canvas(4, 1, 0x1234);
    tx.bind(&canvas.target, 1);
    m3d_SpanState s = {};
    s.target = &canvas.target;
    s.texels0 = tx.ramp.data();
    s.spanStart = s.spanEnd = canvas.pixels.data() + 1;
    m3d_rasterizerTable[8].span(&s);
    EXPECT_EQ(canvas.at(1, 0), 0x1234) << "an empty span writes nothing";
    struct Case {
        int32_t level;
        int step;
    };
    for (Case c : {Case{255 << 16, 31}, Case{7 << 16, 0}, Case{8 << 16, 1}}) {
        s.spanStart = canvas.pixels.data();
        s.spanEnd = s.spanStart + 1;
        s.attr[0].value = c.level;
        m3d_rasterizerTable[8].span(&s);
        EXPECT_EQ(canvas.at(0, 0), tx.ramp[64 + c.step]) << c.level;
    }
    // u = 256.0 samples the texel of u = 0
    tx.bind(&canvas.target, 3);
    s.texels0 = tx.colors.data();
    s.spanStart = canvas.pixels.data();
    s.spanEnd = s.spanStart + 2;
    s.attr[0] = {256 << 16, -256 << 16, 0, 0};
    s.attr[1] = {5 << 16, 0, 0, 0};
    m3d_rasterizerTable[3 * 8 + 1].span(&s);  // 16-bit texture, replace
    EXPECT_EQ(canvas.at(0, 0), canvas.at(1, 0)) << "wraps every 256 texels";
    // a white base under the environment map stays white, the add saturating
    Canvas white(3, 1, 0);
    tx.bind(&white.target, 2);
    white.target.rampRow = 2;
    m3d_SpanState e = {};
    e.target = &white.target;
    e.texels0 = tx.ramp.data();
    e.texels1 = tx.envmap.data();
    e.spanStart = white.pixels.data();
    e.spanEnd = e.spanStart + 3;
    e.attr[0] = {255 << 16, 0, 0, 0};
    e.attr[1] = {32 << 16, 1 << 16, 0, 0};
    e.attr[2] = {32 << 16, 0, 0, 0};
    m3d_rasterizerTable[2 * 8].span(&e);
    for (int x = 0; x < 3; x++) EXPECT_EQ(white.at(x, 0), 0xFFDF) << x;
}

// Bresenham over every pixel, kept where it lies in the clip.
std::vector<std::pair<int64_t, int64_t>> referenceLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    if (x0 > x1) std::swap(x0, x1), std::swap(y0, y1);
    int64_t dx = x1 - x0, dy = std::llabs(y1 - y0), sy = y1 > y0 ? 1 : -1;
    bool xMajor = dx >= dy;
    int64_t major = xMajor ? dx : dy, minor = xMajor ? dy : dx, err = major;
    std::vector<std::pair<int64_t, int64_t>> out;
    for (int64_t i = 0; i <= major; i++) {
        out.push_back({x0, y0});
        err -= 2 * minor;
        if (err < 0) {
            err += 2 * major;
            if (xMajor)
                y0 += sy;
            else
                x0++;
        }
        if (xMajor)
            x0++;
        else
            y0 += sy;
    }
    return out;
}

TEST(PointsAndLines, Lines) {
    struct Case {
        const char* name;
        int32_t x0, y0, x1, y1;
    };
    const Case cases[] = {
        {"shallow", 0, 0, 5, 2},           {"steep up", 3, 30, 9, 2},
        {"reversed", 20, 5, 1, 9},         {"vertical", 7, -5, 7, 100},
        {"horizontal", -50, 4, 99, 4},     {"in from the left", -3000, -1234, 20, 30},
        {"in from below", 25, 3000, 3, 1}, {"steep from above", 4, -2500, 9, 25},
        {"diagonal", 0, 0, 31, 31},        {"steep from below", 30, 2900, 20, 2},
    };
    for (const Case& c : cases) {
        Canvas canvas(32, 32);
        canvas.clip(1, 2, 30, 28);
        m3d_drawLine(&canvas.target, 0, c.x0, c.y0, c.x1, c.y1, 0x07C0);
        Canvas expected(32, 32);
        int64_t count = 0;
        if (c.x0 == c.x1 || c.y0 == c.y1) {
            for (int64_t y = std::min(c.y0, c.y1); y <= std::max(c.y0, c.y1); y++)
                for (int64_t x = std::min(c.x0, c.x1); x <= std::max(c.x0, c.x1); x++)
                    if (x >= 1 && x < 30 && y >= 2 && y < 28) expected.at((int)x, (int)y) = 0x07C0, count++;
        } else {
            for (auto [x, y] : referenceLine(c.x0, c.y0, c.x1, c.y1))
                if (x >= 1 && x < 30 && y >= 2 && y < 28) expected.at((int)x, (int)y) = 0x07C0, count++;
        }
        EXPECT_GT(count, 0) << c.name;
        for (int y = 0; y < 32; y++)
            for (int x = 0; x < 32; x++)
                ASSERT_EQ(canvas.at(x, y), expected.at(x, y)) << c.name << " " << x << "," << y;
    }
    Canvas six(8, 8);
    m3d_drawLine(&six.target, 0, 0, 0, 5, 2, 0xFFDF);
    int plotted = 0;
    for (uint16_t p : six.pixels) plotted += p != 0;
    EXPECT_EQ(plotted, 6);
    // lines across the whole coordinate range end at once and stay in the clip
    Canvas far(16, 16);
    far.clip(2, 2, 14, 14);
    m3d_drawLine(&far.target, 4, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0xFFDF);
    m3d_drawLine(&far.target, 4, INT32_MIN, 7, INT32_MAX, 8, 0xFFDF);
    m3d_drawLine(&far.target, 4, 5, INT32_MAX, 6, INT32_MIN, 0xFFDF);
    int inside = 0;
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < 16; x++) {
            if (x < 2 || x >= 14 || y < 2 || y >= 14) {
                ASSERT_EQ(far.at(x, y), 0) << x << "," << y;
            }
            inside += far.at(x, y) != 0;
        }
    EXPECT_GT(inside, 12);
    Canvas empty(8, 8);
    empty.clip(5, 5, 5, 8);
    m3d_drawLine(&empty.target, 0, 0, 6, 7, 6, 0xFFDF);
    for (uint16_t p : empty.pixels) EXPECT_EQ(p, 0) << "an empty clip draws nothing";
}

TEST(PointsAndLines, PointsBlend) {
    Canvas canvas(4, 4, 0x8410);
    canvas.clip(1, 1, 3, 3);
    struct Case {
        uint32_t renderWord;
        int32_t x, y;
        uint16_t expected;
    };
    const Case cases[] = {{0, 1, 1, 0x0841}, {2, 2, 1, 0x4208}, {4, 1, 2, 0x8C51}, {6, 2, 2, 0x7BCF},
                          {0, 0, 0, 0x8410}, {0, 3, 1, 0x8410}, {0, 1, 3, 0x8410}};
    for (const Case& c : cases) m3d_drawPoint(&canvas.target, c.renderWord, c.x, c.y, 0x0841);
    for (const Case& c : cases) EXPECT_EQ(canvas.at(c.x, c.y), c.expected) << c.renderWord << " " << c.x << "," << c.y;
    canvas.target.surface = nullptr;
    m3d_drawPoint(&canvas.target, 0, 1, 1, 0);
    EXPECT_EQ(canvas.at(1, 1), 0x0841) << "no surface, no point";
}

}  // namespace
