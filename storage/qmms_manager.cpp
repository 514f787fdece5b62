// Suite-manager interface and storage start/stop.
#include "storage/qmms_manager.h"

#include "platform/fs.h"
#include "storage/qmfs.h"
#include "storage/qmfs_rom.h"
#include "storage/qmms_hooks.h"
#include "storage/qmms_suitefiles.h"

#include <stdio.h>
#include <string.h>

#include <set>
#include <string>
#include <vector>

static const char ROM_INDEX[] = "rom://midlet/_suites.idx";
static const char MEMORY_JAR[] = "999.jar";

static QmmsHooks qmmsHooks;
static int qmmsStarted;
static uint32_t qmmsSetting;
static int launchedSuite = -1;
static int launchedMidlet = -1;
static QmmsRequest request;

void qmms_setHooks(const QmmsHooks* hooks) {
    if (hooks != nullptr)
        qmmsHooks = *hooks;
    else
        memset(&qmmsHooks, 0, sizeof qmmsHooks);
}

const QmmsHooks* qmms_getHooks(void) { return &qmmsHooks; }

int qmms_isStarted(void) { return qmmsStarted; }

// Copies a whole in-memory file to a device file, which holds its old bytes or all the
// new ones whatever happens.
static int copyRomFile(const char* romUri, const char* target) {
    uint32_t size = 0;
    const void* data = qmfs_rom_getFileDataPointer(romUri, &size);
    if (data == nullptr || target[0] == 0) return -1;
    return qmfs_replaceFile(target, data, (int)size);
}

// Whether a name in the store folder is one of the files of a suite ("12.jdx", or the
// temporary "12_5.tmp"), and whose; *temporary tells which.
static int suiteOfFile(const char* name, bool* temporary) {
    static const char* const suffixes[] = {".jdx", ".raw", ".mss", ".rs1", ".rs2", ".rs3", ".jar"};
    const char* p = name;
    long id = 0;
    while (*p >= '0' && *p <= '9' && id < 0x1000000) id = id * 10 + (*p++ - '0');
    if (p == name) return -1;
    const char* suffix = p;
    *temporary = *p == '_';
    if (*p == '_') {
        const char* digits = ++p;
        while (*p >= '0' && *p <= '9') p++;
        if (p == digits || strcmp(p, ".tmp") != 0) return -1;
        return (int)id;
    }
    for (const char* s : suffixes)
        if (strcmp(suffix, s) == 0) return (int)id;
    return -1;
}

static bool endsWith(const char* s, const char* tail) {
    size_t n = strlen(s), m = strlen(tail);
    return n >= m && strcmp(s + n - m, tail) == 0;
}

// Clears what a crash left in the store folder, under the store lock. An install holds
// the lock from its slot to its suite data file, which it writes last: a suite installed
// in the folder without that file was cut short, and its slot is freed. Then the files of
// suites that have no used slot go (a removal frees the slot first), and unfinished
// writes. The memory suite's files are its own program's.
static void clearCrashLeftovers(std::vector<uint8_t>* usedIds) {
    const QmfsConnector* gfs = qmfs_findConnector("gfs");
    if (gfs == nullptr) return;
    int d = gfs->ops.opendir("//java/");
    if (d < 0) return;
    std::set<std::string> names;
    for (QmfsDirEntry* e; (e = gfs->ops.readdir(d)) != nullptr;) {
        if (e->attributes & QMFS_ATTR_DIRECTORY || e->name[0] == 0) continue;
        const char* base = strrchr(e->name, '/');
        names.insert(base != nullptr ? base + 1 : e->name.get());
    }
    gfs->ops.closedir(d);
    for (size_t id = 0; id < usedIds->size(); id++) {
        if ((*usedIds)[id] != 2 || names.count(std::to_string(id) + ".jdx") != 0) continue;
        char line[96];
        snprintf(line, sizeof line, "suite %d has no suite data file: an unfinished install, removed", (int)id);
        qmfs_trace(1, "qmms_manager", "qmms_init", line);
        if (qmms_removeSuite((int)id) == 0) (*usedIds)[id] = 0;
    }
    // Temporary files live only within an install or a resource-file write, which hold the
    // lock: any found now were left by a crash.
    for (const std::string& name : names) {
        bool temporary = false;
        int id = suiteOfFile(name.c_str(), &temporary);
        bool unused = (size_t)id >= usedIds->size() || (*usedIds)[(size_t)id] == 0;
        bool stale = id >= 0 && id != QMMS_MEMORY_SUITE && (temporary || unused);
        if (stale || endsWith(name.c_str(), FS_REPLACE_SUFFIX)) qmfs_remove(("gfs://java/" + name).c_str());
    }
}

