// A started suite store on a temporary device tree, with plenty of free space reported.
#pragma once

#include "storage/qmms_hooks.h"
#include "storage/qmms_index.h"
#include "storage/qmms_manager.h"
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
  DeviceTree tree_;
};
