// Matrix operations. All arithmetic is 32-bit and wraps; products are rounded with r().
#include "engine3d/m3d_matrix.h"

#include <string.h>

#include "engine3d/m3d_fixed.h"

namespace {

const int32_t kIdentity[12] = {4096, 0, 0, 0, 0, 4096, 0, 0, 0, 0, 4096, 0};

inline int32_t r(int32_t a) { return m3d_round12(a); }

void setRotation(int32_t* m, int32_t a0, int32_t a1, int32_t a2, int32_t b0, int32_t b1, int32_t b2, int32_t c0,
                 int32_t c1, int32_t c2) {
    m[0] = a0, m[1] = a1, m[2] = a2;
    m[4] = b0, m[5] = b1, m[6] = b2;
    m[8] = c0, m[9] = c1, m[10] = c2;
}

}  // namespace

void m3d_matSet(int32_t* m, int32_t m00, int32_t m01, int32_t m02, int32_t m03, int32_t m10, int32_t m11, int32_t m12,
                int32_t m13, int32_t m20, int32_t m21, int32_t m22, int32_t m23) {
    const int32_t v[12] = {m00, m01, m02, m03, m10, m11, m12, m13, m20, m21, m22, m23};
    memcpy(m, v, sizeof v);
}

void m3d_matIdentity(int32_t* m) { memcpy(m, kIdentity, sizeof kIdentity); }

void m3d_matTransformPoint(const int32_t* m, const int32_t* p, int32_t* out) {
    int32_t o[3];
    for (int i = 0; i < 3; i++) o[i] = m[i * 4 + 3] + r(m3d_dot3(m + i * 4, p));
    memcpy(out, o, sizeof o);
}

void m3d_matRotateVector(const int32_t* m, const int32_t* v, int32_t* out) {
    int32_t o[3];
    for (int i = 0; i < 3; i++) o[i] = r(m3d_dot3(m + i * 4, v));
    memcpy(out, o, sizeof o);
}

void m3d_matMul(int32_t* out, const int32_t* a, const int32_t* b) {
    int32_t o[12];
    for (int i = 0; i < 3; i++) {
        const int32_t* ai = a + i * 4;
        for (int j = 0; j < 4; j++) o[i * 4 + j] = r(ai[0] * b[j] + ai[1] * b[4 + j] + ai[2] * b[8 + j]);
        o[i * 4 + 3] += ai[3];
    }
    memcpy(out, o, sizeof o);
}

void m3d_matMulInPlace(int32_t* a, const int32_t* b) { m3d_matMul(a, a, b); }

void m3d_matRotateX(int32_t* m, int32_t angle) {
    int32_t c = m3d_cos(angle), s = m3d_sin(angle);
    setRotation(m, 4096, 0, 0, 0, c, -s, 0, s, c);
}

void m3d_matRotateY(int32_t* m, int32_t angle) {
    int32_t c = m3d_cos(angle), s = m3d_sin(angle);
    setRotation(m, c, 0, s, 0, 4096, 0, -s, 0, c);
}

void m3d_matRotateZ(int32_t* m, int32_t angle) {
    int32_t c = m3d_cos(angle), s = m3d_sin(angle);
    setRotation(m, c, -s, 0, s, c, 0, 0, 0, 4096);
}

void m3d_matRotateAxis(int32_t* m, const int32_t* axis, int32_t angle) {
    int32_t c = m3d_cos(angle), s = m3d_sin(angle), t = 4096 - c;
    int32_t x = axis[0], y = axis[1], z = axis[2];
    int32_t xx = r(x * x), yy = r(y * y), zz = r(z * z);
    int32_t xy = r(x * y), xz = r(x * z), yz = r(y * z);
    int32_t xs = r(x * s), ys = r(y * s), zs = r(z * s);
    setRotation(m, c + r(xx * t), r(t * xy) - zs, ys + r(t * xz),  //
                zs + r(t * xy), c + r(yy * t), r(t * yz) - xs,     //
                r(t * xz) - ys, xs + r(t * yz), c + r(zz * t));
}

void m3d_matLookAt(int32_t* m, const int32_t* eye, const int32_t* direction, const int32_t* up) {
    int32_t row[3];
    m3d_normalize(row, direction);
    memcpy(m + 8, row, sizeof row);
    m[11] = r(-eye[2] * row[2] - eye[1] * row[1] - eye[0] * row[0]);
    int32_t side[3];
    m3d_cross3(side, direction, up);
    m3d_normalize(row, side);
    memcpy(m, row, sizeof row);
    m[3] = r(-eye[2] * row[2] - eye[1] * row[1] - eye[0] * row[0]);
    m3d_cross3(side, direction, m);
    m3d_normalize(row, side);
    memcpy(m + 4, row, sizeof row);
    m[7] = r(-eye[2] * row[2] - eye[1] * row[1] - eye[0] * row[0]);
}

void m3d_matOrthonormalize(int32_t* m) {
    int32_t column0[3] = {m[0], m[4], m[8]};
    int32_t column1[3] = {m[1], m[5], m[9]};
    int32_t a[3], c[3], cross[3];
    m3d_normalize(a, column0);
    m3d_cross3(cross, a, column1);
    m3d_normalize(c, cross);
    int32_t b[3];
    m3d_cross3(b, c, a);
    for (int i = 0; i < 3; i++) {
        m[i * 4] = a[i];
        m[i * 4 + 1] = b[i] >> 12;
        m[i * 4 + 2] = c[i];
    }
}

void m3d_matDirectionRoll(int32_t* m, const int32_t* direction, int32_t roll) {
    int32_t x = direction[0], y = direction[1], z = direction[2];
    int32_t x2 = (x * x) >> 12, y2 = (y * y) >> 12;
    if (x2 > 0 || y2 > 0) {
        int32_t k = m3d_shl(4096 - z, 12) / (x2 + y2);
        int32_t xy = (((-(y * x)) >> 12) * k) >> 12;
        setRotation(m, z + ((k * y2) >> 12), xy, x, xy, z + ((k * x2) >> 12), y, -x, -y, z);
    } else {
        setRotation(m, 4096, 0, 0, 0, z, 0, 0, 0, z);
    }
    if (roll != 0) {
        int32_t c = m3d_cos(roll), s = m3d_sin(roll);
        for (int i = 0; i < 3; i++) {
            int32_t p = m[i * 4], q = m[i * 4 + 1];
            m[i * 4] = r(q * s + p * c);
            m[i * 4 + 1] = r(q * c - p * s);
        }
    }
}

void m3d_matDirectionRollScale(int32_t* m, const int32_t* scale, const int32_t* direction, int32_t roll) {
    m3d_matDirectionRoll(m, direction, roll);
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++) m[i * 4 + j] = r(m[i * 4 + j] * scale[j]);
}

void m3d_matInvertRigid(int32_t* out, const int32_t* m) {
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++) out[i * 4 + j] = m[j * 4 + i];
    const int32_t t[3] = {m[3], m[7], m[11]};
    for (int i = 0; i < 3; i++) out[i * 4 + 3] = -(m3d_dot3(out + i * 4, t) >> 12);
}

void m3d_vecZero(int32_t* v) { memset(v, 0, 3 * sizeof(int32_t)); }
