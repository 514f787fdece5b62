// The SDL2 display. The window system paints into our screen image; a present writes it
// into the window's own surface at the largest integer scale that fits, centred, each
// 16-bit pixel through a table of the surface's 32-bit pixels, one widened row copied
// scale times. Mouse positions are mapped back to device pixels the same way.
#include "platform/display.h"

#include <SDL2/SDL.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/signalfd.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

SDL_Window* window = nullptr;
std::vector<uint16_t> pixels;
std::vector<uint32_t> pixelTable;  // 16-bit pixel -> the surface's pixel
uint32_t tableFormat = 0;
std::vector<uint32_t> wideRow;
SDL_Surface* fallback = nullptr;  // surfaces of other depths: converted, then scaled by SDL
int32_t placedScale = 1, placedX = 0, placedY = 0;
int32_t screenW = 0, screenH = 0;
std::vector<DisplayKeyBinding> keyTable;
bool keyDown[512];
bool buttonDown = false;
void (*pumpHookOfTests)(void) = nullptr;

// SIGINT and SIGTERM close the window. They are blocked while the display is open and
// read from a descriptor by a watcher thread, never taken by a handler: a handler
// interrupts whatever thread the kernel picks, in the middle of whatever it holds. The
// watcher only posts the close, so it arrives even while the window's thread is busy.
int closeSignalFd = -1;
int watcherWake[2] = {-1, -1};
sigset_t maskBeforeOpen;
std::thread watcher;
std::atomic<HWND> closeTarget{0};
std::atomic<int32_t> closeDeadlineMs{0};

// A close that found no window waits for the target to be named.
std::atomic<bool> closePending{false};

void postClose() {
    closePending = true;
    HWND target = closeTarget.load();
    if (target == 0 || !IsWindow(target)) target = GetActiveWindow();
    if (target == 0) target = GetFocus();
    if (target != 0 && closePending.exchange(false)) PostMessageW(target, WM_CLOSE, 0, 0);
}

void endAtOnce(int signal, const char* why) {
    char line[160];
    int n = snprintf(line, sizeof line, "Movane_VM: %s; ended at once\n", why);
    if (n > 0) {
        ssize_t written = write(2, line, (size_t)std::min(n, (int)sizeof line - 1));
        (void)written;
    }
    _exit(128 + signal);
}

int64_t nowMs() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (int64_t)t.tv_sec * 1000 + t.tv_nsec / 1000000;
}

// Posts a close for every signal; with a deadline set (before or after it came), the
// first signal arms it, and a second signal or the deadline passing ends the process
// there and then.
void watchCloseSignals() {
    int firstSignal = 0;
    int64_t firstAt = 0;
    for (;;) {
        int32_t limit = closeDeadlineMs.load();
        bool armed = firstSignal != 0 && limit > 0;
        pollfd fds[2] = {{closeSignalFd, POLLIN, 0}, {watcherWake[0], POLLIN, 0}};
        int r = poll(fds, 2, armed ? (int)std::max<int64_t>(0, firstAt + limit - nowMs()) : -1);
        if (r < 0 && errno == EINTR) continue;
        if (fds[1].revents & POLLIN) {
            char why = 0;
            if (read(watcherWake[0], &why, 1) == 1 && why == 'x') return;
            continue;
        }
        if (r == 0 && armed) endAtOnce(firstSignal, "the program did not end in time after a signal");
        if (!(fds[0].revents & POLLIN)) continue;
        signalfd_siginfo info;
        while (read(closeSignalFd, &info, sizeof info) == (ssize_t)sizeof info) {
            if (firstSignal != 0 && closeDeadlineMs.load() > 0) endAtOnce((int)info.ssi_signo, "a second signal came");
            if (firstSignal == 0) {
                firstSignal = (int)info.ssi_signo;
                firstAt = nowMs();
            }
            postClose();
        }
    }
}

// A signal the parent set to be ignored (a script's background job, nohup) stays
// ignored, as a Unix program's user expects; the others close the program.
bool ignoredByParent(int signal) {
    struct sigaction now;
    return sigaction(signal, nullptr, &now) == 0 && now.sa_handler == SIG_IGN;
}

