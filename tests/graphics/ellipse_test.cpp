#include "graphics/gfx2d.h"

#include "canvas.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <math.h>

namespace {

const uint16_t kInk = 0xFFFF;

std::string mirroredLeftRight(const Canvas& c) {
    std::string out;
    std::string pic = c.picture();
    size_t start = 0;
    for (size_t end; (end = pic.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string row = pic.substr(start, end - start);
        out += std::string(row.rbegin(), row.rend()) + "\n";
    }
    return out;
}

std::string mirroredTopBottom(const Canvas& c) {
    std::vector<std::string> rows;
    std::string pic = c.picture();
    size_t start = 0;
    for (size_t end; (end = pic.find('\n', start)) != std::string::npos; start = end + 1)
        rows.push_back(pic.substr(start, end - start + 1));
    std::string out;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) out += *it;
    return out;
}

TEST(RoundRects, ExactCornersAndEdges) {
    struct Case {
        const char* name;
        bool fill;
        int x, y, w, h, arcW, arcH;
        const char* picture;
    } cases[] = {
        {"outline 8 x 6, arcs 4", false, 0, 0, 8, 6, 4, 4,
         ".#######.\n"
         "#.......#\n"
         "#.......#\n"
         "#.......#\n"
         "#.......#\n"
         "#.......#\n"
         ".#######.\n"},
        {"fill 9 x 7, arcs 5", true, 0, 0, 9, 7, 5, 5,
         ".#######.\n"
         "#########\n"
         "#########\n"
         "#########\n"
         "#########\n"
         "#########\n"
         ".#######.\n"},
        {"fill with arc 1 is the plain box", true, 1, 1, 7, 5, 1, 5,
         ".........\n"
         ".#######.\n"
         ".#######.\n"
         ".#######.\n"
         ".#######.\n"
         ".#######.\n"
         ".........\n"},
    };
    for (const auto& c : cases) {
        Canvas canvas(9, 7);
        auto draw = c.fill ? gfx2d_fillRoundRect : gfx2d_drawRoundRect;
        EXPECT_EQ(0, draw(&canvas.surface, nullptr, kInk, c.x, c.y, c.w, c.h, c.arcW, c.arcH)) << c.name;
        EXPECT_EQ(c.picture, canvas.picture()) << c.name;
    }
}

TEST(RoundRects, ArcZeroIsThePlainRectangleAndOversizedArcsAreRefusedAfterTheClip) {
    Canvas round(10, 10), plain(10, 10);
    EXPECT_EQ(0, gfx2d_drawRoundRect(&round.surface, nullptr, kInk, 1, 2, 6, 4, 0, 5));
    gfx2d_drawRect(&plain.surface, nullptr, kInk, 1, 2, 6, 4);
    EXPECT_EQ(plain.picture(), round.picture());
    Canvas dottedRound(10, 10), dottedPlain(10, 10);
    gfx2d_drawRoundRectDotted(&dottedRound.surface, nullptr, kInk, 1, 2, 6, 4, 3, 0);
    gfx2d_drawRectDotted(&dottedPlain.surface, nullptr, kInk, 1, 2, 6, 4);
    EXPECT_EQ(dottedPlain.picture(), dottedRound.picture());

    Canvas canvas(20, 20);
    canvas.surface.writable = 0;
    EXPECT_EQ(-1, gfx2d_drawRoundRect(&canvas.surface, nullptr, kInk, 0, 0, 10, 0, 0, 0)) << "read-only, arc 0";
    canvas.surface.writable = 1;
    EXPECT_EQ(-1, gfx2d_drawRoundRect(&canvas.surface, nullptr, kInk, 0, 0, 10, 10, 11, 4));
    EXPECT_EQ(-1, gfx2d_drawRoundRectDotted(&canvas.surface, nullptr, kInk, 0, 0, 10, 10, 4, 11));
    EXPECT_EQ(-1, gfx2d_fillRoundRect(&canvas.surface, nullptr, kInk, 0, 0, 10, 10, 11, 4));
    MkClip away = {15, 15, 5, 5};
    EXPECT_EQ(0, gfx2d_drawRoundRect(&canvas.surface, &away, kInk, 0, 0, 10, 10, 11, 4));
    EXPECT_EQ(0, gfx2d_fillRoundRect(&canvas.surface, &away, kInk, 0, 0, 10, 10, 11, 4));
    EXPECT_TRUE(canvas.marked().empty()) << canvas.picture();
}

TEST(RoundRects, FullArcsMakeSymmetricEllipsesInsideTheBox) {
    for (int w = 1; w <= 14; w++)
        for (int h = 1; h <= 11; h += 3) {
            Canvas outline(16, 14), filled(16, 14);
            gfx2d_drawRoundRect(&outline.surface, nullptr, kInk, 0, 0, w, h, w, h);
            gfx2d_fillRoundRect(&filled.surface, nullptr, kInk, 0, 0, w, h, w, h);
            // mirror within the box: shift the mirrored picture back by the unused width
            Canvas o(w + 1, h + 1), f(w, h);
            for (int y = 0; y <= h; y++)
                for (int x = 0; x <= w; x++) o.set(x, y, outline.at(x, y));
            for (int y = 0; y < h; y++)
                for (int x = 0; x < w; x++) f.set(x, y, filled.at(x, y));
            std::string name = std::to_string(w) + " x " + std::to_string(h);
            EXPECT_EQ(o.picture(), mirroredLeftRight(o)) << name << "\n" << o.picture();
            EXPECT_EQ(o.picture(), mirroredTopBottom(o)) << name << "\n" << o.picture();
            EXPECT_EQ(f.picture(), mirroredLeftRight(f)) << name << "\n" << f.picture();
            EXPECT_EQ(f.picture(), mirroredTopBottom(f)) << name << "\n" << f.picture();
            // the fill stays inside its w x h box and touches every row of it
            for (auto& p : filled.marked()) EXPECT_TRUE(p.first < w && p.second < h) << name;
            for (int y = 0; y < h; y++) EXPECT_NE(0, filled.at(w / 2, y)) << name << " row " << y;
            for (auto& p : outline.marked()) EXPECT_TRUE(p.first <= w && p.second <= h) << name;
        }
}

TEST(RoundRects, DottedOutlineDrawsEveryOtherWalkPosition) {
    Canvas solid(12, 10), dotted(12, 10);
    gfx2d_drawRoundRect(&solid.surface, nullptr, kInk, 0, 0, 11, 9, 6, 6);
    gfx2d_drawRoundRectDotted(&dotted.surface, nullptr, kInk, 0, 0, 11, 9, 6, 6);
    Points d = dotted.marked();
    EXPECT_FALSE(d.empty());
    for (auto& p : d) EXPECT_NE(0, solid.at(p.first, p.second)) << "(" << p.first << "," << p.second << ")";
    EXPECT_LT(d.size(), solid.marked().size());
    // straight edges alternate
    EXPECT_NE(dotted.at(0, 4), dotted.at(0, 5)) << "the left edge's rows 4 and 5";
}

TEST(Sine, TableLookupsFoldsAndMeans) {
    struct Case {
        int degrees, value;
    } cases[] = {
        {0, 0},        {30, 32768},   {1, 1143},    {90, 65536}, {270, -65536},
        {-90, -65536}, {450, 65536},  {720, 0},     {-360, 0},   {180, 0},
        {150, 32768},  {210, -32768}, {359, -1143}, {-1, -1143}, {INT_MIN, gfx2d_sinDeg((int)(INT_MIN % 360) + 360)}};
    for (const auto& c : cases) EXPECT_EQ(c.value, gfx2d_sinDeg(c.degrees)) << c.degrees;
}

// The pixels of an arc compared with the whole ellipse in one screen region.
Points inRegion(const Canvas& c, int cx, int cy, bool right, bool below) {
    Points out;
    for (auto& p : c.marked())
        if ((right ? p.first >= cx : p.first <= cx) && (below ? p.second >= cy : p.second <= cy)) out.push_back(p);
    return out;
}

TEST(Arcs, QuartersHalvesAndWholeEllipses) {
    const int x = 2, y = 2, w = 20, h = 14, cx = x + w / 2, cy = y + h / 2;
    Canvas whole(26, 20);
    gfx2d_drawArc(&whole.surface, nullptr, kInk, x, y, w, h, 0, 360);
    for (int arc : {-360, 400, 720, INT_MAX, INT_MIN}) {
        Canvas c(26, 20);
        gfx2d_drawArc(&c.surface, nullptr, kInk, x, y, w, h, 45, arc);
        EXPECT_EQ(whole.picture(), c.picture()) << "arc " << arc;
    }
    Canvas none(26, 20);
    EXPECT_EQ(0, gfx2d_drawArc(&none.surface, nullptr, kInk, x, y, w, h, 45, 0));
    EXPECT_TRUE(none.marked().empty());

    struct Case {
        const char* name;
        int start, arc;
        bool right, below;
    } quarters[] = {
        {"0, +90: top right", 0, 90, true, false},        {"0, -90: bottom right", 0, -90, true, true},
        {"90, +90: top left", 90, 90, false, false},      {"180, +90: bottom left", 180, 90, false, true},
        {"270, +90: bottom right", 270, 90, true, true},  {"360, -90: bottom right", 360, -90, true, true},
        {"-90, -90: bottom left", -90, -90, false, true},
    };
    for (const auto& q : quarters) {
        Canvas c(26, 20);
        gfx2d_drawArc(&c.surface, nullptr, kInk, x, y, w, h, q.start, q.arc);
        Points got = c.marked(), want = inRegion(whole, cx, cy, q.right, q.below);
        EXPECT_EQ(want, got) << q.name << "\n" << c.picture();
    }
    Canvas left(26, 20);
    gfx2d_drawArc(&left.surface, nullptr, kInk, x, y, w, h, 90, 180);
    EXPECT_NE(0, left.at(cx, y)) << "12 o'clock belongs to the left half";
    EXPECT_NE(0, left.at(cx, y + h)) << "6 o'clock belongs to the left half";
    for (auto& p : left.marked()) EXPECT_LE(p.first, cx) << left.picture();
}

TEST(Arcs, DegenerateBoxes) {
    Canvas dot(6, 6);
    EXPECT_EQ(0, gfx2d_drawArc(&dot.surface, nullptr, kInk, 3, 2, 0, 0, 0, 360));
    EXPECT_EQ((Points{{3, 2}}), dot.marked());
    Canvas strip(6, 6);
    EXPECT_EQ(0, gfx2d_fillArc(&strip.surface, nullptr, kInk, 2, 1, 1, 4, 0, 360));
    EXPECT_EQ((Points{{2, 1}, {2, 2}, {2, 3}, {2, 4}}), strip.marked());
    Canvas empty(6, 6);
    EXPECT_EQ(0, gfx2d_fillArc(&empty.surface, nullptr, kInk, 2, 1, 0, 4, 0, 360));
    EXPECT_EQ(0, gfx2d_drawArc(&empty.surface, nullptr, kInk, 2, 1, -1, 4, 0, 360));
    EXPECT_TRUE(empty.marked().empty());
    empty.surface.writable = 0;
    EXPECT_EQ(-1, gfx2d_drawArc(&empty.surface, nullptr, kInk, 2, 1, 3, 3, 0, 360));
    EXPECT_EQ(-1, gfx2d_fillArc(&empty.surface, nullptr, kInk, 2, 1, 3, 3, 0, 360));
    EXPECT_EQ(-1, gfx2d_drawArcDotted(&empty.surface, nullptr, kInk, 2, 1, 3, 3, 0, 360));
}

TEST(Arcs, SectorsStayInTheirHalfOfTheBox) {
    const int x = 1, y = 1, w = 12, h = 9;
    Canvas lower(16, 14), upper(16, 14);
    gfx2d_fillArc(&lower.surface, nullptr, kInk, x, y, w, h, 180, 180);
    gfx2d_fillArc(&upper.surface, nullptr, kInk, x, y, w, h, 0, 180);
    for (int row = 0; row < 14; row++) {
        bool lowerRow = false, upperRow = false;
        for (int col = 0; col < 16; col++) {
            lowerRow |= lower.at(col, row) != 0;
            upperRow |= upper.at(col, row) != 0;
        }
        EXPECT_EQ(row >= y + 4 && row <= y + 8, lowerRow) << "lower half, row " << row << "\n" << lower.picture();
        EXPECT_EQ(row >= y && row <= y + 4, upperRow) << "upper half, row " << row << "\n" << upper.picture();
    }
}

TEST(Arcs, SectorsOfEveryQuadrantAndNegativeExtentCoverTheirAngles) {
    // a pixel well inside the ellipse belongs to the sector when its angle does; no pixel
    // outside the sector's angles is written, not even on the ellipse's edge
    const int x = 0, y = 0, w = 40, h = 30;
    const double cx = 19.5, cy = 14.5;
    struct Case {
        int start, arc;
    } cases[] = {{0, 90},  {90, 90},   {180, 90},  {270, 90}, {30, 45},  {100, 200}, {300, 120},
                 {0, -90}, {45, -135}, {200, -60}, {350, 20}, {-30, 60}, {10, 340},  {170, -300}};
    for (const auto& c : cases) {
        Canvas canvas(40, 30);
        gfx2d_fillArc(&canvas.surface, nullptr, kInk, x, y, w, h, c.start, c.arc);
        int from = c.arc > 0 ? c.start : c.start + c.arc, extent = abs(c.arc);
        for (int py = 0; py < 30; py++)
            for (int px = 0; px < 40; px++) {
                double dx = px - cx, dy = cy - py;
                double r = (dx * dx) / (19.5 * 19.5) + (dy * dy) / (14.5 * 14.5);
                if (r < 0.05) continue;
                double angle = atan2(dy / 14.5, dx / 19.5) * 180 / M_PI;
                double rel = fmod(angle - from + 720, 360);
                // a pixel's angle is uncertain by its size: generous near the centre
                double margin = 4 + 2.0 / sqrt(dx * dx + dy * dy) * 180 / M_PI * 1.4;
                if (r < 0.7 && rel > margin && rel < extent - margin) {
                    EXPECT_NE(0, canvas.at(px, py))
                        << c.start << "," << c.arc << " misses (" << px << "," << py << ")\n"
                        << canvas.picture();
                }
                if (rel > extent + margin && rel < 360 - margin) {
                    EXPECT_EQ(0, canvas.at(px, py))
                        << c.start << "," << c.arc << " covers (" << px << "," << py << ")\n"
                        << canvas.picture();
                }
            }
    }
}

TEST(Arcs, LargeEllipsesFollowTheCurve) {
    // semi-axes far beyond 716: the walk's error terms need 64 bits
    struct Case {
        int w, h;
    } cases[] = {{2000, 1500}, {6000, 800}, {100000, 70000}};
    for (const auto& c : cases) {
        Canvas canvas(64, 64);
        // the box's centre left of the surface, so its right end crosses the middle rows
        int x = 32 - c.w, y = 32 - c.h / 2;
        gfx2d_drawArc(&canvas.surface, nullptr, kInk, x, y, c.w, c.h, 0, 360);
        double a = c.w / 2, b = c.h / 2, cx = x + a, cy = y + b;
        Points p = canvas.marked();
        ASSERT_FALSE(p.empty()) << c.w;
        for (auto& q : p) {
            double dx = q.first - cx, dy = q.second - cy;
            double off = sqrt(dx * dx / (a * a) + dy * dy / (b * b)) - 1;
            EXPECT_LT(fabs(off) * a, 1.5) << c.w << "x" << c.h << " at (" << q.first << "," << q.second << ")";
        }
        for (int row = 0; row < 64; row++) {
            bool any = false;
            for (int col = 0; col < 64; col++) any |= canvas.at(col, row) != 0;
            EXPECT_TRUE(any) << c.w << "x" << c.h << " row " << row;
        }
    }
}

}  // namespace

