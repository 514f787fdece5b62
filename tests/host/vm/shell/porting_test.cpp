// The porting layer's small services: VM memory, properties, platform requests.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
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
        // the scheme decides, not "http" or "tel" anywhere in the text
        {"file:///x#http", 0, 0, "", ""},
        {"file:///home/u/http/page.html", 0, 0, "", ""},
        {"xhttp://example.test/", 0, 0, "", ""},
        {"telnet://host", 0, 0, "", ""},
        {"see http://example.test/", 0, 0, "", ""},
        {"HTTPS://Example.test/A", 0, 1, "HTTPS://Example.test/A", ""},
        {"http:", 0, 1, "http:", ""},
        {":http", 0, 0, "", ""},
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

// The desktop's handler runs beside the VM: the request returns while the handler still
// runs, and the handler gets the URL whole, as one argument.
TEST(PortingDesktop, TheOpenerDoesNotWaitForTheHandler) {
    std::string folder = "/tmp/movane-opener-" + std::to_string(getpid());
    std::string seen = folder + "/seen", go = folder + "/go", done = folder + "/done";
    ASSERT_EQ(0, system(("rm -rf " + folder + " && mkdir -p " + folder).c_str()));
    // the handler notes its argument, then waits (at most 20 s) until the test lets it go
    std::string script = folder + "/xdg-open";
    FILE* f = fopen(script.c_str(), "w");
    ASSERT_NE(nullptr, f);
    fprintf(f,
            "#!/bin/sh\nprintf '%%s' \"$1\" > '%s'\nn=0\nwhile [ ! -e '%s' ] && [ $n -lt 200 ]; do sleep 0.1; "
            "n=$((n+1)); done\ntouch '%s'\n",
            seen.c_str(), go.c_str(), done.c_str());
    fclose(f);
    chmod(script.c_str(), 0755);
    const char* oldPath = getenv("PATH");
    std::string savedPath = oldPath != nullptr ? oldPath : "";
    setenv("PATH", (folder + ":" + savedPath).c_str(), 1);
    SysSetPlatformOpener(nullptr, nullptr);
    const char* url = "http://example.test/a b?c=\xc3\xa9&d";
    auto before = std::chrono::steady_clock::now();
    int32_t result = SysPlatformRequest(url);
    auto took = std::chrono::steady_clock::now() - before;
    setenv("PATH", savedPath.c_str(), 1);
    EXPECT_EQ(1, result);
    EXPECT_LT(took, std::chrono::seconds(2)) << "the request waited for the handler";
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::string got;
    while (std::chrono::steady_clock::now() < deadline) {
        FILE* in = fopen(seen.c_str(), "r");
        if (in != nullptr) {
            char buffer[256] = {};
            size_t n = fread(buffer, 1, sizeof buffer - 1, in);
            fclose(in);
            got.assign(buffer, n);
            if (!got.empty()) break;
        }
        usleep(20000);
    }
    EXPECT_EQ(url, got);
    // let the handler end, and see that it did (its reaper collects it)
    fclose(fopen(go.c_str(), "w"));
    while (std::chrono::steady_clock::now() < deadline && access(done.c_str(), F_OK) != 0) usleep(20000);
    EXPECT_EQ(0, access(done.c_str(), F_OK));
    usleep(100000);
    system(("rm -rf " + folder).c_str());
}
