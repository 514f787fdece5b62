// Test support for runs through the runner: the JARs read from the build tree and the
// trace captured into a string.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "platform/hostfile.h"

namespace kvmtest {

// The file's bytes; empty when it cannot be read.
inline std::vector<uint8_t> readFile(const char* path) {
    std::vector<uint8_t> bytes;
    if (!HostFileReadAll(path, &bytes)) bytes.clear();
    return bytes;
}

inline void capture(int c, void* context) { ((std::string*)context)->push_back((char)c); }

}  // namespace kvmtest
