// Models in a frame: bone poses and their world matrices, motions applied to a model,
// the pattern mask, and a loaded model queued into the current frame (its bones' vertex
// runs transformed and lit, its polygons culled and put on the depth list under batches
// that bind its material ramps and the context's texture slots).
#pragma once

#include <stdint.h>

#include "engine3d/m3d_model.h"
#include "engine3d/m3d_motion.h"
#include "engine3d/m3d_records.h"

void m3d_setBonePose(m3d_Model* model, int32_t bone, const int32_t* matrix);
void m3d_applyMotion(m3d_Model* model, const m3d_Motion* motion, int32_t action, int32_t time);
int32_t m3d_patternCount(const m3d_Model* model);
uint32_t m3d_getPatternMask(const m3d_Model* model);
void m3d_setPatternMask(m3d_Model* model, uint32_t mask);
// Leaves out untouched for a bone index out of range.
void m3d_boneWorldMatrix(m3d_Model* model, int32_t bone, int32_t* out);

// Queues pattern 0 and then, for each set bit k of the pattern mask, pattern k + 1.
int32_t m3d_addModel(m3d_Context* context, m3d_Model* model);
