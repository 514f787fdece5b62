// The records every part of the 3D engine shares: the two caller-supplied interfaces
// (allocator and input stream), image views, textures, the render target, the screen
// vertex, polygon records, draw batches and the engine context.
//
// The engine keeps its own addresses only in its own records and never hands them to a
// 32-bit word of the VM, and its blocks come from whatever allocator the caller gives.
// So its pointer fields are native pointers; the records whose size is part of the
// data (screen vertices, polygon records) hold no pointers and keep their byte layouts.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Results of the operations that can fail.
enum : int32_t { M3D_FAILURE = 0, M3D_SUCCESS = 1 };

// Caller-supplied allocator: slot 1 allocates, slot 2 is never called, slot 3 frees.
struct m3d_Allocator;
struct m3d_AllocatorOps {
    void* (*allocate)(m3d_Allocator* self, uint32_t bytes);
    void* (*unused)(m3d_Allocator* self);
    void (*free)(m3d_Allocator* self, void* block);
};
struct m3d_Allocator {
    const m3d_AllocatorOps* ops;
};

// Caller-supplied input stream for one load. A read past the end sets the error state
// (a non-zero low byte) and returns 0 / fills nothing further.
struct m3d_InputStream;
struct m3d_InputStreamOps {
    uint32_t (*readU8)(m3d_InputStream* self);
    uint32_t (*readU16)(m3d_InputStream* self);
    uint32_t (*readU32)(m3d_InputStream* self);
    void (*read)(m3d_InputStream* self, void* buffer, uint32_t bytes);
    void (*skip)(m3d_InputStream* self, uint32_t bytes);
    uint32_t (*error)(m3d_InputStream* self);
};
struct m3d_InputStream {
    const m3d_InputStreamOps* ops;
};

// Image formats.
enum : int32_t {
    M3D_FORMAT_NONE = 0,
    M3D_FORMAT_INDEX8 = 1,
    M3D_FORMAT_COLOR16 = 2,
    M3D_FORMAT_WORD32 = 3,
};

// An image view: texels owned by the view (allocator set, ownsPixels 1) or by someone else.
struct m3d_Image {
    m3d_Allocator* allocator;
    void* pixels;
    int32_t width;   // texels
    int32_t height;  // texels
    int32_t pitch;   // texels per row
    int32_t format;
    int32_t ownsPixels;
};
static_assert(offsetof(m3d_Image, pixels) == 8 && offsetof(m3d_Image, width) == 16, "m3d_Image layout");
static_assert(offsetof(m3d_Image, ownsPixels) == 32 && sizeof(m3d_Image) == 40, "m3d_Image is 40 bytes");

// Render flags of a texture: the size code in bits 6-0, bit 7 for a valid shade image.
enum : uint8_t {
    M3D_TEXFLAGS_256 = 8,
    M3D_TEXFLAGS_128 = 7,
    M3D_TEXFLAGS_64 = 6,
    M3D_TEXFLAGS_32 = 5,
    M3D_TEXFLAGS_NOT_SQUARE = 127,
    M3D_TEXFLAGS_SHADED = 128,
};

struct m3d_Texture {
    int32_t refCount;  // first, as in every reference-counted object
    m3d_Allocator* allocator;
    void* block;  // what this texture allocated, or null
    m3d_Image texels;
    m3d_Image shade;  // 32 levels x 256 palette entries of 16-bit colours, level-major
    uint8_t renderFlags;
    uint8_t spare[3];
    uint8_t toonEnabled;
    int32_t toonThreshold;
    int32_t toonHigh;
    int32_t toonLow;
};
static_assert(offsetof(m3d_Texture, allocator) == 8 && offsetof(m3d_Texture, texels) == 24, "m3d_Texture layout");
static_assert(offsetof(m3d_Texture, shade) == 64 && offsetof(m3d_Texture, renderFlags) == 104, "m3d_Texture layout");
static_assert(offsetof(m3d_Texture, toonEnabled) == 108 && offsetof(m3d_Texture, toonThreshold) == 112,
              "m3d_Texture layout");
