// What the core calls in the subsystems above it (the class loader, the verifier, method
// preparation, the native finalizer registry, the memory interface, the run's heap block,
// the VM state and the event system behind the wait for events): one
// table of function pointers, filled by the start-up of the program that has the real
// functions. Its defaults do the least, so that the core runs on hand-built classes.
// vm/core/hooks.md lists every hook table, which program fills each slot and with what.
#pragma once

#include <stdint.h>

#include "platform/vmsections.h"
#include "vm/core/records.h"

struct VmCoreHooks {
    // Reads a raw class from the class path; raises NoClassDefFoundError or
    // ClassFormatError (fatalOnError: also ends the run on an error of a system class).
    // Default: ends the run, since no class can be read without the loader.
    void (*loadClassfile)(ClassRecord* clazz, int fatalOnError);
    // Completes an array class once its element class is loaded.
    void (*loadArrayClass)(ArrayClassRecord* clazz);
    // Default: takes the class as verified.
    void (*verifyClass)(ClassRecord* clazz);
    // The rewriter, before a method's first invocation. Default: methods run as loaded.
    void (*prepareMethod)(MethodRecord* method);
    // Runs the native finalizer registered for the class; 0 when none or it succeeded.
    int32_t (*runNativeFinalizer)(OBJECT instance, ClassRecord* clazz);
    // Pinned, zero-filled blocks of the memory interface. Default: pinned blocks of the
    // Java heap, freed by the collector once unpinned and unreferenced.
    void* (*mvMemory_allocPointer)(int32_t size);
    void (*mvMemory_freePointer)(void* block);
    // Called at the end of every time slice. Default: nothing.
    void (*timeSliceHook)();
    // The run's heap block (its size in bytes and its start). Default: none, and the
    // heap set-up ends the run.
    void (*setVmHeap)(int32_t* size, void** start);

    // The wait for events (vmWaitForEvents). Defaults: no stop, no events, no waiters.
    // A stop of the run was requested.
    int32_t (*isStopRequested)();
    // Ends the run for the requested stop; does not return.
    void (*abortRun)();
    int32_t (*pendingEventTotal)();
    int32_t (*threadsWaitingForEvents)();
    // Wakes the threads waiting for each kind of event, under the event lock; nonzero
    // when one was woken.
    int32_t (*wakeEventThreads)();
    // Events of the VM kept back, under the event lock.
    int32_t (*hasPendingVmEvents)();
    // Resets the VM's wake-up event, under the event lock.
    void (*clearWake)();
    // Outside the event lock; nonzero when the kept events could be sent again.
    int32_t (*resendPendingVmEvents)();
};

// Lives outside the per-run sections: a run's reset keeps what start-up filled.
extern VMHOOKS VmCoreHooks CoreHooks;
extern const VmCoreHooks DefaultCoreHooks;
