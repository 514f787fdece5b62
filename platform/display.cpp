// The SDL2 display. The window system paints into our screen image; a present uploads
// it to a streaming RGB565 texture drawn at an integer scale through SDL's logical size,
// which also maps mouse positions back to device pixels.
#include "platform/display.h"

#include <SDL2/SDL.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

SDL_Window* window = nullptr;
SDL_Renderer* renderer = nullptr;
SDL_Texture* texture = nullptr;
std::vector<uint16_t> pixels;
int32_t screenW = 0, screenH = 0;
std::vector<DisplayKeyBinding> keyTable;
bool keyDown[512];
bool buttonDown = false;

const DisplayKeyBinding defaultKeys[] = {
    {SDLK_UP, 38},        {SDLK_DOWN, 40},     {SDLK_LEFT, 37},     {SDLK_RIGHT, 39},    {SDLK_RETURN, 13},
    {SDLK_KP_ENTER, 13},  {SDLK_0, 48},        {SDLK_1, 49},        {SDLK_2, 50},        {SDLK_3, 51},
    {SDLK_4, 52},         {SDLK_5, 53},        {SDLK_6, 54},        {SDLK_7, 55},        {SDLK_8, 56},
    {SDLK_9, 57},         {SDLK_KP_0, 48},     {SDLK_KP_1, 49},     {SDLK_KP_2, 50},     {SDLK_KP_3, 51},
    {SDLK_KP_4, 52},      {SDLK_KP_5, 53},     {SDLK_KP_6, 54},     {SDLK_KP_7, 55},     {SDLK_KP_8, 56},
    {SDLK_KP_9, 57},      {SDLK_ASTERISK, 119}, {SDLK_KP_MULTIPLY, 119}, {SDLK_HASH, 120}, {SDLK_KP_HASH, 120},
    {SDLK_F1, 112},       {SDLK_F2, 113},      {SDLK_BACKSPACE, 8}, {SDLK_ESCAPE, 27},
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
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    // the offscreen driver is not in every build: the dummy one always is
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
      fprintf(stderr, "display: %s\n", SDL_GetError());
      return 0;
    }
  }
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
  window = SDL_CreateWindow(title ? title : "", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width * scale,
                            height * scale, SDL_WINDOW_RESIZABLE);
  if (window != nullptr) renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
  if (renderer != nullptr) {
    texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING, width, height);
  }
  if (texture == nullptr) {
    fprintf(stderr, "display: %s\n", SDL_GetError());
    DisplayClose();
    return 0;
  }
  SDL_RenderSetLogicalSize(renderer, width, height);
  SDL_RenderSetIntegerScale(renderer, SDL_TRUE);
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
  if (window == nullptr) return;
  WindowSetDisplayHooks(nullptr);
  WindowSetScreen(nullptr, 0, 0);
  if (texture) SDL_DestroyTexture(texture);
  if (renderer) SDL_DestroyRenderer(renderer);
  SDL_DestroyWindow(window);
  texture = nullptr;
  renderer = nullptr;
  window = nullptr;
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

int DisplayIsOpen(void) { return window != nullptr; }
uint16_t* DisplayPixels(void) { return window ? pixels.data() : nullptr; }

void DisplaySetTitle(const char* title) {
  if (window) SDL_SetWindowTitle(window, title ? title : "");
}

void DisplayPresent(void) {
  if (window == nullptr) return;
  SDL_UpdateTexture(texture, nullptr, pixels.data(), screenW * 2);
  SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
  SDL_RenderClear(renderer);
  SDL_RenderCopy(renderer, texture, nullptr, nullptr);
  SDL_RenderPresent(renderer);
}

void DisplayPump(void) {
  if (window == nullptr) return;
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    switch (e.type) {
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        SDL_Keycode key = e.key.keysym.sym;
        // '*' and '#' of the main keyboard come with shift
        if (e.key.keysym.mod & KMOD_SHIFT) key = key == SDLK_8 ? SDLK_ASTERISK : key == SDLK_3 ? SDLK_HASH : key;
        int vk = virtualKeyOf(key);
        if (vk < 0) break;
        bool down = e.type == SDL_KEYDOWN;
        WindowPostKey((UINT)vk, down, down && keyDown[vk]);
        keyDown[vk] = down;
        break;
      }
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        if (e.button.button != SDL_BUTTON_LEFT) break;
        buttonDown = e.type == SDL_MOUSEBUTTONDOWN;
        WindowPostPointer(buttonDown ? WM_LBUTTONDOWN : WM_LBUTTONUP, e.button.x, e.button.y);
        break;
      case SDL_MOUSEMOTION:
        // the stylus moves only while it touches the screen
        if (buttonDown) WindowPostPointer(WM_MOUSEMOVE, e.motion.x, e.motion.y);
        break;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
          DisplayPresent();
        }
        break;
      case SDL_QUIT: {
        HWND target = GetActiveWindow();
        if (target == 0) target = GetFocus();
        if (target != 0) PostMessageW(target, WM_CLOSE, 0, 0);
        break;
      }
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
  int w = 0, h = 0;
  if (renderer) SDL_GetRendererOutputSize(renderer, &w, &h);
  if (width) *width = w;
  if (height) *height = h;
  float sx = 1, sy = 1;
  if (renderer) SDL_RenderGetScale(renderer, &sx, &sy);
  if (scale) *scale = (int32_t)sx;
}

int DisplayReadBack(uint16_t* out) {
  if (window == nullptr || out == nullptr) return 0;
  DisplayPresent();
  int w = 0, h = 0;
  SDL_GetRendererOutputSize(renderer, &w, &h);
  std::vector<uint16_t> shot((size_t)w * h);
  // reading back goes through the whole output in window pixels, not logical ones
  SDL_RenderSetLogicalSize(renderer, 0, 0);
  SDL_RenderSetScale(renderer, 1, 1);
  int rc = SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_RGB565, shot.data(), w * 2);
  SDL_RenderSetLogicalSize(renderer, screenW, screenH);
  SDL_RenderSetIntegerScale(renderer, SDL_TRUE);
  if (rc != 0) return 0;
  int scale = std::min(w / screenW, h / screenH);
  if (scale < 1) return 0;
  int ox = (w - screenW * scale) / 2, oy = (h - screenH * scale) / 2;
  for (int y = 0; y < screenH; y++) {
    for (int x = 0; x < screenW; x++) out[y * screenW + x] = shot[(size_t)(oy + y * scale + scale / 2) * w + ox + x * scale + scale / 2];
  }
  return 1;
}
