// What the registries call in neighbouring parts that come with their own subsystems:
// the VM callback table, the connection resource and the timer natives, the
// random-access file porting layer and the toolkit's host-service table.
// Until those land, weak stand-ins (registryseams.cpp) accept every call and do nothing.
#pragma once

#include <stdint.h>

struct VmCallbackRecord;

int32_t mvVmCallback_registerFunction(VmCallbackRecord* record);
void timerResumeCountDown();
int32_t mvConnectionResource_init();
int32_t MkRandomAccessFileClose(int32_t handle);
void** GuiTkGetHostServices();
