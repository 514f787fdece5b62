// The push button ("BTN$"): a text, an image or an off-screen image on a face with a
// raised or pressed 3D frame. Pressing and releasing it by the select key or the
// pointer posts the push event 0x10009 with (new pushed flag, old pushed flag).
#pragma once

#include <stdint.h>

#include "toolkit/guitk_comp.h"

enum : uint32_t { GUITK_TAG_BUTTON = guiTkTag("BTN$") };

enum { GUITK_CONTENT_TEXT = 0, GUITK_CONTENT_IMAGE = 1, GUITK_CONTENT_OFFSCREEN = 2 };

struct GuiTkButton {
    GuiTkComponent base;
    uint32_t tag;          // "BTN$"
    uint32_t contentKind;  // GUITK_CONTENT_*
    int32_t content;       // string, image or off-screen; -1 none
    uint32_t pushed;
    int32_t layout;  // line layout of the text, owned
    uint32_t held;   // a pointer press that pushed the button is held
};
static_assert(sizeof(GuiTkButton) == 164, "the button is six words behind the base");

enum {
    GUITK_BUTTON_MSG_CREATED = 29,    // number
    GUITK_BUTTON_MSG_DELETING = 30,   //
    GUITK_BUTTON_MSG_TEXT = 31,       // new string
    GUITK_BUTTON_MSG_IMAGE = 32,      // new, old
    GUITK_BUTTON_MSG_OFFSCREEN = 33,  // new, old
    GUITK_BUTTON_MSG_PUSHED = 34,     // new, old
    GUITK_BUTTON_SLOTS = 35,
    GUITK_BUTTON_STYLE_WORDS = 13,
};

// Options are C strings; "style_doja" makes releasing select on a button that is not
// pushed post (0, 0).
int32_t KivButtonModuleInit(int32_t optionCount, const void* options);
int32_t KivButtonModuleFini(void);
int32_t KivButtonCreate(int32_t number);
void KivButtonDelete(int32_t button);
// 0, or -1 (nothing changed) when the string cannot be made; null chars: no text.
int32_t KivButtonSetText(int32_t button, const uint16_t* chars, int32_t length);
void KivButtonSetImage(int32_t button, int32_t image);
void KivButtonSetOffScreen(int32_t button, int32_t offScreen);
int32_t KivButtonGetText(int32_t button);  // -1 for content of another kind
int32_t KivButtonGetImage(int32_t button);
int32_t KivButtonGetOffScreen(int32_t button);
int32_t KivButtonGetContentKind(int32_t button);
void KivButtonSetPushed(int32_t button, int32_t pushed);
void KivButtonStorePushed(int32_t button, int32_t pushed);
int32_t KivButtonGetPushed(int32_t button);
void KivButtonSetKeyHandler(GuiTkKeyHook handler);
void KivButtonSetPointerHandler(GuiTkPointerHook handler);
void KivButtonSetHandler(int32_t messageId, GuiTkHandler handler);
// The low byte names the attribute 1..10, bits 8-23 the rows (0x200 normal, 0x800
// focused, 0x10000 pushed).
void KivButtonSetStyle(int32_t code, int32_t kind, uint32_t value);
// The style words of a row (0 normal, 1 focused, 2 pushed).
void KivButtonGetStyle(int32_t row, uint32_t out[GUITK_BUTTON_STYLE_WORDS]);
int32_t KivButtonDefaultHandler(GuiTkMessage* message);
int32_t KivButtonKeyHandler(GuiTkKeyEvent* event);
int32_t KivButtonPointerHandler(GuiTkPointerEvent* event);
