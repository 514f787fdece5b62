// Per-suite files and record-store files.
#include "storage/qmms_suitefiles.h"

#include "storage/qmfs.h"
#include "storage/qmms_hooks.h"
#include "storage/qmms_index.h"

#include <stdio.h>
#include <string.h>

enum { NAME_BUFFER = 160 };

static const char GFS_JAVA[] = "gfs://java/";
static const char ROM_MIDLET[] = "rom://midlet/";

static char fileName[NAME_BUFFER];    // qmms_getSuiteFileName
static char fileNameIn[NAME_BUFFER];  // qmms_getSuiteFileNameIn, qmms_makeTempName

// Current suite
static int curSuite = -1;
static uint8_t curHeader[QMMS_SUITE_HEADER];
static uint8_t curMidlets[QMMS_MAX_MIDLETS * QMMS_MIDLET_ENTRY];

// Current security image
static int secSuite = -1;
static uint8_t secImage[QMMS_SECURITY_SIZE];

// Current resource entry
static int entSuite = -1;
static int entIndex = -1;
static uint32_t entSize;
static char entName[200];
static uint32_t entOffset;
static uint8_t entExtra[QMMS_RAW_EXTRA];

// Resource file being written
static int rawSuite = -1;
static int rawCount;
static uint32_t rawSizes[QMMS_MAX_RAW_ENTRIES];

static int fail(int status) {
    qmms_setStatus(status);
    return -1;
}

// Writes a whole store file under the store lock: a crash or a full disk leaves its old
// contents or the new ones.
static int replaceStoreFile(const char* name, const void* data, int size) {
    qmms_lockStore();
    int r = qmfs_replaceFile(name, data, size);
    qmms_unlockStore();
    return r == 0 ? 0 : fail(QMMS_STATUS_FILE_ERROR);
}

static const char* suffixOf(int kind) {
    switch (kind) {
        case QMMS_FILE_SUITE_DATA:
            return ".jdx";
        case QMMS_FILE_JAR:
            return ".jar";
        case QMMS_FILE_RESOURCES:
            return ".raw";
        case QMMS_FILE_SECURITY:
            return ".mss";
        case QMMS_FILE_RECORDS_1:
            return ".rs1";
        case QMMS_FILE_RECORDS_2:
            return ".rs2";
        case QMMS_FILE_RECORDS_3:
            return ".rs3";
        default:
            return nullptr;
    }
}

static void build(char* out, const char* directory, int id, const char* suffix) {
    int n = snprintf(out, NAME_BUFFER, "%s%d%s", directory, id, suffix);
    if (n < 0 || n >= NAME_BUFFER) out[0] = 0;  // a cut name would name another file
}

const char* qmms_getSuiteFileName(int id, int kind) {
    fileName[0] = 0;
    if (kind == QMMS_FILE_INDEX) {
        strcpy(fileName, QMMS_INDEX_FILE);
        return fileName;
    }
    if (kind == QMMS_FILE_CATEGORIES) {
        strcpy(fileName, "gfs://java/category.dat");
        return fileName;
    }
    if (kind < QMMS_FILE_SUITE_DATA || kind > QMMS_FILE_DIRECTORY) return fileName;
    if (kind == QMMS_FILE_JAR) {
        if (qmms_openSuite(id) == 0) {
            char location[65];
            memcpy(location, curHeader, 64);
            location[64] = 0;
            qmms_closeSuite(0);
            strcpy(fileName, location);
        }
        return fileName;
    }
    char directory[65];
    int preinstalled = 0;
    if (id == QMMS_MEMORY_SUITE) {
        strcpy(directory, GFS_JAVA);
    } else {
        QmmsSuiteInfo info;
        if (qmms_readSuiteInfo(id, &info) != 0) return fileName;
        memcpy(directory, info.directory, 64);
        directory[64] = 0;
        preinstalled = info.preinstalled == 1;
    }
    if (kind == QMMS_FILE_DIRECTORY) {
        strcpy(fileName, directory);
        return fileName;
    }
    const char* dir =
        preinstalled && (kind == QMMS_FILE_SUITE_DATA || kind == QMMS_FILE_RESOURCES) ? ROM_MIDLET : directory;
    build(fileName, dir, id, suffixOf(kind));
    return fileName;
}