void takeCloseSignals() {
    sigset_t set;
    sigemptyset(&set);
    if (!ignoredByParent(SIGINT)) sigaddset(&set, SIGINT);
    if (!ignoredByParent(SIGTERM)) sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, &maskBeforeOpen);
    closeSignalFd = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (closeSignalFd < 0) return;
    if (pipe2(watcherWake, O_CLOEXEC) != 0) {
        watcherWake[0] = watcherWake[1] = -1;
        return;
    }
    watcher = std::thread(watchCloseSignals);
}

void releaseCloseSignals() {
    if (watcher.joinable()) {
        ssize_t woken = write(watcherWake[1], "x", 1);
        (void)woken;
        watcher.join();
    }
    for (int& fd : watcherWake) {
        if (fd >= 0) close(fd);
        fd = -1;
    }
    closePending = false;
    if (closeSignalFd < 0) return;
    close(closeSignalFd);
    closeSignalFd = -1;
    pthread_sigmask(SIG_SETMASK, &maskBeforeOpen, nullptr);
}

const DisplayKeyBinding defaultKeys[] = {
    {SDLK_UP, VK_UP},
    {SDLK_DOWN, VK_DOWN},
    {SDLK_LEFT, VK_LEFT},
    {SDLK_RIGHT, VK_RIGHT},
    {SDLK_RETURN, VK_RETURN},
    {SDLK_KP_ENTER, VK_RETURN},
    {SDLK_0, VK_0},
    {SDLK_1, VK_1},
    {SDLK_2, VK_2},
    {SDLK_3, VK_3},
    {SDLK_4, VK_4},
    {SDLK_5, VK_5},
    {SDLK_6, VK_6},
    {SDLK_7, VK_7},
    {SDLK_8, VK_8},
    {SDLK_9, VK_9},
    {SDLK_KP_0, VK_0},
    {SDLK_KP_1, VK_1},
    {SDLK_KP_2, VK_2},
    {SDLK_KP_3, VK_3},
    {SDLK_KP_4, VK_4},
    {SDLK_KP_5, VK_5},
    {SDLK_KP_6, VK_6},
    {SDLK_KP_7, VK_7},
    {SDLK_KP_8, VK_8},
    {SDLK_KP_9, VK_9},
    {SDLK_ASTERISK, VK_STAR},
    {SDLK_KP_MULTIPLY, VK_STAR},
    {SDLK_HASH, VK_POUND},
    {SDLK_KP_HASH, VK_POUND},
    {SDLK_F1, VK_SOFT1},
    {SDLK_F2, VK_SOFT2},
    {SDLK_BACKSPACE, VK_BACK},
    {SDLK_ESCAPE, VK_ESCAPE},
    {SDLK_F6, VK_VOLUME_UP},
    {SDLK_F7, VK_VOLUME_DOWN},
};

void pumpHook() { DisplayPump(); }
void raiseHook() {
    if (window) SDL_RaiseWindow(window);
}

int virtualKeyOf(SDL_Keycode key) {
    for (const DisplayKeyBinding& b : keyTable) {
        if (b.key == key) return (int)b.virtualKey;
    }
    return -1;
}

}  // namespace

const DisplayKeyBinding* DisplayDefaultKeys(int32_t* count) {
    if (count) *count = (int32_t)(sizeof defaultKeys / sizeof defaultKeys[0]);
    return defaultKeys;
}

