// The component registry, the base record every component kind starts with ("COMP"),
// and messages: setters store a value and, when it changed, send a message to the
// kind's handler, which passes what it does not handle to CompDefaultHandler.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/p32.h"
#include "toolkit/guitk_handle.h"

// A message, built on the stack for each call.
struct GuiTkMessage {
    int32_t component;
    int32_t id;
    int32_t a1, a2, a3, a4;
};
typedef int32_t (*GuiTkHandler)(GuiTkMessage* message);

// Key and pointer events as the peers hand them to a component.
struct GuiTkKeyEvent {
    int32_t component;
    int32_t type;  // 3: key pressed
    int32_t key;   // toolkit key code
    int32_t character;
};
struct GuiTkPointerEvent {
    int32_t component;
    int32_t values[4];
};
typedef int32_t (*GuiTkKeyHook)(GuiTkKeyEvent* event);
typedef int32_t (*GuiTkPointerHook)(GuiTkPointerEvent* event);

// An event leaving a component: seven words.
struct GuiTkEvent {
    int32_t word0;      // 0 from every toolkit sender
    int32_t component;  // -1: none
    int32_t code;
    int32_t args[4];
};
static_assert(sizeof(GuiTkEvent) == 28, "an event record is seven words");
// The context of a routed event: the callback the event system calls with the request's
// completion block.
typedef void (*GuiTkEventCallback)(int32_t* block);
typedef int32_t (*GuiTkEventHook)(GuiTkEventCallback context, GuiTkEvent* event);

// The base record. Function words point into the program's code.
struct GuiTkComponent {
    uint32_t tag;  // "COMP"
    int32_t previous;
    int32_t next;
    P32Fn<GuiTkHandler> handler;
    P32Fn<GuiTkKeyHook> keyHook;
    P32Fn<GuiTkKeyHook> activeKeyHook;
    P32Fn<GuiTkPointerHook> pointerHook;
    int32_t createParam;
    uint8_t type;
    uint8_t focusPolicy;
    uint8_t directionMode;
    uint8_t pad;
    uint32_t shown;
    int32_t parent;
    P32Fn<GuiTkEventHook> eventHook;
    int32_t x, y, width, height;
    uint32_t foreground;
    uint32_t background;
    int16_t insetTop, insetLeft, insetRight, insetBottom;
    uint32_t paintEnable;
    uint32_t state;
    GuiTkFont font;
    uint8_t alignX;
    uint8_t alignY;
    uint8_t overflowAlignX;
    uint8_t overflowAlignY;
    int32_t preferredWidth, preferredHeight;
    int32_t minimumWidth, minimumHeight;
    int32_t peerData;
    int32_t spareWord;
    uint32_t editing;
    int32_t kindWords[3];
    uint32_t truncateMode;
};
static_assert(sizeof(GuiTkComponent) == 140, "the base record is 35 words");
static_assert(offsetof(GuiTkComponent, type) == 32 && offsetof(GuiTkComponent, shown) == 36, "base bytes");
static_assert(offsetof(GuiTkComponent, x) == 48 && offsetof(GuiTkComponent, insetTop) == 72, "base bounds");
static_assert(offsetof(GuiTkComponent, alignX) == 92 && offsetof(GuiTkComponent, truncateMode) == 136, "base tail");
// A kind's own tag lies directly behind the base.
enum { GUITK_KIND_TAG_PLACE = sizeof(GuiTkComponent) };

// Kind codes.
enum {
    GUITK_TYPE_BUTTON = 1,
    GUITK_TYPE_CHECKBOX = 2,
    GUITK_TYPE_RADIOBUTTON = 3,
    GUITK_TYPE_TICKER = 4,
    GUITK_TYPE_LABEL = 5,
    GUITK_TYPE_TITLE = 6,
    GUITK_TYPE_IMPLICITLIST = 7,
    GUITK_TYPE_TEXTBOX = 8,
    GUITK_TYPE_GAUGE = 9,
    GUITK_TYPE_DATEFIELD = 10,
    GUITK_TYPE_POPUPLIST = 11,
    GUITK_TYPE_COMMANDMENU = 12,
    GUITK_TYPE_CONFIRM = 13,
    GUITK_TYPE_LISTITEM = 14,
    GUITK_TYPE_POPUPWINDOW = 15,
    GUITK_TYPE_ALERT = 20,
};

enum { GUITK_STATE_DISABLED = 0, GUITK_STATE_ENABLED = 1, GUITK_STATE_FOCUSED = 2, GUITK_STATE_ACTIVE = 3 };
enum { GUITK_FOCUS_OCCUPY = 0, GUITK_FOCUS_SMOOTH = 1 };
enum { GUITK_KEY_EVENT_PRESSED = 3, GUITK_KEY_SELECT = 20 };

