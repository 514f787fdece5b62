// The direct display and the game-input mode (the Game API's layer) on the desktop.
//
// The frame memory is the window system's screen image: the 16-bit device screen that
// platform/display presents (WindowSetScreen), rows of width pixels one after the other
// (x pitch 2 bytes, y pitch width x 2 bytes). It is the memory the user sees, as a
// device's raw frame buffer is, and windows are places in it, so a copy to its top rows
// is a copy to the top of the screen. A window's own surface does not exist apart from
// it. The image can be replaced (the display closed and opened again), so the frame
// pointer is taken afresh by each begin draw and stays valid until the end draw: the
// image is held between the two and cannot be replaced or freed meanwhile.
//
// Raw mode: with a screen image at GapiInitDisplay the "display driver" answers with its
// frame (raw mode on, format GAPI_FORMAT_565). Without one the record takes the Game
// API's properties (format kfDirect | kfDirect565, 16 bits, no size yet, frame 0, raw
// mode off), and a begin draw then gives the frame only while the display is open, as
// the Game API's does. An end draw marks the image for presentation in both modes (on
// the desktop nothing shows a frame until it is presented).
#pragma once

#include <stdint.h>

#include "platform/window.h"

enum {
    GAPI_FORMAT_565 = 1,       // the raw frame buffer's 5-6-5 format
    GAPI_KF_DIRECT = 0x20,     // the Game API's direct-colour flag
    GAPI_KF_DIRECT565 = 0x80,  // ... and its 5-6-5 flag
};

struct GapiDisplayInfo {
    uint32_t format;
    int32_t bitsPerPixel;
    int32_t xPitch;  // bytes from one pixel to the next in a row
    int32_t yPitch;  // bytes from one row to the next
    int32_t width, height;
    uint8_t* frame;  // the frame pointer of the last begin draw (raw mode), else null
    int32_t raw;     // 1: the raw frame buffer answered
};

// Traces "OS ver= %d.%d\n" (the kernel's version) to standard output and fills the
// record; 1 when the raw frame buffer answered, else 0.
int32_t GapiInitDisplay(GapiDisplayInfo* info);
// Holds the frame memory and gives its first byte (the record's frame pointer and size
// brought up to date); null when there is none, and nothing is held then. A begin draw
// while another is not ended waits for its end.
uint8_t* GapiBeginDraw(GapiDisplayInfo* info);
// Ends the hold of the last begin draw and marks the frame for presentation; 0 when no
// draw was begun.
int32_t GapiEndDraw(void);
// The display opened for a window (the Game API's GXOpenDisplay), suspended and closed
// (GXSuspend, GXCloseDisplay). 1 when open after the call.
int32_t GapiOpenDisplay(HWND window);
void GapiSuspendDisplay(void);
void GapiCloseDisplay(void);
int32_t GapiIsDisplayOpen(void);

// The Game API's input mode: opened once (a counter keeps it from opening twice),
// closed when open. GameInputOpen gives 1 when it opened it now.
int32_t GameInputOpen(void);
void GameInputClose(void);
int32_t GameInputOpenCount(void);

// The kernel's version as the major and minor numbers of its release ("6.1.0-..."
// gives 6 and 1); 0 and 0 when it cannot be read.
void GapiSystemVersion(int32_t* major, int32_t* minor);
