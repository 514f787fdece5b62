// The default event route of the toolkit: an event leaving a component is offered to the
// component's own event hook and, when that does not take it, to the default handler
// the VM side installs (the event sink that posts it to the VM's UI queue).
#pragma once

#include <stdint.h>

#include "toolkit/guitk_comp.h"

// Event codes of the components.
enum {
    GUITK_EVENT_UPDATE = 0x10000,
    GUITK_EVENT_EDIT_ENDED = 0x10002,
    GUITK_EVENT_DEFERRED = 0x10004,
    GUITK_EVENT_EDITOR_CLOSED = 0x10005,
    GUITK_EVENT_ACTIVATED = 0x10006,
    GUITK_EVENT_DEACTIVATED = 0x10007,
    GUITK_EVENT_CHANGED = 0x10009,
    GUITK_EVENT_CHOICE = 0x1000A,
    GUITK_EVENT_CANCEL_RESPONSE = 0x1000B,
};

// Until the VM side installs its handler, the sink raises fatal error 5.
int32_t EventSinkModuleInit(int32_t optionCount, const void* options);
int32_t EventSinkModuleFini(void);
void CompSetDefaultHandler(GuiTkEventHook handler);  // null: fatal 3
GuiTkEventHook CompGetDefaultHandler(void);

// A null context is fatal 5.
int32_t CompRouteEvent(GuiTkEventCallback context, GuiTkEvent* event);
// A deferred call: the event system calls back with the record later.
int32_t CompSendEvent(GuiTkEventCallback callback, int32_t component);
int32_t CompPostRequest(int32_t component, int32_t code);
int32_t CompCallDefaultHandler3(int32_t component, int32_t code, int32_t a1);
int32_t CompCallDefaultHandler4(int32_t component, int32_t code, int32_t a1, int32_t a2);
int32_t CompCallDefaultHandler5(int32_t component, int32_t code, int32_t a1, int32_t a2, int32_t a3);