// The messages every kind understands; a kind's own ids start at GUITK_MSG_KIND.
enum {
    GUITK_MSG_LOCATION = 0,
    GUITK_MSG_SIZE = 1,
    GUITK_MSG_FOREGROUND = 2,
    GUITK_MSG_BACKGROUND = 3,
    GUITK_MSG_PAINT_ENABLE = 4,
    GUITK_MSG_STATE = 5,
    GUITK_MSG_FONT = 6,
    GUITK_MSG_ALIGNMENT_X = 7,
    GUITK_MSG_ALIGNMENT_Y = 8,
    GUITK_MSG_OVERFLOW_ALIGNMENT_X = 9,
    GUITK_MSG_OVERFLOW_ALIGNMENT_Y = 10,
    GUITK_MSG_PREFERRED_SIZE = 11,
    GUITK_MSG_MINIMUM_SIZE = 12,
    GUITK_MSG_SHOW = 13,
    GUITK_MSG_PAINT = 14,
    GUITK_MSG_HIDE = 15,
    GUITK_MSG_FOCUS_POLICY = 16,
    GUITK_MSG_PREFERRED_WIDTH_FOR_HEIGHT = 17,
    GUITK_MSG_PREFERRED_HEIGHT_FOR_WIDTH = 18,
    GUITK_MSG_PAINT_HIDDEN = 19,
    GUITK_MSG_GET_PREFERRED_WIDTH = 20,
    GUITK_MSG_GET_PREFERRED_HEIGHT = 21,
    GUITK_MSG_GET_MINIMUM_WIDTH = 22,
    GUITK_MSG_GET_MINIMUM_HEIGHT = 23,
    GUITK_MSG_TRUNCATE_MODE = 24,
    GUITK_MSG_RELAYOUT = 25,
    GUITK_MSG_RELAYOUT_DONE = 26,
    GUITK_MSG_DIRECTION_MODE = 27,
    GUITK_MSG_KIND = 29,
};

// The global colours.
enum {
    GUITK_COLOR_BACKGROUND = 0,
    GUITK_COLOR_FOREGROUND = 1,
    GUITK_COLOR_FOCUSED_BACKGROUND = 2,
    GUITK_COLOR_FOCUSED_FOREGROUND = 3,
    GUITK_COLOR_BORDER = 4,
    GUITK_COLOR_FOCUSED_BORDER = 5,
    GUITK_GLOBAL_COLORS = 6,
};

// Registry module.
int32_t CompModuleInit(int32_t optionCount, const void* options);
int32_t CompModuleFini(void);
GuiTkFont CompGetDefaultFont(void);
void CompSetLanguageDirection(int32_t direction);
int32_t CompGetLanguageDirection(void);
int32_t CompIsRightToLeft(int32_t directionMode);
void CompSetGlobalColor(int32_t index, uint32_t color);
uint32_t CompGetGlobalColor(int32_t index);
int32_t CompGetNext(int32_t component);
int32_t CompGetPrev(int32_t component);
void CompRelayoutAll(void);
int32_t CompRelayout(int32_t component);

// Creation and removal, by each kind's creator and destroyer on its locked record.
int32_t CompInitObject(int32_t handle, GuiTkComponent* record, GuiTkHandler handler, GuiTkKeyHook keyHook,
                       GuiTkKeyHook activeKeyHook, GuiTkPointerHook pointerHook, int32_t createParam, int32_t type);
int32_t CompInitDefault(int32_t handle, GuiTkComponent* record, GuiTkHandler handler, GuiTkKeyHook activeKeyHook,
                        GuiTkPointerHook pointerHook, int32_t createParam, int32_t type);
void CompUnlink(GuiTkComponent* record);

// Typed access to the base record.
GuiTkComponent* CompLock(int32_t component);
int32_t CompGetInt(int32_t component, int32_t position);
uint32_t CompGetShort(int32_t component, int32_t position);
uint32_t CompGetByte(int32_t component, int32_t position);
int32_t CompGetHandle(int32_t component, int32_t position);
int32_t CompGetFlag(int32_t component, int32_t position);
void CompSetInt(int32_t component, int32_t position, int32_t value);
void CompSetByte(int32_t component, int32_t position, int32_t value);
void CompSetHandle(int32_t component, int32_t position, int32_t value);
void CompSetFlag(int32_t component, int32_t position, int32_t value);
void CompSetPair(int32_t component, int32_t position, int32_t first, int32_t second);

// Setters that send their message when the value changed.
void CompSetLocation(int32_t component, int32_t x, int32_t y);
void CompSetSize(int32_t component, int32_t width, int32_t height);
void CompSetForeground(int32_t component, uint32_t color);
void CompSetBackground(int32_t component, uint32_t color);
void CompSetPaintEnable(int32_t component, int32_t enable);
void CompSetState(int32_t component, int32_t state);
void CompSetFont(int32_t component, GuiTkFont font);
void CompSetAlignmentX(int32_t component, int32_t alignment);
void CompSetAlignmentY(int32_t component, int32_t alignment);
void CompSetOverflowAlignmentX(int32_t component, int32_t alignment);
void CompSetOverflowAlignmentY(int32_t component, int32_t alignment);
void CompSetPreferredSize(int32_t component, int32_t width, int32_t height);
void CompSetMinimumSize(int32_t component, int32_t width, int32_t height);
void CompSetFocusPolicy(int32_t component, int32_t policy);
void CompSetTruncateMode(int32_t component, int32_t mode);
void CompSetDirectionMode(int32_t component, int32_t mode);

