// The event-filter stack.
#include "toolkit/guitk_filter.h"

#include "toolkit/guitk_event.h"

namespace {

// One entry per installed filter: the filter and the word that holds what it covers.
// Only the pop-up list and the command menu filter, so a few entries are plenty.
struct FilterLink {
    GuiTkEventHook filter;
    P32Fn<GuiTkEventHook>* saved;
};
enum { FILTER_LIMIT = 4 };
VMBSS FilterLink Filters[FILTER_LIMIT];
VMBSS int32_t FilterCount;

int32_t find(GuiTkEventHook filter) {
    for (int32_t k = 0; k < FilterCount; k++)
        if (Filters[k].filter == filter) return k;
    return -1;
}

}  // namespace

int32_t GuiTkPushEventFilter(GuiTkEventHook filter, P32Fn<GuiTkEventHook>* saved) {
    if (find(filter) != -1 || CompGetDefaultHandler() == filter || FilterCount == FILTER_LIMIT) {
        GuiTkFatalError(GUITK_ERROR_STATE);
        return -1;
    }
    *saved = CompGetDefaultHandler();
    CompSetDefaultHandler(filter);
    Filters[FilterCount++] = {filter, saved};
    return 0;
}

void GuiTkPopEventFilter(GuiTkEventHook filter) {
    int32_t k = find(filter);
    if (k == -1) return;
    GuiTkEventHook below = Filters[k].saved->get();
    if (CompGetDefaultHandler() == filter) {
        CompSetDefaultHandler(below);
    } else {
        // another filter covers this one: it takes over what this one covered
        for (int32_t j = 0; j < FilterCount; j++)
            if (j != k && Filters[j].saved->get() == filter) *Filters[j].saved = below;
    }
    Filters[k] = Filters[--FilterCount];
}

int32_t GuiTkIsEventFilterInstalled(GuiTkEventHook filter) { return find(filter) != -1; }
