// Stand-ins for the neighbouring parts the registries call, replaced by the real
// functions when their subsystems are linked in.
#include "vm/loader/registryseams.h"

__attribute__((weak)) int32_t mvVmCallback_registerFunction(VmCallbackRecord*) { return 1; }
__attribute__((weak)) void timerResumeCountDown() {}
__attribute__((weak)) int32_t mvConnectionResource_init() { return 0; }
__attribute__((weak)) int32_t MkRandomAccessFileClose(int32_t) { return -1; }
__attribute__((weak)) void** GuiTkGetHostServices() { return nullptr; }