int32_t DisplayParseKeys(const char* text, DisplayKeyBinding* out, int32_t max) {
    if (text == nullptr) return -1;
    std::vector<DisplayKeyBinding> parsed;
    std::string all = text;
    size_t pos = 0;
    while (pos < all.size()) {
        size_t end = all.find(';', pos);
        if (end == std::string::npos) end = all.size();
        std::string entry = all.substr(pos, end - pos);
        pos = end + 1;
        if (entry.empty()) continue;
        size_t eq = entry.rfind('=');
        if (eq == std::string::npos || eq == 0 || eq + 1 >= entry.size()) return -1;
        SDL_Keycode key = SDL_GetKeyFromName(entry.substr(0, eq).c_str());
        char* stop = nullptr;
        long vk = strtol(entry.c_str() + eq + 1, &stop, 10);
        if (key == SDLK_UNKNOWN || *stop != 0 || vk <= 0 || vk > 255) return -1;
        parsed.push_back({key, (uint32_t)vk});
    }
    if ((int32_t)parsed.size() > max) return -1;
    for (size_t i = 0; i < parsed.size(); i++) out[i] = parsed[i];
    return (int32_t)parsed.size();
}

int DisplayOpen(int32_t width, int32_t height, int32_t scale, const char* title, const DisplayKeyBinding* keys,
                int32_t keyCount) {
    if (window != nullptr || width <= 0 || height <= 0 || width > 4096 || height > 4096) return 0;
    if (scale < 1) scale = 1;
    if (getenv("SDL_VIDEODRIVER") == nullptr && getenv("DISPLAY") == nullptr && getenv("WAYLAND_DISPLAY") == nullptr) {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
    }
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    takeCloseSignals();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        // the offscreen driver is not in every build: the dummy one always is
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            fprintf(stderr, "display: %s\n", SDL_GetError());
            releaseCloseSignals();
            return 0;
        }
    }
    window = SDL_CreateWindow(title ? title : "", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width * scale,
                              height * scale, SDL_WINDOW_RESIZABLE);
    if (window == nullptr || SDL_GetWindowSurface(window) == nullptr) {
        fprintf(stderr, "display: %s\n", SDL_GetError());
        DisplayClose();
        return 0;
    }
    SDL_SetWindowMinimumSize(window, width, height);
    screenW = width;
    screenH = height;
    pixels.assign((size_t)width * height, 0xFFFF);
    keyTable.assign(keys, keys + (keys ? keyCount : 0));
    memset(keyDown, 0, sizeof keyDown);
    buttonDown = false;
    WindowSetScreen(pixels.data(), width, height);
    WindowDisplayHooks hooks = {pumpHook, raiseHook, 5};
    WindowSetDisplayHooks(&hooks);
    DisplayPresent();
    return 1;
}

void DisplayClose(void) {
    if (window == nullptr) {
        releaseCloseSignals();
        return;
    }
    WindowSetDisplayHooks(nullptr);
    WindowSetScreen(nullptr, 0, 0);
    if (fallback) SDL_FreeSurface(fallback);
    fallback = nullptr;
    SDL_DestroyWindow(window);
    window = nullptr;
    tableFormat = 0;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    releaseCloseSignals();
}

int DisplayIsOpen(void) { return window != nullptr; }

int DisplayIsHeadless(void) {
    const char* driver = window ? SDL_GetCurrentVideoDriver() : nullptr;
    return driver != nullptr && (strcmp(driver, "offscreen") == 0 || strcmp(driver, "dummy") == 0);
}
uint16_t* DisplayPixels(void) { return window ? pixels.data() : nullptr; }

void DisplayKeepScreenOn(int on) {
    if (window == nullptr) return;
    if (on) {
        SDL_DisableScreenSaver();
    } else {
        SDL_EnableScreenSaver();
    }
}

void DisplaySetTitle(const char* title) {
    if (window) SDL_SetWindowTitle(window, title ? title : "");
}

