// The default event route.
#include "toolkit/guitk_event.h"

namespace {

VMBSS GuiTkEventHook DefaultHandler;

int32_t sinkNotInstalled(GuiTkEventCallback, GuiTkEvent*) {
    GuiTkFatalError(GUITK_ERROR_STATE);
    return 0;
}

// The context of requests that need no completion: any non-null callback will do.
void noCompletion(int32_t*) {}

int32_t route(int32_t component, int32_t code, int32_t a1, int32_t a2, int32_t a3) {
    GuiTkEvent event = {0, component, code, {a1, a2, a3, 0}};
    return CompRouteEvent(noCompletion, &event);
}

}  // namespace

int32_t EventSinkModuleInit(int32_t, const void*) {
    DefaultHandler = sinkNotInstalled;
    return 0;
}

int32_t EventSinkModuleFini(void) { return 0; }

void CompSetDefaultHandler(GuiTkEventHook handler) {
    if (handler == nullptr) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return;
    }
    DefaultHandler = handler;
}

GuiTkEventHook CompGetDefaultHandler(void) { return DefaultHandler; }

int32_t CompRouteEvent(GuiTkEventCallback context, GuiTkEvent* event) {
    if (context == nullptr) {
        GuiTkFatalError(GUITK_ERROR_STATE);
        return 0;
    }
    if (event->component != -1) {
        GuiTkEventHook hook = CompGetEventHook(event->component);
        if (hook != nullptr) {
            int32_t result = hook(context, event);
            if (result != 0) return result;
        }
    }
    GuiTkEventHook sink = DefaultHandler != nullptr ? DefaultHandler : sinkNotInstalled;
    return sink(context, event);
}

int32_t CompSendEvent(GuiTkEventCallback callback, int32_t component) {
    GuiTkEvent event = {0, component, GUITK_EVENT_DEFERRED, {0, 0, 0, 0}};
    return CompRouteEvent(callback, &event);
}

int32_t CompPostRequest(int32_t component, int32_t code) { return route(component, code, 0, 0, 0); }

int32_t CompCallDefaultHandler3(int32_t component, int32_t code, int32_t a1) {
    return route(component, code, a1, 0, 0);
}

int32_t CompCallDefaultHandler4(int32_t component, int32_t code, int32_t a1, int32_t a2) {
    return route(component, code, a1, a2, 0);
}

int32_t CompCallDefaultHandler5(int32_t component, int32_t code, int32_t a1, int32_t a2, int32_t a3) {
    return route(component, code, a1, a2, a3);
}
