// Field codec and suite index.
//
// Both programs change the same index file. Every change takes the store lock (a lock
// file beside the index), reloads the header and the page it touches, changes them and
// writes them through before it unlocks: first the changed slots (each lies in one disk
// sector, so a torn write leaves it old or new), flushed, then the header, flushed. A
// crash between the two leaves a header that undercounts or overcounts its slots, which
// the store's start repairs. The lock file's word counts the changes, so that a cache
// that another process made stale is reloaded.
#include "storage/qmms_index.h"

#include "platform/fs.h"
#include "storage/qmfs.h"
#include "storage/qmfs_rom.h"
#include "storage/qmms_category.h"
#include "storage/qmms_suitefiles.h"

#include <stddef.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

const char QMMS_INDEX_FILE[] = "gfs://java/suites.idx";
static const char INDEX_LOCK_FILE[] = "gfs://java/suites.idx.lock";

static uint8_t idxHeader[QMMS_INDEX_HEADER];
static uint8_t idxPage[QMMS_INDEX_PAGE];
static int idxCachedPage = -1;
static uint16_t idxDirtySlots;  // slots of the cached page changed and not yet written
static int idxNewPage;          // the cached page is not in the file yet: all of it goes out
static int idxHeaderDirty;
static uint32_t idxGeneration;  // the lock word when the cache was loaded
static int qmmsStatus;

static FsLock* idxLock;
static long idxLockPid;
static int idxLockDepth;
static int idxLockHeld;

int qmms_lastStatus(void) { return qmmsStatus; }
void qmms_setStatus(int status) { qmmsStatus = status; }

static int qmmsFail(int status) {
    qmmsStatus = status;
    return -1;
}

int qmms_lockStore(void) {
    if (idxLockDepth++ > 0) return 0;
    // a child process does not share its parent's lock
    if (idxLock != nullptr && idxLockPid != (long)getpid()) qmms_closeStoreLock();
    if (idxLock == nullptr) {
        idxLock = qmfs_openLock(INDEX_LOCK_FILE);
        idxLockPid = (long)getpid();
    }
    idxLockHeld = idxLock != nullptr && FsLockTake(idxLock, 1) == 0;
    return idxLockHeld ? 0 : -1;
}

void qmms_unlockStore(void) {
    if (idxLockDepth == 0 || --idxLockDepth > 0) return;
    if (idxLockHeld) FsLockRelease(idxLock);
    idxLockHeld = 0;
}

void qmms_closeStoreLock(void) {
    if (idxLockHeld) FsLockRelease(idxLock);
    FsLockClose(idxLock);
    idxLock = nullptr;
    idxLockHeld = 0;
    idxLockDepth = 0;
}

static uint32_t lockWord(void) {
    uint32_t g = 0;
    if (idxLockHeld) FsLockReadWord(idxLock, &g);
    return g;
}

// Tells the other processes that the index changed; under the lock.
static void idxTellChanged(void) {
    if (!idxLockHeld) return;
    idxGeneration = lockWord() + 1;
    FsLockWriteWord(idxLock, idxGeneration);
}

void qmms_indexChanged(void) {
    qmms_lockStore();
    idxTellChanged();
    idxCachedPage = -1;
    idxDirtySlots = 0;
    idxNewPage = idxHeaderDirty = 0;
    qmms_unlockStore();
}

static int fieldSize(int kind, int length) {
    switch (kind) {
        case QMMS_FIELD_BOOL:
        case QMMS_FIELD_U8:
            return 1;
        case QMMS_FIELD_U16:
            return 2;
        case QMMS_FIELD_U32:
            return 4;
        default:
            return length;
    }
}

static int fieldFits(int bufferLength, int offset, int kind, int length) {
    if (offset < 0 || bufferLength < 0) return 0;
    if (kind == QMMS_FIELD_BOOL) return offset < bufferLength;
    int size = fieldSize(kind, length);
    if (size < 0) return 0;
    return (int64_t)offset + size <= bufferLength;
}

int qmms_copyRecordOut(const void* buffer, int bufferLength, int offset, int kind, void* destination, int length) {
    if ((unsigned)kind > QMMS_FIELD_BYTES) return -2;
    if (!fieldFits(bufferLength, offset, kind, length)) return -1;
    const uint8_t* src = (const uint8_t*)buffer + offset;
    if (kind == QMMS_FIELD_BOOL) {
        uint32_t v = src[0] == 1 ? 1 : 0;
        memcpy(destination, &v, 4);
        return offset + 1;
    }
    int size = fieldSize(kind, length);
    memcpy(destination, src, (size_t)size);
    return offset + size;
}

int qmms_copyRecordIn(void* buffer, int bufferLength, int offset, int kind, const void* source, int length) {
    if ((unsigned)kind > QMMS_FIELD_BYTES) return -2;
    if (!fieldFits(bufferLength, offset, kind, length)) return -1;
    uint8_t* dst = (uint8_t*)buffer + offset;
    if (kind == QMMS_FIELD_BOOL) {
        uint32_t v;
        memcpy(&v, source, 4);
        dst[0] = v == 1 ? 1 : 0;
        return offset + 1;
    }
    int size = fieldSize(kind, length);
    memcpy(dst, source, (size_t)size);
    return offset + size;
}

static uint16_t hdrGet(int offset) { return (uint16_t)(idxHeader[offset] | idxHeader[offset + 1] << 8); }

static void hdrSet(int offset, uint16_t v) {
    idxHeader[offset] = (uint8_t)v;
    idxHeader[offset + 1] = (uint8_t)(v >> 8);
}

static uint8_t* slotBytes(int slot) { return idxPage + slot * QMMS_INDEX_SLOT; }

// The number of continuation bytes a UTF-8 lead byte announces; -1 for a byte that leads
// none.
static int utf8Continuations(uint8_t c) {
    if (c < 0x80) return 0;
    if (c >= 0xC2 && c <= 0xDF) return 1;
    if (c >= 0xE0 && c <= 0xEF) return 2;
    if (c >= 0xF0 && c <= 0xF4) return 3;
    return -1;
}

// Checks of single slot fields: whether the bytes at `at` (`length` of them for texts)
// can be what the store wrote.
static bool saneText(const uint8_t* at, int length) {
    int n = 0;
    while (n < length && at[n] != 0) n++;
    if (n == 0 || n == length) return false;
    for (int i = 0; i < n;) {
        uint8_t c = at[i];
        int more = utf8Continuations(c);
        if (more < 0 || c < 0x20 || c == 0x7F || i + more >= n) return false;
        for (int k = 1; k <= more; k++)
            if ((at[i + k] & 0xC0) != 0x80) return false;
        i += 1 + more;
    }
    return true;
}

