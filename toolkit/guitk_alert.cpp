// The alert.
#include "toolkit/guitk_alert.h"

#include <stddef.h>

#include "toolkit/guitk_event.h"
#include "toolkit/guitk_label.h"
#include "toolkit/guitk_layout.h"
#include "toolkit/guitk_screen.h"
#include "toolkit/guitk_string.h"

namespace {

struct AlertClass {
    P32Fn<GuiTkHandler> slots[GUITK_ALERT_SLOTS];
    P32Fn<GuiTkKeyHook> keyHandler;
    P32Fn<GuiTkPointerHook> pointerHandler;
};
VMBSS AlertClass* AlertTable;

#define FIELD(name) ((int32_t)offsetof(GuiTkAlert, name))

int32_t getField(int32_t c, int32_t position) {
    return GuiTkGetTypedInt(c, GUITK_ALERT_TAG_PLACE, GUITK_TAG_ALERT, position);
}
void setField(int32_t c, int32_t position, int32_t value) {
    GuiTkSetTypedInt(c, GUITK_ALERT_TAG_PLACE, GUITK_TAG_ALERT, position, value);
}

GuiTkAlert* lockAlert(int32_t c) { return (GuiTkAlert*)GuiTkLockTyped(c, GUITK_ALERT_TAG_PLACE, GUITK_TAG_ALERT); }

bool snapshot(int32_t c, GuiTkAlert* out) {
    GuiTkAlert* r = lockAlert(c);
    if (r == nullptr) return false;
    *out = *r;
    GuiTkUnlockHandle(c);
    return true;
}

int32_t childOfType(int32_t c, int32_t type) {
    int32_t index = ContainerFindChildByType(c, type);
    return index == -1 ? -1 : ContainerGetChild(c, index);
}

MkSurface* surfaceOf(int32_t image) { return p32Ptr<MkSurface>(image); }

// The children's events stay inside the alert: a repaint request becomes the alert's,
// anything else is completed here without reaching the VM.
int32_t childEventHook(GuiTkEventCallback context, GuiTkEvent* event) {
    if (event->code == GUITK_EVENT_UPDATE)
        CompRequestUpdate(CompGetParent(event->component));
    else
        context((int32_t*)event);
    return 1;
}

// Sizes and places a header child at y for the full width; its height.
int32_t placeHeader(int32_t child, int32_t x, int32_t y, int32_t width) {
    int32_t height = CompGetPreferredHeightForWidth(child, width);
    CompSetSize(child, width, height);
    CompSetLocation(child, x, y);
    return height;
}

void scrollBy(int32_t c, int32_t d) {
    GuiTkAlert r{};
    if (!snapshot(c, &r)) return;
    if (r.container.base.width <= 0 || r.container.base.height <= 0) return;
    int32_t limit = r.clientHeight - r.viewPortHeight;
    if (limit < 0) limit = 0;
    int32_t view = r.viewY + d;
    if (view > limit) view = limit;
    if (view < 0) view = 0;
    if (view == r.viewY) return;
    int32_t delta = view - r.viewY;
    GuiTkAlert* w = lockAlert(c);
    if (w == nullptr) return;
    w->viewY = view;
    w->imageY -= delta;
    w->messageY -= delta;
    GuiTkUnlockHandle(c);
    int32_t gauge = childOfType(c, GUITK_TYPE_GAUGE);
    if (gauge != -1) CompSetLocation(gauge, CompGetX(gauge), CompGetY(gauge) - delta);
    CompRequestUpdate(c);
}

void layoutAlert(int32_t c) {
    GuiTkAlert r{};
    if (!snapshot(c, &r) || r.layout == -1) return;
    const GuiTkComponent& b = r.container.base;
    if (b.width <= 0 || b.height <= 0) return;
    GuiTkRect client;
    CompGetContentRect(&b, &client);
    int32_t cx = client.x, cw = client.width;
    int32_t clientHeight = 0, viewPortHeight = client.height, y = client.y;
    const int32_t headers[2] = {GUITK_TYPE_TICKER, GUITK_TYPE_TITLE};
    for (int32_t type : headers) {
        int32_t child = childOfType(c, type);
        if (child == -1) continue;
        int32_t height = placeHeader(child, cx, y, cw);
        y += height;
        viewPortHeight -= height;
    }
    y -= r.viewY;
    int32_t imageX = r.imageX, imageY = y;
    if (r.image != -1) {
        MkSurface* s = surfaceOf(r.image);
        int32_t ih = GuiTkGfxGetSurfaceHeight(s);
        imageX = cx + (cw - GuiTkGfxGetSurfaceWidth(s)) / 2;
        y += ih;
        clientHeight += ih;
    }
    int32_t messageY = y, messageHeight = 0;
    LineLayoutSetWidths(r.layout, &cw, 1);
    if (r.message != -1) {
        messageHeight = GuiTkFontGetHeight(b.font) * LineLayoutCountLines(r.layout, 32767);
        y += messageHeight;
        clientHeight += messageHeight;
    }
    int32_t gauge = childOfType(c, GUITK_TYPE_GAUGE);
    if (gauge != -1) {
        int32_t gw = CompGetPreferredWidth(gauge);
        if (gw > cw) gw = cw;
        int32_t gh = CompGetPreferredHeightForWidth(gauge, gw);
        CompSetSize(gauge, gw, gh);
        CompSetLocation(gauge, CompIsRightToLeft(b.directionMode) ? cx + cw - gw : cx, y);
        clientHeight += gh;
    }
    GuiTkAlert* w = lockAlert(c);
    if (w == nullptr) return;
    w->clientWidth = w->viewPortWidth = cw;
    w->clientHeight = clientHeight;
    w->viewPortHeight = viewPortHeight;
    w->imageX = imageX;
    w->imageY = imageY;
    w->messageX = cx;
    w->messageY = messageY;
    w->messageHeight = messageHeight;
    GuiTkUnlockHandle(c);
    scrollBy(c, 0);
}

void moveBy(int32_t c, int32_t dx, int32_t dy) {
    GuiTkAlert* w = lockAlert(c);
    if (w == nullptr) return;
    w->imageX += dx;
    w->imageY += dy;
    w->messageX += dx;
    w->messageY += dy;
    GuiTkUnlockHandle(c);
    for (int32_t i = 0; i < ContainerGetChildCount(c); i++) {
        int32_t child = ContainerGetChild(c, i);
        CompSetLocation(child, CompGetX(child) + dx, CompGetY(child) + dy);
    }
}

int32_t paint(int32_t c, GuiTkGraphics gfx) {
    GuiTkAlert r{};
    if (!snapshot(c, &r)) return 0;
    const GuiTkComponent& b = r.container.base;
    // the alert covers the screen: its background is drawn whatever its alpha
    GuiTkGfxSetColor(gfx, b.background & 0xFFFFFF);
    const GuiTkRect bounds = {b.x, b.y, b.width, b.height};
    GuiTkGfxFillRect(gfx, &bounds);
    GuiTkRect saved, client;
    GuiTkGfxGetClip(gfx, &saved);
    CompGetContentRect(&b, &client);
    GuiTkClipTo(gfx, &client);
    if (r.image != -1) {
        if (r.imageKind == 0)
            GuiTkGfxDrawImage(gfx, surfaceOf(r.image), r.imageX, r.imageY, 0);
        else
            GuiTkGfxDrawOffScreen(gfx, surfaceOf(r.image), r.imageX, r.imageY, 0);
    }
    if (r.message != -1 && GuiTkUseColor(gfx, b.foreground)) {
        GuiTkGfxSetFont(gfx, b.font);
        int32_t mode = b.directionMode;
        const GuiTkLineStyle style = {1, mode == 1 ? 1 : mode == 2 ? 2 : -1, 0, 0, 0, 0};
        const GuiTkRect box = {r.messageX, r.messageY, client.width, r.messageHeight};
        // the range skips the lines scrolled above the clip and stops one line below it
        LineLayoutDrawRange(r.layout, gfx, &box, 0, -1, &style);
    }
    GuiTkGfxSetClip(gfx, &saved);
    ContainerPaintChildren(c, gfx);

    int32_t limit = r.clientHeight - r.viewPortHeight;
    if (limit < 0) limit = 0;
    GuiTkSoftkeySetFocusState(0);
    GuiTkSoftkeySetScrollState((r.viewY > 0 ? 1 : 0) | (r.viewY < limit ? 2 : 0));
    // the hook reads the view rectangle in place, so the record stays locked for it
    GuiTkAlert* w = lockAlert(c);
    if (w == nullptr) return 0;
    int32_t wide = r.clientWidth > r.viewPortWidth ? r.clientWidth : r.viewPortWidth;
    int32_t tall = r.clientHeight > r.viewPortHeight ? r.clientHeight : r.viewPortHeight;
    GuiTkTraceHook(p32Cell(&w->viewX), wide, tall);
    GuiTkUnlockHandle(c);
    return 0;
}

int32_t innerHandler(GuiTkMessage* m) {
    int32_t c = m->component;
    if (m->id == GUITK_MSG_FONT) {
        LineLayoutSetFont(getField(c, FIELD(layout)), m->a1);
        layoutAlert(c);
    }
    GuiTkHandler slot =
        m->id >= 0 && m->id < GUITK_ALERT_SLOTS ? AlertTable->slots[m->id].get() : KivAlertDefaultHandler;
    return slot(m);
}

int32_t keyTrampoline(GuiTkKeyEvent* event) { return AlertTable->keyHandler.get()(event); }
int32_t pointerTrampoline(GuiTkPointerEvent* event) { return AlertTable->pointerHandler.get()(event); }

bool checkText(const uint16_t* chars, int32_t length) {
    if (chars != nullptr || length <= 0) return true;
    GuiTkFatalError(GUITK_ERROR_ARGUMENT);
    return false;
}

// The ticker and the gauge: one child of the type, inserted with the alert's event hook.
void setChild(int32_t c, int32_t child, int32_t type, int32_t message) {
    if (child != -1 && CompGetType(child) != type) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return;
    }
    int32_t index = ContainerFindChildByType(c, type);
    int32_t old = index == -1 ? -1 : ContainerGetChild(c, index);
    if (old == child) return;
    if (old != -1) {
        CompSetEventHook(old, nullptr);
        ContainerRemoveChild(c, index);
    }
    if (child != -1) {
        int32_t at = type == GUITK_TYPE_TICKER ? 0 : ContainerGetChildCount(c);
        if (ContainerInsertChild(c, at, child) == 0)
            CompSetEventHook(child, childEventHook);
        else
            child = -1;
    }
    layoutAlert(c);
    CompSendMessage2(c, message, child, old);
}

