// mvVmStartMIDP and the runner of kvm_main. Everything a run needs is carved from the
// host's heap block: the class name, the VM parameters and then the Java heap. The run's
// end, whichever way it comes, cleans up the same: the stopped callbacks close the files
// and resources the run left, and the runner forgets "/app.jar" and its state words.
#include "vm/services/vmstart.h"

#include <setjmp.h>
#include <string.h>

#include "platform/atomicword.h"
#include "platform/vmsections.h"
#include "vm/core/exceptions.h"
#include "vm/core/utf.h"
#include "vm/loader/startup.h"
#include "vm/services/events.h"
#include "vm/services/memory.h"
#include "vm/services/runhooks.h"
#include "vm/services/vmreset.h"
#include "vm/trace/tracelog.h"

static const char MainClassOfRun[] = "javax.microedition.midlet.MIDlet";
static const char SelectorClass[] = "javax.microedition.midlet.MidletSelector";
static const char AppJarName[] = "/app.jar";

struct RunStart {
    const MKT_MIDP_Application* app;
    char mainClass[MAIN_CLASS_BUFFER];
    char* argv[KVM_ARGUMENTS + 1];
    P32<const char> midletArguments[2];  // the start record's argument vector
};
static VMBSS RunStart Start;

// ---------------------------------------------------------------------------------
// The class name from the descriptor

static bool openDescriptors(QamsEnv* env, const MKT_MIDP_Application* app, QamsJar** jar, QamsDescriptor** manifest,
                            QamsDescriptor** jad, QamsDescriptor** merged) {
    int32_t error = 0;
    *jar = QamsJarOpen(env, app->jarSize, app->jarAddr, app->jarRead, &error);
    if (*jar == QAMS_NO_JAR) return false;
    *manifest = QamsManifestOpen(env, *jar, &error);
    if (*manifest == QAMS_NO_DESCRIPTOR) return false;
    if (app->jadAddr == nullptr && app->jadRead == nullptr) {
        *merged = *manifest;
        return true;
    }
    *jad = QamsJadOpen(env, app->jadSize, app->jadAddr, app->jadRead, &error);
    if (*jad == QAMS_NO_DESCRIPTOR) return false;
    *merged = QamsDescriptorMerge(env, *jad, *manifest, &error);
    return *merged != QAMS_NO_DESCRIPTOR;
}

static void closeDescriptors(QamsEnv* env, QamsJar* jar, QamsDescriptor* manifest, QamsDescriptor* jad,
                             QamsDescriptor* merged) {
    if (merged != manifest) QamsJadClose(env, merged);
    QamsJadClose(env, jad);
    QamsJadClose(env, manifest);
    QamsJarClose(env, jar);
}

int32_t mvVm_chooseClassName(const MKT_MIDP_Application* app, char* name, int32_t memorySize) {
    int32_t error = 0;
    QamsEnv* env = QamsEnvInitialize(memorySize, name + CLASS_NAME_AREA, &error);
    const char* chosen = SelectorClass;
    int32_t length = (int32_t)strlen(SelectorClass);
    QamsJar* jar = QAMS_NO_JAR;
    QamsDescriptor *manifest = QAMS_NO_DESCRIPTOR, *jad = QAMS_NO_DESCRIPTOR, *merged = QAMS_NO_DESCRIPTOR;
    if (env != QAMS_NO_ENV && openDescriptors(env, app, &jar, &manifest, &jad, &merged)) {
        int32_t n = 0;
        if (QamsDescriptorGetValueByKey(env, merged, "MIDlet-2", 8, &n, &error) == nullptr) {
            const char* first = QamsDescriptorGetValueByKey(env, merged, "MIDlet-1", 8, &n, &error);
            const char* element = first ? QamsGetListElement(first, n, 2, &n, &error) : nullptr;
            if (element != nullptr) {
                chosen = element;
                length = n < CLASS_NAME_AREA - 1 ? n : CLASS_NAME_AREA - 1;
            }
        }
    }
    memmove(name, chosen, (size_t)length);
    name[length] = 0;
    if (env != QAMS_NO_ENV) {
        closeDescriptors(env, jar, manifest, jad, merged);
        QamsEnvFinalize(env);
    }
    return length > 0 ? length : -1;
}

