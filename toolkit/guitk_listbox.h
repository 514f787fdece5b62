// The list box ("LTBX" behind the list part): the base of the radio, check-box and
// implicit lists, the command menu and the pop-up window. It adds a focused row moved by
// the keys and the pointer and kept in view, a framed background with scroll arrows, and
// the soft-key labels and focus state shown while it is active. Also the list style
// table the list-like modules copy and their soft-key label records.
#pragma once

#include <stdint.h>

#include "toolkit/guitk_list.h"

enum : uint32_t { GUITK_TAG_LTBX = guiTkTag("LTBX") };

struct GuiTkListBox {
    GuiTkList list;
    uint32_t tag;  // "LTBX"
    P32Fn<GuiTkHandler> kindHandler;
    int32_t focused;  // -1 none
};
static_assert(sizeof(GuiTkListBox) == 184, "the list-box part is three words behind the list");
enum { GUITK_LISTBOX_PLACE = (int32_t)sizeof(GuiTkList), GUITK_LISTBOX_KIND_PLACE = (int32_t)sizeof(GuiTkListBox) };

// How a colour is chosen: kind 1 the ARGB word, 2 the component's foreground, 3 its
// background.
struct GuiTkColorSpec {
    uint32_t kind;
    uint32_t argb;
};
// Rows by state: 0 for disabled and enabled, 1 focused, 2 active.
struct GuiTkListStyleRow {
    GuiTkColorSpec outer;
    GuiTkColorSpec inner;
    GuiTkColorSpec arrows;
};
struct GuiTkListStyle {
    GuiTkListStyleRow rows[3];
};
static_assert(sizeof(GuiTkListStyle) == 72, "three rows of three specs");

// The soft key that carries a list's label, and one counted text per soft key.
struct GuiTkSoftkeyText {
    P32<const uint16_t> text;
    int32_t length;
};
struct GuiTkSoftkeyLabel {
    uint32_t position;  // 1..3
    GuiTkSoftkeyText slots[3];
};
static_assert(sizeof(GuiTkSoftkeyLabel) == 28, "the label record is seven words");

// Messages of this layer.
enum {
    GUITK_LISTBOX_MSG_FOCUS = 39,  // new index, old index
    GUITK_LISTBOX_MSG_LINES = 40,  // line count: the height of a box showing that many lines
    GUITK_LISTBOX_MSG_CREATED = 42,
    GUITK_LISTBOX_MSG_DELETING = 43,
};
enum { GUITK_ERROR_NO_MEMORY = 2 };
enum {
    GUITK_KEY_LEFT = 16,
    GUITK_KEY_UP = 17,
    GUITK_KEY_RIGHT = 18,
    GUITK_KEY_DOWN = 19,
    GUITK_KEY_SOFT1 = 21,
    GUITK_KEY_SOFT3 = 23,
};
enum { GUITK_POINTER_PRESS = 0, GUITK_POINTER_RELEASE = 2 };

// Style module: the table every list-like module copies at its start.
int32_t StyleColorModuleInit(int32_t optionCount, const void* options);
int32_t StyleColorModuleFini(void);
void StyleColorCopy(GuiTkListStyle* destination);
// The colour a spec names for a component.
uint32_t StyleColorResolve(const GuiTkColorSpec& spec, const GuiTkComponent& component);

void SoftkeyLabelInit(GuiTkSoftkeyLabel* record, int32_t end);
int32_t SoftkeyLabelSetPosition(GuiTkSoftkeyLabel* record, int32_t position);
int32_t SoftkeyLabelSetText(GuiTkSoftkeyLabel* record, const uint16_t* text, int32_t length);
// Resets the soft keys and shows the label at its position.
void SoftkeyLabelShow(const GuiTkSoftkeyLabel* record);

// The creator calls this on its locked record; insets are {top, left, right, bottom}.
// 1, or 0 with nothing left to undo.
int32_t KivListBoxCreate(int32_t handle, GuiTkListBox* record, GuiTkHandler kindHandler, GuiTkKeyHook keyHook,
                         GuiTkKeyHook activeKeyHook, GuiTkPointerHook pointerHook, int32_t createParam, int32_t type,
                         int32_t multiple, int32_t itemKind, int32_t spare, const int32_t insets[4]);
// With the default insets {3, 3, 3, 7}; the bottom one holds the scroll arrows.
int32_t KivListBoxCreateDefault(int32_t handle, GuiTkListBox* record, GuiTkHandler kindHandler, GuiTkKeyHook keyHook,
                                GuiTkKeyHook activeKeyHook, GuiTkPointerHook pointerHook, int32_t createParam,
                                int32_t type, int32_t multiple, int32_t itemKind, int32_t spare);
void KivListBoxDetach(int32_t handle, GuiTkListBox* record);
void KivListBoxFree(GuiTkListBox* record);
int32_t IsListBox(int32_t handle);

int32_t KivListBoxGetFocusedIndex(int32_t handle);
void KivListBoxSetFocusedIndex(int32_t handle, int32_t index);
void KivListBoxSetFocusedIndexQuiet(int32_t handle, int32_t index);
int32_t KivListBoxQueryRowHeight(int32_t handle, int32_t lines);
int32_t KivListBoxRowsPerPage(const GuiTkListBox* record);

int32_t KivListBoxPaint(int32_t handle, GuiTkGraphics gfx, const GuiTkListStyle* style, const GuiTkSoftkeyLabel* label);
void KivListBoxPaintRows(int32_t handle, GuiTkGraphics gfx);
int32_t KivListBoxKeyHandler(GuiTkKeyEvent* event, const GuiTkSoftkeyLabel* label);
int32_t KivListBoxPointerHandler(GuiTkPointerEvent* event);
int32_t KivListBoxHandler(GuiTkMessage* message);
int32_t KivListBoxDefaultHandler(GuiTkMessage* message);
int32_t KivListBoxHitTest(int32_t handle, int32_t x, int32_t y);
