// Whole host files read into memory: the JARs the development runner and the image
// generator are given by host path, outside the device's file tree.
#pragma once

#include <stdint.h>

#include <vector>

enum HostFileResult {
    HOSTFILE_OK = 0,
    HOSTFILE_UNREADABLE = 1,
    HOSTFILE_NOT_REGULAR = 2,  // a device, FIFO or folder: never read, it may not end
    HOSTFILE_TOO_LARGE = 3,
};

// Appends the bytes of a regular file of at most maxBytes bytes.
HostFileResult HostFileReadBounded(const char* path, uint32_t maxBytes, std::vector<uint8_t>* bytes);
// The same for any regular file below 2 GB; false when it cannot be read.
bool HostFileReadAll(const char* path, std::vector<uint8_t>* bytes);