// Stores without a message.
void CompStoreState(int32_t component, int32_t state);
void CompStoreFocusPolicy(int32_t component, int32_t policy);
void CompStoreLocation(int32_t component, int32_t x, int32_t y);
void CompStoreSize(int32_t component, int32_t width, int32_t height);
void CompStorePreferredSize(int32_t component, int32_t width, int32_t height);
void CompStoreMinimumSize(int32_t component, int32_t width, int32_t height);
void CompStoreForeground(int32_t component, uint32_t color);
void CompStoreBackground(int32_t component, uint32_t color);
void CompStorePaintEnable(int32_t component, int32_t enable);
void CompStoreDirectionMode(int32_t component, int32_t mode);
void CompSetEditingFlag(int32_t component, int32_t flag);
void CompSetSpareWord(int32_t component, int32_t value);
void CompSetPeerData(int32_t component, int32_t value);
void CompSetInsets(int32_t component, int32_t top, int32_t left, int32_t right, int32_t bottom);
void CompSetParent(int32_t component, int32_t container);
void CompSetEventHook(int32_t component, GuiTkEventHook hook);

// Getters.
int32_t CompGetX(int32_t component);
int32_t CompGetY(int32_t component);
int32_t CompGetWidth(int32_t component);
int32_t CompGetHeight(int32_t component);
int32_t CompGetInsetTop(int32_t component);
int32_t CompGetInsetLeft(int32_t component);
int32_t CompGetInsetRight(int32_t component);
int32_t CompGetInsetBottom(int32_t component);
int32_t CompGetState(int32_t component);
GuiTkFont CompGetFont(int32_t component);
int32_t CompGetType(int32_t component);
int32_t CompGetCreateParam(int32_t component);
int32_t CompGetFocusPolicy(int32_t component);
int32_t CompGetDirectionMode(int32_t component);
int32_t CompGetParent(int32_t component);
GuiTkEventHook CompGetEventHook(int32_t component);
int32_t CompGetPeerData(int32_t component);
int32_t CompGetSpareWord(int32_t component);
int32_t CompGetEditingFlag(int32_t component);
int32_t CompIsShown(int32_t component);
uint32_t CompGetForeground(int32_t component);
uint32_t CompGetBackground(int32_t component);
int32_t CompGetPaintEnable(int32_t component);
int32_t CompGetAlignmentX(int32_t component);
int32_t CompGetAlignmentY(int32_t component);
int32_t CompGetOverflowAlignmentX(int32_t component);
int32_t CompGetOverflowAlignmentY(int32_t component);
int32_t CompGetTruncateMode(int32_t component);
// Through messages 17 to 23, so that a kind can compute them.
int32_t CompGetPreferredWidthForHeight(int32_t component, int32_t height);
int32_t CompGetPreferredHeightForWidth(int32_t component, int32_t width);
int32_t CompGetPreferredWidth(int32_t component);
int32_t CompGetPreferredHeight(int32_t component);
int32_t CompGetMinimumWidth(int32_t component);
int32_t CompGetMinimumHeight(int32_t component);
// The bounds less the insets, sizes clamped at 0.
void CompGetContentRect(const GuiTkComponent* record, GuiTkRect* out);

void CompShow(int32_t component, int32_t argument);
void CompHide(int32_t component);
int32_t CompPaint(int32_t component, GuiTkGraphics gfx);
// A repaint request for a shown component.
void CompRequestUpdate(int32_t component);
int32_t CompProcessKeyEvent(GuiTkKeyEvent* event);
int32_t CompProcessPointerEvent(GuiTkPointerEvent* event);

// Message calls.
int32_t CompCallHandler(GuiTkHandler handler, int32_t component, int32_t id, int32_t a1, int32_t a2, int32_t a3,
                        int32_t a4);
int32_t CompCallHandler0(GuiTkHandler handler, int32_t component, int32_t id);
int32_t CompCallHandler1(GuiTkHandler handler, int32_t component, int32_t id, int32_t a1);
int32_t CompCallHandler2(GuiTkHandler handler, int32_t component, int32_t id, int32_t a1, int32_t a2);
int32_t CompCallHandler3(GuiTkHandler handler, int32_t component, int32_t id, int32_t a1, int32_t a2, int32_t a3);
int32_t CompSendMessage(int32_t component, int32_t id, int32_t a1, int32_t a2, int32_t a3, int32_t a4);
int32_t CompSendMessage0(int32_t component, int32_t id);
int32_t CompSendMessage1(int32_t component, int32_t id, int32_t a1);
int32_t CompSendMessage2(int32_t component, int32_t id, int32_t a1, int32_t a2);

// Hooks and the handler the base offers to kinds.
int32_t CompDefaultKeyHook(GuiTkKeyEvent* event);
int32_t CompActiveKeyHookOccupy(GuiTkKeyEvent* event);
int32_t CompNullHook(GuiTkKeyEvent* event);
int32_t CompDefaultHandler(GuiTkMessage* message);
// Stands in a handler slot that must never be reached: fatal -1, result 0.
int32_t GuiTkAbstractHandler(GuiTkMessage* message);