static bool saneVersion(const uint8_t* at, int length) {
    if (!saneText(at, length)) return false;
    // digits in groups parted by single dots
    bool digitBefore = false;
    for (const uint8_t* p = at; *p != 0; p++) {
        if (*p == '.' && digitBefore) {
            digitBefore = false;
        } else if (*p >= '0' && *p <= '9') {
            digitBefore = true;
        } else {
            return false;
        }
    }
    return digitBefore;
}

static const char SUITE_DIRECTORY[] = "gfs://java/";

static bool saneDirectory(const uint8_t* at, int length) {
    return saneText(at, length) && strcmp((const char*)at, SUITE_DIRECTORY) == 0;
}

static int idxDomainCount = 128;  // the built-in domain list's, read at each check

static bool saneDomain(const uint8_t* at, int) { return *at < idxDomainCount; }
static bool saneCategory(const uint8_t* at, int) { return *at < QMMS_CATEGORY_SLOTS; }
static bool saneBool(const uint8_t* at, int) { return *at <= 1; }
static bool saneMidlets(const uint8_t* at, int) { return *at >= 1 && *at <= QMMS_MAX_MIDLETS; }
// any size can be written; the JAR file tells whether it is the suite's
static bool anyWord(const uint8_t*, int) { return true; }

// Where each field of a suite's information lies in its index slot, and how the start
// checks it: reading, writing and checking a slot follow this one layout.
struct SuiteSlotField {
    int slotOffset;
    int kind;
    size_t infoOffset;
    int length;
    unsigned damage;
    const char* label;
    bool (*sane)(const uint8_t* at, int length);
};
static const SuiteSlotField suiteSlotFields[] = {
    {QMMS_SLOT_NAME, QMMS_FIELD_BYTES, offsetof(QmmsSuiteInfo, name), 64, QMMS_DAMAGE_NAME, "name", saneText},
    {QMMS_SLOT_VENDOR, QMMS_FIELD_BYTES, offsetof(QmmsSuiteInfo, vendor), 64, QMMS_DAMAGE_VENDOR, "vendor", saneText},
    {QMMS_SLOT_VERSION, QMMS_FIELD_BYTES, offsetof(QmmsSuiteInfo, version), 16, QMMS_DAMAGE_VERSION, "version",
     saneVersion},
    {QMMS_SLOT_DIRECTORY, QMMS_FIELD_BYTES, offsetof(QmmsSuiteInfo, directory), 64, QMMS_DAMAGE_DIRECTORY, "directory",
     saneDirectory},
    {QMMS_SLOT_DOMAIN, QMMS_FIELD_U8, offsetof(QmmsSuiteInfo, domain), 0, QMMS_DAMAGE_DOMAIN, "domain", saneDomain},
    {QMMS_SLOT_CATEGORY, QMMS_FIELD_U8, offsetof(QmmsSuiteInfo, category), 0, QMMS_DAMAGE_CATEGORY, "category",
     saneCategory},
    {QMMS_SLOT_JAR_SIZE, QMMS_FIELD_U32, offsetof(QmmsSuiteInfo, jarSize), 0, QMMS_DAMAGE_JAR_SIZE, "JAR size",
     anyWord},
    {QMMS_SLOT_PREINSTALLED, QMMS_FIELD_BOOL, offsetof(QmmsSuiteInfo, preinstalled), 0, QMMS_DAMAGE_PREINSTALLED,
     "preinstalled flag", saneBool},
    {QMMS_SLOT_SECOND_FLAG, QMMS_FIELD_BOOL, offsetof(QmmsSuiteInfo, secondFlag), 0, QMMS_DAMAGE_SECOND_FLAG,
     "second flag", saneBool},
    {QMMS_SLOT_MIDLETS, QMMS_FIELD_U8, offsetof(QmmsSuiteInfo, midletCount), 0, QMMS_DAMAGE_MIDLETS, "MIDlet count",
     saneMidlets},
};

static int pagesOf(int fileSize) {
    if (fileSize <= QMMS_INDEX_HEADER) return 0;
    return (fileSize - QMMS_INDEX_HEADER + QMMS_INDEX_PAGE - 1) / QMMS_INDEX_PAGE;
}

// Reads the header and, when body is not null, page `page` of the index file. A header
// that counts more pages than the file holds is trusted only as far as the file goes (a
// page the file holds in part reads with its missing slots free); one that counts no page
// takes the file's. 0, or -1 with status 256.
static int idxReadFile(uint8_t* header, int page, uint8_t* body, int* filePagesOut) {
    QmfsMode mode = QmfsReadExisting;
    int h = qmfs_open(QMMS_INDEX_FILE, &mode);
    if (h < 0) return qmmsFail(QMMS_STATUS_FILE_ERROR);
    QmfsStat st;
    bool ok = qmfs_read(h, header, QMMS_INDEX_HEADER) == QMMS_INDEX_HEADER && qmfs_fstat(h, &st) == 0;
    int filePages = ok ? pagesOf((int)st.size) : 0;
    int pages = header[QMMS_HDR_PAGES] | header[QMMS_HDR_PAGES + 1] << 8;
    if (pages > filePages || pages == 0) pages = filePages;
    header[QMMS_HDR_PAGES] = (uint8_t)pages;
    header[QMMS_HDR_PAGES + 1] = (uint8_t)(pages >> 8);
    if (ok && body != nullptr) {
        ok = page >= 0 && page < pages && qmfs_seek(h, QMMS_INDEX_HEADER + page * QMMS_INDEX_PAGE, 0) == 0;
        int got = ok ? qmfs_read(h, body, QMMS_INDEX_PAGE) : -1;
        ok = got >= 0;
        if (ok) memset(body + got, 0, (size_t)(QMMS_INDEX_PAGE - got));
    }
    qmfs_close(h);
    if (!ok) return qmmsFail(QMMS_STATUS_FILE_ERROR);
    if (filePagesOut != nullptr) *filePagesOut = filePages;
    return 0;
}

// Loads page `page` and the header fresh from the file; a failure leaves the cache as it
// was.
static int idxLoad(int page) {
    static uint8_t header[QMMS_INDEX_HEADER];
    static uint8_t body[QMMS_INDEX_PAGE];
    qmms_lockStore();
    int r = idxReadFile(header, page, body, nullptr);
    uint32_t g = lockWord();
    qmms_unlockStore();
    if (r != 0) return -1;
    memcpy(idxHeader, header, sizeof header);
    memcpy(idxPage, body, sizeof body);
    idxCachedPage = page;
    idxDirtySlots = 0;
    idxNewPage = idxHeaderDirty = 0;
    idxGeneration = g;
    return 0;
}

