// Registries of packages, URL checker, connection schemes, platform resources, open
// random-access files and native finalizers, and the start-up registrations of the VM's
// own parts. All of them are used on the VM thread only and are reset with each run.
#include <string.h>
#include <strings.h>

#include "vm/core/exceptions.h"
#include "vm/core/exithook.h"
#include "vm/core/heap.h"
#include "vm/core/romimage.h"
#include "vm/loader/hooks.h"
#include "vm/loader/registries.h"
#include "vm/trace/tracelog.h"

// Packages

static const char* const BuiltInInternalPackages[] = {"quelt/cldc/", nullptr};
static const char* const BuiltInSystemPrefixes[] = {"java/", "javax/", "com/movane/", "quelt/cldc/"};
static const char* const NoPackages[] = {nullptr};

static VMBSS const char* const* InternalPackages[INTERNAL_PACKAGE_SLOTS];
static VMBSS int32_t InternalPackageCount;
static VMBSS const char* const* SystemPackages[SYSTEM_PACKAGE_SLOTS];
static VMBSS int32_t SystemPackageCount;

// A '.' of a registered prefix stands for the '/' of a class name.
static bool prefixMatches(const char* prefix, const char* name) {
    if (prefix == nullptr || prefix[0] == 0) return false;
    for (; *prefix; prefix++, name++) {
        char p = *prefix, n = *name;
        if (n == 0) return false;
        if (p != n && !(p == '.' && n == '/')) return false;
    }
    return true;
}

static bool listMatches(const char* const* list, const char* name) {
    for (; list != nullptr && *list != nullptr; list++) {
        if (prefixMatches(*list, name)) return true;
    }
    return false;
}

void initInternalPackages() {
    memset(InternalPackages, 0, sizeof InternalPackages);
    InternalPackageCount = 0;
    registerInternalPackages(BuiltInInternalPackages);
}

void registerInternalPackages(const char* const* prefixes) {
    if (prefixes == nullptr || InternalPackageCount >= INTERNAL_PACKAGE_SLOTS) return;
    InternalPackages[InternalPackageCount++] = prefixes;
}

void checkInternalPackage(const char* className) {
    if (className == nullptr) return;
    for (int i = 0; i < INTERNAL_PACKAGE_SLOTS && InternalPackages[i] != nullptr; i++) {
        if (listMatches(InternalPackages[i], className)) fatalVMError("Cannot use class in Movane internal package");
    }
}

void initSystemPackages() {
    memset(SystemPackages, 0, sizeof SystemPackages);
    SystemPackageCount = 0;
}

void registerSystemPackages(const char* const* prefixes) {
    if (SystemPackageCount >= SYSTEM_PACKAGE_SLOTS) {
        SystemPackageCount++;
        vmExitLongjmp(-1);
    }
    SystemPackages[SystemPackageCount++] = prefixes;
}

int32_t isSystemClass(const char* name, const char* jarName) {
    if (name == nullptr) return 0;
    if (jarName != nullptr && strcmp(jarName, "/sys.jar") == 0) return 0;
    for (const char* prefix : BuiltInSystemPrefixes) {
        if (strncmp(name, prefix, strlen(prefix)) == 0) return 1;
    }
    for (int i = 0; i < SystemPackageCount && i < SYSTEM_PACKAGE_SLOTS; i++) {
        if (listMatches(SystemPackages[i], name)) return 1;
    }
    return 0;
}

// URL checker

static VMBSS const char* UrlCheckerClassName;

int32_t mvURLChecker_registerClassName(const char* className) {
    if (className == nullptr) {
        mvTraceLog_error(
            "mvURLChecker: Invalid parameter passed to mvURLChecker_registerClassName() - className is NULL.\n");
        return -1;
    }
    if (UrlCheckerClassName != nullptr)
        mvTraceLog_warning("mvURLChecker: Overwrite %s with %s.", className, UrlCheckerClassName);
    UrlCheckerClassName = className;
    return 0;
}

const char* mvURLChecker_getClassName() { return UrlCheckerClassName; }

void mvURLChecker_reset() { UrlCheckerClassName = nullptr; }

// Connection schemes; used entries are kept together at the front.

struct SchemeEntry {
    const char* scheme;
    const char* className;
};
static VMBSS SchemeEntry Schemes[SCHEME_TABLE_SIZE];

int32_t mvGenericConnection_register(const char* scheme, const char* className) {
    if (scheme == nullptr) return -1;
    for (int i = 0; i < SCHEME_TABLE_SIZE; i++) {
        SchemeEntry* e = &Schemes[i];
        if (e->scheme == nullptr) {
            e->scheme = scheme;
            e->className = className;
            return 0;
        }
        if (strcasecmp(e->scheme, scheme) == 0) {
            mvTraceLog_error("mvGenericConnection: Error!! %s is already registered.\n", scheme);
            return -1;
        }
    }
    mvTraceLog_error("mvGenericConnection: Could not register. table is over.");
    return -1;
}

