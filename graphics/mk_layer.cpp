// Game layers. A sprite's frame is painted with the MIDP transform its internal code
// stands for; collisions view each party as its transformed frame on the screen with
// its collision rectangle mapped into it, and the pixel test walks both sources with
// the steps of their codes.
#include "graphics/mk_layer.h"

#include <string.h>

#include "graphics/gfx2d.h"
#include "graphics/mk_graphics.h"
#include "graphics/mk_image.h"

const uint8_t kMkLayerCodeOfTransform[8] = {0, 6, 4, 2, 7, 1, 3, 5};
const uint8_t kMkLayerTransformOfCode[8] = {0, 5, 3, 6, 2, 7, 1, 4};

namespace {

// Per code: the source step of one screen pixel to the right and of one row down.
struct Steps {
    int8_t rx, ry, dx, dy;
};
const Steps kSteps[8] = {{1, 0, 0, 1},  {0, -1, 1, 0},  {-1, 0, 0, -1}, {0, 1, -1, 0},
                         {-1, 0, 0, 1}, {0, -1, -1, 0}, {1, 0, 0, -1},  {0, 1, 1, 0}};

const MkSurface* surfaceOf(int32_t word) { return p32Ptr<const MkSurface>(word); }

bool isLayer(const MkLayer* layer) { return layer != nullptr && layer != MK_LAYER_FAILED; }

MkSprite* asSprite(MkLayer* layer) {
    return isLayer(layer) && layer->kind == MK_LAYER_SPRITE ? reinterpret_cast<MkSprite*>(layer) : nullptr;
}
MkTiledLayer* asTiled(MkLayer* layer) {
    return isLayer(layer) && layer->kind == MK_LAYER_TILED ? reinterpret_cast<MkTiledLayer*>(layer) : nullptr;
}
const MkTiledLayer* asTiled(const MkLayer* layer) { return asTiled(const_cast<MkLayer*>(layer)); }

MkLayer* createSprite(const int32_t* p) {
    MkSprite* s = static_cast<MkSprite*>(mk_allocPointer(sizeof(MkSprite)));
    if (s == nullptr) return MK_LAYER_FAILED;
    s->kind = MK_LAYER_SPRITE;
    s->imageFlag = (uint32_t)p[1];
    s->image = surfaceOf(p[0]);
    s->frameWidth = s->collisionWidth = (uint16_t)p[2];
    s->frameHeight = s->collisionHeight = (uint16_t)p[3];
    return reinterpret_cast<MkLayer*>(s);
}

MkLayer* createTiled(const int32_t* p) {
    uint16_t columns = (uint16_t)p[4], rows = (uint16_t)p[5];
    uint64_t cells = (uint64_t)columns * rows;
    if (cells > MK_SURFACE_MAX_PIXELS) return MK_LAYER_FAILED;
    MkTiledLayer* t = static_cast<MkTiledLayer*>(mk_allocPointer((uint32_t)(cells + 18) * 2));
    if (t == nullptr) return MK_LAYER_FAILED;
    t->kind = MK_LAYER_TILED;
    t->imageFlag = (uint32_t)p[1];
    t->image = surfaceOf(p[0]);
    t->tileWidth = (uint16_t)p[2];
    t->tileHeight = (uint16_t)p[3];
    t->columns = columns;
    t->rows = rows;
    t->cells = reinterpret_cast<int16_t*>(t + 1);
    return reinterpret_cast<MkLayer*>(t);
}

int16_t* animatedSlot(const MkTiledLayer* t, int32_t tile) {
    if (tile >= 0) return nullptr;
    int32_t k = -(tile + 1);
    MkAnimatedTiles* node = t->animated;
    for (int32_t i = 0; i < k / 2 && node != nullptr; i++) node = node->next;
    return node != nullptr ? &node->tiles[k % 2] : nullptr;
}

void storeAnimated(MkTiledLayer* t, int32_t tile, int16_t value) {
    if (tile >= 0) return;
    t->storeCount++;
    int32_t node = -(tile + 1) / 2;
    P32<MkAnimatedTiles>* link = &t->animated;
    for (int32_t i = 0; i < node && *link != nullptr; i++) link = &(*link)->next;
    if (*link == nullptr) {
        int32_t nodes = 0;
        for (MkAnimatedTiles* n = t->animated; n != nullptr; n = n->next) nodes++;
        if (nodes != node) return;  // more than one node short: the store is dropped
        *link = static_cast<MkAnimatedTiles*>(mk_allocPointer(sizeof(MkAnimatedTiles)));
        if (*link == nullptr) return;
    }
    *animatedSlot(t, tile) = value;
}

// A cell's static tile: animated cells resolved; 0 for none.
int32_t staticTile(const MkTiledLayer* t, int32_t cell) {
    if (cell < 0) {
        const int16_t* slot = animatedSlot(t, cell);
        cell = slot != nullptr ? *slot : 0;
    }
    return cell > 0 ? cell : 0;
}

void fillCells(MkTiledLayer* t, const int32_t* v) {
    int64_t c0 = v[0], r0 = v[1], c1 = c0 + v[2], r1 = r0 + v[3];
    if (c0 < 0) c0 = 0;
    if (r0 < 0) r0 = 0;
    if (c1 > t->columns) c1 = t->columns;
    if (r1 > t->rows) r1 = t->rows;
    for (int64_t r = r0; r < r1; r++)
        for (int64_t c = c0; c < c1; c++) t->cells[r * t->columns + c] = (int16_t)v[4];
}

// ---- Collision ----------------------------------------------------------------------

// One party of a collision: the screen rectangle of its transformed frame, its collision
// rectangle mapped into that frame on the screen, and where its frame lies in its image.
struct Party {
    int32_t fx, fy, fw, fh;
    int32_t cx, cy, cw, ch;
    const MkSurface* image;
    int32_t sx, sy;  // frame origin in the image
    int32_t w, h;    // untransformed frame size
    int32_t code;
};

// Maps one source axis extent [start, start + size) through a screen axis step.
void mapAxis(int8_t stepX, int8_t stepY, int32_t w, int32_t h, int32_t cx, int32_t cy, int32_t cw, int32_t ch,
             int32_t* start, int32_t* size) {
    if (stepX != 0) {
        *size = cw;
        *start = stepX > 0 ? cx : w - cx - cw;
    } else {
        *size = ch;
        *start = stepY > 0 ? cy : h - cy - ch;
    }
}

Party spriteParty(const MkSprite* s, int32_t x, int32_t y) {
    Party p;
    p.code = (int32_t)(s->transform & 7);
    p.w = s->frameWidth;
    p.h = s->frameHeight;
    bool odd = (p.code & 1) != 0;
    p.fx = x;
    p.fy = y;
    p.fw = odd ? p.h : p.w;
    p.fh = odd ? p.w : p.h;
    const Steps& st = kSteps[p.code];
    int32_t u, v;
    // x and y are signed: the rectangle may start left of or above the frame
    const int32_t cx = (int16_t)s->collisionX, cy = (int16_t)s->collisionY;
    mapAxis(st.rx, st.ry, p.w, p.h, cx, cy, s->collisionWidth, s->collisionHeight, &u, &p.cw);
    mapAxis(st.dx, st.dy, p.w, p.h, cx, cy, s->collisionWidth, s->collisionHeight, &v, &p.ch);
    p.cx = x + u;
    p.cy = y + v;
    p.image = s->image;
    p.sx = s->frameX;
    p.sy = s->frameY;
    return p;
}

Party plainParty(const MkSurface* image, int32_t sx, int32_t sy, int32_t w, int32_t h, int32_t x, int32_t y) {
    return Party{x, y, w, h, x, y, w, h, image, sx, sy, w, h, 0};
}

// The source pixel of the frame's top-left screen pixel, as an offset in the frame.
void startPixel(int32_t code, int32_t w, int32_t h, int32_t* px, int32_t* py) {
    static const uint8_t kRight[8] = {0, 0, 1, 1, 1, 1, 0, 0};   // starts at column W - 1
    static const uint8_t kBottom[8] = {0, 1, 1, 0, 0, 1, 1, 0};  // starts at row H - 1
    *px = kRight[code] ? w - 1 : 0;
    *py = kBottom[code] ? h - 1 : 0;
}

bool rectanglesMeet(int32_t ax, int32_t ay, int32_t aw, int32_t ah, int32_t bx, int32_t by, int32_t bw, int32_t bh) {
    // the ends are taken as they are: a width of 0 still reaches its own x - 1
    return !((int64_t)ax + aw - 1 < bx || (int64_t)ay + ah - 1 < by || (int64_t)bx + bw - 1 < ax ||
             (int64_t)by + bh - 1 < ay);
}

// Intersection as start and last column and row.
struct Span {
    int64_t x0, y0, x1, y1;
};
Span intersect(const Span& a, const Span& b) {
    return {a.x0 > b.x0 ? a.x0 : b.x0, a.y0 > b.y0 ? a.y0 : b.y0, a.x1 < b.x1 ? a.x1 : b.x1, a.y1 < b.y1 ? a.y1 : b.y1};
}
Span visible(const Party& p) {
    Span frame = {p.fx, p.fy, (int64_t)p.fx + p.fw - 1, (int64_t)p.fy + p.fh - 1};
    Span collision = {p.cx, p.cy, (int64_t)p.cx + p.cw - 1, (int64_t)p.cy + p.ch - 1};
    return intersect(frame, collision);
}

bool opaque(const MkSurface* image, int64_t x, int64_t y) {
    return (gfx2d_getPixel(image, (int32_t)x, (int32_t)y) & MK_PIXEL_OPAQUE) != 0;
}

bool partiesCollide(const Party& a, const Party& b, bool pixelLevel) {
    if (!pixelLevel) return rectanglesMeet(a.cx, a.cy, a.cw, a.ch, b.cx, b.cy, b.cw, b.ch);
    if (a.image == nullptr || b.image == nullptr) return false;
    Span o = intersect(visible(a), visible(b));
    if (o.x1 - o.x0 + 1 < 1 || o.y1 - o.y0 + 1 < 1) return false;
    const Party* parties[2] = {&a, &b};
    int64_t px[2], py[2];
    for (int i = 0; i < 2; i++) {
        const Party& p = *parties[i];
        const Steps& st = kSteps[p.code];
        int32_t x0, y0;
        startPixel(p.code, p.w, p.h, &x0, &y0);
        int64_t du = o.x0 - p.fx, dv = o.y0 - p.fy;
        px[i] = p.sx + x0 + du * st.rx + dv * st.dx;
        py[i] = p.sy + y0 + du * st.ry + dv * st.dy;
    }
    const Steps& sa = kSteps[a.code];
    const Steps& sb = kSteps[b.code];
    for (int64_t row = o.y0; row <= o.y1; row++) {
        int64_t ax = px[0], ay = py[0], bx = px[1], by = py[1];
        for (int64_t col = o.x0; col <= o.x1; col++) {
            if (opaque(a.image, ax, ay) && opaque(b.image, bx, by)) return true;
            ax += sa.rx;
            ay += sa.ry;
            bx += sb.rx;
            by += sb.ry;
        }
        px[0] += sa.dx;
        py[0] += sa.dy;
        px[1] += sb.dx;
        py[1] += sb.dy;
    }
    return false;
}

int64_t floorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// The cells [*first, *last] of a row or column of `count` cells of `size` pixels that
// cover the span from `start` to `end` (end may lie before start), relative to the layer.
void cellSpan(int64_t start, int64_t end, int32_t size, int32_t count, int64_t* first, int64_t* last) {
    int64_t lo = floorDiv(start, size), hi = floorDiv(end, size);
    *first = lo < 0 ? 0 : lo;
    *last = hi > count - 1 ? count - 1 : hi;
}

bool collidesWithTiles(const Party& a, const MkTiledLayer* t, int32_t x, int32_t y, bool pixelLevel) {
    if (t->tileWidth == 0 || t->tileHeight == 0 || t->image == nullptr) return false;
    int32_t perRow = t->image->width / t->tileWidth;
    if (perRow <= 0) return false;
    // Only cells that cover A's collision rectangle can meet it, at either level; a cell
    // meets it when it starts at or before the rectangle's last column and ends at or after
    // its first (rows alike), with the ends taken as they are.
    int64_t c0, c1, r0, r1;
    cellSpan((int64_t)a.cx - x, (int64_t)a.cx + a.cw - 1 - x, t->tileWidth, t->columns, &c0, &c1);
    cellSpan((int64_t)a.cy - y, (int64_t)a.cy + a.ch - 1 - y, t->tileHeight, t->rows, &r0, &r1);
    for (int64_t r = r0; r <= r1; r++) {
        for (int64_t c = c0; c <= c1; c++) {
            int32_t n = staticTile(t, t->cells[r * t->columns + c]);
            if (n == 0) continue;
            Party b = plainParty(t->image, (n - 1) % perRow * t->tileWidth, (n - 1) / perRow * t->tileHeight,
                                 t->tileWidth, t->tileHeight, x + c * t->tileWidth, y + r * t->tileHeight);
            if (partiesCollide(a, b, pixelLevel)) return true;
        }
    }
    return false;
}

// ---- Painting -------------------------------------------------------------------------

int32_t paintTiles(MkSurface* target, const MkClip* clip, const MkTiledLayer* t, int32_t x, int32_t y) {
    MkSurface* surface = target != nullptr ? target : gfx2d_getScreenSurface();
    int64_t cx = 0, cy = 0, cw = surface->width, ch = surface->height;
    if (clip != nullptr) {
        cx = clip->x;
        cy = clip->y;
        cw = clip->width;
        ch = clip->height;
    }
    const int32_t tw = t->tileWidth, th = t->tileHeight;
    if (tw == 0 || th == 0 || t->image == nullptr || cx + cw < x || cy + ch < y) return 0;
    int64_t c0 = cx > x ? (cx - x) / tw : 0, r0 = cy > y ? (cy - y) / th : 0;
    int64_t c1 = (cx + cw - x) / tw, r1 = (cy + ch - y) / th;
    if (c1 > t->columns - 1) c1 = t->columns - 1;
    if (r1 > t->rows - 1) r1 = t->rows - 1;
    int32_t perRow = t->image->width / tw;
    if (c0 > c1 || r0 > r1 || perRow <= 0) return 0;
    int32_t last = 0, sx = 0, sy = 0, result = 0;
    for (int64_t r = r0; r <= r1; r++) {
        for (int64_t c = c0; c <= c1; c++) {
            int32_t n = staticTile(t, t->cells[r * t->columns + c]);
            if (n == 0) continue;
            if (n != last) {
                sx = (n - 1) % perRow * tw;
                sy = (n - 1) / perRow * th;
                last = n;
            }
            int32_t rc = gfx2d_drawImageRegion(target, clip, (int32_t)(x + c * tw), (int32_t)(y + r * th), t->image, sx,
                                               sy, tw, th, GFX2D_TRANS_NONE);
            if (rc != 0 && result == 0) result = rc;
        }
    }
    return result;
}

}  // namespace

