// Event filters that components lay over the toolkit's default event handler while they
// are open (the pop-up list, the command menu). Each keeps the handler it covered; the
// filters form a stack through those saved words, and taking one out that another now
// covers splices it out of the stack instead of restoring a handler that is no longer
// the one below.
#pragma once

#include <stdint.h>

#include "toolkit/guitk_comp.h"

// The filter must not be in the stack already (fatal 5, nothing changed): 0, or -1.
int32_t GuiTkPushEventFilter(GuiTkEventHook filter, P32Fn<GuiTkEventHook>* saved);
// Takes the filter out wherever it lies in the stack; nothing when it is not there.
void GuiTkPopEventFilter(GuiTkEventHook filter);
int32_t GuiTkIsEventFilterInstalled(GuiTkEventHook filter);
