// The porting layer's record-store files: the three per-suite files of the suite store
// opened by name, a commit state per file outside which nothing is written, and the quota
// of bytes the running suite may still add to its record-store files.
#pragma once

#include <stdint.h>

#include "platform/p32.h"

// One open record-store file, in the storage arena; the layer hands out its address as
// the file's handle.
struct RandomAccessFileRecord {
    int32_t handle;      // qmfs handle
    P32<uint16_t> name;  // owned copy of the name it was opened under
    int16_t nameLength;
    int32_t inCommit;  // 1 between the suite's begin and end of a commit
    int32_t size;      // the file's size as this layer knows it
    int32_t reserved;  // bytes reserved by the caller, never below 0
    P32<RandomAccessFileRecord> next;
};
static_assert(sizeof(RandomAccessFileRecord) == 28, "seven words");

enum { RMS_QUOTA_TOTAL = 31744, RMS_PREFERRED_SIZE = 1024 };

// mode: 0 read an existing file, 1 create (an existing one is emptied), 2 read and write
// an existing file. The record's address, or -1.
int32_t MkRandomAccessFileOpen(const uint16_t* name, int32_t length, int32_t mode);
int32_t MkRandomAccessFileClose(int32_t file);
// Bytes read, 0 at the end of the file, -1 on errors.
int32_t MkRandomAccessFileRead(int32_t file, void* buffer, int32_t count);
// 0; -1 over the quota or failed; -2 outside a commit.
int32_t MkRandomAccessFileWrite(int32_t file, const void* buffer, int32_t count);
int32_t MkRandomAccessFileSeek(int32_t file, int32_t offset, int32_t whence);
int32_t MkRandomAccessFileTruncate(int32_t file, int32_t length);
int32_t MkRandomAccessFileReserveSpace(int32_t file, int32_t bytes);
void MkRandomAccessFileFreeSpace(int32_t file, int32_t bytes);
int32_t MkRandomAccessFileGetPreferredSize(void);

// Lengths are full-width counts: vendors and suite names of any length.
int32_t MkRecordStoreGetAvailSize(const uint16_t* vendor, int32_t vendorLength, const uint16_t* name,
                                  int32_t nameLength);
// Without a buffer the length of the name of record-store file index 0-2 in UTF-16 units;
// with one, 0 after writing it there. -1 for an unknown suite or index.
int32_t MkRecordStoreGetFileNameBySuite(const uint16_t* vendor, int32_t vendorLength, const uint16_t* name,
                                        int32_t nameLength, int32_t index, uint16_t* buffer);
void MkRecordStoreBeginCommit(const uint16_t* vendor, int32_t vendorLength, const uint16_t* name, int32_t nameLength);
void MkRecordStoreEndCommit(const uint16_t* vendor, int32_t vendorLength, const uint16_t* name, int32_t nameLength);

// At a MIDlet's start: the quota is the total less what the running suite's three files
// hold (0 when they hold more). Returns 0, or the negative launched-suite answer.
int32_t MkRmsComputeQuota(void);
// At its end: quota 0.
void MkRmsResetQuota(void);

// The quota left, for tests and the runner.
int32_t RmsGetQuota(void);
// Test and runner seam: the total the next MkRmsComputeQuota starts from (below 0 gives
// the device's RMS_QUOTA_TOTAL back).
void RmsSetQuotaTotal(int32_t bytes);
// Closes every file still open (a test's or a program's end).
void RmsCloseAllFiles(void);

// Fills the record-store natives' porting table and the loader's close of files a run
// left open with the functions above (the program's start-up).
void installRecordStorePorting(void);
