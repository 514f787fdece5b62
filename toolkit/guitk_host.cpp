// The host-service wrappers and the toolkit's start and stop.
#include "toolkit/guitk_host.h"

#include <string.h>

#include "platform/p32.h"
#include "platform/surface.h"
#include "toolkit/guitk_alert.h"
#include "toolkit/guitk_button.h"
#include "toolkit/guitk_choice.h"
#include "toolkit/guitk_comp.h"
#include "toolkit/guitk_confirm.h"
#include "toolkit/guitk_datefield.h"
#include "toolkit/guitk_event.h"
#include "toolkit/guitk_gauge.h"
#include "toolkit/guitk_label.h"
#include "toolkit/guitk_layout.h"
#include "toolkit/guitk_list.h"
#include "toolkit/guitk_listbox.h"
#include "toolkit/guitk_menu.h"
#include "toolkit/guitk_popup.h"
#include "toolkit/guitk_screen.h"
#include "toolkit/guitk_textbox.h"
#include "toolkit/guitk_textinput.h"
#include "toolkit/guitk_ticker.h"
#include "vm/services/vmstate.h"

namespace {

int32_t noPeerToolkit(int32_t, const void*) { return 0; }

typedef int32_t (*ModuleInitFn)(int32_t optionCount, const void* options);
typedef int32_t (*ModuleFiniFn)(void);

// A row of the module table; a null function is a module with nothing to set up or
// take down (it still records its bit).
struct GuiTkModuleEntry {
    uint32_t maskLow;
    uint32_t maskHigh;
    ModuleInitFn init;
    ModuleFiniFn fini;
};

// Started top to bottom, stopped bottom to top: each module may use the ones above it.
// Rows of component kinds that have no module of their own yet are empty.
const GuiTkModuleEntry Modules[] = {
    {0, 0x1, nullptr, nullptr},                                           // memory wrappers
    {0, 0x2, nullptr, nullptr},                                           // handle wrappers
    {0, 0x4, nullptr, nullptr},                                           // toolkit strings
    {0, 0x8, EventSinkModuleInit, EventSinkModuleFini},                   // event sink
    {0, 0x10, nullptr, nullptr},                                          // text drawing
    {0, 0x20, nullptr, nullptr},                                          // protocol
    {0, 0x40, nullptr, nullptr},                                          // host-table accessors
    {0, 0x80, ScreenModuleInit, ScreenModuleFini},                        // screen
    {0, 0x100, nullptr, nullptr},                                         // line layout
    {0, 0x400, FontModuleInit, FontModuleFini},                           // default font
    {0, 0x800, CompModuleInit, CompModuleFini},                           // component registry
    {0, 0x1000, KivButtonModuleInit, KivButtonModuleFini},                // button
    {0, 0x2000, KivTextInputModuleInit, KivTextInputModuleFini},          // text input
    {0, 0x8000, ListBodyModuleInit, ListBodyModuleFini},                  // list items
    {0, 0x10000, KivListModuleInit, KivListModuleFini},                   // list
    {0, 0x20000, StyleColorModuleInit, StyleColorModuleFini},             // list style colours
    {0, 0x40000, KivCheckBoxModuleInit, KivCheckBoxModuleFini},           // check box
    {0, 0x80000, KivRadioButtonModuleInit, KivRadioButtonModuleFini},     // radio button
    {0, 0x100000, KivTickerModuleInit, KivTickerModuleFini},              // ticker
    {0, 0x200000, KivLabelModuleInit, KivLabelModuleFini},                // label
    {0, 0x400000, KivTitleModuleInit, KivTitleModuleFini},                // title
    {0, 0x800000, KivImplicitListModuleInit, KivImplicitListModuleFini},  // implicit list
    {0, 0x1000000, KivTextBoxModuleInit, KivTextBoxModuleFini},           // text box
    {0, 0x2000000, KivGaugeModuleInit, KivGaugeModuleFini},               // gauge
    {0, 0x4000000, KivDateFieldModuleInit, KivDateFieldModuleFini},       // date field
    {0, 0x8000000, KivCommandMenuModuleInit, KivCommandMenuModuleFini},   // command menu
    {0, 0x10000000, KivPopUpListModuleInit, KivPopUpListModuleFini},      // pop-up list
    {0, 0x20000000, KivConfirmModuleInit, KivConfirmModuleFini},          // confirmation
    {0, 0x40000000, PopupWindowModuleInit, PopupWindowModuleFini},        // pop-up window
    {0, 0x80000000, nullptr, nullptr},                                    // container
    {0x10, 0, KivAlertModuleInit, KivAlertModuleFini},                    // alert
};
const int32_t ModuleCount = (int32_t)(sizeof Modules / sizeof Modules[0]);
static_assert(sizeof Modules / sizeof Modules[0] == 31, "31 modules run");

struct ModuleMask {
    uint32_t low;
    uint32_t high;
};
VMBSS ModuleMask Mask;

inline const GuiTkHostServices* host() { return (const GuiTkHostServices*)guiTk_getHostTable(); }

inline MkFont* fontAt(GuiTkFont font) { return p32Ptr<MkFont>(font); }
inline MkGraphicsContext* gfxAt(GuiTkGraphics gfx) { return p32Ptr<MkGraphicsContext>(gfx); }

// The graphics back end's failure pointer is all ones, which a word cannot hold.
inline int32_t wordOf(const void* p) {
    if (p == (const void*)(intptr_t)-1) return GUITK_NONE;
    return p32Cell(p);
}

}  // namespace

