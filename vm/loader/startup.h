// The entry of one VM run: the start-up options of kvm_main, the start of the VM parts
// in their fixed order, the main class and its String[] arguments, the end-of-run
// teardown; the option store with its built-in defaults; the native stack guard.
#pragma once

#include <stdint.h>

#include "platform/p32.h"
#include "platform/vmsections.h"
#include "vm/core/romimage.h"
#include "vm/core/stackguard.h"

enum {
    DEFAULT_HEAP_SIZE = 0x40000,
    MINIMUM_HEAP_SIZE = 32768,
    MAXIMUM_HEAP_OPTION = 0x4000000,
    OPTION_BUFFER_SIZE = 512,
    OPTION_DEFAULT_SLOTS = 40,
    // When the system classes are loaded from "/sys.jar" rather than taken from the
    // class image they fill permanent space; the run gets this much heap on top of the
    // requested size so that a program sees the heap it asked for.
    SYSTEM_JAR_HEAP_RESERVE = 4 * 1024 * 1024,
};

// The image's tables for a run: the generated image's, or empty ones for a start
// without it. Called before the heap exists.
void useImageTables();
// The start path without an image (also the image generator's): the primitive array
// classes and the fixed roots, with the system classes read, linked and bound from the
// memory file "/sys.jar" through the class path. Needs the heap and the class path.
void loadSystemClassesFromJar();

// argv[0] is never read. -1 for "-version", "-help", a bad "-heapsize" unit or no class
// name; otherwise the exit code of the run (0, 1, 127, 128 or a start-up failure's).
int32_t kvm_main(int argc, char** argv);
// argv[0] is the class name, the rest the program arguments.
int32_t vmStart(int argc, char** argv);
int32_t vmStartMain(int argc, char** argv);
void startVmParts();
void vmCleanup();

// The heap size kvm_main settled on (after clamping) and the class path it took.
int32_t kvmRequestedHeapSize();
const char* kvmClassPath();
// The class whose main runs; null until it is loaded.
ClassRecord* kvmMainClass();

void mvOption_init();
// The device's value, else the built-in default, else null; valid until the next call.
const char* mvOption_getUtf8(const char* key);
const char* mvOption_getDefault(const char* key);

// The record the runner hands to kvm_main, eight words: every address in it (the class
// name, the argument vector and its strings, the JAR, the heap block) lies in the low
// window.
struct KvmStartRecord {
    P32<const char> mainClass;
    P32<P32<const char>> arguments;  // null-terminated
    int32_t jarSize;
    P32<const void> jarAddr;
    P32<void> jarRead;  // the JAR's read function
    int32_t heapSize;
    P32<void> heapStart;
    P32<void> tckState;
};
static_assert(sizeof(KvmStartRecord) == 32, "KvmStartRecord is eight words");

// The runner keeps the run's start record here for the heap hand-over.
void mvVm_keepStartRecord(KvmStartRecord* record);
KvmStartRecord* mvVm_getStartRecord(void);

// Gives the heap set-up the run's heap start and its size rounded down to a multiple
// of 4; returns the start. A start that is not four-byte aligned is a fatal error.
void* setVmHeap(int32_t* size, void** start);
