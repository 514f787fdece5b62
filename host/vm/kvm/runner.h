// The development runner over kvm_main: one VM run per call, with the library JAR
// named "/sys.jar" and the program's JAR named "/app.jar", both held in memory.
#pragma once

#include <stdint.h>

struct KvmRunFiles {
    const uint8_t* systemJar;  // the class library; null when the image holds it
    int32_t systemJarSize;
    const uint8_t* appJar;  // null: the run has no "/app.jar"
    int32_t appJarSize;
};

// A suite for the runs: the storage started on a device tree below hostFolder (made
// when missing), the suite of that vendor and name added to the store unless it is
// there, marked as launched, and the record-store porting layer installed. quotaTotal
// below 0 keeps the device's quota. The runs then take the suite's properties from a
// descriptor naming it. 0, or -1 with a message on standard error.
int32_t startKvmSuite(const char* hostFolder, const char* vendor, const char* name, int32_t quotaTotal);
void stopKvmSuite();
// That descriptor and its size, or null when no suite was started.
const uint8_t* kvmSuiteDescriptor(int32_t* size);

// The start-up of a program that runs the VM through this runner: fills the hook tables
// of the core, the loader and the services with the loader, the library natives and the
// built-in class image.
void installKvmHooks();

// One run of kvm_main with argv (argv[0] is the program word). Resets the VM's
// variables first and answers kvm_main's exit code. The VM keeps the JARs' and the
// arguments' addresses in words: those outside low memory are copied there for the run
// (-1 when there is no room).
int32_t runKvmOnce(int argc, char** argv, const KvmRunFiles* files);
