// JAR reader. An archive is trusted for nothing: the directory walker checks every offset
// and size read from it against the archive's extent (the central directory must lie
// before the end record, entry data before the central directory) before it is used to
// seek, allocate or copy, and a failure answers a miss. A miss for a name the archive
// lacks is quiet; one for content the archive lists but cannot deliver is noted in
// JarLastDamage, so that the loader can tell a damaged JAR from an absent class. The
// VM's shared message buffer is the scratch area for the names the linear walk compares.
#include <string.h>

#include "vm/core/exceptions.h"
#include "vm/core/heap.h"
#include "vm/loader/jar.h"
#include "vm/zip/crc32.h"
#include "vm/zip/inflate.h"
#include "vm/zip/zipdir.h"

VMBSS JarIndex JarIndexes[JAR_INDEX_RECORDS];
VMBSS int32_t JarIndexesBuilt;
VMBSS JarDamage JarLastDamage;

enum {
    SCRATCH_LIMIT = 510,
    // DEFLATE codes at most 258 bytes in two bits
    MAX_INFLATE_RATIO = 1032,
};

static inline uint8_t* scratch() { return (uint8_t*)MessageBuffer; }

static bool seekTo(MemoryFileEntry* file, int64_t offset) {
    return offset >= 0 && offset <= 0x7FFFFFFF && seekMemoryFile(file, (int32_t)offset, 0) == 0;
}

// Reads count bytes at a file offset into the scratch area at 'at'; false when the file
// has fewer. A read that would reach the scratch area's last bytes ends the run.
static bool readScratch(MemoryFileEntry* file, int64_t offset, int32_t at, int32_t count) {
    if (at + count > SCRATCH_LIMIT) fatalVMError("too long directory entry.");
    return seekTo(file, offset) && readMemoryFile(scratch() + at, 1, count, file) == count;
}

static bool readBytesAt(MemoryFileEntry* file, int64_t offset, void* buffer, int32_t count) {
    return seekTo(file, offset) && (count == 0 || readMemoryFile(buffer, 1, count, file) == count);
}

static bool readZipBytes(void* context, int64_t offset, uint8_t* buffer, int32_t count) {
    return readBytesAt((MemoryFileEntry*)context, offset, buffer, count);
}

// The archive in file as the directory walker reads it.
static void zipOfFile(MemoryFileEntry* file, int64_t base, int64_t directoryStart, ZipArchive* zip) {
    zipInit(zip, readZipBytes, file, file->size);
    zip->base = base;
    zip->directoryStart = directoryStart;
}

// name is copied at once: it may lie in the Java heap.
static void noteDamage(const char* name, const char* what) {
    size_t length = strlen(name);
    if (length >= JAR_DAMAGE_NAME_SIZE) length = JAR_DAMAGE_NAME_SIZE - 1;
    memcpy(JarLastDamage.name, name, length);
    JarLastDamage.name[length] = 0;
    JarLastDamage.what = what;
}

uint8_t jarNameHash(const char* name, int32_t length) {
    uint32_t hash = (uint32_t)length;
    if (length >= 7) hash ^= (uint32_t)(uint8_t)name[length - 7] << 4;
    return (uint8_t)hash;
}

// Opening

// Indexes the headers the end record claims; false leaves no index.
static bool buildIndex(MemoryFileEntry* file, const ZipArchive* zip, JarIndex* record) {
    // a directory too small for its headers is refused before anything is allocated
    if (!zipCountFits(zip)) return false;
    int32_t total = (int32_t)zip->total;
    int32_t saved = TemporaryRootsLength;
    cell* slots = mallocHeapObject(total + 1, GCT_POINTERLIST);
    if (slots == nullptr) return false;
    memset(slots, 0, (size_t)(total + 1) * 4);
    slots[0] = total;
    makeTemporaryRoot(&slots);
    bool ok = true;
    int32_t live = 0;
    int64_t at = zip->directoryStart;
    for (int32_t i = 0; i < total; i++) {
        ZipEntry info;
        if (zipEntryAt(zip, at, zip->endRecord, &info) != ZIP_OK) {
            ok = false;
            break;
        }
        int32_t nameLength = (int32_t)info.nameLength;
        JarIndexEntry* e = (JarIndexEntry*)mallocHeapObject(
            (int32_t)((offsetof(JarIndexEntry, name) + nameLength + 1 + 3) / 4), GCT_NOPOINTERS);
        if (e == nullptr || !readBytesAt(file, info.name, e->name, nameLength)) {
            ok = false;
            break;
        }
        e->name[nameLength] = 0;
        at = info.next;
        if (nameLength > 0 && e->name[nameLength - 1] == '/') continue;
        e->localHeaderOffset = info.localOffset;
        e->size = info.size;
        e->compressedSize = info.compressedSize;
        e->crc = info.crc;
        e->method = (uint16_t)info.method;
        e->flags = (uint8_t)info.flags;
        e->hash = jarNameHash(e->name, nameLength);
        slots[i + 1] = p32Cell(e);
        live++;
    }
    if (ok) {
        record->firstLive = 0;
        record->liveCount = live;
        record->slots = slots;
        makeGlobalRoot(&record->slots);
    }
    TemporaryRootsLength = saved;
    return ok;
}

