// In-memory file connector.
#include "storage/qmfs_rom.h"

#include <string.h>

struct QmfsRomSlot {
    uint32_t inUse;
    const void* data;
    uint32_t size;
    uint32_t position;
    uint32_t isListing;
    const QmfsRomNode* node;
};

enum { ROM_COMPONENT = 32, ROM_ENTRY_NAME = 256 };

static const QmfsRomNode* romTree;
static const QmfsRomNode* romTreeOverride;
static QmfsRomNode romRegistered[QMFS_ROM_REGISTERED];
static int romRegisteredCount;
static QmfsRomSlot romSlots[QMFS_ROM_SLOTS];
static int romSlotCount;
static int romLastError;
static QmfsDirEntry romEntry;
static char romEntryName[ROM_ENTRY_NAME];

static int romFail(int code) {
    romLastError = code;
    return -1;
}

// Copies the next '/'-separated component of *p into out; 0 at the end of the path, -1
// for a component that does not fit (never found).
static int romNextComponent(const char** p, char* out) {
    const char* s = *p;
    while (*s == '/') s++;
    if (*s == 0) {
        *p = s;
        return 0;
    }
    const char* e = s;
    while (*e != 0 && *e != '/') e++;
    size_t n = (size_t)(e - s);
    *p = e;
    if (n >= ROM_COMPONENT) return -1;
    memcpy(out, s, n);
    out[n] = 0;
    return 1;
}

static const QmfsRomNode* romFind(const char* path) {
    if (path == nullptr) return nullptr;
    char comp[ROM_COMPONENT];
    const char* p = path;
    int r = romNextComponent(&p, comp);
    if (r < 0) return nullptr;
    if (r == 0) return romTree;  // the root folder (null without a tree)
    char first[ROM_COMPONENT];
    memcpy(first, comp, sizeof comp);
    if (romTree != nullptr) {
        const QmfsRomNode* dir = &romTree[0];
        for (;;) {
            const QmfsRomNode* found = nullptr;
            if (dir->isDirectory) {
                for (int32_t c = dir->firstChild; c >= 0; c = romTree[c].nextSibling) {
                    if (romTree[c].name != nullptr && strcmp(romTree[c].name, comp) == 0) {
                        found = &romTree[c];
                        break;
                    }
                }
            }
            if (found == nullptr) break;
            r = romNextComponent(&p, comp);
            if (r == 0) return found;
            if (r < 0) break;
            dir = found;
        }
    }
    for (int i = 0; i < QMFS_ROM_REGISTERED; i++)
        if (romRegistered[i].name != nullptr && strcmp(romRegistered[i].name, first) == 0) return &romRegistered[i];
    return nullptr;
}

static int romTakeSlot(const QmfsRomNode* node, int listing) {
    for (int i = 0; i < QMFS_ROM_SLOTS; i++) {
        QmfsRomSlot* s = &romSlots[i];
        if (s->inUse) continue;
        s->inUse = 1;
        s->data = node->data;
        s->size = node->size;
        s->position = 0;
        s->isListing = (uint32_t)listing;
        s->node = node;
        romSlotCount++;
        return i;
    }
    return romFail(QMFS_ERR_SLOTS_FULL);
}

static int romOpen(const char* path, const QmfsMode* mode) {
    romLastError = 0;
    const QmfsRomNode* node = romFind(path);
    if (node == nullptr || node->isDirectory) return romFail(QMFS_ERR_BAD_URI);
    return romTakeSlot(node, 0);
}

static int romOpendir(const char* path) {
    romLastError = 0;
    const QmfsRomNode* node = romFind(path);
    if (node == nullptr) return romFail(QMFS_ERR_BAD_URI);
    if (!node->isDirectory) return romFail(QMFS_ERR_NOT_DIRECTORY);
    return romTakeSlot(node, 1);
}

static QmfsRomSlot* romSlot(int handle) {
    if ((uint32_t)handle >= QMFS_ROM_SLOTS) return nullptr;
    QmfsRomSlot* s = &romSlots[handle];
    if (!s->inUse) return nullptr;
    if (!s->isListing && s->data == nullptr) return nullptr;
    return s;
}

static QmfsRomSlot* romFileSlot(int handle) {
    QmfsRomSlot* s = romSlot(handle);
    if (s == nullptr || s->isListing) {
        romLastError = QMFS_ERR_BAD_HANDLE;
        return nullptr;
    }
    romLastError = 0;
    return s;
}

