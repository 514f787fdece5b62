// The native bindings of the LCDUI and game classes: the UI slot of the natives tables
// (natives/lib/bindings.h), which a program's start-up fills with installUiNatives.
#pragma once

#include "natives/lib/bindings.h"

extern const NativeBindingTable UiNativeBindings;

void installUiNatives();
