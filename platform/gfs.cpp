// Logical roots of the gfs and drm schemes and their device folders.
#include "platform/gfs.h"

#include "platform/registry.h"

#include <string.h>

static const char* const gfsPrefixes[GFS_ROW_COUNT] = {"gfs://java",    "gfs://sdc_root", "gfs://sdc_secure",
                                                       "gfs://sd-card", "gfs://current",  "drm://java",
                                                       "drm://sd-card"};

static const char* const gfsSettings[GFS_ROW_COUNT] = {
    "Gfs_Java_PhysicalPath",    "Gfs_SdcRoot_PhysicalPath", "Gfs_SdcSecure_PhysicalPath", "Gfs_SdCard_PhysicalPath",
    "Gfs_Current_PhysicalPath", "Drm_Java_PhysicalPath",    "Drm_SdCard_PhysicalPath"};

static const char gfsDefaultFolder[] = "\\Storage\\Movane\\java";

static char gfsFolders[GFS_ROW_COUNT][GFS_FOLDER_SIZE];

static const char* gfsFolder(int row) { return gfsFolders[row][0] != 0 ? gfsFolders[row] : gfsDefaultFolder; }

int GfsGetRootCount(void) { return GFS_ROOT_COUNT; }

int GfsSetPhysicalPath(int row, const char* folder) {
    if (row < 0 || row >= GFS_ROW_COUNT || folder == nullptr) return -1;
    size_t n = strlen(folder);
    if (n >= GFS_FOLDER_SIZE) return -1;
    memcpy(gfsFolders[row], folder, n + 1);
    return 0;
}

const char* GfsGetPhysicalPath(int row) {
    if (row < 0 || row >= GFS_ROW_COUNT) return nullptr;
    return gfsFolder(row);
}

void GfsInitPhysicalPaths(void) {
    for (int row = 0; row < GFS_ROW_COUNT; row++) {
        char value[GFS_FOLDER_SIZE];
        uint32_t type = 0, size = sizeof value;
        int err = RegistryQueryValue(HKEY_CURRENT_USER, "Software\\Movane", gfsSettings[row], &type, value, &size);
        // A missing, empty or oversized setting keeps the default folder: an empty one would
        // put the root at the top of the device's file system.
        if (err == 0 && type == REG_SZ && size > 1 && value[0] != 0)
            GfsSetPhysicalPath(row, value);
        else
            gfsFolders[row][0] = 0;
    }
}

int GfsMapLogicalPath(const char* logical, char* out, int outSize) {
    if (logical == nullptr || out == nullptr || outSize <= 0) return -1;
    for (int row = 0; row < GFS_ROW_COUNT; row++) {
        size_t plen = strlen(gfsPrefixes[row]);
        if (strncmp(logical, gfsPrefixes[row], plen) != 0) continue;
        const char* folder = gfsFolder(row);
        size_t flen = strlen(folder);
        size_t rlen = strlen(logical + plen);
        if (flen + rlen + 1 > (size_t)outSize || flen + rlen + 1 > GFS_FOLDER_SIZE) return -1;
        memcpy(out, folder, flen);
        for (size_t i = 0; i < rlen; i++) {
            char c = logical[plen + i];
            out[flen + i] = c == '/' ? '\\' : c;
        }
        out[flen + rlen] = 0;
        return 0;
    }
    return -1;
}

int GfsGetRootPath(int index, GfsRootRecord* record) {
    if (index < 0 || index >= GFS_ROOT_COUNT || record == nullptr) return -1;
    char folder[GFS_FOLDER_SIZE];
    if (GfsMapLogicalPath(gfsPrefixes[index], folder, sizeof folder) != 0) return -1;
    size_t n = strlen(folder);
    if (n == 0 || folder[n - 1] != '\\') {
        if (n + 2 > sizeof record->path) return -1;
        folder[n++] = '\\';
        folder[n] = 0;
    }
    memset(record, 0, sizeof *record);
    strcpy(record->name, gfsPrefixes[index] + 6);  // after "gfs://"
    memcpy(record->path, folder, n + 1);
    return 0;
}
