// Storage test fixtures over a temporary device tree.
#pragma once

#include "device_tree.h"
#include "storage/qmfs.h"

#include <gtest/gtest.h>

// A device tree with the front end started.
class StorageTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(qmfs_initialize(), 0); }
    void TearDown() override { qmfs_finalize(); }
    DeviceTree tree_;
};
