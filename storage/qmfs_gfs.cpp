// Device-file connector over the file porting layer.
#include "storage/qmfs_gfs.h"

#include "platform/fs.h"
#include "platform/gfs.h"

#include <string.h>

enum { GFS_KIND_FILE = 1, GFS_KIND_DIR = 2, GFS_KIND_ROOTS = 3 };

struct QmfsGfsSlot {
    uint32_t inUse;
    uint32_t kind;
    void* host;      // FsFile*, FsDirListing*, or the root cursor
    uint32_t extra;  // root index of a folder listing
    char path[QMFS_GFS_PATH];
};

static QmfsGfsRoot gfsRoots[QMFS_GFS_ROOTS];
static int gfsRootCount;
static QmfsGfsSlot gfsSlots[QMFS_GFS_SLOTS];
static int gfsLastError;
static char gfsHostPath[QMFS_GFS_PATH];
static char gfsHostPath2[QMFS_GFS_PATH];
static QmfsDirEntry gfsEntry;
static char gfsEntryName[QMFS_GFS_PATH];

static void gfsStart(void) {
    memset(gfsRoots, 0, sizeof gfsRoots);
    memset(gfsSlots, 0, sizeof gfsSlots);
    gfsLastError = 0;
    int n = GfsGetRootCount();
    if (n > QMFS_GFS_ROOTS) n = QMFS_GFS_ROOTS;
    if (n < 0) n = 0;
    gfsRootCount = n;
    for (int i = 0; i < n; i++) {
        GfsRootRecord rec;
        if (GfsGetRootPath(i, &rec) != 0) continue;
        size_t nameLen = strnlen(rec.name, sizeof rec.name);
        size_t folderLen = strnlen(rec.path, sizeof rec.path);
        // A root whose name or folder does not fit stays unnamed, so nothing maps to it:
        // a cut folder would name another place.
        if (nameLen >= sizeof gfsRoots[i].name || folderLen >= sizeof gfsRoots[i].hostFolder) continue;
        memcpy(gfsRoots[i].name, rec.name, nameLen + 1);
        gfsRoots[i].nameLength = (uint32_t)nameLen;
        memcpy(gfsRoots[i].hostFolder, rec.path, folderLen + 1);
    }
}

// Maps a connector path to a host path in out (128 bytes); answers the root index, -2
// for the empty path (the list of roots), or -1 (error 1) when it does not map.
static int gfsMap(const char* path, char* out) {
    if (path == nullptr) return -1;
    size_t len = strlen(path);
    if (len == 0) {
        out[0] = 0;
        return -2;
    }
    if (len <= 2 || path[0] != '/' || path[1] != '/') return -1;
    const char* name = path + 2;
    const char* slash = strchr(name, '/');
    size_t nameLen = slash != nullptr ? (size_t)(slash - name) : strlen(name);
    if (nameLen == 0 || nameLen > 31) return -1;
    int root = -1;
    for (int i = 0; i < gfsRootCount; i++) {
        if (gfsRoots[i].nameLength == nameLen && memcmp(gfsRoots[i].name, name, nameLen) == 0) {
            root = i;
            break;
        }
    }
    if (root < 0) return -1;
    const char* rest = slash != nullptr ? slash + 1 : "";
    size_t folderLen = strlen(gfsRoots[root].hostFolder);
    size_t restLen = strlen(rest);
    if (folderLen + restLen + 1 > QMFS_GFS_PATH) return -1;  // never cut
    memcpy(out, gfsRoots[root].hostFolder, folderLen);
    char sep = FsGetSeparator();
    for (size_t i = 0; i < restLen; i++) out[folderLen + i] = rest[i] == '/' ? sep : rest[i];
    out[folderLen + restLen] = 0;
    return root;
}

static int gfsFail(int code) {
    gfsLastError = code;
    return -1;
}

static int gfsHostFail(void) { return gfsFail(FsLastError()); }

// Host attributes of a host path with one trailing separator dropped.
static int gfsAttributes(const char* host, FsAttributes* attrs) {
    char buf[QMFS_GFS_PATH];
    size_t n = strlen(host);
    memcpy(buf, host, n + 1);
    if (n > 0 && buf[n - 1] == FsGetSeparator()) buf[n - 1] = 0;
    return FsGetAttributes(buf, attrs);
}

