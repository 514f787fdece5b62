// What the host shell calls outside itself: the host glue's requests to the VM and the
// suite store. A table owned by the shell; its defaults do the least (nothing is
// started, the store's own functions list the suites), the program's start-up fills in
// the host glue, and a test sets a double for the test that needs it.
#pragma once

#include <stdint.h>

#include "platform/window.h"
#include "storage/qmms_index.h"
#include "vm/services/keymap.h"

struct QmmsCategoryInfo;

struct HostGlue {
    int32_t (*init)(void);                                                     // mwe_init
    int32_t (*startVmFromFiles)(const char* jad, const char* jar, int32_t n);  // "-launch"
    int32_t (*startVmByPath)(const char* url);                                 // "-tckauto"
    int32_t (*startVmBySuite)(int32_t suiteId, int32_t midlet);
    void (*requestPause)(void);                                           // the suite manager's pause request
    void (*requestResume)(void);                                          // its resume request
    void (*requestStop)(void);                                            // its stop request
    int32_t (*postKeyEvent)(int32_t kind, int32_t code, int32_t unused);  // 1 when the VM took it
    int32_t (*postPointerEvent)(int32_t kind, int32_t x, int32_t y);
    int32_t (*setKeyMap)(const KeyEntry* table, const KeyExtendedList* extended);
    void (*setKveThreadPriority)(int32_t priority);
    // suite storage
    int32_t (*storageInit)(void);
    void (*storageFini)(void);
    int32_t (*categoryCount)(void);
    int32_t (*countSuites)(int32_t category);
    int32_t (*suiteList)(int32_t category, QmmsSuiteInfo* array, int32_t max);
    // display access: the copy of the back buffer to the window (mode 1 through dc, 2
    // and 3 straight into the screen), the straight access opened and closed around the
    // focus, and the back buffer cleared to white
    void (*blitScreen)(HDC dc, int32_t mode);
    int32_t (*openDisplay)(void);
    int32_t (*closeDisplay)(void);
    void (*clearScreenBuffer)(void);
};

extern HostGlue hostGlue;
// The defaults (for a test that sets a double to restore them).
extern const HostGlue hostGlueDefaults;