const char* qmms_getSuiteFileNameIn(const char* directory, int id, int kind) {
    fileNameIn[0] = 0;
    const char* suffix = suffixOf(kind);
    if (directory != nullptr && suffix != nullptr) build(fileNameIn, directory, id, suffix);
    return fileNameIn;
}

const char* qmms_makeTempName(int id, int number) {
    int n = snprintf(fileNameIn, NAME_BUFFER, "%s%d_%d%s", GFS_JAVA, id, number, ".tmp");
    if (n < 0 || n >= NAME_BUFFER) fileNameIn[0] = 0;
    return fileNameIn;
}

// Copies a name out of the static buffer so that another builder may run.
static void copyName(char* out, const char* name) {
    size_t n = strnlen(name, NAME_BUFFER - 1);
    memcpy(out, name, n);
    out[n] = 0;
}

static int midletCountOf(const uint8_t* header) {
    int n = header[335];
    return n > QMMS_MAX_MIDLETS ? QMMS_MAX_MIDLETS : n;
}

// Reads exactly size bytes; true on success.
static bool readAll(int h, void* buffer, int size) { return size == 0 || qmfs_read(h, buffer, size) == size; }
static bool writeAll(int h, const void* buffer, int size) { return size == 0 || qmfs_write(h, buffer, size) == size; }

int qmms_openSuite(int id) {
    if (curSuite == id && id >= 0) return 0;
    curSuite = -1;
    char name[NAME_BUFFER];
    copyName(name, qmms_getSuiteFileName(id, QMMS_FILE_SUITE_DATA));
    QmfsStat st;
    if (name[0] == 0 || qmfs_stat(name, &st) != 0) {
        memset(curHeader, 0, sizeof curHeader);
        memset(curMidlets, 0, sizeof curMidlets);
        curSuite = id;
        return 0;
    }
    QmfsMode mode = QmfsReadExisting;
    int h = qmfs_open(name, &mode);
    if (h < 0) return fail(QMMS_STATUS_FILE_ERROR);
    memset(curMidlets, 0, sizeof curMidlets);
    bool ok = readAll(h, curHeader, QMMS_SUITE_HEADER);
    ok = ok && readAll(h, curMidlets, midletCountOf(curHeader) * QMMS_MIDLET_ENTRY);
    qmfs_close(h);
    if (!ok) return fail(QMMS_STATUS_FILE_ERROR);
    curSuite = id;
    return 0;
}

int qmms_closeSuite(int commit) {
    if (commit == 0) {
        curSuite = -1;
        return 0;
    }
    if (curSuite < 0) return fail(QMMS_STATUS_FILE_ERROR);
    char name[NAME_BUFFER];
    copyName(name, qmms_getSuiteFileName(curSuite, QMMS_FILE_SUITE_DATA));
    if (name[0] == 0) copyName(name, qmms_getSuiteFileNameIn(GFS_JAVA, curSuite, QMMS_FILE_SUITE_DATA));
    static uint8_t image[QMMS_SUITE_HEADER + sizeof curMidlets];
    int tableSize = midletCountOf(curHeader) * QMMS_MIDLET_ENTRY;
    memcpy(image, curHeader, QMMS_SUITE_HEADER);
    memcpy(image + QMMS_SUITE_HEADER, curMidlets, (size_t)tableSize);
    return replaceStoreFile(name, image, QMMS_SUITE_HEADER + tableSize);
}

