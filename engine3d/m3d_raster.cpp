// Selection of a rasterizer table entry by the combined render word.
#include "engine3d/m3d_raster.h"

namespace {

const m3d_RasterEntry* entry(int32_t row, uint32_t column) {
    return &m3d_rasterizerTable[row * M3D_RASTER_COLUMNS + (int32_t)column];
}

bool texture256(uint32_t w) { return ((w >> 16) & 0x7F) == M3D_TEXFLAGS_256; }
bool shadedTexture(uint32_t w) { return (w >> 23) & 1; }

}  // namespace

const m3d_RasterEntry* m3d_rasterFnByBlend(uint32_t w) { return entry(0, (w >> 1) & 3); }
const m3d_RasterEntry* m3d_rasterFnMaterial(uint32_t w) { return entry(0, 4 + ((w >> 1) & 3)); }
const m3d_RasterEntry* m3d_rasterFnLit(uint32_t w) { return entry(1, (w >> 1) & 7); }
const m3d_RasterEntry* m3d_rasterFnLitEnv(uint32_t w) { return entry(2, (w >> 1) & 7); }

const m3d_RasterEntry* m3d_rasterFnForPrimitive(uint32_t w) {
    if (!texture256(w)) return nullptr;
    return entry(shadedTexture(w) ? 4 : 3, w & 7);
}

const m3d_RasterEntry* m3d_rasterFnTexturedLit(uint32_t w) {
    if (!texture256(w)) return nullptr;
    // rows 5 and 6 form one block of 16 addressed by toon, blend and transparency
    return shadedTexture(w) ? entry(5, w & 15) : entry(3, w & 7);
}

const m3d_RasterEntry* m3d_rasterFnTexturedLitEnv(uint32_t w) {
    if (!texture256(w)) return nullptr;
    if ((w >> 24) != M3D_TEXFLAGS_64) return m3d_rasterFnTexturedLit(w);
    return shadedTexture(w) ? entry(7, w & 15) : entry(3, w & 7);
}

uint32_t m3d_getAttribute(const m3d_Context* context) { return context->renderAttribute; }