namespace {

TEST(Arcs, DottedArcsDrawEveryOtherPositionOfTheSolidOne) {
    struct Case {
        int start, arc;
    } cases[] = {{0, 360}, {0, 90}, {30, 200}, {300, -100}, {90, 180}};
    for (const auto& c : cases) {
        Canvas solid(34, 26), dotted(34, 26);
        gfx2d_drawArc(&solid.surface, nullptr, 0xFFFF, 1, 1, 30, 22, c.start, c.arc);
        gfx2d_drawArcDotted(&dotted.surface, nullptr, 0xFFFF, 1, 1, 30, 22, c.start, c.arc);
        Points d = dotted.marked(), s = solid.marked();
        for (auto& p : d) EXPECT_NE(0, solid.at(p.first, p.second)) << c.start << "," << c.arc;
        EXPECT_GT(d.size() * 10, s.size() * 3) << c.start << "," << c.arc << "\n" << dotted.picture();
        EXPECT_LT(d.size() * 10, s.size() * 7) << c.start << "," << c.arc << "\n" << dotted.picture();
    }
    // the four points of a walk position are drawn or skipped together
    Canvas whole(34, 26);
    gfx2d_drawArcDotted(&whole.surface, nullptr, 0xFFFF, 1, 1, 30, 22, 0, 360);
    Canvas box(31, 23);
    for (int y = 0; y < 23; y++)
        for (int x = 0; x < 31; x++) box.set(x, y, whole.at(x + 1, y + 1));
    EXPECT_EQ(box.picture(), mirroredLeftRight(box));
    EXPECT_EQ(box.picture(), mirroredTopBottom(box));
}

}  // namespace
