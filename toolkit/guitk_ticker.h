// The ticker ("TKR$"): one line of text that moves sideways by half a font height each
// time it is told to advance; the Java side drives the timing. Created Disabled.
#pragma once

#include <stdint.h>

#include "toolkit/guitk_comp.h"

enum : uint32_t { GUITK_TAG_TICKER = guiTkTag("TKR$") };

struct GuiTkTicker {
    GuiTkComponent base;
    uint32_t tag;        // "TKR$"
    int32_t text;        // toolkit string, owned; -1 none
    int32_t position;    // the text's offset from the client's left edge
    uint32_t direction;  // 0 the text moves left, 1 right
};
static_assert(sizeof(GuiTkTicker) == 156, "the ticker is four words behind the base");

enum {
    GUITK_TICKER_MSG_CREATED = 29,    // number
    GUITK_TICKER_MSG_DELETING = 30,   //
    GUITK_TICKER_MSG_TEXT = 31,       // new string
    GUITK_TICKER_MSG_ADVANCE = 32,    //
    GUITK_TICKER_MSG_POSITION = 33,   // new, old
    GUITK_TICKER_MSG_DIRECTION = 34,  // new, old
    GUITK_TICKER_SLOTS = 35,
};

int32_t KivTickerModuleInit(int32_t optionCount, const void* options);
int32_t KivTickerModuleFini(void);
// attribute 1 (the frame), kind 1..3.
void KivTickerSetFrameStyle(int32_t attribute, int32_t kind, uint32_t value);
void KivTickerSetHandler(int32_t messageId, GuiTkHandler handler);
int32_t KivTickerCreate(int32_t number);
void KivTickerDelete(int32_t ticker);
int32_t KivTickerSetText(int32_t ticker, const uint16_t* chars, int32_t length);
int32_t KivTickerGetText(int32_t ticker);
void KivTickerUpdate(int32_t ticker);
void KivTickerSetPosition(int32_t ticker, int32_t position);
void KivTickerStorePosition(int32_t ticker, int32_t position);
int32_t KivTickerGetPosition(int32_t ticker);
void KivTickerSetDirection(int32_t ticker, int32_t direction);
void KivTickerStoreDirection(int32_t ticker, int32_t direction);
int32_t KivTickerGetDirection(int32_t ticker);
int32_t KivTickerDefaultHandler(GuiTkMessage* message);
