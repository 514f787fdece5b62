// Game layers: the native records behind Sprite (kind 1) and TiledLayer (kind 2), their
// painting, and collision tests between sprites, images and tiled layers, rectangle by
// rectangle or pixel by pixel. The Java objects keep position and visibility; a record
// keeps what painting and collision need.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "graphics/mk_graphics.h"
#include "platform/surface.h"

enum { MK_LAYER_SPRITE = 1, MK_LAYER_TILED = 2 };

// The handle MkLayerCreate answers on failure.
#define MK_LAYER_FAILED ((MkLayer*)-1)

// What every layer record starts with.
struct MkLayer {
    uint16_t kind;
    uint16_t spare;
};

struct MkSprite {
    uint16_t kind;  // 1
    uint16_t spare;
    uint32_t imageFlag;  // the image's isOffScreen, stored only
    P32<const MkSurface> image;
    uint16_t frameX, frameY;  // top-left of the current frame in the image
    uint16_t frameWidth, frameHeight;
    uint32_t transform;                                                // internal code 0-7
    uint16_t collisionX, collisionY, collisionWidth, collisionHeight;  // in the untransformed frame; x, y read signed
    uint16_t refX, refY;                                               // untransformed reference pixel
};
static_assert(sizeof(MkSprite) == 36, "sprite record");
static_assert(offsetof(MkSprite, transform) == 20 && offsetof(MkSprite, refX) == 32, "sprite fields");

// Animated tile a (-1, -2, ...) lives in node (-a - 1) / 2, slot (-a - 1) mod 2.
struct MkAnimatedTiles {
    P32<MkAnimatedTiles> next;
    int16_t tiles[2];
};
static_assert(sizeof(MkAnimatedTiles) == 8, "animated-tile node");

struct MkTiledLayer {
    uint16_t kind;  // 2
    uint16_t spare;
    uint32_t imageFlag;
    P32<const MkSurface> image;
    uint32_t spare2;
    uint16_t tileWidth, tileHeight, columns, rows;
    uint32_t storeCount;  // animated-tile stores so far
    P32<MkAnimatedTiles> animated;
    P32<int16_t> cells;  // columns x rows, row by row, right behind the record
};
static_assert(sizeof(MkTiledLayer) == 36, "tiled-layer record: 18 16-bit units before the cells");

// The internal transform code of each MIDP Sprite transform, and back.
extern const uint8_t kMkLayerCodeOfTransform[8];
extern const uint8_t kMkLayerTransformOfCode[8];

// Sprite params: image, image flag, frame width, frame height. Tiled-layer params:
// image, image flag, tile width, tile height, columns, rows. MK_LAYER_FAILED for another
// kind or no memory.
MkLayer* MkLayerCreate(int32_t kind, const int32_t* params);
void MkLayerDestroy(int32_t kind, MkLayer* layer);
// Codes: 0 fill cells (column, row, columns, rows, tile), 1 image (image, flag, width,
// height), 2 frame source (x, y), 3 collision rectangle (x, y, w, h), 4 reference
// pixel (x, y), 5 transform code, 6 animated tile (a, static tile). A code acts on the
// kind of record it is for; others do nothing.
void MkLayerSetAttribute(int32_t kind, MkLayer* layer, int32_t code, const int32_t* values);
// Tiled layers only: code 0 the cell at column in[0], row in[1]; code 1 the static tile of
// animated tile in[0]. 1 with out set, else 0.
int32_t MkLayerGetAttribute(int32_t kind, const MkLayer* layer, int32_t code, const int32_t* in, int32_t* out);
// Paints at x, y (already translated) onto the target within the clip.
int32_t mk_layerPaint(MkSurface* target, const MkClip* clip, const MkLayer* layer, int32_t x, int32_t y);
// The same onto a graphics context's surface within its clip; the kind is the record's own.
int32_t MkLayerPaint(MkGraphicsContext* ctx, int32_t kind, const MkLayer* layer, int32_t x, int32_t y);
// Request: pixel-level flag, sprite A, A's x, A's y, kind of B (0 sprite, 1 tiled layer,
// 2 or 3 image), B (record or image surface), B's x, B's y. 1 when they collide.
int32_t MkLayerCollidesWith(const int32_t request[8]);
