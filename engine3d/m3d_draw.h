// Frame drawing: the depth list sorted back to front, then each polygon dispatched to
// the point, line or triangle set-up with its batch's textures bound and a filler from
// the rasterizer table. Drawing ends the frame.
#pragma once

#include <stdint.h>

#include "engine3d/m3d_records.h"

int32_t m3d_drawFigure(m3d_Context* context);
// Orders the depth list's entry indexes by key, farthest first, into the sort order.
int32_t m3d_sortDepthList(m3d_Context* context);
void m3d_renderFigure(m3d_Context* context);
