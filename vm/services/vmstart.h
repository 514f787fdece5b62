// The start of a VM run: mvVmStartMIDP with its start record, the runner of kvm_main,
// the choice of the MIDlet class from the descriptor, and the application properties
// of the running suite.
#pragma once

#include <stdint.h>

#include "vm/services/descriptor.h"
#include "vm/services/vmstate.h"

// The start record of a MIDlet run, ten words; the caller keeps it for the whole run.
// The JAR, the JAD and the class name it points to lie in the low window (the JAR's
// address goes on into the start record and the memory file).
struct MKT_MIDP_Application {
    int32_t jarSize;
    P32<const uint8_t> jarAddr;
    P32Fn<QamsReadFn> jarRead;
    P32<const char> className;  // not terminated; null: from the descriptor
    int32_t classNameLen;
    int32_t jadSize;
    P32<const uint8_t> jadAddr;
    P32Fn<QamsReadFn> jadRead;
    int32_t trusted;
    P32<void> tckParams;
};
static_assert(sizeof(MKT_MIDP_Application) == 40, "the start record is ten words");

enum {
    MAIN_CLASS_BUFFER = 1025,
    KVM_ARGUMENTS = 32,
    CLASS_NAME_AREA = 1024,
};

// Returns when the run has ended: its normalised exit status or a refusal code.
int32_t mvVmStartMIDP(int32_t vmId, int32_t heapSize, void* heapAddr, const MKT_MIDP_Application* app,
                      VmEventHandler handler, int32_t vmParamCount, const char* const* vmParams,
                      const int32_t* vmParamLens);

// The class name of a suite from its descriptors into name (room for CLASS_NAME_AREA
// bytes), using the memory behind it as the descriptor environment: its length, or -1.
int32_t mvVm_chooseClassName(const MKT_MIDP_Application* app, char* name, int32_t memorySize);

// The value of a property of the running suite (the JAD over the manifest) as UTF-8 in
// buffer: the value's length (at most bufferSize bytes copied: a length of bufferSize or
// more asks for a larger buffer), -1 when absent or unreadable, -2 when no memory.
// A run of kvm_main for a suite: the descriptors its properties come from, kept by the
// caller for the run (null: none). Set after the run's reset.
void mvApp_setApplication(const MKT_MIDP_Application* app);
int32_t mvApp_getAppProperty(const uint16_t* key, int32_t keyLength, char* buffer, int32_t bufferSize);
