// The extent of the calling thread's own stack, for guards against native recursion.
#pragma once

#include <stdint.h>

// Lowest address of the calling thread's stack (stacks grow down); 0 when unknown.
uintptr_t SysStackLowest(void);