static int gfsOpen(const char* path, const QmfsMode* mode) {
    if (gfsMap(path, gfsHostPath) < 0) return gfsFail(QMFS_ERR_BAD_URI);
    gfsLastError = 0;
    FsAttributes attrs;
    if (gfsAttributes(gfsHostPath, &attrs) == 0 && FsIsDirectory(attrs.attributes)) return gfsFail(QMFS_ERR_BAD_URI);
    int flags;
    if (mode == nullptr) {
        flags = FS_OPEN_READ;
    } else {
        // the first creation bit and the first access bit present decide
        uint8_t c = mode->creation, a = mode->access;
        int creation = (c & QMFS_CREATE_OR_TRUNCATE) ? QMFS_CREATE_OR_TRUNCATE
                       : (c & QMFS_OPEN_OR_CREATE)   ? QMFS_OPEN_OR_CREATE
                       : (c & QMFS_OPEN_EXISTING)    ? QMFS_OPEN_EXISTING
                                                     : 0;
        int access = (a & QMFS_READ)       ? QMFS_READ
                     : (a & QMFS_WRITE)    ? QMFS_WRITE
                     : (a & QMFS_ACCESS_4) ? QMFS_ACCESS_4
                     : (a & QMFS_ACCESS_8) ? QMFS_ACCESS_8
                                           : 0;
        flags = creation | access;
    }
    // The slot first: with none free, a create-or-truncate open must not touch the file.
    QmfsGfsSlot* s = nullptr;
    int slot = 0;
    for (; slot < QMFS_GFS_SLOTS; slot++) {
        if (!gfsSlots[slot].inUse) {
            s = &gfsSlots[slot];
            break;
        }
    }
    if (s == nullptr) return gfsFail(QMFS_ERR_SLOTS_FULL);
    FsFile* f = FsOpen(gfsHostPath, flags);
    if (f == nullptr) return gfsHostFail();
    s->inUse = 1;
    s->kind = GFS_KIND_FILE;
    s->host = f;
    s->extra = 0;
    strncpy(s->path, path, sizeof s->path - 1);
    s->path[sizeof s->path - 1] = 0;
    return slot;
}

static QmfsGfsSlot* gfsSlot(int handle) {
    if ((uint32_t)handle >= QMFS_GFS_SLOTS) return nullptr;
    QmfsGfsSlot* s = &gfsSlots[handle];
    if (!s->inUse || s->kind == 0) return nullptr;
    if (s->host == nullptr && s->kind != GFS_KIND_ROOTS) return nullptr;
    return s;
}

static QmfsGfsSlot* gfsFileSlot(int handle) {
    QmfsGfsSlot* s = gfsSlot(handle);
    if (s == nullptr || s->kind != GFS_KIND_FILE) {
        gfsLastError = QMFS_ERR_BAD_HANDLE;
        return nullptr;
    }
    gfsLastError = 0;
    return s;
}

static int gfsClose(int handle) {
    QmfsGfsSlot* s = gfsSlot(handle);
    if (s == nullptr) return gfsFail(QMFS_ERR_BAD_HANDLE);
    gfsLastError = 0;
    if (s->kind == GFS_KIND_FILE) FsClose((FsFile*)s->host);
    if (s->kind == GFS_KIND_DIR) FsCloseDir((FsDirListing*)s->host);
    memset(s, 0, sizeof *s);
    return 0;
}

static int gfsRead(int handle, void* buffer, int count) {
    QmfsGfsSlot* s = gfsFileSlot(handle);
    if (s == nullptr) return -1;
    return FsRead(buffer, count, (FsFile*)s->host);
}

static int gfsWrite(int handle, const void* buffer, int count) {
    QmfsGfsSlot* s = gfsFileSlot(handle);
    if (s == nullptr) return -1;
    int n = FsWrite(buffer, count, (FsFile*)s->host);
    if (n < count) return gfsHostFail();
    return n;
}

static int gfsSeek(int handle, int offset, int whence) {
    QmfsGfsSlot* s = gfsFileSlot(handle);
    if (s == nullptr) return -1;
    if (whence < 0 || whence > 2) return gfsFail(QMFS_ERR_BAD_ARGUMENT);
    return FsSeek((FsFile*)s->host, offset, whence) == 0 ? 0 : gfsHostFail();
}

static int gfsTell(int handle) {
    QmfsGfsSlot* s = gfsFileSlot(handle);
    if (s == nullptr) return -1;
    int pos = FsTell((FsFile*)s->host);
    return pos < 0 ? gfsHostFail() : pos;
}

static int gfsFlush(int handle) {
    QmfsGfsSlot* s = gfsFileSlot(handle);
    if (s == nullptr) return -1;
    return FsFlush((FsFile*)s->host) == 0 ? 0 : gfsHostFail();
}

static int gfsTruncate(int handle, int length) {
    QmfsGfsSlot* s = gfsFileSlot(handle);
    if (s == nullptr) return -1;
    return FsTruncate((FsFile*)s->host, length) == 0 ? 0 : gfsHostFail();
}

