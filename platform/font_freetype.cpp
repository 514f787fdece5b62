// FreeType glyphs for the font layer: one FT_Face per font file, opened on first use
// and sized before each use; monochrome rendering with hinting, so text is crisp
// pixels in one colour.
#include "platform/font_freetype.h"

#include "platform/lowmem.h"
#include "platform/p32.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const char* const kFontDir = "/usr/share/fonts/truetype/liberation/";
// [family][bold + 2 * italic]; faces 0 and 1 are sans, face 2 serif
const char* const kFiles[2][4] = {
    {"LiberationSans-Regular.ttf", "LiberationSans-Bold.ttf", "LiberationSans-Italic.ttf",
     "LiberationSans-BoldItalic.ttf"},
    {"LiberationSerif-Regular.ttf", "LiberationSerif-Bold.ttf", "LiberationSerif-Italic.ttf",
     "LiberationSerif-BoldItalic.ttf"},
};
const char* const kFallbackFile = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";

struct FaceSlot {
    FT_Face face;
    FT_F26Dot6 sizedTo;  // the character size last set, 0 for none
    bool tried;
};

struct FreeTypeState {
    FT_Library library;
    FaceSlot faces[2][4];
    FaceSlot fallback;
};

FreeTypeState ft;

// One opened font: its file faces and its size. Low memory, so that its address is the
// handle the font record keeps in a word.
struct FtFont {
    FaceSlot* primary;
    FT_F26Dot6 charSize;  // 26.6 pixels per em
    int32_t ascent;
    bool underline;
    int32_t underlineTop, underlineRows;
};

FT_Face load(FaceSlot* slot, const char* path) {
    if (!slot->tried) {
        slot->tried = true;
        if (FT_New_Face(ft.library, path, 0, &slot->face) != 0) slot->face = nullptr;
    }
    return slot->face;
}

FT_Face sized(FaceSlot* slot, FT_F26Dot6 charSize) {
    if (slot->face != nullptr && slot->sizedTo != charSize) {
        FT_Set_Char_Size(slot->face, 0, charSize, 72, 72);
        slot->sizedTo = charSize;
    }
    return slot->face;
}

// The face that has the character: the font's own, else IPAGothic, else the own face's
// missing-glyph box.
FT_Face faceFor(const FtFont* f, uint16_t ch) {
    FT_Face own = sized(f->primary, f->charSize);
    if (FT_Get_Char_Index(own, ch) != 0) return own;
    FT_Face fallback = load(&ft.fallback, kFallbackFile);
    if (fallback != nullptr && FT_Get_Char_Index(fallback, ch) != 0) return sized(&ft.fallback, f->charSize);
    return own;
}

bool loadGlyph(const FtFont* f, uint16_t ch, bool render, FT_Face* out) {
    FT_Face face = faceFor(f, ch);
    FT_Int32 flags = FT_LOAD_TARGET_MONO | (render ? FT_LOAD_RENDER | FT_LOAD_MONOCHROME : 0);
    if (FT_Load_Char(face, ch, flags) != 0) return false;
    *out = face;
    return true;
}

