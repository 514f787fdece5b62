// JAR reader. An archive is trusted for nothing: every offset and size read from it is
// checked against the archive's extent (the central directory must lie before the end
// record, entry data before the central directory) before it is used to seek, allocate
// or copy, and a failure answers a miss. A miss for a name the archive lacks is quiet;
// one for content the archive lists but cannot deliver is noted in JarLastDamage, so
// that the loader can tell a damaged JAR from an absent class. The VM's shared message
// buffer is the scratch area for the end-record search and the headers.
#include <string.h>

#include "vm/core/exceptions.h"
#include "vm/core/heap.h"
#include "vm/loader/inflate.h"
#include "vm/loader/jar.h"

VMBSS JarIndex JarIndexes[JAR_INDEX_RECORDS];
VMBSS int32_t JarIndexesBuilt;
VMBSS JarDamage JarLastDamage;

enum {
    END_RECORD_SIZE = 22,
    CENTRAL_HEADER_SIZE = 46,
    LOCAL_HEADER_SIZE = 30,
    END_SEARCH_SPAN = 65535 + END_RECORD_SIZE,
    END_SEARCH_FLOOR = LOCAL_HEADER_SIZE + CENTRAL_HEADER_SIZE,
    SCRATCH_LIMIT = 510,
    METHOD_STORED = 0,
    METHOD_DEFLATED = 8,
    FLAG_ENCRYPTED = 1,
    // DEFLATE codes at most 258 bytes in two bits
    MAX_INFLATE_RATIO = 1032,
};

static const uint32_t END_SIGNATURE = 0x06054b50;
static const uint32_t CENTRAL_SIGNATURE = 0x02014b50;
static const uint32_t LOCAL_SIGNATURE = 0x04034b50;
// Records that may follow the central directory: a walk that stops at one has ended.
static const uint32_t ZIP64_END_SIGNATURE = 0x06064b50;
static const uint32_t DIGITAL_SIGNATURE = 0x05054b50;

static inline uint32_t le16(const uint8_t* p) { return (uint32_t)p[0] | ((uint32_t)p[1] << 8); }
static inline uint32_t le32(const uint8_t* p) { return le16(p) | (le16(p + 2) << 16); }
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

// CRC-32

struct CrcTable {
    uint32_t words[256];
};

static constexpr CrcTable makeCrcTable() {
    CrcTable t{};
    for (uint32_t n = 0; n < 256; n++) {
        uint32_t c = n;
        for (int k = 0; k < 8; k++) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t.words[n] = c;
    }
    return t;
}

// Read-only and the same in every run.
static constexpr CrcTable Crc = makeCrcTable();