constexpr GuiTkPeerHooks DefaultGuiTkPeers = {noPeerToolkit};
VMHOOKS GuiTkPeerHooks GuiTkPeers = DefaultGuiTkPeers;

int32_t GuiTkInitialize(int32_t optionCount, const void* options, const GuiTkHostServices* table) {
    guiTk_setHostTable((void**)const_cast<GuiTkHostServices*>(table));
    if (Mask.low != 0 || Mask.high != 0) {
        GuiTkFatalError(GUITK_ERROR_STATE);
        return -1;
    }
    for (int32_t row = 0; row < ModuleCount; row++) {
        const GuiTkModuleEntry& m = Modules[row];
        int32_t result = m.init != nullptr ? m.init(optionCount, options) : 0;
        if (result < 0) {
            GuiTkFinalize();
            return result;
        }
        Mask.low |= m.maskLow;
        Mask.high |= m.maskHigh;
    }
    int32_t result = GuiTkPeers.MgurInit(optionCount, options);
    if (result < 0) {
        GuiTkFinalize();
        return result;
    }
    Mask.low |= GUITK_MODULE_PEER_LOW;
    return result;
}

int32_t GuiTkFinalize(void) {
    // the peer toolkit has no stop of its own
    Mask.low &= ~GUITK_MODULE_PEER_LOW;
    int32_t result = 0;
    for (int32_t row = ModuleCount - 1; row >= 0; row--) {
        const GuiTkModuleEntry& m = Modules[row];
        if ((Mask.low & m.maskLow) == 0 && (Mask.high & m.maskHigh) == 0) continue;
        result = m.fini != nullptr ? m.fini() : 0;
        if (result < 0) return result;
        Mask.low &= ~m.maskLow;
        Mask.high &= ~m.maskHigh;
    }
    return result;
}

const GuiTkHostServices* GuiTkGetHostServices(void) { return host(); }

void GuiTkGetModuleMask(uint32_t* low, uint32_t* high) {
    *low = Mask.low;
    *high = Mask.high;
}

void GuiTkFatalError(int32_t code) {
    const GuiTkHostServices* h = host();
    if (h != nullptr) h->fatalError(code);
}

void* GuiTkAlloc(int32_t size) { return size < 0 ? nullptr : host()->alloc(size); }

void GuiTkFree(void* block) {
    if (block == nullptr) {
        GuiTkFatalError(GUITK_ERROR_HANDLE);
        return;
    }
    host()->free(block);
}

int32_t GuiTkAllocHandle(int32_t size) { return host()->allocHandle(size); }

static bool isHandle(int32_t handle) { return handle != 0 && handle != -1; }

void GuiTkFreeHandle(int32_t handle) {
    if (!isHandle(handle)) {
        GuiTkFatalError(GUITK_ERROR_HANDLE);
        return;
    }
    host()->freeHandle((uint32_t)handle);
}

void* GuiTkLockHandle(int32_t handle) {
    if (!isHandle(handle)) {
        GuiTkFatalError(GUITK_ERROR_HANDLE);
        return nullptr;
    }
    void* p = host()->lockHandle((uint32_t)handle);
    if (p == nullptr) GuiTkFatalError(GUITK_ERROR_LOCK);
    return p;
}

void GuiTkUnlockHandle(int32_t handle) {
    if (!isHandle(handle)) {
        GuiTkFatalError(GUITK_ERROR_HANDLE);
        return;
    }
    host()->unlockHandle((uint32_t)handle);
}

GuiTkFont GuiTkFontGetDefault(void) { return wordOf(host()->fontGetDefault(0)); }
int32_t GuiTkFontGetHeight(GuiTkFont font) { return host()->fontGetHeight(fontAt(font)); }

int32_t GuiTkFontCharsWidth(GuiTkFont font, const uint16_t* chars, int32_t count) {
    return count < 1 ? 0 : host()->fontCharsWidth(fontAt(font), chars, count);
}

int32_t GuiTkFontFitChars(GuiTkFont font, const uint16_t* chars, int32_t count, int32_t width) {
    return width < 0 ? 0 : host()->fontFitChars(fontAt(font), chars, count, width);
}

