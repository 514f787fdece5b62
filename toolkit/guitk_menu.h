// The command menu ("CMMN"): the full-screen list of the soft-key menu's commands under a
// title line, numbered rows, and a way back (the "Back" soft-key label, or a first
// "<< Close >>" row on a screen without soft keys). While shown it lays a filter over
// the default event handler that paints it at once on its update requests. Choosing a
// row posts 0x10009 with the command's index; closing without a choice posts 0x1000A.
#pragma once

#include <stdint.h>

#include "toolkit/guitk_listbox.h"

enum : uint32_t { GUITK_TAG_MENU = guiTkTag("CMMN") };

struct GuiTkCommandMenu {
    GuiTkListBox box;
    uint32_t tag;       // "CMMN"
    uint32_t closeRow;  // 1 while the close row is row 0
};
static_assert(sizeof(GuiTkCommandMenu) == 192, "the menu is two words behind the list box");

enum { GUITK_MENU_SLOTS = 44 };

int32_t KivCommandMenuModuleInit(int32_t optionCount, const void* options);
int32_t KivCommandMenuModuleFini(void);
int32_t KivCommandMenuCreate(int32_t createParam);
// A shown menu is hidden first, so that its close row and its filter go.
void KivCommandMenuDelete(int32_t handle);
void KivCommandMenuSetHandler(int32_t slot, GuiTkHandler handler);
void KivCommandMenuSetActiveKeyHook(GuiTkKeyHook hook);
void KivCommandMenuSetPointerHook(GuiTkPointerHook hook);
void KivCommandMenuSetStyle(int32_t attribute, intptr_t value, uint32_t second);
void KivCommandMenuPaintRows(int32_t handle, GuiTkGraphics gfx);
int32_t KivCommandMenuDefaultHandler(GuiTkMessage* message);
int32_t KivCommandMenuEventFilter(GuiTkEventCallback callback, GuiTkEvent* event);
int32_t KivCommandMenuHasCloseRow(int32_t handle);
int32_t KivCommandMenuGetTitleWidth(void);