int qmms_getSuiteData(QmmsSuiteData* data) {
    if (curSuite < 0 || data == nullptr) return fail(QMMS_STATUS_FILE_ERROR);
    memset(data, 0, sizeof *data);
    const int n = QMMS_SUITE_HEADER;
    qmms_copyRecordOut(curHeader, n, 0, QMMS_FIELD_BYTES, data->jarLocation, 64);
    qmms_copyRecordOut(curHeader, n, 64, QMMS_FIELD_BYTES, data->sourceUrl, 256);
    qmms_copyRecordOut(curHeader, n, 320, QMMS_FIELD_BYTES, data->tag, 4);
    qmms_copyRecordOut(curHeader, n, 324, QMMS_FIELD_U32, &data->jadSize, 0);
    qmms_copyRecordOut(curHeader, n, 328, QMMS_FIELD_U32, &data->jarSize, 0);
    qmms_copyRecordOut(curHeader, n, 332, QMMS_FIELD_U8, &data->versionMajor, 0);
    qmms_copyRecordOut(curHeader, n, 333, QMMS_FIELD_U8, &data->versionMinor, 0);
    qmms_copyRecordOut(curHeader, n, 334, QMMS_FIELD_U8, &data->versionMicro, 0);
    qmms_copyRecordOut(curHeader, n, 335, QMMS_FIELD_U8, &data->midletCount, 0);
    data->jarLocation[63] = 0;
    data->sourceUrl[255] = 0;
    return 0;
}

int qmms_setSuiteData(const QmmsSuiteData* data) {
    if (curSuite < 0 || data == nullptr) return fail(QMMS_STATUS_FILE_ERROR);
    const int n = QMMS_SUITE_HEADER;
    qmms_copyRecordIn(curHeader, n, 0, QMMS_FIELD_BYTES, data->jarLocation, 64);
    qmms_copyRecordIn(curHeader, n, 64, QMMS_FIELD_BYTES, data->sourceUrl, 256);
    qmms_copyRecordIn(curHeader, n, 320, QMMS_FIELD_BYTES, data->tag, 4);
    qmms_copyRecordIn(curHeader, n, 324, QMMS_FIELD_U32, &data->jadSize, 0);
    qmms_copyRecordIn(curHeader, n, 328, QMMS_FIELD_U32, &data->jarSize, 0);
    qmms_copyRecordIn(curHeader, n, 332, QMMS_FIELD_U8, &data->versionMajor, 0);
    qmms_copyRecordIn(curHeader, n, 333, QMMS_FIELD_U8, &data->versionMinor, 0);
    qmms_copyRecordIn(curHeader, n, 334, QMMS_FIELD_U8, &data->versionMicro, 0);
    uint32_t count = data->midletCount > (uint32_t)QMMS_MAX_MIDLETS ? (uint32_t)QMMS_MAX_MIDLETS : data->midletCount;
    qmms_copyRecordIn(curHeader, n, 335, QMMS_FIELD_U8, &count, 0);
    return 0;
}

int qmms_getMidletEntry(int index, QmmsMidletInfo* entry) {
    if (curSuite < 0 || entry == nullptr) return fail(QMMS_STATUS_FILE_ERROR);
    if (index < 0 || index >= midletCountOf(curHeader)) return -1;
    const uint8_t* e = curMidlets + index * QMMS_MIDLET_ENTRY;
    memcpy(entry->className, e, 256);
    memcpy(entry->name, e + 256, 64);
    memcpy(entry->icon, e + 320, 64);
    entry->className[255] = entry->name[63] = entry->icon[63] = 0;
    return 0;
}

int qmms_setMidletEntry(int index, const QmmsMidletInfo* entry) {
    if (curSuite < 0 || entry == nullptr) return fail(QMMS_STATUS_FILE_ERROR);
    if (index < 0 || index >= QMMS_MAX_MIDLETS) return -1;
    uint8_t* e = curMidlets + index * QMMS_MIDLET_ENTRY;
    memcpy(e, entry->className, 256);
    memcpy(e + 256, entry->name, 64);
    memcpy(e + 320, entry->icon, 64);
    return 0;
}

// --- security file ---

static int loadSecurityFile(int id) {
    secSuite = -1;
    char name[NAME_BUFFER];
    copyName(name, qmms_getSuiteFileName(id, QMMS_FILE_SECURITY));
    memset(secImage, 0, sizeof secImage);
    QmfsStat st;
    if (name[0] == 0 || qmfs_stat(name, &st) != 0) {
        secSuite = id;
        return 0;
    }
    QmfsMode mode = QmfsReadExisting;
    int h = qmfs_open(name, &mode);
    if (h < 0) return fail(QMMS_STATUS_FILE_ERROR);
    int n = qmfs_read(h, secImage, QMMS_SECURITY_SIZE);
    qmfs_close(h);
    if (n < 12) {
        memset(secImage, 0, sizeof secImage);
        return fail(QMMS_STATUS_FILE_ERROR);
    }
    if (secImage[11] > QMMS_MAX_PERMISSIONS) secImage[11] = QMMS_MAX_PERMISSIONS;
    secSuite = id;
    return 0;
}

