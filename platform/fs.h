// Device files on Linux: the file operations beneath the gfs connector. Device paths use
// '\' and name files below the device root folder, which stands for the device's file
// tree; failures leave a host error that FsLastError turns into a file error code.
#pragma once

#include <stdint.h>

struct FsFile;
struct FsDirListing;

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
int FsRename(const char* path, const char* newPath);
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

// Host trace of the file layer ("CreateFileW() failed, err=%d\n"); null sends it to
// the host trace output.
void FsSetTraceHook(void (*hook)(const char* line));
// Test seam: called between the counting and the filling pass of FsOpenDir.
void FsSetListingPassHook(void (*hook)(const char* hostPath));