int qmms_init(uint32_t setting) {
    qmmsSetting = setting;
    if (qmmsStarted) return 0;
    qmms_setStatus(QMMS_STATUS_OK);
    // files may have changed while the store was stopped
    qmms_forgetAllSuiteCaches();
    qmms_closeStoreLock();
    qmfs_initialize();
    qmms_lockStore();
    int rebuilt = 0;
    int sound = 0;
    std::vector<uint8_t> usedIds;
    QmfsStat st;
    if (qmfs_stat(QMMS_INDEX_FILE, &st) == 0) {
        int check = qmms_repairIndex(&usedIds);
        sound = check == 0;
        if (check != 0) qmms_setStatus(QMMS_STATUS_FILE_ERROR);
        if (check < 0)
            qmfs_trace(1, "qmms_manager", "qmms_init", "suites.idx holds no page: the built-in index replaces it");
    }
    if (!sound && usedIds.empty()) {
        // no index, or one without a page: start again from the built-in one
        if (copyRomFile(ROM_INDEX, QMMS_INDEX_FILE) == 0)
            rebuilt = 1;
        else
            qmms_setStatus(QMMS_STATUS_FILE_ERROR);
        qmms_indexChanged();
    }
    // Files of lost pages are left alone: they may be all that is left of those suites.
    if (sound) clearCrashLeftovers(&usedIds);
    qmms_createCategoryFile();
    if (qmms_openIndex() != 0) qmms_setStatus(QMMS_STATUS_FILE_ERROR);
    if (rebuilt) {
        int n = qmms_countSuites(1);
        for (int id = 0; id < n; id++) {
            QmmsSuiteInfo info;
            char source[64];
            char target[160];
            snprintf(source, sizeof source, "rom://midlet/%d.mss", id);
            if (qmms_readSuiteInfo(id, &info) != 0) {
                qmms_setStatus(QMMS_STATUS_FILE_ERROR);
                continue;
            }
            snprintf(target, sizeof target, "%s", qmms_getSuiteFileName(id, QMMS_FILE_SECURITY));
            if (copyRomFile(source, target) != 0) qmms_setStatus(QMMS_STATUS_FILE_ERROR);
        }
    }
    qmms_unlockStore();
    qmmsStarted = 1;
    return 0;
}

int qmms_fini(void) {
    if (!qmmsStarted) return 0;
    int32_t freeBytes = qmmsHooks.storageFreeSpace != nullptr ? qmmsHooks.storageFreeSpace() : GetStorageFreeSpace();
    // Too little room to write safely: nothing is written and the store stays started, so
    // that a later stop can still save; the caller learns that nothing was saved.
    if (freeBytes < QMMS_STOP_MIN_FREE) return -1;
    qmms_lockStore();
    int indexResult = qmms_closeIndex(1);
    int categoryResult = qmms_categoryImageWritable() ? qmms_saveCategoryFile() : 0;
    qmms_unlockStore();
    // What could not be written stays in memory and the store stays started, so that a
    // later stop can try again; the files hold their last good contents.
    if (indexResult != 0 || categoryResult != 0) return -1;
    qmms_closeStoreLock();
    int fsResult = qmfs_finalize();
    qmms_forgetAllSuiteCaches();
    qmmsStarted = 0;
    return fsResult != 0 ? -1 : 0;
}

int qmms_getCategoryCount(void) { return qmms_countCategories(); }

int qmms_getCategoryList(QmmsCategoryInfo* array) {
    int count = qmms_countCategories();
    return qmms_listCategories(array) == count ? 0 : -1;
}

int qmms_getSuiteCount(int category) { return qmms_countSuites(category); }

static int compareBytes(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; i++) {
        unsigned char x = (unsigned char)a[i], y = (unsigned char)b[i];
        if (x != y) return x < y ? -1 : 1;
        if (x == 0) return 0;
    }
    return 0;
}

// Whether a orders after b under the key.
static bool ordersAfter(const QmmsSuiteInfo* a, const QmmsSuiteInfo* b, int key) {
    switch (key) {
        case QMMS_SORT_NAME:
            return compareBytes(a->name, b->name, sizeof a->name) > 0;
        case QMMS_SORT_VENDOR:
            return compareBytes(a->vendor, b->vendor, sizeof a->vendor) > 0;
        case QMMS_SORT_CATEGORY:
            return (int32_t)a->category > (int32_t)b->category;
        case QMMS_SORT_PREINSTALLED:
            return (int32_t)a->preinstalled > (int32_t)b->preinstalled;
        case QMMS_SORT_SECOND_FLAG:
            return (int32_t)a->secondFlag > (int32_t)b->secondFlag;
        case QMMS_SORT_JAR_SIZE:
            return a->jarSize > b->jarSize;
        default:
            return false;
    }
}

