// The gauge ("GGE$"): a horizontal bar of a value between 0 and a maximum in a frame. In
// the active state the left and right keys change the value and post 0x10009 (new,
// old); an indefinite gauge counts round between 0 and its maximum when told to
// increment or decrement.
#pragma once

#include <stdint.h>

#include "toolkit/guitk_comp.h"

enum : uint32_t { GUITK_TAG_GAUGE = guiTkTag("GGE$") };

enum { GUITK_GAUGE_NORMAL = 0, GUITK_GAUGE_INDEFINITE = 1 };

struct GuiTkGauge {
    GuiTkComponent base;
    uint32_t tag;  // "GGE$"
    uint32_t mode;
    int32_t value;    // 0..maximum
    int32_t maximum;  // above 0
    uint32_t idleState;
};
static_assert(sizeof(GuiTkGauge) == 160, "the gauge is five words behind the base");

enum {
    GUITK_GAUGE_MSG_CREATED = 29,    // number
    GUITK_GAUGE_MSG_DELETING = 30,   //
    GUITK_GAUGE_MSG_MODE = 31,       // new, old
    GUITK_GAUGE_MSG_VALUE = 32,      // new, old
    GUITK_GAUGE_MSG_MAXIMUM = 33,    // new, old
    GUITK_GAUGE_MSG_INCREMENT = 34,  // new state, old state
    GUITK_GAUGE_MSG_DECREMENT = 35,  // new state, old state
    GUITK_GAUGE_MSG_IDLE = 36,       // new state, old state
    GUITK_GAUGE_SLOTS = 37,
    GUITK_GAUGE_STYLE_WORDS = 8,
};

int32_t KivGaugeModuleInit(int32_t optionCount, const void* options);
int32_t KivGaugeModuleFini(void);
int32_t KivGaugeCreate(int32_t number);
void KivGaugeDelete(int32_t gauge);
void KivGaugeSetMode(int32_t gauge, int32_t mode);
int32_t KivGaugeGetMode(int32_t gauge);
// A negative value is fatal 3; the value is cut to the maximum.
void KivGaugeSetValue(int32_t gauge, int32_t value);
void KivGaugeStoreValue(int32_t gauge, int32_t value);
int32_t KivGaugeGetValue(int32_t gauge);
void KivGaugeSetMaxValue(int32_t gauge, int32_t maximum);
void KivGaugeStoreMaxValue(int32_t gauge, int32_t maximum);
int32_t KivGaugeGetMaxValue(int32_t gauge);
// Indefinite gauges only (fatal 5 otherwise).
void KivGaugeIncrement(int32_t gauge, int32_t state);
void KivGaugeDecrement(int32_t gauge, int32_t state);
void KivGaugeIdle(int32_t gauge, int32_t state);
int32_t KivGaugeGetIdleState(int32_t gauge);
// Low byte: 1 outer frame, 2 inner frame, 3 bar, 4 trough; rows 0x100 (state 0), 0x200
// (state 1, frames only), 0x400 (state 2), 0x800 (state 3).
void KivGaugeSetStyle(int32_t code, int32_t kind, uint32_t value);
void KivGaugeGetStyle(int32_t row, uint32_t out[GUITK_GAUGE_STYLE_WORDS]);
void KivGaugeSetHandler(int32_t messageId, GuiTkHandler handler);
void KivGaugeSetKeyHandler(GuiTkKeyHook handler);
void KivGaugeSetActiveKeyHandler(GuiTkKeyHook handler);
void KivGaugeSetPointerHandler(GuiTkPointerHook handler);
int32_t KivGaugeDefaultHandler(GuiTkMessage* message);
int32_t KivGaugeActiveKeyHandler(GuiTkKeyEvent* event);
