// The screen module, rectangles, placement, frames and icons.
#include "toolkit/guitk_screen.h"

#include "platform/surface.h"
#include "toolkit/guitk_comp.h"

namespace {

struct GuiTkScreen {
    int32_t width;
    int32_t height;
    GuiTkGraphics gfx;
    int32_t softkeyCount;
};
VMBSS GuiTkScreen* Screen;

inline bool isInvalid(const GuiTkRect* r) { return r->width < 0 || r->height < 0; }
inline int32_t rightOf(const GuiTkRect* r) { return GuiTkAddSaturated(r->x, r->width); }
inline int32_t bottomOf(const GuiTkRect* r) { return GuiTkAddSaturated(r->y, r->height); }
inline int32_t maxOf(int32_t a, int32_t b) { return a > b ? a : b; }
inline int32_t minOf(int32_t a, int32_t b) { return a < b ? a : b; }

}  // namespace

int32_t ScreenModuleInit(int32_t, const void*) {
    GuiTkScreen* s = (GuiTkScreen*)GuiTkAlloc((int32_t)sizeof(GuiTkScreen));
    if (s == nullptr) return -1;
    MkVideoProperty video;
    GuiTkGfxGetVideoProperty(&video);
    s->width = GuiTkGfxGetSurfaceWidth(video.surface);
    s->height = GuiTkGfxGetSurfaceHeight(video.surface);
    s->softkeyCount = video.softkeyCount;
    s->gfx = GuiTkGfxCreateContext(video.surface);
    if (s->gfx == GUITK_NONE) {
        GuiTkFree(s);
        return -1;
    }
    Screen = s;
    return 0;
}

int32_t ScreenModuleFini(void) {
    if (Screen == nullptr) return 0;
    if (Screen->gfx != GUITK_NONE) GuiTkGfxDestroyContext(Screen->gfx);
    GuiTkFree(Screen);
    Screen = nullptr;
    return 0;
}

int32_t GuiTkRecreateScreenContext(void) {
    MkVideoProperty video;
    GuiTkGfxGetVideoProperty(&video);
    if (video.surface.w == 0xFFFFFFFFu) return 0;
    GuiTkGraphics gfx = GuiTkGfxCreateContext(video.surface);
    if (gfx == GUITK_NONE) return -1;
    if (Screen->gfx != GUITK_NONE) GuiTkGfxDestroyContext(Screen->gfx);
    Screen->gfx = gfx;
    return 0;
}

GuiTkGraphics GuiTkGetScreenGraphics(void) { return Screen->gfx; }
int32_t GuiTkGetScreenWidth(void) { return Screen->width; }
int32_t GuiTkGetScreenHeight(void) { return Screen->height; }
int32_t GuiTkGetSoftkeyCount(void) { return Screen->softkeyCount; }

int32_t GuiTkRectContainsPoint(const GuiTkRect* r, int32_t x, int32_t y) {
    if (isInvalid(r)) return 0;
    return r->x <= x && x <= rightOf(r) && r->y <= y && y <= bottomOf(r);
}

int32_t GuiTkRectContainsRect(const GuiTkRect* outer, const GuiTkRect* inner) {
    if (isInvalid(outer) || isInvalid(inner)) return 0;
    return GuiTkRectContainsPoint(outer, inner->x, inner->y) &&
           GuiTkRectContainsPoint(outer, rightOf(inner), bottomOf(inner));
}

int32_t GuiTkRectIntersects(const GuiTkRect* a, const GuiTkRect* b) {
    if (isInvalid(a) || isInvalid(b)) return 0;
    // a zero-sized side is a line that must start inside the other's span
    bool ax = a->width == 0 ? a->x >= b->x : rightOf(a) > b->x;
    bool ay = a->height == 0 ? a->y >= b->y : bottomOf(a) > b->y;
    bool bx = b->width == 0 ? b->x >= a->x : rightOf(b) > a->x;
    bool by = b->height == 0 ? b->y >= a->y : bottomOf(b) > a->y;
    return ax && ay && bx && by;
}

void GuiTkRectIntersect(GuiTkRect* a, const GuiTkRect* b) {
    if (isInvalid(a)) return;
    if (!GuiTkRectIntersects(a, b)) {
        a->width = 0;
        a->height = 0;
        return;
    }
    int32_t x = maxOf(a->x, b->x), y = maxOf(a->y, b->y);
    int32_t right = minOf(rightOf(a), rightOf(b)), bottom = minOf(bottomOf(a), bottomOf(b));
    *a = {x, y, maxOf(right - x, 0), maxOf(bottom - y, 0)};
}

void GuiTkClipTo(GuiTkGraphics gfx, const GuiTkRect* rect) {
    GuiTkRect clip;
    GuiTkGfxGetClip(gfx, &clip);
    GuiTkRectIntersect(&clip, rect);
    GuiTkGfxSetClip(gfx, &clip);
}