// ---------------------------------------------------------------------------------
// Application properties

static void* pointerAlloc(int32_t size, QamsEnv*) { return mvMemory_allocPointer(size); }
static void pointerFree(void* block, QamsEnv*) { mvMemory_freePointer(block); }

void mvApp_setApplication(const MKT_MIDP_Application* app) { Start.app = app; }

int32_t mvApp_getAppProperty(const uint16_t* key, int32_t keyLength, char* buffer, int32_t bufferSize) {
    const MKT_MIDP_Application* app = Start.app;
    if (app == nullptr || key == nullptr || keyLength < 1) return -1;
    int32_t error = 0;
    QamsEnv* env = QamsEnvInitializeWith(pointerAlloc, pointerFree, &error);
    if (env == QAMS_NO_ENV) return -2;
    int32_t result = -1;
    QamsJar* jar = QAMS_NO_JAR;
    QamsDescriptor *manifest = QAMS_NO_DESCRIPTOR, *jad = QAMS_NO_DESCRIPTOR, *merged = QAMS_NO_DESCRIPTOR;
    // sized by the key's real UTF-8 length, which may be three bytes a character
    int32_t utfLength = unicode2utfstrlen(key, keyLength);
    char* utf = (char*)mvMemory_allocPointer(utfLength + 1);
    if (utf == nullptr) {
        result = -2;
    } else if (openDescriptors(env, app, &jar, &manifest, &jad, &merged)) {
        unicode2utf(key, keyLength, utf, utfLength + 1);
        int32_t n = 0;
        const char* value = QamsDescriptorGetValueByKey(env, merged, utf, utfLength, &n, &error);
        if (value != nullptr) {
            result = n;
            if (buffer != nullptr && bufferSize > 0) memcpy(buffer, value, (size_t)(n < bufferSize ? n : bufferSize));
        }
    }
    mvMemory_freePointer(utf);
    closeDescriptors(env, jar, manifest, jad, merged);
    QamsEnvFinalize(env);
    return result;
}

// ---------------------------------------------------------------------------------
// The runner

// Registers "/app.jar" and builds kvm_main's vector; -1 on failure.
static int32_t prepareKvm(const KvmStartRecord* record, int32_t paramCount, const P32<char>* params, int* argc) {
    const char* name = record->mainClass;
    if (name == nullptr) {
        mvTraceLog_error("Error: Application class name is NULL.\n");
        return -1;
    }
    strncpy(Start.mainClass, name, MAIN_CLASS_BUFFER - 1);
    const VmRunHooks* hooks = mvRunHooks();
    int32_t registered =
        hooks->registerMemoryFile(AppJarName, (const uint8_t*)record->jarAddr.get(),
                                  (int32_t(*)(uint8_t*, int32_t, int32_t))record->jarRead.get(), record->jarSize);
    if (registered < 0) {
        mvTraceLog_error("Error: can't set APP_JAR to mvMemStream %d.\n", registered);
        return -1;
    }
    if (3 + paramCount + 2 >= KVM_ARGUMENTS + 1) return -1;
    int n = 0;
    Start.argv[n++] = (char*)"kvm";
    Start.argv[n++] = (char*)"-classpath";
    Start.argv[n++] = (char*)AppJarName;
    for (int32_t i = 0; i < paramCount; i++) Start.argv[n++] = params[i];
    Start.argv[n++] = Start.mainClass;
    for (const P32<const char>* a = record->arguments; a != nullptr && *a != nullptr; a++) {
        if (n >= KVM_ARGUMENTS) return -1;
        Start.argv[n++] = (char*)a->get();
    }
    Start.argv[n] = nullptr;
    *argc = n;
    return 0;
}

