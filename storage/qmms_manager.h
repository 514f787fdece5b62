// The suite store as the rest of the system sees it: start and stop, category and suite
// lists with their sort orders, look-up, the launch and notification requests posted to
// the host glue, and the temporary suite 999 that runs a descriptor and JAR from memory.
#pragma once

#include "storage/qmms_category.h"
#include "storage/qmms_index.h"

#include <stdint.h>

enum { QMMS_REQUEST_SIZE = 208, QMMS_STOP_MIN_FREE = 102400 };

enum {
    QMMS_REQUEST_LAUNCH = 1,
    QMMS_REQUEST_NOTIFY = 2,
    QMMS_REQUEST_RESUME = 3,
    QMMS_REQUEST_STOP = 4,
};

enum {
    QMMS_SORT_NAME = 1,
    QMMS_SORT_VENDOR = 2,
    QMMS_SORT_CATEGORY = 3,
    QMMS_SORT_PREINSTALLED = 4,
    QMMS_SORT_SECOND_FLAG = 5,
    QMMS_SORT_JAR_SIZE = 6,
};

// The request record: sender class, request kind, 200 payload bytes.
struct QmmsRequest {
    uint32_t sender;
    int32_t kind;
    uint8_t payload[200];
};
static_assert(sizeof(QmmsRequest) == QMMS_REQUEST_SIZE, "QmmsRequest size");

int qmms_init(uint32_t setting);
int qmms_fini(void);
int qmms_isStarted(void);

int qmms_getCategoryCount(void);
int qmms_getCategoryList(QmmsCategoryInfo* array);
int qmms_getSuiteCount(int category);
int qmms_getSuiteList(int category, QmmsSuiteInfo* array, int sortKey);
int qmms_getSuiteInfo(int id, QmmsSuiteInfo* info);
int qmms_getSuiteId(const char* name, const char* vendor);

int qmms_postLaunch(int suite, int midlet, int domainArgument, uintptr_t launchFlag);
int qmms_postLaunchDefault(int suite, int midlet, uintptr_t launchFlag);
int qmms_getLaunchedSuite(void);
int qmms_decodeLaunch(const void* record, int* suite, int* midlet, int* domainArgument);
int qmms_postPauseRequest(uint32_t value);
int qmms_postNotify3(void);
int qmms_postNotify4(void);

int qmms_registerMemorySuite(const char* jad, int jadSize, const void* jar, int jarSize, int midlet,
                             uintptr_t launchFlag);
int qmms_handleCleanup(const void* record);
