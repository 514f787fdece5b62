// The "rom" connector: read-only files in memory, from the built-in tree and from up to
// 32 files that the suite store registers by name at run time.
#pragma once

#include "platform/gfs.h"
#include "storage/qmfs.h"

#include <stdint.h>

typedef GfsRomNode QmfsRomNode;

enum { QMFS_ROM_REGISTERED = 32, QMFS_ROM_SLOTS = 10 };

int qmfs_rom_fill(QmfsConnector* record);
// The name and the data are kept by pointer, in a tree node's words: both lie in the low
// window (platform/lowmem.h). 0, or -1 with error 7 when all entries are used.
int qmfs_rom_registerFile(const char* name, const void* data, uint32_t size);
// 0, or -1 with error 1 for an unknown name.
int qmfs_rom_unregisterFile(const char* name);
// Test seam: the tree that the next start takes instead of the built-in one (null: the
// built-in one again).
void qmfs_rom_setTree(const QmfsRomNode* nodes);
// The bytes of "rom://..." without opening it, or null.
const void* qmfs_rom_getFileDataPointer(const char* uri, uint32_t* size);
