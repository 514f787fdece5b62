// The "gfs" connector: paths "//root/rest" name files below the device folders of the
// logical roots ("java", "sdc_root", "sdc_secure", "sd-card", "current").
#pragma once

#include "storage/qmfs.h"

#include <stdint.h>

enum { QMFS_GFS_ROOTS = 8, QMFS_GFS_SLOTS = 8, QMFS_GFS_PATH = 128 };

struct QmfsGfsRoot {
  char name[32];
  uint32_t nameLength;
  char hostFolder[64];  // ends with '\'
};
static_assert(sizeof(QmfsGfsRoot) == 100, "QmfsGfsRoot size");

// Fills the connector record and starts the connector; 0.
int qmfs_gfs_fill(QmfsConnector* record);
