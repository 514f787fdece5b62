// The engine context: initialisation and release, the render target (a texture or the
// caller's surface) and its clip, the texture set, reference counting and the end of a
// frame. Every engine operation takes the context; the engine keeps no global state.
#pragma once

#include <stdint.h>

#include "engine3d/m3d_records.h"

// Reference counts: every shared object begins with a signed 32-bit count.
void m3d_takeRef(void* object);
void m3d_dropRef(void* object);

void m3d_initContext(m3d_Context* context, m3d_Allocator* allocator);
void m3d_releaseContext(m3d_Context* context);
int32_t m3d_setTargetTexture(m3d_Context* context, m3d_Texture* texture);
// The caller's pixels must be in the engine's colour format (bit 5 clear); see
// m3d_surface.h for moving pixels to and from the system's surfaces.
void m3d_setTargetSurface(m3d_Context* context, int32_t width, int32_t height, int32_t pitch, uint16_t* pixels);

struct m3d_TextureList {
    int32_t count;
    m3d_Texture* const* textures;
};
int32_t m3d_setTexture(m3d_Context* context, m3d_Texture* texture);
int32_t m3d_setTextures(m3d_Context* context, const m3d_TextureList* list);
int32_t m3d_setExtraTexture(m3d_Context* context, m3d_Texture* texture);

// The requested clip, saturated to 16 bits, and the clip derived from it and the target.
void m3d_setClipRect(m3d_Context* context, int32_t left, int32_t top, int32_t right, int32_t bottom);
void m3d_recomputeClip(m3d_Context* context);

// Forgets everything queued for the frame; the stores are kept for the next one.
void m3d_endFrame(m3d_Context* context);

// Render-attribute switches: set or clear one bit by the low byte of on, answering the
// previous attribute word.
uint32_t m3d_setLightingAllowed(m3d_Context* context, int32_t on);
uint32_t m3d_setEnvironmentAllowed(m3d_Context* context, int32_t on);
uint32_t m3d_setBlendingAllowed(m3d_Context* context, int32_t on);
