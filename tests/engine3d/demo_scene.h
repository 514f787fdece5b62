// Scenes written as command lists: the demo scene (a lit textured cube, a floor running
// past the near plane, a lit pyramid, sprites, lines, points and a blended pane) that
// the demo renderer writes to a PNG and a picture test compares, and the textured mesh
// the benchmark draws.
#pragma once

#include <stdint.h>

#include <vector>

#include "engine3d/command_builder.h"
#include "engine3d/m3d_command.h"
#include "engine3d/m3d_context.h"
#include "engine3d/m3d_matrix.h"
#include "engine3d/scene.h"

namespace e3t {

// A grid of cols x rows quads in the z = 0 plane, width x height units around the
// origin, each quad split into two textured triangles, in blocks of at most 250.
inline void meshBlocks(CommandBuilder& b, int32_t cols, int32_t rows, int32_t width, int32_t height, uint32_t flags) {
    struct Tri {
        int32_t v[9];
        int32_t uv[6];
    };
    std::vector<Tri> tris;
    auto x = [&](int32_t i) { return -width / 2 + width * i / cols; };
    auto y = [&](int32_t j) { return -height / 2 + height * j / rows; };
    auto u = [&](int32_t i) { return 255 * i / cols; };
    auto v = [&](int32_t j) { return 255 * j / rows; };
    for (int32_t j = 0; j < rows; j++)
        for (int32_t i = 0; i < cols; i++) {
            // a gentle wave in depth so that the keys differ
            auto z = [&](int32_t a, int32_t c) { return ((a * 7 + c * 3) % 5) * 4; };
            tris.push_back({{x(i), y(j), z(i, j), x(i + 1), y(j), z(i + 1, j), x(i), y(j + 1), z(i, j + 1)},
                            {u(i), v(j), u(i + 1), v(j), u(i), v(j + 1)}});
            tris.push_back(
                {{x(i + 1), y(j), z(i + 1, j), x(i + 1), y(j + 1), z(i + 1, j + 1), x(i), y(j + 1), z(i, j + 1)},
                 {u(i + 1), v(j), u(i + 1), v(j + 1), u(i), v(j + 1)}});
        }
    for (size_t first = 0; first < tris.size(); first += 250) {
        size_t n = tris.size() - first < 250 ? tris.size() - first : 250;
        std::vector<int32_t> vertices, uv;
        for (size_t k = first; k < first + n; k++) {
            vertices.insert(vertices.end(), tris[k].v, tris[k].v + 9);
            uv.insert(uv.end(), tris[k].uv, tris[k].uv + 6);
        }
        b.block(3, (uint32_t)n, {3, 0, 0}, flags, vertices, {}, uv);
    }
}

struct DemoScene {
    Textures tx;
    int32_t matrices[2 * 12];
    m3d_Figure figure = {0, 2, matrices};

    // Binds the textures and the figure: matrix 0 turns the cube by `turn` (1/4096 of
    // a turn), matrix 1 places the rest of the scene.
    void setUp(m3d_Context* c, int32_t turn) {
        m3d_Texture* const list[] = {&tx.shaded, &tx.direct};
        m3d_TextureList textures = {2, list};
        m3d_setTextures(c, &textures);
        m3d_setExtraTexture(c, &tx.environment);
        int32_t spin[12], tilt[12];
        m3d_matIdentity(spin);
        m3d_matIdentity(tilt);
        m3d_matRotateY(spin, turn);
        m3d_matRotateX(tilt, 300);
        m3d_matMul(matrices, tilt, spin);
        matrices[3] = 0, matrices[7] = -10, matrices[11] = 330;
        m3d_matIdentity(matrices + 12);
        matrices[15] = 0, matrices[19] = 0, matrices[23] = 400;
        m3d_setFigure(c, &figure);
    }
    void tearDown(m3d_Context* c) {
        m3d_setFigure(c, nullptr);
        m3d_setTextures(c, nullptr);
        m3d_setExtraTexture(c, nullptr);
    }

