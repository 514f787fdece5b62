// Test support for the JAR reader: opens an archive held as a named memory file (its
// bytes in an exact-size buffer, or behind a read callback over the same buffer) inside
// a VM run and looks entries up, reporting what each lookup answered.
#pragma once

#include <string.h>

#include <string>
#include <vector>

#include "support/lowmem_fixture.h"
#include "support/vmasm.h"
#include "support/zipwriter.h"
#include "vm/loader/classpath.h"
#include "vm/loader/jar.h"
#include "vm/zip/crc32.h"

namespace jartest {

struct Probe {
    std::string name;
    bool isClass;
};

struct Outcome {
    bool opened = false;
    bool indexed = false;
    std::vector<std::string> answers;  // the entry's bytes, or "<miss>"
    int exitCode = 0;
    std::string trace;
};

inline const char* const MISS = "<miss>";

// The archive a read callback serves; one at a time.
inline const std::vector<uint8_t>*& callbackArchive() {
    static const std::vector<uint8_t>* archive = nullptr;
    return archive;
}

inline int32_t readArchive(uint8_t* buffer, int32_t offset, int32_t count) {
    const std::vector<uint8_t>* a = callbackArchive();
    if (offset < 0 || offset > (int32_t)a->size()) return -1;
    int32_t n = std::min<int32_t>(count, (int32_t)a->size() - offset);
    memcpy(buffer, a->data() + offset, (size_t)n);
    return n;
}

struct Options {
    bool viaCallback = false;
    bool withoutIndex = false;  // as for a third archive of a run
    int32_t heapBytes = 256 * 1024;
};

// archive must be the exact-size buffer the reader may touch (its low copy is exact too).
inline Outcome openAndFind(const std::vector<uint8_t>& archive, const std::vector<Probe>& probes,
                           Options options = {}) {
    vmasm::Vm vm;
    vm.heapBytes = options.heapBytes;
    Outcome out;
    callbackArchive() = &archive;
    LowBlock low(archive);
    vmasm::RunResult r = vm.inside([&] {
        int32_t handle = options.viaCallback
                             ? registerMemoryFile("/t.jar", nullptr, readArchive, (int32_t)archive.size())
                             : registerMemoryFile("/t.jar", low.data(), nullptr, low.size());
        if (handle < 1) return;
        if (options.withoutIndex) JarIndexesBuilt = JAR_INDEX_RECORDS;
        JarFile jar;
        memset(&jar, 0, sizeof jar);
        out.opened = jarOpen("/t.jar", 0, &jar) == 1;
        out.indexed = jar.index != nullptr;
        for (const Probe& p : probes) {
            if (!out.opened) break;
            int32_t size = -1;
            uint8_t* block = jarFindEntry(&jar, p.name.c_str(), &size, STREAM_HEADER_SIZE, p.isClass);
            out.answers.push_back(block ? std::string((const char*)block + STREAM_HEADER_SIZE, (size_t)size) : MISS);
            if (!block && size != 0) out.answers.back() = "<miss with size " + std::to_string(size) + ">";
        }
        if (out.opened) jarClose(&jar);
        unregisterMemoryFile("/t.jar", 0);
    });
    callbackArchive() = nullptr;
    out.exitCode = r.exitCode;
    out.trace = r.trace;
    return out;
}

inline std::vector<uint8_t> patternBytes(size_t n, uint32_t basis = 1) {
    std::vector<uint8_t> v(n);
    uint32_t x = basis;
    for (size_t i = 0; i < n; i++) {
        x = x * 1103515245u + 12345u;
        // compressible but not trivially: runs of a few symbols
        v[i] = (uint8_t)("abcdefgh"[(x >> 16) & 7] + ((i / 64) & 1));
    }
    return v;
}

inline std::string text(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

}  // namespace jartest
