// The date field ("DFIE", type 10): an optional date and time value shown as a date
// line, a time line or both, whose texts the platform's formatter writes. Up and down
// move between the two lines; select, or a tap on the active line, hands editing to the
// platform's date and time editor (the peer word is 1 while it is open).
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "toolkit/guitk_comp.h"

enum : uint32_t { GUITK_TAG_DATEFIELD = guiTkTag("DFIE") };

struct GuiTkDateField {
    GuiTkComponent base;
    uint32_t tag;  // "DFIE"
    uint32_t valueSet;
    int32_t year;
    int8_t month;  // 0..11; -1 (255) without a value, as the other three
    int8_t day;
    int8_t hour;
    int8_t minute;
    uint32_t inputMode;   // 1 date, 2 time, 3 both
    uint32_t peerWord;    // 1 while the platform editor is open
    uint32_t activePart;  // 1 date line, 2 time line
    int32_t dateText;     // growable strings of 64 units, owned
    int32_t timeText;
    int32_t title;  // owned; -1 none
};
static_assert(sizeof(GuiTkDateField) == 140 + 40, "the date field is ten words behind the base");
static_assert(offsetof(GuiTkDateField, month) == 152 && offsetof(GuiTkDateField, inputMode) == 156, "value bytes");

enum { GUITK_DATEFIELD_DATE = 1, GUITK_DATEFIELD_TIME = 2, GUITK_DATEFIELD_DATE_TIME = 3 };

enum {
    GUITK_DATEFIELD_MSG_CREATED = 29,      // creation parameter
    GUITK_DATEFIELD_MSG_DELETING = 30,     //
    GUITK_DATEFIELD_MSG_VALUE = 31,        // year, packed month, day, hour, minute, set flag
    GUITK_DATEFIELD_MSG_INPUT_MODE = 32,   // new, old
    GUITK_DATEFIELD_MSG_ACTIVE_PART = 33,  // new, old
    GUITK_DATEFIELD_MSG_TITLE = 34,        // title handle (-1 none)
    GUITK_DATEFIELD_SLOTS = 35,
};

// Style attributes of KivDateFieldSetStyle (low byte of the first argument).
enum {
    GUITK_DATEFIELD_STYLE_BORDER = 1,  // flags 0x200 unfocused, 0x800 focused
    GUITK_DATEFIELD_STYLE_FRAME = 2,   // 1 dotted, 2 solid, 3 none
    GUITK_DATEFIELD_STYLE_FRAME_COLOR = 3,
    GUITK_DATEFIELD_STYLE_TEXT = 4,
    GUITK_DATEFIELD_STYLE_BACKGROUND = 5,
};

int32_t KivDateFieldModuleInit(int32_t optionCount, const void* options);
int32_t KivDateFieldModuleFini(void);

int32_t KivDateFieldCreate(int32_t createParam);  // -1 when anything cannot be had
void KivDateFieldDelete(int32_t field);
int32_t KivDateFieldIsValid(int32_t field);
void KivDateFieldInvalidate(int32_t field);
// An invalid value is fatal 3 and is not stored.
void KivDateFieldSetTime(int32_t field, int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute);
void KivDateFieldStoreTime(int32_t field, int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute);
// 1 when the value names a real minute of the calendar (Julian before 15 October 1582).
int32_t KivDateFieldCheckTime(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute);
// Without a value: fatal 5 first.
int32_t KivDateFieldGetYear(int32_t field);
int32_t KivDateFieldGetMonth(int32_t field);
int32_t KivDateFieldGetDay(int32_t field);
int32_t KivDateFieldGetHour(int32_t field);
int32_t KivDateFieldGetMinute(int32_t field);
void KivDateFieldSetInputMode(int32_t field, int32_t mode);
int32_t KivDateFieldGetInputMode(int32_t field);
void KivDateFieldSetActivePart(int32_t field, int32_t part);
int32_t KivDateFieldGetActivePart(int32_t field);
void KivDateFieldSetPeerWord(int32_t field, int32_t word);
int32_t KivDateFieldGetPeerWord(int32_t field);
int32_t KivDateFieldSetTitle(int32_t field, const uint16_t* chars, int32_t length);  // 0 or -1
int32_t KivDateFieldGetTitle(int32_t field);
int32_t KivDateFieldGetText(int32_t field, int32_t part);
void KivDateFieldSetHandler(int32_t slot, GuiTkHandler handler);
void KivDateFieldSetExtraHandler(GuiTkKeyHook hook);
void KivDateFieldSetPointerHook(GuiTkPointerHook hook);
void KivDateFieldSetStyle(int32_t attribute, int32_t value, uint32_t color);
int32_t KivDateFieldDefaultHandler(GuiTkMessage* message);
int32_t KivDateFieldDefaultActiveKeyHook(GuiTkKeyEvent* event);
int32_t KivDateFieldDefaultPointerHook(GuiTkPointerEvent* event);
