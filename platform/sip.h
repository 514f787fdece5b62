// The input panel (the software keyboard of the device's shell) on the desktop. The
// desktop has none of its own: this layer keeps its state, gives it in the 48-byte
// SIPINFO record, and lets it be switched on and off with SipShowIM, which tells the
// program's top-level windows of a change as the device does (WM_SETTINGCHANGE with
// SPI_SETSIPINFO). The panel lies docked along the bottom of the screen image,
// SIP_PANEL_HEIGHT pixels high; switching it is also the tests' hook.
#pragma once

#include <stdint.h>

#include "platform/window.h"

enum : uint32_t { SIPF_OFF = 0x0, SIPF_ON = 0x1, SIPF_DOCKED = 0x2, SIPF_LOCKED = 0x4 };
enum : uint32_t { SPI_SETSIPINFO = 224 };
enum { SIP_PANEL_HEIGHT = 80 };

struct SIPINFO {
    DWORD cbSize;           // must be sizeof (SIPINFO), 48
    DWORD fdwFlags;         // SIPF_ON while the panel is up; always SIPF_DOCKED
    RECT rcVisibleDesktop;  // the screen less the panel while it is up
    RECT rcSipRect;         // where the panel is (or would be)
    DWORD dwImDataSize;     // no input-method data here: 0
    uint32_t pvImData;      // the 32-bit pointer word of the record: 0
};
static_assert(sizeof(SIPINFO) == 48, "SIPINFO is the 48-byte record of the device");

// Fills the record; 0 when it is null or its cbSize is not 48.
BOOL SipGetInfo(SIPINFO* info);
// SIPF_ON shows the panel, SIPF_OFF hides it; a change is posted to every top-level
// window of the process as WM_SETTINGCHANGE (SPI_SETSIPINFO, 0). 0 for other flags.
BOOL SipShowIM(DWORD flags);