void setPicture(int32_t c, int32_t image, uint32_t kind) {
    GuiTkAlert r{};
    if (!snapshot(c, &r)) return;
    if (r.imageKind == kind && r.image == image) return;
    if (r.imageKind != kind && r.image != -1) {
        if (kind == 0)
            KivAlertSetOffScreen(c, -1);
        else
            KivAlertSetImage(c, -1);
    }
    int32_t old = (uint32_t)getField(c, FIELD(imageKind)) == kind ? getField(c, FIELD(image)) : -1;
    setField(c, FIELD(imageKind), (int32_t)kind);
    setField(c, FIELD(image), image);
    CompSendMessage2(c, kind == 0 ? GUITK_ALERT_MSG_IMAGE : GUITK_ALERT_MSG_OFFSCREEN, image, old);
}

}  // namespace

int32_t KivAlertModuleInit(int32_t, const void*) {
    AlertTable = (AlertClass*)GuiTkAlloc((int32_t)sizeof(AlertClass));
    if (AlertTable == nullptr) return -1;
    for (P32Fn<GuiTkHandler>& slot : AlertTable->slots) slot = KivAlertDefaultHandler;
    AlertTable->keyHandler = KivAlertKeyHandler;
    AlertTable->pointerHandler = ContainerNullHook;
    return 0;
}

