// The toolkit's only way out: the 42-slot host-service table it is started with, the
// small wrappers that call each slot, the fatal error codes, and the module table that
// the start and stop of the toolkit walk. Fonts and graphics contexts are kept as
// 32-bit words in the toolkit's records and turned into pointers only at the slot call.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/vmsections.h"

struct MkFont;
struct MkGraphicsContext;
struct MkSurface;
struct MkVideoProperty;

// A font and a graphics context as the toolkit's records keep them: the address as a
// word, -1 for none.
typedef int32_t GuiTkFont;
typedef int32_t GuiTkGraphics;
enum { GUITK_NONE = -1 };

// A rectangle {x, y, width, height}; a negative width or height makes it invalid.
struct GuiTkRect {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};
static_assert(sizeof(GuiTkRect) == 16, "a rectangle is four words");

// The codes handed to GuiTkFatalError.
enum {
    GUITK_ERROR_ABSTRACT = -1,  // a handler slot that must never be reached
    GUITK_ERROR_ARGUMENT = 3,
    GUITK_ERROR_HANDLE = 4,
    GUITK_ERROR_STATE = 5,
    GUITK_ERROR_LOCK = 7,
};

// The table, slot for slot. Each slot is a pointer-wide function pointer, so the table
// is also the array of 42 words that guiTk_getHostTable hands the loader; slots 21 and
// 22 are read by it that way.
struct GuiTkHostServices {
    void (*fatalError)(int32_t code);            // 0: does not return in the VM
    void* (*alloc)(int32_t size);                // 1: zero-filled, null on failure
    int32_t (*free)(void* block);                // 2
    int32_t (*allocHandle)(int32_t size);        // 3: -1 on failure
    int32_t (*freeHandle)(uint32_t handle);      // 4
    void* (*lockHandle)(uint32_t handle);        // 5: null on failure
    int32_t (*unlockHandle)(uint32_t handle);    // 6
    MkFont* (*fontGetDefault)(int32_t face);     // 7
    int32_t (*fontGetHeight)(const void* font);  // 8
    int32_t (*fontCharsWidth)(const MkFont* font, const uint16_t* chars, int32_t count);               // 9
    int32_t (*fontFitChars)(const MkFont* font, const uint16_t* chars, int32_t count, int32_t width);  // 10
    MkGraphicsContext* (*gfxCreateContext)(MkSurface* surface);                  // 11: all ones on failure
    void (*gfxDestroyContext)(MkGraphicsContext* gfx);                           // 12
    int32_t (*gfxGetFont)(const void* gfx);                                      // 13: a font word
    void (*gfxSetFont)(MkGraphicsContext* gfx, MkFont* font);                    // 14
    int32_t (*gfxGetColor)(const void* gfx);                                     // 15
    uint32_t (*gfxSetColor)(MkGraphicsContext* gfx, uint32_t rgb);               // 16
    int32_t (*gfxGetStrokeStyle)(const void* gfx);                               // 17
    void (*gfxSetStrokeStyle)(MkGraphicsContext* gfx, uint32_t style);           // 18
    void (*gfxGetClip)(const MkGraphicsContext* gfx, int32_t out[4]);            // 19
    void (*gfxSetClip)(MkGraphicsContext* gfx, const int32_t in[4]);             // 20
    int32_t (*imageGetWidth)(const MkSurface* surface);                          // 21
    int32_t (*imageGetHeight)(const MkSurface* surface);                         // 22
    int32_t (*gfxGetSurfaceWidth)(const MkSurface* surface);                     // 23
    int32_t (*gfxGetSurfaceHeight)(const MkSurface* surface);                    // 24
    void (*softkeySetLabel)(const uint16_t* chars, int32_t count, int32_t key);  // 25
    void (*softkeyResetLabels)(void);                                            // 26
    void (*softkeySetScrollState)(int32_t state);                                // 27
    int32_t (*traceHook)(int32_t a, int32_t b, int32_t c);                       // 28
    void (*softkeySetFocusState)(int32_t state);                                 // 29
    void (*softkeyPaint)(void);                                                  // 30
    void (*gfxGetVideoProperty)(MkVideoProperty* out);                           // 31
    void (*gfxStartDraw)(void);                                                  // 32
    void (*gfxEndDraw)(int32_t refresh);                                         // 33
    int32_t (*gfxDrawLine)(MkGraphicsContext* gfx, int32_t x1, int32_t y1, int32_t x2, int32_t y2);  // 34
    int32_t (*gfxDrawRect)(MkGraphicsContext* gfx, const int32_t rect[4]);                           // 35
    int32_t (*gfxFillRect)(MkGraphicsContext* gfx, const int32_t rect[4]);                           // 36
    int32_t (*gfxDrawChars)(MkGraphicsContext* gfx, const uint16_t* chars, int32_t count, int32_t x,
                            int32_t y);  // 37
    int32_t (*gfxDrawImage)(MkGraphicsContext* gfx, const MkSurface* image, int32_t x, int32_t y,
                            int32_t transform);  // 38
    int32_t (*gfxDrawOffScreen)(MkGraphicsContext* gfx, const MkSurface* offScreen, int32_t x, int32_t y,
                                int32_t transform);  // 39
    int32_t (*gfxDrawRegionARGB)(MkGraphicsContext* gfx, const uint32_t* argb, int32_t length, int32_t scanlength,
                                 int32_t x, int32_t y, int32_t processAlpha);  // 40
    int32_t (*gfxDrawDialogScreen)(MkGraphicsContext* gfx, int32_t unused, int32_t event, const uint16_t* title,
                                   int32_t titleLength, const uint16_t* body, int32_t bodyLength);  // 41
};
enum { GUITK_HOST_SLOTS = 42 };
static_assert(sizeof(GuiTkHostServices) == GUITK_HOST_SLOTS * sizeof(void*), "one pointer-wide word per slot");
static_assert(offsetof(GuiTkHostServices, imageGetWidth) == 21 * sizeof(void*), "the loader reads slot 21");
static_assert(offsetof(GuiTkHostServices, imageGetHeight) == 22 * sizeof(void*), "the loader reads slot 22");
static_assert(offsetof(GuiTkHostServices, gfxDrawDialogScreen) == 41 * sizeof(void*), "slot 41 is the last");

