// The heap size comes from the JavaHeapSize setting; the arena is fixed.
#include "host/vm/porting.h"

#include <pthread.h>
#include <spawn.h>
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

void* reap(void* child) {
    waitpid((pid_t)(intptr_t)child, nullptr, 0);
    return nullptr;
}

// The desktop's handler runs on its own: the VM thread that asked does not wait for it
// (a browser may stay for hours); a thread of its own collects it when it ends.
int32_t desktopOpen(const char* url) {
    char* argv[] = {(char*)"xdg-open", (char*)url, nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) != 0) return -1;
    pthread_t reaper;
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    pthread_attr_setstacksize(&attr, 64 * 1024);
    // without a thread to wait for it, it stays a zombie rather than block the VM
    (void)pthread_create(&reaper, &attr, reap, (void*)(intptr_t)pid);
    pthread_attr_destroy(&attr);
    return 0;
}

// The scheme of a URL, lower-cased, when the text starts with one; empty otherwise.
std::string schemeOf(const std::string& url) {
    size_t colon = url.find(':');
    if (colon == std::string::npos || colon == 0) return "";
    std::string scheme;
    for (size_t i = 0; i < colon; i++) {
        char c = url[i];
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        bool other = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
        if (!letter && !(i > 0 && other)) return "";
        scheme += (char)(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return scheme;
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

// By the URL's scheme only: "file:///x#http" names no web page.
int32_t SysPlatformRequest(const char* request) {
    if (request == nullptr) return 0;
    std::string text(request);
    std::string scheme = schemeOf(text);
    if (scheme == "http" || scheme == "https") return openUrl(text.c_str()) == 0 ? 1 : 2;
    if (scheme == "tel") {
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
