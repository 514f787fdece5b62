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

// The names of the files in the store folder.
static std::set<std::string> storeFolderNames(void) {
    std::set<std::string> names;
    const QmfsConnector* gfs = qmfs_findConnector("gfs");
    if (gfs == nullptr) return names;
    int d = gfs->ops.opendir("//java/");
    if (d < 0) return names;
    for (QmfsDirEntry* e; (e = gfs->ops.readdir(d)) != nullptr;) {
        if (e->attributes & QMFS_ATTR_DIRECTORY || e->name[0] == 0) continue;
        const char* base = strrchr(e->name, '/');
        names.insert(base != nullptr ? base + 1 : e->name.get());
    }
    gfs->ops.closedir(d);
    return names;
}

// Reads up to size bytes of a file from offset: the count read, or -1.
static int readFilePart(const char* uri, int offset, void* buffer, int size) {
    QmfsMode mode = QmfsReadExisting;
    int h = qmfs_open(uri, &mode);
    if (h < 0) return -1;
    int got = qmfs_seek(h, offset, 0) == 0 ? 0 : -1;
    while (got >= 0 && got < size) {
        int n = qmfs_read(h, (uint8_t*)buffer + got, size - got);
        if (n <= 0) break;
        got += n;
    }
    qmfs_close(h);
    return got;
}

static uint32_t wordAt(const uint8_t* at) {
    uint32_t v = 0;
    qmms_copyRecordOut(at, 4, 0, QMMS_FIELD_U32, &v, 0);
    return v;
}

// The size of the file that a suite data file names as its JAR, or -1.
static int64_t jarOf(const uint8_t* suiteHeader) {
    char location[64];
    memcpy(location, suiteHeader, sizeof location);
    QmfsStat st;
    if (memchr(location, 0, sizeof location) == nullptr || location[0] == 0 || qmfs_stat(location, &st) != 0) return -1;
    return st.size;
}

static int64_t installedJarSize(int id) {
    char uri[48];
    uint8_t header[64];
    snprintf(uri, sizeof uri, "gfs://java/%d.jdx", id);
    return readFilePart(uri, 0, header, sizeof header) == (int)sizeof header ? jarOf(header) : -1;
}

// The value of key in a descriptor or manifest text ("Key: value" lines, a manifest's long
// value going on in lines that start with a space); empty when it has none.
static std::string attributeOf(const std::string& text, const char* key) {
    std::string wanted = std::string(key) + ":";
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find_first_of("\r\n", at);
        if (end == std::string::npos) end = text.size();
        if (text.compare(at, wanted.size(), wanted) == 0) {
            std::string value = text.substr(at + wanted.size(), end - at - wanted.size());
            for (size_t more = end; more < text.size();) {
                if (text[more] == '\r' && more + 1 < text.size() && text[more + 1] == '\n') more++;
                more++;
                if (more >= text.size() || text[more] != ' ') break;
                size_t moreEnd = text.find_first_of("\r\n", more);
                if (moreEnd == std::string::npos) moreEnd = text.size();
                value += text.substr(more + 1, moreEnd - more - 1);
                more = moreEnd;
            }
            size_t first = value.find_first_not_of(" \t");
            size_t last = value.find_last_not_of(" \t");
            return first == std::string::npos ? std::string() : value.substr(first, last - first + 1);
        }
        at = end + 1;
    }
    return std::string();
}

// Entry `index` of a resource file, at most 8 KB of it; empty when it cannot be read.
static std::string resourceEntry(const char* uri, int index) {
    uint8_t count = 0;
    uint8_t entry[QMMS_RAW_ENTRY];
    if (readFilePart(uri, 0, &count, 1) != 1 || index >= count || count > QMMS_MAX_RAW_ENTRIES) return std::string();
    if (readFilePart(uri, 1 + index * QMMS_RAW_ENTRY, entry, sizeof entry) != (int)sizeof entry) return std::string();
    uint32_t size = wordAt(entry), offset = wordAt(entry + 204);
    if (size > 8192) size = 8192;
    if (offset > 0x7FFFFFFFu) return std::string();
    std::string text(size, '\0');
    int got = readFilePart(uri, (int)offset, &text[0], (int)size);
    text.resize(got > 0 ? (size_t)got : 0);
    return text;
}

