// The desktop display on SDL2: the device's 16-bit screen image shown in a resizable
// window at an integer scale (nearest-neighbour, letterboxed), and the keyboard and the
// mouse turned into the window system's key and pointer input through a key table.
// Without a desktop (no DISPLAY) SDL's offscreen or dummy driver is chosen, and the
// same calls work; the test hooks feed scripted input and read the presented frame back.
#pragma once

#include <stdint.h>

#include <SDL2/SDL_keycode.h>

#include "platform/window.h"

struct DisplayKeyBinding {
    SDL_Keycode key;
    uint32_t virtualKey;
};

// Opens the window and the screen image (width x height, all white) on the calling
// thread, which then pumps the input while it waits for messages. 1 on success; 0 with
// a trace of SDL's error. A second open while one is open fails.
int DisplayOpen(int32_t width, int32_t height, int32_t scale, const char* title, const DisplayKeyBinding* keys,
                int32_t keyCount);
void DisplayClose(void);
int DisplayIsOpen(void);
// 1 when the display is SDL's offscreen or dummy driver: nobody sees the window.
int DisplayIsHeadless(void);
uint16_t* DisplayPixels(void);
void DisplaySetTitle(const char* title);
// Keeps the desktop's screen saver and blanking off (1) or lets them be again (0).
void DisplayKeepScreenOn(int on);
// Puts the screen image on the window now.
void DisplayPresent(void);
// Reads and handles the waiting SDL events; presents when the image changed.
void DisplayPump(void);

// SIGTERM and SIGINT while the display is open post WM_CLOSE to this window (0: the
// active or the focused window), from a thread of the display's own, so that they
// arrive whatever the window's thread is doing.
void DisplaySetCloseTarget(HWND hwnd);
// With a time set (ms, 0 for none), the first close signal arms it: a second signal, or
// the time passing before the display is closed, ends the process at once with status
// 128 + the signal's number.
void DisplaySetCloseDeadline(int32_t milliseconds);

// The default key table: arrows, Return, digits and keypad, '*' and '#', F1, F2,
// Backspace, Escape, and F6 and F7 for the volume keys.
const DisplayKeyBinding* DisplayDefaultKeys(int32_t* count);
// Parses a table "Key name=virtual key;..." (SDL's key names); the count, or -1 when an
// entry is not understood (nothing is written then).
int32_t DisplayParseKeys(const char* text, DisplayKeyBinding* out, int32_t max);

// ---- test hooks ----
// Called at the start of every pump, on the display's thread (null removes it): a
// scripted user injects its input there.
void DisplaySetPumpHook(void (*hook)(void));
// Pushes a key or a mouse event (window pixel coordinates) through SDL's queue.
void DisplayInjectKey(SDL_Keycode key, int down);
void DisplayInjectMouse(int32_t windowX, int32_t windowY, int button, int down);
void DisplayInjectMotion(int32_t windowX, int32_t windowY);
// Presents the image and reads the presented window back, one pixel per device pixel
// (the centre of each scaled block), as 16-bit pixels; 1 on success.
int DisplayReadBack(uint16_t* out);
// Output size of the window in pixels, and the scale now in use.
void DisplayOutputSize(int32_t* width, int32_t* height, int32_t* scale);
