// A started suite store on a temporary device tree, with plenty of free space reported.
#pragma once

#include "storage/qmms_hooks.h"
#include "storage/qmms_index.h"
#include "storage/qmms_manager.h"
#include "storage/qmms_suitefiles.h"
#include "storage_fixture.h"

#include <stdio.h>
#include <string.h>

inline int32_t plentyOfSpace() { return 0x7FFFFFFF; }

inline QmmsSuiteInfo makeSuite(const char* name, const char* vendor, uint32_t category = 0, uint32_t jarSize = 1000) {
    QmmsSuiteInfo s;
    memset(&s, 0, sizeof s);
    snprintf(s.name, sizeof s.name, "%s", name);
    snprintf(s.vendor, sizeof s.vendor, "%s", vendor);
    snprintf(s.version, sizeof s.version, "1.0.0");
    snprintf(s.directory, sizeof s.directory, "gfs://java/");
    s.category = category;
    s.jarSize = jarSize;
    s.midletCount = 1;
    return s;
}

// Writes the suite data file of an installed suite (as the installer does, last).
inline bool writeSuiteDataFile(int id, const QmmsSuiteInfo& s) {
    QmmsSuiteData d;
    memset(&d, 0, sizeof d);
    snprintf(d.jarLocation, sizeof d.jarLocation, "gfs://java/%d.jar", id);
    d.jarSize = s.jarSize;
    d.midletCount = 1;
    QmmsMidletInfo m;
    memset(&m, 0, sizeof m);
    snprintf(m.name, sizeof m.name, "%s", s.name);
    snprintf(m.className, sizeof m.className, "Main");
    return qmms_openSuite(id) == 0 && qmms_setSuiteData(&d) == 0 && qmms_setMidletEntry(0, &m) == 0 &&
           qmms_closeSuite(1) == 0;
}

// Installs as the installer does: under the store lock, the slot, then the suite data file
// that completes the install. The id, or -1.
inline int installSuite(const QmmsSuiteInfo& s) {
    qmms_lockStore();
    int id = -1;
    bool ok = qmms_addSuite(&s, &id) == 0 && writeSuiteDataFile(id, s);
    qmms_unlockStore();
    return ok ? id : -1;
}

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        QmmsHooks hooks{};
        hooks.storageFreeSpace = plentyOfSpace;
        qmms_setHooks(&hooks);
        ASSERT_EQ(qmms_init(0), 0);
        ASSERT_EQ(qmms_lastStatus(), 0);
    }
    void TearDown() override {
        qmms_setHooks(nullptr);
        QmmsHooks hooks{};
        hooks.storageFreeSpace = plentyOfSpace;
        qmms_setHooks(&hooks);
        qmms_fini();
        qmms_setHooks(nullptr);
    }
    int add(const QmmsSuiteInfo& s) {
        int id = -1;
        EXPECT_EQ(qmms_addSuite(&s, &id), 0) << s.name;
        return id;
    }
    // A whole install: the slot, then the suite data file that completes it.
    int install(const QmmsSuiteInfo& s) { return installSuite(s); }
    DeviceTree tree_;
};