int32_t KivAlertModuleFini(void) {
    if (AlertTable != nullptr) GuiTkFree(AlertTable);
    AlertTable = nullptr;
    return 0;
}

int32_t KivAlertCreate(int32_t number) {
    int32_t layout = LineLayoutCreate();
    if (layout == -1) return -1;
    int32_t h = GuiTkAllocHandle((int32_t)sizeof(GuiTkAlert));
    if (h == -1) {
        LineLayoutDestroy(layout);
        return -1;
    }
    if (!ContainerInit(h, innerHandler, keyTrampoline, pointerTrampoline, number, GUITK_TYPE_ALERT)) {
        GuiTkFreeHandle(h);
        LineLayoutDestroy(layout);
        return -1;
    }
    GuiTkAlert* r = (GuiTkAlert*)GuiTkLockTyped(h, GUITK_KIND_TAG_PLACE, GUITK_TAG_CTNR);
    if (r == nullptr) return -1;
    r->tag = GUITK_TAG_ALERT;
    r->alertType = 0;
    r->clientWidth = r->clientHeight = 0;
    r->viewX = r->viewY = 0;
    r->viewPortWidth = r->viewPortHeight = 0;
    r->imageKind = 0;
    r->image = -1;
    r->imageX = r->imageY = 0;
    r->message = -1;
    r->messageX = r->messageY = r->messageHeight = 0;
    r->layout = layout;
    GuiTkUnlockHandle(h);

    const int32_t width = 0;
    LineLayoutSetFont(layout, CompGetFont(h));
    if (LineLayoutSetWidths(layout, &width, 1) != 0) {
        KivAlertDelete(h);
        return -1;
    }
    CompStoreFocusPolicy(h, GUITK_FOCUS_SMOOTH);
    CompSetInsets(h, 0, 0, 0, 0);
    CompStoreMinimumSize(h, GuiTkGetScreenWidth(), GuiTkGetScreenHeight());
    CompStorePreferredSize(h, GuiTkGetScreenWidth(), GuiTkGetScreenHeight());
    CompSendMessage1(h, GUITK_ALERT_MSG_CREATED, number);
    LineLayoutSetFont(layout, CompGetFont(h));
    return h;
}

