// System properties of a run: the VM's 512-byte work buffer and the property lookup,
// which asks the platform first and then the built-in table.
#pragma once

#include <stdint.h>

enum { WORK_BUFFER_SIZE = 512 };

// Takes the work buffer for the run from the Java heap; null when it cannot be had.
char* mvVm_allocWorkBuffer(void);
// The value as UTF-8 text in the work buffer (valid until the next call), a built-in
// value, or null.
const char* mvProperty_getUtf8(const char* key);
