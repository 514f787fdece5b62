// What the graphics back end asks of the host shell: the screen, drawing priorities,
// the menu bar, the system sound, string resources, the service allocator and the image
// decoder for formats other than PNG. The program's start-up fills the table; an empty
// slot does the least (no screen: a 0 x 0 surface; no allocator: low memory; no sound,
// no labels, no priorities; no decoder: such data is not an image).
#pragma once

#include "platform/surface.h"

#include <stdint.h>

struct MkHostHooks {
    MkSurface* (*screenGetSurface)(void);
    void (*screenGetVideoProperty)(MkVideoProperty* out);
    void (*threadBoostPriority)(void);        // start of VM drawing
    void (*threadDrawDone)(int32_t refresh);  // end of VM drawing
    int32_t (*displaySetFullScreenMode)(int32_t mode);
    int32_t (*gameKeyStates)(void);
    void (*menuBarSetSoftkeyLabel)(int32_t key, const uint16_t* chars, int32_t count);
    int32_t (*messageBeep)(uint32_t type);  // non-zero when a sound played
    // Loads string resource n as UTF-16 into out (at most capacity units); its length, 0
    // when it cannot be loaded.
    int32_t (*loadString)(int32_t resource, uint16_t* out, int32_t capacity);
    // A zero-filled block below 2 GB (its address may be kept in a word), or null.
    void* (*memAllocPointer)(uint32_t size);
    void (*memFreePointer)(void* block);
    // Every image format but PNG: decode (0 and an image, or 1), its size, its pixels as
    // count ARGB words with a flag for alpha (0, or 2 on failure), its release.
    int (*hostImageDecode)(const uint8_t* data, uint32_t length, void** image);
    void (*hostImageGetSize)(void* image, int32_t* width, int32_t* height);
    int (*hostImageCopyPixels)(void* image, uint32_t* argb, uint32_t count, int32_t* hasAlpha);
    void (*hostImageRelease)(void* image);
};

// Copies the table; null clears every slot.
void mk_setHostHooks(const MkHostHooks* hooks);
const MkHostHooks* mk_getHostHooks(void);