GuiTkGraphics GuiTkGfxCreateContext(MkSurface* surface) { return wordOf(host()->gfxCreateContext(surface)); }
void GuiTkGfxDestroyContext(GuiTkGraphics gfx) { host()->gfxDestroyContext(gfxAt(gfx)); }
GuiTkFont GuiTkGfxGetFont(GuiTkGraphics gfx) { return host()->gfxGetFont(gfxAt(gfx)); }
void GuiTkGfxSetFont(GuiTkGraphics gfx, GuiTkFont font) { host()->gfxSetFont(gfxAt(gfx), fontAt(font)); }
uint32_t GuiTkGfxGetColor(GuiTkGraphics gfx) { return (uint32_t)host()->gfxGetColor(gfxAt(gfx)); }
void GuiTkGfxSetColor(GuiTkGraphics gfx, uint32_t rgb) { host()->gfxSetColor(gfxAt(gfx), rgb); }
int32_t GuiTkGfxGetStrokeStyle(GuiTkGraphics gfx) { return host()->gfxGetStrokeStyle(gfxAt(gfx)); }
void GuiTkGfxSetStrokeStyle(GuiTkGraphics gfx, int32_t style) {
    host()->gfxSetStrokeStyle(gfxAt(gfx), (uint32_t)style);
}
void GuiTkGfxGetClip(GuiTkGraphics gfx, GuiTkRect* out) {
    int32_t words[4];
    host()->gfxGetClip(gfxAt(gfx), words);
    *out = {words[0], words[1], words[2], words[3]};
}
void GuiTkGfxSetClip(GuiTkGraphics gfx, const GuiTkRect* in) {
    const int32_t words[4] = {in->x, in->y, in->width, in->height};
    host()->gfxSetClip(gfxAt(gfx), words);
}
int32_t GuiTkGfxGetSurfaceWidth(MkSurface* surface) { return host()->gfxGetSurfaceWidth(surface); }
int32_t GuiTkGfxGetSurfaceHeight(MkSurface* surface) { return host()->gfxGetSurfaceHeight(surface); }

void GuiTkSoftkeySetLabel(const uint16_t* chars, int32_t count, int32_t key) {
    host()->softkeySetLabel(chars, count, key);
}
void GuiTkSoftkeyResetLabels(void) { host()->softkeyResetLabels(); }
void GuiTkSoftkeySetScrollState(int32_t state) { host()->softkeySetScrollState(state); }
void GuiTkTraceHook(int32_t a, int32_t b, int32_t c) { host()->traceHook(a, b, c); }
void GuiTkSoftkeySetFocusState(int32_t state) { host()->softkeySetFocusState(state); }
void GuiTkSoftkeyPaint(void) { host()->softkeyPaint(); }

void GuiTkGfxGetVideoProperty(MkVideoProperty* out) { host()->gfxGetVideoProperty(out); }
void GuiTkGfxStartDraw(void) { host()->gfxStartDraw(); }
void GuiTkGfxEndDraw(void) { host()->gfxEndDraw(1); }

void GuiTkGfxDrawLine(GuiTkGraphics gfx, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    host()->gfxDrawLine(gfxAt(gfx), x1, y1, x2, y2);
}

void GuiTkGfxDrawRect(GuiTkGraphics gfx, const GuiTkRect* rect) {
    if (rect->width < 0 || rect->height < 0) return;
    const int32_t words[4] = {rect->x, rect->y, rect->width, rect->height};
    host()->gfxDrawRect(gfxAt(gfx), words);
}

void GuiTkGfxFillRect(GuiTkGraphics gfx, const GuiTkRect* rect) {
    if (rect->width <= 0 || rect->height <= 0) return;
    const int32_t words[4] = {rect->x, rect->y, rect->width, rect->height};
    host()->gfxFillRect(gfxAt(gfx), words);
}

void GuiTkGfxDrawChars(GuiTkGraphics gfx, const uint16_t* chars, int32_t count, int32_t x, int32_t y) {
    if (count > 0) host()->gfxDrawChars(gfxAt(gfx), chars, count, x, y);
}

void GuiTkGfxDrawImage(GuiTkGraphics gfx, const MkSurface* image, int32_t x, int32_t y, int32_t transform) {
    host()->gfxDrawImage(gfxAt(gfx), image, x, y, transform);
}

void GuiTkGfxDrawOffScreen(GuiTkGraphics gfx, const MkSurface* offScreen, int32_t x, int32_t y, int32_t transform) {
    host()->gfxDrawOffScreen(gfxAt(gfx), offScreen, x, y, transform);
}

void GuiTkGfxDrawRegionARGB(GuiTkGraphics gfx, const uint32_t* argb, int32_t length, int32_t scanlength, int32_t x,
                            int32_t y, int32_t processAlpha) {
    host()->gfxDrawRegionARGB(gfxAt(gfx), argb, length, scanlength, x, y, processAlpha);
}

int32_t GuiTkGfxDrawDialogScreen(GuiTkGraphics gfx, int32_t event, const uint16_t* title, int32_t titleLength,
                                 const uint16_t* body, int32_t bodyLength) {
    return host()->gfxDrawDialogScreen(gfxAt(gfx), 0, event, title, titleLength, body, bodyLength);
}

void GuiTkGfxPrepare(GuiTkGraphics, int32_t) {}

void GuiTkCopy(void* to, const void* from, size_t n) { memcpy(to, from, n); }
void GuiTkMove(void* to, const void* from, size_t n) { memmove(to, from, n); }
void GuiTkFill(void* to, int value, size_t n) { memset(to, value, n); }
int GuiTkStrCmp(const char* a, const char* b) { return strcmp(a, b); }
