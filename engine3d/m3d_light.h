// Lighting: one ambient term and one directional light per context, evaluated per vertex
// into an 8-bit level; environment-map coordinates from the normals; the toon table; and
// the cache of 32-step shade ramps for flat colours.
#pragma once

#include <stdint.h>

#include "engine3d/m3d_records.h"

void m3d_setAmbientLight(m3d_Context* context, int32_t intensity);
void m3d_setDirectionalLight(m3d_Context* context, const int32_t* direction, int32_t intensity);
void m3d_setToonTable(m3d_Context* context, int32_t threshold, int32_t high, int32_t low);

// A row 0..255 of the ramp cache holding the ramp of the colour, or -1.
int32_t m3d_findShadeRamp(m3d_Context* context, uint32_t color);
void m3d_ageShadeRamps(m3d_Context* context);
// Entry i (0..31) of the ramp of a colour.
uint16_t m3d_rampEntry(uint32_t color, int32_t i);

// The lighting of one run of vertices: the model-to-view rotation made orthonormal, and
// the light in model space pre-scaled for the level sum.
struct m3d_LightSetup {
    int32_t rotation[12];
    int32_t light[3];  // (L' x 255) >> 2
    int32_t ambient;   // ambient x 4080
};
void m3d_prepareLighting(const m3d_Context* context, const int32_t* modelToView, m3d_LightSetup* out);
// Normals with 64 = 1.0.
uint8_t m3d_lightLevel(const m3d_LightSetup* setup, int32_t nx, int32_t ny, int32_t nz);
void m3d_environmentCoords(const m3d_LightSetup* setup, int32_t nx, int32_t ny, int32_t nz, uint8_t* u, uint8_t* v);
// Lights a run of screen vertices from 8-bit normals (models) or from 32-bit normals with
// 4096 = 1.0 (primitive blocks), with environment coordinates when env is set.
void m3d_lightVertices8(const m3d_LightSetup* setup, const int8_t* normals, int32_t count, m3d_ScreenVertex* out,
                        bool env);
void m3d_lightVertices32(const m3d_LightSetup* setup, const int32_t* normals, int32_t count, m3d_ScreenVertex* out,
                         bool env);
