// The host trace file: only with TraceLog 1, emptied at each opening, UTF-16LE lines.
#include "host/common/hosttrace.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/registry.h"

namespace {

std::string readAll(const std::string& path) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return "<none>";
    std::string s;
    char b[4096];
    size_t n;
    while ((n = fread(b, 1, sizeof b, f)) > 0) s.append(b, n);
    fclose(f);
    return s;
}

TEST(HostTrace, TheTraceFileFollowsTheSetting) {
    std::string dir = "/tmp/movane-hosttrace-" + std::to_string(getpid());
    mkdir(dir.c_str(), 0700);
    std::string registry = dir + "/registry.reg", file = dir + "/Movane_vm.trace.txt";
    RegistrySetFile(registry.c_str());
    RegistrySetString(HKEY_CURRENT_USER, "Software\\Movane", "Movane_Dir", dir.c_str());
    struct Case {
        const char* name;
        int traceLog;  // -1: stored as a string
        int opened;
        std::string content;
    };
    const Case cases[] = {
        {"TraceLog 1 writes the file, emptied at the start", 1, 1, std::string("a\0=\0\xe9\0\n\0", 8)},
        {"TraceLog 0 writes none", 0, 0, "<none>"},
        {"TraceLog as a string counts as missing", -1, 0, "<none>"},
    };
    for (const Case& c : cases) {
        unlink(file.c_str());
        if (c.traceLog == 1) {
            FILE* old = fopen(file.c_str(), "wb");
            fputs("old content", old);
            fclose(old);
        }
        if (c.traceLog >= 0) {
            RegistrySetDword(HKEY_CURRENT_USER, "Software\\Movane", "TraceLog", (uint32_t)c.traceLog);
        } else {
            RegistrySetString(HKEY_CURRENT_USER, "Software\\Movane", "TraceLog", "1");
        }
        EXPECT_EQ(OpenTraceLog("Movane_vm.trace.txt"), c.opened) << c.name;
        TraceLogA("a=%s\n", "\xc3\xa9");
        CloseTraceLog();
        EXPECT_EQ(readAll(file), c.content) << c.name;
    }
    unlink(file.c_str());
    unlink(registry.c_str());
    rmdir(dir.c_str());
    RegistrySetFile(nullptr);
}

TEST(HostTrace, LinesAreCutAt256Characters) {
    static std::string seen;
    HostTraceSetHook([](const char* line) { seen = line; });
    std::string longText(400, 'x');
    TraceLogLineA("%s", longText.c_str());
    EXPECT_EQ(seen, std::string(255, 'x'));
    TraceLogLineA("short %d", 5);
    EXPECT_EQ(seen, "short 5\n");
    HostTraceSetHook(nullptr);
}

}  // namespace
