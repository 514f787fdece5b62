// Whole host files read into memory.
#include "platform/hostfile.h"

#include <stdio.h>
#include <sys/stat.h>

HostFileResult HostFileReadBounded(const char* path, uint32_t maxBytes, std::vector<uint8_t>* bytes) {
    // stat first: opening a FIFO for reading would wait for a writer
    struct stat info;
    if (stat(path, &info) != 0) return HOSTFILE_UNREADABLE;
    if (!S_ISREG(info.st_mode)) return HOSTFILE_NOT_REGULAR;
    if ((uint64_t)info.st_size > maxBytes) return HOSTFILE_TOO_LARGE;
    FILE* f = fopen(path, "rb");
    if (f == nullptr) return HOSTFILE_UNREADABLE;
    size_t start = bytes->size();
    uint8_t buffer[65536];
    size_t n;
    bool tooLarge = false;
    while (!tooLarge && (n = fread(buffer, 1, sizeof buffer, f)) > 0) {
        bytes->insert(bytes->end(), buffer, buffer + n);
        tooLarge = bytes->size() - start > maxBytes;  // it grew since the stat
    }
    bool ok = !ferror(f);
    fclose(f);
    if (tooLarge) {
        bytes->resize(start);
        return HOSTFILE_TOO_LARGE;
    }
    return ok ? HOSTFILE_OK : HOSTFILE_UNREADABLE;
}

bool HostFileReadAll(const char* path, std::vector<uint8_t>* bytes) {
    return HostFileReadBounded(path, 0x7FFFFFFE, bytes) == HOSTFILE_OK;
}
