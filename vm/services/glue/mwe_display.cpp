// The glue's display access: the straight access to the screen image, the visible
// rectangle of the screen, and the copy of the VM's back buffer to the window. The
// shell owns the back buffer and the window; the glue decides when a copy is due and
// which rows it takes.
#include <string.h>

#include "platform/atomicword.h"
#include "vm/services/glue/mwe.h"

namespace {

struct Rect {
    int32_t left, top, right, bottom;
};

// Written on the window thread; the edges and the busy flag are read elsewhere.
Rect Visible;
int32_t VisibleKnown;
int32_t DisplayOpen, FirstOpen = 1;
int32_t BlitBusy;
int32_t VmRight, VmBottom;
MweEvent Received;

void metrics(int32_t* width, int32_t* height, int32_t* menu) {
    const MweShell* shell = mwe_getShell();
    *width = 240;
    *height = 320;
    *menu = 0;
    if (shell->screenMetrics) shell->screenMetrics(width, height, menu);
}

// The visible rectangle; measured on first use when nobody asked for it yet.
Rect visible() {
    if (!VisibleKnown) mwe_getScreenRect(nullptr);
    return Visible;
}

}  // namespace

int32_t mwe_openDisplay(void) {
    if (DisplayOpen) return 1;
    const MweShell* shell = mwe_getShell();
    if (FirstOpen) {
        if (shell->displayInit) shell->displayInit();
        FirstOpen = 0;
    }
    DisplayOpen = shell->displayOpen ? (shell->displayOpen() != 0) : 0;
    return DisplayOpen;
}

int32_t mwe_closeDisplay(void) {
    DisplayOpen = 0;
    const MweShell* shell = mwe_getShell();
    if (shell->displayClose) shell->displayClose();
    return 1;
}

MweSize mwe_getScreenRect(int32_t* menuHeight) {
    int32_t width, height, menu;
    metrics(&width, &height, &menu);
    // the window's client area starts at the top of the screen on the desktop
    Visible = {0, 0, width, height - menu};
    VisibleKnown = 1;
    if (menuHeight != nullptr) *menuHeight = menu;
    return {width, height + menu};
}

void mwe_clearScreenBuffer(void) {
    const MweShell* shell = mwe_getShell();
    if (!shell->screenGetSize) return;
    int32_t width = 0, height = 0;
    uint16_t* pixels = nullptr;
    shell->screenGetSize(&width, &height, &pixels);
    if (pixels == nullptr) return;
    Rect r = visible();
    // the rectangle's pixel count, laid over the buffer from its start, never beyond it
    int64_t count = (int64_t)(r.bottom - r.top) * (r.right - r.left);
    int64_t room = (int64_t)width * height;
    if (count > room) count = room;
    if (count > 0) memset(pixels, 0xFF, (size_t)count * 2);
}

void mwe_blitScreen(void* dc, int32_t mode) {
    if (!mwe_isScreenReady()) return;
    const MweShell* shell = mwe_getShell();
    if (!shell->screenGetSize || !shell->screenCopy) return;
    int32_t width = 0, height = 0;
    uint16_t* pixels = nullptr;
    shell->screenGetSize(&width, &height, &pixels);
    Rect r = visible();
    atomicStore(&VmRight, r.left + width);
    atomicStore(&VmBottom, r.top + height);
    if (pixels != nullptr && mode >= 1 && mode <= 3) {
        int32_t bottom = r.bottom < height ? r.bottom : height;
        atomicStore(&BlitBusy, 1);
        shell->screenCopy(dc, mode, r.top, bottom);
        atomicStore(&BlitBusy, 0);
    }
    if (shell->screenSetActive) shell->screenSetActive(0);
}

int32_t mwe_isBlitBusy(void) { return atomicLoad(&BlitBusy); }

void mwe_getVmScreenEdges(int32_t* right, int32_t* bottom) {
    if (right != nullptr) *right = atomicLoad(&VmRight);
    if (bottom != nullptr) *bottom = atomicLoad(&VmBottom);
}

int32_t mwe_receiveEvent(MweEvent** record) {
    MweMsg* m = mwe_waitMsg(MWE_QUEUE_KVE);
    int32_t result = 0;
    if (m != nullptr && m->type == MWE_MSG_EVENT) {
        memcpy(&Received, &m->u.event, sizeof Received);
        result = 1;
    } else {
        memset(&Received, 0, sizeof Received);
    }
    mwe_freeMsg(m);
    if (record != nullptr) *record = &Received;
    return result;
}
