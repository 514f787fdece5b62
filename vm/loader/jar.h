// JAR reader: opens a ZIP archive held as a named memory file, indexes its central
// directory, and reads one entry whole (stored or deflated, CRC-32 checked) into a block
// of the Java heap. Every offset and size taken from the archive is checked against the
// archive's own extent before it is used.
#pragma once

#include <stdint.h>

#include "platform/vmsections.h"
#include "vm/core/records.h"
#include "vm/loader/classpath.h"

struct JarIndex;

// The 16-byte area at the front of a class-path entry.
struct JarFile {
    P32<MemoryFileEntry> file;
    int32_t baseOffset;       // where the archive's first byte lies in the file
    int32_t directoryOffset;  // file offset of the central directory
    P32<JarIndex> index;      // null: searched linearly
};
static_assert(sizeof(JarFile) == 16, "JarFile is four words");
static_assert(sizeof(JarFile) == sizeof(ClassPathEntry::jar) && alignof(JarFile) <= alignof(ClassPathEntry),
              "a JarFile fills the front of a class-path entry");

// At most two archives of a run get an index. slots (a global root) is a heap array:
// word 0 the archive's total number of entries, then the address of one JarIndexEntry
// or 0 per entry.
struct JarIndex {
    int32_t firstLive;
    int32_t liveCount;
    cell* slots;
};
enum { JAR_INDEX_RECORDS = 2 };
extern VMBSS JarIndex JarIndexes[JAR_INDEX_RECORDS];
extern VMBSS int32_t JarIndexesBuilt;

struct JarIndexEntry {
    uint32_t localHeaderOffset;
    uint32_t size;
    uint32_t compressedSize;
    uint32_t crc;
    uint16_t method;
    uint8_t flags;  // low byte of the general-purpose flags
    uint8_t hash;
    char name[4];  // NUL-terminated, as long as needed
};
static_assert(offsetof(JarIndexEntry, name) == 20, "index entry header is five words");

uint8_t jarNameHash(const char* name, int32_t length);

// What the last archive or entry refused for its content was and why: an entry the
// directory lists whose bytes cannot be read, a directory that cannot be walked, a
// file that is no archive. A name the archive simply lacks notes nothing. The class
// path clears it before each lookup.
enum { JAR_DAMAGE_NAME_SIZE = 128 };
struct JarDamage {
    const char* what;                 // static text; null: nothing noted
    char name[JAR_DAMAGE_NAME_SIZE];  // the entry, or the archive when it is the archive
};
extern VMBSS JarDamage JarLastDamage;

// -> 1 and a filled JarFile, or 0 (damage noted when the file exists but is no archive).
int32_t jarOpen(const char* fileName, int32_t unused, JarFile* jar);
// -> a heap block whose entry bytes start after headerRoom bytes, with *size set; null
// (and *size 0) when the entry is missing or refused (a refusal notes damage). A class is found again on every
// lookup, so a class whose load failed can be read once more.
// jar may lie in the Java heap: it is only read before the first allocation.
uint8_t* jarFindEntry(JarFile* jar, const char* name, int32_t* size, int32_t headerRoom, int32_t isClass);
void jarClose(JarFile* jar);
