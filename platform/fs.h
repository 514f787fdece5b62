// Device files on Linux: the file operations beneath the gfs connector. Device paths use
// '\' and name files below the device root folder, which stands for the device's file
// tree; failures leave a host error that FsLastError turns into a file error code.
#pragma once

#include <stdint.h>

struct FsFile;
struct FsDirListing;
struct FsLock;

// FsOpen mode bits: creation 64 open existing, 16 create or truncate, 32 open or create;
// access 1 read, 2 write, 4 and 8 read and write.
enum {
    FS_OPEN_READ = 1,
    FS_OPEN_WRITE = 2,
    FS_OPEN_RW4 = 4,
    FS_OPEN_RW8 = 8,
    FS_CREATE_ALWAYS = 16,
    FS_OPEN_ALWAYS = 32,
    FS_OPEN_EXISTING = 64,
};

enum { FS_ATTR_DIRECTORY = 0x10, FS_ATTR_NORMAL = 0x80 };

// Longest device path, in UTF-16 units, that a path operation takes (the original's
// 128-character path buffer less its terminator). Longer paths are refused, never cut.
enum { FS_MAX_DEVICE_PATH = 127 };

struct FsAttributes {
    uint32_t attributes;
    uint32_t size;
};

// The host folder that stands for the device's file tree. Set from MOVANE_DEVICE_ROOT,
// else $XDG_DATA_HOME/movane/device or ~/.local/share/movane/device. 0, or -1 when the
// folder name is too long.
int FsSetDeviceRoot(const char* hostFolder);
const char* FsGetDeviceRoot(void);
// Makes the device root folder and its parents when missing (a fresh machine has none);
// 0, or -1 with errno set.
int FsMakeDeviceRoot(void);
// Maps a device path to its host path; 0, or -1 (host error set) when the result would
// not fit or the path climbs out of the device root.
int FsMapDevicePath(const char* devicePath, char* out, int outSize);

FsFile* FsOpen(const char* path, int mode);
int FsClose(FsFile* file);
int FsRead(void* buffer, int count, FsFile* file);
int FsWrite(const void* buffer, int count, FsFile* file);
int FsFlush(FsFile* file);
int FsSeek(FsFile* file, int offset, int whence);
int FsTell(FsFile* file);
int FsTruncate(FsFile* file, int length);
int FsTruncateByPath(const char* path, int length);
int FsRemove(const char* path);
// Never replaces an existing target.
int FsRename(const char* path, const char* newPath);
// Writes a whole file so that a crash or a full disk leaves either its old bytes or all
// the new ones: a temporary file beside it, written and flushed, renamed over the target,
// then the folder flushed. 0, or -1 with the target untouched and no temporary file left.
int FsReplaceFile(const char* path, const void* data, int count);
// Puts a finished file in place of target, replacing it, with the same durability: the
// file is flushed before the rename and the folder after it. 0 or -1.
int FsReplace(const char* path, const char* target);
// Temporary files of FsReplaceFile end in this suffix, after the target's name and the
// writer's process number ("category.dat.1234.new").
#define FS_REPLACE_SUFFIX ".new"
int FsGetAttributes(const char* path, FsAttributes* out);
int FsIsDirectory(uint32_t attributes);
// Free bytes on the volume, saturated at 0x7FFFFFFF; 0 on failure.
uint32_t FsGetFreeSpace(const char* path);
// A byte count as the free-space queries answer it: at most 0x7FFFFFFF, never wrapped.
uint32_t FsSaturateFreeBytes(uint64_t bytes);
int FsMakeDir(const char* path);
int FsRemoveDir(const char* path);
FsDirListing* FsOpenDir(const char* path);
const char* FsReadDir(FsDirListing* listing);
int FsRewindDir(FsDirListing* listing);
int FsCloseDir(FsDirListing* listing);
char FsGetSeparator(void);
// File error code of the calling thread's last failed host call: 0 none, 18 access
// denied, 19 invalid handle, 21 bad argument, 22 no memory, 16 exists, 255 other.
int FsLastError(void);
// Free bytes of the storage volume (the gfs://java folder) as a signed count, saturated
// at 0x7FFFFFFF so that a large volume never reads as negative.
int32_t GetStorageFreeSpace(void);

// A lock shared with other processes, held on a lock file (created when missing) that
// also carries one word: the holders' change count. Take blocks until the lock is had;
// a process takes it at most once at a time.
FsLock* FsLockOpen(const char* path);
int FsLockTake(FsLock* lock, int exclusive);
int FsLockRelease(FsLock* lock);
// The word (0 in a new lock file); read and written while the lock is held.
int FsLockReadWord(FsLock* lock, uint32_t* value);
int FsLockWriteWord(FsLock* lock, uint32_t value);
void FsLockClose(FsLock* lock);

// Test seam: called before each step that changes the disk (host path; for a write the
// byte count and the file offset, else count 0). For a write it answers how many bytes
// may go out: fewer than count writes that many, tells the hook (FS_STEP_CUT with the
// bytes written) and fails the write as a full disk does. For the other steps a negative
// answer fails the step (full disk), else it goes ahead.
enum { FS_STEP_WRITE = 1, FS_STEP_TRUNCATE = 2, FS_STEP_RENAME = 3, FS_STEP_REMOVE = 4, FS_STEP_CUT = 5 };
typedef int (*FsStepHook)(int step, const char* hostPath, int count, int offset);
void FsSetStepHook(FsStepHook hook);

// Host trace of the file layer ("CreateFileW() failed, err=%d\n"); null sends it to
// the host trace output.
void FsSetTraceHook(void (*hook)(const char* line));
// Test seam: called between the counting and the filling pass of FsOpenDir.
void FsSetListingPassHook(void (*hook)(const char* hostPath));
