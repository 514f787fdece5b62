// The pop-up list ("PULS"): a closed one-line choice showing the current item in a
// framed box with a drop button. Made active, it opens its pop-up window ("POPN", a list
// box over the screen that shares the pop-up list's item array) and lays a filter over
// the default event handler that paints the window at once on its update requests.
// Choosing a row selects it in the pop-up list and closes the window.
#pragma once

#include <stdint.h>

#include "toolkit/guitk_listbox.h"

enum : uint32_t { GUITK_TAG_POPUPLIST = guiTkTag("PULS"), GUITK_TAG_POPUPWINDOW = guiTkTag("POPN") };

struct GuiTkPopUpList {
    GuiTkList list;
    uint32_t tag;         // "PULS"
    int32_t highlighted;  // row highlighted in the open window, -1 none
    uint32_t open;
    int32_t windowX, windowY, windowWidth, windowHeight;  // as placed at the last opening
    int32_t window;                                       // -1 until created
};
static_assert(sizeof(GuiTkPopUpList) == 204, "the pop-up list is eight words behind the list");
enum { GUITK_POPUP_PLACE = (int32_t)sizeof(GuiTkList) };

struct GuiTkPopupWindow {
    GuiTkListBox box;
    uint32_t tag;  // "POPN"
    int32_t owner;
};
static_assert(sizeof(GuiTkPopupWindow) == 192, "the pop-up window is two words behind the list box");

enum {
    GUITK_POPUP_MSG_CREATED = 39,
    GUITK_POPUP_MSG_DELETING = 40,
    GUITK_POPUP_SLOTS = 41,
    GUITK_POPUP_WINDOW_SLOTS = 44,
};

// Attribute 3's value for the drop button.
struct GuiTkButtonImage {
    int32_t version;  // 1
    const uint32_t* argb;
    int32_t width;
    int32_t height;
};

int32_t KivPopUpListModuleInit(int32_t optionCount, const void* options);
int32_t KivPopUpListModuleFini(void);
int32_t KivPopUpListCreate(int32_t createParam);
// An open list is closed first (quietly: nobody is left to hear about it).
void KivPopUpListDelete(int32_t handle);
void KivPopUpListSetHandler(int32_t slot, GuiTkHandler handler);
void KivPopUpListSetKeyHook(GuiTkKeyHook hook);
void KivPopUpListSetActiveKeyHook(GuiTkKeyHook hook);
void KivPopUpListSetPointerHook(GuiTkPointerHook hook);
void KivPopUpListSetStyle(int32_t attribute, intptr_t value, uint32_t color);
int32_t KivPopUpListDispatch(GuiTkMessage* message);
int32_t KivPopUpListDefaultHandler(GuiTkMessage* message);
int32_t KivPopUpListEventFilter(GuiTkEventCallback callback, GuiTkEvent* event);
// The deferred open step; the block is the event record of the deferred call.
void KivPopUpListOpen(int32_t* block);
int32_t KivPopUpListIsOpen(int32_t handle);
int32_t KivPopUpListGetWindow(int32_t handle);
int32_t KivPopUpListGetHighlight(int32_t handle);

int32_t PopupWindowModuleInit(int32_t optionCount, const void* options);
int32_t PopupWindowModuleFini(void);
int32_t PopupWindowCreate(int32_t createParam, int32_t owner);
void PopupWindowDelete(int32_t handle);
void PopupWindowGetContentRect(int32_t handle, GuiTkRect* rect);
int32_t PopupWindowGetOwner(int32_t handle);
void PopupWindowSetHandler(int32_t slot, GuiTkHandler handler);
void PopupWindowSetActiveKeyHook(GuiTkKeyHook hook);
void PopupWindowSetPointerHook(GuiTkPointerHook hook);
void PopupWindowSetStyle(int32_t attribute, intptr_t value, uint32_t second);
int32_t PopupWindowDefaultHandler(GuiTkMessage* message);
// For tests: the window module's style rows.
const GuiTkListStyle* PopupWindowGetStyle(void);