static_assert(sizeof(m3d_Texture) == 128, "m3d_Texture is 128 bytes");

enum { M3D_TOON_STEPS = 32 };

struct m3d_RenderTarget {
    m3d_Allocator* allocator;
    m3d_Image* surface;  // 16-bit, or null
    int32_t clipLeft;
    int32_t clipTop;
    int32_t clipRight;   // exclusive
    int32_t clipBottom;  // exclusive
    m3d_Texture* texture0;
    m3d_Texture* texture1;  // the environment map
    uint32_t flatColor;     // 16-bit colour
    uint8_t rampRow;
    uint8_t toonTable[M3D_TOON_STEPS];
};
static_assert(offsetof(m3d_RenderTarget, clipLeft) == 16 && offsetof(m3d_RenderTarget, texture0) == 32,
              "m3d_RenderTarget layout");
static_assert(offsetof(m3d_RenderTarget, flatColor) == 48 && offsetof(m3d_RenderTarget, toonTable) == 53,
              "m3d_RenderTarget layout");

// Render attribute bits of the context.
enum : uint32_t {
    M3D_ATTR_LIGHTING = 1,
    M3D_ATTR_ENVIRONMENT = 2,
    M3D_ATTR_TOON = 4,
    M3D_ATTR_BLENDING = 8,
};

// Render word of a primitive block and of a polygon record.
enum : uint32_t {
    M3D_RW_TRANSPARENT = 1u << 0,
    M3D_RW_BLEND_SHIFT = 1,
    M3D_RW_BLEND_MASK = 3u << 1,
    M3D_RW_TOON = 1u << 3,
    M3D_RW_DOUBLE_SIDED = 1u << 4,
    M3D_RW_ENVIRONMENT = 1u << 5,
    M3D_RW_FLAT_SHADING = 1u << 6,
    M3D_RW_DEPTH_FARTHEST = 1u << 7,
    M3D_RW_DEPTH_NEAREST = 1u << 8,
    M3D_RW_LIT = 1u << 11,
    M3D_RW_FLAT_COLOR = 1u << 12,
    M3D_RW_MATERIAL = 1u << 13,
    M3D_RW_KIND_SHIFT = 12,  // bits 13-12 in a point, line or sprite record
    M3D_RW_POLYGON = 1u << 14,
    M3D_RW_QUAD = 1u << 15,
};

enum : uint32_t { M3D_BLEND_REPLACE = 0, M3D_BLEND_HALF = 1, M3D_BLEND_ADD = 2, M3D_BLEND_SUBTRACT = 3 };

// One transformed vertex of the frame's vertex buffer.
struct m3d_ScreenVertex {
    int16_t x;
    int16_t y;
    int16_t depth;
    uint8_t light;  // 0..255
    uint8_t envU;
    uint8_t envV;
    uint8_t unused;
};
static_assert(sizeof(m3d_ScreenVertex) == 10 && offsetof(m3d_ScreenVertex, light) == 6, "a screen vertex is 10 bytes");

// Polygon records of primitive blocks. Vertex indexes are relative to the block's base.
struct m3d_PointRecord {
    uint16_t renderWord;
    uint16_t vertex;
    uint32_t color;
};
struct m3d_LineRecord {
    uint16_t renderWord;
    uint16_t vertex[2];
    uint16_t unused;
    uint32_t color;
};
struct m3d_TexturedTriangleRecord {
    uint16_t renderWord;
    uint16_t vertex[3];
    uint8_t uv[6];  // u0, v0, u1, v1, u2, v2
};
struct m3d_FlatTriangleRecord {
    uint16_t renderWord;
    uint16_t vertex[3];
    uint16_t color;
    uint16_t unused;
};
struct m3d_TexturedQuadRecord {
    uint16_t renderWord;
    uint16_t vertex[4];  // strip order
    uint8_t uv[8];
};
struct m3d_FlatQuadRecord {
    uint16_t renderWord;
    uint16_t vertex[4];  // strip order
    uint16_t color;
    uint16_t unused;
};
struct m3d_SpriteRecord {
    uint16_t renderWord;
    uint16_t vertex;
    int16_t halfWidth;
    int16_t halfHeight;
    uint16_t angle;
    uint8_t uv[4];  // u0, v0, u1, v1
};
static_assert(sizeof(m3d_PointRecord) == 8 && offsetof(m3d_PointRecord, color) == 4, "point record");
static_assert(sizeof(m3d_LineRecord) == 12 && offsetof(m3d_LineRecord, color) == 8, "line record");
static_assert(sizeof(m3d_TexturedTriangleRecord) == 14 && offsetof(m3d_TexturedTriangleRecord, uv) == 8,
              "textured triangle record");
