// The failure of a platform invariant check.
#include "platform/passert.h"

#include <stdio.h>
#include <stdlib.h>

#if defined(MOVANE_VM_ASSERTS) && MOVANE_VM_ASSERTS
void platformAssertFailed(const char* condition, const char* file, int line) {
    fprintf(stderr, "platform invariant failed: %s (%s:%d)\n", condition, file, line);
    abort();
}
#endif