static int romClose(int handle) {
    QmfsRomSlot* s = romSlot(handle);
    if (s == nullptr) return romFail(QMFS_ERR_BAD_HANDLE);
    romLastError = 0;
    memset(s, 0, sizeof *s);
    romSlotCount--;
    return 0;
}

static int romRead(int handle, void* buffer, int count) {
    QmfsRomSlot* s = romFileSlot(handle);
    if (s == nullptr) return -1;
    if (count < 0) return romFail(QMFS_ERR_BAD_ARGUMENT);
    if (s->position >= s->size) {
        romLastError = QMFS_ERR_READ_PAST_END;
        return 0;
    }
    uint32_t n = s->size - s->position;
    if (n > (uint32_t)count) n = (uint32_t)count;
    memcpy(buffer, (const uint8_t*)s->data + s->position, n);
    s->position += n;
    return (int)n;
}

static int romSeek(int handle, int offset, int whence) {
    QmfsRomSlot* s = romFileSlot(handle);
    if (s == nullptr) return -1;
    uint32_t pos;
    if (whence == 0)
        pos = (uint32_t)offset;
    else if (whence == 1)
        pos = s->position + (uint32_t)offset;
    else if (whence == 2)
        pos = s->size + (uint32_t)offset;
    else
        return romFail(QMFS_ERR_BAD_ARGUMENT);
    s->position = pos > s->size ? s->size : pos;
    return 0;
}

static int romTell(int handle) {
    QmfsRomSlot* s = romFileSlot(handle);
    return s == nullptr ? -1 : (int)s->position;
}

static void romFillStat(const QmfsRomNode* node, QmfsStat* status) {
    status->size = node->size;
    status->flags = 8;
    status->attributes = node->isDirectory ? QMFS_ATTR_DIRECTORY : 0;
}

static int romFstat(int handle, QmfsStat* status) {
    QmfsRomSlot* s = romSlot(handle);
    if (s == nullptr) return romFail(QMFS_ERR_BAD_HANDLE);
    romLastError = 0;
    romFillStat(s->node, status);
    return 0;
}

static int romStat(const char* path, QmfsStat* status) {
    romLastError = 0;
    const QmfsRomNode* node = romFind(path);
    if (node == nullptr) return romFail(QMFS_ERR_BAD_URI);
    romFillStat(node, status);
    return 0;
}

// Appends text to the entry name; false when it does not fit.
static bool romAppend(size_t* at, const char* text) {
    size_t n = strlen(text);
    if (*at + n + 1 > sizeof romEntryName) return false;
    memcpy(romEntryName + *at, text, n + 1);
    *at += n;
    return true;
}

static QmfsDirEntry* romReaddir(int handle) {
    QmfsRomSlot* s = romSlot(handle);
    if (s == nullptr || !s->isListing) {
        romLastError = QMFS_ERR_BAD_HANDLE;
        return nullptr;
    }
    romLastError = 0;
    const QmfsRomNode* dir = s->node;
    if (romTree == nullptr || dir < romTree) return nullptr;
    int32_t child = dir->firstChild;
    for (uint32_t skip = s->position; child >= 0 && skip > 0; skip--) child = romTree[child].nextSibling;
    if (child < 0) return nullptr;
    const QmfsRomNode* c = &romTree[child];
    // ancestors below the root, outermost first
    int32_t chain[16];
    int depth = 0;
    for (int32_t a = (int32_t)(dir - romTree); a > 0 && depth < 16; a = romTree[a].parent) chain[depth++] = a;
    size_t at = 0;
    romEntryName[0] = 0;
    bool ok = romAppend(&at, "//");
    for (int i = depth - 1; ok && i >= 0; i--) ok = romAppend(&at, romTree[chain[i]].name) && romAppend(&at, "/");
    if (ok) ok = romAppend(&at, c->name);
    if (!ok) romEntryName[0] = 0;
    romEntry.flags = 0;
    romEntry.attributes = c->isDirectory ? QMFS_ATTR_DIRECTORY : 0;
    romEntry.size = c->isDirectory ? 0 : c->size;
    romEntry.name = romEntryName;
    s->position++;
    return &romEntry;
}

static int romRewinddir(int handle) {
    QmfsRomSlot* s = romSlot(handle);
    if (s == nullptr || !s->isListing) return romFail(QMFS_ERR_BAD_HANDLE);
    romLastError = 0;
    s->position = 0;
    return 0;
}