namespace {
// The pixel: red 15-11, green 10-5 (its lowest bit the opaque flag), blue 4-0.
void buildTable(const SDL_PixelFormat* f) {
    pixelTable.resize(65536);
    for (uint32_t p = 0; p < 65536; p++) {
        uint32_t r = p >> 11, g = (p >> 5) & 63, b = p & 31;
        pixelTable[p] =
            SDL_MapRGB(f, (uint8_t)(r << 3 | r >> 2), (uint8_t)(g << 2 | g >> 4), (uint8_t)(b << 3 | b >> 2));
    }
    tableFormat = f->format;
}

void place(const SDL_Surface* s) {
    placedScale = std::max(1, std::min(s->w / screenW, s->h / screenH));
    placedX = std::max(0, (s->w - screenW * placedScale) / 2);
    placedY = std::max(0, (s->h - screenH * placedScale) / 2);
}

void presentScaled(SDL_Surface* s) {
    place(s);
    int32_t sc = placedScale, ox = placedX, oy = placedY;
    int32_t w = std::min(screenW * sc, s->w - ox), h = std::min(screenH * sc, s->h - oy);
    // the letterbox around the picture
    SDL_Rect bands[4] = {
        {0, 0, s->w, oy}, {0, oy + h, s->w, s->h - oy - h}, {0, oy, ox, h}, {ox + w, oy, s->w - ox - w, h}};
    for (const SDL_Rect& r : bands) {
        if (r.w > 0 && r.h > 0) SDL_FillRect(s, &r, SDL_MapRGB(s->format, 0, 0, 0));
    }
    if (SDL_MUSTLOCK(s)) SDL_LockSurface(s);
    wideRow.resize((size_t)screenW * sc);
    const uint32_t* table = pixelTable.data();
    uint8_t* base = (uint8_t*)s->pixels + (size_t)oy * s->pitch + (size_t)ox * 4;
    for (int32_t y = 0; y * sc < h; y++) {
        const uint16_t* src = pixels.data() + (size_t)y * screenW;
        uint32_t* out = wideRow.data();
        if (sc == 2) {
            for (int32_t x = 0; x < screenW; x++) {
                uint32_t v = table[src[x]];
                out[2 * x] = v;
                out[2 * x + 1] = v;
            }
        } else {
            for (int32_t x = 0; x < screenW; x++) {
                uint32_t v = table[src[x]];
                for (int32_t k = 0; k < sc; k++) *out++ = v;
            }
        }
        for (int32_t k = 0; k < sc && y * sc + k < h; k++)
            memcpy(base + (size_t)(y * sc + k) * s->pitch, wideRow.data(), (size_t)w * 4);
    }
    if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
}
}  // namespace

void DisplayPresent(void) {
    if (window == nullptr) return;
    SDL_Surface* s = SDL_GetWindowSurface(window);
    if (s == nullptr) return;
    if (s->format->BytesPerPixel == 4) {
        if (tableFormat != s->format->format) buildTable(s->format);
        presentScaled(s);
    } else {
        // another depth: SDL converts and scales
        if (fallback == nullptr) {
            fallback = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), screenW, screenH, 16, screenW * 2,
                                                          SDL_PIXELFORMAT_RGB565);
        }
        place(s);
        SDL_Rect to = {placedX, placedY, screenW * placedScale, screenH * placedScale};
        SDL_FillRect(s, nullptr, 0);
        SDL_BlitScaled(fallback, nullptr, s, &to);
    }
    SDL_UpdateWindowSurface(window);
}

namespace {
// Window pixels to device pixels; false outside the picture.
bool toDevice(int32_t wx, int32_t wy, int32_t* x, int32_t* y) {
    SDL_Surface* s = SDL_GetWindowSurface(window);
    if (s != nullptr) place(s);
    *x = (wx - placedX) / placedScale;
    *y = (wy - placedY) / placedScale;
    return wx >= placedX && wy >= placedY && *x < screenW && *y < screenH;
}
}  // namespace

void DisplaySetPumpHook(void (*hook)(void)) { pumpHookOfTests = hook; }

void DisplaySetCloseTarget(HWND hwnd) {
    closeTarget = hwnd;
    // a signal that came before the window was there closes it now
    if (hwnd != 0 && closePending.exchange(false)) PostMessageW(hwnd, WM_CLOSE, 0, 0);
}

void DisplaySetCloseDeadline(int32_t milliseconds) {
    closeDeadlineMs = std::max(0, milliseconds);
    if (watcherWake[1] >= 0) {
        ssize_t woken = write(watcherWake[1], "d", 1);
        (void)woken;
    }
}

