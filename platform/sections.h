// Where the VM's per-run variables live: the "vmdata" and "vmbss" ELF sections
// (bounded by the linker's __start_/__stop_ symbols) and the copy of "vmdata" taken
// at the first request, from which every run's variables are restored.
#pragma once

#include <stdint.h>

#include "platform/p32.h"

// One section record: which sections hold VM variables and where their initial data is.
struct MKT_Section_Info {
    int32_t type;
    P32<char> dataAddress;
    uint32_t dataSize;
    P32<char> bssAddress;
    uint32_t bssSize;
    P32<char> initDataAddress;
};
static_assert(sizeof(MKT_Section_Info) == 24, "section record is six words");

// On the first call snapshots the live "vmdata" and builds the one record (type 2);
// every call sets *count to 1 and returns that record. Null when the snapshot cannot
// be allocated. A section the program lacks is described with address null, size 0.
MKT_Section_Info* MkSectionGetInfoR2(int* count);
