// The porting layer's small services: VM memory, properties, platform requests.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "host/common/settings.h"
#include "host/vm/porting.h"
#include "platform/lowmem.h"
#include "platform/registry.h"

namespace {

TEST(Porting, VmMemoryFollowsTheHeapSettingAndGivesBothBlocksBackOnFailure) {
    std::string file = "/tmp/movane-porting-registry-" + std::to_string(getpid());
    RegistrySetFile(file.c_str());
    static int allocations, allowed, released;
    struct Case {
        const char* name;
        int heapSetting;  // -1: missing
        int allow;
        int32_t result;
        uint32_t heapSize;
    };
    const Case cases[] = {
        {"missing setting", -1, 2, 1, DEFAULT_JAVA_HEAP},
        {"zero counts as missing", 0, 2, 1, DEFAULT_JAVA_HEAP},
        {"3,000,000 bytes", 3000000, 2, 1, 3000000},
        {"no arena", 3000000, 1, 0, 0},
        {"no heap", 3000000, 0, 0, 0},
    };
    for (const Case& c : cases) {
        if (c.heapSetting < 0) {
            RegistryDeleteValue(HKEY_CURRENT_USER, "Software\\Movane", "JavaHeapSize");
        } else {
            RegistrySetDword(HKEY_CURRENT_USER, "Software\\Movane", "JavaHeapSize", (uint32_t)c.heapSetting);
        }
        allocations = 0;
        allowed = c.allow;
        released = 0;
        SysSetVmMemoryAllocator(
            [](uint32_t size) -> void* { return allocations++ < allowed ? lowAlloc(size) : nullptr; },
            [](void* block) {
                released++;
                lowFree(block);
            });
        VmMemoryRecord r;
        EXPECT_EQ(SysAllocVmMemory(&r), c.result) << c.name;
        EXPECT_EQ(r.heapSize, c.heapSize) << c.name;
        EXPECT_EQ(r.arenaSize, c.result ? (uint32_t)VM_ARENA_SIZE : 0u) << c.name;
        EXPECT_EQ(r.heap == nullptr, c.result == 0) << c.name;
        EXPECT_EQ(released, c.allow == 1 ? 1 : 0) << c.name << ": a heap without an arena is given back";
        lowFree(r.heap);
        lowFree(r.arena);
    }
    SysSetVmMemoryAllocator(nullptr, nullptr);
    unlink(file.c_str());
    RegistrySetFile(nullptr);
}

TEST(Porting, MediaPropertiesAndPlatformRequests) {
    EXPECT_STREQ(SysGetProperty("supports.mixing"), "false");
    EXPECT_STREQ(SysGetProperty("microedition.media.version"), "1.1");
    EXPECT_EQ(SysGetProperty("audio.encodings"), nullptr);
    EXPECT_EQ(SysGetProperty("Supports.mixing"), nullptr) << "names compare exactly";
    static std::string opened, dialled;
    static int32_t openResult;
    SysSetPlatformOpener([](const char* url) { return opened = url, openResult; },
                         [](const char* number) { return dialled = number, 0; });
    struct Case {
        const char* request;
        int32_t openAnswer;
        int32_t result;
        const char* opened;
        const char* dialled;
    };
    const Case cases[] = {
        {"https://example.test/x", 0, 1, "https://example.test/x", ""},
        {"http://example.test/", -1, 2, "http://example.test/", ""},
        {"tel:+123456", 0, 1, "", "123456"},
        {"mailto:someone", 0, 0, "", ""},
    };
    for (const Case& c : cases) {
        opened.clear();
        dialled.clear();
        openResult = c.openAnswer;
        EXPECT_EQ(SysPlatformRequest(c.request), c.result) << c.request;
        EXPECT_EQ(opened, c.opened) << c.request;
        EXPECT_EQ(dialled, c.dialled) << c.request;
    }
    SysSetPlatformOpener(nullptr, nullptr);
}

}  // namespace
