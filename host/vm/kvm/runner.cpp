// One VM run, as the VM life cycle will start it: reset variables, a heap block, an exit
// point for stops and platform errors, the named memory files, kvm_main.
#include "host/vm/kvm/runner.h"

#include <setjmp.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "host/vm/rmsfiles.h"
#include "media/bindings.h"
#include "natives/lib/bindings.h"
#include "natives/lib/console_natives.h"
#include "natives/ui/bindings.h"
#include "platform/lowmem.h"
#include "tools/imagegen/classimage.h"
#include "vm/core/exceptions.h"
#include "vm/loader/classpath.h"
#include "vm/loader/hooks.h"
#include "vm/loader/registries.h"
#include "vm/loader/startup.h"
#include "vm/services/hooks.h"
#include "vm/services/vmreset.h"
#include "vm/services/vmstart.h"
#include "vm/trace/tracelog.h"

void installKvmHooks() {
    installClassLoader();
    installRuntimeServices();
    installLibraryNatives();
    installUiNatives();
    installMediaNatives();
    LoaderHooks.classImage = &MovaneClassImage;
}

namespace {

// What a run keeps in words must lie in low memory: the JARs, the argument strings.
struct LowCopies {
    std::vector<void*> blocks;
    ~LowCopies() {
        for (void* b : blocks) lowFree(b);
    }
    // The bytes themselves when they lie in the window already, else a copy; null when
    // there is no room.
    const uint8_t* bytes(const uint8_t* data, int32_t size) {
        size_t n = size > 0 ? (size_t)size : 0;
        if (data == nullptr || (isLowAddress(data) && isLowAddress(data + n))) return data;
        void* copy = lowAlloc(n != 0 ? n : 1);
        if (copy == nullptr) return nullptr;
        blocks.push_back(copy);
        return (const uint8_t*)memcpy(copy, data, n);
    }
    char* text(const char* s) { return (char*)bytes((const uint8_t*)s, (int32_t)strlen(s) + 1); }
};

// One run over files whose bytes, like the argument strings, lie in low memory.
int32_t runLow(int argc, char** argv, const KvmRunFiles* files) {
    int32_t reset = initVmSections(MV_SECTIONS_PER_RUN);
    if (reset != 0) return reset;
    initInternalPackages();
    initSystemPackages();
    mvGenericConnection_reset();
    mvURLChecker_reset();

    // The run's heap is the block handed over: the largest heap "-heapsize" may ask for
    // (kvm_main cuts it to the size asked), else the runner's default heap; with the
    // room of the library on top when it is loaded from its JAR.
    bool sizeGiven = false;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (strcmp(argv[i], "-heapsize") == 0) {
            sizeGiven = true;
        } else if (strcmp(argv[i], "-classpath") != 0) {
            break;
        }
    }
    int32_t blockSize = sizeGiven ? MAXIMUM_HEAP_OPTION + SYSTEM_JAR_HEAP_RESERVE
                                  : DEFAULT_HEAP_SIZE + (files->systemJar != nullptr ? SYSTEM_JAR_HEAP_RESERVE : 0);
    void* block = lowAlloc((size_t)blockSize);
    if (block == nullptr) return -1;
    KvmStartRecord start = {};
    start.mainClass = argc > 0 ? argv[argc - 1] : nullptr;
    start.heapSize = blockSize;
    start.heapStart = block;
    if (files->appJar != nullptr) {
        start.jarSize = files->appJarSize;
        start.jarAddr = files->appJar;
    }
    mvVm_keepStartRecord(&start);
    MKT_MIDP_Application app = {};
    const uint8_t* jad = kvmSuiteDescriptor(&app.jadSize);
    if (jad != nullptr) {
        app.jarSize = files->appJarSize;
        app.jarAddr = files->appJar;
        app.jadAddr = jad;
        mvApp_setApplication(&app);
        MkRmsComputeQuota();
    }

    volatile int32_t code = -1;
    jmp_buf exitFrame;
    jmp_buf* previous = VmExitFrame;
    VmExitFrame = &exitFrame;
    if (setjmp(exitFrame) == 0) {
        initNativeStackLimit();
        bool ready = true;
        if (files->systemJar != nullptr &&
            registerMemoryFile("/sys.jar", files->systemJar, nullptr, files->systemJarSize) < 0)
            ready = false;
        if (files->appJar != nullptr && registerMemoryFile("/app.jar", files->appJar, nullptr, files->appJarSize) < 0) {
            mvTraceLog_error("Error: can't set APP_JAR to mvMemStream %d.\n", -1);
            ready = false;
        }
        if (ready) {
            code = kvm_main(argc, argv);
            mvTraceLog_info("kvm_main return code = %d\n", code);
        }
    } else {
        code = VmExitCode;
    }
    VmExitFrame = previous;
    unregisterMemoryFile("/app.jar", 0);
    unregisterMemoryFile("/sys.jar", 0);
    mvVm_keepStartRecord(nullptr);
    if (jad != nullptr) {
        mvApp_setApplication(nullptr);
        MkRmsResetQuota();
    }
    lowFree(block);
    flushConsole();
    return code;
}

}  // namespace

int32_t runKvmOnce(int argc, char** argv, const KvmRunFiles* files) {
    LowCopies low;
    std::vector<char*> words;
    for (int i = 0; i < argc; i++) {
        words.push_back(argv[i] != nullptr ? low.text(argv[i]) : nullptr);
        if (argv[i] != nullptr && words.back() == nullptr) return -1;
    }
    words.push_back(nullptr);
    KvmRunFiles lowFiles = *files;
    lowFiles.systemJar = low.bytes(files->systemJar, files->systemJarSize);
    lowFiles.appJar = low.bytes(files->appJar, files->appJarSize);
    if ((files->systemJar != nullptr && lowFiles.systemJar == nullptr) ||
        (files->appJar != nullptr && lowFiles.appJar == nullptr))
        return -1;
    return runLow(argc, words.data(), &lowFiles);
}