static int gfsFstat(int handle, QmfsStat* status) {
    QmfsGfsSlot* s = gfsSlot(handle);
    if (s == nullptr) return gfsFail(QMFS_ERR_BAD_HANDLE);
    gfsLastError = 0;
    if (gfsMap(s->path, gfsHostPath) < 0) return gfsFail(QMFS_ERR_BAD_URI);
    FsAttributes attrs;
    if (gfsAttributes(gfsHostPath, &attrs) != 0) return gfsHostFail();
    status->size = attrs.size;
    status->flags = 0;
    status->attributes = 0;
    return 0;
}

#define GFS_MAP_PATH(path, buf)                                      \
    if (gfsMap((path), (buf)) < 0) return gfsFail(QMFS_ERR_BAD_URI); \
    gfsLastError = 0

static int gfsRemove(const char* path) {
    GFS_MAP_PATH(path, gfsHostPath);
    return FsRemove(gfsHostPath) == 0 ? 0 : gfsHostFail();
}

static int gfsRename(const char* path, const char* newPath) {
    if (gfsMap(path, gfsHostPath) < 0 || gfsMap(newPath, gfsHostPath2) < 0) return gfsFail(QMFS_ERR_BAD_URI);
    gfsLastError = 0;
    return FsRename(gfsHostPath, gfsHostPath2) == 0 ? 0 : gfsHostFail();
}

QmfsOpenFn qmfs_gfs_connectorOpen(void) { return gfsOpen; }

int qmfs_gfs_replaceFile(const char* path, const void* data, int size) {
    GFS_MAP_PATH(path, gfsHostPath);
    return FsReplaceFile(gfsHostPath, data, size) == 0 ? 0 : gfsHostFail();
}

int qmfs_gfs_replace(const char* path, const char* targetPath) {
    if (gfsMap(path, gfsHostPath) < 0 || gfsMap(targetPath, gfsHostPath2) < 0) return gfsFail(QMFS_ERR_BAD_URI);
    gfsLastError = 0;
    return FsReplace(gfsHostPath, gfsHostPath2) == 0 ? 0 : gfsHostFail();
}

FsLock* qmfs_gfs_openLock(const char* path) {
    if (gfsMap(path, gfsHostPath) < 0) {
        gfsFail(QMFS_ERR_BAD_URI);
        return nullptr;
    }
    gfsLastError = 0;
    FsLock* lock = FsLockOpen(gfsHostPath);
    if (lock == nullptr) gfsHostFail();
    return lock;
}

static int gfsFreeSpace(const char* path) {
    GFS_MAP_PATH(path, gfsHostPath);
    uint32_t n = FsGetFreeSpace(gfsHostPath);
    return n > 0x7FFFFFFFu ? 0x7FFFFFFF : (int)n;
}

static int gfsStat(const char* path, QmfsStat* status) {
    GFS_MAP_PATH(path, gfsHostPath);
    FsAttributes attrs;
    if (gfsAttributes(gfsHostPath, &attrs) != 0) return gfsHostFail();
    status->size = attrs.size;
    status->flags = 0;
    status->attributes = FsIsDirectory(attrs.attributes) ? QMFS_ATTR_DIRECTORY : 0;
    return 0;
}

static int gfsMkdir(const char* path) {
    GFS_MAP_PATH(path, gfsHostPath);
    return FsMakeDir(gfsHostPath) == 0 ? 0 : gfsHostFail();
}

static int gfsRmdir(const char* path) {
    GFS_MAP_PATH(path, gfsHostPath);
    return FsRemoveDir(gfsHostPath) == 0 ? 0 : gfsHostFail();
}

static int gfsTruncateByPath(const char* path, int length) {
    GFS_MAP_PATH(path, gfsHostPath);
    return FsTruncateByPath(gfsHostPath, length) == 0 ? 0 : gfsHostFail();
}

static int gfsOpendir(const char* path) {
    int root = gfsMap(path, gfsHostPath);
    if (root == -1) return gfsFail(QMFS_ERR_BAD_URI);
    gfsLastError = 0;
    size_t len = strlen(path);
    // the stored path gets a '/' when it lacks one, and must still fit
    size_t stored = len + (root >= 0 && path[len - 1] != '/' ? 1 : 0);
    if (stored + 1 > QMFS_GFS_PATH) return gfsFail(QMFS_ERR_BAD_URI);
    FsDirListing* listing = nullptr;
    if (root >= 0) {
        listing = FsOpenDir(gfsHostPath);
        if (listing == nullptr) return gfsHostFail();
    }
    for (int i = 0; i < QMFS_GFS_SLOTS; i++) {
        QmfsGfsSlot* s = &gfsSlots[i];
        if (s->inUse) continue;
        s->inUse = 1;
        if (root == -2) {
            s->kind = GFS_KIND_ROOTS;
            s->host = nullptr;
            s->extra = 0;  // cursor
            s->path[0] = 0;
        } else {
            s->kind = GFS_KIND_DIR;
            s->host = listing;
            s->extra = (uint32_t)root;
            memcpy(s->path, path, len + 1);
            if (path[len - 1] != '/') {
                s->path[len] = '/';
                s->path[len + 1] = 0;
            }
        }
        return i;
    }
    if (listing != nullptr) FsCloseDir(listing);
    return gfsFail(QMFS_ERR_NO_HANDLE);
}