int qmms_loadSecurity(int id) {
    if (secSuite == id && id >= 0) return 0;
    return loadSecurityFile(id);
}

int qmms_saveSecurity(int commit) {
    if (secSuite < 0) return fail(QMMS_STATUS_FILE_ERROR);
    if (commit != 1) return loadSecurityFile(secSuite);
    char name[NAME_BUFFER];
    copyName(name, qmms_getSuiteFileName(secSuite, QMMS_FILE_SECURITY));
    if (name[0] == 0) return fail(QMMS_STATUS_FILE_ERROR);
    return replaceStoreFile(name, secImage, (secImage[11] + 3) * 4);
}

int qmms_getSecurityHeader(uint32_t* domain, uint32_t* count) {
    if (secSuite < 0) return fail(QMMS_STATUS_FILE_ERROR);
    if (domain != nullptr) *domain = secImage[10];
    if (count != nullptr) *count = secImage[11];
    return 0;
}

int qmms_setSecurityHeader(uint32_t domain, uint32_t count) {
    if (secSuite < 0) return fail(QMMS_STATUS_FILE_ERROR);
    if (domain > 255 || count > QMMS_MAX_PERMISSIONS) return -1;
    secImage[10] = (uint8_t)domain;
    secImage[11] = (uint8_t)count;
    return 0;
}

int qmms_getSecurityStates(uint32_t* states) {
    if (secSuite < 0 || states == nullptr) return fail(QMMS_STATUS_FILE_ERROR);
    for (int i = 0; i < secImage[11]; i++)
        qmms_copyRecordOut(secImage, QMMS_SECURITY_SIZE, 12 + i * 4, QMMS_FIELD_U32, &states[i], 0);
    return 0;
}

int qmms_setSecurityStates(const uint32_t* states) {
    if (secSuite < 0 || states == nullptr) return fail(QMMS_STATUS_FILE_ERROR);
    for (int i = 0; i < secImage[11]; i++)
        qmms_copyRecordIn(secImage, QMMS_SECURITY_SIZE, 12 + i * 4, QMMS_FIELD_U32, &states[i], 0);
    return 0;
}

int qmms_setSecurityState(int index, uint32_t value) {
    if (secSuite < 0) return fail(QMMS_STATUS_FILE_ERROR);
    if (index < 0 || index >= secImage[11]) return -1;
    qmms_copyRecordIn(secImage, QMMS_SECURITY_SIZE, 12 + index * 4, QMMS_FIELD_U32, &value, 0);
    return 0;
}

// --- resource file ---

int qmms_createRawFile(int id, int count, const uint32_t* sizes) {
    char temp[NAME_BUFFER];
    copyName(temp, qmms_makeTempName(id, QMMS_RAW_TEMP_NUMBER));
    if (count < 0 || count > QMMS_MAX_RAW_ENTRIES || (count > 0 && sizes == nullptr)) {
        qmfs_remove(temp);
        return fail(QMMS_STATUS_FILE_ERROR);
    }
    uint64_t total = 1 + (uint64_t)count * QMMS_RAW_ENTRY;
    for (int i = 0; i < count; i++) total += sizes[i];
    if (total > 0x7FFFFFFF) return fail(QMMS_STATUS_FILE_ERROR);
    QmfsMode mode = QmfsWriteNew;
    int h = qmfs_open(temp, &mode);
    if (h < 0) return fail(QMMS_STATUS_FILE_ERROR);
    uint8_t countByte = (uint8_t)count;
    bool ok = writeAll(h, &countByte, 1);
    static const uint8_t zeros[200] = {0};
    for (uint64_t left = total - 1; ok && left > 0;) {
        int piece = left > sizeof zeros ? (int)sizeof zeros : (int)left;
        ok = writeAll(h, zeros, piece);
        left -= (uint64_t)piece;
    }
    qmfs_close(h);
    if (!ok) {
        qmfs_remove(temp);
        return fail(QMMS_STATUS_FILE_ERROR);
    }
    rawSuite = id;
    rawCount = count;
    for (int i = 0; i < count; i++) rawSizes[i] = sizes[i];
    if (entSuite == id) entSuite = entIndex = -1;
    return 0;
}