const char* mvGenericConnection_getClassName(const char* scheme) {
    if (scheme == nullptr) return nullptr;
    for (int i = 0; i < SCHEME_TABLE_SIZE && Schemes[i].scheme != nullptr; i++) {
        if (strcasecmp(Schemes[i].scheme, scheme) == 0) return Schemes[i].className;
    }
    return nullptr;
}

int32_t mvGenericConnection_unregister(const char* scheme) {
    for (int i = 0; scheme != nullptr && i < SCHEME_TABLE_SIZE && Schemes[i].scheme != nullptr; i++) {
        if (strcasecmp(Schemes[i].scheme, scheme) != 0) continue;
        memmove(&Schemes[i], &Schemes[i + 1], (size_t)(SCHEME_TABLE_SIZE - 1 - i) * sizeof(SchemeEntry));
        memset(&Schemes[SCHEME_TABLE_SIZE - 1], 0, sizeof(SchemeEntry));
        return 0;
    }
    mvTraceLog_error("mvGenericConnection: Could not unregister. \"%s\" is not found.\n", scheme ? scheme : "");
    return -1;
}

void mvGenericConnection_reset() { memset(Schemes, 0, sizeof Schemes); }

// Platform resources

static VMBSS PlatformResource* PlatformResources;
static VMBSS int32_t PlatformResourcesFinalized;

int32_t registerPlatformResource(PlatformResource* record) {
    if (record == nullptr) return 0;
    PlatformResource* last = nullptr;
    for (PlatformResource* r = PlatformResources; r != nullptr; r = r->next) {
        if (r == record) return 1;
        last = r;
    }
    record->next = nullptr;
    if (last == nullptr)
        PlatformResources = record;
    else
        last->next = record;
    return 1;
}

void mvPlatformResourceSuspend() {
    mvTraceLog_info("--------- mvPlatformResourceSuspend()\n");
    for (PlatformResource* r = PlatformResources; r != nullptr; r = r->next) {
        if (r->suspend) r->suspend(r);
    }
}

void mvPlatformResourceResume() {
    mvTraceLog_info("--------- mvPlatformResourceResume()\n");
    for (PlatformResource* r = PlatformResources; r != nullptr; r = r->next) {
        if (r->resume) r->resume(r);
    }
}

void mvPlatformResourceFinalize() {
    if (PlatformResourcesFinalized) return;
    for (PlatformResource* r = PlatformResources; r != nullptr; r = r->next) {
        if (r->finalize) r->finalize(r);
    }
    PlatformResourcesFinalized = 1;
}

// Open random-access files: a last-in first-out list whose header and nodes are pinned
// heap blocks (header {head, tail}, node {value, previous, next}); handle 0 is kept as -1.

struct OpenFileNode {
    int32_t value;
    P32<OpenFileNode> previous;
    P32<OpenFileNode> next;
};
static_assert(sizeof(OpenFileNode) == 12, "an open-file node is three words");
struct OpenFileQueue {
    P32<OpenFileNode> head;
    P32<OpenFileNode> tail;
};
static_assert(sizeof(OpenFileQueue) == 8, "the open-file header is two words");
static VMBSS OpenFileQueue* OpenFiles;

static void* allocPinned(int32_t bytes) {
    cell* p = mallocHeapObject((bytes + 3) / 4, GCT_NOPOINTERS);
    if (p == nullptr) return nullptr;
    memset(p, 0, (size_t)bytes);
    lockObjectMemory(p);
    return p;
}

static void freePinned(void* p) {
    if (p != nullptr) unlockObjectMemory(p);
}

static void unlinkOpenFile(OpenFileNode* node) {
    if (node->previous)
        node->previous->next = node->next;
    else
        OpenFiles->head = node->next;
    if (node->next)
        node->next->previous = node->previous;
    else
        OpenFiles->tail = node->previous;
    freePinned(node);
}

int32_t registerOpenFile(int32_t handle) {
    if (OpenFiles == nullptr) {
        OpenFiles = (OpenFileQueue*)allocPinned(sizeof(OpenFileQueue));
        if (OpenFiles == nullptr) return -1;
    }
    OpenFileNode* node = (OpenFileNode*)allocPinned(sizeof(OpenFileNode));
    if (node == nullptr) return -1;
    node->value = handle == 0 ? -1 : handle;
    node->previous = OpenFiles->tail;
    if (OpenFiles->tail)
        OpenFiles->tail->next = node;
    else
        OpenFiles->head = node;
    OpenFiles->tail = node;
    return 0;
}

