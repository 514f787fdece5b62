// The display manager: the registry of display access classes, the cached video
// property of the screen, the virtual screen every MIDlet draws on, the list of
// displayable classes that need no screen update with its class-ancestry test, the
// backlight-flash word and the listener table. VM thread only.
#pragma once

#include <stdint.h>

#include "platform/surface.h"
#include "vm/core/records.h"

enum { DISP_ACCESS_CLASSES = 5, DISP_LISTENER_KINDS = 2, DISP_LISTENER_INDEXES = 2 };

typedef void (*DispListener)(void);

// New count, or -1 (logged) for a null name, a full table or a name already there.
int32_t mvMidp2DispManager_registerAccessClass(const char* className);
int32_t mvMidp2DispManager_getAccessClassNumber(void);
const char* mvMidp2DispManager_getAccessClassName(int32_t index);

// Filled on the first call of a run and never refreshed after it.
MkVideoProperty* dispGetVideoProperty(void);
// Clears the screen surface to white; a missing or empty screen is a fatal VM error.
void dispCreateVirtualScreen(void);

int32_t dispNullDisplayableInit(void);
int32_t dispHasNeedUpdateList(void);
int32_t dispAddNeedUpdateClass(const char* className);
int32_t dispNeedUpdate(OBJECT object);
int32_t dispIsInstanceOfClass(OBJECT object, ClassRecord* clazz);
// names: null-terminated; classes that do not exist are skipped.
int32_t midlet_nativeNeedNullDisplayable(OBJECT object, const char* const* names);

void dispSetBacklightFlash(int32_t value);
int32_t dispGetBacklightFlash(void);
int32_t dispSetListener(int32_t kind, int32_t index, DispListener callback);
DispListener dispGetListener(int32_t kind, int32_t index);
