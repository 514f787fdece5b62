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

// Beyond the slots (the front end's qmfs_replaceFile, qmfs_replace, qmfs_openLock).
int qmfs_gfs_replaceFile(const char* path, const void* data, int size);
int qmfs_gfs_replace(const char* path, const char* targetPath);
FsLock* qmfs_gfs_openLock(const char* path);
// The connector's open slot, by which the front end knows its records.
QmfsOpenFn qmfs_gfs_connectorOpen(void);
