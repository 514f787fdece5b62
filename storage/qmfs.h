// qmfs: the file-system front end. Files are named "scheme:path" ("gfs://java/suites.idx",
// "rom://midlet/_suites.idx"); the scheme picks a connector, whose handles become one of
// 256 front-end handles. Every operation leaves a code in one last-error word.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/p32.h"

struct FsLock;

enum {
    QMFS_OK = 0,
    QMFS_ERR_BAD_URI = 1,
    QMFS_ERR_NO_HANDLE = 2,
    QMFS_ERR_NO_CONNECTOR = 3,
    QMFS_ERR_BAD_HANDLE = 4,
    QMFS_ERR_READ_PAST_END = 5,
    QMFS_ERR_SLOTS_FULL = 6,
    QMFS_ERR_REGISTRY_FULL = 7,
    QMFS_ERR_NOT_DIRECTORY = 8,
    QMFS_ERR_EXISTS = 16,
    QMFS_ERR_UNSUPPORTED = 17,
    QMFS_ERR_ACCESS = 18,
    QMFS_ERR_HOST_HANDLE = 19,
    QMFS_ERR_BAD_ARGUMENT = 21,
    QMFS_ERR_NO_MEMORY = 22,
    QMFS_ERR_OTHER = 255,
};

enum { QMFS_HANDLES = 256, QMFS_CONNECTORS = 10, QMFS_DIR_RECORDS = 5 };

// Mode record: access 1 read, 2 write, 4 and 8 further access bits; creation 16 create or
// truncate, 32 open or create, 64 open an existing file only.
struct QmfsMode {
    uint8_t access;
    uint8_t creation;
};
static_assert(sizeof(QmfsMode) == 2, "QmfsMode size");

// The access byte: read, write, and two further bits passed to the connector.
enum : uint8_t { QMFS_READ = 1, QMFS_WRITE = 2, QMFS_ACCESS_4 = 4, QMFS_ACCESS_8 = 8 };
// The creation byte.
enum : uint8_t { QMFS_CREATE_OR_TRUNCATE = 16, QMFS_OPEN_OR_CREATE = 32, QMFS_OPEN_EXISTING = 64 };
// The modes the store opens its files with.
constexpr QmfsMode QmfsReadExisting = {QMFS_READ, QMFS_OPEN_EXISTING};
constexpr QmfsMode QmfsWriteExisting = {QMFS_WRITE, QMFS_OPEN_EXISTING};
constexpr QmfsMode QmfsWriteNew = {QMFS_WRITE, QMFS_CREATE_OR_TRUNCATE};

enum { QMFS_ATTR_DIRECTORY = 16 };

struct QmfsStat {
    uint32_t size;
    uint32_t flags;       // 0 device files, 8 in-memory files
    uint32_t attributes;  // 16 for a directory
};
static_assert(sizeof(QmfsStat) == 12, "QmfsStat size");

// Valid until the connector's next readdir. The name is the connector's own static
// buffer, so it fits the record's word.
struct QmfsDirEntry {
    uint32_t flags;
    uint32_t attributes;
    uint32_t size;
    P32<const char> name;  // full connector path beginning with "//"
};
static_assert(sizeof(QmfsDirEntry) == 16, "QmfsDirEntry size");

typedef int (*QmfsOpenFn)(const char* path, const QmfsMode* mode);

// The 22 operation slots of a connector, in slot order; a null slot is not supported.
struct QmfsOps {
    QmfsOpenFn open;
    int (*close)(int handle);
    int (*read)(int handle, void* buffer, int count);
    int (*write)(int handle, const void* buffer, int count);
    int (*seek)(int handle, int offset, int whence);
    int (*tell)(int handle);
    int (*flush)(int handle);
    int (*fstat)(int handle, QmfsStat* status);
    int (*truncate)(int handle, int length);
    int (*remove)(const char* path);
    int (*rename)(const char* path, const char* newPath);
    int (*freeSpace)(const char* path);
    int (*stat)(const char* path, QmfsStat* status);
    int (*mkdir)(const char* path);
    int (*rmdir)(const char* path);
    int (*truncateByPath)(const char* path, int length);
    int (*opendir)(const char* path);
    QmfsDirEntry* (*readdir)(int handle);
    int (*closedir)(int handle);
    int (*rewinddir)(int handle);
    int (*finalize)(void);
    int (*lastError)(void);
};
static_assert(sizeof(QmfsOps) == 22 * sizeof(void*), "QmfsOps slots");

// A record of the front end's own table, never read as words: the operation table holds
// native function pointers and sits at their natural alignment after the 44 name bytes.
struct QmfsConnector {
    char name[30];
    char pad[2];
    char scheme[12];
    QmfsOps ops;
};
static_assert(offsetof(QmfsConnector, scheme) == 32, "QmfsConnector names");
static_assert(offsetof(QmfsConnector, ops) == (44 + alignof(QmfsOps) - 1) / alignof(QmfsOps) * alignof(QmfsOps) &&
                  sizeof(QmfsConnector) == offsetof(QmfsConnector, ops) + sizeof(QmfsOps),
              "QmfsConnector size");

// A row of the connector list; the list ends with a row whose present flag is 0. A fill
// function that answers non-zero does not count.
struct QmfsConnectorRow {
    int present;
    int (*fill)(QmfsConnector* record);
};

int qmfs_initialize(void);
int qmfs_finalize(void);
int qmfs_open(const char* uri, const QmfsMode* mode);
int qmfs_close(int handle);
int qmfs_read(int handle, void* buffer, int count);
int qmfs_write(int handle, const void* buffer, int count);
int qmfs_seek(int handle, int offset, int whence);
int qmfs_tell(int handle);
int qmfs_truncate(int handle, int length);
int qmfs_fstat(int handle, QmfsStat* status);
int qmfs_remove(const char* uri);
int qmfs_rename(const char* uri, const char* newUri);
int qmfs_getFreeSpace(const char* uri);
int qmfs_stat(const char* uri, QmfsStat* status);
int qmfs_getLastError(void);
// Writes the file's bytes to the disk (the connector's flush slot): 0 or -1.
int qmfs_flush(int handle);

// Durable writes of device files ("gfs:" URIs; other schemes answer error 17). A crash or a
// full disk leaves the old file or the whole new one, never a part.
// Writes a whole file.
int qmfs_replaceFile(const char* uri, const void* data, int size);
// Puts a finished file in place of another one, replacing it.
int qmfs_replace(const char* uri, const char* targetUri);
// A lock file shared with other processes (platform/fs.h has its operations); null with
// the last error set when it cannot be opened.
FsLock* qmfs_openLock(const char* uri);

// The connector for a scheme while the front end is started, or null.
const QmfsConnector* qmfs_findConnector(const char* scheme);
// Test seam: the connector list that the next start walks; null restores the built-in one.
void qmfs_setConnectorList(const QmfsConnectorRow* rows);

// Trace output of the storage library (level, source, function, text) goes to the host
// trace; a hook set here takes it instead (null restores the host trace).
typedef void (*QmfsTraceHook)(int level, const char* source, const char* function, const char* text);
void qmfs_setTraceHook(QmfsTraceHook hook);
void qmfs_trace(int level, const char* source, const char* function, const char* text);