// Drops a cache that another process made stale; under the lock.
static int idxRefresh(void) {
    if (idxCachedPage < 0) return idxLoad(0);
    if (idxDirtySlots != 0 || idxNewPage || idxHeaderDirty || !idxLockHeld) return 0;
    if (lockWord() == idxGeneration) return 0;
    return idxLoad(idxCachedPage);
}

// Writes the cached changes through: the changed slots (or the whole page when it is new),
// flushed, then the header, flushed. On failure the cache is dropped, so that it holds
// what the file holds.
static int idxWriteBack(void) {
    if (idxCachedPage < 0) return qmmsFail(QMMS_STATUS_FILE_ERROR);
    if (idxDirtySlots == 0 && !idxNewPage && !idxHeaderDirty) return 0;
    qmms_lockStore();
    idxTellChanged();
    QmfsMode mode = QmfsWriteExisting;
    int h = qmfs_open(QMMS_INDEX_FILE, &mode);
    bool ok = h >= 0;
    int pageAt = QMMS_INDEX_HEADER + idxCachedPage * QMMS_INDEX_PAGE;
    if (ok && idxNewPage) {
        ok = qmfs_seek(h, pageAt, 0) == 0 && qmfs_write(h, idxPage, QMMS_INDEX_PAGE) == QMMS_INDEX_PAGE;
    } else {
        for (int s = 0; ok && s < QMMS_INDEX_SLOTS; s++) {
            if (!(idxDirtySlots & (1u << s))) continue;
            ok = qmfs_seek(h, pageAt + s * QMMS_INDEX_SLOT, 0) == 0 &&
                 qmfs_write(h, idxPage + s * QMMS_INDEX_SLOT, QMMS_INDEX_SLOT) == QMMS_INDEX_SLOT;
        }
    }
    ok = ok && qmfs_flush(h) == 0;
    // an unchanged header stays as the file holds it: the cached one may be older
    if (idxHeaderDirty) {
        ok = ok && qmfs_seek(h, 0, 0) == 0 && qmfs_write(h, idxHeader, QMMS_INDEX_HEADER) == QMMS_INDEX_HEADER;
        ok = ok && qmfs_flush(h) == 0;
    }
    if (h >= 0) qmfs_close(h);
    qmms_unlockStore();
    if (!ok) {
        idxCachedPage = -1;
        idxDirtySlots = 0;
        idxNewPage = idxHeaderDirty = 0;
        return qmmsFail(QMMS_STATUS_FILE_ERROR);
    }
    idxDirtySlots = 0;
    idxNewPage = idxHeaderDirty = 0;
    return 0;
}

// Makes the page after the last one the cached page: its slots free, counted in the header.
static int idxAppendPage(void) {
    int pages = hdrGet(QMMS_HDR_PAGES);
    if (pages >= 0xFFFF) return qmmsFail(QMMS_STATUS_FILE_ERROR);
    for (int s = 0; s < QMMS_INDEX_SLOTS; s++) slotBytes(s)[QMMS_SLOT_USED] = 0;
    hdrSet(QMMS_HDR_PAGES, (uint16_t)(pages + 1));
    idxCachedPage = pages;
    idxNewPage = 1;
    idxHeaderDirty = 1;
    return 0;
}

int qmms_loadIndexPage(int page) {
    if (idxCachedPage >= 0) {
        if (page == idxCachedPage) return 0;
        // changes of the cached page are written, never dropped, when another page comes in
        if (idxWriteBack() != 0) return -1;
        int pages = hdrGet(QMMS_HDR_PAGES);
        if (page < 0 || page > pages) return qmmsFail(QMMS_STATUS_FILE_ERROR);
        if (page == pages) return idxAppendPage();
    }
    if (page < 0) return qmmsFail(QMMS_STATUS_FILE_ERROR);
    return idxLoad(page);
}

int qmms_flushIndexPage(void) {
    if (idxCachedPage < 0) return qmmsFail(QMMS_STATUS_FILE_ERROR);
    if (idxWriteBack() != 0) return -1;
    idxCachedPage = -1;
    return 0;
}

// Makes page the cached one, writing the current page's changes first. Reading never
// makes a new page: a page beyond the last fails with status 256.
static int switchToPage(int page) {
    if (idxCachedPage == page) return 0;
    if (idxCachedPage >= 0 && idxWriteBack() != 0) return -1;
    return idxLoad(page);
}

int qmms_openIndex(void) {
    idxDirtySlots = 0;
    idxNewPage = idxHeaderDirty = 0;
    idxCachedPage = -1;
    return qmms_loadIndexPage(0);
}

int qmms_closeIndex(int commit) {
    if (commit == 1 && idxCachedPage >= 0) return qmms_flushIndexPage();
    idxCachedPage = -1;
    idxDirtySlots = 0;
    idxNewPage = idxHeaderDirty = 0;
    return 0;
}

static void decodeSlot(const uint8_t* s, QmmsSuiteInfo* info) {
    info->domain = info->category = info->jarSize = info->midletCount = 0;
    for (const SuiteSlotField& f : suiteSlotFields)
        qmms_copyRecordOut(s, QMMS_INDEX_SLOT, f.slotOffset, f.kind, (uint8_t*)info + f.infoOffset, f.length);
    // texts from the file are NUL-terminated within their fields
    info->name[63] = info->vendor[63] = info->version[15] = info->directory[63] = 0;
}

int qmms_readSuiteSlot(int slot, QmmsSuiteInfo* info) {
    if ((unsigned)slot >= QMMS_INDEX_SLOTS || info == nullptr) return -1;
    decodeSlot(slotBytes(slot), info);
    return 0;
}

int qmms_writeSuiteSlot(int slot, const QmmsSuiteInfo* info) {
    if ((unsigned)slot >= QMMS_INDEX_SLOTS || info == nullptr) return -1;
    uint8_t* s = slotBytes(slot);
    const int n = QMMS_INDEX_SLOT;
    for (const SuiteSlotField& f : suiteSlotFields)
        qmms_copyRecordIn(s, n, f.slotOffset, f.kind, (const uint8_t*)info + f.infoOffset, f.length);
    idxDirtySlots |= (uint16_t)(1u << slot);
    return 0;
}

static int slotUsed(int slot) { return slotBytes(slot)[QMMS_SLOT_USED] == 1; }

// Runs a reading operation under the store lock on a fresh cache.
#define IDX_READ_BEGIN()     \
    qmms_lockStore();        \
    if (idxRefresh() != 0) { \
        qmms_unlockStore();  \
        return -1;           \
    }

