// The system information record of a run.
#include "natives/lib/sysinfo.h"

#include "platform/vmsections.h"

static VMBSS SystemInfo Info;
static VMBSS int32_t InfoFilled;

SystemInfo* mvSysInfo_getStrings(void) {
    if (!InfoFilled) {
        if (Info.vendorVersion == nullptr) {
            Info.vendorName = "UNKNOWN";
            Info.vendorVersion = "UNKNOWN";
        }
        Info.profileType = 0;
        for (P32<const char>& version : Info.profileVersions) {
            if (version == nullptr) version = "UNKNOWN";
        }
        InfoFilled = 1;
    }
    return &Info;
}
