// movane-kvm: runs a Java program on the VM from the command line.
//
//   movane-kvm [-trace <stderr|file>] [-sysjar <jar>] [-runs <n>]
//              [-storage <folder> -suite <vendor> <name> [-rmsquota <bytes>]]
//              [-version] [-help] [-heapsize <n>[k|m]] -classpath <app.jar> Main args...
//
// The options up to -rmsquota are the runner's own; -storage and -suite run the program
// as that suite (its properties, its record stores) from a suite store on a device tree
// in the folder, the record-store quota taken from -rmsquota when given. The rest is
// kvm_main's argument vector, except that the class path names a JAR on the host, which
// the runner reads into memory and hands to the VM as "/app.jar". The class library is the built-in class image;
// -sysjar (or the environment variable MOVANE_SYSTEM_JAR) loads it from a library JAR
// named "/sys.jar" instead. The exit status is kvm_main's exit code. Alerts (fatal errors
// among them) and uncaught exceptions reach standard error whether the trace does or not.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "host/vm/kvm/runner.h"
#include "platform/events.h"
#include "platform/font.h"
#include "platform/font_freetype.h"
#include "platform/hostfile.h"
#include "platform/lowmem.h"
#include "platform/trace.h"
#include "storage/qmmm.h"

#ifndef MOVANE_SYSTEM_JAR
#define MOVANE_SYSTEM_JAR ""
#endif

// What the runner reads: a heap never takes more than this, and neither does a JAR.
static const uint32_t MAXIMUM_INPUT_BYTES = 64u * 1024 * 1024;

// The trace line being written, checked for an alert or an uncaught exception when it ends.
static char ProblemLine[256];
static int ProblemLength;

static void echoProblems(int c, void*) {
    if (ProblemLength < (int)sizeof ProblemLine - 2) ProblemLine[ProblemLength++] = (char)c;
    if (c != '\n') return;
    if (ProblemLine[ProblemLength - 1] != '\n') ProblemLine[ProblemLength++] = '\n';
    ProblemLine[ProblemLength] = 0;
    ProblemLength = 0;
    if (strncmp(ProblemLine, "ALERT: ", 7) == 0 || strncmp(ProblemLine, "Uncaught exception ", 19) == 0) {
        fflush(stdout);
        fputs(ProblemLine, stderr);
        fflush(stderr);
    }
}

static bool isStandardError(const char* target) {
    return target != nullptr && (strcmp(target, "stderr") == 0 || strcmp(target, "-") == 0);
}

static int usage() {
    fprintf(stderr,
            "usage: movane-kvm [-trace <stderr|file>] [-sysjar <jar>] [-runs <n>]\n"
            "                  [-storage <folder> -suite <vendor> <name> [-rmsquota <bytes>]]\n"
            "                  [-heapsize <n>[k|m]] -classpath <app.jar> <class> [args...]\n");
    return 2;
}

static int refuse(const char* what, const char* value) {
    fprintf(stderr, "movane-kvm: %s: %s\n", what, value);
    return usage();
}

// A decimal count from 1 to limit, the whole text; -1 otherwise.
static long long parseCount(const char* text, long long limit) {
    long long value = 0;
    if (*text == 0) return -1;
    for (const char* p = text; *p != 0; p++) {
        if (*p < '0' || *p > '9') return -1;
        value = value * 10 + (*p - '0');
        if (value > limit) return -1;
    }
    return value >= 1 ? value : -1;
}

// -heapsize: digits with an optional k or m; the VM rounds and bounds the value itself,
// so here only the form and a size that does not fit a 64-bit count are refused.
static bool validHeapSize(const char* text) {
    size_t n = strlen(text);
    if (n > 0 && strchr("kKmM", text[n - 1]) != nullptr) n--;
    if (n == 0 || n > 12) return false;
    for (size_t k = 0; k < n; k++) {
        if (text[k] < '0' || text[k] > '9') return false;
    }
    return true;
}

// The bytes in low memory for the life of the program; the vector's own when there is
// no room (each run then copies them itself, or fails).
static const uint8_t* lowCopy(const std::vector<uint8_t>& bytes) {
    if (bytes.empty()) return bytes.data();
    void* copy = lowAlloc(bytes.size());
    if (copy == nullptr) return bytes.data();
    return (const uint8_t*)memcpy(copy, bytes.data(), bytes.size());
}

