// The screen back buffer: the VM draws into it on its own thread; the window thread
// copies it to the window on the frame timer and on WM_PAINT. Nothing locks the buffer:
// a frame copied while it is drawn shows part of the next frame, as on the device.
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <mutex>

#include <valgrind/drd.h>

#include "host/common/hosttrace.h"
#include "host/common/msgbox.h"
#include "host/vm/hostglue.h"
#include "host/vm/vmshell.h"
#include "platform/atomicword.h"
#include "platform/font.h"
#include "platform/font_freetype.h"
#include "platform/gapi.h"
#include "platform/lowmem.h"

namespace {

struct {
    MkSurface surface;
    MkVideoProperty video;
    int32_t width, height, band;
    int32_t fullScreenMode;
    uint32_t bytes;
} screen;

int32_t deviceWidth = 240, deviceHeight = 320, deviceBand = 0;
// Set by the VM thread, read and cleared by the window thread.
std::atomic<int32_t> frameReady{1};
std::atomic<int32_t> drawingDone{1};
int32_t frameCount;
// The buffer is made and freed on the VM thread and copied on the window thread: the
// copy must never read a buffer being freed.
std::mutex bufferLock;

// The direct display's information record, filled on first use.
GapiDisplayInfo displayInfo;
bool displayKnown = false;
bool displayMismatchTraced = false;

void displayInitLocked() {
    GapiInitDisplay(&displayInfo);
    displayKnown = true;
}

// Ways 2 and 3: the visible rows straight into the frame memory, unchanged. The frame
// below the window's visible top starts top x width x 2 bytes in; a row is width x 2
// bytes with no other pitch, so the copy is made only when the frame is laid out so.
void copyStraight(const uint16_t* pixels, int32_t top, int32_t bottom) {
    if (!displayKnown) displayInitLocked();
    uint8_t* frame = GapiBeginDraw(&displayInfo);
    if (frame == nullptr) return;
    const GapiDisplayInfo& d = displayInfo;
    int32_t width = screen.width;
    if (d.bitsPerPixel == 16 && d.xPitch == 2 && d.yPitch == width * 2) {
        int32_t rows = std::min(bottom, d.height) - top;
        if (rows > 0) memcpy(frame + (size_t)top * width * 2, pixels + (size_t)top * width, (size_t)rows * width * 2);
    } else if (!displayMismatchTraced) {
        displayMismatchTraced = true;
        TraceLogA(
            "ScreenCopy: the frame (%d x %d, %d bits, pitch %d) is not laid out as the %d-pixel rows of the back "
            "buffer; nothing is copied straight\n",
            d.width, d.height, d.bitsPerPixel, d.yPitch, width);
    }
    GapiEndDraw();
}

// The back buffer is the screen surface's pixels: low memory, as a surface keeps them.
void* defaultScreenAlloc(uint32_t size) { return lowAlloc(size); }
void* (*screenAlloc)(uint32_t) = defaultScreenAlloc;
void (*screenFree)(void*) = lowFree;

void ScreenLayout(int32_t fullScreen) { screen.video.softkeyCount = fullScreen ? 0 : 2; }

}  // namespace

void ScreenSetDeviceSize(int32_t width, int32_t height, int32_t band) {
    deviceWidth = width;
    deviceHeight = height;
    deviceBand = band;
}

void ScreenGetDeviceSize(int32_t* width, int32_t* height, int32_t* band) {
    if (width) *width = deviceWidth;
    if (height) *height = deviceHeight;
    if (band) *band = deviceBand;
}

void ScreenSetAllocator(void* (*alloc)(uint32_t size), void (*release)(void* block)) {
    if (alloc == nullptr || release == nullptr) {
        screenAlloc = defaultScreenAlloc;
        screenFree = lowFree;
    } else {
        screenAlloc = alloc;
        screenFree = release;
    }
}

int32_t ScreenFontInit(void) {
    std::unique_lock<std::mutex> g(bufferLock);
    screen.width = deviceWidth;
    screen.height = deviceHeight;
    screen.band = deviceBand;
    screen.bytes = (uint32_t)deviceWidth * (uint32_t)(deviceHeight + deviceBand) * 2u;
    uint16_t* pixels = (uint16_t*)screenAlloc(screen.bytes);
    if (pixels == nullptr) {
        // no screen, so no run: the platform start fails and the stop is reported
        TraceLogA("ScreenFontInit: no memory for the back buffer (%u bytes)\n", screen.bytes);
        memset(&screen.surface, 0, sizeof screen.surface);
        memset(&screen.video, 0, sizeof screen.video);
        g.unlock();
        ShowMessageBox(GetMainWindow(), MSGBOX_ERROR, ShellString(STR_OUT_OF_MEMORY).c_str());
        return 0;
    }
    memset(pixels, 0xFF, screen.bytes);
    // drawn by the VM thread and copied by the window thread without a lock, on purpose
    ANNOTATE_BENIGN_RACE_SIZED(pixels, screen.bytes, "the back buffer");
    screen.surface = {pixels, deviceWidth, deviceHeight, 0, 1};
    screen.fullScreenMode = 0;
    screen.video = {&screen.surface, 1, 32768, 2, 1, 1, 1, 1, 0};
    ScreenLayout(IsFullScreen(0));
    ShowSoftKeyBar(IsSoftKeyBarVisible(screen.fullScreenMode));
    frameReady = 1;
    g.unlock();
    // each run makes its own fonts; without them the run goes on and text takes no room
    if (FontLayerStart(FontFreeTypeRenderer()) != 0) TraceLogA("ScreenFontInit: no fonts; text is not drawn\n");
    return 1;
}