void GuiTkPlaceBlock(const GuiTkComponent* record, const GuiTkRect* box, int32_t blockWidth, int32_t blockHeight,
                     int32_t* x, int32_t* y) {
    int32_t spareX = box->width - blockWidth, spareY = box->height - blockHeight;
    if (spareX < 0) {
        int32_t a = record->overflowAlignX;
        *x = a == 1 ? box->x + spareX : a == 2 ? box->x + spareX / 2 : box->x;
    } else {
        int32_t a = record->alignX;
        *x = a == 1 ? box->x : a == 2 ? box->x + spareX : box->x + spareX / 2;
    }
    if (spareY < 0) {
        int32_t a = record->overflowAlignY;
        *y = a == 1 ? box->y + spareY : a == 2 ? box->y + spareY / 2 : box->y;
    } else {
        int32_t a = record->alignY;
        *y = a == 1 ? box->y : a == 2 ? box->y + spareY : box->y + spareY / 2;
    }
}

bool GuiTkUseColor(GuiTkGraphics gfx, uint32_t argb) {
    if ((argb >> 24) == 0) return false;
    GuiTkGfxSetColor(gfx, argb & 0xFFFFFF);
    return true;
}

void GuiTkDrawFrame(GuiTkGraphics gfx, const GuiTkRect* rect, uint32_t a, uint32_t b, uint32_t c, uint32_t fill,
                    int32_t raised) {
    uint32_t savedColor = GuiTkGfxGetColor(gfx);
    int32_t savedStroke = GuiTkGfxGetStrokeStyle(gfx);
    GuiTkGfxSetStrokeStyle(gfx, 0);
    int32_t x = rect->x, y = rect->y, w = rect->width, h = rect->height;
    uint32_t outerTopLeft = raised ? a : b, inner = raised ? b : c, outerBottomRight = raised ? c : a;
    if (GuiTkUseColor(gfx, outerTopLeft)) {
        if (w >= 2) GuiTkGfxDrawLine(gfx, x, y, x + w - 2, y);
        if (h >= 2) GuiTkGfxDrawLine(gfx, x, y + 1, x, y + h - 2);
    }
    if (GuiTkUseColor(gfx, outerBottomRight)) {
        if (w >= 1) GuiTkGfxDrawLine(gfx, x, y + h - 1, x + w - 1, y + h - 1);
        if (h >= 1) GuiTkGfxDrawLine(gfx, x + w - 1, y, x + w - 1, y + h - 1);
    }
    if (w >= 3 && h >= 3 && GuiTkUseColor(gfx, inner)) {
        if (raised) {
            GuiTkGfxDrawLine(gfx, x + 1, y + h - 2, x + w - 2, y + h - 2);
            GuiTkGfxDrawLine(gfx, x + w - 2, y + 1, x + w - 2, y + h - 2);
        } else {
            GuiTkGfxDrawLine(gfx, x + 1, y + 1, x + w - 2, y + 1);
            GuiTkGfxDrawLine(gfx, x + 1, y + 1, x + 1, y + h - 2);
        }
    }
    if (w >= 4 && h >= 4 && GuiTkUseColor(gfx, fill)) {
        int32_t inset = raised ? 1 : 2;
        GuiTkRect area = {x + inset, y + inset, w - 3, h - 3};
        GuiTkGfxFillRect(gfx, &area);
    }
    GuiTkGfxSetColor(gfx, savedColor);
    GuiTkGfxSetStrokeStyle(gfx, savedStroke);
}

void GuiTkDrawPattern(GuiTkGraphics gfx, uint32_t* pixels, const uint8_t* pattern, int32_t width, int32_t height,
                      int32_t x, int32_t y) {
    uint32_t current = GuiTkGfxGetColor(gfx) | 0xFF000000u;
    int32_t count = width * height;
    for (int32_t i = 0; i < count; i++) {
        switch (pattern[i]) {
            case GUITK_PATTERN_BLACK:
                pixels[i] = 0xFF000000u;
                break;
            case GUITK_PATTERN_WHITE:
                pixels[i] = 0xFFFFFFFFu;
                break;
            case GUITK_PATTERN_LIGHT_GREY:
                pixels[i] = 0xFFC0C0C0u;
                break;
            case GUITK_PATTERN_DARK_GREY:
                pixels[i] = 0xFF808080u;
                break;
            case GUITK_PATTERN_CURRENT:
                pixels[i] = current;
                break;
            default:
                pixels[i] = 0;
                break;
        }
    }
    GuiTkGfxDrawRegionARGB(gfx, pixels, count, width, x, y, 1);
}

void GuiTkDrawPattern9x9(GuiTkGraphics gfx, const uint8_t* pattern, int32_t x, int32_t y) {
    uint32_t pixels[9 * 9];
    GuiTkDrawPattern(gfx, pixels, pattern, 9, 9, x, y);
}

void GuiTkDrawPattern5x3(GuiTkGraphics gfx, const uint8_t* pattern, int32_t x, int32_t y) {
    uint32_t pixels[5 * 3];
    GuiTkDrawPattern(gfx, pixels, pattern, 5, 3, x, y);
}