// What a suite's own files tell of its index record, for the index repair.
static unsigned recoverSuite(int id, int preinstalled, QmmsSuiteInfo* info) {
    const char* home = preinstalled ? "rom://midlet/" : "gfs://java/";
    char uri[64];
    unsigned told = 0;
    memset(info, 0, sizeof *info);
    strcpy(info->directory, "gfs://java/");
    info->category = preinstalled ? 1 : 0;
    info->preinstalled = preinstalled ? 1 : 0;
    info->midletCount = 1;
    uint8_t data[QMMS_SUITE_HEADER + QMMS_MIDLET_ENTRY];
    snprintf(uri, sizeof uri, "%s%d.jdx", home, id);
    int got = readFilePart(uri, 0, data, sizeof data);
    if (got >= QMMS_SUITE_HEADER) {
        int64_t jar = jarOf(data);
        info->jarSize = jar >= 0 ? (uint32_t)jar : wordAt(data + 328);
        told |= QMMS_DAMAGE_JAR_SIZE;
        if (data[335] >= 1 && data[335] <= QMMS_MAX_MIDLETS) {
            info->midletCount = data[335];
            told |= QMMS_DAMAGE_MIDLETS;
        }
        if (data[332] != 0 || data[333] != 0 || data[334] != 0) {
            snprintf(info->version, sizeof info->version, "%u.%u.%u", data[332], data[333], data[334]);
            told |= QMMS_DAMAGE_VERSION;
        }
        // the first MIDlet's name stands in for a suite name no descriptor gives
        if (got >= QMMS_SUITE_HEADER + 256 + 64) memcpy(info->name, data + QMMS_SUITE_HEADER + 256, 63);
    }
    snprintf(uri, sizeof uri, "%s%d.raw", home, id);
    struct {
        const char* key;
        char* out;
        size_t size;
        unsigned field;
    } keys[] = {{"MIDlet-Name", info->name, sizeof info->name, QMMS_DAMAGE_NAME},
                {"MIDlet-Vendor", info->vendor, sizeof info->vendor, QMMS_DAMAGE_VENDOR},
                {"MIDlet-Version", info->version, sizeof info->version, QMMS_DAMAGE_VERSION}};
    // the descriptor, else the manifest
    std::string texts[2] = {resourceEntry(uri, 1), resourceEntry(uri, 0)};
    for (const auto& k : keys) {
        for (const std::string& text : texts) {
            std::string value = attributeOf(text, k.key);
            if (value.empty() || value.size() >= k.size) continue;
            memset(k.out, 0, k.size);
            memcpy(k.out, value.data(), value.size());
            told |= k.field;
            break;
        }
    }
    uint8_t security[12];
    snprintf(uri, sizeof uri, "gfs://java/%d.mss", id);
    if (readFilePart(uri, 0, security, sizeof security) == (int)sizeof security) {
        info->domain = security[10];
        told |= QMMS_DAMAGE_DOMAIN;
    }
    return told;
}

// Clears what a crash left in the store folder, under the store lock, once the index
// repair has freed the slots of installs cut short: the files of suites that have no used
// slot (a removal deletes them after the slot), and unfinished writes. A suite data file
// marks an installed suite: its files stay, slot or not. The memory suite's files are its
// own program's.
static void clearCrashLeftovers(const std::set<std::string>& names, const std::vector<uint8_t>& usedIds) {
    std::set<int> leftAlone;
    for (const std::string& name : names) {
        if (endsWith(name.c_str(), FS_REPLACE_SUFFIX)) {
            qmfs_remove(("gfs://java/" + name).c_str());
            continue;
        }
        bool temporary = false;
        int id = suiteOfFile(name.c_str(), &temporary);
        if (id < 0 || id == QMMS_MEMORY_SUITE) continue;
        // Temporary files live only within an install or a resource-file write, which hold
        // the lock: any found now were left by a crash.
        bool unused = (size_t)id >= usedIds.size() || usedIds[(size_t)id] == 0;
        if (!temporary && !unused) continue;
        if (!temporary && names.count(std::to_string(id) + ".jdx") != 0) {
            leftAlone.insert(id);
            continue;
        }
        qmfs_remove(("gfs://java/" + name).c_str());
    }
    for (int id : leftAlone) {
        char line[160];
        snprintf(line, sizeof line,
                 "gfs://java/%d.jdx and the files of suite %d have no slot in suites.idx: left alone", id, id);
        qmms_reportRepair("qmms_manager", "qmms_init", line);
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
    QmfsStat st;
    if (qmfs_stat(QMMS_INDEX_FILE, &st) != 0) {
        // a fresh device: the built-in index
        if (copyRomFile(QMMS_BUILT_IN_INDEX_FILE, QMMS_INDEX_FILE) == 0)
            rebuilt = 1;
        else
            qmms_setStatus(QMMS_STATUS_FILE_ERROR);
        qmms_indexChanged();
    }
    // The suites' files vouch for the index: a suite data file marks an installed suite.
    std::set<std::string> names = storeFolderNames();
    QmmsSuiteFiles files;
    files.installed.assign(QMMS_MEMORY_SUITE, 0);
    files.recover = recoverSuite;
    files.jarFileSize = installedJarSize;
    files.builtInBase = 0;
    for (const std::string& name : names) {
        bool temporary = false;
        int id = suiteOfFile(name.c_str(), &temporary);
        if (id >= 0 && id < QMMS_MEMORY_SUITE && endsWith(name.c_str(), ".jdx")) files.installed[(size_t)id] = 1;
    }
    std::vector<uint8_t> usedIds;
    int check = qmms_repairIndexWithFiles(&files, &usedIds);
    uint8_t first;
    if (check < 0 && readFilePart(QMMS_INDEX_FILE, 0, &first, 1) < 0 &&
        copyRomFile(QMMS_BUILT_IN_INDEX_FILE, QMMS_INDEX_FILE) == 0) {
        // an index that cannot be read at all: the built-in one, with the suites rebuilt on it
        qmms_reportRepair("qmms_manager", "qmms_init", "suites.idx cannot be read: the built-in index takes its place");
        qmms_indexChanged();
        check = qmms_repairIndexWithFiles(&files, &usedIds);
        files.builtInBase = 1;
    }
    if (check != 0) qmms_setStatus(QMMS_STATUS_FILE_ERROR);
    // Nothing is removed while the index on the disk is not the repaired one.
    if (check >= 0) clearCrashLeftovers(names, usedIds);
    qmms_createCategoryFile();
    if (qmms_openIndex() != 0) qmms_setStatus(QMMS_STATUS_FILE_ERROR);
    if (rebuilt || files.builtInBase) {
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
            // a repair keeps the permission states a suite has
            if (!rebuilt && qmfs_stat(target, &st) == 0) continue;
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