int qmms_writeRawEntry(int index, const char* name, const void* data, const void* extra, int extraLength) {
    if (rawSuite < 0 || index < 0 || index >= rawCount) return fail(QMMS_STATUS_FILE_ERROR);
    if (name == nullptr || strlen(name) >= 200) return fail(QMMS_STATUS_FILE_ERROR);
    if (extraLength < 0 || extraLength > QMMS_RAW_EXTRA || (extraLength > 0 && extra == nullptr))
        return fail(QMMS_STATUS_FILE_ERROR);
    uint32_t size = rawSizes[index];
    if (size > 0 && data == nullptr) return fail(QMMS_STATUS_FILE_ERROR);
    uint32_t offset = 1 + (uint32_t)rawCount * QMMS_RAW_ENTRY;
    for (int i = 0; i < index; i++) offset += rawSizes[i];
    uint8_t header[QMMS_RAW_ENTRY];
    memset(header, 0, sizeof header);
    qmms_copyRecordIn(header, sizeof header, 0, QMMS_FIELD_U32, &size, 0);
    memcpy(header + 4, name, strlen(name) + 1);
    qmms_copyRecordIn(header, sizeof header, 204, QMMS_FIELD_U32, &offset, 0);
    if (extraLength > 0) memcpy(header + 208, extra, (size_t)extraLength);
    char temp[NAME_BUFFER];
    copyName(temp, qmms_makeTempName(rawSuite, QMMS_RAW_TEMP_NUMBER));
    QmfsMode mode = QmfsWriteExisting;
    int h = qmfs_open(temp, &mode);
    if (h < 0) return fail(QMMS_STATUS_FILE_ERROR);
    bool ok = qmfs_seek(h, 1 + index * QMMS_RAW_ENTRY, 0) == 0 && writeAll(h, header, sizeof header);
    if (ok && size > 0) ok = qmfs_seek(h, (int)offset, 0) == 0 && writeAll(h, data, (int)size);
    qmfs_close(h);
    return ok ? 0 : fail(QMMS_STATUS_FILE_ERROR);
}

static void rawFileName(int id, char* out) {
    copyName(out, qmms_getSuiteFileName(id, QMMS_FILE_RESOURCES));
    // a suite being installed has no index slot yet: its files go to gfs://java/
    if (out[0] == 0) copyName(out, qmms_getSuiteFileNameIn(GFS_JAVA, id, QMMS_FILE_RESOURCES));
}

int qmms_commitRawFile(int mode) {
    if (rawSuite < 0) return fail(QMMS_STATUS_FILE_ERROR);
    char temp[NAME_BUFFER];
    copyName(temp, qmms_makeTempName(rawSuite, QMMS_RAW_TEMP_NUMBER));
    int id = rawSuite;
    rawSuite = -1;
    if (entSuite == id) entSuite = entIndex = -1;
    if (mode != 1) {
        qmfs_remove(temp);
        return 0;
    }
    char raw[NAME_BUFFER];
    rawFileName(id, raw);
    // The old file stays until the new one replaces it in one step.
    qmms_lockStore();
    int r = qmfs_replace(temp, raw);
    qmms_unlockStore();
    if (r != 0) {
        qmfs_remove(temp);
        return fail(QMMS_STATUS_FILE_ERROR);
    }
    return 0;
}

