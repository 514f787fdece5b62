// Natives of the record-store classes: a thin bridge from RandomAccessFile,
// IndexedRecordStoreManager and RecordStore to the porting layer's record-store files,
// reached through a table the program's start-up fills.
#pragma once

#include <stdint.h>

#include "platform/vmsections.h"

struct RmsPortingHooks {
    int32_t (*MkRandomAccessFileOpen)(const uint16_t* name, int32_t length, int32_t mode);
    int32_t (*MkRandomAccessFileClose)(int32_t file);
    int32_t (*MkRandomAccessFileRead)(int32_t file, void* buffer, int32_t count);
    int32_t (*MkRandomAccessFileWrite)(int32_t file, const void* buffer, int32_t count);
    int32_t (*MkRandomAccessFileSeek)(int32_t file, int32_t offset, int32_t whence);
    int32_t (*MkRandomAccessFileTruncate)(int32_t file, int32_t length);
    int32_t (*MkRandomAccessFileReserveSpace)(int32_t file, int32_t bytes);
    void (*MkRandomAccessFileFreeSpace)(int32_t file, int32_t bytes);
    int32_t (*MkRandomAccessFileGetPreferredSize)();
    int32_t (*MkRecordStoreGetAvailSize)(const uint16_t* vendor, int32_t vendorLength, const uint16_t* name,
                                         int32_t nameLength);
    int32_t (*MkRecordStoreGetFileNameBySuite)(const uint16_t* vendor, int32_t vendorLength, const uint16_t* name,
                                               int32_t nameLength, int32_t index, uint16_t* buffer);
    void (*MkRecordStoreBeginCommit)(const uint16_t* vendor, int32_t vendorLength, const uint16_t* name,
                                     int32_t nameLength);
    void (*MkRecordStoreEndCommit)(const uint16_t* vendor, int32_t vendorLength, const uint16_t* name,
                                   int32_t nameLength);
};

// Filled by the program's start-up; the defaults have no files.
extern VMHOOKS RmsPortingHooks RmsPorting;
extern const RmsPortingHooks DefaultRmsPorting;

void Java_com_movane_rms_RandomAccessFile_nativeOpen();
void Java_com_movane_rms_RandomAccessFile_nativeClose();
void Java_com_movane_rms_RandomAccessFile_nativeRead();
void Java_com_movane_rms_RandomAccessFile_nativeWrite();
void Java_com_movane_rms_RandomAccessFile_nativeSeek();
void Java_com_movane_rms_RandomAccessFile_nativeLength();
void Java_com_movane_rms_RandomAccessFile_nativeTruncate();
void Java_com_movane_rms_RandomAccessFile_nativeReserveSpace();
void Java_com_movane_rms_RandomAccessFile_nativeFreeSpace();
void Java_com_movane_rms_RandomAccessFile_nativeGetPreferredReadSize();
void Java_com_movane_rms_RandomAccessFile_nativeGetPreferredWriteSize();
void Java_com_movane_rms_RandomAccessFile_nativeGetDivideReserveFlag();
void Java_com_movane_rms_RandomAccessFile_nativeIsInterruption();
void Java_com_movane_rms_RandomAccessFile_nativeIsRequestedSuspendTemprary();
void Java_com_movane_rms_RandomAccessFile_nativeNotifySuspendedTemporary();
void Java_com_movane_rms_IndexedRecordStoreManager_nativeGetStorageAvailSize();
void Java_com_movane_rms_IndexedRecordStoreManager_nativeGetFileNameBySuite();
void Java_com_movane_rms_IndexedRecordStoreManager_nativeBeginCommit();
void Java_com_movane_rms_IndexedRecordStoreManager_nativeEndCommit();
void Java_javax_microedition_rms_RecordStore_nativeGetAppProperty();
void Java_javax_microedition_rms_RecordStore_nativeGetRecordEnumerationMode();
