// What the VM services call in the platform's porting layer: one table of function
// pointers, filled by the program's start-up. Its defaults know nothing.
#pragma once

#include <stdint.h>

#include "platform/vmsections.h"

struct VmServiceHooks {
    // The platform's value of a property as UTF-16 with its length, or null.
    const uint16_t* (*MkPropertyGetString)(const uint16_t* key, int32_t keyLength, int32_t* valueLength);
    // Clears the soft-key bar's labels and arrows, when the VM's run has stopped.
    void (*MkSoftkeyResetLabels)(void);
    // Notes the program's exit status for the runs so far (a MIDlet's life-cycle method
    // threw). Default: nothing.
    void (*noteExitStatus)(int32_t status);
};

extern VMHOOKS VmServiceHooks ServiceHooks;
extern const VmServiceHooks DefaultServiceHooks;

// Fills the hooks of the core and the loader with the runtime services: the VM state and
// event system behind the core's wait for events, and what kvm_main starts (the event
// system, the work buffer, the started notice, the VM clock). Every program that runs
// the VM with its services calls it at start-up.
void installRuntimeServices();
