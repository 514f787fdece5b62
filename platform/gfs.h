// The device's logical roots ("gfs://java" and the others) and their folders, and the
// built-in tree of in-memory files that the rom connector serves.
#pragma once

#include <stdint.h>

#include "platform/p32.h"

enum { GFS_ROOT_COUNT = 5, GFS_ROW_COUNT = 7, GFS_FOLDER_SIZE = 256 };

// One logical root: its name after "gfs://" and its device folder, ending in '\'.
struct GfsRootRecord {
    char name[32];
    char path[GFS_FOLDER_SIZE];
};
static_assert(sizeof(GfsRootRecord) == 288, "GfsRootRecord size");

// A node of the built-in in-memory tree; node 0 is the unnamed root folder. Indexes are
// positions in the node array, -1 for none.
struct GfsRomNode {
    P32<const char> name;
    P32<const void> data;
    uint32_t size;
    int32_t parent;
    int32_t firstChild;
    int32_t nextSibling;
    int32_t isDirectory;
};
static_assert(sizeof(GfsRomNode) == 28, "GfsRomNode size");

int GfsGetRootCount(void);
// 0, or -1 for an index above 4 or a folder that would not fit with its '\'.
int GfsGetRootPath(int index, GfsRootRecord* record);
// Reads the seven folder settings; a missing or empty one keeps its default folder.
void GfsInitPhysicalPaths(void);
// 0, or -1 for a row outside 0..6 or a folder of 256 bytes or more.
int GfsSetPhysicalPath(int row, const char* folder);
const char* GfsGetPhysicalPath(int row);
// Maps "gfs://..." or "drm://..." to a device path; 0, or -1 for no root or no room.
int GfsMapLogicalPath(const char* logical, char* out, int outSize);
// The built-in tree (generated at build time; defined with the storage library).
const GfsRomNode* GfsGetRomDescriptor(void);