void ScreenFontTerm(void) {
    FontLayerStop();
    std::lock_guard<std::mutex> g(bufferLock);
    if (screen.surface.pixels) {
        VALGRIND_DO_CLIENT_REQUEST_STMT(VG_USERREQ__DRD_FINISH_SUPPRESSION, screen.surface.pixels, screen.bytes, 0, 0,
                                        0);
        screenFree(screen.surface.pixels);
    }
    memset(&screen.surface, 0, sizeof screen.surface);
    memset(&screen.video, 0, sizeof screen.video);
}

MkSurface* ScreenGetSurface(void) {
    std::lock_guard<std::mutex> g(bufferLock);
    return screen.surface.pixels ? &screen.surface : nullptr;
}

void ScreenGetSize(int32_t* width, int32_t* height, uint16_t** pixels) {
    std::lock_guard<std::mutex> g(bufferLock);
    if (width) *width = screen.surface.pixels ? screen.width : deviceWidth;
    if (height) *height = screen.surface.pixels ? screen.height : deviceHeight;
    if (pixels) *pixels = screen.surface.pixels;
}

MkVideoProperty* ScreenGetVideoProperty(void) {
    std::lock_guard<std::mutex> g(bufferLock);
    return screen.surface.pixels ? &screen.video : nullptr;
}

void ScreenSetActive(int32_t flag) { frameReady = flag; }
int32_t ScreenIsActive(void) { return frameReady; }

int32_t DisplaySetFullScreenMode(int32_t mode) {
    if (mode != screen.fullScreenMode) {
        screen.fullScreenMode = mode;
        ScreenLayout(IsFullScreen(mode));
    }
    ShowSoftKeyBar(IsSoftKeyBarVisible(mode));
    return 1;
}

void KveThreadBoostPriority(void) {
    drawingDone = 0;
    if (!atomicLoad(&hostState.paused)) hostGlue.setKveThreadPriority(2);
}

void KveThreadDrawDone(int32_t ready) {
    if (++frameCount >= 10) frameCount = 0;
    if (!atomicLoad(&hostState.paused)) hostGlue.setKveThreadPriority(4);
    drawingDone = 1;
    if (ready) frameReady = 1;
}

void ScreenCopy(HDC dc, int32_t mode, int32_t top, int32_t bottom) {
    std::unique_lock<std::mutex> g(bufferLock);
    uint16_t* pixels = screen.surface.pixels;
    if (pixels == nullptr || mode < 1 || mode > 3) return;
    if (top < 0) top = 0;
    if (bottom > screen.height) bottom = screen.height;
    if (mode != 1) {
        copyStraight(pixels, top, bottom);
        g.unlock();
        if (mode == 3) {
            HWND main = GetMainWindow();
            for (HWND child = GetWindow(main, GW_CHILD); child != 0; child = GetWindow(child, GW_HWNDNEXT)) {
                InvalidateRect(child, nullptr, 0);
            }
        }
        return;
    }
    bool own = false;
    if (dc == nullptr) {
        dc = GetDC(GetMainWindow());
        own = true;
    }
    if (dc != nullptr && dc->pixels != nullptr) {
        int32_t left = dc->clip.left, right = dc->clip.right;
        for (int32_t y = dc->clip.top; y < dc->clip.bottom; y++) {
            int32_t sy = y - dc->origin.y, sx = left - dc->origin.x;
            if (sy < top || sy >= bottom || sx < 0) continue;
            int32_t n = std::min(right - left, screen.width - sx);
            if (n > 0)
                memcpy(dc->pixels + (size_t)y * dc->pitch + left, pixels + (size_t)sy * screen.width + sx,
                       (size_t)n * 2);
        }
    }
    if (own) ReleaseDC(GetMainWindow(), dc);
}

void ScreenDisplayInit(void) {
    std::lock_guard<std::mutex> g(bufferLock);
    if (!displayKnown) displayInitLocked();
}

int32_t ScreenDisplayOpen(void) { return GapiOpenDisplay(GetMainWindow()); }

void ScreenDisplayClose(void) {
    GapiSuspendDisplay();
    GapiCloseDisplay();
}

int32_t ScreenDisplayInfo(GapiDisplayInfo* out) {
    std::lock_guard<std::mutex> g(bufferLock);
    if (displayKnown && out != nullptr) *out = displayInfo;
    return displayKnown ? 1 : 0;
}

void ScreenBlit(HDC dc, int32_t mode) {
    if (!atomicLoad(&hostState.started) || mode == 0) return;
    ScreenCopy(dc, mode, 0, screen.height);
    frameReady = 0;
}

void ScreenClear(void) {
    if (screen.surface.pixels) memset(screen.surface.pixels, 0xFF, screen.bytes);
}