static QmfsDirEntry* gfsReaddir(int handle) {
    QmfsGfsSlot* s = gfsSlot(handle);
    if (s == nullptr || s->kind == GFS_KIND_FILE) {
        gfsLastError = QMFS_ERR_BAD_HANDLE;
        return nullptr;
    }
    gfsLastError = 0;
    if (s->kind == GFS_KIND_ROOTS) {
        while (s->extra < (uint32_t)gfsRootCount && gfsRoots[s->extra].nameLength == 0) s->extra++;
        if (s->extra >= (uint32_t)gfsRootCount) return nullptr;
        const QmfsGfsRoot* r = &gfsRoots[s->extra++];
        memcpy(gfsEntryName, "//", 2);
        memcpy(gfsEntryName + 2, r->name, r->nameLength + 1);
        gfsEntry.flags = 1;
        gfsEntry.attributes = 26;
        gfsEntry.size = 0;
        gfsEntry.name = gfsEntryName;
        return &gfsEntry;
    }
    const char* name;
    do {
        name = FsReadDir((FsDirListing*)s->host);
        if (name == nullptr) return nullptr;
    } while (strcmp(name, ".") == 0 || strcmp(name, "..") == 0);
    size_t plen = strlen(s->path), nlen = strlen(name);
    gfsEntry.flags = 0;
    gfsEntry.attributes = 0;
    gfsEntry.size = 0;
    gfsEntry.name = gfsEntryName;
    if (plen + nlen + 1 > sizeof gfsEntryName) {
        gfsEntryName[0] = 0;
        return &gfsEntry;
    }
    memcpy(gfsEntryName, s->path, plen);
    memcpy(gfsEntryName + plen, name, nlen + 1);
    FsAttributes attrs;
    if (gfsMap(gfsEntryName, gfsHostPath) >= 0 && FsGetAttributes(gfsHostPath, &attrs) == 0) {
        gfsEntry.attributes = FsIsDirectory(attrs.attributes) ? QMFS_ATTR_DIRECTORY : 0;
        gfsEntry.size = attrs.size;
    }
    return &gfsEntry;
}

static int gfsRewinddir(int handle) {
    QmfsGfsSlot* s = gfsSlot(handle);
    if (s == nullptr || s->kind == GFS_KIND_FILE) return gfsFail(QMFS_ERR_BAD_HANDLE);
    gfsLastError = 0;
    if (s->kind == GFS_KIND_ROOTS)
        s->extra = 0;
    else
        FsRewindDir((FsDirListing*)s->host);
    return 0;
}

static int gfsClosedir(int handle) { return gfsClose(handle); }

static int gfsFinalize(void) {
    for (int i = 0; i < QMFS_GFS_SLOTS; i++) {
        QmfsGfsSlot* s = &gfsSlots[i];
        if (!s->inUse) continue;
        if (s->kind == GFS_KIND_FILE && s->host != nullptr) FsClose((FsFile*)s->host);
        if (s->kind == GFS_KIND_DIR && s->host != nullptr) FsCloseDir((FsDirListing*)s->host);
    }
    memset(gfsSlots, 0, sizeof gfsSlots);
    return 0;
}

static int gfsGetLastError(void) { return gfsLastError; }

int qmfs_gfs_fill(QmfsConnector* record) {
    memset(record, 0, sizeof *record);
    strcpy(record->name, "General-File-System Connector");
    strcpy(record->scheme, "gfs");
    QmfsOps* o = &record->ops;
    o->open = gfsOpen;
    o->close = gfsClose;
    o->read = gfsRead;
    o->write = gfsWrite;
    o->seek = gfsSeek;
    o->tell = gfsTell;
    o->flush = gfsFlush;
    o->fstat = gfsFstat;
    o->truncate = gfsTruncate;
    o->remove = gfsRemove;
    o->rename = gfsRename;
    o->freeSpace = gfsFreeSpace;
    o->stat = gfsStat;
    o->mkdir = gfsMkdir;
    o->rmdir = gfsRmdir;
    o->truncateByPath = gfsTruncateByPath;
    o->opendir = gfsOpendir;
    o->readdir = gfsReaddir;
    o->closedir = gfsClosedir;
    o->rewinddir = gfsRewinddir;
    o->finalize = gfsFinalize;
    o->lastError = gfsGetLastError;
    gfsStart();
    return 0;
}