// What a refused archive notes; null when it is no refusal but an archive of no entry,
// which holds nothing but is whole.
static const char* openDamage(const ZipArchive* zip, ZipStatus status) {
    if (zip->endRecord == 0) return zip->total == 0 ? nullptr : "no end of central directory";
    switch (status) {
        case ZIP_DIRECTORY_MISPLACED:
            return "central directory out of place";
        case ZIP_NO_START:
            return "no local header at the start";
        case ZIP_UNREADABLE:
            return zip->endRecord > 0 ? "no local header at the start" : "no end of central directory";
        default:
            return "no end of central directory";
    }
}

int32_t jarOpen(const char* fileName, int32_t unused, JarFile* jar) {
    (void)unused;
    MemoryFileEntry* file = openMemoryFile(fileName, "rb");
    if (file == nullptr) return 0;
    int32_t size = -1;
    if (seekMemoryFile(file, 0, 2) == 0) size = tellMemoryFile(file);
    ZipArchive zip;
    zipInit(&zip, readZipBytes, file, size);
    ZipStatus status = zipOpen(&zip);
    if (status != ZIP_OK || zip.endRecord == 0) {
        const char* damage = openDamage(&zip, status);
        if (damage != nullptr) noteDamage(fileName, damage);
        closeMemoryFile(file);
        return 0;
    }
    jar->file = file;
    jar->baseOffset = (int32_t)zip.base;
    jar->directoryOffset = (int32_t)zip.directoryStart;
    jar->index = nullptr;
    if (JarIndexesBuilt < JAR_INDEX_RECORDS) {
        JarIndex* record = &JarIndexes[JarIndexesBuilt];
        if (buildIndex(file, &zip, record)) {
            JarIndexesBuilt++;
            jar->index = record;
        }
    }
    return 1;
}

void jarClose(JarFile* jar) {
    if (jar == nullptr) return;
    closeMemoryFile(jar->file);
    if (jar->index != nullptr) {
        jar->index->slots = nullptr;
        jar->index->liveCount = 0;
        jar->index->firstLive = 0;
        jar->index = nullptr;
    }
    jar->file = nullptr;
}

// Finding

// 1 hit, 0 not held, -1 the index cannot tell.
static int32_t findInIndex(JarIndex* index, const char* name, int32_t length, ZipEntry* info) {
    cell* slots = index->slots;
    if (slots == nullptr) return -1;
    int32_t total = slots[0];
    uint8_t hash = jarNameHash(name, length);
    int32_t i = index->firstLive;
    while (i < total && slots[i + 1] == 0) i++;
    index->firstLive = i;
    // classes stay in the index once found: a class whose load failed is read again
    for (int32_t left = index->liveCount; i < total && left >= 1; i++) {
        JarIndexEntry* e = p32Ptr<JarIndexEntry>(slots[i + 1]);
        if (e == nullptr) continue;
        if (e->hash == hash && strcmp(e->name, name) == 0) {
            info->localOffset = e->localHeaderOffset;
            info->size = e->size;
            info->compressedSize = e->compressedSize;
            info->crc = e->crc;
            info->method = e->method;
            info->flags = e->flags;
            return 1;
        }
        left--;
    }
    return 0;
}

// The walk ends cleanly at a record that follows a directory; anywhere else the
// directory is broken. It is bounded by the file: the end record's place is not kept.
static bool findInDirectory(const ZipArchive* zip, const char* name, int32_t length, ZipEntry* info) {
    MemoryFileEntry* file = (MemoryFileEntry*)zip->context;
    // names are compared in the scratch area behind a header's room: a longer name is
    // missing for the walk, whatever it is
    if (length > SCRATCH_LIMIT - ZIP_CENTRAL_HEADER_SIZE) return false;
    for (int64_t at = zip->directoryStart;; at = info->next) {
        ZipStatus status = zipEntryAt(zip, at, zip->size, info);
        if (status == ZIP_DIRECTORY_END) return false;
        if (status != ZIP_OK) {
            noteDamage(file->name, "central directory unreadable");
            return false;
        }
        if ((int32_t)info->nameLength != length) continue;
        if (!readScratch(file, info->name, ZIP_CENTRAL_HEADER_SIZE, length)) {
            noteDamage(file->name, "central directory unreadable");
            return false;
        }
        if (memcmp(scratch() + ZIP_CENTRAL_HEADER_SIZE, name, (size_t)length) == 0) return true;
    }
}