static int countIn(int category) {
    if (category == -1) return hdrGet(QMMS_HDR_SUITES);
    int pages = hdrGet(QMMS_HDR_PAGES);
    int count = 0;
    for (int p = 0; p < pages; p++) {
        if (switchToPage(p) != 0) return -1;
        for (int s = 0; s < QMMS_INDEX_SLOTS; s++)
            if (slotUsed(s) && slotBytes(s)[QMMS_SLOT_CATEGORY] == (uint8_t)category) count++;
    }
    return count;
}

int qmms_countSuites(int category) {
    IDX_READ_BEGIN();
    int r = countIn(category);
    qmms_unlockStore();
    return r;
}

static int listIn(QmmsSuiteInfo* array, int category, int max) {
    int pages = hdrGet(QMMS_HDR_PAGES);
    int n = 0;
    for (int p = 0; p < pages && n < max; p++) {
        if (switchToPage(p) != 0) return -1;
        for (int s = 0; s < QMMS_INDEX_SLOTS && n < max; s++) {
            if (!slotUsed(s)) continue;
            if (category != -1 && slotBytes(s)[QMMS_SLOT_CATEGORY] != (uint8_t)category) continue;
            qmms_readSuiteSlot(s, &array[n]);
            array[n].suiteId = (uint32_t)(p * QMMS_INDEX_SLOTS + s);
            n++;
        }
    }
    return n;
}

int qmms_listSuitesBounded(QmmsSuiteInfo* array, int category, int max) {
    if (array == nullptr) return -1;
    IDX_READ_BEGIN();
    int n = listIn(array, category, max);
    qmms_unlockStore();
    return n;
}

int qmms_listSuites(QmmsSuiteInfo* array, int category) {
    return qmms_listSuitesBounded(array, category, 0x7FFFFFFF) < 0 ? -1 : 0;
}

int qmms_countAndList(QmmsSuiteInfo* array, int category) {
    if (array == nullptr) return -1;
    IDX_READ_BEGIN();
    int count = countIn(category);
    int n = count < 0 ? -1 : listIn(array, category, count);
    qmms_unlockStore();
    if (n < 0) return -1;
    if (n != count) {
        // the header counts slots the pages lack: a crash between a slot and its header
        qmms_repairIndex(nullptr);
        return qmmsFail(QMMS_STATUS_FILE_ERROR);
    }
    return n;
}

int qmms_readSuiteInfo(int id, QmmsSuiteInfo* info) {
    if (id < 0 || info == nullptr) return qmmsFail(QMMS_STATUS_UNKNOWN_SUITE);
    IDX_READ_BEGIN();
    int r = switchToPage(id / QMMS_INDEX_SLOTS);
    int slot = id % QMMS_INDEX_SLOTS;
    if (r == 0 && !slotUsed(slot)) r = qmmsFail(QMMS_STATUS_UNKNOWN_SUITE);
    if (r == 0) {
        qmms_readSuiteSlot(slot, info);
        info->suiteId = (uint32_t)id;
    }
    qmms_unlockStore();
    return r;
}

static int slotMatches(int slot, const char* name, const char* vendor) {
    const uint8_t* s = slotBytes(slot);
    return slotUsed(slot) && strncmp((const char*)s + QMMS_SLOT_NAME, name, 64) == 0 &&
           strncmp((const char*)s + QMMS_SLOT_VENDOR, vendor, 64) == 0;
}

static int findIn(const char* name, const char* vendor) {
    for (int s = 0; s < QMMS_INDEX_SLOTS; s++)
        if (slotMatches(s, name, vendor)) return idxCachedPage * QMMS_INDEX_SLOTS + s;
    int pages = hdrGet(QMMS_HDR_PAGES);
    for (int p = 0; p < pages; p++) {
        if (switchToPage(p) != 0) return -1;
        for (int s = 0; s < QMMS_INDEX_SLOTS; s++)
            if (slotMatches(s, name, vendor)) return p * QMMS_INDEX_SLOTS + s;
    }
    return qmmsFail(QMMS_STATUS_UNKNOWN_SUITE);
}

int qmms_findSuite(const char* name, const char* vendor) {
    if (name == nullptr || vendor == nullptr) return qmmsFail(QMMS_STATUS_UNKNOWN_SUITE);
    IDX_READ_BEGIN();
    int r = findIn(name, vendor);
    qmms_unlockStore();
    return r;
}

static int firstFreeSlot(void) {
    for (int s = 0; s < QMMS_INDEX_SLOTS; s++)
        if (slotBytes(s)[QMMS_SLOT_USED] == 0) return s;
    return -1;
}

// Starts a change of page `page`: the lock taken, the cache's own changes written, the
// header and the page fresh from the file. -1 (lock released) on failure.
static int idxBeginChange(int page) {
    qmms_lockStore();
    if ((idxCachedPage >= 0 && idxWriteBack() != 0) || idxLoad(page) != 0) {
        qmms_unlockStore();
        return -1;
    }
    return 0;
}

static int idxEndChange(void) {
    int r = idxWriteBack();
    qmms_unlockStore();
    return r;
}

int qmms_addSuite(const QmmsSuiteInfo* info, int* idOut) {
    if (info == nullptr) return qmmsFail(QMMS_STATUS_FILE_ERROR);
    int start = idxCachedPage >= 0 ? idxCachedPage : 0;
    // a cached page that the file no longer holds whole must not block every later install
    if (idxBeginChange(start) != 0 && (start == 0 || idxBeginChange(0) != 0)) return -1;
    int slot = firstFreeSlot();
    if (slot < 0) {
        int pages = hdrGet(QMMS_HDR_PAGES);
        for (int p = 0; p <= pages && slot < 0; p++) {
            int r = p == pages ? idxAppendPage() : switchToPage(p);
            if (r != 0) {
                qmms_unlockStore();
                return -1;
            }
            slot = firstFreeSlot();
        }
        if (slot < 0) {
            qmms_unlockStore();
            return qmmsFail(QMMS_STATUS_FILE_ERROR);
        }
    }
    uint8_t* s = slotBytes(slot);
    s[QMMS_SLOT_USED] = 1;
    qmms_writeSuiteSlot(slot, info);
    uint16_t seq = hdrGet(QMMS_HDR_SEQUENCE);
    qmms_copyRecordIn(s, QMMS_INDEX_SLOT, QMMS_SLOT_SEQUENCE, QMMS_FIELD_U16, &seq, 0);
    hdrSet(QMMS_HDR_SEQUENCE, (uint16_t)(seq + 1));
    hdrSet(QMMS_HDR_SUITES, (uint16_t)(hdrGet(QMMS_HDR_SUITES) + 1));
    idxHeaderDirty = 1;
    int id = idxCachedPage * QMMS_INDEX_SLOTS + slot;
    if (idxEndChange() != 0) return -1;
    if (idOut != nullptr) *idOut = id;
    return 0;
}

