// The radio-button list ("RDBT"), the check-box list ("CKBX") and the implicit list
// ("IMPL"): thin kinds on the list box, each with a module-wide class table, replaceable
// hooks, its copy of the list style table and its soft-key label. In an implicit list
// the selection follows the focused row and the select key chooses it.
#pragma once

#include <stdint.h>

#include "toolkit/guitk_listbox.h"

enum : uint32_t {
    GUITK_TAG_RADIO = guiTkTag("RDBT"),
    GUITK_TAG_CHECKBOX = guiTkTag("CKBX"),
    GUITK_TAG_IMPLICIT = guiTkTag("IMPL"),
};

struct GuiTkChoice {
    GuiTkListBox box;
    uint32_t tag;  // "RDBT", "CKBX" or "IMPL"
};
static_assert(sizeof(GuiTkChoice) == 188, "the kind tag is one word behind the list box");

enum { GUITK_CHOICE_SLOTS = 44 };

int32_t KivRadioButtonModuleInit(int32_t optionCount, const void* options);
int32_t KivRadioButtonModuleFini(void);
int32_t KivRadioButtonCreate(int32_t createParam);
void KivRadioButtonDelete(int32_t handle);
void KivRadioButtonSetHandler(int32_t slot, GuiTkHandler handler);
void KivRadioButtonSetKeyHook(GuiTkKeyHook hook);
void KivRadioButtonSetActiveKeyHook(GuiTkKeyHook hook);
void KivRadioButtonSetPointerHook(GuiTkPointerHook hook);
// The low byte names the attribute; bits 0x200, 0x400, 0x800 the style rows.
void KivRadioButtonSetStyle(int32_t attribute, intptr_t value, uint32_t color);
void KivRadioButtonPaintRows(int32_t handle, GuiTkGraphics gfx);
int32_t KivRadioButtonDefaultHandler(GuiTkMessage* message);

int32_t KivCheckBoxModuleInit(int32_t optionCount, const void* options);
int32_t KivCheckBoxModuleFini(void);
int32_t KivCheckBoxCreate(int32_t createParam);
void KivCheckBoxDelete(int32_t handle);
void KivCheckBoxSetHandler(int32_t slot, GuiTkHandler handler);
void KivCheckBoxSetKeyHook(GuiTkKeyHook hook);
void KivCheckBoxSetActiveKeyHook(GuiTkKeyHook hook);
void KivCheckBoxSetPointerHook(GuiTkPointerHook hook);
void KivCheckBoxSetStyle(int32_t attribute, intptr_t value, uint32_t color);
void KivCheckBoxPaintRows(int32_t handle, GuiTkGraphics gfx);
int32_t KivCheckBoxDefaultHandler(GuiTkMessage* message);

int32_t KivImplicitListModuleInit(int32_t optionCount, const void* options);
int32_t KivImplicitListModuleFini(void);
int32_t KivImplicitListCreate(int32_t createParam);
void KivImplicitListDelete(int32_t handle);
void KivImplicitListSetHandler(int32_t slot, GuiTkHandler handler);
void KivImplicitListSetActiveKeyHook(GuiTkKeyHook hook);
void KivImplicitListSetPointerHook(GuiTkPointerHook hook);
void KivImplicitListSetStyle(int32_t attribute, intptr_t value, uint32_t color);
void KivImplicitListPaintRows(int32_t handle, GuiTkGraphics gfx);
int32_t KivImplicitListDefaultHandler(GuiTkMessage* message);

// For tests and the confirmation dialog: a module's style rows and label.
const GuiTkListStyle* KivChoiceGetStyle(int32_t type);
const GuiTkSoftkeyLabel* KivChoiceGetSoftkeyLabel(int32_t type);
