// The binding of native methods to their functions, by class, method name and
// descriptor: one table per class, one set of classes per natives library. The class
// loader asks it for every native method it reads (lookupDynamicNative, through the
// loader's hooks), and the image generator and the build's list of unbound natives read
// the same tables.
#pragma once

#include <stdint.h>

#include "platform/vmsections.h"
#include "vm/core/records.h"

struct NativeMethodBinding {
    const char* name;
    const char* descriptor;
    NativeFunction function;   // null: not implemented (yet)
    const char* functionName;  // the C name, for generated sources and listings
};

struct NativeClassBinding {
    const char* className;  // slash form
    const NativeMethodBinding* methods;
    int32_t count;
};

extern const NativeClassBinding NativeClassBindings[];
extern const int32_t NativeClassBindingCount;

// The classes one natives library binds.
struct NativeBindingTable {
    const NativeClassBinding* classes;
    int32_t count;
};

// The natives libraries the lookup consults, in slot order. Each library's install
// function fills its slot at the program's start-up; an empty slot is skipped, so a
// program without the UI natives runs with the library's alone.
enum { NATIVES_LIB, NATIVES_UI, NATIVES_MEDIA, NATIVE_TABLE_SLOTS };
struct NativeTableSet {
    const NativeBindingTable* tables[NATIVE_TABLE_SLOTS];
};
extern VMHOOKS NativeTableSet NativeTables;
extern const NativeBindingTable LibraryNativeBindings;

// The binding of a method, or null when no table of NativeTables names it.
const NativeMethodBinding* findNativeBinding(const char* className, const char* name, const char* descriptor);
// Every native method without a function is bound to this: it ends the run with a fatal
// error naming the method.
void unboundNative();

// The loader's question for each native method it reads: the bound function, or
// unboundNative.
NativeFunction lookupDynamicNative(ClassRecord* clazz, const char* methodName, const char* signature);
// Fills the loader's hooks (vm/loader/hooks.h) with lookupDynamicNative and the
// library's slot of NativeTables.
void installLibraryNatives();
