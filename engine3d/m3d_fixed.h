// The engine's integer numerics: leading zeros, base-2 logarithm, rounded square root,
// sine and cosine in 1/4096 of a turn (4096 = 1.0), and the 3-vector helpers.
#pragma once

#include <stdint.h>

enum : int32_t { M3D_VERSION = 770, M3D_ONE = 4096 };

int32_t m3d_clz(uint32_t value);
int32_t m3d_log2Ceil(uint32_t value);
int32_t m3d_isqrt(uint32_t value);
int32_t m3d_sin(int32_t angle);
int32_t m3d_cos(int32_t angle);
int32_t m3d_dot3(const int32_t* a, const int32_t* b);
// out may be a (or b).
void m3d_cross3(int32_t* out, const int32_t* a, const int32_t* b);
void m3d_cross3InPlace(int32_t* v, const int32_t* b);
void m3d_normalize(int32_t* out, const int32_t* v);
// The public entry takes its two vectors the other way round.
void m3d_normalizeEntry(const int32_t* v, int32_t* out);
int32_t m3d_identity(int32_t value);

// Shifts of signed values as the engine's arithmetic means them: two's complement,
// wrapping on the left, arithmetic on the right.
inline int32_t m3d_shl(int32_t v, int n) { return (int32_t)((uint32_t)v << n); }
inline int32_t m3d_round12(int32_t v) { return (v + 2048) >> 12; }
