// Per-suite files of the suite store: their names, the suite data file (".jdx") with its
// MIDlet table, the security file (".mss"), the resource file (".raw"), and the one-suite
// caches through which they are read and changed.
#pragma once

#include <stdint.h>

enum {
    QMMS_FILE_INDEX = 1,
    QMMS_FILE_CATEGORIES = 2,
    QMMS_FILE_SUITE_DATA = 3,
    QMMS_FILE_JAR = 4,
    QMMS_FILE_RESOURCES = 5,
    QMMS_FILE_SECURITY = 6,
    QMMS_FILE_RECORDS_1 = 7,
    QMMS_FILE_RECORDS_2 = 8,
    QMMS_FILE_RECORDS_3 = 9,
    QMMS_FILE_DIRECTORY = 10,
};

enum {
    QMMS_SUITE_HEADER = 336,
    QMMS_MIDLET_ENTRY = 384,
    QMMS_MAX_MIDLETS = 10,
    QMMS_SECURITY_SIZE = 132,
    QMMS_MAX_PERMISSIONS = 30,
    QMMS_RAW_ENTRY = 256,
    QMMS_MAX_RAW_ENTRIES = 20,
    QMMS_RAW_EXTRA = 48,
    QMMS_MEMORY_SUITE = 999,
    QMMS_RAW_TEMP_NUMBER = 5,
};

struct QmmsSuiteData {
    char jarLocation[64];
    char sourceUrl[256];
    uint8_t tag[4];
    uint32_t jadSize;
    uint32_t jarSize;
    uint32_t midletCount;
    uint32_t versionMajor;
    uint32_t versionMinor;
    uint32_t versionMicro;
};
static_assert(sizeof(QmmsSuiteData) == 348, "QmmsSuiteData size");

struct QmmsMidletInfo {
    char name[64];
    char icon[64];
    char className[256];
};
static_assert(sizeof(QmmsMidletInfo) == 384, "QmmsMidletInfo size");

// Names, in a static buffer that the next call overwrites.
const char* qmms_getSuiteFileName(int id, int kind);
const char* qmms_getSuiteFileNameIn(const char* directory, int id, int kind);
const char* qmms_makeTempName(int id, int number);

int qmms_openSuite(int id);
int qmms_closeSuite(int commit);
int qmms_getSuiteData(QmmsSuiteData* data);
int qmms_setSuiteData(const QmmsSuiteData* data);
int qmms_getMidletEntry(int index, QmmsMidletInfo* entry);
int qmms_setMidletEntry(int index, const QmmsMidletInfo* entry);

int qmms_loadSecurity(int id);
int qmms_saveSecurity(int commit);
int qmms_getSecurityHeader(uint32_t* domain, uint32_t* count);
int qmms_setSecurityHeader(uint32_t domain, uint32_t count);
int qmms_getSecurityStates(uint32_t* states);
int qmms_setSecurityStates(const uint32_t* states);
int qmms_setSecurityState(int index, uint32_t value);

// A resource file is written between the store lock's taking and its release (an install
// holds it throughout): the next start takes a temporary file it finds for a crash's.
int qmms_createRawFile(int id, int count, const uint32_t* sizes);
int qmms_writeRawEntry(int index, const char* name, const void* data, const void* extra, int extraLength);
int qmms_commitRawFile(int mode);
int qmms_readRawEntry(int id, int index);
int qmms_readSuiteFile(int id, int index, void* buffer, int size);
// Size of the resource entry last loaded by qmms_readRawEntry or qmms_readSuiteFile; -1 none.
int qmms_getRawEntrySize(void);

int qmms_removeSuiteFiles(int id);
// Drops every cache that holds the suite (data, security, resource entry).
void qmms_forgetSuiteCaches(int id);
// Drops all of them, and a resource file under way; the store's start and stop do this.
void qmms_forgetAllSuiteCaches(void);
