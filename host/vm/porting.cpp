// The heap size comes from the JavaHeapSize setting; the arena is fixed.
#include "host/vm/porting.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "host/common/settings.h"
#include "platform/lowmem.h"

namespace {
void* defaultAlloc(uint32_t size) { return lowAlloc(size); }
void* (*blockAlloc)(uint32_t) = defaultAlloc;
void (*blockRelease)(void*) = lowFree;

int32_t desktopOpen(const char* url) {
    pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        execlp("xdg-open", "xdg-open", url, (char*)nullptr);
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : -1;
}
int32_t noPhone(const char* number) {
    fprintf(stderr, "platform request: no phone to call %s\n", number);
    return 0;
}
int32_t (*openUrl)(const char*) = desktopOpen;
int32_t (*dialNumber)(const char*) = noPhone;

const struct {
    const char* name;
    const char* value;
} properties[] = {
    {"microedition.media.version", "1.1"}, {"supports.mixing", "false"},          {"supports.audio.capture", "false"},
    {"supports.video.capture", "false"},   {"supports.recording", "false"},       {"audio.encodings", nullptr},
    {"video.encodings", nullptr},          {"video.snapshot.encodings", nullptr}, {"streamable.contents", nullptr},
};
}  // namespace

void SysSetVmMemoryAllocator(void* (*alloc)(uint32_t size), void (*release)(void* block)) {
    blockAlloc = alloc ? alloc : defaultAlloc;
    blockRelease = release ? release : lowFree;
}

int32_t SysAllocVmMemory(VmMemoryRecord* record) {
    uint32_t heapSize = ReadSettingDword("JavaHeapSize");
    if (heapSize == 0) heapSize = DEFAULT_JAVA_HEAP;
    memset(record, 0, sizeof *record);
    void* heap = blockAlloc(heapSize);
    if (heap == nullptr) return 0;
    void* arena = blockAlloc(VM_ARENA_SIZE);
    if (arena == nullptr) {
        blockRelease(heap);
        return 0;
    }
    *record = {heap, heapSize, arena, VM_ARENA_SIZE};
    return 1;
}

const char* SysGetProperty(const char* name) {
    if (name == nullptr) return nullptr;
    for (const auto& p : properties) {
        if (strcmp(p.name, name) == 0) return p.value;
    }
    return nullptr;
}

void SysSetPlatformOpener(int32_t (*open)(const char*), int32_t (*dial)(const char*)) {
    openUrl = open ? open : desktopOpen;
    dialNumber = dial ? dial : noPhone;
}

int32_t SysPlatformRequest(const char* request) {
    if (request == nullptr) return 0;
    std::string text(request, strnlen(request, 255));
    if (text.find("http") != std::string::npos) return openUrl(text.c_str()) == 0 ? 1 : 2;
    if (text.find("tel") != std::string::npos) {
        // the number from the sixth character on
        dialNumber(text.size() > 5 ? text.c_str() + 5 : "");
        return 1;
    }
    return 0;
}

int32_t kjava_push_startConn(int32_t suite, int32_t midlet, const char* protocol, int32_t port, const char* filter) {
    printf("kjava_push_startConn() suite %d midlet %d protocol '%s' port %d fil '%s'\n", suite, midlet, protocol, port,
           filter);
    return 1;
}

int32_t kjava_push_isAvailable(const char* protocol, int32_t port) {
    printf("kjava_push_isAvailable() protocol '%s'port %d\n", protocol, port);
    return 0;
}
