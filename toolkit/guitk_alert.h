// The alert ("ALRT"): a full-screen container showing, top to bottom, an optional
// ticker, an optional title, and a scrolling body of an image, a word-wrapped message
// and an optional gauge. The ticker, title and gauge are its children; their events stay
// inside the alert, their repaint requests become the alert's.
#pragma once

#include <stdint.h>

#include "toolkit/guitk_container.h"

enum : uint32_t { GUITK_TAG_ALERT = guiTkTag("ALRT") };

enum { GUITK_ALERT_TYPES = 6 };  // none, info, warning, error, alarm, confirmation
enum { GUITK_ALERT_SCROLL_STEP = 12 };

struct GuiTkAlert {
    GuiTkContainer container;
    uint32_t tag;  // "ALRT"
    uint32_t alertType;
    int32_t clientWidth, clientHeight;  // the body as laid out
    // The view rectangle, in the order the trace hook reads it.
    int32_t viewX;  // always 0
    int32_t viewY;  // the body's scroll offset, >= 0
    int32_t viewPortWidth, viewPortHeight;
    uint32_t imageKind;  // 0 image, 1 off-screen
    int32_t image;       // -1 none
    int32_t imageX, imageY;
    int32_t message;  // toolkit string, owned; -1 none
    int32_t messageX, messageY, messageHeight;
    int32_t layout;  // line layout of the message, owned
};
static_assert(sizeof(GuiTkAlert) == 224, "the alert is seventeen words behind the container");
enum { GUITK_ALERT_TAG_PLACE = sizeof(GuiTkContainer) };

enum {
    GUITK_ALERT_MSG_CREATED = 33,          // number
    GUITK_ALERT_MSG_DELETING = 34,         //
    GUITK_ALERT_MSG_TYPE = 35,             // new, old; non-zero keeps the old type
    GUITK_ALERT_MSG_MESSAGE = 36,          // new string
    GUITK_ALERT_MSG_TITLE = 37,            // the title's string
    GUITK_ALERT_MSG_IMAGE = 38,            // new, old
    GUITK_ALERT_MSG_OFFSCREEN = 39,        // new, old
    GUITK_ALERT_MSG_GAUGE = 40,            // new, old
    GUITK_ALERT_MSG_TICKER = 41,           // new, old
    GUITK_ALERT_MSG_VIEWPORT_WIDTH = 42,   // the stored words
    GUITK_ALERT_MSG_VIEWPORT_HEIGHT = 43,  //
    GUITK_ALERT_MSG_CLIENT_WIDTH = 44,     //
    GUITK_ALERT_MSG_CLIENT_HEIGHT = 45,    //
    GUITK_ALERT_MSG_VIEW_X = 46,           //
    GUITK_ALERT_MSG_VIEW_Y = 47,           //
    GUITK_ALERT_SLOTS = 48,
};

int32_t KivAlertModuleInit(int32_t optionCount, const void* options);
int32_t KivAlertModuleFini(void);
int32_t KivAlertCreate(int32_t number);
// Deletes the title; the ticker and gauge are only removed (their owners delete them).
void KivAlertDelete(int32_t alert);
int32_t KivAlertSetAlertType(int32_t alert, int32_t type);  // -1 when the handler refuses
int32_t KivAlertGetAlertType(int32_t alert);
// null chars remove the title; 0, or -1 when it cannot be made.
int32_t KivAlertSetTitle(int32_t alert, const uint16_t* chars, int32_t length);
int32_t KivAlertGetTitle(int32_t alert);
void KivAlertSetTicker(int32_t alert, int32_t ticker);
int32_t KivAlertGetTicker(int32_t alert);
void KivAlertSetGauge(int32_t alert, int32_t gauge);
int32_t KivAlertGetGauge(int32_t alert);
int32_t KivAlertSetMessage(int32_t alert, const uint16_t* chars, int32_t length);
int32_t KivAlertGetMessage(int32_t alert);
void KivAlertSetImage(int32_t alert, int32_t image);
void KivAlertSetOffScreen(int32_t alert, int32_t offScreen);
int32_t KivAlertGetImage(int32_t alert);
int32_t KivAlertGetOffScreen(int32_t alert);
int32_t KivAlertGetClientWidth(int32_t alert);
int32_t KivAlertGetClientHeight(int32_t alert);
int32_t KivAlertGetViewPortWidth(int32_t alert);
int32_t KivAlertGetViewPortHeight(int32_t alert);
int32_t KivAlertGetViewX(int32_t alert);
int32_t KivAlertGetViewY(int32_t alert);
void KivAlertSetHandler(int32_t messageId, GuiTkHandler handler);
void KivAlertSetKeyHandler(GuiTkKeyHook handler);
void KivAlertSetPointerHandler(GuiTkPointerHook handler);
int32_t KivAlertDefaultHandler(GuiTkMessage* message);
int32_t KivAlertKeyHandler(GuiTkKeyEvent* event);