uint32_t jarCrc32(const uint8_t* data, int32_t length) {
    const uint32_t* table = Crc.words;
    uint32_t c = 0xFFFFFFFFu;
    for (int32_t i = 0; i < length; i++) c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

// Opening

// The end record is the last "PK" 5 6 whose comment ends exactly at the file's end.
// Windows of the scratch area are read from the end backwards, overlapping by 21 bytes
// so that no candidate straddles two windows. Answers its offset or -1.
static int32_t findEndRecord(MemoryFileEntry* file, int32_t size) {
    int32_t floor = size - END_SEARCH_SPAN;
    if (floor < END_SEARCH_FLOOR) floor = END_SEARCH_FLOOR;
    if (size - END_RECORD_SIZE < floor) return -1;
    int32_t high = size;
    for (;;) {
        int32_t low = high - SCRATCH_LIMIT;
        if (low < floor) low = floor;
        if (!readScratch(file, low, 0, high - low)) return -1;
        const uint8_t* w = scratch();
        for (int32_t p = high - END_RECORD_SIZE; p >= low; p--) {
            const uint8_t* r = w + (p - low);
            if (r[0] == 'P' && le32(r) == END_SIGNATURE && (int64_t)p + END_RECORD_SIZE + le16(r + 20) == size)
                return p;
        }
        if (low == floor) return -1;
        high = low + END_RECORD_SIZE - 1;
    }
}

// An archive of no entry is its end record alone, too short for the search above; it
// holds nothing, but it is whole.
static bool isEmptyArchive(MemoryFileEntry* file, int32_t size) {
    if (size < END_RECORD_SIZE || !readScratch(file, 0, 0, END_RECORD_SIZE)) return false;
    const uint8_t* r = scratch();
    return le32(r) == END_SIGNATURE && le16(r + 10) == 0 && END_RECORD_SIZE + (int64_t)le16(r + 20) == size;
}

struct CentralInfo {
    uint32_t localHeaderOffset;
    uint32_t size;
    uint32_t compressedSize;
    uint32_t crc;
    uint32_t method;
    uint32_t flags;
};

static void takeCentralHeader(const uint8_t* h, CentralInfo* info) {
    info->flags = le16(h + 8);
    info->method = le16(h + 10);
    info->crc = le32(h + 16);
    info->compressedSize = le32(h + 20);
    info->size = le32(h + 24);
    info->localHeaderOffset = le32(h + 42);
}

// Indexes the central directory [start, end) of total headers; false leaves no index.
static bool buildIndex(MemoryFileEntry* file, int64_t start, int64_t end, int32_t total, JarIndex* record) {
    // a directory too small for its headers is refused before anything is allocated
    if ((int64_t)total * CENTRAL_HEADER_SIZE > end - start) return false;
    int32_t saved = TemporaryRootsLength;
    cell* slots = mallocHeapObject(total + 1, GCT_POINTERLIST);
    if (slots == nullptr) return false;
    memset(slots, 0, (size_t)(total + 1) * 4);
    slots[0] = total;
    makeTemporaryRoot(&slots);
    bool ok = true;
    int32_t live = 0;
    int64_t at = start;
    for (int32_t i = 0; i < total; i++) {
        if (at + CENTRAL_HEADER_SIZE > end || !readScratch(file, at, 0, CENTRAL_HEADER_SIZE) ||
            le32(scratch()) != CENTRAL_SIGNATURE) {
            ok = false;
            break;
        }
        const uint8_t* h = scratch();
        int32_t nameLength = (int32_t)le16(h + 28);
        int64_t next = at + CENTRAL_HEADER_SIZE + nameLength + le16(h + 30) + le16(h + 32);
        if (at + CENTRAL_HEADER_SIZE + nameLength > end) {
            ok = false;
            break;
        }
        CentralInfo info;
        takeCentralHeader(h, &info);
        JarIndexEntry* e = (JarIndexEntry*)mallocHeapObject(
            (int32_t)((offsetof(JarIndexEntry, name) + nameLength + 1 + 3) / 4), GCT_NOPOINTERS);
        if (e == nullptr || !readBytesAt(file, at + CENTRAL_HEADER_SIZE, e->name, nameLength)) {
            ok = false;
            break;
        }
        e->name[nameLength] = 0;
        at = next;
        if (nameLength > 0 && e->name[nameLength - 1] == '/') continue;
        e->localHeaderOffset = info.localHeaderOffset;
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

int32_t jarOpen(const char* fileName, int32_t unused, JarFile* jar) {
    (void)unused;
    MemoryFileEntry* file = openMemoryFile(fileName, "rb");
    if (file == nullptr) return 0;
    int32_t size = -1;
    if (seekMemoryFile(file, 0, 2) == 0) size = tellMemoryFile(file);
    int32_t endRecord = size > 0 ? findEndRecord(file, size) : -1;
    if (endRecord < 0 || !readScratch(file, endRecord, 0, END_RECORD_SIZE)) {
        if (!isEmptyArchive(file, size)) noteDamage(fileName, "no end of central directory");
        closeMemoryFile(file);
        return 0;
    }
    const uint8_t* r = scratch();
    int32_t total = (int32_t)le16(r + 10);
    int64_t directorySize = le32(r + 12);
    int64_t directoryOffset = le32(r + 16);
    int64_t directoryStart = endRecord - directorySize;
    int64_t base = directoryStart - directoryOffset;
    const char* damage = nullptr;
    if (directoryStart < 0 || base < 0)
        damage = "central directory out of place";
    else if (!readScratch(file, base, 0, 4) || le32(scratch()) != LOCAL_SIGNATURE)
        damage = "no local header at the start";
    if (damage != nullptr) {
        noteDamage(fileName, damage);
        closeMemoryFile(file);
        return 0;
    }
    jar->file = file;
    jar->baseOffset = (int32_t)base;
    jar->directoryOffset = (int32_t)directoryStart;
    jar->index = nullptr;
    if (JarIndexesBuilt < JAR_INDEX_RECORDS) {
        JarIndex* record = &JarIndexes[JarIndexesBuilt];
        if (buildIndex(file, directoryStart, endRecord, total, record)) {
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
static int32_t findInIndex(JarIndex* index, const char* name, int32_t length, CentralInfo* info) {
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
            info->localHeaderOffset = e->localHeaderOffset;
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

// The walk over the directory ended cleanly when it stopped at a record that follows a
// directory; anywhere else the directory is broken.
static bool atDirectoryEnd(MemoryFileEntry* file, int64_t at) {
    if (!readScratch(file, at, 0, 4)) return false;
    uint32_t signature = le32(scratch());
    return signature == END_SIGNATURE || signature == ZIP64_END_SIGNATURE || signature == DIGITAL_SIGNATURE;
}

static bool findInDirectory(MemoryFileEntry* file, int64_t at, const char* name, int32_t length, CentralInfo* info) {
    // a longer name does not fit the scratch area to be compared: for the walk it is
    // missing, whatever it is
    if (length > SCRATCH_LIMIT - CENTRAL_HEADER_SIZE) return false;
    // the walk ends at the first header that is not one; each step moves forward
    for (;;) {
        if (!readScratch(file, at, 0, CENTRAL_HEADER_SIZE) || le32(scratch()) != CENTRAL_SIGNATURE) {
            if (!atDirectoryEnd(file, at)) noteDamage(file->name, "central directory unreadable");
            return false;
        }
        int32_t nameLength = (int32_t)le16(scratch() + 28);
        if (nameLength == length) {
            if (!readScratch(file, at + CENTRAL_HEADER_SIZE, CENTRAL_HEADER_SIZE, nameLength)) {
                noteDamage(file->name, "central directory unreadable");
                return false;
            }
            if (memcmp(scratch() + CENTRAL_HEADER_SIZE, name, (size_t)length) == 0) {
                takeCentralHeader(scratch(), info);
                return true;
            }
        }
        const uint8_t* h = scratch();
        at += CENTRAL_HEADER_SIZE + nameLength + le16(h + 30) + le16(h + 32);
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
    int64_t base = jar->baseOffset;
    int64_t directoryStart = jar->directoryOffset;
    JarIndex* index = jar->index;
    int32_t length = (int32_t)strlen(name);
    CentralInfo info;
    int32_t found = index != nullptr ? findInIndex(index, name, length, &info) : -1;
    if (found == 0 && isClass) return nullptr;
    if (found != 1 && !findInDirectory(file, directoryStart, name, length, &info)) return nullptr;

    if (info.flags & FLAG_ENCRYPTED) return refuseEntry(name, "encrypted");
    if (info.method == METHOD_STORED) {
        if (info.compressedSize != info.size) return refuseEntry(name, "stored sizes differ");
    } else if (info.method == METHOD_DEFLATED) {
        if ((int64_t)info.size > (int64_t)info.compressedSize * MAX_INFLATE_RATIO)
            return refuseEntry(name, "size beyond what its data gives");
    } else {
        return refuseEntry(name, "unknown compression method");
    }
    // The local header and the data lie before the central directory.
    int64_t local = base + info.localHeaderOffset;
    if (local + LOCAL_HEADER_SIZE > directoryStart || !readScratch(file, local, 0, LOCAL_HEADER_SIZE) ||
        le32(scratch()) != LOCAL_SIGNATURE) {
        return refuseEntry(name, "bad local header");
    }
    int64_t data = local + LOCAL_HEADER_SIZE + le16(scratch() + 26) + le16(scratch() + 28);
    if (data + info.compressedSize > directoryStart) return refuseEntry(name, "data truncated");
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
    if (info.method == METHOD_STORED) {
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
        if (!ok) return refuseEntry(entryName, "compressed data corrupt");
        block = (cell*)(bytes - headerRoom);
    }
    if (jarCrc32(bytes, entrySize) != info.crc) return refuseEntry(entryName, "CRC mismatch");
    *size = entrySize;
    return (uint8_t*)block;
}
