// The span and half-triangle fillers: one function per colour source, toon, blend mode
// and transparency, generated from one template so that the inner loop has no branch
// but the transparency test, and the rasterizer table that lists them.
#include <stdint.h>

#include "engine3d/m3d_color.h"
#include "engine3d/m3d_raster.h"
#include "engine3d/m3d_span.h"

namespace {

enum Source {
    kFlat,          // the render target's flat colour
    kMaterial,      // ramp colour at full light
    kLit,           // ramp colour by light level
    kLitEnv,        // ramp colour by level, then the environment texel added
    kTexture16,     // 16-bit texels
    kShaded,        // shaded 8-bit texels at full light
    kShadedLit,     // shaded 8-bit texels by level
    kShadedLitEnv,  // the same, then the environment texel added
    kRgb,           // red, green, blue attributes
};

constexpr int attributeCount(Source s) {
    switch (s) {
        case kLit:
            return 1;
        case kTexture16:
        case kShaded:
            return 2;
        case kLitEnv:
        case kShadedLit:
        case kRgb:
            return 3;
        case kShadedLitEnv:
            return 5;
        default:
            return 0;
    }
}

template <int Blend>
inline uint16_t blendPixel(uint32_t d, uint32_t c) {
    if constexpr (Blend == 0) return (uint16_t)c;
    if constexpr (Blend == 1) return m3d_blendHalf(d, c);
    if constexpr (Blend == 2) return m3d_blendAdd(d, c);
    return m3d_blendSubtract(d, c);
}

inline uint32_t texelIndex256(int32_t u, int32_t v) { return (uint32_t)(((v >> 8) & 0xFF00) + ((u >> 16) & 255)); }
inline uint32_t texelIndex64(int32_t u, int32_t v) { return (uint32_t)(((v >> 10) & 0xFC0) + ((u >> 16) & 63)); }

template <bool Toon>
inline uint32_t lightStep(const m3d_RenderTarget* t, int32_t level) {
    uint32_t step = (uint32_t)(level >> 19) & 31;
    if constexpr (Toon) step = t->toonTable[step] & 31;
    return step;
}

// Fills [start, end) of the current row from the span values of the attributes.
template <Source S, int Blend, bool Transparent, bool Toon>
inline void fillRow(const m3d_SpanState* s) {
    constexpr int N = attributeCount(S);
    uint16_t* p = s->spanStart;
    uint16_t* const end = s->spanEnd;
    const m3d_RenderTarget* t = s->target;
    int32_t a[N > 0 ? N : 1], g[N > 0 ? N : 1];
    for (int i = 0; i < N; i++) a[i] = s->attr[i].value, g[i] = s->attr[i].gradient;
    const uint16_t* ramp = nullptr;
    if constexpr (S == kMaterial || S == kLit || S == kLitEnv) ramp = (const uint16_t*)s->texels0 + t->rampRow * 32;
    const uint8_t* index8 = (const uint8_t*)s->texels0;
    const uint16_t* texel16 = (const uint16_t*)s->texels0;
    const uint16_t* shade = s->palette0;
    const uint16_t* env = s->texels1;

    if constexpr (S == kFlat || S == kMaterial) {
        const uint32_t c = S == kFlat ? (t->flatColor & 0xFFFF) : ramp[31];
        for (; p < end; p++) *p = blendPixel<Blend>(*p, c);
        return;
    }
    for (; p < end; p++) {
        uint32_t c;
        bool draw = true;  // constant but for the transparent members
        if constexpr (S == kLit || S == kLitEnv) {
            c = ramp[lightStep<Toon>(t, a[0])];
        } else if constexpr (S == kTexture16) {
            c = texel16[texelIndex256(a[0], a[1])];
            if constexpr (Transparent) draw = c != 0;
        } else if constexpr (S == kRgb) {
            c = (uint32_t)(((a[0] >> 8) & 0xF800) | ((a[1] >> 13) & 0x07C0) | ((a[2] >> 19) & 31));
        } else {
            uint32_t i = index8[texelIndex256(a[0], a[1])];
            uint32_t step = 31;
            if constexpr (S == kShadedLit || S == kShadedLitEnv) step = lightStep<Toon>(t, a[2]);
            if constexpr (Transparent) draw = i != 0;
            c = shade[step * 256 + i];
        }
        if (draw) {
            if constexpr (S == kLitEnv) {
                *p = m3d_blendAdd(blendPixel<Blend>(*p, c), env[texelIndex64(a[1], a[2])]);
            } else if constexpr (S == kShadedLitEnv) {
                *p = m3d_blendAdd(blendPixel<Blend>(*p, c), env[texelIndex64(a[3], a[4])]);
            } else {
                *p = blendPixel<Blend>(*p, c);
            }
        }
        for (int i = 0; i < N; i++) a[i] += g[i];
    }
}

template <Source S, int Blend, bool Transparent, bool Toon>
void spanFiller(m3d_SpanState* s) {
    fillRow<S, Blend, Transparent, Toon>(s);
}

template <Source S, int Blend, bool Transparent, bool Toon>
void halfFiller(m3d_SpanState* s, m3d_RenderTarget* t) {
    m3d_walkRows<attributeCount(S)>(s, t, [](m3d_SpanState* state) { fillRow<S, Blend, Transparent, Toon>(state); });
}

template <Source S, int Blend, bool Transparent, bool Toon>
constexpr m3d_RasterEntry span() {
    return {nullptr, &spanFiller<S, Blend, Transparent, Toon>};
}
template <Source S>
constexpr m3d_RasterEntry half() {
    return {&halfFiller<S, 0, false, false>, nullptr};
}

// Rows 0-2: column = toon x 4 + blend (row 0: flat colour, then material).
#define M3D_TOON_ROW(S)                                                                                             \
    span<S, 0, false, false>(), span<S, 1, false, false>(), span<S, 2, false, false>(), span<S, 3, false, false>(), \
        span<S, 0, false, true>(), span<S, 1, false, true>(), span<S, 2, false, true>(), span<S, 3, false, true>()
// Rows 3-8: column = blend x 2 + transparent; FIRST is column 0.
#define M3D_TEXTURE_ROW(S, TOON, FIRST)                                                                              \
    FIRST, span<S, 0, true, TOON>(), span<S, 1, false, TOON>(), span<S, 1, true, TOON>(), span<S, 2, false, TOON>(), \
        span<S, 2, true, TOON>(), span<S, 3, false, TOON>(), span<S, 3, true, TOON>()

}  // namespace