void DisplayPump(void) {
    if (window == nullptr) return;
    if (pumpHookOfTests) pumpHookOfTests();
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        switch (e.type) {
            case SDL_KEYDOWN:
            case SDL_KEYUP: {
                SDL_Keycode key = e.key.keysym.sym;
                // '*' and '#' of the main keyboard come with shift
                if (e.key.keysym.mod & KMOD_SHIFT)
                    key = key == SDLK_8 ? SDLK_ASTERISK : key == SDLK_3 ? SDLK_HASH : key;
                int vk = virtualKeyOf(key);
                if (vk < 0) break;
                bool down = e.type == SDL_KEYDOWN;
                WindowPostKey((UINT)vk, down, down && keyDown[vk]);
                keyDown[vk] = down;
                break;
            }
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP: {
                if (e.button.button != SDL_BUTTON_LEFT) break;
                int32_t x, y;
                bool inside = toDevice(e.button.x, e.button.y, &x, &y);
                if (e.type == SDL_MOUSEBUTTONDOWN && !inside) break;  // a touch beside the screen
                if (e.type == SDL_MOUSEBUTTONUP && !buttonDown) break;
                buttonDown = e.type == SDL_MOUSEBUTTONDOWN;
                WindowPostPointer(buttonDown ? WM_LBUTTONDOWN : WM_LBUTTONUP, std::max(0, std::min(x, screenW - 1)),
                                  std::max(0, std::min(y, screenH - 1)));
                break;
            }
            case SDL_MOUSEMOTION: {
                // the stylus moves only while it touches the screen
                int32_t x, y;
                toDevice(e.motion.x, e.motion.y, &x, &y);
                if (buttonDown)
                    WindowPostPointer(WM_MOUSEMOVE, std::max(0, std::min(x, screenW - 1)),
                                      std::max(0, std::min(y, screenH - 1)));
                break;
            }
            case SDL_WINDOWEVENT:
                if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                    DisplayPresent();
                }
                break;
            case SDL_QUIT:
                postClose();
                break;
        }
    }
    if (WindowTakeScreenChanged()) DisplayPresent();
}

void DisplayInjectKey(SDL_Keycode key, int down) {
    SDL_Event e = {};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = key;
    e.key.windowID = window ? SDL_GetWindowID(window) : 0;
    SDL_PushEvent(&e);
}

void DisplayInjectMouse(int32_t windowX, int32_t windowY, int button, int down) {
    SDL_Event e = {};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = (uint8_t)button;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.x = windowX;
    e.button.y = windowY;
    e.button.windowID = window ? SDL_GetWindowID(window) : 0;
    SDL_PushEvent(&e);
}

void DisplayInjectMotion(int32_t windowX, int32_t windowY) {
    SDL_Event e = {};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = windowX;
    e.motion.y = windowY;
    e.motion.windowID = window ? SDL_GetWindowID(window) : 0;
    SDL_PushEvent(&e);
}

void DisplayOutputSize(int32_t* width, int32_t* height, int32_t* scale) {
    SDL_Surface* s = window ? SDL_GetWindowSurface(window) : nullptr;
    if (s) place(s);
    if (width) *width = s ? s->w : 0;
    if (height) *height = s ? s->h : 0;
    if (scale) *scale = s ? placedScale : 0;
}

int DisplayReadBack(uint16_t* out) {
    if (window == nullptr || out == nullptr) return 0;
    DisplayPresent();
    SDL_Surface* s = SDL_GetWindowSurface(window);
    if (s == nullptr || s->format->BytesPerPixel != 4) return 0;
    if (SDL_MUSTLOCK(s)) SDL_LockSurface(s);
    for (int y = 0; y < screenH; y++) {
        for (int x = 0; x < screenW; x++) {
            int32_t wx = placedX + x * placedScale + placedScale / 2, wy = placedY + y * placedScale + placedScale / 2;
            uint32_t v = *(const uint32_t*)((const uint8_t*)s->pixels + (size_t)wy * s->pitch + (size_t)wx * 4);
            uint8_t r, g, b;
            SDL_GetRGB(v, s->format, &r, &g, &b);
            out[y * screenW + x] = (uint16_t)((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
        }
    }
    if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
    return 1;
}