MkLayer* MkLayerCreate(int32_t kind, const int32_t* params) {
    if (params == nullptr) return MK_LAYER_FAILED;
    if (kind == MK_LAYER_SPRITE) return createSprite(params);
    if (kind == MK_LAYER_TILED) return createTiled(params);
    return MK_LAYER_FAILED;
}

void MkLayerDestroy(int32_t kind, MkLayer* layer) {
    if (!isLayer(layer)) return;
    if (kind == MK_LAYER_TILED && layer->kind == MK_LAYER_TILED) {
        MkTiledLayer* t = reinterpret_cast<MkTiledLayer*>(layer);
        for (MkAnimatedTiles* n = t->animated; n != nullptr;) {
            MkAnimatedTiles* next = n->next;
            mk_freePointer(n);
            n = next;
        }
    }
    mk_freePointer(layer);
}

void MkLayerSetAttribute(int32_t kind, MkLayer* layer, int32_t code, const int32_t* v) {
    MkSprite* s = asSprite(layer);
    MkTiledLayer* t = asTiled(layer);
    if (v == nullptr || (s == nullptr && t == nullptr)) return;
    switch (code) {
        case 0:
            if (t != nullptr) fillCells(t, v);
            break;
        case 1:
            if (s != nullptr) {
                s->image = surfaceOf(v[0]);
                s->frameWidth = (uint16_t)v[2];
                s->frameHeight = (uint16_t)v[3];
            } else {
                t->image = surfaceOf(v[0]);
                t->tileWidth = (uint16_t)v[2];
                t->tileHeight = (uint16_t)v[3];
            }
            break;
        case 2:
            if (s != nullptr) {
                s->frameX = (uint16_t)v[0];
                s->frameY = (uint16_t)v[1];
            }
            break;
        case 3:
            if (s != nullptr) {
                s->collisionX = (uint16_t)v[0];
                s->collisionY = (uint16_t)v[1];
                s->collisionWidth = (uint16_t)v[2];
                s->collisionHeight = (uint16_t)v[3];
            }
            break;
        case 4:
            if (s != nullptr) {
                s->refX = (uint16_t)v[0];
                s->refY = (uint16_t)v[1];
            }
            break;
        case 5:
            if (s != nullptr) s->transform = (uint32_t)v[0] & 7;
            break;
        case 6:
            if (t != nullptr) storeAnimated(t, v[0], (int16_t)v[1]);
            break;
    }
}