static int romUnsupported() { return romFail(QMFS_ERR_UNSUPPORTED); }
static int romWrite(int, const void*, int) { return romUnsupported(); }
static int romHandleOp(int) { return romUnsupported(); }
static int romHandleLength(int, int) { return romUnsupported(); }
static int romPathOp(const char*) { return romUnsupported(); }
static int romPathPair(const char*, const char*) { return romUnsupported(); }
static int romPathLength(const char*, int) { return romUnsupported(); }

static int romFinalize(void) {
    romTree = nullptr;
    for (int i = 0; i < QMFS_ROM_SLOTS; i++) {
        QmfsRomSlot* s = &romSlots[i];
        if (!s->inUse) continue;
        if (!s->isListing && s->data == nullptr) {
            romLastError = QMFS_ERR_BAD_HANDLE;
            continue;
        }
        memset(s, 0, sizeof *s);
        romSlotCount--;
    }
    return 0;
}

static int romGetLastError(void) { return romLastError; }

int qmfs_rom_fill(QmfsConnector* record) {
    memset(record, 0, sizeof *record);
    strcpy(record->name, "ROM-Files Connector");
    strcpy(record->scheme, "rom");
    QmfsOps* o = &record->ops;
    o->open = romOpen;
    o->close = romClose;
    o->read = romRead;
    o->write = romWrite;
    o->seek = romSeek;
    o->tell = romTell;
    o->flush = romHandleOp;
    o->fstat = romFstat;
    o->truncate = romHandleLength;
    o->remove = romPathOp;
    o->rename = romPathPair;
    o->freeSpace = romPathOp;
    o->stat = romStat;
    o->mkdir = romPathOp;
    o->rmdir = romPathOp;
    o->truncateByPath = romPathLength;
    o->opendir = romOpendir;
    o->readdir = romReaddir;
    o->closedir = romClose;
    o->rewinddir = romRewinddir;
    o->finalize = romFinalize;
    o->lastError = romGetLastError;
    memset(romSlots, 0, sizeof romSlots);
    romSlotCount = 0;
    memset(romRegistered, 0, sizeof romRegistered);
    romRegisteredCount = 0;
    romLastError = 0;
    romTree = romTreeOverride != nullptr ? romTreeOverride : GfsGetRomDescriptor();
    return 0;
}

void qmfs_rom_setTree(const QmfsRomNode* nodes) { romTreeOverride = nodes; }

int qmfs_rom_registerFile(const char* name, const void* data, uint32_t size) {
    if (name == nullptr) return romFail(QMFS_ERR_BAD_ARGUMENT);
    romLastError = 0;
    int freeEntry = -1;
    for (int i = 0; i < QMFS_ROM_REGISTERED; i++) {
        QmfsRomNode* n = &romRegistered[i];
        if (n->name == nullptr) {
            if (freeEntry < 0) freeEntry = i;
        } else if (strcmp(n->name, name) == 0) {
            n->data = data;
            n->size = size;
            return 0;
        }
    }
    if (freeEntry < 0) return romFail(QMFS_ERR_REGISTRY_FULL);
    QmfsRomNode* n = &romRegistered[freeEntry];
    n->name = name;
    n->data = data;
    n->size = size;
    n->parent = n->firstChild = n->nextSibling = -1;
    n->isDirectory = 0;
    romRegisteredCount++;
    return 0;
}

int qmfs_rom_unregisterFile(const char* name) {
    if (name != nullptr) {
        for (int i = 0; i < QMFS_ROM_REGISTERED; i++) {
            QmfsRomNode* n = &romRegistered[i];
            if (n->name != nullptr && strcmp(n->name, name) == 0) {
                memset(n, 0, sizeof *n);
                romRegisteredCount--;
                romLastError = 0;
                return 0;
            }
        }
    }
    return romFail(QMFS_ERR_BAD_URI);
}

const void* qmfs_rom_getFileDataPointer(const char* uri, uint32_t* size) {
    if (uri == nullptr || strncmp(uri, "rom://", 6) != 0) {
        qmfs_trace(3, "qmfs2_rom", "qmfs_rom_getFileDataPointer", "not a vaild URI for ROM connector");
        return nullptr;
    }
    const QmfsRomNode* node = romFind(uri + 6);
    if (node == nullptr || node->isDirectory) {
        romLastError = QMFS_ERR_BAD_URI;
        return nullptr;
    }
    romLastError = 0;
    if (size != nullptr) *size = node->size;
    return node->data;
}
