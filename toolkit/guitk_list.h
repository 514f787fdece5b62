// The list ("LIST" directly behind the base) and its items ("LTIM"): the item container
// under every list-like kind. The list owns a handle array of item components, keeps
// the selection, the title and the wrap policy, stacks its items in a column, scrolls
// one into view and paints the visible ones. Each item is a component of its own with a
// text, an optional image, a selected flag and a kind (plain, check, radio, numbered).
#pragma once

#include <stdint.h>

#include "toolkit/guitk_comp.h"

enum : uint32_t { GUITK_TAG_LIST = guiTkTag("LIST"), GUITK_TAG_LTIM = guiTkTag("LTIM") };

struct GuiTkList {
    GuiTkComponent base;
    uint32_t tag;  // "LIST"
    P32Fn<GuiTkHandler> kindHandler;
    uint32_t itemKind;
    uint32_t multiple;
    int32_t selected;  // -1 none; the lowest selected index in multiple mode
    int32_t items;     // handle array of item components, in display order
    uint32_t wrap;     // 0 default, 1 on, 2 off
    int32_t title;     // string, -1 none
};
static_assert(sizeof(GuiTkList) == 172, "the list part is eight words behind the base");
enum { GUITK_LIST_PLACE = GUITK_KIND_TAG_PLACE };

struct GuiTkListItem {
    GuiTkComponent base;  // kindWords: cached height at a width {height, width, valid}
    uint32_t tag;         // "LTIM"
    int32_t index;
    uint32_t selected;
    int32_t text;    // string, -1 none
    int32_t layout;  // line layout of the text, owned
    uint8_t kind;
    uint8_t wrap;
    uint8_t lineMode;   // 1..3; 3 leaves the line drawer's default
    uint8_t imageKind;  // 0 image, 1 off-screen
    int32_t image;      // -1 none
};
static_assert(sizeof(GuiTkListItem) == 168, "the item is seven words behind the base");

enum { GUITK_ITEM_PLAIN = 0, GUITK_ITEM_CHECK = 1, GUITK_ITEM_RADIO = 2, GUITK_ITEM_NUMBERED = 3 };
enum { GUITK_WRAP_DEFAULT = 0, GUITK_WRAP_ON = 1, GUITK_WRAP_OFF = 2 };

// Messages to the list.
enum {
    GUITK_LIST_MSG_INSERTED = 29,   // index
    GUITK_LIST_MSG_REMOVING = 30,   // index
    GUITK_LIST_MSG_TEXT = 31,       // index, new text
    GUITK_LIST_MSG_IMAGE = 32,      // index, new, old
    GUITK_LIST_MSG_OFFSCREEN = 33,  // index, new, old
    GUITK_LIST_MSG_FONT = 34,       // index, new, old
    GUITK_LIST_MSG_SELECTED = 35,   // index, new, old
    GUITK_LIST_MSG_WRAP = 36,       // new, old
    GUITK_LIST_MSG_REMOVED = 37,    // index
    GUITK_LIST_MSG_TITLE = 38,      // title
};
// Messages to an item.
enum {
    GUITK_ITEM_MSG_CREATED = 29,     // creation parameter
    GUITK_ITEM_MSG_DESTROYING = 30,  //
    GUITK_ITEM_MSG_INDEX = 31,       // new, old
    GUITK_ITEM_MSG_TEXT = 32,        // new text
    GUITK_ITEM_MSG_IMAGE = 33,       // new, old
    GUITK_ITEM_MSG_OFFSCREEN = 34,   // new, old
    GUITK_ITEM_MSG_SELECTED = 35,    // new, old
    GUITK_ITEM_MSG_WRAP = 36,        // new, old
    GUITK_ITEM_MSG_LINES = 37,       // line count: the height of that many lines
    GUITK_ITEM_SLOTS = 38,
};

// Tick images for ListBodySetStyle attributes 7 and 8.
struct GuiTkTickImages {
    int32_t version;  // 1
    const uint32_t* unchecked;
    const uint32_t* checked;
    int32_t width;
    int32_t height;
};

// List module (preferred image size) and list-body module (item class table, hooks,
// styles). Options are C strings; "style_doja" changes the item styles.
int32_t KivListModuleInit(int32_t optionCount, const void* options);
int32_t KivListModuleFini(void);
int32_t ListBodyModuleInit(int32_t optionCount, const void* options);
int32_t ListBodyModuleFini(void);

// The list. The creator calls KivListInit on its locked record: 1, or 0 with the base
// unlinked again when the item array cannot be had.
int32_t KivListInit(int32_t handle, GuiTkList* record, GuiTkHandler kindHandler, GuiTkKeyHook keyHook,
                    GuiTkKeyHook activeKeyHook, GuiTkPointerHook pointerHook, int32_t createParam, int32_t type,
                    int32_t multiple, int32_t itemKind);
