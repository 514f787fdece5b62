// One VM run, as the VM life cycle will start it: reset variables, a heap block, an exit
// point for stops and platform errors, the named memory files, kvm_main.
#include "host/vm/kvm/runner.h"

#include <setjmp.h>
#include <stdlib.h>

#include "host/vm/rmsfiles.h"
#include "natives/lib/bindings.h"
#include "natives/lib/console_natives.h"
#include "natives/ui/bindings.h"
#include "tools/imagegen/classimage.h"
#include "vm/core/exceptions.h"
#include "vm/loader/classpath.h"
#include "vm/loader/hooks.h"
#include "vm/loader/registries.h"
#include "vm/loader/startup.h"
#include "vm/services/tracelog.h"
#include "vm/services/vmreset.h"
#include "vm/services/vmstart.h"

void installKvmHooks() {
    installClassLoader();
    installLibraryNatives();
    installUiNatives();
    LoaderHooks.classImage = &MovaneClassImage;
}

int32_t runKvmOnce(int argc, char** argv, const KvmRunFiles* files) {
    int32_t reset = initVmSections(MV_SECTIONS_PER_RUN);
    if (reset != 0) return reset;
    initInternalPackages();
    initSystemPackages();
    mvGenericConnection_reset();
    mvURLChecker_reset();

    // The largest heap the options allow, and the room of the library on top.
    int32_t blockSize = MAXIMUM_HEAP_OPTION + SYSTEM_JAR_HEAP_RESERVE;
    void* block = malloc((size_t)blockSize + 4);
    if (block == nullptr) return -1;
    KvmStartRecord start = {};
    start.mainClass = argc > 0 ? argv[argc - 1] : nullptr;
    start.heapSize = blockSize;
    start.heapStart = (void*)(((uintptr_t)block + 3) & ~(uintptr_t)3);
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
    free(block);
    flushConsole();
    return code;
}
