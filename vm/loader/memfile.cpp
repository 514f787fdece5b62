// Named memory files: eight entries, each over a block of bytes or a read callback. A
// callback file is read through one VM-wide 1024-byte cache so that the byte-sized reads
// of the class loader do not each cost a host call.
#include <string.h>

#include "vm/loader/classpath.h"

VMBSS MemoryFileEntry MemoryFiles[MEMORY_FILE_COUNT];

// Read cache of callback files; empty while cacheValid is 0.
static VMBSS uint8_t cacheBytes[MEMORY_FILE_CACHE_SIZE];
static VMBSS int32_t cacheOffset;
static VMBSS int32_t cacheValid;
static VMBSS MemoryFileEntry* cacheOwner;

enum {
    DIRECT_READ_MIN = 512,
    MAX_EMPTY_READS = 10240,
};

static MemoryFileEntry* findMemoryFile(const char* name) {
    if (name == nullptr) return nullptr;
    for (int i = 0; i < MEMORY_FILE_COUNT; i++) {
        MemoryFileEntry* f = &MemoryFiles[i];
        if (f->name[0] != 0 && strcmp(f->name, name) == 0) return f;
    }
    return nullptr;
}

int32_t registerMemoryFile(const char* name, const uint8_t* data, MemoryFileReadFn read, int32_t size) {
    if (name == nullptr || name[0] == 0) return -2;
    for (int i = 0; i < MEMORY_FILE_COUNT; i++) {
        // compared as it would be stored, so a long name cannot be registered twice
        if (MemoryFiles[i].name[0] != 0 && strncmp(MemoryFiles[i].name, name, MEMORY_FILE_NAME_SIZE - 1) == 0)
            return -3;
    }
    int slot = 0;
    while (slot < MEMORY_FILE_COUNT && MemoryFiles[slot].name[0] != 0) slot++;
    if (slot == MEMORY_FILE_COUNT) return -4;
    MemoryFileEntry* f = &MemoryFiles[slot];
    memset(f, 0, sizeof *f);
    strncpy(f->name, name, MEMORY_FILE_NAME_SIZE - 1);
    f->data = data;
    f->read = data == nullptr ? read : nullptr;
    f->size = size < 0 ? 0 : size;
    if (data == nullptr && read == nullptr) return -1;
    return slot + 1;
}

void unregisterMemoryFile(const char* name, int32_t handle) {
    MemoryFileEntry* f;
    if (name != nullptr) {
        f = findMemoryFile(name);
    } else {
        f = memoryFileForHandle(handle);
        if (f != nullptr && f->name[0] == 0) f = nullptr;
    }
    if (f == nullptr) return;
    if (cacheOwner == f) {
        cacheOwner = nullptr;
        cacheValid = 0;
    }
    memset(f, 0, sizeof *f);
}

MemoryFileEntry* memoryFileForHandle(int32_t handle) {
    if (handle < 1 || handle > MEMORY_FILE_COUNT) return nullptr;
    return &MemoryFiles[handle - 1];
}

MemoryFileEntry* openMemoryFile(const char* name, const char* mode) {
    (void)mode;
    MemoryFileEntry* f = findMemoryFile(name);
    if (f == nullptr) return nullptr;
    f->openFlag = 1;
    f->position = 0;
    return f;
}

int32_t openMemoryFileHandle(const char* name, const char* mode) {
    MemoryFileEntry* f = openMemoryFile(name, mode);
    return f == nullptr ? -1 : (int32_t)(f - MemoryFiles) + 1;
}

void closeMemoryFile(MemoryFileEntry* file) {
    if (file == nullptr) return;
    file->openFlag = 0;
    file->position = 0;
    if (cacheOwner == file) {
        cacheOwner = nullptr;
        cacheValid = 0;
    }
}

// One callback call into the cache at start; answers the callback's result.
static int32_t refillCache(MemoryFileEntry* file, int32_t start) {
    int32_t want = file->size - start;
    if (want > MEMORY_FILE_CACHE_SIZE) want = MEMORY_FILE_CACHE_SIZE;
    int32_t got = file->read(cacheBytes, start, want);
    if (got > want) got = want;  // a callback that claims more than asked is not trusted
    cacheOffset = start;
    cacheValid = got > 0 ? got : 0;
    return got;
}