// The context is a flag word set when the heap had no room for a table.
static void* inflateTableAlloc(void* context, int32_t size) {
    cell* p = size > 0 && size <= getHeapSize() ? mallocHeapObject((size + 3) / 4, GCT_NOPOINTERS) : nullptr;
    if (p == nullptr) {
        *(int32_t*)context = 1;
        return nullptr;
    }
    lockObjectMemory(p);  // held across later allocations
    return p;
}

static void inflateTableFree(void* context, void* block) {
    (void)context;
    if (block != nullptr) unlockObjectMemory(block);
}

static int32_t inflateFileRead(uint8_t* buffer, int32_t size, void* context) {
    return readMemoryFile(buffer, 1, size, (MemoryFileEntry*)context);
}

// Refuses an entry the directory lists: the archive is damaged there.
static uint8_t* refuseEntry(const char* name, const char* what) {
    noteDamage(name, what);
    return nullptr;
}

uint8_t* jarFindEntry(JarFile* jar, const char* name, int32_t* size, int32_t headerRoom, int32_t isClass) {
    *size = 0;
    if (jar == nullptr || jar->file == nullptr || name == nullptr || headerRoom < 0) return nullptr;
    // the JarFile may sit in a heap block that moves with the allocation below
    MemoryFileEntry* file = jar->file;
    JarIndex* index = jar->index;
    int32_t length = (int32_t)strlen(name);
    ZipArchive zip;
    zipOfFile(file, jar->baseOffset, jar->directoryOffset, &zip);
    ZipEntry info;
    int32_t found = index != nullptr ? findInIndex(index, name, length, &info) : -1;
    if (found == 0 && isClass) return nullptr;
    if (found != 1 && !findInDirectory(&zip, name, length, &info)) return nullptr;

    if (info.flags & ZIP_FLAG_ENCRYPTED) return refuseEntry(name, "encrypted");
    if (info.method == ZIP_METHOD_STORED) {
        if (info.compressedSize != info.size) return refuseEntry(name, "stored sizes differ");
    } else if (info.method == ZIP_METHOD_DEFLATED) {
        if ((int64_t)info.size > (int64_t)info.compressedSize * MAX_INFLATE_RATIO)
            return refuseEntry(name, "size beyond what its data gives");
    } else {
        return refuseEntry(name, "unknown compression method");
    }
    // The local header and the data lie before the central directory.
    int64_t data = 0;
    ZipStatus placed = zipEntryData(&zip, &info, &data);
    if (placed == ZIP_DATA_OUT_OF_PLACE) return refuseEntry(name, "data truncated");
    if (placed != ZIP_OK) return refuseEntry(name, "bad local header");
    // A size no heap of this run could hold is taken for a lie of the archive.
    int64_t total = (int64_t)headerRoom + info.size;
    if (total > getHeapSize()) return refuseEntry(name, "size beyond the heap");

    // name may move with the allocation: its copy names the entry from here on
    char entryName[JAR_DAMAGE_NAME_SIZE];
    strncpy(entryName, name, sizeof entryName - 1);
    entryName[sizeof entryName - 1] = 0;
    cell* block = mallocHeapObject((int32_t)((total + 3) / 4), GCT_NOPOINTERS);
    if (block == nullptr) throwObject(OutOfMemoryObject);
    uint8_t* bytes = (uint8_t*)block + headerRoom;
    int32_t entrySize = (int32_t)info.size;
    if (!seekTo(file, data)) return refuseEntry(entryName, "data truncated");
    if (info.method == ZIP_METHOD_STORED) {
        if (entrySize > 0 && readMemoryFile(bytes, 1, entrySize, file) != entrySize)
            return refuseEntry(entryName, "data truncated");
    } else {
        // the tables the inflater allocates may move the block; bytes moves with it
        int32_t saved = TemporaryRootsLength;
        makeTemporaryInteriorRoot(&bytes, block);
        InflateSource source;
        inflateReadSource(&source, inflateFileRead, file);
        int32_t noRoom = 0;
        InflateAllocator allocator = {inflateTableAlloc, inflateTableFree, &noRoom};
        int32_t ok = inflateData(&source, (int32_t)info.compressedSize, &bytes, entrySize, &allocator);
        TemporaryRootsLength = saved;
        if (!ok && noRoom) throwObject(OutOfMemoryObject);
        if (!ok) return refuseEntry(entryName, inflateErrorName(source.error));
        block = (cell*)(bytes - headerRoom);
    }
    if (jarCrc32(bytes, entrySize) != info.crc) return refuseEntry(entryName, "CRC mismatch");
    *size = entrySize;
    return (uint8_t*)block;
}