int qmms_getSuiteList(int category, QmmsSuiteInfo* array, int sortKey) {
    // The caller's array holds the counted records: never more are written, and fewer fail.
    int n = qmms_countAndList(array, category);
    if (n < 0) return -1;
    if (sortKey < QMMS_SORT_NAME || sortKey > QMMS_SORT_JAR_SIZE) return 0;
    for (int i = 0; i < n; i++) {
        for (int j = i + 1; j < n; j++) {
            if (ordersAfter(&array[i], &array[j], sortKey)) {
                QmmsSuiteInfo t = array[i];
                array[i] = array[j];
                array[j] = t;
            }
        }
    }
    return 0;
}

int qmms_getSuiteInfo(int id, QmmsSuiteInfo* info) { return qmms_readSuiteInfo(id, info); }

int qmms_getSuiteId(const char* name, const char* vendor) { return qmms_findSuite(name, vendor); }

static void putWord(uint8_t* at, uint32_t v) { qmms_copyRecordIn(at, 4, 0, QMMS_FIELD_U32, &v, 0); }

int qmms_postLaunch(int suite, int midlet, int domainArgument, uintptr_t launchFlag) {
    if (qmmsHooks.setStateCallback != nullptr) qmmsHooks.setStateCallback(launchFlag);
    memset(&request, 0, sizeof request);
    request.sender = 1;
    request.kind = QMMS_REQUEST_LAUNCH;
    request.payload[0] = 0;
    putWord(request.payload + 1, (uint32_t)suite);
    putWord(request.payload + 5, (uint32_t)midlet);
    putWord(request.payload + 9, (uint32_t)domainArgument);
    launchedSuite = suite;
    launchedMidlet = midlet;
    if (qmmsHooks.postEvent != nullptr) qmmsHooks.postEvent(2, &request);
    return 0;
}

int qmms_postLaunchDefault(int suite, int midlet, uintptr_t launchFlag) {
    return qmms_postLaunch(suite, midlet, -1, launchFlag);
}

int qmms_getLaunchedSuite(void) { return launchedSuite; }

int qmms_decodeLaunch(const void* record, int* suite, int* midlet, int* domainArgument) {
    if (record == nullptr) return -1;
    const uint8_t* payload = (const uint8_t*)record + 8;
    uint32_t s, m, d;
    qmms_copyRecordOut(payload, 200, 1, QMMS_FIELD_U32, &s, 0);
    qmms_copyRecordOut(payload, 200, 5, QMMS_FIELD_U32, &m, 0);
    qmms_copyRecordOut(payload, 200, 9, QMMS_FIELD_U32, &d, 0);
    if (suite != nullptr) *suite = (int)s;
    if (midlet != nullptr) *midlet = (int)m;
    if (domainArgument != nullptr) *domainArgument = (int)d;
    return 0;
}

int qmms_postPauseRequest(uint32_t value) {
    memset(&request, 0, sizeof request);
    request.sender = 1;
    request.kind = QMMS_REQUEST_NOTIFY;
    putWord(request.payload, value);
    if (qmmsHooks.postEvent != nullptr) qmmsHooks.postEvent(2, &request);
    return 0;
}

static int postSimple(int kind) {
    if (qmmsHooks.postSimpleEvent != nullptr) qmmsHooks.postSimpleEvent(2, kind);
    return 0;
}

int qmms_postNotify3(void) { return postSimple(QMMS_REQUEST_RESUME); }
int qmms_postNotify4(void) { return postSimple(QMMS_REQUEST_STOP); }

// Trims spaces from both ends of [s, e) into out (size 64+); answers out.
static void trimmedCopy(const char* s, const char* e, char* out, size_t outSize) {
    while (s < e && *s == ' ') s++;
    while (e > s && e[-1] == ' ') e--;
    size_t n = (size_t)(e - s);
    if (n >= outSize) n = outSize - 1;
    memcpy(out, s, n);
    out[n] = 0;
}

