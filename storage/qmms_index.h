// The suite store's typed-field codec, through which every store file is read and
// written, and the suite index "gfs://java/suites.idx" with its one-page cache.
#pragma once

#include <stdint.h>

#include <vector>

// Status word of the suite store.
enum {
    QMMS_STATUS_OK = 0,
    QMMS_STATUS_UNKNOWN_SUITE = 3,
    QMMS_STATUS_SLOT_UNUSED = 8,
    QMMS_STATUS_FILE_ERROR = 256,
};

// Field kinds: 0 boolean byte, 1 byte, 2 half-word, 3 word (little-endian), 4 run of bytes.
enum { QMMS_FIELD_BOOL = 0, QMMS_FIELD_U8 = 1, QMMS_FIELD_U16 = 2, QMMS_FIELD_U32 = 3, QMMS_FIELD_BYTES = 4 };

struct QmmsSuiteInfo {
    uint32_t suiteId;
    char name[64];
    char vendor[64];
    char version[16];
    char directory[64];
    uint32_t domain;
    uint32_t category;
    uint32_t preinstalled;
    uint32_t secondFlag;
    uint32_t jarSize;
    uint32_t midletCount;
};
static_assert(sizeof(QmmsSuiteInfo) == 236, "QmmsSuiteInfo size");

enum {
    QMMS_INDEX_HEADER = 256,
    QMMS_INDEX_SLOT = 256,
    QMMS_INDEX_SLOTS = 15,
    QMMS_INDEX_PAGE = QMMS_INDEX_SLOT * QMMS_INDEX_SLOTS,  // 3840
};

// Offsets in the index header and in a slot.
enum {
    QMMS_HDR_PAGES = 10,
    QMMS_HDR_SUITES = 12,
    QMMS_HDR_SEQUENCE = 14,
    QMMS_SLOT_USED = 0,
    QMMS_SLOT_NAME = 1,
    QMMS_SLOT_VENDOR = 65,
    QMMS_SLOT_VERSION = 129,
    QMMS_SLOT_DIRECTORY = 145,
    QMMS_SLOT_DOMAIN = 209,
    QMMS_SLOT_CATEGORY = 210,
    QMMS_SLOT_JAR_SIZE = 211,
    QMMS_SLOT_PREINSTALLED = 215,
    QMMS_SLOT_SECOND_FLAG = 216,
    QMMS_SLOT_MIDLETS = 218,
    QMMS_SLOT_SEQUENCE = 219,
};

extern const char QMMS_INDEX_FILE[];           // "gfs://java/suites.idx"
extern const char QMMS_BUILT_IN_INDEX_FILE[];  // "rom://midlet/_suites.idx"

int qmms_lastStatus(void);
void qmms_setStatus(int status);

int qmms_copyRecordOut(const void* buffer, int bufferLength, int offset, int kind, void* destination, int length);
int qmms_copyRecordIn(void* buffer, int bufferLength, int offset, int kind, const void* source, int length);

int qmms_loadIndexPage(int page);
// Writes the cached page and the header back when they changed; forgets the page.
int qmms_flushIndexPage(void);
int qmms_openIndex(void);
int qmms_closeIndex(int commit);
int qmms_readSuiteSlot(int slot, QmmsSuiteInfo* info);
int qmms_writeSuiteSlot(int slot, const QmmsSuiteInfo* info);

int qmms_countSuites(int category);
int qmms_listSuites(QmmsSuiteInfo* array, int category);
// As qmms_listSuites, writing at most max records; answers how many it wrote or -1.
int qmms_listSuitesBounded(QmmsSuiteInfo* array, int category, int max);
int qmms_readSuiteInfo(int id, QmmsSuiteInfo* info);
int qmms_findSuite(const char* name, const char* vendor);
int qmms_addSuite(const QmmsSuiteInfo* info, int* idOut);
int qmms_updateSuite(const QmmsSuiteInfo* info, int id);
int qmms_removeSuite(int id);

// Counts and lists in one go under the store lock: the number of records written, or -1
// (status 256, the header repaired) when the header counts slots the pages lack.
int qmms_countAndList(QmmsSuiteInfo* array, int category);