int32_t MkLayerGetAttribute(int32_t kind, const MkLayer* layer, int32_t code, const int32_t* in, int32_t* out) {
    const MkTiledLayer* t = asTiled(layer);
    if (kind != MK_LAYER_TILED || t == nullptr || in == nullptr || out == nullptr) return 0;
    if (code == 0) {
        if (in[0] < 0 || in[0] >= t->columns || in[1] < 0 || in[1] >= t->rows) return 0;
        *out = t->cells[in[1] * t->columns + in[0]];
        return 1;
    }
    if (code == 1) {
        const int16_t* slot = animatedSlot(t, in[0]);
        if (slot == nullptr) return 0;
        *out = *slot;
        return 1;
    }
    return 0;
}

int32_t mk_layerPaint(MkSurface* target, const MkClip* clip, const MkLayer* layer, int32_t x, int32_t y) {
    if (!isLayer(layer)) return -1;
    if (layer->kind == MK_LAYER_TILED)
        return paintTiles(target, clip, reinterpret_cast<const MkTiledLayer*>(layer), x, y);
    if (layer->kind != MK_LAYER_SPRITE) return -1;
    const MkSprite* s = reinterpret_cast<const MkSprite*>(layer);
    return gfx2d_drawImageRegion(target, clip, x, y, s->image, s->frameX, s->frameY, s->frameWidth, s->frameHeight,
                                 kMkLayerTransformOfCode[s->transform & 7]);
}