int qmms_updateSuite(const QmmsSuiteInfo* info, int id) {
    if (info == nullptr || id < 0) return qmmsFail(QMMS_STATUS_UNKNOWN_SUITE);
    if (idxBeginChange(id / QMMS_INDEX_SLOTS) != 0) return -1;
    int slot = id % QMMS_INDEX_SLOTS;
    slotBytes(slot)[QMMS_SLOT_USED] = 1;
    qmms_writeSuiteSlot(slot, info);
    return idxEndChange();
}

int qmms_removeSuite(int id) {
    if (id < 0) return qmmsFail(QMMS_STATUS_SLOT_UNUSED);
    if (idxBeginChange(id / QMMS_INDEX_SLOTS) != 0) return -1;
    int slot = id % QMMS_INDEX_SLOTS;
    if (slotBytes(slot)[QMMS_SLOT_USED] == 0) {
        qmms_unlockStore();
        return qmmsFail(QMMS_STATUS_SLOT_UNUSED);
    }
    slotBytes(slot)[QMMS_SLOT_USED] = 0;
    idxDirtySlots |= (uint16_t)(1u << slot);
    uint16_t n = hdrGet(QMMS_HDR_SUITES);
    if (n > 0) hdrSet(QMMS_HDR_SUITES, (uint16_t)(n - 1));
    idxHeaderDirty = 1;
    return idxEndChange();
}

// Under the lock: see qmms_repairIndex.
static int idxRepairLocked(std::vector<uint8_t>* usedIds) {
    static uint8_t header[QMMS_INDEX_HEADER];
    static uint8_t body[QMMS_INDEX_PAGE];
    QmfsMode mode = QmfsReadExisting;
    int h = qmfs_open(QMMS_INDEX_FILE, &mode);
    if (h < 0) return qmmsFail(QMMS_STATUS_FILE_ERROR);
    QmfsStat st;
    bool ok = qmfs_read(h, header, QMMS_INDEX_HEADER) == QMMS_INDEX_HEADER && qmfs_fstat(h, &st) == 0;
    int filePages = ok ? pagesOf((int)st.size) : 0;
    if (filePages == 0) {
        qmfs_close(h);
        return qmmsFail(QMMS_STATUS_FILE_ERROR);
    }
    int headerPages = header[QMMS_HDR_PAGES] | header[QMMS_HDR_PAGES + 1] << 8;
    int headerSuites = header[QMMS_HDR_SUITES] | header[QMMS_HDR_SUITES + 1] << 8;
    // a counted page that the file holds only in part has lost slots too
    int wholePages = ((int)st.size - QMMS_INDEX_HEADER) / QMMS_INDEX_PAGE;
    bool pagesLost = headerPages > wholePages || headerPages == 0;
    int pages = headerPages > filePages || headerPages == 0 ? filePages : headerPages;
    if (usedIds != nullptr) usedIds->assign((size_t)pages * QMMS_INDEX_SLOTS, 0);
    int suites = 0;
    for (int p = 0; p < pages; p++) {
        int got =
            qmfs_seek(h, QMMS_INDEX_HEADER + p * QMMS_INDEX_PAGE, 0) == 0 ? qmfs_read(h, body, QMMS_INDEX_PAGE) : 0;
        if (got < 0) got = 0;
        memset(body + got, 0, (size_t)(QMMS_INDEX_PAGE - got));
        for (int s = 0; s < QMMS_INDEX_SLOTS; s++) {
            const uint8_t* slot = body + s * QMMS_INDEX_SLOT;
            if (slot[QMMS_SLOT_USED] != 1) continue;
            suites++;
            bool installed = slot[QMMS_SLOT_PREINSTALLED] != 1 &&
                             strncmp((const char*)slot + QMMS_SLOT_DIRECTORY, "gfs://java/", 64) == 0;
            if (usedIds != nullptr) (*usedIds)[(size_t)(p * QMMS_INDEX_SLOTS + s)] = installed ? 2 : 1;
        }
    }
    qmfs_close(h);
    if (suites > 0xFFFF) suites = 0xFFFF;
    if (pages == headerPages && suites == headerSuites) return 0;
    char line[160];
    snprintf(line, sizeof line,
             "suites.idx: the header counted %d pages and %d suites, the file holds %d pages and %d suites: repaired",
             headerPages, headerSuites, pages, suites);
    qmfs_trace(1, "qmms_index", "qmms_repairIndex", line);
    header[QMMS_HDR_PAGES] = (uint8_t)pages;
    header[QMMS_HDR_PAGES + 1] = (uint8_t)(pages >> 8);
    header[QMMS_HDR_SUITES] = (uint8_t)suites;
    header[QMMS_HDR_SUITES + 1] = (uint8_t)(suites >> 8);
    idxTellChanged();
    idxCachedPage = -1;
    idxDirtySlots = 0;
    idxNewPage = idxHeaderDirty = 0;
    QmfsMode writeMode = QmfsWriteExisting;
    h = qmfs_open(QMMS_INDEX_FILE, &writeMode);
    ok = h >= 0 && qmfs_write(h, header, QMMS_INDEX_HEADER) == QMMS_INDEX_HEADER && qmfs_flush(h) == 0;
    if (h >= 0) qmfs_close(h);
    if (!ok) qmmsFail(QMMS_STATUS_FILE_ERROR);
    return pagesLost ? 1 : 0;
}

int qmms_repairIndex(std::vector<uint8_t>* usedIds) {
    qmms_lockStore();
    int r = idxRepairLocked(usedIds);
    qmms_unlockStore();
    return r;
}

const char QMMS_BUILT_IN_INDEX_FILE[] = "rom://midlet/_suites.idx";

void qmms_reportRepair(const char* source, const char* function, const char* text) {
    qmfs_trace(1, source, function, text);
    fprintf(stderr, "Movane: %s\n", text);
}

// The size of the built-in domain list; without one, any index a signed byte holds.
static int builtInDomainCount(void) {
    uint32_t size = 0;
    const uint8_t* list = (const uint8_t*)qmfs_rom_getFileDataPointer("rom://midlet/permission/domains.idx", &size);
    return list != nullptr && size > 0 && (int8_t)list[0] > 0 ? (int8_t)list[0] : 128;
}

unsigned qmms_checkSuiteSlot(const uint8_t* slot) {
    idxDomainCount = builtInDomainCount();
    unsigned damage = slot[QMMS_SLOT_USED] > 1 ? QMMS_DAMAGE_USED : 0;
    for (const SuiteSlotField& f : suiteSlotFields)
        if (!f.sane(slot + f.slotOffset, f.length)) damage |= f.damage;
    return damage;
}

