// The defaults do the least: nothing starts, events go nowhere; the suite store's own
// functions list the suites.
#include "host/vm/hostglue.h"

#include "host/vm/vmshell.h"
#include "storage/qmms_manager.h"

namespace {
int32_t none(void) { return 0; }
int32_t noFiles(const char*, const char*, int32_t) { return -1; }
int32_t noPath(const char*) { return -1; }
int32_t noSuite(int32_t, int32_t) { return -1; }
void nothing(void) {}
int32_t noEvent(int32_t, int32_t, int32_t) { return 0; }
int32_t noKeyMap(const KeyEntry*, const KeyExtendedList*) { return 1; }
void noPriority(int32_t) {}
int32_t storageInit(void) { return qmms_init(0) == 0 ? 1 : 0; }
void storageFini(void) { qmms_fini(); }
int32_t categoryCount(void) { return qmms_getCategoryCount(); }
int32_t countSuites(int32_t category) { return qmms_getSuiteCount(category); }
int32_t suiteList(int32_t category, QmmsSuiteInfo* array, int32_t max) {
    return qmms_getSuiteList(category, array, QMMS_SORT_NAME) == 0 ? max : 0;
}
int32_t displayOpened(void) { return 1; }
int32_t displayClosed(void) { return 1; }
}  // namespace

const HostGlue hostGlueDefaults = {none,       noFiles,     noPath,        noSuite,       nothing,
                                   nothing,    nothing,     noEvent,       noEvent,       noKeyMap,
                                   noPriority, storageInit, storageFini,   categoryCount, countSuites,
                                   suiteList,  ScreenBlit,  displayOpened, displayClosed, ScreenClear};
HostGlue hostGlue = hostGlueDefaults;
