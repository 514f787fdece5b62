// The direct display on the window system's screen image, and the game-input counter.
#include "platform/gapi.h"

#include <stdio.h>
#include <stdlib.h>
#include <sys/utsname.h>

#include <mutex>

namespace {

std::mutex& lock = *new std::mutex;
bool rawMode = false;
bool displayOpen = false;
HWND displayWindow = 0;
bool drawing = false;
int32_t gameInputCount = 0;

void fill(GapiDisplayInfo* info, uint8_t* frame, int32_t width, int32_t height, bool raw) {
    info->format = raw ? GAPI_FORMAT_565 : GAPI_KF_DIRECT | GAPI_KF_DIRECT565;
    info->bitsPerPixel = 16;
    info->xPitch = 2;
    info->yPitch = width * 2;
    info->width = width;
    info->height = height;
    info->frame = raw ? frame : nullptr;
    info->raw = raw ? 1 : 0;
}

}  // namespace

void GapiSystemVersion(int32_t* major, int32_t* minor) {
    int32_t a = 0, b = 0;
    struct utsname u;
    if (uname(&u) == 0) {
        char* end = nullptr;
        a = (int32_t)strtol(u.release, &end, 10);
        if (end != nullptr && *end == '.') b = (int32_t)strtol(end + 1, nullptr, 10);
    }
    if (major) *major = a;
    if (minor) *minor = b;
}

int32_t GapiInitDisplay(GapiDisplayInfo* info) {
    int32_t major, minor;
    GapiSystemVersion(&major, &minor);
    printf("OS ver= %d.%d\n", major, minor);
    fflush(stdout);
    if (info == nullptr) return 0;
    // the "display driver's" answer: the screen image, when there is one
    int32_t width = 0, height = 0;
    uint8_t* frame = (uint8_t*)WindowHoldScreen(&width, &height);
    if (frame != nullptr) WindowReleaseScreen(0);
    std::lock_guard<std::mutex> g(lock);
    rawMode = frame != nullptr;
    if (rawMode) {
        fill(info, frame, width, height, true);
    } else {
        fill(info, nullptr, 0, 0, false);
    }
    return rawMode ? 1 : 0;
}

uint8_t* GapiBeginDraw(GapiDisplayInfo* info) {
    {
        std::lock_guard<std::mutex> g(lock);
        if (!rawMode && !displayOpen) return nullptr;
    }
    int32_t width = 0, height = 0;
    uint8_t* frame = (uint8_t*)WindowHoldScreen(&width, &height);
    if (frame == nullptr) return nullptr;
    std::lock_guard<std::mutex> g(lock);
    drawing = true;
    if (info != nullptr) fill(info, frame, width, height, rawMode);
    return frame;
}

int32_t GapiEndDraw(void) {
    {
        std::lock_guard<std::mutex> g(lock);
        if (!drawing) return 0;
        drawing = false;
    }
    WindowReleaseScreen(1);
    return 1;
}

int32_t GapiOpenDisplay(HWND window) {
    std::lock_guard<std::mutex> g(lock);
    if (!displayOpen && window != 0 && IsWindow(window)) {
        displayOpen = true;
        displayWindow = window;
    }
    return displayOpen ? 1 : 0;
}

void GapiSuspendDisplay(void) {
    // nothing to give back on the desktop: no other program draws into our frame
}

void GapiCloseDisplay(void) {
    std::lock_guard<std::mutex> g(lock);
    displayOpen = false;
    displayWindow = 0;
}

int32_t GapiIsDisplayOpen(void) {
    std::lock_guard<std::mutex> g(lock);
    return displayOpen ? 1 : 0;
}

int32_t GameInputOpen(void) {
    std::lock_guard<std::mutex> g(lock);
    if (gameInputCount > 0) return 0;
    gameInputCount = 1;
    return 1;
}

void GameInputClose(void) {
    std::lock_guard<std::mutex> g(lock);
    if (gameInputCount > 0) gameInputCount = 0;
}

int32_t GameInputOpenCount(void) {
    std::lock_guard<std::mutex> g(lock);
    return gameInputCount;
}