static int32_t runKvm(KvmStartRecord* record, int32_t paramCount, const P32<char>* params) {
    jmp_buf* previous = VmExitFrame;
    jmp_buf exitFrame;
    VmExitFrame = &exitFrame;
    volatile int32_t code = -1;
    if (setjmp(exitFrame) != 0) {
        VmExitFrame = previous;
        mvVm_endKvm();
        mvRunHooks()->unregisterMemoryFile(AppJarName, 0);
        return VmExitCode;
    }
    const VmRunHooks* hooks = mvRunHooks();
    hooks->initNativeStackLimit();
    mvVm_setInKvm(1);
    mvVm_keepStartRecord(record);
    int argc = 0;
    if (prepareKvm(record, paramCount, params, &argc) == 0) {
        code = hooks->kvmMain(argc, Start.argv);
        mvTraceLog_info("kvm_main return code = %d\n", code);
        mvVm_setVmActive(0);
        // a stop or an abort left kvm_main through its exit: no stopped report, the same clean-up
        mvVmEvent_stopped(code, !mvVm_leftThroughExitFrame());
    }
    mvVm_endKvm();
    hooks->unregisterMemoryFile(AppJarName, 0);
    mvVm_keepStartRecord(nullptr);
    VmExitFrame = previous;
    return code;
}

// ---------------------------------------------------------------------------------
// mvVmStartMIDP