int qmms_readRawEntry(int id, int index) {
    if (entSuite == id && entIndex == index && id >= 0) return 0;
    entSuite = entIndex = -1;
    char raw[NAME_BUFFER];
    rawFileName(id, raw);
    QmfsMode mode = QmfsReadExisting;
    int h = qmfs_open(raw, &mode);
    if (h < 0) return fail(QMMS_STATUS_UNKNOWN_SUITE);
    uint8_t count = 0;
    uint8_t header[QMMS_RAW_ENTRY];
    bool ok = readAll(h, &count, 1) && index >= 0 && index < count;
    ok = ok && qmfs_seek(h, 1 + index * QMMS_RAW_ENTRY, 0) == 0 && readAll(h, header, sizeof header);
    qmfs_close(h);
    if (!ok) return fail(QMMS_STATUS_FILE_ERROR);
    qmms_copyRecordOut(header, sizeof header, 0, QMMS_FIELD_U32, &entSize, 0);
    memcpy(entName, header + 4, 200);
    entName[199] = 0;
    qmms_copyRecordOut(header, sizeof header, 204, QMMS_FIELD_U32, &entOffset, 0);
    memcpy(entExtra, header + 208, QMMS_RAW_EXTRA);
    entSuite = id;
    entIndex = index;
    return 0;
}

int qmms_getRawEntrySize(void) { return entSuite >= 0 ? (int)entSize : -1; }

int qmms_readSuiteFile(int id, int index, void* buffer, int size) {
    if (buffer == nullptr || size < 0) return fail(QMMS_STATUS_FILE_ERROR);
    if (qmms_readRawEntry(id, index) != 0) return -1;
    char raw[NAME_BUFFER];
    rawFileName(id, raw);
    QmfsMode mode = QmfsReadExisting;
    int h = qmfs_open(raw, &mode);
    if (h < 0) return fail(QMMS_STATUS_UNKNOWN_SUITE);
    int n = entSize < (uint32_t)size ? (int)entSize : size;
    bool ok = entOffset <= 0x7FFFFFFFu && qmfs_seek(h, (int)entOffset, 0) == 0 && readAll(h, buffer, n);
    qmfs_close(h);
    return ok ? 0 : fail(QMMS_STATUS_FILE_ERROR);
}

void qmms_forgetSuiteCaches(int id) {
    if (curSuite == id) curSuite = -1;
    if (secSuite == id) secSuite = -1;
    if (entSuite == id) entSuite = entIndex = -1;
}

void qmms_forgetAllSuiteCaches(void) { curSuite = secSuite = entSuite = entIndex = rawSuite = -1; }

int qmms_removeSuiteFiles(int id) {
    static const int kinds[] = {QMMS_FILE_JAR,       QMMS_FILE_SECURITY,  QMMS_FILE_RECORDS_1, QMMS_FILE_RECORDS_2,
                                QMMS_FILE_RECORDS_3, QMMS_FILE_RESOURCES, QMMS_FILE_SUITE_DATA};
    enum { KINDS = sizeof kinds / sizeof kinds[0] };
    // The suite data file goes first: an install writes it last, so it marks a whole suite,
    // and the next start takes a slot without it for an install or removal cut short (and
    // frees it with the files left), and a suite data file without a slot for a damaged
    // slot. Then the slot is committed free, then the other files go, all under the lock,
    // so that no other process reuses the id meanwhile.
    qmms_lockStore();
    char names[KINDS][NAME_BUFFER];
    for (int k = 0; k < KINDS; k++) copyName(names[k], qmms_getSuiteFileName(id, kinds[k]));
    qmms_forgetSuiteCaches(id);
    const char* dataFile = names[KINDS - 1];  // kind 3, listed last
    if (dataFile[0] != 0) qmfs_remove(dataFile);
    if (qmms_removeSuite(id) != 0 && qmms_lastStatus() != QMMS_STATUS_SLOT_UNUSED) {
        qmms_unlockStore();
        return -1;
    }
    for (int k = 0; k < KINDS - 1; k++)
        if (names[k][0] != 0) qmfs_remove(names[k]);
    qmms_closeIndex(1);
    qmms_openIndex();
    qmms_unlockStore();
    const QmmsHooks* hooks = qmms_getHooks();
    if (hooks->removePushRegistrations != nullptr) hooks->removePushRegistrations(id);
    return 0;
}