void qmms_describeDamage(unsigned damage, char* out, int size) {
    std::string text;
    auto add = [&text](const char* label) {
        if (!text.empty()) text += ", ";
        text += label;
    };
    if (damage & QMMS_DAMAGE_USED) add("used byte");
    for (const SuiteSlotField& f : suiteSlotFields)
        if (damage & f.damage) add(f.label);
    if (damage & QMMS_DAMAGE_SEQUENCE) add("sequence number");
    if (size > 0) snprintf(out, (size_t)size, "%s", text.c_str());
}

static bool romHoldsSuiteData(int id) {
    char uri[48];
    snprintf(uri, sizeof uri, "rom://midlet/%d.jdx", id);
    QmfsStat st;
    return qmfs_stat(uri, &st) == 0;
}

// The whole index file as far as it can be read, at most as many pages as the header can
// count. False when it cannot be opened.
static bool idxReadWholeFile(std::vector<uint8_t>* bytes) {
    QmfsMode mode = QmfsReadExisting;
    int h = qmfs_open(QMMS_INDEX_FILE, &mode);
    if (h < 0) return false;
    QmfsStat st;
    bool ok = qmfs_fstat(h, &st) == 0;
    const size_t most = QMMS_INDEX_HEADER + (size_t)0xFFFF * QMMS_INDEX_PAGE;
    bytes->assign(ok ? (st.size < most ? st.size : most) : 0, 0);
    size_t got = 0;
    while (ok && got < bytes->size()) {
        int n = qmfs_read(h, bytes->data() + got, (int)(bytes->size() - got));
        if (n <= 0) break;
        got += (size_t)n;
    }
    qmfs_close(h);
    bytes->resize(got);
    return ok;
}

static uint16_t get16(const uint8_t* at) { return (uint16_t)(at[0] | at[1] << 8); }

static void put16(uint8_t* at, uint16_t v) {
    at[0] = (uint8_t)v;
    at[1] = (uint8_t)(v >> 8);
}

// Writes the fields of a slot that are damaged, or preferred from the files, anew: the
// files' value where it passes the field's check; else, for a damaged field, the
// stand-in, and for a preferred one what the slot held.
static void rebuildFields(uint8_t* slot, unsigned damaged, unsigned preferred, const QmmsSuiteInfo& found,
                          const QmmsSuiteInfo& standIn) {
    for (const SuiteSlotField& f : suiteSlotFields) {
        bool bad = (damaged & f.damage) != 0;
        if (!bad && !(preferred & f.damage)) continue;
        uint8_t before[64];
        int size = f.kind == QMMS_FIELD_BYTES ? f.length : f.kind == QMMS_FIELD_U32 ? 4 : 1;
        memcpy(before, slot + f.slotOffset, (size_t)size);
        qmms_copyRecordIn(slot, QMMS_INDEX_SLOT, f.slotOffset, f.kind, (const uint8_t*)&found + f.infoOffset, f.length);
        if (f.sane(slot + f.slotOffset, f.length)) continue;
        if (bad)
            qmms_copyRecordIn(slot, QMMS_INDEX_SLOT, f.slotOffset, f.kind, (const uint8_t*)&standIn + f.infoOffset,
                              f.length);
        else
            memcpy(slot + f.slotOffset, before, (size_t)size);
    }
}

// The slot of a preinstalled suite in the built-in index, or null.
static const uint8_t* builtInSlot(int id) {
    uint32_t size = 0;
    const uint8_t* rom = (const uint8_t*)qmfs_rom_getFileDataPointer(QMMS_BUILT_IN_INDEX_FILE, &size);
    size_t at = QMMS_INDEX_HEADER + (size_t)id * QMMS_INDEX_SLOT;
    if (rom == nullptr || at + QMMS_INDEX_SLOT > size) return nullptr;
    const uint8_t* slot = rom + at;
    return slot[QMMS_SLOT_USED] == 1 && slot[QMMS_SLOT_PREINSTALLED] == 1 ? slot : nullptr;
}

// The damage bits of the fields in which two slots differ.
static unsigned differingFields(const uint8_t* a, const uint8_t* b) {
    unsigned differ = 0;
    for (const SuiteSlotField& f : suiteSlotFields) {
        int size = f.kind == QMMS_FIELD_BYTES ? f.length : f.kind == QMMS_FIELD_U32 ? 4 : 1;
        if (memcmp(a + f.slotOffset, b + f.slotOffset, (size_t)size) != 0) differ |= f.damage;
    }
    return differ;
}

namespace {
enum SlotFate { SLOT_KEPT, SLOT_REBUILT, SLOT_RESTORED, SLOT_FREED_UNFINISHED, SLOT_FREED_DAMAGED };
struct SlotOutcome {
    int id;
    unsigned damage;
    SlotFate fate;
    std::string name;
};
}  // namespace