    static std::vector<uint32_t> commands(int32_t width, int32_t height) {
        CommandBuilder b;
        b.perspectiveAngle(20, 2000, 900).origin(width / 2, height / 2);
        b.attribute(M3D_ATTR_LIGHTING | M3D_ATTR_BLENDING | M3D_ATTR_ENVIRONMENT);
        b.ambient(1200).light(-2, 3, 4, 3600);
        // the floor runs from behind the eye to the far distance; keyed by its farthest
        // point so that everything standing on it is drawn after it
        b.storedMatrix(1).textureIndex(1);
        b.block(4, 1, {3, 0, 0}, kFlagFarthest, {-300, 90, -460, 300, 90, -460, 300, 90, 900, -300, 90, 900}, {},
                {0, 255, 255, 255, 255, 0, 0, 0});
        // the cube: lit textured quads, one normal a face
        b.storedMatrix(0).textureIndex(0);
        const int32_t s = 60;
        std::vector<int32_t> cube = {
            -s, -s, -s, s,  -s, -s, s,  s,  -s, -s, s,  -s,  // front (z -)
            s,  -s, s,  -s, -s, s,  -s, s,  s,  s,  s,  s,   // back
            -s, -s, s,  -s, -s, -s, -s, s,  -s, -s, s,  s,   // left
            s,  -s, -s, s,  -s, s,  s,  s,  s,  s,  s,  -s,  // right
            -s, -s, s,  s,  -s, s,  s,  -s, -s, -s, -s, -s,  // top (y -)
            -s, s,  -s, s,  s,  -s, s,  s,  s,  -s, s,  s,   // bottom
        };
        std::vector<int32_t> normals = {0, 0, -4096, 0, 0, 4096, -4096, 0, 0, 4096, 0, 0, 0, -4096, 0, 0, 4096, 0};
        std::vector<int32_t> uv;
        for (int f = 0; f < 6; f++) uv.insert(uv.end(), {0, 0, 47, 0, 47, 47, 0, 47});
        b.block(4, 6, {3, 0, 2}, kFlagLit, cube, normals, uv);
        // a lit pyramid of flat colours, environment-mapped on one side
        b.storedMatrix(1);
        std::vector<int32_t> pyramid = {-260, 90, 0, -140, 90, 0,   -200, -60, 60,
                                        -140, 90, 0, -140, 90, 120, -200, -60, 60};
        b.block(3, 2, {0, 2, 2}, kFlagLit | kFlagEnvironment, pyramid, {-2000, -1500, -3000, 3500, -1500, -1000}, {},
                {0xE04020, 0x30C060});
        // sprites: one parameter set for all, transparent where the texture has index 0
        b.block(5, 3, {1, 0, 0}, kFlagTransparent, {-150, -150, 0, 150, -120, 100, 0, -170, -100}, {},
                {60, 60, 0, 0, 0, 63, 63, 0});
        // a half-blended pane over the cube
        b.block(4, 1, {0, 1, 0}, kFlagBlendHalf | kFlagNearest,
                {-150, -40, -150, -30, -40, -150, -30, 60, -150, -150, 60, -150}, {}, {}, {0x2080FF});
        // a frame of lines and a few points
        b.block(2, 4, {0, 1, 0}, 0, {-180, -150, 0, 180,  -150, 0, 180,  -150, 0, 180,  150,  0,
                                     180,  150,  0, -180, 150,  0, -180, 150,  0, -180, -150, 0},
                {}, {}, {0xFFFF00});
        b.block(1, 5, {0, 2, 0}, 0, {-100, -220, 200, -60, -230, 300, 0, -240, 400, 60, -225, 250, 100, -235, 350}, {},
                {}, {0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF});
        b.draw();
        return b.words;
    }
};

}  // namespace e3t
