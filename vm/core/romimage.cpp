// The class image's fixed roots and areas as this run sees them, the copy of the
// static area at start and the reset of class states at the end of a run.
#include "vm/core/romimage.h"

#include <string.h>

#include "vm/core/classes.h"
#include "vm/core/exceptions.h"
#include "vm/core/heap.h"
#include "vm/core/monitor.h"
#include "vm/core/thread.h"
#include "vm/trace/tracelog.h"

VMBSS const RomImage* CurrentRomImage;
VMBSS VmHashTable* UTFStringTable;
VMBSS VmHashTable* ClassTable;
VMBSS VmHashTable* InternStringTable;
VMBSS ArrayClassRecord* PrimitiveArrayClasses[T_LONG + 1];
VMBSS ClassRecord* JavaLangObject;
VMBSS ClassRecord* JavaLangClass;
VMBSS ClassRecord* JavaLangString;
VMBSS ClassRecord* JavaLangThread;
VMBSS ClassRecord* JavaLangSystem;
VMBSS ClassRecord* JavaLangThrowable;
VMBSS ClassRecord* JavaLangError;
VMBSS MethodRecord* RunCustomCodeMethod;
VMBSS uint32_t initNameAndType;
VMBSS uint32_t clinitNameAndType;
VMBSS uint32_t runNameAndType;
VMBSS uint32_t mainNameAndType;

// Order of the image's primitive array classes.
static const int primitiveTypeCodes[8] = {T_BOOLEAN, T_CHAR, T_FLOAT, T_DOUBLE, T_BYTE, T_SHORT, T_INT, T_LONG};

void useRomImage(const RomImage* image) {
    CurrentRomImage = image;
    UTFStringTable = image->nameTable;
    ClassTable = image->classTable;
    InternStringTable = image->stringTable;
    for (int i = 0; i < 8; i++) PrimitiveArrayClasses[primitiveTypeCodes[i]] = image->primitiveArrayClasses[i];
    JavaLangObject = image->javaLangObject;
    JavaLangClass = image->javaLangClass;
    JavaLangString = image->javaLangString;
    JavaLangThread = image->javaLangThread;
    JavaLangSystem = image->javaLangSystem;
    JavaLangThrowable = image->javaLangThrowable;
    JavaLangError = image->javaLangError;
    RunCustomCodeMethod = image->runCustomCode;
}

void saveRomImageRoots(RomImage* image) {
    for (int i = 0; i < 8; i++) image->primitiveArrayClasses[i] = PrimitiveArrayClasses[primitiveTypeCodes[i]];
    image->javaLangObject = JavaLangObject;
    image->javaLangClass = JavaLangClass;
    image->javaLangString = JavaLangString;
    image->javaLangThread = JavaLangThread;
    image->javaLangSystem = JavaLangSystem;
    image->javaLangThrowable = JavaLangThrowable;
    image->javaLangError = JavaLangError;
    image->runCustomCode = RunCustomCodeMethod;
}

void InitializeJavaSystemClasses() {
    const RomImage* image = CurrentRomImage;
    if (image->staticArea != nullptr && image->staticAreaBytes > 0)
        memcpy(image->staticArea, image->staticInitialValues, image->staticAreaBytes);
    mvTraceLog_info("ROMIZE byteCode Size ROM:%d RAM:%d\n", image->romCodeBytes, image->ramCodeBytes);
    initNameAndType = getNameAndTypeKey("<init>", "()V");
    clinitNameAndType = getNameAndTypeKey("<clinit>", "()V");
    runNameAndType = getNameAndTypeKey("run", "()V");
    mainNameAndType = getNameAndTypeKey("main", "([Ljava/lang/String;)V");
    OutOfMemoryObject = instantiate(getClass(OutOfMemoryError));
    StackOverflowObject = OutOfMemoryObject;
    makeGlobalRoot(&OutOfMemoryObject);
    makeGlobalRoot(&StackOverflowObject);
}

void resetClassStates() {
    trimHashTableToImage(UTFStringTable, NAME_TABLE_LINK);
    trimHashTableToImage(InternStringTable, STRING_TABLE_LINK);
    trimHashTableToImage(ClassTable, CLASS_TABLE_LINK);
    const RomImage* image = CurrentRomImage;
    if (image->staticArea != nullptr) image->staticArea[0] = 0;
    for (int b = (int)ClassTable->bucketCount - 1; b >= 0; b--) {
        for (ClassRecord* c = (ClassRecord*)ClassTable->buckets[b]; c != nullptr; c = c->next) {
            if (c->monitor & LOCK_STATE_MASK) clearObjectLock((OBJECT)c);
            if (isArrayClass(c)) continue;
            c->initThread = nullptr;
            c->status = (c->accessFlags & ACC_ROM_NON_INIT_CLASS) ? CLASS_READY : CLASS_VERIFIED;
        }
    }
}

static bool inRange(const void* address, const void* start, const void* end) {
    return start != nullptr && (uintptr_t)address >= (uintptr_t)start && (uintptr_t)address < (uintptr_t)end;
}

bool isRomClassAddress(const void* address) {
    return CurrentRomImage && inRange(address, CurrentRomImage->classAreaStart, CurrentRomImage->classAreaEnd);
}

bool isInRomTableRange(const void* address) {
    return CurrentRomImage && (address == CurrentRomImage->sharedCharArray ||
                               inRange(address, CurrentRomImage->stringAreaStart, CurrentRomImage->stringAreaEnd));
}

bool isInRomCodeRange(const void* address) {
    return CurrentRomImage && inRange(address, CurrentRomImage->codeAreaStart, CurrentRomImage->codeAreaEnd);
}