// Under the lock: see qmms_repairIndexWithFiles.
static int idxRepairWithFilesLocked(QmmsSuiteFiles* files, std::vector<uint8_t>* usedIds) {
    std::vector<uint8_t> file;
    if (!idxReadWholeFile(&file)) return qmmsFail(QMMS_STATUS_FILE_ERROR);
    files->builtInBase = 0;
    std::vector<std::string> notes;  // what the user is told
    bool damaged = false;            // more than a crash leaves
    char line[512];
    std::vector<uint8_t> image = file;
    const bool headerRead = file.size() >= QMMS_INDEX_HEADER;
    const int headerPages = headerRead ? get16(&file[QMMS_HDR_PAGES]) : 0;
    const int headerSuites = headerRead ? get16(&file[QMMS_HDR_SUITES]) : 0;
    if (file.size() <= QMMS_INDEX_HEADER) {
        // no page left: the built-in index is the base, as on a fresh device
        uint32_t romSize = 0;
        const uint8_t* rom = (const uint8_t*)qmfs_rom_getFileDataPointer(QMMS_BUILT_IN_INDEX_FILE, &romSize);
        image.assign(QMMS_INDEX_HEADER, 0);
        if (rom != nullptr && romSize >= QMMS_INDEX_HEADER) image.assign(rom, rom + romSize);
        files->builtInBase = 1;
        damaged = true;
        snprintf(line, sizeof line, "suites.idx holds %d bytes and no page: the built-in index takes its place",
                 (int)file.size());
        notes.push_back(line);
    } else if (headerPages == 0 || file.size() < QMMS_INDEX_HEADER + (size_t)headerPages * QMMS_INDEX_PAGE) {
        // an append writes its page before the header counts it: a file never holds less
        damaged = true;
        snprintf(line, sizeof line,
                 "suites.idx is cut short or its header is damaged: the header counts %d pages, the file holds %d "
                 "bytes; the slots it lacks are rebuilt from the suites' files",
                 headerPages, (int)file.size());
        notes.push_back(line);
    }
    int pages = pagesOf((int)image.size());
    if (pages < 1) pages = 1;
    for (int id = (int)files->installed.size() - 1; id >= 0; id--) {
        if (!files->installed[(size_t)id]) continue;
        if (id / QMMS_INDEX_SLOTS >= pages) pages = id / QMMS_INDEX_SLOTS + 1;
        break;
    }
    image.resize(QMMS_INDEX_HEADER + (size_t)pages * QMMS_INDEX_PAGE, 0);
    const int slots = pages * QMMS_INDEX_SLOTS;
    auto slotAt = [&image](int id) { return &image[QMMS_INDEX_HEADER + (size_t)id * QMMS_INDEX_SLOT]; };
    // The fields of a slot that the file lacks (the bytes read as zeros): those of a cut
    // slot, or of a slot beyond the file's end. The built-in base lacks none.
    const size_t held = files->builtInBase ? image.size() : file.size();
    auto lostFields = [held](int id) {
        size_t at = QMMS_INDEX_HEADER + (size_t)id * QMMS_INDEX_SLOT;
        size_t have = held > at ? held - at : 0;
        if (have >= QMMS_INDEX_SLOT) return 0u;
        unsigned lost = have == 0 ? (unsigned)QMMS_DAMAGE_USED : 0u;
        for (const SuiteSlotField& f : suiteSlotFields) {
            size_t size = f.kind == QMMS_FIELD_BYTES ? (size_t)f.length : f.kind == QMMS_FIELD_U32 ? 4 : 1;
            if (f.slotOffset + size > have) lost |= f.damage;
        }
        if (QMMS_SLOT_SEQUENCE + 2 > have) lost |= QMMS_DAMAGE_SEQUENCE;
        return lost;
    };

    // Each slot on its own: kept, rebuilt or freed.
    std::vector<uint8_t> kinds((size_t)slots, 0);  // as usedIds
    std::vector<uint8_t> sequenceLost((size_t)slots, 0);
    std::vector<SlotOutcome> outcomes;
    for (int id = 0; id < slots; id++) {
        uint8_t* slot = slotAt(id);
        bool installed = (size_t)id < files->installed.size() && files->installed[(size_t)id] != 0;
        if (slot[QMMS_SLOT_USED] == 0 && !installed) continue;
        unsigned damage = qmms_checkSuiteSlot(slot) | lostFields(id);
        if (slot[QMMS_SLOT_USED] != 1) damage |= QMMS_DAMAGE_USED;
        bool preinstalled = slot[QMMS_SLOT_PREINSTALLED] == 1;
        const uint8_t* builtIn = nullptr;
        bool noSlot = files->builtInBase ? slot[QMMS_SLOT_USED] == 0
                                         : file.size() <= QMMS_INDEX_HEADER + (size_t)id * QMMS_INDEX_SLOT;
        sequenceLost[(size_t)id] = (damage & QMMS_DAMAGE_USED) || (lostFields(id) & QMMS_DAMAGE_SEQUENCE);
        SlotFate fate;
        if (installed) {
            // its suite data file vouches for it, whatever the slot holds
            if (slot[QMMS_SLOT_PREINSTALLED] != 0) damage |= QMMS_DAMAGE_PREINSTALLED;
            preinstalled = false;
            int64_t jar = files->jarFileSize != nullptr ? files->jarFileSize(id) : -1;
            uint32_t slotJar = 0;
            qmms_copyRecordOut(slot, QMMS_INDEX_SLOT, QMMS_SLOT_JAR_SIZE, QMMS_FIELD_U32, &slotJar, 0);
            if (jar >= 0 && (uint64_t)jar != slotJar) damage |= QMMS_DAMAGE_JAR_SIZE;
            fate = noSlot ? SLOT_RESTORED : damage != 0 ? SLOT_REBUILT : SLOT_KEPT;
        } else if ((builtIn = builtInSlot(id)) != nullptr || romHoldsSuiteData(id)) {
            // a preinstalled suite: what the built-in index holds is no damage, whatever it is
            if (builtIn != nullptr) damage &= differingFields(slot, builtIn) | QMMS_DAMAGE_USED;
            if (!preinstalled) damage |= QMMS_DAMAGE_PREINSTALLED;
            preinstalled = true;
            fate = damage != 0 ? SLOT_REBUILT : SLOT_KEPT;
        } else if (slot[QMMS_SLOT_USED] == 1 && preinstalled && damage == 0) {
            fate = SLOT_KEPT;  // a preinstalled suite that the built-in files lack: as it always was
        } else {
            fate = slot[QMMS_SLOT_USED] == 1 && damage == 0 ? SLOT_FREED_UNFINISHED : SLOT_FREED_DAMAGED;
        }
        SlotOutcome outcome = {id, damage, fate, ""};
        if (fate == SLOT_FREED_UNFINISHED || fate == SLOT_FREED_DAMAGED) {
            if (saneText(slot + QMMS_SLOT_NAME, 64)) outcome.name = (const char*)slot + QMMS_SLOT_NAME;
            slot[QMMS_SLOT_USED] = 0;
        } else {
            if (damage != 0) {
                QmmsSuiteInfo found, standIn;
                memset(&found, 0, sizeof found);
                memset(&standIn, 0, sizeof standIn);
                unsigned told = 0;
                if (builtIn != nullptr) {
                    decodeSlot(builtIn, &found);
                    told = ~0u;
                } else if (files->recover != nullptr) {
                    told = files->recover(id, preinstalled, &found);
                }
                snprintf(standIn.name, sizeof standIn.name, "Suite %d", id);
                snprintf(standIn.vendor, sizeof standIn.vendor, "Unknown");
                snprintf(standIn.version, sizeof standIn.version, "0.0.0");
                snprintf(standIn.directory, sizeof standIn.directory, "%s", SUITE_DIRECTORY);
                standIn.category = preinstalled ? 1 : 0;
                standIn.jarSize = found.jarSize;
                standIn.midletCount = 1;
                // A slot whose used byte, name or vendor is gone, or more than one field, or
                // that the file holds in part, holds the rest on no better ground than the
                // files do.
                unsigned fields = damage & ~(unsigned)QMMS_DAMAGE_SEQUENCE;
                bool doubtful = (damage & (QMMS_DAMAGE_USED | QMMS_DAMAGE_NAME | QMMS_DAMAGE_VENDOR)) ||
                                (fields & (fields - 1)) != 0 || lostFields(id) != 0;
                rebuildFields(slot, damage, doubtful ? told : 0, found, standIn);
                slot[QMMS_SLOT_USED] = 1;
                slot[QMMS_SLOT_PREINSTALLED] = preinstalled ? 1 : 0;
            }
            outcome.name = (const char*)slot + QMMS_SLOT_NAME;
            kinds[(size_t)id] = preinstalled ? 1 : 2;
        }
        outcomes.push_back(outcome);
    }

    // Sequence numbers: one per suite, below the header's next one. One suite above it has
    // a damaged number; several, a damaged header. A slot whose number is lost with its
    // used byte or the file's end gets a new one.
    auto givenBuiltIn = [&](int id, uint16_t seq) {
        const uint8_t* builtIn = kinds[(size_t)id] == 1 ? builtInSlot(id) : nullptr;
        return builtIn != nullptr && get16(builtIn + QMMS_SLOT_SEQUENCE) == seq;
    };
    uint16_t next = get16(&image[QMMS_HDR_SEQUENCE]);
    int above = 0, highest = -1;
    for (int id = 0; id < slots; id++) {
        if (kinds[(size_t)id] == 0 || sequenceLost[(size_t)id]) continue;
        uint16_t seq = get16(slotAt(id) + QMMS_SLOT_SEQUENCE);
        if (seq >= next && !givenBuiltIn(id, seq)) above++;
        if (seq > highest) highest = seq;
    }
    bool headerBehind = above > 1;
    if (headerBehind) {
        damaged = true;
        snprintf(line, sizeof line,
                 "suites.idx: the header's next sequence number %d is below those of %d suites: it is now %d", next,
                 above, (highest + 1) & 0xFFFF);
        notes.push_back(line);
        next = (uint16_t)(highest + 1);
    }
    std::vector<uint8_t> seen(0x10000, 0);
    std::vector<int> renumber;
    for (int id = 0; id < slots; id++) {
        if (kinds[(size_t)id] == 0) continue;
        uint16_t seq = get16(slotAt(id) + QMMS_SLOT_SEQUENCE);
        bool bad = !givenBuiltIn(id, seq) && (seen[seq] || (!headerBehind && seq >= next));
        if (sequenceLost[(size_t)id] || bad)
            renumber.push_back(id);
        else
            seen[seq] = 1;
    }
    for (int id : renumber) {
        for (int tries = 0; seen[next] && tries < 0x10000; tries++) next++;
        put16(slotAt(id) + QMMS_SLOT_SEQUENCE, next);
        seen[next] = 1;
        next++;
        if (sequenceLost[(size_t)id]) continue;
        for (SlotOutcome& o : outcomes) {
            if (o.id != id) continue;
            o.damage |= QMMS_DAMAGE_SEQUENCE;
            if (o.fate == SLOT_KEPT) o.fate = SLOT_REBUILT;
        }
    }
    put16(&image[QMMS_HDR_SEQUENCE], next);

    int suites = 0;
    for (uint8_t k : kinds) suites += k != 0;
    if (suites > 0xFFFF) suites = 0xFFFF;
    put16(&image[QMMS_HDR_PAGES], (uint16_t)pages);
    put16(&image[QMMS_HDR_SUITES], (uint16_t)suites);
    if (headerRead && !files->builtInBase && (pages != headerPages || suites != headerSuites)) {
        snprintf(line, sizeof line,
                 "suites.idx: the header counted %d pages and %d suites, the file holds %d pages and %d suites: "
                 "repaired",
                 headerPages, headerSuites, pages, suites);
        qmfs_trace(1, "qmms_index", "qmms_repairIndex", line);
    }

    int nameless = 0, firstNameless = -1, lastNameless = -1;
    for (const SlotOutcome& o : outcomes) {
        char fields[200];
        qmms_describeDamage(o.damage, fields, sizeof fields);
        switch (o.fate) {
            case SLOT_KEPT:
                continue;
            case SLOT_REBUILT:
                snprintf(line, sizeof line,
                         "suites.idx: the slot of suite %d \"%s\" was damaged (%s): rebuilt from what it and the "
                         "suite's files hold",
                         o.id, o.name.c_str(), fields);
                damaged = true;
                break;
            case SLOT_RESTORED:
                snprintf(line, sizeof line,
                         "suites.idx: suite %d \"%s\" had no slot left in the file: rebuilt from the suite's files",
                         o.id, o.name.c_str());
                damaged = true;
                break;
            case SLOT_FREED_UNFINISHED:
                snprintf(line, sizeof line,
                         "suite %d \"%s\" has no suite data file, as an install or removal cut short leaves it: its "
                         "slot was freed",
                         o.id, o.name.c_str());
                break;
            case SLOT_FREED_DAMAGED:
                damaged = true;
                if (o.name.empty()) {
                    if (nameless++ == 0) firstNameless = o.id;
                    lastNameless = o.id;
                    continue;
                }
                snprintf(line, sizeof line,
                         "suites.idx: the slot of suite %d \"%s\" was damaged (%s) and no suite data file backs it: "
                         "the slot was freed",
                         o.id, o.name.c_str(), fields);
                break;
        }
        notes.push_back(line);
    }
    if (nameless > 0) {
        snprintf(line, sizeof line,
                 "suites.idx: %d damaged slots without a readable name and without a suite data file were freed "
                 "(ids %d to %d)",
                 nameless, firstNameless, lastNameless);
        notes.push_back(line);
    }

    bool written = true;
    if (image != file) {
        idxTellChanged();
        idxCachedPage = -1;
        idxDirtySlots = 0;
        idxNewPage = idxHeaderDirty = 0;
        written = qmfs_replaceFile(QMMS_INDEX_FILE, image.data(), (int)image.size()) == 0;
    }
    for (const std::string& note : notes) qmms_reportRepair("qmms_index", "qmms_repairIndex", note.c_str());
    if (!written) {
        qmms_reportRepair("qmms_index", "qmms_repairIndex",
                          "suites.idx could not be written: its repair is made again at the next start");
        return qmmsFail(QMMS_STATUS_FILE_ERROR);
    }
    if (usedIds != nullptr) *usedIds = kinds;
    if (damaged) qmmsStatus = QMMS_STATUS_FILE_ERROR;
    return damaged ? 1 : 0;
}

int qmms_repairIndexWithFiles(QmmsSuiteFiles* files, std::vector<uint8_t>* usedIds) {
    if (files == nullptr) return qmmsFail(QMMS_STATUS_FILE_ERROR);
    qmms_lockStore();
    int r = idxRepairWithFilesLocked(files, usedIds);
    qmms_unlockStore();
    return r;
}