static bool readInput(const char* path, const char* what, std::vector<uint8_t>* bytes) {
    switch (HostFileReadBounded(path, MAXIMUM_INPUT_BYTES, bytes)) {
        case HOSTFILE_OK:
            return true;
        case HOSTFILE_NOT_REGULAR:
            fprintf(stderr, "movane-kvm: %s %s is not a regular file\n", what, path);
            break;
        case HOSTFILE_TOO_LARGE:
            fprintf(stderr, "movane-kvm: %s %s is larger than %u bytes\n", what, path, (unsigned)MAXIMUM_INPUT_BYTES);
            break;
        default:
            fprintf(stderr, "movane-kvm: cannot read %s %s\n", what, path);
            break;
    }
    return false;
}

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    installKvmHooks();
    // Text is measured and drawn by the glyph renderer of the programs; without its fonts
    // a run goes on and its text takes no room.
    if (FontLayerStart(FontFreeTypeRenderer()) != 0) fprintf(stderr, "movane-kvm: no fonts; text is not drawn\n");
    // The arena the PNG decoder allocates from, as the host shell gives a MIDlet one.
    void* arena = lowAlloc(QMMM_DEFAULT_SIZE);
    if (arena != nullptr) qmmm_init(arena, QMMM_DEFAULT_SIZE);
    const char* systemJarPath = getenv("MOVANE_SYSTEM_JAR");
    if (systemJarPath == nullptr || systemJarPath[0] == 0) systemJarPath = MOVANE_SYSTEM_JAR;
    int runs = 1;
    const char* traceTarget = getenv("MOVANE_TRACE");
    const char* storage = nullptr;
    const char* suiteVendor = nullptr;
    const char* suiteName = nullptr;
    long long quotaTotal = -1;
    int i = 1;
    for (; i + 1 < argc; i += 2) {
        if (strcmp(argv[i], "-trace") == 0) {
            traceTarget = argv[i + 1];
            if (TraceSetOutput(argv[i + 1]) != 0) fprintf(stderr, "movane-kvm: cannot open trace %s\n", argv[i + 1]);
        } else if (strcmp(argv[i], "-sysjar") == 0) {
            systemJarPath = argv[i + 1];
        } else if (strcmp(argv[i], "-runs") == 0) {
            long long n = parseCount(argv[i + 1], 1000000);
            if (n < 0) return refuse("-runs takes a count from 1 to 1000000", argv[i + 1]);
            runs = (int)n;
        } else if (strcmp(argv[i], "-storage") == 0) {
            storage = argv[i + 1];
        } else if (strcmp(argv[i], "-suite") == 0 && i + 2 < argc) {
            suiteVendor = argv[i + 1];
            suiteName = argv[++i + 1];
        } else if (strcmp(argv[i], "-rmsquota") == 0) {
            quotaTotal = parseCount(argv[i + 1], 0x7FFFFFFF);
            if (quotaTotal < 0) return refuse("-rmsquota takes a count from 1 to 2147483647", argv[i + 1]);
        } else {
            break;
        }
    }

    // kvm_main's own vector: the program word, then the options and the class with its
    // arguments as given, the class path turned into the memory file's name.
    std::vector<std::string> words = {"kvm"};
    const char* appJarPath = nullptr;
    bool options = true;
    for (; i < argc; i++) {
        if (options && strcmp(argv[i], "-classpath") == 0 && i + 1 < argc) {
            appJarPath = argv[++i];
            words.push_back("-classpath");
            words.push_back("/app.jar");
            continue;
        }
        if (options && strcmp(argv[i], "-help") == 0) {
            usage();
            return 0;
        }
        if (options && strcmp(argv[i], "-heapsize") == 0 && i + 1 < argc) {
            if (!validHeapSize(argv[i + 1])) return refuse("-heapsize takes <n>, <n>k or <n>m", argv[i + 1]);
            words.push_back(argv[i]);
            words.push_back(argv[++i]);
            continue;
        }
        if (strcmp(argv[i], "-version") != 0 && strcmp(argv[i], "-help") != 0) options = false;
        words.push_back(argv[i]);
    }

    std::vector<uint8_t> systemJar, appJar;
    if (systemJarPath[0] != 0 && !readInput(systemJarPath, "the class library", &systemJar)) return 2;
    if (appJarPath != nullptr && !readInput(appJarPath, "the class path", &appJar)) return 2;
    // the runs keep the JARs' addresses in words: one low copy of each serves them all
    KvmRunFiles files = {};
    if (!systemJar.empty()) {
        files.systemJar = lowCopy(systemJar);
        files.systemJarSize = (int32_t)systemJar.size();
    }
    if (appJarPath != nullptr) {
        files.appJar = lowCopy(appJar);
        files.appJarSize = (int32_t)appJar.size();
    }

    if ((storage == nullptr) != (suiteName == nullptr)) {
        fprintf(stderr, "movane-kvm: -storage and -suite go together\n");
        return usage();
    }
    if (suiteName != nullptr && startKvmSuite(storage, suiteVendor, suiteName, (int32_t)quotaTotal) != 0) return 2;

    if (!isStandardError(traceTarget)) TraceSetCapture(echoProblems, nullptr);
    SysTimerInit();
    int32_t code = 0;
    for (int run = 0; run < runs; run++) {
        // kvm_main changes the class name in place: every run gets fresh copies
        std::vector<std::string> copies = words;
        std::vector<char*> vector;
        for (std::string& w : copies) vector.push_back(&w[0]);
        vector.push_back(nullptr);
        code = runKvmOnce((int)copies.size(), vector.data(), &files);
    }
    if (suiteName != nullptr) stopKvmSuite();
    return code;
}