void KivAlertDelete(int32_t c) {
    CompSendMessage0(c, GUITK_ALERT_MSG_DELETING);
    int32_t layout = getField(c, FIELD(layout));
    setField(c, FIELD(layout), -1);
    if (layout != -1) LineLayoutDestroy(layout);
    int32_t title = childOfType(c, GUITK_TYPE_TITLE);
    if (title != -1) KivTitleDelete(title);
    for (int32_t i = 0; i < ContainerGetChildCount(c); i++) CompSetEventHook(ContainerGetChild(c, i), nullptr);
    ContainerRemoveAll(c);
    GuiTkAlert* r = lockAlert(c);
    if (r == nullptr) return;
    int32_t message = r->message;
    r->message = -1;
    r->tag = 0;
    GuiTkUnlockHandle(c);
    if (message != -1) StrDestroy(message);
    ContainerFinalize(c);
    GuiTkFreeHandle(c);
}

int32_t KivAlertSetAlertType(int32_t c, int32_t type) {
    int32_t old = getField(c, FIELD(alertType));
    if (old == type) return 0;
    if (type < 0 || type >= GUITK_ALERT_TYPES) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return -1;
    }
    setField(c, FIELD(alertType), type);
    if (CompSendMessage2(c, GUITK_ALERT_MSG_TYPE, type, old) != 0) {
        setField(c, FIELD(alertType), old);
        return -1;
    }
    return 0;
}

int32_t KivAlertGetAlertType(int32_t c) { return getField(c, FIELD(alertType)); }

int32_t KivAlertSetTitle(int32_t c, const uint16_t* chars, int32_t length) {
    if (!checkText(chars, length)) return -1;
    int32_t title = childOfType(c, GUITK_TYPE_TITLE);
    int32_t text = -1;
    if (chars == nullptr) {
        if (title != -1) KivTitleDelete(title);
    } else if (title != -1) {
        if (KivTitleSetText(title, chars, length) != 0) return -1;
        text = KivTitleGetText(title);
    } else {
        title = KivTitleCreate(CompGetCreateParam(c));
        if (title == -1) return -1;
        int32_t at = ContainerFindChildByType(c, GUITK_TYPE_TICKER) != -1 ? 1 : 0;
        if (KivTitleSetText(title, chars, length) != 0 || ContainerInsertChild(c, at, title) != 0) {
            KivTitleDelete(title);
            return -1;
        }
        CompSetEventHook(title, childEventHook);
        text = KivTitleGetText(title);
    }
    layoutAlert(c);
    CompSendMessage1(c, GUITK_ALERT_MSG_TITLE, text);
    return 0;
}

int32_t KivAlertGetTitle(int32_t c) {
    int32_t title = childOfType(c, GUITK_TYPE_TITLE);
    return title == -1 ? -1 : KivTitleGetText(title);
}

void KivAlertSetTicker(int32_t c, int32_t ticker) { setChild(c, ticker, GUITK_TYPE_TICKER, GUITK_ALERT_MSG_TICKER); }
int32_t KivAlertGetTicker(int32_t c) { return childOfType(c, GUITK_TYPE_TICKER); }
void KivAlertSetGauge(int32_t c, int32_t gauge) { setChild(c, gauge, GUITK_TYPE_GAUGE, GUITK_ALERT_MSG_GAUGE); }
int32_t KivAlertGetGauge(int32_t c) { return childOfType(c, GUITK_TYPE_GAUGE); }

int32_t KivAlertSetMessage(int32_t c, const uint16_t* chars, int32_t length) {
    if (!checkText(chars, length)) return -1;
    if (lockAlert(c) == nullptr) return -1;
    GuiTkUnlockHandle(c);
    int32_t text = -1;
    if (chars != nullptr && (text = StrCreateFromChars(chars, length)) == -1) return -1;
    int32_t old = getField(c, FIELD(message));
    setField(c, FIELD(message), text);
    LineLayoutSetText(getField(c, FIELD(layout)), text);
    if (old != -1) StrDestroy(old);
    layoutAlert(c);
    CompSendMessage1(c, GUITK_ALERT_MSG_MESSAGE, text);
    return 0;
}