const m3d_RasterEntry m3d_rasterizerTable[M3D_RASTER_ROWS * M3D_RASTER_COLUMNS] = {
    span<kFlat, 0, false, false>(),
    span<kFlat, 1, false, false>(),
    span<kFlat, 2, false, false>(),
    span<kFlat, 3, false, false>(),
    span<kMaterial, 0, false, false>(),
    span<kMaterial, 1, false, false>(),
    span<kMaterial, 2, false, false>(),
    span<kMaterial, 3, false, false>(),
    M3D_TOON_ROW(kLit),
    M3D_TOON_ROW(kLitEnv),
    M3D_TEXTURE_ROW(kTexture16, false, half<kTexture16>()),
    M3D_TEXTURE_ROW(kShaded, false, half<kShaded>()),
    M3D_TEXTURE_ROW(kShadedLit, false, half<kShadedLit>()),
    M3D_TEXTURE_ROW(kShadedLit, true, (span<kShadedLit, 0, false, true>())),
    M3D_TEXTURE_ROW(kShadedLitEnv, false, (span<kShadedLitEnv, 0, false, false>())),
    M3D_TEXTURE_ROW(kShadedLitEnv, true, (span<kShadedLitEnv, 0, false, true>())),
};

const m3d_SpanFn m3d_rgbGouraudSpans[4] = {
    &spanFiller<kRgb, 0, false, false>,
    &spanFiller<kRgb, 1, false, false>,
    &spanFiller<kRgb, 2, false, false>,
    &spanFiller<kRgb, 3, false, false>,
};