// Removes every file of the memory suite: those of a run that ended without its clean-up
// would otherwise be read as the new suite's.
static void removeMemorySuiteFiles(void) {
    static const int kinds[] = {QMMS_FILE_RECORDS_1, QMMS_FILE_RECORDS_2, QMMS_FILE_RECORDS_3,
                                QMMS_FILE_SECURITY,  QMMS_FILE_RESOURCES, QMMS_FILE_SUITE_DATA};
    for (int kind : kinds) {
        char name[160];
        snprintf(name, sizeof name, "%s", qmms_getSuiteFileName(QMMS_MEMORY_SUITE, kind));
        qmfs_remove(name);
    }
    char temp[160];
    snprintf(temp, sizeof temp, "%s", qmms_makeTempName(QMMS_MEMORY_SUITE, QMMS_RAW_TEMP_NUMBER));
    qmfs_remove(temp);
    qmms_forgetSuiteCaches(QMMS_MEMORY_SUITE);
}

int qmms_registerMemorySuite(const char* jad, int jadSize, const void* jar, int jarSize, int midlet,
                             uintptr_t launchFlag) {
    if (jad == nullptr || jadSize < 0 || jar == nullptr || jarSize < 0) return -1;
    removeMemorySuiteFiles();
    if (qmms_openSuite(QMMS_MEMORY_SUITE) != 0) return -1;
    int found = 0;
    for (int n = 1; n <= QMMS_MAX_MIDLETS && qmmsHooks.getAttribute != nullptr; n++) {
        char key[16];
        // the whole line: each of name, icon and class up to its field's size, with the
        // commas and spaces between them
        char value[2 * sizeof(QmmsMidletInfo)];
        snprintf(key, sizeof key, "MIDlet-%d", n);
        if (qmmsHooks.getAttribute(jad, jadSize, key, value, sizeof value, 1) != 0) break;
        value[sizeof value - 1] = 0;
        // name, icon, class
        const char* parts[3] = {value, value, value};
        const char* ends[3];
        const char* p = value;
        for (int k = 0; k < 3; k++) {
            parts[k] = p;
            const char* comma = k < 2 ? strchr(p, ',') : nullptr;
            ends[k] = comma != nullptr ? comma : p + strlen(p);
            p = comma != nullptr ? comma + 1 : ends[k];
        }
        QmmsMidletInfo entry;
        memset(&entry, 0, sizeof entry);
        trimmedCopy(parts[0], ends[0], entry.name, sizeof entry.name);
        trimmedCopy(parts[1], ends[1], entry.icon, sizeof entry.icon);
        trimmedCopy(parts[2], ends[2], entry.className, sizeof entry.className);
        qmms_setMidletEntry(n - 1, &entry);
        found = n;
    }
    if (found == 0) return -1;
    if (qmfs_rom_registerFile(MEMORY_JAR, jar, (uint32_t)jarSize) != 0) return -1;
    QmmsSuiteData data;
    memset(&data, 0, sizeof data);
    strcpy(data.jarLocation, "rom://999.jar");
    data.jadSize = (uint32_t)jadSize;
    data.jarSize = (uint32_t)jarSize;
    data.midletCount = (uint32_t)found;
    if (qmms_setSuiteData(&data) != 0 || qmms_closeSuite(1) != 0) return -1;
    uint32_t sizes[2] = {0, (uint32_t)jadSize};
    if (qmms_createRawFile(QMMS_MEMORY_SUITE, 2, sizes) != 0) return -1;
    if (qmms_writeRawEntry(1, "__JAD__", jad, nullptr, 0) != 0) {
        qmms_commitRawFile(0);
        return -1;
    }
    if (qmms_commitRawFile(1) != 0) return -1;
    qmms_postLaunch(QMMS_MEMORY_SUITE, midlet, 0, launchFlag);
    return 0;
}

int qmms_handleCleanup(const void* record) {
    int suite = -1;
    qmms_decodeLaunch(record, &suite, nullptr, nullptr);
    if (suite != QMMS_MEMORY_SUITE) return 0;
    qmfs_rom_unregisterFile(MEMORY_JAR);
    static const int kinds[] = {QMMS_FILE_RECORDS_1, QMMS_FILE_RECORDS_2, QMMS_FILE_RECORDS_3, QMMS_FILE_RESOURCES,
                                QMMS_FILE_SUITE_DATA};
    for (int kind : kinds) {
        char name[160];
        snprintf(name, sizeof name, "%s", qmms_getSuiteFileName(QMMS_MEMORY_SUITE, kind));
        qmfs_remove(name);
    }
    qmms_forgetSuiteCaches(QMMS_MEMORY_SUITE);
    return 0;
}