static_assert(sizeof(m3d_FlatTriangleRecord) == 12 && offsetof(m3d_FlatTriangleRecord, color) == 8,
              "flat triangle record");
static_assert(sizeof(m3d_TexturedQuadRecord) == 18 && offsetof(m3d_TexturedQuadRecord, uv) == 10,
              "textured quad record");
static_assert(sizeof(m3d_FlatQuadRecord) == 14 && offsetof(m3d_FlatQuadRecord, color) == 10, "flat quad record");
static_assert(sizeof(m3d_SpriteRecord) == 14 && offsetof(m3d_SpriteRecord, angle) == 8 &&
                  offsetof(m3d_SpriteRecord, uv) == 10,
              "sprite record");

// Polygon records of models: a material index instead of a colour.
struct m3d_MaterialTriangleRecord {
    uint16_t renderWord;
    uint16_t vertex[3];
    uint8_t material;
    uint8_t unused;
};
struct m3d_MaterialQuadRecord {
    uint16_t renderWord;
    uint16_t vertex[4];
    uint8_t material;
    uint8_t unused;
};
static_assert(sizeof(m3d_MaterialTriangleRecord) == 10 && offsetof(m3d_MaterialTriangleRecord, material) == 8,
              "material triangle record");
static_assert(sizeof(m3d_MaterialQuadRecord) == 12 && offsetof(m3d_MaterialQuadRecord, material) == 10,
              "material quad record");

// Objects of later layers that the context refers to; each begins with its reference count.
struct m3d_Model;
struct m3d_Figure;

struct m3d_DrawBatch {
    uint32_t renderMask;   // ANDed with each polygon's render word
    uint32_t renderFlags;  // ORed in after; bits 23-16 and 31-24 get the texture flags at draw time
    m3d_Texture* texture;
    m3d_Texture* extraTexture;
    m3d_Model* model;
};

// Polygon id: vertex base in bits 19-0, batch index in bits 31-20.
enum : uint32_t { M3D_POLYID_BASE_MASK = 0xFFFFF, M3D_POLYID_BATCH_SHIFT = 20 };

struct m3d_DepthEntry {
    uint32_t polygonId;
    void* record;
};

// A polygon-pool block: a link to the next block, then records. The link is a native
// pointer, so a fresh block starts with M3D_POOL_LINK_BYTES used.
enum : uint32_t { M3D_POOL_BLOCK_BYTES = 32768, M3D_POOL_LINK_BYTES = sizeof(void*) };

// A value mantissa x 2^exponent: signed 16-bit mantissa low, signed 16-bit exponent high.
typedef int32_t m3d_SoftFloat;

// The immediate primitive being built by the command list.
struct m3d_Immediate {
    uint8_t kind;  // 0 none, 1..5
    uint8_t flags;
    uint8_t texCoordsGiven;
    uint32_t color;  // 24-bit
    int32_t sprite[8];
    int32_t vertexCount;
    int32_t vertex[4][3];
    int32_t normal[4][3];
    int32_t texCoord[4][2];
};

enum { M3D_TEXTURE_SLOTS = 16, M3D_RAMP_ROWS = 256, M3D_RAMP_STEPS = 32, M3D_RAMP_BLOCK_BYTES = 16384 };

