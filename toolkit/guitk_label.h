// The two read-only text kinds: the label ("LBL$"), a text of possibly many lines laid
// out by a line layout and wrapped to its content width unless truncate mode is on, and
// the title ("TTL$"), one clipped line above an optional underline. Both are created
// Disabled, so that focus traversal passes them by.
#pragma once

#include <stdint.h>

#include "toolkit/guitk_comp.h"

enum : uint32_t {
    GUITK_TAG_LABEL = guiTkTag("LBL$"),
    GUITK_TAG_TITLE = guiTkTag("TTL$"),
};

struct GuiTkLabel {
    GuiTkComponent base;
    uint32_t tag;    // "LBL$"
    int32_t text;    // toolkit string, owned; -1 none
    int32_t layout;  // line layout, owned
};
static_assert(sizeof(GuiTkLabel) == 152, "the label is three words behind the base");

struct GuiTkTitle {
    GuiTkComponent base;
    uint32_t tag;  // "TTL$"
    int32_t text;  // toolkit string, owned; -1 none
};
static_assert(sizeof(GuiTkTitle) == 148, "the title is two words behind the base");

// Messages of both kinds.
enum {
    GUITK_LABEL_MSG_CREATED = 29,       // creation parameter
    GUITK_LABEL_MSG_DELETING = 30,      //
    GUITK_LABEL_MSG_TEXT_CHANGED = 31,  // the new string
    GUITK_LABEL_SLOTS = 32,
};

// The title's underline: the stored colour, or the component's foreground or background.
enum { GUITK_UNDERLINE_COLOR = 1, GUITK_UNDERLINE_FOREGROUND = 2, GUITK_UNDERLINE_BACKGROUND = 3 };

int32_t KivLabelModuleInit(int32_t optionCount, const void* options);
int32_t KivLabelModuleFini(void);
int32_t KivLabelCreate(int32_t createParam);  // -1 when anything cannot be had
void KivLabelDelete(int32_t label);
// 0, or -1 (nothing changed) when the string cannot be made.
int32_t KivLabelSetText(int32_t label, const uint16_t* chars, int32_t length);
int32_t KivLabelGetText(int32_t label);
void KivLabelSetHandler(int32_t slot, GuiTkHandler handler);
int32_t KivLabelDefaultHandler(GuiTkMessage* message);

int32_t KivTitleModuleInit(int32_t optionCount, const void* options);
int32_t KivTitleModuleFini(void);
int32_t KivTitleCreate(int32_t createParam);
void KivTitleDelete(int32_t title);
int32_t KivTitleSetText(int32_t title, const uint16_t* chars, int32_t length);
int32_t KivTitleGetText(int32_t title);
void KivTitleSetHandler(int32_t slot, GuiTkHandler handler);
// kind must be 1 and mode 1..3.
void KivTitleSetStyle(int32_t kind, int32_t mode, uint32_t color);
int32_t KivTitleDefaultHandler(GuiTkMessage* message);