int32_t MkLayerPaint(MkGraphicsContext* ctx, int32_t kind, const MkLayer* layer, int32_t x, int32_t y) {
    return mk_layerPaint(ctx->surface, &ctx->clip, layer, x, y);
}

int32_t MkLayerCollidesWith(const int32_t request[8]) {
    const bool pixelLevel = request[0] != 0;
    MkSprite* a = asSprite(p32Ptr<MkLayer>(request[1]));
    if (a == nullptr) return 0;
    const Party pa = spriteParty(a, request[2], request[3]);
    const int32_t kindB = request[4];
    void* b = p32Ptr(request[5]);
    const int32_t bx = request[6], by = request[7];
    if (b == nullptr) return 0;
    switch (kindB) {
        case 0: {
            MkSprite* sb = asSprite(static_cast<MkLayer*>(b));
            return sb != nullptr && partiesCollide(pa, spriteParty(sb, bx, by), pixelLevel) ? 1 : 0;
        }
        case 1: {
            const MkTiledLayer* t = asTiled(static_cast<const MkLayer*>(b));
            return t != nullptr && collidesWithTiles(pa, t, bx, by, pixelLevel) ? 1 : 0;
        }
        case 2:
        case 3: {
            const MkSurface* image = static_cast<const MkSurface*>(b);
            return partiesCollide(pa, plainParty(image, 0, 0, image->width, image->height, bx, by), pixelLevel) ? 1 : 0;
        }
    }
    return 0;
}
