// The section record of the VM's variables. The linker bounds every section whose name
// is a C identifier with __start_/__stop_ symbols; one anchor byte in each makes sure
// both sections exist, so that a program without VM variables (or without one of the
// two kinds) still links.
#include "platform/sections.h"

#include "platform/lowmem.h"

#include <pthread.h>
#include <string.h>

extern "C" {
extern char __start_vmdata[];
extern char __stop_vmdata[];
extern char __start_vmbss[];
extern char __stop_vmbss[];
}

__attribute__((section("vmdata"), used)) static char VmDataAnchor = 1;
__attribute__((section("vmbss"), used)) static char VmBssAnchor;

namespace {

MKT_Section_Info g_record;
bool g_built;
pthread_mutex_t g_lock = PTHREAD_MUTEX_INITIALIZER;

void bounds(char* start, char* stop, P32<char>* address, uint32_t* size) {
    if (start && stop && stop > start) {
        *address = start;
        *size = (uint32_t)(stop - start);
    } else {
        *address = nullptr;
        *size = 0;
    }
}

}  // namespace

MKT_Section_Info* MkSectionGetInfoR2(int* count) {
    if (count) {
        *count = 1;
    }
    pthread_mutex_lock(&g_lock);
    if (!g_built) {
        MKT_Section_Info r;
        r.type = 2;
        bounds(__start_vmdata, __stop_vmdata, &r.dataAddress, &r.dataSize);
        bounds(__start_vmbss, __stop_vmbss, &r.bssAddress, &r.bssSize);
        r.initDataAddress = nullptr;
        if (r.dataSize != 0) {
            // What the host has set among the VM's variables by now is kept for every run;
            // low memory, as the record keeps its address in a word.
            r.initDataAddress = (char*)lowAlloc(r.dataSize);
            if (r.initDataAddress) {
                memcpy(r.initDataAddress, r.dataAddress, r.dataSize);
            }
        }
        if (r.dataSize == 0 || r.initDataAddress) {
            g_record = r;
            g_built = true;
        }
    }
    MKT_Section_Info* result = g_built ? &g_record : nullptr;
    pthread_mutex_unlock(&g_lock);
    return result;
}