void unregisterOpenFile(int32_t handle) {
    if (OpenFiles == nullptr) return;
    int32_t value = handle == 0 ? -1 : handle;
    for (OpenFileNode* n = OpenFiles->head; n != nullptr; n = n->next) {
        if (n->value == value) {
            unlinkOpenFile(n);
            return;
        }
    }
}

void closeAllOpenFiles() {
    if (OpenFiles == nullptr) return;
    while (OpenFiles->tail != nullptr) {
        OpenFileNode* last = OpenFiles->tail;
        int32_t handle = last->value == -1 ? 0 : last->value;
        unlinkOpenFile(last);
        LoaderHooks.MkRandomAccessFileClose(handle);
    }
    freePinned(OpenFiles);
    OpenFiles = nullptr;
}

// Native finalizers, newest first.

static VMBSS NativeFinalizerRecord* NativeFinalizers;

int32_t registerNativeFinalizer(NativeFinalizerRecord* record) {
    if (record == nullptr) return 0;
    record->next = NativeFinalizers;
    NativeFinalizers = record;
    return 0;
}

// Object's own finalizer would run for everything; it is never taken.
static bool inFinalizerChain(ClassRecord* clazz, ClassRecord* target) {
    for (ClassRecord* c = clazz; c != nullptr && c != JavaLangObject; c = c->superClass) {
        if (c == target) return true;
    }
    return false;
}

int32_t runNativeFinalizer(OBJECT instance, ClassRecord* clazz) {
    for (NativeFinalizerRecord* r = NativeFinalizers; r != nullptr; r = r->next) {
        if (!inFinalizerChain(clazz, r->clazz)) continue;
        int32_t result = r->finalizer ? r->finalizer(instance, r) : 0;
        if (result != 0) {
            mvTraceLog_warning("WARNING: Native finalize error. result: %d instance:%p class:%p \n", result,
                               (void*)instance, (void*)clazz);
            const char* package = clazz && clazz->packageName ? clazz->packageName->bytes : "";
            const char* base = clazz && clazz->baseName ? clazz->baseName->bytes : "";
            mvTraceLog_warning("  %p class name %s/%s \n", (void*)clazz, package, base);
        }
        return result;
    }
    return 0;
}

// Start-up registrations

// The VM callback table's record (VmCallbackRecord of vm/services): four words, each a
// function of the program. Filled when registered, since a word of a function's address
// is no constant.
typedef void (*PartsCallbackFn)(void* entry);
struct PartsCallbackRecord {
    P32Fn<PartsCallbackFn> started;
    P32Fn<PartsCallbackFn> suspended;
    P32Fn<PartsCallbackFn> resumed;
    P32Fn<PartsCallbackFn> stopped;
};
static_assert(sizeof(PartsCallbackRecord) == 16, "a VM callback record is four words");

static void partsResumed(void*) { LoaderHooks.timerResumeCountDown(); }

static VMBSS PartsCallbackRecord PartsCallbacks;

static void refuseRuntimeExit(int32_t) { raiseException("java/lang/SecurityException"); }

static int32_t secondPartsInitializer() { return 0; }

int32_t mvParts_Initializer() {
    registerSystemPackages(NoPackages);
    mvGenericConnection_register("http", "quelt.cldc.io.j2me.http.HttpConnectionImpl");
    mvGenericConnection_register("https", "quelt.cldc.io.j2me.http.HttpsConnectionImpl");
    mvGenericConnection_register("resource", "com.movane.io.j2me.resource.Protocol");
    mvURLChecker_registerClassName("quelt.cldc.io.MIDPURLChecker");
    PartsCallbacks.started = nullptr;
    PartsCallbacks.suspended = nullptr;
    PartsCallbacks.resumed = partsResumed;
    PartsCallbacks.stopped = nullptr;
    LoaderHooks.mvVmCallback_registerFunction((VmCallbackRecord*)&PartsCallbacks);
    setRuntimeExitHook(refuseRuntimeExit);
    LoaderHooks.mvConnectionResource_init();
    secondPartsInitializer();
    return 0;
}

// Host images of the toolkit: slots 21 and 22 of its host-service table.

enum { HOST_SLOT_IMAGE_WIDTH = 21, HOST_SLOT_IMAGE_HEIGHT = 22 };
typedef int32_t (*HostImageSizeFn)(void* surface, void** table);

static int32_t hostImageSize(void* surface, int slot) {
    void** table = LoaderHooks.GuiTkGetHostServices();
    if (table == nullptr || table[slot] == nullptr) return 0;
    return ((HostImageSizeFn)table[slot])(surface, table);
}

int32_t guiTk_hostImageWidth(void* surface) { return hostImageSize(surface, HOST_SLOT_IMAGE_WIDTH); }
int32_t guiTk_hostImageHeight(void* surface) { return hostImageSize(surface, HOST_SLOT_IMAGE_HEIGHT); }
