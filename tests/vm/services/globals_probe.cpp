// Kinds of writable state the globals check must report, beside kinds it must accept.
// Built into a library of its own that the check is run on and expected to refuse.
#include <string.h>

#include "platform/vmsections.h"

int probeAcceptedData VMDATA = 7;
int probeAcceptedBss VMBSS;
int probeAcceptedHook VMHOOKS = 5;
const int probeReadOnly[3] = {1, 2, 3};
const char* const probeReadOnlyNames[2] = {"a", "b"};

int probeStrayBss;
int probeStrayData = 3;
const char* probeStrayNames[2] = {"a", "b"};

// External, as the functions of a VM library would be.
int probeStrayCounter();
const char* probeGuarded(const char* s);

int probeStrayCounter() {
    static int probeHiddenCount;
    return ++probeHiddenCount + probeAcceptedData + probeAcceptedBss + probeAcceptedHook + probeReadOnly[1] +
           (int)strlen(probeReadOnlyNames[0]);
}

struct ProbeName {
    char text[8];
    explicit ProbeName(const char* s) {
        strncpy(text, s, sizeof text - 1);
        text[7] = 0;
    }
};

const char* probeGuarded(const char* s) {
    static ProbeName probeOnce(s);
    return probeOnce.text;
}
