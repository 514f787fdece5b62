// The confirmation dialog ("CONF"): the full-screen permission prompt. A title, a
// word-wrapped message and a radio list of the answers the permission allows, answered
// with the soft keys; an alert form (message, OK and Cancel) and an exclusive form (two
// rows, OK and Cancel). The answer leaves as a component event. A host-drawn variant
// hands painting and keys to the host's two-button dialog screen.
#pragma once

#include <stdint.h>

#include "toolkit/guitk_comp.h"

enum : uint32_t { GUITK_TAG_CONFIRM = guiTkTag("CONF") };

// Interaction modes (bits of a mode set), dialog types, the creation number.
enum {
    GUITK_CONFIRM_BLANKET = 1,
    GUITK_CONFIRM_SESSION = 2,
    GUITK_CONFIRM_ONESHOT = 4,
    GUITK_CONFIRM_NO = 8,
};
enum { GUITK_CONFIRM_NORMAL = 0, GUITK_CONFIRM_ALERT = 1, GUITK_CONFIRM_EXCLUSIVE = 2 };
enum { GUITK_CONFIRM_NUMBER = 276, GUITK_CONFIRM_TITLE_NUMBER = 273, GUITK_CONFIRM_LIST_NUMBER = 261 };
enum { GUITK_CONFIRM_CHOICES = 6, GUITK_CONFIRM_SCROLL_STEP = 12 };

struct GuiTkConfirm {
    GuiTkComponent base;
    uint32_t tag;  // "CONF"
    int32_t scrollOffset;
    uint32_t laidOut;  // 0: the children are placed again before the next paint
    uint32_t dialogType;
    int32_t permissionIndex;
    uint32_t rowMask;  // which answer each row of the choice list gives
    int32_t initialMode;
    int32_t modes;
    int32_t rowCount;
    int32_t title;                           // title component
    int32_t message, okText, cancelText;     // strings, -1 none
    int32_t choices[GUITK_CONFIRM_CHOICES];  // strings: blanket, session, (stored), one-shot, deny, never
    int32_t exclusiveChoices[2];             // strings
    int32_t choiceList;                      // radio list of the answers
    int32_t exclusiveList;                   // radio list of the two exclusive rows
    int32_t contentHeight;
    int32_t okKeyPosition, cancelKeyPosition;  // 1..3
    uint32_t pointerPressed, pointerInside;
    int32_t pointerMoves;
};
static_assert(sizeof(GuiTkConfirm) == 256, "the dialog is 29 words behind the base");
enum { GUITK_CONFIRM_TAG_PLACE = GUITK_KIND_TAG_PLACE };

enum {
    GUITK_CONFIRM_MSG_CREATED = 29,       // number
    GUITK_CONFIRM_MSG_DELETING = 30,      //
    GUITK_CONFIRM_MSG_PERMISSION = 31,    // new, old
    GUITK_CONFIRM_MSG_MESSAGE = 32,       // new string
    GUITK_CONFIRM_MSG_MODES = 34,         // modes, 0
    GUITK_CONFIRM_MSG_OK_TEXT = 35,       // new string
    GUITK_CONFIRM_MSG_CHOICE1 = 36,       // new string
    GUITK_CONFIRM_MSG_CHOICE2_TO_4 = 44,  // new string
    GUITK_CONFIRM_MSG_CHOICE5 = 45,       // new string
    GUITK_CONFIRM_MSG_CHOICE6 = 46,       // new string
    GUITK_CONFIRM_MSG_EXCLUSIVE1 = 47,    // new string
    GUITK_CONFIRM_MSG_EXCLUSIVE2 = 48,    // new string
    GUITK_CONFIRM_MSG_TITLE = 49,         // title component
    GUITK_CONFIRM_MSG_CANCEL_TEXT = 50,   // new string
    GUITK_CONFIRM_SLOTS = 52,
};

int32_t KivConfirmModuleInit(int32_t optionCount, const void* options);
int32_t KivConfirmModuleFini(void);
// -1 for a number other than GUITK_CONFIRM_NUMBER or when anything cannot be had.
int32_t KivConfirmCreate(int32_t number);
void KivConfirmDelete(int32_t dialog);

