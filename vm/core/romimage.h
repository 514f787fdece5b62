// The fixed roots of the built-in class image, its areas, the static area copied at
// every start, and the reset of class states at the end of a run.
#pragma once

#include "platform/vmsections.h"
#include "vm/core/records.h"
#include "vm/core/tables.h"

// What an image hands the VM: its tables, areas and fixed roots.
struct RomImage {
    VmHashTable* nameTable;
    VmHashTable* classTable;
    VmHashTable* stringTable;
    ArrayClassRecord* primitiveArrayClasses[8];  // boolean, char, float, double, byte, short, int, long
    ClassRecord* javaLangObject;
    ClassRecord* javaLangClass;
    ClassRecord* javaLangString;
    ClassRecord* javaLangThread;
    ClassRecord* javaLangSystem;
    ClassRecord* javaLangThrowable;
    ClassRecord* javaLangError;
    MethodRecord* runCustomCode;
    const void* classAreaStart;
    const void* classAreaEnd;
    const void* codeAreaStart;
    const void* codeAreaEnd;
    const void* stringAreaStart;
    const void* stringAreaEnd;
    const void* sharedCharArray;
    cell* staticArea;
    const cell* staticInitialValues;
    int32_t staticAreaBytes;
    int32_t romCodeBytes;
    int32_t ramCodeBytes;
};

extern VMBSS const RomImage* CurrentRomImage;
extern VMBSS VmHashTable* UTFStringTable;
extern VMBSS VmHashTable* ClassTable;
extern VMBSS VmHashTable* InternStringTable;
extern VMBSS ArrayClassRecord* PrimitiveArrayClasses[T_LONG + 1];  // by newarray type code
extern VMBSS ClassRecord* JavaLangObject;
extern VMBSS ClassRecord* JavaLangClass;
extern VMBSS ClassRecord* JavaLangString;
extern VMBSS ClassRecord* JavaLangThread;
extern VMBSS ClassRecord* JavaLangSystem;
extern VMBSS ClassRecord* JavaLangThrowable;
extern VMBSS ClassRecord* JavaLangError;
extern VMBSS MethodRecord* RunCustomCodeMethod;
extern VMBSS uint32_t initNameAndType;
extern VMBSS uint32_t clinitNameAndType;
extern VMBSS uint32_t runNameAndType;
extern VMBSS uint32_t mainNameAndType;

// Takes the image's roots for this run; the VM start calls it first.
void useRomImage(const RomImage* image);
// The reverse for the fixed roots (not the tables): what a start without an image, or
// the image generator, has built becomes the image's.
void saveRomImageRoots(RomImage* image);
void InitializeJavaSystemClasses();
void resetClassStates();
bool isRomClassAddress(const void* address);
bool isInRomTableRange(const void* address);
bool isInRomCodeRange(const void* address);
