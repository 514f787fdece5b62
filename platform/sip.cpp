// The desktop's stand-in input panel: a state word and its record.
#include "platform/sip.h"

#include <atomic>

namespace {
std::atomic<bool> panelUp{false};
}

BOOL SipGetInfo(SIPINFO* info) {
    if (info == nullptr || info->cbSize != sizeof(SIPINFO)) return 0;
    int32_t width = 0, height = 0;
    WindowGetScreenSize(&width, &height);
    if (width <= 0 || height <= 0) {
        // no screen image yet: the device screen's default
        width = 240;
        height = 320;
    }
    int32_t top = height > SIP_PANEL_HEIGHT ? height - SIP_PANEL_HEIGHT : 0;
    bool up = panelUp;
    info->fdwFlags = SIPF_DOCKED | (up ? SIPF_ON : SIPF_OFF);
    info->rcSipRect = {0, top, width, height};
    info->rcVisibleDesktop = {0, 0, width, up ? top : height};
    info->dwImDataSize = 0;
    info->pvImData = 0;
    return 1;
}

BOOL SipShowIM(DWORD flags) {
    if (flags != SIPF_ON && flags != SIPF_OFF) return 0;
    bool up = flags == SIPF_ON;
    if (panelUp.exchange(up) != up) WindowPostToTopLevel(WM_SETTINGCHANGE, SPI_SETSIPINFO, 0);
    return 1;
}