void KivConfirmSetPermissionIndex(int32_t dialog, int32_t index);
int32_t KivConfirmGetPermissionIndex(int32_t dialog);
// Text setters: 0, or -1 (the old text kept) when the string cannot be made.
int32_t KivConfirmSetMessage(int32_t dialog, const uint16_t* chars, int32_t length);
int32_t KivConfirmSetTitle(int32_t dialog, const uint16_t* chars, int32_t length);
int32_t KivConfirmSetTextOk(int32_t dialog, const uint16_t* chars, int32_t length);
int32_t KivConfirmSetTextCancel(int32_t dialog, const uint16_t* chars, int32_t length);
int32_t KivConfirmSetChoiceText1(int32_t dialog, const uint16_t* chars, int32_t length);
int32_t KivConfirmSetChoiceText2(int32_t dialog, const uint16_t* chars, int32_t length);
int32_t KivConfirmSetChoiceText3(int32_t dialog, const uint16_t* chars, int32_t length);
int32_t KivConfirmSetChoiceText4(int32_t dialog, const uint16_t* chars, int32_t length);
int32_t KivConfirmSetChoiceText5(int32_t dialog, const uint16_t* chars, int32_t length);
int32_t KivConfirmSetChoiceText6(int32_t dialog, const uint16_t* chars, int32_t length);
int32_t KivConfirmSetExclusiveChoiceText1(int32_t dialog, const uint16_t* chars, int32_t length);
int32_t KivConfirmSetExclusiveChoiceText2(int32_t dialog, const uint16_t* chars, int32_t length);
int32_t KivConfirmSetTextExclusiveChoices(int32_t dialog, const uint16_t* chars1, int32_t length1,
                                          const uint16_t* chars2, int32_t length2);

void KivConfirmSetInitialInteractionMode(int32_t dialog, int32_t mode);
int32_t KivConfirmGetInitialInteractionMode(int32_t dialog);
// Rebuilds the choice list for the set: 0, or the failing insertion's result (nothing
// stored then).
int32_t KivConfirmSetInteractionModes(int32_t dialog, int32_t modes);
int32_t KivConfirmGetInteractionModes(int32_t dialog);
void KivConfirmSetDialogType(int32_t dialog, int32_t type);
int32_t KivConfirmGetDialogType(int32_t dialog);
// Positions 1..3; anything else is fatal 3.
void KivConfirmSetOkKeyPos(int32_t dialog, int32_t position);
int32_t KivConfirmGetOkKeyPos(int32_t dialog);
void KivConfirmSetCancelKeyPos(int32_t dialog, int32_t position);
int32_t KivConfirmGetCancelKeyPos(int32_t dialog);
void KivConfirmSetBackgroundColor(int32_t dialog, uint32_t argb);
void KivConfirmSetForegroundColor(int32_t dialog, uint32_t argb);
int32_t KivConfirmGetChoiceList(int32_t dialog);
int32_t KivConfirmGetExclusiveList(int32_t dialog);
int32_t KivConfirmGetScrollOffset(int32_t dialog);

// Module-wide: the client insets of every dialog, the class table and the hooks.
void KivConfirmSetClientInsets(int32_t top, int32_t left, int32_t right, int32_t bottom);
void KivConfirmSetHandler(int32_t slot, GuiTkHandler handler);
void KivConfirmSetActiveKeyHandler(GuiTkKeyHook handler);
void KivConfirmSetPointerHandler(GuiTkPointerHook handler);
// Every dialog is painted and keyed by the host's dialog screen from now on.
void KivConfirmSetNativeDialogEvtHandler(void);

int32_t KivConfirmDefaultHandler(GuiTkMessage* message);
int32_t KivConfirmKeyHandler(GuiTkKeyEvent* event);
int32_t KivConfirmPointerHandler(GuiTkPointerEvent* event);
// The host-drawn variant: paints with the host's dialog screen for the event (-1 for a
// paint) and answers what the host answered.
int32_t KivConfirmHostPaint(int32_t dialog, int32_t event);
int32_t KivConfirmHostKeyHandler(GuiTkKeyEvent* event);