struct m3d_Context {
    m3d_Allocator* allocator;
    // draw batches
    m3d_DrawBatch* batches;
    int32_t batchCount;
    int32_t batchCapacity;
    // polygon-record pool
    void* poolFirst;
    void* poolCurrent;
    uint32_t poolUsed;
    // depth list: one block holding the entries and the keys
    void* depthBlock;
    m3d_DepthEntry* depthEntries;
    int16_t* depthKeys;
    int32_t depthCount;
    int32_t depthCapacity;
    // transformed vertices
    m3d_ScreenVertex* vertices;
    int32_t verticesUsed;
    int32_t vertexCapacity;
    // clip scratch: eye coordinates and clip codes per vertex, and the sort order
    void* clipBlock;
    int32_t (*clipEye)[3];
    uint8_t* clipCodes;
    uint16_t* sortOrder;
    int32_t clipCapacity;
    int32_t blockVertexCount;
    // command-list state
    m3d_Figure* figure;
    int32_t textureIndex;
    int32_t openBatchUntextured;  // -1 none
    int32_t openBatchTextured;
    m3d_Immediate immediate;
    m3d_RenderTarget target;
    m3d_Image targetView;
    m3d_Texture* targetTexture;
    // projection
    uint8_t projectionMode;  // 0 parallel, 1 perspective
    int16_t projFar;
    int16_t projNear;
    m3d_SoftFloat scaleX;
    m3d_SoftFloat scaleY;
    int32_t depthA;
    int32_t depthB;
    int32_t projShift;
    // textures
    m3d_Texture* textures[M3D_TEXTURE_SLOTS];
    m3d_Texture* extraTexture;
    // shade-ramp cache
    void* rampBlock;
    m3d_Texture rampTexture;
    uint32_t rampKeys[M3D_RAMP_ROWS];
    uint32_t rampAges[M3D_RAMP_ROWS];
    // lighting
    int32_t ambient;
    int32_t light[3];
    uint32_t renderAttribute;
    int16_t originX;
    int16_t originY;
    int32_t viewMatrix[12];
    int32_t projMatrix[12];
    int32_t combinedMatrix[12];
    uint8_t combinedValid;
    int32_t clipLeft;  // requested clip, saturated to 16 bits
    int32_t clipTop;
    int32_t clipRight;
    int32_t clipBottom;
};
static_assert(offsetof(m3d_Context, batches) < offsetof(m3d_Context, poolFirst) &&
                  offsetof(m3d_Context, poolFirst) < offsetof(m3d_Context, depthBlock) &&
                  offsetof(m3d_Context, depthBlock) < offsetof(m3d_Context, vertices) &&
                  offsetof(m3d_Context, vertices) < offsetof(m3d_Context, clipBlock) &&
                  offsetof(m3d_Context, clipBlock) < offsetof(m3d_Context, figure) &&
                  offsetof(m3d_Context, figure) < offsetof(m3d_Context, immediate) &&
                  offsetof(m3d_Context, immediate) < offsetof(m3d_Context, target) &&
                  offsetof(m3d_Context, target) < offsetof(m3d_Context, targetView) &&
                  offsetof(m3d_Context, targetView) < offsetof(m3d_Context, projectionMode) &&
                  offsetof(m3d_Context, projectionMode) < offsetof(m3d_Context, textures) &&
                  offsetof(m3d_Context, textures) < offsetof(m3d_Context, rampBlock) &&
                  offsetof(m3d_Context, rampBlock) < offsetof(m3d_Context, ambient) &&
                  offsetof(m3d_Context, ambient) < offsetof(m3d_Context, renderAttribute) &&
                  offsetof(m3d_Context, renderAttribute) < offsetof(m3d_Context, viewMatrix) &&
                  offsetof(m3d_Context, viewMatrix) < offsetof(m3d_Context, clipLeft),
              "m3d_Context keeps its fields in order");
