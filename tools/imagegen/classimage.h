// The generated class image, and its areas for tests that check what a run may change:
// the read-only areas never, the writable ones only until the end of the run.
#pragma once

#include <stdint.h>

#include "vm/core/romimage.h"

struct ClassImageArea {
    const char* name;
    const void* start;
    uint32_t bytes;
    int32_t writable;
};

// The image itself.
extern const RomImage MovaneClassImage;

extern const ClassImageArea MovaneClassImageAreas[];
extern const int32_t MovaneClassImageAreaCount;
