// Record-store natives. The file natives are static: their arguments are the operand
// stack's top words, the last argument on top.
#include "natives/lib/rms_natives.h"

#include "natives/lib/midlet_natives.h"
#include "natives/lib/nativestack.h"
#include "vm/core/exceptions.h"
#include "vm/core/native.h"
#include "vm/loader/registries.h"
#include "vm/services/memory.h"

enum { ENUMERATION_BY_ID = 2 };

static int32_t noOpen(const uint16_t*, int32_t, int32_t) { return -1; }
static int32_t noFile(int32_t) { return -1; }
static int32_t noTransfer(int32_t, void*, int32_t) { return -1; }
static int32_t noWrite(int32_t, const void*, int32_t) { return -1; }
static int32_t noSeek(int32_t, int32_t, int32_t) { return -1; }
static int32_t noTruncate(int32_t, int32_t) { return -1; }
static int32_t noReserve(int32_t, int32_t) { return 0; }
static void noFree(int32_t, int32_t) {}
static int32_t noPreferredSize() { return 0; }
static int32_t noSpace(const uint16_t*, int32_t, const uint16_t*, int32_t) { return 0; }
static int32_t noSuite(const uint16_t*, int32_t, const uint16_t*, int32_t, int32_t, uint16_t*) { return -1; }
static void noCommit(const uint16_t*, int32_t, const uint16_t*, int32_t) {}

constexpr RmsPortingHooks DefaultRmsPorting = {noOpen,     noFile,    noTransfer, noWrite,         noSeek,
                                               noTruncate, noReserve, noFree,     noPreferredSize, noSpace,
                                               noSuite,    noCommit,  noCommit};
VMHOOKS RmsPortingHooks RmsPorting = DefaultRmsPorting;

// ---------------------------------------------------------------------------------
// RandomAccessFile

void Java_com_movane_rms_RandomAccessFile_nativeOpen() {
    int32_t mode = (int8_t)popInt();
    StringInstance* name = (StringInstance*)popObject();
    if (mode < 0 || mode > 2) {
        pushInt(-1);
        return;
    }
    if (lockStringChars(name) == nullptr) throwPendingException();
    int32_t file = RmsPorting.MkRandomAccessFileOpen(getStringCharsPointer(name), (int16_t)getStringLength(name), mode);
    if (file != -1 && registerOpenFile(file) == -1) {
        RmsPorting.MkRandomAccessFileClose(file);
        unlockStringChars(name);
        raiseException(OutOfMemoryError);
    }
    unlockStringChars(name);
    pushInt(file);
}

void Java_com_movane_rms_RandomAccessFile_nativeClose() {
    int32_t file = popInt();
    unregisterOpenFile(file);
    pushInt((int8_t)(RmsPorting.MkRandomAccessFileClose(file) == 0 ? 0 : -1));
}

// Read and write: the array pinned for the transfer; 0 when it cannot be.
static int32_t transfer(bool write) {
    int32_t length = popInt();
    int32_t offset = popInt();
    ArrayObject* bytes = (ArrayObject*)popObject();
    int32_t file = popInt();
    if (mvMemory_objectLock(bytes) != 0) return 0;
    int8_t* at = getByteArrayData(bytes) + offset;
    int32_t result = write ? RmsPorting.MkRandomAccessFileWrite(file, at, length)
                           : RmsPorting.MkRandomAccessFileRead(file, at, length);
    mvMemory_objectUnlock(bytes);
    return result;
}

void Java_com_movane_rms_RandomAccessFile_nativeRead() { pushInt(transfer(false)); }

void Java_com_movane_rms_RandomAccessFile_nativeWrite() { pushInt(transfer(true)); }

void Java_com_movane_rms_RandomAccessFile_nativeSeek() {
    int32_t origin = (int8_t)popInt();
    int32_t position = popInt();
    int32_t file = popInt();
    pushInt(origin >= 0 && origin <= 2 ? RmsPorting.MkRandomAccessFileSeek(file, position, origin) : -1);
}

void Java_com_movane_rms_RandomAccessFile_nativeLength() {
    int32_t file = popInt();
    int32_t result;
    int32_t position = RmsPorting.MkRandomAccessFileSeek(file, 0, 1);
    if (position < 0) {
        result = -1;
    } else {
        result = RmsPorting.MkRandomAccessFileSeek(file, 0, 2);
        if (result < 0)
            result = -2;
        else if (RmsPorting.MkRandomAccessFileSeek(file, position, 0) < 0)
            result = -3;
    }
    pushInt(result);
}

void Java_com_movane_rms_RandomAccessFile_nativeTruncate() {
    int32_t size = popInt();
    int32_t file = popInt();
    pushInt((int8_t)RmsPorting.MkRandomAccessFileTruncate(file, size));
}

