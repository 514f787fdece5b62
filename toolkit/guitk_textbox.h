// The text box ("TXTB", type 8): a text input in a frame drawn from a style set per
// state, scrolled vertically in pixels, with password text masked by "*" cells. A
// non-editable box can be Active in soft-key mode, where up and down scroll and the end
// soft key gives the focus back. The platform's editor peer may replace any of its 46
// class-table slots and its three hooks.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "toolkit/guitk_textinput.h"

enum : uint32_t { GUITK_TAG_TEXTBOX = guiTkTag("TXTB") };

struct GuiTkTextBox {
    GuiTkTextInput input;
    uint32_t tag;    // "TXTB"
    int32_t scroll;  // pixels of text above the content top, >= 0
    uint32_t softkeyMode;
};
static_assert(sizeof(GuiTkTextBox) == 140 + 64 + 12, "the text box is three words behind the text input");
enum { GUITK_TEXTBOX_TAG_PLACE = (int32_t)offsetof(GuiTkTextBox, tag) };

enum {
    GUITK_TEXTBOX_MSG_CREATED = 41,   // creation parameter
    GUITK_TEXTBOX_MSG_DELETING = 42,  //
    GUITK_TEXTBOX_MSG_WIDTH = 44,     // columns
    GUITK_TEXTBOX_MSG_HEIGHT = 45,    // rows
    GUITK_TEXTBOX_SLOTS = 46,
};

// Module settings (TextBoxConfigure): the low byte names one, bits 0x200, 0x400 and
// 0x800 choose style sets 0 (Disabled, Enabled), 1 (Focused) and 2 (Active).
enum {
    GUITK_TEXTBOX_SET_BORDER = 1,
    GUITK_TEXTBOX_SET_TEXT_COLOR = 2,
    GUITK_TEXTBOX_SET_FILL = 3,
    GUITK_TEXTBOX_SET_OUTER_LINES = 4,
    GUITK_TEXTBOX_SET_INNER_LINES = 5,
    GUITK_TEXTBOX_SET_SHADE_LINES = 6,
    GUITK_TEXTBOX_SET_MARGIN = 7,
    GUITK_TEXTBOX_SET_PASSWORD_LAYOUT = 8,
    GUITK_TEXTBOX_SET_ACTIVATION = 9,
    GUITK_TEXTBOX_SET_END_KEY = 10,
    GUITK_TEXTBOX_SET_END_LABEL = 11,
    GUITK_TEXTBOX_SET_EDITOR_MODE = 12,
};

// A style pair: mode 1 the colour, 2 the component's foreground, 3 its background.
struct GuiTkTextBoxStylePair {
    uint32_t mode;
    uint32_t color;
};
struct GuiTkTextBoxLabel {
    P32<const uint16_t> chars;
    int32_t length;
};

int32_t KivTextBoxModuleInit(int32_t optionCount, const void* options);
int32_t KivTextBoxModuleFini(void);

int32_t KivTextBoxCreate(int32_t createParam);  // -1 when anything cannot be had
void KivTextBoxDelete(int32_t textBox);
void KivTextBoxSetHandler(int32_t slot, GuiTkHandler handler);
void KivTextBoxSetKeyHook(GuiTkKeyHook hook);
void KivTextBoxSetActiveKeyHook(GuiTkKeyHook hook);
void KivTextBoxSetPointerHook(GuiTkPointerHook hook);
int32_t KivTextBoxQueryWidth(int32_t textBox, int32_t columns, int32_t flags);
int32_t KivTextBoxHeightForRows(int32_t textBox, int32_t rows);
void KivTextBoxSetTruncateMode(int32_t textBox, int32_t mode);
int32_t KivTextBoxGetTruncateMode(int32_t textBox);
int32_t KivTextBoxGetSoftkeyMode(int32_t textBox);
int32_t KivTextBoxDefaultHandler(GuiTkMessage* message);

// The component's handler: keeps the layout's width and font in step around the slot.
int32_t TextBoxHandler(GuiTkMessage* message);
// The hooks a text box carries: each calls the module's current slot.
int32_t TextBoxKeyHook(GuiTkKeyEvent* event);
int32_t TextBoxActiveKeyHook(GuiTkKeyEvent* event);
int32_t TextBoxPointerHook(GuiTkPointerEvent* event);
int32_t TextBoxDefaultKeyHook(GuiTkKeyEvent* event);
int32_t TextBoxDefaultActiveKeyHook(GuiTkKeyEvent* event);
int32_t TextBoxDefaultPointerHook(GuiTkPointerEvent* event);

// 1 when the offset changed (a repaint is requested then).
int32_t TextBoxScroll(int32_t textBox, int32_t delta);
int32_t TextBoxGetScroll(int32_t textBox);
// The height of the text's lines, at most limit (>= 0, else fatal 3 and -1).
int32_t TextBoxTextHeightUpTo(int32_t textBox, int32_t limit);
int32_t TextBoxTextHeight(int32_t textBox);

// Changes the module record; a setting that fails its checks is fatal 3 and changes
// nothing. Colours and labels act on the next paint, the margin on boxes made later.
void TextBoxConfigure(int32_t setting, int32_t value, int32_t extra);
// For checks: style pair 1..6 of set 0..2, and the module's words.
GuiTkTextBoxStylePair TextBoxGetStyle(int32_t set, int32_t pair);
int32_t TextBoxGetFrameMargin(void);
int32_t TextBoxGetPasswordLayoutMode(void);
int32_t TextBoxGetActivationMode(void);
int32_t TextBoxGetEndKey(void);
GuiTkTextBoxLabel TextBoxGetLabel(int32_t key);  // key 1..3