uint32_t ftOpen(int32_t face, int32_t style, int32_t height, FontMetrics* out) {
    int family = face == 2 ? 1 : 0;
    int variant = (style & 1) + ((style & 2) ? 2 : 0);
    FaceSlot* slot = &ft.faces[family][variant];
    char path[256];
    snprintf(path, sizeof path, "%s%s", kFontDir, kFiles[family][variant]);
    FT_Face f = load(slot, path);
    if (f == nullptr || height <= 0) return 0;
    // the cell is ascent plus descent, as the platform's own fonts measure it
    int32_t up = f->ascender, down = -f->descender, gap = f->height - (f->ascender - f->descender);
    if (TT_OS2* os2 = (TT_OS2*)FT_Get_Sfnt_Table(f, FT_SFNT_OS2)) {
        if (os2->usWinAscent + os2->usWinDescent > 0) {
            up = os2->usWinAscent;
            down = os2->usWinDescent;
        }
    }
    if (up + down <= 0) return 0;
    FtFont* font = (FtFont*)lowCalloc(1, sizeof(FtFont));
    if (font == nullptr) return 0;
    font->primary = slot;
    font->charSize = (FT_F26Dot6)((int64_t)height * 64 * f->units_per_EM / (up + down));
    font->ascent = (int32_t)(((int64_t)up * height + (up + down) / 2) / (up + down));
    font->underline = (style & 4) != 0;
    int32_t thickness = (int32_t)((int64_t)f->underline_thickness * height / (up + down));
    font->underlineRows = thickness < 1 ? 1 : thickness;
    int32_t below = (int32_t)((int64_t)-f->underline_position * height / (up + down));
    font->underlineTop = font->ascent + (below < 1 ? 1 : below);
    if (font->underlineTop + font->underlineRows > height) font->underlineTop = height - font->underlineRows;
    out->ascent = font->ascent;
    out->descent = height - font->ascent;
    out->leading = gap > 0 ? (int32_t)(((int64_t)gap * height + (up + down) / 2) / (up + down)) : 0;
    return p32Word(font);
}

FtFont* fontOf(uint32_t handle) { return (FtFont*)p32Address(handle); }

void ftClose(uint32_t font) { lowFree(fontOf(font)); }

int32_t ftAdvance(uint32_t font, uint16_t ch) {
    FT_Face face;
    if (!loadGlyph(fontOf(font), ch, false, &face)) return 0;
    return (int32_t)((face->glyph->advance.x + 32) >> 6);
}

int32_t ftRightBearing(uint32_t font, uint16_t ch) {
    FT_Face face;
    if (!loadGlyph(fontOf(font), ch, false, &face)) return 0;
    const FT_Glyph_Metrics& m = face->glyph->metrics;
    return (int32_t)((m.horiAdvance - m.horiBearingX - m.width) >> 6);
}

void ftDraw(uint32_t handle, uint16_t ch, uint8_t* mask, int32_t stride, int32_t width, int32_t height, int32_t penX) {
    const FtFont* f = fontOf(handle);
    FT_Face face;
    if (!loadGlyph(f, ch, true, &face)) return;
    FT_GlyphSlot g = face->glyph;
    const FT_Bitmap& bm = g->bitmap;
    if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
        for (unsigned r = 0; r < bm.rows; r++) {
            int32_t y = f->ascent - g->bitmap_top + (int32_t)r;
            if (y < 0 || y >= height) continue;
            const uint8_t* bits = bm.buffer + (int64_t)r * bm.pitch;
            for (unsigned c = 0; c < bm.width; c++) {
                int32_t x = penX + g->bitmap_left + (int32_t)c;
                if (x >= 0 && x < width && (bits[c >> 3] & (0x80 >> (c & 7)))) mask[y * stride + x] = 1;
            }
        }
    }
    if (f->underline) {
        int32_t advance = (int32_t)((g->advance.x + 32) >> 6);
        for (int32_t y = f->underlineTop; y < f->underlineTop + f->underlineRows && y < height; y++)
            for (int32_t x = penX; x < penX + advance; x++)
                if (x >= 0 && x < width) mask[y * stride + x] = 1;
    }
}

const FontRenderer kRenderer = {ftOpen, ftClose, ftAdvance, ftRightBearing, ftDraw};

}  // namespace

const FontRenderer* FontFreeTypeRenderer(void) {
    if (ft.library == nullptr && FT_Init_FreeType(&ft.library) != 0) {
        ft.library = nullptr;
        return nullptr;
    }
    char path[256];
    snprintf(path, sizeof path, "%s%s", kFontDir, kFiles[0][0]);
    if (load(&ft.faces[0][0], path) == nullptr) return nullptr;
    return &kRenderer;
}

void FontFreeTypeRelease(void) {
    if (ft.library == nullptr) return;
    for (auto& family : ft.faces)
        for (FaceSlot& slot : family)
            if (slot.face != nullptr) FT_Done_Face(slot.face);
    if (ft.fallback.face != nullptr) FT_Done_Face(ft.fallback.face);
    FT_Done_FreeType(ft.library);
    memset(&ft, 0, sizeof ft);
}
