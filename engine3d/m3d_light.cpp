// Vertex lighting, shade ramps and the toon table.
#include "engine3d/m3d_light.h"

#include <string.h>

#include "engine3d/m3d_fixed.h"
#include "engine3d/m3d_matrix.h"
#include "engine3d/m3d_texture.h"

namespace {

int32_t clamp(int32_t v, int32_t low, int32_t high) { return v < low ? low : v > high ? high : v; }

// Ramps are 32 colours a row; the cache is 256 rows.
bool ensureRampBlock(m3d_Context* c) {
    if (c->rampBlock != nullptr) return true;
    if (c->allocator == nullptr) return false;
    void* block = c->allocator->ops->allocate(c->allocator, M3D_RAMP_BLOCK_BYTES);
    if (block == nullptr) return false;
    memset(block, 0, M3D_RAMP_BLOCK_BYTES);
    c->rampBlock = block;
    m3d_initTexture(&c->rampTexture, nullptr);
    m3d_wrapImage(&c->rampTexture.texels, block, M3D_RAMP_STEPS, M3D_RAMP_STEPS, M3D_RAMP_ROWS, M3D_FORMAT_COLOR16);
    c->rampTexture.renderFlags = m3d_computeRenderFlags(&c->rampTexture);
    memset(c->rampKeys, 0, sizeof c->rampKeys);
    memset(c->rampAges, 0, sizeof c->rampAges);
    return true;
}

}  // namespace

void m3d_setAmbientLight(m3d_Context* c, int32_t intensity) { c->ambient = clamp(intensity, 0, 4096); }

void m3d_setDirectionalLight(m3d_Context* c, const int32_t* direction, int32_t intensity) {
    if (direction == nullptr) return;
    intensity = clamp(intensity, 0, 16384);
    int32_t d[3];
    m3d_normalize(d, direction);
    for (int i = 0; i < 3; i++) c->light[i] = -(d[i] * intensity) >> 12;
}

void m3d_setToonTable(m3d_Context* c, int32_t threshold, int32_t high, int32_t low) {
    int32_t t = threshold * 31 / 255;
    if (t > 31) t = 31;
    int32_t h = clamp(high * 31 / 255, 0, 31), l = clamp(low * 31 / 255, 0, 31);
    for (int32_t i = 0; i < M3D_TOON_STEPS; i++) c->target.toonTable[i] = (uint8_t)(i <= t ? l : h);
}

uint16_t m3d_rampEntry(uint32_t color, int32_t i) {
    uint32_t r = (color >> 11) & 31, g = (color >> 6) & 31, b = color & 31;
    return (uint16_t)(((uint32_t)i * r >> 5) << 11 | ((uint32_t)i * g >> 5) << 6 | ((uint32_t)i * b >> 5));
}

int32_t m3d_findShadeRamp(m3d_Context* c, uint32_t color) {
    if (!ensureRampBlock(c)) return -1;
    color &= 0xFFFF;
    int32_t red5 = (int32_t)(color >> 11) & 31, green5 = (int32_t)(color >> 6) & 31, blue5 = (int32_t)color & 31;
    uint32_t start = (uint32_t)(green5 * 31 + red5 - blue5 * 63) & 255;
    uint32_t oldest = 0, oldestAge = 65535;
    for (uint32_t k = 0; k < M3D_RAMP_ROWS; k++) {
        uint32_t slot = (start + k) & 255;
        if (c->rampKeys[slot] == color) {
            if (c->rampAges[slot] < 4096) c->rampAges[slot] += 3;
            return (int32_t)slot;
        }
        if (c->rampAges[slot] < oldestAge) {
            oldestAge = c->rampAges[slot];
            oldest = slot;
        }
    }
    uint16_t* row = (uint16_t*)c->rampBlock + oldest * M3D_RAMP_STEPS;
    for (int32_t i = 0; i < M3D_RAMP_STEPS; i++) row[i] = m3d_rampEntry(color, i);
    c->rampKeys[oldest] = color;
    c->rampAges[oldest] = 16;
    return (int32_t)oldest;
}

void m3d_ageShadeRamps(m3d_Context* c) {
    for (uint32_t& age : c->rampAges)
        if (age != 0) age--;
}

void m3d_prepareLighting(const m3d_Context* c, const int32_t* modelToView, m3d_LightSetup* out) {
    memcpy(out->rotation, modelToView, sizeof out->rotation);
    m3d_matOrthonormalize(out->rotation);
    const int32_t* R = out->rotation;
    for (int i = 0; i < 3; i++) {
        int32_t l = m3d_round12(R[i] * c->light[0] + R[4 + i] * c->light[1] + R[8 + i] * c->light[2]);
        out->light[i] = (l * 255) >> 2;
    }
    out->ambient = c->ambient * 4080;
}

uint8_t m3d_lightLevel(const m3d_LightSetup* setup, int32_t nx, int32_t ny, int32_t nz) {
    int32_t s = nx * setup->light[0] + ny * setup->light[1] + nz * setup->light[2];
    if (s < 0) s = 0;
    int32_t raw = setup->ambient + s;
    return raw >= 0xFF0000 || raw < 0 ? 255 : (uint8_t)(raw >> 16);
}

void m3d_environmentCoords(const m3d_LightSetup* setup, int32_t nx, int32_t ny, int32_t nz, uint8_t* u, uint8_t* v) {
    const int32_t* R = setup->rotation;
    *u = (uint8_t)(((nx * R[0] + ny * R[1] + nz * R[2] + 2048) >> 13) + 32);
    *v = (uint8_t)(((nx * R[4] + ny * R[5] + nz * R[6] + 2048) >> 13) + 32);
}

void m3d_lightVertices8(const m3d_LightSetup* setup, const int8_t* normals, int32_t count, m3d_ScreenVertex* out,
                        bool env) {
    for (int32_t i = 0; i < count; i++) {
        const int8_t* n = normals + 3 * i;
        out[i].light = m3d_lightLevel(setup, n[0], n[1], n[2]);
        if (env) m3d_environmentCoords(setup, n[0], n[1], n[2], &out[i].envU, &out[i].envV);
    }
}

void m3d_lightVertices32(const m3d_LightSetup* setup, const int32_t* normals, int32_t count, m3d_ScreenVertex* out,
                         bool env) {
    for (int32_t i = 0; i < count; i++) {
        int8_t n[3];
        for (int k = 0; k < 3; k++) n[k] = (int8_t)(normals[3 * i + k] >> 6);
        m3d_lightVertices8(setup, n, 1, out + i, env);
    }
}
