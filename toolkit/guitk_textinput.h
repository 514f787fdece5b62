// The text input ("TXIN"): the editable-text layer under the text box. It owns the text
// (a growable string, bounded by an optional maximum size), the caret, the constraint
// word and input flags the Java side sets, the title and the input-mode indicator, and
// it starts and ends editing when its component enters and leaves the Active state. A
// kind allocates a larger record and calls TextInputInit on it.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "toolkit/guitk_comp.h"

enum : uint32_t { GUITK_TAG_TEXTINPUT = guiTkTag("TXIN") };

// The component base, then the text input's own words.
struct GuiTkTextInput {
    GuiTkComponent base;
    uint32_t tag;  // "TXIN"
    uint32_t editable;
    int32_t maxSize;  // -1 unlimited
    int32_t text;     // growable string, owned; -1 before any text
    uint32_t constraints;
    uint32_t indicatorOff;
    int32_t inputModeText;  // owned; -1 none
    int32_t caret;
    uint32_t password;
    uint32_t sensitive;
    uint32_t predictive;
    uint32_t capitalMode;  // 0..2
    uint32_t allowedLineBreak;
    uint32_t editing;  // 1 while the text is edited in place
    int32_t title;     // owned; -1 none
    int32_t layout;    // line layout over the text, owned
};
static_assert(sizeof(GuiTkTextInput) == 140 + 64, "the text input is sixteen words behind the base");
static_assert(offsetof(GuiTkTextInput, tag) == GUITK_KIND_TAG_PLACE, "its tag lies directly behind the base");

// The constraint values the Java side stores (low bits) and its modifier flags; the
// toolkit keeps the word as it is given.
enum {
    GUITK_CONSTRAINT_ANY = 0,
    GUITK_CONSTRAINT_EMAILADDR = 1,
    GUITK_CONSTRAINT_NUMERIC = 2,
    GUITK_CONSTRAINT_PHONENUMBER = 3,
    GUITK_CONSTRAINT_URL = 4,
    GUITK_CONSTRAINT_DECIMAL = 5,
};

enum {
    GUITK_TEXT_MSG_TEXT = 29,             // text handle (-1 none)
    GUITK_TEXT_MSG_MAX_SIZE = 30,         // new, old
    GUITK_TEXT_MSG_CONSTRAINTS = 31,      // new, old
    GUITK_TEXT_MSG_INPUT_MODE_TEXT = 32,  // handle
    GUITK_TEXT_MSG_EDITABLE = 33,         // new, old
    GUITK_TEXT_MSG_PASSWORD = 34,
    GUITK_TEXT_MSG_SENSITIVE = 35,
    GUITK_TEXT_MSG_PREDICTIVE = 36,
    GUITK_TEXT_MSG_CAPITAL_MODE = 37,
    GUITK_TEXT_MSG_LINE_BREAK = 38,
    GUITK_TEXT_MSG_TITLE = 39,          // handle (-1 none)
    GUITK_TEXT_MSG_INDICATOR_OFF = 40,  // new, old
};

// Module: the editor mode (1: the platform editor opens on activation), initially 1.
int32_t KivTextInputModuleInit(int32_t optionCount, const void* options);
int32_t KivTextInputModuleFini(void);
void KivTextInputSetEditorMode(int32_t mode);  // 0 or 1, else fatal 3
int32_t KivTextInputGetEditorMode(void);

// On the kind's locked record: 1, or 0 with nothing left made.
int32_t TextInputInit(int32_t handle, GuiTkTextInput* record, GuiTkHandler handler, GuiTkKeyHook keyHook,
                      GuiTkKeyHook activeKeyHook, GuiTkPointerHook pointerHook, int32_t createParam, int32_t type);
void TextInputDetach(int32_t handle, GuiTkTextInput* record);
// Destroys the text and the layout, clears the tag and unlinks the base; the title and
// the indicator text are the owner's to destroy.
void TextInputFinalize(GuiTkTextInput* record);
// The layer's default handler, under a kind's own.
int32_t TextInputHandler(GuiTkMessage* message);

// Text. 0, or -1 when the text cannot be had (the old text stays); range errors are
// fatal 3, a text missing where a maximum size needs one fatal 5.
int32_t KivTextInputSetText(int32_t component, const uint16_t* chars, int32_t length);
int32_t KivTextInputStoreText(int32_t component, const uint16_t* chars, int32_t length);
int32_t KivTextInputInsertText(int32_t component, const uint16_t* chars, int32_t count, int32_t position);
void KivTextInputDeleteText(int32_t component, int32_t start, int32_t count);
int32_t KivTextInputGetText(int32_t component);
int32_t KivTextInputGetTextLength(int32_t component);

// The stored maximum after clamping, or -1 when the new text cannot be had.
int32_t KivTextInputSetMaxSize(int32_t component, int32_t size);
int32_t KivTextInputGetMaxSize(int32_t component);

void KivTextInputSetConstraints(int32_t component, int32_t constraints);
int32_t KivTextInputGetConstraints(int32_t component);
void KivTextInputSetEditable(int32_t component, int32_t flag);
int32_t KivTextInputIsEditable(int32_t component);
void KivTextInputSetPassword(int32_t component, int32_t flag);
int32_t KivTextInputIsPassword(int32_t component);
void KivTextInputSetSensitive(int32_t component, int32_t flag);
int32_t KivTextInputIsSensitive(int32_t component);
void KivTextInputSetPredictive(int32_t component, int32_t flag);
int32_t KivTextInputIsPredictive(int32_t component);
void KivTextInputSetCapitalMode(int32_t component, int32_t mode);
int32_t KivTextInputGetCapitalMode(int32_t component);
void KivTextInputSetAllowedLineBreak(int32_t component, int32_t flag);
int32_t KivTextInputIsAllowedLineBreak(int32_t component);
void KivTextInputSetIndicatorOff(int32_t component, int32_t flag);
int32_t KivTextInputIsIndicatorOff(int32_t component);
// Stored without a message (the platform's editor reports it).
void KivTextInputSetEditing(int32_t component, int32_t flag);
int32_t KivTextInputIsEditing(int32_t component);

// 0, or -1 when the string cannot be made (the old one stays).
int32_t KivTextInputSetInputModeText(int32_t component, const uint16_t* chars, int32_t length);
int32_t KivTextInputStoreInputModeText(int32_t component, const uint16_t* chars, int32_t length);
int32_t KivTextInputGetInputModeText(int32_t component);
int32_t KivTextInputSetTitle(int32_t component, const uint16_t* chars, int32_t length);
int32_t KivTextInputGetTitle(int32_t component);

// Kept within 0..length of the text.
void KivTextInputSetCaretPosition(int32_t component, int32_t position);
int32_t KivTextInputGetCaretPosition(int32_t component);
int32_t KivTextInputVerifyString(const uint16_t* chars, int32_t length);
// Leaves in-place editing as a select key in the Active state would: the hook's result,
// or 0 when not editing.
int32_t KivTextInputEndEditing(int32_t component);