void Java_com_movane_rms_RandomAccessFile_nativeReserveSpace() {
    int32_t bytes = popInt();
    int32_t file = popInt();
    RmsPorting.MkRandomAccessFileReserveSpace(file, bytes);
    pushInt(0);
}

void Java_com_movane_rms_RandomAccessFile_nativeFreeSpace() {
    int32_t bytes = popInt();
    int32_t file = popInt();
    RmsPorting.MkRandomAccessFileFreeSpace(file, bytes);
}

static int32_t preferredSize() {
    int32_t size = RmsPorting.MkRandomAccessFileGetPreferredSize();
    return size == 0 ? 1024 : size;
}

void Java_com_movane_rms_RandomAccessFile_nativeGetPreferredReadSize() { pushInt(preferredSize()); }
void Java_com_movane_rms_RandomAccessFile_nativeGetPreferredWriteSize() { pushInt(preferredSize()); }
void Java_com_movane_rms_RandomAccessFile_nativeGetDivideReserveFlag() { pushInt(0); }
void Java_com_movane_rms_RandomAccessFile_nativeIsInterruption() { pushInt(0); }
void Java_com_movane_rms_RandomAccessFile_nativeIsRequestedSuspendTemprary() { pushInt(0); }
void Java_com_movane_rms_RandomAccessFile_nativeNotifySuspendedTemporary() {}

// ---------------------------------------------------------------------------------
// IndexedRecordStoreManager: vendor and suite name, the vendor deeper on the stack

struct SuiteNames {
    StringInstance* vendor;
    StringInstance* name;
};

// Pins both strings (a null one raises the pending exception).
static void pinSuite(SuiteNames* suite) {
    if (lockStringChars(suite->vendor) == nullptr) throwPendingException();
    if (lockStringChars(suite->name) == nullptr) {
        unlockStringChars(suite->vendor);
        throwPendingException();
    }
}

static void unpinSuite(SuiteNames* suite) {
    unlockStringChars(suite->name);
    unlockStringChars(suite->vendor);
}

static SuiteNames popSuite() {
    SuiteNames suite;
    suite.name = (StringInstance*)popObject();
    suite.vendor = (StringInstance*)popObject();
    pinSuite(&suite);
    return suite;
}

// Full-width lengths: vendors and names of 128 characters and more stay whole.
#define SUITE_ARGUMENTS(s)                                                                           \
    getStringCharsPointer((s).vendor), getStringLength((s).vendor), getStringCharsPointer((s).name), \
        getStringLength((s).name)

void Java_com_movane_rms_IndexedRecordStoreManager_nativeGetStorageAvailSize() {
    SuiteNames suite = popSuite();
    int32_t size = RmsPorting.MkRecordStoreGetAvailSize(SUITE_ARGUMENTS(suite));
    unpinSuite(&suite);
    pushInt(size);
}

void Java_com_movane_rms_IndexedRecordStoreManager_nativeGetFileNameBySuite() {
    int32_t kind = (int8_t)popInt();
    SuiteNames suite = popSuite();
    int32_t length = RmsPorting.MkRecordStoreGetFileNameBySuite(SUITE_ARGUMENTS(suite), kind, nullptr);
    if (length <= 0) {
        unpinSuite(&suite);
        pushObject(nullptr);
        return;
    }
    uint16_t* buffer = (uint16_t*)mvMemory_allocPointer((length + 1) * 2);
    if (buffer == nullptr) {
        unpinSuite(&suite);
        throwPendingException();
    }
    StringInstance* result = nullptr;
    bool failed = false;
    if (RmsPorting.MkRecordStoreGetFileNameBySuite(SUITE_ARGUMENTS(suite), kind, buffer) == 0) {
        result = tryInstantiateStringFromUnicode(buffer, length);
        failed = result == nullptr;
    }
    mvMemory_freePointer(buffer);
    unpinSuite(&suite);
    if (failed) return;  // the creation's exception is on its way
    pushObject(result);
}

void Java_com_movane_rms_IndexedRecordStoreManager_nativeBeginCommit() {
    SuiteNames suite = popSuite();
    RmsPorting.MkRecordStoreBeginCommit(SUITE_ARGUMENTS(suite));
    unpinSuite(&suite);
}

void Java_com_movane_rms_IndexedRecordStoreManager_nativeEndCommit() {
    SuiteNames suite = popSuite();
    RmsPorting.MkRecordStoreEndCommit(SUITE_ARGUMENTS(suite));
    unpinSuite(&suite);
}

#undef SUITE_ARGUMENTS

// ---------------------------------------------------------------------------------
// RecordStore

void Java_javax_microedition_rms_RecordStore_nativeGetAppProperty() {
    Java_javax_microedition_midlet_MIDlet_nativeGetAppProperty();
}

// Without a comparator an enumeration lists the records by ascending ID.
void Java_javax_microedition_rms_RecordStore_nativeGetRecordEnumerationMode() { pushInt(ENUMERATION_BY_ID); }
