// Categories of installed suites, kept whole in memory from "gfs://java/category.dat".
#pragma once

#include <stdint.h>

enum { QMMS_CATEGORY_FILE_SIZE = 3331, QMMS_CATEGORY_SLOTS = 13 };

struct QmmsCategoryInfo {
    uint32_t index;
    char name[64];
    uint32_t fixed;  // 1 for indexes 0, 1 and 2
};
static_assert(sizeof(QmmsCategoryInfo) == 72, "QmmsCategoryInfo size");

extern const char QMMS_CATEGORY_FILE[];  // "gfs://java/category.dat"

// Loads the file, or builds the default image when it does not exist.
int qmms_createCategoryFile(void);
int qmms_saveCategoryFile(void);
int qmms_countCategories(void);
int qmms_listCategories(QmmsCategoryInfo* array);
// Whether the image may be written back: false after a damaged file was refused.
int qmms_categoryImageWritable(void);