// Checks the index file against its header: a header that counts more pages than the file
// holds (or none), or another number of suites than the used slots, is traced once and
// written back repaired. 0 when the file holds every page its header counts whole, 1 when
// pages or parts of them were lost, -1 (status 256) when the file holds no page. usedIds, when given, gets one
// byte per id of the counted pages: 0 a free slot, 2 a suite installed in "gfs://java/",
// 1 any other used slot.
int qmms_repairIndex(std::vector<uint8_t>* usedIds);

// Damage found in the fields of a slot, one bit per field.
enum {
    QMMS_DAMAGE_USED = 1 << 0,
    QMMS_DAMAGE_NAME = 1 << 1,
    QMMS_DAMAGE_VENDOR = 1 << 2,
    QMMS_DAMAGE_VERSION = 1 << 3,
    QMMS_DAMAGE_DIRECTORY = 1 << 4,
    QMMS_DAMAGE_DOMAIN = 1 << 5,
    QMMS_DAMAGE_CATEGORY = 1 << 6,
    QMMS_DAMAGE_JAR_SIZE = 1 << 7,
    QMMS_DAMAGE_PREINSTALLED = 1 << 8,
    QMMS_DAMAGE_SECOND_FLAG = 1 << 9,
    QMMS_DAMAGE_MIDLETS = 1 << 10,
    QMMS_DAMAGE_SEQUENCE = 1 << 11,
};

// Checks each field of a 256-byte slot on its own: a used byte of 0 or 1; name, vendor
// and version texts that end inside their fields, are not empty and hold printable UTF-8
// (the version digits and dots); the directory "gfs://java/"; a domain of the built-in
// domain list and a category of the category file; boolean bytes of 0 or 1; 1 to 10
// MIDlets. The damage bits of the fields that fail.
unsigned qmms_checkSuiteSlot(const uint8_t* slot);
// The names of the fields of a damage mask, as "used byte, name".
void qmms_describeDamage(unsigned damage, char* out, int size);

// The suites' own files as the store's start finds them. A suite is installed in
// "gfs://java/" exactly when its suite data file is there: an install writes it last and a
// removal deletes it first. So the files can vouch for a slot, and rebuild a damaged one.
struct QmmsSuiteFiles {
    // One byte per id below the memory suite's: 1 when "gfs://java/<id>.jdx" exists.
    std::vector<uint8_t> installed;
    // Fills info with what suite id's own files tell of it (its data and descriptor files
    // in "rom://midlet/" when preinstalled), stand-ins where they tell nothing; answers
    // the damage bits of the fields that the files did tell.
    unsigned (*recover)(int id, int preinstalled, QmmsSuiteInfo* info);
    // The size of an installed suite's JAR file, or -1 when it has none.
    int64_t (*jarFileSize)(int id);
    // Set by the repair when the file held no page and the built-in index became its base.
    int builtInBase;
};

// The start's repair of the index: every slot's fields are checked, and the slots are
// cross-checked with the suites' files. A damaged slot of an installed suite is rebuilt
// from what the slot and the files still hold; a used slot without a suite data file is
// freed (an install or removal cut short); a damaged slot without one is freed; a free or
// lost slot whose suite data file exists is rebuilt; pages the file lost are rebuilt as
// far as the files show. What is dropped or rebuilt is reported to the trace and to
// standard error, naming the suite, and the file is replaced whole. 0 when at most what
// a crash leaves was repaired, 1 (status 256) when damage was, -1 (status 256) when the
// file cannot be read or written. usedIds as for qmms_repairIndex.
int qmms_repairIndexWithFiles(QmmsSuiteFiles* files, std::vector<uint8_t>* usedIds);

// Reports a repair of the store to the trace and, as "Movane: text", to standard error.
void qmms_reportRepair(const char* source, const char* function, const char* text);

// The store lock, shared with the other program through a lock file beside the index.
// Taken again by its holder it only counts; every change of the index takes it. An
// install holds it from adding its slot to writing its suite data file, which it writes
// last: a start that finds an installed suite without that file frees its slot.
// 0, or -1 when the lock file cannot be had (the caller goes on unlocked).
int qmms_lockStore(void);
void qmms_unlockStore(void);
// Closes the lock file (the store's start and stop).
void qmms_closeStoreLock(void);
// Tells both processes' caches that the index file was replaced as a whole.
void qmms_indexChanged(void);
