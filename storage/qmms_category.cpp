// Categories.
#include "storage/qmms_category.h"

#include "storage/qmfs.h"
#include "storage/qmms_index.h"

#include <string.h>

const char QMMS_CATEGORY_FILE[] = "gfs://java/category.dat";

static uint8_t catImage[QMMS_CATEGORY_FILE_SIZE];
static int catWritable;

static void catDefaults(void) {
    memset(catImage, 0, sizeof catImage);
    memcpy(catImage, "QMMSCATSIG", 11);
    catImage[256] = 1;
    strcpy((char*)catImage + 257, "unfiled");
    catImage[512] = 1;
    strcpy((char*)catImage + 513, "preinstalled");
}

int qmms_createCategoryFile(void) {
    QmfsStat st;
    if (qmfs_stat(QMMS_CATEGORY_FILE, &st) != 0) {
        catDefaults();
        catWritable = 1;
        return 0;
    }
    QmfsMode mode = QmfsReadExisting;
    static uint8_t buf[QMMS_CATEGORY_FILE_SIZE];
    int h = qmfs_open(QMMS_CATEGORY_FILE, &mode);
    int ok = h >= 0 && qmfs_read(h, buf, sizeof buf) == (int)sizeof buf;
    if (h >= 0) qmfs_close(h);
    if (!ok) {
        // A damaged file is left as it is on the disk: defaults serve in memory only.
        catDefaults();
        catWritable = 0;
        qmms_setStatus(QMMS_STATUS_FILE_ERROR);
        return -1;
    }
    memcpy(catImage, buf, sizeof buf);
    catWritable = 1;
    return 0;
}

int qmms_categoryImageWritable(void) { return catWritable; }

int qmms_saveCategoryFile(void) {
    // whole or not at all, and never while the other program writes the store
    qmms_lockStore();
    int r = qmfs_replaceFile(QMMS_CATEGORY_FILE, catImage, sizeof catImage);
    qmms_unlockStore();
    if (r != 0) {
        qmms_setStatus(QMMS_STATUS_FILE_ERROR);
        return -1;
    }
    catWritable = 1;
    return 0;
}

static int catUsed(int k) { return catImage[256 + k * 256] == 1; }

int qmms_countCategories(void) {
    int n = 0;
    for (int k = 0; k < QMMS_CATEGORY_SLOTS; k++)
        if (catUsed(k)) n++;
    return n;
}

int qmms_listCategories(QmmsCategoryInfo* array) {
    if (array == nullptr) return 0;
    int n = 0;
    for (int k = 0; k < QMMS_CATEGORY_SLOTS; k++) {
        if (!catUsed(k)) continue;
        QmmsCategoryInfo* c = &array[n++];
        memset(c, 0, sizeof *c);
        c->index = (uint32_t)k;
        int at = 256 + k * 256 + 1;
        int avail = QMMS_CATEGORY_FILE_SIZE - at;
        if (avail > 64) avail = 64;
        memcpy(c->name, catImage + at, (size_t)avail);
        // the name ends inside its field (or where the file ends, for slot 12)
        c->name[avail < 64 ? avail : 63] = 0;
        c->fixed = k <= 2 ? 1 : 0;
    }
    return n;
}
