// The Java heap block the glue reserves for a run and the memory check before the first
// start: the JavaHeapSize setting as a user may leave it, and the system's figure of the
// memory available to the program.
#include <gtest/gtest.h>
#include <stdio.h>
#include <unistd.h>

#include <string>

#include "vm/services/glue/mwe.h"
#include "vm/services/glue/mwe_internal.h"

namespace {

uint32_t HeapSetting, Available;
uint32_t readSetting(const char* name) { return std::string(name) == "JavaHeapSize" ? HeapSetting : 0; }
uint32_t availableMemory() { return Available; }

struct ShellWithSettings {
    ShellWithSettings() {
        MweShell shell = {};
        shell.readSettingDword = readSetting;
        shell.availablePhysicalMemory = availableMemory;
        mwe_setShell(&shell);
    }
    ~ShellWithSettings() { mwe_setShell(nullptr); }
};

TEST(GlueMemory, HeapBlockAndStartCheckFollowTheSetting) {
    const uint32_t defaultHeap = 1945600, limit = 0x1fffffc, margin = 0x200000;
    struct Case {
        const char* name;
        uint32_t setting;
        uint32_t heap;
    } cases[] = {
        {"missing (read as 0): the default", 0, defaultHeap},
        {"an ordinary size", 3000000, 3000000},
        {"the heap's limit", limit, limit},
        {"above the limit: the limit", limit + 4, limit},
        {"40 MB: the limit", 40u << 20, limit},
        {"the largest DWORD: the limit", 0xFFFFFFFFu, limit},
    };
    ShellWithSettings shell;
    for (const Case& c : cases) {
        HeapSetting = c.setting;
        EXPECT_EQ(mwe_javaHeapBytes(), c.heap) << c.name;
        // one and a half times the heap the run gets, and 2 MB beside it
        uint32_t needed = c.heap + c.heap / 2 + margin;
        Available = needed;
        EXPECT_EQ(mwe_memoryAllowsStart(), 1) << c.name;
        Available = needed - 1;
        EXPECT_EQ(mwe_memoryAllowsStart(), 0) << c.name;
    }
}

// The figure includes what the page cache would give back: "MemAvailable", not the free
// pages alone.
TEST(GlueMemory, AvailableMemoryIsReadFromMeminfo) {
    std::string path = "/tmp/movane-meminfo-" + std::to_string(getpid());
    struct Case {
        const char* name;
        const char* text;
        uint64_t bytes;  // 0: the system's own figure, never the file's free line
    } cases[] = {
        {"the available line among the others",
         "MemTotal:       16318412 kB\nMemFree:          201788 kB\nMemAvailable:    9815040 kB\nBuffers: 1 kB\n",
         9815040ull * 1024},
        {"more than 4 GB", "MemAvailable:   8589934592 kB\n", 8589934592ull * 1024},
        {"no available line", "MemTotal: 100 kB\nMemFree: 50 kB\n", 0},
        {"an empty file", "", 0},
    };
    for (const Case& c : cases) {
        FILE* f = fopen(path.c_str(), "w");
        ASSERT_NE(f, nullptr);
        fputs(c.text, f);
        fclose(f);
        uint64_t got = mwe_availableMemoryFrom(path.c_str());
        if (c.bytes != 0) {
            EXPECT_EQ(got, c.bytes) << c.name;
        } else {
            EXPECT_GT(got, 0u) << c.name;
            EXPECT_NE(got, 50u * 1024) << c.name;
        }
    }
    unlink(path.c_str());
    EXPECT_GT(mwe_availableMemoryFrom("/no/such/meminfo"), 0u) << "no file";
}

}  // namespace
