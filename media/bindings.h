// The native bindings of the Java media library: the media slot of the natives tables
// (natives/lib/bindings.h), which a program's start-up fills with installMediaNatives,
// together with the runtime services' media hooks.
#pragma once

#include "natives/lib/bindings.h"

extern const NativeBindingTable MediaNativeBindings;

void installMediaNatives();
