// Fixed-point 3x4 matrices: 12 words row by row, rotation elements with 4096 = 1.0 and a
// translation column in whole units. r(a) = (a + 2048) >> 12 rounds every product.
#pragma once

#include <stdint.h>

void m3d_matSet(int32_t* m, int32_t m00, int32_t m01, int32_t m02, int32_t m03, int32_t m10, int32_t m11, int32_t m12,
                int32_t m13, int32_t m20, int32_t m21, int32_t m22, int32_t m23);
void m3d_matIdentity(int32_t* m);
void m3d_matTransformPoint(const int32_t* m, const int32_t* p, int32_t* out);
void m3d_matRotateVector(const int32_t* m, const int32_t* v, int32_t* out);
// out = a x b: a point transformed by out is transformed by b, then by a. out may be a or b.
void m3d_matMul(int32_t* out, const int32_t* a, const int32_t* b);
void m3d_matMulInPlace(int32_t* a, const int32_t* b);
void m3d_matRotateX(int32_t* m, int32_t angle);
void m3d_matRotateY(int32_t* m, int32_t angle);
void m3d_matRotateZ(int32_t* m, int32_t angle);
void m3d_matRotateAxis(int32_t* m, const int32_t* axis, int32_t angle);
void m3d_matLookAt(int32_t* m, const int32_t* eye, const int32_t* direction, const int32_t* up);
void m3d_matOrthonormalize(int32_t* m);
void m3d_matDirectionRoll(int32_t* m, const int32_t* direction, int32_t roll);
void m3d_matDirectionRollScale(int32_t* m, const int32_t* scale, const int32_t* direction, int32_t roll);
// Inverse of a rotation-and-translation matrix. out must not be m.
void m3d_matInvertRigid(int32_t* out, const int32_t* m);
void m3d_vecZero(int32_t* v);
