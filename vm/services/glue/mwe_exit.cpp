// The program's exit status, kept apart from the launch code: the MIDlet natives note it
// and need nothing else of the glue.
#include "platform/atomicword.h"
#include "vm/services/glue/mwe.h"

static int32_t ExitStatus;

void mwe_noteExitStatus(int32_t status) {
    int32_t none = 0;
    atomicDeclare(&ExitStatus);
    if (status != 0) __atomic_compare_exchange_n(&ExitStatus, &none, status, false, __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE);
}

int32_t mwe_exitStatus(void) { return atomicLoad(&ExitStatus); }
