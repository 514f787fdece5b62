// Whole host files read into memory.
#include "platform/hostfile.h"

#include <stdio.h>

bool HostFileReadAll(const char* path, std::vector<uint8_t>* bytes) {
    FILE* f = fopen(path, "rb");
    if (f == nullptr) return false;
    uint8_t buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) bytes->insert(bytes->end(), buffer, buffer + n);
    bool ok = !ferror(f);
    fclose(f);
    return ok && bytes->size() < 0x7FFFFFFF;
}