static bool cacheHolds(int32_t position) {
    return cacheValid > 0 && position >= cacheOffset && position - cacheOffset < cacheValid;
}

static int32_t readCallbackFile(MemoryFileEntry* file, uint8_t* buffer, int32_t count) {
    int32_t left = file->size - file->position;
    if (left <= 0) return -1;
    if (count > left) count = left;
    int32_t delivered = 0;
    int32_t empty = 0;
    while (delivered < count) {
        int32_t want = count - delivered;
        int32_t position = file->position;
        if (want >= DIRECT_READ_MIN) {
            int32_t got = file->read(buffer + delivered, position, want);
            if (got < 0) break;
            if (got == 0) {
                if (++empty >= MAX_EMPTY_READS) break;
                continue;
            }
            empty = 0;
            if (got > want) got = want;
            delivered += got;
            file->position = position + got;
            continue;
        }
        if (cacheOwner != file) {
            cacheOwner = file;
            cacheValid = 0;
        }
        if (!cacheHolds(position)) {
            int32_t start = position;
            if (position > file->size - MEMORY_FILE_CACHE_SIZE) {
                start = file->size - MEMORY_FILE_CACHE_SIZE;
                if (start < 0) start = 0;
            }
            int32_t got = refillCache(file, start);
            if (got >= 0 && !cacheHolds(position) && start != position) got = refillCache(file, position);
            if (got < 0) break;
            if (!cacheHolds(position)) {
                if (++empty >= MAX_EMPTY_READS) break;
                continue;
            }
            empty = 0;
        }
        int32_t n = cacheOffset + cacheValid - position;
        if (n > want) n = want;
        memcpy(buffer + delivered, cacheBytes + (position - cacheOffset), (size_t)n);
        delivered += n;
        file->position = position + n;
    }
    return delivered;
}

int32_t readMemoryFile(void* buffer, int32_t size, int32_t count, MemoryFileEntry* file) {
    if (file == nullptr || !file->openFlag || buffer == nullptr || size <= 0 || count <= 0) return 0;
    int64_t wanted = (int64_t)size * count;
    int32_t left = file->size - file->position;
    if (wanted > left) wanted = left;
    if (wanted <= 0) return file->data == nullptr && file->read != nullptr ? -1 : 0;
    int32_t n = (int32_t)wanted;
    if (file->data != nullptr) {
        memcpy(buffer, file->data + file->position, (size_t)n);
        file->position += n;
        return n;
    }
    if (file->read == nullptr) return 0;
    return readCallbackFile(file, (uint8_t*)buffer, n);
}

int32_t seekMemoryFile(MemoryFileEntry* file, int32_t offset, int32_t whence) {
    if (file == nullptr || !file->openFlag) return -1;
    int64_t base;
    switch (whence) {
        case 0:
            base = 0;
            break;
        case 1:
            base = file->position;
            break;
        case 2:
            base = file->size;
            break;
        default:
            return -1;
    }
    int64_t target = base + offset;
    if (target < 0 || target > file->size) return -1;
    file->position = (int32_t)target;
    return 0;
}

int32_t tellMemoryFile(MemoryFileEntry* file) { return file == nullptr ? -1 : file->position; }

int32_t getcMemoryFile(MemoryFileEntry* file) {
    if (file == nullptr || !file->openFlag || file->position >= file->size) return -1;
    if (file->data != nullptr) return file->data[file->position++];
    uint8_t b;
    if (file->read == nullptr || readCallbackFile(file, &b, 1) != 1) return -1;
    return b;
}

int32_t statMemoryFile(const char* name, int32_t* mode, int32_t* size) {
    MemoryFileEntry* f = findMemoryFile(name);
    if (f == nullptr) return -1;
    if (mode) *mode = MEMORY_FILE_MODE_REGULAR;
    if (size) *size = f->size;
    return 0;
}