int32_t KivAlertGetMessage(int32_t c) { return getField(c, FIELD(message)); }

void KivAlertSetImage(int32_t c, int32_t image) { setPicture(c, image, 0); }
void KivAlertSetOffScreen(int32_t c, int32_t offScreen) { setPicture(c, offScreen, 1); }
int32_t KivAlertGetImage(int32_t c) { return getField(c, FIELD(imageKind)) == 0 ? getField(c, FIELD(image)) : -1; }
int32_t KivAlertGetOffScreen(int32_t c) { return getField(c, FIELD(imageKind)) == 1 ? getField(c, FIELD(image)) : -1; }

int32_t KivAlertGetClientWidth(int32_t c) { return CompSendMessage0(c, GUITK_ALERT_MSG_CLIENT_WIDTH); }
int32_t KivAlertGetClientHeight(int32_t c) { return CompSendMessage0(c, GUITK_ALERT_MSG_CLIENT_HEIGHT); }
int32_t KivAlertGetViewPortWidth(int32_t c) { return CompSendMessage0(c, GUITK_ALERT_MSG_VIEWPORT_WIDTH); }
int32_t KivAlertGetViewPortHeight(int32_t c) { return CompSendMessage0(c, GUITK_ALERT_MSG_VIEWPORT_HEIGHT); }
int32_t KivAlertGetViewX(int32_t c) { return CompSendMessage0(c, GUITK_ALERT_MSG_VIEW_X); }
int32_t KivAlertGetViewY(int32_t c) { return CompSendMessage0(c, GUITK_ALERT_MSG_VIEW_Y); }

void KivAlertSetHandler(int32_t messageId, GuiTkHandler handler) {
    if (messageId < 0 || messageId >= GUITK_ALERT_SLOTS || handler == nullptr)
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
    else
        AlertTable->slots[messageId] = handler;
}

void KivAlertSetKeyHandler(GuiTkKeyHook handler) {
    if (handler == nullptr)
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
    else
        AlertTable->keyHandler = handler;
}

void KivAlertSetPointerHandler(GuiTkPointerHook handler) {
    if (handler == nullptr)
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
    else
        AlertTable->pointerHandler = handler;
}

int32_t KivAlertDefaultHandler(GuiTkMessage* m) {
    int32_t c = m->component;
    switch (m->id) {
        case GUITK_MSG_LOCATION:
            moveBy(c, m->a1 - m->a3, m->a2 - m->a4);
            return ContainerDefaultHandler(m);
        case GUITK_MSG_SIZE:
        case GUITK_MSG_DIRECTION_MODE:
            layoutAlert(c);
            return ContainerDefaultHandler(m);
        case GUITK_MSG_RELAYOUT:
            layoutAlert(c);
            ContainerDefaultHandler(m);
            return 1;
        case GUITK_MSG_PAINT:
            return paint(c, m->a1);
        case GUITK_ALERT_MSG_CREATED:
        case GUITK_ALERT_MSG_DELETING:
        case GUITK_ALERT_MSG_TYPE:
        case GUITK_ALERT_MSG_TITLE:
            return 0;
        case GUITK_ALERT_MSG_MESSAGE:
            CompRequestUpdate(c);
            return 0;
        case GUITK_ALERT_MSG_VIEWPORT_WIDTH:
            return getField(c, FIELD(viewPortWidth));
        case GUITK_ALERT_MSG_VIEWPORT_HEIGHT:
            return getField(c, FIELD(viewPortHeight));
        case GUITK_ALERT_MSG_CLIENT_WIDTH:
            return getField(c, FIELD(clientWidth));
        case GUITK_ALERT_MSG_CLIENT_HEIGHT:
            return getField(c, FIELD(clientHeight));
        case GUITK_ALERT_MSG_VIEW_X:
            return getField(c, FIELD(viewX));
        case GUITK_ALERT_MSG_VIEW_Y:
            return getField(c, FIELD(viewY));
        default:
            // a new image only asks for a repaint: it is drawn where the last layout put
            // the old one until something lays the alert out again
            return ContainerDefaultHandler(m);
    }
}

int32_t KivAlertKeyHandler(GuiTkKeyEvent* event) {
    if (event->type != 2 && event->type != 3) return 0;
    if (event->key == 17) scrollBy(event->component, -GUITK_ALERT_SCROLL_STEP);
    if (event->key == 19) scrollBy(event->component, GUITK_ALERT_SCROLL_STEP);
    return 0;
}