static void traceBanner() {
    static const char Months[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
    const char* date = __DATE__;  // "Mmm dd yyyy"
    int month = 1;
    for (int m = 0; m < 12; m++) {
        if (memcmp(Months + 3 * m, date, 3) == 0) month = m + 1;
    }
    char stamp[24];
    mvSprintf(stamp, sizeof stamp, "%s-%02d-%c%c_%c%c%c%c%c", date + 7, month, date[4] == ' ' ? '0' : date[4], date[5],
              __TIME__[0], __TIME__[1], __TIME__[2], __TIME__[3], __TIME__[4]);
    mvTraceLog_info("Movane VM for MIDP 2.0 / CLDC 1.1\n");
    mvTraceLog_info(" build date : %s\n", stamp);
}

static int32_t resetForRun() { return mvVm_resetKeepingHostState(MV_SECTIONS_PER_RUN); }

static int32_t roundedLength(int32_t length) { return length + 1 + (4 - (length + 1) % 4); }

int32_t mvVmStartMIDP(int32_t vmId, int32_t heapSize, void* heapAddr, const MKT_MIDP_Application* app,
                      VmEventHandler handler, int32_t vmParamCount, const char* const* vmParams,
                      const int32_t* vmParamLens) {
    traceBanner();
    if (atomicLoad(&VmState.vmRunning) == 1) return -2;
    int32_t reset = resetForRun();
    mvVm_beginRun(vmId, nullptr, 0);
    mvRunHooks()->resetRegistries();
    mvK6Event_resetForRun();
    if (reset != 0) {
        mvTraceLog_error("ERROR: VM variable initialization.\n");
        return reset;
    }
    mvVm_beginRun(vmId, handler, 0);
    mvTraceLog_info("===> mvVmStartMIDP\n");
    mvTraceLog_info("vmId:%d\n", vmId);
    mvTraceLog_info("heapAddr:0x%p\n", heapAddr);
    mvTraceLog_info("heapSize:%d\n", heapSize);
    mvTraceLog_info("EventHandler:%p\n", (void*)handler);
    mvTraceLog_info("vmParamCount:%d\n", vmParamCount);
    mvTraceLog_info("vmParams:0x%p\n", (const void*)vmParams);
    mvTraceLog_info("vmParamLens:0x%p\n", (const void*)vmParamLens);
    if (vmId < 1 || heapSize < 1 || heapAddr == nullptr || app == nullptr || app->jarSize < 1 ||
        (app->jarAddr == nullptr && app->jarRead == nullptr) || (app->jadAddr != nullptr && app->jadSize < 1) ||
        (app->jadAddr == nullptr && app->jadRead != nullptr && app->jadSize < 1) ||
        (app->className != nullptr && app->classNameLen < 1))
        return -1;
    mvTraceLog_info("===> MKT_MIDP_Application\n");
    // the record's own words
    mvTraceLog_info("jarAddr:0x%x\n", app->jarAddr.w);
    mvTraceLog_info("jarSize:%d\n", app->jarSize);
    mvTraceLog_info("jarRead:0x%x\n", app->jarRead.w);
    mvTraceLog_info("className:%d\n", (int32_t)app->className.w);
    mvTraceLog_info("classNameLen:%d\n", app->classNameLen);
    mvTraceLog_info("jadAddr:0x%x\n", app->jadAddr.w);
    mvTraceLog_info("jadSize:%d\n", app->jadSize);
    mvTraceLog_info("jadRead:0x%x\n", app->jadRead.w);
    mvTraceLog_info("trusted:%d\n", app->trusted);
    uint8_t probe = 0;
    if (app->jarAddr == nullptr && app->jarRead != nullptr && app->jarRead.get()(&probe, 0, 1) != 1)
        mvTraceLog_warning(
            "The parameters for jarRead() is not (buff, size, offset) but (buff, offset, size). Be careful.\n");
    if (app->jadAddr == nullptr && app->jadRead != nullptr && app->jadRead.get()(&probe, 0, 1) != 1)
        mvTraceLog_warning(
            "The parameters for jadRead() is not (buff, size, offset) but (buff, offset, size). Be careful.\n");
    mvVm_beginRun(vmId, handler, app->trusted);

    // the strings from the bottom of the block, the Java heap above them
    char* cursor = (char*)heapAddr;
    int32_t left = heapSize;
    int32_t nameLength;
    if (app->className != nullptr) {
        if (app->classNameLen > heapSize) return -10;
        memcpy(cursor, app->className.get(), (size_t)app->classNameLen);
        nameLength = app->classNameLen;
    } else {
        if (heapSize <= CLASS_NAME_AREA) return -10;
        nameLength = mvVm_chooseClassName(app, cursor, heapSize - CLASS_NAME_AREA);
        if (nameLength < 1) return nameLength;
    }
    if (roundedLength(nameLength) > left) return -10;
    cursor[nameLength] = 0;
    const char* midletClass = cursor;
    cursor += roundedLength(nameLength);
    left -= roundedLength(nameLength);
    // the parameter table is words in the block (the block is low), then the strings
    P32<char>* params = nullptr;
    int32_t paramCount = vmParamCount > 0 ? vmParamCount : 0;
    if (paramCount > 0) {
        int32_t tableBytes = paramCount * (int32_t)sizeof(P32<char>);
        if (paramCount > left / (int32_t)sizeof(P32<char>)) return -10;
        params = (P32<char>*)cursor;
        cursor += tableBytes;
        left -= tableBytes;
        for (int32_t i = 0; i < paramCount; i++) {
            if (vmParams == nullptr || vmParams[i] == nullptr || vmParamLens == nullptr || vmParamLens[i] < 1)
                return -1;
            // the string, its terminator and its padding must all fit before any is written
            if (vmParamLens[i] >= left) return -10;
            int32_t taken = roundedLength(vmParamLens[i]);
            if (taken > left) return -10;
            memcpy(cursor, vmParams[i], (size_t)vmParamLens[i]);
            cursor[vmParamLens[i]] = 0;
            params[i] = cursor;
            cursor += taken;
            left -= taken;
        }
    }
    atomicAnd(&VmState.stateFlags, ~0x7F);
    if (app->tckParams != nullptr) {
        mvTraceLog_error("The compatibility-test agent is not available.\n");
        return -9;
    }
    if (atomicLoad(&VmState.vmRunning) == 1) return -108;
    mvVm_setRunning(1);
    Start.app = app;
    if (!mvVmCallback_registerFunction(mvVm_ownCallbacks()))
        mvTraceLog_error("ERROR: mvVmCallback_registerFunction.\n");

    KvmStartRecord record = {};
    Start.midletArguments[0] = midletClass;
    Start.midletArguments[1] = nullptr;
    record.mainClass = MainClassOfRun;
    record.arguments = Start.midletArguments;
    record.jarSize = app->jarSize;
    record.jarAddr = app->jarAddr;
    record.jarRead = (void*)app->jarRead.get();
    record.heapSize = left & ~3;
    record.heapStart = cursor;
    int32_t status = runKvm(&record, paramCount, params);

    mvTraceLog_info("core exit status: %d\n", status);
    if (status > 1) status = -127;
    if (mvVm_takeStopCommanded()) status = -11;
    Start.app = nullptr;
    mvVm_setRunning(0);
    return status;
}
