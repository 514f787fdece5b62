// Integer numerics. The sine table is computed by the compiler from a 64-bit fixed-point
// series, so the engine holds exact rounded values without any floating point.
#include "engine3d/m3d_fixed.h"

namespace {

const uint8_t kNibbleZeros[16] = {4, 3, 2, 2, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0};

int32_t clz16(uint32_t v) {
    if (v >> 12) return kNibbleZeros[v >> 12];
    if (v >> 8) return 4 + kNibbleZeros[v >> 8];
    if (v >> 4) return 8 + kNibbleZeros[v >> 4];
    return 12 + kNibbleZeros[v];
}

// sin(pi/2 * a / 1024) for a = 0..1024, rounded to 4096 = 1.0. The series runs in
// 2^-60 units with 128-bit products; its error stays far below the rounding margin of
// every entry (the tests compare all 4096 angles with the C library).
constexpr int64_t kPiQ60 = 0x3243F6A8885A308DLL;  // pi * 2^60

constexpr int64_t mulQ60(int64_t a, int64_t b) { return (int64_t)(((__int128)a * b) >> 60); }

constexpr int16_t sineEntry(int32_t a) {
    int64_t x = (int64_t)(((__int128)kPiQ60 * a) / 2048);  // pi/2 * a/1024
    int64_t x2 = mulQ60(x, x);
    int64_t term = x;
    int64_t sum = x;
    for (int k = 1; k < 14; k++) {
        term = -mulQ60(term, x2) / ((2 * k) * (2 * k + 1));
        sum += term;
    }
    return (int16_t)((sum + ((int64_t)1 << 47)) >> 48);  // 2^60 / 4096 = 2^48
}

struct SineTable {
    int16_t v[1025];
    constexpr SineTable() : v() {
        for (int32_t a = 0; a <= 1024; a++) v[a] = sineEntry(a);
    }
};
constexpr SineTable kSine;
static_assert(kSine.v[0] == 0 && kSine.v[1] == 6 && kSine.v[512] == 2896 && kSine.v[1024] == 4096,
              "sine table end points");

}  // namespace

int32_t m3d_clz(uint32_t value) {
    if (value < 0x10000) return 16 + clz16(value);
    return clz16(value >> 16);
}

int32_t m3d_log2Ceil(uint32_t value) {
    if (value == 0) return -1;
    int32_t k = 31 - m3d_clz(value);
    return (value & (value - 1)) == 0 ? k : k + 1;
}

int32_t m3d_isqrt(uint32_t value) {
    if (value == 0) return 0;
    // floor of the root, bit by bit from the highest even power of two
    uint32_t rest = value;
    uint32_t root = 0;
    uint32_t bit = 1u << ((31 - m3d_clz(value)) & ~1);
    while (bit != 0) {
        if (rest >= root + bit) {
            rest -= root + bit;
            root = (root >> 1) + bit;
        } else {
            root >>= 1;
        }
        bit >>= 2;
    }
    // round: value > root^2 + root means the root lies at or past root + 1/2
    if (rest > root) root++;
    return root > 65535 ? 65535 : (int32_t)root;
}

int32_t m3d_sin(int32_t angle) {
    uint32_t a = (uint32_t)angle & 4095;
    uint32_t inHalf = a & 2047;
    int32_t v = inHalf <= 1024 ? kSine.v[inHalf] : kSine.v[2048 - inHalf];
    return (a & 2048) ? -v : v;
}

int32_t m3d_cos(int32_t angle) { return m3d_sin((int32_t)((uint32_t)angle + 1024)); }

int32_t m3d_dot3(const int32_t* a, const int32_t* b) {
    return (int32_t)((uint32_t)a[0] * (uint32_t)b[0] + (uint32_t)a[1] * (uint32_t)b[1] +
                     (uint32_t)a[2] * (uint32_t)b[2]);
}

void m3d_cross3(int32_t* out, const int32_t* a, const int32_t* b) {
    int32_t x = a[1] * b[2] - a[2] * b[1];
    int32_t y = a[2] * b[0] - a[0] * b[2];
    int32_t z = a[0] * b[1] - a[1] * b[0];
    out[0] = x;
    out[1] = y;
    out[2] = z;
}

void m3d_cross3InPlace(int32_t* v, const int32_t* b) { m3d_cross3(v, v, b); }

void m3d_normalize(int32_t* out, const int32_t* v) {
    int32_t c[3] = {v[0], v[1], v[2]};
    uint32_t magnitudes = 0;
    for (int i = 0; i < 3; i++) magnitudes |= c[i] < 0 ? 0u - (uint32_t)c[i] : (uint32_t)c[i];
    int32_t n = m3d_clz(magnitudes);
    for (int i = 0; i < 3; i++) c[i] = n <= 17 ? c[i] >> (17 - n) : m3d_shl(c[i], n - 17);
    uint32_t squares = 0;
    for (int i = 0; i < 3; i++) squares += (uint32_t)(c[i] * c[i]);
    int32_t length = m3d_isqrt(squares);
    if (length == 0) {
        out[0] = 0;
        out[1] = 0;
        out[2] = M3D_ONE;
        return;
    }
    for (int i = 0; i < 3; i++) out[i] = c[i] * M3D_ONE / length;
}

void m3d_normalizeEntry(const int32_t* v, int32_t* out) { m3d_normalize(out, v); }

int32_t m3d_identity(int32_t value) { return value; }
