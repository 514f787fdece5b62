// Whole host files read into memory: the JARs the development runner and the image
// generator are given by host path, outside the device's file tree.
#pragma once

#include <stdint.h>

#include <vector>

// Appends the file's bytes; false when it cannot be read or holds 2 GB or more.
bool HostFileReadAll(const char* path, std::vector<uint8_t>* bytes);
