// Frame building: the stores a frame accumulates between two draws (draw batches, the
// polygon-record pool, the depth list, the vertex buffer and the clip scratch), their
// growth limits, batch selection for primitive blocks, and the polygon records built
// from a primitive block's transformed vertices.
#pragma once

#include <stdint.h>

#include "engine3d/m3d_records.h"

enum : int32_t {
    M3D_MAX_BATCHES = 4096,
    M3D_MAX_DEPTH_ENTRIES = 65536,
    M3D_MAX_VERTICES = 262144,
};
enum : uint32_t { M3D_NO_BATCH = 0xFFFFFFFF };

// Each answers 1 when the store has room for that many more, 0 when it cannot grow.
int32_t m3d_reserveBatches(m3d_Context* context, int32_t extra);
int32_t m3d_reserveDepth(m3d_Context* context, int32_t n);
// Counts the vertices of the block in hand too; under perspective the clip buffer grows
// alongside.
int32_t m3d_reserveVertices(m3d_Context* context, int32_t n);
// Makes the clip scratch hold at least bytes; its contents are not kept.
int32_t m3d_reserveClipBytes(m3d_Context* context, uint32_t bytes);

void* m3d_poolAllocate(m3d_Context* context, uint32_t size);

// Polygon id base for a primitive block: vertex base | batch index << 20, or M3D_NO_BATCH.
uint32_t m3d_selectBatch(m3d_Context* context, uint32_t renderWord, bool textured);

// The key of a record from its vertices' depths, and the append; -1 without room.
int16_t m3d_depthKey(const m3d_Context* context, uint32_t polygonId, const void* record);
int32_t m3d_addDepth(m3d_Context* context, uint32_t polygonId, void* record);

// The arrays of a primitive block other than its vertices; a null pointer or a count of
// 0 is an absent array.
struct m3d_BlockArrays {
    const int32_t* texCoords;
    int32_t texWords;
    const int32_t* colors;
    int32_t colorWords;
};
// Builds the records of n primitives of a kind (1..5) from the block in hand, whose
// vertices are transformed at the end of the used vertices (blockVertexCount of them),
// and moves the used vertices on. Returns 0 when clipping ran out of room.
int32_t m3d_buildBlock(m3d_Context* context, int32_t kind, int32_t n, uint32_t renderWord,
                       const m3d_BlockArrays* arrays);