void KivListDetachFromParent(int32_t list);
void KivListDestroy(int32_t list);
// The same on the locked record: items, array and title go, the tag is cleared and the
// base unlinked.
void KivListFreeRecord(GuiTkList* record);
int32_t IsList(int32_t handle);
int32_t KivListIsMultiple(int32_t list);
int32_t KivListSetTitle(int32_t list, const uint16_t* chars, int32_t length);
int32_t KivListGetTitle(int32_t list);
int32_t KivListGetSize(int32_t list);
int32_t KivListGetItem(int32_t list, int32_t index);
int32_t KivListInsertItem(int32_t list, int32_t index);  // 0, or -1
void KivListRemoveItem(int32_t list, int32_t index);
int32_t KivListSetText(int32_t list, int32_t index, const uint16_t* chars, int32_t length);
int32_t KivListGetText(int32_t list, int32_t index);
void KivListSetImage(int32_t list, int32_t index, int32_t image);
int32_t KivListGetImage(int32_t list, int32_t index);
void KivListSetOffScreen(int32_t list, int32_t index, int32_t offScreen);
int32_t KivListGetOffScreen(int32_t list, int32_t index);
void KivListSetFont(int32_t list, int32_t index, GuiTkFont font);
GuiTkFont KivListGetFont(int32_t list, int32_t index);
int32_t KivListIsSelected(int32_t list, int32_t index);
void KivListSetSelected(int32_t list, int32_t index, int32_t flag);
void KivListStoreSelected(int32_t list, int32_t index, int32_t flag);
int32_t KivListGetSelectedIndex(int32_t list);
void KivListSetWrapPolicy(int32_t list, int32_t policy);
void KivListStoreWrapPolicy(int32_t list, int32_t policy);
int32_t KivListGetWrapPolicy(int32_t list);
void KivListCopyModel(int32_t to, int32_t from);
void KivListSetPrefImageSize(int32_t width, int32_t height);
int32_t KivListGetPrefImageWidth(void);
int32_t KivListGetPrefImageHeight(void);

// Layout hubs for the embedding kinds.
void KivListPreferredSize(int32_t list, int32_t* width, int32_t* height);
int32_t KivListHeightForWidth(int32_t list, int32_t width, int32_t cap);  // cap -1: none
void KivListMinimumSize(int32_t list, int32_t* width, int32_t* height);
void KivListLayoutColumn(int32_t list, const GuiTkRect* rect);  // height is the cap of each item
void KivListScrollIntoView(int32_t list, const GuiTkRect* view, int32_t index);
void KivListPaintItems(int32_t list, GuiTkGraphics gfx, const GuiTkRect* rect);

int32_t KivListHandler(GuiTkMessage* message);
int32_t KivListDefaultHandler(GuiTkMessage* message);
int32_t KivListKeyHook(GuiTkKeyEvent* event);
int32_t KivListHook2(GuiTkKeyEvent* event);
int32_t KivListPointerHook(GuiTkPointerEvent* event);

// Items.
int32_t ListBodyCreate(int32_t createParam, int32_t kind);  // -1 when anything cannot be had
void ListBodyDestroy(int32_t item);
int32_t ListBodyGetKind(int32_t item);
void ListBodySetIndex(int32_t item, int32_t index);
int32_t ListBodyGetIndex(int32_t item);
int32_t ListBodySetText(int32_t item, const uint16_t* chars, int32_t length);  // 0, or -1
int32_t ListBodyGetText(int32_t item);
void ListBodySetImage(int32_t item, int32_t image);
int32_t ListBodyGetImage(int32_t item);
void ListBodySetOffScreen(int32_t item, int32_t offScreen);
int32_t ListBodyGetOffScreen(int32_t item);
void ListBodySetSelected(int32_t item, int32_t flag);
void ListBodyStoreSelected(int32_t item, int32_t flag);
int32_t ListBodyGetSelected(int32_t item);
void ListBodySetWrap(int32_t item, int32_t policy);
void ListBodyStoreWrap(int32_t item, int32_t policy);
int32_t ListBodyGetWrap(int32_t item);
int32_t ListBodyQueryLines(int32_t item, int32_t lines);
void ListBodySetLineMode(int32_t item, int32_t mode);
int32_t ListBodyGetLineMode(int32_t item);
void ListBodySetHandler(int32_t slot, GuiTkHandler handler);
void ListBodySetKeyHook(GuiTkKeyHook hook);
void ListBodySetPointerHook(GuiTkPointerHook hook);
// Attributes 1..8; 7 and 8 take a GuiTkTickImages record as the value.
void ListBodySetStyle(int32_t attribute, intptr_t value, uint32_t color);
int32_t ListBodyDefaultHandler(GuiTkMessage* message);
// Numbering, image and text of the item in rect, in the text colour.
void ListBodyDrawContent(int32_t item, GuiTkGraphics gfx, const GuiTkRect* rect, uint32_t textColor);
int32_t ListBodyNumberingWidth(GuiTkFont font);
