// movane-kvm: runs a Java program on the VM from the command line.
//
//   movane-kvm [-trace <stderr|file>] [-sysjar <jar>] [-runs <n>]
//              [-version] [-help] [-heapsize <n>[k|m]] -classpath <app.jar> Main args...
//
// The first three options are the runner's own; the rest is kvm_main's argument vector,
// except that the class path names a JAR on the host, which the runner reads into memory
// and hands to the VM as "/app.jar". The class library is the built-in class image;
// -sysjar (or the environment variable MOVANE_SYSTEM_JAR) loads it from a library JAR
// named "/sys.jar" instead. The exit status is kvm_main's exit code.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "host/vm/kvm/runner.h"
#include "platform/events.h"
#include "platform/hostfile.h"
#include "platform/trace.h"

#ifndef MOVANE_SYSTEM_JAR
#define MOVANE_SYSTEM_JAR ""
#endif

static int usage() {
    fprintf(stderr,
            "usage: movane-kvm [-trace <stderr|file>] [-sysjar <jar>] [-runs <n>]\n"
            "                  [-heapsize <n>[k|m]] -classpath <app.jar> <class> [args...]\n");
    return 2;
}

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const char* systemJarPath = getenv("MOVANE_SYSTEM_JAR");
    if (systemJarPath == nullptr || systemJarPath[0] == 0) systemJarPath = MOVANE_SYSTEM_JAR;
    int runs = 1;
    int i = 1;
    for (; i + 1 < argc; i += 2) {
        if (strcmp(argv[i], "-trace") == 0) {
            if (TraceSetOutput(argv[i + 1]) != 0) fprintf(stderr, "movane-kvm: cannot open trace %s\n", argv[i + 1]);
        } else if (strcmp(argv[i], "-sysjar") == 0) {
            systemJarPath = argv[i + 1];
        } else if (strcmp(argv[i], "-runs") == 0) {
            runs = atoi(argv[i + 1]);
            if (runs < 1) return usage();
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
        if (options && strcmp(argv[i], "-heapsize") == 0 && i + 1 < argc) {
            words.push_back(argv[i]);
            words.push_back(argv[++i]);
            continue;
        }
        if (strcmp(argv[i], "-version") != 0 && strcmp(argv[i], "-help") != 0) options = false;
        words.push_back(argv[i]);
    }

    std::vector<uint8_t> systemJar, appJar;
    if (systemJarPath[0] != 0 && !HostFileReadAll(systemJarPath, &systemJar)) {
        fprintf(stderr, "movane-kvm: cannot read the class library %s\n", systemJarPath);
        return 2;
    }
    if (appJarPath != nullptr && !HostFileReadAll(appJarPath, &appJar)) {
        fprintf(stderr, "movane-kvm: cannot read %s\n", appJarPath);
        return 2;
    }
    KvmRunFiles files = {};
    if (!systemJar.empty()) {
        files.systemJar = systemJar.data();
        files.systemJarSize = (int32_t)systemJar.size();
    }
    if (appJarPath != nullptr) {
        files.appJar = appJar.data();
        files.appJarSize = (int32_t)appJar.size();
    }

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
    return code;
}
