// UiEventHandler and AlertType natives.
#include "natives/ui/uievent_natives.h"

#include "graphics/mk_dialog.h"
#include "natives/lib/nativestack.h"
#include "vm/core/native.h"
#include "vm/services/amservice.h"
#include "vm/services/events.h"
#include "vm/trace/tracelog.h"

enum { MIDP_EVENT_IDEMPOTENT = 4 };

// A refused type-4 event is not lost when the same one is next in the queue.
static bool alreadyQueued(const int32_t event[5]) {
    if (event[0] != MIDP_EVENT_IDEMPOTENT) return false;
    int32_t queue = mvK6Event_getUiQueueId(UI_QUEUE_MIDP);
    if (queue < 0) return false;
    int32_t words[MIDP_EVENT_WORDS] = {}, n = 0;
    mvK6Event_peekQueue(queue, words, &n);
    if (n != MIDP_EVENT_WORDS || words[UI_EVENT_WORD_KIND] != UI_EVENT_MIDP ||
        words[MIDP_EVENT_TYPE] != MIDP_EVENT_IDEMPOTENT)
        return false;
    for (int i = 1; i < 5; i++) {
        if (words[MIDP_EVENT_PARAMS + i - 1] != event[i]) return false;
    }
    return true;
}

void Java_javax_microedition_lcdui_UiEventHandler_nativePostMIDPEvent() {
    int32_t event[5];
    for (int i = 4; i >= 0; i--) event[i] = popInt();
    if (AmPostMidpEvent(event[0], event[1], event[2], event[3], event[4]) != 0) return;
    if (alreadyQueued(event)) return;
    mvTraceLog_error("## fail post MIDP event type:%d param1:%d param2:%d param3:%d param4:%d\n", event[0], event[1],
                     event[2], event[3], event[4]);
    nativeFatalError("Could not post MIDP event.");
}

void Java_javax_microedition_lcdui_UiEventHandler_nativePostRepaintEvent() {
    if (popInt() != 0) {
        AmPostRepaintEvent();
    } else {
        AmFlushRepaintEvents();
    }
}

void Java_javax_microedition_lcdui_UiEventHandler_nativePostSetCurrentEvent() { AmPostSetCurrentEvent(); }

void Java_javax_microedition_lcdui_UiEventHandler_nativePostSizeChangedEvent() {
    int32_t height = popInt(), width = popInt();
    AmPostSizeChangedEvent(width, height);
}

void Java_javax_microedition_lcdui_AlertType_nativePlaySound() { pushInt(MkAlertPlaySound(popInt()) > 0); }
