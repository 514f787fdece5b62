// Models: skinned meshes loaded from model files into one arena block. Vertices, normals,
// four polygon groups split into pattern and texture runs, material shade ramps and a
// bone hierarchy whose bones own consecutive runs of vertices.
//
// A loaded model keeps these promises to the frame code: every vertex index of every
// polygon is below the vertex count, every material index below the material count,
// every run of every run table lies inside its group, and the bones' vertex runs cover
// the vertices exactly once, in order, so transforming every bone's run fills every
// vertex a polygon can name.
#pragma once

#include <stdint.h>

#include "engine3d/m3d_records.h"

struct m3d_ModelBone {
    uint16_t vertexCount;
    uint16_t firstVertex;
    int16_t parent;  // -1 for a root
    uint16_t poseChanged;
    int32_t rest[12];
};
static_assert(sizeof(m3d_ModelBone) == 56 && offsetof(m3d_ModelBone, rest) == 8, "a bone is 56 bytes");

// Groups in their fixed order, and the size of each group's records.
enum : int32_t {
    M3D_GROUP_FLAT_TRIANGLES = 0,
    M3D_GROUP_FLAT_QUADS = 1,
    M3D_GROUP_TEXTURED_TRIANGLES = 2,
    M3D_GROUP_TEXTURED_QUADS = 3,
    M3D_GROUPS = 4,
};

// Run k of a group covers records [runs[k], runs[k + 1]). A flat group has one run per
// pattern; a textured group one per pattern and texture, run pattern x textureCount + j.
struct m3d_PolygonGroup {
    uint32_t* runs;
    int32_t count;
    void* records;
    int32_t recordSize;
};

enum : int32_t {
    M3D_MODEL_MAGIC = 0x424D,
    M3D_MODEL_MAX_VERTICES = 21845,
    M3D_MODEL_MAX_TEXTURES = 16,
    M3D_MODEL_MAX_PATTERNS = 33,
    M3D_MODEL_MAX_MATERIALS = 256,
};

struct m3d_Model {
    int32_t refCount;  // draw batches of the current frame that use the model
    m3d_Allocator* allocator;
    void* arena;  // null while the model is empty
    int32_t vertexCount;
    int16_t* vertices;  // x, y, z per vertex
    int8_t* normals;    // x, y, z per vertex, 64 = 1.0; null when the file has none
    int32_t textureCount;
    int32_t patternCount;
    int32_t materialCount;
    int32_t polygonTotal;
    m3d_PolygonGroup groups[M3D_GROUPS];
    m3d_Texture materialRamps;  // 32 x materialCount 16-bit ramps over the arena
    int32_t boneCount;
    m3d_ModelBone* bones;
    uint32_t patternMask;
    int32_t* chain;        // scratch for a chain of bone indexes
    int32_t (*world)[12];  // per bone, filled when poses are evaluated
    int32_t (*local)[12];  // per bone, the rest matrices after loading
};

void m3d_initModel(m3d_Model* model, m3d_Allocator* allocator);
void m3d_releaseModel(m3d_Model* model);
int32_t m3d_loadModel(m3d_Model* model, m3d_InputStream* stream);
bool m3d_isModelInUse(const m3d_Model* model);
