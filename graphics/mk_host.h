// What the graphics back end asks of the host shell: the screen, drawing priorities,
// the menu bar, the system sound, string resources and the service allocator. The
// program's start-up fills the table; an empty slot does the least (no screen: a 0 x 0
// surface; no allocator: the C heap; no sound, no labels, no priorities).
#pragma once

#include "graphics/mk_surface.h"

#include <stdint.h>

struct MkHostHooks {
  MkSurface* (*screenGetSurface)(void);
  void (*screenGetVideoProperty)(MkVideoProperty* out);
  void (*threadBoostPriority)(void);              // start of VM drawing
  void (*threadDrawDone)(int32_t refresh);        // end of VM drawing
  int32_t (*displaySetFullScreenMode)(int32_t mode);
  int32_t (*gameKeyStates)(void);
  void (*menuBarSetSoftkeyLabel)(int32_t key, const uint16_t* chars, int32_t count);
  int32_t (*messageBeep)(uint32_t type);           // non-zero when a sound played
  // Loads string resource n as UTF-16 into out (at most capacity units); its length, 0
  // when it cannot be loaded.
  int32_t (*loadString)(int32_t resource, uint16_t* out, int32_t capacity);
  void* (*memAllocPointer)(uint32_t size);         // zero-filled block or null
  void (*memFreePointer)(void* block);
};

// Copies the table; null clears every slot.
void mk_setHostHooks(const MkHostHooks* hooks);
const MkHostHooks* mk_getHostHooks(void);