// What the toolkit asks of the platform's GUI peers (the host shell): filled by the
// program's start-up, kept across runs. The default peer start does nothing and succeeds.
struct GuiTkPeerHooks {
    int32_t (*MgurInit)(int32_t optionCount, const void* options);
};
extern VMHOOKS GuiTkPeerHooks GuiTkPeers;
extern const GuiTkPeerHooks DefaultGuiTkPeers;

// Start and stop. The start keeps the table for the run (guiTk_setHostTable) and brings
// the modules up in order; a failing module takes the ones before it down again.
int32_t GuiTkInitialize(int32_t optionCount, const void* options, const GuiTkHostServices* table);
int32_t GuiTkFinalize(void);
const GuiTkHostServices* GuiTkGetHostServices(void);
// The two words of the module mask: which modules are up (both 0 while down).
void GuiTkGetModuleMask(uint32_t* low, uint32_t* high);
enum { GUITK_MODULE_PEER_LOW = 0x10000000u };

// Slot wrappers: memory and handles. A handle is a signed word; 0 and -1 name nothing.
void GuiTkFatalError(int32_t code);
void* GuiTkAlloc(int32_t size);
void GuiTkFree(void* block);
int32_t GuiTkAllocHandle(int32_t size);
void GuiTkFreeHandle(int32_t handle);
void* GuiTkLockHandle(int32_t handle);
void GuiTkUnlockHandle(int32_t handle);

// Slot wrappers: fonts, contexts, soft keys and drawing.
GuiTkFont GuiTkFontGetDefault(void);
int32_t GuiTkFontGetHeight(GuiTkFont font);
int32_t GuiTkFontCharsWidth(GuiTkFont font, const uint16_t* chars, int32_t count);
int32_t GuiTkFontFitChars(GuiTkFont font, const uint16_t* chars, int32_t count, int32_t width);
GuiTkGraphics GuiTkGfxCreateContext(MkSurface* surface);
void GuiTkGfxDestroyContext(GuiTkGraphics gfx);
GuiTkFont GuiTkGfxGetFont(GuiTkGraphics gfx);
void GuiTkGfxSetFont(GuiTkGraphics gfx, GuiTkFont font);
uint32_t GuiTkGfxGetColor(GuiTkGraphics gfx);
void GuiTkGfxSetColor(GuiTkGraphics gfx, uint32_t rgb);
int32_t GuiTkGfxGetStrokeStyle(GuiTkGraphics gfx);
void GuiTkGfxSetStrokeStyle(GuiTkGraphics gfx, int32_t style);
void GuiTkGfxGetClip(GuiTkGraphics gfx, GuiTkRect* out);
void GuiTkGfxSetClip(GuiTkGraphics gfx, const GuiTkRect* in);
int32_t GuiTkGfxGetSurfaceWidth(MkSurface* surface);
int32_t GuiTkGfxGetSurfaceHeight(MkSurface* surface);
void GuiTkSoftkeySetLabel(const uint16_t* chars, int32_t count, int32_t key);
void GuiTkSoftkeyResetLabels(void);
void GuiTkSoftkeySetScrollState(int32_t state);
void GuiTkTraceHook(int32_t a, int32_t b, int32_t c);
void GuiTkSoftkeySetFocusState(int32_t state);
void GuiTkSoftkeyPaint(void);
void GuiTkGfxGetVideoProperty(MkVideoProperty* out);
void GuiTkGfxStartDraw(void);
void GuiTkGfxEndDraw(void);
void GuiTkGfxDrawLine(GuiTkGraphics gfx, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
void GuiTkGfxDrawRect(GuiTkGraphics gfx, const GuiTkRect* rect);
void GuiTkGfxFillRect(GuiTkGraphics gfx, const GuiTkRect* rect);
void GuiTkGfxDrawChars(GuiTkGraphics gfx, const uint16_t* chars, int32_t count, int32_t x, int32_t y);
void GuiTkGfxDrawImage(GuiTkGraphics gfx, const MkSurface* image, int32_t x, int32_t y, int32_t transform);
void GuiTkGfxDrawOffScreen(GuiTkGraphics gfx, const MkSurface* offScreen, int32_t x, int32_t y, int32_t transform);
void GuiTkGfxDrawRegionARGB(GuiTkGraphics gfx, const uint32_t* argb, int32_t length, int32_t scanlength, int32_t x,
                            int32_t y, int32_t processAlpha);
int32_t GuiTkGfxDrawDialogScreen(GuiTkGraphics gfx, int32_t event, const uint16_t* title, int32_t titleLength,
                                 const uint16_t* body, int32_t bodyLength);
// Called before each paint message; the host needs no preparation.
void GuiTkGfxPrepare(GuiTkGraphics gfx, int32_t flag);

// The plain memory helpers.
void GuiTkCopy(void* to, const void* from, size_t n);
void GuiTkMove(void* to, const void* from, size_t n);
void GuiTkFill(void* to, int value, size_t n);
int GuiTkStrCmp(const char* a, const char* b);
